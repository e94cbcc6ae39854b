// Names of a game's companion files (battery save, snapshots, movie, the
// other image formats), formed from the game's path by replacing its
// extension, with the folder settings that may redirect SAV and KRT files.
#pragma once
#include <string>

namespace korvanta {

enum CompanionKind : int {
    kCompanionNes = 0,
    kCompanionKor = 1,
    kCompanionFds = 2,
    kCompanionSav = 3,
    kCompanionKrt = 4,
    kCompanionKmv = 5,
};

// The settings that shape companion names (SAVFolderUse, SAVFolder,
// KRTFolderUse, KRTFolder, KRTSeparate).
struct CompanionSettings {
    bool savFolderUse = false;
    std::string savFolder;
    bool krtFolderUse = false;
    std::string krtFolder;
    bool krtSeparate = true;  // one KRT file per slot: .kr0 to .kr9
};

// Rewrites `path` to the companion's path and returns true when that file
// does NOT exist. `snapshotSlot` (0-9) names the per-slot KRT file.
bool MakeCompanionName(std::string& path, CompanionKind kind, const CompanionSettings& settings, int snapshotSlot);

}  // namespace korvanta
