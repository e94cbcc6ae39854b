// The controller-port devices of one console and what drives them: the key
// configuration, the keyboard state, the joystick readers, the well-known
// pads 1 and 2, and the rebuilding of the device list.
#pragma once
#include <array>
#include <memory>

#include "input/input_device.h"
#include "input/input_state.h"
#include "input/joystick_reader.h"
#include "input/key_config.h"
#include "input/mouse_state.h"

namespace korvanta {

class Console;
class DeviceWindow;
class Display;
class ProfileFile;
class StandardPad;

// The movie layer's view of the pads: called with each pad's buttons at the
// end of its frame update; a replay overwrites them.
class PadMovieHook {
public:
    virtual ~PadMovieHook() = default;
    virtual void PadFrame(int padIndex, PadButtons& buttons) = 0;
};

// The expansion-connector choices, in the order of their list texts.
inline constexpr int kExtDeviceSelections = 11;
inline constexpr int kExtExternalPads = 4;

// Destroy it before its Console: it empties the Console's device list.
class InputSystem {
public:
    InputSystem(Console& console, KeyConfig& config);
    ~InputSystem();
    InputSystem(const InputSystem&) = delete;
    InputSystem& operator=(const InputSystem&) = delete;

    // Stores the selection (a value off the list means none), destroys every
    // device and reader, makes the readers and pads 1 and 2 anew, adds the
    // expansion device(s), then rebinds every device in list order.
    void RebuildDevices(int selection);
    // The devices of a selection, added to the list; selection 4 adds pads 3
    // and 4 and returns pad 3. Null for no device.
    InputDevice* CreateExtDevice(int selection);
    // The key dialog's Detail button: the selection's device shows its
    // settings, then every device made for it is destroyed again.
    bool ShowExtDeviceSettings(int selection);

    // Adds a device to the list. A full list is fatal: string 10 and exit
    // code -1; the device is destroyed and null returned if the host goes on.
    InputDevice* Register(std::unique_ptr<InputDevice> device);
    // Destroys a listed device; an unlisted one is fatal like an overflow.
    void Unregister(InputDevice* device);
    // Every device (the last first) and joystick reader (2, then 1).
    void DestroyDevices();

    // Per frame, before the devices update.
    void PollKeySets();
    // Per frame: every device's FrameUpdate in list order.
    void UpdateDevices();
    void NoteKeyMessage(KeyMessage message, int32_t virtualKey) { state.NoteKeyMessage(message, virtualKey); }

    // The centre-calibration OK: every present joystick's position becomes
    // its centre, written to the settings file at once.
    void CalibrateJoysticks();

    Console& console;
    KeyConfig& config;
    InputState state;
    std::array<std::unique_ptr<JoystickReader>, 2> joysticks;
    std::array<StandardPad*, 2> pads{};  // pads 1 and 2 while listed
    PadMovieHook* movie = nullptr;
    ProfileFile* settings = nullptr;  // joystick centres, tablet mode; none gives the defaults
    MouseState mouse;                 // from the main window's mouse messages
    Display* display = nullptr;       // on-screen messages, picture placement, colours
    DeviceWindow* window = nullptr;   // popup items and dialogs; none: devices go without

private:
    void Fatal();
    void CreateJoystickReaders();
};

}  // namespace korvanta
