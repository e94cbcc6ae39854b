// The cartridge board: base class of every board and of the Disk System.
// Boards move pointers in the Machine's program windows and the picture
// unit's pattern and name-table windows; they never copy ROM on a switch.
#pragma once
#include <cstdint>
#include <vector>

#include "media/state.h"

namespace korvanta {

class Console;
class Stream;

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

class Mapper {
public:
    Mapper(Console& console, const MapperConfig& config);
    virtual ~Mapper() = default;

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
    // 202/203, menu codes 50000/50001.
    virtual intptr_t Message(uint32_t code, intptr_t argument);
    // Render mode 1: a decoded tile to draw instead of the pattern windows.
    virtual const uint8_t* TileOverride(int half, int tile, int latch) {
        (void)half;
        (void)tile;
        (void)latch;
        return nullptr;
    }
    // Re-applies every window and the mirroring from the registers.
    virtual void AfterStateLoad() {}

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
    Console& console_;
    // The board's saved fields (chunk 22); copied so destinations stay valid.
    void SetStateTable(std::vector<StateField> table) { stateTable_ = std::move(table); }
    StateTable GetStateTable() const { return stateTable_; }

private:
    std::vector<StateField> stateTable_;
};

}  // namespace korvanta
