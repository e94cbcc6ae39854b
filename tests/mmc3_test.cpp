// MMC3 (mappers 4, 118, 245) and its relatives (64, 182, 187, 189): bank
// registers, mirroring, cartridge RAM, the scanline interrupt as a cycle
// target, snapshots, and values from damaged snapshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <utility>

#include "mapper_fixture.h"

namespace korvanta::test {
namespace {


// Images are 128 KB PRG (16 pages) and 32 KB CHR (32 pages) unless named;
// the loader starts them on pages 12-15 and CHR pages 24-31.
const std::vector<WindowCase>& WindowCases() {
    static const std::vector<WindowCase> cases = {
        {"mmc3 R6 masked to the page count", {4, 8, 4}, {{0x8000, 0x06}, {0x8001, 0x23}}, {3, 13, 14, 15}, kChrAny,
         kAny},
        {"mmc3 R0 masked and even", {4, 8, 4}, {{0x8000, 0x00}, {0x8001, 0x27}}, kPrgAny,
         {6, 7, 26, 27, 28, 29, 30, 31}, kAny},
        {"mmc3 R7 at $A000", {4, 8, 4}, {{0x8000, 0x07}, {0x8001, 0x09}}, {12, 9, 14, 15}, kChrAny, kAny},
        {"mmc3 PRG layout 1 swaps $8000 and $C000", {4, 8, 4}, {{0x8000, 0x46}, {0x8001, 0x05}}, {14, 13, 5, 15},
         kChrAny, kAny},
        {"mmc3 all CHR registers",
         {4, 8, 4},
         {{0x8000, 0}, {0x8001, 2}, {0x8000, 1}, {0x8001, 4}, {0x8000, 2}, {0x8001, 10},
          {0x8000, 3}, {0x8001, 11}, {0x8000, 4}, {0x8001, 12}, {0x8000, 5}, {0x8001, 13}},
         kPrgAny, {2, 3, 4, 5, 10, 11, 12, 13}, kAny},
        {"mmc3 CHR layout bit swaps the halves without a data write",
         {4, 8, 4},
         {{0x8000, 0}, {0x8001, 2}, {0x8000, 1}, {0x8001, 4}, {0x8000, 2}, {0x8001, 10},
          {0x8000, 3}, {0x8001, 11}, {0x8000, 4}, {0x8001, 12}, {0x8000, 5}, {0x8001, 13}, {0x8000, 0x80}},
         kPrgAny, {10, 11, 12, 13, 2, 3, 4, 5}, kAny},
        {"mmc3 data writes in CHR layout 1", {4, 8, 4}, {{0x8000, 0x80}, {0x8001, 2}, {0x8000, 0x82}, {0x8001, 7}},
         kPrgAny, {7, 29, 30, 31, 2, 3, 26, 27}, kAny},
        {"mmc3 horizontal", {4, 8, 4}, {{0xA000, 1}}, kPrgAny, kChrAny, 2},
        {"mmc3 vertical", {4, 8, 4}, {{0xA000, 1}, {0xA000, 0}}, kPrgAny, kChrAny, 1},
        {"mmc3 four screens stay", {4, 8, 4, 0x08}, {{0xA000, 1}}, kPrgAny, kChrAny, 3},
        {"mmc3 ignores undecoded addresses", {4, 8, 4}, {{0x6000, 0x06}, {0x4020, 0x06}, {0x8001, 0x02}},
         {12, 13, 14, 15}, {2, 3, 26, 27, 28, 29, 30, 31}, kAny},
        {"118 CHR value picks the upper screen", {118, 8, 4}, {{0x8000, 2}, {0x8001, 0x85}, {0xA000, 0}},
         kPrgAny, {24, 25, 26, 27, 5, 29, 30, 31}, 4},
        {"118 and the lower screen", {118, 8, 4}, {{0x8000, 2}, {0x8001, 0x85}, {0x8001, 0x05}}, kPrgAny, kChrAny,
         0},
        {"245 ignores CHR, switches PRG", {245, 8, 0}, {{0x8000, 0}, {0x8001, 5}, {0x8000, 0x80}, {0x8000, 6},
                                                        {0x8001, 3}},
         {3, 13, 14, 15}, {0, 1, 2, 3, 4, 5, 6, 7}, kAny},
        {"64 CHR pairs",
         {64, 8, 4},
         {{0x8000, 0}, {0x8001, 4}, {0x8000, 1}, {0x8001, 6}, {0x8000, 2}, {0x8001, 8},
          {0x8000, 3}, {0x8001, 9}, {0x8000, 4}, {0x8001, 10}, {0x8000, 5}, {0x8001, 11}},
         kPrgAny, {4, 5, 6, 7, 8, 9, 10, 11}, kAny},
        {"64 bit 5 takes R8 and R9",
         {64, 8, 4},
         {{0x8000, 0}, {0x8001, 4}, {0x8000, 1}, {0x8001, 6}, {0x8000, 2}, {0x8001, 8},
          {0x8000, 3}, {0x8001, 9}, {0x8000, 4}, {0x8001, 10}, {0x8000, 5}, {0x8001, 11},
          {0x8000, 0x28}, {0x8001, 20}, {0x8000, 0x29}, {0x8001, 21}},
         kPrgAny, {4, 20, 6, 21, 8, 9, 10, 11}, kAny},
        {"64 CHR layout bit", {64, 8, 4}, {{0x8000, 0}, {0x8001, 4}, {0x8000, 0x82}, {0x8001, 33}}, kPrgAny,
         {1, 0, 0, 0, 4, 5, 0, 1}, kAny},
        {"64 three PRG registers",
         {64, 8, 4},
         {{0x8000, 6}, {0x8001, 2}, {0x8000, 7}, {0x8001, 3}, {0x8000, 15}, {0x8001, 5}},
         {2, 3, 5, 15}, kChrAny, kAny},
        {"64 PRG layout bit",
         {64, 8, 4},
         {{0x8000, 6}, {0x8001, 2}, {0x8000, 7}, {0x8001, 3}, {0x8000, 15}, {0x8001, 5}, {0x8000, 0x40}},
         {5, 2, 3, 15}, kChrAny, kAny},
        {"64 mirroring", {64, 8, 4}, {{0xA000, 1}}, kPrgAny, kChrAny, 2},
        {"182 register order",
         {182, 8, 4},
         {{0xA000, 0}, {0xC000, 4}, {0xA000, 1}, {0xC000, 9}, {0xA000, 2}, {0xC000, 0x0B}, {0xA000, 3}, {0xC000, 12},
          {0xA000, 6}, {0xC000, 13}, {0xA000, 7}, {0xC000, 14}, {0xA000, 4}, {0xC000, 3}, {0xA000, 5},
          {0xC000, 0x17}, {0x8001, 1}},
         {3, 7, 14, 15}, {4, 5, 10, 11, 13, 9, 14, 12}, 2},
        {"182 ignores the layout bits", {182, 8, 4}, {{0xA000, 0xC0}, {0xC000, 6}}, kPrgAny,
         {6, 7, 26, 27, 28, 29, 30, 31}, kAny},
        {"187 2 KB pair", {187, 8, 4}, {{0x8000, 0}, {0x8001, 5}}, kPrgAny, {4, 5, 0, 0, 0, 0, 0, 0}, kAny},
        {"187 1 KB page masked", {187, 8, 4}, {{0x8000, 2}, {0x8001, 0x27}}, kPrgAny, {0, 0, 0, 0, 7, 0, 0, 0}, kAny},
        {"187 CHR layout bit swaps the page lists", {187, 8, 4}, {{0x8000, 2}, {0x8001, 3}, {0x8000, 0x80}},
         kPrgAny, {3, 0, 0, 0, 0, 0, 0, 0}, kAny},
        {"187 R6", {187, 8, 4}, {{0x8000, 6}, {0x8001, 3}}, {3, 13, 14, 15}, kChrAny, kAny},
        {"187 $5000 32 KB mode", {187, 8, 4}, {{0x5000, 0xA3}, {0x8000, 6}, {0x8001, 9}}, {4, 5, 6, 7}, kChrAny,
         kAny},
        {"187 $5000 16 KB at $C000", {187, 8, 4}, {{0x5000, 0x83}}, {12, 13, 6, 7}, kChrAny, kAny},
        {"187 $5000 back to the registers", {187, 8, 4}, {{0x8000, 6}, {0x8001, 3}, {0x5000, 0xA3}, {0x5000, 0x00}},
         {3, 0, 14, 15}, kChrAny, kAny},
        {"187 special mode $28", {187, 8, 4}, {{0x8003, 0x28}, {0x8001, 0}}, {12, 13, 7, 15}, kChrAny, kAny},
        {"187 special mode $2A", {187, 8, 4}, {{0x8003, 0x2A}, {0x8001, 0}}, {12, 15, 14, 15}, kChrAny, kAny},
        {"187 $8003 below $10 restores $C000", {187, 8, 4}, {{0x8003, 0x28}, {0x8001, 0}, {0x8003, 0x05}},
         {12, 13, 14, 15}, kChrAny, kAny},
        {"187 $8000 leaves the special mode", {187, 8, 4}, {{0x8003, 0x28}, {0x8000, 0x06}, {0x8001, 2}},
         {2, 13, 14, 15}, kChrAny, kAny},
        {"187 exact addresses only", {187, 8, 4}, {{0x8002, 6}, {0x8005, 2}, {0xA002, 1}}, {12, 13, 14, 15},
         kChrAny, kAny},
        {"189 32 KB bank from $4120", {189, 8, 4}, {{0x4120, 0x10}}, {4, 5, 6, 7}, kChrAny, kAny},
        {"189 bank from $6000 without RAM", {189, 8, 4}, {{0x6000, 0x20}, {0x8000, 0x46}, {0x8001, 2}},
         {8, 9, 10, 11}, kChrAny, kAny},
        {"189 odd addresses ignored", {189, 8, 4}, {{0x4121, 0x10}}, {12, 13, 14, 15}, kChrAny, kAny},
        {"189 fixed pages wrap on a small image", {189, 3, 1}, {{0x4100, 0x10}}, {4, 5, 0, 1}, kChrAny, kAny},
        {"189 MMC3 CHR", {189, 8, 4}, {{0x8000, 0x80}, {0x8001, 9}}, kPrgAny, {28, 29, 30, 31, 8, 9, 26, 27}, kAny},
    };
    return cases;
}


TEST(Mmc3Family, WritesMoveTheWindows) {
    for (const WindowCase& c : WindowCases()) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(c.image)) << c.name;
        WriteAll(b, c.writes);
        ExpectWindows(b, c.name, c.prg, c.chr, c.mirroring);
    }
}

