#pragma once

// The header that opens every flight file, as FlightOutputArchive writes it and
// FlightInputArchive checks it: the signature's length (32 bits) and text, the archive library
// version (16 bits), the sizes of int, long, float and double of the 32-bit writer, and the
// byte-order check (32 bits), all little-endian.

#include <cstdint>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "flight files hold little-endian values as they lie in memory");

namespace FlightArchiveFormat {

inline constexpr char Signature[] = "serialization::archive";
inline constexpr uint32_t SignatureLength = sizeof Signature - 1;
inline constexpr uint16_t LibraryVersion = 15;
inline constexpr uint8_t NativeSizes[4] = {4, 4, 4, 8};
inline constexpr uint32_t ByteOrderCheck = 1;

} // namespace FlightArchiveFormat
