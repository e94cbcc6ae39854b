// MMC5 (mapper 5): PRG and CHR modes, board RAM, ExRAM modes and the fill
// table through the renderer, the multiplier, the scanline interrupt as a
// cycle target, the pulses and the level channel, and snapshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "board_sound_fixture.h"
#include "mappers/mmc5_sound.h"
#include "media/snapshot.h"
#include "save_fixture.h"

namespace korvanta::test {
namespace {



// 128 KB PRG (16 pages), 128 KB CHR (128 pages).
constexpr InesLayout kImage{5, 8, 16};

// What BoardConsole::Prg reads from board RAM page k after MarkRam.
constexpr int Ram(int k) { return 0x180 + k; }

// Every board RAM page starts with its own number, written through $6000.
void MarkRam(BoardConsole& b) {
    WriteAll(b, {{0x5102, 2}, {0x5103, 1}});
    for (uint8_t k = 0; k < 8; ++k) WriteAll(b, {{0x5113, k}, {0x6000, static_cast<uint8_t>(0x80 + k)}, {0x6001, 1}});
    WriteAll(b, {{0x5102, 0}, {0x5113, 0}});
}

struct BankCase {
    const char* name;
    Writes writes;
    std::array<int, 4> prg;
    std::array<int, 8> chr;
};

TEST(Mmc5Banking, PrgAndChrModes) {
    const BankCase cases[] = {
        {"reset: RAM page 0 below $E000, the last ROM page at $E000", {}, {Ram(0), Ram(0), Ram(0), 15},
         {120, 121, 122, 123, 124, 125, 126, 127}},
        {"PRG mode 0: 32 KB from 4 x $5117", {{0x5100, 0}, {0x5117, 1}}, {4, 5, 6, 7}, kChrAny},
        {"PRG mode 0 wraps", {{0x5100, 0}, {0x5117, 0xFF}}, {12, 13, 14, 15}, kChrAny},
        {"PRG mode 1: two 16 KB banks", {{0x5100, 1}, {0x5115, 3}, {0x5117, 6}}, {6, 7, 12, 13}, kChrAny},
        {"PRG mode 2: 16 KB and two 8 KB",
         {{0x5100, 2}, {0x5115, 4}, {0x5116, 9}, {0x5117, 0x8E}},
         {4, 5, 9, 14},
         kChrAny},
        {"PRG mode 3: ROM with bit 7, RAM without",
         {{0x5114, 0x81}, {0x5115, 0x02}, {0x5116, 0x93}, {0x5117, 0x05}},
         {1, Ram(2), 3, Ram(5)},
         kChrAny},
        {"PRG mode 3: RAM page numbers wrap at 8", {{0x5114, 0x0B}}, {Ram(3), kAny, kAny, kAny}, kChrAny},
        {"CHR mode 0 set A: 8 KB", {{0x5101, 0}, {0x5127, 2}}, kPrgAny, {16, 17, 18, 19, 20, 21, 22, 23}},
        {"CHR mode 0 set B: 8 KB", {{0x5101, 0}, {0x512B, 3}}, kPrgAny, {24, 25, 26, 27, 28, 29, 30, 31}},
        {"CHR mode 1 set A: two 4 KB", {{0x5101, 1}, {0x5123, 5}, {0x5127, 7}}, kPrgAny,
         {20, 21, 22, 23, 28, 29, 30, 31}},
        {"CHR mode 1 set B: one 4 KB twice", {{0x5101, 1}, {0x512B, 9}}, kPrgAny, {36, 37, 38, 39, 36, 37, 38, 39}},
        {"CHR mode 2 set A: four 2 KB",
         {{0x5101, 2}, {0x5121, 1}, {0x5123, 2}, {0x5125, 3}, {0x5127, 4}},
         kPrgAny,
         {2, 3, 4, 5, 6, 7, 8, 9}},
        {"CHR mode 2 set B: two 2 KB twice", {{0x5101, 2}, {0x5129, 5}, {0x512B, 6}}, kPrgAny,
         {10, 11, 12, 13, 10, 11, 12, 13}},
        {"CHR mode 3 set A: eight 1 KB",
         {{0x5101, 3}, {0x5120, 40}, {0x5121, 41}, {0x5122, 42}, {0x5123, 43},
          {0x5124, 44}, {0x5125, 45}, {0x5126, 46}, {0x5127, 47}},
         kPrgAny,
         {40, 41, 42, 43, 44, 45, 46, 47}},
        {"CHR mode 3 set B: four 1 KB twice",
         {{0x5101, 3}, {0x5128, 50}, {0x5129, 51}, {0x512A, 52}, {0x512B, 53}},
         kPrgAny,
         {50, 51, 52, 53, 50, 51, 52, 53}},
        {"CHR pages wrap at the page count",
         {{0x5101, 3}, {0x5120, 200}},
         kPrgAny,
         {72, kAny, kAny, kAny, kAny, kAny, kAny, kAny}},
        {"$5101 re-applies the set written last",
         {{0x5101, 3}, {0x5120, 1}, {0x512B, 53}, {0x5101, 1}},
         kPrgAny,
         {84, 85, 86, 87, 84, 85, 86, 87}},
    };
    for (const BankCase& c : cases) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(kImage));
        MarkRam(b);
        WriteAll(b, c.writes);
        ExpectWindows(b, c.name, c.prg, c.chr, kAny);
    }
}

