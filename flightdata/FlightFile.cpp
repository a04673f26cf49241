#include "FlightFile.h"

#include "ConsoleSink.h"
#include "FlightInputArchive.h"
#include "FlightOutputArchive.h"
#include "FlightSerialization.h"
#include "SafeFileWriter.h"
#include "WidePath.h"

#include <algorithm>
#include <fstream>
#include <ostream>

namespace flightfile {

void convertVersion1Settings(NUVQORASettings &settings, const uint8_t (&earlier)[82])
{
    NUVQORASettings::Image &image = settings.image;
    std::copy(earlier, earlier + 64, image.begin());
    std::copy(earlier + 64, earlier + 79, image.begin() + 65);
    image[81] = earlier[79];
    static const uint8_t stages[4] = {2, 3, 4, 5};
    for (int line = 0; line < 4; ++line) {
        settings.setLineMaxAngle(line, NUVQORASettings::NoAngleLimit);
        settings.setLineStage(line, stages[line]);
    }
    settings.updateChecksum();
}

void adoptOnce(const std::vector<NUVEvent *> &loaded, EventList &events)
{
    events.reserve(events.size() + loaded.size());
    std::vector<NUVEvent *> sorted(loaded);
    std::sort(sorted.begin(), sorted.end());
    // An intact file refers to each of its events once: all are taken, in their order.
    if (std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end()) {
        for (NUVEvent *event : loaded)
            events.emplace_back(event);
        return;
    }
    std::vector<bool> adopted(sorted.size());
    for (NUVEvent *event : loaded) {
        const auto index = std::lower_bound(sorted.begin(), sorted.end(), event) - sorted.begin();
        if (adopted[index])
            continue;
        adopted[index] = true;
        events.emplace_back(event);
    }
}

void correctVersion1Times(NUVQORAFlight &flight)
{
    const uint16_t firmware = flight.settings.firmwareVersion();
    if (!flight.settings.valid || firmware < 0x0200 || firmware > 0x0202)
        return;
    for (const std::unique_ptr<NUVEvent> &event : flight.events)
        event->time *= 1.0297601f;
}

} // namespace flightfile

bool FlightFile::write(const NUVQORAFlight &flight, const std::wstring &path)
{
    ConsoleSink::out() << "Saving..." << std::endl;
    // The previous file stays untouched until the new one is complete.
    SafeFileWriter file(QString::fromStdWString(path));
    if (!file.open())
        return false;
    try {
        FlightOutputArchive archive(*file.stream().rdbuf());
        ConsoleSink::out() << "Serializing..." << std::endl;
        archive << flight;
    } catch (const std::exception &e) {
        ConsoleSink::out() << "Error: " << e.what() << std::endl;
        return false;
    }
    if (!file.commit()) {
        ConsoleSink::out() << "Error: " << file.errorString().toStdString() << std::endl;
        return false;
    }
    return true;
}

bool FlightFile::read(NUVQORAFlight &flight, const std::wstring &path)
{
    std::ifstream in(localFileName(path), std::ios::binary);
    ConsoleSink::out() << "Checking..." << std::endl;
    if (!in.good()) {
        ConsoleSink::out() << "file not good: " << printablePath(path) << std::endl;
        return false;
    }
    try {
        FlightInputArchive archive(*in.rdbuf());
        ConsoleSink::out() << "Loading..." << std::endl;
        archive >> flight;
        ConsoleSink::out() << "Loaded" << std::endl;
        ConsoleSink::out() << "Straightening..." << std::endl;
    } catch (const std::exception &e) {
        ConsoleSink::out() << "Error: " << e.what() << std::endl;
        return false;
    }
    return true;
}
