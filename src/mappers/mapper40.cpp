#include "mappers/mapper40.h"

#include "core/console.h"

namespace korvanta {
namespace {

constexpr uint32_t kTimerCycles = 4096;
constexpr uint32_t kLowPrgPage = 6;

}  // namespace

Mapper40Board::Mapper40Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 1;
    // $6000-$7FFF is ROM on this board. It is read through the board rather
    // than copied into the cartridge RAM, which a battery-save load or an
    // all reset would wipe.
    sramEnabled = 0;
    batteryBacked = config.battery;
    SetStateTable({
        Field(kFieldByte, bank),
        Field(kFieldByte, irqEnabled),
        Field(kFieldDword, irqTarget),
    });
    ResetStateTable();
    PlaceFixedPages();
}

void Mapper40Board::PlaceFixedPages() {
    uint32_t n = PrgCount();
    if (n == 0) return;
    PlaceLastPrg32k(machine_);
    lowPrgPage = machine_.prgPages[kLowPrgPage % n];
}

void Mapper40Board::Write(uint16_t address, uint8_t value) {
    switch (address & 0xE000) {
        case 0x8000:
            irqEnabled = 0;
            irqTarget = 0;
            CancelIrq();
            break;
        case 0xA000:
            // Every write restarts the count from the current cycle.
            irqEnabled = 1;
            irqTarget = machine_.cycles + kTimerCycles;
            machine_.boardIrqTime = irqTarget;
            break;
        case 0xE000:
            bank = value;
            SetPrg8k(2, value);
            break;
        default: break;
    }
}

uint8_t Mapper40Board::Read(uint16_t address) {
    if (address >= 0x6000 && address < 0x8000 && lowPrgPage) return lowPrgPage[address & 0x1FFF];
    return 0;
}

void Mapper40Board::IrqTimeReached() {
    irqTarget = 0;
    machine_.boardIrqTime = 0;
    irqEnabled = 0;
}

void Mapper40Board::AfterStateLoad() {
    PlaceFixedPages();
    SetPrg8k(2, bank);
}

}  // namespace korvanta
