// The Jaleco, Taito, Sunsoft and Irem chip boards (mappers 18, 32, 33, 40,
// 48, 65, 67, 69, 80): windows after register writes, interrupt deadlines in
// cycles, the RAM at $6000-$7FFF, and snapshots that rebuild all of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <utility>

#include "mapper_fixture.h"

namespace korvanta::test {
namespace {

constexpr std::array<int, 8> kChrLoaded = {24, 25, 26, 27, 28, 29, 30, 31};

struct BoardCase {
    const char* name;
    InesLayout image;
    Writes writes;
    std::array<int, 4> prg;
    std::array<int, 8> chr;
    int mirroring;
    // Every register that places a window was written, so a snapshot holds
    // all the windows (register defaults are not the loader's placement).
    bool registersWritten = false;
};

// Images are 128 KB PRG (16 pages) and 32 KB CHR (32 pages) unless named;
// the loader starts them on pages 12-15 and CHR pages 24-31.
const std::vector<BoardCase>& WindowCases() {
    static const std::vector<BoardCase> cases = {
        // Mapper 18.
        {"18 PRG and CHR by nibbles",
         {18, 8, 4},
         {{0x8000, 3}, {0x8001, 0}, {0x8002, 5}, {0x8003, 0}, {0x9000, 7}, {0x9001, 0}, {0xA000, 4}, {0xA001, 1},
          {0xA002, 5}, {0xA003, 0}, {0xB000, 6}, {0xB001, 0}, {0xB002, 0}, {0xB003, 1}, {0xC000, 7}, {0xC001, 0},
          {0xC002, 8}, {0xC003, 0}, {0xD000, 9}, {0xD001, 0}, {0xD002, 10}, {0xD003, 1}, {0xF002, 1}},
         {3, 5, 7, 15}, {20, 5, 6, 16, 7, 8, 9, 26}, 1, true},
        {"18 bank reduced after each nibble (16 pages)", {18, 8, 4}, {{0x8001, 1}, {0x8000, 3}}, {3, 13, 14, 15},
         kChrLoaded, kAny},
        {"18 bank reduced after each nibble (32 pages)", {18, 16, 4}, {{0x8001, 1}, {0x8000, 3}}, {19, 29, 30, 31},
         kChrLoaded, kAny},
        {"18 CHR wraps", {18, 8, 4}, {{0xA001, 3}, {0xD002, 0x1F}}, kPrgAny, {16, 25, 26, 27, 28, 29, 30, 15}, kAny},
        {"18 only the low nibble counts", {18, 8, 4}, {{0x8000, 0xF2}}, {2, 13, 14, 15}, kChrAny, kAny},
        {"18 $F002 0 horizontal", {18, 8, 4}, {{0xF002, 1}, {0xF002, 0}}, kPrgAny, kChrAny, 2},
        {"18 $F002 2 single page 0", {18, 8, 4}, {{0xF002, 2}}, kPrgAny, kChrAny, 0},
        {"18 $F002 3 single page 0", {18, 8, 4}, {{0xF002, 7}}, kPrgAny, kChrAny, 0},
        {"18 $9003 and $F003 do nothing", {18, 8, 4}, {{0x9003, 5}, {0xF003, 1}, {0x9000, 2}},
         {12, 13, 2, 15}, kChrLoaded, kAny},
        // Mappers 33 and 48.
        {"33 all registers",
         {33, 8, 4},
         {{0x8000, 0x45}, {0x8001, 0x07}, {0x8002, 3}, {0x8003, 20}, {0xA000, 10}, {0xA001, 11}, {0xA002, 12},
          {0xA003, 40}},
         {5, 7, 14, 15}, {6, 7, 8, 9, 10, 11, 12, 8}, 2, true},
        {"33 PRG masked to six bits, bit 6 clear is vertical", {33, 8, 4}, {{0x8000, 0x45}, {0x8000, 0x83}},
         {3, 13, 14, 15}, kChrAny, 1},
        {"33 PRG wraps", {33, 8, 4}, {{0x8001, 0x3F}}, {12, 15, 14, 15}, kChrAny, kAny},
        {"33 decoder ignores the middle bits", {33, 8, 4}, {{0x9FFD, 4}, {0xBFFE, 9}}, {12, 4, 14, 15},
         {0, 1, 0, 1, 0, 0, 9, 0}, kAny},
        {"48 after $E000 the $8000 bit 6 is ignored",
         {48, 8, 4},
         {{0xE000, 0x40}, {0x8000, 0x05}},
         {5, 13, 14, 15}, kChrAny, 2},
        {"48 $E000 vertical stays", {48, 8, 4}, {{0xE000, 0x00}, {0x8000, 0x45}}, {5, 13, 14, 15}, kChrAny, 1},
        {"48 counter registers move nothing", {48, 8, 4}, {{0xC000, 3}, {0xC003, 5}, {0xE003, 7}, {0xC001, 0}},
         {12, 13, 14, 15}, kChrLoaded, kAny},
        // Mapper 67.
        {"67 all registers",
         {67, 8, 4},
         {{0x8800, 1}, {0x9800, 2}, {0xA800, 3}, {0xB800, 17}, {0xF800, 3}, {0xE800, 1}},
         {6, 7, 14, 15}, {2, 3, 4, 5, 6, 7, 2, 3}, 2, true},
        {"67 lower halves do nothing", {67, 8, 4}, {{0x8000, 1}, {0x97FF, 2}, {0xF000, 3}, {0xE000, 0}},
         {12, 13, 14, 15}, kChrLoaded, 2},
        {"67 PRG wraps", {67, 8, 4}, {{0xFFFF, 9}}, {2, 3, 14, 15}, kChrAny, kAny},
        {"67 mirroring 0 vertical", {67, 8, 4}, {{0xE800, 1}, {0xE800, 0}}, kPrgAny, kChrAny, 1},
        {"67 mirroring 2 single page 1", {67, 8, 4}, {{0xE800, 2}}, kPrgAny, kChrAny, 4},
        {"67 mirroring 3 single page 0", {67, 8, 4}, {{0xEFFF, 3}}, kPrgAny, kChrAny, 0},
        // Mapper 69.
        {"69 all registers",
         {69, 8, 4},
         {{0x8000, 0}, {0xA000, 1}, {0x8000, 1}, {0xA000, 2}, {0x8000, 2}, {0xA000, 3}, {0x8000, 3}, {0xA000, 4},
          {0x8000, 4}, {0xA000, 5}, {0x8000, 5}, {0xA000, 6}, {0x8000, 6}, {0xA000, 7}, {0x8000, 7}, {0xA000, 40},
          {0x8000, 8}, {0xA000, 0xC0}, {0x8000, 9}, {0xA000, 2}, {0x8000, 10}, {0xA000, 4}, {0x8000, 11},
          {0xA000, 19}, {0x8000, 12}, {0xA000, 1}},
         {2, 4, 3, 15}, {1, 2, 3, 4, 5, 6, 7, 8}, 2, true},
        {"69 command takes the low nibble", {69, 8, 4}, {{0x8000, 0xF9}, {0xA000, 5}}, {5, 13, 14, 15},
         kChrLoaded, kAny},
        {"69 only the exact addresses", {69, 8, 4}, {{0x8001, 9}, {0xA001, 6}, {0xA000, 5}}, {12, 13, 14, 15},
         {5, 25, 26, 27, 28, 29, 30, 31}, kAny},
        {"69 mirroring 0 vertical", {69, 8, 4}, {{0x8000, 12}, {0xA000, 0}}, kPrgAny, kChrAny, 1},
        {"69 mirroring 2 single page 0", {69, 8, 4}, {{0x8000, 12}, {0xA000, 2}}, kPrgAny, kChrAny, 0},
        {"69 mirroring 3 single page 1", {69, 8, 4}, {{0x8000, 12}, {0xA000, 3}}, kPrgAny, kChrAny, 4},
        // Mapper 65.
        {"65 all registers",
         {65, 8, 4},
         {{0x8000, 3}, {0xA000, 4}, {0xB000, 1}, {0xB001, 2}, {0xB002, 3}, {0xB003, 4}, {0xB004, 5}, {0xB005, 6},
          {0xB006, 7}, {0xB007, 40}},
         {3, 4, 14, 15}, {1, 2, 3, 4, 5, 6, 7, 8}, kAny, true},
        {"65 $C000 and the rest do nothing", {65, 8, 4},
         {{0xC000, 5}, {0x9001, 0x80}, {0x9004, 1}, {0x9006, 1}, {0x8001, 7}}, {12, 13, 14, 15}, kChrLoaded, kAny},
        {"65 CHR repeats every eight addresses", {65, 8, 4}, {{0xB00F, 9}, {0xBFF8, 10}}, kPrgAny,
         {10, 25, 26, 27, 28, 29, 30, 9}, kAny},
        // Mapper 40.
        {"40 bank at $C000", {40, 4, 1}, {{0xE000, 2}}, {4, 5, 2, 7}, kChrAny, kAny, true},
        {"40 bank wraps", {40, 4, 1}, {{0xFFFF, 9}}, {4, 5, 1, 7}, kChrAny, kAny},
        {"40 starts on the last four pages", {40, 8, 1}, {{0xC000, 3}, {0x8000, 1}, {0xA000, 2}},
         {12, 13, 14, 15}, kChrAny, kAny},
        // Mapper 32.
        {"32 all registers",
         {32, 8, 4},
         {{0x8000, 3}, {0xA000, 4}, {0x9000, 1}, {0xB000, 1}, {0xB001, 2}, {0xB002, 3}, {0xB003, 4}, {0xB004, 5},
          {0xB005, 6}, {0xB006, 7}, {0xB007, 40}},
         {3, 4, 14, 15}, {1, 2, 3, 4, 5, 6, 7, 8}, 2, true},
        {"32 bit 1 moves the switchable page to $C000",
         {32, 8, 4},
         {{0x8000, 3}, {0xA000, 4}, {0x9000, 2}},
         {14, 4, 3, 15}, kChrAny, 1},
        {"32 $C000 acts as $8000", {32, 8, 4}, {{0xC000, 5}}, {5, 0, 14, 15}, kChrAny, kAny},
        {"32 $F003 acts as $B003", {32, 8, 4}, {{0xF003, 9}}, kPrgAny, {0, 0, 0, 9, 0, 0, 0, 0}, kAny},
        {"32 $D000 acts as $9000", {32, 8, 4}, {{0xA000, 6}, {0xD007, 3}}, {14, 6, 0, 15}, kChrAny, 2},
        // Mapper 80.
        {"80 all registers",
         {80, 8, 4},
         {{0x7EF0, 5}, {0x7EF1, 9}, {0x7EF2, 10}, {0x7EF3, 11}, {0x7EF4, 12}, {0x7EF5, 40}, {0x7EF6, 1},
          {0x7EFA, 3}, {0x7EFB, 4}, {0x7EFC, 5}, {0x7EFE, 6}},
         {4, 5, 6, 15}, {4, 5, 8, 9, 10, 11, 12, 8}, 1, true},
        {"80 odd PRG addresses and horizontal", {80, 8, 4}, {{0x7EFD, 7}, {0x7EFF, 18}, {0x7EF6, 0}},
         {12, 7, 2, 15}, kChrLoaded, 2},
        {"80 $7EF7-$7EF9 and the RAM move nothing", {80, 8, 4},
         {{0x7EF7, 1}, {0x7EF8, 2}, {0x7EF9, 3}, {0x7F00, 4}, {0x7EEF, 5}, {0x8000, 6}}, {12, 13, 14, 15},
         kChrLoaded, kAny},
    };
    return cases;
}

TEST(ChipBoards, WritesMoveTheWindows) {
    for (const BoardCase& c : WindowCases()) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(c.image)) << c.name;
        WriteAll(b, c.writes);
        ExpectWindows(b, c.name, c.prg, c.chr, c.mirroring);
    }
}

