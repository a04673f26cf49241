#include "NUVQORASettings.h"

#include <QCoreApplication>

#include <algorithm>
#include <stdexcept>

namespace {

// The factory image, bytes 0..94; the checksum follows.
constexpr uint8_t defaultImage[NUVQORASettings::ChecksumOffset] = {
    0x10, 0x02, 0x00, 0x00, 0x00, 0x05, 0x06, 0x00, 0x00, 0x14, 0x14, 0x14, 0x14, 0x64, 0x00, 0x96,
    0x00, 0xC8, 0x00, 0xC8, 0x00, 0xF4, 0x01, 0x96, 0x00, 0x64, 0x00, 0x64, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x3C, 0x51, 0x4F, 0x52, 0x41, 0x00, 0x00, 0x92, 0x0A, 0x01, 0x01,
    0x00, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x02, 0x05, 0x05, 0x05, 0x05, 0x05, 0x00, 0x00, 0x00, 0x00,
    0x01, 0x00, 0xF0, 0xD8, 0xF0, 0xD8, 0xF0, 0xD8, 0xF0, 0xD8, 0x02, 0x03, 0x04, 0x05, 0x00,
};

constexpr size_t CallsignOffset = 38;

void registerSettingsMetaType()
{
    qRegisterMetaType<NUVQORASettings>("NUVQORASettings");
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(registerSettingsMetaType)

NUVQORASettings::NUVQORASettings()
{
    reset();
}

void NUVQORASettings::reset()
{
    std::copy(std::begin(defaultImage), std::end(defaultImage), image.begin());
    updateChecksum();
}

uint16_t NUVQORASettings::checksumOf(const Image &image)
{
    uint16_t sum = 0;
    for (size_t i = 0; i < ChecksumOffset; ++i)
        sum = static_cast<uint16_t>(sum + image[i] + i);
    return sum;
}

QString NUVQORASettings::callsign() const
{
    const auto begin = image.begin() + CallsignOffset;
    const auto end = std::find(begin, begin + CallsignLength, 0);
    return QString::fromLatin1(reinterpret_cast<const char *>(&*begin), static_cast<int>(end - begin));
}

void NUVQORASettings::setCallsign(const QString &callsign)
{
    const QByteArray latin1 = callsign.left(CallsignLength).toLatin1();
    const auto begin = image.begin() + CallsignOffset;
    std::fill(begin, begin + CallsignLength, 0);
    std::copy(latin1.begin(), latin1.end(), begin);
}

size_t NUVQORASettings::indexIn(size_t offset, int index, int count, size_t width)
{
    if (index < 0 || index >= count)
        throw std::out_of_range("settings field index out of range");
    return offset + static_cast<size_t>(index) * width;
}
