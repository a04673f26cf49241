#pragma once

#include <cstdint>

// What the flight computer and its host agree on: request and reply codes and the sizes of
// the replies and chunked transfers. The host's command layer and the simulated device both
// speak from this one list.
namespace NUVQORAProtocol {

constexpr uint8_t StartFirmwareCode = 3; // to the bootloader
constexpr uint8_t ReadEventCode = 3;
constexpr uint8_t EventReplyCode = 2;
constexpr uint8_t OkCode = 5;
constexpr uint8_t ReadSettingsCode = 6;
constexpr uint8_t WriteSettingsCode = 7;
constexpr uint8_t RefusedCode = 9; // checksum or firmware clash of a settings transfer
constexpr uint8_t ExitFirmwareCode = 10;
constexpr uint8_t AlmanacListCode = 11;
constexpr uint8_t AlmanacListReplyCode = 12;
constexpr uint8_t AlmanacCode = 13;
constexpr uint8_t AlmanacReplyCode = 14;
constexpr uint8_t StoreAlmanacsCode = 15;
constexpr uint8_t UploadAlmanacsCode = 16;
constexpr uint8_t FireLineCode = 17;
constexpr uint8_t ClearSVDataCode = 19;
constexpr uint8_t ResetSettingsCode = 20;
constexpr uint8_t ClearMemoryCode = 21;
constexpr uint8_t DownloadCode = 22;
constexpr uint8_t TotalSizeCode = 24;
constexpr uint8_t InitEmulationCode = 25;
constexpr uint8_t EmulationStepCode = 32;
constexpr uint8_t ChunkCode = '!';

// A chunk's data: its index (16 bits, little-endian), its byte count, then at most this many bytes.
constexpr int ChunkPayload = 60;

constexpr int AlmanacListSize = 32;
constexpr int AlmanacSize = 44;
constexpr int EmulationReplySize = 33;

} // namespace NUVQORAProtocol
