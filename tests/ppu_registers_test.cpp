// The picture unit's registers, video memory, palette sets and status bits.
#include <gtest/gtest.h>

#include "ppu_fixture.h"

namespace korvanta {
namespace {

using test::CycleOfLine;
using test::PpuRig;

TEST(PpuTiming, ScanlineAndPixelPositionFollowTheCycleCount) {
    EXPECT_EQ(ScanlineOf(0), -21);
    EXPECT_EQ(ScanlineOf(2275), -1);
    EXPECT_EQ(ScanlineOf(2276), 0);
    EXPECT_EQ(ScanlineOf(2502), 0);
    EXPECT_EQ(ScanlineOf(2503), 1);
    EXPECT_EQ(ScanlineOf(29859), 241);
    EXPECT_FALSE(PictureStarted(2388));
    EXPECT_TRUE(PictureStarted(2389));
    for (int line : {1, 50, 239}) {
        EXPECT_EQ(ScanlineOf(CycleOfLine(line)), line);
        EXPECT_EQ(ScanlineOf(CycleOfLine(line) - 1), line - 1);
    }
    // Line start of the 113.75-cycle grid, the first visible pixel 20 dots
    // in, the end of the line.
    struct Case {
        uint32_t cycles;
        int position;
    } cases[] = {{0, 232}, {455, 232}, {7, 0}, {10, 8}, {91, 248}, {113, 56}};
    for (const Case& c : cases) EXPECT_EQ(PixelPositionOf(c.cycles), c.position) << c.cycles;
}

TEST(PpuRegisters, StatusReadsControlBitsVblankOnceAndClearsBothToggles) {
    PpuRig rig;
    rig.Write(0x2000, 0x55);
    rig.m().vblankFlag = 1;
    rig.Write(0x2005, 1);  // first write of both pairs
    rig.Write(0x2006, 0x21);
    EXPECT_EQ(rig.Read(0x2002), 0x80 | 0x15);
    EXPECT_EQ(rig.Read(0x2002), 0x15);
    EXPECT_EQ(rig.ppu().scrollToggle, 0);
    EXPECT_EQ(rig.ppu().addressToggle, 0);
    // After the toggles were cleared a single $2006 write is a first write.
    rig.Write(0x2006, 0x23);
    rig.Write(0x2006, 0x45);
    EXPECT_EQ(rig.ppu().vramAddress, 0x2345u);
}

TEST(PpuRegisters, DataPortBuffersReadsAndAdvancesByTheIncrement) {
    PpuRig rig;
    rig.FillNameTables(3);
    rig.SetAddress(0x2001);
    rig.Read(0x2007);  // stale buffer
    EXPECT_EQ(rig.Read(0x2007), test::TileAt(0, 0, 1));
    EXPECT_EQ(rig.Read(0x2007), test::TileAt(0, 0, 2));
    rig.Write(0x2000, 0x04);  // +32
    rig.SetAddress(0x2403);
    rig.Read(0x2007);
    EXPECT_EQ(rig.Read(0x2007), test::TileAt(1, 0, 3));
    EXPECT_EQ(rig.ppu().vramAddress, 0x2443u);
    // $3000-$3EFF mirror the name tables; the address wraps at $3FFF.
    rig.Write(0x2000, 0);
    rig.SetAddress(0x3805);
    rig.Read(0x2007);
    EXPECT_EQ(rig.Read(0x2007), test::TileAt(2, 0, 5));
    rig.SetAddress(0x3FFF);
    rig.Read(0x2007);
    EXPECT_EQ(rig.ppu().vramAddress, 0u);
    // Pattern memory reads through the raw window.
    rig.SetAddress(0x0410);
    rig.Read(0x2007);
    EXPECT_EQ(rig.Read(0x2007), rig.raw[1024 + 0x10]);
}

TEST(PpuRegisters, PaletteReadsAreBufferedAndBackdropWritesMirror) {
    PpuRig rig;
    rig.SetAddress(0x3F00);
    rig.Write(0x2007, 0x21);
    rig.SetAddress(0x3F00);
    uint8_t stale = rig.ppu().readBuffer;
    EXPECT_EQ(rig.Read(0x2007), stale);
    EXPECT_EQ(rig.Read(0x2007), 0x21);

    struct Case {
        uint16_t address;
        std::vector<int> changed;  // entries that receive the value
    } cases[] = {
        {0x3F00, {0, 4, 8, 12}},  {0x3F10, {0, 4, 8, 12, 16}}, {0x3F14, {}},   {0x3F04, {}},
        {0x3F1C, {}},             {0x3F05, {5}},               {0x3F3F, {31}}, {0x3F21, {1}},
    };
    for (const Case& c : cases) {
        PpuRig fresh;
        for (int i = 0; i < 32; ++i) fresh.ppu().palette[0][i] = 0x0F;
        fresh.SetAddress(c.address);
        fresh.Write(0x2007, 0x2A);
        for (int i = 0; i < 32; ++i) {
            bool expected = std::find(c.changed.begin(), c.changed.end(), i) != c.changed.end();
            EXPECT_EQ(fresh.ppu().palette[0][i], expected ? 0x2A : 0x0F) << std::hex << c.address << " entry " << i;
        }
    }
}

TEST(PpuRegisters, PatternWritesNeedAWritableBoardAndKeepTheDecodedCopy) {
    PpuRig rig;
    rig.SetAddress(0x0812);  // page 2, tile 1, plane 0 row 2
    rig.Write(0x2007, 0xFF);
    EXPECT_NE(rig.raw[2 * 1024 + 0x12], 0xFF);
    EXPECT_EQ(rig.ppu().vramAddress, 0x0813u);  // dropped, but advanced

    rig.board->chrWritable = 1;
    rig.SetAddress(0x0812);
    rig.Write(0x2007, 0xA5);  // plane 0
    rig.SetAddress(0x081A);
    rig.Write(0x2007, 0x0F);  // plane 1
    EXPECT_EQ(rig.raw[2 * 1024 + 0x12], 0xA5);
    const uint8_t* row = &rig.decoded[2 * 4096 + 1 * 64 + 2 * 8];
    const uint8_t expected[8] = {1, 0, 1, 0, 2, 3, 2, 3};
    for (int x = 0; x < 8; ++x) EXPECT_EQ(row[x], expected[x]) << x;

    // Without any board the write is dropped as well.
    rig.console.mapper.reset();
    rig.SetAddress(0x0812);
    rig.Write(0x2007, 0x00);
    EXPECT_EQ(rig.raw[2 * 1024 + 0x12], 0xA5);
}

TEST(PpuRegisters, AttributeWritesKeepThePerTileCache) {
    PpuRig rig;
    rig.FillNameTables(3);
    for (int page = 0; page < 4; ++page)
        for (int row = 0; row < 30; ++row)
            for (int column = 0; column < 32; ++column)
                ASSERT_EQ(rig.ppu().attributeCache[page * 1024 + row * 32 + column],
                          test::PaletteOf(page, row, column) * 4)
                    << page << " " << row << " " << column;
    // A wholesale rebuild gives the same cache.
    std::array<uint8_t, 1024> rebuilt{};
    Ppu::RebuildAttributeCache(&rig.ppu().nameTableRam[1024], rebuilt.data());
    for (int i = 0; i < 960; ++i) EXPECT_EQ(rebuilt[i], rig.ppu().attributeCache[1024 + i]) << i;
}

TEST(PpuRegisters, MirroringPointsAllThreeWindowSets) {
    struct Case {
        int mode;
        std::array<int, 4> pages;
    } cases[] = {
        {0, {0, 0, 0, 0}}, {1, {0, 1, 0, 1}}, {2, {0, 0, 1, 1}},
        {3, {0, 1, 2, 3}}, {4, {1, 1, 1, 1}}, {0xE4, {0, 1, 2, 3}}, {0x1B, {3, 2, 1, 0}},
    };
    for (const Case& c : cases) {
        PpuRig rig;
        rig.ppu().SetMirroring(c.mode);
        EXPECT_EQ(rig.ppu().mirroring, c.mode);
        for (int t = 0; t < 4; ++t) {
            EXPECT_EQ(rig.ppu().nameTable[t], &rig.ppu().nameTableRam[c.pages[t] * 1024]) << c.mode << " " << t;
            EXPECT_EQ(rig.ppu().attributeCacheWindow[t], &rig.ppu().attributeCache[c.pages[t] * 1024]);
            EXPECT_EQ(rig.ppu().extensionWindow[t], &rig.ppu().extensionRam[c.pages[t] * 1024]);
        }
    }
}

TEST(PpuRegisters, ControlAndScrollWritesDuringThePictureTouchOnlyWhatTheyMay) {
    PpuRig rig;
    rig.Write(0x2000, 0x1C);
    EXPECT_EQ(rig.ppu().spritePatternBase, 256);
    EXPECT_EQ(rig.ppu().backgroundPatternBase, 256);
    EXPECT_EQ(rig.ppu().vramIncrement, 32);
    rig.Write(0x2000, 0xA2);
    EXPECT_EQ(rig.m().nmiEnabled, 1);
    EXPECT_EQ(rig.ppu().tallSprites, 1);
    EXPECT_EQ(rig.ppu().renderNameTable, 2);  // before the picture: both bits

    rig.Write(0x2000, 0);
    rig.AtLine(50);
    rig.Write(0x2000, 3);  // during the picture: the horizontal bit only
    EXPECT_EQ(rig.ppu().renderNameTable, 1);
    EXPECT_EQ(rig.ppu().nameTableLatch, 3);

    rig.Write(0x2005, 77);
    rig.Write(0x2005, 99);
    EXPECT_EQ(rig.ppu().renderScrollX, 77);
    EXPECT_EQ(rig.ppu().scrollYLatch, 99);
    EXPECT_EQ(rig.ppu().renderScrollY, 0);  // waits for the next frame
    rig.m().cycles = 100;
    rig.Write(0x2005, 5);
    rig.Write(0x2005, 6);
    EXPECT_EQ(rig.ppu().renderScrollY, 6);
}

TEST(PpuRegisters, SecondAddressWriteTellsTheBoardAndSetsTheRenderScroll) {
    struct Case {
        int line;  // <= 0: before the picture
        uint16_t address;
        int scrollX, scrollY, table;
    } cases[] = {
        {-5, 0x2C45, 5 * 8, 2 * 8 + 2, 3},  // 0x2000 carries fine Y 2
        {0, 0x7BFF, 31 * 8, 31 * 8 + 3, 2},  // bit 14 is not part of the address
        {100, 0x0400 | (20 << 5), 0, 160 - 100, 1},
        {200, 2 << 5, 0, 16 - 200 + 240, 2},  // below -16: next table down
        {20, 0x1000, 0, 1 - 20 + 240, 2},
        {10, 0x0000, 0, -10, 0},
    };
    for (const Case& c : cases) {
        PpuRig rig;
        rig.m().cycles = c.line > 0 ? CycleOfLine(c.line) : 0;
        rig.SetAddress(c.address);
        ASSERT_EQ(rig.board->messages.size(), 1u);
        EXPECT_EQ(rig.board->messages[0].first, 12u);
        EXPECT_EQ(rig.board->messages[0].second, c.address & 0x3FFF);
        EXPECT_EQ(rig.ppu().renderScrollX, c.scrollX) << std::hex << c.address;
        EXPECT_EQ(rig.ppu().renderScrollY, c.scrollY) << std::hex << c.address;
        EXPECT_EQ(rig.ppu().renderNameTable, c.table) << std::hex << c.address;
    }
}

TEST(PpuRegisters, SpriteMemoryDecodesAndTheAddressWraps) {
    PpuRig rig;
    rig.Write(0x2003, 0xFE);
    for (uint8_t v : {0x51, 0x22, 0x33, 0xE7}) rig.Write(0x2004, v);
    EXPECT_EQ(rig.ppu().sprites[63].flip, 1);
    EXPECT_EQ(rig.ppu().sprites[63].paletteBase, 4);
    EXPECT_EQ(rig.ppu().sprites[63].posX, 0x22);
    EXPECT_EQ(rig.ppu().sprites[0].posY, 0x33);
    EXPECT_EQ(rig.ppu().sprites[0].tile, 0xE7);
    EXPECT_EQ(rig.ppu().spriteAddress, 2);
    rig.Write(0x2004, 0xBF);  // vertical flip, behind, palette 3; bits 2-4 dropped
    rig.Write(0x2004, 0x44);
    EXPECT_EQ(rig.ppu().sprites[0].flip, 2);
    EXPECT_EQ(rig.ppu().sprites[0].behindBackground, 1);
    EXPECT_EQ(rig.ppu().sprites[0].paletteBase, 12);
    EXPECT_EQ(rig.ppu().sprites[0].posX, 0x44);
    EXPECT_EQ(rig.ppu().spriteAddress, 4);
}

// Raw tile 0x10 of page 0 with opaque rows from `firstOpaque` on.
void PlaceProbeTile(PpuRig& rig, int page, int tile, int firstOpaque) {
    uint8_t* bytes = &rig.raw[page * 1024 + tile * 16];
    for (int r = 0; r < 16; ++r) bytes[r] = 0;
    if (firstOpaque < 8) bytes[8 + firstOpaque] = 0x80;  // plane 1 only
}

TEST(PpuStatus, SpriteZeroHitLineFollowsTheFirstOpaqueRow) {
    struct Case {
        bool tall;
        int flip;
        int firstOpaqueTop;     // in the top (or only) tile, 8 = none
        int firstOpaqueBottom;  // in the bottom tile of 8x16, 8 = none
        int hitLine;            // sprite at Y = 100
    } cases[] = {
        {false, 0, 0, 8, 101}, {false, 0, 5, 8, 106}, {false, 2, 5, 8, 104},
        {false, 0, 8, 8, 109},  // fully transparent still "hits" below it
        {true, 0, 8, 3, 112},  {true, 2, 8, 3, 106},  {true, 0, 2, 8, 103},
    };
    for (const Case& c : cases) {
        PpuRig rig;
        rig.Write(0x2000, c.tall ? 0x20 : 0x00);
        PlaceProbeTile(rig, 0, 0x10, c.firstOpaqueTop);
        PlaceProbeTile(rig, 0, 0x11, c.firstOpaqueBottom);
        rig.Write(0x2003, 0);
        for (uint8_t v : {uint8_t(100), uint8_t(0x10), static_cast<uint8_t>(c.flip << 6), uint8_t(30)})
            rig.Write(0x2004, v);
        rig.AtLine(c.hitLine - 1);
        EXPECT_EQ(rig.Read(0x2002) & 0x40, 0) << c.hitLine;
        rig.AtLine(c.hitLine);
        EXPECT_EQ(rig.Read(0x2002) & 0x40, 0x40) << c.hitLine;
    }
}

TEST(PpuStatus, SpriteZeroProbeFollowsBankSwitchesWhenTheBoardAsks) {
    PpuRig rig;
    PlaceProbeTile(rig, 0, 0x10, 0);
    PlaceProbeTile(rig, 9, 0x10, 6);
    rig.Write(0x2003, 0);
    for (uint8_t v : {100, 0x10, 0, 0}) rig.Write(0x2004, v);
    EXPECT_EQ(rig.ppu().sprite0FirstOpaqueRow, 0);
    rig.MapWindow(0, 9);
    rig.ppu().RefreshSpriteZeroProbe();
    EXPECT_EQ(rig.ppu().sprite0FirstOpaqueRow, 6);
    // An unmapped window reads as transparent rather than faulting.
    rig.ppu().chrWindow[0] = nullptr;
    rig.ppu().RefreshSpriteZeroProbe();
    EXPECT_EQ(rig.ppu().sprite0FirstOpaqueRow, 8);
}

TEST(PpuStatus, OverflowNeedsEightConsecutiveSpritesOnOneLine) {
    struct Case {
        int first, count;  // sprites first .. first+count-1 at Y = 50, the rest at distinct Y
        int line;
    } cases[] = {{0, 8, 50}, {20, 9, 50}, {0, 7, 240}, {60, 4, 240}};
    for (const Case& c : cases) {
        PpuRig rig;
        rig.Write(0x2003, 0);
        for (int i = 0; i < 64; ++i) {
            bool inRun = i >= c.first && i < c.first + c.count;
            uint8_t y = inRun ? 50 : static_cast<uint8_t>(60 + i * 2);
            for (uint8_t v : {y, uint8_t(0), uint8_t(0), uint8_t(0)}) rig.Write(0x2004, v);
        }
        rig.m().vblankFlag = 1;
        rig.m().cycles = 0;
        rig.Read(0x2002);
        EXPECT_EQ(rig.ppu().overflowLine, c.line);
        if (c.line < 240) {
            rig.AtLine(c.line - 1);
            EXPECT_EQ(rig.Read(0x2002) & 0x20, 0);
            rig.AtLine(c.line);
            EXPECT_EQ(rig.Read(0x2002) & 0x20, 0x20);
        }
    }
}

TEST(PpuPalette, MidPictureWritesOpenAtMostThreeSets) {
    PpuRig rig;
    rig.SetAddress(0x3F01);
    rig.Write(0x2007, 0x11);  // before the picture: set 0
    EXPECT_EQ(rig.ppu().paletteSetCount, 0);

    rig.AtLine(100);
    uint32_t start = rig.m().cycles;
    rig.SetAddress(0x3F01);
    rig.Write(0x2007, 0x21);
    rig.m().cycles += 450;
    rig.Write(0x2007, 0x22);
    rig.m().cycles += 454;  // exactly 904 after the start: still the same set
    rig.Write(0x2007, 0x23);
    EXPECT_EQ(rig.ppu().paletteSetCount, 1);
    EXPECT_EQ(rig.ppu().paletteSetStart[1], start);
    EXPECT_EQ(rig.ppu().palette[0][1], 0x11);
    EXPECT_EQ(rig.ppu().palette[1][1], 0x21);
    EXPECT_EQ(rig.ppu().palette[1][3], 0x23);

    for (int k = 0; k < 4; ++k) {
        rig.m().cycles += 1000;
        rig.SetAddress(0x3F05);
        rig.Write(0x2007, static_cast<uint8_t>(0x30 + k));
    }
    EXPECT_EQ(rig.ppu().paletteSetCount, 3);
    EXPECT_EQ(rig.ppu().palette[2][5], 0x30);
    EXPECT_EQ(rig.ppu().palette[3][5], 0x33);  // later writes go into the third
    EXPECT_EQ(rig.ppu().palette[3][1], 0x21);  // a new set starts as a copy

    rig.ppu().CollapsePaletteSets();
    EXPECT_EQ(rig.ppu().paletteSetCount, 0);
    EXPECT_EQ(rig.ppu().palette[0][5], 0x33);
    EXPECT_EQ(rig.ppu().paletteSetStart[1], 0u);
}

}  // namespace
}  // namespace korvanta
