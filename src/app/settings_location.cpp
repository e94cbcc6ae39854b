// Where the settings file lives.
#include <fstream>
#include <system_error>

#include "app/settings.h"

namespace korvanta {
namespace {

bool IsFile(const std::filesystem::path& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

}  // namespace

bool IsFolderWritable(const std::filesystem::path& folder) {
    std::filesystem::path probe = folder / "korvanta.ini.probe";
    std::error_code error;
    bool existed = std::filesystem::exists(probe, error);
    bool opened = std::ofstream(probe, std::ios::binary | std::ios::app).is_open();
    if (!existed) std::filesystem::remove(probe, error);
    return opened;
}

SettingsLocation LocateSettingsFile(const SettingsCandidates& candidates) {
    if (IsFile(candidates.programFile)) return {candidates.programFile, false};
    if (IsFile(candidates.userFile)) return {candidates.userFile, false};
    for (const std::filesystem::path& legacy : candidates.legacyFiles)
        if (IsFile(legacy)) return {legacy, true};
    if (candidates.userFile.empty()) return {candidates.programFile, false};
    std::filesystem::path folder = candidates.programFile.parent_path();
    if (folder.empty()) folder = ".";
    return {IsFolderWritable(folder) ? candidates.programFile : candidates.userFile, false};
}

}  // namespace korvanta
