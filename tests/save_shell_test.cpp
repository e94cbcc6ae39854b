// The shell's save and undo keys with their on-screen messages, the current
// slot chosen with Alt and a digit, the SAV file written at exit, and movies.
#include <gtest/gtest.h>

#include "app/shell.h"
#include "disk_fixture.h"
#include "save_fixture.h"

namespace korvanta::test {
namespace {

constexpr int kSaveKey = 83;  // 'S'
constexpr int kUndoKey = 85;  // 'U'

TEST(ShellSaves, KeysSlotsAndExitSave) {
    ScratchDir dir;
    auto bytes = ReadFileBytes(BuildRom("demo.nes"));
    bytes[6] |= 0x02;  // battery
    std::string game = dir.Write("game.nes", bytes);
    dir.Write("korvanta.ini", {});
    HeadlessHost host;
    {
        Shell shell(host, SettingsCandidates{dir.path / "korvanta.ini", {}, {}});
        shell.settings.save.savTerminate = 1;
        ASSERT_TRUE(shell.OpenGameFile(game));
        EXPECT_EQ(shell.console.game.snapshotSlot, 1);

        shell.AltDigit(4);
        shell.KeyDown(kSaveKey);
        EXPECT_TRUE(fs::exists(dir.File("game.kr4")));
        EXPECT_EQ(shell.display.screenMessage.text, "SAVE-4");

        shell.AltDigit(0);
        EXPECT_EQ(shell.display.screenMessage.text, "0");
        shell.KeyDown(kSaveKey);
        EXPECT_TRUE(fs::exists(dir.File("game.kr0")));
        EXPECT_EQ(shell.display.screenMessage.text, "SAVE-10");

        shell.console.machine.ram[0x20] = 0x99;
        shell.KeyDown(kUndoKey);
        EXPECT_EQ(shell.display.screenMessage.text, "LOAD-10");
        EXPECT_NE(shell.console.machine.ram[0x20], 0x99);

        shell.console.machine.sram[1] = 0x61;
        fs::remove(dir.File("game.sav"));
        shell.Close();
    }
    auto sav = ReadFileBytes(dir.File("game.sav"));
    ASSERT_EQ(sav.size(), 8192u);
    EXPECT_EQ(sav[1], 0x61);
    EXPECT_TRUE(host.messages.empty());
}

// A movie recorded in the shell, replayed by opening its file, re-recorded
// by the undo key, and closed with the program.
TEST(ShellSaves, MovieRecordReplayAndReRecord) {
    ScratchDir dir;
    std::string game = dir.Copy(BuildRom("demo.nes"), "game.nes");
    std::string kmv = dir.File("game.kmv");
    dir.Write("korvanta.ini", {});
    HeadlessHost host;
    auto frames = [](Shell& shell, int count) {
        for (int i = 0; i < count; ++i) shell.driver.RunOneFrame();
    };
    {
        Shell shell(host, SettingsCandidates{dir.path / "korvanta.ini", {}, {}});
        ASSERT_TRUE(shell.OpenGameFile(game));
        ASSERT_TRUE(shell.movie->StartRecording({kmv, "", false, true, false, false}));
        EXPECT_EQ(shell.display.screenMessage.text, "MOVIE RECORD");
        frames(shell, 10);
        shell.AltDigit(2);
        shell.KeyDown(kSaveKey);
        frames(shell, 10);
        shell.movie->Stop();
        EXPECT_EQ(fs::file_size(kmv), 144u + 20);

        ASSERT_TRUE(shell.OpenGameFile(kmv));
        EXPECT_EQ(shell.movie->mode, kMovieReplaying);
        EXPECT_EQ(shell.display.screenMessage.text, "MOVIE REPLAY");
        frames(shell, 15);
        // Replaying from power-on opened the game again, which chose slot 1.
        shell.AltDigit(2);
        shell.KeyDown(kUndoKey);
        EXPECT_EQ(shell.movie->mode, kMovieRecording);
        EXPECT_EQ(shell.display.screenMessage.text, "MOVIE RE-RECORD");
        EXPECT_EQ(fs::file_size(kmv), 144u + 10);
        frames(shell, 5);
        shell.Close();
    }
    auto file = ReadFileBytes(kmv);
    EXPECT_EQ(file.size(), 144u + 15);
    EXPECT_EQ(file[10], 1);  // the recording count, written when the program ended
    EXPECT_TRUE(host.messages.empty());
}

// The disk keys walk the sides of a four-side image and eject and insert
// the disk; on a cartridge they do nothing. The BIOS is found in the
// program's folder.
TEST(ShellSaves, DiskKeysChangeSidesAndEject) {
    constexpr int kSideKey = 116;   // F5
    constexpr int kEjectKey = 117;  // F6
    ScratchDir dir;
    dir.Write("disksys.rom", TestBios());
    std::string disk = dir.Write("game.fds", MakeDiskImage(4));
    std::string cartridge = dir.Copy(BuildRom("demo.nes"), "game.nes");
    dir.Write("korvanta.ini", {});
    HeadlessHost host;
    Shell shell(host, SettingsCandidates{dir.path / "korvanta.ini", {}, {}}, dir.path.string());
    ASSERT_TRUE(shell.OpenGameFile(disk));
    ASSERT_EQ(shell.console.mapper->mapperNumber, 1000u);
    for (const char* expected : {"NO-1 SIDE-B", "NO-2 SIDE-A", "NO-2 SIDE-B", "NO-1 SIDE-A"}) {
        shell.KeyDown(kSideKey);
        EXPECT_EQ(shell.display.screenMessage.text, expected);
    }
    shell.KeyDown(kEjectKey);
    EXPECT_EQ(shell.display.screenMessage.text, "DISK EJECT");
    EXPECT_EQ(shell.console.mapper->Message(202, 0), 0);
    shell.KeyDown(kEjectKey);
    EXPECT_EQ(shell.display.screenMessage.text, "DISK SET");
    EXPECT_EQ(shell.console.mapper->Message(202, 0), 1);

    ASSERT_TRUE(shell.OpenGameFile(cartridge));
    shell.display.screenMessage.text.clear();
    shell.KeyDown(kSideKey);
    shell.KeyDown(kEjectKey);
    EXPECT_EQ(shell.display.screenMessage.text, "");
    EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace korvanta::test