TEST(ChipBoards, SnapshotRebuildsTheWindows) {
    for (const BoardCase& c : WindowCases()) {
        if (!c.registersWritten) continue;
        BoardConsole saved;
        ASSERT_TRUE(saved.Load(c.image)) << c.name;
        WriteAll(saved, c.writes);
        std::vector<uint8_t> bytes = SaveBoard(saved);

        // Other values at the same addresses scramble what the board must
        // rebuild from its registers alone.
        BoardConsole restored;
        ASSERT_TRUE(restored.Load(c.image)) << c.name;
        for (auto [address, value] : c.writes) restored.console.WriteByte(address, value ^ 0x55);
        restored.ppu().SetMirroring(saved.ppu().mirroring);  // the picture unit restores its own
        MemoryStream stream(bytes);
        ASSERT_TRUE(restored.console.mapper->LoadState(stream, OldFormatImage{}, 0)) << c.name;
        EXPECT_EQ(restored.PrgWindows(), saved.PrgWindows()) << c.name;
        EXPECT_EQ(restored.ChrWindows(), saved.ChrWindows()) << c.name;
        EXPECT_EQ(restored.ppu().mirroring, saved.ppu().mirroring) << c.name;
        EXPECT_EQ(restored.console.mapper->sramEnabled, saved.console.mapper->sramEnabled) << c.name;
        EXPECT_EQ(SaveBoard(restored), bytes) << c.name;
    }
}

