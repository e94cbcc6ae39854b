// The Bandai board (mapper 16): windows after register writes, the cycle
// timer, the serial EEPROM protocol, barcode playback, the board menu and
// snapshots of all of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <iterator>
#include <optional>
#include <utility>

#include "input/barcode.h"
#include "mapper_fixture.h"
#include "mappers/bandai.h"

namespace korvanta::test {
namespace {

constexpr std::array<int, 8> kChrAny = {kAny, kAny, kAny, kAny, kAny, kAny, kAny, kAny};
constexpr std::array<int, 4> kPrgAny = {kAny, kAny, kAny, kAny};
constexpr std::array<int, 8> kChrLoaded = {24, 25, 26, 27, 28, 29, 30, 31};
const InesLayout kImage{16, 8, 4};  // 16 PRG pages, 32 CHR pages

BandaiBoard& Board(BoardConsole& b) { return static_cast<BandaiBoard&>(*b.console.mapper); }

struct WindowCase {
    const char* name;
    Writes writes;
    std::array<int, 4> prg;
    std::array<int, 8> chr;
    int mirroring;
};

const std::vector<WindowCase>& WindowCases() {
    static const std::vector<WindowCase> cases = {
        {"starts on the last four pages", {}, {12, 13, 14, 15}, kChrLoaded, kAny},
        {"all registers",
         {{0x8000, 1}, {0x8001, 2}, {0x8002, 3}, {0x8003, 4}, {0x8004, 5}, {0x8005, 6}, {0x8006, 7}, {0x8007, 40},
          {0x8008, 3}, {0x8009, 1}},
         {6, 7, 14, 15}, {1, 2, 3, 4, 5, 6, 7, 8}, 2},
        {"registers repeat through $6000-$7FFF", {{0x7FF8, 5}, {0x6013, 9}}, {10, 11, 14, 15},
         {24, 25, 26, 9, 28, 29, 30, 31}, kAny},
        {"$FFF8 acts as $7FF8", {{0xFFF8, 5}}, {10, 11, 14, 15}, kChrLoaded, kAny},
        {"PRG bank wraps", {{0x8008, 9}}, {2, 3, 14, 15}, kChrAny, kAny},
        {"below $6000 nothing", {{0x5FF8, 3}, {0x5FF0, 3}, {0x4020, 1}}, {12, 13, 14, 15}, kChrLoaded, kAny},
        {"E and F nothing", {{0x800E, 3}, {0x800F, 3}}, {12, 13, 14, 15}, kChrLoaded, kAny},
        {"mirroring 0 vertical", {{0x8009, 1}, {0x8009, 0}}, kPrgAny, kChrAny, 1},
        {"mirroring 1 horizontal", {{0x8009, 1}}, kPrgAny, kChrAny, 2},
        {"mirroring 2 single page 0", {{0x8009, 2}}, kPrgAny, kChrAny, 0},
        {"mirroring 3 single page 1", {{0x8009, 3}}, kPrgAny, kChrAny, 4},
        {"mirroring takes bits 0-1", {{0x8009, 0xFE}}, kPrgAny, kChrAny, 0},
    };
    return cases;
}

TEST(Bandai, WritesMoveTheWindows) {
    for (const WindowCase& c : WindowCases()) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(kImage)) << c.name;
        WriteAll(b, c.writes);
        ExpectWindows(b, c.name, c.prg, c.chr, c.mirroring);
    }
}

TEST(Bandai, SameMirroringIsSetAgain) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    b.console.WriteByte(0x8009, 1);
    b.ppu().SetMirroring(3);  // something else moved the layout
    b.console.WriteByte(0x8009, 1);
    EXPECT_EQ(b.ppu().mirroring, 2);
}

bool LoadBoard(BoardConsole& b, const std::vector<uint8_t>& bytes) {
    MemoryStream stream(bytes);
    return b.console.mapper->LoadState(stream, OldFormatImage{}, 0);
}

