// The devices on the expansion connector, made for the ExtDeviceSelection.
#pragma once
#include <cstdint>

namespace korvanta {

class InputDevice;
class InputSystem;

// The selections that make a device of their own (4 makes pads 3 and 4;
// 0, 9 and 10 make nothing).
enum ExtDeviceSelection {
    kExtNone = 0,
    kExtHyperShot = 1,
    kExtFamilyKeyboard = 2,
    kExtOpticalGun = 3,
    kExtMahjongController = 5,
    kExtTopRiderHandle = 6,
    kExtArkanoidPaddle = 7,
    kExtOekakidsTablet = 8,
    kExtFamilyTrainer = 9,
    kExtThreeDSystem = 10,
};

// Adds the selection's devices to the list; selection 4 adds pads 3 and 4
// and returns pad 3. Null when the selection has no device.
InputDevice* MakeExtDevices(InputSystem& input, int selection);

// The main window's mouse messages, in client coordinates. A move stores the
// picture position (through the Display's placement) in the mouse state.
void NoteMouseMove(InputSystem& input, int32_t clientX, int32_t clientY);
// A button message updates the mouse state's button bits, then reaches the
// light gun: the left button as the trigger at the position (a press only
// while the gun is the selection), the right button as a shot away from the
// screen. True when the gun took it; a right press the gun did not take
// opens the popup menu instead.
enum class MouseButton { Left, Right };
bool NoteMouseButton(InputSystem& input, MouseButton button, bool down, int32_t clientX, int32_t clientY);

}  // namespace korvanta