// Snapshots may hold any value; the windows stay inside the image.
TEST(ChipBoards, DamagedSnapshotStaysInsideTheImage) {
    for (uint32_t mapper : {18u, 32u, 33u, 40u, 65u, 67u, 69u, 80u}) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(InesLayout{mapper, 2, 1}));
        for (const StateField& f : b.console.mapper->GetStateTable()) {
            if (f.type == kFieldBlock || f.type == kFieldByte)
                std::fill_n(static_cast<uint8_t*>(f.destination), f.size, 0xEE);
        }
        std::vector<uint8_t> bytes = SaveBoard(b);
        BoardConsole restored;
        ASSERT_TRUE(restored.Load(InesLayout{mapper, 2, 1}));
        MemoryStream stream(bytes);
        ASSERT_TRUE(restored.console.mapper->LoadState(stream, OldFormatImage{}, 0)) << mapper;
        for (int w = 0; w < 4; ++w) {
            EXPECT_GE(restored.Prg(w), 0) << mapper;
            EXPECT_LT(restored.Prg(w), 4) << mapper;
        }
        for (int w = 0; w < 8; ++w) {
            EXPECT_GE(restored.Chr(w), 0) << mapper;
            EXPECT_LT(restored.Chr(w), 8) << mapper;
        }
    }
}

