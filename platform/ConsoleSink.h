#pragma once

#include <iosfwd>

// The one channel for the lines the system prints by design: progress ("Loading..."), device
// traces ("enter settings"), results ("Total flight data size: ..."). Print such a line as
//     ConsoleSink::out() << "Total flight data size: " << size << std::endl;
// and never straight to std::cout, so a reader can tell these lines from diagnostics (which
// go to Qt logging categories) and tests can collect them. The stream is standard output
// unless a test installs its own.
class ConsoleSink
{
public:
    static std::ostream &out();

    // Tests install their own stream; nullptr restores standard output. The stream must
    // outlive every print that may still reach it.
    static void setStream(std::ostream *stream);
};
