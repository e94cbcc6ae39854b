// Opening iNES images: page tables, default windows, the board, the
// battery save, and every refusal with its message.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "mapper_fixture.h"

namespace korvanta::test {
namespace {

namespace fs = std::filesystem;

// A fresh folder for the files one test writes, removed afterwards.
struct TempDir {
    fs::path path;
    TempDir() {
        std::random_device random;
        path = fs::temp_directory_path() / ("korvanta-loader-" + std::to_string(random()) + std::to_string(random()));
        fs::create_directories(path);
    }
    ~TempDir() {
        std::error_code error;
        fs::remove_all(path, error);
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        fs::path file = path / name;
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }
};

std::string LastMessage(const BoardHost& host) { return host.messages.empty() ? "" : host.messages.back().text; }

TEST(InesLoader, PagesWindowsAndBoard) {
    BoardConsole b;
    b.m().perDotBankSwitching = 1;
    b.m().allowUndocumentedOpcodes = 1;
    ASSERT_TRUE(b.Load(InesLayout{2, 8, 4, 0x01}));
    EXPECT_EQ(b.m().prgPageCount, 16u);
    EXPECT_EQ(b.m().chrPageCount, 32u);
    EXPECT_EQ(b.PrgWindows(), (std::array<int, 4>{12, 13, 14, 15}));
    EXPECT_EQ(b.ChrWindows(), (std::array<int, 8>{24, 25, 26, 27, 28, 29, 30, 31}));
    EXPECT_EQ(b.ppu().mirroring, 1);
    ASSERT_TRUE(b.console.mapper);
    EXPECT_EQ(b.console.mapper->mapperNumber, 2u);
    EXPECT_EQ(b.m().perDotBankSwitching, 0);
    EXPECT_EQ(b.m().allowUndocumentedOpcodes, 0);
    EXPECT_EQ(b.m().pc, 0x8000);  // reset through the vector
    EXPECT_EQ(b.console.game.header[4], 8);
    EXPECT_EQ(b.console.game.header[6], 0x21);
}

TEST(InesLoader, SixteenKilobytesShowTwiceAndHorizontalMirroring) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{0, 1, 1}));
    EXPECT_EQ(b.PrgWindows(), (std::array<int, 4>{0, 1, 0, 1}));
    EXPECT_EQ(b.ppu().mirroring, 2);
}

TEST(InesLoader, ChrRamIsEightZeroedWritablePages) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{0, 2, 0}));
    EXPECT_EQ(b.m().chrPageCount, 8u);
    EXPECT_EQ(b.console.mapper->chrWritable, 1);
    EXPECT_TRUE(std::all_of(b.m().chrStorage.begin(), b.m().chrStorage.end(), [](uint8_t v) { return v == 0; }));
    EXPECT_EQ(b.ChrWindows(), (std::array<int, 8>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST(InesLoader, Count255MeansFullSize) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{0, 255, 255}));
    EXPECT_EQ(b.m().prgPageCount, 512u);
    EXPECT_EQ(b.m().chrPageCount, 2048u);
    EXPECT_EQ(b.PrgWindows(), (std::array<int, 4>{508, 509, 510, 511}));
    EXPECT_EQ(b.Chr(7), 2047);
}

TEST(InesLoader, MapperNumberFromBytes8And9OnlyFor255) {
    struct Case {
        uint8_t nibbles;
        uint16_t bytes89;
        uint32_t expected;
    };
    for (const Case& c : {Case{0xFF, 3, 3}, Case{0x02, 3, 2}, Case{0xFE, 3, 0xFE}}) {
        ImageHeader header{};
        header[6] = static_cast<uint8_t>(c.nibbles << 4);
        header[7] = c.nibbles & 0xF0;
        header[8] = c.bytes89 & 0xFF;
        header[9] = static_cast<uint8_t>(c.bytes89 >> 8);
        EXPECT_EQ(InesMapperNumber(header), c.expected);
    }
    BoardConsole b;
    std::vector<uint8_t> image = MakeInes(InesLayout{3, 2, 2});
    image[6] = 0xF0, image[7] = 0xF0, image[8] = 3, image[9] = 0;
    ASSERT_TRUE(b.Load(image));
    EXPECT_EQ(b.console.mapper->mapperNumber, 3u);
}

