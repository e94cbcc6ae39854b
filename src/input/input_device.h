// Devices on the controller ports and the list the Bus calls in order.
#pragma once
#include <array>
#include <cstdint>
#include <memory>

namespace korvanta {

class Host;

// The class numbers a device carries in `kind`.
enum DeviceKind : uint32_t {
    kDeviceNone = 0,
    kDeviceHyperShot = 1,
    kDeviceFamilyKeyboard = 2,
    kDeviceOpticalGun = 3,
    kDeviceStandardPad = 4,
    kDeviceMahjongController = 5,
    kDeviceTopRiderHandle = 6,
    kDeviceArkanoidPaddle = 7,
    kDeviceOekakidsTablet = 8,
};

// A mouse event from the main window: client coordinates (-1, -1 outside)
// and the button, 1 pressed, 0 released.
struct PointerInfo {
    int32_t x = -1, y = -1;
    uint8_t button = 0;
};

class InputDevice {
public:
    explicit InputDevice(uint32_t kindValue = kDeviceNone) : kind(kindValue) {}
    virtual ~InputDevice() = default;
    InputDevice(const InputDevice&) = delete;
    InputDevice& operator=(const InputDevice&) = delete;

    // After a rebuild, once every device of the new list exists.
    virtual void Rebind() {}
    // Once per emulated frame, in list order, after the keyboard poll.
    virtual void FrameUpdate() {}
    // CPU reads of $4016 and $4017; the Bus ORs the answers of all devices.
    virtual uint8_t Read4016() { return 0; }
    virtual uint8_t Read4017() { return 0; }
    // CPU writes to $4016 (writes to $4017 go to the sound unit only).
    virtual void Write4016(uint8_t value) { (void)value; }
    // The key dialog's Detail button; true when the device has settings.
    virtual bool ShowSettings(Host& host) {
        (void)host;
        return false;
    }
    // Mouse handling of the main window (code 1: a pointer event).
    virtual bool PointerEvent(int code, const PointerInfo& event) {
        (void)code;
        (void)event;
        return false;
    }
    // Standard pad 2's Start button, which the VS Unisystem coin bit follows.
    virtual bool IsPad2StartDown() const { return false; }

    const uint32_t kind;
};

inline constexpr int kMaxInputDevices = 16;

// At most 16 devices, owned, called in registration order. Removal keeps the
// order of the others. The fatal report of a full list or an unknown device
// is the input layer's (InputSystem); the list itself only answers false.
class InputDeviceList {
public:
    // False (and the device destroyed) when the list is full.
    bool Add(std::unique_ptr<InputDevice> device) {
        if (count_ >= kMaxInputDevices || !device) return false;
        devices_[count_++] = std::move(device);
        return true;
    }
    // Destroys the device and closes the gap; false when it is not listed.
    bool Remove(const InputDevice* device);
    // Destroys every device, the last first.
    void Clear() {
        while (count_ > 0) devices_[--count_].reset();
    }
    // The list index of the first device of a kind, or -1.
    int Find(uint32_t kind) const;

    int Count() const { return count_; }
    InputDevice& operator[](int i) { return *devices_[i]; }
    auto begin() { return devices_.begin(); }
    auto end() { return devices_.begin() + count_; }

private:
    std::array<std::unique_ptr<InputDevice>, kMaxInputDevices> devices_;
    int count_ = 0;
};

}  // namespace korvanta
