#pragma once

// How flights and their parts are stored in flight files, in every class version this
// program has written. Saving always writes the newest version; loading converts older ones.
// Only FlightFile.cpp includes this, with the two flight archives.

#include "ConsoleSink.h"
#include "LittleEndian.h"
#include "NUVEvent.h"
#include "NUVEvent_AccelXY.h"
#include "NUVEvent_AccelZ.h"
#include "NUVEvent_AuxDInput.h"
#include "NUVEvent_AuxEInput.h"
#include "NUVEvent_ComputerBattery.h"
#include "NUVEvent_EjectionBattery.h"
#include "NUVEvent_GPSLLSol.h"
#include "NUVEvent_GPSTime.h"
#include "NUVEvent_GyroXYZ.h"
#include "NUVEvent_Ident.h"
#include "NUVEvent_LineA.h"
#include "NUVEvent_LineB.h"
#include "NUVEvent_LineC.h"
#include "NUVEvent_LineD.h"
#include "NUVEvent_MagXYZ.h"
#include "NUVEvent_Orientation.h"
#include "NUVEvent_Pressure.h"
#include "NUVEvent_RSSI.h"
#include "NUVEvent_Status.h"
#include "NUVEvent_Temperature.h"
#include "NUVEvent_Text.h"
#include "NUVQORAFlight.h"
#include "NUVQORASettings.h"

#include <boost/archive/archive_exception.hpp>
#include <boost/archive/detail/oserializer.hpp>
#include <boost/core/demangle.hpp>
#include <boost/serialization/base_object.hpp>
#include <boost/serialization/binary_object.hpp>
#include <boost/serialization/collection_size_type.hpp>
#include <boost/serialization/item_version_type.hpp>
#include <boost/serialization/singleton.hpp>
#include <boost/serialization/split_free.hpp>
#include <boost/serialization/string.hpp>
#include <boost/serialization/version.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <ostream>
#include <typeinfo>
#include <vector>

using EventList = std::vector<std::unique_ptr<NUVEvent>>;

BOOST_CLASS_VERSION(NUVQORAFlight, 3)
BOOST_CLASS_VERSION(NUVQORASettings, 2)
BOOST_CLASS_VERSION(NUVEvent, 1)
BOOST_CLASS_VERSION(NUVEvent_AccelZ, 3)
BOOST_CLASS_VERSION(NUVEvent_AccelXY, 3)
BOOST_CLASS_VERSION(NUVEvent_GPSLLSol, 4)
BOOST_CLASS_VERSION(NUVEvent_GPSTime, 2)
BOOST_CLASS_VERSION(NUVEvent_Pressure, 1)
BOOST_CLASS_VERSION(NUVEvent_ComputerBattery, 1)
BOOST_CLASS_VERSION(NUVEvent_EjectionBattery, 1)
BOOST_CLASS_VERSION(NUVEvent_Temperature, 1)
BOOST_CLASS_VERSION(NUVEvent_RSSI, 1)
BOOST_CLASS_VERSION(NUVEvent_Status, 1)

