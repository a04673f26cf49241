#include "NUVQORADevice.h"

#include "ConsoleSink.h"
#include "LittleEndian.h"
#include "NUVEvent.h"
#include "NUVQORAProtocol.h"

#include <algorithm>
#include <ostream>

using namespace NUVQORAProtocol;

namespace {

constexpr int VersionMask = 0xFFF0;
constexpr uint32_t SendTimeoutMs = 5000;
constexpr uint32_t ReplyTimeoutMs = 5000;
constexpr uint32_t LiveTimeoutMs = 10;
constexpr uint32_t StartFirmwareTimeoutMs = 3000;
// The almanac request's data byte.
constexpr uint8_t AlmanacRecordRequest = 3;

} // namespace

NUVQORADevice::NUVQORADevice()
{
    settings.valid = true;
}

NUVQORADevice::~NUVQORADevice()
{
    bootloader.close();
    close();
}

int NUVQORADevice::connectBootloader(uint16_t &version)
{
    return connectBootloader(bootloader, Identity, version);
}

int NUVQORADevice::startFirmware()
{
    return startFirmware(bootloader);
}

int NUVQORADevice::connectFirmware(uint16_t &version)
{
    return connectFirmware(*this, Identity, version);
}

QString NUVQORADevice::expectedVersionText() const
{
    return expectedVersionText(Identity.firmwareVersion);
}

int NUVQORADevice::connectBootloader(HIDDevice &bootloader, const DeviceIdentity &identity, uint16_t &version)
{
    bootloader.close();
    const auto expected = HIDDevice::enumerate(identity.bootloaderProductId, identity.bootloaderVersion, VersionMask);
    const auto any = HIDDevice::enumerate(identity.bootloaderProductId, 0, 0);
    if (expected.empty()) {
        if (any.empty())
            return NoBootloader;
        version = any.front().attributes().versionNumber;
        return OtherBootloaderVersion;
    }
    version = expected.front().attributes().versionNumber;
    bootloader = expected.front();
    return bootloader.open() ? BootloaderReady : BootloaderUnopenable;
}

int NUVQORADevice::startFirmware(HIDDevice &bootloader)
{
    if (!bootloader.open())
        return BootloaderLost;
    if (!bootloader.write(HIDPacket(StartFirmwareCode), StartFirmwareTimeoutMs)) {
        ConsoleSink::out() << "Failed to write." << std::endl;
        return StartNotSent;
    }
    bootloader.close();
    return BootloaderReady;
}

int NUVQORADevice::connectFirmware(HIDDevice &firmware, const DeviceIdentity &identity, uint16_t &version)
{
    const auto expected = HIDDevice::enumerate(identity.firmwareProductId, identity.firmwareVersion, VersionMask);
    const auto any = HIDDevice::enumerate(identity.firmwareProductId, 0, 0);
    if (expected.empty() && any.empty()) {
        ConsoleSink::out() << "No device found." << std::endl;
        return NoDevice;
    }
    if (expected.empty()) {
        version = any.front().attributes().versionNumber;
        ConsoleSink::out() << "Version: " << version << std::endl;
        ConsoleSink::out() << "Device found, but wrong version." << std::endl;
        // Kept closed, so that callers can tell the user which version is attached.
        firmware = any.front();
        return IncorrectVersion;
    }
    version = expected.front().attributes().versionNumber;
    firmware = expected.front();
    if (!firmware.open()) {
        ConsoleSink::out() << "Generic connection error." << std::endl;
        return GenericError;
    }
    return Ok;
}

QString NUVQORADevice::versionText(uint16_t version)
{
    return QStringLiteral("%1.%2").arg(version >> 8, 0, 16).arg(version & 0xFF, 2, 16, QLatin1Char('0'));
}

QString NUVQORADevice::expectedVersionText(uint16_t version)
{
    QString text = versionText(version);
    text[text.size() - 1] = QLatin1Char('x');
    return text;
}

QString NUVQORADevice::resultText(int code)
{
    switch (code) {
    case Ok: return QStringLiteral("Ok");
    case NoDevice: return QStringLiteral("No device");
    case IncorrectBootVersion: return QStringLiteral("Incorrect boot version");
    case IncorrectVersion: return QStringLiteral("Incorrect version");
    case ChecksumError: return QStringLiteral("Checksum error");
    case ProtocolError: return QStringLiteral("Protocol error");
    case GenericError: return QStringLiteral("Generic error");
    default: return QStringLiteral("Unknown error");
    }
}

int NUVQORADevice::exchange(const HIDPacket &request, uint32_t readTimeoutMs, Timeout timeout, HIDPacket &reply,
                            uint8_t expected)
{
    if (!isOpen())
        return NoDevice;
    if (!write(request, SendTimeoutMs))
        return GenericError;
    if (!read(reply, readTimeoutMs))
        return timeout == Timeout::GivesGenericError ? GenericError : ProtocolError;
    return reply.code == expected ? Ok : ProtocolError;
}