TEST(Bandai, SnapshotRebuildsTheWindowsAndTimer) {
    const Writes writes = {{0x8000, 1}, {0x8001, 2}, {0x8002, 3},  {0x8003, 4}, {0x8004, 5},
                           {0x8005, 6}, {0x8006, 7}, {0x8007, 40}, {0x8008, 3}, {0x8009, 1},
                           {0x800B, 0x34}, {0x800C, 0x12}, {0x800A, 1}};
    BoardConsole saved;
    ASSERT_TRUE(saved.Load(kImage));
    saved.m().cycles = 500;
    WriteAll(saved, writes);
    std::vector<uint8_t> bytes = SaveBoard(saved);

    BoardConsole restored;
    ASSERT_TRUE(restored.Load(kImage));
    for (auto [address, value] : writes) restored.console.WriteByte(address, value ^ 0x55);
    ASSERT_TRUE(LoadBoard(restored, bytes));
    EXPECT_EQ(restored.PrgWindows(), saved.PrgWindows());
    EXPECT_EQ(restored.ChrWindows(), saved.ChrWindows());
    EXPECT_EQ(SaveBoard(restored), bytes);
    // The registers, not the deadline (that is the Machine's): a write of the
    // latches and register A counts like the saved board's.
    restored.m().cycles = saved.m().cycles = 800;
    restored.console.WriteByte(0x800A, 1);
    saved.console.WriteByte(0x800A, 1);
    EXPECT_EQ(restored.m().boardIrqTime, saved.m().boardIrqTime);
    EXPECT_EQ(restored.m().boardIrqTime, 800u + 0x1234u);
}

TEST(Bandai, DamagedSnapshotStaysInsideTheImage) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{16, 2, 1}));
    for (const StateField& f : b.console.mapper->GetStateTable())
        std::memset(f.destination, 0xEE, f.size);
    std::vector<uint8_t> bytes = SaveBoard(b);
    BoardConsole restored;
    ASSERT_TRUE(restored.Load(InesLayout{16, 2, 1}));
    ASSERT_TRUE(LoadBoard(restored, bytes));
    for (int w = 0; w < 4; ++w) EXPECT_LT(static_cast<unsigned>(restored.Prg(w)), 4u);
    for (int w = 0; w < 8; ++w) EXPECT_LT(static_cast<unsigned>(restored.Chr(w)), 8u);
}

TEST(Bandai, ChrRamIgnoresTheChrRegisters) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{16, 8, 0}));
    const uint8_t* before[8];
    std::copy(std::begin(b.ppu().chrWindow), std::end(b.ppu().chrWindow), before);
    WriteAll(b, {{0x8000, 3}, {0x8007, 1}, {0x8008, 2}});
    std::vector<uint8_t> bytes = SaveBoard(b);
    ASSERT_TRUE(LoadBoard(b, bytes));
    for (int w = 0; w < 8; ++w) EXPECT_EQ(b.ppu().chrWindow[w], before[w]) << w;
    EXPECT_EQ(b.Prg(0), 4);
}

// The timer ---------------------------------------------------------------------

TEST(Bandai, TimerDeadlines) {
    struct Case {
        const char* name;
        Writes writes;
        uint32_t deadline;
    } cases[] = {
        {"count from the latches", {{0x800B, 0x34}, {0x800C, 0x12}, {0x800A, 1}}, 1000 + 0x1234},
        {"latches alone start nothing", {{0x800B, 0x34}, {0x800C, 0x12}}, 0},
        {"latches after the start change nothing", {{0x800B, 0x10}, {0x800A, 1}, {0x800B, 0x34}}, 1000 + 0x10},
        {"bit 0 clear cancels", {{0x800B, 0x34}, {0x800A, 1}, {0x800A, 0xFE}}, 0},
        {"through $6000-$7FFF too", {{0x600B, 0x34}, {0x7FFC, 0x01}, {0x6FFA, 0x03}}, 1000 + 0x134},
    };
    for (const Case& c : cases) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(kImage));
        b.m().cycles = 1000;
        WriteAll(b, c.writes);
        EXPECT_EQ(b.m().boardIrqTime, c.deadline) << c.name;
    }
}

TEST(Bandai, StartKeepsTheLineAndStopClearsIt) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    b.m().irqPending = 1;
    b.console.WriteByte(0x800A, 1);
    EXPECT_EQ(b.m().irqPending, 1);
    b.console.WriteByte(0x800A, 0);
    EXPECT_EQ(b.m().irqPending, 0);
    EXPECT_EQ(b.m().boardIrqTime, 0u);
}

// A program that counts its interrupts in $00-$01: at $E000 CLI and a loop;
// the handler at $E020 counts and returns.
void PlaceCounterProgram(BoardConsole& b) {
    uint8_t* last = b.m().prgPages[b.m().prgPageCount - 1];
    const uint8_t loop[] = {0x58, 0x4C, 0x01, 0xE0};
    const uint8_t handler[] = {0xE6, 0x00, 0xD0, 0x02, 0xE6, 0x01, 0x40};
    std::copy(std::begin(loop), std::end(loop), last);
    std::copy(std::begin(handler), std::end(handler), last + 0x20);
    last[0x1FFC] = 0x00, last[0x1FFD] = 0xE0;
    last[0x1FFE] = 0x20, last[0x1FFF] = 0xE0;
    b.console.SoftReset();
}

