// MMC2 and MMC4: the tile-triggered latches seen through the renderer, the
// sprite latch order, the register quirks and the snapshot round trip.
#include <gtest/gtest.h>

#include <string>

#include "mapper_fixture.h"
#include "ppu_fixture.h"

namespace korvanta::test {
namespace {

constexpr uint32_t kMmc2 = 9;
constexpr uint32_t kMmc4 = 10;

// 4 KB CHR banks used by the fixture; every tile of bank b is a solid block
// of pattern value b AND 3, so a pixel tells which bank drew it.
constexpr uint8_t kBankFd1 = 1;  // background, latch $FD: value 1
constexpr uint8_t kBankFe1 = 2;  // background, latch $FE: value 2
constexpr uint8_t kBankFd0 = 3;  // sprites, latch $FD: value 3
constexpr uint8_t kBankFe0 = 6;  // sprites, latch $FE: value 2

struct Mmc2Rig {
    BoardConsole b;

    explicit Mmc2Rig(uint32_t mapper) {
        std::vector<uint8_t> image = MakeInes(InesLayout{mapper, 8, 4});
        size_t chr = 16 + 16 * 0x2000;
        for (size_t page = 0; page < 32; ++page) {
            int value = static_cast<int>(page / 4) & 3;
            for (size_t tile = 0; tile < 64; ++tile)
                for (size_t r = 0; r < 8; ++r) {
                    image[chr + page * 1024 + tile * 16 + r] = value & 1 ? 0xFF : 0x00;
                    image[chr + page * 1024 + tile * 16 + 8 + r] = value & 2 ? 0xFF : 0x00;
                }
        }
        EXPECT_TRUE(b.Load(image));
        // $C000 first: on the MMC2 it also loads the $FD sprite register.
        Write(0xC000, kBankFe0);
        Write(0xB000, kBankFd0);
        Write(0xD000, kBankFd1);
        Write(0xE000, kBankFe1);
        Write(0xF000, 1);     // horizontal: tables 0 and 1 share page 0
        Write(0x2001, 0x1E);  // background and sprites, left column shown
        Write(0x2003, 0);
        for (int i = 0; i < 256; ++i) Write(0x2004, 0xF0);  // every sprite below the picture
    }
    void Write(uint16_t address, uint8_t value) { b.console.WriteByte(address, value); }
    void PutTile(int row, int column, uint8_t tile) {
        uint16_t address = static_cast<uint16_t>(0x2000 + row * 32 + column);
        Write(0x2006, static_cast<uint8_t>(address >> 8));
        Write(0x2006, static_cast<uint8_t>(address));
        Write(0x2007, tile);
    }
    void PutSprite(int index, uint8_t y, uint8_t tile, uint8_t x) {
        Write(0x2003, static_cast<uint8_t>(4 * index));
        for (uint8_t byte : {y, tile, uint8_t{0}, x}) Write(0x2004, byte);
    }
    // A shown frame as the frame driver and the CPU loop run it; `during`
    // runs at picture line `line`.
    template <typename During>
    void DrawFrame(int line, During during) {
        Machine& m = b.m();
        m.cycles = 0;
        b.ppu().BeginDrawnFrame();
        m.cycles = CycleOfLine(line);
        during();
        m.cycles = kFrameCycleBudget + kFrameEndSlack;
        b.console.mapper->EndOfFrame();
        b.ppu().EndDrawnFrame();
    }
    void DrawFrame() {
        DrawFrame(1, [] {});
    }
    int Value(int line, int x) { return b.ppu().frameBuffer[line * 256 + x] & 3; }
    // The bank value of each of the 32 tile columns on a picture line.
    std::string Columns(int line) {
        std::string s;
        for (int column = 0; column < 32; ++column) s += static_cast<char>('0' + Value(line, 8 * column + 4));
        return s;
    }
};

// With scroll 0 picture line L shows tile row (L + 1) / 8; line 238 is the
// last line of row 29.
constexpr int kRow5Line = 40;

TEST(Mmc2Latch, BackgroundSwitchesAfterFeAndAtFdTile) {
    Mmc2Rig rig(kMmc2);
    rig.PutTile(5, 10, 0xFE);
    rig.PutTile(5, 20, 0xFD);
    rig.PutTile(8, 3, 0xFE);
    rig.DrawFrame();
    // The $FE tile itself is still drawn from the $FD bank, the $FD tile
    // from the $FD bank it selects.
    EXPECT_EQ(rig.Columns(kRow5Line - 8), std::string(32, '1'));
    EXPECT_EQ(rig.Columns(kRow5Line), "11111111111222222222111111111111");
    EXPECT_EQ(rig.Columns(kRow5Line + 8), std::string(32, '1'));
    EXPECT_EQ(rig.Columns(kRow5Line + 24), "11112222222222222222222222222222");
    EXPECT_EQ(rig.Columns(238), std::string(32, '2'));
    // Every frame of the MMC2 starts on $FD again.
    rig.DrawFrame();
    EXPECT_EQ(rig.Columns(0), std::string(32, '1'));
}

TEST(Mmc2Latch, Mmc4CarriesTheBackgroundLatchAcrossFrames) {
    Mmc2Rig rig(kMmc4);  // the $E000 write left the latch on $FE
    rig.PutTile(5, 10, 0xFE);
    rig.PutTile(5, 20, 0xFD);
    rig.DrawFrame();
    EXPECT_EQ(rig.Columns(0), std::string(32, '2'));
    EXPECT_EQ(rig.Columns(kRow5Line), "22222222222222222222111111111111");
    EXPECT_EQ(rig.Columns(238), std::string(32, '1'));
    rig.DrawFrame();  // starts where the last one ended: $FD
    EXPECT_EQ(rig.Columns(0), std::string(32, '1'));
    EXPECT_EQ(rig.Columns(kRow5Line), "11111111111222222222111111111111");
}

// Under vertical mirroring the two horizontally adjacent tables are different
// pages: every picture row must take its latch values from the table it
// shows, and a scroll into the attribute rows (Y 240-255) must wrap to the
// table below instead of walking past the 1 KB page.
TEST(Mmc2Latch, LatchWalkFollowsTheRowsThePictureShows) {
    struct Case {
        int row;
        uint8_t scrollY;
        int line;  // the picture line showing that row of table 0
    } cases[] = {
        {1, 0, 8},
        {6, 0, 48},
        {0, 248, 7},
    };
    for (const Case& c : cases) {
        Mmc2Rig rig(kMmc2);
        rig.Write(0xF000, 0);  // vertical
        rig.PutTile(c.row, 5, 0xFE);
        rig.Write(0x2005, 0);
        rig.Write(0x2005, c.scrollY);
        rig.DrawFrame();
        EXPECT_EQ(rig.Columns(c.line), "11111122222222222222222222222222") << "row " << c.row;
    }
}

TEST(Mmc2Latch, BankWriteMidFrameKeepsTheLinesAlreadyScanned) {
    Mmc2Rig rig(kMmc2);
    rig.DrawFrame(100, [&] { rig.Write(0xD000, 4); });  // bank 4: value 0
    EXPECT_EQ(rig.Columns(99), std::string(32, '1'));
    EXPECT_EQ(rig.Columns(100), std::string(32, '0'));
    EXPECT_EQ(rig.Columns(238), std::string(32, '0'));
}

TEST(Mmc2Latch, SmallSpritesFollowTheLatchTilesInPictureOrder) {
    Mmc2Rig rig(kMmc4);  // keeps the two sprite registers apart; latch $FD
    rig.PutSprite(0, 40, 0xFE, 10);  // the latch tile
    rig.PutSprite(1, 60, 0x01, 10);  // after it
    rig.PutSprite(2, 20, 0x02, 10);  // before it
    rig.PutSprite(3, 40, 0x03, 10);  // the same position: not after it
    rig.PutSprite(4, 40, 0x04, 11);  // the same line, further right
    rig.DrawFrame();
    const auto& ext = rig.b.ppu().spriteExtension;
    EXPECT_EQ(ext[0], 0xFDu);
    EXPECT_EQ(ext[1], 0xFEu);
    EXPECT_EQ(ext[2], 0xFDu);
    EXPECT_EQ(ext[3], 0xFDu);
    EXPECT_EQ(ext[4], 0xFEu);
    // Sprite pixels (16 + value) from the $FD bank (3) and the $FE bank (2).
    EXPECT_EQ(rig.b.ppu().frameBuffer[60 * 256 + 10], 16 + 2);
    EXPECT_EQ(rig.b.ppu().frameBuffer[20 * 256 + 10], 16 + 3);
    EXPECT_EQ(rig.b.ppu().frameBuffer[40 * 256 + 10], 16 + 3);
    // The next frame starts from the latch the last one left: $FE.
    rig.DrawFrame();
    EXPECT_EQ(rig.b.ppu().frameBuffer[20 * 256 + 10], 16 + 2);
}

TEST(Mmc2Latch, TallSpritesUseTheLatchOfEarlierFrames) {
    Mmc2Rig rig(kMmc4);
    rig.PutSprite(0, 40, 0xFE, 10);
    rig.PutSprite(1, 60, 0x01, 10);
    rig.Write(0x2000, 0x20);
    rig.DrawFrame();
    for (uint32_t value : rig.b.ppu().spriteExtension) ASSERT_EQ(value, 0xFDu);
    rig.Write(0xC000, kBankFe0);  // a register write moves the latch
    rig.DrawFrame();
    for (uint32_t value : rig.b.ppu().spriteExtension) ASSERT_EQ(value, 0xFEu);
}

TEST(Mmc2Registers, SpriteRegisterQuirkAndPrgLayouts) {
    struct Case {
        uint32_t mapper;
        int fdSpritePage;  // first 1 KB page of a $FD sprite tile after a $C000 write
        std::array<int, 4> prg;
    } cases[] = {
        {kMmc2, 4 * kBankFe0, {3, 13, 14, 15}},  // $C000 also loads the $FD register
        {kMmc4, 4 * kBankFd0, {6, 7, 14, 15}},   // MMC4 keeps them apart, PRG in 16 KB
    };
    for (const Case& c : cases) {
        Mmc2Rig rig(c.mapper);
        rig.Write(0xC000, kBankFe0);
        rig.Write(0xA000, 3);
        Mapper& board = *rig.b.console.mapper;
        const Machine& m = rig.b.m();
        EXPECT_EQ(board.TileOverride(1, 0x45, 0xFD), m.decodedChrPages[c.fdSpritePage + 1] + 64 * 5) << c.mapper;
        EXPECT_EQ(board.TileOverride(0, 0xC0, 0xFE), m.decodedChrPages[4 * kBankFe1 + 3]) << c.mapper;
        EXPECT_EQ(rig.b.PrgWindows(), c.prg) << c.mapper;
        EXPECT_EQ(rig.b.Chr(0), 4 * kBankFe0) << c.mapper;
        EXPECT_EQ(board.sramEnabled, 1);
        EXPECT_EQ(board.renderMode, 1u);
    }
}

TEST(Mmc2Registers, SnapshotRebuildsTheBanks) {
    for (uint32_t mapper : {kMmc2, kMmc4}) {
        Mmc2Rig saved(mapper);
        saved.Write(0xA000, 5);
        saved.Write(0xB000, 7);
        MemoryStream stream;
        ASSERT_TRUE(saved.b.console.mapper->SaveState(stream));
        ASSERT_EQ(WriteEndChunk(stream), 0);

        Mmc2Rig restored(mapper);
        restored.Write(0xA000, 1);
        restored.Write(0xB000, 0);
        restored.Write(0xC000, 0);
        restored.Write(0xD000, 0);
        restored.Write(0xE000, 0);
        ASSERT_TRUE(restored.b.console.mapper->LoadState(stream, OldFormatImage{}, 0));
        EXPECT_EQ(restored.b.PrgWindows(), saved.b.PrgWindows()) << mapper;
        EXPECT_EQ(restored.b.ChrWindows()[0], 28) << mapper;  // $FD sprite bank 7
        EXPECT_EQ(restored.b.ChrWindows()[4], 4 * kBankFd1) << mapper;
        // The four banks the renderer asks for, as offsets into the decoded CHR.
        auto tileOffset = [](Mmc2Rig& rig, int half, int latch) {
            return rig.b.console.mapper->TileOverride(half, 0x81, latch) - rig.b.m().decodedChrStorage.data();
        };
        for (int half : {0, 1})
            for (int latch : {0xFD, 0xFE})
                EXPECT_EQ(tileOffset(restored, half, latch), tileOffset(saved, half, latch))
                    << mapper << " half " << half << " latch " << latch;
    }
}

}  // namespace
}  // namespace korvanta::test