TEST(Mmc5Banking, SpritesUseSetAAndTheBackgroundSetB) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    WriteAll(b, {{0x5101, 3}});
    for (uint8_t i = 0; i < 8; ++i) WriteAll(b, {{static_cast<uint16_t>(0x5120 + i), static_cast<uint8_t>(10 + i)}});
    for (uint8_t i = 0; i < 4; ++i) WriteAll(b, {{static_cast<uint16_t>(0x5128 + i), static_cast<uint8_t>(20 + i)}});
    Mapper& board = *b.console.mapper;
    const Machine& m = b.m();
    // Tile 0x45: window 1, tile 5 within it.
    EXPECT_EQ(board.TileOverride(1, 0x45, 0), m.decodedChrPages[11] + 5 * 64);
    EXPECT_EQ(board.TileOverride(0, 0x45, 0), m.decodedChrPages[21] + 5 * 64);
    // 8x8 sprites from $1000 and a $1000 background take the upper windows.
    WriteAll(b, {{0x2000, 0x18}});
    EXPECT_EQ(board.TileOverride(1, 0x45, 0), m.decodedChrPages[15] + 5 * 64);
    EXPECT_EQ(board.TileOverride(0, 0x45, 0), m.decodedChrPages[21] + 5 * 64);
    // 8x16 sprites number all eight windows themselves.
    WriteAll(b, {{0x2000, 0x20}});
    EXPECT_EQ(board.TileOverride(1, 0x1C2, 0), m.decodedChrPages[17] + 2 * 64);
    // The windows keep the set written last.
    EXPECT_EQ(b.Chr(0), 20);
}

TEST(Mmc5Ram, BoardRamThroughBothWindows) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    EXPECT_EQ(b.console.mapper->sramEnabled, 0);
    // PRG mode 3 with $5114 = 0: $8000-$9FFF is RAM page 0 and takes writes.
    WriteAll(b, {{0x5114, 0x00}, {0x8123, 0x5A}});
    EXPECT_EQ(b.console.ReadByte(0x8123), 0x5A);
    // $6000 is read-only until both keys are written...
    WriteAll(b, {{0x5113, 0}, {0x6123, 0x77}});
    EXPECT_EQ(b.console.ReadByte(0x6123), 0x5A);
    WriteAll(b, {{0x5102, 2}, {0x6123, 0x77}});
    EXPECT_EQ(b.console.ReadByte(0x6123), 0x5A) << "one key only";
    WriteAll(b, {{0x5103, 1}, {0x6123, 0x77}});
    EXPECT_EQ(b.console.ReadByte(0x8123), 0x77);
    // ...and shows the page $5113 names, the same memory as the PRG windows.
    WriteAll(b, {{0x5113, 6}, {0x6010, 0x66}, {0x5116, 0x06}});
    EXPECT_EQ(b.console.ReadByte(0xC010), 0x66);
    // A window on a ROM page ignores the write; the RAM page named for a
    // ROM-mapped window still takes it in any mode.
    WriteAll(b, {{0x5115, 0x83}, {0xA000, 0x11}});
    EXPECT_EQ(b.Prg(1), 3);
    WriteAll(b, {{0x5100, 0}, {0xC010, 0x99}, {0x5100, 3}});
    EXPECT_EQ(b.console.ReadByte(0xC010), 0x99);
    // A reset locks the RAM again and brings back the power-on PRG layout.
    b.console.SoftReset();
    WriteAll(b, {{0x6010, 0x12}});
    EXPECT_EQ(b.console.ReadByte(0x6010), 0x99);
    EXPECT_EQ(b.Prg(3), 15);
}

