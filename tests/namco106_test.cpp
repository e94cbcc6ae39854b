// Namco 106 (mapper 19): PRG, character and name-table windows including the
// board RAM and console-page values, the up-counting interrupt counter in
// cycles, the wavetable sound measured from the mixed output, and snapshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <utility>

#include "board_sound_fixture.h"
#include "mappers/namco106.h"
#include "media/snapshot.h"
#include "save_fixture.h"

namespace korvanta::test {
namespace {

// 128 KB PRG (16 pages), 32 KB CHR (32 pages); vertical mirroring turns the
// board's sound on.
const InesLayout kImage{19, 8, 4, 0x01};

// Name-table window contents: a CHR page number, or kConsolePage0/1.
constexpr int kConsolePage0 = -10;
constexpr int kConsolePage1 = -11;

int NameTablePage(BoardConsole& b, int table) {
    const uint8_t* p = b.ppu().nameTable[table];
    const Ppu& ppu = b.ppu();
    for (int page = 0; page < 2; ++page) {
        if (p == &ppu.nameTableRam[page * 1024]) {
            EXPECT_EQ(ppu.attributeCacheWindow[table], &ppu.attributeCache[page * 1024]) << "table " << table;
            return page == 0 ? kConsolePage0 : kConsolePage1;
        }
    }
    const Machine& m = b.console.machine;
    if (p < m.chrStorage.data() || p >= m.chrStorage.data() + m.chrStorage.size()) return -1;
    // A CHR page brings the board's attribute cache, never the console's.
    const uint8_t* cache = ppu.attributeCacheWindow[table];
    EXPECT_FALSE(cache >= ppu.attributeCache.data() && cache < ppu.attributeCache.data() + ppu.attributeCache.size())
        << "table " << table;
    return static_cast<int>((p - m.chrStorage.data()) / kChrPageSize);
}

// Offset of a window pointer inside the board object (board RAM pages).
std::ptrdiff_t BoardOffset(BoardConsole& b, const uint8_t* p) {
    return p - reinterpret_cast<const uint8_t*>(b.console.mapper.get());
}

struct WindowCase {
    const char* name;
    Writes writes;
    std::array<int, 4> prg;
    std::array<int, 8> chr;  // -1: board RAM
    std::array<int, 4> nameTables;
};

constexpr std::array<int, 4> kNtAny = {kAny, kAny, kAny, kAny};

TEST(Namco106Board, WritesMoveTheWindows) {
    const WindowCase cases[] = {
        {"power-on: the last four PRG pages", {}, {12, 13, 14, 15}, {24, 25, 26, 27, 28, 29, 30, 31}, kNtAny},
        {"three PRG registers", {{0xE000, 3}, {0xE800, 4}, {0xF000, 5}}, {3, 4, 5, 15}, kChrAny, kNtAny},
        {"PRG modulo the page count", {{0xE000, 0x13}, {0xF7FF, 0x3F}}, {3, 13, 15, 15}, kChrAny, kNtAny},
        {"$E800 with the CHR-RAM bits", {{0xE800, 0xC6}}, {12, 6, 14, 15}, kChrAny, kNtAny},
        {"$F800 and $E000-$FFFF stay", {{0xF800, 3}}, {12, 13, 14, 15}, kChrAny, kNtAny},
        {"eight CHR registers",
         {{0x8000, 1}, {0x8800, 2}, {0x9000, 3}, {0x9800, 4}, {0xA000, 5}, {0xA800, 6}, {0xB000, 7}, {0xBFFF, 8}},
         kPrgAny, {1, 2, 3, 4, 5, 6, 7, 8}, kNtAny},
        {"CHR modulo the page count", {{0x8000, 0x25}, {0xB800, 0xDF}}, kPrgAny,
         {5, kAny, kAny, kAny, kAny, kAny, kAny, 31}, kNtAny},
        {"$E0-$FF select board RAM", {{0x8000, 0xE0}, {0x9800, 0xFF}, {0xA000, 0xE3}}, kPrgAny,
         {-1, kAny, kAny, -1, -1, kAny, kAny, kAny}, kNtAny},
        {"bit 6 keeps windows 0-3 on ROM",
         {{0xE800, 0x40}, {0x8000, 0xE3}, {0x9800, 0xFF}, {0xA000, 0xE3}, {0xB800, 0xE0}}, kPrgAny,
         {3, kAny, kAny, 31, -1, kAny, kAny, -1}, kNtAny},
        {"bit 7 keeps windows 4-7 on ROM", {{0xE800, 0x80}, {0x8000, 0xE3}, {0xA000, 0xE3}, {0xB800, 0xE1}},
         kPrgAny, {-1, kAny, kAny, kAny, 3, kAny, kAny, 1}, kNtAny},
        {"$E800 does not re-place a window", {{0x8000, 0xE3}, {0xE800, 0xC0}}, kPrgAny,
         {-1, kAny, kAny, kAny, kAny, kAny, kAny, kAny}, kNtAny},
        {"name tables on CHR pages", {{0xC000, 5}, {0xC800, 0x25}, {0xD000, 0xDF}, {0xDFFF, 0}}, kPrgAny, kChrAny,
         {5, 5, 31, 0}},
        {"name tables on console pages", {{0xC000, 0xE0}, {0xC800, 0xE1}, {0xD000, 0xE2}, {0xD800, 0xFF}}, kPrgAny,
         kChrAny, {kConsolePage0, kConsolePage1, kConsolePage0, kConsolePage1}},
        {"name tables leave the pattern windows", {{0xC000, 2}}, kPrgAny, {24, 25, 26, 27, 28, 29, 30, 31},
         {2, kAny, kAny, kAny}},
    };
    for (const WindowCase& c : cases) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(kImage)) << c.name;
        WriteAll(b, c.writes);
        ExpectWindows(b, c.name, c.prg, c.chr, kAny);
        for (int j = 0; j < 4; ++j) {
            if (c.nameTables[j] != kAny) {
                EXPECT_EQ(NameTablePage(b, j), c.nameTables[j]) << c.name << " name table " << j;
            }
        }
        EXPECT_TRUE(b.host.messages.empty()) << c.name;
    }
}

