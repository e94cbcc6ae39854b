// MMC1 (mapper 1): the serial register, PRG and CHR modes, images above
// 256 KB, CHR RAM, snapshots in both formats and the one-game option.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <utility>

#include "mapper_fixture.h"

namespace korvanta::test {
namespace {


// Five serial writes, bit 0 first.
void Serial(BoardConsole& b, uint16_t address, uint8_t value) {
    for (int i = 0; i < 5; ++i) b.console.WriteByte(address, static_cast<uint8_t>((value >> i) & 1));
}

// The board's registers through its saved fields: control, chrBank0,
// chrBank1, prgBank, then the four shifts and the four counts.
uint32_t Reg(BoardConsole& b, size_t index) {
    const StateField& f = b.console.mapper->GetStateTable()[index];
    uint32_t value = 0;
    std::memcpy(&value, f.destination, f.size);
    return value;
}

struct Step {
    uint16_t address;
    uint8_t value;  // a five-bit register value written serially, or $80
};

struct Mmc1Case {
    const char* name;
    InesLayout image;
    std::vector<Step> steps;
    std::array<int, 4> prg;
    std::array<int, 8> chr;
    int mirroring;
};

void Apply(BoardConsole& b, const std::vector<Step>& steps) {
    for (const Step& s : steps) {
        if (s.value & 0x80)
            b.console.WriteByte(s.address, s.value);
        else
            Serial(b, s.address, s.value);
    }
}

const std::vector<Mmc1Case>& Cases() {
    // Images: 128 KB PRG (16 pages) and 32 KB CHR (32 pages) unless named.
    static const std::vector<Mmc1Case> cases = {
        {"power-on: 16 KB banks 14 and 15, wrapped", {1, 8, 4}, {}, {12, 13, 14, 15}, {24, 25, 26, 27, 28, 29, 30, 31},
         kAny},
        {"control $10: 32 KB mode, single screen lower", {1, 8, 4}, {{0xE000, 0x03}, {0x8000, 0x10}},
         {4, 5, 6, 7}, {kAny, kAny, kAny, kAny, kAny, kAny, kAny, kAny}, 0},
        {"mode 2 fixes the first bank at $8000", {1, 8, 4}, {{0x8000, 0x0A}, {0xE000, 0x05}}, {0, 1, 10, 11},
         {kAny, kAny, kAny, kAny, kAny, kAny, kAny, kAny}, 1},
        {"mode 3 horizontal", {1, 8, 4}, {{0x8000, 0x0F}, {0xE000, 0x02}}, {4, 5, 14, 15},
         {kAny, kAny, kAny, kAny, kAny, kAny, kAny, kAny}, 2},
        {"8 KB CHR ignores bit 0", {1, 8, 4}, {{0xA000, 0x03}}, {kAny, kAny, kAny, kAny},
         {8, 9, 10, 11, 12, 13, 14, 15}, kAny},
        {"8 KB CHR leaves $C000 alone", {1, 8, 4}, {{0xC000, 0x01}}, {kAny, kAny, kAny, kAny},
         {24, 25, 26, 27, 28, 29, 30, 31}, kAny},
        {"4 KB CHR", {1, 8, 4}, {{0x8000, 0x1C}, {0xA000, 0x03}, {0xC000, 0x05}}, {kAny, kAny, kAny, kAny},
         {12, 13, 14, 15, 20, 21, 22, 23}, 0},
        {"CHR bank wraps", {1, 8, 1}, {{0x8000, 0x1C}, {0xA000, 0x03}}, {kAny, kAny, kAny, kAny},
         {4, 5, 6, 7, 4, 5, 6, 7}, kAny},
        {"CHR RAM: $A000 switches nothing", {1, 8, 0}, {{0x8000, 0x1C}, {0xA000, 0x01}}, {kAny, kAny, kAny, kAny},
         {0, 1, 2, 3, 4, 5, 6, 7}, kAny},
        {"CHR RAM: $C000 picks the upper half", {1, 8, 0}, {{0x8000, 0x1C}, {0xC000, 0x00}},
         {kAny, kAny, kAny, kAny}, {0, 1, 2, 3, 0, 1, 2, 3}, kAny},
        {"PRG register wraps on a small image", {1, 2, 1}, {{0xE000, 0x07}}, {2, 3, 2, 3},
         {kAny, kAny, kAny, kAny, kAny, kAny, kAny, kAny}, kAny},
        {"reset bit: mode 3 at once", {1, 8, 4}, {{0x8000, 0x12}, {0xE000, 0x02}, {0xA000, 0x80}},
         {12, 13, 14, 15}, {kAny, kAny, kAny, kAny, kAny, kAny, kAny, kAny}, 1},
        {"512 KB, mode 3, lower 256 KB", {1, 32, 4}, {{0xA000, 0x00}, {0xE000, 0x02}}, {4, 5, 30, 31},
         {kAny, kAny, kAny, kAny, kAny, kAny, kAny, kAny}, kAny},
        {"512 KB, mode 3, chrBank0 bit 4 picks the upper 256 KB", {1, 32, 4}, {{0xE000, 0x02}, {0xA000, 0x10}},
         {36, 37, 62, 63}, {kAny, kAny, kAny, kAny, kAny, kAny, kAny, kAny}, kAny},
        {"512 KB, $C000 bit 4 does not", {1, 32, 4}, {{0xE000, 0x02}, {0xA000, 0x00}, {0x8000, 0x1C},
                                                      {0xC000, 0x10}},
         {4, 5, 30, 31}, {kAny, kAny, kAny, kAny, kAny, kAny, kAny, kAny}, kAny},
        {"1 MB, 4 KB CHR: both CHR registers", {1, 64, 4}, {{0x8000, 0x1C}, {0xA000, 0x10}, {0xC000, 0x10},
                                                           {0xE000, 0x01}},
         {98, 99, 126, 127}, {kAny, kAny, kAny, kAny, kAny, kAny, kAny, kAny}, kAny},
        {"1 MB, 8 KB CHR: $30 from chrBank0", {1, 64, 4}, {{0xE000, 0x01}, {0xA000, 0x10}}, {98, 99, 126, 127},
         {kAny, kAny, kAny, kAny, kAny, kAny, kAny, kAny}, kAny},
    };
    return cases;
}

TEST(Mmc1, WritesMoveTheWindows) {
    for (const Mmc1Case& c : Cases()) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(c.image)) << c.name;
        Apply(b, c.steps);
        ExpectWindows(b, c.name, c.prg, c.chr, c.mirroring);
    }
}

