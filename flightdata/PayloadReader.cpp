#include "PayloadReader.h"

#include <algorithm>

PayloadReader::PayloadReader(const uint8_t *data, size_t size)
    : m_data(data)
    , m_size(data ? size : 0)
{
}

std::string PayloadReader::bytes(size_t count)
{
    const size_t taken = std::min(count, m_size);
    std::string text(reinterpret_cast<const char *>(m_data), taken);
    m_data += taken;
    m_size -= taken;
    return text;
}
