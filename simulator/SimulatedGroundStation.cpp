#include "SimulatedGroundStation.h"

#include "HIDDevice.h"
#include "MonotonicClock.h"
#include "NUVTAVODevice.h"
#include "NUVTAVOProtocol.h"
#include "SimulatedHidBackend.h"
#include "TelemetryTransmitter.h"

#include <algorithm>

using namespace NUVTAVOProtocol;

namespace {

constexpr int32_t TrackingLimit = 0x7FFFF; // 20-bit two's complement

uint16_t registerOf(const uint8_t *data)
{
    return uint16_t(data[0] | data[1] << 8);
}

} // namespace

SimulatedGroundStation::SimulatedGroundStation(SimulatedHidBackend &backend)
    : m_backend(backend)
    , m_bootloaderVersion(NUVTAVODevice::Identity.bootloaderVersion)
    , m_firmwareVersion(NUVTAVODevice::Identity.firmwareVersion)
{
    m_registers[SignalStrengthRegister] = static_cast<uint8_t>(-72);
    const uint32_t word = frequencyWord(channelFrequency(0));
    for (int i = 0; i < 4; ++i)
        m_registers[FrequencyRegisters[i]] = uint8_t(word >> (24 - 8 * i));
    updateTracking();
}

SimulatedGroundStation::~SimulatedGroundStation()
{
    unplug();
}

void SimulatedGroundStation::plugBootloader()
{
    plugAs(Mode::Bootloader);
}

void SimulatedGroundStation::plugFirmware()
{
    plugAs(Mode::Firmware);
}

void SimulatedGroundStation::unplug()
{
    plugAs(Mode::Unplugged);
}

void SimulatedGroundStation::plugAs(Mode mode)
{
    SimulatedHidBackend::Lock lock(m_backend);
    if (!m_path.empty())
        m_backend.unplug(m_path);
    m_path.clear();
    m_outgoing.clear();
    m_lateReplies.clear();
    m_requestsUntilUnplug = -1;
    m_mode = mode;
    const DeviceIdentity &id = NUVTAVODevice::Identity;
    if (mode == Mode::Bootloader)
        m_path = m_backend.plug(*this, HIDDevice::VendorId, id.bootloaderProductId, m_bootloaderVersion);
    else if (mode == Mode::Firmware)
        m_path = m_backend.plug(*this, HIDDevice::VendorId, id.firmwareProductId, m_firmwareVersion);
}

SimulatedGroundStation::Mode SimulatedGroundStation::mode() const
{
    SimulatedHidBackend::Lock lock(m_backend);
    return m_mode;
}

std::string SimulatedGroundStation::path() const
{
    SimulatedHidBackend::Lock lock(m_backend);
    return m_path;
}

void SimulatedGroundStation::setBootloaderVersion(uint16_t version)
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_bootloaderVersion = version;
}

void SimulatedGroundStation::setFirmwareVersion(uint16_t version)
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_firmwareVersion = version;
}

void SimulatedGroundStation::setRefuseOpen(bool refuse)
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_refuseOpen = refuse;
}

uint8_t SimulatedGroundStation::registerValue(uint16_t reg) const
{
    SimulatedHidBackend::Lock lock(m_backend);
    return m_registers[reg];
}

void SimulatedGroundStation::setRegister(uint16_t reg, uint8_t value)
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_registers[reg] = value;
}

int32_t SimulatedGroundStation::frequency() const
{
    SimulatedHidBackend::Lock lock(m_backend);
    uint32_t word = 0;
    for (uint16_t reg : FrequencyRegisters)
        word = word << 8 | m_registers[reg];
    return frequencyOfWord(word);
}

int SimulatedGroundStation::channel() const
{
    SimulatedHidBackend::Lock lock(m_backend);
    return m_channel;
}

int32_t SimulatedGroundStation::channelFrequency(int channel)
{
    return NUVTAVODevice::InitialFrequency + channel * ChannelSpacingHz;
}

void SimulatedGroundStation::setTransmitterOffset(int32_t hertz)
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_trackingFixed = false;
    m_transmitterOffset = hertz;
    updateTracking();
}

void SimulatedGroundStation::setTrackingValue(int32_t value)
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_trackingFixed = true;
    const uint32_t raw = uint32_t(value) & 0xFFFFF;
    m_registers[TrackingRegisters[0]] = uint8_t(raw >> 16);
    m_registers[TrackingRegisters[1]] = uint8_t(raw >> 8);
    m_registers[TrackingRegisters[2]] = uint8_t(raw);
}

// The receiver's error against the transmitter, in the radio's frequency steps.
void SimulatedGroundStation::updateTracking()
{
    if (m_trackingFixed)
        return;
    uint32_t word = 0;
    for (uint16_t reg : FrequencyRegisters)
        word = word << 8 | m_registers[reg];
    const int64_t transmitterWord = frequencyWord(channelFrequency(m_channel) + m_transmitterOffset);
    const int64_t error = std::clamp<int64_t>(int64_t(word) - transmitterWord, -TrackingLimit, TrackingLimit);
    const uint32_t raw = uint32_t(error) & 0xFFFFF;
    m_registers[TrackingRegisters[0]] = uint8_t(raw >> 16);
    m_registers[TrackingRegisters[1]] = uint8_t(raw >> 8);
    m_registers[TrackingRegisters[2]] = uint8_t(raw);
}

