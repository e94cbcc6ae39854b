// Konami VRC boards (mappers 21-26, 73, 75, 151): bank switching through each
// board's address-line wiring, mirroring, the interrupt counter as a cycle
// target, the VRC6 sound channels measured from the mixed output, and
// snapshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "board_sound_fixture.h"

namespace korvanta::test {
namespace {


// 128 KB PRG (16 pages) and 32 KB CHR (32 pages) unless named; the loader
// starts on PRG pages 12-15, CHR pages 24-31 and horizontal mirroring.
const std::vector<WindowCase>& WindowCases() {
    static const std::vector<WindowCase> cases = {
        // VRC2/VRC4: PRG and mirroring.
        {"23 $8000 masked to the page count", {23, 8, 4}, {{0x8000, 0x13}}, {3, 13, 14, 15}, kChrAny, kAny},
        {"23 $A000", {23, 8, 4}, {{0xA003, 5}}, {12, 5, 14, 15}, kChrAny, kAny},
        {"23 swap puts the register at $C000", {23, 8, 4}, {{0x8000, 3}, {0x9001, 2}}, {14, 13, 3, 15}, kChrAny,
         kAny},
        {"23 $8000 writes follow the swap", {23, 8, 4}, {{0x9001, 2}, {0x8000, 4}}, {14, 13, 4, 15}, kChrAny, kAny},
        {"23 swap back", {23, 8, 4}, {{0x9001, 2}, {0x8000, 4}, {0x9001, 0}}, {4, 13, 14, 15}, kChrAny, kAny},
        {"23 $9000 = 0 vertical", {23, 8, 4}, {{0x9000, 0}}, kPrgAny, kChrAny, 1},
        {"23 $9000 = 1 horizontal", {23, 8, 4, 0x01}, {{0x9000, 1}}, kPrgAny, kChrAny, 2},
        {"23 $9000 = 2 lower screen", {23, 8, 4}, {{0x9000, 2}}, kPrgAny, kChrAny, 0},
        {"23 $9000 = 3 upper screen", {23, 8, 4}, {{0x9000, 0xFF}}, kPrgAny, kChrAny, 4},
        {"23 $9002 and $9008 ignored", {23, 8, 4}, {{0x9002, 0}, {0x9008, 0}, {0x9003, 2}}, {12, 13, 14, 15},
         kChrAny, 2},
        // VRC2/VRC4: CHR nibbles, all eight registers, and each wiring.
        {"23 every CHR register",
         {23, 8, 4},
         {{0xB000, 1}, {0xB002, 2}, {0xC000, 3}, {0xC002, 4}, {0xD000, 5}, {0xD002, 6}, {0xE000, 7}, {0xE002, 8}},
         kPrgAny, {1, 2, 3, 4, 5, 6, 7, 8}, kAny},
        {"23 high nibble over the low", {23, 8, 4}, {{0xB000, 5}, {0xB001, 1}}, kPrgAny,
         {21, 25, 26, 27, 28, 29, 30, 31}, kAny},
        {"23 CHR reduced modulo the page count", {23, 8, 4}, {{0xB001, 3}, {0xB000, 0x15}}, kPrgAny,
         {21, kAny, kAny, kAny, kAny, kAny, kAny, kAny}, kAny},
        {"23 A2/A3 wiring", {23, 8, 4}, {{0xB008, 2}, {0xB00C, 1}, {0xB004, 1}, {0x9004, 2}}, {14, 13, 0, 15},
         {16, 18, 26, 27, 28, 29, 30, 31}, kAny},
        {"25 A1/A0 wiring", {25, 8, 4}, {{0xB001, 2}, {0xB002, 1}, {0xB003, 1}, {0x9002, 2}}, {14, 13, 0, 15},
         {16, 18, 26, 27, 28, 29, 30, 31}, kAny},
        {"25 $8001 is $8002: still PRG", {25, 8, 4}, {{0x8001, 6}}, {6, 13, 14, 15}, kChrAny, kAny},
        {"21 A1/A2 wiring", {21, 8, 4}, {{0xB004, 2}, {0xB002, 1}, {0xB006, 1}, {0x9002, 2}}, {14, 13, 0, 15},
         {16, 18, 26, 27, 28, 29, 30, 31}, kAny},
        {"21 A6/A7 wiring", {21, 8, 4}, {{0xB080, 2}, {0xB040, 1}, {0xB0C0, 1}, {0x9040, 2}}, {14, 13, 0, 15},
         {16, 18, 26, 27, 28, 29, 30, 31}, kAny},
        {"21 $9004 is $9002: ignored", {21, 8, 4}, {{0x9004, 2}, {0x9080, 2}}, {12, 13, 14, 15}, kChrAny, kAny},
        {"22 halves CHR values", {22, 8, 4}, {{0xB000, 7}, {0xB001, 10}, {0xB002, 2}}, kPrgAny,
         {19, 5, 26, 27, 28, 29, 30, 31}, kAny},
        {"22 keeps PRG values", {22, 8, 4}, {{0x8000, 7}, {0x9002, 2}}, {14, 13, 7, 15}, kChrAny, kAny},
        // VRC6.
        {"24 16 KB bank masked", {24, 8, 4}, {{0x8000, 0x0B}}, {6, 7, 14, 15}, kChrAny, kAny},
        {"24 8 KB bank", {24, 8, 4}, {{0xC000, 0x25}}, {12, 13, 5, 15}, kChrAny, kAny},
        {"24 CHR registers",
         {24, 8, 4},
         {{0xD000, 1}, {0xD001, 2}, {0xD002, 3}, {0xD003, 4}, {0xE000, 5}, {0xE001, 6}, {0xE002, 7}, {0xE003, 0x28}},
         kPrgAny, {1, 2, 3, 4, 5, 6, 7, 8}, kAny},
        {"26 exchanges A0 and A1", {26, 8, 4}, {{0xD001, 2}, {0xD002, 1}, {0xE003, 3}}, kPrgAny,
         {24, 1, 2, 27, 28, 29, 30, 3}, kAny},
        {"24 $B003 $20 vertical", {24, 8, 4}, {{0xB003, 0x20}}, kPrgAny, kChrAny, 1},
        {"24 $B003 $24 horizontal", {24, 8, 4, 0x01}, {{0xB003, 0x24}}, kPrgAny, kChrAny, 2},
        {"24 $B003 $84 horizontal (RAM bit)", {24, 8, 4, 0x01}, {{0xB003, 0x84}}, kPrgAny, kChrAny, 2},
        {"24 $B003 $28 lower screen", {24, 8, 4}, {{0xB003, 0x28}}, kPrgAny, kChrAny, 0},
        {"24 $B003 $2C upper screen", {24, 8, 4}, {{0xB003, 0x2C}}, kPrgAny, kChrAny, 4},
        {"24 $B003 $08 upper screen", {24, 8, 4}, {{0xB003, 0x08}}, kPrgAny, kChrAny, 4},
        {"26 $B003 stays $B003", {26, 8, 4}, {{0xB003, 0x20}}, kPrgAny, kChrAny, 1},
        // VRC1 with 128 KB of CHR (128 pages).
        {"75 PRG ranges", {75, 8, 16}, {{0x8FFF, 3}, {0xB000, 6}, {0xD000, 0x14}}, {3, 6, 4, 15}, kChrAny, kAny},
        {"75 4 KB CHR", {75, 8, 16}, {{0xE000, 5}, {0xF000, 2}}, kPrgAny, {20, 21, 22, 23, 8, 9, 10, 11}, kAny},
        {"75 top bits and mirroring", {75, 8, 16}, {{0xE000, 5}, {0xF000, 2}, {0x9000, 6}}, kPrgAny,
         {84, 85, 86, 87, 72, 73, 74, 75}, 1},
        {"75 top bit kept by the bank write", {75, 8, 16}, {{0x9000, 3}, {0xE000, 5}}, kPrgAny,
         {84, 85, 86, 87, 0, 1, 2, 3}, 2},
        {"75 top bit wraps on a small image", {75, 8, 4}, {{0x9000, 2}, {0xE000, 1}}, kPrgAny,
         {4, 5, 6, 7, kAny, kAny, kAny, kAny}, kAny},
        // Mapper 151.
        {"151 PRG and CHR", {151, 8, 4}, {{0x8000, 3}, {0xA000, 4}, {0xC000, 0x15}, {0xE000, 2}, {0xF000, 9}},
         {3, 4, 5, 15}, {8, 9, 10, 11, 4, 5, 6, 7}, kAny},
        {"151 ignores $9000, $B000, $D000", {151, 8, 4}, {{0x9000, 1}, {0xB000, 1}, {0xD000, 1}}, {12, 13, 14, 15},
         {24, 25, 26, 27, 28, 29, 30, 31}, 2},
        // VRC3.
        {"73 16 KB bank", {73, 8, 0}, {{0xF000, 3}}, {6, 7, 14, 15}, kChrAny, kAny},
        {"73 bank wraps", {73, 8, 0}, {{0xFFFF, 9}}, {2, 3, 14, 15}, kChrAny, kAny},
        {"73 ignores the counter registers", {73, 8, 0}, {{0x8000, 3}, {0x9000, 3}, {0xC000, 3}, {0xD000, 3}},
         {12, 13, 14, 15}, kChrAny, kAny},
    };
    return cases;
}


TEST(VrcBoards, WritesMoveTheWindows) {
    for (const WindowCase& c : WindowCases()) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(c.image)) << c.name;
        WriteAll(b, c.writes);
        ExpectWindows(b, c.name, c.prg, c.chr, c.mirroring);
        EXPECT_TRUE(b.host.messages.empty()) << c.name;
    }
}

