#include "mappers/namco106.h"

#include "core/console.h"

namespace korvanta {
namespace {

// Values from $E0 select board RAM (character windows) or the console's own
// name tables (name-table windows).
constexpr uint8_t kRamPages = 0xE0;

}  // namespace

Namco106Board::Namco106Board(Console& console, const MapperConfig& config)
    : Mapper(console, config), sound_(console.soundOut) {
    chrWritable = 0;
    batteryBacked = config.battery;
    sramEnabled = 1;
    // The header's mirroring bit is the sound switch: the chip sets its name
    // tables itself.
    hasExpansionSound = config.verticalMirroring;
    soundTicksPerHalfFrame = 1;
    const uint32_t n8 = PrgCount();
    if (n8 >= 4)
        for (int w = 0; w < 4; ++w) SetPrg8k(w, n8 - 4 + static_cast<uint32_t>(w));
    SetStateTable({
        BlockField(prgRegs.data(), sizeof prgRegs),
        BlockField(chrRegs.data(), sizeof chrRegs),
        BlockField(nameTableRegs.data(), sizeof nameTableRegs),
        BlockField(nameTableAttr.data(), sizeof nameTableAttr),
        BlockField(sound_.soundRam.data(), sizeof sound_.soundRam),
        Field(kFieldByte, sound_.soundAddress),
        Field(kFieldWord, irqCounter),
        Field(kFieldByte, irqFired),
        BlockField(chrRam.data(), sizeof chrRam),
        BlockField(decodedChrRam.data(), sizeof decodedChrRam),
    });
    ResetStateTable();
}

uint16_t Namco106Board::CurrentCounter() const {
    if (irqFired) return 0x7FFF;
    if (!(irqCounter & 0x8000)) return irqCounter;
    return static_cast<uint16_t>(0xFFFF - (machine_.boardIrqTime - machine_.cycles));
}

void Namco106Board::WriteCounterLow(uint8_t value) {
    uint16_t c = CurrentCounter();
    irqFired = 0;
    irqCounter = static_cast<uint16_t>((c & 0xFF00) | value);
    // A stopped result leaves a pending deadline and the line alone.
    if (!(irqCounter & 0x8000)) return;
    machine_.irqPending = 0;
    ScheduleIrq(machine_.cycles - irqCounter + 0x10003);
}

void Namco106Board::WriteCounterHigh(uint8_t value) {
    uint16_t c = CurrentCounter();
    irqCounter = static_cast<uint16_t>((c & 0x00FF) | value << 8);
    irqFired = 0;
    if (!(value & 0x80)) {
        CancelIrq();
        return;
    }
    machine_.irqPending = 0;
    ScheduleIrq(machine_.cycles - irqCounter + 0xFFFF);
}

void Namco106Board::PlaceChr(int window, uint8_t value) {
    // $E800 bit 6 keeps windows 0-3 on CHR ROM, bit 7 windows 4-7.
    const uint8_t romOnly = window < 4 ? 0x40 : 0x80;
    if (value >= kRamPages && !(prgRegs[1] & romOnly)) {
        uint32_t page = value - kRamPages;
        PointChr(window, &chrRam[page * kChrPageSize], &decodedChrRam[page * kDecodedChrPageSize]);
    } else {
        StoreChr1k(window, value);
    }
}

void Namco106Board::PlaceNameTable(int table, uint8_t value, bool rebuildAttributes) {
    Ppu& ppu = console_.ppu;
    const uint32_t n1 = ChrCount();
    if (value < kRamPages && n1 != 0) {
        uint8_t* page = machine_.chrPages[value % n1];
        ppu.nameTable[table] = page;
        ppu.attributeCacheWindow[table] = nameTableAttr[table].data();
        if (rebuildAttributes) Ppu::RebuildAttributeCache(page, nameTableAttr[table].data());
        return;
    }
    const uint32_t offset = (value & 1u) * 1024;
    ppu.nameTable[table] = &ppu.nameTableRam[offset];
    ppu.attributeCacheWindow[table] = &ppu.attributeCache[offset];
}

void Namco106Board::Write(uint16_t address, uint8_t value) {
    const uint16_t a = address & 0xF800;
    switch (a) {
        case 0x4800: sound_.WritePort(value); return;
        case 0x5000: WriteCounterLow(value); return;
        case 0x5800: WriteCounterHigh(value); return;
        case 0xE000:
        case 0xE800:
        case 0xF000: {
            int k = (a >> 11) & 3;
            prgRegs[k] = value;
            SetPrg8k(k, value);
            return;
        }
        case 0xF800: sound_.SetAddress(value); return;
        default: break;
    }
    if (a >= 0x8000 && a < 0xC000) {
        int w = (a >> 11) & 7;
        console_.ppu.RenderCatchUp(true);
        chrRegs[w] = value;
        PlaceChr(w, value);
    } else if (a >= 0xC000 && a < 0xE000) {
        int j = (a >> 11) & 3;
        nameTableRegs[j] = value;
        console_.ppu.RenderCatchUp(true);
        PlaceNameTable(j, value, true);
    }
}

uint8_t Namco106Board::Read(uint16_t address) {
    switch (address & 0xF800) {
        case 0x4800: return sound_.ReadPort();
        case 0x5000: return CurrentCounter() & 0xFF;
        case 0x5800: return (CurrentCounter() >> 8) & 0x7F;
        default: return 0;
    }
}

void Namco106Board::IrqTimeReached() {
    // The line stays up until the counter is written; reads do not clear it.
    machine_.boardIrqTime = 0;
    irqFired = 1;
}

void Namco106Board::EndOfFrame() {
    uint32_t& deadline = machine_.boardIrqTime;
    if (deadline <= machine_.frameCycleBudget) {
        deadline = 0;
        return;
    }
    // The count runs on across the frame end: the deadline moves with the
    // restart of `cycles`, as the sound unit's own deadlines do.
    deadline -= machine_.frameCycleBudget;
}

bool Namco106Board::MixSample(int32_t* accumulator, int sampleIndex, int half) {
    (void)sampleIndex;
    (void)half;
    *accumulator += sound_.Sample();
    return true;
}

void Namco106Board::AfterStateLoad() {
    for (int k = 0; k < 3; ++k) SetPrg8k(k, prgRegs[k]);
    SetPrg8k(3, PrgCount() - 1);
    for (int w = 0; w < 8; ++w) PlaceChr(w, chrRegs[w]);
    // The saved attribute caches stand as they are.
    for (int j = 0; j < 4; ++j) PlaceNameTable(j, nameTableRegs[j], false);
}

}  // namespace korvanta
