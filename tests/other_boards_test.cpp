// The Namco 108 family, the multicart boards and the single-purpose boards:
// windows after register writes, the same windows rebuilt from a snapshot,
// and each board's own quirk.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <utility>

#include "mapper_fixture.h"

namespace korvanta::test {
namespace {

constexpr int kOpenBus = 0xFFFF;  // a PRG window of $FF bytes
constexpr int kRebuildsPrg = 1;
constexpr int kRebuildsChr = 2;
constexpr int kFixedChr = kRebuildsPrg;  // CHR RAM or a fixed CHR page set
constexpr int kPartial = 4;
constexpr std::array<int, 8> kChrUnchecked = {kAny, kAny, kAny, kAny, kAny, kAny, kAny, kAny};

struct BoardCase {
    const char* name;
    InesLayout image;
    std::vector<std::pair<uint16_t, uint8_t>> writes;
    std::array<int, 4> prg;
    std::array<int, 8> chr;
    int mirroring;  // kAny: not checked
    // Which windows the board rebuilds from its registers after a snapshot
    // load; kPartial: some registers were never written, so the case is not
    // replayed (the Namco boards start from zeroed registers).
    int rebuilt = kRebuildsPrg | kRebuildsChr;
};

const std::vector<BoardCase>& Cases() {
    static const std::vector<BoardCase> cases = {
        {"namco 108",
         {76, 8, 8},
         {{0x8000, 2}, {0x8001, 5}, {0x8000, 3}, {0x8001, 0x21}, {0x8000, 4}, {0x8001, 7}, {0x8000, 5},
          {0x8001, 0x1F}, {0x8000, 6}, {0x8001, 0x13}, {0x8000, 7}, {0x8001, 5}},
         {3, 5, 14, 15},
         {10, 11, 2, 3, 14, 15, 62, 63},
         kAny},
        {"mapper 88",
         {88, 8, 16},
         {{0x8000, 0}, {0x8001, 7}, {0x8000, 1}, {0x8001, 0x0A}, {0x8000, 2}, {0x8001, 3}, {0x8000, 3},
          {0x8001, 5}, {0x8000, 4}, {0x8001, 0x10}, {0x8000, 5}, {0x8001, 0x7F}, {0x8000, 6}, {0x8001, 2},
          {0x8000, 7}, {0x8001, 0x1B}},
         {2, 11, 14, 15},
         {6, 7, 10, 11, 67, 69, 80, 127},
         kAny},
        {"mapper 95 upper screen",
         {95, 8, 4},
         {{0x8000, 0}, {0x8001, 0x25}, {0x8000, 1}, {0x8001, 9}, {0x8000, 2}, {0x8001, 0x13}, {0x8000, 3},
          {0x8001, 0x0E}, {0x8000, 4}, {0x8001, 0}, {0x8000, 5}, {0x8001, 0x21}, {0x8000, 6}, {0x8001, 0x11},
          {0x8000, 7}, {0x8001, 0x0C}},
         {1, 12, 14, 15},
         {4, 5, 8, 9, 19, 14, 0, 1},
         4},
        {"mapper 95 lower screen", {95, 8, 4}, {{0x8000, 1}, {0x8001, 0x1A}}, {kAny, kAny, 14, 15},
         {kAny, kAny, 26, 27, kAny, kAny, kAny, kAny}, 0, kPartial},
        {"mapper 15 32 KB", {15, 16, 0}, {{0x8000, 0x05}}, {10, 11, 12, 13}, kChrUnchecked, 1, kFixedChr},
        {"mapper 15 32 KB swapped", {15, 16, 0}, {{0x8000, 0xC5}}, {11, 10, 13, 12}, kChrUnchecked, 2, kFixedChr},
        {"mapper 15 16 KB", {15, 16, 0}, {{0x8001, 0x43}}, {6, 7, 6, 7}, kChrUnchecked, 1, kFixedChr},
        {"mapper 15 8 KB", {15, 16, 0}, {{0x8002, 0x83}}, {7, 7, 7, 7}, kChrUnchecked, 1, kFixedChr},
        {"mapper 15 16 KB with mirroring", {15, 16, 0}, {{0x8003, 0x44}}, {8, 9, 8, 9}, kChrUnchecked, 2, kFixedChr},
        {"mapper 15 wraps", {15, 16, 0}, {{0x8000, 0x3F}}, {30, 31, 0, 1}, kChrUnchecked, 1, kFixedChr},
        {"mapper 225 32 KB", {225, 32, 64}, {{0x8185, 0}}, {12, 13, 14, 15}, {40, 41, 42, 43, 44, 45, 46, 47}, 1},
        {"mapper 225 16 KB upper", {225, 32, 64}, {{0xB17F, 0}}, {10, 11, 10, 11},
         {504, 505, 506, 507, 508, 509, 510, 511}, 2},
        {"mapper 225 16 KB lower", {225, 32, 64}, {{0x9080, 0}}, {4, 5, 4, 5}, {0, 1, 2, 3, 4, 5, 6, 7}, 1},
        {"mapper 226 16 KB", {226, 32, 0}, {{0x8000, 0x25}}, {10, 11, 10, 11}, kChrUnchecked, 2, kFixedChr},
        {"mapper 226 32 KB high bits", {226, 32, 0}, {{0x8001, 0x01}, {0x8000, 0x46}}, {12, 13, 14, 15},
         kChrUnchecked, 1, kFixedChr},
        {"mapper 226 16 KB bit 7", {226, 128, 0}, {{0x8000, 0xA3}}, {70, 71, 70, 71}, kChrUnchecked, 2, kFixedChr},
        {"mapper 230 first game", {230, 16, 0}, {{0x8000, 3}}, {6, 7, 14, 15}, kChrUnchecked, 1, kFixedChr},
        {"mapper 234 32 KB", {234, 16, 8}, {{0xC005, 0}}, {8, 9, 10, 11}, {40, 41, 42, 43, 44, 45, 46, 47}, 1},
        {"mapper 234 16 KB", {234, 16, 8}, {{0x8003, 0}}, {6, 7, 6, 7}, {24, 25, 26, 27, 28, 29, 30, 31}, 2},
        {"mapper 234 untouched", {234, 16, 8}, {}, {28, 29, 30, 31}, {56, 57, 58, 59, 60, 61, 62, 63}, kAny},
        {"mapper 235 32 KB", {235, 32, 0}, {{0x8005, 0}}, {20, 21, 22, 23}, kChrUnchecked, 1, kFixedChr},
        {"mapper 235 16 KB upper", {235, 32, 0}, {{0xB803, 0}}, {14, 15, 14, 15}, kChrUnchecked, 2, kFixedChr},
        {"mapper 235 16 KB lower", {235, 32, 0}, {{0x8C02, 0}}, {8, 9, 8, 9}, kChrUnchecked, 0, kFixedChr},
        {"mapper 235 high bank bits", {235, 32, 0}, {{0x8101, 0}}, {4, 5, 6, 7}, kChrUnchecked, 1, kFixedChr},
        {"mapper 235 missing chip", {235, 32, 0}, {{0x8200, 0}}, {kOpenBus, kOpenBus, kOpenBus, kOpenBus},
         kChrUnchecked, 1, kFixedChr},
        {"mapper 236 after reset", {236, 32, 0}, {}, {0, 1, 14, 15}, kChrUnchecked, 1, kFixedChr},
        {"mapper 236 outer bank", {236, 32, 0}, {{0x8001, 0}}, {16, 17, 30, 31}, kChrUnchecked, 1, kFixedChr},
        {"mapper 236 16 KB", {236, 32, 0}, {{0x8001, 0}, {0xC033, 0}}, {22, 23, 22, 23}, kChrUnchecked, 1, kFixedChr},
        {"mapper 236 32 KB", {236, 32, 0}, {{0x8022, 0}, {0xC025, 0}}, {40, 41, 42, 43}, kChrUnchecked, 2, kFixedChr},
        {"mapper 237 after reset", {237, 16, 8}, {}, {0, 1, 30, 31}, {0, 1, 2, 3, 4, 5, 6, 7}, 1},
        {"mapper 237 16 KB", {237, 16, 8}, {{0x8003, 0}, {0xC032, 0}}, {4, 5, 4, 5},
         {24, 25, 26, 27, 28, 29, 30, 31}, 1},
        {"mapper 237 32 KB", {237, 16, 8}, {{0x8025, 0}, {0xC026, 0}}, {12, 13, 14, 15},
         {40, 41, 42, 43, 44, 45, 46, 47}, 2},
        {"mapper 242", {242, 16, 0}, {{0x801A, 0}}, {12, 13, 14, 15}, kChrUnchecked, 2, kFixedChr},
        {"mapper 242 untouched", {242, 16, 0}, {}, {0, 1, 2, 3}, kChrUnchecked, kAny, kFixedChr},
        {"mapper 242 vertical", {242, 16, 0}, {{0x8008, 0}}, {4, 5, 6, 7}, kChrUnchecked, 1, kFixedChr},
        {"sachen 243",
         {243, 4, 8},
         {{0x4100, 5}, {0x4101, 1}, {0x4100, 6}, {0x4101, 2}, {0x4100, 4}, {0x4101, 1}},
         {4, 5, 6, 7},
         {40, 41, 42, 43, 44, 45, 46, 47},
         kAny},
        {"sachen 243 large chr",
         {243, 4, 16},
         {{0x4100, 2}, {0x4101, 1}, {0x4100, 4}, {0x4101, 0}, {0x4100, 6}, {0x4101, 3}},
         {4, 5, 6, 7},
         {104, 105, 106, 107, 108, 109, 110, 111},
         kAny},
        {"sachen 243 untouched", {243, 4, 8}, {}, {4, 5, 6, 7}, {56, 57, 58, 59, 60, 61, 62, 63}, kAny},
        {"mapper 246",
         {246, 8, 4},
         {{0x6000, 3}, {0x6001, 5}, {0x6002, 0x21}, {0x6003, 0x0F}, {0x6004, 2}, {0x6005, 3}, {0x6006, 0x11},
          {0x6007, 0}},
         {3, 5, 1, 15},
         {4, 5, 6, 7, 2, 3, 0, 1},
         kAny},
        {"mapper 246 untouched", {246, 8, 4}, {}, {12, 13, 14, 15}, {24, 25, 26, 27, 28, 29, 30, 31}, kAny},
        {"mapper 254 does not switch", {254, 2, 1}, {{0x8000, 5}, {0xE000, 1}}, {0, 1, 2, 3},
         {0, 1, 2, 3, 4, 5, 6, 7}, kAny, 0},
    };
    return cases;
}

TEST(OtherBoards, WritesMoveTheWindows) {
    for (const BoardCase& c : Cases()) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(c.image)) << c.name;
        for (auto [address, value] : c.writes) b.console.WriteByte(address, value);
        ExpectWindows(b, c.name, c.prg, c.chr, c.mirroring);
    }
}