TEST(Mmc5Registers, Multiplier) {
    // A, B, then the low and high bytes of the product.
    const std::array<uint8_t, 4> cases[] = {
        {17, 19, 0x43, 0x01}, {255, 255, 0x01, 0xFE}, {0, 200, 0, 0}, {128, 2, 0, 1}};
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    for (const auto& c : cases) {
        WriteAll(b, {{0x5205, c[0]}, {0x5206, c[1]}});
        EXPECT_EQ(b.console.ReadByte(0x5205), c[2]) << int{c[0]} << " x " << int{c[1]};
        EXPECT_EQ(b.console.ReadByte(0x5206), c[3]) << int{c[0]} << " x " << int{c[1]};
    }
}

TEST(Mmc5Registers, UndecodedReadsAndSplitWritesAreReported) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    b.m().cycles = 5000;
    EXPECT_EQ(b.console.ReadByte(0x5015), 0);
    EXPECT_EQ(b.host.debug, "");
    EXPECT_EQ(b.console.ReadByte(0x5123), 0);
    WriteAll(b, {{0x5201, 0x44}, {0x5104, 0x02}});
    EXPECT_EQ(b.host.debug, "5123 ?? read(22:5000)\r\nSplit2:5201 44 write(22:5000)\r\nMMC5 VideoMode:02\r\n");
}

// --- ExRAM ---

TEST(Mmc5ExRam, CpuAccessByMode) {
    struct Case {
        uint8_t mode;
        bool writes;
        uint8_t read;  // after 0x37 was stored and 0xC2 written in the mode
    };
    const Case cases[] = {{0, false, 0x5F}, {1, true, 0x5E}, {2, true, 0xC2}, {3, false, 0x37}};
    for (const Case& c : cases) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(kImage));
        WriteAll(b, {{0x5104, 2}, {0x5C10, 0x37}, {0x5104, c.mode}, {0x5C10, 0xC2}});
        EXPECT_EQ(b.console.ReadByte(0x5C10), c.read) << "mode " << int{c.mode};
        WriteAll(b, {{0x5104, 2}});
        EXPECT_EQ(b.console.ReadByte(0x5C10), c.writes ? 0xC2 : 0x37) << "mode " << int{c.mode};
    }
}

// An image whose CHR page p has tile 1 drawn as the binary number p (the
// leftmost pixel the highest bit), so a row of eight pixels names its page.
std::vector<uint8_t> PictureImage() {
    std::vector<uint8_t> image = MakeInes(kImage);
    uint8_t* chr = &image[16 + 16 * 0x2000];
    for (int p = 0; p < 128; ++p) {
        uint8_t* tile = chr + p * 0x400 + 16;
        for (int r = 0; r < 8; ++r) tile[r] = static_cast<uint8_t>(p), tile[8 + r] = 0;
    }
    return image;
}

struct PictureRig {
    BoardConsole b;
    PictureRig() {
        EXPECT_TRUE(b.Load(PictureImage()));
        WriteAll(b, {{0x5101, 3}, {0x5128, 20}, {0x5129, 21}, {0x512A, 22}, {0x512B, 23}, {0x2001, 0x0A}});
    }
    void SetAddress(uint16_t address) {
        WriteAll(b, {{0x2006, static_cast<uint8_t>(address >> 8)}, {0x2006, static_cast<uint8_t>(address)}});
    }
    // Console page `page` filled with tile 1 and attribute byte `attribute`.
    void FillConsolePage(int page, uint8_t attribute) {
        WriteAll(b, {{0x2000, 0x00}});
        b.ppu().SetMirroring(page ? 4 : 0);
        SetAddress(0x2000);
        for (int i = 0; i < 960; ++i) WriteAll(b, {{0x2007, 1}});
        for (int i = 0; i < 64; ++i) WriteAll(b, {{0x2007, attribute}});
    }
    // A frame as the frame driver runs it: the board's end of frame, then a
    // frame drawn from the latches.
    void DrawFrame() {
        b.console.mapper->EndOfFrame();
        b.m().cycles = 0;
        b.ppu().BeginDrawnFrame();
        b.m().cycles = kFrameCycleBudget;
        b.ppu().EndDrawnFrame();
    }
    // The CHR page and palette the tile drawn at tile row `row`, column
    // `column` came from (picture line L shows name-table row L + 1).
    std::pair<int, int> TileAt(int row, int column) {
        const uint8_t* px = &b.ppu().frameBuffer[(row * 8 + 3) * 256 + column * 8];
        int page = 0;
        for (int x = 0; x < 8; ++x) page = page << 1 | (px[x] & 3);
        return {page, px[0] >> 2};
    }
};

