// The cartridge board: base class of every board and of the Disk System.
// Boards move pointers in the Machine's program windows and the picture
// unit's pattern and name-table windows; they never copy ROM on a switch.
#pragma once
#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <vector>

#include "media/state.h"
#include "mappers/old_format_image.h"

namespace korvanta {

// The Disk System's number: not an iNES mapper, the board of .fds images.
inline constexpr uint32_t kDiskSystemMapper = 1000;

class Console;
class Stream;
struct Machine;

// Construction facts the loaders hand to a board.
struct MapperConfig {
    bool chrIsRam = false;
    bool battery = false;
    bool fourScreen = false;
    bool verticalMirroring = false;
    bool vsUnisystem = false;
    bool suspectImage = false;
    uint32_t prgBankCount = 0;  // 8 KB pages
    uint32_t chrBankCount = 0;  // 1 KB pages
};

// Menu codes of Message: 50000 fills the board's item texts into a zeroed
// 1024-byte buffer, 50001 runs item `argument`.
inline constexpr uint32_t kMessageMenuItems = 50000;
inline constexpr uint32_t kMessageMenuCommand = 50001;
inline constexpr size_t kMenuBufferSize = 1024;

// The old snapshot format's board block (chunk 15).
using LegacyBlock = std::array<uint8_t, 17>;

// How a board brings a computed page index inside the image.
enum class BankRule : uint8_t {
    Modulo,  // index mod page count (most boards)
    Mask,    // index AND (page count - 1), the mask kept to 8 bits
};

class Mapper {
public:
    Mapper(Console& console, const MapperConfig& config);
    virtual ~Mapper();
    Mapper(const Mapper&) = delete;
    Mapper& operator=(const Mapper&) = delete;

    // CPU writes to $4018-$FFFF (not $6000-$7FFF while sramEnabled).
    virtual void Write(uint16_t address, uint8_t value) {
        (void)address;
        (void)value;
    }
    // CPU reads of $4018-$7FFF (not $6000-$7FFF while sramEnabled).
    virtual uint8_t Read(uint16_t address) {
        (void)address;
        return 0;
    }
    // Machine reset, before the registers are reset and the vector is read.
    virtual void Reset() {}
    // Once per frame, just before `cycles` restarts at 0.
    virtual void EndOfFrame() {}
    // From RenderCatchUp with the hook, before the due lines are drawn.
    virtual void BeforeRender() {}
    // After an instruction, when cycles > boardIrqTime != 0; irqPending is set.
    virtual void IrqTimeReached() {}
    // Adds the board's sound to the accumulator; false when it adds nothing.
    virtual bool MixSample(int32_t* accumulator, int sampleIndex, int half) {
        (void)accumulator;
        (void)sampleIndex;
        (void)half;
        return false;
    }
    virtual void SoundTick() {}
    // Numbered requests: render codes 10-12, Disk System codes, movie codes
    // 202/203, menu codes 50000/50001. The base serves the VS Unisystem item.
    virtual intptr_t Message(uint32_t code, intptr_t argument);
    // Render mode 1: a decoded tile to draw instead of the pattern windows.
    virtual const uint8_t* TileOverride(int half, int tile, int latch) {
        (void)half;
        (void)tile;
        (void)latch;
        return nullptr;
    }
    // Reads the board's chunks of the state block at `offset` up to its end
    // chunk: tag 22 into the StateTable (then AfterStateLoad), tag 15 into the
    // legacy block. False when the stream ends before the end chunk.
    virtual bool LoadState(Stream& stream, const OldFormatImage& oldImage, int64_t offset);
    // Writes tag 22 (only when the board has a StateTable) and tag 15.
    virtual bool SaveState(Stream& stream);
    // Re-applies every window and the mirroring from the registers.
    virtual void AfterStateLoad() {}
    // A stream of the older format: the legacy block without a board chunk.
    virtual void LoadLegacyState(const LegacyBlock& block, const OldFormatImage& oldImage) {
        (void)block;
        (void)oldImage;
    }
    // Fills the legacy block before it is written; no board does.
    virtual bool SaveLegacyState(LegacyBlock& block) {
        (void)block;
        return false;
    }

