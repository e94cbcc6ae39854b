#include "input/key_config.h"

#include "app/settings.h"

namespace korvanta {

std::vector<SettingField> KeyConfig::Fields() {
    // The key names in the key dialog's order; the values sit in pad order.
    static constexpr struct {
        const char* name;
        PadButton button;
    } kKeyNames[] = {{"up", kPadUp},         {"down", kPadDown},     {"left", kPadLeft}, {"right", kPadRight},
                     {"start", kPadStart},   {"select", kPadSelect}, {"a", kPadA},       {"b", kPadB}};
    static constexpr const char* kShortcutNames[kShortcutCount] = {"pause", "save", "undo", "side", "eject", "reset"};
    static constexpr const char* kJoyNames[4] = {"A", "B", "Select", "Start"};

    std::vector<SettingField> fields;
    for (int set = 0; set < 2; ++set)
        for (const auto& k : kKeyNames)
            fields.push_back(IntField("Key", "p" + std::to_string(set + 1) + k.name, keys[set][k.button]));
    for (int i = 0; i < kShortcutCount; ++i) fields.push_back(IntField("Key", kShortcutNames[i], shortcuts[i]));
    for (int joy = 0; joy < 2; ++joy)
        for (int b = 0; b < 4; ++b)
            fields.push_back(IntField("Joystick", "Joy" + std::to_string(joy + 1) + kJoyNames[b], joyButtons[joy][b]));
    for (int pad = 0; pad < 4; ++pad)
        fields.push_back(IntField("PadDevice", "Pad" + std::to_string(pad + 1) + "Key", padKey[pad]));
    for (int pad = 0; pad < 4; ++pad)
        fields.push_back(IntField("PadDevice", "Pad" + std::to_string(pad + 1) + "Joy", padJoy[pad]));
    return fields;
}

void KeyConfig::Read(const ProfileFile& profile) {
    const KeyConfig defaults;
    keys = defaults.keys;
    joyButtons = defaults.joyButtons;
    shortcuts = defaults.shortcuts;
    padKey = defaults.padKey;
    padJoy = defaults.padJoy;
    ReadFields(profile, Fields());
}

bool KeyConfig::Write(ProfileFile& profile) const { return WriteGroup(*this, profile); }

int KeyConfig::ShortcutOf(int32_t virtualKey) const {
    for (int i = 0; i < kShortcutCount; ++i)
        if (shortcuts[i] == virtualKey) return i;
    return -1;
}

}  // namespace korvanta