TEST(Mmc5ExRam, Mode0BackgroundFromSetBWithTheNameTablesAttributes) {
    PictureRig rig;
    rig.FillConsolePage(0, 0x55);  // palette 1 everywhere
    WriteAll(rig.b, {{0x5105, 0x00}});
    rig.DrawFrame();
    EXPECT_EQ(rig.TileAt(5, 7), std::make_pair(20, 1));
}

TEST(Mmc5ExRam, Mode1GivesEachTileItsPaletteAndBank) {
    PictureRig rig;
    rig.FillConsolePage(0, 0x55);
    WriteAll(rig.b, {{0x5105, 0x00}, {0x5104, 1}});
    // Tile (row 2, column 3): palette 2, 4 KB bank 5 (CHR page 20 + tile 1).
    // Tile (row 2, column 4): palette 3, bank 9 (page 36). Bank 40 wraps to
    // page 160 mod 128 = 32.
    WriteAll(rig.b, {{0x5C43, 0x85}, {0x5C44, 0xC9}, {0x5C45, 0x28}});
    rig.DrawFrame();
    EXPECT_EQ(rig.TileAt(2, 3), std::make_pair(20, 2));
    EXPECT_EQ(rig.TileAt(2, 4), std::make_pair(36, 3));
    EXPECT_EQ(rig.TileAt(2, 5), std::make_pair(32, 0));
    EXPECT_EQ(rig.TileAt(2, 6), std::make_pair(0, 0)) << "ExRAM byte 0: bank 0, palette 0";
    // Leaving mode 1 gives the name table its own attributes back.
    WriteAll(rig.b, {{0x5104, 0}});
    rig.DrawFrame();
    EXPECT_EQ(rig.TileAt(2, 3), std::make_pair(20, 1));
}

TEST(Mmc5ExRam, ExRamAsANameTableWithItsOwnAttributes) {
    PictureRig rig;
    // Mode 2: the CPU fills ExRAM; the attribute bytes colour it once the
    // board expands them.
    WriteAll(rig.b, {{0x5104, 2}, {0x5105, 0xAA}});
    for (uint16_t i = 0; i < 960; ++i) WriteAll(rig.b, {{static_cast<uint16_t>(0x5C00 + i), 2}});
    for (uint16_t i = 960; i < 1024; ++i) WriteAll(rig.b, {{static_cast<uint16_t>(0x5C00 + i), 0xAA}});
    rig.DrawFrame();
    EXPECT_EQ(rig.TileAt(10, 10), std::make_pair(0, 2)) << "tile 2 is blank";
    // Tile 1 at one position, through the CPU window.
    WriteAll(rig.b, {{0x5C00 + 32 * 10 + 10, 1}});
    rig.DrawFrame();
    EXPECT_EQ(rig.TileAt(10, 10), std::make_pair(20, 2));
}

TEST(Mmc5ExRam, FillModeAndMixedWindows) {
    PictureRig rig;
    rig.FillConsolePage(1, 0x55);
    // Window 0 the fill table (tile 1, palette 2 from bits 6-7), window 1
    // console page 1; the frame starts in window 0.
    WriteAll(rig.b, {{0x5106, 1}, {0x5107, 0x80}, {0x5105, 0x07}});
    rig.DrawFrame();
    EXPECT_EQ(rig.TileAt(4, 4), std::make_pair(20, 2));
    EXPECT_EQ(rig.b.ppu().nameTable[1], &rig.b.ppu().nameTableRam[1024]);
    EXPECT_EQ(rig.b.ppu().nameTable[2], &rig.b.ppu().nameTableRam[0]);
    // Scrolled into window 1.
    WriteAll(rig.b, {{0x2000, 0x01}});
    rig.DrawFrame();
    EXPECT_EQ(rig.TileAt(4, 4), std::make_pair(20, 1));
}

