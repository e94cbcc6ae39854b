// The scanline interrupt of the MMC3 family. The counter is not clocked per
// line: arming it computes the CPU cycle of the line on which it would reach
// zero and hands that to the Machine, which raises the line once `cycles`
// has passed it.
#pragma once
#include <cstdint>

#include "mappers/mapper.h"

namespace korvanta {

// How a board times an interrupt armed before line 0 (during vertical blank).
enum class IrqLeadIn : uint8_t {
    Mmc3,    // from the start of line 0; a count of 0 fires at cycle 2388
    Rambo1,  // from 50 cycles earlier; a count of 0 still fires at 2388
    Early,   // from line 0 for every count, so a count of 0 fires a line early
};

// Base of the boards with the MMC3-style counter: the counter registers and
// what the register writes do to them.
class ScanlineIrqBoard : public Mapper {
public:
    // One interrupt per arming; dropped while the picture unit shows neither
    // background nor sprites.
    void IrqTimeReached() override;

    // The cycle (never 0) at which an interrupt armed at `cycles` with the
    // count `count` fires.
    static uint32_t IrqCycle(uint32_t cycles, uint8_t count, IrqLeadIn leadIn);

protected:
    ScanlineIrqBoard(Console& console, const MapperConfig& config, IrqLeadIn leadIn);

    // The MMC3 register effects: $C000 (latch and reload), $C001 (reload,
    // used from the next $E000), $E000 (disable and acknowledge), $E001
    // (enable and arm).
    void IrqLatchAndReload(uint8_t value);
    void IrqSetReload(uint8_t value) { irqReload = value; }
    void IrqDisable();
    void IrqEnable();
    // A new count only, re-armed when enabled (mapper 187's $C000).
    void IrqSetLatch(uint8_t value);

    uint8_t irqLatch = 0;    // the count of the next computation
    uint8_t irqReload = 0;   // copied into irqLatch by $E000
    uint8_t irqEnabled = 0;  // cleared by $E000 and when the interrupt fires
    uint32_t irqTarget = 0;  // the armed cycle, a mirror of boardIrqTime

private:
    void ArmIrq();

    IrqLeadIn leadIn_;
};

}  // namespace korvanta
