// The catch-up renderer's background: scrolls, mirroring, the left column,
// mid-frame changes, skipped frames, render modes and the dot-by-dot option.
// Every expected pixel comes from the fixture's formulas, not from a dump.
#include <gtest/gtest.h>

#include "ppu_fixture.h"

namespace korvanta {
namespace {

using test::ExpectedBackground;
using test::Half;
using test::PpuRig;

// Compares lines [first, end) with the model; stops at the first mismatch.
void ExpectLines(PpuRig& rig, int first, int end, int mode, int table, int sx, int sy,
                 const std::array<int, 4>& banks, const char* what) {
    for (int line = first; line < end; ++line)
        for (int x = 0; x < 256; ++x) {
            uint8_t expected = ExpectedBackground(mode, table, sx, sy, banks, line, x);
            if (rig.Pixel(line, x) != expected) {
                ADD_FAILURE() << what << ": line " << line << " x " << x << " got " << int(rig.Pixel(line, x))
                              << " want " << int(expected);
                return;
            }
        }
}

void Scroll(PpuRig& rig, int x, int y) {
    rig.Write(0x2005, static_cast<uint8_t>(x));
    rig.Write(0x2005, static_cast<uint8_t>(y));
}

TEST(RenderBackground, DisabledBackgroundAndNoSpritesGiveAZeroFrame) {
    PpuRig rig;
    rig.FillNameTables(1);
    rig.ppu().frameBuffer.fill(0x55);
    rig.Write(0x2001, 0x06);
    rig.DrawFrame();
    for (uint8_t byte : rig.ppu().frameBuffer) ASSERT_EQ(byte, 0);
}

TEST(RenderBackground, ScrollAndMirroringCasesFollowTheNameTables) {
    struct Case {
        int mode, table, sx, sy, half;
    } cases[] = {
        {1, 0, 0, 0, 0},     {1, 1, 100, 0, 1},   {2, 2, 0, 200, 0},  {3, 3, 255, 239, 1},
        {0, 0, 37, 77, 0},   {4, 1, 8, 8, 0},     {0xE4, 2, 129, 13, 1}, {0x1B, 1, 3, 240, 0},
        {2, 0, 0, 248, 0},   {1, 3, 7, 255, 1},   {3, 1, 250, 241, 0},
    };
    for (const Case& c : cases) {
        PpuRig rig;
        rig.FillNameTables(c.mode);
        rig.m().cycles = 0;
        rig.Write(0x2000, static_cast<uint8_t>(c.table | (c.half ? 0x10 : 0)));
        rig.Write(0x2001, 0x0A);
        Scroll(rig, c.sx, c.sy);
        rig.DrawFrame();
        std::string what = "mode " + std::to_string(c.mode) + " sx " + std::to_string(c.sx) + " sy " +
                           std::to_string(c.sy);
        ExpectLines(rig, 0, 240, c.mode, c.table, c.sx, c.sy, Half(c.half), what.c_str());
    }
}

TEST(RenderBackground, ScrollY248ShowsTheBottomOfTheTableAboveFirst) {
    PpuRig rig;
    rig.FillNameTables(2);  // horizontal: tables 0/1 page 0, tables 2/3 page 1
    rig.Write(0x2001, 0x0A);
    Scroll(rig, 0, 248);
    rig.DrawFrame();
    // Line 0 is row 233 of page 1; line 7 is row 0 of page 0.
    for (int x = 0; x < 256; ++x) {
        int tile = test::TileAt(1, 29, x / 8);
        EXPECT_EQ(rig.Pixel(0, x) & 3, test::PatternOf(tile / 64, tile % 64, x % 8, 233 % 8)) << x;
        tile = test::TileAt(0, 0, x / 8);
        EXPECT_EQ(rig.Pixel(7, x) & 3, test::PatternOf(tile / 64, tile % 64, x % 8, 0)) << x;
    }
}

TEST(RenderBackground, LeftColumnIsClearedOnlyWhenBothBitsAreClear) {
    struct Case {
        uint8_t mask;
        bool cleared;
    } cases[] = {{0x08, true}, {0x0A, false}, {0x0C, false}, {0x0E, false}};
    for (const Case& c : cases) {
        PpuRig rig;
        rig.FillNameTables(1);
        rig.Write(0x2001, c.mask);
        Scroll(rig, 3, 5);
        rig.DrawFrame();
        for (int line = 0; line < 240; ++line)
            for (int x = 0; x < 16; ++x) {
                uint8_t expected = x < 8 && c.cleared ? 0 : ExpectedBackground(1, 0, 3, 5, Half(0), line, x);
                ASSERT_EQ(rig.Pixel(line, x), expected) << std::hex << int(c.mask) << " line " << line << " x " << x;
            }
    }
}

TEST(RenderBackground, MidFrameWritesChangeOnlyTheLinesStillToCome) {
    PpuRig rig;
    rig.FillNameTables(1);
    rig.Write(0x2001, 0x0A);
    Scroll(rig, 0, 0);
    rig.m().cycles = 0;
    rig.ppu().BeginDrawnFrame();
    rig.AtLine(100);
    Scroll(rig, 50, 99);  // X from line 100 on; Y waits for the next frame
    EXPECT_GT(rig.board->hooks, 0);
    rig.AtLine(150);
    // A bank switch as a board makes it: catch up first, then move windows.
    rig.ppu().RenderCatchUp(true);
    rig.MapWindow(0, 12);
    rig.AtLine(180);
    rig.SetAddress(0x0400 | (5 << 5) | 3);  // table 1, coarse Y 5, coarse X 3
    rig.m().cycles = kFrameCycleBudget;
    rig.ppu().EndDrawnFrame();

    std::array<int, 4> switched = {12, 1, 2, 3};
    ExpectLines(rig, 0, 100, 1, 0, 0, 0, Half(0), "before the X write");
    ExpectLines(rig, 100, 150, 1, 0, 50, 0, Half(0), "after the X write");
    ExpectLines(rig, 150, 180, 1, 0, 50, 0, switched, "after the bank switch");
    // Y = 40 - 180 is below -16: 240 added and the vertical table bit flipped.
    EXPECT_EQ(rig.ppu().renderScrollY, 40 - 180 + 240);
    ExpectLines(rig, 180, 240, 1, 3, 24, 40 - 180 + 240, switched, "after the address write");
}

TEST(RenderBackground, SkippedFramesDrawNothingAndCallNoHook) {
    PpuRig rig;
    rig.FillNameTables(1);
    rig.ppu().frameBuffer.fill(0x77);
    rig.Write(0x2001, 0x1E);
    rig.AtLine(120);
    Scroll(rig, 9, 9);
    rig.Write(0x2000, 0x01);
    rig.ppu().RenderCatchUp(true);
    rig.ppu().RenderCatchUp(false);
    EXPECT_EQ(rig.board->hooks, 0);
    for (uint8_t byte : rig.ppu().frameBuffer) ASSERT_EQ(byte, 0x77);
    EXPECT_FALSE(rig.ppu().DrawingThisFrame());
}

TEST(RenderBackground, UnmappedPatternWindowsDrawAsTransparent) {
    PpuRig rig;
    rig.FillNameTables(1);
    rig.ppu().decodedChrWindow.fill(nullptr);
    rig.ppu().chrWindow.fill(nullptr);
    rig.Write(0x2001, 0x0A);
    rig.DrawFrame();
    for (int line = 0; line < 240; ++line)
        for (int x = 0; x < 256; ++x)
            ASSERT_EQ(rig.Pixel(line, x), ExpectedBackground(1, 0, 0, 0, Half(0), line, x) & 12);
}

TEST(RenderBackground, RenderModeOneAsksTheBoardForEveryTile) {
    PpuRig rig;
    rig.FillNameTables(1);
    rig.board->renderMode = 1;
    static const std::array<uint8_t, 64> solid = [] {
        std::array<uint8_t, 64> t{};
        t.fill(3);
        return t;
    }();
    rig.board->overrideTile = [](int half, int tile, int) -> const uint8_t* {
        return half == 0 && tile % 2 ? solid.data() : nullptr;
    };
    rig.ppu().extensionRam[5 * 32 + 7] = 0x5A;  // page 0, row 5, column 7
    rig.Write(0x2001, 0x0A);
    rig.DrawFrame();
    for (int line = 0; line < 240; ++line)
        for (int x = 0; x < 256; ++x) {
            int row = (line + 1) % 240;
            int t = line + 1 >= 240 ? 2 : 0;
            int page = test::PageOfTable(1, t);
            int tile = test::TileAt(page, row / 8, x / 8);
            uint8_t expected = ExpectedBackground(1, 0, 0, 0, Half(0), line, x);
            if (tile % 2) expected = static_cast<uint8_t>(3 | (expected & 12));
            ASSERT_EQ(rig.Pixel(line, x), expected) << line << " " << x;
        }
    bool sawLatch = false;
    for (const auto& call : rig.board->overrides) {
        EXPECT_EQ(call[0], 0);
        if (call[1] == test::TileAt(0, 5, 7) && call[2] == 0x5A) sawLatch = true;
    }
    EXPECT_TRUE(sawLatch);
}

TEST(RenderBackground, RenderModeTwoSendsEachChangedExtensionByte) {
    PpuRig rig;
    rig.FillNameTables(0);  // all four tables on page 0
    rig.board->renderMode = 2;
    // Each quarter of the screen height carries its own value, as the
    // drawing-tablet board fills it; the board answers with other pages.
    for (int i = 0; i < 1024; ++i) rig.ppu().extensionRam[i] = static_cast<uint8_t>(3 - i / 256);
    rig.board->onMessage = [&rig](uint32_t code, intptr_t value) {
        if (code == 10)
            for (int w = 0; w < 4; ++w) rig.MapWindow(w, static_cast<int>(4 * value) + w);
    };
    rig.Write(0x2001, 0x0A);
    rig.board->messages.clear();
    rig.DrawFrame();
    std::vector<intptr_t> sent;
    for (const auto& [code, value] : rig.board->messages)
        if (code == 10) sent.push_back(value);
    // Rows 0-7 value 3 ... rows 24-29 value 0; the last line wraps to row 0.
    EXPECT_EQ(sent, (std::vector<intptr_t>{3, 2, 1, 0, 3}));
    for (int line = 0; line < 240; ++line) {
        int row = (line + 1) % 240;
        int value = 3 - (row / 8 * 32) / 256;
        std::array<int, 4> banks = {4 * value, 4 * value + 1, 4 * value + 2, 4 * value + 3};
        for (int x = 0; x < 256; ++x)
            ASSERT_EQ(rig.Pixel(line, x), ExpectedBackground(0, 0, 0, 0, banks, line, x)) << line << " " << x;
    }
}

// A cycle within picture line `line` whose pixel position is at least `from`.
uint32_t CycleAtPixel(int line, int from) {
    for (uint32_t c = test::CycleOfLine(line); ScanlineOf(c) == line; ++c) {
        int p = PixelPositionOf(c);
        if (p >= from && p < 200) return c;
    }
    return 0;
}

TEST(RenderBackground, PerDotSwitchSplitsTheLineAndWrapsIntoTheNextTable) {
    for (int scrollX : {0, 200}) {
        PpuRig rig;
        rig.m().perDotBankSwitching = 1;
        rig.FillNameTables(1);
        rig.Write(0x2001, 0x0A);
        Scroll(rig, scrollX, 0);
        rig.m().cycles = 0;
        rig.ppu().BeginDrawnFrame();
        uint32_t first = CycleAtPixel(100, 40);
        ASSERT_NE(first, 0u);
        int split1 = PixelPositionOf(first);
        rig.m().cycles = first;
        rig.ppu().RenderCatchUp(true);
        for (int w = 0; w < 4; ++w) rig.MapWindow(w, 8 + w);
        uint32_t second = first;
        while (PixelPositionOf(second) < split1 + 48) ++second;
        int split2 = PixelPositionOf(second);
        ASSERT_EQ(ScanlineOf(second), 100);
        rig.m().cycles = second;
        rig.ppu().RenderCatchUp(true);
        for (int w = 0; w < 4; ++w) rig.MapWindow(w, 12 + w);
        rig.m().cycles = kFrameCycleBudget;
        rig.ppu().EndDrawnFrame();

        ASSERT_EQ(split1 % 8, 0);
        ExpectLines(rig, 0, 100, 1, 0, scrollX, 0, Half(0), "before");
        ExpectLines(rig, 101, 240, 1, 0, scrollX, 0, {12, 13, 14, 15}, "after");
        for (int x = 0; x < 256; ++x) {
            std::array<int, 4> banks = x < split1 ? Half(0) : x < split2 ? std::array<int, 4>{8, 9, 10, 11}
                                                                         : std::array<int, 4>{12, 13, 14, 15};
            ASSERT_EQ(rig.Pixel(100, x), ExpectedBackground(1, 0, scrollX, 0, banks, 100, x))
                << "scroll " << scrollX << " x " << x << " splits " << split1 << "/" << split2;
        }
    }
}

TEST(RenderBackground, ProgramOnTheCpuSplitsThePictureWhereItWritesTheAddress) {
    PpuRig rig;
    rig.FillNameTables(1);
    // 32 KB of program: wait about 103 lines, then point $2006 at coarse X 12.
    const std::vector<uint8_t> code = {
        0xA9, 0x0A, 0x8D, 0x01, 0x20,  // LDA #$0A, STA $2001
        0xA2, 0x0B,                    // LDX #11
        0xA0, 0x00,                    // LDY #0
        0x88, 0xD0, 0xFD,              // DEY, BNE -3
        0xCA, 0xD0, 0xF8,              // DEX, BNE -8
        0xA9, 0x00, 0x8D, 0x06, 0x20,  // LDA #0, STA $2006
        0xA9, 0x0C, 0x8D, 0x06, 0x20,  // LDA #$0C, STA $2006
        0x4C, 0x19, 0x80,              // JMP *
    };
    Machine& m = rig.m();
    for (int i = 0; i < 4; ++i) {
        auto page = std::make_unique<PrgPage>();
        page->fill(0xEA);
        if (i == 0) std::copy(code.begin(), code.end(), page->begin());
        if (i == 3) (*page)[0x1FFC] = 0x00, (*page)[0x1FFD] = 0x80;
        m.prgPages[i] = page->data();
        m.prgWindow[i] = page->data();
        m.prgStorage.push_back(std::move(page));
    }
    m.prgPageCount = 4;
    rig.console.SoftReset();
    uint32_t writeCycle = 0;
    rig.board->onMessage = [&rig, &writeCycle](uint32_t code, intptr_t) {
        if (code == 12) writeCycle = rig.m().cycles;
    };
    rig.ppu().BeginDrawnFrame();
    rig.console.cpu.Run(RunMode::RunToFrameEnd);
    rig.ppu().EndDrawnFrame();

    int split = ScanlineOf(writeCycle);
    ASSERT_GT(split, 80);
    ASSERT_LT(split, 130);
    ExpectLines(rig, 0, split, 1, 0, 0, 0, Half(0), "before the write");
    // Y = 0 - split is below -16: 240 added, the vertical table bit flipped.
    ExpectLines(rig, split, 240, 1, 2, 96, 240 - split, Half(0), "after the write");
}

}  // namespace
}  // namespace korvanta
