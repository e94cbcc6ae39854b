// The table of sections, keys and defaults, its round trip, the reading
// rules and the order of the writes.
#include <gtest/gtest.h>

#include <cstring>

#include "app/settings.h"

namespace korvanta {
namespace {

ProfileFile Profile(std::string_view text) {
    ProfileFile profile;
    profile.SetText(text);
    return profile;
}

// Every field of every group, in the order the groups are written.
std::vector<SettingField> AllFields(ProgramSettings& s, JoystickCalibration (&centres)[2], TabletSettings& tablet) {
    std::vector<SettingField> all;
    auto add = [&](std::vector<SettingField> fields) { all.insert(all.end(), fields.begin(), fields.end()); };
    add(s.displayMode.Fields());
    add(s.recent.Fields());
    add(s.placement.Fields());
    add(s.save.Fields());
    add(s.keys.Fields());
    add(s.language.Fields());
    add(s.speed.Fields());
    add(s.sound.Fields());
    add(centres[0].Fields(0));
    add(centres[1].Fields(1));
    add(tablet.Fields());
    return all;
}

std::vector<std::string> SectionsOf(const std::string& text) {
    std::vector<std::string> sections;
    size_t at = 0;
    while ((at = text.find('[', at)) != std::string::npos) {
        size_t close = text.find(']', at);
        sections.push_back(text.substr(at + 1, close - at - 1));
        at = close;
    }
    return sections;
}

// With no file, the shell's writes at window close, teardown and exit give
// every key its default and the sections in the order they were written.
TEST(SettingsTable, DefaultsWrittenWithNoFile) {
    ProgramSettings settings;
    settings.ReadAtStartup(ProfileFile());
    ProfileFile p;
    settings.displayMode.Write(p);
    settings.WriteAtTeardown(p);
    settings.WriteAtExit(p);
    EXPECT_EQ(SectionsOf(p.Text()),
              (std::vector<std::string>{"DisplayMode", "RecentFile", "RecentFolder", "Display", "Save", "Key",
                                        "Joystick", "PadDevice", "Language", "Speed", "Sound"}));

    struct Row {
        const char* section;
        const char* key;
        const char* value;
    };
    const Row rows[] = {
        {"Key", "p1up", "38"},          {"Key", "p1down", "40"},         {"Key", "p1left", "37"},
        {"Key", "p1right", "39"},       {"Key", "p1start", "112"},       {"Key", "p1select", "113"},
        {"Key", "p1a", "88"},           {"Key", "p1b", "90"},            {"Key", "p2up", "104"},
        {"Key", "p2down", "98"},        {"Key", "p2left", "100"},        {"Key", "p2right", "102"},
        {"Key", "p2start", "121"},      {"Key", "p2select", "120"},      {"Key", "p2a", "96"},
        {"Key", "p2b", "97"},           {"Key", "pause", "16"},          {"Key", "save", "83"},
        {"Key", "undo", "85"},          {"Key", "side", "116"},          {"Key", "eject", "117"},
        {"Key", "reset", "82"},         {"Joystick", "Joy1A", "2"},      {"Joystick", "Joy1B", "1"},
        {"Joystick", "Joy1Select", "4"}, {"Joystick", "Joy1Start", "8"}, {"Joystick", "Joy2A", "2"},
        {"Joystick", "Joy2B", "1"},     {"Joystick", "Joy2Select", "4"}, {"Joystick", "Joy2Start", "8"},
        {"PadDevice", "Pad1Key", "0"},  {"PadDevice", "Pad2Key", "1"},   {"PadDevice", "Pad3Key", "-1"},
        {"PadDevice", "Pad4Key", "-1"}, {"PadDevice", "Pad1Joy", "0"},   {"PadDevice", "Pad2Joy", "1"},
        {"PadDevice", "Pad3Joy", "-1"}, {"PadDevice", "Pad4Joy", "-1"},  {"Language", "Language", "0"},
        {"Language", "PlugInFile", ""}, {"Speed", "DrawFrame", "1"},     {"Speed", "ExecSpeed", "999"},
        {"Speed", "Occupation", "12"},  {"Speed", "Benchmark", "1"},     {"Speed", "AutoFrame", "1"},
        {"Speed", "FullSpeed", "1"},    {"Sound", "MMVolume", "127"},    {"Sound", "SamplingRate", "44100"},
        {"Sound", "NoReverb", "1"},     {"Sound", "UseDirectSound", "0"}, {"Sound", "BufferSize", "16"},
        {"Save", "SaveType", "0"},      {"Save", "KRTFolderUse", "0"},   {"Save", "KRTFolder", ""},
        {"Save", "KRTSeparate", "1"},   {"Save", "SAVFolderUse", "0"},   {"Save", "SAVFolder", ""},
        {"Save", "SAVTerminate", "0"},  {"Save", "DiskBiosFolderUse", "0"}, {"Save", "DiskBiosFolder", ""},
        {"DisplayMode", "SavePosition", "1"}, {"DisplayMode", "TopMost", "1"}, {"DisplayMode", "NoMessage", "0"},
        {"DisplayMode", "AutoDrawMode", "1"}, {"DisplayMode", "WinDrawSize", "0"},
        {"DisplayMode", "WinDrawSizeX", "0"}, {"DisplayMode", "WinDrawSizeY", "0"},
        {"DisplayMode", "FullDrawSize", "0"}, {"DisplayMode", "FullDrawSizeX", "0"},
        {"DisplayMode", "FullDrawSizeY", "0"}, {"DisplayMode", "BootReso", ""}, {"DisplayMode", "FullReso", ""},
        {"DisplayMode", "DrawMode0", "0"}, {"DisplayMode", "DrawMode3", "0"}, {"DisplayMode", "DrawMode4", "3"},
        {"DisplayMode", "DrawMode5", "5"}, {"DisplayMode", "DrawMode7", "5"}, {"DisplayMode", "CheckMode0", "0"},
        {"DisplayMode", "CheckMode7", "0"},
        {"RecentFile", "Item0", ""},    {"RecentFile", "Item3", ""},     {"RecentFolder", "Item0", ""},
        {"RecentFolder", "Item3", ""},
    };
    for (const Row& r : rows) {
        auto value = p.Find(r.section, r.key);
        ASSERT_TRUE(value) << r.section << "/" << r.key;
        EXPECT_EQ(*value, r.value) << r.section << "/" << r.key;
    }
    EXPECT_EQ(*p.Find("Display", "WindowPlacement"), std::string(88, '0'));
    EXPECT_FALSE(p.Find("JoyDevice", "CalibrateX0")) << "written only by the calibration";
    EXPECT_FALSE(p.Find("OekakidsTablet", "Mode")) << "written only by the tablet";
    EXPECT_EQ(JoystickCalibration{}.x, 0);
    EXPECT_EQ(TabletSettings{}.mode, 1);
}

// Every key written with a value of its own reads back the same, without the
// reading rules, which the next tests cover.
TEST(SettingsTable, RoundTripOfEveryKey) {
    ProgramSettings written;
    JoystickCalibration centres[2];
    TabletSettings tablet;
    std::vector<SettingField> fields = AllFields(written, centres, tablet);
    int n = 0;
    for (const SettingField& f : fields) {
        ++n;
        switch (f.type) {
            case SettingType::Int: *static_cast<int32_t*>(f.value) = n % 2 ? -n * 1000 : n; break;
            case SettingType::Bool: *static_cast<bool*>(f.value) = !*static_cast<bool*>(f.value); break;
            case SettingType::Byte: *static_cast<uint8_t*>(f.value) = static_cast<uint8_t>(200 + n % 50); break;
            case SettingType::Text: *static_cast<std::string*>(f.value) = "value " + std::to_string(n); break;
            case SettingType::Hex:
                for (uint32_t i = 0; i < f.size; ++i) static_cast<uint8_t*>(f.value)[i] = static_cast<uint8_t>(n + i * 9);
                break;
        }
    }
    ProfileFile p;
    WriteFields(p, fields);

    ProgramSettings read;
    JoystickCalibration readCentres[2];
    TabletSettings readTablet;
    ReadFields(p, AllFields(read, readCentres, readTablet));
    EXPECT_EQ(read.keys.keys, written.keys.keys);
    EXPECT_EQ(read.keys.joyButtons, written.keys.joyButtons);
    EXPECT_EQ(read.keys.shortcuts, written.keys.shortcuts);
    EXPECT_EQ(read.keys.padKey, written.keys.padKey);
    EXPECT_EQ(read.keys.padJoy, written.keys.padJoy);
    EXPECT_EQ(read.placement.bytes, written.placement.bytes);
    EXPECT_EQ(read.recent.files, written.recent.files);
    EXPECT_EQ(read.recent.folders, written.recent.folders);
    EXPECT_EQ(readCentres[1].y, centres[1].y);
    EXPECT_EQ(readTablet.mode, tablet.mode);
    // The rest field by field through the generic descriptors.
    std::vector<SettingField> back = AllFields(read, readCentres, readTablet);
    ASSERT_EQ(back.size(), fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        const SettingField& a = fields[i];
        const SettingField& b = back[i];
        SCOPED_TRACE(std::string(a.section) + "/" + a.key);
        switch (a.type) {
            case SettingType::Int: EXPECT_EQ(*static_cast<int32_t*>(a.value), *static_cast<int32_t*>(b.value)); break;
            case SettingType::Bool: EXPECT_EQ(*static_cast<bool*>(a.value), *static_cast<bool*>(b.value)); break;
            case SettingType::Byte: EXPECT_EQ(*static_cast<uint8_t*>(a.value), *static_cast<uint8_t*>(b.value)); break;
            case SettingType::Text:
                EXPECT_EQ(*static_cast<std::string*>(a.value), *static_cast<std::string*>(b.value));
                break;
            case SettingType::Hex: EXPECT_EQ(0, std::memcmp(a.value, b.value, a.size)); break;
        }
    }
}

TEST(SettingsRules, SpeedAndSoundValuesComeIntoTheDialogRanges) {
    struct Case {
        const char* text;
        int32_t execSpeed, drawFrame, occupation;
    };
    const Case speed[] = {
        {"FullSpeed=1\nExecSpeed=200\nOccupation=3\n", 999, 1, 12},
        {"FullSpeed=0\nExecSpeed=200\nOccupation=3\nDrawFrame=3\n", 200, 3, 3},
        {"FullSpeed=0\nExecSpeed=0\nOccupation=0\nDrawFrame=0\n", 1, 1, 1},
        {"FullSpeed=0\nExecSpeed=-50\nOccupation=-1\nDrawFrame=-4\n", 1, 1, 1},
        {"FullSpeed=0\nExecSpeed=5000\nOccupation=99\nDrawFrame=99\n", 999, 10, 12},
        {"FullSpeed=256\nExecSpeed=100\n", 100, 1, 12},  // a byte: 256 is 0
    };
    for (const Case& c : speed) {
        SpeedSettings s;
        s.Read(Profile(std::string("[Speed]\n") + c.text));
        EXPECT_EQ(s.execSpeed, c.execSpeed) << c.text;
        EXPECT_EQ(s.drawFrame, c.drawFrame) << c.text;
        EXPECT_EQ(s.occupation, c.occupation) << c.text;
    }

    struct SoundCase {
        const char* text;
        int32_t rate, volume, buffer;
    };
    const SoundCase sound[] = {
        {"", 44100, 127, 16},
        {"SamplingRate=22050\nMMVolume=0\nBufferSize=100\n", 22050, 0, 100},
        {"SamplingRate=8000\nMMVolume=255\nBufferSize=1\n", 8000, 255, 1},
        {"SamplingRate=0\nMMVolume=-3\nBufferSize=0\n", 44100, 0, 1},
        {"SamplingRate=48000\nMMVolume=999\nBufferSize=500\n", 44100, 255, 100},
    };
    for (const SoundCase& c : sound) {
        SoundSettings s;
        s.Read(Profile(std::string("[Sound]\n") + c.text));
        EXPECT_EQ(s.samplingRate, c.rate) << c.text;
        EXPECT_EQ(s.mmVolume, c.volume) << c.text;
        EXPECT_EQ(s.bufferSize, c.buffer) << c.text;
    }
}

TEST(SettingsRules, KeysKeepAutoshotAndReadBackNegativeAssignments) {
    KeyConfig keys;
    keys.autoshot[kAutoshotKeySet2][kPadB] = true;
    keys.autoshotSpeed = kAutoshotLowSpeed;
    keys.Read(Profile("[Key]\np1a=65\nsave=fast\n[PadDevice]\nPad1Key=-1\n[Joystick]\nJoy2Start=32\n"));
    EXPECT_EQ(keys.keys[0][kPadA], 65);
    EXPECT_EQ(keys.keys[0][kPadB], 90);
    EXPECT_EQ(keys.shortcuts[kShortcutSave], 0) << "not a number";
    EXPECT_EQ(keys.padKey[0], -1);
    EXPECT_EQ(keys.joyButtons[1][3], 32);
    EXPECT_TRUE(keys.autoshot[kAutoshotKeySet2][kPadB]);
    EXPECT_EQ(keys.autoshotSpeed, kAutoshotLowSpeed);
    EXPECT_EQ(keys.ShortcutOf(16), kShortcutPause);
    EXPECT_EQ(keys.ShortcutOf(82), kShortcutReset);
    EXPECT_EQ(keys.ShortcutOf(65), -1);

    ProfileFile p;
    keys.Write(p);
    KeyConfig again;
    again.Read(p);
    EXPECT_EQ(again.padKey[0], -1);
    EXPECT_EQ(again.keys, keys.keys);
}

TEST(SettingsRules, BootAndFullResolutions) {
    const Resolution list[] = {{640, 480, 8}, {640, 480, 16}, {800, 600, 32}};
    struct Case {
        const char* text;
        int boot, full;
    };
    const Case cases[] = {
        {"", 0, 0},           {"640x480x8", 1, 0}, {"640x480x16", 2, 1}, {"800x600x32", 3, 2},
        {"1024x768x32", 0, 0}, {"800x600", 0, 0},  {"garbage", 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BootResoChoice(c.text, list), c.boot) << c.text;
        EXPECT_EQ(FullResoChoice(c.text, list), c.full) << c.text;
    }
    EXPECT_EQ(BootResoText(0, list), "");
    EXPECT_EQ(BootResoText(2, list), "640x480x16");
    EXPECT_EQ(BootResoText(4, list), "");
    EXPECT_EQ(FullResoText(2, list), "800x600x32");
    EXPECT_EQ(FullResoText(3, list), "");
}

TEST(SettingsRules, LanguageZeroIsTheSystemDefault) {
    const int32_t withMenu[] = {1033, 1041, 1028};
    EXPECT_EQ(ResolveLanguage(0, 1041, withMenu), 1041);
    EXPECT_EQ(ResolveLanguage(1028, 1041, withMenu), 1028);
    EXPECT_EQ(ResolveLanguage(0, 1036, withMenu), 1033);
    EXPECT_EQ(ResolveLanguage(2052, 1041, withMenu), 1033);
}

}  // namespace
}  // namespace korvanta
