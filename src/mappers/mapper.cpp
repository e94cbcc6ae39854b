#include "mappers/mapper.h"

#include <cstdarg>
#include <cstdio>
#include <new>

#include "app/strings.h"
#include "core/console.h"

namespace korvanta {

Mapper::Mapper(Console& console, const MapperConfig& config) : console_(console), machine_(console.machine) {
    console.host.SetWindowTitle(GetString(kStrWindowTitle));
    if (config.suspectImage) MarkSuspectImage();
    watchesControllerPorts = config.vsUnisystem;
}

Mapper::~Mapper() = default;

void Mapper::MarkSuspectImage() {
    console_.host.SetWindowTitle(GetString(kStrMaybeDifferent));
    suspectCheckDone = 1;
}

void Mapper::SetStateTable(std::span<const StateField> table) {
    try {
        stateTable_.assign(table.begin(), table.end());
    } catch (const std::bad_alloc&) {
        ShowStringMessage(console_.host, MessageKind::Error, kStrMemoryAllocationFailed);
        console_.host.Exit(-1);
        return;  // a host that does not end the process keeps a board without state
    }
    hasStateTable_ = true;
}

intptr_t Mapper::Message(uint32_t code, intptr_t argument) {
    if (!watchesControllerPorts) return 0;
    if (code == kMessageMenuItems && argument != 0) {
        // The caller zeroed the buffer, so the list ends right after the item.
        const char* item = GetString(kStrVsUnisystemItem);
        std::snprintf(reinterpret_cast<char*>(argument), kMenuBufferSize - 1, "%s", item ? item : "");
    } else if (code == kMessageMenuCommand && argument == 0) {
        // Item 0 is the VS Unisystem settings dialog; it has nothing to show
        // until the settings dialogs exist, and the DIP switches stay as set.
    }
    return 0;
}

bool Mapper::LoadState(Stream& stream, const OldFormatImage& oldImage, int64_t offset) {
    if (hasStateTable_) ResetTable(stateTable_);
    legacyBlock_.fill(0);
    if (!stream.Seek(offset)) return false;
    const StateField legacyField = BlockField(legacyBlock_.data(), static_cast<uint32_t>(legacyBlock_.size()));
    bool boardChunkSeen = false;
    for (;;) {
        int16_t tag;
        if (!ReadTag(stream, tag)) return false;
        if (tag == kTagEnd) return true;
        int result;
        if (tag == kTagLegacyBank) {
            result = ReadChunk(stream, StateTable(&legacyField, 1));
            if (result == 0 && !boardChunkSeen) LoadLegacyState(legacyBlock_, oldImage);
        } else if (tag == kTagBoard) {
            // A board without a table keeps its windows as they are.
            result = hasStateTable_ ? ReadChunk(stream, stateTable_) : SkipChunk(stream);
            if (result == 0 && hasStateTable_) AfterStateLoad();
            boardChunkSeen = true;
        } else {
            result = SkipChunk(stream);
        }
        if (result != 0) return false;
    }
}

bool Mapper::SaveState(Stream& stream) {
    if (hasStateTable_ && WriteChunk(stream, stateTable_, kTagBoard) != 0) return false;
    legacyBlock_.fill(0);
    SaveLegacyState(legacyBlock_);
    const StateField legacyField = BlockField(legacyBlock_.data(), static_cast<uint32_t>(legacyBlock_.size()));
    return WriteChunk(stream, StateTable(&legacyField, 1), kTagLegacyBank) == 0;
}

uint32_t Mapper::PrgCount() const { return machine_.prgPageCount; }
uint32_t Mapper::ChrCount() const { return machine_.chrPageCount; }

uint32_t Mapper::ReducePrg(uint32_t page) const {
    uint32_t n = machine_.prgPageCount;
    return bankRule == BankRule::Mask ? page & ((n - 1) & 0xFF) : page % n;
}

uint32_t Mapper::ReduceChr(uint32_t page) const {
    uint32_t n = machine_.chrPageCount;
    return bankRule == BankRule::Mask ? page & ((n - 1) & 0xFF) : page % n;
}

void Mapper::SetPrg8k(int window, uint32_t page) {
    if (machine_.prgPageCount == 0) return;
    machine_.prgWindow[window & 3] = machine_.prgPages[ReducePrg(page)];
}

void Mapper::SetPrg16k(int window, uint32_t bank) {
    SetPrg8k(window, 2 * bank);
    SetPrg8k(window + 1, 2 * bank + 1);
}

void Mapper::SetPrg32k(uint32_t bank) {
    for (int i = 0; i < 4; ++i) SetPrg8k(i, 4 * bank + static_cast<uint32_t>(i));
}

void Mapper::SetPrgLast16kAtC000() {
    uint32_t n = machine_.prgPageCount;
    SetPrg8k(2, n - 2);
    SetPrg8k(3, n - 1);
}

void Mapper::StoreChr1k(int window, uint32_t page) {
    if (machine_.chrPageCount == 0) return;
    uint32_t p = ReduceChr(page);
    console_.ppu.chrWindow[window & 7] = machine_.chrPages[p];
    console_.ppu.decodedChrWindow[window & 7] = machine_.decodedChrPages[p];
}

void Mapper::StoreChr8k(uint32_t bank) {
    for (int i = 0; i < 8; ++i) StoreChr1k(i, 8 * bank + static_cast<uint32_t>(i));
}

void Mapper::SetChr1k(int window, uint32_t page) {
    console_.ppu.RenderCatchUp(true);
    StoreChr1k(window, page);
}

void Mapper::SetChr2k(int window, uint32_t bank) {
    console_.ppu.RenderCatchUp(true);
    StoreChr1k(window, 2 * bank);
    StoreChr1k(window + 1, 2 * bank + 1);
}

void Mapper::SetChr4k(int window, uint32_t bank) {
    console_.ppu.RenderCatchUp(true);
    for (int i = 0; i < 4; ++i) StoreChr1k(window + i, 4 * bank + static_cast<uint32_t>(i));
}

void Mapper::SetChr8k(uint32_t bank) {
    console_.ppu.RenderCatchUp(true);
    StoreChr8k(bank);
}

void Mapper::PointChr(int window, uint8_t* raw, uint8_t* decoded) {
    console_.ppu.chrWindow[window & 7] = raw;
    console_.ppu.decodedChrWindow[window & 7] = decoded;
}

void Mapper::SetMirroring(int mode) {
    console_.ppu.RenderCatchUp(true);
    console_.ppu.SetMirroring(mode);
}

void Mapper::ScheduleIrq(uint32_t cycle) { machine_.boardIrqTime = cycle ? cycle : 1; }

void Mapper::CancelIrq() {
    machine_.boardIrqTime = 0;
    machine_.irqPending = 0;
}

int Mapper::ScanlineOf(uint32_t cycle) {
    // One line is 29119/256 cycles; line 0 starts 21 lines after the frame.
    return static_cast<int>((256 * static_cast<int64_t>(cycle) - 611519) / 29119);
}

void Mapper::DebugPrint(const char* format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length > 0) console_.host.DebugConsolePrint(line);
}

void PlaceLastPrg32k(Machine& machine) {
    uint32_t n = machine.prgPageCount;
    if (n == 0) return;
    for (uint32_t i = 0; i < 4; ++i) machine.prgWindow[i] = machine.prgPages[n >= 4 ? n - 4 + i : i % n];
}

}  // namespace korvanta
