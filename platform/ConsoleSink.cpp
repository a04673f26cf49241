#include "ConsoleSink.h"

#include <iostream>
#include <map>
#include <mutex>
#include <streambuf>
#include <string>
#include <thread>

namespace {

// Gathers each thread's text apart and hands the installed stream whole lines under a lock.
class LineGatherer : public std::streambuf
{
public:
    std::ostream *setTarget(std::ostream *target)
    {
        const Lock lock(m_mutex);
        std::ostream *previous = m_target;
        m_target = target;
        return previous;
    }

protected:
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        const char character = traits_type::to_char_type(c);
        xsputn(&character, 1);
        return c;
    }

    std::streamsize xsputn(const char *text, std::streamsize count) override
    {
        const Lock lock(m_mutex);
        const std::thread::id thread = std::this_thread::get_id();
        std::string &held = m_held[thread];
        held.append(text, static_cast<size_t>(count));
        const size_t lastLineEnd = held.rfind('\n');
        if (lastLineEnd == std::string::npos)
            return count;
        std::string lines = held.substr(0, lastLineEnd + 1);
        held.erase(0, lastLineEnd + 1);
        if (held.empty())
            m_held.erase(thread);
        write(lines);
        return count;
    }

    int sync() override
    {
        const Lock lock(m_mutex);
        const auto held = m_held.find(std::this_thread::get_id());
        if (held != m_held.end()) {
            const std::string text = std::move(held->second);
            m_held.erase(held);
            write(text);
        }
        m_target->flush();
        return 0;
    }

private:
    // Recursive: a stream installed by a test may act on its flush and print in turn, so the
    // text written is always taken out of the table first.
    using Lock = std::lock_guard<std::recursive_mutex>;

    void write(const std::string &text) { m_target->write(text.data(), static_cast<std::streamsize>(text.size())); }

    std::recursive_mutex m_mutex;
    std::ostream *m_target = &std::cout;
    std::map<std::thread::id, std::string> m_held; // text of a line not yet ended, by thread
};

struct Console
{
    LineGatherer lines;
    std::ostream stream{&lines};
};

// Never destroyed: static destructors and threads that outlive main may still print.
Console &console()
{
    static Console *const instance = new Console;
    return *instance;
}

} // namespace

std::ostream &ConsoleSink::out()
{
    return console().stream;
}

std::ostream *ConsoleSink::setStream(std::ostream *stream)
{
    return console().lines.setTarget(stream ? stream : &std::cout);
}
