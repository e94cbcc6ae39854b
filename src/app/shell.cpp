#include "app/shell.h"

#include <utility>

#include "app/strings.h"
#include "disk/disk_system.h"
#include "media/battery.h"
#include "media/loader.h"
#include "media/snapshot.h"

namespace korvanta {
namespace {

// On-screen texts of the shortcuts and the movie: 60 frames.
constexpr int kShortcutMessageFrames = 60;
constexpr int kMovieMessageX = 8;
constexpr int kMovieMessageY = 16;

ProfileFile OpenProfile(const SettingsCandidates& candidates, bool& legacy) {
    SettingsLocation location = LocateSettingsFile(candidates);
    legacy = location.legacy;
    return ProfileFile(location.path);
}

}  // namespace

Shell::Shell(Host& hostRef, const SettingsCandidates& candidates, std::string folder)
    : host(hostRef),
      programFolder(std::move(folder)),
      profile(OpenProfile(candidates, legacySettings)),
      console(hostRef),
      input(console, settings.keys),
      driver(console, &input, &display, settings.speed) {
    settings.ReadAtStartup(profile);
    // An unreadable file leaves every setting at its default.
    if (profile.Unreadable())
        ShowStringMessage(host, MessageKind::Warning, kStrCouldNotOpenFile, profile.Path().string().c_str());
    if (legacySettings) ShowStringMessage(host, MessageKind::Information, 13);
    display.noMessage = settings.displayMode.noMessage;
    console.soundOut.SetSettings(settings.sound);
    input.settings = &profile;
    input.display = &display;
    console.boardLinks.display = &display;
    console.boardLinks.programFolder = programFolder;
    console.boardLinks.rebuildDevices = [this](int selection) { input.RebuildDevices(selection); };
    input.RebuildDevices(0);
    movie = std::make_unique<Movie>(console, MediaOptions().load);
    movie->showMessage = [this](const char* text) {
        display.ShowScreenMessage(kShortcutMessageFrames, true, kMovieMessageX, kMovieMessageY, "%s", text);
    };
    driver.movie = movie.get();
    input.movie = movie.get();
}

Shell::~Shell() { Close(); }

bool Shell::Start() {
    console.soundOut.Open();
    if (!driver.StartTimer(true)) {
        ShowStringMessage(host, MessageKind::Error, 8);
        return false;
    }
    return true;
}

SaveOptions Shell::MediaOptions() {
    SaveOptions options = SaveOptionsFrom(settings.save);
    options.load.rebuildDevices = [this](int selection) { input.RebuildDevices(selection); };
    options.load.movie = movie.get();
    options.load.programFolder = programFolder;
    return options;
}

bool Shell::OpenGameFile(const std::string& path) {
    driver.modal = true;
    bool opened = OpenGame(console, path, MediaOptions().load);
    if (opened) {
        display.ApplyIdentityPalette();
        console.machine.RunState = 1;
    }
    driver.modal = false;
    return opened;
}

void Shell::KeyDown(int virtualKey) {
    // Each shortcut is tested in turn: one key bound to two triggers both.
    for (int shortcut = 0; shortcut < kShortcutCount; ++shortcut)
        if (settings.keys.shortcuts[shortcut] == virtualKey) Shortcut(shortcut);
    input.NoteKeyMessage(KeyMessage::Down, virtualKey);
}

void Shell::KeyUp(int virtualKey) { input.NoteKeyMessage(KeyMessage::Up, virtualKey); }

void Shell::AltDigit(int digit) {
    if (digit < 0 || digit > 9) return;
    console.game.snapshotSlot = digit;
    display.ShowScreenMessage(kShortcutMessageFrames, false, 240, 16, "%d", digit);
}

void Shell::Shortcut(int shortcut) {
    if (!console.mapper) return;
    Machine& m = console.machine;
    switch (shortcut) {
        case kShortcutPause: m.RunState = m.RunState == 1 ? 0 : 1; break;
        case kShortcutReset: console.SoftReset(); break;
        case kShortcutSave: {
            driver.modal = true;
            QuickSave(console, MediaOptions());
            driver.modal = false;
            int slot = console.game.snapshotSlot;
            display.ShowScreenMessage(kShortcutMessageFrames, false, 200, 16, "SAVE-%d", slot == 0 ? 10 : slot);
            break;
        }
        case kShortcutUndo: {
            driver.modal = true;
            bool wasReplaying = movie->Replaying();
            QuickLoad(console, MediaOptions());
            driver.modal = false;
            // A load during a movie re-records it, and the movie's own
            // message says so.
            if (wasReplaying || movie->Recording()) break;
            int slot = console.game.snapshotSlot;
            display.ShowScreenMessage(kShortcutMessageFrames, false, 200, 16, "LOAD-%d", slot == 0 ? 10 : slot);
            break;
        }
        case kShortcutSide: NextDiskSide(); break;
        case kShortcutEject: ToggleDiskEject(); break;
        default: break;
    }
}

void Shell::NextDiskSide() {
    Mapper& board = *console.mapper;
    if (board.mapperNumber != kDiskSystemMapper) return;
    uint32_t side = 0;
    uint32_t count = 0;
    board.Message(kDiskGetSide, reinterpret_cast<intptr_t>(&side));
    board.Message(kDiskGetSideCount, reinterpret_cast<intptr_t>(&count));
    if (count != 0) side = (side + 1) % count;
    board.Message(side, 0);
    display.ShowScreenMessage(kShortcutMessageFrames, false, 150, 16, "NO-%d SIDE-%c", static_cast<int>(side / 2 + 1),
                              side % 2 == 0 ? 'A' : 'B');
}

void Shell::ToggleDiskEject() {
    Mapper& board = *console.mapper;
    if (board.mapperNumber != kDiskSystemMapper) return;
    uint8_t ejected = 0;
    board.Message(kDiskGetEjected, reinterpret_cast<intptr_t>(&ejected));
    board.Message(ejected ? kDiskInsert : kDiskEject, 0);
    display.ShowScreenMessage(kShortcutMessageFrames, false, 150, 16, "%s", ejected ? "DISK SET" : "DISK EJECT");
}

void Shell::Close() {
    if (closed_) return;
    closed_ = true;
    driver.closing = true;
    driver.StopTimer();
    console.machine.RunState = 0;
    if (movie) movie->Stop();
    ExitTimeBatterySave(console, MediaOptions().load.companions, settings.save.saveType, settings.save.savTerminate);
    settings.WriteAtTeardown(profile);
    settings.sound = console.soundOut.Settings();
    settings.WriteAtExit(profile);
    console.soundOut.Close();
}

}  // namespace korvanta
