#pragma once

#include "SimulatedDevice.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

class SimulatedHidBackend;
class TelemetryTransmitter;

// The ground station as its host sees it over USB: a bootloader that starts the firmware on
// request, and the application firmware with the radio's registers, channel tuning, the
// frequency-error tracking of a transmitter, and the receive FIFO, which a telemetry
// transmitter fills as time passes. Fault switches make it silent, answer wrongly or late, or
// vanish in the middle of a poll; every request is logged. All members lock the backend, so
// tests may drive it while the host runs in another thread.
class SimulatedGroundStation : public SimulatedDevice
{
public:
    enum class Mode { Unplugged, Bootloader, Firmware };

    struct Request
    {
        uint8_t code;
        uint16_t reg;  // register requests only
        uint8_t value; // writes: the value written; reads: the value answered; channel: the channel
    };

    // How the station misbehaves in answer to one request code (for register requests,
    // optionally one register only).
    struct Fault
    {
        int reg = -1;          // -1: every register
        bool noReply = false;  // the device stays silent
        bool lateReply = false; // the reply comes only after the host's next request
        int replyCode = -1;    // this code instead of the success code
    };

    static constexpr size_t FifoCapacity = 4096;
    static constexpr int32_t ChannelSpacingHz = 25000;

    explicit SimulatedGroundStation(SimulatedHidBackend &backend);
    ~SimulatedGroundStation() override;

    void plugBootloader();
    void plugFirmware();
    void unplug();
    Mode mode() const;
    std::string path() const; // empty while unplugged

    void setBootloaderVersion(uint16_t version);
    void setFirmwareVersion(uint16_t version);
    void setRefuseOpen(bool refuse);

    uint8_t registerValue(uint16_t reg) const;
    void setRegister(uint16_t reg, uint8_t value);
    int32_t frequency() const; // of the frequency word in its registers
    int channel() const;
    static int32_t channelFrequency(int channel);

    // The tracking registers report how far the receiver is tuned from a transmitter this far
    // from the channel's frequency ...
    void setTransmitterOffset(int32_t hertz);
    // ... or hold this value, whatever the tuning.
    void setTrackingValue(int32_t value);

    void pushFifo(const std::vector<uint8_t> &bytes);
    size_t fifoSize() const;
    // Fills the FIFO as time passes; not owned.
    void setTransmitter(TelemetryTransmitter *transmitter);

    void setFault(uint8_t requestCode, const Fault &fault);
    void clearFaults();
    // The station vanishes after answering this many more requests.
    void unplugAfterRequests(int count);

    std::vector<Request> requests() const;
    void clearRequests();

    bool acceptsOpen() const override;
    bool receive(const Report &report) override;
    bool nextReport(Report &report) override;
    void dropQueuedInput() override;

private:
    void plugAs(Mode mode);
    void handleFirmware(uint8_t code, const uint8_t *data);
    uint8_t readRegister(uint16_t reg);
    void writeRegister(uint16_t reg, uint8_t value);
    void updateTracking();
    void fillFifo();
    void reply(uint8_t code, uint16_t reg, uint8_t value);

    SimulatedHidBackend &m_backend;
    Mode m_mode = Mode::Unplugged;
    std::string m_path;
    uint16_t m_bootloaderVersion;
    uint16_t m_firmwareVersion;
    bool m_refuseOpen = false;

    std::array<uint8_t, 65536> m_registers{};
    int m_channel = 0;
    bool m_trackingFixed = false;
    int32_t m_transmitterOffset = 0;
    std::deque<uint8_t> m_fifo;
    TelemetryTransmitter *m_transmitter = nullptr;

    std::map<uint8_t, Fault> m_faults;
    std::deque<Report> m_outgoing;
    std::vector<Report> m_lateReplies; // sent ahead of the next reply
    int m_requestsUntilUnplug = -1;
    std::vector<Request> m_requests;
};
