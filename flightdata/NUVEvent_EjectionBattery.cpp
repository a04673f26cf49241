#include "NUVEvent_EjectionBattery.h"

#include "EventDecoding.h"

std::unique_ptr<NUVEvent_EjectionBattery> NUVEvent_EjectionBattery::fromBytes(PayloadReader payload, uint32_t milliseconds)
{
    return decodeBatteryEvent<NUVEvent_EjectionBattery>(payload, milliseconds);
}
