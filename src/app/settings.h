// The settings file: a Windows private-profile file of sections and keys,
// where it lives, every group of keys with its defaults and reading rules,
// and the moments the groups are read and written.
#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "input/key_config.h"

namespace korvanta {

// The text of a private-profile file with the Windows reading rules:
// section and key names match without regard to case, the first match wins,
// names and values are trimmed, a value in matching quotes loses them, lines
// starting with ';' are comments. Writes change the text in memory and keep
// every other line; Save puts the text into the file.
class ProfileFile {
public:
    ProfileFile() = default;
    // Reads the file when it exists; a missing or unreadable file is an
    // empty text (every key at its default).
    explicit ProfileFile(std::filesystem::path path);

    const std::filesystem::path& Path() const { return path_; }
    // The file exists but could not be read; the host may say so.
    bool Unreadable() const { return unreadable_; }
    void SetText(std::string_view text);
    std::string Text() const;
    // Writes the text to the path (creating its folder); false on failure,
    // which callers do not report.
    bool Save() const;

    // The value of a key, or nothing when the key is absent.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    // A signed decimal number; an absent key or an empty value gives the
    // default, text that does not start with a number gives 0.
    int32_t GetInt(std::string_view section, std::string_view key, int32_t defaultValue) const;
    // At most bufferSize - 1 bytes, as a buffer of that size receives them.
    std::string GetString(std::string_view section, std::string_view key, std::string_view defaultValue,
                          size_t bufferSize) const;

    // Replaces the key's value, adds the key at the end of its section, or
    // adds the section at the end of the text.
    void SetString(std::string_view section, std::string_view key, std::string_view value);
    void SetInt(std::string_view section, std::string_view key, int32_t value);

private:
    struct Location {
        int line = -1;         // the key's line, or -1
        int sectionEnd = -1;   // the line after the section's last key, or -1 without the section
    };
    Location Locate(std::string_view section, std::string_view key) const;

    std::filesystem::path path_;
    bool unreadable_ = false;
    std::vector<std::string> lines_;
    std::string newline_ = "\r\n";
};

// How a key is stored.
enum class SettingType : uint8_t {
    Int,   // signed 32-bit decimal
    Bool,  // written 0 or 1, anything but 0 reads as true
    Byte,  // read as an integer and cut to 8 bits
    Text,  // read into a buffer of `size` bytes
    Hex,   // `size` bytes as two upper-case hexadecimal digits each
};

// One key bound to the variable that holds it. A group lists its keys in
// the order they are written; a group's default-constructed values are the
// defaults of absent keys.
struct SettingField {
    const char* section;
    std::string key;
    SettingType type;
    void* value;    // int32_t, bool, uint8_t, std::string, or `size` bytes
    uint32_t size;  // Text: the reading buffer; Hex: the bytes of the value
};

SettingField IntField(const char* section, std::string key, int32_t& value);
SettingField BoolField(const char* section, std::string key, bool& value);
SettingField ByteField(const char* section, std::string key, uint8_t& value);
SettingField TextField(const char* section, std::string key, std::string& value, uint32_t bufferSize);
SettingField HexField(const char* section, std::string key, uint8_t* bytes, uint32_t size);

// Absent keys keep the variable's value.
void ReadFields(const ProfileFile& profile, std::span<const SettingField> fields);
void WriteFields(ProfileFile& profile, std::span<const SettingField> fields);

// A group's defaults, then the keys the file has.
template <typename Group>
void ReadGroup(Group& group, const ProfileFile& profile) {
    group = Group{};
    ReadFields(profile, group.Fields());
}

// Every key of a group into the file; false when the file could not be
// written.
template <typename Group>
bool WriteGroup(const Group& group, ProfileFile& profile) {
    WriteFields(profile, const_cast<Group&>(group).Fields());
    return profile.Save();
}

// The 44-byte window-placement record as 88 hexadecimal digits, and back:
// byte i comes from digits 2i and 2i + 1; bytes without a valid pair stay 0.
inline constexpr size_t kWindowPlacementBytes = 44;
std::string EncodeHexBytes(std::span<const uint8_t> bytes);
void DecodeHexBytes(std::string_view text, std::span<uint8_t> bytes);

// "Display" / "WindowPlacement": the main window's place, read at start and
// written at teardown.
struct WindowPlacementSetting {
    std::array<uint8_t, kWindowPlacementBytes> bytes{};

