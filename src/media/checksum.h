// The checksums shown for ROM dumps and used by the language plug-in check:
// the standard CRC-32 (IEEE 802.3, as zlib and PKZIP compute it) and a
// plain byte sum, both built up over any number of updates.
#pragma once
#include <cstddef>
#include <cstdint>

namespace korvanta {

class Checksum {
public:
    // Both values start at 0.
    Checksum() = default;

    // Starts again from 0.
    void Clear() {
        crc = 0;
        sum = 0;
    }

    // Adds bytes to the CRC; updates over consecutive pieces give the CRC of
    // the whole. Returns the new value.
    uint32_t UpdateCrc(const void* bytes, size_t length);

    // Adds each byte (0-255) to the sum, wrapping modulo 2^32. Returns the
    // new value.
    uint32_t UpdateSum(const void* bytes, size_t length);

    uint32_t crc = 0;
    uint32_t sum = 0;
};

}  // namespace korvanta
