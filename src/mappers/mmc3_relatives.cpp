#include "mappers/mmc3_relatives.h"

#include <utility>

#include "app/strings.h"
#include "core/console.h"

namespace korvanta {
namespace {

// "Unknown Memory Write %02X at %04X"
constexpr uint32_t kUnknownWriteMessage = 11;

}  // namespace

// Mapper 64 -----------------------------------------------------------------

Rambo1Board::Rambo1Board(Console& console, const MapperConfig& config)
    : ScanlineIrqBoard(console, config, IrqLeadIn::Rambo1) {
    sramEnabled = batteryBacked = config.battery;
    chrWritable = config.chrIsRam;
    SetStateTable({
        Field(kFieldByte, bankSelect),
        BlockField(regs.data(), static_cast<uint32_t>(sizeof regs)),
        Field(kFieldByte, mirroring),
        Field(kFieldByte, irqLatch),
        Field(kFieldByte, irqReload),
        Field(kFieldByte, irqEnabled),
        Field(kFieldDword, irqTarget),
    });
}

void Rambo1Board::Write(uint16_t address, uint8_t value) {
    switch (address & 0xE001) {
        case 0x8000: {
            // The new layout bits take effect at once.
            uint8_t changed = value ^ bankSelect;
            bankSelect = value;
            if (changed & 0x80) {
                console_.ppu.RenderCatchUp(true);
                StoreChr();
            }
            if (changed & 0x40) ApplyPrg();
            break;
        }
        case 0x8001: {
            uint32_t r = bankSelect & 0x0Fu;
            regs[r] = value;
            if (r == 6 || r == 7 || r == 15) {
                ApplyPrg();
            } else if (r < 10) {
                console_.ppu.RenderCatchUp(true);
                StoreChr();
            }
            break;
        }
        case 0xA000: mirroring = value; console_.ppu.SetMirroring(value & 1 ? 2 : 1); break;
        case 0xC000: IrqLatchAndReload(value); break;
        case 0xC001: IrqSetReload(value); break;
        case 0xE000: IrqDisable(); break;
        case 0xE001: IrqEnable(); break;
        default: break;
    }
}

void Rambo1Board::StoreChr() {
    int w = bankSelect & 0x80 ? 4 : 0;
    int o = 4 - w;
    bool fullOneKb = bankSelect & 0x20;
    StoreChr1k(w, regs[0]);
    StoreChr1k(w + 1, fullOneKb ? regs[8] : regs[0] + 1);
    StoreChr1k(w + 2, regs[1]);
    StoreChr1k(w + 3, fullOneKb ? regs[9] : regs[1] + 1);
    for (int i = 0; i < 4; ++i) StoreChr1k(o + i, regs[2 + i]);
    console_.ppu.RefreshSpriteZeroProbe();
}

void Rambo1Board::ApplyPrg() {
    if (bankSelect & 0x40) {
        SetPrg8k(1, regs[6]);
        SetPrg8k(2, regs[7]);
        SetPrg8k(0, regs[15]);
    } else {
        SetPrg8k(0, regs[6]);
        SetPrg8k(1, regs[7]);
        SetPrg8k(2, regs[15]);
    }
    SetPrg8k(3, PrgCount() - 1);
}

void Rambo1Board::AfterStateLoad() {
    for (uint32_t r = 0; r < 16; ++r) {
        bool prg = r == 6 || r == 7 || r == 15;
        regs[r] %= prg ? PrgCount() : ChrCount();
    }
    ApplyPrg();
    StoreChr();
}

// Mapper 182 ----------------------------------------------------------------

namespace {

enum class Reg182 { Chr2k, Chr1k, Prg };

Reg182 KindOf182(uint32_t r) {
    if (r == 0 || r == 2) return Reg182::Chr2k;
    if (r == 4 || r == 5) return Reg182::Prg;
    return Reg182::Chr1k;
}

}  // namespace

Mapper182Board::Mapper182Board(Console& console, const MapperConfig& config)
    : Mmc3Board(console, config, 0, IrqLeadIn::Mmc3) {}

void Mapper182Board::Write(uint16_t address, uint8_t value) {
    switch (address & 0xE003) {
        case 0x8001: mirroring = value; console_.ppu.SetMirroring(value & 1 ? 2 : 1); break;
        case 0xA000: bankSelect = value; break;
        case 0xC000: WriteBankData(value); break;
        case 0xA001: IrqLatchAndReload(value); break;
        case 0xC001: IrqDisable(); break;
        case 0xE002: IrqSetReload(value); break;
        case 0xE003: IrqEnable(); break;
        default: break;
    }
}

void Mapper182Board::WriteBankData(uint8_t value) {
    uint32_t r = bankSelect & 7u;
    switch (KindOf182(r)) {
        case Reg182::Chr2k: bankRegs[r] = value & ChrMask() & 0xFE; break;
        case Reg182::Chr1k: bankRegs[r] = value & ChrMask(); break;
        case Reg182::Prg: bankRegs[r] = value & PrgMask(); break;
    }
    if (KindOf182(r) != Reg182::Prg) console_.ppu.RenderCatchUp(true);
    StoreRegister(r);
}

void Mapper182Board::StoreRegister(uint32_t r) {
    // Windows by register: R0 0-1, R1 5, R2 2-3, R3 7, R6 4, R7 6.
    static constexpr int kWindow[8] = {0, 5, 2, 7, -1, -1, 4, 6};
    uint32_t v = bankRegs[r];
    switch (KindOf182(r)) {
        case Reg182::Chr2k:
            StoreChr1k(kWindow[r], v);
            StoreChr1k(kWindow[r] + 1, v + 1);
            break;
        case Reg182::Chr1k: StoreChr1k(kWindow[r], v); break;
        case Reg182::Prg: SetPrg8k(r == 4 ? 0 : 1, v); break;
    }
}

void Mapper182Board::AfterStateLoad() {
    for (uint32_t r = 0; r < 8; ++r) {
        switch (KindOf182(r)) {
            case Reg182::Chr2k: bankRegs[r] &= ChrMask() & 0xFE; break;
            case Reg182::Chr1k: bankRegs[r] &= ChrMask(); break;
            case Reg182::Prg: bankRegs[r] &= PrgMask(); break;
        }
        StoreRegister(r);
    }
    SetPrgLast16kAtC000();
}

// Mapper 187 ----------------------------------------------------------------

Mapper187Board::Mapper187Board(Console& console, const MapperConfig& config)
    : Mmc3Board(console, config, 0, IrqLeadIn::Early) {
    sramEnabled = sramAtPowerOn = batteryBacked = config.battery;
    uint32_t n = PrgCount();
    for (uint32_t i = 0; i < 4; ++i) prgPages[i] = n >= 4 ? n - 4 + i : i % n;
    std::vector<StateField> fields = Mmc3Fields();
    fields.push_back(Field(kFieldByte, prgMode));
    fields.push_back(Field(kFieldByte, specialMode));
    fields.push_back(Field(kFieldByte, lastWrite));
    fields.push_back(BlockField(chrPages.data(), static_cast<uint32_t>(sizeof chrPages)));
    fields.push_back(BlockField(prgPages.data(), static_cast<uint32_t>(sizeof prgPages)));
    SetStateTable(std::move(fields));
}

void Mapper187Board::Write(uint16_t address, uint8_t value) {
    lastWrite = value;
    uint32_t n = PrgCount();
    switch (address) {
        case 0x5000:
            prgMode = value;
            if ((value & 0xA0) == 0xA0) {
                for (uint32_t i = 0; i < 4; ++i) prgPages[i] = (2u * (value & 0x1E) + i) % n;
            } else if (value & 0x80) {
                prgPages[2] = 2u * (value & 0x1F) % n;
                prgPages[3] = (2u * (value & 0x1F) + 1) % n;
            } else {
                prgPages = {bankRegs[6] % n, bankRegs[7] % n, n - 2, n - 1};
            }
            ApplyPrg();
            break;
        case 0x8000:
            specialMode = 0;
            if ((value ^ bankSelect) & 0x80) {
                console_.ppu.RenderCatchUp(true);
                for (int i = 0; i < 4; ++i) std::swap(chrPages[i], chrPages[i + 4]);
                ApplyChr();
            }
            bankSelect = value;
            break;
        case 0x8001: WriteBankData(value); break;
        case 0x8003:
            specialMode = 1;
            bankSelect = value;
            if ((value & 0xF0) == 0) {
                prgPages[2] = n - 2;
                ApplyPrg();
            }
            break;
        case 0xA000: mirroring = value; console_.ppu.SetMirroring(value & 1 ? 2 : 1); break;
        case 0xA001:
            if (WriteRamControl(value)) sramEnabled = value >> 7;
            break;
        case 0xC000: IrqSetLatch(value); break;
        case 0xC001: IrqSetReload(value); break;
        case 0xE000:
        case 0xE002: IrqDisable(); break;
        case 0xE001:
        case 0xE003: IrqEnable(); break;
        default: break;
    }
}

void Mapper187Board::WriteBankData(uint8_t value) {
    uint32_t r = bankSelect & 7u;
    uint32_t n = PrgCount();
    if (r < 6) console_.ppu.RenderCatchUp(true);
    bankRegs[r] = value;
    if (specialMode) {
        // The protection's fixed pages, chosen by the select value.
        switch (bankSelect) {
            case 0x26: break;
            case 0x28: prgPages[2] = 23 % n; break;
            case 0x2A: prgPages[1] = 15 % n; break;
            default: ShowStringMessage(console_.host, MessageKind::Error, kUnknownWriteMessage, value, 0x8001); break;
        }
        ApplyPrg();
        return;
    }
    uint32_t count = ChrCount();
    int twoKb = bankSelect & 0x80 ? 4 : 0;
    int oneKb = 4 - twoKb;
    if (r < 2) {
        uint32_t h = ((value + 256u) % count) & 0xFFFE;
        int w = twoKb + 2 * static_cast<int>(r);
        chrPages[w] = h;
        chrPages[w + 1] = h + 1;
        ApplyChr();
    } else if (r < 6) {
        chrPages[oneKb + static_cast<int>(r) - 2] = value & ChrMask();
        ApplyChr();
    } else if ((prgMode & 0xA0) != 0xA0) {
        prgPages[r - 6] = value & PrgMask();
        ApplyPrg();
    }
}

uint8_t Mapper187Board::Read(uint16_t) {
    // The protection chip answers with a value chosen by the last write.
    switch (lastWrite & 3) {
        case 2: return 0x42;
        case 3: return 0x00;
        default: return 0x83;
    }
}

void Mapper187Board::ApplyChr() {
    for (int w = 0; w < 8; ++w) StoreChr1k(w, chrPages[w]);
}

void Mapper187Board::ApplyPrg() {
    for (int w = 0; w < 4; ++w) SetPrg8k(w, prgPages[w]);
}

void Mapper187Board::AfterStateLoad() {
    // The page lists index the page tables directly; a snapshot may hold
    // anything.
    for (uint32_t& page : chrPages) page %= ChrCount();
    for (uint32_t& page : prgPages) page %= PrgCount();
    for (uint32_t r = 0; r < 8; ++r) bankRegs[r] %= r < 6 ? ChrCount() : PrgCount();
    ApplyChr();
    ApplyPrg();
    RestoreSramEnable();
}

// Mapper 189 ----------------------------------------------------------------

Mapper189Board::Mapper189Board(Console& console, const MapperConfig& config)
    : Mmc3Board(console, config, 0, IrqLeadIn::Early) {
    sramEnabled = sramAtPowerOn = batteryBacked = config.battery;
    std::vector<StateField> fields = Mmc3Fields();
    fields.push_back(Field(kFieldByte, prgBase));
    SetStateTable(std::move(fields));
}

void Mapper189Board::Write(uint16_t address, uint8_t value) {
    switch (address & 0xE001) {
        case 0x4000:
        case 0x6000:
            prgBase = static_cast<uint8_t>((value >> 2) & PrgMask() & 0x3C);
            ApplyPrg();
            break;
        // The MMC3 PRG registers and layout bit are kept but switch nothing.
        case 0x8000: SelectBank(value, false); break;
        case 0x8001: WriteBankData(value, false); break;
        // Stored, but the RAM stays as the cartridge was built.
        case 0xA001: WriteRamControl(value); break;
        default: Mmc3Board::Write(address, value); break;
    }
}

void Mapper189Board::ApplyPrg() {
    // An image smaller than the bank wraps page by page.
    for (uint32_t i = 0; i < 4; ++i) SetPrg8k(static_cast<int>(i), prgBase + i);
}

void Mapper189Board::AfterStateLoad() {
    MaskBankRegisters();
    StoreChrRegisters();
    prgBase = static_cast<uint8_t>(prgBase & PrgMask() & 0x3C);
    ApplyPrg();
    // The game can never change the RAM mapping at run time, so a snapshot
    // leaves it as constructed.
}

}  // namespace korvanta
