// The key and joystick assignment: two key sets, the joystick buttons, the
// shortcut keys, which key set and joystick drive each pad, and autoshot.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

namespace korvanta {

class ProfileFile;
struct SettingField;

// A pad's buttons in the order they are shifted out.
enum PadButton { kPadA, kPadB, kPadSelect, kPadStart, kPadUp, kPadDown, kPadLeft, kPadRight };
inline constexpr int kPadButtons = 8;
using PadButtons = std::array<uint8_t, kPadButtons>;

// Shortcut keys; what they do is the main window's business.
enum Shortcut { kShortcutPause, kShortcutSave, kShortcutUndo, kShortcutSide, kShortcutEject, kShortcutReset };
inline constexpr int kShortcutCount = 6;

// Autoshot groups, each indexed by the pad button.
enum AutoshotGroup { kAutoshotKeySet1, kAutoshotKeySet2, kAutoshotJoystick1, kAutoshotJoystick2 };

// Autoshot speeds: the phase flips every frame, or every second frame.
inline constexpr int kAutoshotMaxSpeed = 1;
inline constexpr int kAutoshotLowSpeed = 2;

// One for the whole program. Key values are Windows virtual-key codes.
struct KeyConfig {
    // Key set 1 and 2, in pad button order.
    std::array<std::array<int32_t, kPadButtons>, 2> keys{{
        {88, 90, 113, 112, 38, 40, 37, 39},    // X, Z, F2, F1, arrows
        {96, 97, 120, 121, 104, 98, 100, 102}  // NUMPAD0, NUMPAD1, F9, F10, NUMPAD8, 2, 4, 6
    }};
    // Per joystick, the button masks of A, B, Select, Start (bit n = button n + 1).
    std::array<std::array<int32_t, 4>, 2> joyButtons{{{2, 1, 4, 8}, {2, 1, 4, 8}}};
    // In Shortcut order: SHIFT, 'S', 'U', F5, F6, 'R'.
    std::array<int32_t, kShortcutCount> shortcuts{16, 83, 85, 116, 117, 82};
    // Per pad 1-4: key set and joystick, -1 none, 0 the first, 1 the second.
    std::array<int32_t, 4> padKey{0, 1, -1, -1};
    std::array<int32_t, 4> padJoy{0, 1, -1, -1};

    // Not stored: they start like this at every program start.
    std::array<std::array<bool, kPadButtons>, 4> autoshot{};
    int32_t autoshotSpeed = kAutoshotMaxSpeed;

    // The stored keys: "Key", then "Joystick", then "PadDevice".
    std::vector<SettingField> Fields();
    // The stored keys from the file (defaults for absent keys); the autoshot
    // settings are left as they are.
    void Read(const ProfileFile& profile);
    // Writes every stored key; false when the file could not be written.
    bool Write(ProfileFile& profile) const;

    // The shortcut a key code is assigned to, or -1.
    int ShortcutOf(int32_t virtualKey) const;
};

}  // namespace korvanta
