#pragma once

#include "NUVEventCode.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// One reading of the flight computer. Each class reports its kind through code(), and code
// that treats kinds differently switches on it.
class NUVEvent
{
public:
    NUVEvent();
    NUVEvent(const NUVEvent &) = default;
    NUVEvent &operator=(const NUVEvent &) = default;
    virtual ~NUVEvent();

    // Every class overrides it. NUVEvent stays concrete, because the flight file format
    // depends on the library's treatment of a concrete head; a bare one (only a damaged
    // flight file makes one) names no kind: a code without a class.
    virtual NUVEventCode code() const;

    // This event as the given class, or null when it is of another kind.
    template<class Event>
    const Event *as() const
    {
        return code() == Event::ClassCode ? static_cast<const Event *>(this) : nullptr;
    }
    template<class Event>
    Event *as()
    {
        return code() == Event::ClassCode ? static_cast<Event *>(this) : nullptr;
    }

    float vref = 3.3f;  // reference voltage, kept for the conversions of old flight files
    float time = 0.0f;  // seconds

    // Payload length after the code byte, or -1 for an invalid code.
    static int recordLength(uint8_t code);

    // Builds the event of one device record (code byte, then payload). Null when the record
    // is empty, its code has no event class, or it is a text record too short to hold text.
    static std::unique_ptr<NUVEvent> fromBytes(const std::vector<uint8_t> &record);
    static std::unique_ptr<NUVEvent> fromBytes(const uint8_t *record, size_t size);
    // The same with the time stamp given, for callers that set the time themselves.
    static std::unique_ptr<NUVEvent> fromBytes(const uint8_t *record, size_t size, uint32_t milliseconds);

    // Milliseconds since the first record this process decoded; the first call starts the clock.
    static uint32_t millisecondsSinceFirstRecord();

    // Registers every event class that travels by value in queued signals, under its class
    // name; done at start-up, and again by whoever relies on it.
    static void registerMetaTypes();

    // Builders stamp their event with the milliseconds since the first decoded record.
    void setTimeFromMilliseconds(uint32_t milliseconds);
};
