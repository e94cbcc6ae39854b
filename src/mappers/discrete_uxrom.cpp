// UxROM and its relatives (mappers 2, 93, 94, 71).
#include "core/console.h"
#include "mappers/discrete.h"

namespace korvanta {
namespace {
enum UxromVariant : uint32_t { kMapper2 = 0, kMapper93 = 1, kMapper94 = 2, kMapper71 = 3 };
}

UxromBoard::UxromBoard(Console& console, const MapperConfig& config, int variantNumber)
    : Mapper(console, config), variant(static_cast<uint32_t>(variantNumber)) {
    chrWritable = 1;  // the whole 8 KB pattern space is RAM on these boards
    sramEnabled = batteryBacked = config.battery;
    SetStateTable({Field(kFieldByte, bankLatch)});
}

// Hacked or mistranslated images of mapper-2 games write their bank number
// from code the original never had. A genuine bank switch is a single store;
// a store that is repeated to the same address after every one-byte
// instruction (STA, LSR A, STA ...) or a write below $5000 gives a copy away.
// The CPU's PC points at the store's first operand byte during the write.
void UxromBoard::CheckSuspectImage(uint16_t address) {
    if (address < 0x5000 && address != 0x4025) {
        MarkSuspectImage();
        return;
    }
    uint16_t pc = machine_.pc;
    if (console_.ReadWord(static_cast<uint16_t>(pc + 4)) != address) {
        suspectCheckDone = 1;
    } else if (console_.ReadWord(static_cast<uint16_t>(pc + 8)) == address) {
        MarkSuspectImage();
    }
}

void UxromBoard::SwitchBank(uint8_t value) {
    bankLatch = value;
    SetPrg16k(0, value);
    SetPrgLast16kAtC000();
}

void UxromBoard::Write(uint16_t address, uint8_t value) {
    switch (variant) {
        case kMapper2:
            if (!suspectCheckDone) CheckSuspectImage(address);
            if (address < 0x4018) return;
            SwitchBank(value);
            return;
        case kMapper93:
            if ((address & 0xE000) == 0x6000) SwitchBank(value);
            return;
        case kMapper94: {
            if (address < 0x8000) return;
            bankLatch = value;
            uint32_t page = (value >> 1) & 0x7E;
            SetPrg8k(0, page);
            SetPrg8k(1, page + 1);
            SetPrgLast16kAtC000();
            return;
        }
        case kMapper71:
            if (address >= 0xC000) {
                DebugPrint("%04X %02X write(%d:%d)\r\n", address, value, ScanlineOf(machine_.cycles),
                           static_cast<int>(machine_.cycles));
                SwitchBank(value);
            } else {
                // The Fire Hawk board's single-screen select; the game writes
                // it between frames, so no catch-up.
                console_.ppu.SetMirroring(value & 0x10 ? 0 : 4);
            }
            return;
    }
}

void UxromBoard::AfterStateLoad() {
    switch (variant) {
        case kMapper94: Write(0x8000, bankLatch); break;
        case kMapper71: Write(0xC000, bankLatch); break;
        default: Write(0x6000, bankLatch); break;
    }
}

}  // namespace korvanta
