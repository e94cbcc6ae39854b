// Whole-line pixel operations, eight FrameBuffer bytes at a time (the
// compiler does not vectorise these byte loops at -O2).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace korvanta {

// Every byte of [pixels, pixels + count) becomes (byte AND keep) OR set;
// count is a multiple of 8 (whole lines).
inline void MaskPixels(uint8_t* pixels, size_t count, uint8_t keep, uint8_t set) {
    const uint64_t keepWord = 0x0101010101010101ull * keep;
    const uint64_t setWord = 0x0101010101010101ull * set;
    for (size_t i = 0; i < count; i += 8) {
        uint64_t word;
        std::memcpy(&word, pixels + i, 8);
        word = (word & keepWord) | setWord;
        std::memcpy(pixels + i, &word, 8);
    }
}

}  // namespace korvanta
