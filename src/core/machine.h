// The console's CPU-side state: registers, work RAM, cartridge RAM, the
// program windows and page tables, and the timing fields of one frame.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace korvanta {

inline constexpr uint32_t kFrameCycleBudget = 29859;  // NMI to vertical-blank point
inline constexpr uint32_t kFrameEndSlack = 8;         // cycles after vblank before a frame ends
inline constexpr int kMaxPrgPages = 512;              // 8 KB pages, 4 MB
inline constexpr int kMaxChrPages = 2048;             // 1 KB pages, 2 MB
inline constexpr int kChrPageSize = 1024;
inline constexpr int kDecodedChrPageSize = 4096;      // 64 tiles of 8x8, one byte per pixel

// One 8 KB page of program ROM (or a board's own 8 KB page).
using PrgPage = std::array<uint8_t, 0x2000>;

struct Machine {
    // Registers. N, Z and C live in `p` only between runs; the Cpu keeps them
    // in its own fast form while a run is in progress.
    uint8_t a = 0, x = 0, y = 0, p = 0, s = 0xFF;
    uint16_t pc = 0;
    uint16_t instructionAddress = 0;

    std::array<uint8_t, 0x800> ram{};
    std::array<uint8_t, 0x2000> sram{};

    // The 8 KB pages seen at $8000, $A000, $C000 and $E000. Never null while a
    // game is loaded; boards only store pointers here.
    std::array<uint8_t*, 4> prgWindow{};

    // Page tables filled by the loader; the Machine owns the memory.
    std::vector<std::unique_ptr<PrgPage>> prgStorage;
    std::array<uint8_t*, kMaxPrgPages> prgPages{};
    uint32_t prgPageCount = 0;
    std::vector<uint8_t> chrStorage;         // raw CHR, 1 KB per page
    std::vector<uint8_t> decodedChrStorage;  // decoded CHR, 4 KB per page
    std::array<uint8_t*, kMaxChrPages> chrPages{};
    std::array<uint8_t*, kMaxChrPages> decodedChrPages{};
    uint32_t chrPageCount = 0;

    // Timing of the current frame.
    uint32_t cycles = 0;
    uint32_t frameCycleBudget = kFrameCycleBudget;
    uint8_t irqPending = 0;
    uint8_t frameStartPending = 0;
    uint8_t suppressFirstNmi = 1;
    uint8_t nmiEnabled = 0;
    uint32_t vblankFlag = 0;
    uint32_t boardIrqTime = 0;
    uint8_t apuFrameMode = 0xFF;
    uint32_t apuFrameIrqTime = 0;
    uint8_t apuFrameIrqFlag = 0;
    uint32_t dmcIrqTime = 0;
    uint8_t dmcIrqFlag = 0;
    uint8_t apuStateByte = 0;  // the sound unit's byte carried in chunk 20

    uint32_t RunState = 0;  // 1 while the game runs
    uint8_t allowUndocumentedOpcodes = 0;
    uint8_t perDotBankSwitching = 0;
    uint16_t extDeviceSelection = 0;  // ExtDeviceSelection, kept in chunk 17
    uint32_t moviePosition = 0;       // the movie chunk's field, reset at power-on

    // Destination of state fields kept in a layout but no longer used.
    uint32_t placeholderCell = 0;

    // Frees every page and sets both counts to 0 (game closed).
    void FreePages();
};

}  // namespace korvanta