    std::vector<SettingField> Fields();
    void Read(const ProfileFile& profile);
    bool Write(ProfileFile& profile) const;
};

// "Language". A language of 0 means the system's default locale.
struct LanguageSettings {
    int32_t language = 0;
    std::string plugInFile;

    std::vector<SettingField> Fields();
    void Read(const ProfileFile& profile);
    bool Write(ProfileFile& profile) const;
};

// The language in use: 0 becomes the system's default locale, and a
// language without a menu resource becomes 1033 (English).
int32_t ResolveLanguage(int32_t stored, int32_t systemDefault, std::span<const int32_t> languagesWithMenu);

// "Speed" (the frame driver's settings).
struct SpeedSettings {
    int32_t drawFrame = 1;
    int32_t execSpeed = 999;
    int32_t occupation = 12;
    uint8_t benchmark = 1;
    uint8_t autoFrame = 1;
    uint8_t fullSpeed = 1;

    // The ranges the speed dialog and the pacing keep the values in; all
    // three divide, so 0 must never reach the frame driver.
    static constexpr int32_t kMaxExecSpeed = 999;
    static constexpr int32_t kMaxDrawFrame = 10;
    static constexpr int32_t kMaxOccupation = 12;

    std::vector<SettingField> Fields();
    // With FullSpeed on, ExecSpeed is 999 and Occupation 12 whatever the file
    // says; every value is brought into its range.
    void Read(const ProfileFile& profile);
    bool Write(ProfileFile& profile) const;
};

// "Sound" (the wave output's settings).
struct SoundSettings {
    int32_t mmVolume = 127;
    int32_t samplingRate = 44100;
    bool noReverb = true;
    bool useDirectSound = false;
    int32_t bufferSize = 16;

    // The rates the sound dialog offers; another value read becomes 44100.
    static constexpr std::array<int32_t, 4> kRates{8000, 11025, 22050, 44100};
    static constexpr int32_t kMaxVolume = 255;
    static constexpr int32_t kMaxBufferSize = 100;

    std::vector<SettingField> Fields();
    // Volume 0-255, buffer size 1-100 hundredths of a second, a dialog rate.
    void Read(const ProfileFile& profile);
    bool Write(ProfileFile& profile) const;
};

// "Save" (save types and the folder settings).
struct SaveSettings {
    uint8_t saveType = 0;
    uint8_t krtFolderUse = 0;
    std::string krtFolder;
    uint8_t krtSeparate = 1;
    uint8_t savFolderUse = 0;
    std::string savFolder;
    uint8_t savTerminate = 0;
    uint8_t diskBiosFolderUse = 0;
    std::string diskBiosFolder;

    std::vector<SettingField> Fields();
    void Read(const ProfileFile& profile);
    bool Write(ProfileFile& profile) const;
};

// "DisplayMode" (the Display's settings), written by the Display itself.
struct DisplayModeSettings {
    bool savePosition = true;
    bool topMost = true;
    bool noMessage = false;
    bool autoDrawMode = true;
    int32_t winDrawSize = 0, winDrawSizeX = 0, winDrawSizeY = 0;
    int32_t fullDrawSize = 0, fullDrawSizeX = 0, fullDrawSizeY = 0;
    std::string bootReso;  // "%dx%dx%d" or ""
    std::string fullReso;
    std::array<int32_t, 8> drawMode{0, 0, 0, 0, 3, 5, 5, 5};
    std::array<int32_t, 8> checkMode{};

