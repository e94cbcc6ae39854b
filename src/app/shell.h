// The application shell shared by the desktop hosts: one console with its
// display, pads and frame driver, the settings file, and what the main
// window's keys, dropped files and timer ticks do. Hosts turn their own
// events into these calls, on one thread, so a tick never runs beside a
// command that changes the machine.
#pragma once
#include <filesystem>
#include <memory>
#include <string>

#include "app/settings.h"
#include "core/console.h"
#include "core/frame_driver.h"
#include "input/input_system.h"
#include "media/snapshot.h"
#include "movie/movie.h"
#include "video/display.h"

namespace korvanta {

class Shell {
public:
    // `programFolder` holds the Disk System BIOS and drive sounds unless
    // the settings name another BIOS folder.
    Shell(Host& host, const SettingsCandidates& candidates, std::string programFolder = {});
    ~Shell();
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    // Starts sound and the tick timer; false (after the message) when the
    // timer cannot start, and the program then ends.
    bool Start();
    // Opens a game from the command line, a dropped file or the menu, and
    // runs it; false after the loader's message.
    bool OpenGameFile(const std::string& path);

    // Main-window keys, as virtual-key codes.
    void KeyDown(int virtualKey);
    void KeyUp(int virtualKey);
    // Alt+0 to Alt+9 choose the snapshot slot.
    void AltDigit(int digit);

    // The timer tick (id 0 from the window timer).
    void Tick(uint32_t timerId) { driver.Tick(timerId); }
    // Teardown: stop the timer, write the settings in their order.
    void Close();

    Host& host;
    std::string programFolder;
    ProfileFile profile;
    bool legacySettings = false;  // a legacy settings file is in use
    ProgramSettings settings;
    Console console;
    Display display;
    InputSystem input;
    FrameDriver driver;
    // Created once the settings are read: it keeps the load settings.
    std::unique_ptr<Movie> movie;

private:
    void Shortcut(int shortcut);
    // The disk keys, for the Disk System board only.
    void NextDiskSide();
    void ToggleDiskEject();
    // The save settings with this shell's device rebuilding.
    SaveOptions MediaOptions();
    bool closed_ = false;
};

}  // namespace korvanta