TEST(Namco106Board, BoardRamPagesAreDistinct) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    WriteAll(b, {{0x8000, 0xE0}, {0x8800, 0xE5}, {0xB800, 0xFF}});
    const Ppu& ppu = b.ppu();
    EXPECT_EQ(ppu.chrWindow[1] - ppu.chrWindow[0], 5 * kChrPageSize);
    EXPECT_EQ(ppu.decodedChrWindow[1] - ppu.decodedChrWindow[0], 5 * kDecodedChrPageSize);
    EXPECT_EQ(ppu.chrWindow[7] - ppu.chrWindow[0], 31 * kChrPageSize);
    EXPECT_EQ(ppu.decodedChrWindow[7] - ppu.decodedChrWindow[0], 31 * kDecodedChrPageSize);
    // Inside the board object, which owns 32 pages of it.
    EXPECT_GT(BoardOffset(b, ppu.chrWindow[0]), 0);
    EXPECT_LT(BoardOffset(b, ppu.decodedChrWindow[7] + kDecodedChrPageSize),
              static_cast<std::ptrdiff_t>(sizeof(Namco106Board)) + 1);
    // The board RAM is not writable through the picture unit.
    b.console.WriteByte(0x2006, 0x00);
    b.console.WriteByte(0x2006, 0x00);
    b.console.WriteByte(0x2007, 0xFF);
    EXPECT_EQ(ppu.chrWindow[0][0], 0);
}

TEST(Namco106Board, NameTableFromChrRomBuildsItsAttributeCache) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    b.m().chrPages[6][0x3C0] = 0xE4;  // quadrants 0, 1, 2, 3 of the top-left block
    b.m().chrPages[6][0x3FF] = 0x03;
    b.console.WriteByte(0xC800, 6);
    const uint8_t* cache = b.ppu().attributeCacheWindow[1];
    EXPECT_EQ(cache[0], 0);
    EXPECT_EQ(cache[2], 4);
    EXPECT_EQ(cache[64], 8);
    EXPECT_EQ(cache[66], 12);
    EXPECT_EQ(cache[7 * 128 + 7 * 4], 12);  // block row 7, column 7
    // The same page in two windows: each has its own cache.
    b.console.WriteByte(0xD000, 6);
    EXPECT_NE(b.ppu().attributeCacheWindow[2], cache);
    EXPECT_EQ(b.ppu().attributeCacheWindow[2][66], 12);
}

TEST(Namco106Board, ConstructionFlags) {
    struct Case {
        InesLayout image;
        uint8_t sound;
        uint8_t battery;
        std::array<int, 4> prg;
    };
    const Case cases[] = {
        {{19, 8, 4, 0x01}, 1, 0, {12, 13, 14, 15}},
        {{19, 8, 4, 0x00}, 0, 0, {12, 13, 14, 15}},
        {{19, 8, 4, 0x03}, 1, 1, {12, 13, 14, 15}},
        {{19, 1, 1, 0x01}, 1, 0, {0, 1, 0, 1}},  // fewer than four pages: the loader's placement
    };
    for (const Case& c : cases) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(c.image));
        const Mapper& board = *b.console.mapper;
        EXPECT_EQ(board.hasExpansionSound, c.sound) << int{c.image.flags6};
        EXPECT_EQ(board.batteryBacked, c.battery) << int{c.image.flags6};
        EXPECT_EQ(board.sramEnabled, 1);
        EXPECT_EQ(board.chrWritable, 0);
        EXPECT_EQ(board.soundTicksPerHalfFrame, 1u);
        EXPECT_EQ(board.mapperNumber, 19u);
        EXPECT_EQ(b.PrgWindows(), c.prg) << int{c.image.prgUnits};
    }
}

