#pragma once

#include "ConsoleSink.h"

#include <sstream>
#include <string>

// Collects what the code under test prints through ConsoleSink while it lives; the stream
// that was installed before comes back afterwards, so captures nest.
class CapturedOutput
{
public:
    CapturedOutput()
        : m_previous(ConsoleSink::setStream(&m_buffer))
    {
    }
    ~CapturedOutput() { ConsoleSink::setStream(m_previous); }
    CapturedOutput(const CapturedOutput &) = delete;
    CapturedOutput &operator=(const CapturedOutput &) = delete;

    std::string text() const { return m_buffer.str(); }
    bool contains(const std::string &part) const { return text().find(part) != std::string::npos; }
    void clear() { m_buffer.str({}); }

private:
    std::ostringstream m_buffer;
    std::ostream *m_previous;
};
