#include "apu/apu.h"

#include "core/console.h"

namespace korvanta {

uint8_t Apu::ReadStatus() { return 0; }
void Apu::WriteRegister(uint16_t, uint8_t) {}
void Apu::WriteFrameCounter(uint8_t value) { console_.machine.apuFrameMode = value; }
void Apu::Reset() {}

}  // namespace korvanta