TEST(VrcBoards, CartridgeRamAtPowerOn) {
    const std::pair<InesLayout, uint8_t> cases[] = {
        {{23, 4, 4}, 1},       {{21, 4, 4}, 1},  {{24, 4, 4}, 1},        {{75, 4, 4}, 0},
        {{75, 4, 4, 0x02}, 1}, {{151, 4, 4}, 0}, {{151, 4, 4, 0x02}, 1}, {{73, 4, 0}, 1},
    };
    for (const auto& [image, sram] : cases) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(image)) << image.mapper;
        EXPECT_EQ(b.console.mapper->sramEnabled, sram) << image.mapper << " flags " << int{image.flags6};
        EXPECT_EQ(b.console.mapper->batteryBacked, image.flags6 & 0x02 ? 1 : 0) << image.mapper;
    }
}

TEST(VrcBoards, Vrc4RamFollowsTheSwapRegister) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{21, 8, 4}));
    b.console.WriteByte(0x6000, 0x5A);
    EXPECT_EQ(b.console.ReadByte(0x6000), 0x5A);
    b.console.WriteByte(0x9002, 0x02);  // $9001 on mapper 21
    EXPECT_EQ(b.console.mapper->sramEnabled, 0);
    EXPECT_EQ(b.console.ReadByte(0x6000), 0);  // the board answers
    b.console.WriteByte(0x9002, 0x01);
    EXPECT_EQ(b.console.ReadByte(0x6000), 0x5A);
}