// Interrupt deadlines ---------------------------------------------------------

struct IrqCase {
    const char* name;
    uint32_t mapper;
    uint32_t cycles;  // when the writes happen
    Writes writes;
    uint32_t deadline;  // boardIrqTime afterwards
};

const std::vector<IrqCase>& IrqCases() {
    static const std::vector<IrqCase> cases = {
        // Mapper 18: the reload nibbles $1234 counted from the $F000 reset.
        {"18 16-bit count", 18, 1000, {{0xE000, 4}, {0xE001, 3}, {0xE002, 2}, {0xE003, 1}, {0xF000, 1}, {0xF001, 1}},
         1000 + 0x1234},
        {"18 12-bit count", 18, 1000, {{0xE000, 4}, {0xE001, 3}, {0xE002, 2}, {0xE003, 1}, {0xF000, 1}, {0xF001, 3}},
         1000 + 0x234},
        {"18 8-bit count", 18, 1000, {{0xE000, 4}, {0xE001, 3}, {0xE002, 2}, {0xE003, 1}, {0xF000, 1}, {0xF001, 5}},
         1000 + 0x34},
        {"18 8-bit count (mode 3)", 18, 1000,
         {{0xE000, 4}, {0xE001, 3}, {0xE002, 2}, {0xE003, 1}, {0xF000, 1}, {0xF001, 7}}, 1000 + 0x34},
        {"18 4-bit count", 18, 1000, {{0xE000, 4}, {0xE001, 3}, {0xE002, 2}, {0xE003, 1}, {0xF000, 1}, {0xF001, 9}},
         1000 + 4},
        {"18 nibbles take the low four bits", 18, 1000, {{0xE000, 0xF4}, {0xE001, 0x13}, {0xF000, 0x11}, {0xF001, 5}},
         1000 + 0x34},
        {"18 disabled", 18, 1000, {{0xE000, 4}, {0xF000, 1}, {0xF001, 1}, {0xF001, 0}}, 0},
        {"18 reset with bit 0 clear counts from cycle 0", 18, 1000,
         {{0xE000, 4}, {0xE001, 3}, {0xF000, 1}, {0xF000, 0}, {0xF001, 5}}, 0x34},
        {"18 $F000 with bit 0 clear stops the timer", 18, 1000, {{0xE000, 4}, {0xF000, 1}, {0xF001, 1}, {0xF000, 0}},
         0},
        {"18 $F000 alone schedules nothing", 18, 1000, {{0xE000, 4}, {0xF000, 1}}, 0},
        // Mapper 48: n = 256 - latch lines ahead.
        {"48 in vertical blank", 48, 100, {{0xC000, 0xF0}, {0xC002, 0}}, 4208},
        {"48 during the picture", 48, 13800, {{0xC000, 0xF0}, {0xE002, 0}}, 15583},
        {"48 latch 0 is 256 lines ahead", 48, 100, {{0xC000, 0x00}, {0xC002, 0}}, 31508},
        {"48 latch 255 is the next line", 48, 13800, {{0xC000, 0xFF}, {0xC002, 0}}, 13877},
        {"48 $C001 cancels", 48, 100, {{0xC000, 0xF0}, {0xC002, 0}, {0xC001, 0}}, 0},
        {"48 $E001 cancels", 48, 100, {{0xC000, 0xF0}, {0xC002, 0}, {0xE001, 0}}, 0},
        {"48 $C000 alone arms nothing", 48, 100, {{0xC000, 0xF0}}, 0},
        // Mapper 67: n = latch + 1 lines ahead.
        {"67 in vertical blank", 67, 100, {{0xC800, 10}, {0xD800, 0x10}}, 3639},
        {"67 latch 168 in vertical blank", 67, 100, {{0xC800, 168}, {0xD800, 0x10}}, 5914},
        {"67 latch 168 during the picture", 67, 13800, {{0xC800, 168}, {0xD800, 0x10}}, 32987},
        {"67 during the picture", 67, 13800, {{0xC800, 10}, {0xD800, 0x10}}, 15014},
        {"67 $C800 re-arms while enabled", 67, 100, {{0xD800, 0x10}, {0xC800, 10}}, 3639},
        {"67 $C800 waits while disabled", 67, 100, {{0xC800, 10}}, 0},
        {"67 $D800 without bit 4 cancels", 67, 100, {{0xC800, 10}, {0xD800, 0x10}, {0xD800, 0x01}}, 0},
        // Mapper 69: CPU cycles from registers 14 and 15.
        {"69 count $1234", 69, 1000,
         {{0x8000, 14}, {0xA000, 0x34}, {0x8000, 15}, {0xA000, 0x12}, {0x8000, 13}, {0xA000, 0x81}}, 1000 + 0x1234 + 1},
        {"69 only $81 starts it", 69, 1000,
         {{0x8000, 14}, {0xA000, 0x34}, {0x8000, 13}, {0xA000, 0x80}}, 0},
        {"69 $01 cancels", 69, 1000,
         {{0x8000, 14}, {0xA000, 0x34}, {0x8000, 13}, {0xA000, 0x81}, {0xA000, 0x01}}, 0},
        {"69 count registers alone change nothing", 69, 1000,
         {{0x8000, 13}, {0xA000, 0x81}, {0x8000, 14}, {0xA000, 0x99}}, 1001},
        // Mapper 65: 256 cycles per $9005 unit.
        {"65 count", 65, 1000, {{0x9005, 0x10}, {0x9003, 0x80}}, 1000 + 4096},
        {"65 bit 7 clear cancels", 65, 1000, {{0x9005, 0x10}, {0x9003, 0x80}, {0x9003, 0x7F}}, 0},
        {"65 $9005 alone arms nothing", 65, 1000, {{0x9005, 0x10}}, 0},
        // Mapper 40: 4096 cycles from the latest $A000 write.
        {"40 $A000", 40, 1000, {{0xA000, 0}}, 1000 + 4096},
        {"40 $8000 cancels", 40, 1000, {{0xA000, 0}, {0x9FFF, 0}}, 0},
    };
    return cases;
}