TEST(Mmc1, SnapshotRebuildsTheWindows) {
    for (const Mmc1Case& c : Cases()) {
        BoardConsole saved;
        ASSERT_TRUE(saved.Load(c.image)) << c.name;
        Apply(saved, c.steps);
        // A changed CHR mode shows at the next CHR write; make the windows
        // follow the registers as a snapshot rebuilds them.
        Serial(saved, 0xA000, static_cast<uint8_t>(Reg(saved, 1)));
        Serial(saved, 0xC000, static_cast<uint8_t>(Reg(saved, 2)));
        MemoryStream stream;
        ASSERT_TRUE(saved.console.mapper->SaveState(stream)) << c.name;
        ASSERT_EQ(WriteEndChunk(stream), 0);

        BoardConsole restored;
        ASSERT_TRUE(restored.Load(c.image)) << c.name;
        for (int w = 0; w < 4; ++w) restored.m().prgWindow[w] = restored.m().prgPages[0];
        for (int w = 0; w < 8; ++w) {
            restored.ppu().chrWindow[w] = restored.m().chrPages[0];
            restored.ppu().decodedChrWindow[w] = restored.m().decodedChrPages[0];
        }
        ASSERT_TRUE(restored.console.mapper->LoadState(stream, OldFormatImage{}, 0)) << c.name;
        EXPECT_EQ(restored.PrgWindows(), saved.PrgWindows()) << c.name;
        // CHR RAM windows are left as they are.
        if (c.image.chrUnits != 0) {
            EXPECT_EQ(restored.ChrWindows(), saved.ChrWindows()) << c.name;
        }
    }
}

TEST(Mmc1, EachRangeKeepsItsOwnSequence) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{1, 8, 4}));
    // Four bits of $10 to $8000, then one bit to $E000.
    for (int i = 0; i < 4; ++i) b.console.WriteByte(0x8000, 0);
    b.console.WriteByte(0xE000, 1);
    EXPECT_EQ(Reg(b, 0), 0x0Eu) << "control not completed";
    EXPECT_EQ(Reg(b, 11), 1u) << "$E000 holds one bit";
    EXPECT_EQ(Reg(b, 8), 4u) << "$8000 keeps its four bits";
    b.console.WriteByte(0x8000, 1);
    EXPECT_EQ(Reg(b, 0), 0x10u);
    for (int i = 1; i < 5; ++i) b.console.WriteByte(0xE000, 0);
    EXPECT_EQ(Reg(b, 3), 0x01u);
    EXPECT_EQ(b.PrgWindows(), (std::array<int, 4>{0, 1, 2, 3}));  // 32 KB bank 0
}

