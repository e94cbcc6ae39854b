// The J.Y. Company board (mapper 90): PRG and CHR modes with their outer
// banks, ROM at $6000, the multiplier, name tables from CHR ROM, the line
// interrupt in cycles, and snapshots that rebuild all of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <utility>

#include "mapper_fixture.h"
#include "media/snapshot.h"
#include "save_fixture.h"

namespace korvanta::test {
namespace {

// 256 KB PRG (32 pages) and 128 KB CHR (128 pages) unless named.
constexpr InesLayout kImage{90, 16, 16};
constexpr InesLayout kPrg1M{90, 64, 16};    // 128 PRG pages: two outer banks
constexpr InesLayout kPrg768K{90, 48, 16};  // 96 PRG pages: outer banks 2 and 3 lie outside
constexpr InesLayout kPrg512K{90, 32, 16};  // 64 PRG pages: no outer bank
constexpr InesLayout kPrg16K{90, 1, 16};
constexpr InesLayout kChr512K{90, 16, 64};  // 512 CHR pages: no outer bank
constexpr InesLayout kChr1M{90, 16, 128};   // 1024 CHR pages: four outer banks

const std::vector<WindowCase>& BankCases() {
    static const std::vector<WindowCase> cases = {
        {"power-on: last 32 KB, CHR bank 0", kImage, {}, {28, 29, 30, 31}, {0, 1, 2, 3, 4, 5, 6, 7}, kAny},
        // PRG modes.
        {"mode 0 ignores the PRG registers", kImage, {{0x8000, 1}, {0x8001, 2}, {0x8003, 3}}, {28, 29, 30, 31},
         kChrAny, kAny},
        {"mode 1: 16 KB from $8001, last 16 KB fixed", kImage, {{0xD000, 1}, {0x8000, 9}, {0x8001, 5}},
         {10, 11, 30, 31}, kChrAny, kAny},
        {"mode 1 wraps", kImage, {{0xD000, 1}, {0x8001, 20}}, {8, 9, 30, 31}, kChrAny, kAny},
        {"mode 2: 8 KB pages, last fixed", kImage,
         {{0xD000, 2}, {0x8000, 3}, {0x8001, 7}, {0x8002, 40}, {0x8003, 9}}, {3, 7, 8, 31}, kChrAny, kAny},
        {"mode 2 with bit 2: $8003 at $E000", kImage, {{0xD000, 0x06}, {0x8003, 9}}, {28, 29, 30, 9}, kChrAny,
         kAny},
        {"decoder ignores the middle bits", kImage, {{0xDFF8, 2}, {0x8FF9, 4}}, {28, 4, 30, 31}, kChrAny, kAny},
        // Outer PRG bank.
        {"1 MB image starts in outer bank 0", kPrg1M, {}, {60, 61, 62, 63}, kChrAny, kAny},
        {"outer bank 1 in mode 0", kPrg1M, {{0xD003, 0x02}}, {124, 125, 126, 127}, kChrAny, kAny},
        {"outer bank 1 in mode 2", kPrg1M, {{0xD003, 0x02}, {0xD000, 2}, {0x8000, 5}}, {69, 125, 126, 127},
         kChrAny, kAny},
        {"outer bank bits 0 and 3-4 do not move PRG", kPrg1M, {{0xD003, 0x19}}, {60, 61, 62, 63}, kChrAny, kAny},
        {"64 pages ignore the outer bank", kPrg512K, {{0xD003, 0x06}}, {60, 61, 62, 63}, kChrAny, kAny},
        {"an outer bank beyond the image wraps", kPrg768K, {{0xD003, 0x06}}, {60, 61, 62, 63}, kChrAny, kAny},
        {"16 KB image shown twice in mode 0", kPrg16K, {}, {0, 1, 0, 1}, kChrAny, kAny},
        {"16 KB image in mode 1", kPrg16K, {{0xD000, 1}, {0x8001, 3}}, {0, 1, 0, 1}, kChrAny, kAny},
        // CHR modes.
        {"CHR 8 KB", kImage, {{0x9000, 3}}, kPrgAny, {24, 25, 26, 27, 28, 29, 30, 31}, kAny},
        {"CHR 8 KB wraps", kImage, {{0x9000, 17}}, kPrgAny, {8, 9, 10, 11, 12, 13, 14, 15}, kAny},
        {"CHR 8 KB ignores the other registers", kImage, {{0x9001, 3}, {0xA000, 1}}, kPrgAny,
         {0, 1, 2, 3, 4, 5, 6, 7}, kAny},
        {"CHR 4 KB", kImage, {{0xD000, 0x08}, {0x9000, 5}, {0x9001, 1}, {0x9004, 7}}, kPrgAny,
         {20, 21, 22, 23, 28, 29, 30, 31}, kAny},
        {"CHR 2 KB", kImage, {{0xD000, 0x10}, {0x9000, 1}, {0x9002, 2}, {0x9004, 3}, {0x9006, 63}, {0x9001, 9}},
         kPrgAny, {2, 3, 4, 5, 6, 7, 126, 127}, kAny},
        {"CHR 1 KB with high bytes", kChr512K,
         {{0xD000, 0x18}, {0x9000, 10}, {0x9001, 11}, {0x9002, 12}, {0x9003, 13}, {0x9004, 14}, {0x9005, 15},
          {0x9006, 16}, {0x9007, 3}, {0xA007, 1}, {0xA000, 2}},
         kPrgAny, {10, 11, 12, 13, 14, 15, 16, 259}, kAny},
        {"CHR 1 KB wraps", kImage, {{0xD000, 0x18}, {0x9000, 5}, {0xA000, 1}}, kPrgAny, {5, 0, 0, 0, 0, 0, 0, 0},
         kAny},
        // Outer CHR bank: bit 0 and bits 3-4.
        {"CHR outer bank 1", kChr1M, {{0xD003, 0x01}}, kPrgAny, {256, 257, 258, 259, 260, 261, 262, 263}, kAny},
        {"CHR outer bank 3", kChr1M, {{0xD003, 0x09}, {0x9000, 33}}, kPrgAny,
         {776, 777, 778, 779, 780, 781, 782, 783}, kAny},
        {"CHR outer bank keeps the 1 KB registers inside 256 pages", kChr1M,
         {{0xD003, 0x01}, {0xD000, 0x18}, {0xA000, 1}, {0x9000, 4}}, kPrgAny,
         {260, 256, 256, 256, kAny, kAny, kAny, kAny}, kAny},
        {"CHR outer bank beyond the image wraps", kChr1M, {{0xD003, 0x10}}, kPrgAny, {0, 1, 2, 3, 4, 5, 6, 7}, kAny},
        {"512 CHR pages ignore the outer bank", kChr512K, {{0xD003, 0x19}}, kPrgAny, {0, 1, 2, 3, 4, 5, 6, 7},
         kAny},
        // Mirroring.
        {"$D001 0 vertical", kImage, {{0xD001, 1}, {0xD001, 0}}, kPrgAny, kChrAny, 1},
        {"$D001 1 horizontal", kImage, {{0xD001, 1}}, kPrgAny, kChrAny, 2},
        {"$D001 2 single page", kImage, {{0xD001, 2}}, kPrgAny, kChrAny, 0},
        {"$D001 3 single page", kImage, {{0xD001, 0xFF}}, kPrgAny, kChrAny, 0},
        {"$D000 applies the stored mirroring", kImage, {{0xD001, 1}, {0xD000, 0}}, kPrgAny, kChrAny, 2},
    };
    return cases;
}

TEST(Mapper90, BankingModes) {
    for (const WindowCase& c : BankCases()) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(c.image)) << c.name;
        WriteAll(b, c.writes);
        ExpectWindows(b, c.name, c.prg, c.chr, c.mirroring);
        EXPECT_TRUE(b.host.messages.empty()) << c.name;
    }
}

