#include "mappers/multicart.h"

#include "core/console.h"

namespace korvanta {

// Mapper 15 -----------------------------------------------------------------

Mapper15Board::Mapper15Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = config.chrIsRam;
    sramEnabled = batteryBacked = config.battery;
    SetStateTable({BlockField(pages.data(), static_cast<uint32_t>(sizeof pages))});
    ResetStateTable();
    Write(0x8000, 0);
}

void Mapper15Board::Write(uint16_t address, uint8_t value) {
    uint32_t b = 2u * (value & 0x3Fu);
    uint32_t s = value >> 7;
    int mirroring = value & 0x40 ? 2 : 1;
    uint32_t n = PrgCount();
    auto place = [&](uint32_t p0, uint32_t p1, uint32_t p2, uint32_t p3) {
        pages[s] = p0 % n;
        pages[1 - s] = p1 % n;
        pages[2 + s] = p2 % n;
        pages[3 - s] = p3 % n;
    };
    if (n != 0) {
        switch (address) {
            case 0x8000:
                SetMirroring(mirroring);
                place(b, b + 1, b + 2, b + 3);
                break;
            case 0x8001: place(b, b + 1, b, b + 1); break;
            case 0x8002: pages.fill((b + s) % n); break;
            case 0x8003:
                SetMirroring(mirroring);
                place(b, b + 1, b, b + 1);
                break;
            default: break;
        }
    }
    ApplyPrg();
}

void Mapper15Board::ApplyPrg() {
    for (int i = 0; i < 4; ++i) SetPrg8k(i, pages[i]);
}

// Mapper 225 ----------------------------------------------------------------

Mapper225Board::Mapper225Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 0;
    sramEnabled = batteryBacked = config.battery;
    SetStateTable({
        Field(kFieldByte, prgBank),
        Field(kFieldByte, chrBank),
        Field(kFieldWord, lastAddress),
        BlockField(nibbleRam.data(), static_cast<uint32_t>(sizeof nibbleRam)),
    });
    ResetStateTable();
    Write(0x8000, 0);
}

void Mapper225Board::Write(uint16_t address, uint8_t value) {
    if (address >= 0x5800 && address <= 0x5FFF) {
        nibbleRam[address & 3] = value & 0x0F;
        return;
    }
    if (address < 0x8000) return;
    lastAddress = address;
    chrBank = address & 0x3F;
    SetChr8k(chrBank);
    prgBank = (address >> 7) & 0x1F;
    if (address & 0x1000) {
        uint32_t first = 4u * prgBank + (address & 0x40 ? 2 : 0);
        for (int i = 0; i < 4; ++i) SetPrg8k(i, first + (i & 1u));
    } else {
        SetPrg32k(prgBank);
    }
    SetMirroring(address & 0x2000 ? 2 : 1);
}

uint8_t Mapper225Board::Read(uint16_t address) {
    if (address >= 0x5800 && address <= 0x5FFF) return nibbleRam[address & 3] & 0x0F;
    return 0;
}

// Mapper 226 ----------------------------------------------------------------

Mapper226Board::Mapper226Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 1;
    sramEnabled = batteryBacked = config.battery;
    SetStateTable({BlockField(regs.data(), static_cast<uint32_t>(sizeof regs))});
    ResetStateTable();
    Reset();
}

void Mapper226Board::Reset() {
    Write(0x8000, 0);
    Write(0x8001, 0);
}

void Mapper226Board::Write(uint16_t address, uint8_t value) {
    if (address < 0x8000) return;
    if (address & 1) {
        regs[1] = value;
        chrWritable = value & 0x02 ? 0 : 1;
    } else {
        regs[0] = value;
        SetMirroring(value & 0x40 ? 1 : 2);
    }
    uint32_t r0 = regs[0], r1 = regs[1];
    uint32_t high = ((r1 & 1u) << 6) | ((r0 >> 2) & 0x20u);
    if (r0 & 0x20) {
        uint32_t bank = (r0 & 0x1Fu) | high;
        SetPrg16k(0, bank);
        SetPrg16k(2, bank);
    } else {
        uint32_t first = 2u * (high | (r0 & 0x1Eu));
        for (int i = 0; i < 4; ++i) SetPrg8k(i, first + static_cast<uint32_t>(i));
    }
}

