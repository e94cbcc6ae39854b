// Companion file names: the extension is replaced, folders may redirect SAV
// and KRT files, and the result tells whether the file is missing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "media/companion.h"

namespace korvanta {
namespace {

const char kSep = static_cast<char>(std::filesystem::path::preferred_separator);

TEST(CompanionName, ReplacesTheExtensionOfTheFileNameOnly) {
    struct Case {
        std::string path;
        CompanionKind kind;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"dir/game.nes", kCompanionSav, "dir/game.sav"},
        {"dir/game.tar.nes", kCompanionKmv, "dir/game.tar.kmv"},
        {"roms.v2/Zelda", kCompanionSav, "roms.v2/Zelda.sav"},
        {"roms.v2\\Zelda", kCompanionSav, "roms.v2\\Zelda.sav"},
        {"game", kCompanionKor, "game.kor"},
        {"game.", kCompanionFds, "game.fds"},
        {".hidden/x.fds", kCompanionNes, ".hidden/x.nes"},
    };
    for (const Case& c : cases) {
        std::string path = c.path;
        MakeCompanionName(path, c.kind, CompanionSettings{}, 0);
        EXPECT_EQ(path, c.expected) << c.path;
    }
}

TEST(CompanionName, SnapshotFilesPerSlotAndFolders) {
    CompanionSettings settings;
    std::string path = "a/b.nes";
    MakeCompanionName(path, kCompanionKrt, settings, 3);
    EXPECT_EQ(path, "a/b.kr3");

    settings.krtSeparate = false;
    path = "a/b.nes";
    MakeCompanionName(path, kCompanionKrt, settings, 3);
    EXPECT_EQ(path, "a/b.krt");

    settings.krtFolderUse = true;
    settings.krtFolder = "snaps";
    settings.savFolderUse = true;
    settings.savFolder = "saves";
    path = "x/y/game.nes";
    MakeCompanionName(path, kCompanionKrt, settings, 0);
    EXPECT_EQ(path, std::string("snaps") + kSep + "game.krt");
    path = "x/y/game.nes";
    MakeCompanionName(path, kCompanionSav, settings, 0);
    EXPECT_EQ(path, std::string("saves") + kSep + "game.sav");
    path = "game.nes";  // no folder part
    MakeCompanionName(path, kCompanionSav, settings, 0);
    EXPECT_EQ(path, std::string("saves") + kSep + "game.sav");
    path = "x/game.nes";  // the folders only redirect their own kind
    MakeCompanionName(path, kCompanionKmv, settings, 0);
    EXPECT_EQ(path, "x/game.kmv");
}

TEST(CompanionName, ResultTellsWhetherTheFileIsMissing) {
    auto dir = std::filesystem::temp_directory_path() / "korvanta-companion-exists";
    std::filesystem::create_directories(dir);
    std::ofstream((dir / "game.sav").string()) << "x";
    std::string present = (dir / "game.nes").string();
    std::string absent = (dir / "other.nes").string();
    EXPECT_FALSE(MakeCompanionName(present, kCompanionSav, CompanionSettings{}, 0));
    EXPECT_TRUE(MakeCompanionName(absent, kCompanionSav, CompanionSettings{}, 0));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace korvanta