TEST(Mapper90, UnsupportedPrgModeOnlyReports) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    WriteAll(b, {{0xD000, 2}, {0x8000, 1}, {0x8001, 2}, {0x8002, 3}});
    WriteAll(b, {{0xD000, 3}, {0x8000, 7}});
    ExpectWindows(b, "mode 3", {1, 2, 3, 31}, kChrAny, kAny);
    ASSERT_EQ(b.host.messages.size(), 2u) << "every application of PRG in mode 3";
    EXPECT_EQ(b.host.messages[0].text, "??? 8kBank Reverse");
}

// Mode 2 without bit 2 shows page $8003 at $6000-$7FFF when bit 7 is set;
// the cartridge RAM is back, unchanged, as soon as it is not.
TEST(Mapper90, RomAt6000KeepsTheRam) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    b.console.WriteByte(0x6000, 0x55);
    WriteAll(b, {{0xD000, 0x82}, {0x8003, 5}});
    EXPECT_EQ(b.console.ReadByte(0x6000), 5);
    b.console.WriteByte(0x6000, 0x99);
    EXPECT_EQ(b.console.ReadByte(0x6000), 5) << "ROM is not written";
    WriteAll(b, {{0x8003, 37}});
    EXPECT_EQ(b.console.ReadByte(0x6000), 5) << "37 mod 32";

    const std::pair<uint8_t, const char*> ramModes[] = {
        {0x86, "bit 2 wins over bit 7"}, {0x02, "bit 7 clear"}, {0x80, "mode 0"}, {0x81, "mode 1"}};
    for (auto [control, name] : ramModes) {
        WriteAll(b, {{0xD000, 0x82}, {0xD000, control}});
        EXPECT_EQ(b.console.ReadByte(0x6000), 0x55) << name;
        EXPECT_EQ(b.m().sram[0], 0x55) << name;
    }
}

