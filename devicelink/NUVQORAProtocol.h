#pragma once

#include <cstdint>

// What the flight computer and its host agree on: request and reply codes and the sizes of
// the replies and chunked transfers. The host's command layer and the simulated device both
// speak from this one list.
namespace NUVQORAProtocol {

inline constexpr uint8_t StartFirmwareCode = 3; // to the bootloader
inline constexpr uint8_t ReadEventCode = 3;
inline constexpr uint8_t EventReplyCode = 2;
inline constexpr uint8_t OkCode = 5;
inline constexpr uint8_t ReadSettingsCode = 6;
inline constexpr uint8_t WriteSettingsCode = 7;
inline constexpr uint8_t RefusedCode = 9; // checksum or firmware clash of a settings transfer
inline constexpr uint8_t ExitFirmwareCode = 10;
inline constexpr uint8_t AlmanacListCode = 11;
inline constexpr uint8_t AlmanacListReplyCode = 12;
inline constexpr uint8_t AlmanacCode = 13;
inline constexpr uint8_t AlmanacReplyCode = 14;
inline constexpr uint8_t StoreAlmanacsCode = 15;
inline constexpr uint8_t UploadAlmanacsCode = 16;
inline constexpr uint8_t FireLineCode = 17;
inline constexpr uint8_t ClearSVDataCode = 19;
inline constexpr uint8_t ResetSettingsCode = 20;
inline constexpr uint8_t ClearMemoryCode = 21;
inline constexpr uint8_t DownloadCode = 22;
inline constexpr uint8_t TotalSizeCode = 24;
inline constexpr uint8_t InitEmulationCode = 25;
inline constexpr uint8_t EmulationStepCode = 32;
inline constexpr uint8_t ChunkCode = '!';

// A chunk's data: its index (16 bits, little-endian), its byte count, then at most this many bytes.
inline constexpr int ChunkPayload = 60;

inline constexpr int AlmanacListSize = 32;
inline constexpr int AlmanacSize = 44;
inline constexpr int EmulationReplySize = 33;

} // namespace NUVQORAProtocol
