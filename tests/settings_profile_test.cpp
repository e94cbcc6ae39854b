// The private-profile reader and writer, hexadecimal records, and where the
// settings file lives.
#include <gtest/gtest.h>

#include <fstream>

#include "app/settings.h"
#include "test_support.h"

namespace korvanta {
namespace {

ProfileFile Profile(std::string_view text) {
    ProfileFile profile;
    profile.SetText(text);
    return profile;
}

TEST(ProfileFile, ReadsIntegersByThePrivateProfileRules) {
    struct Case {
        const char* text;
        int32_t expected;  // of Speed/ExecSpeed with the default 77
    };
    const Case cases[] = {
        {"", 77},                                               // no file
        {"[Sound]\nExecSpeed=5\n", 77},                         // another section
        {"[Speed]\nDrawFrame=5\n", 77},                         // absent key
        {"[Speed]\nExecSpeed=200\n", 200},                      //
        {"[Speed]\r\nExecSpeed=200\r\n", 200},                  // CRLF
        {"[Speed]\nExecSpeed=-1\n", -1},                        // signed
        {"[Speed]\nExecSpeed=+7\n", 7},                         //
        {"[Speed]\nExecSpeed=fast\n", 0},                       // not a number
        {"[Speed]\nExecSpeed=12abc\n", 12},                     // the leading number
        {"[Speed]\nExecSpeed=\n", 77},                          // empty value: the default
        {"[Speed]\nExecSpeed=  42  \n", 42},                    // blanks around the value
        {"  [ speed ]  \n  execspeed = 9\n", 9},                // names without regard to case
        {"[Speed]\nExecSpeed=\"5\"\n", 5},                      // quoted
        {"[Speed]\nExecSpeed=4294967295\n", -1},                // wraps at 32 bits
        {"[Speed]\nExecSpeed=1\nExecSpeed=2\n", 1},             // the first key wins
        {"[Speed]\n;ExecSpeed=3\n", 77},                        // a comment
        {"ExecSpeed=3\n[Speed]\n", 77},                         // a key before any section
        {"[Speed\nExecSpeed=3\n", 77},                          // no header without ']'
        {"[Speed]\nOther=1\n[Save]\n[Speed]\nExecSpeed=8\n", 8},  // a second section of the name
    };
    for (const Case& c : cases) EXPECT_EQ(Profile(c.text).GetInt("Speed", "ExecSpeed", 77), c.expected) << c.text;
}

TEST(ProfileFile, StringsAreCutToTheirBuffer) {
    ProfileFile p = Profile("[Save]\nKRTFolder=  C:\\Games\\Saves  \n");
    EXPECT_EQ(p.GetString("Save", "KRTFolder", "", 512), "C:\\Games\\Saves");
    EXPECT_EQ(p.GetString("Save", "KRTFolder", "", 6), "C:\\Ga");
    EXPECT_EQ(p.GetString("Save", "SAVFolder", "default", 512), "default");
    EXPECT_EQ(p.GetString("Save", "SAVFolder", "default", 4), "def");
}

TEST(ProfileFile, WritesReplaceAppendAndKeepOtherLines) {
    ProfileFile p = Profile("; korvanta\r\n[Key]\r\np1a=88\r\n\r\n[Speed]\r\nExecSpeed=100\r\n");
    p.SetInt("key", "P1A", 65);        // replaced in place
    p.SetInt("Key", "p1b", 66);        // added at the end of its section
    p.SetString("Save", "KRTFolder", "dir\nmore");  // a new section; the line break goes
    p.SetInt("PadDevice", "Pad3Key", -1);
    EXPECT_EQ(p.Text(),
              "; korvanta\r\n[Key]\r\nP1A=65\r\np1b=66\r\n\r\n[Speed]\r\nExecSpeed=100\r\n"
              "[Save]\r\nKRTFolder=dir\r\n[PadDevice]\r\nPad3Key=-1\r\n");
    EXPECT_EQ(p.GetInt("PadDevice", "Pad3Key", 0), -1);

    ProfileFile unix = Profile("[Key]\np1a=88\n");
    unix.SetInt("Key", "p1b", 90);
    EXPECT_EQ(unix.Text(), "[Key]\np1a=88\np1b=90\n");
}

TEST(ProfileFile, MissingFileReadsEmptyAndSaveCreatesIt) {
    auto folder = std::filesystem::path(testing::TempDir()) / "korvanta_profile_save" / "nested";
    std::filesystem::remove_all(folder.parent_path());
    ProfileFile p(folder / "korvanta.ini");
    EXPECT_EQ(p.Text(), "");
    p.SetInt("Key", "p1a", 70);
    ASSERT_TRUE(p.Save());
    ProfileFile again(folder / "korvanta.ini");
    EXPECT_EQ(again.GetInt("Key", "p1a", 0), 70);
    EXPECT_FALSE(again.Unreadable());
    EXPECT_FALSE(ProfileFile().Save()) << "no path";
    ProfileFile folderAsFile(folder);  // exists, but is no file
    EXPECT_TRUE(folderAsFile.Unreadable());
    EXPECT_EQ(folderAsFile.GetInt("Key", "p1a", 88), 88);
    folderAsFile.SetInt("Key", "p1a", 1);
    EXPECT_FALSE(folderAsFile.Save()) << "what could not be read is not replaced";
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    std::filesystem::remove_all(folder.parent_path());
}

TEST(WindowPlacement, EightyEightHexDigits) {
    std::array<uint8_t, kWindowPlacementBytes> bytes{};
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 37 + 5);
    WindowPlacementSetting written;
    written.bytes = bytes;
    ProfileFile p;
    written.Write(p);
    std::string text = *p.Find("Display", "WindowPlacement");
    EXPECT_EQ(text.size(), 88u);
    EXPECT_EQ(text.substr(0, 6), "052A4F");
    WindowPlacementSetting read;
    read.Read(p);
    EXPECT_EQ(read.bytes, bytes);