TEST(OtherBoards, SnapshotRebuildsTheWindows) {
    for (const BoardCase& c : Cases()) {
        if (c.rebuilt & kPartial) continue;
        BoardConsole saved;
        ASSERT_TRUE(saved.Load(c.image)) << c.name;
        for (auto [address, value] : c.writes) saved.console.WriteByte(address, value);
        MemoryStream stream;
        ASSERT_TRUE(saved.console.mapper->SaveState(stream)) << c.name;
        ASSERT_EQ(WriteEndChunk(stream), 0);

        BoardConsole restored;
        ASSERT_TRUE(restored.Load(c.image)) << c.name;
        // Point every window elsewhere: the board must rebuild them from its
        // registers alone.
        Machine& m = restored.m();
        if (c.rebuilt & kRebuildsPrg)
            for (auto& window : m.prgWindow) window = m.prgPages[1];
        if (c.rebuilt & kRebuildsChr)
            for (int w = 0; w < 8; ++w) {
                restored.ppu().chrWindow[w] = m.chrPages[1];
                restored.ppu().decodedChrWindow[w] = m.decodedChrPages[1];
            }
        restored.ppu().SetMirroring(saved.ppu().mirroring);  // the picture unit restores its own
        ASSERT_TRUE(restored.console.mapper->LoadState(stream, OldFormatImage{}, 0)) << c.name;
        EXPECT_EQ(restored.PrgWindows(), saved.PrgWindows()) << c.name;
        EXPECT_EQ(restored.ChrWindows(), saved.ChrWindows()) << c.name;
        EXPECT_EQ(restored.console.mapper->chrWritable, saved.console.mapper->chrWritable) << c.name;
    }
}

