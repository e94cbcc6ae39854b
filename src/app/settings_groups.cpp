// The groups of keys, their defaults and their reading rules.
#include <algorithm>

#include "app/settings.h"

namespace korvanta {
namespace {

constexpr uint32_t kPathBuffer = 512;
constexpr uint32_t kResolutionBuffer = 128;

}  // namespace

std::vector<SettingField> WindowPlacementSetting::Fields() {
    return {HexField("Display", "WindowPlacement", bytes.data(), static_cast<uint32_t>(bytes.size()))};
}
void WindowPlacementSetting::Read(const ProfileFile& profile) { ReadGroup(*this, profile); }
bool WindowPlacementSetting::Write(ProfileFile& profile) const { return WriteGroup(*this, profile); }

std::vector<SettingField> LanguageSettings::Fields() {
    return {IntField("Language", "Language", language), TextField("Language", "PlugInFile", plugInFile, kPathBuffer)};
}
void LanguageSettings::Read(const ProfileFile& profile) { ReadGroup(*this, profile); }
bool LanguageSettings::Write(ProfileFile& profile) const { return WriteGroup(*this, profile); }

int32_t ResolveLanguage(int32_t stored, int32_t systemDefault, std::span<const int32_t> languagesWithMenu) {
    constexpr int32_t kEnglish = 1033;
    int32_t language = stored == 0 ? systemDefault : stored;
    return std::find(languagesWithMenu.begin(), languagesWithMenu.end(), language) != languagesWithMenu.end()
               ? language
               : kEnglish;
}

std::vector<SettingField> SpeedSettings::Fields() {
    const char* s = "Speed";
    return {IntField(s, "DrawFrame", drawFrame),   IntField(s, "ExecSpeed", execSpeed),
            IntField(s, "Occupation", occupation), ByteField(s, "Benchmark", benchmark),
            ByteField(s, "AutoFrame", autoFrame),  ByteField(s, "FullSpeed", fullSpeed)};
}
void SpeedSettings::Read(const ProfileFile& profile) {
    ReadGroup(*this, profile);
    if (fullSpeed != 0) {
        execSpeed = kMaxExecSpeed;
        occupation = kMaxOccupation;
    }
    execSpeed = std::clamp(execSpeed, 1, kMaxExecSpeed);
    drawFrame = std::clamp(drawFrame, 1, kMaxDrawFrame);
    occupation = std::clamp(occupation, 1, kMaxOccupation);
}
bool SpeedSettings::Write(ProfileFile& profile) const { return WriteGroup(*this, profile); }

std::vector<SettingField> SoundSettings::Fields() {
    const char* s = "Sound";
    return {IntField(s, "MMVolume", mmVolume), IntField(s, "SamplingRate", samplingRate),
            BoolField(s, "NoReverb", noReverb), BoolField(s, "UseDirectSound", useDirectSound),
            IntField(s, "BufferSize", bufferSize)};
}
void SoundSettings::Read(const ProfileFile& profile) {
    ReadGroup(*this, profile);
    mmVolume = std::clamp(mmVolume, 0, kMaxVolume);
    bufferSize = std::clamp(bufferSize, 1, kMaxBufferSize);
    if (std::find(kRates.begin(), kRates.end(), samplingRate) == kRates.end()) samplingRate = SoundSettings{}.samplingRate;
}
bool SoundSettings::Write(ProfileFile& profile) const { return WriteGroup(*this, profile); }

std::vector<SettingField> SaveSettings::Fields() {
    const char* s = "Save";
    return {ByteField(s, "SaveType", saveType),
            ByteField(s, "KRTFolderUse", krtFolderUse),
            TextField(s, "KRTFolder", krtFolder, kPathBuffer),
            ByteField(s, "KRTSeparate", krtSeparate),
            ByteField(s, "SAVFolderUse", savFolderUse),
            TextField(s, "SAVFolder", savFolder, kPathBuffer),
            ByteField(s, "SAVTerminate", savTerminate),
            ByteField(s, "DiskBiosFolderUse", diskBiosFolderUse),
            TextField(s, "DiskBiosFolder", diskBiosFolder, kPathBuffer)};
}
void SaveSettings::Read(const ProfileFile& profile) { ReadGroup(*this, profile); }
bool SaveSettings::Write(ProfileFile& profile) const { return WriteGroup(*this, profile); }

std::vector<SettingField> DisplayModeSettings::Fields() {
    const char* s = "DisplayMode";
    std::vector<SettingField> fields{BoolField(s, "SavePosition", savePosition),
                                     BoolField(s, "TopMost", topMost),
                                     BoolField(s, "NoMessage", noMessage),
                                     BoolField(s, "AutoDrawMode", autoDrawMode),
                                     IntField(s, "WinDrawSize", winDrawSize),
                                     IntField(s, "WinDrawSizeX", winDrawSizeX),
                                     IntField(s, "WinDrawSizeY", winDrawSizeY),
                                     IntField(s, "FullDrawSize", fullDrawSize),
                                     IntField(s, "FullDrawSizeX", fullDrawSizeX),
                                     IntField(s, "FullDrawSizeY", fullDrawSizeY),
                                     TextField(s, "BootReso", bootReso, kResolutionBuffer),
                                     TextField(s, "FullReso", fullReso, kResolutionBuffer)};
    for (int i = 0; i < 8; ++i) fields.push_back(IntField(s, "DrawMode" + std::to_string(i), drawMode[i]));
    for (int i = 0; i < 8; ++i) fields.push_back(IntField(s, "CheckMode" + std::to_string(i), checkMode[i]));
    return fields;
}
void DisplayModeSettings::Read(const ProfileFile& profile) { ReadGroup(*this, profile); }
bool DisplayModeSettings::Write(ProfileFile& profile) const { return WriteGroup(*this, profile); }

std::vector<SettingField> RecentLists::Fields() {
    std::vector<SettingField> fields;
    for (int i = 0; i < 4; ++i) fields.push_back(TextField("RecentFile", "Item" + std::to_string(i), files[i], kPathBuffer));
    for (int i = 0; i < 4; ++i)
        fields.push_back(TextField("RecentFolder", "Item" + std::to_string(i), folders[i], kPathBuffer));
    return fields;
}
void RecentLists::Read(const ProfileFile& profile) { ReadGroup(*this, profile); }
bool RecentLists::Write(ProfileFile& profile) const { return WriteGroup(*this, profile); }

std::vector<SettingField> JoystickCalibration::Fields(int joystick) {
    return {IntField("JoyDevice", "CalibrateX" + std::to_string(joystick), x),
            IntField("JoyDevice", "CalibrateY" + std::to_string(joystick), y)};
}
void JoystickCalibration::Read(const ProfileFile& profile, int joystick) {
    *this = JoystickCalibration{};
    ReadFields(profile, Fields(joystick));
}
bool JoystickCalibration::Write(ProfileFile& profile, int joystick) const {
    WriteFields(profile, const_cast<JoystickCalibration&>(*this).Fields(joystick));
    return profile.Save();
}

std::vector<SettingField> TabletSettings::Fields() { return {IntField("OekakidsTablet", "Mode", mode)}; }
void TabletSettings::Read(const ProfileFile& profile) { ReadGroup(*this, profile); }
bool TabletSettings::Write(ProfileFile& profile) const { return WriteGroup(*this, profile); }

void ProgramSettings::ReadAtStartup(const ProfileFile& profile) {
    placement.Read(profile);
    language.Read(profile);
    speed.Read(profile);
    sound.Read(profile);
    keys.Read(profile);
    save.Read(profile);
    displayMode.Read(profile);
    recent.Read(profile);
}

bool ProgramSettings::WriteAtTeardown(ProfileFile& profile) const {
    bool written = recent.Write(profile);
    return placement.Write(profile) && written;
}

bool ProgramSettings::WriteAtExit(ProfileFile& profile) const {
    bool written = save.Write(profile);
    written = keys.Write(profile) && written;
    written = language.Write(profile) && written;
    written = speed.Write(profile) && written;
    return sound.Write(profile) && written;
}

}  // namespace korvanta
