// The Create-NES tool: checksums of known data, the header for flag
// combinations, the refusals and their messages, a failed write that keeps
// the earlier file, and a built image that opens and runs like the original.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "media/checksum.h"
#include "media/create_nes.h"
#include "platform/headless/cli_options.h"
#include "save_fixture.h"

namespace korvanta::test {
namespace {

std::string Messages(const HeadlessHost& host) {
    std::string all;
    for (const auto& m : host.messages) all += m.text + "|";
    return all;
}

TEST(Checksum, KnownInputs) {
    struct Case {
        std::string_view data;
        uint32_t crc;
        uint32_t sum;
    };
    for (const Case& c : {Case{"", 0, 0}, Case{"abc", 0x352441C2, 0x126}, Case{"123456789", 0xCBF43926, 0x1DD},
                          Case{"\xFF\xFF", 0xFFFF0000, 0x1FE}}) {
        Checksum whole;
        EXPECT_EQ(whole.UpdateCrc(c.data.data(), c.data.size()), c.crc) << c.data;
        EXPECT_EQ(whole.UpdateSum(c.data.data(), c.data.size()), c.sum) << c.data;
        // Pieces chain into the CRC and sum of the whole.
        Checksum pieces;
        for (char ch : c.data) {
            pieces.UpdateCrc(&ch, 1);
            pieces.UpdateSum(&ch, 1);
        }
        EXPECT_EQ(pieces.crc, c.crc);
        EXPECT_EQ(pieces.sum, c.sum);
    }
    Checksum wrapping;
    wrapping.sum = 0xFFFFFFFF;
    EXPECT_EQ(wrapping.UpdateSum("\x02", 1), 1u);
    wrapping.Clear();
    EXPECT_EQ(wrapping.UpdateCrc("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(wrapping.sum, 0u);
}

TEST(CreateNes, HeaderBytes) {
    struct Case {
        uint64_t prg, chr;
        uint32_t mapper;
        bool vertical, battery, trainer, four;
        std::array<uint8_t, 4> bytes4to7;
    };
    const Case cases[] = {
        {32768, 8192, 0, false, false, false, false, {2, 1, 0x00, 0x00}},
        {32768, 0, 1, true, false, false, false, {2, 0, 0x11, 0x00}},
        {131072, 131072, 66, false, false, false, false, {8, 16, 0x20, 0x40}},
        {40000, 12000, 4, false, true, false, false, {2, 1, 0x42, 0x00}},
        {16383, 8191, 0x1F5, true, true, true, true, {0, 0, 0x5F, 0xF0}},
        {256 * 16384, 300 * 8192, 255, false, false, true, false, {255, 255, 0xF4, 0xF0}},
    };
    for (const Case& c : cases) {
        CreateNesValues flags;
        flags.verticalMirroring = c.vertical;
        flags.batteryBackup = c.battery;
        flags.trainer = c.trainer;
        flags.fourScreen = c.four;
        ImageHeader h = BuildInesHeader(c.prg, c.chr, c.mapper, flags);
        EXPECT_EQ((std::array<uint8_t, 4>{h[0], h[1], h[2], h[3]}), (std::array<uint8_t, 4>{'N', 'E', 'S', 0x1A}));
        EXPECT_EQ((std::array<uint8_t, 4>{h[4], h[5], h[6], h[7]}), c.bytes4to7) << c.prg << " mapper " << c.mapper;
        EXPECT_TRUE(std::all_of(h.begin() + 8, h.end(), [](uint8_t b) { return b == 0; }));
    }
}

TEST(CreateNes, MapperNumberField) {
    EXPECT_EQ(ParseMapperNumber("0"), 0u);
    EXPECT_EQ(ParseMapperNumber(" 66 "), 66u);
    EXPECT_EQ(ParseMapperNumber("4294967295"), 4294967295u);
    for (std::string_view bad : {"", "  ", "x", "-1", "+4", "12a", "1 2", "4294967296"})
        EXPECT_FALSE(ParseMapperNumber(bad).has_value()) << bad;
}

TEST(CreateNes, FileChecksumCountsWholeKilobytes) {
    ScratchDir dir;
    std::vector<uint8_t> bytes(1500);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
    FileChecksum shown = ChecksumFile(dir.Write("a.chr", bytes));
    Checksum first;
    first.UpdateCrc(bytes.data(), 1024);
    first.UpdateSum(bytes.data(), 1024);
    EXPECT_EQ(shown.kilobytes, 1u);
    EXPECT_EQ(shown.crc, first.crc);
    EXPECT_EQ(shown.sum, first.sum);
    FileChecksum none = ChecksumFile(dir.File("missing.prg"));
    EXPECT_EQ(none.kilobytes + none.sum + none.crc, 0u);
    EXPECT_EQ(ChecksumFile("").kilobytes, 0u);
}

TEST(CreateNes, DroppedFiles) {
    CreateNesValues values;
    values.chrPath = "old.chr";
    ApplyDroppedFiles(values, {"/roms/game.PRG", "/roms/game.chr", "/other/x.prg2"});
    EXPECT_EQ(values.prgPath, "/roms/game.PRG");
    EXPECT_EQ(values.chrPath, "/roms/game.chr");
    EXPECT_EQ(values.outputPath, "/roms/game.nes");

    // A dot in a folder name is no extension; an unknown extension names
    // only the output.
    CreateNesValues plain;
    ApplyDroppedFiles(plain, {"C:\\dumps.v2\\game"});
    EXPECT_EQ(plain.outputPath, "C:\\dumps.v2\\game.nes");
    ApplyDroppedFiles(plain, {"/d/rom.bin", "/d/b.Chr"});
    EXPECT_EQ(plain.outputPath, "/d/rom.nes");
    EXPECT_EQ(plain.prgPath, "");
    EXPECT_EQ(plain.chrPath, "/d/b.Chr");
}

// A folder with PRG and CHR dumps and a console to open the result in.
struct CreateFixture {
    ScratchDir dir;
    HeadlessHost host;
    Console console{host};
    CreateNesValues values;

    CreateFixture() {
        values.prgPath = dir.Write("game.prg", std::vector<uint8_t>(32768, 0xEA));
        values.chrPath = dir.Write("game.chr", std::vector<uint8_t>(8192, 0x00));
        values.outputPath = dir.File("game.nes");
        values.mapperText = "0";
    }
    CreateNesResult Create() { return CreateNes(console, values, LoadOptions{}); }
};

TEST(CreateNes, RefusalsWriteNothing) {
    struct Case {
        const char* what;
        void (*change)(CreateNesValues&, const ScratchDir&);
        std::string message;  // "%s" stands for the folder
    };
    const Case cases[] = {
        {"no program path", [](CreateNesValues& v, const ScratchDir&) { v.prgPath.clear(); }, "Input Filename|"},
        {"missing program", [](CreateNesValues& v, const ScratchDir& d) { v.prgPath = d.File("none.prg"); },
         "Couldn't open file.(%s/none.prg)|"},
        {"program is a folder", [](CreateNesValues& v, const ScratchDir& d) { v.prgPath = d.path.string(); },
         "Couldn't open file.(%s)|"},
        {"missing character file", [](CreateNesValues& v, const ScratchDir& d) { v.chrPath = d.File("none.chr"); },
         "Couldn't open file.(%s/none.chr)|"},
        {"no output path", [](CreateNesValues& v, const ScratchDir&) { v.outputPath.clear(); }, "Input Filename|"},
        {"empty mapper", [](CreateNesValues& v, const ScratchDir&) { v.mapperText.clear(); }, "Input Mapper Number.|"},
        {"mapper not a number", [](CreateNesValues& v, const ScratchDir&) { v.mapperText = "4x"; },
         "Input Mapper Number.|"},
    };
    for (const Case& c : cases) {
        CreateFixture f;
        c.change(f.values, f.dir);
        EXPECT_EQ(f.Create(), CreateNesResult::Refused) << c.what;
        std::string expected = c.message;
        if (auto at = expected.find("%s"); at != std::string::npos) expected.replace(at, 2, f.dir.path.string());
        EXPECT_EQ(Messages(f.host), expected) << c.what;
        EXPECT_EQ(std::distance(fs::directory_iterator(f.dir.path), fs::directory_iterator()), 2) << c.what;
        EXPECT_EQ(f.console.machine.RunState, 0) << c.what;
    }
}

TEST(CreateNes, OverwriteOnlyWhenAgreed) {
    CreateFixture f;
    f.dir.Write("game.nes", {1, 2, 3});
    EXPECT_EQ(f.Create(), CreateNesResult::Refused);
    EXPECT_EQ(Messages(f.host), "Already '" + f.values.outputPath + "' exists.\r\nOverwrite OK?|");
    EXPECT_EQ(f.host.messages[0].kind, MessageKind::Question);
    EXPECT_EQ(ReadFileBytes(f.values.outputPath), (std::vector<uint8_t>{1, 2, 3}));

    f.host.messages.clear();
    f.host.answerYes = true;
    EXPECT_EQ(f.Create(), CreateNesResult::Opened);
    EXPECT_EQ(ReadFileBytes(f.values.outputPath).size(), 16u + 32768 + 8192);
    EXPECT_EQ(f.console.machine.RunState, 1);
}

TEST(CreateNes, OddLengthsAreCopiedWhole) {
    CreateFixture f;
    std::vector<uint8_t> prg(40000);
    for (size_t i = 0; i < prg.size(); ++i) prg[i] = static_cast<uint8_t>(i);
    f.values.prgPath = f.dir.Write("odd.prg", prg);
    f.values.chrPath.clear();
    f.values.mapperText = "1";
    f.values.verticalMirroring = true;
    f.Create();
    auto image = ReadFileBytes(f.values.outputPath);
    ASSERT_EQ(image.size(), 16u + 40000);
    EXPECT_EQ(image[4], 2);
    EXPECT_EQ(image[5], 0);
    EXPECT_EQ(image[6], 0x11);
    EXPECT_TRUE(std::equal(prg.begin(), prg.end(), image.begin() + 16));
}

// The image is complete before it takes the output's place, so an output
// named like an input still gets that input whole.
TEST(CreateNes, OutputMayReplaceAnInput) {
    CreateFixture f;
    f.host.answerYes = true;
    auto prg = ReadFileBytes(f.values.prgPath);
    f.values.outputPath = f.values.prgPath;
    EXPECT_EQ(f.Create(), CreateNesResult::Opened);
    auto image = ReadFileBytes(f.values.outputPath);
    ASSERT_EQ(image.size(), 16u + 32768 + 8192);
    EXPECT_TRUE(std::equal(prg.begin(), prg.end(), image.begin() + 16));
}

TEST(CreateNes, ImageTheLoaderRefusesIsStillWritten) {
    CreateFixture f;
    f.values.trainer = true;
    EXPECT_EQ(f.Create(), CreateNesResult::Written);
    EXPECT_EQ(Messages(f.host), "Trainer isn't supported.|");
    EXPECT_EQ(ReadFileBytes(f.values.outputPath)[6], 0x04);
    EXPECT_EQ(f.console.machine.RunState, 0);
}

TEST(CreateNes, UnwritableOutputKeepsTheEarlierFile) {
    // A folder that is a file: nothing can be created.
    CreateFixture f;
    f.values.outputPath = f.values.prgPath + "/game.nes";
    EXPECT_EQ(f.Create(), CreateNesResult::Refused);
    EXPECT_EQ(Messages(f.host), "Couldn't open file.(" + f.values.outputPath + ")|");

    // A read-only folder holding an earlier image (not enforced for root,
    // who can write anywhere: then only the first case counts).
    CreateFixture g;
    g.host.answerYes = true;
    fs::path locked = g.dir.path / "locked";
    fs::create_directories(locked);
    std::string earlier = g.dir.Write("locked/game.nes", {7, 7, 7});
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    bool enforced = !std::ofstream(locked / "probe").is_open();
    g.values.outputPath = earlier;
    if (enforced) {
        EXPECT_EQ(g.Create(), CreateNesResult::Refused);
        EXPECT_EQ(Messages(g.host).find("Couldn't open file.("), 0u) << Messages(g.host);
        EXPECT_EQ(ReadFileBytes(earlier), (std::vector<uint8_t>{7, 7, 7}));
    }
    fs::permissions(locked, fs::perms::owner_all);
}

TEST(CreateNes, BuiltImageMatchesTheOriginalAndRuns) {
    ScratchDir dir;
    auto original = ReadFileBytes(BuildRom("demo.nes"));
    ASSERT_EQ(original.size(), 16u + 32768 + 8192);
    ASSERT_EQ(original[6], 0x01);  // mapper 0, vertical mirroring
    CreateNesValues values;
    values.prgPath = dir.Write("demo.prg", {original.begin() + 16, original.begin() + 16 + 32768});
    values.chrPath = dir.Write("demo.chr", {original.begin() + 16 + 32768, original.end()});
    values.outputPath = dir.File("demo.nes");
    values.mapperText = "0";
    values.verticalMirroring = true;

    RunningGame built;
    ASSERT_EQ(CreateNes(built.console, values, LoadOptions{}), CreateNesResult::Opened);
    EXPECT_EQ(ReadFileBytes(values.outputPath), original);
    EXPECT_EQ(built.console.game.path, values.outputPath);
    EXPECT_EQ(built.console.game.kind, kFileNes);

    RunningGame reference;
    ASSERT_TRUE(reference.Open(BuildRom("demo.nes")));
    std::string what;
    EXPECT_EQ(FirstDifference(built.Run(60), reference.Run(60), what), -1) << what;
    EXPECT_EQ(built.console.machine.RunState, 1);
}

TEST(CreateNes, RunnerOptions) {
    std::string error;
    auto o = ParseCliOptions({"--create-nes", "out.nes", "--prg", "a.prg", "--chr=a.chr", "--mapper", "4", "--vertical",
                              "--battery", "--trainer", "--four-screen", "--overwrite", "-f", "10"},
                             error);
    ASSERT_TRUE(o) << error;
    EXPECT_TRUE(o->createNes);
    EXPECT_EQ(o->game, "out.nes");
    EXPECT_EQ(o->create.outputPath, "out.nes");
    EXPECT_EQ(o->create.prgPath, "a.prg");
    EXPECT_EQ(o->create.chrPath, "a.chr");
    EXPECT_EQ(o->create.mapperText, "4");
    EXPECT_TRUE(o->create.verticalMirroring && o->create.batteryBackup && o->create.trainer && o->create.fourScreen);
    EXPECT_TRUE(o->overwrite);
    EXPECT_EQ(o->frames, 10);

    for (std::vector<std::string> bad : {
             std::vector<std::string>{"--prg", "a.prg", "g.nes"},
             {"--vertical", "g.nes"},
             {"--create-nes", "out.nes", "--prg", "a.prg", "g.nes"},
             {"--create-nes", "", "--prg", "a.prg"},
         })
        EXPECT_FALSE(ParseCliOptions(bad, error)) << bad[0] << " " << bad[1];
}

// The runner builds the image, prints the dumps' figures and runs the image
// as it runs the original.
TEST(CreateNes, RunnerBuildsAndRuns) {
    ScratchDir dir;
    auto original = ReadFileBytes(BuildRom("demo.nes"));
    ASSERT_EQ(original.size(), 16u + 32768 + 8192);
    std::string prg = dir.Write("demo.prg", {original.begin() + 16, original.begin() + 16 + 32768});
    std::string chr = dir.Write("demo.chr", {original.begin() + 16 + 32768, original.end()});
    std::string out = dir.File("demo.nes");
    auto run = [&](const std::string& arguments, const std::string& output) {
        std::string command = std::string("'") + KORVANTA_CLI + "' " + arguments + " > '" + dir.File(output) + "' 2>&1";
        return std::system(command.c_str());
    };
    auto text = [&](const std::string& name) {
        auto bytes = ReadFileBytes(dir.File(name));
        return std::string(bytes.begin(), bytes.end());
    };
    const std::string create = "--create-nes '" + out + "' --prg '" + prg + "' --chr '" + chr + "' --mapper 0 --vertical";
    ASSERT_EQ(run("-f 60 --hash " + create, "built.txt"), 0) << text("built.txt");
    ASSERT_EQ(run("-f 60 --hash '" + BuildRom("demo.nes") + "'", "original.txt"), 0);
    EXPECT_EQ(ReadFileBytes(out), original);

    char figures[128];
    FileChecksum p = ChecksumFile(prg), c = ChecksumFile(chr);
    std::snprintf(figures, sizeof figures, "PRG 32 KB  SUM %08X  CRC %08X\nCHR 8 KB  SUM %08X  CRC %08X\n", p.sum, p.crc,
                  c.sum, c.crc);
    EXPECT_EQ(text("built.txt"), figures + text("original.txt"));

    // A second build needs --overwrite; without it the earlier file stays.
    std::filesystem::resize_file(out, 100);
    EXPECT_NE(run("-f 1 " + create, "again.txt"), 0);
    EXPECT_NE(text("again.txt").find("Overwrite OK?"), std::string::npos);
    EXPECT_EQ(std::filesystem::file_size(out), 100u);
    EXPECT_EQ(run("-f 1 --overwrite " + create, "again.txt"), 0) << text("again.txt");
    EXPECT_EQ(ReadFileBytes(out), original);
}

}  // namespace
}  // namespace korvanta::test
