// Latch boards with a switched 16 KB PRG bank beside a fixed one: mappers
// 70, 72/92, 78, 89 and 97.
#include "core/console.h"
#include "mappers/discrete.h"

namespace korvanta {

Mapper70Board::Mapper70Board(Console& console, const MapperConfig& config)
    : Mapper(console, config), fourScreen(config.fourScreen) {
    chrWritable = 0;
    PlaceLastPrg32k(machine_);
    SetStateTable({Field(kFieldByte, prgBank), Field(kFieldByte, chrBank), Field(kFieldByte, mirrorBit)});
}

void Mapper70Board::Write(uint16_t address, uint8_t value) {
    if (address < 0x8000) return;
    chrBank = value & 0x0F;
    SetChr8k(chrBank);
    prgBank = (value >> 4) & 7;
    SetPrg16k(0, prgBank);
    SetPrgLast16kAtC000();
    mirrorBit = value >> 7;
    // Four-screen carts of this board use the bit as a single-screen select.
    if (fourScreen)
        SetMirroring(mirrorBit ? 4 : 0);
    else
        SetMirroring(mirrorBit ? 2 : 1);
}

void Mapper70Board::AfterStateLoad() {
    Write(0x8000, static_cast<uint8_t>(chrBank | (prgBank | mirrorBit << 3) << 4));
}

JalecoJf17Board::JalecoJf17Board(Console& console, const MapperConfig& config, int variantNumber)
    : Mapper(console, config), variant(static_cast<uint32_t>(variantNumber)) {
    chrWritable = 0;
    if (variant == 0)
        PlaceLastPrg32k(machine_);
    else
        SetPrg32k(0);
    SetStateTable({Field(kFieldByte, prgBank), Field(kFieldByte, chrBank), Field(kFieldByte, armed)});
}

void JalecoJf17Board::ApplyPrg() { SetPrg16k(variant == 0 ? 0 : 2, prgBank); }

void JalecoJf17Board::Write(uint16_t address, uint8_t value) {
    if (address < 0x8000) return;
    switch (value & 0xC0) {
        case 0x40: armed = 1; return;
        case 0x80: armed = 0; return;
        case 0xC0: return;
    }
    if (armed == 1) {
        chrBank = value & 0x0F;
        SetChr8k(chrBank);
    } else if (armed == 0) {
        prgBank = value & 0x0F;
        ApplyPrg();
    } else {
        return;
    }
    armed = 2;
}

void JalecoJf17Board::AfterStateLoad() {
    ApplyPrg();
    SetChr8k(chrBank);
}

Mapper78Board::Mapper78Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 0;
    SetPrgLast16kAtC000();
    SetStateTable({Field(kFieldByte, prgBank), Field(kFieldByte, chrBank), Field(kFieldByte, lastValue)});
}

void Mapper78Board::Write(uint16_t address, uint8_t value) {
    if (address < 0x8000) return;
    lastValue = value;
    chrBank = value >> 4;
    SetChr8k(chrBank);
    prgBank = value & 7;
    SetPrg16k(0, prgBank);
    SetMirroring(value & 0x08 ? 4 : 0);
}

void Mapper78Board::AfterStateLoad() { Write(0x8000, lastValue); }

Sunsoft2Board::Sunsoft2Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 0;
    SetPrgLast16kAtC000();
    SetStateTable({Field(kFieldByte, prgBank), Field(kFieldByte, chrBank), Field(kFieldByte, lastValue)});
}

void Sunsoft2Board::Write(uint16_t address, uint8_t value) {
    if (address < 0x8000) return;
    lastValue = value;
    chrBank = (value & 7) | ((value >> 4) & 8);
    SetChr8k(chrBank);
    prgBank = (value >> 4) & 7;
    SetPrg16k(0, prgBank);
    SetMirroring(value & 0x08 ? 4 : 0);
}

void Sunsoft2Board::AfterStateLoad() { Write(0x8000, lastValue); }

IremTamS1Board::IremTamS1Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 1;
    uint32_t n = PrgCount();
    SetPrg8k(0, n - 2);
    SetPrg8k(1, n - 1);
    SetStateTable({Field(kFieldByte, bankLatch)});
}

void IremTamS1Board::Write(uint16_t address, uint8_t value) {
    if (address < 0x8000) return;
    bankLatch = value;
    SetPrg16k(2, value);
    SetMirroring(value & 0x80 ? 1 : 2);
}

void IremTamS1Board::AfterStateLoad() { Write(0x8000, bankLatch); }

}  // namespace korvanta
