#include "mappers/mmc3.h"

#include <utility>

#include "core/console.h"
#include "mappers/prg_checksum.h"

namespace korvanta {
namespace {

enum Mmc3Variant : uint32_t { kMapper4 = 0, kMapper118 = 1, kMapper245 = 2 };

// The one MMC3 game that switches banks in the middle of a line, known by
// its PRG sum.
constexpr uint32_t kPerDotGameSum = 20184174;

}  // namespace

Mmc3Board::Mmc3Board(Console& console, const MapperConfig& config, int variantNumber)
    : Mmc3Board(console, config, variantNumber, IrqLeadIn::Mmc3) {
    if (PrgByteSum(machine_) == kPerDotGameSum) machine_.perDotBankSwitching = 1;
}

Mmc3Board::Mmc3Board(Console& console, const MapperConfig& config, int variantNumber, IrqLeadIn leadIn)
    : ScanlineIrqBoard(console, config, leadIn),
      fourScreen(config.fourScreen),
      variant(static_cast<uint32_t>(variantNumber)) {
    batteryBacked = config.battery;
    sramEnabled = sramAtPowerOn = 1;
    chrWritable = config.chrIsRam;
    SetStateTable(Mmc3Fields());
}

std::vector<StateField> Mmc3Board::Mmc3Fields() {
    return {
        Field(kFieldByte, bankSelect),
        BlockField(bankRegs.data(), static_cast<uint32_t>(sizeof bankRegs)),
        Field(kFieldByte, mirroring),
        Field(kFieldByte, ramControl),
        Field(kFieldByte, irqLatch),
        Field(kFieldByte, irqReload),
        Field(kFieldByte, irqEnabled),
        Field(kFieldDword, irqTarget),
    };
}

void Mmc3Board::Write(uint16_t address, uint8_t value) {
    switch (address & 0xE001) {
        case 0x8000: SelectBank(value, true); break;
        case 0x8001: WriteBankData(value, true); break;
        case 0xA000:
            if (variant != kMapper118) WriteMirroring(value);
            break;
        case 0xA001:
            if (WriteRamControl(value)) sramEnabled = value >> 7;
            break;
        case 0xC000: IrqLatchAndReload(value); break;
        case 0xC001: IrqSetReload(value); break;
        case 0xE000: IrqDisable(); break;
        case 0xE001: IrqEnable(); break;
        default: break;
    }
}

void Mmc3Board::SelectBank(uint8_t value, bool swapsPrg) {
    uint8_t changed = value ^ bankSelect;
    if ((changed & 0x80) && variant != kMapper245) {
        console_.ppu.RenderCatchUp(true);
        Ppu& ppu = console_.ppu;
        for (int w = 0; w < 4; ++w) {
            std::swap(ppu.chrWindow[w], ppu.chrWindow[w + 4]);
            std::swap(ppu.decodedChrWindow[w], ppu.decodedChrWindow[w + 4]);
        }
    }
    if ((changed & 0x40) && swapsPrg) std::swap(machine_.prgWindow[0], machine_.prgWindow[2]);
    bankSelect = value;
}

void Mmc3Board::WriteBankData(uint8_t value, bool switchesPrg) {
    uint32_t r = bankSelect & 7u;
    if (r < 6) {
        if (variant == kMapper245) return;
        console_.ppu.RenderCatchUp(true);
        if (variant == kMapper118) console_.ppu.SetMirroring(value & 0x80 ? 4 : 0);
        uint32_t v = value & ChrMask();
        if (r < 2) v &= 0xFE;
        bankRegs[r] = v;
        StoreChrRegister(r);
        return;
    }
    bankRegs[r] = value & PrgMask();
    if (!switchesPrg) return;
    if (r == 6)
        SetPrg8k(bankSelect & 0x40 ? 2 : 0, bankRegs[6]);
    else
        SetPrg8k(1, bankRegs[7]);
}

void Mmc3Board::StoreChrRegister(uint32_t r) {
    // CHR layout 0: 2 KB banks at $0000, 1 KB banks at $1000; layout 1 swaps.
    int twoKb = bankSelect & 0x80 ? 4 : 0;
    int oneKb = 4 - twoKb;
    uint32_t v = bankRegs[r];
    if (r < 2) {
        StoreChr1k(twoKb + 2 * static_cast<int>(r), v);
        StoreChr1k(twoKb + 2 * static_cast<int>(r) + 1, v + 1);
    } else {
        StoreChr1k(oneKb + static_cast<int>(r) - 2, v);
    }
}

void Mmc3Board::StoreChrRegisters() {
    for (uint32_t r = 0; r < 6; ++r) StoreChrRegister(r);
}

void Mmc3Board::WriteMirroring(uint8_t value) {
    mirroring = value;
    // No catch-up: games change it between frames.
    if (fourScreen)
        console_.ppu.SetMirroring(3);
    else
        console_.ppu.SetMirroring(value & 1 ? 2 : 1);
}

bool Mmc3Board::WriteRamControl(uint8_t value) {
    if (((value ^ ramControl) & 0x80) == 0) return false;
    ramControl = value;
    return true;
}

void Mmc3Board::MaskBankRegisters() {
    for (uint32_t r = 0; r < 6; ++r) bankRegs[r] &= ChrMask() & (r < 2 ? 0xFEu : 0xFFu);
    bankRegs[6] &= PrgMask();
    bankRegs[7] &= PrgMask();
}

void Mmc3Board::RestoreSramEnable() {
    // ramControl stays 0 until a write sets bit 7, and the RAM is mapped from
    // construction, so 0 means the game never changed it.
    sramEnabled = ramControl == 0 ? sramAtPowerOn : static_cast<uint8_t>(ramControl >> 7);
}

void Mmc3Board::AfterStateLoad() {
    MaskBankRegisters();
    if (variant != kMapper245) StoreChrRegisters();
    uint32_t last = PrgCount() - 1;
    bool swapped = bankSelect & 0x40;
    SetPrg8k(swapped ? 2 : 0, bankRegs[6]);
    SetPrg8k(swapped ? 0 : 2, last - 1);
    SetPrg8k(1, bankRegs[7]);
    SetPrg8k(3, last);
    RestoreSramEnable();
}

}  // namespace korvanta