TEST(Mmc1, ResetBitClearsEverySequenceAndSetsMode3) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{1, 8, 4}));
    Serial(b, 0x8000, 0x11);  // 4 KB CHR, PRG mode 0, mirroring bits 01
    Serial(b, 0xA000, 0x01);
    Serial(b, 0xC000, 0x12);
    Serial(b, 0xE000, 0x11);
    b.console.WriteByte(0x8000, 1);
    b.console.WriteByte(0xC000, 1);
    b.console.WriteByte(0xA000, 0x80);
    EXPECT_EQ(Reg(b, 0), 0x1Du);  // mirroring and CHR bits kept
    EXPECT_EQ(Reg(b, 1), 0x0Du);
    EXPECT_EQ(Reg(b, 2), 0x1Eu);
    EXPECT_EQ(Reg(b, 3), 0x1Du);
    for (size_t i = 4; i < 12; ++i) EXPECT_EQ(Reg(b, i), 0u) << i;
    EXPECT_EQ(b.PrgWindows(), (std::array<int, 4>{10, 11, 14, 15}));
    Serial(b, 0xC000, 0x03);  // a fresh sequence, not shifted by the old bit
    EXPECT_EQ(Reg(b, 2), 0x03u);
}

TEST(Mmc1, RegistersSurviveAConsoleReset) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{1, 8, 4}));
    Serial(b, 0xE000, 0x03);
    b.console.WriteByte(0xA000, 1);
    b.console.SoftReset();
    EXPECT_EQ(b.PrgWindows(), (std::array<int, 4>{6, 7, 14, 15}));
    EXPECT_EQ(Reg(b, 9), 1u);
}

TEST(Mmc1, CartridgeRamAlwaysMapped) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{1, 2, 1}));
    EXPECT_EQ(b.console.mapper->sramEnabled, 1);
    EXPECT_EQ(b.console.mapper->batteryBacked, 0);
    b.console.WriteByte(0x6004, 0x41);
    EXPECT_EQ(b.console.ReadByte(0x6004), 0x41);
}

TEST(Mmc1, SerialStateSurvivesASnapshot) {
    BoardConsole saved;
    ASSERT_TRUE(saved.Load(InesLayout{1, 8, 4}));
    for (int i = 0; i < 3; ++i) saved.console.WriteByte(0xE000, static_cast<uint8_t>(i == 0));
    MemoryStream stream;
    ASSERT_TRUE(saved.console.mapper->SaveState(stream));
    ASSERT_EQ(WriteEndChunk(stream), 0);
    BoardConsole restored;
    ASSERT_TRUE(restored.Load(InesLayout{1, 8, 4}));
    ASSERT_TRUE(restored.console.mapper->LoadState(stream, OldFormatImage{}, 0));
    restored.console.WriteByte(0xE000, 0);
    restored.console.WriteByte(0xE000, 0);
    EXPECT_EQ(Reg(restored, 3), 0x01u);
}

TEST(Mmc1, OutOfRangeCountFromASnapshotStartsAFreshSequence) {
    BoardConsole saved;
    ASSERT_TRUE(saved.Load(InesLayout{1, 8, 4}));
    // A damaged snapshot: counts that the board would never reach.
    const StateTable table = saved.console.mapper->GetStateTable();
    *static_cast<uint32_t*>(table[11].destination) = 9;
    *static_cast<uint32_t*>(table[8].destination) = 0xFFFF;
    MemoryStream stream;
    ASSERT_TRUE(saved.console.mapper->SaveState(stream));
    ASSERT_EQ(WriteEndChunk(stream), 0);
    BoardConsole restored;
    ASSERT_TRUE(restored.Load(InesLayout{1, 8, 4}));
    ASSERT_TRUE(restored.console.mapper->LoadState(stream, OldFormatImage{}, 0));
    Serial(restored, 0xE000, 0x02);
    Serial(restored, 0x8000, 0x0F);
    EXPECT_EQ(Reg(restored, 3), 0x02u);
    EXPECT_EQ(Reg(restored, 0), 0x0Fu);
}