int NUVQORADevice::command(uint8_t code, uint32_t readTimeoutMs, Timeout timeout, std::vector<uint8_t> data)
{
    HIDPacket reply;
    return exchange(HIDPacket(code, std::move(data)), readTimeoutMs, timeout, reply);
}

std::unique_ptr<NUVEvent> NUVQORADevice::readEvent(uint8_t code)
{
    if (!isOpen())
        return nullptr;
    if (!write(HIDPacket(ReadEventCode, {code}), LiveTimeoutMs)) {
        ConsoleSink::out() << "FAILED TO WRITE. code: " << std::hex << int(code) << std::dec << std::endl;
        close();
        return nullptr;
    }
    HIDPacket reply;
    if (!read(reply, LiveTimeoutMs)) {
        ConsoleSink::out() << "failed to read event" << std::flush;
        close();
        return nullptr;
    }
    if (reply.code != EventReplyCode) {
        ConsoleSink::out() << "not an event. code: " << int(reply.code) << std::endl;
        flush();
        return nullptr;
    }
    // The report is padded to its full size; a record is only as long as its code says
    // (text records carry their own count).
    std::vector<uint8_t> record = reply.data;
    const int payload = NUVEvent::recordLength(record.front());
    if (payload > 0)
        record.resize(std::min<size_t>(record.size(), 1 + payload));
    return NUVEvent::fromBytes(record);
}

int NUVQORADevice::readSettings()
{
    if (!isOpen())
        return NoDevice;
    // The transfer's trace lines ("enter settings", "done txing", ...) are printed by design.
    ConsoleSink::out() << "enter settings" << std::endl;
    if (!write(HIDPacket(ReadSettingsCode), SendTimeoutMs)) {
        ConsoleSink::out() << "FAILED TO READ. (read settings 1): " << std::endl;
        ConsoleSink::out() << "exit settings" << std::endl;
        return GenericError;
    }
    ConsoleSink::out() << "done txing" << std::endl;
    // Filled aside, so that a failed read leaves the block as it was.
    NUVQORASettings::Image image = settings.image;
    int remaining = NUVQORASettings::ImageSize;
    HIDPacket reply;
    while (remaining > 0) {
        if (!read(reply, ReplyTimeoutMs))
            reply.code = ReadSettingsCode;
        if (reply.code == RefusedCode) {
            ConsoleSink::out() << "error - checksum or firmware clash" << std::endl;
            ConsoleSink::out() << "exit settings" << std::endl;
            flush();
            return GenericError;
        }
        if (reply.code != ChunkCode) {
            ConsoleSink::out() << "Wrong code: " << int(reply.code) << std::endl;
            flush();
            return ProtocolError;
        }
        const int count = reply.data[2];
        if (count > ChunkPayload) {
            ConsoleSink::out() << "Incorrect byte count2" << std::endl;
            return ProtocolError;
        }
        if (count < ChunkPayload && count != remaining) {
            ConsoleSink::out() << "Incorrect byte count1" << std::endl;
            return ProtocolError;
        }
        const int stored = std::min(count, remaining);
        std::copy_n(reply.data.begin() + 3, stored, image.end() - remaining);
        remaining -= count;
    }
    ConsoleSink::out() << "exit settings" << std::endl;
    settings.image = image;
    settings.valid = true;
    return Ok;
}

int NUVQORADevice::writeSettings()
{
    if (!isOpen())
        return NoDevice;
    settings.updateChecksum();
    if (!write(HIDPacket(WriteSettingsCode), SendTimeoutMs))
        return GenericError;
    uint16_t chunk = 0;
    for (size_t sent = 0; sent < settings.image.size(); ++chunk) {
        const int count = static_cast<int>(std::min<size_t>(settings.image.size() - sent, ChunkPayload));
        // "bytes: " and "wrote packet: " are trace lines printed by design.
        ConsoleSink::out() << "bytes: " << count << std::endl;
        std::vector<uint8_t> data;
        appendLittleEndian16(data, chunk);
        data.push_back(static_cast<uint8_t>(count));
        data.insert(data.end(), settings.image.begin() + sent, settings.image.begin() + sent + count);
        if (!write(HIDPacket(ChunkCode, std::move(data)), SendTimeoutMs))
            return GenericError;
        ConsoleSink::out() << "wrote packet: " << chunk << std::endl;
        sent += count;
    }
    HIDPacket reply;
    if (!read(reply, ReplyTimeoutMs))
        reply.code = WriteSettingsCode;
    if (reply.code == OkCode) {
        ConsoleSink::out() << "successful write" << std::endl;
        return Ok;
    }
    ConsoleSink::out() << "error" << std::endl;
    if (reply.code == RefusedCode) {
        ConsoleSink::out() << "error - checksum or firmware clash" << std::endl;
        return GenericError;
    }
    return ProtocolError;
}