TEST(Mmc5ExRam, BankSwitchDuringThePictureKeepsTheLinesAbove) {
    PictureRig rig;
    rig.FillConsolePage(0, 0x00);
    WriteAll(rig.b, {{0x5105, 0x00}});
    rig.b.console.mapper->EndOfFrame();
    rig.b.m().cycles = 0;
    rig.b.ppu().BeginDrawnFrame();
    // Line 100 begins: lines 0-99 were due with the old bank.
    rig.b.m().cycles = (100 * 29119 + 611519 + 255) / 256;
    WriteAll(rig.b, {{0x5128, 30}});
    rig.b.m().cycles = kFrameCycleBudget;
    rig.b.ppu().EndDrawnFrame();
    EXPECT_EQ(rig.TileAt(11, 0).first, 20);
    EXPECT_EQ(rig.TileAt(13, 0).first, 30);
}

TEST(Mmc5ExRam, ChrRamThroughTheOverride) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{5, 2, 0}));
    // Tile 1 of the first 1 KB page: row 0 all ones.
    WriteAll(b, {{0x2006, 0x00}, {0x2006, 0x10}, {0x2007, 0xFF}});
    const uint8_t* tile = b.console.mapper->TileOverride(0, 1, 0);
    ASSERT_NE(tile, nullptr);
    EXPECT_EQ(tile, b.console.mapper->TileOverride(1, 1, 0)) << "both sets on the same 8 KB of RAM";
    EXPECT_EQ(tile[0], 1);
    EXPECT_EQ(tile[7], 1);
    EXPECT_EQ(tile[8], 0);
}

// --- The scanline interrupt ---

TEST(Mmc5Interrupt, TargetCycles) {
    struct Case {
        const char* name;
        uint8_t exRamMode;
        uint32_t cycles;
        uint8_t line;
        uint32_t boardIrqTime;
    };
    const Case cases[] = {
        {"vertical blank: the start of the line", 0, 100, 100, 13763},
        {"line 0", 0, 100, 0, 2388},
        {"mode 0 during the picture: still the absolute line", 0, 8000, 100, 13763},
        {"absolute line already passed", 0, 15000, 100, 0},
        {"ExRAM mode set: 11 lines below line 49", 1, 8000, 10, 9213},
        {"ExRAM mode set, before line 0: absolute", 2, 2000, 10, 3526},
        {"beyond the frame's last line", 0, 100, 240, 0},
    };
    for (const Case& c : cases) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(kImage));
        WriteAll(b, {{0x5104, c.exRamMode}, {0x5203, c.line}});
        EXPECT_EQ(b.m().boardIrqTime, 0u) << c.name << ": not yet enabled";
        b.m().cycles = c.cycles;
        WriteAll(b, {{0x5204, 0x80}});
        EXPECT_EQ(b.m().boardIrqTime, c.boardIrqTime) << c.name;
        // The target is kept even when it is not scheduled; a line write
        // while enabled computes it again.
        WriteAll(b, {{0x5203, c.line}});
        EXPECT_EQ(b.m().boardIrqTime, c.boardIrqTime) << c.name;
        b.m().irqPending = 1;
        WriteAll(b, {{0x5204, 0x00}});
        EXPECT_EQ(b.m().boardIrqTime, 0u) << c.name;
        EXPECT_EQ(b.m().irqPending, 0) << c.name;
    }
}

TEST(Mmc5Interrupt, StatusRead) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    WriteAll(b, {{0x5203, 40}});
    auto statusAt = [&](uint32_t cycles) {
        b.m().cycles = cycles;
        return b.console.ReadByte(0x5204);
    };
    EXPECT_EQ(statusAt(100), 0x00) << "vertical blank";
    EXPECT_EQ(statusAt(2400), 0x00) << "line 0";
    EXPECT_EQ(statusAt(2388 + 40 * 114), 0xC0) << "line 40";
    EXPECT_EQ(statusAt(2388 + 41 * 114), 0x40) << "line 41";
}

