#include "mappers/irem.h"

#include "core/console.h"

namespace korvanta {

// Mapper 65 -------------------------------------------------------------------

IremH3001Board::IremH3001Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 0;
    sramEnabled = batteryBacked = config.battery;
    SetStateTable({
        BlockField(prgRegs.data(), static_cast<uint32_t>(sizeof prgRegs)),
        BlockField(chrRegs.data(), static_cast<uint32_t>(sizeof chrRegs)),
        Field(kFieldByte, irqReloadHigh),
        Field(kFieldByte, reserved),
        Field(kFieldDword, irqTarget),
    });
    ResetStateTable();
}

void IremH3001Board::Write(uint16_t address, uint8_t value) {
    uint16_t a = address & 0xF007;
    switch (a) {
        case 0x8000: case 0xA000: {
            int i = (a >> 13) & 1;
            prgRegs[i] = value;
            SetPrg8k(i, value);
            break;
        }
        case 0x9003:
            if (value & 0x80) {
                irqTarget = machine_.cycles + 256u * irqReloadHigh;
                machine_.boardIrqTime = irqTarget;
            } else {
                irqTarget = 0;
                CancelIrq();
            }
            break;
        case 0x9005: irqReloadHigh = value; break;
        default:
            if (a >= 0xB000 && a <= 0xB007) {
                chrRegs[a & 7] = value;
                SetChr1k(a & 7, value);
            }
            break;
    }
}

void IremH3001Board::AfterStateLoad() {
    SetPrg8k(0, prgRegs[0]);
    SetPrg8k(1, prgRegs[1]);
    SetPrgLast16kAtC000();
    console_.ppu.RenderCatchUp(true);
    for (int w = 0; w < 8; ++w) StoreChr1k(w, chrRegs[w]);
}

// Mapper 32 -------------------------------------------------------------------

IremG101Board::IremG101Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 0;
    sramEnabled = 1;
    batteryBacked = config.battery;
    SetStateTable({
        BlockField(prgRegs.data(), static_cast<uint32_t>(sizeof prgRegs)),
        BlockField(chrRegs.data(), static_cast<uint32_t>(sizeof chrRegs)),
        Field(kFieldByte, control),
    });
    ResetStateTable();
}

void IremG101Board::Write(uint16_t address, uint8_t value) {
    uint16_t a = address & 0xB007;
    if (a >= 0xB000) {
        console_.ppu.RenderCatchUp(true);
        chrRegs[a & 7] = value;
        StoreChr();
        return;
    }
    switch (a & 0xB000) {
        case 0x8000: prgRegs[0] = value; break;
        case 0xA000: prgRegs[1] = value; break;
        case 0x9000:
            control = value;
            SetMirroring(value & 1 ? 2 : 1);
            break;
        default: return;
    }
    ApplyPrg();
}

void IremG101Board::ApplyPrg() {
    uint32_t n = PrgCount();
    int switchable = control & 2 ? 2 : 0;
    SetPrg8k(switchable, prgRegs[0]);
    SetPrg8k(2 - switchable, n - 2);
    SetPrg8k(1, prgRegs[1]);
    SetPrg8k(3, n - 1);
}

void IremG101Board::StoreChr() {
    for (int w = 0; w < 8; ++w) StoreChr1k(w, chrRegs[w]);
}

void IremG101Board::AfterStateLoad() {
    ApplyPrg();
    console_.ppu.RenderCatchUp(true);
    StoreChr();
    SetMirroring(control & 1 ? 2 : 1);
}

}  // namespace korvanta