void SimulatedGroundStation::pushFifo(const std::vector<uint8_t> &bytes)
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_fifo.insert(m_fifo.end(), bytes.begin(), bytes.end());
}

size_t SimulatedGroundStation::fifoSize() const
{
    SimulatedHidBackend::Lock lock(m_backend);
    return m_fifo.size();
}

void SimulatedGroundStation::setTransmitter(TelemetryTransmitter *transmitter)
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_transmitter = transmitter;
}

void SimulatedGroundStation::setFault(uint8_t requestCode, const Fault &fault)
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_faults[requestCode] = fault;
}

void SimulatedGroundStation::clearFaults()
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_faults.clear();
}

void SimulatedGroundStation::unplugAfterRequests(int count)
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_requestsUntilUnplug = count;
}

std::vector<SimulatedGroundStation::Request> SimulatedGroundStation::requests() const
{
    SimulatedHidBackend::Lock lock(m_backend);
    return m_requests;
}

void SimulatedGroundStation::clearRequests()
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_requests.clear();
}

bool SimulatedGroundStation::acceptsOpen() const
{
    return !m_refuseOpen;
}

bool SimulatedGroundStation::receive(const Report &report)
{
    SimulatedHidBackend::Lock lock(m_backend);
    const uint8_t code = report[1];
    if (m_mode == Mode::Bootloader) {
        // The bootloader knows one request: leave USB and come back as the firmware.
        if (code == StartFirmwareCode)
            plugFirmware();
        return true;
    }
    if (m_mode != Mode::Firmware)
        return true;
    m_outgoing.insert(m_outgoing.end(), m_lateReplies.begin(), m_lateReplies.end());
    m_lateReplies.clear();
    if (m_requestsUntilUnplug > 0 && --m_requestsUntilUnplug == 0) {
        unplug();
        return true;
    }
    handleFirmware(code, report.data() + 2);
    return true;
}

bool SimulatedGroundStation::nextReport(Report &report)
{
    SimulatedHidBackend::Lock lock(m_backend);
    if (m_outgoing.empty())
        return false;
    report = m_outgoing.front();
    m_outgoing.pop_front();
    return true;
}

void SimulatedGroundStation::dropQueuedInput()
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_outgoing.clear();
}

void SimulatedGroundStation::handleFirmware(uint8_t code, const uint8_t *data)
{
    switch (code) {
    case ReadRegisterCode: {
        const uint16_t reg = registerOf(data);
        const uint8_t value = readRegister(reg);
        m_requests.push_back({code, reg, value});
        reply(code, reg, value);
        break;
    }
    case WriteRegisterCode: {
        const uint16_t reg = registerOf(data);
        m_requests.push_back({code, reg, data[2]});
        writeRegister(reg, data[2]);
        reply(code, reg, 0);
        break;
    }
    case SetChannelCode: {
        m_requests.push_back({code, 0, data[0]});
        m_channel = data[0];
        const uint32_t word = frequencyWord(channelFrequency(m_channel));
        for (int i = 0; i < 4; ++i)
            m_registers[FrequencyRegisters[i]] = uint8_t(word >> (24 - 8 * i));
        updateTracking();
        reply(code, 0, 0);
        break;
    }
    case ExitFirmwareCode:
        m_requests.push_back({code, 0, 0});
        plugBootloader();
        break;
    case HIDDevice::FlushCode: {
        m_requests.push_back({code, 0, 0});
        Report answer{};
        answer[1] = HIDDevice::FlushAnswerCode;
        m_outgoing.push_back(answer);
        break;
    }
    default:
        m_requests.push_back({code, 0, 0});
        break; // unknown requests go unanswered
    }
}

uint8_t SimulatedGroundStation::readRegister(uint16_t reg)
{
    switch (reg) {
    case FifoDataRegister: {
        fillFifo();
        if (m_fifo.empty())
            return 0;
        const uint8_t byte = m_fifo.front();
        m_fifo.pop_front();
        return byte;
    }
    case FifoCountHighRegister:
        fillFifo();
        return uint8_t(std::min<size_t>(m_fifo.size(), 0xFFFF) >> 8);
    case FifoCountLowRegister:
        fillFifo();
        return uint8_t(std::min<size_t>(m_fifo.size(), 0xFFFF));
    default:
        return m_registers[reg];
    }
}

void SimulatedGroundStation::writeRegister(uint16_t reg, uint8_t value)
{
    if (reg == FifoCommandRegister) {
        if (value == FifoClearCommand)
            m_fifo.clear();
        return;
    }
    m_registers[reg] = value;
    if (std::find(std::begin(FrequencyRegisters), std::end(FrequencyRegisters), reg) != std::end(FrequencyRegisters))
        updateTracking();
}

void SimulatedGroundStation::fillFifo()
{
    if (m_transmitter)
        m_transmitter->transmit(MonotonicClock::milliseconds(), m_fifo, FifoCapacity);
}

void SimulatedGroundStation::reply(uint8_t requestCode, uint16_t reg, uint8_t value)
{
    Fault fault;
    const auto found = m_faults.find(requestCode);
    if (found != m_faults.end() && (found->second.reg < 0 || found->second.reg == reg))
        fault = found->second;
    if (fault.noReply)
        return;
    Report answer{};
    answer[1] = fault.replyCode >= 0 ? uint8_t(fault.replyCode) : OkCode;
    answer[2] = value;
    if (fault.lateReply)
        m_lateReplies.push_back(answer);
    else
        m_outgoing.push_back(answer);
}
