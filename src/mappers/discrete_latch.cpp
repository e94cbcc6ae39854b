// Single-latch boards with 32 KB PRG banks or a fixed PRG: NROM, CNROM,
// GxROM, AxROM, Color Dreams and CPROM.
#include "core/console.h"
#include "mappers/discrete.h"

namespace korvanta {

NromBoard::NromBoard(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = config.chrIsRam;
    sramEnabled = batteryBacked = config.battery;
}

CnromBoard::CnromBoard(Console& console, const MapperConfig& config, int variantNumber)
    : Mapper(console, config), variant(static_cast<uint32_t>(variantNumber)) {
    chrWritable = 0;
    if (config.fourScreen) SetMirroring(3);
    // The variant's default is the built one, so a snapshot without a board
    // chunk cannot turn mapper 101 into mapper 3.
    SetStateTable({Field(kFieldByte, chrLatch), Field(kFieldByte, variant, variant)});
    // The loader shows the last 8 KB of CHR; the latch says so too, or a
    // snapshot taken before the game's first write would load bank 0.
    if (config.chrBankCount >= 8) chrLatch = static_cast<uint8_t>(config.chrBankCount / 8 - 1);
}

void CnromBoard::Write(uint16_t address, uint8_t value) {
    if (variant == 1 && (address < 0x6000 || address >= 0x8000)) return;
    chrLatch = value;
    SetChr8k(value);
}

void CnromBoard::AfterStateLoad() {
    // Variant 1 only decodes $6000-$7FFF.
    Write(variant == 1 ? 0x6000 : 0x8000, chrLatch);
}

GxromBoard::GxromBoard(Console& console, const MapperConfig& config, int variantNumber)
    : Mapper(console, config), variant(static_cast<uint32_t>(variantNumber)) {
    chrWritable = 0;
    SetPrg32k(0);
    SetStateTable({Field(kFieldByte, prgBank, 255), Field(kFieldByte, chrBank, 255)});
    ResetStateTable();
}

void GxromBoard::SwitchChrIfChanged(uint8_t bank) {
    if (bank == chrBank) return;
    chrBank = bank;
    SetChr8k(bank);
}

void GxromBoard::Write(uint16_t address, uint8_t value) {
    switch (variant) {
        case 0:
            chrBank = value & 0x0F;
            SetChr8k(chrBank);
            prgBank = value >> 4;
            break;
        case 1:
            if (address >= 0x8000) return;
            SwitchChrIfChanged(value & 7);
            prgBank = value >> 3;
            break;
        default:
            SwitchChrIfChanged(value & 7);
            prgBank = value >> 4;
            break;
    }
    SetPrg32k(prgBank);
}

void GxromBoard::AfterStateLoad() {
    uint8_t chr = chrBank;
    // The loaded bank equals the register already; forget it so the windows
    // are rebuilt in the variants that skip an unchanged CHR bank.
    chrBank = 0xFF;
    if (variant == 1)
        Write(0x4120, static_cast<uint8_t>(chr | prgBank << 3));
    else
        Write(0x8000, static_cast<uint8_t>(chr | prgBank << 4));
}

AxromBoard::AxromBoard(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = config.chrIsRam;
    SetStateTable({Field(kFieldByte, prgBank), Field(kFieldByte, mirrorPage)});
}

void AxromBoard::Write(uint16_t address, uint8_t value) {
    if (address < 0x8000) return;
    prgBank = value & 0x0F;
    mirrorPage = (value >> 4) & 1;
    SetPrg32k(value);
    SetMirroring(mirrorPage ? 4 : 0);
}

void AxromBoard::AfterStateLoad() { Write(0x8000, static_cast<uint8_t>(prgBank | 16 * mirrorPage)); }

ColorDreamsBoard::ColorDreamsBoard(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 0;
    SetStateTable({Field(kFieldByte, prgBank), Field(kFieldByte, chrBank)});
}

void ColorDreamsBoard::Write(uint16_t address, uint8_t value) {
    if (address < 0x8000) return;
    chrBank = value >> 4;
    SetChr8k(chrBank);
    prgBank = value & 0x0F;
    SetPrg32k(prgBank);
}

void ColorDreamsBoard::Reset() { Write(0x8000, 0); }

void ColorDreamsBoard::AfterStateLoad() { Write(0x8000, static_cast<uint8_t>(prgBank | chrBank << 4)); }

CpromBoard::CpromBoard(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 1;
    for (int i = 0; i < 4; ++i) PointChr(i, &chrRam[i * 1024], &decodedChrRam[i * 4096]);
    SetStateTable({Field(kFieldByte, prgBank, 255), Field(kFieldByte, chrPage, 255),
                   BlockField(chrRam.data(), static_cast<uint32_t>(chrRam.size())),
                   BlockField(decodedChrRam.data(), static_cast<uint32_t>(decodedChrRam.size()))});
    ResetStateTable();
}

void CpromBoard::Write(uint16_t address, uint8_t value) {
    if (address < 0x8000) return;
    chrPage = value & 3;
    console_.ppu.RenderCatchUp(true);
    for (int i = 0; i < 4; ++i) PointChr(4 + i, &chrRam[chrPage * 4096 + i * 1024], &decodedChrRam[chrPage * 16384 + i * 4096]);
    prgBank = (value >> 4) & 0x0F;
    SetPrg32k(prgBank);
}

void CpromBoard::AfterStateLoad() { Write(0x8000, static_cast<uint8_t>(chrPage | prgBank << 4)); }

}  // namespace korvanta