int NUVQORADevice::exitFirmware()
{
    const int result = command(ExitFirmwareCode, ReplyTimeoutMs, Timeout::GivesGenericError);
    if (result == Ok)
        close();
    return result;
}

int NUVQORADevice::readAlmanacList(uint8_t list[32])
{
    HIDPacket reply;
    const int result = exchange(HIDPacket(AlmanacListCode), ReplyTimeoutMs, Timeout::GivesProtocolError, reply,
                                AlmanacListReplyCode);
    if (result != Ok)
        return result;
    reply.copyBytes(list, AlmanacListSize, 0);
    for (int i = 0; i < AlmanacListSize; ++i)
        ConsoleSink::out() << '[' << int(list[i]) << ']';
    ConsoleSink::out() << std::endl;
    return Ok;
}

int NUVQORADevice::readAlmanac(uint8_t almanac[44])
{
    HIDPacket reply;
    const int result = exchange(HIDPacket(AlmanacCode, {AlmanacRecordRequest}), ReplyTimeoutMs,
                                Timeout::GivesProtocolError, reply, AlmanacReplyCode);
    if (result == Ok)
        reply.copyBytes(almanac, AlmanacSize, 0);
    return result;
}

int NUVQORADevice::storeAlmanacs()
{
    return command(StoreAlmanacsCode, 60000, Timeout::GivesGenericError);
}

int NUVQORADevice::uploadAlmanacs(uint8_t &count)
{
    HIDPacket reply;
    const int result = exchange(HIDPacket(UploadAlmanacsCode), 10000, Timeout::GivesProtocolError, reply);
    if (result == Ok)
        reply.copyBytes(&count, 1, 0);
    return result;
}

int NUVQORADevice::fireLine(uint8_t line)
{
    return command(FireLineCode, 30000, Timeout::GivesGenericError, {line});
}

int NUVQORADevice::clearSVData()
{
    return command(ClearSVDataCode, ReplyTimeoutMs, Timeout::GivesGenericError);
}

int NUVQORADevice::resetSettings()
{
    return command(ResetSettingsCode, ReplyTimeoutMs, Timeout::GivesProtocolError);
}

int NUVQORADevice::clearFlightMemory()
{
    return command(ClearMemoryCode, 60000, Timeout::GivesGenericError);
}

int NUVQORADevice::downloadData(std::vector<uint8_t> &buffer, uint32_t length, const Progress &progress)
{
    if (!isOpen())
        return NoDevice;
    std::vector<uint8_t> request;
    appendLittleEndian32(request, 0);
    appendLittleEndian32(request, length);
    if (!write(HIDPacket(DownloadCode, std::move(request)), SendTimeoutMs))
        return GenericError;
    HIDPacket reply;
    while (buffer.size() < length) {
        if (!read(reply, ReplyTimeoutMs))
            return ProtocolError;
        if (reply.code != ChunkCode) {
            ConsoleSink::out() << "Wrong code: " << int(reply.code) << std::endl;
            return ProtocolError;
        }
        const int count = std::min<int>(reply.data[2], ChunkPayload);
        buffer.insert(buffer.end(), reply.data.begin() + 3, reply.data.begin() + 3 + count);
        if (progress && progress(static_cast<int>(length), static_cast<int>(buffer.size()))) {
            flush();
            return Ok;
        }
    }
    return Ok;
}

int NUVQORADevice::totalDataSize(uint32_t &size)
{
    HIDPacket reply;
    const int result = exchange(HIDPacket(TotalSizeCode), 3000000, Timeout::GivesProtocolError, reply);
    if (result == Ok) {
        uint8_t bytes[4] = {};
        reply.copyBytes(bytes, sizeof bytes, 0);
        size = littleEndian32(bytes);
    }
    return result;
}

int NUVQORADevice::initEmulation(uint32_t value)
{
    std::vector<uint8_t> data;
    appendLittleEndian32(data, value);
    return command(InitEmulationCode, ReplyTimeoutMs, Timeout::GivesGenericError, std::move(data));
}

int NUVQORADevice::emulationStep(const EmulationStepRequest &step, EmulationStepReply *reply)
{
    HIDPacket answer;
    const int result =
        exchange(HIDPacket(EmulationStepCode, step.toBytes()), ReplyTimeoutMs, Timeout::GivesGenericError, answer);
    if (result != Ok || !reply)
        return result;
    uint8_t bytes[EmulationReplySize] = {};
    answer.copyBytes(bytes, EmulationReplySize, 0);
    *reply = EmulationStepReply::fromBytes(bytes);
    return Ok;
}