TEST(OtherBoards, Mapper230ResetsCycleThroughGameAndMenu) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{230, 16, 0}));  // the load's reset: mode 1
    b.console.WriteByte(0x8000, 0x03);
    // Modes 2, 3, 4, 0, 1: the menu part maps 0x03 to its 32 KB bank 1.
    const std::array<int, 4> game = {6, 7, 14, 15}, menu = {20, 21, 22, 23};
    const std::array<std::array<int, 4>, 5> expected = {menu, game, menu, menu, game};
    for (size_t i = 0; i < expected.size(); ++i) {
        b.console.SoftReset();
        EXPECT_EQ(b.PrgWindows(), expected[i]) << "reset " << i + 1;
    }
    b.console.SoftReset();  // mode 2
    MemoryStream stream;
    ASSERT_TRUE(b.console.mapper->SaveState(stream));
    ASSERT_EQ(WriteEndChunk(stream), 0);
    b.console.SoftReset();  // mode 3: the game
    ASSERT_TRUE(b.console.mapper->LoadState(stream, OldFormatImage{}, 0));
    EXPECT_EQ(b.PrgWindows(), menu);
}

TEST(OtherBoards, Mapper235MissingChipReadsFF) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{235, 32, 0}));
    b.console.WriteByte(0x8200, 0);
    for (uint16_t address : {0x8000, 0x9FFF, 0xC123, 0xFFFC}) EXPECT_EQ(b.console.ReadByte(address), 0xFF) << address;
    b.console.WriteByte(0x8001, 0);
    EXPECT_EQ(b.PrgWindows(), (std::array<int, 4>{4, 5, 6, 7}));
}