namespace flightfile {

// Boost does not refuse class versions newer than the reader's; a newer file would be
// misread field by field, so it is refused here.
template<class T>
void requireKnownVersion(unsigned int version)
{
    if (version > boost::serialization::version<T>::value)
        boost::serialization::throw_exception(boost::archive::archive_exception(
            boost::archive::archive_exception::unsupported_class_version,
            boost::core::demangle(typeid(T).name()).c_str()));
}

template<class Archive, class T>
T read(Archive &ar)
{
    T value{};
    ar >> value;
    return value;
}

// A fixed array: its element count, then the elements.
template<class Archive, class T, std::size_t N>
void saveArray(Archive &ar, const std::array<T, N> &array)
{
    const boost::serialization::collection_size_type count(N);
    ar << count;
    for (const T &element : array)
        ar << element;
}

template<class Archive, class T, std::size_t N>
void loadArray(Archive &ar, std::array<T, N> &array)
{
    boost::serialization::collection_size_type count;
    ar >> count;
    if (count > N)
        boost::serialization::throw_exception(
            boost::archive::archive_exception(boost::archive::archive_exception::array_size_too_short));
    for (std::size_t i = 0; i < count; ++i)
        ar >> array[i];
}

// An image of the first stored layout (the same bytes up to the fifteenth write rate, fifteen
// transmit priorities and the radio channel, then its own checksum) into the current one.
void convertVersion1Settings(NUVQORASettings &settings, const uint8_t (&earlier)[82]);

// Flights of firmware 2.00 to 2.02 saved in the second flight version ran on a slow clock.
void correctVersion1Times(NUVQORAFlight &flight);

inline float fromFixed8(int16_t raw)
{
    return raw * 0.00390625f; // 2^-8
}

// The event classes in the order that numbers them in the file: it is part of the format.
template<class... Events>
struct EventClasses
{
};
using StoredEventClasses =
    EventClasses<NUVEvent_Text, NUVEvent_AccelZ, NUVEvent_AccelXY, NUVEvent_Pressure, NUVEvent_ComputerBattery,
                 NUVEvent_EjectionBattery, NUVEvent_Temperature, NUVEvent_AuxDInput, NUVEvent_AuxEInput,
                 NUVEvent_GPSLLSol, NUVEvent_RSSI, NUVEvent_Ident, NUVEvent_Status, NUVEvent_GPSTime,
                 NUVEvent_GyroXYZ, NUVEvent_MagXYZ, NUVEvent_LineA, NUVEvent_LineB, NUVEvent_LineC,
                 NUVEvent_LineD, NUVEvent_Orientation>;

template<class Archive, class... Events>
void registerEventClasses(Archive &ar, EventClasses<Events...>)
{
    (ar.template register_type<Events>(), ...);
}

template<class Event, class Archive>
bool saveIfOfClass(Archive &ar, const NUVEvent &event, const std::type_info &type)
{
    if (&type != &typeid(Event))
        return false;
    // The serializer that registering the class returns; the archive registers it when new.
    using Serializer = boost::archive::detail::pointer_oserializer<Archive, Event>;
    const Serializer &serializer = boost::serialization::singleton<Serializer>::get_const_instance();
    ar.save_pointer(static_cast<const Event *>(&event), &serializer);
    return true;
}

// Saving the event as its own class writes the same bytes as a pointer to NUVEvent, but spares
// the library its per-pointer searches for the true class, its cast and its serializer. Type
// identities are compared by address, which is fast; should a class have two, the event takes
// the general way.
template<class Archive, class... Events>
void saveEvent(Archive &ar, const NUVEvent *event, EventClasses<Events...>)
{
    if (event && (saveIfOfClass<Events>(ar, *event, typeid(*event)) || ...))
        return;
    ar << event;
}

// The list in the form of a growable array of pointers: count, item version, then each event
// stored polymorphically.
template<class Archive>
void saveEvents(Archive &ar, const EventList &events)
{
    const boost::serialization::collection_size_type count(events.size());
    const boost::serialization::item_version_type itemVersion(0);
    ar << count << itemVersion;
    for (const std::unique_ptr<NUVEvent> &event : events)
        saveEvent(ar, event.get(), StoredEventClasses());
}

// Hands the loaded objects to the list, each once however often the file referred to it.
void adoptOnce(const std::vector<NUVEvent *> &loaded, EventList &events);

// Loads into events, which keep whatever was read before an error. Only objects this load
// created are kept.
template<class Archive>
void loadEvents(Archive &ar, EventList &events, const void *owner)
{
    boost::serialization::collection_size_type count;
    ar >> count;
    if (ar.get_library_version() > boost::serialization::library_version_type(3)) {
        boost::serialization::item_version_type itemVersion(0);
        ar >> itemVersion;
    }
    std::vector<NUVEvent *> loaded;
    try {
        for (std::size_t i = 0; i < count; ++i) {
            NUVEvent *event = nullptr;
            try {
                ar >> event;
            } catch (...) {
                // The library leaves a half-read new object here. It is complete as a C++
                // object (built before its fields were read), and NUVEvent is its primary
                // base, so it can be deleted through this pointer.
                if (event && std::find(loaded.begin(), loaded.end(), event) == loaded.end())
                    delete event;
                throw;
            }
            if (!event)
                continue;
            // The only objects a damaged reference could point at besides events: the flight
            // and its event list, both read before the first event.
            if (static_cast<const void *>(event) == owner || static_cast<const void *>(event) == &events)
                boost::serialization::throw_exception(
                    boost::archive::archive_exception(boost::archive::archive_exception::pointer_conflict));
            loaded.push_back(event);
        }
    } catch (...) {
        adoptOnce(loaded, events);
        throw;
    }
    adoptOnce(loaded, events);
}

} // namespace flightfile

