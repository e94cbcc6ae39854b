#include "mappers/sunsoft.h"

#include "core/console.h"

namespace korvanta {

// Mapper 67 -------------------------------------------------------------------

Sunsoft3Board::Sunsoft3Board(Console& console, const MapperConfig& config) : LineTimerBoard(console, config) {
    chrWritable = 0;
    sramEnabled = batteryBacked = config.battery;
    SetStateTable({
        Field(kFieldByte, prgBank),
        BlockField(chrBanks.data(), static_cast<uint32_t>(sizeof chrBanks)),
        Field(kFieldByte, mirroring),
        Field(kFieldByte, irqControl),
        Field(kFieldByte, irqLatch),
        Field(kFieldDword, irqTarget),
    });
    ResetStateTable();
}

void Sunsoft3Board::Write(uint16_t address, uint8_t value) {
    switch (address & 0xF800) {
        case 0x8800: case 0x9800: case 0xA800: case 0xB800: {
            int j = (address >> 12) & 3;
            chrBanks[j] = value;
            console_.ppu.RenderCatchUp(true);
            StoreChrPair(j);
            console_.ppu.RefreshSpriteZeroProbe();
            break;
        }
        case 0xC800:
            irqLatch = value;
            if (irqControl & 0x10) ArmIrq();
            break;
        case 0xD800:
            irqControl = value;
            if (value & 0x10) {
                ArmIrq();
            } else {
                irqTarget = 0;
                machine_.boardIrqTime = 0;
            }
            break;
        case 0xE800: {
            mirroring = value;
            static constexpr int kMirroring[4] = {1, 2, 4, 0};
            SetMirroring(kMirroring[value & 3]);
            break;
        }
        case 0xF800:
            prgBank = value;
            SetPrg16k(0, value);
            break;
        default: break;
    }
}

void Sunsoft3Board::StoreChrPair(int j) {
    StoreChr1k(2 * j, 2u * chrBanks[j]);
    StoreChr1k(2 * j + 1, 2u * chrBanks[j] + 1);
}

void Sunsoft3Board::ArmIrq() {
    // The one count armed during vertical blank that gives a fixed cycle
    // instead of a line start.
    constexpr uint8_t kVblankSplitCount = 168;
    constexpr uint32_t kVblankSplitCycle = 5914;
    if (machine_.cycles < kLine0Start && irqLatch == kVblankSplitCount)
        irqTarget = kVblankSplitCycle;
    else
        irqTarget = LineStartAhead(machine_.cycles, irqLatch + 1);
    machine_.boardIrqTime = irqTarget;
}

void Sunsoft3Board::IrqTimeReached() {
    irqTarget = 0;
    machine_.boardIrqTime = 0;
}

void Sunsoft3Board::AfterStateLoad() {
    SetPrg16k(0, prgBank);
    console_.ppu.RenderCatchUp(true);
    for (int j = 0; j < 4; ++j) StoreChrPair(j);
    console_.ppu.RefreshSpriteZeroProbe();
}

// Mapper 69 -------------------------------------------------------------------

Fme7Board::Fme7Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 0;
    sramEnabled = 1;
    batteryBacked = config.battery;
    SetStateTable({
        BlockField(regs.data(), static_cast<uint32_t>(sizeof regs)),
        Field(kFieldByte, command),
        Field(kFieldDword, irqTarget),
    });
    ResetStateTable();
    SetPrg8k(3, PrgCount() - 1);
}

void Fme7Board::Write(uint16_t address, uint8_t value) {
    if (address == 0x8000)
        command = value & 0x0F;
    else if (address == 0xA000)
        WriteRegister(command, value);
}

void Fme7Board::WriteRegister(uint8_t r, uint8_t value) {
    regs[r] = value;
    switch (r) {
        case 0: case 1: case 2: case 3: case 4: case 5: case 6: case 7: SetChr1k(r, value); break;
        case 8:
            if ((value & 0xC0) == 0xC0) {
                lowPrgPage = nullptr;
                sramEnabled = 1;
            } else if (PrgCount()) {
                lowPrgPage = machine_.prgPages[value % PrgCount()];
                sramEnabled = 0;
            }
            break;
        case 9: case 10: case 11: SetPrg8k(r - 9, value); break;
        case 12: {
            // The name tables change without bringing the picture up to date.
            static constexpr int kMirroring[4] = {1, 2, 0, 4};
            console_.ppu.SetMirroring(kMirroring[value & 3]);
            break;
        }
        case 13:
            // Only $81 (count and enable) starts the timer; anything else
            // stops it.
            if (value == 0x81) {
                irqTarget = machine_.cycles + regs[14] + 256u * regs[15] + 1;
                machine_.boardIrqTime = irqTarget;
            } else {
                irqTarget = 0;
                machine_.boardIrqTime = 0;
            }
            break;
        default: break;  // 14, 15: the count, read when 13 is written
    }
}

uint8_t Fme7Board::Read(uint16_t address) {
    if (address >= 0x6000 && address < 0x8000 && lowPrgPage) return lowPrgPage[address & 0x1FFF];
    return 0;
}

void Fme7Board::IrqTimeReached() {
    machine_.boardIrqTime = 0;
    irqTarget = 0;
}

void Fme7Board::AfterStateLoad() {
    command &= 0x0F;
    for (uint8_t r = 0; r <= 12; ++r) WriteRegister(r, regs[r]);
}

}  // namespace korvanta
