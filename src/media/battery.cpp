#include "media/battery.h"

#include <string>

#include "core/console.h"
#include "media/save_file.h"

namespace korvanta {

bool BatterySaveAllowed(const Console& console) {
    return console.mapper && console.mapper->batteryBacked && !console.game.savSuspended;
}

bool WriteBatterySave(Console& console, const CompanionSettings& companions) {
    if (!BatterySaveAllowed(console)) return true;
    std::string path = console.game.path;
    MakeCompanionName(path, kCompanionSav, companions, console.game.snapshotSlot);
    return SaveFile(console, path, console.game.snapshotSlot, kSaveSav, companions.krtSeparate, nullptr);
}

bool ExitTimeBatterySave(Console& console, const CompanionSettings& companions, uint8_t saveType, bool savTerminate) {
    if (!console.mapper || !savTerminate) return true;
    if (saveType != 1 && !(saveType == 0 && console.game.kind == kFileNes)) return true;
    return WriteBatterySave(console, companions);
}

}  // namespace korvanta