TEST(Namco106Board, SoundRamPort) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    Console& c = b.console;
    // Without bit 7 the address stays.
    c.WriteByte(0xF800, 0x05);
    c.WriteByte(0x4800, 0x11);
    c.WriteByte(0x4800, 0x22);
    EXPECT_EQ(c.ReadByte(0x4800), 0x22);
    EXPECT_EQ(c.ReadByte(0x4FFF), 0x22);
    // With bit 7 it advances and wraps from $7F to $00, staying in auto-increment.
    c.WriteByte(0xF800, 0xFF);
    c.WriteByte(0x4800, 0xAA);
    c.WriteByte(0x4800, 0xBB);
    c.WriteByte(0x4800, 0xCC);
    c.WriteByte(0xF800, 0x7F);
    EXPECT_EQ(c.ReadByte(0x4800), 0xAA);
    c.WriteByte(0xF800, 0x00);
    EXPECT_EQ(c.ReadByte(0x4800), 0xBB);
    // Reads advance too.
    c.WriteByte(0xF800, 0xFE);
    EXPECT_EQ(c.ReadByte(0x4800), 0x00);
    EXPECT_EQ(c.ReadByte(0x4800), 0xAA);
    EXPECT_EQ(c.ReadByte(0x4800), 0xBB);
    EXPECT_EQ(c.ReadByte(0x4800), 0xCC);
    // The board answers nothing else below $6000; $6000-$7FFF is cartridge RAM.
    EXPECT_EQ(c.ReadByte(0x4020), 0);
    c.WriteByte(0x6000, 0x5A);
    EXPECT_EQ(c.ReadByte(0x6000), 0x5A);
}

// --- The interrupt counter ---

uint16_t ReadCounter(BoardConsole& b) { return b.console.ReadByte(0x5000) | b.console.ReadByte(0x5800) << 8; }

// What the CPU loop does once cycles pass the deadline.
void Fire(BoardConsole& b) {
    b.m().cycles = b.m().boardIrqTime + 1;
    b.m().irqPending = 1;
    b.console.mapper->IrqTimeReached();
}

TEST(Namco106Counter, DeadlinesInCycles) {
    struct Step {
        uint32_t cycles;
        uint16_t address;
        uint8_t value;
        uint32_t deadline;  // boardIrqTime afterwards
        uint16_t counter;   // read back at the same cycle ($5800 without bit 15)
    };
    // A low write's deadline lies 4 cycles further: the live value reads 4
    // below what was written.
    struct Case {
        const char* name;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"low then high: $FFFF - counter after the high write",
         {{1000, 0x5000, 0x34, 0, 0x0034}, {1000, 0x5800, 0xF0, 1000 + 0xFFFF - 0xF034, 0x7034}}},
        {"counts up from the high write", {{1000, 0x5800, 0xF0, 1000 + 0xFFFF - 0xF000, 0x7000},
                                            {3000, 0x5FFF, 0xF0, 3000 + 0xFFFF - 0xF0D0, 0x70D0}}},
        {"low write re-bases from the live value: $10003 - counter",
         {{1000, 0x5800, 0xF0, 1000 + 0xFFFF - 0xF000, 0x7000}, {2000, 0x5000, 0x00, 2000 + 0x10003 - 0xF300, 0x72FC}}},
        {"low write while counting", {{0, 0x5800, 0x80, 0x7FFF, 0x0000}, {0, 0x57FF, 0x10, 0x10003 - 0x8010, 0x000C}}},
        {"high write with bit 7 clear stops and cancels",
         {{1000, 0x5800, 0xF0, 1000 + 0xFFFF - 0xF000, 0x7000}, {1500, 0x5800, 0x12, 0, 0x12F4}}},
        {"high value $FF counts from $FFxx", {{500, 0x5000, 0xFE, 0, 0x00FE}, {500, 0x5800, 0xFF, 501, 0x7FFE}}},
    };
    for (const Case& c : cases) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(kImage));
        for (const Step& s : c.steps) {
            b.m().cycles = s.cycles;
            b.console.WriteByte(s.address, s.value);
            EXPECT_EQ(b.m().boardIrqTime, s.deadline) << c.name << " after " << std::hex << s.address;
            EXPECT_EQ(ReadCounter(b), s.counter) << c.name << " after " << std::hex << s.address;
        }
    }
}