// Every register of a board written, so its windows follow from them alone.
struct FullSetup {
    const char* name;
    InesLayout image;
    Writes writes;
};

Writes Mmc3Registers(uint8_t finalSelect) {
    Writes w;
    const uint8_t values[8] = {6, 9, 17, 18, 19, 20, 5, 3};
    for (uint8_t r = 0; r < 8; ++r) w.insert(w.end(), {{0x8000, r}, {0x8001, values[r]}});
    w.push_back({0x8000, finalSelect});
    return w;
}

const std::vector<FullSetup>& FullSetups() {
    static const std::vector<FullSetup> setups = [] {
        std::vector<FullSetup> s = {
            {"mmc3 layout 0", {4, 8, 4}, Mmc3Registers(0x01)},
            {"mmc3 layout 3", {4, 8, 4}, Mmc3Registers(0xC2)},
            {"mmc3 CHR RAM", {4, 8, 0}, Mmc3Registers(0x80)},
            {"118", {118, 8, 4}, Mmc3Registers(0xC0)},
            {"245", {245, 8, 0}, Mmc3Registers(0x40)},
            {"189", {189, 8, 4}, Mmc3Registers(0x80)},
            {"182", {182, 8, 4}, {}},
            {"187", {187, 8, 4}, {}},
            {"187 32 KB", {187, 8, 4}, {}},
            {"64", {64, 8, 4}, {}},
        };
        for (FullSetup& f : s) {
            std::string name = f.name;
            if (name == "189") f.writes.push_back({0x4120, 0x14});
            if (name == "182") {
                for (uint8_t r = 0; r < 8; ++r)
                    f.writes.insert(f.writes.end(), {{0xA000, r}, {0xC000, static_cast<uint8_t>(3 * r + 1)}});
            }
            if (name.rfind("187", 0) == 0) {
                for (uint8_t r = 0; r < 8; ++r)
                    f.writes.insert(f.writes.end(), {{0x8000, r}, {0x8001, static_cast<uint8_t>(5 * r + 2)}});
                f.writes.push_back({0x8000, 0x80});
                if (name == "187 32 KB") f.writes.push_back({0x5000, 0xA1});
            }
            if (name == "64") {
                for (uint8_t r = 0; r < 16; ++r)
                    f.writes.insert(f.writes.end(), {{0x8000, r}, {0x8001, static_cast<uint8_t>(3 * r + 40)}});
                f.writes.push_back({0x8000, 0xE0});
            }
        }
        return s;
    }();
    return setups;
}

