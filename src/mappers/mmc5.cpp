#include "mappers/mmc5.h"

#include "core/console.h"
#include "mappers/mmc3_irq.h"

namespace korvanta {
namespace {

// One picture line in CPU cycles, the start of line 0, and the margin that
// keeps a target off the frame's last line.
constexpr double kLineCycles = 113.74999809333312;
constexpr double kLine0Start = 2388.7499599599955;
constexpr double kLastLineMargin = 341.2499942799993;

constexpr uint8_t kIrqEnable = 0x80;
constexpr uint8_t kRomBit = 0x80;

}  // namespace

Mmc5Board::Mmc5Board(Console& console, const MapperConfig& config)
    : Mapper(console, config), sound_(console.soundOut, console.machine), picture_(console.ppu) {
    hasExpansionSound = 1;
    soundTicksPerHalfFrame = 1;
    batteryBacked = 0;
    sramEnabled = 0;  // $6000-$7FFF is the board's own RAM
    chrWritable = config.chrIsRam;
    renderMode = 1;
    SetStateTable({
        Field(kFieldByte, prgMode),
        Field(kFieldByte, chrMode),
        BlockField(prgRegs.data(), sizeof prgRegs),
        BlockField(chrRegs.data(), sizeof chrRegs),
        Field(kFieldByte, lastChrSet),
        Field(kFieldByte, irqLine),
        Field(kFieldByte, irqControl),
        Field(kFieldDword, irqTarget),
        Field(kFieldByte, ramPage6000),
        Field(kFieldByte, ramProtect1),
        Field(kFieldByte, ramProtect2),
        Field(kFieldByte, ramWritable),
        BlockField(prgRam.data(), sizeof prgRam),
        Field(kFieldByte, multiplierA),
        Field(kFieldByte, multiplierB),
        BlockField(sound_.pulse.data(), sizeof sound_.pulse),
        Field(kFieldByte, sound_.soundMask),
        Field(kFieldByte, picture_.nameTableMap),
        Field(kFieldByte, picture_.exRamMode),
        BlockField(picture_.exRam.data(), sizeof picture_.exRam),
        BlockField(picture_.exRamPalette.data(), sizeof picture_.exRamPalette),
        BlockField(picture_.exRamExtended.data(), sizeof picture_.exRamExtended),
        BlockField(picture_.fillTiles.data(), sizeof picture_.fillTiles),
        BlockField(picture_.fillPalette.data(), sizeof picture_.fillPalette),
        BlockField(picture_.fillExtended.data(), sizeof picture_.fillExtended),
        Field(kFieldByte, sound_.pcmControl),
        Field(kFieldDword, sound_.pcmCount),
        BlockField(sound_.pcmLog.data(), sizeof sound_.pcmLog),
    });
    ResetStateTable();
    prgRegs[3] = 0xFF;
    prgMode = 3;
    chrRegs.fill(0xFF);
    // Set B last, so the pattern windows show it. No catch-up: the console
    // still holds the previous board.
    StoreChrSet(kSetA, true);
    StoreChrSet(kSetB, true);
    lastChrSet = kSetB;
}

void Mmc5Board::Write(uint16_t address, uint8_t value) {
    if (address >= 0x8000) {
        // A window's register with bit 7 clear names a RAM page, which takes
        // the write in every PRG mode.
        uint8_t r = prgRegs[(address >> 13) & 3];
        if (!(r & kRomBit)) RamPage(r)[address & 0x1FFF] = value;
        return;
    }
    if (address >= 0x6000) {
        if (ramWritable) RamPage(ramPage6000)[address & 0x1FFF] = value;
        return;
    }
    if (address >= 0x5C00) {
        picture_.WriteExRam(address, value);
        return;
    }
    if (address >= 0x5120 && address <= 0x512B) {
        chrRegs[address & 0x0F] = value;
        ApplyChr(address < 0x5128 ? kSetA : kSetB);
        return;
    }
    switch (address) {
        case 0x5000:
        case 0x5002:
        case 0x5003:
        case 0x5004:
        case 0x5006:
        case 0x5007: sound_.WritePulse((address >> 2) & 1, address & 3, value); break;
        case 0x5010:
            DebugPrint("MMC5 Waveout1:%02X\r\n", value);
            sound_.pcmControl = value;
            break;
        case 0x5011: sound_.WritePcm(value); break;
        case 0x5015:
            DebugPrint("MMC5 SoundMask:%02X\r\n", value);
            sound_.soundMask = value;
            break;
        case 0x5100:
            prgMode = value;
            ApplyPrg();
            break;
        case 0x5101:
            chrMode = value;
            ApplyChr(lastChrSet ? kSetB : kSetA);
            break;
        case 0x5102: WriteRamProtect(0, value); break;
        case 0x5103: WriteRamProtect(1, value); break;
        case 0x5104:
            picture_.SetMode(value);
            DebugPrint("MMC5 VideoMode:%02X\r\n", value);
            break;
        case 0x5105: picture_.MapNameTables(value); break;
        case 0x5106:
            picture_.SetFillTile(value);
            DebugPrint("MMC5 FillMode1:%02X\r\n", value);
            break;
        case 0x5107:
            picture_.SetFillColour(value);
            DebugPrint("MMC5 FillMode2:%02X\r\n", value);
            break;
        case 0x5113: ramPage6000 = value; break;
        case 0x5114:
        case 0x5115:
        case 0x5116:
        case 0x5117:
            prgRegs[address & 3] = value;
            ApplyPrg();
            break;
        case 0x5200:
        case 0x5201:
        case 0x5202: {
            // The vertical split is not emulated; games that use it are
            // reported so they can be recognised.
            uint32_t c = machine_.cycles;
            DebugPrint("Split%d:%04X %02X write(%d:%d)\r\n", (address & 3) + 1, address, value, ScanlineOf(c),
                       static_cast<int>(c));
            break;
        }
        case 0x5203:
            irqLine = value;
            if (irqControl & kIrqEnable) ComputeIrq();
            break;
        case 0x5204:
            irqControl = value;
            if (value & kIrqEnable) {
                ComputeIrq();
            } else {
                irqTarget = 0;
                CancelIrq();
            }
            break;
        case 0x5205: multiplierA = value; break;
        case 0x5206: multiplierB = value; break;
        default: break;
    }
}

uint8_t Mmc5Board::Read(uint16_t address) {
    if (address >= 0x6000) return RamPage(ramPage6000)[address & 0x1FFF];
    if (address >= 0x5C00) return picture_.ReadExRam(address);
    const uint32_t c = machine_.cycles;
    switch (address) {
        case 0x5204: {
            int line = ScanlineOf(c);
            return static_cast<uint8_t>((line == irqLine ? 0x80 : 0) | (line > 0 ? 0x40 : 0));
        }
        case 0x5205: return static_cast<uint8_t>(multiplierA * multiplierB);
        case 0x5206: return static_cast<uint8_t>((multiplierA * multiplierB) >> 8);
        case 0x5015: return 0;
        default:
            DebugPrint("%04X ?? read(%d:%d)\r\n", address, ScanlineOf(c), static_cast<int>(c));
            return 0;
    }
}

void Mmc5Board::WriteRamProtect(int which, uint8_t value) {
    (which == 0 ? ramProtect1 : ramProtect2) = value;
    // Both keys must be set for $6000-$7FFF to take writes.
    ramWritable = (ramProtect1 & 3) == 2 && (ramProtect2 & 3) == 1;
}

void Mmc5Board::ApplyPrg() {
    const uint32_t r1 = prgRegs[1], r2 = prgRegs[2], r3 = prgRegs[3];
    switch (prgMode & 3) {
        case 0:
            for (int i = 0; i < 4; ++i) SetPrg8k(i, 4 * r3 + static_cast<uint32_t>(i));
            break;
        case 1:
            SetPrg8k(0, 2 * r1);
            SetPrg8k(1, 2 * r1 + 1);
            SetPrg8k(2, 2 * r3);
            SetPrg8k(3, 2 * r3 + 1);
            break;
        case 2:
            SetPrg8k(0, r1);
            SetPrg8k(1, r1 + 1);
            SetPrg8k(2, r2);
            SetPrg8k(3, r3);
            break;
        default:
            for (int i = 0; i < 4; ++i) {
                uint8_t r = prgRegs[i];
                if (r & kRomBit)
                    SetPrg8k(i, r);
                else
                    machine_.prgWindow[i] = RamPage(r);
            }
            break;
    }
}

std::array<uint32_t, 8> Mmc5Board::ChrSetPages(ChrSet set) const {
    std::array<uint32_t, 8> pages{};
    const uint8_t* a = chrRegs.data();
    const uint8_t* b = chrRegs.data() + 8;
    for (uint32_t i = 0; i < 8; ++i) {
        if (set == kSetA) {
            switch (chrMode & 3) {
                case 0: pages[i] = 8u * a[7] + i; break;
                case 1: pages[i] = 4u * a[i < 4 ? 3 : 7] + (i & 3); break;
                case 2: pages[i] = 2u * a[i | 1] + (i & 1); break;
                default: pages[i] = a[i]; break;
            }
        } else {
            // Set B fills both 4 KB halves alike, except in the 8 KB mode.
            switch (chrMode & 3) {
                case 0: pages[i] = 8u * b[3] + i; break;
                case 1: pages[i] = 4u * b[3] + (i & 3); break;
                case 2: pages[i] = 2u * b[(i & 2) ? 3 : 1] + (i & 1); break;
                default: pages[i] = b[i & 3]; break;
            }
        }
    }
    return pages;
}

void Mmc5Board::StoreChrSet(ChrSet set, bool toWindows) {
    const uint32_t n = ChrCount();
    if (n == 0) {
        setPages_[set].fill(nullptr);
        return;
    }
    std::array<uint32_t, 8> pages = ChrSetPages(set);
    for (int i = 0; i < 8; ++i) {
        setPages_[set][i] = machine_.decodedChrPages[pages[i] % n];
        if (toWindows) StoreChr1k(i, pages[i]);
    }
}

void Mmc5Board::ApplyChr(ChrSet set) {
    console_.ppu.RenderCatchUp(true);
    StoreChrSet(set, true);
    lastChrSet = set;
}

const uint8_t* Mmc5Board::TileOverride(int half, int tile, int latch) {
    const Ppu& ppu = console_.ppu;
    const int offset = (tile & 63) * 64;
    if (half == 1) {
        // 8x8 sprites number their tiles within the half $2000 selects.
        int number = ppu.tallSprites ? tile : tile + ppu.spritePatternBase;
        const uint8_t* page = setPages_[kSetA][(number >> 6) & 7];
        return page ? page + offset : nullptr;
    }
    if (picture_.TileBanks()) {
        const uint32_t n = ChrCount();
        if (n == 0) return nullptr;
        uint32_t page = (static_cast<uint32_t>(tile >> 6) + 4 * static_cast<uint32_t>(latch)) % n;
        return machine_.decodedChrPages[page] + offset;
    }
    const uint8_t* page = setPages_[kSetB][((tile + ppu.backgroundPatternBase) >> 6) & 7];
    return page ? page + offset : nullptr;
}

void Mmc5Board::ComputeIrq() {
    const uint32_t c = machine_.cycles;
    const bool framePending = machine_.frameStartPending != 0;
    uint32_t target;
    if ((picture_.exRamMode & 3) == 0 || c < kLine0Start || framePending)
        target = static_cast<uint32_t>(kLine0Start + irqLine * kLineCycles);
    else
        // The beginning of the line irqLine + 1 lines below the current one.
        target = ScanlineIrqBoard::IrqCycle(c, irqLine, IrqLeadIn::Mmc3);
    irqTarget = target;
    bool inFrame = target < machine_.frameCycleBudget - kLastLineMargin && target > c;
    machine_.boardIrqTime = framePending || inFrame ? target : 0;
}

void Mmc5Board::IrqTimeReached() {
    irqTarget = 0;
    machine_.boardIrqTime = 0;
    // No line is counted while the picture is off. The enable stays set, so
    // the next frame arms the interrupt again.
    if (!console_.ppu.backgroundEnabled && !console_.ppu.spritesEnabled) machine_.irqPending = 0;
}

void Mmc5Board::EndOfFrame() {
    if (irqControl & kIrqEnable) {
        ComputeIrq();
    } else {
        irqTarget = 0;
        machine_.boardIrqTime = 0;
    }
    picture_.Refresh();
}

bool Mmc5Board::MixSample(int32_t* accumulator, int sampleIndex, int half) {
    *accumulator += sound_.Sample(sampleIndex, half);
    return true;
}

void Mmc5Board::Reset() {
    prgRegs[3] = 0xFF;
    prgMode = 3;
    ramProtect1 = ramProtect2 = ramWritable = 0;
    ApplyPrg();
}

void Mmc5Board::AfterStateLoad() {
    lastChrSet = lastChrSet ? kSetB : kSetA;
    ApplyPrg();
    StoreChrSet(kSetA, false);
    StoreChrSet(kSetB, false);
    StoreChrSet(static_cast<ChrSet>(lastChrSet), true);
    picture_.AfterStateLoad();
    sound_.AfterStateLoad();
    EndOfFrame();
}

}  // namespace korvanta