TEST(Namco106Counter, LiveValueAndTheInterrupt) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    b.m().cycles = 100;
    b.console.WriteByte(0x5000, 0x00);
    b.console.WriteByte(0x5800, 0xFF);  // $FF00: 255 cycles to the deadline
    EXPECT_EQ(b.m().boardIrqTime, 100u + 255u);
    for (uint32_t t : {100u, 101u, 200u, 355u}) {
        b.m().cycles = t;
        EXPECT_EQ(ReadCounter(b), (0xFF00 + (t - 100)) & 0x7FFF) << t;
    }
    b.m().irqPending = 1;  // a read does not acknowledge
    b.m().cycles = 200;
    ReadCounter(b);
    EXPECT_EQ(b.m().irqPending, 1);

    Fire(b);
    EXPECT_EQ(b.m().boardIrqTime, 0u);
    EXPECT_EQ(b.console.ReadByte(0x5000), 0xFF);
    EXPECT_EQ(b.console.ReadByte(0x5800), 0x7F);
    b.m().cycles += 5000;
    EXPECT_EQ(ReadCounter(b), 0x7FFF) << "held until the counter is written";
    EXPECT_EQ(b.m().irqPending, 1);

    // A low write after the interrupt builds on $7FFF: stopped, and the
    // line stays up; the high write is what drops it.
    b.console.WriteByte(0x5000, 0x42);
    EXPECT_EQ(ReadCounter(b), 0x7F42);
    EXPECT_EQ(b.m().boardIrqTime, 0u);
    EXPECT_EQ(b.m().irqPending, 1);
    b.console.WriteByte(0x5800, 0x00);
    EXPECT_EQ(ReadCounter(b), 0x0042);
    EXPECT_EQ(b.m().irqPending, 0);
}

TEST(Namco106Counter, WritesAndTheLine) {
    // A stopped low write leaves someone else's deadline and the line alone.
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    b.m().boardIrqTime = 7777;
    b.m().irqPending = 1;
    b.console.WriteByte(0x5000, 0x12);
    EXPECT_EQ(b.m().boardIrqTime, 7777u);
    EXPECT_EQ(b.m().irqPending, 1);
    // Starting the count drops the line.
    b.m().cycles = 10;
    b.console.WriteByte(0x5800, 0x80);
    EXPECT_EQ(b.m().irqPending, 0);
    b.m().irqPending = 1;
    b.console.WriteByte(0x5000, 0x00);
    EXPECT_EQ(b.m().irqPending, 0);
    // A full count at cycle 0 still schedules (a deadline of 0 would mean none).
    b.console.WriteByte(0x5800, 0x00);
    b.console.WriteByte(0x5000, 0xFF);
    b.m().cycles = 0;
    b.console.WriteByte(0x5800, 0xFF);  // $FFFF
    EXPECT_NE(b.m().boardIrqTime, 0u);
}

TEST(Namco106Counter, FrameEnd) {
    const uint32_t budget = kFrameCycleBudget;
    struct Case {
        uint32_t deadline;
        uint32_t after;
    };
    const Case cases[] = {{0, 0}, {5000, 0}, {budget, 0}, {budget + 1, 1}, {budget + 20000, 20000}};
    for (const Case& c : cases) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(kImage));
        b.m().boardIrqTime = c.deadline;
        b.console.mapper->EndOfFrame();
        EXPECT_EQ(b.m().boardIrqTime, c.after) << c.deadline;
    }
    // A count running across the frame end reads on without a jump.
    BoardConsole b;
    ASSERT_TRUE(b.Load(kImage));
    b.m().cycles = 29000;
    b.console.WriteByte(0x5000, 0x00);
    b.console.WriteByte(0x5800, 0x80);  // 32767 cycles to go
    b.m().cycles = budget + 8;
    uint16_t atEnd = ReadCounter(b);
    b.console.mapper->EndOfFrame();
    b.m().cycles = 8;
    EXPECT_EQ(ReadCounter(b), atEnd);
    EXPECT_EQ(b.m().boardIrqTime, 29000u + 0x7FFF - budget);
}

// $8000: CLI, loop. The handler at $8010 counts in $00, stops the counter
// through $5800 (which drops the line) and returns.
void PlaceCounterProgram(BoardConsole& b) {
    uint8_t* first = b.m().prgPages[12];
    const uint8_t code[] = {0x58, 0x4C, 0x01, 0x80};
    std::copy(std::begin(code), std::end(code), first);
    const uint8_t handler[] = {0xE6, 0x00, 0xA9, 0x00, 0x8D, 0x00, 0x58, 0x40};
    std::copy(std::begin(handler), std::end(handler), first + 0x10);
    uint8_t* last = b.m().prgPages[15];
    last[0x1FFE] = 0x10, last[0x1FFF] = 0x80;
}

TEST(Namco106Counter, InterruptWhileTheFrameRuns) {
    struct Case {
        const char* name;
        uint8_t high;
        int firstFrame, secondFrame;
    };
    const Case cases[] = {
        {"within the frame", 0xC0, 1, 1},         // 16383 cycles
        {"into the next frame", 0x80, 0, 1},      // 32767 cycles
        {"stopped", 0x40, 0, 0},
    };
    for (const Case& c : cases) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(kImage));
        PlaceCounterProgram(b);
        b.console.SoftReset();
        b.console.WriteByte(0x5000, 0x00);
        b.m().cycles = 0;
        b.console.WriteByte(0x5800, c.high);
        b.console.cpu.Run(RunMode::RunToFrameEnd);
        EXPECT_EQ(b.m().ram[0], c.firstFrame) << c.name;
        b.console.cpu.Run(RunMode::RunToFrameEnd);
        b.console.cpu.Run(RunMode::RunToFrameEnd);
        EXPECT_EQ(b.m().ram[0], c.secondFrame) << c.name;
        EXPECT_EQ(b.m().irqPending, 0) << c.name;
    }
}

