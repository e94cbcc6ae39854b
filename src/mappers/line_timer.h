// Scanline counters of the Taito and Sunsoft chips, turned into the CPU
// cycle at which a picture line begins. One line is 29119/256 cycles and
// line 0 begins 21 lines after the frame starts at vertical blank.
#pragma once
#include <cstdint>

#include "mappers/mapper.h"

namespace korvanta {

inline constexpr double kLineCycles = 113.74999809333312;
inline constexpr double kLine0Start = 2388.7499599599955;

// Base of the boards whose interrupt comes a number of lines ahead.
class LineTimerBoard : public Mapper {
protected:
    using Mapper::Mapper;

    // The first cycle (truncated) of the line `lines` after the one running
    // at `cycles`; during vertical blank, of line `lines` counted from line 0.
    static uint32_t LineStartAhead(uint32_t cycles, int lines);
};

}  // namespace korvanta