TEST(VrcBoards, Vrc6ReportsUndecodedWrites) {
    struct Case {
        uint32_t mapper;
        uint16_t address;
        uint8_t value;
        const char* message;  // null: none
    };
    const Case cases[] = {
        {24, 0xB003, 0x00, "Unknown Memory Write 00 at B003"},
        {24, 0xB003, 0x21, "Unknown Memory Write 21 at B003"},
        {24, 0x8001, 0x05, "Unknown Memory Write 05 at 8001"},
        {24, 0xC001, 0x05, "Unknown Memory Write 05 at C001"},
        {24, 0xF003, 0x05, "Unknown Memory Write 05 at F003"},
        {24, 0x4020, 0x05, "Unknown Memory Write 05 at 4020"},
        {24, 0x9003, 0x05, nullptr},
        {24, 0xB003, 0xAC, nullptr},
        {26, 0x8002, 0x05, "Unknown Memory Write 05 at 8001"},  // the chip's address
        {26, 0xF003, 0x05, "Unknown Memory Write 05 at F003"},
        {23, 0x4020, 0x05, nullptr},  // VRC2/VRC4 ignore what they do not decode
        {21, 0x9004, 0x05, nullptr},
    };
    for (const Case& c : cases) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(InesLayout{c.mapper, 8, 4}));
        b.console.WriteByte(c.address, c.value);
        if (!c.message) {
            EXPECT_TRUE(b.host.messages.empty()) << c.mapper << " " << c.address;
            continue;
        }
        ASSERT_EQ(b.host.messages.size(), 1u) << c.mapper << " " << c.address;
        EXPECT_EQ(b.host.messages[0].text, c.message);
    }
    // A rejected mirroring value still becomes the register's value: the same
    // value again draws nothing new but is reported again.
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{24, 8, 4}));
    b.console.WriteByte(0xB003, 0x00);
    b.console.WriteByte(0xB003, 0x00);
    EXPECT_EQ(b.host.messages.size(), 2u);
    EXPECT_EQ(b.ppu().mirroring, 2);
}

// The CPU addresses of the latch and control registers under each wiring,
// and the shift a value needs (mapper 22 halves values from $B000 up).
struct CounterWiring {
    uint32_t mapper;
    uint16_t latchLow, latchHigh, control;
    int valueShift;
};

const CounterWiring kWirings[] = {
    {23, 0xF000, 0xF001, 0xF002, 0}, {23, 0xF000, 0xF004, 0xF008, 0}, {25, 0xF000, 0xF002, 0xF001, 0},
    {21, 0xF000, 0xF002, 0xF004, 0}, {21, 0xF000, 0xF040, 0xF080, 0}, {22, 0xF000, 0xF002, 0xF001, 1},
};

void WriteLatch(BoardConsole& b, const CounterWiring& w, uint8_t latch) {
    b.console.WriteByte(w.latchLow, static_cast<uint8_t>((latch & 0x0F) << w.valueShift));
    b.console.WriteByte(w.latchHigh, static_cast<uint8_t>((latch >> 4) << w.valueShift));
}
void WriteControl(BoardConsole& b, const CounterWiring& w, uint8_t value) {
    b.console.WriteByte(w.control, static_cast<uint8_t>(value << w.valueShift));
}

