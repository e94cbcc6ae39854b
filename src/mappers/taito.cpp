#include "mappers/taito.h"

#include "core/console.h"

namespace korvanta {

// Mappers 33 and 48 ----------------------------------------------------------

TaitoTc0190Board::TaitoTc0190Board(Console& console, const MapperConfig& config) : LineTimerBoard(console, config) {
    chrWritable = 0;
    sramEnabled = batteryBacked = config.battery;
    SetStateTable({
        BlockField(prgRegs.data(), static_cast<uint32_t>(sizeof prgRegs)),
        BlockField(chrRegs.data(), static_cast<uint32_t>(sizeof chrRegs)),
        Field(kFieldByte, mirrorInPrg, 1),
        Field(kFieldByte, irqLatch),
        Field(kFieldByte, reserved),
        Field(kFieldByte, irqSpare),
        Field(kFieldByte, lastE000),
        Field(kFieldDword, irqTarget),
    });
    ResetStateTable();
}

void TaitoTc0190Board::Write(uint16_t address, uint8_t value) {
    uint16_t a = address & 0xE003;
    switch (a) {
        case 0x8000:
            prgRegs[0] = value;
            SetPrg8k(0, value & 0x3Fu);
            if (mirrorInPrg) SetMirroring(value & 0x40 ? 2 : 1);
            break;
        case 0x8001:
            prgRegs[1] = value;
            SetPrg8k(1, value & 0x3Fu);
            break;
        case 0x8002: case 0x8003: case 0xA000: case 0xA001: case 0xA002: case 0xA003:
            console_.ppu.RenderCatchUp(true);
            chrRegs[a >= 0xA000 ? 2 + (a & 3) : a & 1] = value;
            StoreChr();
            break;
        case 0xC000: irqLatch = value; break;
        case 0xC001: case 0xE001:
            machine_.boardIrqTime = 0;
            irqTarget = 0;
            break;
        case 0xC002: case 0xE002: ArmIrq(); break;
        case 0xC003: case 0xE003: irqSpare = value; break;
        case 0xE000:
            mirrorInPrg = 0;
            lastE000 = value;
            SetMirroring(value & 0x40 ? 2 : 1);
            break;
        default: break;
    }
}

void TaitoTc0190Board::StoreChr() {
    for (int i = 0; i < 2; ++i) {
        StoreChr1k(2 * i, 2u * chrRegs[i]);
        StoreChr1k(2 * i + 1, 2u * chrRegs[i] + 1);
    }
    for (int j = 0; j < 4; ++j) StoreChr1k(4 + j, chrRegs[2 + j]);
}

void TaitoTc0190Board::ArmIrq() {
    // The interrupt comes at the start of the line 256 - latch lines ahead.
    irqTarget = LineStartAhead(machine_.cycles, 256 - irqLatch);
    machine_.boardIrqTime = irqTarget;
}

void TaitoTc0190Board::IrqTimeReached() {
    machine_.boardIrqTime = 0;
    irqTarget = 0;
}

void TaitoTc0190Board::AfterStateLoad() {
    SetPrg8k(0, prgRegs[0] & 0x3Fu);
    SetPrg8k(1, prgRegs[1] & 0x3Fu);
    console_.ppu.RenderCatchUp(true);
    StoreChr();
}

// Mapper 80 -------------------------------------------------------------------

TaitoX1005Board::TaitoX1005Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = config.chrIsRam;
    sramEnabled = 0;
    batteryBacked = config.battery;
    SetPrg8k(3, PrgCount() - 1);
    SetStateTable({BlockField(regs.data(), static_cast<uint32_t>(sizeof regs))});
}

void TaitoX1005Board::Write(uint16_t address, uint8_t value) {
    if (address >= 0x7F00 && address < 0x8000) {
        ram[address & 0xFF] = value;
        return;
    }
    if (address < 0x7EF0 || address > 0x7EFF) return;
    int r = address & 0x0F;
    regs[r] = value;
    // Each PRG register answers at two addresses; both copies keep the value
    // so that replaying the sixteen registers in order restores it.
    if (r >= 10) regs[r ^ 1] = value;
    switch (r) {
        case 0: case 1: SetChr2k(2 * r, value >> 1); break;
        case 2: case 3: case 4: case 5: SetChr1k(2 + r, value); break;
        // The name tables change without bringing the picture up to date.
        case 6: console_.ppu.SetMirroring(value & 1 ? 1 : 2); break;
        case 10: case 11: SetPrg8k(0, value); break;
        case 12: case 13: SetPrg8k(1, value); break;
        case 14: case 15: SetPrg8k(2, value); break;
        default: break;  // $7EF7-$7EF9 are only stored
    }
}

uint8_t TaitoX1005Board::Read(uint16_t address) {
    return address >= 0x7F00 && address < 0x8000 ? ram[address & 0xFF] : 0;
}

void TaitoX1005Board::AfterStateLoad() {
    for (uint16_t i = 0; i < 16; ++i) Write(static_cast<uint16_t>(0x7EF0 + i), regs[i]);
}

}  // namespace korvanta
