#include "input/ext_devices.h"

#include "core/console.h"

#include "input/family_keyboard.h"
#include "input/hyper_shot.h"
#include "input/input_system.h"
#include "input/mahjong.h"
#include "input/oekakids_tablet.h"
#include "input/optical_gun.h"
#include "input/paddle.h"
#include "input/standard_pad.h"
#include "input/top_rider.h"
#include "video/display.h"

namespace korvanta {

InputDevice* MakeExtDevices(InputSystem& input, int selection) {
    switch (selection) {
        case kExtHyperShot: return input.Register(std::make_unique<HyperShot>(input));
        case kExtFamilyKeyboard: return input.Register(std::make_unique<FamilyKeyboard>(input));
        case kExtOpticalGun: return input.Register(std::make_unique<OpticalGun>(input));
        case kExtExternalPads: {
            InputDevice* pad3 = input.Register(std::make_unique<StandardPad>(input, 2));
            input.Register(std::make_unique<StandardPad>(input, 3));
            return pad3;
        }
        case kExtMahjongController: return input.Register(std::make_unique<MahjongController>(input));
        case kExtTopRiderHandle: return input.Register(std::make_unique<TopRiderHandle>(input));
        case kExtArkanoidPaddle: return input.Register(std::make_unique<ArkanoidPaddle>(input));
        case kExtOekakidsTablet: return input.Register(std::make_unique<OekakidsTablet>(input));
        default: return nullptr;
    }
}

void NoteMouseMove(InputSystem& input, int32_t clientX, int32_t clientY) {
    PicturePlacement placement = input.display ? input.display->placement : PicturePlacement{};
    placement.ClientToPicture(clientX, clientY, input.mouse.x, input.mouse.y);
}

bool NoteMouseButton(InputSystem& input, MouseButton button, bool down, int32_t clientX, int32_t clientY) {
    bool left = button == MouseButton::Left;
    input.mouse.SetButton(left ? kMouseLeft : kMouseRight, down);
    int gun = input.console.devices.Find(kDeviceOpticalGun);
    if (gun < 0) return false;
    if (left && down && input.console.machine.extDeviceSelection != kExtOpticalGun) return false;
    PointerInfo event{left ? clientX : -1, left ? clientY : -1, static_cast<uint8_t>(down ? 1 : 0)};
    return input.console.devices[gun].PointerEvent(1, event);
}

}  // namespace korvanta
