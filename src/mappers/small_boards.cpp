#include "mappers/small_boards.h"

#include "core/console.h"

namespace korvanta {

// Mapper 243 ----------------------------------------------------------------

Sachen243Board::Sachen243Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = config.chrIsRam;
    sramEnabled = batteryBacked = config.battery;
    SetStateTable({Field(kFieldByte, index), BlockField(regs.data(), static_cast<uint32_t>(sizeof regs))});
    // The registers start on the banks the loader placed (the last 32 KB of
    // PRG, the last 8 KB of CHR where the bank bits reach it), so a snapshot
    // taken before the first write restores the same windows.
    uint32_t n8 = PrgCount(), n1 = ChrCount();
    regs[5] = static_cast<uint8_t>(n8 >= 4 ? n8 / 4 - 1 : 0);
    uint32_t last = n1 >= 8 ? n1 / 8 - 1 : 0;
    if (n1 > 127) {
        regs[2] = last & 1;
        last >>= 1;
    }
    regs[4] = last & 1;
    regs[6] = (last >> 1) & 3;
}

void Sachen243Board::Write(uint16_t address, uint8_t value) {
    if (address == 0x4100) {
        index = value & 7;
    } else if (address == 0x4101) {
        regs[index] = value;
        if (index == 2 || index == 4 || index == 6)
            ApplyChr();
        else if (index == 5)
            ApplyPrg();
    }
}

void Sachen243Board::ApplyPrg() { SetPrg32k(regs[5]); }

void Sachen243Board::ApplyChr() {
    uint32_t bank = ((regs[6] << 1) & 7u) | (regs[4] & 1u);
    if (ChrCount() > 127) bank = (bank << 1) | (regs[2] & 1u);
    // The games switch between frames; the board skips the catch-up.
    StoreChr8k(bank);
}

void Sachen243Board::AfterStateLoad() {
    ApplyPrg();
    ApplyChr();
}

// Mapper 246 ----------------------------------------------------------------

Mapper246Board::Mapper246Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = config.chrIsRam;
    batteryBacked = config.battery;
    // $6000-$67FF are registers, so the board serves the RAM itself.
    sramEnabled = 0;
    SetStateTable({BlockField(prgRegs.data(), static_cast<uint32_t>(sizeof prgRegs)),
                   BlockField(chrRegs.data(), static_cast<uint32_t>(sizeof chrRegs))});
    // The registers start on the loader's banks (the last 32 KB of PRG, the
    // last 8 KB of CHR), so an unwritten board saves what it shows.
    uint32_t n8 = PrgCount(), n1 = ChrCount();
    for (uint32_t i = 0; i < 4; ++i) {
        prgRegs[i] = static_cast<uint8_t>(n8 >= 4 ? n8 - 4 + i : (n8 ? i % n8 : 0));
        chrRegs[i] = static_cast<uint8_t>(n1 >= 8 ? n1 / 2 - 4 + i : i);
    }
}

void Mapper246Board::Write(uint16_t address, uint8_t value) {
    if (address >= 0x6800 && address <= 0x7FFF) {
        machine_.sram[address & 0x1FFF] = value;
    } else if (address >= 0x6000 && address <= 0x6003) {
        prgRegs[address & 3] = value;
        SetPrg8k(address & 3, value);
    } else if (address >= 0x6004 && address <= 0x6007) {
        uint8_t& reg = chrRegs[address & 3];
        if (reg == value) return;
        reg = value;
        SetChr2k(2 * (address & 3), value);
    }
}

uint8_t Mapper246Board::Read(uint16_t address) {
    if (address >= 0x6800 && address <= 0x7FFF) return machine_.sram[address & 0x1FFF];
    return 0;
}

void Mapper246Board::Reset() {
    prgRegs[3] = static_cast<uint8_t>(PrgCount() - 1);
    SetPrg8k(3, prgRegs[3]);
}

void Mapper246Board::AfterStateLoad() {
    for (int i = 0; i < 4; ++i) {
        SetPrg8k(i, prgRegs[i]);
        StoreChr1k(2 * i, 2u * chrRegs[i]);
        StoreChr1k(2 * i + 1, 2u * chrRegs[i] + 1);
    }
}

// Mapper 254 ----------------------------------------------------------------

Mapper254Board::Mapper254Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = config.chrIsRam;
    sramEnabled = batteryBacked = config.battery;
    SetStateTable(std::span<const StateField>());
}

void Mapper254Board::Write(uint16_t address, uint8_t value) {
    DebugPrint("%04X %02X write(%d:%d)\n", address, value, ScanlineOf(machine_.cycles),
               static_cast<int>(machine_.cycles));
}

uint8_t Mapper254Board::Read(uint16_t address) {
    DebugPrint("%04X ?? read-(%d:%d)\n", address, ScanlineOf(machine_.cycles), static_cast<int>(machine_.cycles));
    return 0;
}

}  // namespace korvanta