void Mapper226Board::AfterStateLoad() {
    Write(0x8000, regs[0]);
    Write(0x8001, regs[1]);
}

// Mapper 230 ----------------------------------------------------------------

Mapper230Board::Mapper230Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 1;
    sramEnabled = batteryBacked = config.battery;
    for (int i = 0; i < 4; ++i) SetPrg8k(i, 12u + static_cast<uint32_t>(i));
    SetStateTable({Field(kFieldByte, lastValue), Field(kFieldByte, mode)});
    ResetStateTable();
}

void Mapper230Board::Reset() {
    mode = (mode + 1) % 5;
    Write(0x8000, lastValue);
}

void Mapper230Board::Write(uint16_t address, uint8_t value) {
    if (address < 0x8000) return;
    lastValue = value;
    if (mode == 1 || mode == 3) {
        // The first game: 16 KB banks of the first 128 KB, its last bank fixed.
        SetMirroring(1);
        SetPrg16k(0, value & 7u);
        SetPrg16k(2, 7);
        return;
    }
    SetMirroring(value & 0x40 ? 1 : 2);
    if (value & 0x20) {
        uint32_t first = 2u * (value & 0x1Fu) + 16;
        for (int i = 0; i < 4; ++i) SetPrg8k(i, first + (i & 1u));
    } else {
        uint32_t first = 4u * ((value >> 1) & 0x0Fu) + 16;
        for (int i = 0; i < 4; ++i) SetPrg8k(i, first + static_cast<uint32_t>(i));
    }
}

// Mapper 234 ----------------------------------------------------------------

Mapper234Board::Mapper234Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 0;
    sramEnabled = batteryBacked = config.battery;
    PlaceLastPrg32k(machine_);
    SetStateTable({Field(kFieldWord, lastAddress)});
    ResetStateTable();
}

void Mapper234Board::Write(uint16_t address, uint8_t value) {
    (void)value;
    if (address < 0x8000) return;
    lastAddress = address;
    SetChr8k(address & 7u);
    SetMirroring(address & 0x04 ? 1 : 2);
    if (address & 0x4000) {
        SetPrg32k((address & 6u) >> 1);
    } else {
        SetPrg16k(0, address & 7u);
        SetPrg16k(2, address & 7u);
    }
}

void Mapper234Board::AfterStateLoad() {
    if (lastAddress >= 0x8000) {
        Write(lastAddress, 0);
        return;
    }
    // Never written: the windows the board started with.
    PlaceLastPrg32k(machine_);
    if (ChrCount() >= 8) StoreChr8k(ChrCount() / 8 - 1);
}

// Mapper 235 ----------------------------------------------------------------

Mapper235Board::Mapper235Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 1;
    sramEnabled = batteryBacked = config.battery;
    PlaceLastPrg32k(machine_);
    openBusPage.fill(0xFF);
    SetStateTable({Field(kFieldByte, bank), Field(kFieldWord, lastAddress)});
    ResetStateTable();
    Write(0x8000, 0);
}

void Mapper235Board::Write(uint16_t address, uint8_t value) {
    (void)value;
    if (address < 0x8000) return;
    lastAddress = address;
    if (PrgCount() < 512 && (address & 0x200)) {
        // The second chip of the largest carts is missing.
        for (uint8_t*& window : machine_.prgWindow) window = openBusPage.data();
    } else {
        bank = static_cast<uint8_t>(((address >> 3) & 0x60) | (address & 0x1F));
        for (uint32_t i = 0; i < 4; ++i) {
            uint32_t j = i;
            if (address & 0x800) j = address & 0x1000 ? (i & 1) | 2 : i & 1;
            SetPrg8k(static_cast<int>(i), 4u * bank + j);
        }
    }
    switch (address & 0x2400) {
        case 0x0000: SetMirroring(1); break;
        case 0x2000: SetMirroring(2); break;
        default: SetMirroring(0); break;
    }
}

