#include "SimulatedFlightComputer.h"

#include "EmulationStepReply.h"
#include "HIDDevice.h"
#include "LittleEndian.h"
#include "PressureAltitude.h"
#include "SimulatedHidBackend.h"

#include <algorithm>

using namespace NUVQORAProtocol;

namespace {

constexpr uint8_t StaleCode = EventReplyCode; // a live reply left over from an earlier exchange

// Readings of a flight computer resting on a bench, one record per code (big-endian payloads).
std::map<uint8_t, std::vector<uint8_t>> benchReadings()
{
    const char text[] = "QORA ready";
    std::vector<uint8_t> textRecord{1, static_cast<uint8_t>(sizeof text - 1)};
    textRecord.insert(textRecord.end(), text, text + sizeof text - 1);
    return {
        {1, textRecord},
        {2, {2, 0x01, 0x00}},                                      // 1 g
        {3, {3, 0x01, 0x8B, 0xCD}},                                // 101325 Pa
        {4, {4, 0xA1, 0xA8}},                                      // 8.4 V
        {5, {5, 0x9A, 0x00}},                                      // 8.0 V
        {6, {6, 0x08, 0x66}},                                      // 21.5 degrees
        {7, {7, 0x80, 0x10}}, {8, {8, 0x80, 0x10}}, {9, {9, 0x00, 0x00}}, {10, {10, 0x00, 0x00}},
        {11, {11, 0x00, 0x04, 0xFF, 0xFC}},
        {12, {12, 0x00, 0x0E, 0xFF, 0xF2, 0x00, 0x00}},
        {13, {13, 0x01, 0x2C, 0xFE, 0xD4, 0x00, 0x64}},
        {14, {14, 0x1D, 0xCD, 0x65, 0x00, 0xF8, 0x5A, 0x7F, 0x40, 0x00, 0x01, 0x86, 0xA0, 0x2A}},
        {15, {15, 0xFF, 0xB5}},
        {16, {16, 0x00, 0xC0}},                                    // pad, continuity on A and B
        {17, {17, 'Q', 'O', 'R', 'A', '2', '1'}},
        {18, {18, 0x0F, 0x42, 0x40, 0x00, 0x08, 0xE4, 0xD2}},
        {21, {21, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x7F, 0xFF}}, // upright
    };
}

} // namespace

SimulatedFlightComputer::SimulatedFlightComputer(SimulatedHidBackend &backend)
    : m_backend(backend)
    , m_settings(defaultSettingsImage())
    , m_liveRecords(benchReadings())
{
}

SimulatedFlightComputer::~SimulatedFlightComputer()
{
    unplug();
}

void SimulatedFlightComputer::plugBootloader()
{
    plugAs(Mode::Bootloader);
}

void SimulatedFlightComputer::plugFirmware()
{
    plugAs(Mode::Firmware);
}

void SimulatedFlightComputer::unplug()
{
    plugAs(Mode::Unplugged);
}

void SimulatedFlightComputer::plugAs(Mode mode)
{
    SimulatedHidBackend::Lock lock(m_backend);
    if (!m_path.empty())
        m_backend.unplug(m_path);
    m_path.clear();
    m_outgoing.clear();
    m_stream = {};
    m_receivingSettings = false;
    m_returnToBootloader = false;
    m_mode = mode;
    if (mode == Mode::Bootloader)
        m_path = m_backend.plug(*this, HIDDevice::VendorId, NUVQORADevice::Identity.bootloaderProductId,
                                m_bootloaderVersion);
    else if (mode == Mode::Firmware)
        m_path = m_backend.plug(*this, HIDDevice::VendorId, NUVQORADevice::Identity.firmwareProductId,
                                m_firmwareVersion);
}

SimulatedFlightComputer::Mode SimulatedFlightComputer::mode() const
{
    SimulatedHidBackend::Lock lock(m_backend);
    return m_mode;
}

std::string SimulatedFlightComputer::path() const
{
    SimulatedHidBackend::Lock lock(m_backend);
    return m_path;
}

void SimulatedFlightComputer::setBootloaderVersion(uint16_t version)
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_bootloaderVersion = version;
}

