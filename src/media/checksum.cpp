#include "media/checksum.h"

#include <array>

namespace korvanta {
namespace {

// The reflected polynomial 0xEDB88320: each entry is its byte shifted out
// eight times, least significant bit first.
constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        table[i] = value;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

}  // namespace

uint32_t Checksum::UpdateCrc(const void* bytes, size_t length) {
    const auto* p = static_cast<const uint8_t*>(bytes);
    // The running value is kept complemented, so pieces chain into one CRC.
    uint32_t value = ~crc;
    for (size_t i = 0; i < length; ++i) value = kCrcTable[(value ^ p[i]) & 0xFF] ^ (value >> 8);
    crc = ~value;
    return crc;
}

uint32_t Checksum::UpdateSum(const void* bytes, size_t length) {
    const auto* p = static_cast<const uint8_t*>(bytes);
    for (size_t i = 0; i < length; ++i) sum += p[i];
    return sum;
}

}  // namespace korvanta