TEST(ChipBoards, InterruptDeadlines) {
    for (const IrqCase& c : IrqCases()) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(InesLayout{c.mapper, 8, 4}));
        b.m().cycles = c.cycles;
        WriteAll(b, c.writes);
        EXPECT_EQ(b.m().boardIrqTime, c.deadline) << c.name;
    }
}

TEST(ChipBoards, Mapper40WriteRestartsTheTimer) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{40, 4, 1}));
    b.m().cycles = 1000;
    b.console.WriteByte(0xA000, 0);
    b.m().cycles = 3000;
    b.console.WriteByte(0xBFFF, 0);
    EXPECT_EQ(b.m().boardIrqTime, 3000u + 4096u);
    b.m().irqPending = 1;
    b.console.WriteByte(0x8000, 0);
    EXPECT_EQ(b.m().boardIrqTime, 0u);
    EXPECT_EQ(b.m().irqPending, 0) << "$8000 acknowledges";
}

TEST(ChipBoards, Mapper18NeedsEnablingAgainAfterAnInterrupt) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{18, 8, 4}));
    b.m().cycles = 1000;
    WriteAll(b, {{0xE000, 4}, {0xE001, 3}, {0xF000, 1}, {0xF001, 5}});
    b.m().cycles = 1100;
    b.m().irqPending = 1;
    b.console.mapper->IrqTimeReached();
    EXPECT_EQ(b.m().boardIrqTime, 0u);
    // The base went back to 0 and the mode was cleared: a snapshot and a
    // fresh $F001 both count from cycle 0 of the frame.
    std::vector<uint8_t> bytes = SaveBoard(b);
    BoardConsole restored;
    ASSERT_TRUE(restored.Load(InesLayout{18, 8, 4}));
    MemoryStream stream(bytes);
    ASSERT_TRUE(restored.console.mapper->LoadState(stream, OldFormatImage{}, 0));
    EXPECT_EQ(restored.m().boardIrqTime, 0u);
    b.console.WriteByte(0xF001, 5);
    EXPECT_EQ(b.m().boardIrqTime, 0x34u);
}

