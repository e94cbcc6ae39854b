// The Disk System (mapper number 1000): the RAM adapter with 32 KB of RAM
// ($6000-$DFFF), the BIOS at $E000, the drive with up to four disk sides,
// the drive's timer interrupt and the wavetable sound channel.
//
// The drive is block-oriented, not bit-timed: a side is a flat byte array in
// the ".fds" layout and a position counter walks through it, limited to the
// block the BIOS is transferring. With the BIOS whose bytes add up to 963958
// a byte is ready as soon as the previous one was taken; with any other BIOS
// the next byte becomes ready 100 CPU cycles later, through the board's
// timed interrupt, while $4025 bit 7 is set.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "disk/disk_effects.h"
#include "disk/disk_image.h"
#include "disk/disk_sound.h"
#include "mappers/mapper.h"

namespace korvanta {

// Message codes the Disk System answers (besides the movie's 202 and 203).
enum DiskMessage : uint32_t {
    kDiskInsertSide0 = 0,  // 0-3: disk 1 side A, 1B, 2A, 2B
    kDiskInsert = 4,       // "DISK SET"
    kDiskEject = 5,        // "DISK EJECT"
    kDiskGetSide = 100,    // argument: uint32_t* (may be null); also the result
    kDiskGetSideCount = 101,
    kDiskGetEjected = 102,  // argument: uint8_t*
    kDiskReadImage = 200,   // argument: Stream* at the image; result 1 or 0
    kDiskWriteImage = 201,  // argument: Stream*; result 1, or 0 on a short write
    kDiskMovieState = 202,  // result: 0 ejected or changing, else side + 1
    kDiskSetMovieState = 203,  // argument: that byte
};

// The main window's icon for the drive's state.
enum DiskIcon : int { kIconNoDisk = 162, kIconDiskIdle = 163, kIconDiskReading = 164 };

inline constexpr uint32_t kKnownBiosSum = 963958;
inline constexpr uint32_t kByteReadyCycles = 100;
inline constexpr uint32_t kSideChangeFrames = 17;

class DiskSystem : public Mapper {
public:
    // The loader has placed the RAM pages at $8000-$DFFF and the BIOS page at
    // $E000.
    DiskSystem(Console& console, const MapperConfig& config);

    void Write(uint16_t address, uint8_t value) override;
    uint8_t Read(uint16_t address) override;
    void EndOfFrame() override;
    void IrqTimeReached() override;
    bool MixSample(int32_t* accumulator, int sampleIndex, int half) override;
    void SoundTick() override;
    intptr_t Message(uint32_t code, intptr_t argument) override;
    // Tags 22 (drive and sound), 26 (the disk image), 23 (the RAM at
    // $8000-$DFFF); older streams carry tag 19 (sides, drive and sound).
    bool LoadState(Stream& stream, const OldFormatImage& oldImage, int64_t offset) override;
    bool SaveState(Stream& stream) override;

    // The drive sounds from `folder`, unless the known BIOS runs; the loader
    // calls it right after construction when no movie runs.
    void EnableEffects(const std::string& folder);

    bool Ejected() const { return driveStatus & 1; }

    DiskImage disk;
    DiskSound sound;
    DiskEffects effects;
    bool knownBios = false;
    uint32_t currentSide = 0;
    uint32_t position = 0;
    uint32_t blockEnd = 0;
    uint32_t blockState = 0;  // which block a transfer start announces next
    uint8_t skipNextWrite = 0;
    uint8_t transferIrqArmed = 0;
    uint16_t timerReload = 0;
    uint8_t timerControl = 0;
    uint8_t timerFired = 0;
    uint8_t ioEnable = 0xFF;
    uint8_t control = 0;
    uint8_t extOut = 0;
    uint8_t status = 0;       // $4030: bit 7 byte ready, bit 0 timer fired
    uint8_t driveStatus = 1;  // bit 0: no disk
    uint32_t changeDelay = 0;
    uint8_t lastData = 0;

private:
    void WriteControl(uint8_t value);
    void WriteData(uint8_t value);
    uint8_t ReadData();
    uint8_t ReadDriveStatus();
    void InsertSide(uint32_t side);
    // The byte at `offset` of the current side; 0 beyond the buffer.
    uint8_t SideByte(uint32_t offset) const;
    // Starts drive sound `effect` (nothing when it already plays); a file
    // that cannot be opened ends at once and the next one starts.
    void StartEffect(int effect);
    static int NextEffect(int effect) { return effect == kEffectEnd ? kEffectNone : effect + 1; }
    // After the drive fields were loaded: values a broken stream could hold
    // are brought back into range, and the icon follows the drive.
    void AfterDriveLoad();

    // Frame ends since the mixer last asked for samples. The mixer runs
    // after the frame's end, so a sound advances by frames only when a whole
    // frame passed without samples (sound off): no transfer waits for it.
    uint32_t framesUnmixed_ = 0;
    std::vector<StateField> driveFields_;
    std::vector<StateField> ramFields_;
    std::vector<StateField> oldFields_;  // tag 19: the sides, then the drive fields
};

}  // namespace korvanta