void SimulatedFlightComputer::setFirmwareVersion(uint16_t version)
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_firmwareVersion = version;
}

void SimulatedFlightComputer::setRefuseOpen(bool refuse)
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_refuseOpen = refuse;
}

SimulatedFlightComputer::SettingsImage SimulatedFlightComputer::settingsImage() const
{
    SimulatedHidBackend::Lock lock(m_backend);
    return m_settings;
}

void SimulatedFlightComputer::setSettingsImage(const SettingsImage &image)
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_settings = image;
}

SimulatedFlightComputer::SettingsImage SimulatedFlightComputer::defaultSettingsImage()
{
    return NUVQORASettings().image;
}

std::vector<uint8_t> SimulatedFlightComputer::memoryImage() const
{
    SimulatedHidBackend::Lock lock(m_backend);
    return m_memory;
}

void SimulatedFlightComputer::setMemoryImage(std::vector<uint8_t> image)
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_memory = std::move(image);
}

SimulatedFlightComputer::AlmanacList SimulatedFlightComputer::almanacList() const
{
    SimulatedHidBackend::Lock lock(m_backend);
    return m_almanacList;
}

void SimulatedFlightComputer::setAlmanacList(const AlmanacList &list)
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_almanacList = list;
}

void SimulatedFlightComputer::setAlmanac(const Almanac &almanac)
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_almanac = almanac;
}

int SimulatedFlightComputer::almanacStoreCount() const
{
    SimulatedHidBackend::Lock lock(m_backend);
    return m_almanacStores;
}

std::vector<uint8_t> SimulatedFlightComputer::liveRecord(uint8_t code) const
{
    SimulatedHidBackend::Lock lock(m_backend);
    if (m_liveSource)
        return m_liveSource(code);
    const auto found = m_liveRecords.find(code);
    return found != m_liveRecords.end() ? found->second : std::vector<uint8_t>{code};
}

void SimulatedFlightComputer::setLiveRecord(uint8_t code, std::vector<uint8_t> record)
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_liveRecords[code] = std::move(record);
}

void SimulatedFlightComputer::setLiveSource(std::function<std::vector<uint8_t>(uint8_t code)> source)
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_liveSource = std::move(source);
}

std::vector<int> SimulatedFlightComputer::firedLines() const
{
    SimulatedHidBackend::Lock lock(m_backend);
    return m_firedLines;
}

uint32_t SimulatedFlightComputer::emulationStartValue() const
{
    SimulatedHidBackend::Lock lock(m_backend);
    return m_emulationStart;
}

std::vector<EmulationStepRequest> SimulatedFlightComputer::emulationSteps() const
{
    SimulatedHidBackend::Lock lock(m_backend);
    return m_emulationSteps;
}

void SimulatedFlightComputer::setFault(uint8_t requestCode, const CommandFault &fault)
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_faults[requestCode] = fault;
}

void SimulatedFlightComputer::clearFaults()
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_faults.clear();
}

bool SimulatedFlightComputer::acceptsOpen() const
{
    return !m_refuseOpen;
}

bool SimulatedFlightComputer::receive(const Report &report)
{
    SimulatedHidBackend::Lock lock(m_backend);
    const uint8_t code = report[1];
    const auto fault = m_faults.find(code);
    if (fault != m_faults.end() && fault->second.rejectRequest)
        return false;
    if (m_mode == Mode::Bootloader)
        handleBootloader(code);
    else if (m_mode == Mode::Firmware)
        handleFirmware(code, report.data() + 2);
    return true;
}

bool SimulatedFlightComputer::nextReport(Report &report)
{
    SimulatedHidBackend::Lock lock(m_backend);
    if (!m_outgoing.empty()) {
        report = m_outgoing.front();
        m_outgoing.pop_front();
    } else if (!takeStreamChunk(report)) {
        return false;
    }
    ++m_reportsRead;
    if (m_reportsRead == m_activeFault.unplugAfterReports)
        unplug();
    else if (m_returnToBootloader && m_outgoing.empty())
        plugBootloader();
    return true;
}

void SimulatedFlightComputer::dropQueuedInput()
{
    SimulatedHidBackend::Lock lock(m_backend);
    m_outgoing.clear();
}

