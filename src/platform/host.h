// What the emulator takes from the operating system. Every operation has a
// default that does nothing, so a host overrides only what it offers. The
// headless host (tests, command-line runner), the SDL host (Linux program)
// and the Win32 host implement it.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvanta {

class Display;
class Ppu;
class WaveOutput;

// Message box kinds: the icon and buttons a desktop host shows.
enum class MessageKind { Error, Warning, Information, Question };

// A joystick's axis limits, as the system reports them.
struct JoystickCaps {
    int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
};

// A joystick's position and pressed buttons (bit n = button n + 1).
struct JoystickPosition {
    int32_t x = 0, y = 0;
    uint32_t buttons = 0;
};

class Host {
public:
    virtual ~Host() = default;

    // A modal message box with a text from the string table. Question boxes
    // return true for Yes; the others return true.
    virtual bool ShowMessage(std::string_view text, MessageKind kind) {
        (void)text;
        (void)kind;
        return true;
    }

    // The main window's title.
    virtual void SetWindowTitle(std::string_view title) { (void)title; }

    // The main window's class icon, by resource id (170-176: the cartridge
    // icons chosen at every game load).
    virtual void SetWindowIcon(int resourceId) { (void)resourceId; }

    // Appends text to the debug console's output (boards log register writes).
    virtual void DebugConsolePrint(std::string_view text) { (void)text; }

    // Whether a key is held now, by Windows virtual-key code, read whether or
    // not the window has the focus (the pads' per-frame poll).
    virtual bool IsKeyDown(int virtualKey) {
        (void)virtualKey;
        return false;
    }

    // Joysticks by number from 0: how many the system has, their limits, and
    // their current position; false when the system cannot answer.
    virtual int JoystickCount() { return 0; }
    virtual bool GetJoystickCaps(int number, JoystickCaps& caps) {
        (void)number;
        (void)caps;
        return false;
    }
    virtual bool ReadJoystick(int number, JoystickPosition& position) {
        (void)number;
        (void)position;
        return false;
    }

    // The wave-output device the mixer plays through, or null for none (the
    // emulation then runs silently).
    virtual WaveOutput* GetWaveOutput() { return nullptr; }

    // A millisecond clock with any origin; it wraps after 2^32 ms.
    virtual uint32_t Milliseconds() { return 0; }

    // Gives up the processor for about `ms` milliseconds (polling waits).
    virtual void SleepMilliseconds(uint32_t ms) { (void)ms; }

    // Starts the tick timer: periodic (its own schedule) or the window timer
    // (FullSpeed); the host then calls the frame driver's Tick with a nonzero
    // id or 0. False when the timer could not start.
    virtual bool StartTimer(uint32_t periodMs, bool periodic) {
        (void)periodMs;
        (void)periodic;
        return true;
    }
    virtual void StopTimer() {}

    // Shows a presented frame (Display::ConvertPicture gives its pixels).
    virtual void PresentFrame(const Display& display, const Ppu& ppu) {
        (void)display;
        (void)ppu;
    }

    // The barcode reader's dialog 145 opened on `text`: the edit's text on
    // OK, nothing on Cancel. The caller checks the code and, when it is
    // invalid, shows its message and opens the dialog again.
    virtual std::optional<std::string> EditBarcode(std::string_view text) {
        (void)text;
        return std::nullopt;
    }

    // The VS Unisystem dialog 156 opened on a palette (0-7) and the DIP
    // boxes (bit i: the box labelled i + 1): the choice on OK, nothing on
    // Cancel.
    struct VsDialogChoice {
        int palette = 0;
        uint8_t boxes = 0;
    };
    virtual std::optional<VsDialogChoice> ShowVsDialog(const VsDialogChoice& current) {
        (void)current;
        return std::nullopt;
    }

    // Ends the process with an exit code (fatal internal errors). A host that
    // returns, as the test host does, leaves the caller to continue safely.
    virtual void Exit(int code) { (void)code; }
};

}  // namespace korvanta