namespace boost {
namespace serialization {

// NUVEvent, the head of every event.

template<class Archive>
void save(Archive &ar, const NUVEvent &e, unsigned int)
{
    const uint8_t unused = 0;
    ar << e.vref << unused << e.time;
}

template<class Archive>
void load(Archive &ar, NUVEvent &e, unsigned int version)
{
    flightfile::requireKnownVersion<NUVEvent>(version);
    ar >> e.vref;
    flightfile::read<Archive, uint8_t>(ar);
    if (version >= 1)
        ar >> e.time;
    else
        e.time = float(flightfile::read<Archive, uint32_t>(ar)) * 0.001f;
}

// Classes stored in one version only.

template<class Archive>
void serialize(Archive &ar, NUVEvent_Text &e, unsigned int version)
{
    flightfile::requireKnownVersion<NUVEvent_Text>(version);
    ar &base_object<NUVEvent>(e) & e.text;
}

template<class Archive>
void serialize(Archive &ar, NUVEvent_Ident &e, unsigned int version)
{
    flightfile::requireKnownVersion<NUVEvent_Ident>(version);
    ar &base_object<NUVEvent>(e) & e.ident;
}

template<class Archive, class AuxInput>
void serializeAuxInput(Archive &ar, AuxInput &e, unsigned int version)
{
    flightfile::requireKnownVersion<AuxInput>(version);
    ar &base_object<NUVEvent>(e) & e.value;
}

template<class Archive>
void serialize(Archive &ar, NUVEvent_AuxDInput &e, unsigned int version)
{
    serializeAuxInput(ar, e, version);
}

template<class Archive>
void serialize(Archive &ar, NUVEvent_AuxEInput &e, unsigned int version)
{
    serializeAuxInput(ar, e, version);
}

template<class Archive, class Line>
void serializeLine(Archive &ar, Line &e, unsigned int version)
{
    flightfile::requireKnownVersion<Line>(version);
    ar &base_object<NUVEvent>(e) & e.flagBit15 & e.flagBit14 & e.voltage;
}

template<class Archive>
void serialize(Archive &ar, NUVEvent_LineA &e, unsigned int version)
{
    serializeLine(ar, e, version);
}

template<class Archive>
void serialize(Archive &ar, NUVEvent_LineB &e, unsigned int version)
{
    serializeLine(ar, e, version);
}

template<class Archive>
void serialize(Archive &ar, NUVEvent_LineC &e, unsigned int version)
{
    serializeLine(ar, e, version);
}

template<class Archive>
void serialize(Archive &ar, NUVEvent_LineD &e, unsigned int version)
{
    serializeLine(ar, e, version);
}

template<class Archive, class Vector>
void serializeVector3(Archive &ar, Vector &e, unsigned int version)
{
    flightfile::requireKnownVersion<Vector>(version);
    ar &base_object<NUVEvent>(e) & e.x & e.y & e.z;
}

template<class Archive>
void serialize(Archive &ar, NUVEvent_GyroXYZ &e, unsigned int version)
{
    serializeVector3(ar, e, version);
}

template<class Archive>
void serialize(Archive &ar, NUVEvent_MagXYZ &e, unsigned int version)
{
    serializeVector3(ar, e, version);
}

template<class Archive>
void serialize(Archive &ar, NUVEvent_Orientation &e, unsigned int version)
{
    flightfile::requireKnownVersion<NUVEvent_Orientation>(version);
    ar &base_object<NUVEvent>(e) & e.x & e.y & e.z & e.w;
}

// Classes with older versions: saving writes the newest, loading converts.

template<class Archive>
void save(Archive &ar, const NUVEvent_AccelZ &e, unsigned int)
{
    ar << base_object<NUVEvent>(e) << e.acceleration;
}

template<class Archive>
void load(Archive &ar, NUVEvent_AccelZ &e, unsigned int version)
{
    using flightfile::read;
    flightfile::requireKnownVersion<NUVEvent_AccelZ>(version);
    ar >> base_object<NUVEvent>(e);
    if (version >= 3) {
        ar >> e.acceleration;
    } else if (version == 2) {
        // Files of this version held readings of a sensor range scaled by half above 8 g.
        const float a = read<Archive, float>(ar);
        e.acceleration = std::fabs(a) >= 8.0f ? (a - 0.505859375f) * 2.0237155f : a;
    } else if (version == 1) {
        e.acceleration = flightfile::fromFixed8(read<Archive, int16_t>(ar));
    } else {
        const float scaled = read<Archive, uint16_t>(ar) * 15.625f - 32000.0f;
        const auto raw = static_cast<int16_t>(static_cast<uint16_t>(static_cast<int32_t>(scaled)));
        e.acceleration = flightfile::fromFixed8(raw);
    }
}

template<class Archive>
void save(Archive &ar, const NUVEvent_AccelXY &e, unsigned int)
{
    ar << base_object<NUVEvent>(e) << e.x << e.y;
}

template<class Archive>
void load(Archive &ar, NUVEvent_AccelXY &e, unsigned int version)
{
    using flightfile::read;
    flightfile::requireKnownVersion<NUVEvent_AccelXY>(version);
    ar >> base_object<NUVEvent>(e);
    if (version >= 3) {
        ar >> e.x >> e.y;
    } else if (version == 2) {
        ar >> e.y >> e.x;
    } else {
        e.x = flightfile::fromFixed8(read<Archive, int16_t>(ar));
        e.y = flightfile::fromFixed8(read<Archive, int16_t>(ar));
        if (version == 0)
            read<Archive, uint16_t>(ar);
    }
}

template<class Archive>
void save(Archive &ar, const NUVEvent_Pressure &e, unsigned int)
{
    ar << base_object<NUVEvent>(e) << e.pressure;
}

// Events that hold one reading. Their first version held the sensor's raw sample, which
// fromRaw converts (with the reference voltage of the event's head, read before it).
template<class Raw, class Archive, class Event, class Convert>
void loadReading(Archive &ar, Event &e, float &reading, unsigned int version, Convert fromRaw)
{
    flightfile::requireKnownVersion<Event>(version);
    ar >> base_object<NUVEvent>(e);
    if (version >= 1)
        ar >> reading;
    else
        reading = fromRaw(flightfile::read<Archive, Raw>(ar));
}

template<class Archive>
void load(Archive &ar, NUVEvent_Pressure &e, unsigned int version)
{
    loadReading<uint16_t>(ar, e, e.pressure, version, [](uint16_t raw) { return raw * 6.7816844f + 10555.556f; });
}

template<class Archive, class Battery>
void loadBattery(Archive &ar, Battery &e, unsigned int version)
{
    loadReading<uint16_t>(ar, e, e.voltage, version, [&e](uint16_t raw) { return raw * e.vref * 0.00019089719f; });
}

template<class Archive>
void save(Archive &ar, const NUVEvent_ComputerBattery &e, unsigned int)
{
    ar << base_object<NUVEvent>(e) << e.voltage;
}

template<class Archive>
void load(Archive &ar, NUVEvent_ComputerBattery &e, unsigned int version)
{
    loadBattery(ar, e, version);
}

template<class Archive>
void save(Archive &ar, const NUVEvent_EjectionBattery &e, unsigned int)
{
    ar << base_object<NUVEvent>(e) << e.voltage;
}

template<class Archive>
void load(Archive &ar, NUVEvent_EjectionBattery &e, unsigned int version)
{
    loadBattery(ar, e, version);
}

template<class Archive>
void save(Archive &ar, const NUVEvent_Temperature &e, unsigned int)
{
    ar << base_object<NUVEvent>(e) << e.temperature;
}

template<class Archive>
void load(Archive &ar, NUVEvent_Temperature &e, unsigned int version)
{
    loadReading<uint16_t>(ar, e, e.temperature, version,
                          [&e](uint16_t raw) { return raw * e.vref * 0.006103515625f - 50.0f; });
}

template<class Archive>
void save(Archive &ar, const NUVEvent_RSSI &e, unsigned int)
{
    ar << base_object<NUVEvent>(e) << e.rssi;
}

template<class Archive>
void load(Archive &ar, NUVEvent_RSSI &e, unsigned int version)
{
    loadReading<uint32_t>(ar, e, e.rssi, version, [&e](uint32_t raw) {
        return (static_cast<float>(raw) * e.vref * 0.00006103515625f - 2.0f) * 66.66667f; // 2^-14
    });
}

template<class Archive>
void save(Archive &ar, const NUVEvent_GPSTime &e, unsigned int)
{
    ar << base_object<NUVEvent>(e) << e.timeOfWeek << e.week << e.timeValid << e.flagBit6 << e.seconds;
}

template<class Archive>
void load(Archive &ar, NUVEvent_GPSTime &e, unsigned int version)
{
    flightfile::requireKnownVersion<NUVEvent_GPSTime>(version);
    ar >> base_object<NUVEvent>(e) >> e.timeOfWeek >> e.week;
    if (version >= 2) {
        ar >> e.timeValid >> e.flagBit6 >> e.seconds;
    } else if (version == 1) {
        ar >> e.timeValid >> e.seconds;
        e.flagBit6 = e.timeValid;
    } else {
        const uint8_t b = flightfile::read<Archive, uint8_t>(ar);
        e.timeValid = b & 0x80;
        e.flagBit6 = b & 0x40;
        e.seconds = b & 0x3F;
    }
}

template<class Archive>
void save(Archive &ar, const NUVEvent_GPSLLSol &e, unsigned int)
{
    ar << base_object<NUVEvent>(e) << e.latitude << e.longitude << e.altitude << e.satellites << e.fixValid;
}

template<class Archive>
void load(Archive &ar, NUVEvent_GPSLLSol &e, unsigned int version)
{
    using flightfile::read;
    flightfile::requireKnownVersion<NUVEvent_GPSLLSol>(version);
    ar >> base_object<NUVEvent>(e);
    if (version == 0)
        read<Archive, uint32_t>(ar);
    if (version == 1) {
        e.latitude = read<Archive, float>(ar);
        e.longitude = read<Archive, float>(ar);
    } else {
        ar >> e.latitude >> e.longitude;
    }
    ar >> e.altitude;
    if (version >= 4) {
        ar >> e.satellites >> e.fixValid;
        return;
    }
    if (version <= 2)
        read<Archive, uint32_t>(ar);
    if (version == 0) {
        const uint32_t satellites = read<Archive, uint32_t>(ar);
        const uint32_t fixType = read<Archive, uint32_t>(ar);
        const uint8_t b = read<Archive, uint8_t>(ar);
        e.satellites = satellites & 0x1F;
        e.fixValid = (b & 0x01) && fixType == 3;
    } else {
        const uint8_t b = read<Archive, uint8_t>(ar);
        e.fixValid = b & 0x20;
        e.satellites = b & 0x1F;
    }
}

template<class Archive>
void save(Archive &ar, const NUVEvent_Status &e, unsigned int)
{
    ar << base_object<NUVEvent>(e) << e.state;
    flightfile::saveArray(ar, e.lineOn);
    flightfile::saveArray(ar, e.lineContinuity);
    flightfile::saveArray(ar, e.lineLowBits);
}

template<class Archive>
void load(Archive &ar, NUVEvent_Status &e, unsigned int version)
{
    flightfile::requireKnownVersion<NUVEvent_Status>(version);
    ar >> base_object<NUVEvent>(e);
    if (version >= 1) {
        ar >> e.state;
        flightfile::loadArray(ar, e.lineOn);
        flightfile::loadArray(ar, e.lineContinuity);
        flightfile::loadArray(ar, e.lineLowBits);
        return;
    }
    const uint8_t b = flightfile::read<Archive, uint8_t>(ar);
    e.state = (b & 0x40) ? FlightPhase::ApogeeOrDescent : (b & 0x80) ? FlightPhase::Boost : FlightPhase::Pad;
    e.lineOn = {bool(b & 0x04), bool(b & 0x02), bool(b & 0x01), false};
    e.lineContinuity = {bool(b & 0x20), bool(b & 0x10), bool(b & 0x08), false};
    e.lineLowBits = {};
}

// The settings block.

template<class Archive>
void save(Archive &ar, const NUVQORASettings &settings, unsigned int version)
{
    ConsoleSink::out() << "Settings version: " << version << '\n';
    ar << settings.valid;
    ar << make_binary_object(const_cast<uint8_t *>(settings.image.data()), settings.image.size());
    ConsoleSink::out() << "Firmware version: " << std::hex << settings.firmwareVersion() << std::dec << '\n';
}

template<class Archive>
void load(Archive &ar, NUVQORASettings &settings, unsigned int version)
{
    using flightfile::read;
    ConsoleSink::out() << "Settings version: " << version << '\n';
    flightfile::requireKnownVersion<NUVQORASettings>(version);
    ar >> settings.valid;
    if (version >= 2) {
        ar >> make_binary_object(settings.image.data(), settings.image.size());
    } else if (version == 1) {
        uint8_t earlier[82];
        ar >> make_binary_object(earlier, sizeof earlier);
        ConsoleSink::out() << "ALT: " << littleEndian16(earlier + 23) << '\n';
        flightfile::convertVersion1Settings(settings, earlier);
    } else {
        settings.setFirmwareVersion(read<Archive, uint16_t>(ar));
        // The rest of the oldest layout is read past; the image keeps its defaults.
        uint8_t bytes[8];
        ar >> make_binary_object(bytes, sizeof bytes);
        for (int i = 0; i < 9; ++i)
            read<Archive, uint16_t>(ar);
        read<Archive, uint8_t>(ar);
        std::array<char, 6> callsign;
        flightfile::loadArray(ar, callsign);
        read<Archive, uint8_t>(ar);
        for (int i = 0; i < 4; ++i)
            read<Archive, uint16_t>(ar);
        ar >> make_binary_object(bytes, 3);
        read<Archive, uint16_t>(ar);
    }
    ConsoleSink::out() << "Firmware version: " << std::hex << settings.firmwareVersion() << std::dec << '\n';
}

// The flight.

template<class Archive>
void save(Archive &ar, const EventList &events, unsigned int)
{
    flightfile::saveEvents(ar, events);
}

template<class Archive>
void load(Archive &ar, EventList &events, unsigned int version)
{
    flightfile::requireKnownVersion<EventList>(version);
    flightfile::loadEvents(ar, events, ar.flightBeingLoaded);
}

// Write errors are left to the caller, so that a failed save is reported as failed.
template<class Archive>
void save(Archive &ar, const NUVQORAFlight &flight, unsigned int version)
{
    ConsoleSink::out() << "class {NUVQORAFlight} version: " << version << '\n';
    flightfile::registerEventClasses(ar, flightfile::StoredEventClasses());
    const std::string name = flight.name();
    ar << flight.events << flight.storedWord << name << flight.settings << flight.accelInverted;
}

// Errors inside the flight leave it holding what was read before them: a damaged file still
// opens with its readable part.
template<class Archive>
void load(Archive &ar, NUVQORAFlight &flight, unsigned int version)
{
    using flightfile::read;
    ConsoleSink::out() << "class {NUVQORAFlight} version: " << version << '\n';
    flightfile::requireKnownVersion<NUVQORAFlight>(version);
    try {
        flightfile::registerEventClasses(ar, flightfile::StoredEventClasses());
        ar.flightBeingLoaded = &flight;
        ar >> flight.events >> flight.storedWord;
        flight.setName(read<Archive, std::string>(ar));
        if (version >= 1)
            ar >> flight.settings;
        if (version >= 3)
            ar >> flight.accelInverted;
        else if (version == 2)
            flight.accelInverted = read<Archive, uint8_t>(ar) == 1;
        else if (version == 1)
            flightfile::correctVersion1Times(flight);
    } catch (const std::exception &e) {
        ConsoleSink::out() << "Error: " << e.what() << '\n';
    }
}

} // namespace serialization
} // namespace boost

BOOST_SERIALIZATION_SPLIT_FREE(NUVEvent)
BOOST_SERIALIZATION_SPLIT_FREE(NUVEvent_AccelZ)
BOOST_SERIALIZATION_SPLIT_FREE(NUVEvent_AccelXY)
BOOST_SERIALIZATION_SPLIT_FREE(NUVEvent_Pressure)
BOOST_SERIALIZATION_SPLIT_FREE(NUVEvent_ComputerBattery)
BOOST_SERIALIZATION_SPLIT_FREE(NUVEvent_EjectionBattery)
BOOST_SERIALIZATION_SPLIT_FREE(NUVEvent_Temperature)
BOOST_SERIALIZATION_SPLIT_FREE(NUVEvent_RSSI)
BOOST_SERIALIZATION_SPLIT_FREE(NUVEvent_GPSTime)
BOOST_SERIALIZATION_SPLIT_FREE(NUVEvent_GPSLLSol)
BOOST_SERIALIZATION_SPLIT_FREE(NUVEvent_Status)
BOOST_SERIALIZATION_SPLIT_FREE(NUVQORASettings)
BOOST_SERIALIZATION_SPLIT_FREE(EventList)
BOOST_SERIALIZATION_SPLIT_FREE(NUVQORAFlight)