// A program at $E000 that waits with interrupts on; the handler counts in
// $00 and keeps the status it read in $01.
void PlaceIrqProgram(BoardConsole& b) {
    uint8_t* last = b.m().prgPages[b.m().prgPageCount - 1];
    const uint8_t code[] = {0x58, 0x4C, 0x01, 0xE0};
    std::copy(std::begin(code), std::end(code), last);
    const uint8_t handler[] = {0xAD, 0x04, 0x52, 0x85, 0x01, 0xE6, 0x00, 0x40};
    std::copy(std::begin(handler), std::end(handler), last + 0x10);
    last[0x1FFC] = 0x00, last[0x1FFD] = 0xE0;
    last[0x1FFE] = 0x10, last[0x1FFF] = 0xE0;
}

TEST(Mmc5Interrupt, OncePerFrameOnItsLineWhileThePictureIsOn) {
    for (uint8_t mask : {uint8_t{0x18}, uint8_t{0x00}}) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(kImage));
        PlaceIrqProgram(b);
        b.console.SoftReset();
        WriteAll(b, {{0x2001, mask}, {0x5203, 120}, {0x5204, 0x80}});
        b.console.cpu.Run(RunMode::RunToFrameEnd);
        int expected = mask ? 1 : 0;
        EXPECT_EQ(b.m().ram[0], expected) << "mask " << int{mask};
        if (mask) {
            EXPECT_EQ(b.m().ram[1], 0xC0) << "taken on line 120";
        }
        // The enable stays set: the end of the frame arms the next one.
        EXPECT_EQ(b.m().boardIrqTime, 16038u);
        b.console.cpu.Run(RunMode::RunToFrameEnd);
        b.console.cpu.Run(RunMode::RunToFrameEnd);
        EXPECT_EQ(b.m().ram[0], 3 * expected) << "mask " << int{mask};
    }
}

// --- Sound ---

struct SoundRig : BoardSoundRig {
    explicit SoundRig(int32_t rate = 44100) : BoardSoundRig(kImage, rate) {}
    // The channel records and the level count, reached through the board's
    // saved fields (in the board chunk's order).
    Mmc5Pulse& Pulse(int i) { return static_cast<Mmc5Pulse*>(Field(kPulseField).destination)[i]; }
    uint32_t PcmCount() { return *static_cast<uint32_t*>(Field(kPcmCountField).destination); }
    const StateField& Field(size_t index) { return b.console.mapper->GetStateTable()[index]; }
    static constexpr size_t kPulseField = 15;
    static constexpr size_t kPcmCountField = 26;
};

TEST(Mmc5Sound, PulsePitchAndLevels) {
    struct Case {
        uint16_t base;
        uint8_t mask;
        uint8_t reg0;
        uint32_t period;
        double lowFraction;
    };
    // Bit 5 halts the length counter, bit 4 gives a constant volume.
    const Case cases[] = {
        {0x5000, 0x01, 0xBF, 0x0FD, 0.5},
        {0x5004, 0x02, 0x3F, 0x1A0, 224 / 256.0},
        {0x5000, 0x01, 0xFF, 0x07F, 0.25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.period);
        SoundRig rig;
        WriteAll(rig.b, {{0x5015, c.mask},
                      {c.base, c.reg0},
                      {static_cast<uint16_t>(c.base + 2), static_cast<uint8_t>(c.period)},
                      {static_cast<uint16_t>(c.base + 3), static_cast<uint8_t>(c.period >> 8)}});
        std::vector<uint8_t> s = rig.Play(20);
        ASSERT_GT(s.size(), 40000u);
        double expected = 1789772.7272 / 16 / (c.period + 1);
        EXPECT_NEAR(MeasuredFrequency(s, rig.b.console.soundOut.rate), expected, expected * 0.015);
        double low = static_cast<double>(std::count_if(s.begin(), s.end(), [](uint8_t v) { return v < 128; }));
        EXPECT_NEAR(low / static_cast<double>(s.size()), c.lowFraction, 0.01);
    }
    // Duty 2 at volume 15: levels -64 and +95 in the sum, a quarter in bytes.
    SoundRig rig;
    WriteAll(rig.b, {{0x5015, 1}, {0x5000, 0xBF}, {0x5002, 0xFD}, {0x5003, 0x00}});
    std::vector<uint8_t> s = rig.Play(4);
    EXPECT_EQ(*std::max_element(s.begin(), s.end()), 128 + 95 / 4);
    EXPECT_EQ(*std::min_element(s.begin(), s.end()), 128 - 64 / 4);
}