TEST(VrcInterrupt, Vrc4FirstInterruptAfterArming) {
    // Mapper 23 overflows one count (114 cycles) earlier than the others.
    for (const CounterWiring& w : kWirings) {
        uint32_t shortfall = w.mapper == 23 ? 114 : 0;
        const std::pair<uint8_t, uint32_t> cases[] = {{0xF0, 1824}, {0x00, 29184}, {0x01, 29070}};
        for (auto [latch, fullDelay] : cases) {
            uint32_t delay = fullDelay - shortfall;
            BoardConsole b;
            ASSERT_TRUE(b.Load(InesLayout{w.mapper, 8, 4}));
            b.m().cycles = 1000;
            WriteLatch(b, w, latch);
            EXPECT_EQ(b.m().boardIrqTime, 0u) << "the latch alone arms nothing";
            WriteControl(b, w, 2);
            EXPECT_EQ(b.m().boardIrqTime, 1000 + delay)
                << "mapper " << w.mapper << " control at " << std::hex << w.control << " latch " << int{latch};
        }
    }
}

TEST(VrcInterrupt, Vrc6FirstInterruptAfterArming) {
    const std::pair<uint32_t, uint16_t> boards[] = {{24, 0xF001}, {26, 0xF002}};
    for (auto [mapper, control] : boards) {
        for (auto [latch, delay] : {std::pair<uint8_t, uint32_t>{0xF0, 1824}, {0x00, 29184}, {0xFF, 114}}) {
            BoardConsole b;
            ASSERT_TRUE(b.Load(InesLayout{mapper, 8, 4}));
            b.m().cycles = 500;
            b.console.WriteByte(0xF000, latch);
            b.console.WriteByte(control, 2);
            EXPECT_EQ(b.m().boardIrqTime, 500 + delay) << mapper << " latch " << int{latch};
        }
    }
}

// What the CPU loop does when cycles pass the target.
void Fire(BoardConsole& b, uint32_t atCycle) {
    b.m().cycles = atCycle;
    b.m().irqPending = 1;
    b.console.mapper->IrqTimeReached();
}

TEST(VrcInterrupt, ControlAndAcknowledge) {
    // Mapper 25 (VRC4) and mapper 24 (VRC6) with a latch of $F0.
    struct Board {
        uint32_t mapper;
        uint16_t latchLow, latchHigh, control, ack;
    };
    const Board boards[] = {{25, 0xF000, 0xF002, 0xF001, 0xF003}, {24, 0xF000, 0xF000, 0xF001, 0xF002}};
    for (const Board& k : boards) {
        SCOPED_TRACE(k.mapper);
        BoardConsole b;
        ASSERT_TRUE(b.Load(InesLayout{k.mapper, 8, 4}));
        b.console.WriteByte(k.latchLow, k.mapper == 24 ? 0xF0 : 0x00);
        b.console.WriteByte(k.latchHigh, k.mapper == 24 ? 0xF0 : 0x0F);
        b.m().cycles = 1000;
        b.console.WriteByte(k.control, 2);
        ASSERT_EQ(b.m().boardIrqTime, 2824u);
        b.console.WriteByte(k.control, 1);  // nonzero without the enable bit
        EXPECT_EQ(b.m().boardIrqTime, 2824u) << "left running";
        b.m().irqPending = 1;
        b.console.WriteByte(k.control, 0);
        EXPECT_EQ(b.m().boardIrqTime, 0u) << "0 stops it";
        EXPECT_EQ(b.m().irqPending, 0);
        b.console.WriteByte(k.ack, 0);
        EXPECT_EQ(b.m().boardIrqTime, 0u) << "nothing to re-arm after a stop";

        // Fired without the re-arm bit: the acknowledge leaves it off.
        b.console.WriteByte(k.control, 2);
        Fire(b, 2830);
        EXPECT_EQ(b.m().boardIrqTime, 0u);
        b.console.WriteByte(k.ack, 0);
        EXPECT_EQ(b.m().boardIrqTime, 0u);

        // With the re-arm bit the next period runs from the firing cycle.
        b.m().cycles = 3000;
        b.console.WriteByte(k.control, 3);
        EXPECT_EQ(b.m().boardIrqTime, 4824u);
        Fire(b, 4830);
        EXPECT_EQ(b.m().boardIrqTime, 0u);
        b.m().cycles = 4900;
        b.console.WriteByte(k.ack, 0);
        EXPECT_EQ(b.m().boardIrqTime, 4830u + 1824u);
    }
    // Mapper 23's following periods are one count short as well.
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{23, 8, 4}));
    b.console.WriteByte(0xF001, 0x0F);
    b.m().cycles = 1000;
    b.console.WriteByte(0xF002, 3);
    Fire(b, 2711);
    b.console.WriteByte(0xF003, 0);
    EXPECT_EQ(b.m().boardIrqTime, 2711u + 1710u);
}

TEST(VrcInterrupt, FullLatchOnTheShortCountStillSchedules) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{23, 8, 4}));
    b.console.WriteByte(0xF000, 0x0F);
    b.console.WriteByte(0xF001, 0x0F);
    b.m().cycles = 0;
    b.console.WriteByte(0xF002, 2);
    EXPECT_NE(b.m().boardIrqTime, 0u) << "a period of 0 is due at once, not cancelled";
}