TEST(OtherBoards, Mapper226WriteProtectsChrRam) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{226, 32, 0}));
    EXPECT_EQ(b.console.mapper->chrWritable, 1);
    b.console.WriteByte(0x8001, 0x02);
    EXPECT_EQ(b.console.mapper->chrWritable, 0);
    b.console.WriteByte(0x9003, 0x00);
    EXPECT_EQ(b.console.mapper->chrWritable, 1);
}

TEST(OtherBoards, Mapper225NibbleRamSurvivesASnapshot) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{225, 4, 1}));
    b.console.WriteByte(0x5801, 0xF7);
    b.console.WriteByte(0x5FFE, 0x3C);
    EXPECT_EQ(b.console.ReadByte(0x5805), 0x07);
    EXPECT_EQ(b.console.ReadByte(0x5802), 0x0C);
    MemoryStream stream;
    ASSERT_TRUE(b.console.mapper->SaveState(stream));
    ASSERT_EQ(WriteEndChunk(stream), 0);
    b.console.WriteByte(0x5801, 0);
    ASSERT_TRUE(b.console.mapper->LoadState(stream, OldFormatImage{}, 0));
    EXPECT_EQ(b.console.ReadByte(0x5801), 0x07);
}

TEST(OtherBoards, Mapper236FillModeRepeatsOneByteOfEachRow) {
    std::vector<uint8_t> image = MakeInes(InesLayout{236, 32, 0});
    auto prgByte = [&](size_t page, size_t offset) -> uint8_t& { return image[16 + page * 0x2000 + offset]; };
    // Outer bank 1 (pages 16-31), inner bank 2: pages 20, 21, 30, 31.
    prgByte(20, 6) = 0x11;
    prgByte(20, 0x16) = 0x22;
    prgByte(31, 0x1FF6) = 0x33;
    BoardConsole b;
    ASSERT_TRUE(b.Load(image));
    b.console.WriteByte(0x8001, 0);
    b.console.WriteByte(0xC012, 0);
    EXPECT_EQ(b.console.ReadByte(0x8000), 0x11);
    EXPECT_EQ(b.console.ReadByte(0x800F), 0x11);
    EXPECT_EQ(b.console.ReadByte(0x8010), 0x22);
    EXPECT_EQ(b.console.ReadByte(0xFFF0), 0x33);
    EXPECT_EQ(b.console.ReadByte(0xFFFF), 0x33);
    MemoryStream stream;
    ASSERT_TRUE(b.console.mapper->SaveState(stream));
    ASSERT_EQ(WriteEndChunk(stream), 0);
    // Back to plain banking: the ROM pages again.
    b.console.WriteByte(0xC032, 0);
    EXPECT_EQ(b.PrgWindows(), (std::array<int, 4>{20, 21, 20, 21}));
    // The buffer is not saved: a snapshot load fills it again.
    ASSERT_TRUE(b.console.mapper->LoadState(stream, OldFormatImage{}, 0));
    EXPECT_EQ(b.console.ReadByte(0x8010), 0x22);
    EXPECT_EQ(b.console.ReadByte(0xFFF3), 0x33);
}