TEST(ChipBoards, Mapper18SnapshotRecomputesTheDeadline) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{18, 8, 4}));
    b.m().cycles = 1000;
    WriteAll(b, {{0xE000, 4}, {0xE001, 3}, {0xE002, 2}, {0xF000, 1}, {0xF001, 3}});
    std::vector<uint8_t> bytes = SaveBoard(b);
    BoardConsole restored;
    ASSERT_TRUE(restored.Load(InesLayout{18, 8, 4}));
    MemoryStream stream(bytes);
    ASSERT_TRUE(restored.console.mapper->LoadState(stream, OldFormatImage{}, 0));
    EXPECT_EQ(restored.m().boardIrqTime, 1000u + 0x234u);
}

// Boards that want a single interrupt clear their deadline when it fires.
TEST(ChipBoards, FiredInterruptsAreOneShot) {
    const std::vector<IrqCase>& cases = IrqCases();
    for (const IrqCase& c : cases) {
        if (c.deadline == 0 || c.mapper == 65) continue;
        BoardConsole b;
        ASSERT_TRUE(b.Load(InesLayout{c.mapper, 8, 4}));
        b.m().cycles = c.cycles;
        WriteAll(b, c.writes);
        b.m().cycles = c.deadline + 1;
        b.m().irqPending = 1;
        b.console.mapper->IrqTimeReached();
        EXPECT_EQ(b.m().boardIrqTime, 0u) << c.name;
        EXPECT_EQ(b.m().irqPending, 1) << c.name;
        // The fired state survives a snapshot.
        std::vector<uint8_t> bytes = SaveBoard(b);
        BoardConsole restored;
        ASSERT_TRUE(restored.Load(InesLayout{c.mapper, 8, 4}));
        MemoryStream stream(bytes);
        ASSERT_TRUE(restored.console.mapper->LoadState(stream, OldFormatImage{}, 0));
        EXPECT_EQ(SaveBoard(restored), bytes) << c.name;
    }
}

// A program that counts its interrupts in $00-$01: at $E000 CLI and a loop;
// the handler at $E020 counts, runs `acknowledge`, and returns.
void PlaceCounterProgram(BoardConsole& b, const std::vector<uint8_t>& acknowledge) {
    uint8_t* last = b.m().prgPages[b.m().prgPageCount - 1];
    const uint8_t loop[] = {0x58, 0x4C, 0x01, 0xE0};
    std::copy(std::begin(loop), std::end(loop), last);
    std::vector<uint8_t> handler = {0xE6, 0x00, 0xD0, 0x02, 0xE6, 0x01};
    handler.insert(handler.end(), acknowledge.begin(), acknowledge.end());
    handler.push_back(0x40);
    std::copy(handler.begin(), handler.end(), last + 0x20);
    last[0x1FFC] = 0x00, last[0x1FFD] = 0xE0;
    last[0x1FFE] = 0x20, last[0x1FFF] = 0xE0;
    b.console.SoftReset();
}