// Refusals found in the header: the message, and the running game stays.
TEST(InesLoader, HeaderRefusalsKeepTheCurrentGame) {
    struct Case {
        const char* name;
        std::vector<uint8_t> image;
        std::string message;
    };
    auto with = [](InesLayout layout, int index, uint8_t value) {
        std::vector<uint8_t> image = MakeInes(layout);
        image[static_cast<size_t>(index)] = value;
        return image;
    };
    std::vector<uint8_t> truncated = MakeInes(InesLayout{0, 2, 1});
    truncated.resize(truncated.size() - 1);
    std::vector<uint8_t> shortHeader = {'N', 'E', 'S', 0x1A, 1, 1};
    const std::vector<Case> cases = {
        {"trainer", with({0, 2, 1}, 6, 0x04), "Trainer isn't supported."},
        {"unsupported 6", MakeInes(InesLayout{6, 2, 1}),
         "Mapper #6 isn't supported.\r\nPlease send me tech infos, I will support this mapper."},
        {"no PRG", with({0, 2, 1}, 4, 0), "Can't load this broken file."},
        {"truncated data", truncated, "Can't load this broken file."},
        {"more banks than the file", with({0, 2, 1}, 4, 3), "Can't load this broken file."},
        {"4 MB claim", with({0, 2, 1}, 4, 255), "Can't load this broken file."},
        {"short header", shortHeader, "Can't load this broken file."},
    };
    for (const Case& c : cases) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(InesLayout{2, 4, 0}));
        b.console.WriteByte(0x8000, 1);
        Mapper* board = b.console.mapper.get();
        EXPECT_FALSE(b.Load(c.image)) << c.name;
        EXPECT_EQ(LastMessage(b.host), c.message) << c.name;
        EXPECT_EQ(b.console.mapper.get(), board) << c.name;
        EXPECT_EQ(b.m().prgPageCount, 8u) << c.name;
        EXPECT_EQ(b.Prg(0), 2) << c.name;
    }
}

TEST(InesLoader, Mapper255IsUnsupported) {
    BoardConsole b;
    std::vector<uint8_t> image = MakeInes(InesLayout{0, 2, 1});
    image[6] = 0xF0, image[7] = 0xF0, image[8] = 255, image[9] = 0;
    EXPECT_FALSE(b.Load(image));
    EXPECT_EQ(LastMessage(b.host),
              "Mapper #255 isn't supported.\r\nPlease send me tech infos, I will support this mapper.");
}

TEST(InesLoader, MarkerTestRefusesOnlyWithAMarker) {
    std::vector<uint8_t> image = MakeInes(InesLayout{0, 2, 1});
    image[11] = 0x10, image[12] = 0x21, image[13] = 0x32, image[14] = 0xFF;
    LoadOptions marked;
    marked.heldMarker = {0x11, 0x22, 0x33, 0x00};  // held one higher, wrapping
    BoardConsole b;
    EXPECT_FALSE(b.Load(image, marked));
    EXPECT_EQ(LastMessage(b.host), "This file is maybe illegal image. Korvanta can't run this game.");
    EXPECT_TRUE(b.Load(image));  // the built-in marker is empty
    marked.heldMarker[0] = 0x12;
    EXPECT_TRUE(b.Load(image, marked));
}

// A stream that claims more data than it delivers (a failing disk).
class ShortStream final : public Stream {
public:
    ShortStream(std::vector<uint8_t> bytes, size_t deliver) : inner_(std::move(bytes)), deliver_(deliver) {}
    size_t Read(void* dst, size_t n) override {
        int64_t left = static_cast<int64_t>(deliver_) - inner_.Tell();
        if (left <= 0) return 0;
        return inner_.Read(dst, std::min(n, static_cast<size_t>(left)));
    }
    size_t Write(const void*, size_t) override { return 0; }
    int64_t Tell() const override { return inner_.Tell(); }
    bool Seek(int64_t position) override { return inner_.Seek(position); }
    int64_t Size() const override { return inner_.Size(); }

private:
    MemoryStream inner_;
    size_t deliver_;
};

TEST(InesLoader, ReadFailureAfterFreeingLeavesNoGame) {
    for (size_t deliver : {size_t{16 + 0x3000}, size_t{16 + 0x8000 + 0x100}}) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(InesLayout{2, 4, 0}));
        b.m().RunState = 1;
        ShortStream stream(MakeInes(InesLayout{3, 2, 1}), deliver);
        EXPECT_FALSE(LoadInes(b.console, stream, LoadOptions{})) << deliver;
        EXPECT_EQ(LastMessage(b.host), "Can't load this broken file.");
        EXPECT_FALSE(b.console.mapper);
        EXPECT_EQ(b.m().prgPageCount, 0u);
        EXPECT_EQ(b.m().chrPageCount, 0u);
        EXPECT_EQ(b.m().RunState, 0u);
        EXPECT_EQ(b.m().prgWindow[0], nullptr);
        EXPECT_EQ(b.ppu().chrWindow[0], nullptr);
        EXPECT_EQ(b.console.game.kind, kFileOldKor);
    }
}