// $8000: CLI, then loop; the interrupt handler at $8010 increments $00,
// acknowledges through `ack` and returns.
void PlaceCounterProgram(BoardConsole& b, uint16_t ack) {
    uint8_t* first = b.m().prgPages[12];  // at $8000 after loading
    const uint8_t code[] = {0x58, 0x4C, 0x01, 0x80};
    std::copy(std::begin(code), std::end(code), first);
    const uint8_t handler[] = {0xE6, 0x00, 0x8D, static_cast<uint8_t>(ack), static_cast<uint8_t>(ack >> 8), 0x40};
    std::copy(std::begin(handler), std::end(handler), first + 0x10);
    uint8_t* last = b.m().prgPages[15];
    last[0x1FFE] = 0x10, last[0x1FFF] = 0x80;
}

TEST(VrcInterrupt, InterruptsWhileTheFrameRuns) {
    // Latch $C0: 64 counts, 7296 cycles on mapper 21. With the re-arm bit the
    // handler's acknowledge activates each next period: four in one frame.
    for (auto [control, expected] : {std::pair<uint8_t, int>{3, 4}, {2, 1}}) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(InesLayout{21, 8, 4}));
        PlaceCounterProgram(b, 0xF006);
        b.console.SoftReset();
        b.console.WriteByte(0xF002, 0x0C);
        b.m().cycles = 0;
        b.console.WriteByte(0xF004, control);
        b.console.cpu.Run(RunMode::RunToFrameEnd);
        EXPECT_EQ(b.m().ram[0], expected) << "control " << int{control};
        // The count runs on across the frame end (fifth period at 36480, i.e.
        // cycle 6621 of the next frame): four more, not a lost interrupt.
        b.console.cpu.Run(RunMode::RunToFrameEnd);
        EXPECT_EQ(b.m().ram[0], control == 3 ? 8 : 1) << "control " << int{control};
    }
}

TEST(VrcInterrupt, Vrc3FiresAtItsFixedCycle) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{73, 8, 0}));
    PlaceCounterProgram(b, 0xB000);  // a write the board ignores
    b.console.SoftReset();
    b.console.WriteByte(0xA123, 0x77);
    EXPECT_EQ(b.m().boardIrqTime, 25000u);
    b.console.cpu.Run(RunMode::RunToFrameEnd);
    EXPECT_EQ(b.m().ram[0], 1);
    EXPECT_EQ(b.m().boardIrqTime, 0u);
    b.console.cpu.Run(RunMode::RunToFrameEnd);
    EXPECT_EQ(b.m().ram[0], 1) << "once per $A000 write";
}

// --- VRC6 sound, measured from the mixer's output bytes ---

struct SoundRig : BoardSoundRig {
    explicit SoundRig(uint32_t mapper = 24, int32_t rate = 44100) : BoardSoundRig(InesLayout{mapper, 8, 4}, rate) {}
    void Write(uint16_t address, uint8_t value) { b.console.WriteByte(address, value); }
};

double Expected(uint32_t period, double divider) { return 1789772.7272 / (period + 1) / divider; }

// The board truncates the frequency to whole hertz and the mixer the phase
// increment to whole steps: low notes come out up to about 1% flat.
constexpr double kPitchTolerance = 0.015;

void ExpectPitch(const std::vector<uint8_t>& s, uint32_t rate, bool saw, double expected) {
    EXPECT_NEAR(MeasuredFrequency(s, rate, saw), expected, expected * kPitchTolerance);
}

TEST(Vrc6Sound, PulsePitchDutyAndLevel) {
    struct Case {
        uint32_t mapper;
        uint16_t base;  // $9000 pulse 1, $A000 pulse 2
        uint8_t reg0;
        uint32_t period;
        double lowFraction;
    };
    const Case cases[] = {
        {24, 0x9000, 0x7F, 0x1FF, 0.5},   {24, 0xA000, 0x0F, 0x0FF, 1 / 16.0},
        {24, 0x9000, 0x3F, 0x3A0, 0.25},  {26, 0xA000, 0x7F, 0x150, 0.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.period);
        SoundRig rig(c.mapper);
        // Mapper 26 exchanges A0 and A1: its period registers are swapped.
        bool swapped = c.mapper == 26;
        rig.Write(c.base, c.reg0);
        rig.Write(c.base + (swapped ? 2 : 1), c.period & 0xFF);
        rig.Write(c.base + (swapped ? 1 : 2), static_cast<uint8_t>(0x80 | c.period >> 8));
        std::vector<uint8_t> s = rig.Play(20);
        ASSERT_GT(s.size(), 40000u);
        ExpectPitch(s, rig.Rate(), false, Expected(c.period, 16));
        double low = static_cast<double>(std::count_if(s.begin(), s.end(), [](uint8_t v) { return v < 128; }));
        EXPECT_NEAR(low / static_cast<double>(s.size()), c.lowFraction, 0.01);
        // Volume 15 gives levels of +-126 in the sum, a quarter of that in bytes.
        EXPECT_EQ(*std::max_element(s.begin(), s.end()), 128 + 126 / 4);
        EXPECT_EQ(*std::min_element(s.begin(), s.end()), 128 - 127 / 4);
    }
}

