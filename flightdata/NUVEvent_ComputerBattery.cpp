#include "NUVEvent_ComputerBattery.h"

#include "EventDecoding.h"

std::unique_ptr<NUVEvent_ComputerBattery> NUVEvent_ComputerBattery::fromBytes(PayloadReader payload, uint32_t milliseconds)
{
    return decodeBatteryEvent<NUVEvent_ComputerBattery>(payload, milliseconds);
}
