#include "QIODeviceStreamBuffer.h"

QIODeviceStreamBuffer::QIODeviceStreamBuffer(QIODevice &device)
    : device(device)
{
    setp(buffer.data(), buffer.data() + buffer.size());
}

bool QIODeviceStreamBuffer::writeBuffered()
{
    const qint64 count = pptr() - pbase();
    if (!refused && count > 0)
        refused = device.write(pbase(), count) != count;
    setp(buffer.data(), buffer.data() + buffer.size());
    return !refused;
}

QIODeviceStreamBuffer::int_type QIODeviceStreamBuffer::overflow(int_type c)
{
    if (!writeBuffered())
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int QIODeviceStreamBuffer::sync()
{
    return writeBuffered() ? 0 : -1;
}
