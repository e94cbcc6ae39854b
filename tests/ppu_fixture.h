// A console whose picture unit draws from pattern pages the test made: every
// tile has a pixel pattern that is a simple function of its number, and the
// name tables and attributes are filled from formulas too, so a test can say
// what any pixel must be without asking the renderer.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "core/console.h"
#include "platform/headless/headless_host.h"
#include "ppu/chr_decode.h"

namespace korvanta::test {

// Records what the renderer asks of the board.
struct ProbeBoard : Mapper {
    explicit ProbeBoard(Console& console) : Mapper(console, MapperConfig{}) {}
    intptr_t Message(uint32_t code, intptr_t argument) override {
        messages.emplace_back(code, argument);
        if (onMessage) onMessage(code, argument);
        return 0;
    }
    const uint8_t* TileOverride(int half, int tile, int latch) override {
        overrides.push_back({half, tile, latch});
        return overrideTile ? overrideTile(half, tile, latch) : nullptr;
    }
    void BeforeRender() override { ++hooks; }

    std::vector<std::pair<uint32_t, intptr_t>> messages;
    std::vector<std::array<int, 3>> overrides;
    std::function<void(uint32_t, intptr_t)> onMessage;
    std::function<const uint8_t*(int, int, int)> overrideTile;
    int hooks = 0;
};

// The pattern value (0-3) of pixel x, row r of tile `tile` of global page
// `page` (the test's 16 pages of 64 tiles). Value 0 appears often enough to
// test transparency.
inline int PatternOf(int page, int tile, int x, int r) {
    int g = page * 64 + tile;
    return (g * 7 + x * 3 + r * 5 + (g >> 3) + ((x * r) >> 2)) & 3;
}

// Tile number and attribute byte of name-table page p.
inline uint8_t TileAt(int page, int row, int column) {
    return static_cast<uint8_t>(page * 37 + row * 5 + column * 3 + (row * column) / 7);
}
inline uint8_t AttributeAt(int page, int index) { return static_cast<uint8_t>(page * 59 + index * 29 + 0x1B); }

// The palette number (0-3) of tile (column, row) of a page, from its
// attribute byte as the hardware lays the quadrants out.
inline int PaletteOf(int page, int row, int column) {
    int byte = AttributeAt(page, (row / 4) * 8 + column / 4);
    int shift = ((row & 2) << 1) | (column & 2);
    return (byte >> shift) & 3;
}

// Name-table page of table t under a mirroring mode (0-4 or packed).
inline int PageOfTable(int mode, int table) {
    static constexpr int kLayouts[5] = {0x00, 0x44, 0x50, 0xE4, 0x55};
    int layout = mode >= 0 && mode <= 4 ? kLayouts[mode] : mode & 0xFF;
    return (layout >> (2 * table)) & 3;
}

// Cycle at which picture line `line` (1 or more) begins.
inline uint32_t CycleOfLine(int line) {
    int64_t numerator = static_cast<int64_t>(line) * 29119 + 611519;
    return static_cast<uint32_t>((numerator + 255) / 256);
}

struct PpuRig {
    HeadlessHost host;
    Console console{host};
    ProbeBoard* board;
    std::vector<uint8_t> raw = std::vector<uint8_t>(16 * 1024);
    std::vector<uint8_t> decoded = std::vector<uint8_t>(16 * 4096);

    PpuRig() {
        auto probe = std::make_unique<ProbeBoard>(console);
        board = probe.get();
        console.mapper = std::move(probe);
        for (int page = 0; page < 16; ++page) {
            uint8_t* bytes = &raw[page * 1024];
            for (int tile = 0; tile < 64; ++tile)
                for (int r = 0; r < 8; ++r) {
                    uint8_t plane0 = 0, plane1 = 0;
                    for (int x = 0; x < 8; ++x) {
                        int v = PatternOf(page, tile, x, r);
                        plane0 |= static_cast<uint8_t>((v & 1) << (7 - x));
                        plane1 |= static_cast<uint8_t>((v >> 1) << (7 - x));
                    }
                    bytes[tile * 16 + r] = plane0;
                    bytes[tile * 16 + 8 + r] = plane1;
                }
            DecodeChrPage(bytes, &decoded[page * 4096]);
        }
        for (int w = 0; w < 8; ++w) MapWindow(w, w);
    }

    Ppu& ppu() { return console.ppu; }
    Machine& m() { return console.machine; }
    void MapWindow(int window, int page) {
        ppu().chrWindow[window] = &raw[page * 1024];
        ppu().decodedChrWindow[window] = &decoded[page * 4096];
    }
    void Write(uint16_t address, uint8_t value) { console.WriteByte(address, value); }
    uint8_t Read(uint16_t address) { return console.ReadByte(address); }
    void SetAddress(uint16_t address) {
        Write(0x2006, static_cast<uint8_t>(address >> 8));
        Write(0x2006, static_cast<uint8_t>(address));
    }
    void AtLine(int line) { m().cycles = CycleOfLine(line); }

    // All four name-table pages filled through the data port (so the
    // attribute cache is built as games build it), then `mode` applied.
    void FillNameTables(int mode) {
        ppu().SetMirroring(3);
        m().cycles = 0;
        for (int page = 0; page < 4; ++page) {
            SetAddress(static_cast<uint16_t>(0x2000 + page * 0x400));
            for (int row = 0; row < 30; ++row)
                for (int column = 0; column < 32; ++column) Write(0x2007, TileAt(page, row, column));
            for (int i = 0; i < 64; ++i) Write(0x2007, AttributeAt(page, i));
        }
        ppu().SetMirroring(mode);
    }

    // A whole frame from the latches as they are: begin, end.
    void DrawFrame() {
        m().cycles = 0;
        ppu().BeginDrawnFrame();
        m().cycles = kFrameCycleBudget;
        ppu().EndDrawnFrame();
    }
    uint8_t Pixel(int line, int x) { return ppu().frameBuffer[line * 256 + x]; }
};

// The four global pages the background windows show for pattern half h.
inline std::array<int, 4> Half(int h) { return {4 * h, 4 * h + 1, 4 * h + 2, 4 * h + 3}; }

// Background pixel for picture line L, column x, of a frame drawn with name
// table t and scroll sx, sy under mirroring `mode`, with the background
// windows showing global pages `banks`. Scrolls 241-255 count as -15..-1
// into the table above.
inline uint8_t ExpectedBackground(int mode, int t, int sx, int sy, const std::array<int, 4>& banks, int line,
                                  int x) {
    int column = sx + x;
    int row = sy + line + 1;
    if (sy > 240) row = sy + line - 15, t ^= 2;
    if (column >= 256) column -= 256, t ^= 1;
    if (row >= 240) t ^= (row / 240) & 1 ? 2 : 0, row %= 240;
    int page = PageOfTable(mode, t & 3);
    int tile = TileAt(page, row / 8, column / 8);
    int value = PatternOf(banks[tile / 64], tile % 64, column % 8, row % 8);
    return static_cast<uint8_t>(value | PaletteOf(page, row / 8, column / 8) * 4);
}

}  // namespace korvanta::test