TEST(Vrc6Sound, SawPitchAndRuns) {
    for (uint32_t period : {0x0FFu, 0x2C0u, 0xFFFu}) {
        SCOPED_TRACE(period);
        SoundRig rig;
        rig.Write(0xB000, 30);  // (k + 1) x 30 stays below 256: one rise per cycle
        rig.Write(0xB001, period & 0xFF);
        rig.Write(0xB002, static_cast<uint8_t>(0x80 | period >> 8));
        std::vector<uint8_t> s = rig.Play(20);
        ExpectPitch(s, rig.Rate(), true, Expected(period, 14));
    }
    // Rate 42 wraps the accumulator: the eight runs are exactly these levels.
    SoundRig rig;
    rig.Write(0xB000, 42);
    rig.Write(0xB001, 0x40);
    rig.Write(0xB002, 0x81);
    std::set<int32_t> levels;
    for (int i = 0; i < 5000; ++i) {
        int32_t acc = 0;
        ASSERT_TRUE(rig.b.console.mapper->MixSample(&acc, i, 0));
        levels.insert(acc);
    }
    EXPECT_EQ(levels, (std::set<int32_t>{40, 84, 124, 168, 208, 252, 36, 80}));
}

TEST(Vrc6Sound, DigitalPulseIsAConstantLevel) {
    SoundRig rig;
    rig.Write(0x9000, 0x8F);
    rig.Write(0x9001, 0x20);
    rig.Write(0x9002, 0x80);
    for (int i = 0; i < 300; ++i) {
        int32_t acc = 5;
        rig.b.console.mapper->MixSample(&acc, i, 0);
        ASSERT_EQ(acc, 5 + 0x8F * 16) << i;
    }
}

TEST(Vrc6Sound, SilentWhenDisabled) {
    struct Case {
        const char* name;
        Writes writes;
        uint8_t mask;
    };
    const Case cases[] = {
        {"nothing enabled", {{0x9000, 0x7F}, {0x9001, 0x40}, {0x9002, 0x01}, {0xB000, 30}, {0xB001, 0x40}}, 0x20},
        {"enable bit cleared again",
         {{0x9000, 0x7F}, {0x9001, 0x40}, {0x9002, 0x81}, {0x9002, 0x01}, {0xB000, 30}, {0xB002, 0x81}, {0xB002, 0}},
         0x20},
        {"period 0", {{0xA000, 0x7F}, {0xA001, 0x00}, {0xA002, 0x80}}, 0x20},
        {"volume 0", {{0xA000, 0x70}, {0xA001, 0x40}, {0xA002, 0x80}}, 0x20},
        {"saw rate 0", {{0xB000, 0x00}, {0xB001, 0x40}, {0xB002, 0x80}}, 0x20},
        {"external sound off in the mask", {{0x9000, 0x7F}, {0x9001, 0x40}, {0x9002, 0x81}, {0xB000, 30},
                                            {0xB002, 0x81}},
         0x00},
    };
    for (const Case& c : cases) {
        SoundRig rig;
        WriteAll(rig.b, c.writes);
        rig.b.console.apu.channelMask = c.mask;
        std::vector<uint8_t> s = rig.Play(3);
        ASSERT_FALSE(s.empty()) << c.name;
        EXPECT_TRUE(std::all_of(s.begin(), s.end(), [](uint8_t v) { return v == 128; })) << c.name;
    }
}

// --- Snapshots ---

// Loads `saved`'s board state into a fresh console whose windows all show
// page 0, so that every window must come back from the registers.
void LoadBoard(BoardConsole& restored, MemoryStream& stream) {
    ClearWindows(restored);
    ASSERT_TRUE(restored.console.mapper->LoadState(stream, OldFormatImage{}, 0));
}

void RoundTrip(BoardConsole& saved, BoardConsole& restored, const InesLayout& image) {
    MemoryStream stream(SaveBoard(saved));
    ASSERT_TRUE(restored.Load(image));
    LoadBoard(restored, stream);
}

struct FullSetup {
    const char* name;
    InesLayout image;
    Writes writes;
};

// Every register of a VRC2/VRC4, through the raw addresses of the chip's
// registers 1-3 under a wiring.
Writes Vrc4Setup(uint16_t r1, uint16_t r2, uint16_t r3) {
    Writes w = {{0x8000, 3}, {0xA000, 9}, {0x9000, 3}, {static_cast<uint16_t>(0x9000 | r1), 3}};
    uint8_t v = 1;
    for (uint16_t base : {0xB000, 0xC000, 0xD000, 0xE000}) {
        w.push_back({base, v++});
        w.push_back({static_cast<uint16_t>(base | r1), 1});
        w.push_back({static_cast<uint16_t>(base | r2), v++});
        w.push_back({static_cast<uint16_t>(base | r3), 0});
    }
    w.push_back({static_cast<uint16_t>(0xF000 | r1), 0x0C});  // latch $C0
    return w;
}

