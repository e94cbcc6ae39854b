// Devices on the controller ports and the list the Bus calls in order.
#pragma once
#include <array>
#include <cstdint>
#include <memory>

namespace korvanta {

class InputDevice {
public:
    virtual ~InputDevice() = default;
    virtual void Rebind() {}
    virtual void FrameUpdate() {}
    virtual uint8_t Read4016() { return 0; }
    virtual uint8_t Read4017() { return 0; }
    virtual void Write4016(uint8_t value) { (void)value; }
    virtual void ShowSettings() {}
    virtual void PointerEvent(int x, int y, int buttons) {
        (void)x;
        (void)y;
        (void)buttons;
    }
    // Standard pad 2's Start button, which the VS Unisystem coin bit follows.
    virtual bool IsPad2StartDown() const { return false; }
};

inline constexpr int kMaxInputDevices = 16;

// At most 16 devices, called in creation order.
class InputDeviceList {
public:
    // False when the list is full; the caller reports the fatal overflow.
    bool Add(std::unique_ptr<InputDevice> device) {
        if (count_ >= kMaxInputDevices) return false;
        devices_[count_++] = std::move(device);
        return true;
    }
    void Clear() {
        for (int i = 0; i < count_; ++i) devices_[i].reset();
        count_ = 0;
    }
    int Count() const { return count_; }
    InputDevice& operator[](int i) { return *devices_[i]; }
    auto begin() { return devices_.begin(); }
    auto end() { return devices_.begin() + count_; }

private:
    std::array<std::unique_ptr<InputDevice>, kMaxInputDevices> devices_;
    int count_ = 0;
};

}  // namespace korvanta
