#include "mappers/mapper90.h"

#include "core/console.h"

namespace korvanta {

namespace {

// Larger images are cut into outer banks: 64 PRG pages and 256 CHR pages.
constexpr uint32_t kOuterPrgPages = 64;
constexpr uint32_t kOuterChrPages = 256;
constexpr uint32_t kOuterChrThreshold = 512;

}  // namespace

Mapper90Board::Mapper90Board(Console& console, const MapperConfig& config) : LineTimerBoard(console, config) {
    chrWritable = 0;
    batteryBacked = config.battery;
    sramEnabled = 1;
    hasExpansionSound = 0;
    SetStateTable({
        BlockField(prgRegs.data(), static_cast<uint32_t>(sizeof prgRegs)),
        BlockField(chrLow.data(), static_cast<uint32_t>(sizeof chrLow)),
        BlockField(chrHigh.data(), static_cast<uint32_t>(sizeof chrHigh)),
        BlockField(irqRegs.data(), static_cast<uint32_t>(sizeof irqRegs)),
        Field(kFieldByte, control),
        Field(kFieldByte, mirroring),
        Field(kFieldByte, regD002),
        Field(kFieldByte, outerBank),
        BlockField(ntLow.data(), static_cast<uint32_t>(sizeof ntLow)),
        BlockField(ntHigh.data(), static_cast<uint32_t>(sizeof ntHigh)),
        Field(kFieldByte, mulA),
        Field(kFieldByte, mulB),
    });
    ResetStateTable();
    // The PRG registers start on the last 32 KB; the name tables keep the
    // loader's mirroring until the game writes $D000 or $D001.
    for (uint32_t i = 0; i < 4; ++i) prgRegs[i] = static_cast<uint8_t>(PrgCount() - 4 + i);
    ApplyPrg();
    ApplyChr();
}

void Mapper90Board::Write(uint16_t address, uint8_t value) {
    uint16_t a = address & 0xF007;
    switch (a) {
        case 0x5000: mulA = value; break;
        case 0x5001: mulB = value; break;
        case 0x8000: case 0x8001: case 0x8002: case 0x8003:
            prgRegs[a & 3] = value;
            ApplyPrg();
            break;
        case 0x9000: case 0x9001: case 0x9002: case 0x9003:
        case 0x9004: case 0x9005: case 0x9006: case 0x9007:
            console_.ppu.RenderCatchUp(true);
            chrLow[a & 7] = value;
            ApplyChr();
            break;
        case 0xA000: case 0xA001: case 0xA002: case 0xA003:
        case 0xA004: case 0xA005: case 0xA006: case 0xA007:
            console_.ppu.RenderCatchUp(true);
            chrHigh[a & 7] = value;
            ApplyChr();
            break;
        case 0xB000: case 0xB001: case 0xB002: case 0xB003: {
            console_.ppu.RenderCatchUp(true);
            ntLow[a & 3] = value;
            // Pages 0-3 in order is the games' way of handing the name
            // tables back to the console's RAM.
            bool identity = true;
            for (uint32_t j = 0; j < 4; ++j) identity = identity && ntHigh[j] == 0 && ntLow[j] == j;
            if (identity) control &= static_cast<uint8_t>(~0x20);
            ApplyNameTables();
            break;
        }
        case 0xB004: case 0xB005: case 0xB006: case 0xB007:
            console_.ppu.RenderCatchUp(true);
            ntHigh[a & 3] = value;
            ApplyNameTables();
            break;
        case 0xC000: case 0xC001: case 0xC004: case 0xC006: case 0xC007: irqRegs[a & 7] = value; break;
        case 0xC002:
            irqRegs[2] = value;
            CancelIrq();
            break;
        case 0xC003:
            irqRegs[3] = value;
            if (irqRegs[5] == 0)
                machine_.irqPending = 1;
            else
                Write(0xC005, irqRegs[5]);
            break;
        case 0xC005:
            irqRegs[5] = value;
            machine_.irqPending = 0;
            if (value == 0)
                machine_.boardIrqTime = 0;
            else
                ArmIrq(value);
            break;
        // The control registers switch windows without bringing the picture
        // up to date first.
        case 0xD000:
            control = value;
            ApplyPrg();
            ApplyChr();
            ApplyNameTables();
            break;
        case 0xD001:
            mirroring = value;
            if (!RomNameTables()) ApplyMirroring();
            break;
        case 0xD002: regD002 = value; break;
        case 0xD003:
            outerBank = value;
            ApplyPrg();
            ApplyChr();
            break;
        default: break;
    }
}

uint8_t Mapper90Board::Read(uint16_t address) {
    if ((address & 0xF007) == 0x5000) return static_cast<uint8_t>(mulA * mulB);
    if (address >= 0x6000 && address < 0x8000 && lowPrgPage) return lowPrgPage[address & 0x1FFF];
    return 0;
}

void Mapper90Board::IrqTimeReached() {
    machine_.boardIrqTime = 0;
    irqRegs[5] = 0;
}

void Mapper90Board::AfterStateLoad() {
    ApplyPrg();
    ApplyChr();
    ApplyNameTables();
}

void Mapper90Board::ApplyPrg() {
    const uint32_t n8 = PrgCount();
    if (n8 == 0) return;
    uint32_t m = n8;
    uint32_t base = 0;
    if (n8 > kOuterPrgPages) {
        m = kOuterPrgPages;
        base = kOuterPrgPages * ((outerBank >> 1) & 3u);
    }
    // Pages counted from the end of the outer bank; an image smaller than
    // 32 KB repeats. SetPrg8k also wraps an outer bank beyond the image.
    auto fromEnd = [&](uint32_t k) { return base + (4 * m - k) % m; };
    auto inner = [&](uint32_t page) { return base + page % m; };
    switch (control & 3) {
        case 0:
            for (int i = 0; i < 4; ++i) SetPrg8k(i, fromEnd(4u - static_cast<uint32_t>(i)));
            break;
        case 1:
            SetPrg8k(0, inner(2u * prgRegs[1]));
            SetPrg8k(1, inner(2u * prgRegs[1] + 1));
            SetPrg8k(2, fromEnd(2));
            SetPrg8k(3, fromEnd(1));
            break;
        case 2:
            for (int i = 0; i < 3; ++i) SetPrg8k(i, inner(prgRegs[i]));
            if (control & 0x04) {
                SetPrg8k(3, inner(prgRegs[3]));
            } else {
                SetPrg8k(3, fromEnd(1));
                if (control & 0x80) {
                    // ROM at $6000-$7FFF is read through the board, so the
                    // cartridge RAM keeps its contents underneath.
                    lowPrgPage = machine_.prgPages[inner(prgRegs[3]) % n8];
                    sramEnabled = 0;
                    return;
                }
            }
            break;
        default:
            // The one board message with no entry in the string tables: the
            // text is shown as it stands, in every language.
            console_.host.ShowMessage("??? 8kBank Reverse", MessageKind::Information);
            return;
    }
    lowPrgPage = nullptr;
    sramEnabled = 1;
}

void Mapper90Board::ApplyChr() {
    const uint32_t n1 = ChrCount();
    if (n1 == 0) return;
    uint32_t m = n1;
    uint32_t base = 0;
    if (n1 > kOuterChrThreshold) {
        m = kOuterChrPages;
        base = kOuterChrPages * ((outerBank & 1u) | ((outerBank >> 2) & 6u));
    }
    auto page = [&](uint32_t p) { return base + p % m; };
    switch (control & 0x18) {
        case 0x00:
            for (uint32_t i = 0; i < 8; ++i) StoreChr1k(static_cast<int>(i), page(8u * chrLow[0] + i));
            break;
        case 0x08:
            for (uint32_t i = 0; i < 4; ++i) {
                StoreChr1k(static_cast<int>(i), page(4u * chrLow[0] + i));
                StoreChr1k(static_cast<int>(4 + i), page(4u * chrLow[4] + i));
            }
            break;
        case 0x10:
            for (uint32_t k = 0; k < 4; ++k) {
                StoreChr1k(static_cast<int>(2 * k), page(2u * chrLow[2 * k]));
                StoreChr1k(static_cast<int>(2 * k + 1), page(2u * chrLow[2 * k] + 1));
            }
            break;
        default:
            for (uint32_t i = 0; i < 8; ++i) StoreChr1k(static_cast<int>(i), page(256u * chrHigh[i] + chrLow[i]));
            break;
    }
}

void Mapper90Board::ApplyNameTables() {
    const uint32_t n1 = ChrCount();
    if (!RomNameTables() || n1 == 0) {
        ApplyMirroring();
        return;
    }
    Ppu& ppu = console_.ppu;
    for (uint32_t j = 0; j < 4; ++j) {
        // The name-table registers ignore the outer CHR bank.
        uint8_t* page = machine_.chrPages[(256u * ntHigh[j] + ntLow[j]) % n1];
        ppu.nameTable[j] = page;
        ppu.attributeCacheWindow[j] = nameTableAttr[j].data();
        Ppu::RebuildAttributeCache(page, nameTableAttr[j].data());
    }
}

void Mapper90Board::ApplyMirroring() {
    static constexpr int kModes[4] = {1, 2, 0, 0};
    console_.ppu.SetMirroring(kModes[mirroring & 3]);
}

void Mapper90Board::ArmIrq(int lines) { ScheduleIrq(LineStartAhead(machine_.cycles, lines)); }

}  // namespace korvanta
