// Save files: slot file names, the order of blocks, the block copy, the
// temporary name, and that a save which fails leaves the earlier file as it
// was.
#include <gtest/gtest.h>

#include "media/battery.h"
#include "media/kor.h"
#include "media/save_file.h"
#include "media/snapshot.h"
#include "save_fixture.h"

namespace korvanta::test {
namespace {

// The demo game, with the battery bit when asked.
std::string DemoGame(const ScratchDir& dir, bool battery, const std::string& name = "game.nes") {
    auto bytes = ReadFileBytes(BuildRom("demo.nes"));
    if (battery) bytes[6] |= 0x02;
    return dir.Write(name, bytes);
}

struct BlockInfo {
    int slot;
    int kind;
    bool hasImage;
    bool operator==(const BlockInfo&) const = default;
};

// The blocks of a KOR or KRT file in order.
std::vector<BlockInfo> Blocks(const std::string& path) {
    MemoryStream s(ReadFileBytes(path));
    std::vector<BlockInfo> blocks;
    for (;;) {
        int16_t tag;
        int64_t at = s.Tell();
        if (!ReadTag(s, tag)) return blocks;
        if (tag == kTagKorHeader) {
            KorHeader h;
            ReadChunk(s, KorHeaderFields(h));
            blocks.push_back({h.slot, h.kind, false});
        } else {
            if (tag == kTagInesImage && !blocks.empty()) blocks.back().hasImage = true;
            if (SkipChunk(s) != 0 || s.Tell() <= at) return blocks;
        }
    }
}

std::string Messages(const HeadlessHost& host) {
    std::string all;
    for (const auto& m : host.messages) all += m.text + "|";
    return all;
}

TEST(SaveFile, SlotFilesPerSlotOrCollected) {
    ScratchDir dir;
    RunningGame run;
    ASSERT_TRUE(run.Open(DemoGame(dir, false)));
    SaveOptions options;
    for (int slot : {0, 7}) {
        run.console.game.snapshotSlot = slot;
        ASSERT_TRUE(QuickSave(run.console, options));
    }
    EXPECT_EQ(Blocks(dir.File("game.kr0")), (std::vector<BlockInfo>{{0, 2, false}}));
    EXPECT_EQ(Blocks(dir.File("game.kr7")), (std::vector<BlockInfo>{{7, 2, false}}));
    EXPECT_FALSE(fs::exists(dir.File("game.krt")));

    options.load.companions.krtSeparate = false;
    for (int slot : {0, 7, 0}) {
        run.console.game.snapshotSlot = slot;
        ASSERT_TRUE(QuickSave(run.console, options));
    }
    // The saved slot comes first, the others follow in their old order.
    EXPECT_EQ(Blocks(dir.File("game.krt")), (std::vector<BlockInfo>{{0, 2, false}, {7, 2, false}}));
    EXPECT_TRUE(run.host.messages.empty()) << Messages(run.host);
    // Each slot loads from the collected file.
    run.console.game.snapshotSlot = 7;
    EXPECT_TRUE(QuickLoad(run.console, options));
    run.console.game.snapshotSlot = 4;
    EXPECT_FALSE(QuickLoad(run.console, options));
    EXPECT_TRUE(run.host.messages.empty());
}

TEST(SaveFile, KorKeepsOtherSlotsWithoutTheirImage) {
    ScratchDir dir;
    RunningGame run;
    ASSERT_TRUE(run.Open(DemoGame(dir, false)));
    std::string kor = dir.File("game.kor");
    ASSERT_TRUE(SaveFile(run.console, kor, 1, kSaveKor, true, nullptr));
    ASSERT_TRUE(SaveFile(run.console, kor, 3, kSaveKor, true, nullptr));
    EXPECT_EQ(Blocks(kor), (std::vector<BlockInfo>{{3, 1, true}, {1, 1, false}}));
    ASSERT_TRUE(SaveFile(run.console, kor, 3, kSaveKor, true, nullptr));
    EXPECT_EQ(Blocks(kor), (std::vector<BlockInfo>{{3, 1, true}, {1, 1, false}}));

    // Opening it takes the first block; loading slot 1 reads the copied one.
    RunningGame other;
    ASSERT_TRUE(other.Open(kor));
    EXPECT_EQ(other.console.game.snapshotSlot, 3);
    other.console.game.snapshotSlot = 1;
    EXPECT_TRUE(QuickLoad(other.console, SaveOptions{}));
    EXPECT_EQ(other.console.game.snapshotSlot, 1);
    EXPECT_EQ(other.console.game.kind, kFileKor);
}

TEST(SaveFile, TemporaryNameIsTheFirstFreeNumber) {
    ScratchDir dir;
    std::string path = dir.Write("game.kor", {1, 2, 3});
    dir.Write("game.kor.1", {9});
    dir.Write("game.kor.2", {9});
    std::string used;
    auto result = WriteFileAtomically(path, [&](Stream& out) {
        used = fs::exists(dir.File("game.kor.3")) ? "game.kor.3" : "?";
        return out.Write("new", 3) == 3;
    });
    EXPECT_EQ(result, AtomicResult::Written);
    EXPECT_EQ(used, "game.kor.3");
    EXPECT_EQ(ReadFileBytes(path), (std::vector<uint8_t>{'n', 'e', 'w'}));
    EXPECT_FALSE(fs::exists(dir.File("game.kor.3")));
    EXPECT_EQ(ReadFileBytes(dir.File("game.kor.1")), std::vector<uint8_t>{9});

    for (int n = 3; n <= 999; ++n) dir.Write("game.kor." + std::to_string(n), {});
    EXPECT_EQ(WriteFileAtomically(path, [](Stream&) { return true; }), AtomicResult::NoTemporaryName);
}

TEST(SaveFile, FailedWriteKeepsTheEarlierFile) {
    ScratchDir dir;
    std::string path = dir.Write("game.kr1", {1, 2, 3, 4});
    // The disk fills up half-way through the new file.
    auto result = WriteFileAtomically(path, [](Stream& out) {
        out.Write("partial", 7);
        return false;
    });
    EXPECT_EQ(result, AtomicResult::Failed);
    EXPECT_EQ(ReadFileBytes(path), (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);

    // A folder that is a file: nothing can be created, nothing is lost.
    std::string underFile = dir.File("game.kr1") + "/x.krt";
    EXPECT_EQ(WriteFileAtomically(underFile, [](Stream&) { return true; }), AtomicResult::CannotCreate);
}

TEST(SaveFile, CollectedFileWithABrokenBlockIsKept) {
    ScratchDir dir;
    RunningGame run;
    ASSERT_TRUE(run.Open(DemoGame(dir, false)));
    std::string krt = dir.File("game.krt");
    ASSERT_TRUE(SaveFile(run.console, krt, 2, kSaveKrt, false, nullptr));
    auto bytes = ReadFileBytes(krt);
    bytes.resize(bytes.size() - 100);  // the old file ends inside its block
    dir.Write("game.krt", bytes);
    EXPECT_FALSE(SaveFile(run.console, krt, 5, kSaveKrt, false, nullptr));
    EXPECT_EQ(Messages(run.host), "Save failure|");
    EXPECT_EQ(ReadFileBytes(krt), bytes);
    EXPECT_FALSE(fs::exists(krt + ".1"));
}

TEST(SaveFile, ShortWritesAreReported) {
    RunningGame run;
    ScratchDir dir;
    ASSERT_TRUE(run.Open(DemoGame(dir, false)));
    MemoryStream full;
    ASSERT_TRUE(WriteBlock(run.console, full, 1, kKorImage, nullptr));
    for (size_t capacity : {size_t{0}, size_t{10}, size_t{20000}, full.Data().size() - 1}) {
        MemoryStream out;
        out.SetCapacity(capacity);
        EXPECT_FALSE(WriteBlock(run.console, out, 1, kKorImage, nullptr)) << capacity;
    }
    MemoryStream copy;
    copy.SetCapacity(100);
    EXPECT_FALSE(CopyOtherBlocks(full, copy, 5));
    MemoryStream copied;
    EXPECT_TRUE(CopyOtherBlocks(full, copied, 5));
    // The image chunk is dropped from a copied block.
    EXPECT_EQ(copied.Data().size(), full.Data().size() - (6 + 16 + 40960));
}

TEST(SaveFile, KindsWithoutAWriter) {
    ScratchDir dir;
    RunningGame run;
    ASSERT_TRUE(run.Open(DemoGame(dir, false)));
    for (int kind : {0, 102, 103}) {
        run.host.messages.clear();
        EXPECT_FALSE(SaveFile(run.console, dir.File("x"), 1, kind, true, nullptr));
        EXPECT_EQ(Messages(run.host), "Save failure|");
    }
    EXPECT_FALSE(fs::exists(dir.File("x")));
}

TEST(QuickSave, OldFormatIsOverwrittenOnlyWhenAgreed) {
    ScratchDir dir;
    RunningGame run;
    ASSERT_TRUE(run.Open(DemoGame(dir, false)));
    run.console.game.kind = kFileOldKor;
    run.console.game.path = dir.Write("old.kor", {2, 0, 6, 0, 0, 0, 0xFF, 0xFF, 6, 0, 0, 0});
    auto before = ReadFileBytes(run.console.game.path);
    EXPECT_FALSE(QuickSave(run.console, SaveOptions{}));
    ASSERT_EQ(run.host.messages.size(), 1u);
    EXPECT_EQ(run.host.messages[0].kind, MessageKind::Question);
    EXPECT_EQ(ReadFileBytes(run.console.game.path), before);
    run.host.answerYes = true;
    EXPECT_TRUE(QuickSave(run.console, SaveOptions{}));
    EXPECT_EQ(Blocks(run.console.game.path), (std::vector<BlockInfo>{{1, 1, true}}));
}

TEST(QuickSave, SaveTypesChooseTheFiles) {
    ScratchDir dir;
    RunningGame run;
    ASSERT_TRUE(run.Open(DemoGame(dir, true)));
    SaveOptions options;
    options.saveType = 2;  // always KOR
    ASSERT_TRUE(QuickSave(run.console, options));
    EXPECT_EQ(run.console.game.kind, kFileKor);
    EXPECT_EQ(run.console.game.path, dir.File("game.kor"));
    EXPECT_TRUE(fs::exists(dir.File("game.kor")));
    EXPECT_FALSE(fs::exists(dir.File("game.sav")));

    fs::remove(dir.File("game.nes"));
    options.saveType = 1;  // always iNES: the image only when missing
    ASSERT_TRUE(QuickSave(run.console, options));
    EXPECT_EQ(run.console.game.kind, kFileNes);
    auto image = ReadFileBytes(BuildRom("demo.nes"));
    image[6] |= 0x02;
    EXPECT_EQ(ReadFileBytes(dir.File("game.nes")), image);
    EXPECT_TRUE(fs::exists(dir.File("game.kr1")));
    EXPECT_EQ(fs::file_size(dir.File("game.sav")), 8192u);

    run.console.game.kind = static_cast<FileKind>(5);
    options.saveType = 0;
    EXPECT_FALSE(QuickSave(run.console, options));
    EXPECT_EQ(Messages(run.host), "Can't save in this format type|");
}

struct ExitCase {
    bool battery;
    uint8_t saveType;
    bool savTerminate;
    FileKind kind;
    bool written;
};

TEST(BatterySave, ExitTimeRules) {
    const ExitCase cases[] = {
        {true, 0, true, kFileNes, true},   {true, 0, false, kFileNes, false}, {true, 0, true, kFileKor, false},
        {true, 1, true, kFileKor, true},   {true, 2, true, kFileNes, false},  {false, 1, true, kFileNes, false},
    };
    for (const ExitCase& c : cases) {
        ScratchDir dir;
        RunningGame run;
        ASSERT_TRUE(run.Open(DemoGame(dir, c.battery)));
        run.console.game.kind = c.kind;
        EXPECT_TRUE(ExitTimeBatterySave(run.console, {}, c.saveType, c.savTerminate));
        EXPECT_EQ(fs::exists(dir.File("game.sav")), c.written)
            << c.battery << " " << int(c.saveType) << " " << c.savTerminate << " " << int(c.kind);
    }
}

TEST(BatterySave, SavFolderAndMovieSuspension) {
    ScratchDir dir;
    fs::create_directories(dir.path / "saves");
    RunningGame run;
    ASSERT_TRUE(run.Open(DemoGame(dir, true)));
    CompanionSettings companions;
    companions.savFolderUse = true;
    companions.savFolder = dir.File("saves");
    run.console.machine.sram[5] = 0x42;
    ASSERT_TRUE(WriteBatterySave(run.console, companions));
    auto sav = ReadFileBytes(dir.File("saves/game.sav"));
    ASSERT_EQ(sav.size(), 8192u);
    EXPECT_EQ(sav[5], 0x42);

    // A movie put its own RAM in: no SAV until the game is opened again.
    run.console.game.savSuspended = true;
    run.console.machine.sram[5] = 0x99;
    EXPECT_TRUE(WriteBatterySave(run.console, companions));
    EXPECT_EQ(ReadFileBytes(dir.File("saves/game.sav"))[5], 0x42);
    LoadOptions load;
    load.companions = companions;
    ASSERT_TRUE(run.Open(dir.File("game.nes"), load));
    EXPECT_EQ(run.console.machine.sram[5], 0x42);
    EXPECT_FALSE(run.console.game.savSuspended);
}

}  // namespace
}  // namespace korvanta::test
