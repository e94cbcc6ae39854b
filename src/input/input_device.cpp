#include "input/input_device.h"

namespace korvanta {

bool InputDeviceList::Remove(const InputDevice* device) {
    for (int i = 0; i < count_; ++i) {
        if (devices_[i].get() != device) continue;
        // Taken out before it is destroyed, so its destructor sees a
        // consistent list.
        std::unique_ptr<InputDevice> doomed = std::move(devices_[i]);
        for (int j = i + 1; j < count_; ++j) devices_[j - 1] = std::move(devices_[j]);
        --count_;
        return true;
    }
    return false;
}

int InputDeviceList::Find(uint32_t kind) const {
    for (int i = 0; i < count_; ++i)
        if (devices_[i]->kind == kind) return i;
    return -1;
}

}  // namespace korvanta
