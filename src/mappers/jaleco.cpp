#include "mappers/jaleco.h"

#include "core/console.h"

namespace korvanta {
namespace {

// A register pair takes the low nibble at its even address and the high
// nibble at its odd one.
uint32_t WithNibble(uint32_t old, uint16_t address, uint8_t value) {
    uint32_t x = value & 0x0Fu;
    return (address & 1) ? (old & 0x0Fu) | (x << 4) : (old & 0xF0u) | x;
}

uint32_t Reduce(uint32_t page, uint32_t count) { return count ? page % count : 0; }

}  // namespace

JalecoSs88006Board::JalecoSs88006Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 0;
    sramEnabled = 1;
    batteryBacked = config.battery;
    SetStateTable({
        BlockField(prgBanks.data(), static_cast<uint32_t>(sizeof prgBanks)),
        BlockField(chrBanks.data(), static_cast<uint32_t>(sizeof chrBanks)),
        Field(kFieldByte, ramControl),
        BlockField(irqReload.data(), static_cast<uint32_t>(sizeof irqReload)),
        Field(kFieldByte, irqReset),
        Field(kFieldByte, irqMode),
        Field(kFieldDword, irqBase),
        Field(kFieldByte, mirroring),
    });
}

void JalecoSs88006Board::Write(uint16_t address, uint8_t value) {
    uint16_t a = address & 0xF003;
    uint8_t x = value & 0x0F;
    switch (a) {
        case 0x8000: case 0x8001: case 0x8002: case 0x8003: case 0x9000: case 0x9001: {
            int i = a >= 0x9000 ? 2 : (a >> 1) & 1;
            prgBanks[i] = Reduce(WithNibble(prgBanks[i], a, value), PrgCount());
            SetPrg8k(i, prgBanks[i]);
            break;
        }
        case 0x9002:
            ramControl = value;
            ApplyRamControl();
            break;
        case 0xE000: case 0xE001: case 0xE002: case 0xE003: irqReload[a & 3] = x; break;
        case 0xF000:
            irqReset = x;
            // Resetting starts the count from now; the deadline follows the
            // next $F001 write.
            if (x & 1) {
                irqBase = machine_.cycles;
            } else {
                irqBase = 0;
                machine_.boardIrqTime = 0;
            }
            break;
        case 0xF001:
            irqMode = x;
            RecomputeDeadline();
            break;
        case 0xF002: {
            mirroring = x;
            static constexpr int kMirroring[4] = {2, 1, 0, 0};
            SetMirroring(kMirroring[x & 3]);
            break;
        }
        default:
            if (a >= 0xA000 && a < 0xE000) {
                int k = 2 * ((a >> 12) - 0xA) + ((a >> 1) & 1);
                chrBanks[k] = Reduce(WithNibble(chrBanks[k], a, value), ChrCount());
                SetChr1k(k, chrBanks[k]);
            }
            break;
    }
}

void JalecoSs88006Board::RecomputeDeadline() {
    if (!(irqMode & 1)) {
        machine_.boardIrqTime = 0;
        return;
    }
    const auto& r = irqReload;
    uint32_t count;
    switch (irqMode >> 1) {
        case 0: count = r[0] + 16u * r[1] + 256u * r[2] + 4096u * r[3]; break;
        case 1: count = r[0] + 16u * r[1] + 256u * r[2]; break;
        case 2: case 3: count = r[0] + 16u * r[1]; break;
        default: count = r[0]; break;
    }
    // After an interrupt the base is 0, so the deadline is a cycle of the
    // current frame that may already have passed.
    machine_.boardIrqTime = irqBase + count;
}

void JalecoSs88006Board::IrqTimeReached() {
    irqBase = 0;
    machine_.boardIrqTime = 0;
    irqMode = 0;
}

void JalecoSs88006Board::AfterStateLoad() {
    for (int i = 0; i < 3; ++i) {
        prgBanks[i] = Reduce(prgBanks[i], PrgCount());
        SetPrg8k(i, prgBanks[i]);
    }
    SetPrg8k(3, PrgCount() - 1);
    console_.ppu.RenderCatchUp(true);
    for (int k = 0; k < 8; ++k) {
        chrBanks[k] = Reduce(chrBanks[k], ChrCount());
        StoreChr1k(k, chrBanks[k]);
    }
    ApplyRamControl();
    RecomputeDeadline();
}

}  // namespace korvanta
