#include "FlightMemoryParser.h"

#include "NUVEventCode.h"
#include "NUVQORAFlight.h"

#include <cstring>

FlightMemoryParser::FlightMemoryParser(const uint8_t *image, size_t size, std::ostream &console)
    : m_image(image)
    , m_size(image ? size : 0)
    , m_console(console)
{
}

std::vector<std::shared_ptr<NUVQORAFlight>> FlightMemoryParser::parse()
{
    std::vector<std::shared_ptr<NUVQORAFlight>> flights;
    size_t position = 0;
    while (position < m_size) {
        const void *marker = std::memchr(m_image + position, toByte(NUVEventCode::FlightMarker), m_size - position);
        if (!marker)
            break;
        position = static_cast<size_t>(static_cast<const uint8_t *>(marker) - m_image);
        m_console << "flight marker found.\n";
        // A settings block cut off by the end of the image ends the scan: there is nothing
        // after it that could hold another flight.
        if (m_size - position - 1 < NUVQORASettings::ImageSize)
            break;
        FlightResult result = parseFlight(position);
        if (result.flight)
            flights.push_back(std::move(result.flight));
        position = result.resumeAt;
    }
    return flights;
}

FlightMemoryParser::FlightResult FlightMemoryParser::parseFlight(size_t marker)
{
    auto flight = std::make_shared<NUVQORAFlight>();
    if (!readSettings(marker, *flight))
        return {marker + 1, nullptr}; // the damaged block may itself hold the next marker
    const size_t end = readRecords(marker + 1 + NUVQORASettings::ImageSize, *flight);
    // The last record of a flight is not kept.
    if (!flight->events.empty())
        flight->events.pop_back();
    flight->events.shrink_to_fit(); // a downloaded flight keeps no spare pointer slots
    return {end, flight};
}

bool FlightMemoryParser::readSettings(size_t marker, NUVQORAFlight &flight)
{
    NUVQORASettings settings;
    settings.valid = true;
    const uint8_t *block = m_image + marker + 1;
    std::memcpy(settings.image.data(), block, NUVQORASettings::ImageSize);

    m_console << "Calculated checksum: \t" << settings.calculatedChecksum() << '\n';
    m_console << "Retrieved checksum: \t" << settings.storedChecksum() << '\n';
    if (settings.calculatedChecksum() != settings.storedChecksum())
        return false;

    for (size_t i = 0; i < 10; ++i)
        m_console << "data: " << unsigned(block[i]) << '\n';
    flight.settings = settings;
    for (int line = 0; line < 4; ++line)
        m_console << "LINE " << char('A' + line) << ": " << unsigned(settings.lineMode(line)) << '\n';
    return true;
}

size_t FlightMemoryParser::readRecords(size_t start, NUVQORAFlight &flight)
{
    float time = 0.0f;
    size_t position = start;
    while (position < m_size) {
        const uint8_t code = m_image[position];
        if (code == toByte(NUVEventCode::EndOfMemory) || code == toByte(NUVEventCode::FlightMarker)
            || code == toByte(NUVEventCode::EndOfFlight))
            break;
        const bool isDeltaTime = code & toByte(NUVEventCode::DeltaTime);
        const int length = isDeltaTime ? 0 : NUVEvent::recordLength(code);
        // A record must end before the image's last byte.
        if (length < 0 || position + length + 1 >= m_size)
            break;
        const uint8_t *record = m_image + position;
        position += length + 1;
        startEventClock();
        if (isDeltaTime) {
            time += static_cast<float>(code & 0x7F) * 0.001f;
            continue;
        }
        std::unique_ptr<NUVEvent> event = NUVEvent::fromBytes(record, length + 1, 0);
        if (!event)
            break; // a record without an event ends the flight after it
        event->time = time;
        flight.appendEvent(std::move(event));
    }
    return position;
}

void FlightMemoryParser::startEventClock()
{
    // Decoding a record starts the process's event clock, as any decoded record does. The
    // records themselves are timed by their flight's delta-time records, so the clock is
    // read once, and not at all for an image without records.
    if (m_eventClockStarted)
        return;
    NUVEvent::millisecondsSinceFirstRecord();
    m_eventClockStarted = true;
}
