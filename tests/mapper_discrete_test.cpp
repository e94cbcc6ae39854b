// The discrete-logic boards: windows after register writes, and the same
// windows rebuilt from a saved state on a fresh console.
#include <gtest/gtest.h>

#include <utility>

#include "mapper_fixture.h"

namespace korvanta::test {
namespace {

constexpr int kBoard = -1;  // board memory, not an image page

struct BoardCase {
    const char* name;
    InesLayout image;
    std::vector<std::pair<uint16_t, uint8_t>> writes;
    std::array<int, 4> prg;
    std::array<int, 8> chr;
    int mirroring;  // kAny: not checked
    // Every register was written, so a saved state can rebuild the windows
    // (register defaults select bank 0, not the loader's last banks).
    bool registersWritten = true;
};

const std::vector<BoardCase>& Cases() {
    static const std::vector<BoardCase> cases = {
        {"nrom 16 KB shows twice", {0, 1, 1}, {}, {0, 1, 0, 1}, {0, 1, 2, 3, 4, 5, 6, 7}, kAny, false},
        {"uxrom bank wraps", {2, 16, 0}, {{0x8000, 0x12}}, {4, 5, 30, 31}, {0, 1, 2, 3, 4, 5, 6, 7}, kAny},
        {"mapper 93 takes only $6000", {93, 8, 1}, {{0x8000, 1}, {0x6000, 2}, {0xC000, 3}}, {4, 5, 14, 15},
         {0, 1, 2, 3, 4, 5, 6, 7}, kAny},
        {"mapper 94 ignores below $8000", {94, 8, 1}, {{0x8000, 0x0C}, {0x6000, 0x10}}, {6, 7, 14, 15},
         {0, 1, 2, 3, 4, 5, 6, 7}, kAny},
        {"mapper 71 single screen lower", {71, 8, 1}, {{0xC000, 3}, {0x9000, 0x10}}, {6, 7, 14, 15},
         {0, 1, 2, 3, 4, 5, 6, 7}, 0},
        {"mapper 71 single screen upper", {71, 8, 1}, {{0x9000, 0x10}, {0x9000, 0x00}}, {12, 13, 14, 15},
         {0, 1, 2, 3, 4, 5, 6, 7}, 4, false},
        {"cnrom bank wraps", {3, 2, 4}, {{0x8000, 5}}, {0, 1, 2, 3}, {8, 9, 10, 11, 12, 13, 14, 15}, kAny},
        {"cnrom from $4020", {3, 2, 4}, {{0x4020, 2}}, {0, 1, 2, 3}, {16, 17, 18, 19, 20, 21, 22, 23}, kAny},
        {"mapper 101 takes only $6000", {101, 2, 4}, {{0x8000, 0}, {0x6000, 1}}, {0, 1, 2, 3},
         {8, 9, 10, 11, 12, 13, 14, 15}, kAny},
        {"gxrom starts on the first 32 KB", {66, 8, 4}, {}, {0, 1, 2, 3}, {24, 25, 26, 27, 28, 29, 30, 31}, kAny, false},
        {"gxrom at $4020", {66, 8, 4}, {{0x4020, 0x21}}, {8, 9, 10, 11}, {8, 9, 10, 11, 12, 13, 14, 15}, kAny},
        {"mapper 240 at $8000", {240, 8, 4}, {{0x8000, 0x12}}, {4, 5, 6, 7}, {16, 17, 18, 19, 20, 21, 22, 23}, kAny},
        {"mapper 113 below $8000 only", {113, 8, 4}, {{0x4120, 0x0A}, {0x8000, 0x00}}, {4, 5, 6, 7},
         {16, 17, 18, 19, 20, 21, 22, 23}, kAny},
        {"mapper 181", {181, 8, 4}, {{0x8000, 0x13}}, {4, 5, 6, 7}, {24, 25, 26, 27, 28, 29, 30, 31}, kAny},
        {"gxrom on a 16 KB image", {66, 1, 1}, {}, {0, 1, 0, 1}, {0, 1, 2, 3, 4, 5, 6, 7}, kAny, false},
        {"axrom uses the whole value", {7, 8, 0}, {{0x8000, 0x12}}, {8, 9, 10, 11}, {0, 1, 2, 3, 4, 5, 6, 7}, 4},
        {"axrom lower screen", {7, 8, 0}, {{0x8000, 0x01}}, {4, 5, 6, 7}, {0, 1, 2, 3, 4, 5, 6, 7}, 0},
        {"color dreams", {11, 8, 4}, {{0x8000, 0x21}}, {4, 5, 6, 7}, {16, 17, 18, 19, 20, 21, 22, 23}, kAny},
        {"cprom upper window", {13, 4, 0}, {{0x8000, 0x12}}, {4, 5, 6, 7},
         {kBoard, kBoard, kBoard, kBoard, kBoard, kBoard, kBoard, kBoard}, kAny},
        {"mapper 34", {34, 8, 4}, {{0x7FFD, 1}, {0x7FFE, 1}, {0x7FFF, 6}}, {4, 5, 6, 7},
         {4, 5, 6, 7, 24, 25, 26, 27}, kAny},
        {"mapper 34 at $8000", {34, 8, 4}, {{0x8000, 2}, {0x7F00, 1}}, {8, 9, 10, 11},
         {24, 25, 26, 27, 28, 29, 30, 31}, kAny, false},
        {"mapper 70", {70, 8, 4}, {{0x8000, 0x91}}, {2, 3, 14, 15}, {8, 9, 10, 11, 12, 13, 14, 15}, 2},
        {"mapper 70 four screen", {70, 8, 4, 0x08}, {{0x8000, 0x80}}, {0, 1, 14, 15}, {0, 1, 2, 3, 4, 5, 6, 7}, 4},
        {"mapper 72 chr then idle", {72, 8, 4}, {{0x8000, 0x40}, {0x8000, 0x03}, {0x8000, 0x01}}, {12, 13, 14, 15},
         {24, 25, 26, 27, 28, 29, 30, 31}, kAny, false},
        {"mapper 72 prg", {72, 8, 4}, {{0x8000, 0x80}, {0x8000, 0x02}}, {4, 5, 14, 15},
         {24, 25, 26, 27, 28, 29, 30, 31}, kAny, false},
        {"mapper 92 prg at $c000", {92, 8, 4}, {{0x8000, 0x80}, {0x8000, 0x03}}, {0, 1, 6, 7},
         {24, 25, 26, 27, 28, 29, 30, 31}, kAny, false},
        {"mapper 92 on a 16 KB image", {92, 1, 1}, {}, {0, 1, 0, 1}, {0, 1, 2, 3, 4, 5, 6, 7}, kAny, false},
        {"mapper 77", {77, 8, 4}, {{0x8000, 0x32}}, {8, 9, 10, 11},
         {6, 7, kBoard, kBoard, kBoard, kBoard, kBoard, kBoard}, 3},
        {"mapper 78", {78, 8, 4}, {{0x8000, 0x2B}}, {6, 7, 14, 15}, {16, 17, 18, 19, 20, 21, 22, 23}, 4},
        {"mapper 87", {87, 2, 4}, {{0x6000, 0x02}, {0x8000, 0x04}}, {0, 1, 2, 3}, {8, 9, 10, 11, 12, 13, 14, 15},
         kAny},
        {"sunsoft 2", {89, 8, 16}, {{0x8000, 0x9A}}, {2, 3, 14, 15}, {80, 81, 82, 83, 84, 85, 86, 87}, 4},
        {"irem tam-s1", {97, 16, 0}, {{0x8000, 0x82}}, {30, 31, 4, 5}, {0, 1, 2, 3, 4, 5, 6, 7}, 1},
        {"irem tam-s1 horizontal", {97, 16, 0}, {{0x8000, 0x01}}, {30, 31, 2, 3}, {0, 1, 2, 3, 4, 5, 6, 7}, 2},
        {"sunsoft 1 (122)", {122, 2, 4}, {{0x6000, 0x21}}, {0, 1, 2, 3}, {4, 5, 6, 7, 24, 25, 26, 27}, kAny},
        {"sunsoft 1 (184) ignores $8000", {184, 2, 4}, {{0x6000, 0x13}, {0x8000, 0}}, {0, 1, 2, 3},
         {12, 13, 14, 15, 20, 21, 22, 23}, kAny},
        {"mapper 185 enabled", {185, 2, 2}, {{0x8000, 0x01}}, {0, 1, 2, 3}, {0, 1, 2, 3, 4, 5, 6, 7}, kAny},
        {"mapper 185 guard on $00", {185, 2, 2}, {{0x8000, 0x00}}, {0, 1, 2, 3},
         {kBoard, kBoard, kBoard, kBoard, kBoard, kBoard, kBoard, kBoard}, kAny},
        {"mapper 185 guard on $20", {185, 2, 2}, {{0x8000, 0x20}}, {0, 1, 2, 3},
         {kBoard, kBoard, kBoard, kBoard, kBoard, kBoard, kBoard, kBoard}, kAny},
    };
    return cases;
}

TEST(DiscreteBoards, WritesMoveTheWindows) {
    for (const BoardCase& c : Cases()) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(c.image)) << c.name;
        for (auto [address, value] : c.writes) b.console.WriteByte(address, value);
        ExpectWindows(b, c.name, c.prg, c.chr, c.mirroring);
    }
}