    // Title string 27 in the main window; ends the mislabelled-image check.
    void MarkSuspectImage();
    // The saved fields, or none (an empty span) when the board has no table.
    StateTable GetStateTable() const { return stateTable_; }
    bool HasStateTable() const { return hasStateTable_; }

    // Flags read by the Bus, the picture unit, the saves and the mixer.
    uint8_t batteryBacked = 0;
    uint8_t sramEnabled = 0;
    uint8_t chrWritable = 0;
    uint8_t hasExpansionSound = 0;
    uint32_t soundTicksPerHalfFrame = 0;
    uint32_t mapperNumber = 0;
    uint32_t renderMode = 0;
    uint8_t suspectCheckDone = 0;
    uint8_t watchesControllerPorts = 0;
    uint8_t vsDipSwitches = 0;

protected:
    // The board's saved fields (chunk 22); copied so destinations stay valid.
    // Out of memory here ends the program, as no board can run without it.
    void SetStateTable(std::span<const StateField> table);
    void SetStateTable(std::initializer_list<StateField> table) {
        SetStateTable(std::span<const StateField>(table.begin(), table.size()));
    }
    // Every saved field to its default (constructors whose defaults are not 0).
    void ResetStateTable() { ResetTable(stateTable_); }

    // Bank helpers. Page indexes are brought inside the image by `bankRule`
    // and each page of a larger bank separately. PRG windows: 0 $8000, 1
    // $A000, 2 $C000, 3 $E000. CHR windows: 0-7, 1 KB each at PPU $0000.
    uint32_t PrgCount() const;
    uint32_t ChrCount() const;
    void SetPrg8k(int window, uint32_t page);
    void SetPrg16k(int window, uint32_t bank);  // window 0 ($8000) or 2 ($C000)
    void SetPrg32k(uint32_t bank);
    void SetPrgLast16kAtC000();
    // The CHR setters bring the picture up to date (RenderCatchUp with the
    // hook) before they move any window.
    void SetChr1k(int window, uint32_t page);
    void SetChr2k(int window, uint32_t bank);
    void SetChr4k(int window, uint32_t bank);  // window 0 or 4
    void SetChr8k(uint32_t bank);
    // The same stores without the catch-up, for boards that skip it or have
    // already called it.
    void StoreChr1k(int window, uint32_t page);
    void StoreChr8k(uint32_t bank);
    // A window into memory the board keeps itself (CHR RAM, fill pages).
    void PointChr(int window, uint8_t* raw, uint8_t* decoded);
    // Catch-up with the hook, then the name-table layout.
    void SetMirroring(int mode);

    // Timed interrupts: the cycle (nonzero) after which the Machine raises
    // the line and calls IrqTimeReached; cancelling also drops the line.
    void ScheduleIrq(uint32_t cycle);
    void CancelIrq();
    // The picture line of a frame cycle, as the picture unit counts it.
    static int ScanlineOf(uint32_t cycle);
    // A line on the debug console (printf-style).
    void DebugPrint(const char* format, ...);

    Console& console_;
    Machine& machine_;
    BankRule bankRule = BankRule::Modulo;

private:
    uint32_t ReducePrg(uint32_t page) const;
    uint32_t ReduceChr(uint32_t page) const;

    std::vector<StateField> stateTable_;
    bool hasStateTable_ = false;
    LegacyBlock legacyBlock_{};
};

// The loader's PRG placement: the last 32 KB in order, or a 16 KB image
// twice. Boards that start on the last 32 KB use it too.
void PlaceLastPrg32k(Machine& machine);

}  // namespace korvanta
