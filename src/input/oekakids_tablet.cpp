#include "input/oekakids_tablet.h"

#include "app/settings.h"
#include "input/device_window.h"
#include "input/input_system.h"

namespace korvanta {
namespace {

constexpr const char* kSection = "OekakidsTablet";
constexpr const char* kModeKey = "Mode";
constexpr int kBitsPerReport = 19;

}  // namespace

OekakidsTablet::OekakidsTablet(InputSystem& input) : InputDevice(kDeviceOekakidsTablet), input_(input) {
    if (input_.settings) mode_ = input_.settings->GetInt(kSection, kModeKey, kOekakidsEasy);
}

OekakidsTablet::~OekakidsTablet() {
    if (!confirmed_ || !input_.settings) return;
    input_.settings->SetInt(kSection, kModeKey, mode_);
    input_.settings->Save();
}

void OekakidsTablet::Write4016(uint8_t value) {
    if (!(value & 1)) {
        counter_ = 0;
    } else if (!(latch_ & 2) && (value & 2)) {
        if (++counter_ == kBitsPerReport) counter_ = 0;
    }
    latch_ = value;
}

uint8_t OekakidsTablet::Read4017() {
    if (!(latch_ & 1)) return 0;
    if (!(latch_ & 2)) return 4;
    return static_cast<uint8_t>(SerialBit() << 3);
}

uint8_t OekakidsTablet::SerialBit() const {
    const MouseState& mouse = input_.mouse;
    // The tablet's surface is a little narrower and taller than the picture.
    int32_t x = mouse.x * 240 / 256 + 8;
    int32_t y = mouse.y * 256 / 240 - 4;
    bool easy = mode_ == kOekakidsEasy;
    if (counter_ == 0) return 0;
    if (counter_ <= 8) return ((x >> (8 - counter_)) & 1) ^ 1;
    if (counter_ <= 16) return ((y >> (16 - counter_)) & 1) ^ 1;
    if (counter_ == 17) {
        if (x < 8 || x > 248 || y < 0 || y > 232) return 1;
        // Easy mode: below the command strip the pen always touches.
        if (easy && y >= 36) return 0;
        return (mouse.buttons & kMouseLeft) ? 0 : 1;
    }
    if (easy) return (mouse.buttons & (kMouseLeft | kMouseRight)) ? 0 : 1;
    return (mouse.buttons & kMouseRight) ? 0 : 1;
}

bool OekakidsTablet::ShowSettings(Host& host) {
    (void)host;
    if (!input_.window) return true;
    if (std::optional<int> chosen = input_.window->ShowOekakidsDialog(mode_)) {
        mode_ = *chosen == kOekakidsEasy ? kOekakidsEasy : kOekakidsFaithful;
        confirmed_ = true;
    }
    return true;
}

}  // namespace korvanta
