// The picture unit's saved state: stored sizes, a round trip, the power-on
// reset, and values out of range in a snapshot.
#include <gtest/gtest.h>

#include <map>

#include "media/stream.h"
#include "ppu_fixture.h"

namespace korvanta {
namespace {

using test::PpuRig;

MemoryStream SaveTables(Ppu& ppu) {
    MemoryStream stream;
    for (const TaggedTable& t : ppu.StateTables()) EXPECT_EQ(WriteChunk(stream, t.table, t.tag), 0);
    EXPECT_EQ(WriteEndChunk(stream), 0);
    return stream;
}

TEST(PpuState, TablesHaveTheStoredSizesOfTheSnapshotFormat) {
    PpuRig rig;
    std::map<int16_t, uint32_t> sizes;
    for (const TaggedTable& t : rig.ppu().StateTables()) sizes[t.tag] = PayloadSize(t.table);
    std::map<int16_t, uint32_t> expected = {{5, 8192}, {8, 2}, {9, 19}, {10, 8}, {11, 128}, {12, 2 + 64 * 11}};
    EXPECT_EQ(sizes, expected);
}

TEST(PpuState, RoundTripRestoresRegistersSpritesPaletteAndMirroring) {
    PpuRig source;
    source.FillNameTables(2);
    source.Write(0x2000, 0x3C);
    source.Write(0x2001, 0x1E);
    source.Write(0x2005, 0x12);
    source.Write(0x2005, 0x34);
    source.SetAddress(0x3F11);
    source.Write(0x2007, 0x2C);
    source.Write(0x2003, 0x40);
    for (uint8_t v : {0x70, 0x81, 0xC2, 0x99}) source.Write(0x2004, v);
    source.Read(0x2007);
    MemoryStream stream = SaveTables(source.ppu());

    PpuRig target;
    ASSERT_TRUE(ReadTables(stream, 0, target.ppu().StateTables()));
    target.ppu().AfterStateLoad();
    const Ppu& a = source.ppu();
    const Ppu& b = target.ppu();
    EXPECT_EQ(b.nameTableRam, a.nameTableRam);
    EXPECT_EQ(b.attributeCache, a.attributeCache);
    EXPECT_EQ(b.mirroring, 2);
    EXPECT_EQ(b.nameTable[2], &b.nameTableRam[1024]);  // mirroring applied again
    EXPECT_EQ(b.ctrl, 0x3C);
    EXPECT_EQ(b.mask, 0x1E);
    EXPECT_EQ(b.tallSprites, 1);
    EXPECT_EQ(b.spritePatternBase, 256);
    EXPECT_EQ(b.backgroundPatternBase, 256);
    EXPECT_EQ(b.vramIncrement, 32);
    EXPECT_EQ(b.vramAddress, a.vramAddress);
    EXPECT_EQ(b.readBuffer, a.readBuffer);
    EXPECT_EQ(b.scrollXLatch, 0x12);
    EXPECT_EQ(b.scrollYLatch, 0x34);
    EXPECT_EQ(b.nameTableLatch, 0);
    EXPECT_EQ(b.palette, a.palette);
    EXPECT_EQ(b.spriteAddress, 0x44);
    const Sprite& s = b.sprites[16];
    EXPECT_EQ(s.posY, 0x70);
    EXPECT_EQ(s.tile, 0x81);
    EXPECT_EQ(s.flip, 3);
    EXPECT_EQ(s.behindBackground, 0);
    EXPECT_EQ(s.paletteBase, 8);
    EXPECT_EQ(s.posX, 0x99);
}

TEST(PpuState, ResetClearsMemoryAndFieldsButKeepsTheMirroring) {
    PpuRig rig;
    rig.FillNameTables(1);
    rig.Write(0x2000, 0xFF);
    rig.Write(0x2004, 0x55);
    rig.ppu().Reset();
    const Ppu& p = rig.ppu();
    EXPECT_EQ(p.mirroring, 1);
    EXPECT_EQ(p.nameTable[1], &p.nameTableRam[1024]);
    for (uint8_t byte : p.nameTableRam) ASSERT_EQ(byte, 0);
    for (uint8_t byte : p.attributeCache) ASSERT_EQ(byte, 0);
    EXPECT_EQ(p.ctrl, 0);
    EXPECT_EQ(p.tallSprites, 0);
    EXPECT_EQ(p.sprites[0].posY, 0);
    // $2000 = 0 means an increment of 1: the data port still advances.
    EXPECT_EQ(p.vramIncrement, 1);
    rig.SetAddress(0x2000);
    rig.Write(0x2007, 1);
    EXPECT_EQ(p.vramAddress, 0x2001u);
}

TEST(PpuState, LoadedValuesOutOfRangeAreBroughtBackIntoRange) {
    // A snapshot written by a source whose fields hold what no register
    // write can produce, as a damaged or hostile file would.
    PpuRig source;
    Ppu& bad = source.ppu();
    bad.mirroring = 0x1FF;
    bad.spritesEnabled = bad.backgroundEnabled = 0x77;
    bad.tallSprites = 0x80;
    bad.spritePatternBase = 0x1234;
    bad.backgroundPatternBase = 0xFFFF;
    bad.vramAddress = 0xFFFF;
    bad.vramIncrement = 7;
    bad.scrollToggle = 0x300;
    bad.scrollXLatch = 0xFFFF;
    bad.scrollYLatch = 0x1F0;
    bad.nameTableLatch = 0xFF;
    bad.spriteAddress = 0x1234;
    for (Sprite& s : bad.sprites) {
        s.posY = 0xFF64;  // line 100 once reduced
        s.posX = 0xFFFF;
        s.tile = 0xFFFF;
        s.flip = 0xFFFF;
        s.behindBackground = 0xFF;
        s.paletteBase = 0xFFFF;
    }
    bad.sprites[1].posY = 0x1F8;  // low byte 0xF8 + 8 rows: off screen
    for (auto& set : bad.palette) set.fill(0xFF);
    MemoryStream stream = SaveTables(bad);

    PpuRig rig;
    ASSERT_TRUE(ReadTables(stream, 0, rig.ppu().StateTables()));
    rig.ppu().AfterStateLoad();
    const Ppu& p = rig.ppu();
    EXPECT_EQ(p.spritesEnabled, 1);
    EXPECT_EQ(p.backgroundEnabled, 1);
    EXPECT_EQ(p.tallSprites, 1);
    EXPECT_EQ(p.spritePatternBase, 256);
    EXPECT_EQ(p.backgroundPatternBase, 256);
    EXPECT_EQ(p.vramAddress, 0x3FFFu);
    EXPECT_EQ(p.vramIncrement, 1);
    EXPECT_EQ(p.scrollToggle, 1);
    EXPECT_EQ(p.scrollXLatch, 0xFF);
    EXPECT_EQ(p.scrollYLatch, 0xF0);
    EXPECT_EQ(p.nameTableLatch, 3);
    EXPECT_EQ(p.spriteAddress, 0x34);
    EXPECT_EQ(p.mirroring, 0xFF);
    for (int t = 0; t < 4; ++t) EXPECT_EQ(p.nameTable[t], &p.nameTableRam[3 * 1024]);
    for (const Sprite& s : p.sprites) {
        ASSERT_LE(s.posY, 255);
        ASSERT_LE(s.posX, 255);
        ASSERT_LE(s.tile, 255);
        ASSERT_LE(s.flip, 3);
        ASSERT_LE(s.behindBackground, 1);
        ASSERT_EQ(s.paletteBase, 12);
    }

    // The loaded state draws a frame and accepts register traffic with
    // every index inside its table.
    rig.DrawFrame();
    for (uint8_t byte : p.frameBuffer) ASSERT_LT(byte, 32);
    rig.Write(0x2004, 1);
    rig.Write(0x2007, 1);
    EXPECT_EQ(p.spriteAddress, 0x35);
}

}  // namespace
}  // namespace korvanta