TEST(DiscreteBoards, StateRoundTripRebuildsTheWindows) {
    for (const BoardCase& c : Cases()) {
        if (!c.registersWritten) continue;
        BoardConsole saved;
        ASSERT_TRUE(saved.Load(c.image)) << c.name;
        for (auto [address, value] : c.writes) saved.console.WriteByte(address, value);
        MemoryStream stream;
        ASSERT_TRUE(saved.console.mapper->SaveState(stream)) << c.name;
        ASSERT_EQ(WriteEndChunk(stream), 0);

        BoardConsole restored;
        ASSERT_TRUE(restored.Load(c.image)) << c.name;
        // Scramble what a board must rebuild from its registers alone.
        restored.console.WriteByte(0x8000, 0x55);
        restored.console.WriteByte(0x6000, 0x55);
        restored.ppu().SetMirroring(saved.ppu().mirroring);  // the picture unit restores its own
        ASSERT_TRUE(restored.console.mapper->LoadState(stream, OldFormatImage{}, 0)) << c.name;
        EXPECT_EQ(restored.PrgWindows(), saved.PrgWindows()) << c.name;
        EXPECT_EQ(restored.ChrWindows(), saved.ChrWindows()) << c.name;
    }
}

TEST(DiscreteBoards, CpromAndMapper77PointIntoTheirOwnRam) {
    BoardConsole cprom;
    ASSERT_TRUE(cprom.Load(InesLayout{13, 4, 0}));
    cprom.console.WriteByte(0x8000, 0x02);
    Ppu& p = cprom.ppu();
    EXPECT_EQ(p.chrWindow[1], p.chrWindow[0] + 1024);
    EXPECT_EQ(p.chrWindow[4], p.chrWindow[0] + 2 * 4096);
    EXPECT_EQ(p.decodedChrWindow[4], p.decodedChrWindow[0] + 2 * 16384);
    EXPECT_EQ(cprom.console.mapper->chrWritable, 1);

    BoardConsole m77;
    ASSERT_TRUE(m77.Load(InesLayout{77, 8, 4}));
    Ppu& q = m77.ppu();
    EXPECT_EQ(q.chrWindow[7], q.chrWindow[2] + 5 * 1024);
    EXPECT_EQ(q.decodedChrWindow[7], q.decodedChrWindow[2] + 5 * 4096);
}