int Interrupts(BoardConsole& b) { return b.m().ram[0] | b.m().ram[1] << 8; }

TEST(Bandai, TimerFiresOncePerStart) {
    for (uint8_t low : {uint8_t{0}, uint8_t{0x80}}) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(kImage));
        PlaceCounterProgram(b);
        WriteAll(b, {{0x800B, low}, {0x800C, 0}, {0x800A, 1}});
        // A count of 0 is due after the next instruction.
        if (low == 0) {
            EXPECT_EQ(b.m().boardIrqTime, std::max(b.m().cycles, 1u));
        }
        b.console.cpu.Run(RunMode::RunToFrameEnd);
        EXPECT_EQ(Interrupts(b), 1) << int(low);
        EXPECT_EQ(b.m().boardIrqTime, 0u);
        b.console.cpu.Run(RunMode::RunToFrameEnd);
        EXPECT_EQ(Interrupts(b), 1) << int(low);
        EXPECT_TRUE(b.host.messages.empty());
    }
}

TEST(Bandai, EveryImageSizeRunsATinyProgram) {
    for (uint8_t prgUnits : {uint8_t{1}, uint8_t{2}, uint8_t{16}}) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(InesLayout{16, prgUnits, 1}));
        EXPECT_EQ(b.console.mapper->mapperNumber, 16u);
        PlaceCounterProgram(b);
        b.console.cpu.Run(RunMode::RunToFrameEnd);
        b.console.cpu.Run(RunMode::RunToFrameEnd);
        EXPECT_TRUE(b.host.messages.empty());
        EXPECT_EQ(Interrupts(b), 0);
    }
}

// The EEPROM --------------------------------------------------------------------

void Lines(BoardConsole& b, std::initializer_list<uint8_t> values) {
    for (uint8_t v : values) b.console.WriteByte(0x800D, v);
}

void Start(BoardConsole& b) { Lines(b, {0x00, 0x40, 0x60, 0x20, 0x00}); }

// Eight bits, first bit first.
void SendByte(BoardConsole& b, uint8_t bits) {
    for (int i = 0; i < 8; ++i) {
        if (bits >> i & 1)
            Lines(b, {0x00, 0x40, 0x60, 0x40, 0x00});
        else
            Lines(b, {0x00, 0x20, 0x00});
    }
}

void WriteEeprom(BoardConsole& b, uint8_t address, uint8_t value) {
    Start(b);
    SendByte(b, address);  // bit 7 clear: a write
    SendByte(b, value);
}

// The bits read at $6000 after each clock pulse, first pulse first.
std::vector<int> ReadEeprom(BoardConsole& b, uint8_t address, int pulses) {
    Start(b);
    SendByte(b, static_cast<uint8_t>(address | 0x80));
    std::vector<int> bits;
    for (int i = 0; i < pulses; ++i) {
        Lines(b, {0x60, 0xE0});
        bits.push_back(b.console.ReadByte(0x6000) >> 4 & 1);
    }
    return bits;
}

TEST(Bandai, EepromWriteThenReadBack) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    WriteEeprom(b, 0, 0xA6);
    WriteEeprom(b, 0x45, 0x3C);
    EXPECT_EQ(Board(b).eeprom.eeprom[0], 0xA6);
    EXPECT_EQ(Board(b).eeprom.eeprom[0x45], 0x3C);
    // The byte goes out lowest bit first from the second pulse on.
    EXPECT_EQ(ReadEeprom(b, 0, 9), (std::vector<int>{0, 0, 1, 1, 0, 0, 1, 0, 1}));
    Lines(b, {0x40});  // the stop
    EXPECT_EQ(ReadEeprom(b, 0x45, 9), (std::vector<int>{0, 0, 0, 1, 1, 1, 1, 0, 0}));
    Lines(b, {0x40});
    // Back in the idle state: reads give 0 and a new write works.
    EXPECT_EQ(b.console.ReadByte(0x6000), 0);
    WriteEeprom(b, 0, 0x01);
    EXPECT_EQ(Board(b).eeprom.eeprom[0], 0x01);
}

TEST(Bandai, EepromIgnoresUnknownSequencesAndOtherPorts) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    const auto blank = Board(b).eeprom.eeprom;
    // Lines that match nothing only fill the history.
    for (int i = 0; i < 100; ++i) Lines(b, {0x20, 0x60, 0x40});
    // An address byte cut short by a new start is just more history.
    Start(b);
    SendByte(b, 0x03);
    EXPECT_EQ(Board(b).eeprom.eeprom, blank);
    // Only $xxx0 reads answer.
    ReadEeprom(b, 0, 3);
    EXPECT_EQ(b.console.ReadByte(0x6001), 0);
    EXPECT_EQ(b.console.ReadByte(0x5FF0), 0);
}