// Loads `saved`'s board state into a fresh console whose windows all show
// page 0, so that every window must come back from the registers.
void RoundTrip(BoardConsole& saved, BoardConsole& restored, const InesLayout& image) {
    MemoryStream stream(SaveBoard(saved));
    ASSERT_TRUE(restored.Load(image));
    ClearWindows(restored);
    ASSERT_TRUE(restored.console.mapper->LoadState(stream, OldFormatImage{}, 0));
}

TEST(Mmc3Family, SnapshotRebuildsTheWindows) {
    for (const FullSetup& f : FullSetups()) {
        BoardConsole saved;
        ASSERT_TRUE(saved.Load(f.image)) << f.name;
        WriteAll(saved, f.writes);
        BoardConsole restored;
        RoundTrip(saved, restored, f.image);
        EXPECT_EQ(restored.PrgWindows(), saved.PrgWindows()) << f.name;
        // Mapper 245 keeps the CHR RAM windows as they are.
        if (f.image.mapper != 245) {
            EXPECT_EQ(restored.ChrWindows(), saved.ChrWindows()) << f.name;
        }
        EXPECT_EQ(restored.console.mapper->sramEnabled, saved.console.mapper->sramEnabled) << f.name;
    }
}

TEST(Mmc3Family, SnapshotKeepsTheCounterRegisters) {
    BoardConsole saved;
    ASSERT_TRUE(saved.Load(InesLayout{4, 8, 4}));
    saved.console.WriteByte(0xC000, 30);
    saved.console.WriteByte(0xC001, 7);  // reload only, used by the next $E000
    BoardConsole restored;
    RoundTrip(saved, restored, InesLayout{4, 8, 4});
    restored.m().cycles = 100;
    restored.console.WriteByte(0xE001, 0);
    EXPECT_EQ(restored.m().boardIrqTime, 5687u);  // count 30
    restored.console.WriteByte(0xE000, 0);
    restored.console.WriteByte(0xE001, 0);
    EXPECT_EQ(restored.m().boardIrqTime, 3071u);  // count 7
}