TEST(Mapper90, RomAt6000FollowsTheOuterBank) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kPrg1M));
    WriteAll(b, {{0xD003, 0x02}, {0xD000, 0x82}, {0x8003, 3}});
    EXPECT_EQ(b.console.ReadByte(0x6000), 67);
}

TEST(Mapper90, Multiplier) {
    const struct {
        uint8_t a, b, low;
    } cases[] = {{20, 13, 4}, {255, 255, 1}, {0, 200, 0}, {16, 16, 0}, {3, 7, 21}};
    for (const auto& c : cases) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(kImage));
        WriteAll(b, {{0x5000, c.a}, {0x5001, c.b}});
        EXPECT_EQ(b.console.ReadByte(0x5000), c.low) << int{c.a} << " x " << int{c.b};
        EXPECT_EQ(b.console.ReadByte(0x5001), 0) << "no high byte";
        EXPECT_EQ(b.console.ReadByte(0x5FF8), c.low) << "decoded on $F007";
    }
}

// The attribute cache a name-table page should have.
std::array<uint8_t, 1024> CacheOf(const uint8_t* page) {
    std::array<uint8_t, 1024> cache{};
    Ppu::RebuildAttributeCache(page, cache.data());
    return cache;
}

std::array<uint8_t, 1024> Window(const uint8_t* page) {
    std::array<uint8_t, 1024> bytes{};
    std::copy(page, page + 1024, bytes.begin());
    return bytes;
}

TEST(Mapper90, NameTablesFromChrRom) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kChr512K));
    for (uint32_t p = 0; p < 8; ++p) std::fill_n(b.m().chrPages[p] + 0x3C0, 64, static_cast<uint8_t>(0x1B * p));
    std::fill_n(b.m().chrPages[259] + 0x3C0, 64, uint8_t{0xE4});
    WriteAll(b, {{0xD001, 1}, {0xD000, 0x20}, {0xB000, 5}, {0xB001, 6}, {0xB002, 3}, {0xB006, 1}, {0xB003, 3}});
    const uint32_t expected[4] = {5, 6, 259, 3};
    for (int j = 0; j < 4; ++j) {
        const uint8_t* page = b.m().chrPages[expected[j]];
        EXPECT_EQ(b.ppu().nameTable[j], page) << j;
        EXPECT_EQ(Window(b.ppu().attributeCacheWindow[j]), CacheOf(page)) << j;
    }
    // The mirroring register is only stored, the outer CHR bank left out.
    WriteAll(b, {{0xD001, 0}, {0xD003, 0x19}});
    EXPECT_EQ(b.ppu().nameTable[0], b.m().chrPages[5]);
    EXPECT_EQ(b.ppu().nameTable[2], b.m().chrPages[259]);
}

TEST(Mapper90, NameTablePagesWrapAndIgnoreTheOuterBank) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kChr1M));
    WriteAll(b, {{0xD003, 0x01}, {0xD000, 0x20}, {0xB000, 9}, {0xB005, 5}, {0xB001, 2}});
    EXPECT_EQ(b.ppu().nameTable[0], b.m().chrPages[9]);
    EXPECT_EQ(b.ppu().nameTable[1], b.m().chrPages[(5 * 256 + 2) % 1024]);
}

