// A console loaded with a synthetic iNES image whose pages carry their own
// numbers, so a test reads which page a window shows.
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/console.h"
#include "media/loader.h"
#include "media/state.h"
#include "platform/headless/headless_host.h"

namespace korvanta::test {

// Records what a host offers beyond messages and the title.
struct BoardHost : HeadlessHost {
    void SetWindowIcon(int resourceId) override { icon = resourceId; }
    void DebugConsolePrint(std::string_view text) override { debug.append(text); }
    int icon = -1;
    std::string debug;
};

struct InesLayout {
    uint32_t mapper = 0;
    uint8_t prgUnits = 2;  // 16 KB units
    uint8_t chrUnits = 1;  // 8 KB units; 0 = CHR RAM
    uint8_t flags6 = 0;    // low nibble: mirroring, battery, trainer, four-screen
    uint8_t flags7 = 0;    // low nibble: VS Unisystem
};

// PRG page i and CHR page i begin with i (16-bit little-endian); the reset
// vector points at $8000.
inline std::vector<uint8_t> MakeInes(const InesLayout& layout) {
    uint32_t prgPages = 2u * (layout.prgUnits == 255 ? 256 : layout.prgUnits);
    uint32_t chrPages = 8u * (layout.chrUnits == 255 ? 256 : layout.chrUnits);
    std::vector<uint8_t> image(16 + prgPages * 0x2000 + chrPages * 0x400, 0);
    image[0] = 'N', image[1] = 'E', image[2] = 'S', image[3] = 0x1A;
    image[4] = layout.prgUnits;
    image[5] = layout.chrUnits;
    uint32_t number = layout.mapper > 255 ? 255 : layout.mapper;
    image[6] = static_cast<uint8_t>((number & 0x0F) << 4 | (layout.flags6 & 0x0F));
    image[7] = static_cast<uint8_t>((number & 0xF0) | (layout.flags7 & 0x0F));
    if (layout.mapper > 255) image[8] = layout.mapper & 0xFF, image[9] = static_cast<uint8_t>(layout.mapper >> 8);
    for (uint32_t i = 0; i < prgPages; ++i) {
        uint8_t* page = &image[16 + i * 0x2000];
        page[0] = i & 0xFF, page[1] = static_cast<uint8_t>(i >> 8);
        page[0x1FFC] = 0x00, page[0x1FFD] = 0x80;
    }
    for (uint32_t i = 0; i < chrPages; ++i) {
        uint8_t* page = &image[16 + prgPages * 0x2000 + i * 0x400];
        page[0] = i & 0xFF, page[1] = static_cast<uint8_t>(i >> 8);
    }
    return image;
}

struct BoardConsole {
    BoardHost host;
    Console console{host};

    bool Load(const std::vector<uint8_t>& image, const LoadOptions& options = {}) {
        MemoryStream stream(image);
        return LoadInes(console, stream, options);
    }
    bool Load(const InesLayout& layout) { return Load(MakeInes(layout)); }
    Machine& m() { return console.machine; }
    Ppu& ppu() { return console.ppu; }

    // The image page a PRG window shows.
    int Prg(int window) {
        const uint8_t* p = console.machine.prgWindow[window];
        return p ? p[0] | p[1] << 8 : -1;
    }
    // The image page a CHR window shows, -1 for memory outside the image
    // (board RAM, fill pages). Checks that the decoded window follows.
    int Chr(int window) {
        const Machine& mm = console.machine;
        const uint8_t* raw = console.ppu.chrWindow[window];
        if (!raw || mm.chrStorage.empty() || raw < mm.chrStorage.data() ||
            raw >= mm.chrStorage.data() + mm.chrStorage.size())
            return -1;
        size_t index = static_cast<size_t>(raw - mm.chrStorage.data()) / kChrPageSize;
        if (console.ppu.decodedChrWindow[window] != mm.decodedChrPages[index]) return -2;
        return static_cast<int>(index);
    }
    std::array<int, 4> PrgWindows() { return {Prg(0), Prg(1), Prg(2), Prg(3)}; }
    std::array<int, 8> ChrWindows() {
        std::array<int, 8> pages;
        for (int w = 0; w < 8; ++w) pages[w] = Chr(w);
        return pages;
    }
};

// A window or mirroring a case leaves unchecked.
inline constexpr int kAny = -9;
inline constexpr std::array<int, 8> kChrAny = {kAny, kAny, kAny, kAny, kAny, kAny, kAny, kAny};
inline constexpr std::array<int, 4> kPrgAny = {kAny, kAny, kAny, kAny};

// Register writes, in order.
using Writes = std::vector<std::pair<uint16_t, uint8_t>>;

inline void WriteAll(BoardConsole& b, const Writes& writes) {
    for (auto [address, value] : writes) b.console.WriteByte(address, value);
}

// A row of a window table: the writes made after loading `image`, and the
// PRG windows, CHR windows and mirroring they leave (kAny: unchecked).
struct WindowCase {
    const char* name;
    InesLayout image;
    Writes writes;
    std::array<int, 4> prg;
    std::array<int, 8> chr;
    int mirroring;
};

// The board's own chunks, closed by an end chunk.
inline std::vector<uint8_t> SaveBoard(BoardConsole& b) {
    MemoryStream stream;
    EXPECT_TRUE(b.console.mapper->SaveState(stream));
    EXPECT_EQ(WriteEndChunk(stream), 0);
    return stream.Data();
}

// Points every PRG and CHR window at page 0, so that a board loading its
// state must place each window again from its registers.
inline void ClearWindows(BoardConsole& b) {
    for (int w = 0; w < 4; ++w) b.m().prgWindow[w] = b.m().prgPages[0];
    for (int w = 0; w < 8; ++w) {
        b.ppu().chrWindow[w] = b.m().chrPages[0];
        b.ppu().decodedChrWindow[w] = b.m().decodedChrPages[0];
    }
}

// Checks the PRG windows, CHR windows and mirroring a case expects.
inline void ExpectWindows(BoardConsole& b, const std::string& name, const std::array<int, 4>& prg,
                          const std::array<int, 8>& chr, int mirroring) {
    for (int w = 0; w < 4; ++w) {
        if (prg[w] != kAny) {
            EXPECT_EQ(b.Prg(w), prg[w]) << name << " PRG window " << w;
        }
    }
    for (int w = 0; w < 8; ++w) {
        if (chr[w] != kAny) {
            EXPECT_EQ(b.Chr(w), chr[w]) << name << " CHR window " << w;
        }
    }
    if (mirroring != kAny) {
        EXPECT_EQ(b.ppu().mirroring, mirroring) << name;
    }
}

}  // namespace korvanta::test