TEST(Mmc5Sound, MaskedOrUnstartedPulsesAreSilent) {
    SoundRig rig;
    WriteAll(rig.b, {{0x5015, 0x02}, {0x5000, 0xBF}, {0x5002, 0xFD}, {0x5003, 0x00}});
    std::vector<uint8_t> s = rig.Play(2);
    EXPECT_TRUE(std::all_of(s.begin(), s.end(), [](uint8_t v) { return v == 128; })) << "pulse 1 masked";
    WriteAll(rig.b, {{0x5015, 0x03}, {0x5004, 0xBF}, {0x5006, 0xFD}});
    s = rig.Play(2);
    EXPECT_TRUE(std::all_of(s.begin(), s.end(), [](uint8_t v) { return v != 128; })) << "pulse 1 unmasked";
}

TEST(Mmc5Sound, LengthCounterAndEnvelope) {
    SoundRig rig;
    // The records are packed: fields are read by value.
    Mmc5Pulse& p = rig.Pulse(0);
    Mapper& board = *rig.b.console.mapper;
    // $9F: duty 2, constant volume 15; $08: length index 1, 317 half frames.
    WriteAll(rig.b, {{0x5000, 0x9F}, {0x5003, 0x08}});
    EXPECT_EQ(int64_t{p.duty}, 2);
    EXPECT_EQ(int64_t{p.volume}, 15 * 1092);
    for (int i = 0; i < 317; ++i) board.SoundTick();
    EXPECT_EQ(int64_t{p.state}, Mmc5Sound::kPlaying);
    EXPECT_EQ(int64_t{p.volume}, 15 * 1092) << "constant volume does not decay";
    board.SoundTick();
    EXPECT_EQ(int64_t{p.state}, Mmc5Sound::kStopped);
    EXPECT_EQ(int64_t{p.period}, 0u);
    // Bit 5 halts the counter.
    WriteAll(rig.b, {{0x5000, 0xBF}, {0x5003, 0x08}});
    for (int i = 0; i < 1000; ++i) board.SoundTick();
    EXPECT_EQ(int64_t{p.state}, Mmc5Sound::kPlaying);
    // A decaying envelope (rate 0) falls each tick; with bit 5 it loops back
    // to full once it has fallen below an eighth.
    WriteAll(rig.b, {{0x5000, 0x20}, {0x5003, 0x08}});
    EXPECT_EQ(int64_t{p.volume}, 0x4000);
    board.SoundTick();
    EXPECT_EQ(int64_t{p.volume}, (0x4000u * kMmc5DecayFactors[0]) >> 16);
    int loops = 0;
    for (int i = 0; i < 200; ++i) {
        board.SoundTick();
        loops += p.volume == 0x4000;
    }
    EXPECT_GT(loops, 2);
}

TEST(Mmc5Sound, DecayTableMatchesItsFormula) {
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(kMmc5DecayFactors[i], static_cast<uint32_t>(std::pow(0.0390625, 1.0 / ((i + 1) * 30)) * 65536))
            << i;
}

TEST(Mmc5Sound, LevelWritesPlayAtTheirCycles) {
    SoundRig rig;
    // Half the frame at $C0, then $40; the last level holds into the next
    // frame until that frame's first write.
    rig.b.m().cycles = 10;
    WriteAll(rig.b, {{0x5011, 0xC0}});
    rig.b.m().cycles = kFrameCycleBudget / 2;
    WriteAll(rig.b, {{0x5011, 0x40}});
    std::vector<uint8_t> s = rig.Play(1);
    uint32_t n = static_cast<uint32_t>(s.size()) / 3;
    ASSERT_GT(n, 100u);
    EXPECT_EQ(s[2], 128 + 3 * 64 / 4);
    EXPECT_EQ(s[n / 2 - 2], 128 + 3 * 64 / 4);
    EXPECT_EQ(s[n / 2 + 2], 128 - 3 * 64 / 4);
    EXPECT_EQ(s[n - 1], 128 - 3 * 64 / 4);
    EXPECT_EQ(s[n + 5], 128 - 3 * 64 / 4) << "held into the next frame";
    EXPECT_EQ(rig.PcmCount(), 1u);
}

TEST(Mmc5Sound, LevelLogDropsWritesBeyondItsSize) {
    SoundRig rig;
    for (uint32_t i = 0; i < 600; ++i) {
        rig.b.m().cycles = 10 + i;
        WriteAll(rig.b, {{0x5011, static_cast<uint8_t>(i)}});
    }
    EXPECT_EQ(rig.PcmCount(), Mmc5Sound::kPcmLogSize);
    // A write earlier in the frame than the last entry starts a new frame's
    // log even when the old one is full.
    rig.b.m().cycles = 5;
    WriteAll(rig.b, {{0x5011, 0x90}});
    EXPECT_EQ(rig.PcmCount(), 1u);
}