// Pages 0-3 in order with the high bytes 0 hand the name tables back to the
// console's RAM and to the stored mirroring.
TEST(Mapper90, IdentityNameTablesSwitchRomOff) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    WriteAll(b, {{0xD000, 0x20}, {0xB000, 4}, {0xD001, 1}});
    EXPECT_EQ(b.ppu().nameTable[0], b.m().chrPages[4]);
    WriteAll(b, {{0xB000, 0}, {0xB001, 1}, {0xB002, 2}});
    EXPECT_EQ(b.ppu().nameTable[0], b.m().chrPages[0]) << "not yet all four";
    WriteAll(b, {{0xB003, 3}});
    EXPECT_EQ(b.ppu().mirroring, 2);
    EXPECT_EQ(b.ppu().nameTable[2], &b.ppu().nameTableRam[1024]);
    WriteAll(b, {{0xD001, 0}});
    EXPECT_EQ(b.ppu().mirroring, 1) << "bit 5 of $D000 was cleared";

    // A high byte other than 0 keeps ROM name tables.
    BoardConsole h;
    ASSERT_TRUE(h.Load(kImage));
    WriteAll(h, {{0xD000, 0x20}, {0xB004, 1}, {0xB000, 0}, {0xB001, 1}, {0xB002, 2}, {0xB003, 3}});
    EXPECT_EQ(h.ppu().nameTable[0], h.m().chrPages[0]);
    WriteAll(h, {{0xB004, 0}});
    EXPECT_EQ(h.ppu().nameTable[0], h.m().chrPages[0]) << "only $B000-$B003 writes switch ROM off";
}

// Cycle of the line `lines` ahead, as the board computes it: 113.75 cycles
// per line, line 0 starting at cycle 2388.75.
struct IrqCase {
    const char* name;
    uint32_t cycles;
    uint8_t lines;
    uint32_t deadline;
};

TEST(Mapper90Interrupt, DeadlineInCycles) {
    const IrqCase cases[] = {
        {"vertical blank, 1 line", 100, 1, 2502},
        {"vertical blank, 255 lines", 100, 255, 31394},
        {"just before line 0", 2388, 1, 2502},
        {"first cycle of line 0", 2389, 1, 2502},
        {"line 66, 10 lines", 10000, 10, 11033},
        {"late in the frame, beyond its end", 29000, 200, 51642},
    };
    for (const IrqCase& c : cases) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(kImage));
        b.m().cycles = c.cycles;
        b.m().irqPending = 1;
        b.console.WriteByte(0xC005, c.lines);
        EXPECT_EQ(b.m().boardIrqTime, c.deadline) << c.name;
        EXPECT_EQ(b.m().irqPending, 0) << c.name;
    }
}

TEST(Mapper90Interrupt, AcknowledgeAndCancel) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    // $C003 with no count raises the line at once.
    b.console.WriteByte(0xC003, 0);
    EXPECT_EQ(b.m().irqPending, 1);
    EXPECT_EQ(b.m().boardIrqTime, 0u);

    // $C003 with a count arms like a $C005 write of it.
    b.m().cycles = 10000;
    b.console.WriteByte(0xC005, 10);
    b.m().cycles = 12000;
    b.m().irqPending = 1;
    b.console.WriteByte(0xC003, 0);
    EXPECT_EQ(b.m().boardIrqTime, 13081u);  // line 84 + 10 lines
    EXPECT_EQ(b.m().irqPending, 0);

    // $C005 = 0 cancels the deadline and drops the line.
    b.m().irqPending = 1;
    b.console.WriteByte(0xC005, 0);
    EXPECT_EQ(b.m().boardIrqTime, 0u);
    EXPECT_EQ(b.m().irqPending, 0);

    // $C002 cancels and acknowledges too.
    b.console.WriteByte(0xC005, 3);
    b.m().irqPending = 1;
    b.console.WriteByte(0xC002, 0);
    EXPECT_EQ(b.m().boardIrqTime, 0u);
    EXPECT_EQ(b.m().irqPending, 0);

    // Other counter registers are only stored.
    b.console.WriteByte(0xC005, 3);
    const uint32_t armed = b.m().boardIrqTime;
    for (uint16_t a : {0xC000, 0xC001, 0xC004, 0xC006, 0xC007}) b.console.WriteByte(a, 0xFF);
    EXPECT_EQ(b.m().boardIrqTime, armed);

    // Reaching the deadline fires once and clears the count, so a following
    // $C003 raises the line at once.
    b.m().cycles = armed + 1;
    b.m().irqPending = 1;
    b.console.mapper->IrqTimeReached();
    EXPECT_EQ(b.m().boardIrqTime, 0u);
    b.m().irqPending = 0;
    b.console.WriteByte(0xC003, 0);
    EXPECT_EQ(b.m().irqPending, 1);
    EXPECT_EQ(b.m().boardIrqTime, 0u);
}

