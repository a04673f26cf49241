#pragma once

#include "LittleEndian.h"

#include <QMetaType>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

// The flight computer's settings block: a 97-byte little-endian image that ends in a checksum,
// and whether the image came from a device. Accessors take lines as 0..3 for A..D.
class NUVQORASettings
{
public:
    static constexpr size_t ImageSize = 97;
    static constexpr size_t ChecksumOffset = 95; // the checksum covers the bytes before it
    static constexpr size_t CallsignLength = 6;
    using Image = std::array<uint8_t, ImageSize>;

    enum Flag : uint8_t {
        TransmitterOn = 0x01,
        WriteToFlash = 0x02,
        IgnorePressureBeforeApogee = 0x04,
        IgnorePressureAfterApogee = 0x08,
        DataRateMask = 0x30, // 0 "500 bps", 1 "1 kbps", 2 "2 kbps", 3 "4 kbps"
        AutomaticShutdown = 0x40,
        LowVoltageCutOff = 0x80,
    };
    static constexpr int DataRateShift = 4;
    static constexpr int16_t NoAngleLimit = -10000;

    NUVQORASettings();

    Image image{};
    bool valid = false; // read from a device or flight memory, not built by the settings form

    // Writes the factory defaults and their checksum; leaves valid as it is.
    void reset();

    static uint16_t checksumOf(const Image &image);
    uint16_t calculatedChecksum() const { return checksumOf(image); }
    uint16_t storedChecksum() const { return u16At(ChecksumOffset); }
    void updateChecksum() { setU16At(ChecksumOffset, calculatedChecksum()); }

    uint16_t firmwareVersion() const { return u16At(0); }
    void setFirmwareVersion(uint16_t version) { setU16At(0, version); }
    int8_t pressureOffset() const { return static_cast<int8_t>(image[2]); }
    void setPressureOffset(int8_t pascals) { image[2] = static_cast<uint8_t>(pascals); }

    uint8_t lineMode(int line) const { return image[lineIndex(5, line)]; }
    void setLineMode(int line, uint8_t mode) { image[lineIndex(5, line)] = mode; }
    uint8_t lineOnTime(int line) const { return image[lineIndex(9, line)]; }
    void setLineOnTime(int line, uint8_t tenths) { image[lineIndex(9, line)] = tenths; }
    uint16_t lineTime(int line) const { return u16At(lineIndex(13, line, 2)); }
    void setLineTime(int line, uint16_t tenths) { setU16At(lineIndex(13, line, 2), tenths); }
    uint16_t lineAltitude(int line) const { return u16At(lineIndex(21, line, 2)); }
    void setLineAltitude(int line, uint16_t altitude) { setU16At(lineIndex(21, line, 2), altitude); }
    uint16_t lineDelay(int line) const { return u16At(lineIndex(29, line, 2)); }
    void setLineDelay(int line, uint16_t tenths) { setU16At(lineIndex(29, line, 2), tenths); }

    uint8_t minComputerVoltage() const { return image[37]; }
    void setMinComputerVoltage(uint8_t tenths) { image[37] = tenths; }

    // Latin-1, at most six characters, stored NUL-padded.
    QString callsign() const;
    void setCallsign(const QString &callsign);

    uint8_t flags() const { return image[44]; }
    void setFlags(uint8_t flags) { image[44] = flags; }

    // Per flight stage: pad, before apogee, after apogee, ground.
    uint8_t writeMultiple(int stage) const { return image[indexIn(45, stage, 4)]; }
    void setWriteMultiple(int stage, uint8_t multiple) { image[indexIn(45, stage, 4)] = multiple; }
    // Per event kind, in the order of the settings form's rate list.
    uint8_t writeRate(int kind) const { return image[indexIn(49, kind, 16)]; }
    void setWriteRate(int kind, uint8_t rate) { image[indexIn(49, kind, 16)] = rate; }
    uint8_t txPriority(int kind) const { return image[indexIn(65, kind, 16)]; }
    void setTxPriority(int kind, uint8_t priority) { image[indexIn(65, kind, 16)] = priority; }

    uint8_t rfChannel() const { return image[81]; }
    void setRfChannel(uint8_t channel) { image[81] = channel; }
    int16_t lineMaxAngle(int line) const { return static_cast<int16_t>(u16At(lineIndex(82, line, 2))); }
    void setLineMaxAngle(int line, int16_t angle) { setU16At(lineIndex(82, line, 2), static_cast<uint16_t>(angle)); }
    uint8_t lineStage(int line) const { return image[lineIndex(90, line)]; }
    void setLineStage(int line, uint8_t stage) { image[lineIndex(90, line)] = stage; }
    uint8_t gpsGate() const { return image[94]; }
    void setGpsGate(uint8_t gate) { image[94] = gate; }

    bool operator==(const NUVQORASettings &other) const { return image == other.image && valid == other.valid; }
    bool operator!=(const NUVQORASettings &other) const { return !(*this == other); }

private:
    static size_t indexIn(size_t offset, int index, int count, size_t width = 1);
    static size_t lineIndex(size_t offset, int line, size_t width = 1) { return indexIn(offset, line, 4, width); }
    uint16_t u16At(size_t offset) const { return littleEndian16(&image[offset]); }
    void setU16At(size_t offset, uint16_t value) { storeLittleEndian16(&image[offset], value); }
};

Q_DECLARE_METATYPE(NUVQORASettings)