TEST(DiscreteBoards, ChrGuardFillReadsAsFF) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{185, 2, 1}));
    b.console.WriteByte(0x8000, 0x00);
    for (int w = 0; w < 8; ++w) {
        EXPECT_EQ(b.ppu().chrWindow[w][0], 0xFF);
        EXPECT_EQ(b.ppu().chrWindow[w][1023], 0xFF);
        EXPECT_EQ(b.ppu().decodedChrWindow[w][0], 3);  // colour 3, a valid pixel
    }
}

TEST(DiscreteBoards, ColorDreamsResetReturnsToBankZero) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{11, 8, 4}));
    b.console.WriteByte(0x8000, 0x21);
    b.console.SoftReset();
    EXPECT_EQ(b.PrgWindows(), (std::array<int, 4>{0, 1, 2, 3}));
    EXPECT_EQ(b.Chr(0), 0);
}

TEST(DiscreteBoards, Mapper99MapsRamAndSwitchesChrThroughTheStrobe) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{99, 2, 2, 0, 0x01}));
    EXPECT_EQ(b.console.mapper->sramEnabled, 1);
    b.console.WriteByte(0x6123, 0x5A);
    EXPECT_EQ(b.console.ReadByte(0x6123), 0x5A);
    EXPECT_EQ(b.m().sram[0x123], 0x5A);
    b.console.WriteByte(0x4016, 0x04);
    EXPECT_EQ(b.Chr(0), 8);
    b.console.WriteByte(0x4016, 0x01);
    EXPECT_EQ(b.Chr(0), 0);
}