    std::vector<SettingField> Fields();
    void Read(const ProfileFile& profile);
    bool Write(ProfileFile& profile) const;
};

// A display resolution as "BootReso" and "FullReso" store it.
struct Resolution {
    int32_t width = 0, height = 0, bitsPerPixel = 0;
    bool operator==(const Resolution&) const = default;
};
std::optional<Resolution> ParseResolution(std::string_view text);
std::string FormatResolution(const Resolution& resolution);
// "BootReso": a match at list position p is the choice p + 1, else 0 (none).
int BootResoChoice(std::string_view text, std::span<const Resolution> available);
// "FullReso": a match at list position p is the choice p, else 0 (the first).
int FullResoChoice(std::string_view text, std::span<const Resolution> available);
// The texts to write: "" for the boot choice 0 or a choice off the list.
std::string BootResoText(int choice, std::span<const Resolution> available);
std::string FullResoText(int choice, std::span<const Resolution> available);

// "RecentFile" and "RecentFolder": four items each, the newest first.
struct RecentLists {
    std::array<std::string, 4> files;
    std::array<std::string, 4> folders;

    std::vector<SettingField> Fields();
    void Read(const ProfileFile& profile);
    bool Write(ProfileFile& profile) const;
};

// "JoyDevice": the centre of joystick 0 or 1, relative to its axis minimums;
// 0 means half the axis range. Read whenever the joystick readers are made,
// written when the centre calibration is confirmed.
struct JoystickCalibration {
    int32_t x = 0;
    int32_t y = 0;

    std::vector<SettingField> Fields(int joystick);
    void Read(const ProfileFile& profile, int joystick);
    bool Write(ProfileFile& profile, int joystick) const;
};

// "OekakidsTablet" / "Mode": read when the tablet is made, written when it is
// destroyed after its settings were confirmed.
struct TabletSettings {
    int32_t mode = 1;

    std::vector<SettingField> Fields();
    void Read(const ProfileFile& profile);
    bool Write(ProfileFile& profile) const;
};

// The groups the application shell keeps for the whole run.
struct ProgramSettings {
    WindowPlacementSetting placement;
    LanguageSettings language;
    SpeedSettings speed;
    SoundSettings sound;
    KeyConfig keys;
    SaveSettings save;
    DisplayModeSettings displayMode;
    RecentLists recent;

    // Every group, in the start-up order: "Display", "Language", "Speed",
    // "Sound", "Key"/"Joystick"/"PadDevice", "Save", "DisplayMode",
    // "RecentFile" and "RecentFolder".
    void ReadAtStartup(const ProfileFile& profile);
    // After the message loop: "RecentFile", "RecentFolder", then "Display".
    bool WriteAtTeardown(ProfileFile& profile) const;
    // As the long-lived objects go at process exit: "Save", "Key",
    // "Joystick", "PadDevice", "Language", "Speed", then "Sound".
    bool WriteAtExit(ProfileFile& profile) const;
};

// Where the settings file lives.
inline constexpr const char* kSettingsFileName = "korvanta.ini";
inline constexpr std::array<const char*, 2> kLegacySettingsFileNames{"korvold.ini", "deviziz.ini"};

// The files a host offers, in the order they are tried.
struct SettingsCandidates {
    std::filesystem::path programFile;               // korvanta.ini beside the program
    std::filesystem::path userFile;                  // the user's configuration folder; empty on Windows
    std::vector<std::filesystem::path> legacyFiles;  // korvold.ini, deviziz.ini in the Windows folder
};

struct SettingsLocation {
    std::filesystem::path path;
    bool legacy = false;  // a legacy file is in use: start-up shows string 13
};

// The first existing file of: the program file, the user file, the legacy
// files. With none, the program file when its folder is writable or no user
// file is offered, else the user file; the first write creates it.
SettingsLocation LocateSettingsFile(const SettingsCandidates& candidates);

// Whether a file can be created in the folder (tried, then removed).
bool IsFolderWritable(const std::filesystem::path& folder);

}  // namespace korvanta