// --- Snapshots ---

TEST(Mmc5Snapshot, QuickLoadRestoresTheBoard) {
    ScratchDir dir;
    std::string game = dir.Write("game.nes", PictureImage());
    RunningGame run;
    ASSERT_TRUE(run.Open(game));
    Console& c = run.console;
    auto write = [&](const Writes& writes) {
        for (auto [address, value] : writes) c.WriteByte(address, value);
    };
    write({{0x5100, 2}, {0x5115, 4}, {0x5116, 0x00}, {0x5117, 0x8E}, {0x5101, 3}, {0x5102, 2}, {0x5103, 1},
           {0x5113, 3}, {0x6042, 0x5A}, {0x5120, 40}, {0x5127, 47}, {0x5128, 50}, {0x512B, 53}, {0x5120, 41},
           {0x5104, 1}, {0x5C05, 0xC9}, {0x5105, 0xE4}, {0x5106, 7}, {0x5107, 0x40}, {0x5205, 12}, {0x5206, 13},
           {0x5015, 3}, {0x5000, 0xBF}, {0x5002, 0x80}, {0x5003, 0x01}, {0x2001, 0x18}});
    c.machine.cycles = 100;
    write({{0x5203, 77}, {0x5204, 0x80}});
    auto prg = c.machine.prgWindow;
    auto chr = c.ppu.chrWindow;
    auto nameTables = c.ppu.nameTable;
    auto palettes = c.ppu.attributeCacheWindow;
    uint32_t irqTime = c.machine.boardIrqTime;
    ASSERT_NE(irqTime, 0u);
    c.game.snapshotSlot = 2;
    SaveOptions options;
    ASSERT_TRUE(QuickSave(c, options));
    std::vector<int32_t> before(200);
    for (int i = 0; i < 200; ++i) c.mapper->MixSample(&before[i], i + 1, 0);

    write({{0x5100, 3}, {0x5101, 0}, {0x5120, 1}, {0x5128, 2}, {0x6042, 0}, {0x5105, 0}, {0x5104, 0},
           {0x5204, 0}, {0x5205, 1}, {0x5003, 0x07}, {0x5107, 0}});
    ASSERT_TRUE(QuickLoad(c, options));

    EXPECT_EQ(c.machine.prgWindow, prg);
    EXPECT_EQ(c.ppu.chrWindow, chr) << "set A was written last";
    EXPECT_EQ(c.ppu.nameTable, nameTables);
    EXPECT_EQ(c.ppu.attributeCacheWindow, palettes);
    EXPECT_EQ(c.ReadByte(0x6042), 0x5A);
    EXPECT_EQ(c.ReadByte(0x5206), (12 * 13) >> 8);
    EXPECT_EQ(c.ReadByte(0x5205), (12 * 13) & 0xFF);
    EXPECT_EQ(c.ReadByte(0x5C05), 0x5D) << "mode 1 and its byte";
    EXPECT_EQ(c.ppu.attributeCacheWindow[3][5], 0x0C) << "mode 1 palettes from ExRAM";
    EXPECT_EQ(c.machine.boardIrqTime, irqTime);
    std::vector<int32_t> after(200);
    for (int i = 0; i < 200; ++i) c.mapper->MixSample(&after[i], i + 1, 0);
    EXPECT_EQ(after, before);
}

TEST(Mmc5Snapshot, BoardChunkLayout) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    // Registers, 64 KB of RAM, two 27-byte pulses, six 1 KB pages and the
    // 4096-byte level log.
    EXPECT_EQ(PayloadSize(b.console.mapper->GetStateTable()), 75869u);
}

TEST(Mmc5Board, RunsATinyProgram) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    PlaceIrqProgram(b);
    b.console.SoftReset();
    b.m().RunState = 1;
    for (int i = 0; i < 3; ++i) b.console.cpu.Run(RunMode::RunToFrameEnd);
    EXPECT_EQ(b.m().RunState, 1u);
    EXPECT_EQ(b.m().pc & 0xE000, 0xE000);
}

}  // namespace
}  // namespace korvanta::test
