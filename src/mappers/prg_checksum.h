// The sum of every PRG byte of the loaded image, by which two boards
// recognise the one game each that needs a per-game option.
#pragma once
#include <cstdint>

#include "core/machine.h"

namespace korvanta {

inline uint32_t PrgByteSum(const Machine& machine) {
    uint32_t sum = 0;
    for (uint32_t page = 0; page < machine.prgPageCount; ++page) {
        const uint8_t* bytes = machine.prgPages[page];
        for (size_t i = 0; i < sizeof(PrgPage); ++i) sum += bytes[i];
    }
    return sum;
}

}  // namespace korvanta