// $8000: CLI, then loop; the IRQ handler increments $00, acknowledges and
// returns.
void PlaceCounterProgram(BoardConsole& b) {
    uint8_t* first = b.m().prgPages[28];  // at $8000 after loading
    const uint8_t code[] = {0x58, 0x4C, 0x01, 0x80};
    std::copy(std::begin(code), std::end(code), first);
    const uint8_t handler[] = {0xE6, 0x00, 0x8D, 0x02, 0xC0, 0x40};  // INC $00; STA $C002; RTI
    std::copy(std::begin(handler), std::end(handler), first + 0x10);
    uint8_t* last = b.m().prgPages[31];
    last[0x1FFC] = 0x00, last[0x1FFD] = 0x80;
    last[0x1FFE] = 0x10, last[0x1FFF] = 0x80;
}

TEST(Mapper90Interrupt, FiresOnceWhileTheFrameRuns) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    PlaceCounterProgram(b);
    b.console.SoftReset();
    b.console.WriteByte(0xC005, 100);
    b.console.cpu.Run(RunMode::RunToFrameEnd);
    EXPECT_EQ(b.m().ram[0], 1);
    b.console.cpu.Run(RunMode::RunToFrameEnd);
    EXPECT_EQ(b.m().ram[0], 1) << "one interrupt per arming";
    EXPECT_TRUE(b.host.messages.empty());
}

// Loads `saved`'s board state into a fresh console whose windows all show
// page 0, so every window must come back from the registers.
void RoundTrip(BoardConsole& saved, BoardConsole& restored, const InesLayout& image) {
    MemoryStream stream(SaveBoard(saved));
    ASSERT_TRUE(restored.Load(image));
    ClearWindows(restored);
    restored.ppu().SetMirroring(3);
    ASSERT_TRUE(restored.console.mapper->LoadState(stream, OldFormatImage{}, 0));
}

// What each name-table window shows: the console's page 0-3, 100 + a CHR
// page, or -1.
std::array<int, 4> NameTables(Console& console) {
    std::array<int, 4> ids{};
    const uint8_t* ram = console.ppu.nameTableRam.data();
    const uint8_t* chr = console.machine.chrStorage.data();
    for (int j = 0; j < 4; ++j) {
        const uint8_t* p = console.ppu.nameTable[j];
        if (p >= ram && p < ram + console.ppu.nameTableRam.size())
            ids[j] = static_cast<int>((p - ram) / 1024);
        else if (p >= chr && p < chr + console.machine.chrStorage.size())
            ids[j] = 100 + static_cast<int>((p - chr) / 1024);
        else
            ids[j] = -1;
    }
    return ids;
}

struct SnapshotCase {
    const char* name;
    InesLayout image;
    Writes writes;
};