void SimulatedFlightComputer::handleBootloader(uint8_t code)
{
    // The bootloader knows one request: leave USB and come back as the firmware.
    if (code == StartFirmwareCode)
        plugFirmware();
}

void SimulatedFlightComputer::handleFirmware(uint8_t code, const uint8_t *data)
{
    if (code == ChunkCode) {
        if (m_receivingSettings)
            receiveSettingsChunk(data);
        return;
    }
    if (code == HIDDevice::FlushCode) {
        // The flush ends whatever the device was sending before it answers.
        m_outgoing.clear();
        m_stream = {};
        m_receivingSettings = false;
    }
    startReply(code);
    switch (code) {
    case ReadEventCode:
        queueReply(EventReplyCode, liveRecord(data[0]));
        break;
    case ReadSettingsCode:
        if (m_activeFault.replacesReply()) {
            queueReply(OkCode); // silence, or the fault's code in place of the chunks
        } else {
            queueChunk(m_settings.data(), ChunkPayload);
            queueChunk(m_settings.data() + ChunkPayload, static_cast<int>(m_settings.size()) - ChunkPayload);
        }
        break;
    case WriteSettingsCode:
        m_receivingSettings = true;
        m_incomingSettings.clear();
        break;
    case ExitFirmwareCode:
        queueReply(OkCode);
        m_returnToBootloader = !m_activeFault.replacesReply();
        break;
    case AlmanacListCode:
        queueReply(AlmanacListReplyCode, {m_almanacList.begin(), m_almanacList.end()});
        break;
    case AlmanacCode:
        queueReply(AlmanacReplyCode, {m_almanac.begin(), m_almanac.end()});
        break;
    case StoreAlmanacsCode:
        ++m_almanacStores;
        queueReply(OkCode);
        break;
    case UploadAlmanacsCode:
        queueReply(OkCode, {static_cast<uint8_t>(std::count_if(m_almanacList.begin(), m_almanacList.end(),
                                                               [](uint8_t sv) { return sv != 0 && sv != 255; }))});
        break;
    case FireLineCode:
        m_firedLines.push_back(data[0]);
        queueReply(OkCode);
        break;
    case ClearSVDataCode:
        m_almanacList.fill(0);
        queueReply(OkCode);
        break;
    case ResetSettingsCode:
        m_settings = defaultSettingsImage();
        queueReply(OkCode);
        break;
    case ClearMemoryCode:
        m_memory.clear();
        queueReply(OkCode);
        break;
    case DownloadCode:
        if (m_activeFault.replacesReply())
            queueReply(ChunkCode); // silence, or the fault's code in place of the chunks
        else
            m_stream = {littleEndian32(data), littleEndian32(data + 4)};
        break;
    case TotalSizeCode: {
        std::vector<uint8_t> size;
        appendLittleEndian32(size, static_cast<uint32_t>(m_memory.size()));
        queueReply(OkCode, size);
        break;
    }
    case InitEmulationCode:
        m_emulationStart = littleEndian32(data);
        m_emulationSteps.clear();
        m_groundAltitude = m_lastAltitude = pressureAltitudeOf(m_emulationStart);
        m_flightPhase = FlightPhase::Device::Pad;
        queueReply(OkCode);
        break;
    case EmulationStepCode:
        answerEmulationStep(data);
        break;
    case HIDDevice::FlushCode:
        queueReply(HIDDevice::FlushAnswerCode);
        break;
    default:
        break; // unknown requests go unanswered
    }
}

void SimulatedFlightComputer::startReply(uint8_t requestCode)
{
    const auto fault = m_faults.find(requestCode);
    m_activeFault = fault != m_faults.end() ? fault->second : CommandFault();
    m_chunkIndex = 0;
    m_reportsRead = 0;
    for (int i = 0; i < m_activeFault.staleReports; ++i)
        queue(StaleCode, {2, 0x01, 0x00});
    if (m_activeFault.unplugAfterReports == 0)
        unplug();
}

void SimulatedFlightComputer::queue(uint8_t code, const std::vector<uint8_t> &data)
{
    if (m_mode == Mode::Unplugged)
        return;
    Report report{};
    report[1] = code;
    std::copy_n(data.begin(), std::min<size_t>(data.size(), report.size() - 2), report.begin() + 2);
    m_outgoing.push_back(report);
}