const std::vector<FullSetup>& FullSetups() {
    static const std::vector<FullSetup> setups = {
        {"23", {23, 8, 4}, Vrc4Setup(1, 2, 3)},
        {"25", {25, 8, 4}, Vrc4Setup(2, 1, 3)},
        {"21", {21, 8, 4}, Vrc4Setup(0x40, 0x80, 0xC0)},
        {"22", {22, 8, 4}, Vrc4Setup(2, 1, 3)},
        {"24",
         {24, 8, 4},
         {{0x8000, 5}, {0xC000, 9}, {0xD000, 1}, {0xD001, 3}, {0xD002, 5}, {0xD003, 7}, {0xE000, 9}, {0xE001, 11},
          {0xE002, 13}, {0xE003, 15}, {0xB003, 0x2C}, {0xF000, 0x40}}},
        {"26",
         {26, 8, 4},
         {{0x8000, 2}, {0xC000, 7}, {0xD000, 2}, {0xD001, 4}, {0xD002, 6}, {0xD003, 8}, {0xE000, 10}, {0xE001, 12},
          {0xE002, 14}, {0xE003, 16}, {0xB003, 0x28}, {0xF000, 0x40}}},
        {"75", {75, 8, 16}, {{0x8000, 2}, {0xA000, 4}, {0xC000, 6}, {0x9000, 5}, {0xE000, 3}, {0xF000, 7}}},
        {"151", {151, 8, 4}, {{0x8000, 2}, {0xA000, 4}, {0xC000, 6}, {0xE000, 3}, {0xF000, 5}}},
        {"73", {73, 8, 0}, {{0xF000, 5}}},
    };
    return setups;
}

TEST(VrcBoards, SnapshotRebuildsTheWindows) {
    for (const FullSetup& f : FullSetups()) {
        BoardConsole saved;
        ASSERT_TRUE(saved.Load(f.image)) << f.name;
        WriteAll(saved, f.writes);
        BoardConsole restored;
        RoundTrip(saved, restored, f.image);
        EXPECT_EQ(restored.PrgWindows(), saved.PrgWindows()) << f.name;
        if (f.image.chrUnits) {
            EXPECT_EQ(restored.ChrWindows(), saved.ChrWindows()) << f.name;
        }
        EXPECT_EQ(restored.console.mapper->sramEnabled, saved.console.mapper->sramEnabled) << f.name;
        // The nibble registers continue from the restored values.
        if (f.name == std::string("23")) {
            saved.console.WriteByte(0xB001, 2);
            restored.console.WriteByte(0xB001, 2);
            EXPECT_EQ(restored.Chr(0), saved.Chr(0));
        }
    }
}

TEST(VrcBoards, SnapshotKeepsTheCounter) {
    // Mapper 25 (latch written through its swapped wiring) and mapper 24.
    const std::pair<uint32_t, Writes> boards[] = {
        {25, {{0xF000, 0x00}, {0xF002, 0x0F}, {0xF001, 0x03}}},
        {24, {{0xF000, 0xF0}, {0xF001, 0x03}}},
    };
    for (const auto& [mapper, writes] : boards) {
        InesLayout image{mapper, 8, 4};
        BoardConsole saved;
        ASSERT_TRUE(saved.Load(image));
        saved.m().cycles = 1000;
        WriteAll(saved, writes);
        Fire(saved, 2830);
        BoardConsole restored;
        RoundTrip(saved, restored, image);
        // The pending next period and the re-arm bit came back.
        restored.console.WriteByte(mapper == 25 ? 0xF003 : 0xF002, 0);
        EXPECT_EQ(restored.m().boardIrqTime, 2830u + 1824u) << mapper;
        // So did the latch.
        restored.m().cycles = 100;
        restored.console.WriteByte(0xF001, 2);  // the control register on both
        EXPECT_EQ(restored.m().boardIrqTime, 100u + 1824u) << mapper;
    }
}

TEST(VrcBoards, Vrc4RamAcrossASnapshot) {
    struct Case {
        const char* name;
        Writes writes;
        uint8_t expected;
    };
    const Case cases[] = {
        {"never wrote $9001", {}, 1},
        {"wrote 0", {{0x9001, 0}}, 0},
        {"wrote 3", {{0x9001, 3}}, 1},
        {"disabled, then enabled", {{0x9001, 0}, {0x9001, 1}}, 1},
    };
    for (const Case& c : cases) {
        BoardConsole saved;
        ASSERT_TRUE(saved.Load(InesLayout{23, 8, 4}));
        WriteAll(saved, c.writes);
        EXPECT_EQ(saved.console.mapper->sramEnabled, c.expected) << c.name;
        MemoryStream stream(SaveBoard(saved));
        BoardConsole restored;
        ASSERT_TRUE(restored.Load(InesLayout{23, 8, 4}));
        restored.console.WriteByte(0x9001, 0);  // the state being replaced had it off
        LoadBoard(restored, stream);
        EXPECT_EQ(restored.console.mapper->sramEnabled, c.expected) << c.name;
    }
}

