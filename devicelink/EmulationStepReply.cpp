#include "EmulationStepReply.h"

#include "LittleEndian.h"

#include <algorithm>

std::vector<uint8_t> EmulationStepReply::toBytes() const
{
    std::vector<uint8_t> bytes{flightState};
    appendLittleEndianFloat(bytes, altitude);
    appendLittleEndianFloat(bytes, velocity);
    appendLittleEndianFloat(bytes, acceleration);
    bytes.insert(bytes.end(), lineOn.begin(), lineOn.end());
    for (float component : {w, x, y, z})
        appendLittleEndianFloat(bytes, component);
    return bytes;
}

EmulationStepReply EmulationStepReply::fromBytes(const uint8_t *bytes)
{
    EmulationStepReply reply;
    reply.flightState = bytes[0];
    reply.altitude = littleEndianFloat(bytes + 1);
    reply.velocity = littleEndianFloat(bytes + 5);
    reply.acceleration = littleEndianFloat(bytes + 9);
    std::copy_n(bytes + 13, 4, reply.lineOn.begin());
    reply.w = littleEndianFloat(bytes + 17);
    reply.x = littleEndianFloat(bytes + 21);
    reply.y = littleEndianFloat(bytes + 25);
    reply.z = littleEndianFloat(bytes + 29);
    return reply;
}
