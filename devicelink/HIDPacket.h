#pragma once

#include <cstdint>
#include <vector>

// The content of one 65-byte report: a command or reply code and its data bytes.
// Input packets always carry 63 data bytes; output packets at most 63.
class HIDPacket
{
public:
    static constexpr int DataSize = 63;

    HIDPacket() = default;
    explicit HIDPacket(uint8_t code, std::vector<uint8_t> data = {});

    // Copies `length` data bytes from `offset` on into `destination`, stopping at the end of the data.
    void copyBytes(uint8_t *destination, uint8_t length, uint8_t offset) const;

    uint8_t code = 0;
    std::vector<uint8_t> data;
};