int Interrupts(BoardConsole& b) { return b.m().ram[0] | b.m().ram[1] << 8; }

TEST(ChipBoards, OneInterruptPerArmingWhileTheFrameRuns) {
    struct RunCase {
        uint32_t mapper;
        Writes arm;
    };
    const std::vector<RunCase> cases = {
        {18, {{0xE000, 8}, {0xE001, 0xE}, {0xE002, 3}, {0xF000, 1}, {0xF001, 1}}},
        {48, {{0xC000, 0xF0}, {0xC002, 0}}},
        {67, {{0xC800, 20}, {0xD800, 0x10}}},
        {69, {{0x8000, 14}, {0xA000, 0x00}, {0x8000, 15}, {0xA000, 0x10}, {0x8000, 13}, {0xA000, 0x81}}},
        {40, {{0xA000, 0}}},
    };
    for (const RunCase& c : cases) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(InesLayout{c.mapper, 8, 4}));
        PlaceCounterProgram(b, {});
        WriteAll(b, c.arm);
        b.console.cpu.Run(RunMode::RunToFrameEnd);
        EXPECT_EQ(Interrupts(b), 1) << "mapper " << c.mapper;
        b.console.cpu.Run(RunMode::RunToFrameEnd);
        EXPECT_EQ(Interrupts(b), 1) << "mapper " << c.mapper;
        EXPECT_TRUE(b.host.messages.empty()) << "mapper " << c.mapper;
    }
}

TEST(ChipBoards, Mapper65RaisesTheLineUntilAcknowledged) {
    // A handler that leaves the timer alone is entered again after every RTI.
    BoardConsole ignoring;
    ASSERT_TRUE(ignoring.Load(InesLayout{65, 8, 4}));
    PlaceCounterProgram(ignoring, {});
    WriteAll(ignoring, {{0x9005, 1}, {0x9003, 0x80}});
    ignoring.console.cpu.Run(RunMode::RunToFrameEnd);
    EXPECT_GT(Interrupts(ignoring), 100);
    EXPECT_NE(ignoring.m().boardIrqTime, 0u) << "the deadline stays set";

    // LDA #0, STA $9003 in the handler: one interrupt.
    BoardConsole acknowledging;
    ASSERT_TRUE(acknowledging.Load(InesLayout{65, 8, 4}));
    PlaceCounterProgram(acknowledging, {0xA9, 0x00, 0x8D, 0x03, 0x90});
    WriteAll(acknowledging, {{0x9005, 1}, {0x9003, 0x80}});
    acknowledging.console.cpu.Run(RunMode::RunToFrameEnd);
    EXPECT_EQ(Interrupts(acknowledging), 1);
    EXPECT_EQ(acknowledging.m().boardIrqTime, 0u);
}

// RAM and ROM at $6000-$7FFF -------------------------------------------------

TEST(ChipBoards, Mapper18RamControl) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{18, 8, 4}));
    EXPECT_EQ(b.console.mapper->sramEnabled, 1);
    b.console.WriteByte(0x6000, 0x5A);
    b.console.WriteByte(0x9002, 1);
    EXPECT_EQ(b.console.mapper->sramEnabled, 0);
    EXPECT_EQ(b.console.ReadByte(0x6000), 0);
    b.console.WriteByte(0x6000, 0x11);
    b.console.WriteByte(0x9002, 0);
    EXPECT_EQ(b.console.mapper->sramEnabled, 1);
    EXPECT_EQ(b.console.ReadByte(0x6000), 0x5A);
}

TEST(ChipBoards, RamEnabledAtConstruction) {
    struct RamCase {
        uint32_t mapper;
        uint8_t flags6;
        uint8_t sramEnabled;
    };
    const RamCase cases[] = {
        {18, 0, 1}, {32, 0, 1}, {69, 0, 1}, {33, 0, 0}, {33, 2, 1}, {48, 2, 1},
        {65, 0, 0}, {65, 2, 1}, {67, 0, 0}, {67, 2, 1}, {80, 2, 0}, {40, 2, 0},
    };
    for (const RamCase& c : cases) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(InesLayout{c.mapper, 8, 4, c.flags6}));
        EXPECT_EQ(b.console.mapper->sramEnabled, c.sramEnabled) << "mapper " << c.mapper;
        EXPECT_EQ(b.console.mapper->batteryBacked, (c.flags6 & 2) ? 1 : 0) << "mapper " << c.mapper;
        EXPECT_EQ(b.console.mapper->hasExpansionSound, 0) << "mapper " << c.mapper;
    }
}