TEST(OpenGame, DetectsByContentAndSetsTheGameImage) {
    TempDir dir;
    std::vector<uint8_t> image = MakeInes(InesLayout{0, 2, 1});
    image[3] = 0x00;  // the fourth byte is not looked at
    std::string path = dir.Write("looks like a disk.fds", image);
    BoardConsole b;
    ASSERT_TRUE(OpenGame(b.console, path, LoadOptions{}));
    EXPECT_EQ(b.console.game.kind, kFileNes);
    EXPECT_EQ(b.console.game.path, path);
    EXPECT_EQ(b.console.game.snapshotSlot, 1);
    EXPECT_TRUE(b.host.messages.empty());
}

TEST(OpenGame, BatterySaveIsReadOrCleared) {
    TempDir dir;
    std::string withSave = dir.Write("a.nes", MakeInes(InesLayout{0, 2, 1, 0x02}));
    dir.Write("a.sav", {1, 2, 3});
    std::string withoutSave = dir.Write("b.nes", MakeInes(InesLayout{0, 2, 1, 0x02}));

    BoardConsole b;
    b.m().sram.fill(0x77);
    ASSERT_TRUE(OpenGame(b.console, withSave, LoadOptions{}));
    EXPECT_EQ(b.m().sram[0], 1);
    EXPECT_EQ(b.m().sram[2], 3);
    EXPECT_EQ(b.m().sram[3], 0);  // a short save fills less, the rest is cleared
    EXPECT_EQ(b.console.ReadByte(0x6001), 2);

    ASSERT_TRUE(OpenGame(b.console, withoutSave, LoadOptions{}));
    EXPECT_TRUE(std::all_of(b.m().sram.begin(), b.m().sram.end(), [](uint8_t v) { return v == 0; }));
}

TEST(OpenGame, BatterySaveFollowsTheSaveFolder) {
    TempDir dir;
    fs::create_directories(dir.path / "saves");
    std::string game = dir.Write("g.nes", MakeInes(InesLayout{0, 2, 1, 0x02}));
    dir.Write("saves/g.sav", {9});
    LoadOptions options;
    options.companions.savFolderUse = true;
    options.companions.savFolder = (dir.path / "saves").string();
    BoardConsole b;
    ASSERT_TRUE(OpenGame(b.console, game, options));
    EXPECT_EQ(b.m().sram[0], 9);
}

TEST(OpenGame, BadFilesEndInTheirMessage) {
    TempDir dir;
    struct Case {
        const char* name;
        std::string path;
        std::string message;
    };
    std::vector<uint8_t> kmv = {'K', 'M', 'V', 0x1A, 0, 0};
    std::vector<uint8_t> kor = {1, 0, 17, 0, 0, 0, 'K', 'O', 'R', 0};
    const std::vector<Case> cases = {
        {"missing", (dir.path / "none.nes").string(), "Couldn't open file.(" + (dir.path / "none.nes").string() + ")"},
        {"directory", dir.path.string(), "Couldn't open file.(" + dir.path.string() + ")"},
        {"empty", dir.Write("empty.nes", {}), "Unknown format type"},
        {"text", dir.Write("text.nes", {'h', 'e', 'l', 'l', 'o'}), "Unknown format type"},
        {"truncated header", dir.Write("short.nes", {'N', 'E', 'S', 0x1A, 2}), "Can't load this broken file."},
        // A KOR file without a whole block, and a movie with no game: refused
        // without a message.
        {"kor without a block", dir.Write("x.kor", kor), ""},
        {"movie (no game)", dir.Write("x.kmv", kmv), ""},
    };
    for (const Case& c : cases) {
        BoardConsole b;
        EXPECT_FALSE(OpenGame(b.console, c.path, LoadOptions{})) << c.name;
        EXPECT_EQ(LastMessage(b.host), c.message) << c.name;
        EXPECT_FALSE(b.console.mapper) << c.name;
    }
}

TEST(OpenGame, DetectionOrder) {
    auto detect = [](std::vector<uint8_t> head, int64_t size) { return DetectFormat(head, size); };
    EXPECT_EQ(detect({'N', 'E', 'S'}, 3), ImageFormat::Ines);
    EXPECT_EQ(detect({'F', 'D', 'S', 0x1A}, 4), ImageFormat::DiskImage);
    EXPECT_EQ(detect({1, 0, 17, 0, 0, 0, 'K', 'O', 'R'}, 9), ImageFormat::Kor);
    EXPECT_EQ(detect({2, 0, 1}, 3), ImageFormat::OldKor);
    EXPECT_EQ(detect({2, 1, 1}, kForeignSnapshotSize), ImageFormat::ForeignSnapshot);
    EXPECT_EQ(detect({'N', 'E', 'S'}, kForeignSnapshotSize), ImageFormat::Ines);
    EXPECT_EQ(detect({'K', 'M', 'V', 0x1A}, 4), ImageFormat::Movie);
    EXPECT_EQ(detect({'K', 'M', 'V', 0x1B}, 4), ImageFormat::Unknown);
    EXPECT_EQ(detect({}, 0), ImageFormat::Unknown);
}

}  // namespace
}  // namespace korvanta::test