TEST(Vrc6Sound, SnapshotContinuesTheWave) {
    SoundRig saved;
    WriteAll(saved.b, {{0x9000, 0x5A}, {0x9001, 0x33}, {0x9002, 0x81}, {0xA000, 0x8F}, {0xA001, 0x10},
                       {0xA002, 0x82}, {0xB000, 0x2A}, {0xB001, 0x77}, {0xB002, 0x80}});
    saved.Play(1);  // the phases move away from 0
    SoundRig restored;
    RoundTrip(saved.b, restored.b, InesLayout{24, 8, 4});
    for (int i = 0; i < 2000; ++i) {
        int32_t a = 0, b = 0;
        saved.b.console.mapper->MixSample(&a, i, 0);
        restored.b.console.mapper->MixSample(&b, i, 0);
        ASSERT_EQ(a, b) << i;  // includes the saw table, rebuilt from register 0
    }
}

TEST(Vrc6Sound, SnapshotLoadedAtAnotherRateKeepsThePitch) {
    SoundRig saved(24, 44100);
    WriteAll(saved.b, {{0x9000, 0x7F}, {0x9001, 0xFF}, {0x9002, 0x81}});
    SoundRig restored(24, 22050);
    RoundTrip(saved.b, restored.b, InesLayout{24, 8, 4});
    restored.b.console.apu.channelMask = 0x20;  // the reload reset the console's channels
    std::vector<uint8_t> s = restored.Play(20);
    ExpectPitch(s, restored.Rate(), false, Expected(0x1FF, 16));
}

// Values a damaged snapshot can hold: every page stays inside the image and
// the sound reads inside its tables.
TEST(VrcBoards, SnapshotValuesAreBroughtInsideTheImage) {
    for (const FullSetup& f : FullSetups()) {
        BoardConsole saved;
        ASSERT_TRUE(saved.Load(f.image)) << f.name;
        for (const StateField& field : saved.console.mapper->GetStateTable()) {
            auto* bytes = static_cast<uint8_t*>(field.destination);
            std::memset(bytes, field.type == kFieldBlock ? 0xF7 : 0xFF, field.size);
        }
        BoardConsole restored;
        RoundTrip(saved, restored, f.image);
        uint32_t prgPages = 2u * f.image.prgUnits, chrPages = 8u * f.image.chrUnits;
        for (int w = 0; w < 4; ++w) {
            EXPECT_GE(restored.Prg(w), 0) << f.name << " PRG window " << w;
            EXPECT_LT(restored.Prg(w), static_cast<int>(prgPages)) << f.name << " PRG window " << w;
        }
        for (int w = 0; chrPages && w < 8; ++w) {
            EXPECT_GE(restored.Chr(w), 0) << f.name << " CHR window " << w;
            EXPECT_LT(restored.Chr(w), static_cast<int>(chrPages)) << f.name << " CHR window " << w;
        }
        int32_t acc = 0;
        for (int i = 0; i < 1000; ++i) restored.console.mapper->MixSample(&acc, i, 0);
    }
}

// A loop at $E100 (the fixed last page on every board) that writes a
// changing value to each register range; interrupts return at once.
TEST(VrcBoards, TinyImagesRunFrames) {
    const uint8_t loop[] = {0xE6, 0x10, 0xA5, 0x10, 0x8D, 0x00, 0x80, 0x8D, 0x00, 0xA0, 0x8D, 0x00, 0xC0,
                            0x8D, 0x02, 0xD0, 0x8D, 0x01, 0xE0, 0x8D, 0x00, 0xF0, 0x4C, 0x00, 0xE1};
    for (uint32_t mapper : {21u, 22u, 23u, 24u, 25u, 26u, 73u, 75u, 151u}) {
        std::vector<uint8_t> image = MakeInes(InesLayout{mapper, 8, 4});
        uint8_t* last = &image[16 + 15 * 0x2000];
        std::copy(std::begin(loop), std::end(loop), last + 0x100);
        last[0x180] = 0x40;  // RTI
        last[0x1FFC] = 0x00, last[0x1FFD] = 0xE1;
        last[0x1FFE] = 0x80, last[0x1FFF] = 0xE1;
        BoardConsole b;
        ASSERT_TRUE(b.Load(image)) << mapper;
        b.console.SoftReset();
        for (int frame = 0; frame < 3; ++frame) {
            b.console.cpu.Run(RunMode::RunToFrameEnd);
            b.console.soundOut.MixFrame();
        }
        EXPECT_GE(b.m().pc, 0xE100) << mapper;  // still in the loop
        EXPECT_LT(b.m().pc, 0xE100 + sizeof loop) << mapper;
        EXPECT_TRUE(b.host.messages.empty()) << mapper;
    }
}

}  // namespace
}  // namespace korvanta::test
