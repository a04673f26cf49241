#pragma once

#include "CommandFault.h"
#include "EmulationStepRequest.h"
#include "FlightPhase.h"
#include "NUVQORADevice.h"
#include "NUVQORAProtocol.h"
#include "NUVQORASettings.h"
#include "SimulatedDevice.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

class SimulatedHidBackend;

// The flight computer as its host sees it over USB: a bootloader that starts the firmware on
// request, and the application firmware answering every command with the device's reply
// layouts. Holds the settings image, almanac state, flight memory, live readings and launch
// emulation state; fault switches per request code make it answer wrongly. All members lock
// the backend, so tests may drive it while the host runs in another thread.
class SimulatedFlightComputer : public SimulatedDevice
{
public:
    enum class Mode { Unplugged, Bootloader, Firmware };
    using SettingsImage = NUVQORASettings::Image;
    using AlmanacList = std::array<uint8_t, NUVQORAProtocol::AlmanacListSize>;
    using Almanac = std::array<uint8_t, NUVQORAProtocol::AlmanacSize>;

    explicit SimulatedFlightComputer(SimulatedHidBackend &backend);
    ~SimulatedFlightComputer() override;

    void plugBootloader();
    void plugFirmware();
    void unplug();
    Mode mode() const;
    std::string path() const; // empty while unplugged

    void setBootloaderVersion(uint16_t version);
    void setFirmwareVersion(uint16_t version);
    void setRefuseOpen(bool refuse);

    SettingsImage settingsImage() const;
    void setSettingsImage(const SettingsImage &image);
    static SettingsImage defaultSettingsImage();

    std::vector<uint8_t> memoryImage() const; // empty at first
    void setMemoryImage(std::vector<uint8_t> image);

    AlmanacList almanacList() const;
    void setAlmanacList(const AlmanacList &list);
    void setAlmanac(const Almanac &almanac);
    int almanacStoreCount() const;

    // The record (code byte first) a live read of this code answers with.
    std::vector<uint8_t> liveRecord(uint8_t code) const;
    void setLiveRecord(uint8_t code, std::vector<uint8_t> record);
    // Live reads answer from the source instead of the fixed records, called under the lock.
    void setLiveSource(std::function<std::vector<uint8_t>(uint8_t code)> source);

    std::vector<int> firedLines() const;
    uint32_t emulationStartValue() const;
    std::vector<EmulationStepRequest> emulationSteps() const;

    void setFault(uint8_t requestCode, const CommandFault &fault);
    void clearFaults();

    bool acceptsOpen() const override;
    bool receive(const Report &report) override;
    bool nextReport(Report &report) override;
    void dropQueuedInput() override;

private:
    struct Stream // flight memory sent chunk by chunk as the host reads
    {
        uint32_t address = 0;
        uint32_t remaining = 0;
    };

    void plugAs(Mode mode);
    void handleBootloader(uint8_t code);
    void handleFirmware(uint8_t code, const uint8_t *data);
    void startReply(uint8_t requestCode);
    void queue(uint8_t code, const std::vector<uint8_t> &data = {});
    void queueChunk(const uint8_t *payload, int count);
    void queueReply(uint8_t code, const std::vector<uint8_t> &data = {});
    void receiveSettingsChunk(const uint8_t *data);
    void answerEmulationStep(const uint8_t *data);
    bool takeStreamChunk(Report &report);

    SimulatedHidBackend &m_backend;
    Mode m_mode = Mode::Unplugged;
    std::string m_path;
    uint16_t m_bootloaderVersion = NUVQORADevice::Identity.bootloaderVersion;
    uint16_t m_firmwareVersion = NUVQORADevice::Identity.firmwareVersion;
    bool m_refuseOpen = false;
    bool m_returnToBootloader = false; // after the host has read the exit reply

    SettingsImage m_settings;
    bool m_receivingSettings = false;
    std::vector<uint8_t> m_incomingSettings;
    std::vector<uint8_t> m_memory;
    AlmanacList m_almanacList{};
    Almanac m_almanac{};
    int m_almanacStores = 0;
    std::map<uint8_t, std::vector<uint8_t>> m_liveRecords;
    std::function<std::vector<uint8_t>(uint8_t)> m_liveSource;
    std::vector<int> m_firedLines;
    uint32_t m_emulationStart = 0;
    std::vector<EmulationStepRequest> m_emulationSteps;
    float m_groundAltitude = 0, m_lastAltitude = 0;
    FlightPhase::Device m_flightPhase = FlightPhase::Device::Pad;

    std::map<uint8_t, CommandFault> m_faults;
    CommandFault m_activeFault; // of the request being answered
    int m_chunkIndex = 0;
    int m_reportsRead = 0;
    std::deque<Report> m_outgoing;
    Stream m_stream;
};
