#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <vector>

class NUVQORAFlight;

// Splits a flight-memory image into flights. Each flight is a marker byte, a settings block
// with its checksum, and event records with delta-time records between them. Damaged blocks
// are skipped and the scan resynchronises on the next marker; a flight ends at the first
// record that cannot be decoded. Progress lines go to the given console.
class FlightMemoryParser
{
public:
    FlightMemoryParser(const uint8_t *image, size_t size, std::ostream &console);

    std::vector<std::shared_ptr<NUVQORAFlight>> parse();

private:
    // Reads the flight whose marker is at `marker`. Returns where the scan goes on and the
    // flight, which is null when its settings block is damaged or incomplete.
    struct FlightResult
    {
        size_t resumeAt;
        std::shared_ptr<NUVQORAFlight> flight;
    };
    FlightResult parseFlight(size_t marker);
    bool readSettings(size_t marker, NUVQORAFlight &flight);
    size_t readRecords(size_t start, NUVQORAFlight &flight);
    void startEventClock();

    const uint8_t *m_image;
    size_t m_size;
    std::ostream &m_console;
    bool m_eventClockStarted = false;
};
