// Reading KOR files, old-format KOR images and the foreign snapshot: which
// board an old image becomes, and what every kind of broken file gives.
#include <gtest/gtest.h>

#include <cstring>

#include "media/kor.h"
#include "media/save_file.h"
#include "media/snapshot.h"
#include "save_fixture.h"

namespace korvanta::test {
namespace {

std::string Messages(const HeadlessHost& host) {
    std::string all;
    for (const auto& m : host.messages) all += m.text + "|";
    return all;
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void Chunk(std::vector<uint8_t>& out, int16_t tag, const std::vector<uint8_t>& payload) {
    Put16(out, static_cast<uint16_t>(tag));
    Put32(out, static_cast<uint32_t>(payload.size() + 6));
    out.insert(out.end(), payload.begin(), payload.end());
}

// An image of the old format with its descriptors and data.
struct OldKor {
    uint16_t type = 0;
    uint16_t p = 1, c = 1;
    std::vector<uint8_t> prg, chr;  // default: P x 32 KB and C x 8 KB, filled per 16 KB half
    uint16_t chrLow = 0, chrHigh = 0;
    std::array<uint8_t, 256> tableA{}, tableB{};
    int mirroring = 1;
    uint8_t ramMarker = 0x5A;

    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> prgData = prg, chrData = chr;
        if (prgData.empty()) {
            // Every 16 KB half distinct, ending with a reset vector to $8000.
            for (uint32_t half = 0; half < 2u * p; ++half) prgData.insert(prgData.end(), 0x4000, static_cast<uint8_t>(half + 1));
        }
        if (chrData.empty()) chrData.assign(static_cast<size_t>(c) * 0x2000, 0x33);
        std::vector<uint8_t> out, payload;
        Put16(payload, p);
        Put16(payload, 0);
        Put16(payload, 0);
        payload.push_back(0);
        payload.insert(payload.end(), 256, 0);
        payload.insert(payload.end(), prgData.begin(), prgData.end());
        Chunk(out, kTagOldKorPrg, payload);
        payload.clear();
        Put16(payload, c);
        Put16(payload, 0);
        Put16(payload, 0);
        Put16(payload, chrLow);
        Put16(payload, chrHigh);
        payload.push_back(0);
        payload.push_back(0);
        payload.insert(payload.end(), tableA.begin(), tableA.end());
        payload.insert(payload.end(), tableB.begin(), tableB.end());
        payload.insert(payload.end(), chrData.begin(), chrData.end());
        Chunk(out, kTagOldKorChr, payload);
        payload.clear();
        Put16(payload, type);
        Chunk(out, kTagOldKorBoard, payload);
        payload.clear();
        Put16(payload, static_cast<uint32_t>(mirroring));
        Chunk(out, kTagMirroring, payload);
        std::vector<uint8_t> ram(0x800, 0);
        ram[0x10] = ramMarker;
        Chunk(out, kTagRam, ram);
        Chunk(out, kTagEnd, {});
        return out;
    }
};

struct OldCase {
    const char* name;
    OldKor image;
    uint32_t mapper;      // 0xFFFF: refused
    const char* message;  // the refusal's text
    uint8_t prgUnits, chrUnits;
    bool battery;
};

OldKor WithType(uint16_t type, uint16_t p, uint16_t c) {
    OldKor k;
    k.type = type;
    k.p = p;
    k.c = c;
    return k;
}

OldKor SameHalves(OldKor k) {
    k.prg.assign(static_cast<size_t>(k.p) * 0x8000, 0x11);
    return k;
}

OldKor Mapper87Tables() {
    OldKor k = WithType(0, 1, 2);
    k.chrLow = k.chrHigh = 0x6000;
    k.tableA[0] = 0, k.tableA[1] = 0, k.tableA[2] = 2, k.tableA[3] = 2;
    k.tableB[0] = 1, k.tableB[1] = 1, k.tableB[2] = 3, k.tableB[3] = 3;
    return k;
}

OldKor UpperDifferLowerEqual() {
    OldKor k = WithType(1, 2, 1);
    k.prg.assign(0x10000, 0x22);
    k.prg[0x8000 + 0x4000] = 0x99;  // unit 1's upper half differs
    return k;
}

void PrintTo(const OldCase& c, std::ostream* os) { *os << c.name; }

constexpr uint32_t kRefused = 0xFFFF;

class OldKorConversion : public ::testing::TestWithParam<OldCase> {};

TEST_P(OldKorConversion, BoardAndPages) {
    const OldCase& c = GetParam();
    RunningGame run;
    MemoryStream file(c.image.Bytes());
    bool ok = OpenGameStream(run.console, file, "old.kor", LoadOptions{});
    if (c.mapper == kRefused) {
        EXPECT_FALSE(ok);
        EXPECT_EQ(Messages(run.host), std::string(c.message) + "|");
        return;
    }
    ASSERT_TRUE(ok) << Messages(run.host);
    ASSERT_TRUE(run.console.mapper);
    EXPECT_EQ(run.console.mapper->mapperNumber, c.mapper);
    EXPECT_EQ(run.console.game.kind, kFileOldKor);
    EXPECT_EQ(run.console.game.header[4], c.prgUnits);
    EXPECT_EQ(run.console.game.header[5], c.chrUnits);
    EXPECT_EQ((run.console.game.header[6] & 0x02) != 0, c.battery);
    EXPECT_EQ(run.console.machine.ram[0x10], 0x5A);  // the state was restored
    EXPECT_EQ(run.console.ppu.mirroring, 1);
    EXPECT_EQ(run.console.machine.chrPageCount, c.chrUnits ? 8u * c.chrUnits : 8u);
    EXPECT_EQ(run.console.machine.chrPages[0][0], 0x33);  // CHR, ROM or RAM, from the old data
    EXPECT_TRUE(run.host.messages.empty()) << Messages(run.host);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OldKorConversion,
    ::testing::Values(
        OldCase{"NromHalvesEqual", SameHalves(WithType(0, 1, 1)), 0, "", 1, 1, false},
        OldCase{"NromHalvesDiffer", WithType(0, 1, 1), 0, "", 2, 1, true},
        OldCase{"Mapper87", Mapper87Tables(), 87, "", 2, 2, false},
        OldCase{"Cnrom", WithType(0, 1, 4), 3, "", 2, 4, false},
        OldCase{"UxromLowerHalves", SameHalves(WithType(0, 4, 1)), 2, "", 4, 0, false},
        OldCase{"UxromUpperDiffer", WithType(0, 4, 1), kRefused, "PROM $8000 Bank CROM:RAM 未対応マッパーです", 0, 0, false},
        OldCase{"Gxrom", WithType(0, 2, 2), 66, "", 4, 2, false},
        OldCase{"Mmc1LowerHalves", SameHalves(WithType(1, 2, 1)), 1, "", 2, 0, true},
        OldCase{"Mmc1LowerSame", UpperDifferLowerEqual(), kRefused, "MMC1 LowerBankSame 未対応マッパーです", 0, 0, false},
        OldCase{"Mmc1Straight", WithType(1, 2, 1), 1, "", 4, 0, true},
        OldCase{"Mmc3ChrRam", WithType(4, 2, 2), 4, "", 2, 0, true},
        OldCase{"Mmc3ChrRom", WithType(5, 3, 6), 4, "", 4, 4, true},
        OldCase{"UnknownType", WithType(8, 1, 1), kRefused, "未対応マッパーです", 0, 0, false},
        OldCase{"NoPrgLeft", WithType(7, 1, 1), kRefused, "Can't load this broken file.", 0, 0, false},
        OldCase{"NoPrg", WithType(0, 0, 1), kRefused, "Can't load this broken file.", 0, 0, false},
        OldCase{"NoChr", WithType(4, 2, 0), kRefused, "Can't load this broken file.", 0, 0, false},
        OldCase{"PrgBeyondTable", [] {
                    OldKor k = WithType(0, 129, 1);
                    k.prg.assign(0x10, 0);
                    return k;
                }(), kRefused, "Can't load this broken file.", 0, 0, false},
        OldCase{"ChrBeyondTable", [] {
                    OldKor k = WithType(0, 1, 257);
                    k.chr.assign(0x10, 0);
                    return k;
                }(), kRefused, "Can't load this broken file.", 0, 0, false},
        OldCase{"PrgBeyondFile", [] {
                    OldKor k = WithType(0, 2, 1);
                    k.prg.assign(0x8000, 0);  // says 64 KB, holds 32 KB
                    return k;
                }(), kRefused, "Can't load this broken file.", 0, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A KOR image of the demo game with two slots, as the saver writes it.
std::vector<uint8_t> DemoKor(RunningGame& run, const ScratchDir& dir) {
    EXPECT_TRUE(run.Open(dir.Copy(BuildRom("demo.nes"), "demo.nes")));
    run.Run(30);
    std::string kor = dir.File("demo.kor");
    EXPECT_TRUE(SaveFile(run.console, kor, 4, kSaveKor, true, nullptr));
    EXPECT_TRUE(SaveFile(run.console, kor, 1, kSaveKor, true, nullptr));
    return ReadFileBytes(kor);
}

TEST(KorLoad, BrokenFilesNeverCrash) {
    ScratchDir dir;
    RunningGame maker;
    auto good = DemoKor(maker, dir);
    // Cut at every chunk boundary and inside chunks: a refusal each time,
    // with the broken-file message or silently (no block found).
    for (size_t cut : {size_t{3}, size_t{17}, size_t{30}, size_t{20000}, size_t{41000}, good.size() / 2,
                       good.size() - 7, good.size() - 1}) {
        RunningGame run;
        MemoryStream file(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(cut)));
        bool ok = OpenGameStream(run.console, file, "cut.kor", LoadOptions{});
        std::string shown = Messages(run.host);
        EXPECT_TRUE(!ok || cut > good.size() / 2) << cut;  // a cut inside the second block still loads the first
        // Too short to be recognised at all: not a KOR file.
        std::string expected = cut < 9 ? "Unknown format type|" : "Can't load this broken file.|";
        if (!ok) {
            EXPECT_TRUE(shown.empty() || shown == expected) << cut << shown;
            EXPECT_FALSE(run.console.mapper) << cut;
        }
    }
}

TEST(KorLoad, ChunkLengthBelowSixIsBroken) {
    ScratchDir dir;
    RunningGame maker;
    auto bytes = DemoKor(maker, dir);
    // The RAM chunk after the image: its length field becomes 3.
    size_t ram = 17 + 6 + 16 + 0x8000 + 0x2000;
    ASSERT_EQ(bytes[ram], kTagRam);
    bytes[ram + 2] = 3;
    bytes[ram + 3] = bytes[ram + 4] = bytes[ram + 5] = 0;
    RunningGame run;
    MemoryStream file(bytes);
    EXPECT_FALSE(OpenGameStream(run.console, file, "bad.kor", LoadOptions{}));
    EXPECT_EQ(Messages(run.host), "Can't load this broken file.|");
    // In the header chunk it ends the block search: silently.
    bytes[2] = 2;
    MemoryStream header(bytes);
    RunningGame other;
    EXPECT_FALSE(OpenGameStream(other.console, header, "bad.kor", LoadOptions{}));
    EXPECT_EQ(Messages(other.host), "");
}

TEST(KorLoad, BlockKindsAndSlots) {
    ScratchDir dir;
    RunningGame maker;
    auto bytes = DemoKor(maker, dir);
    MemoryStream file(bytes);
    KorHeader header;
    EXPECT_EQ(FindKorBlock(file, -1, header), 0);
    EXPECT_EQ(header.slot, 1);
    int64_t second = FindKorBlock(file, 4, header);
    EXPECT_GT(second, 0);
    EXPECT_EQ(header.kind, kKorImage);
    EXPECT_EQ(FindKorBlock(file, 7, header), -1);
    EXPECT_EQ(header.slot, 0);

    // A kind of 3 is refused silently.
    bytes[6 + 8] = 3;
    RunningGame run;
    MemoryStream strange(bytes);
    EXPECT_FALSE(OpenGameStream(run.console, strange, "x.kor", LoadOptions{}));
    EXPECT_TRUE(run.host.messages.empty());
}

TEST(KorLoad, SnapshotWithoutAGameIsRefused) {
    ScratchDir dir;
    RunningGame maker;
    ASSERT_TRUE(maker.Open(dir.Copy(BuildRom("demo.nes"), "demo.nes")));
    MemoryStream krt;
    ASSERT_TRUE(WriteBlock(maker.console, krt, 2, kKorState, nullptr));
    RunningGame run;
    MemoryStream file(krt.Data());
    EXPECT_FALSE(OpenGameStream(run.console, file, "x.krt", LoadOptions{}));
    EXPECT_EQ(Messages(run.host), "Unknown format type|");
    // On a running game it loads without touching the file name.
    ASSERT_TRUE(run.Open(dir.File("demo.nes")));
    run.host.messages.clear();
    run.console.machine.ram.fill(0xEE);
    MemoryStream again(krt.Data());
    EXPECT_TRUE(OpenGameStream(run.console, again, "x.krt", LoadOptions{}));
    EXPECT_EQ(run.console.game.path, dir.File("demo.nes"));
    EXPECT_EQ(run.console.machine.ram, maker.console.machine.ram);
}

TEST(ForeignSnapshot, LoadsIntoTheRunningGame) {
    std::vector<uint8_t> bytes(kForeignSnapshotSize, 0);
    bytes[5] = 0x77;                  // sram
    bytes[0x2000 + 3] = 0x66;         // ram
    bytes[0x2800] = 0x34;             // pc
    bytes[0x2801] = 0x92;
    bytes[0x2802] = 0xA1;             // a
    bytes[0x2806] = 0xF0;             // s
    bytes[0x2807 + 9] = 0x55;         // sprite byte 9
    bytes[0x2807 + 256 + 1000] = 1;   // nothing reads here
    RunningGame none;
    MemoryStream first(bytes);
    EXPECT_FALSE(OpenGameStream(none.console, first, "f.sta", LoadOptions{}));
    EXPECT_EQ(Messages(none.host), "Unknown format type|");

    ScratchDir dir;
    RunningGame run;
    ASSERT_TRUE(run.Open(dir.Copy(BuildRom("demo.nes"), "demo.nes")));
    int mirroring = run.console.ppu.mirroring;
    MemoryStream file(bytes);
    ASSERT_TRUE(OpenGameStream(run.console, file, "f.sta", LoadOptions{}));
    Machine& m = run.console.machine;
    EXPECT_EQ(m.sram[5], 0x77);
    EXPECT_EQ(m.ram[3], 0x66);
    EXPECT_EQ(m.pc, 0x9234);
    EXPECT_EQ(m.a, 0xA1);
    EXPECT_EQ(m.s, 0xF0);
    EXPECT_EQ(run.console.ppu.mirroring, mirroring);
    EXPECT_EQ(run.console.game.path, dir.File("demo.nes"));
    EXPECT_EQ(run.console.game.kind, kFileNes);
}

TEST(KorLoad, MovieFileWithoutAGameIsRefusedSilently) {
    std::vector<uint8_t> kmv(144, 0);
    std::memcpy(kmv.data(), "KMV\x1A", 4);
    RunningGame run;
    MemoryStream file(kmv);
    EXPECT_FALSE(OpenGameStream(run.console, file, "m.kmv", LoadOptions{}));
    EXPECT_TRUE(run.host.messages.empty());
}

}  // namespace
}  // namespace korvanta::test
