#pragma once

#include <iostream>
#include <sstream>
#include <string>

// Collects what the code under test prints on standard output while it lives.
class CapturedOutput
{
public:
    CapturedOutput() : m_previous(std::cout.rdbuf(m_buffer.rdbuf())) {}
    ~CapturedOutput() { std::cout.rdbuf(m_previous); }
    CapturedOutput(const CapturedOutput &) = delete;
    CapturedOutput &operator=(const CapturedOutput &) = delete;

    std::string text() const { return m_buffer.str(); }
    bool contains(const std::string &part) const { return text().find(part) != std::string::npos; }
    void clear() { m_buffer.str({}); }

private:
    std::ostringstream m_buffer;
    std::streambuf *m_previous;
};
