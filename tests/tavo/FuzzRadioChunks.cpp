// libFuzzer target: the input is what the radio's receive FIFO holds. Chunks are read until
// it is empty; each must stay within the length it declares, and every event must carry a
// finite time.

#include "ConsoleSink.h"
#include "RadioChunkReader.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static std::ostringstream discarded;
    ConsoleSink::setStream(&discarded);
    discarded.str({});

    RadioChunkReader reader;
    reader.resetClocks(0);
    size_t position = 0;
    size_t readPastEnd = 0;
    const RadioChunkReader::ByteSource next = [&] {
        if (position < size)
            return data[position++];
        ++readPastEnd;
        return uint8_t(0); // an empty FIFO reads as zero
    };
    double now = 0;
    while (position < size) {
        const size_t start = position;
        std::vector<std::unique_ptr<NUVEvent>> events;
        const auto chunk = reader.read(next, now, events);
        const size_t consumed = position - start + readPastEnd;
        readPastEnd = 0;
        // A header, a length byte and at most 255 declared bytes.
        if (consumed > 257)
            std::abort();
        for (const auto &event : events) {
            if (!std::isfinite(event->time))
                std::abort();
        }
        if (chunk == RadioChunkReader::Chunk::UnknownType)
            position = size; // the link clears the FIFO
        now += 0.01;
    }
    return 0;
}
