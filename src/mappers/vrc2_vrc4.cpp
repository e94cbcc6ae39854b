#include "mappers/vrc2_vrc4.h"

#include "core/console.h"

namespace korvanta {
namespace {

enum Wiring : int {
    kMapper23 = 0,  // A0/A1 or A2/A3
    kMapper22 = 1,  // A1/A0, CHR values shifted right
    kMapper25 = 2,  // A1/A0 (or A3/A2)
    kMapper21 = 3,  // A1/A2 or A6/A7
};

uint16_t WithLowByte(uint16_t a, uint32_t low) { return static_cast<uint16_t>((a & 0xFF00u) | (low & 0xFFu)); }

// Mapper 23 boards overflow one count (114 cycles) early.
constexpr uint32_t kMapper23Shortening = 114;

}  // namespace

Vrc2Vrc4Board::Vrc2Vrc4Board(Console& console, const MapperConfig& config, int variant)
    : VrcIrqBoard(console, config, variant == kMapper23 ? kMapper23Shortening : 0), variant_(variant) {
    batteryBacked = config.battery;
    sramEnabled = 1;
    chrWritable = 0;
    SetStateTable({
        BlockField(prgBanks.data(), sizeof prgBanks),
        BlockField(chrBanks.data(), sizeof chrBanks),
        Field(kFieldByte, mirroring),
        Field(kFieldByte, prgSwap),
        Field(kFieldByte, irqLatch),
        Field(kFieldByte, irqControl),
        Field(kFieldByte, irqAck),
        Field(kFieldDword, irqTarget),
        Field(kFieldByte, prgSwapWritten),
    });
    SetPrgLast16kAtC000();
}

uint16_t Vrc2Vrc4Board::RegisterAddress(uint16_t a, int variant) {
    switch (variant) {
        case kMapper23:
            if (a & 0x0C) return WithLowByte(a, ((a & 0xFFu) >> 2) & 0x0F);
            return a;
        case kMapper22:
        case kMapper25: return ExchangeRegisterSelects(a);
        case kMapper21:
            if (a & 0x0F) return WithLowByte(a, ((a & 0xFFu) >> 1) & 0x0F);
            if (a & 0xF0) return WithLowByte(a, (a >> 6) & 0x0Fu);
            return a;
        default: return a;
    }
}

void Vrc2Vrc4Board::Write(uint16_t address, uint8_t value) {
    uint16_t d = RegisterAddress(address, variant_);
    if (variant_ == kMapper22 && d >= 0xB000) value >>= 1;
    const uint32_t prgMask = (PrgCount() - 1) & 0xFF;
    switch (d & 0xF003) {
        case 0x8000:
        case 0x8001:
        case 0x8002:
        case 0x8003:
            prgBanks[0] = value & prgMask;
            SetPrg8k(prgSwap & 2 ? 2 : 0, prgBanks[0]);
            return;
        case 0xA000:
        case 0xA001:
        case 0xA002:
        case 0xA003:
            prgBanks[1] = value & prgMask;
            SetPrg8k(1, prgBanks[1]);
            return;
        case 0x9000: {
            if (value != mirroring) console_.ppu.RenderCatchUp(true);
            mirroring = value;
            static constexpr int kModes[4] = {1, 2, 0, 4};
            console_.ppu.SetMirroring(kModes[value & 3]);
            return;
        }
        case 0x9001:
            prgSwap = value;
            prgSwapWritten = 1;
            ApplyPrgSwap();
            sramEnabled = value & 1;
            return;
        case 0xF000: irqLatch = static_cast<uint8_t>((irqLatch & 0xF0) | (value & 0x0F)); return;
        case 0xF001: irqLatch = static_cast<uint8_t>(value << 4 | (irqLatch & 0x0F)); return;
        case 0xF002: IrqWriteControl(value); return;
        case 0xF003: IrqAcknowledge(value); return;
        default:
            if (d >= 0xB000 && d < 0xF000) WriteChr(d, value);
            return;
    }
}

void Vrc2Vrc4Board::WriteChr(uint16_t d, uint8_t value) {
    uint32_t k = 2 * ((d >> 12) - 11u) + ((d >> 1) & 1u);
    uint32_t& bank = chrBanks[k];
    // Odd registers take the high nibble, shifted over the kept low nibble.
    bank = (d & 1) ? (uint32_t{value} << 4 | (bank & 0x0F)) : ((bank & ~0x0Fu) | (value & 0x0Fu));
    if (ChrCount()) bank %= ChrCount();
    SetChr1k(static_cast<int>(k), bank);
}

void Vrc2Vrc4Board::ApplyPrgSwap() {
    bool swapped = prgSwap & 2;
    SetPrg8k(swapped ? 2 : 0, prgBanks[0]);
    SetPrg8k(swapped ? 0 : 2, PrgCount() - 2);
}

void Vrc2Vrc4Board::AfterStateLoad() {
    ApplyPrgSwap();
    SetPrg8k(1, prgBanks[1]);
    SetPrg8k(3, PrgCount() - 1);
    for (int k = 0; k < 8; ++k) {
        if (ChrCount()) chrBanks[k] %= ChrCount();
        StoreChr1k(k, chrBanks[k]);
    }
    sramEnabled = prgSwapWritten ? (prgSwap & 1) : 1;
}

}  // namespace korvanta