// Cartridge RAM after a quick load: the constructor maps it while
// `ramControl` stays 0, so a game that never wrote $A001 must keep it.
struct RamCase {
    const char* name;
    InesLayout image;
    Writes writes;
    uint8_t expected;  // sramEnabled before and after the snapshot
};

TEST(Mmc3Family, CartridgeRamSurvivesASnapshot) {
    const std::vector<RamCase> cases = {
        {"mmc3 never wrote $A001", {4, 8, 4}, {}, 1},
        {"mmc3 first $A001 write of 0 changes nothing", {4, 8, 4}, {{0xA001, 0x00}}, 1},
        {"mmc3 enabled", {4, 8, 4}, {{0xA001, 0x80}}, 1},
        {"mmc3 disabled after enabling", {4, 8, 4}, {{0xA001, 0x80}, {0xA001, 0x40}}, 0},
        {"187 battery, never wrote $A001", {187, 8, 4, 0x02}, {}, 1},
        {"187 without battery", {187, 8, 4}, {}, 0},
        {"187 enabled by $A001", {187, 8, 4}, {{0xA001, 0x80}}, 1},
        {"189 battery, never wrote $A001", {189, 8, 4, 0x02}, {}, 1},
        {"189 battery, $A001 changes nothing", {189, 8, 4, 0x02}, {{0xA001, 0x80}, {0xA001, 0x40}}, 1},
        {"189 without battery, $A001 changes nothing", {189, 8, 4}, {{0xA001, 0x80}}, 0},
        {"182 always", {182, 8, 4}, {{0xA001, 0x00}}, 1},
        {"64 battery", {64, 8, 4, 0x02}, {{0xA001, 0x00}}, 1},
        {"64 without battery", {64, 8, 4}, {{0xA001, 0x80}}, 0},
    };
    for (const RamCase& c : cases) {
        BoardConsole saved;
        ASSERT_TRUE(saved.Load(c.image)) << c.name;
        WriteAll(saved, c.writes);
        EXPECT_EQ(saved.console.mapper->sramEnabled, c.expected) << c.name;
        BoardConsole restored;
        RoundTrip(saved, restored, c.image);
        EXPECT_EQ(restored.console.mapper->sramEnabled, c.expected) << c.name;
    }
}