void SimulatedFlightComputer::queueReply(uint8_t code, const std::vector<uint8_t> &data)
{
    if (m_activeFault.noReply)
        return;
    if (m_activeFault.replyCode >= 0)
        queue(static_cast<uint8_t>(m_activeFault.replyCode));
    else
        queue(code, data);
}

void SimulatedFlightComputer::queueChunk(const uint8_t *payload, int count)
{
    const uint8_t announced = m_chunkIndex == m_activeFault.chunkIndex ? m_activeFault.chunkCount : count;
    std::vector<uint8_t> data;
    appendLittleEndian16(data, static_cast<uint16_t>(m_chunkIndex));
    data.push_back(announced);
    data.insert(data.end(), payload, payload + count);
    queue(ChunkCode, data);
    ++m_chunkIndex;
}

bool SimulatedFlightComputer::takeStreamChunk(Report &report)
{
    if (m_stream.remaining == 0 || m_mode != Mode::Firmware)
        return false;
    const int count = static_cast<int>(std::min<uint32_t>(m_stream.remaining, ChunkPayload));
    uint8_t payload[ChunkPayload];
    for (int i = 0; i < count; ++i) {
        const uint64_t address = uint64_t(m_stream.address) + i;
        payload[i] = address < m_memory.size() ? m_memory[address] : 0xFF; // erased flash beyond the data
    }
    m_stream.address += count;
    m_stream.remaining -= count;
    queueChunk(payload, count);
    report = m_outgoing.back();
    m_outgoing.pop_back();
    return true;
}

void SimulatedFlightComputer::receiveSettingsChunk(const uint8_t *data)
{
    const int count = std::min<int>(data[2], ChunkPayload);
    const size_t room = m_settings.size() - m_incomingSettings.size();
    m_incomingSettings.insert(m_incomingSettings.end(), data + 3, data + 3 + std::min<size_t>(count, room));
    if (m_incomingSettings.size() < m_settings.size())
        return;
    m_receivingSettings = false;
    NUVQORASettings received;
    std::copy(m_incomingSettings.begin(), m_incomingSettings.end(), received.image.begin());
    if (received.calculatedChecksum() != received.storedChecksum()) {
        queueReply(RefusedCode);
        return;
    }
    m_settings = received.image;
    queueReply(OkCode);
}

void SimulatedFlightComputer::answerEmulationStep(const uint8_t *data)
{
    const EmulationStepRequest step = EmulationStepRequest::fromBytes(data);
    m_emulationSteps.push_back(step);

    // A plain flight model: enough for a host to see the phases go by.
    using Phase = FlightPhase::Device;
    constexpr float StepSeconds = 0.01f, Gravity = 9.81f;
    const float altitude = pressureAltitudeOf(step.pressure) - m_groundAltitude;
    const float velocity = (altitude - (m_lastAltitude - m_groundAltitude)) / StepSeconds;
    const float acceleration = step.acceleration[2] / 256.0f * Gravity - Gravity;
    m_lastAltitude = altitude + m_groundAltitude;
    if (m_flightPhase == Phase::Pad && altitude > 10 && velocity > 0)
        m_flightPhase = Phase::Boost;
    else if (m_flightPhase == Phase::Boost && acceleration < 0)
        m_flightPhase = Phase::Coast;
    else if (m_flightPhase == Phase::Coast && velocity < 0)
        m_flightPhase = Phase::Apogee;
    else if (m_flightPhase == Phase::Apogee)
        m_flightPhase = Phase::Descent;
    else if (m_flightPhase == Phase::Descent && altitude < 10)
        m_flightPhase = Phase::Ground;

    EmulationStepReply reply; // upright: w 1, x y z 0
    reply.flightState = static_cast<uint8_t>(m_flightPhase);
    reply.altitude = altitude;
    reply.velocity = velocity;
    reply.acceleration = acceleration;
    reply.lineOn[0] = m_flightPhase >= Phase::Apogee ? 1 : 0; // the apogee line
    queueReply(OkCode, reply.toBytes());
}
