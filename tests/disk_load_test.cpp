// Opening Disk System images: the BIOS file, refusals of broken images, the
// test BIOS reading a side through the drive registers, and writing the
// disk image back.
#include <gtest/gtest.h>

#include "app/strings.h"
#include "disk_fixture.h"
#include "media/save_file.h"

namespace korvanta::test {
namespace {

TEST(DiskLoad, TestBiosReadsTheFirstFileOfSideA) {
    DiskConsole d;
    std::vector<uint8_t> image = MakeDiskImage(2);
    ASSERT_TRUE(d.Load(image));
    EXPECT_TRUE(d.host.messages.empty());
    EXPECT_EQ(d.console.game.kind, kFileFds);
    EXPECT_EQ(d.console.mapper->mapperNumber, 1000u);
    EXPECT_EQ(d.console.game.header[8] | d.console.game.header[9] << 8, 1000);
    EXPECT_FALSE(d.Disk().knownBios);
    EXPECT_EQ(d.host.icon, kIconDiskIdle);

    int frames = 0;
    while (d.m().ram[0xF0] != 0xA5 && frames < 120) d.Frame(), ++frames;
    ASSERT_EQ(d.m().ram[0xF0], 0xA5) << "the BIOS did not finish";
    EXPECT_EQ(d.m().RunState, 1u);

    const uint8_t* side = &image[kDiskHeaderSize];
    const uint8_t* ram = d.m().ram.data();
    EXPECT_TRUE(std::equal(side, side + kDiskInfoSize, ram + 0x300)) << "block 1";
    EXPECT_EQ(ram[0x338], 2);
    EXPECT_EQ(ram[0x339], 1);
    EXPECT_TRUE(std::equal(side + kFileHeaderAt, side + kFileHeaderAt + 16, ram + 0x340)) << "block 3";
    EXPECT_TRUE(std::equal(side + kFileDataAt, side + kFileDataAt + 41, ram + 0x400)) << "block 4";
    // The 42nd byte lies past the block: the BIOS read only what it announced.
    EXPECT_EQ(ram[0x429], 0);
    // One timer interrupt, which saw bit 0 of $4030.
    EXPECT_EQ(ram[0xF2], 1);
    EXPECT_EQ(ram[0xF1] & 1, 1);
    EXPECT_EQ(d.host.icon, kIconDiskIdle);
}

TEST(DiskLoad, MissingBiosKeepsTheCurrentGame) {
    DiskConsole d;
    ASSERT_TRUE(d.console.mapper == nullptr);
    BoardConsole cart;
    ASSERT_TRUE(cart.Load(InesLayout{}));
    Mapper* before = cart.console.mapper.get();
    LoadOptions options;
    options.programFolder = d.folder.File("nowhere") + "/";
    MemoryStream stream(MakeDiskImage(1));
    EXPECT_FALSE(OpenGameStream(cart.console, stream, "game.fds", options));
    ASSERT_EQ(cart.host.messages.size(), 1u);
    std::string bios = d.folder.File("nowhere") + "/disksys.rom";
    EXPECT_EQ(cart.host.messages[0].text, FormatString(kStrBiosLoadFailed, bios.c_str()));
    EXPECT_EQ(cart.console.mapper.get(), before);

    // A BIOS file shorter than its 8 KB page counts as missing too.
    DiskConsole shortBios(std::vector<uint8_t>(100, 0xEA));
    EXPECT_FALSE(shortBios.Load(MakeDiskImage(1)));
    ASSERT_EQ(shortBios.host.messages.size(), 1u);
    EXPECT_EQ(shortBios.host.messages[0].text,
              FormatString(kStrBiosLoadFailed, shortBios.folder.File("disksys.rom").c_str()));
    EXPECT_EQ(shortBios.console.mapper, nullptr);
}

TEST(DiskLoad, BiosPathFollowsTheSettings) {
    struct Case {
        bool use;
        std::string folder, program, expected;
    };
    const Case cases[] = {
        {false, "bios", "prog", "prog/disksys.rom"},
        {false, "bios", "", "./disksys.rom"},
        {true, "bios\\", "prog", "bios/disksys.rom"},
        {true, "bios/", "prog", "bios/disksys.rom"},
        {true, "", "prog", "./disksys.rom"},
    };
    for (const Case& c : cases) {
        LoadOptions options;
        options.diskBiosFolderUse = c.use;
        options.diskBiosFolder = c.folder;
        options.programFolder = c.program;
        EXPECT_EQ(DiskBiosPath(options), c.expected) << c.folder << " " << c.program;
    }

    DiskConsole d;
    TempFolder other("bios");
    WriteBytes(other.File("disksys.rom"), TestBios());
    d.options.programFolder = d.folder.File("nowhere");
    d.options.diskBiosFolderUse = true;
    d.options.diskBiosFolder = other.path.string() + "/";
    EXPECT_TRUE(d.Load(MakeDiskImage(1)));
}

TEST(DiskLoad, BrokenImagesFailCleanly) {
    std::vector<uint8_t> whole = MakeDiskImage(2);
    struct Case {
        const char* name;
        std::vector<uint8_t> image;
    };
    const Case cases[] = {
        {"no sides", MakeDiskImage(0)},
        {"five sides claimed", MakeDiskImage(4, 5)},
        {"255 sides claimed", MakeDiskImage(1, 255)},
        {"one byte short", std::vector<uint8_t>(whole.begin(), whole.end() - 1)},
        {"header only", std::vector<uint8_t>(whole.begin(), whole.begin() + 16)},
        {"detection bytes only", {'F', 'D', 'S'}},
    };
    for (const Case& c : cases) {
        BoardConsole cart;
        ASSERT_TRUE(cart.Load(InesLayout{}));
        Mapper* before = cart.console.mapper.get();
        DiskConsole d;
        MemoryStream stream(c.image);
        EXPECT_FALSE(OpenGameStream(cart.console, stream, "game.fds", d.options)) << c.name;
        ASSERT_EQ(cart.host.messages.size(), 1u) << c.name;
        EXPECT_EQ(cart.host.messages[0].text, FormatString(kStrBrokenFile)) << c.name;
        EXPECT_EQ(cart.console.mapper.get(), before) << c.name;
        EXPECT_EQ(cart.Prg(3), 3) << c.name;
    }
    // Four sides is the most an image holds.
    DiskConsole d;
    ASSERT_TRUE(d.Load(MakeDiskImage(4)));
    EXPECT_EQ(d.console.mapper->Message(kDiskGetSideCount, 0), 4);
}

TEST(DiskLoad, SavingTheImageWritesTheDiskBack) {
    DiskConsole d;
    std::vector<uint8_t> image = MakeDiskImage(2);
    ASSERT_TRUE(d.Load(image));
    // The game writes to the disk: a changed byte must reach the file.
    d.Disk().disk.Side(1)[100] = 0x5A;
    image[kDiskHeaderSize + kDiskSideSize + 100] = 0x5A;

    std::string path = d.folder.File("game.fds");
    WriteBytes(path, {1, 2, 3});
    ASSERT_TRUE(SaveFile(d.console, path, 1, kSaveFds, true, nullptr));
    EXPECT_EQ(ReadFileBytes(path), image);
    EXPECT_FALSE(std::filesystem::exists(path + ".1"));
    EXPECT_TRUE(d.host.messages.empty());

    // The saved file opens again with the same sides.
    DiskConsole again;
    ASSERT_TRUE(again.Load(ReadFileBytes(path)));
    EXPECT_EQ(again.Disk().disk.Side(1)[100], 0x5A);

    // A folder that does not exist: the message, and nothing is written.
    std::string lost = d.folder.File("missing/game.fds");
    EXPECT_FALSE(SaveFile(d.console, lost, 1, kSaveFds, true, nullptr));
    EXPECT_FALSE(std::filesystem::exists(lost));

    // Another board refuses, and the file it would replace stays.
    BoardConsole cart;
    ASSERT_TRUE(cart.Load(InesLayout{}));
    EXPECT_FALSE(SaveFile(cart.console, path, 1, kSaveFds, true, nullptr));
    ASSERT_EQ(cart.host.messages.size(), 1u);
    EXPECT_EQ(cart.host.messages[0].text, FormatString(kStrSaveFailure));
    EXPECT_EQ(ReadFileBytes(path), image);
}

}  // namespace
}  // namespace korvanta::test
