#include "mappers/mmc3_irq.h"

#include "core/console.h"

namespace korvanta {
namespace {

// One picture line in CPU cycles, and the cycle at which line 0 begins (21
// lines after the frame starts at vertical blank).
constexpr double kLineCycles = 113.74999809333312;
constexpr double kLine0Start = 2388.7499599599955;
constexpr double kRambo1Line0Start = 2338.7499599599955;
constexpr uint32_t kZeroCountBeforeLine0 = 2388;
constexpr int kLinesBeforePicture = 21;

}  // namespace

uint32_t ScanlineIrqBoard::IrqCycle(uint32_t cycles, uint8_t count, IrqLeadIn leadIn) {
    int n = count;
    if (cycles < kLine0Start) {
        if (n == 0 && leadIn != IrqLeadIn::Early) return kZeroCountBeforeLine0;
        double start = leadIn == IrqLeadIn::Rambo1 ? kRambo1Line0Start : kLine0Start;
        return static_cast<uint32_t>(start + (n - 1) * kLineCycles);
    }
    // Once the picture runs, the beginning of the line n + 1 lines ahead.
    double target = static_cast<double>(ScanlineOf(cycles) + (n + 1) + kLinesBeforePicture) * kLineCycles;
    return static_cast<uint32_t>(target);
}

ScanlineIrqBoard::ScanlineIrqBoard(Console& console, const MapperConfig& config, IrqLeadIn leadIn)
    : Mapper(console, config), leadIn_(leadIn) {}

void ScanlineIrqBoard::ArmIrq() {
    irqTarget = IrqCycle(machine_.cycles, irqLatch, leadIn_);
    ScheduleIrq(irqTarget);
}

void ScanlineIrqBoard::IrqLatchAndReload(uint8_t value) {
    irqLatch = irqReload = value;
    if (irqEnabled) ArmIrq();
}

void ScanlineIrqBoard::IrqSetLatch(uint8_t value) {
    irqLatch = value;
    if (irqEnabled) ArmIrq();
}

void ScanlineIrqBoard::IrqDisable() {
    irqEnabled = 0;
    irqLatch = irqReload;
    irqTarget = 0;
    CancelIrq();
}

void ScanlineIrqBoard::IrqEnable() {
    irqEnabled = 1;
    ArmIrq();
}

void ScanlineIrqBoard::IrqTimeReached() {
    irqTarget = 0;
    machine_.boardIrqTime = 0;
    irqEnabled = 0;
    // The real counter is clocked by the picture unit's fetches, so nothing
    // counts while rendering is off.
    if (!console_.ppu.backgroundEnabled && !console_.ppu.spritesEnabled) machine_.irqPending = 0;
}

}  // namespace korvanta
