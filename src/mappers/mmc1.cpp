#include "mappers/mmc1.h"

#include "core/console.h"
#include "mappers/prg_checksum.h"

namespace korvanta {
namespace {

// The one MMC1 game that needs undocumented opcodes, known by its PRG sum.
constexpr uint32_t kUndocumentedOpcodeGameSum = 20340647;

}  // namespace

Mmc1Board::Mmc1Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    sramEnabled = 1;
    batteryBacked = config.battery;
    chrWritable = config.chrIsRam;
    sizeClass = config.prgBankCount < 64 ? 0 : config.prgBankCount < 128 ? 1 : 2;
    if (PrgByteSum(machine_) == kUndocumentedOpcodeGameSum) machine_.allowUndocumentedOpcodes = 1;
    SetStateTable({
        Field(kFieldByte, control),
        Field(kFieldByte, chrBank0),
        Field(kFieldByte, chrBank1),
        Field(kFieldByte, prgBank),
        Field(kFieldByte, shift[0]),
        Field(kFieldByte, shift[1]),
        Field(kFieldByte, shift[2]),
        Field(kFieldByte, shift[3]),
        Field(kFieldWord, bitCount[0]),
        Field(kFieldWord, bitCount[1]),
        Field(kFieldWord, bitCount[2]),
        Field(kFieldWord, bitCount[3]),
    });
    ApplyPrg();
}

void Mmc1Board::Write(uint16_t address, uint8_t value) {
    if (value & 0x80) {
        // The reset bit forces PRG mode 3 and keeps the other control bits;
        // the board applies the same operation to every register.
        for (uint8_t* reg : {&control, &chrBank0, &chrBank1, &prgBank})
            *reg = static_cast<uint8_t>((*reg & 0x13) | 0x0C);
        shift.fill(0);
        bitCount.fill(0);
        ApplyPrg();
        return;
    }
    int range;
    switch (address & 0xE000) {
        case 0x8000: range = 0; break;
        case 0xA000: range = 1; break;
        case 0xC000: range = 2; break;
        case 0xE000: range = 3; break;
        default: return;
    }
    if (value & 1) shift[range] |= 0x20;
    shift[range] >>= 1;
    if (++bitCount[range] < 5) return;
    uint8_t result = shift[range];
    shift[range] = 0;
    bitCount[range] = 0;

    switch (range) {
        case 0:
            control = result;
            // No catch-up: games change mirroring between frames.
            switch (control & 3) {
                case 2: console_.ppu.SetMirroring(1); break;
                case 3: console_.ppu.SetMirroring(2); break;
                default: console_.ppu.SetMirroring(0); break;
            }
            // A changed CHR mode takes effect at the next CHR register write.
            ApplyPrg();
            break;
        case 1:
            chrBank0 = result;
            console_.ppu.RenderCatchUp(true);
            if (!chrWritable) StoreLowChr();
            if (sizeClass >= 1) ApplyPrg();
            break;
        case 2:
            chrBank1 = result;
            console_.ppu.RenderCatchUp(true);
            // With CHR RAM the 8 KB switch in 4 KB halves here.
            if (FourKbChr()) StoreHighChr();
            if (sizeClass == 2) ApplyPrg();
            break;
        default:
            prgBank = result;
            ApplyPrg();
            break;
    }
}

void Mmc1Board::StoreLowChr() {
    if (FourKbChr()) {
        for (uint32_t i = 0; i < 4; ++i) StoreChr1k(static_cast<int>(i), 4u * chrBank0 + i);
    } else {
        for (uint32_t i = 0; i < 8; ++i) StoreChr1k(static_cast<int>(i), 4u * (chrBank0 & 0xFEu) + i);
    }
}

void Mmc1Board::StoreHighChr() {
    for (uint32_t i = 0; i < 4; ++i) StoreChr1k(static_cast<int>(4 + i), 4u * chrBank1 + i);
}

void Mmc1Board::ApplyPrg() {
    // Above 256 KB the CHR registers' bit 4 supplies the upper PRG lines.
    uint32_t b = prgBank & 0x1Fu;
    uint32_t c = b;
    if (sizeClass == 1) {
        c = (b & 0x0F) | (chrBank0 & 0x10u);
    } else if (sizeClass == 2) {
        if (FourKbChr())
            c = (b & 0x0F) | ((chrBank0 & 0x10u) << 1) | (chrBank1 & 0x10u);
        else
            c = (chrBank0 & 0x10) ? ((b & 0x0F) | 0x30) : (b & 0x0F);
    }
    switch ((control >> 2) & 3) {
        case 0:
        case 1:
            for (uint32_t i = 0; i < 4; ++i) SetPrg8k(static_cast<int>(i), 2 * (c & 0xFEu) + i);
            break;
        case 2:
            SetPrg16k(0, c & 0xF0);
            SetPrg16k(2, c);
            break;
        default:
            SetPrg16k(0, c);
            SetPrg16k(2, c | 0x0F);
            break;
    }
}

void Mmc1Board::AfterStateLoad() {
    // A counter outside 0-4 (a damaged or foreign snapshot) would never let
    // its register complete; such a range starts a fresh sequence.
    for (size_t i = 0; i < 4; ++i) {
        if (bitCount[i] > 4) {
            bitCount[i] = 0;
            shift[i] = 0;
        }
    }
    ApplyPrg();
    // CHR RAM windows stay as they are: the registers may never have been
    // applied to them (the board sets no windows at power-on).
    if (chrWritable) return;
    StoreLowChr();
    if (FourKbChr()) StoreHighChr();
}

void Mmc1Board::LoadLegacyState(const LegacyBlock& block, const OldFormatImage& oldImage) {
    auto count = [&](size_t offset) {
        int16_t value = static_cast<int16_t>(block[offset] | block[offset + 1] << 8);
        return static_cast<uint32_t>(static_cast<int32_t>(value));
    };
    bitCount[1] = count(0);
    bitCount[2] = count(2);
    bitCount[3] = count(4);
    shift[1] = block[6];
    shift[2] = block[8];
    shift[3] = block[10];
    bitCount[0] = count(12);
    shift[0] = block[14];
    control = block[16];
    chrBank0 = static_cast<uint8_t>(oldImage.chrCurrentLow);
    chrBank1 = static_cast<uint8_t>(oldImage.chrCurrentHigh);
    prgBank = static_cast<uint8_t>(oldImage.prgCurrent);
    AfterStateLoad();
}

}  // namespace korvanta
