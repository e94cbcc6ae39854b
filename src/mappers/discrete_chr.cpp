// Latch boards that mostly switch CHR: mappers 34, 77, 87, 122/184 and 185.
#include "core/console.h"
#include "mappers/discrete.h"
#include "ppu/chr_decode.h"

namespace korvanta {

Mapper34Board::Mapper34Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = config.chrIsRam;
    // With the battery the Machine's cartridge RAM answers at $6000-$7FFF and
    // the registers at $7FFD-$7FFF are written through it.
    sramEnabled = batteryBacked = config.battery;
    SetStateTable({Field(kFieldByte, prgBank), BlockField(chrBanks.data(), static_cast<uint32_t>(chrBanks.size()))});
}

void Mapper34Board::Write(uint16_t address, uint8_t value) {
    if (address >= 0x6000 && address < 0x7F00) {
        boardRam[address & 0x1FFF] = value;
    } else if (address == 0x7FFE || address == 0x7FFF) {
        int half = address & 1;
        chrBanks[half] = value;
        console_.ppu.RenderCatchUp(true);
        if (!chrWritable)
            for (int i = 0; i < 4; ++i) StoreChr1k(4 * half + i, 4u * value + static_cast<uint32_t>(i));
    } else if (address == 0x7FFD || address >= 0x8000) {
        prgBank = value;
        SetPrg32k(value);
    }
}

uint8_t Mapper34Board::Read(uint16_t address) {
    return address >= 0x6000 && address < 0x7F00 ? boardRam[address & 0x1FFF] : 0;
}

void Mapper34Board::AfterStateLoad() {
    Write(0x7FFD, prgBank);
    Write(0x7FFE, chrBanks[0]);
    Write(0x7FFF, chrBanks[1]);
}

Mapper77Board::Mapper77Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 1;
    for (int i = 0; i < 6; ++i) PointChr(2 + i, &chrRam[i * 1024], &decodedChrRam[i * 4096]);
    SetMirroring(3);
    SetStateTable({Field(kFieldByte, prgBank), Field(kFieldByte, chrBank),
                   BlockField(chrRam.data(), static_cast<uint32_t>(chrRam.size())),
                   BlockField(decodedChrRam.data(), static_cast<uint32_t>(decodedChrRam.size()))});
}

void Mapper77Board::Write(uint16_t address, uint8_t value) {
    if (address < 0x8000) return;
    chrBank = value >> 4;
    SetChr2k(0, chrBank);
    prgBank = value & 7;
    SetPrg32k(prgBank);
}

void Mapper77Board::AfterStateLoad() { Write(0x8000, static_cast<uint8_t>(prgBank | chrBank << 4)); }

Mapper87Board::Mapper87Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 0;
    SetStateTable({Field(kFieldByte, chrBank)});
}

void Mapper87Board::Write(uint16_t address, uint8_t value) {
    if (address >= 0x8000) return;
    chrBank = (value >> 1) & 0x7F;
    SetChr8k(chrBank);
    console_.ppu.RefreshSpriteZeroProbe();
}

void Mapper87Board::AfterStateLoad() { Write(0x6000, static_cast<uint8_t>(chrBank << 1)); }

Sunsoft1Board::Sunsoft1Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 0;
    SetStateTable({Field(kFieldByte, chrLatch)});
}

void Sunsoft1Board::Write(uint16_t address, uint8_t value) {
    if (address >= 0x8000) return;
    chrLatch = value;
    SetChr4k(0, value & 7);
    SetChr4k(4, 4 + ((value >> 4) & 3));
}

void Sunsoft1Board::AfterStateLoad() { Write(0x6000, chrLatch); }

ChrGuardBoard::ChrGuardBoard(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 0;
    fillPage.fill(0xFF);
    // The decoded form of all-$FF tiles (colour 3 everywhere), so the renderer
    // only ever sees pixel values 0-3.
    DecodeChrPage(fillPage.data(), decodedFillPage.data());
    SetStateTable({Field(kFieldByte, latch)});
}

void ChrGuardBoard::Write(uint16_t address, uint8_t value) {
    if (address < 0x8000) return;
    latch = value;
    // The protection check runs while the screen is off, so neither path
    // brings the picture up to date.
    if (value & 0xDF) {
        StoreChr8k(0);
    } else {
        for (int i = 0; i < 8; ++i) PointChr(i, fillPage.data(), decodedFillPage.data());
    }
}

void ChrGuardBoard::AfterStateLoad() { Write(0x8000, latch); }

}  // namespace korvanta
