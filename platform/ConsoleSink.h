#pragma once

#include <iosfwd>

// The one channel for the lines the system prints by design: progress ("Loading..."), device
// traces ("enter settings"), results ("Total flight data size: ..."). Print such a line as
//     ConsoleSink::out() << "Total flight data size: " << size << std::endl;
// and never straight to std::cout, so a reader can tell these lines from diagnostics (which
// go to Qt logging categories) and tests can collect them. The stream is standard output
// unless a test installs its own.
//
// Any thread may print: each thread's text is held until its line ends (or it flushes) and
// then written whole, one thread at a time, so lines never run into each other and the
// installed stream need not be safe for use from several threads.
class ConsoleSink
{
public:
    static std::ostream &out();

    // Tests install their own stream; nullptr restores standard output. Returns the stream
    // installed before, so that captures can nest. Once this returns, nothing more is written
    // to the stream it replaces.
    static std::ostream *setStream(std::ostream *stream);
};
