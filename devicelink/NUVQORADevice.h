#pragma once

#include "DeviceIdentity.h"
#include "EmulationStepReply.h"
#include "EmulationStepRequest.h"
#include "HIDDevice.h"
#include "NUVQORAProtocol.h"
#include "NUVQORASettings.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class NUVEvent;

// The flight computer's command layer. The inherited record is the application firmware;
// `bootloader` is the bootloader. Every command is one synchronous exchange that returns a
// result code (resultText names them). No lock of its own: the owner serialises all calls.
class NUVQORADevice : public HIDDevice
{
public:
    static constexpr DeviceIdentity Identity{3, 0x200, 4, 0x213};

    // What the bootloader steps of a connection return.
    enum BootloaderResult : int {
        BootloaderReady = 0,         // connected, or told to start the firmware
        NoBootloader = -1,
        BootloaderUnopenable = -2,   // present, but cannot be opened
        OtherBootloaderVersion = -3,
        StartNotSent = -4,           // the start request cannot be sent
        BootloaderLost = -7,         // cannot be opened to start the firmware
    };

    // Called after each received chunk with (bytes wanted, bytes received); true cancels.
    using Progress = std::function<bool(int total, int received)>;

    NUVQORADevice();
    ~NUVQORADevice();

    // Connection, with this device's identity: see the parameterised forms below.
    int connectBootloader(uint16_t &version);
    int startFirmware();
    int connectFirmware(uint16_t &version);
    QString expectedVersionText() const;

    // The same operations for any device of the system (the ground station reuses them).
    // A BootloaderResult; the version found is given out for BootloaderReady and OtherBootloaderVersion.
    static int connectBootloader(HIDDevice &bootloader, const DeviceIdentity &identity, uint16_t &version);
    // BootloaderReady, BootloaderLost or StartNotSent.
    static int startFirmware(HIDDevice &bootloader);
    // Ok, NoDevice (none present), IncorrectVersion (version out; the record keeps it, closed) or
    // GenericError (cannot be opened).
    static int connectFirmware(HIDDevice &firmware, const DeviceIdentity &identity, uint16_t &version);
    static QString versionText(uint16_t version);          // 0x213 -> "2.13"
    static QString expectedVersionText(uint16_t version);  // 0x213 -> "2.1x"
    static QString resultText(int code);

    // A live reading of this event code, or none (a failed transfer closes the firmware record).
    std::unique_ptr<NUVEvent> readEvent(uint8_t code);
    int readSettings();
    int writeSettings();
    int exitFirmware();
    int readAlmanacList(uint8_t list[NUVQORAProtocol::AlmanacListSize]);
    int readAlmanac(uint8_t almanac[NUVQORAProtocol::AlmanacSize]);
    int storeAlmanacs();
    int uploadAlmanacs(uint8_t &count);
    int fireLine(uint8_t line);
    int clearSVData();
    int resetSettings();
    int clearFlightMemory();
    int downloadData(std::vector<uint8_t> &buffer, uint32_t length, const Progress &progress);
    int totalDataSize(uint32_t &size);
    int initEmulation(uint32_t value);
    int emulationStep(const EmulationStepRequest &step, EmulationStepReply *reply);

    HIDDevice bootloader;
    NUVQORASettings settings;

private:
    enum class Timeout { GivesProtocolError, GivesGenericError };
    // Sends a request and reads one reply into `reply`; on a missing reply the request's own
    // code stands in. Returns 0 when the reply code is `expected`, else 5 or 6.
    int exchange(const HIDPacket &request, uint32_t readTimeoutMs, Timeout timeout, HIDPacket &reply,
                 uint8_t expected = NUVQORAProtocol::OkCode);
    int command(uint8_t code, uint32_t readTimeoutMs, Timeout timeout, std::vector<uint8_t> data = {});
};
