#include "EmulationStepRequest.h"

#include "LittleEndian.h"

std::vector<uint8_t> EmulationStepRequest::toBytes() const
{
    std::vector<uint8_t> bytes;
    appendLittleEndian32(bytes, pressure);
    appendLittleEndian32(bytes, gpsAltitude);
    bytes.push_back(gpsValid);
    for (int16_t value : acceleration)
        appendLittleEndian16(bytes, static_cast<uint16_t>(value));
    for (int16_t value : gyro)
        appendLittleEndian16(bytes, static_cast<uint16_t>(value));
    return bytes;
}

EmulationStepRequest EmulationStepRequest::fromBytes(const uint8_t *bytes)
{
    EmulationStepRequest step;
    step.pressure = littleEndian32(bytes);
    step.gpsAltitude = littleEndian32(bytes + 4);
    step.gpsValid = bytes[8];
    for (int axis = 0; axis < 3; ++axis) {
        step.acceleration[axis] = static_cast<int16_t>(littleEndian16(bytes + 9 + 2 * axis));
        step.gyro[axis] = static_cast<int16_t>(littleEndian16(bytes + 15 + 2 * axis));
    }
    return step;
}