TEST(DiscreteBoards, Mapper113SkipsUnchangedChr) {
    // The catch-up is only observable through the hook: a board's
    // BeforeRender. Use the window pointers instead: an unchanged bank must
    // not move them even when the windows were pointed elsewhere.
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{113, 8, 4}));
    b.console.WriteByte(0x4120, 0x02);
    uint8_t* marker = b.m().chrPages[0];
    b.ppu().chrWindow[0] = marker;
    b.console.WriteByte(0x4120, 0x0A);  // same CHR bank, new PRG bank
    EXPECT_EQ(b.ppu().chrWindow[0], marker);
    EXPECT_EQ(b.Prg(0), 4);
}

TEST(DiscreteBoards, Mapper71PrintsItsBankWrites) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{71, 8, 1}));
    b.m().cycles = 2389;  // the first cycle of line 0
    b.console.WriteByte(0xC000, 0x03);
    b.m().cycles = 100;
    b.console.WriteByte(0xFFFF, 0x04);
    b.console.WriteByte(0x9000, 0x10);  // mirroring: no line
    EXPECT_EQ(b.host.debug, "C000 03 write(0:2389)\r\nFFFF 04 write(-20:100)\r\n");
}

// Mapper 2's mislabelled-image check reads the code around the storing
// instruction: PC stands on its first operand byte.
struct SuspectCase {
    const char* name;
    std::vector<uint8_t> code;  // placed at $C100
    uint16_t address;
    bool marked;
    bool decided;
};

TEST(DiscreteBoards, Mapper2MislabelledImageCheck) {
    const std::vector<SuspectCase> cases = {
        {"repeated store after one-byte instructions", {0x8D, 0x00, 0x80, 0x4A, 0x8D, 0x00, 0x80, 0x4A, 0x8D, 0x00, 0x80},
         0x8000, true, true},
        {"single store", {0x8D, 0x00, 0x80, 0x60, 0xEA, 0xEA, 0xEA, 0xEA}, 0x8000, false, true},
        {"store repeated once only", {0x8D, 0x00, 0x80, 0x4A, 0x8D, 0x00, 0x80, 0x60, 0xEA, 0xEA, 0xEA}, 0x8000,
         false, false},
        {"write at $4020", {0x8D, 0x20, 0x40, 0x60, 0xEA, 0xEA}, 0x4020, true, true},
        {"write at $4025", {0x8D, 0x25, 0x40, 0x60, 0xEA, 0xEA}, 0x4025, false, true},
    };
    for (const SuspectCase& c : cases) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(InesLayout{2, 8, 0}));
        uint8_t* last = b.m().prgPages[15];
        std::copy(c.code.begin(), c.code.end(), last + 0x100);
        b.host.windowTitle.clear();
        b.m().pc = 0xE101;
        b.console.WriteByte(c.address, 0x03);
        EXPECT_EQ(b.host.windowTitle == "This is maybe different from original.", c.marked) << c.name;
        EXPECT_EQ(b.console.mapper->suspectCheckDone != 0, c.decided) << c.name;
        EXPECT_EQ(b.Prg(0), 6) << c.name;  // the bank switches either way
    }
}

TEST(DiscreteBoards, Mapper2CheckEndsForGood) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{2, 8, 0}));
    uint8_t* last = b.m().prgPages[15];
    const uint8_t code[] = {0x8D, 0x00, 0x80, 0x60, 0xEA};
    std::copy(std::begin(code), std::end(code), last + 0x100);
    b.m().pc = 0xE101;
    b.console.WriteByte(0x8000, 1);
    b.host.windowTitle.clear();
    b.console.WriteByte(0x4020, 1);  // would mark while the check was open
    EXPECT_TRUE(b.host.windowTitle.empty());
}

}  // namespace
}  // namespace korvanta::test
