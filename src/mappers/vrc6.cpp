#include "mappers/vrc6.h"

#include "app/strings.h"
#include "core/console.h"

namespace korvanta {
namespace {

// "Unknown Memory Write %02X at %04X"
constexpr uint32_t kUnknownWriteMessage = 11;
constexpr int kMapper26 = 1;

}  // namespace

Vrc6Board::Vrc6Board(Console& console, const MapperConfig& config, int variant)
    : VrcIrqBoard(console, config, 0), sound_(console.soundOut), variant_(variant) {
    hasExpansionSound = 1;
    soundTicksPerHalfFrame = 1;
    sramEnabled = 1;
    batteryBacked = config.battery;
    chrWritable = config.chrIsRam;
    SetStateTable({
        Field(kFieldWord, prgBank16),
        Field(kFieldWord, prgBank8),
        BlockField(chrBanks.data(), sizeof chrBanks),
        Field(kFieldByte, mirroring),
        Field(kFieldByte, irqLatch),
        Field(kFieldByte, irqControl),
        Field(kFieldByte, irqAck),
        Field(kFieldDword, irqTarget),
        BlockField(sound_.channels.data(), sizeof sound_.channels),
    });
    SetPrg8k(3, PrgCount() - 1);
}

void Vrc6Board::Write(uint16_t address, uint8_t value) {
    if (variant_ == kMapper26) address = ExchangeRegisterSelects(address);
    const uint32_t prgMask = (PrgCount() - 1) & 0xFF;
    uint16_t r = address & 0xF003;
    switch (r) {
        case 0x8000:
            prgBank16 = static_cast<uint16_t>(static_cast<uint8_t>(value << 1) & prgMask);
            SetPrg8k(0, prgBank16);
            SetPrg8k(1, prgBank16 + 1u);
            return;
        case 0x9000:
        case 0x9001:
        case 0x9002:
        case 0xA000:
        case 0xA001:
        case 0xA002:
        case 0xB000:
        case 0xB001:
        case 0xB002: sound_.Write((r >> 12) - 9, r & 3, value); return;
        case 0x9003: return;
        case 0xB003: WriteMirroring(address, value); return;
        case 0xC000:
            prgBank8 = static_cast<uint16_t>(value & prgMask);
            SetPrg8k(2, prgBank8);
            return;
        case 0xD000:
        case 0xD001:
        case 0xD002:
        case 0xD003:
        case 0xE000:
        case 0xE001:
        case 0xE002:
        case 0xE003: {
            int k = (r & 3) + (r >= 0xE000 ? 4 : 0);
            chrBanks[k] = value & (ChrCount() - 1);
            SetChr1k(k, chrBanks[k]);
            return;
        }
        case 0xF000: irqLatch = value; return;
        case 0xF001: IrqWriteControl(value); return;
        case 0xF002: IrqAcknowledge(value); return;
        default: ReportUnknownWrite(address, value); return;
    }
}

void Vrc6Board::WriteMirroring(uint16_t address, uint8_t value) {
    if (value != mirroring) console_.ppu.RenderCatchUp(true);
    mirroring = value;
    // Bit 7 enables the cartridge RAM on the real chip; the RAM stays mapped.
    switch (value & 0x7F) {
        case 0x04:
        case 0x24: console_.ppu.SetMirroring(2); return;
        case 0x08:
        case 0x2C: console_.ppu.SetMirroring(4); return;
        case 0x20: console_.ppu.SetMirroring(1); return;
        case 0x28: console_.ppu.SetMirroring(0); return;
        default: ReportUnknownWrite(address, value); return;
    }
}

void Vrc6Board::ReportUnknownWrite(uint16_t address, uint8_t value) {
    ShowStringMessage(console_.host, MessageKind::Error, kUnknownWriteMessage, value, address);
}

bool Vrc6Board::MixSample(int32_t* accumulator, int sampleIndex, int half) {
    (void)sampleIndex;
    (void)half;
    *accumulator += sound_.Sample();
    return true;
}

void Vrc6Board::AfterStateLoad() {
    SetPrg8k(0, prgBank16);
    SetPrg8k(1, prgBank16 + 1u);
    SetPrg8k(2, prgBank8);
    SetPrg8k(3, PrgCount() - 1);
    for (int k = 0; k < 8; ++k) StoreChr1k(k, chrBanks[k]);
    sound_.AfterStateLoad();
}

}  // namespace korvanta
