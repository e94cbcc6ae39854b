// What the Konami VRC2/VRC4 and VRC6 boards share: the interrupt counter and
// the exchanged register-select wiring. The counter climbs from its latch
// value to 256, one count per 114 CPU cycles. It is not clocked: arming it
// hands the Machine the cycle at which it overflows.
#pragma once
#include <cstdint>

#include "mappers/mapper.h"

namespace korvanta {

// Boards that wire CPU A1 to the chip's first register-select input and A0
// to its second see each address with bits 0 and 1 exchanged.
inline uint16_t ExchangeRegisterSelects(uint16_t address) {
    return static_cast<uint16_t>((address & ~3u) | (address & 1u) << 1 | (address & 2u) >> 1);
}

class VrcIrqBoard : public Mapper {
public:
    // One interrupt per arming; the next period is computed here and becomes
    // active only when the game acknowledges with the re-arm bit set.
    void IrqTimeReached() override;
    // `cycles` restarts every frame while the counter runs on: a target past
    // the frame end moves with it, or the interrupt would never come.
    void EndOfFrame() override;

protected:
    // `shortening`: cycles by which every period falls short of the full
    // count (one count on boards that overflow a step early).
    VrcIrqBoard(Console& console, const MapperConfig& config, uint32_t shortening);

    // The control register: bit 1 arms the counter from the latch, 0 stops
    // it; other values leave a running count alone.
    void IrqWriteControl(uint8_t value);
    // The acknowledge register: with the re-arm bit (control bit 0) the
    // period computed when the interrupt fired becomes active.
    void IrqAcknowledge(uint8_t value);

    uint8_t irqLatch = 0;
    uint8_t irqControl = 0;  // bit 0 re-arm on acknowledge, bit 1 enable
    uint8_t irqAck = 0;      // last acknowledge value, only kept
    uint32_t irqTarget = 0;  // the armed or the next cycle; 0 for none

private:
    // Cycles from arming to the interrupt for the current latch.
    uint32_t IrqPeriod() const;
    uint32_t TargetFromNow() const;

    uint32_t shortening_;
};

}  // namespace korvanta
