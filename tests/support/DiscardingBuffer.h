#pragma once

#include <streambuf>

// A stream buffer that takes whatever is written and keeps nothing: benchmarks and fuzz targets
// send the programs' progress lines there, so that printing does not weigh on what they measure.
class DiscardingBuffer : public std::streambuf
{
protected:
    int overflow(int character) override { return character; }
    std::streamsize xsputn(const char *, std::streamsize count) override { return count; }
};