// Mappers 236 and 237 ---------------------------------------------------------

Mapper236Board::Mapper236Board(Console& console, const MapperConfig& config)
    : Mapper236Board(console, config, false) {}

Mapper236Board::Mapper236Board(Console& console, const MapperConfig& config, bool mapper237)
    : Mapper(console, config), mapper237_(mapper237) {
    chrWritable = 1;
    sramEnabled = batteryBacked = config.battery;
    SetStateTable({Field(kFieldWord, chrAddress), Field(kFieldWord, prgAddress)});
    ResetStateTable();
    Reset();
}

void Mapper236Board::Reset() {
    Write(0x8000, 0);
    Write(0xC000, 0);
}

void Mapper236Board::Write(uint16_t address, uint8_t value) {
    (void)value;
    if (address < 0x8000) return;
    if (address & 0x4000) {
        prgAddress = address;
    } else {
        chrAddress = address;
        SetMirroring(address & 0x20 ? 2 : 1);
        if (mapper237_) StoreChr8k(address & 7u);
    }
    ApplyPrg();
}

void Mapper236Board::ApplyPrg() {
    uint32_t n = PrgCount();
    if (n == 0) return;
    uint32_t p = prgAddress;
    uint32_t b = p & 7u;
    uint32_t outer = mapper237_ ? 0 : 16u * (chrAddress & 7u);
    uint32_t c;
    switch (p & 0x30) {
        case 0x10:
            if (mapper237_)
                FillPrgBuffer({2 * b, 2 * b + 1, (n - 1) & ~1u, (n - 1) | 1u}, 13);
            else
                FillPrgBuffer({outer + 2 * b, outer + 2 * b + 1, outer + 14, outer + 15}, 6);
            return;
        case 0x00: c = mapper237_ ? (n - 1) >> 1 : 7; break;
        case 0x30: c = b; break;
        default:
            b = p & 6u;
            c = b + 1;
            break;
    }
    SetPrg8k(0, outer + 2 * b);
    SetPrg8k(1, outer + 2 * b + 1);
    SetPrg8k(2, outer + 2 * c);
    SetPrg8k(3, outer + 2 * c + 1);
}

void Mapper236Board::FillPrgBuffer(const std::array<uint32_t, 4>& sources, uint32_t pick) {
    uint32_t n = PrgCount();
    for (size_t k = 0; k < 4; ++k) {
        const uint8_t* source = machine_.prgPages[sources[k] % n];
        uint8_t* part = &prgBuffer[k * 0x2000];
        for (size_t row = 0; row < 0x2000; row += 16) {
            uint8_t byte = source[row + pick];
            for (size_t i = 0; i < 16; ++i) part[row + i] = byte;
        }
        machine_.prgWindow[k] = part;
    }
}

void Mapper236Board::AfterStateLoad() {
    Write(chrAddress, 0);
    Write(prgAddress, 0);
}

Mapper237Board::Mapper237Board(Console& console, const MapperConfig& config) : Mapper236Board(console, config, true) {}

// Mapper 242 ----------------------------------------------------------------

Mapper242Board::Mapper242Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 1;
    sramEnabled = batteryBacked = config.battery;
    SetStateTable({Field(kFieldWord, lastAddress)});
    ResetStateTable();
    SetPrg32k(0);
}

void Mapper242Board::Write(uint16_t address, uint8_t value) {
    (void)value;
    if (address < 0x8000) return;
    lastAddress = address;
    for (uint32_t i = 0; i < 4; ++i) SetPrg8k(static_cast<int>(i), 4u * (address >> 3) + i);
    SetMirroring(address & 0x02 ? 2 : 1);
}

void Mapper242Board::Reset() {
    // Forget the latch too, so a snapshot taken now restores pages 0-3.
    lastAddress = 0;
    SetPrg32k(0);
}

void Mapper242Board::AfterStateLoad() {
    if (lastAddress >= 0x8000)
        Write(lastAddress, 0);
    else
        SetPrg32k(0);
}

}  // namespace korvanta