// --- Sound, measured from the mixer's output bytes ---

struct SoundRig : BoardSoundRig {
    explicit SoundRig(InesLayout image = kImage, int32_t rate = 44100) : BoardSoundRig(image, rate) {}
    // Sound RAM bytes from `address` through the auto-incrementing port.
    void Poke(uint8_t address, const std::vector<uint8_t>& bytes) {
        b.console.WriteByte(0xF800, 0x80 | address);
        for (uint8_t v : bytes) b.console.WriteByte(0x4800, v);
    }
    // A square waveform of `length` samples (half 0, half 15) at sample 0.
    void SquareWave(int length) {
        std::vector<uint8_t> bytes(static_cast<size_t>(length / 2), 0);
        for (int s = length / 2; s < length; ++s) bytes[static_cast<size_t>(s / 2)] |= (s & 1) ? 0xF0 : 0x0F;
        Poke(0, bytes);
    }
    // Channel `i` registers r[0..7].
    void Channel(int i, uint32_t frequency, uint8_t r4High, int lengthCode, uint8_t start, uint8_t volume) {
        Poke(static_cast<uint8_t>(0x40 + 8 * i),
             {static_cast<uint8_t>(frequency), 0, static_cast<uint8_t>(frequency >> 8), 0,
              static_cast<uint8_t>(r4High | lengthCode << 2 | ((frequency >> 16) & 3)), 0, start, volume});
    }
};

// The board truncates to whole hertz and the mixer the phase step to whole
// units: a note comes out up to about 0.3% flat at 440 Hz.
constexpr double kPitchTolerance = 0.01;


TEST(Namco106Sound, PitchFollowsTheFrequencyRegister) {
    struct Case {
        const char* name;
        int channel;
        uint32_t frequency;
        uint8_t r4High;  // bits 4-7 of r[4]
        int lengthCode;
        double hz;
    };
    const Case cases[] = {
        {"15467 with the doubling bit is 440 Hz", 0, 15467, 0x10, 0, 440},
        {"without the doubling bit half that", 3, 15467, 0x20, 0, 220},
        {"upper bits only enable it", 7, 15467, 0xE0, 0, 220},
        {"doubling with other bits set", 5, 15467, 0xF0, 0, 440},
        {"bits 16-17 of the register", 1, 0x10000, 0x10, 0, 65536 * 440 / 15467},
        {"a low note", 2, 2000, 0x10, 0, 2000 * 440 / 15467},
        {"12-sample waveform, same pitch", 4, 15467, 0x10, 2, 440},
        {"10-sample waveform, same pitch", 6, 31000, 0x20, 3, 31000 * 440 / 15467 / 2},
    };
    for (const Case& c : cases) {
        SoundRig rig;
        rig.SquareWave(16 - 2 * c.lengthCode);
        rig.Channel(c.channel, c.frequency, c.r4High, c.lengthCode, 0, 15);
        std::vector<uint8_t> s = rig.Play(20);
        ASSERT_GT(s.size(), 40000u) << c.name;
        EXPECT_NEAR(MeasuredFrequency(s, rig.Rate()), c.hz, c.hz * kPitchTolerance) << c.name;
        // Samples 0 and 15 become -8 and 7 times the volume: -120 and 105 in
        // the sum, a quarter of that in the bytes.
        EXPECT_EQ(*std::max_element(s.begin(), s.end()), 128 + 105 / 4) << c.name;
        EXPECT_EQ(*std::min_element(s.begin(), s.end()), 128 - 120 / 4) << c.name;
        double low = static_cast<double>(std::count_if(s.begin(), s.end(), [](uint8_t v) { return v < 128; }));
        EXPECT_NEAR(low / static_cast<double>(s.size()), 0.5, 0.02) << c.name;
    }
}

TEST(Namco106Sound, PitchAtOtherRates) {
    for (int32_t rate : {22050, 11025}) {
        SoundRig rig(kImage, rate);
        rig.SquareWave(16);
        rig.Channel(0, 15467 / 2, 0x10, 0, 0, 15);
        std::vector<uint8_t> s = rig.Play(20);
        double hz = 15467 / 2 * 440 / 15467;
        EXPECT_NEAR(MeasuredFrequency(s, rig.Rate()), hz, hz * kPitchTolerance) << rate;
    }
}

TEST(Namco106Sound, VolumeScalesTheLevel) {
    for (uint8_t volume : {1, 8, 15}) {
        SoundRig rig;
        rig.SquareWave(16);
        rig.Channel(0, 15467, 0x10, 0, 0, static_cast<uint8_t>(0xF0 | volume));  // high nibble ignored
        std::vector<uint8_t> s = rig.Play(3);
        EXPECT_EQ(*std::max_element(s.begin(), s.end()), 128 + 7 * volume / 4) << int{volume};
        EXPECT_EQ(*std::min_element(s.begin(), s.end()), 128 - 8 * volume / 4) << int{volume};
    }
}

