// The sound unit's registers as the Bus sees them. (Placeholder until the
// sound unit lands.)
#pragma once
#include <cstdint>

namespace korvanta {

class Console;

class Apu {
public:
    explicit Apu(Console& console) : console_(console) {}

    uint8_t ReadStatus();                              // $4015
    void WriteRegister(uint16_t address, uint8_t value);  // $4000-$4013, $4015
    void WriteFrameCounter(uint8_t value);             // $4017
    void Reset();

private:
    Console& console_;
};

}  // namespace korvanta