    struct Case {
        const char* value;
        std::vector<uint8_t> leading;  // the rest stays 0
    };
    const Case cases[] = {
        {"2C000000", {0x2C, 0, 0, 0}},
        {"2C0", {0x2C}},              // a lone digit is no pair
        {"ab12", {0xAB, 0x12}},       // lower case is read too
        {"2CZZ01", {0x2C, 0, 0x01}},  // a bad pair stays 0
        {"", {}},
    };
    for (const Case& c : cases) {
        WindowPlacementSetting s;
        s.bytes.fill(0xEE);
        s.Read(Profile(std::string("[Display]\nWindowPlacement=") + c.value + "\n"));
        std::array<uint8_t, kWindowPlacementBytes> expected{};
        std::copy(c.leading.begin(), c.leading.end(), expected.begin());
        EXPECT_EQ(s.bytes, expected) << c.value;
    }
    WindowPlacementSetting absent;
    absent.Read(Profile(""));
    EXPECT_EQ(absent.bytes, (std::array<uint8_t, kWindowPlacementBytes>{}));
}

struct TempTree {
    std::filesystem::path root = std::filesystem::path(testing::TempDir()) / "korvanta_settings_location";
    TempTree() {
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root / "program");
        std::filesystem::create_directories(root / "windows");
    }
    ~TempTree() { std::filesystem::remove_all(root); }
    void Touch(const std::filesystem::path& path) {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << "[Key]\n";
    }
};

TEST(SettingsLocation, ChoosesTheFirstExistingFileThenAWritableFolder) {
    TempTree t;
    SettingsCandidates c;
    c.programFile = t.root / "program" / kSettingsFileName;
    c.userFile = t.root / "config" / "korvanta" / kSettingsFileName;
    for (const char* name : kLegacySettingsFileNames) c.legacyFiles.push_back(t.root / "windows" / name);

    // None exists: the program folder is writable.
    SettingsLocation none = LocateSettingsFile(c);
    EXPECT_EQ(none.path, c.programFile);
    EXPECT_FALSE(none.legacy);
    EXPECT_TRUE(std::filesystem::is_empty(t.root / "program")) << "the probe is gone";

    // Only the second legacy file.
    t.Touch(c.legacyFiles[1]);
    SettingsLocation legacy = LocateSettingsFile(c);
    EXPECT_EQ(legacy.path, c.legacyFiles[1]);
    EXPECT_TRUE(legacy.legacy);
    t.Touch(c.legacyFiles[0]);
    EXPECT_EQ(LocateSettingsFile(c).path, c.legacyFiles[0]);

    // The user's file before the legacy ones, the program's before all.
    t.Touch(c.userFile);
    EXPECT_EQ(LocateSettingsFile(c).path, c.userFile);
    EXPECT_FALSE(LocateSettingsFile(c).legacy);
    t.Touch(c.programFile);
    EXPECT_EQ(LocateSettingsFile(c).path, c.programFile);

    // No file and a program folder that cannot take one: the user's file.
    SettingsCandidates locked;
    locked.programFile = t.root / "missing-folder" / "sub" / kSettingsFileName;
    locked.userFile = t.root / "config2" / "korvanta" / kSettingsFileName;
    EXPECT_EQ(LocateSettingsFile(locked).path, locked.userFile);
    locked.userFile.clear();  // a host without a user folder keeps the program's
    EXPECT_EQ(LocateSettingsFile(locked).path, locked.programFile);
}

}  // namespace
}  // namespace korvanta