TEST(Mmc3Family, MappedRamAnswersAtSixThousand) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{4, 8, 4}));
    b.console.WriteByte(0x6010, 0x5A);
    EXPECT_EQ(b.console.ReadByte(0x6010), 0x5A);
    b.console.WriteByte(0xA001, 0x80);
    b.console.WriteByte(0xA001, 0x00);
    EXPECT_EQ(b.console.mapper->sramEnabled, 0);
    EXPECT_EQ(b.console.ReadByte(0x6010), 0);  // the board answers
}

// Values a damaged snapshot can hold: every page must stay inside the image.
TEST(Mmc3Family, SnapshotValuesAreBroughtInsideTheImage) {
    const std::vector<std::pair<const char*, InesLayout>> boards = {
        {"mmc3", {4, 8, 4}}, {"182", {182, 8, 4}}, {"187", {187, 8, 4}}, {"189", {189, 3, 1}}, {"64", {64, 8, 4}}};
    for (const auto& [name, image] : boards) {
        BoardConsole saved;
        ASSERT_TRUE(saved.Load(image)) << name;
        for (const StateField& f : saved.console.mapper->GetStateTable()) {
            auto* bytes = static_cast<uint8_t*>(f.destination);
            if (f.type == kFieldBlock) std::memset(bytes, 0xF7, f.size);
            if (f.type == kFieldByte) *bytes = 0xFF;
        }
        BoardConsole restored;
        RoundTrip(saved, restored, image);
        for (int w = 0; w < 4; ++w) {
            EXPECT_GE(restored.Prg(w), 0) << name << " PRG window " << w;
            EXPECT_LT(restored.Prg(w), 2 * image.prgUnits) << name << " PRG window " << w;
        }
        for (int w = 0; w < 8; ++w) {
            EXPECT_GE(restored.Chr(w), 0) << name << " CHR window " << w;
            EXPECT_LT(restored.Chr(w), 8 * image.chrUnits) << name << " CHR window " << w;
        }
        // The stored registers themselves are back in range.
        for (const StateField& f : restored.console.mapper->GetStateTable()) {
            if (f.type != kFieldBlock) continue;
            const auto* words = static_cast<const uint32_t*>(f.destination);
            for (uint32_t i = 0; i < f.size / 4; ++i) EXPECT_LT(words[i], 8u * image.chrUnits) << name << " " << i;
        }
    }
}

// The interrupt cycle for a count armed at a cycle: through $C000 and $E001
// (mapper 182: $A001 and $E003).
struct IrqCase {
    uint32_t mapper;
    uint32_t cycles;
    uint8_t count;
    uint32_t target;
};