// The chip's channel-count bits (4-6 of $7F, channel 7's volume byte) are
// not used: all eight channels are always mixed, at the same pitch and level.
TEST(Namco106Sound, ChannelCountBitsChangeNothing) {
    std::vector<uint8_t> reference;
    for (uint8_t count = 0; count < 8; ++count) {
        SoundRig rig;
        rig.SquareWave(16);
        rig.Channel(0, 15467, 0x10, 0, 0, 15);
        rig.Channel(6, 15467, 0x10, 0, 0, 15);  // beyond what a count of 0 would play
        rig.Poke(0x7F, {static_cast<uint8_t>(count << 4)});
        std::vector<uint8_t> s = rig.Play(6);
        // Two channels in step: twice the level.
        EXPECT_EQ(*std::max_element(s.begin(), s.end()), 128 + 210 / 4) << int{count};
        EXPECT_EQ(*std::min_element(s.begin(), s.end()), 128 - 240 / 4) << int{count};
        EXPECT_NEAR(MeasuredFrequency(s, rig.Rate()), 440, 440 * kPitchTolerance) << int{count};
        if (count == 0)
            reference = s;
        else
            EXPECT_EQ(s, reference) << int{count};
    }
}

TEST(Namco106Sound, Silence) {
    struct Case {
        const char* name;
        InesLayout image;
        uint32_t frequency;
        uint8_t r4High;
        uint8_t volume;
        uint8_t mask;
    };
    const Case cases[] = {
        {"nothing written", kImage, 0, 0, 0, 0x20},
        {"bits 4-7 of r[4] clear", kImage, 15467, 0x00, 15, 0x20},
        {"frequency 0", kImage, 0, 0x10, 15, 0x20},
        {"volume 0", kImage, 15467, 0x10, 0, 0x20},
        {"horizontal mirroring bit: no board sound", {19, 8, 4, 0x00}, 15467, 0x10, 15, 0x20},
        {"external sound off in the mask", kImage, 15467, 0x10, 15, 0x00},
    };
    for (const Case& c : cases) {
        SoundRig rig(c.image);
        rig.SquareWave(16);
        if (c.frequency || c.r4High || c.volume) rig.Channel(2, c.frequency, c.r4High, 0, 0, c.volume);
        rig.b.console.apu.channelMask = c.mask;
        EXPECT_TRUE(AllSilent(rig.Play(3))) << c.name;
    }
}

TEST(Namco106Sound, ChangesWaitForTheTick) {
    SoundRig rig;
    Mapper& board = *rig.b.console.mapper;
    int32_t acc = 0;
    ASSERT_TRUE(board.MixSample(&acc, 0, 0));
    EXPECT_EQ(acc, 0);
    rig.SquareWave(16);
    rig.Channel(0, 15467, 0x10, 0, 0, 15);
    for (int i = 0; i < 100; ++i) board.MixSample(&acc, i, 0);
    EXPECT_EQ(acc, 0) << "the tables are rebuilt only after the mixer's tick";
    board.SoundTick();
    std::set<int32_t> levels;
    for (int i = 0; i < 2000; ++i) {
        int32_t one = 0;
        board.MixSample(&one, i, 0);
        levels.insert(one);
    }
    EXPECT_EQ(levels, (std::set<int32_t>{-120, 105}));
}

TEST(Namco106Sound, WaveformWrapsAtTheEndOfTheRam) {
    // Starting at sample 254: samples 254-255 from byte $7F, then 14 from
    // bytes $00-$06 (the wrap).
    SoundRig rig;
    rig.Poke(0x00, {0, 0, 0, 0, 0, 0, 0});
    rig.Channel(0, 15467, 0x10, 0, 0xFE, 15);
    rig.Poke(0x7F, {0xFF});  // channel 7's volume byte, channel 7 stays silent
    Mapper& board = *rig.b.console.mapper;
    int high = 0;
    const int samples = 44100;
    for (int i = 0; i < samples; ++i) {
        int32_t acc = 0;
        board.MixSample(&acc, i, 0);
        ASSERT_TRUE(acc == 105 || acc == -120) << acc;
        high += acc > 0;
    }
    EXPECT_NEAR(static_cast<double>(high) / samples, 2.0 / 16, 0.01);
}

// --- Snapshots ---

void SaveBoard(BoardConsole& saved, MemoryStream& stream) {
    ASSERT_TRUE(saved.console.mapper->SaveState(stream));
    ASSERT_EQ(WriteEndChunk(stream), 0);
}

// A fresh console whose windows all show page 0, so that every window must
// come back from the registers.
void LoadInto(BoardConsole& restored, MemoryStream& stream) {
    ASSERT_TRUE(restored.Load(kImage));
    for (int w = 0; w < 4; ++w) restored.m().prgWindow[w] = restored.m().prgPages[0];
    for (int w = 0; w < 8; ++w) {
        restored.ppu().chrWindow[w] = restored.m().chrPages[0];
        restored.ppu().decodedChrWindow[w] = restored.m().decodedChrPages[0];
    }
    restored.ppu().SetMirroring(0);
    ASSERT_TRUE(restored.console.mapper->LoadState(stream, OldFormatImage{}, 0));
}