TEST(Mmc1, LegacyBlockRestoresSerialStateAndRegisters) {
    LegacyBlock block{};
    block[0] = 2;                     // $A000 count
    block[2] = 0xFF, block[3] = 0xFF; // $C000 count -1: out of range, starts afresh
    block[4] = 3;                     // $E000 count
    block[6] = 0x06;                  // $A000 shift
    block[10] = 0x0C;                 // $E000 shift: bits 1, 1, 0 received
    block[12] = 1;                    // $8000 count
    block[14] = 0x10;                 // $8000 shift
    block[16] = 0x1E;                 // control: 4 KB CHR, mode 3, horizontal
    OldFormatImage old;
    old.chrCurrentLow = 3;
    old.chrCurrentHigh = 0x105;  // only the low byte counts
    old.prgCurrent = 2;

    const StateField field = BlockField(block.data(), static_cast<uint32_t>(block.size()));
    MemoryStream stream;
    ASSERT_EQ(WriteChunk(stream, StateTable(&field, 1), kTagLegacyBank), 0);
    ASSERT_EQ(WriteEndChunk(stream), 0);

    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{1, 8, 4}));
    ASSERT_TRUE(b.console.mapper->LoadState(stream, old, 0));
    EXPECT_EQ(Reg(b, 0), 0x1Eu);
    EXPECT_EQ(Reg(b, 1), 3u);
    EXPECT_EQ(Reg(b, 2), 5u);
    EXPECT_EQ(Reg(b, 3), 2u);
    EXPECT_EQ(b.PrgWindows(), (std::array<int, 4>{4, 5, 14, 15}));
    EXPECT_EQ(b.ChrWindows(), (std::array<int, 8>{12, 13, 14, 15, 20, 21, 22, 23}));
    // Two more bits complete the $E000 register from the block's three.
    b.console.WriteByte(0xE000, 1);
    b.console.WriteByte(0xE000, 0);
    EXPECT_EQ(Reg(b, 3), 0x0Bu);
    Serial(b, 0xC000, 0x01);
    EXPECT_EQ(Reg(b, 2), 1u);
}

TEST(Mmc1, BoardChunkWinsOverTheLegacyBlock) {
    BoardConsole saved;
    ASSERT_TRUE(saved.Load(InesLayout{1, 8, 4}));
    Serial(saved, 0xE000, 0x03);
    MemoryStream stream;
    ASSERT_TRUE(saved.console.mapper->SaveState(stream));  // tag 22, then a zero tag 15
    ASSERT_EQ(WriteEndChunk(stream), 0);
    BoardConsole restored;
    ASSERT_TRUE(restored.Load(InesLayout{1, 8, 4}));
    OldFormatImage old;
    old.prgCurrent = 7;
    ASSERT_TRUE(restored.console.mapper->LoadState(stream, old, 0));
    EXPECT_EQ(Reg(restored, 3), 3u);
    EXPECT_EQ(Reg(restored, 0), 0x0Eu);
}

// Sets the image's PRG byte sum to `target` by filling bytes that are
// neither the page numbers nor the vectors.
void SetPrgSum(std::vector<uint8_t>& image, uint32_t prgBytes, uint32_t target) {
    uint32_t sum = std::accumulate(image.begin() + 16, image.begin() + 16 + prgBytes, 0u);
    ASSERT_LE(sum, target);
    for (uint32_t i = 16 + 0x10; i < 16 + prgBytes && sum < target; ++i) {
        uint32_t offset = (i - 16) % 0x2000;
        if (offset < 0x10 || offset >= 0x1FF0) continue;
        uint32_t add = std::min<uint32_t>(0xFF - image[i], target - sum);
        image[i] = static_cast<uint8_t>(image[i] + add);
        sum += add;
    }
    ASSERT_EQ(sum, target);
}

TEST(Mmc1, KnownGameAllowsUndocumentedOpcodes) {
    for (uint32_t sum : {20340647u, 20340646u}) {
        std::vector<uint8_t> image = MakeInes(InesLayout{1, 8, 1});
        SetPrgSum(image, 8 * 0x4000, sum);
        BoardConsole b;
        b.m().allowUndocumentedOpcodes = 1;  // the loader clears it first
        ASSERT_TRUE(b.Load(image));
        bool known = sum == 20340647u;
        EXPECT_EQ(b.m().allowUndocumentedOpcodes, known ? 1 : 0) << sum;
        // A movie from power-on keeps the game's option.
        b.console.PowerOnReset();
        b.console.SoftReset();
        EXPECT_EQ(b.m().allowUndocumentedOpcodes, known ? 1 : 0) << sum;
    }
}

}  // namespace
}  // namespace korvanta::test