TEST(Mmc3Family, InterruptTarget) {
    const std::vector<IrqCase> cases = {
        {4, 100, 0, 2388},      {4, 100, 1, 2388},      {4, 100, 2, 2502},    {4, 100, 10, 3412},
        {4, 100, 255, 31281},   {4, 13800, 20, 16152},  {4, 2389, 0, 2502},   {4, 29575, 0, 29688},
        {4, 29575, 2, 29916},   {118, 100, 0, 2388},    {245, 13800, 20, 16152}, {64, 100, 0, 2388},
        {64, 100, 1, 2338},     {64, 100, 2, 2452},     {64, 13800, 20, 16152}, {182, 100, 3, 2616},
        {182, 13800, 20, 16152}, {187, 100, 0, 2274},   {187, 100, 1, 2388},  {187, 13800, 20, 16152},
        {189, 100, 0, 2274},    {189, 100, 2, 2502},
    };
    for (const IrqCase& c : cases) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(InesLayout{c.mapper, 8, 4}));
        b.m().cycles = c.cycles;
        bool moved = c.mapper == 182;
        b.console.WriteByte(moved ? 0xA001 : 0xC000, c.count);
        b.console.WriteByte(moved ? 0xE003 : 0xE001, 0);
        EXPECT_EQ(b.m().boardIrqTime, c.target) << "mapper " << c.mapper << " at " << c.cycles << " count "
                                                << int{c.count};
    }
}

TEST(Mmc3Family, CounterRegisterEffects) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{4, 8, 4}));
    b.m().cycles = 100;
    b.console.WriteByte(0xC000, 10);
    EXPECT_EQ(b.m().boardIrqTime, 0u) << "not armed while disabled";
    b.console.WriteByte(0xC001, 2);
    b.console.WriteByte(0xE001, 0);
    EXPECT_EQ(b.m().boardIrqTime, 3412u) << "$C001 waits for $E000";
    b.console.WriteByte(0xC000, 1);
    EXPECT_EQ(b.m().boardIrqTime, 2388u) << "$C000 re-arms while enabled";
    b.m().irqPending = 1;
    b.console.WriteByte(0xE000, 0);
    EXPECT_EQ(b.m().boardIrqTime, 0u);
    EXPECT_EQ(b.m().irqPending, 0) << "$E000 acknowledges";

    // Mapper 187's $C000 sets the count only.
    BoardConsole m187;
    ASSERT_TRUE(m187.Load(InesLayout{187, 8, 4}));
    m187.m().cycles = 100;
    m187.console.WriteByte(0xC001, 2);
    m187.console.WriteByte(0xC000, 10);
    m187.console.WriteByte(0xE003, 0);
    EXPECT_EQ(m187.m().boardIrqTime, 3412u);
    m187.console.WriteByte(0xE002, 0);
    m187.console.WriteByte(0xE001, 0);
    EXPECT_EQ(m187.m().boardIrqTime, 2502u);
}

TEST(Mmc3Family, FiredInterruptIsOneShotAndNeedsRendering) {
    for (uint8_t mask : {0x00, 0x08, 0x10}) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(InesLayout{4, 8, 4}));
        b.console.WriteByte(0x2001, mask);
        b.m().cycles = 100;
        b.console.WriteByte(0xC000, 5);
        b.console.WriteByte(0xE001, 0);
        // What the CPU loop does once cycles pass the target.
        b.m().cycles = 3000;
        b.m().irqPending = 1;
        b.console.mapper->IrqTimeReached();
        EXPECT_EQ(b.m().boardIrqTime, 0u);
        EXPECT_EQ(b.m().irqPending, mask ? 1 : 0) << "mask " << int{mask};
        // Disabled until the game writes $E001 again.
        b.console.WriteByte(0xC000, 5);
        EXPECT_EQ(b.m().boardIrqTime, 0u);
        b.console.WriteByte(0xE001, 0);
        EXPECT_NE(b.m().boardIrqTime, 0u);
    }
}

// A program that arms the counter and counts the interrupts it takes.
// $8000: CLI, then loop; the IRQ handler increments $00 and returns.
void PlaceCounterProgram(BoardConsole& b) {
    uint8_t* first = b.m().prgPages[12];  // at $8000 after loading
    const uint8_t code[] = {0x58, 0x4C, 0x01, 0x80};
    std::copy(std::begin(code), std::end(code), first);
    const uint8_t handler[] = {0xE6, 0x00, 0x40};
    std::copy(std::begin(handler), std::end(handler), first + 0x10);
    uint8_t* last = b.m().prgPages[15];
    last[0x1FFE] = 0x10, last[0x1FFF] = 0x80;
}