TEST(ChipBoards, Fme7ShowsRomAtLowAddressesWithoutLosingTheRam) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{69, 8, 4}));
    b.console.WriteByte(0x6000, 0xAB);
    b.console.WriteByte(0x8000, 8);
    b.console.WriteByte(0xA000, 3);
    EXPECT_EQ(b.console.ReadByte(0x6000), 3) << "PRG page 3";
    EXPECT_EQ(b.console.ReadByte(0x7FFD), 0x80);
    b.console.WriteByte(0x6000, 0x77);  // ROM: the write goes nowhere
    EXPECT_EQ(b.console.ReadByte(0x6000), 3);
    b.console.WriteByte(0xA000, 0x53);  // $40 is not RAM; 83 wraps to page 3
    EXPECT_EQ(b.console.ReadByte(0x6000), 3);

    // A snapshot taken while ROM shows brings the ROM back.
    std::vector<uint8_t> bytes = SaveBoard(b);
    BoardConsole restored;
    ASSERT_TRUE(restored.Load(InesLayout{69, 8, 4}));
    MemoryStream stream(bytes);
    ASSERT_TRUE(restored.console.mapper->LoadState(stream, OldFormatImage{}, 0));
    EXPECT_EQ(restored.console.ReadByte(0x6000), 3);

    b.console.WriteByte(0xA000, 0xC0);
    EXPECT_EQ(b.console.mapper->sramEnabled, 1);
    EXPECT_EQ(b.console.ReadByte(0x6000), 0xAB);
}

TEST(ChipBoards, Mapper40ShowsPage6AtLowAddresses) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{40, 4, 1}));
    EXPECT_EQ(b.console.ReadByte(0x6000), 6);
    EXPECT_EQ(b.console.ReadByte(0x7FFD), 0x80);
    b.console.WriteByte(0x6000, 0x11);
    EXPECT_EQ(b.console.ReadByte(0x6000), 6) << "ROM";
    // Clearing the cartridge RAM (all reset, a new battery save) leaves it.
    b.console.AllReset();
    EXPECT_EQ(b.console.ReadByte(0x6000), 6);

    BoardConsole small;
    ASSERT_TRUE(small.Load(InesLayout{40, 2, 1}));
    EXPECT_EQ(small.console.ReadByte(0x6000), 2) << "page 6 modulo 4";
    EXPECT_EQ(small.console.mapper->chrWritable, 1);
}

TEST(ChipBoards, TaitoX1005RamAndReads) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{80, 8, 4}));
    b.console.WriteByte(0x7F00, 0x12);
    b.console.WriteByte(0x7FFF, 0x34);
    EXPECT_EQ(b.console.ReadByte(0x7F00), 0x12);
    EXPECT_EQ(b.console.ReadByte(0x7FFF), 0x34);
    b.console.WriteByte(0x7EF0, 5);
    EXPECT_EQ(b.console.ReadByte(0x7EF0), 0);
    EXPECT_EQ(b.console.ReadByte(0x6000), 0);
    EXPECT_EQ(b.console.ReadByte(0x5000), 0);
}

// Every number of the family builds its board and runs a frame.
TEST(ChipBoards, EveryNumberRunsATinyProgram) {
    for (uint32_t mapper : {18u, 32u, 33u, 40u, 48u, 65u, 67u, 69u, 80u}) {
        for (uint8_t prgUnits : {uint8_t{1}, uint8_t{8}}) {
            BoardConsole b;
            ASSERT_TRUE(b.Load(InesLayout{mapper, prgUnits, 1})) << mapper;
            EXPECT_EQ(b.console.mapper->mapperNumber, mapper);
            PlaceCounterProgram(b, {});
            b.console.cpu.Run(RunMode::RunToFrameEnd);
            b.console.cpu.Run(RunMode::RunToFrameEnd);
            EXPECT_TRUE(b.host.messages.empty()) << mapper;
            EXPECT_EQ(Interrupts(b), 0) << mapper;
        }
    }
}

}  // namespace
}  // namespace korvanta::test