const Writes kFullSetup = {
    {0xE000, 3},    {0xE800, 0x45}, {0xF000, 7},    {0x8000, 0xE2}, {0x8800, 9},    {0x9000, 0xE7},
    {0x9800, 0x0A}, {0xA000, 0xE1}, {0xA800, 0xE9}, {0xB000, 0x0B}, {0xB800, 0xFF}, {0xC000, 6},
    {0xC800, 0xE1}, {0xD000, 0x11}, {0xD800, 0xE2},
};

TEST(Namco106Board, SnapshotRestoresTheWindows) {
    BoardConsole saved;
    ASSERT_TRUE(saved.Load(kImage));
    saved.m().chrPages[6][0x3C0] = 0x1B;
    WriteAll(saved, kFullSetup);
    // A later change of the CHR page does not reach the saved cache: the
    // snapshot's own cache comes back, not a rebuilt one.
    saved.m().chrPages[6][0x3C0] = 0;
    MemoryStream stream;
    SaveBoard(saved, stream);
    BoardConsole restored;
    LoadInto(restored, stream);
    restored.m().chrPages[6][0x3C0] = 0;
    EXPECT_EQ(restored.PrgWindows(), saved.PrgWindows());
    EXPECT_EQ(restored.PrgWindows(), (std::array<int, 4>{3, 5, 7, 15}));
    EXPECT_EQ(restored.ChrWindows(), saved.ChrWindows());
    for (int w = 0; w < 8; ++w) {
        if (saved.Chr(w) != -1) continue;
        EXPECT_EQ(BoardOffset(restored, restored.ppu().chrWindow[w]), BoardOffset(saved, saved.ppu().chrWindow[w]))
            << "window " << w;
        EXPECT_EQ(BoardOffset(restored, restored.ppu().decodedChrWindow[w]),
                  BoardOffset(saved, saved.ppu().decodedChrWindow[w]))
            << "window " << w;
    }
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(NameTablePage(restored, j), NameTablePage(saved, j)) << "name table " << j;
        const uint8_t* a = saved.ppu().attributeCacheWindow[j];
        const uint8_t* r = restored.ppu().attributeCacheWindow[j];
        EXPECT_TRUE(std::equal(a, a + 1024, r)) << "attribute cache " << j;
    }
    EXPECT_EQ(restored.ppu().attributeCacheWindow[0][2], 8) << "the saved cache";
    // The CHR-RAM bits come back with $E800.
    restored.console.WriteByte(0x8000, 0xE0);
    restored.console.WriteByte(0xA000, 0xE0);
    EXPECT_EQ(restored.Chr(0), 0);
    EXPECT_EQ(restored.Chr(4), -1);
}

TEST(Namco106Board, SnapshotKeepsCounterAndSoundRam) {
    struct Case {
        const char* name;
        Writes writes;
        bool fire;
        uint16_t counter;
    };
    const Case cases[] = {
        {"stopped counter", {{0x5800, 0x12}, {0x5000, 0x34}}, false, 0x1234},
        {"fired counter", {{0x5000, 0x00}, {0x5800, 0xFF}}, true, 0x7FFF},
    };
    for (const Case& c : cases) {
        SoundRig saved;
        saved.b.m().cycles = 0;
        WriteAll(saved.b, c.writes);
        if (c.fire) Fire(saved.b);
        saved.SquareWave(12);
        saved.Channel(1, 20000, 0x10, 2, 0, 11);
        saved.Channel(6, 7000, 0x40, 0, 0, 9);
        saved.b.console.WriteByte(0xF800, 0x85);
        MemoryStream stream;
        SaveBoard(saved.b, stream);
        SoundRig restored;
        LoadInto(restored.b, stream);
        restored.b.m().boardIrqTime = saved.b.m().boardIrqTime;  // saved with the Machine
        restored.b.m().cycles = saved.b.m().cycles;
        EXPECT_EQ(ReadCounter(restored.b), c.counter) << c.name;
        // The address register, then every byte of the sound RAM.
        EXPECT_EQ(restored.b.console.ReadByte(0x4800), saved.b.console.ReadByte(0x4800)) << c.name;
        EXPECT_EQ(restored.b.console.ReadByte(0x4800), saved.b.console.ReadByte(0x4800)) << c.name;
        for (int i = 0; i < 128; ++i) {
            saved.b.console.WriteByte(0xF800, static_cast<uint8_t>(i));
            restored.b.console.WriteByte(0xF800, static_cast<uint8_t>(i));
            ASSERT_EQ(restored.b.console.ReadByte(0x4800), saved.b.console.ReadByte(0x4800)) << c.name << " " << i;
        }
        // Neither has mixed yet: the same samples from the same phases.
        for (int i = 0; i < 3000; ++i) {
            int32_t a = 0, r = 0;
            saved.b.console.mapper->MixSample(&a, i, 0);
            restored.b.console.mapper->MixSample(&r, i, 0);
            ASSERT_EQ(r, a) << c.name << " sample " << i;
        }
    }
}