TEST(Mmc3Family, InterruptsWhileTheFrameRuns) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{4, 8, 4}));
    PlaceCounterProgram(b);
    b.console.SoftReset();
    b.console.WriteByte(0x2001, 0x18);
    b.console.WriteByte(0xC000, 10);
    b.console.WriteByte(0xE001, 0);
    b.console.cpu.Run(RunMode::RunToFrameEnd);
    EXPECT_EQ(b.m().ram[0], 1);
    b.console.cpu.Run(RunMode::RunToFrameEnd);
    EXPECT_EQ(b.m().ram[0], 1) << "one interrupt per $E001";

    // Armed late in the frame beyond its end: it fires neither in this
    // frame nor in the next, and stays armed until the game acknowledges.
    b.m().cycles = 29575;
    b.console.WriteByte(0xC000, 2);
    b.console.WriteByte(0xE001, 0);
    EXPECT_EQ(b.m().boardIrqTime, 29916u);
    b.console.cpu.Run(RunMode::RunToFrameEnd);
    b.console.cpu.Run(RunMode::RunToFrameEnd);
    EXPECT_EQ(b.m().ram[0], 1);
    EXPECT_EQ(b.m().boardIrqTime, 29916u);
    b.console.WriteByte(0xE000, 0);
    EXPECT_EQ(b.m().boardIrqTime, 0u);
}

TEST(Mmc3Family, Mapper187ProtectionReadAndMessage) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{187, 8, 4}));
    const std::pair<uint8_t, uint8_t> reads[] = {{0x02, 0x42}, {0x03, 0x00}, {0x01, 0x83}, {0x00, 0x83}};
    for (auto [written, read] : reads) {
        b.console.WriteByte(0x5123, written);
        EXPECT_EQ(b.console.ReadByte(0x5000), read) << int{written};
        EXPECT_EQ(b.console.ReadByte(0x6000), read) << int{written};
    }
    b.host.messages.clear();
    b.console.WriteByte(0x8003, 0x33);
    b.console.WriteByte(0x8001, 0x1F);
    ASSERT_EQ(b.host.messages.size(), 1u);
    EXPECT_EQ(b.host.messages[0].text, "Unknown Memory Write 1F at 8001");
    b.console.WriteByte(0x8003, 0x26);
    b.console.WriteByte(0x8001, 0x1F);
    EXPECT_EQ(b.host.messages.size(), 1u);
}

// Sets the image's PRG byte sum to `target` by filling bytes that are
// neither the page numbers nor the vectors.
void SetPrgSum(std::vector<uint8_t>& image, uint32_t prgBytes, uint32_t target) {
    uint32_t sum = std::accumulate(image.begin() + 16, image.begin() + 16 + prgBytes, 0u);
    ASSERT_LE(sum, target);
    for (uint32_t i = 16; i < 16 + prgBytes && sum < target; ++i) {
        uint32_t offset = (i - 16) % 0x2000;
        if (offset < 0x10 || offset >= 0x1FF0) continue;
        uint32_t add = std::min<uint32_t>(0xFF - image[i], target - sum);
        image[i] = static_cast<uint8_t>(image[i] + add);
        sum += add;
    }
    ASSERT_EQ(sum, target);
}

TEST(Mmc3Family, KnownGameSwitchesBanksPerDot) {
    const std::vector<std::pair<uint32_t, uint32_t>> cases = {
        {4, 20184174}, {4, 20184173}, {118, 20184174}, {187, 20184174}};
    for (auto [mapper, sum] : cases) {
        std::vector<uint8_t> image = MakeInes(InesLayout{mapper, 8, 1});
        SetPrgSum(image, 8 * 0x4000, sum);
        BoardConsole b;
        b.m().perDotBankSwitching = 1;  // the loader clears it first
        ASSERT_TRUE(b.Load(image));
        bool expected = sum == 20184174 && mapper != 187;
        EXPECT_EQ(b.m().perDotBankSwitching, expected ? 1 : 0) << mapper << " " << sum;
    }
}

}  // namespace
}  // namespace korvanta::test
