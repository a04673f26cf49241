#include "QIODeviceStreamBuffer.h"

QIODeviceStreamBuffer::QIODeviceStreamBuffer(QIODevice &device)
    : m_device(device)
{
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}

bool QIODeviceStreamBuffer::writeBuffered()
{
    const qint64 count = pptr() - pbase();
    if (!m_refused && count > 0)
        m_refused = m_device.write(pbase(), count) != count;
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    return !m_refused;
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