// Through the snapshot slot, with the picture unit's and the Machine's own
// chunks: the board's name tables must stand after the picture unit's
// mirroring was applied again.
TEST(Namco106Board, QuickLoadRestoresTheBoard) {
    ScratchDir dir;
    std::string game = dir.Write("game.nes", MakeInes(kImage));
    RunningGame run;
    ASSERT_TRUE(run.Open(game));
    run.Run(2);
    Console& c = run.console;
    Writes writes = kFullSetup;
    writes.insert(writes.end(), {{0xF800, 0x80}, {0x4800, 0x12}, {0x4800, 0x34}, {0x5000, 0x00}});
    for (auto [address, value] : writes) c.WriteByte(address, value);
    c.machine.cycles = 100;
    c.WriteByte(0x5800, 0xC0);
    auto prg = c.machine.prgWindow;
    auto chr = c.ppu.chrWindow;
    auto nameTables = c.ppu.nameTable;
    auto palettes = c.ppu.attributeCacheWindow;
    uint32_t irqTime = c.machine.boardIrqTime;
    ASSERT_NE(irqTime, 0u);
    c.game.snapshotSlot = 4;
    SaveOptions options;
    ASSERT_TRUE(QuickSave(c, options));

    for (auto [address, value] : Writes{{0xE000, 0}, {0x8000, 0}, {0xA000, 0}, {0xC000, 0xE0}, {0xC800, 0},
                                        {0xF800, 0x80}, {0x4800, 0}, {0x5800, 0}})
        c.WriteByte(address, value);
    ASSERT_TRUE(QuickLoad(c, options));
    EXPECT_EQ(c.machine.prgWindow, prg);
    EXPECT_EQ(c.ppu.chrWindow, chr);
    EXPECT_EQ(c.ppu.nameTable, nameTables);
    EXPECT_EQ(c.ppu.attributeCacheWindow, palettes);
    EXPECT_EQ(c.machine.boardIrqTime, irqTime);
    c.WriteByte(0xF800, 0x80);
    EXPECT_EQ(c.ReadByte(0x4800), 0x12);
    EXPECT_EQ(c.ReadByte(0x4800), 0x34);
    EXPECT_TRUE(run.host.messages.empty());
}

TEST(Namco106Board, DamagedSnapshotStaysInsideTheImage) {
    BoardConsole saved;
    ASSERT_TRUE(saved.Load(kImage));
    for (const StateField& field : saved.console.mapper->GetStateTable())
        std::fill_n(static_cast<uint8_t*>(field.destination), field.size, uint8_t{0xDB});
    MemoryStream stream;
    SaveBoard(saved, stream);
    BoardConsole restored;
    LoadInto(restored, stream);
    for (int w = 0; w < 4; ++w) {
        EXPECT_GE(restored.Prg(w), 0);
        EXPECT_LT(restored.Prg(w), 16);
    }
    for (int w = 0; w < 8; ++w) EXPECT_EQ(restored.Chr(w), 0xDB % 32);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(NameTablePage(restored, j), 0xDB % 32);
    int32_t acc = 0;
    restored.console.mapper->SoundTick();
    for (int i = 0; i < 1000; ++i) restored.console.mapper->MixSample(&acc, i, 0);
    ReadCounter(restored);
}

TEST(Namco106Board, TinyImageRunsFrames) {
    // A loop at $E100 writing a changing value to every register range.
    const uint8_t loop[] = {0xE6, 0x10, 0xA5, 0x10, 0x8D, 0x00, 0x48, 0x8D, 0x00, 0x50, 0x8D, 0x00, 0x58,
                            0x8D, 0x00, 0x80, 0x8D, 0x00, 0xC0, 0x8D, 0x00, 0xE0, 0x8D, 0x00, 0xF8,
                            0x4C, 0x00, 0xE1};
    for (InesLayout image : {kImage, InesLayout{19, 1, 0, 0x01}}) {
        std::vector<uint8_t> rom = MakeInes(image);
        size_t prgBytes = size_t{image.prgUnits} * 0x4000;
        uint8_t* last = &rom[16 + prgBytes - 0x2000];
        std::copy(std::begin(loop), std::end(loop), last + 0x100);
        last[0x1FFC] = 0x00, last[0x1FFD] = 0xE1;
        last[0x1FFE] = 0x00, last[0x1FFF] = 0xE1;  // interrupts restart the loop
        BoardConsole b;
        ASSERT_TRUE(b.Load(rom));
        b.console.SoftReset();
        for (int f = 0; f < 5; ++f) b.console.cpu.Run(RunMode::RunToFrameEnd);
        EXPECT_GT(b.m().ram[0x10], 0);
        EXPECT_TRUE(b.host.messages.empty());
    }
}

}  // namespace
}  // namespace korvanta::test
