// The shell's save and undo keys with their on-screen messages, the current
// slot chosen with Alt and a digit, and the SAV file written at exit.
#include <gtest/gtest.h>

#include "app/shell.h"
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

}  // namespace
}  // namespace korvanta::test
