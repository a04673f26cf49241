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

void registerEventMetaTypes()
{
    NUVEvent::registerMetaTypes();
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(registerEventMetaTypes)

void NUVEvent::registerMetaTypes()
{
    qRegisterMetaType<NUVEvent_Text>("NUVEvent_Text");
    qRegisterMetaType<NUVEvent_AccelZ>("NUVEvent_AccelZ");
    qRegisterMetaType<NUVEvent_Pressure>("NUVEvent_Pressure");
    qRegisterMetaType<NUVEvent_ComputerBattery>("NUVEvent_ComputerBattery");
    qRegisterMetaType<NUVEvent_EjectionBattery>("NUVEvent_EjectionBattery");
    qRegisterMetaType<NUVEvent_Temperature>("NUVEvent_Temperature");
    qRegisterMetaType<NUVEvent_LineA>("NUVEvent_LineA");
    qRegisterMetaType<NUVEvent_LineB>("NUVEvent_LineB");
    qRegisterMetaType<NUVEvent_LineC>("NUVEvent_LineC");
    qRegisterMetaType<NUVEvent_LineD>("NUVEvent_LineD");
    qRegisterMetaType<NUVEvent_AccelXY>("NUVEvent_AccelXY");
    qRegisterMetaType<NUVEvent_GyroXYZ>("NUVEvent_GyroXYZ");
    qRegisterMetaType<NUVEvent_MagXYZ>("NUVEvent_MagXYZ");
    qRegisterMetaType<NUVEvent_GPSLLSol>("NUVEvent_GPSLLSol");
    qRegisterMetaType<NUVEvent_RSSI>("NUVEvent_RSSI");
    qRegisterMetaType<NUVEvent_Status>("NUVEvent_Status");
    qRegisterMetaType<NUVEvent_Ident>("NUVEvent_Ident");
    qRegisterMetaType<NUVEvent_GPSTime>("NUVEvent_GPSTime");
    qRegisterMetaType<NUVEvent_Orientation>("NUVEvent_Orientation");
}

NUVEvent::NUVEvent() = default;

NUVEvent::~NUVEvent() = default;

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
    static constexpr int8_t lengths[] = {
        0,  // end of flight
        0,  // text: its own count byte says how long it is
        2, 3, 2, 2, 2,      // accel z, pressure, batteries, temperature
        2, 2, 2, 2,         // lines A..D
        4, 6, 6, 13, 2, 2,  // accel xy, gyro, magnetometer, GPS solution, RSSI, status
        6, 7,               // ident, GPS time
        0,  // flight marker
        4,  // record without an event class
        8,  // orientation
    };
    if (code < std::size(lengths))
        return lengths[code];
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
    switch (static_cast<NUVEventCode>(code)) {
    case NUVEventCode::Text: return NUVEvent_Text::fromBytes(payload, milliseconds);
    case NUVEventCode::AccelZ: return NUVEvent_AccelZ::fromBytes(payload, milliseconds);
    case NUVEventCode::Pressure: return NUVEvent_Pressure::fromBytes(payload, milliseconds);
    case NUVEventCode::ComputerBattery: return NUVEvent_ComputerBattery::fromBytes(payload, milliseconds);
    case NUVEventCode::EjectionBattery: return NUVEvent_EjectionBattery::fromBytes(payload, milliseconds);
    case NUVEventCode::Temperature: return NUVEvent_Temperature::fromBytes(payload, milliseconds);
    case NUVEventCode::LineA: return NUVEvent_LineA::fromBytes(payload, milliseconds);
    case NUVEventCode::LineB: return NUVEvent_LineB::fromBytes(payload, milliseconds);
    case NUVEventCode::LineC: return NUVEvent_LineC::fromBytes(payload, milliseconds);
    case NUVEventCode::LineD: return NUVEvent_LineD::fromBytes(payload, milliseconds);
    case NUVEventCode::AccelXY: return NUVEvent_AccelXY::fromBytes(payload, milliseconds);
    case NUVEventCode::GyroXYZ: return NUVEvent_GyroXYZ::fromBytes(payload, milliseconds);
    case NUVEventCode::MagXYZ: return NUVEvent_MagXYZ::fromBytes(payload, milliseconds);
    case NUVEventCode::GPSLLSol: return NUVEvent_GPSLLSol::fromBytes(payload, milliseconds);
    case NUVEventCode::RSSI: return NUVEvent_RSSI::fromBytes(payload, milliseconds);
    case NUVEventCode::Status: return NUVEvent_Status::fromBytes(payload, milliseconds);
    case NUVEventCode::Ident: return NUVEvent_Ident::fromBytes(payload, milliseconds);
    case NUVEventCode::GPSTime: return NUVEvent_GPSTime::fromBytes(payload, milliseconds);
    case NUVEventCode::Orientation: return NUVEvent_Orientation::fromBytes(payload, milliseconds);
    default: return nullptr;
    }
}