TEST(Bandai, EepromIsOutsideSnapshots) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    std::vector<uint8_t> before = SaveBoard(b);
    WriteEeprom(b, 7, 0x5A);
    // Nothing of the EEPROM goes into the board chunk ...
    EXPECT_EQ(SaveBoard(b), before);
    // ... and a snapshot load leaves it as it is; a new board starts blank.
    ASSERT_TRUE(LoadBoard(b, before));
    EXPECT_EQ(Board(b).eeprom.eeprom[7], 0x5A);
    EXPECT_EQ(ReadEeprom(b, 7, 9), (std::vector<int>{0, 0, 1, 0, 1, 1, 0, 1, 0}));
    BoardConsole fresh;
    ASSERT_TRUE(fresh.Load(kImage));
    EXPECT_EQ(Board(fresh).eeprom.eeprom[7], 0xFF);
    EXPECT_EQ(Board(fresh).batteryBacked, 0);
}

// The barcode -------------------------------------------------------------------

struct BarcodeHost : BoardHost {
    std::optional<std::string> EditBarcode(std::string_view) override {
        if (typed.empty()) return std::nullopt;
        std::string next = typed.front();
        typed.pop_front();
        return next;
    }
    std::deque<std::string> typed;
};

struct BarcodeConsole {
    BarcodeHost host;
    Console console{host};
    bool Load(const InesLayout& layout) {
        MemoryStream stream(MakeInes(layout));
        return LoadInes(console, stream, {});
    }
    void Choose(const char* typed) {
        if (typed) host.typed.push_back(typed);
        console.mapper->Message(kMessageMenuCommand, 0);
    }
    int Bit() { return console.ReadByte(0x6000) >> 3 & 1; }
};

TEST(Bandai, BarcodeIsPlayedThroughBit3) {
    BarcodeConsole b;
    ASSERT_TRUE(b.Load(kImage));
    EXPECT_EQ(b.Bit(), 0);
    b.Choose("1234567");
    std::vector<int32_t> modules = *EncodeBarcode("1234567");
    modules.pop_back();
    std::vector<int> expected(5000, 1);
    for (int32_t m : modules) expected.insert(expected.end(), 20, m == 0 ? 1 : 0);
    expected.insert(expected.end(), 5000, 1);
    std::vector<int> read;
    for (size_t i = 0; i < expected.size(); ++i) read.push_back(b.Bit());
    EXPECT_EQ(read, expected);
    // The sending is over.
    EXPECT_FALSE(static_cast<BandaiBoard&>(*b.console.mapper).barcodeReader.ready);
    EXPECT_EQ(b.Bit(), 0);
    EXPECT_EQ(b.console.ReadByte(0x6010) >> 3 & 1, 0);
}

TEST(Bandai, NewCodeRestartsAndCancelStops) {
    BarcodeConsole b;
    ASSERT_TRUE(b.Load(kImage));
    b.Choose("490123456789");
    for (int i = 0; i < 5000 + 20 * 10; ++i) b.Bit();
    // A second code starts again from the lead-in with its own modules.
    b.Choose("1234567");
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(b.Bit(), 1) << i;
    std::vector<int32_t> modules = *EncodeBarcode("1234567");
    for (size_t m = 0; m + 1 < modules.size(); ++m)
        for (int r = 0; r < 20; ++r) ASSERT_EQ(b.Bit(), modules[m] == 0 ? 1 : 0) << m;
    // Opening the dialog and cancelling stops the sending.
    b.Choose(nullptr);
    EXPECT_EQ(b.Bit(), 0);
    // An invalid code shows the message and sends nothing.
    b.host.typed = {"12a4567"};
    b.Choose(nullptr);
    ASSERT_EQ(b.host.messages.size(), 1u);
    EXPECT_EQ(b.host.messages[0].text, "The barcode has invalid value.");
    EXPECT_EQ(b.Bit(), 0);
}

TEST(Bandai, MenuOffersOnlyTheBarcode) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{16, 8, 4, 0, 1}));  // marked VS Unisystem too
    char buffer[kMenuBufferSize] = {};
    b.console.mapper->Message(kMessageMenuItems, reinterpret_cast<intptr_t>(buffer));
    EXPECT_STREQ(buffer, "Read &Barcode");
    EXPECT_EQ(buffer[std::strlen(buffer) + 1], 0);
    // Other codes and items do nothing.
    EXPECT_EQ(b.console.mapper->Message(kMessageMenuCommand, 1), 0);
    EXPECT_EQ(b.console.mapper->Message(12, 0x2000), 0);
}

}  // namespace
}  // namespace korvanta::test
