#include "mappers/line_timer.h"

namespace korvanta {

uint32_t LineTimerBoard::LineStartAhead(uint32_t cycles, int lines) {
    constexpr int kLinesBeforePicture = 21;
    if (cycles < kLine0Start) return static_cast<uint32_t>(kLine0Start + lines * kLineCycles);
    return static_cast<uint32_t>((ScanlineOf(cycles) + lines + kLinesBeforePicture) * kLineCycles);
}

}  // namespace korvanta