TEST(OtherBoards, Mapper246ServesItsRamAndSkipsRepeatedChrValues) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{246, 8, 4}));
    EXPECT_EQ(b.console.mapper->sramEnabled, 0);
    EXPECT_EQ(b.Prg(3), 15);  // the reset's last page
    b.console.WriteByte(0x6900, 0xA5);
    EXPECT_EQ(b.m().sram[0x0900], 0xA5);
    EXPECT_EQ(b.console.ReadByte(0x6900), 0xA5);
    EXPECT_EQ(b.console.ReadByte(0x6100), 0x00);
    b.console.WriteByte(0x6004, 5);
    EXPECT_EQ(b.Chr(0), 10);
    uint8_t* marker = b.m().chrPages[0];
    b.ppu().chrWindow[0] = marker;
    b.console.WriteByte(0x6004, 5);  // the same value: no change at all
    EXPECT_EQ(b.ppu().chrWindow[0], marker);
}

TEST(OtherBoards, Mapper254LogsEveryAccess) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{254, 2, 1}));
    b.m().cycles = 2389;  // the first cycle of line 0
    b.console.WriteByte(0x8000, 0x5A);
    b.m().cycles = 100;
    EXPECT_EQ(b.console.ReadByte(0x5123), 0x00);
    EXPECT_EQ(b.host.debug, "8000 5A write(0:2389)\n5123 ?? read-(-20:100)\n");
}

// A program at $8002 of every page that writes its way through the board's
// registers: every number runs its frames without leaving the emulation.
// Mappers 236 and 237 are left out: their fill mode replaces the program.
TEST(OtherBoards, EveryBoardRunsAProgram) {
    static constexpr uint8_t kProgram[] = {
        0xA2, 0x00,              // $8002 LDX #0
        0x8A,                    // $8004 TXA
        0x9D, 0x00, 0x80,        //       STA $8000,X
        0x9D, 0x00, 0xE0,        //       STA $E000,X
        0x8D, 0x01, 0x41,        //       STA $4101
        0x8D, 0x04, 0x60,        //       STA $6004
        0xE8,                    //       INX
        0x4C, 0x04, 0x80,        //       JMP $8004
    };
    for (uint32_t mapper : {9u, 10u, 15u, 76u, 88u, 95u, 225u, 226u, 230u, 234u, 235u, 242u, 243u, 246u, 254u}) {
        std::vector<uint8_t> image = MakeInes(InesLayout{mapper, 8, 4});
        for (size_t page = 0; page < 16; ++page) {
            uint8_t* bytes = &image[16 + page * 0x2000];
            std::copy(std::begin(kProgram), std::end(kProgram), bytes + 2);
            bytes[0x1FFC] = 0x02;
        }
        BoardConsole b;
        ASSERT_TRUE(b.Load(image)) << mapper;
        b.m().RunState = 1;
        for (int frame = 0; frame < 3; ++frame) {
            b.ppu().BeginDrawnFrame();
            b.console.cpu.Run(RunMode::RunToFrameEnd);
            b.ppu().EndDrawnFrame();
        }
        EXPECT_EQ(b.m().RunState, 1u) << mapper;
        EXPECT_GE(b.m().pc, 0x8004) << mapper;
        EXPECT_LE(b.m().pc, 0x8012) << mapper;
    }
}

}  // namespace
}  // namespace korvanta::test
