#include "media/companion.h"

#include <filesystem>
#include <system_error>

namespace korvanta {
namespace {

constexpr const char* kExtensions[] = {"nes", "kor", "fds", "sav", "krt", "kmv"};

// Either separator counts, so names from the other system's settings work.
size_t FileNameStart(const std::string& path) {
    size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? 0 : separator + 1;
}

void MoveToFolder(std::string& path, const std::string& folder) {
    path = folder + static_cast<char>(std::filesystem::path::preferred_separator) + path.substr(FileNameStart(path));
}

}  // namespace

bool MakeCompanionName(std::string& path, CompanionKind kind, const CompanionSettings& settings, int snapshotSlot) {
    if (kind == kCompanionKrt && settings.krtFolderUse) MoveToFolder(path, settings.krtFolder);
    if (kind == kCompanionSav && settings.savFolderUse) MoveToFolder(path, settings.savFolder);

    // Only a dot inside the file name starts an extension: "roms.v2/Zelda"
    // has none.
    size_t dot = path.find_last_of('.');
    if (dot != std::string::npos && dot >= FileNameStart(path)) path.resize(dot);
    path += '.';
    path += kExtensions[kind];

    if (kind == kCompanionKrt && settings.krtSeparate) path.back() = static_cast<char>('0' + (snapshotSlot % 10 + 10) % 10);

    std::error_code error;
    return !std::filesystem::exists(path, error);
}

}  // namespace korvanta
