#include "mappers/vrc_irq.h"

#include "core/console.h"

namespace korvanta {
namespace {

constexpr uint32_t kCyclesPerCount = 114;
constexpr uint32_t kFullCount = 256 * kCyclesPerCount;  // from latch 0 to overflow

}  // namespace

VrcIrqBoard::VrcIrqBoard(Console& console, const MapperConfig& config, uint32_t shortening)
    : Mapper(console, config), shortening_(shortening) {}

uint32_t VrcIrqBoard::IrqPeriod() const { return kFullCount - kCyclesPerCount * irqLatch - shortening_; }

uint32_t VrcIrqBoard::TargetFromNow() const {
    // A full latch on the shortened count gives a period of 0: the cycle of
    // arming itself, which must still be a valid (nonzero) target.
    uint32_t target = machine_.cycles + IrqPeriod();
    return target ? target : 1;
}

void VrcIrqBoard::IrqWriteControl(uint8_t value) {
    irqControl = value;
    if (value & 2) {
        irqTarget = TargetFromNow();
        ScheduleIrq(irqTarget);
    } else if (value == 0) {
        irqTarget = 0;
        CancelIrq();
    }
}

void VrcIrqBoard::IrqAcknowledge(uint8_t value) {
    irqAck = value;
    if (irqControl & 1) machine_.boardIrqTime = irqTarget;
}

void VrcIrqBoard::EndOfFrame() {
    uint32_t budget = machine_.frameCycleBudget;
    if (irqTarget > budget) {
        bool armed = machine_.boardIrqTime == irqTarget;
        irqTarget -= budget;
        if (armed) machine_.boardIrqTime = irqTarget;
    }
}

void VrcIrqBoard::IrqTimeReached() {
    machine_.boardIrqTime = 0;
    irqTarget = TargetFromNow();
}

}  // namespace korvanta