TEST(Mapper90, SnapshotRebuildsEverything) {
    const SnapshotCase cases[] = {
        {"mode 2, ROM at $6000, CHR 1 KB, ROM name tables",
         kChr1M,
         {{0xD003, 0x09}, {0xD000, 0xBA}, {0x8000, 1}, {0x8001, 2}, {0x8002, 3}, {0x8003, 4}, {0x9000, 5},
          {0x9001, 6}, {0x9002, 7}, {0x9003, 8}, {0x9004, 9}, {0x9005, 10}, {0x9006, 11}, {0x9007, 12}, {0xA003, 1},
          {0xB000, 20}, {0xB001, 21}, {0xB002, 22}, {0xB003, 23}, {0xB007, 2}, {0x5000, 20}, {0x5001, 13},
          {0xD002, 7}}},
        {"mode 1, CHR 2 KB, horizontal", kPrg1M,
         {{0xD003, 0x02}, {0xD000, 0x11}, {0x8001, 7}, {0x9000, 3}, {0x9002, 4}, {0x9004, 5}, {0x9006, 6},
          {0xD001, 1}, {0x5000, 3}, {0x5001, 7}}},
        {"mode 2 with bit 2, CHR 4 KB, single page", kImage,
         {{0xD000, 0x0E}, {0x8000, 8}, {0x8001, 9}, {0x8002, 10}, {0x8003, 11}, {0x9000, 2}, {0x9004, 3},
          {0xD001, 2}}},
    };
    for (const SnapshotCase& c : cases) {
        BoardConsole saved, restored;
        ASSERT_TRUE(saved.Load(c.image)) << c.name;
        WriteAll(saved, c.writes);
        saved.console.WriteByte(0xC005, 40);
        RoundTrip(saved, restored, c.image);
        EXPECT_EQ(restored.PrgWindows(), saved.PrgWindows()) << c.name;
        EXPECT_EQ(restored.ChrWindows(), saved.ChrWindows()) << c.name;
        EXPECT_EQ(NameTables(restored.console), NameTables(saved.console)) << c.name;
        for (int j = 0; j < 4; ++j)
            EXPECT_EQ(Window(restored.ppu().attributeCacheWindow[j]), Window(saved.ppu().attributeCacheWindow[j]))
                << c.name << " " << j;
        for (uint16_t a : {0x5000, 0x6000, 0x6001})
            EXPECT_EQ(restored.console.ReadByte(a), saved.console.ReadByte(a)) << c.name << " " << a;
        // The stored line count comes back: $C003 arms with it.
        restored.m().cycles = saved.m().cycles = 5000;
        restored.console.WriteByte(0xC003, 0);
        saved.console.WriteByte(0xC003, 0);
        EXPECT_EQ(restored.m().boardIrqTime, saved.m().boardIrqTime) << c.name;
        EXPECT_NE(restored.m().boardIrqTime, 0u) << c.name;
        // The control and mirroring registers come back too.
        restored.console.WriteByte(0xB000, 0);
        saved.console.WriteByte(0xB000, 0);
        EXPECT_EQ(NameTables(restored.console), NameTables(saved.console)) << c.name;
    }
}

// The whole quick save and load: the picture unit's own state is restored
// around the board's, and the board's name tables from CHR ROM stand.
TEST(Mapper90, QuickLoadKeepsRomNameTables) {
    ScratchDir dir;
    RunningGame run;
    ASSERT_TRUE(run.Open(dir.Write("game.nes", MakeInes(kChr512K))));
    Console& c = run.console;
    run.Run(2);
    const Writes state = {{0xD000, 0xBA}, {0x8003, 4}, {0x9000, 9}, {0xA007, 1}, {0xB000, 20},
                          {0xB001, 21}, {0xB002, 22}, {0xB003, 23}, {0xB007, 1}, {0xD001, 1}};
    for (auto [address, value] : state) c.WriteByte(address, value);
    const auto prg = c.machine.prgWindow;
    const auto chr = c.ppu.chrWindow;
    const auto tables = NameTables(c);
    ASSERT_EQ(tables, (std::array<int, 4>{120, 121, 122, 123 + 256}));
    c.game.snapshotSlot = 3;
    SaveOptions options;
    ASSERT_TRUE(QuickSave(c, options));

    const Writes changes = {{0xD000, 0x00}, {0x9000, 3}, {0xD001, 0}, {0xD003, 0x1F}};
    for (auto [address, value] : changes) c.WriteByte(address, value);
    ASSERT_TRUE(QuickLoad(c, options));
    EXPECT_EQ(c.machine.prgWindow, prg);
    EXPECT_EQ(c.ppu.chrWindow, chr);
    EXPECT_EQ(NameTables(c), tables);
    EXPECT_EQ(c.ReadByte(0x6000), 4);
    EXPECT_TRUE(run.host.messages.empty());
}

}  // namespace
}  // namespace korvanta::test
