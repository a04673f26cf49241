#pragma once

#include <QIODevice>

#include <array>
#include <streambuf>

// An output stream buffer that writes into a QIODevice, so that stream writers can target
// a QSaveFile. A refused write shows as a short write to the stream; after it every write and
// sync fails, so that a later sync (archives sync on destruction) cannot hide the loss.
class QIODeviceStreamBuffer : public std::streambuf
{
public:
    explicit QIODeviceStreamBuffer(QIODevice &device);

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    bool writeBuffered();

    QIODevice &m_device;
    std::array<char, 65536> m_buffer;
    bool m_refused = false;
};
