#include "HIDPacket.h"

#include <algorithm>
#include <utility>

HIDPacket::HIDPacket(uint8_t code, std::vector<uint8_t> data)
    : code(code)
    , data(std::move(data))
{
}

void HIDPacket::copyBytes(uint8_t *destination, uint8_t length, uint8_t offset) const
{
    if (offset >= data.size())
        return;
    const size_t count = std::min<size_t>(length, data.size() - offset);
    std::copy_n(data.begin() + offset, count, destination);
}
