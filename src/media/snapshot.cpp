#include "media/snapshot.h"

#include "app/settings.h"
#include "app/strings.h"
#include "core/console.h"
#include "media/battery.h"
#include "media/save_file.h"

namespace korvanta {
namespace {

bool SaveKrt(Console& console, const SaveOptions& options) {
    std::string krt = console.game.path;
    const CompanionSettings& companions = options.load.companions;
    MakeCompanionName(krt, kCompanionKrt, companions, console.game.snapshotSlot);
    return SaveFile(console, krt, console.game.snapshotSlot, kSaveKrt, companions.krtSeparate, options.load.movie);
}

bool SaveKor(Console& console, const SaveOptions& options) {
    return SaveFile(console, console.game.path, console.game.snapshotSlot, kSaveKor,
                    options.load.companions.krtSeparate, options.load.movie);
}

bool IsKor(FileKind kind) { return kind == kFileOldKor || kind == kFileKor; }

}  // namespace

SaveOptions SaveOptionsFrom(const SaveSettings& settings) {
    SaveOptions options;
    options.load.companions.savFolderUse = settings.savFolderUse;
    options.load.companions.savFolder = settings.savFolder;
    options.load.companions.krtFolderUse = settings.krtFolderUse;
    options.load.companions.krtFolder = settings.krtFolder;
    options.load.companions.krtSeparate = settings.krtSeparate;
    options.load.diskBiosFolderUse = settings.diskBiosFolderUse;
    options.load.diskBiosFolder = settings.diskBiosFolder;
    options.saveType = settings.saveType;
    options.savTerminate = settings.savTerminate;
    return options;
}

bool QuickSave(Console& console, const SaveOptions& options) {
    if (!console.mapper) return false;
    GameImage& game = console.game;
    const CompanionSettings& companions = options.load.companions;
    switch (options.saveType) {
        case 1: {
            if (IsKor(game.kind)) {
                bool disk = console.mapper->mapperNumber == kDiskSystemMapper;
                game.kind = disk ? kFileFds : kFileNes;
                if (MakeCompanionName(game.path, disk ? kCompanionFds : kCompanionNes, companions, game.snapshotSlot))
                    SaveFile(console, game.path, game.snapshotSlot, disk ? kSaveFds : kSaveNes, companions.krtSeparate,
                             nullptr);
            }
            bool krt = SaveKrt(console, options);
            return WriteBatterySave(console, companions) && krt;
        }
        case 2:
            if (!IsKor(game.kind)) {
                game.kind = kFileKor;
                MakeCompanionName(game.path, kCompanionKor, companions, game.snapshotSlot);
            }
            return SaveKor(console, options);
        default:
            switch (game.kind) {
                case kFileOldKor:
                    if (!console.host.ShowMessage(FormatString(kStrOldFormatQuestion), MessageKind::Question))
                        return false;
                    return SaveKor(console, options);
                case kFileKor: return SaveKor(console, options);
                case kFileNes:
                case kFileFds: return SaveKrt(console, options) && WriteBatterySave(console, companions);
                default: ShowStringMessage(console.host, MessageKind::Error, kStrCannotSaveFormat); return false;
            }
    }
}

bool QuickLoad(Console& console, const SaveOptions& options) {
    if (!console.mapper) return false;
    return OpenGameSlot(console, console.game.snapshotSlot, options.load);
}

bool SaveAs(Console& console, const std::string& path, const SaveOptions& options) {
    if (!SaveFile(console, path, console.game.snapshotSlot, kSaveKor, options.load.companions.krtSeparate,
                  options.load.movie))
        return false;
    console.game.path = path;
    console.game.kind = kFileKor;
    return true;
}

}  // namespace korvanta
