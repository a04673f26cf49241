#include "NUVEvent.h"

#include "NUVEventCode.h"
#include "NUVEvent_AccelXY.h"
#include "NUVEvent_AccelZ.h"
#include "NUVEvent_ComputerBattery.h"
#include "NUVEvent_DeltaTime.h"
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
#include "PayloadReader.h"
#include "TickClock.h"

#include <QCoreApplication>

#include <atomic>
#include <iterator>

namespace {

// Tick count of the first record this process decoded; 0 until then.
std::atomic<uint32_t> firstTick{0};

// One device record code: its payload length and, where it has one, its event class.
struct RecordKind
{
    NUVEventCode code;
    int8_t payloadLength;
    std::unique_ptr<NUVEvent> (*decode)(PayloadReader payload, uint32_t milliseconds);
    void (*registerMetaType)();
};

template<class Event>
constexpr RecordKind eventRecord(int8_t payloadLength)
{
    return {Event::ClassCode, payloadLength,
            [](PayloadReader payload, uint32_t milliseconds) -> std::unique_ptr<NUVEvent> {
                return Event::fromBytes(payload, milliseconds);
            },
            [] { qRegisterMetaType<Event>(); }};
}

constexpr RecordKind classlessRecord(NUVEventCode code, int8_t payloadLength)
{
    return {code, payloadLength, nullptr, nullptr};
}

// Every code below 128 that a device sends; the delta-time codes from 128 up have no payload.
constexpr RecordKind recordKinds[] = {
    classlessRecord(NUVEventCode::EndOfFlight, 0),
    eventRecord<NUVEvent_Text>(0), // its own count byte says how long it is
    eventRecord<NUVEvent_AccelZ>(2),
    eventRecord<NUVEvent_Pressure>(3),
    eventRecord<NUVEvent_ComputerBattery>(2),
    eventRecord<NUVEvent_EjectionBattery>(2),
    eventRecord<NUVEvent_Temperature>(2),
    eventRecord<NUVEvent_LineA>(2),
    eventRecord<NUVEvent_LineB>(2),
    eventRecord<NUVEvent_LineC>(2),
    eventRecord<NUVEvent_LineD>(2),
    eventRecord<NUVEvent_AccelXY>(4),
    eventRecord<NUVEvent_GyroXYZ>(6),
    eventRecord<NUVEvent_MagXYZ>(6),
    eventRecord<NUVEvent_GPSLLSol>(13),
    eventRecord<NUVEvent_RSSI>(2),
    eventRecord<NUVEvent_Status>(2),
    eventRecord<NUVEvent_Ident>(6),
    eventRecord<NUVEvent_GPSTime>(7),
    classlessRecord(NUVEventCode::FlightMarker, 0),
    classlessRecord(NUVEventCode::Unclassified, 4),
    eventRecord<NUVEvent_Orientation>(8),
};

// Each row sits at its code, so a record's kind is found without a search.
constexpr bool rowsInCodeOrder()
{
    for (std::size_t i = 0; i < std::size(recordKinds); ++i)
        if (toByte(recordKinds[i].code) != i)
            return false;
    return true;
}
static_assert(rowsInCodeOrder(), "every row of recordKinds sits at its code");

const RecordKind *recordKindOf(uint8_t code)
{
    return code < std::size(recordKinds) ? &recordKinds[code] : nullptr;
}

void registerEventMetaTypes()
{
    NUVEvent::registerMetaTypes();
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(registerEventMetaTypes)

void NUVEvent::registerMetaTypes()
{
    for (const RecordKind &kind : recordKinds)
        if (kind.registerMetaType)
            kind.registerMetaType();
}

NUVEvent::NUVEvent() = default;

NUVEvent::~NUVEvent() = default;

NUVEventCode NUVEvent::code() const
{
    return NUVEventCode::EndOfFlight;
}

uint32_t NUVEvent::millisecondsSinceFirstRecord()
{
    const uint32_t now = TickClock::milliseconds();
    uint32_t first = firstTick.load(std::memory_order_relaxed);
    if (first == 0 && firstTick.compare_exchange_strong(first, now, std::memory_order_relaxed))
        first = now;
    return now - first;
}

void NUVEvent::setTimeFromMilliseconds(uint32_t milliseconds)
{
    time = static_cast<float>(milliseconds) * 0.001f;
}

int NUVEvent::recordLength(uint8_t code)
{
    if (const RecordKind *kind = recordKindOf(code))
        return kind->payloadLength;
    if (code == toByte(NUVEventCode::DeltaTime) || code == toByte(NUVEventCode::EndOfMemory))
        return 0;
    return -1;
}

std::unique_ptr<NUVEvent> NUVEvent::fromBytes(const std::vector<uint8_t> &record)
{
    return fromBytes(record.data(), record.size());
}

std::unique_ptr<NUVEvent> NUVEvent::fromBytes(const uint8_t *record, size_t size)
{
    if (!record || size == 0)
        return nullptr;
    return fromBytes(record, size, millisecondsSinceFirstRecord());
}

std::unique_ptr<NUVEvent> NUVEvent::fromBytes(const uint8_t *record, size_t size, uint32_t milliseconds)
{
    if (!record || size == 0)
        return nullptr;
    const uint8_t code = record[0];
    const PayloadReader payload(record + 1, size - 1);

    if (code & 0x80) {
        auto delta = std::make_unique<NUVEvent_DeltaTime>();
        delta->milliseconds = static_cast<float>(code & 0x7F);
        return delta;
    }
    const RecordKind *kind = recordKindOf(code);
    return kind && kind->decode ? kind->decode(payload, milliseconds) : nullptr;
}
