#include "mappers/vrc1_vrc3.h"

#include "core/console.h"

namespace korvanta {
namespace {

// The cycle of the frame at which mapper 73's interrupt fires.
constexpr uint32_t kVrc3IrqCycle = 25000;

}  // namespace

Vrc1Board::Vrc1Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    sramEnabled = batteryBacked = config.battery;
    chrWritable = 0;
    SetStateTable({
        BlockField(prgBanks.data(), sizeof prgBanks),
        Field(kFieldDword, chrLow),
        Field(kFieldDword, chrHigh),
    });
    SetPrg8k(3, PrgCount() - 1);
}

void Vrc1Board::Write(uint16_t address, uint8_t value) {
    const uint32_t prgMask = (PrgCount() - 1) & 0xFF;
    const uint32_t chrCount = ChrCount() ? ChrCount() : 1;
    switch (address >> 12) {
        case 0x8: prgBanks[0] = value & prgMask; SetPrg8k(0, prgBanks[0]); return;
        case 0xA:
        case 0xB: prgBanks[1] = value & prgMask; SetPrg8k(1, prgBanks[1]); return;
        case 0xC:
        case 0xD: prgBanks[2] = value & prgMask; SetPrg8k(2, prgBanks[2]); return;
        case 0x9:
            console_.ppu.RenderCatchUp(true);
            // Bits 1 and 2 are the top bits of the two 4 KB CHR banks.
            chrLow = (((value & 2u) << 5) | (chrLow & 0x3F)) % chrCount;
            chrHigh = (((value & 4u) << 4) | (chrHigh & 0x3F)) % chrCount;
            StoreChrHalves();
            console_.ppu.SetMirroring(value & 1 ? 2 : 1);
            return;
        case 0xE:
        case 0xF: {
            console_.ppu.RenderCatchUp(true);
            uint32_t& bank = (address >> 12) == 0xE ? chrLow : chrHigh;
            bank = (((value & 0x0Fu) << 2) | (bank & 0x40)) % chrCount;
            StoreChrHalves();
            return;
        }
        default: return;
    }
}

void Vrc1Board::StoreChrHalves() {
    for (uint32_t i = 0; i < 4; ++i) {
        StoreChr1k(static_cast<int>(i), chrLow + i);
        StoreChr1k(static_cast<int>(4 + i), chrHigh + i);
    }
}

void Vrc1Board::AfterStateLoad() {
    for (int w = 0; w < 3; ++w) SetPrg8k(w, prgBanks[w]);
    SetPrg8k(3, PrgCount() - 1);
    StoreChrHalves();
}

Mapper151Board::Mapper151Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    sramEnabled = batteryBacked = config.battery;
    chrWritable = 0;
    SetStateTable({
        BlockField(prgBanks.data(), sizeof prgBanks),
        BlockField(chrBanks.data(), sizeof chrBanks),
    });
    SetPrg8k(3, PrgCount() - 1);
}

void Mapper151Board::Write(uint16_t address, uint8_t value) {
    switch (address >> 12) {
        case 0x8: prgBanks[0] = value; SetPrg8k(0, value); return;
        case 0xA: prgBanks[1] = value; SetPrg8k(1, value); return;
        case 0xC: prgBanks[2] = value; SetPrg8k(2, value); return;
        case 0xE:
            chrBanks[0] = value;
            StoreChrHalf(0);
            console_.ppu.RefreshSpriteZeroProbe();
            return;
        case 0xF: chrBanks[1] = value; StoreChrHalf(1); return;
        default: return;
    }
}

void Mapper151Board::StoreChrHalf(int half) {
    for (uint32_t i = 0; i < 4; ++i) StoreChr1k(4 * half + static_cast<int>(i), 4u * chrBanks[half] + i);
}

void Mapper151Board::AfterStateLoad() {
    for (int w = 0; w < 3; ++w) SetPrg8k(w, prgBanks[w]);
    SetPrg8k(3, PrgCount() - 1);
    StoreChrHalf(0);
    StoreChrHalf(1);
}

Vrc3Board::Vrc3Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    sramEnabled = 1;
    batteryBacked = config.battery;
    chrWritable = config.chrIsRam;
    SetStateTable({Field(kFieldByte, prgLatch)});
}

void Vrc3Board::Write(uint16_t address, uint8_t value) {
    switch (address >> 12) {
        case 0xA: ScheduleIrq(kVrc3IrqCycle); return;
        case 0xF:
            prgLatch = value;
            SetPrg16k(0, value);
            SetPrgLast16kAtC000();
            return;
        default: return;
    }
}

void Vrc3Board::IrqTimeReached() { machine_.boardIrqTime = 0; }

void Vrc3Board::AfterStateLoad() { Write(0xF000, prgLatch); }

}  // namespace korvanta
