#include "input/joystick_reader.h"

#include "platform/host.h"

namespace korvanta {

std::unique_ptr<JoystickReader> JoystickReader::Create(Host& host, int number, const JoystickCalibration& centre) {
    if (number < 0 || number >= host.JoystickCount()) return nullptr;
    std::unique_ptr<JoystickReader> reader(new JoystickReader(host, number));
    if (!reader->ReadCaps()) return nullptr;
    reader->centreX_ = centre.x != 0 ? centre.x : reader->xRange_ / 2;
    reader->centreY_ = centre.y != 0 ? centre.y : reader->yRange_ / 2;
    // Until the first successful poll the stick stands at the centre, so a
    // joystick that never answers gives no direction.
    reader->x_ = reader->centreX_;
    reader->y_ = reader->centreY_;
    return reader;
}

bool JoystickReader::ReadCaps() {
    JoystickCaps caps;
    if (!host_.GetJoystickCaps(number_, caps)) return false;
    xMin_ = caps.xMin;
    yMin_ = caps.yMin;
    xRange_ = caps.xMax - caps.xMin;
    yRange_ = caps.yMax - caps.yMin;
    return true;
}

bool JoystickReader::Poll(const KeyConfig& config) {
    JoystickPosition position;
    if (!host_.ReadJoystick(number_, position)) return false;
    x_ = position.x - xMin_;
    y_ = position.y - yMin_;
    buttons_ = position.buttons;
    if (autoshot_.Holds()) {
        for (int b = 0; b < 4; ++b)
            if (config.autoshot[kAutoshotJoystick1 + number_][b])
                buttons_ &= ~static_cast<uint32_t>(config.joyButtons[number_][b]);
    }
    autoshot_.Advance(config.autoshotSpeed);
    return true;
}

void JoystickReader::MapButtons(const KeyConfig& config, PadButtons& buttons) const {
    for (int b = 0; b < 4; ++b) buttons[b] = (buttons_ & static_cast<uint32_t>(config.joyButtons[number_][b])) ? 1 : 0;
    int64_t x = x_, y = y_;
    buttons[kPadLeft] = x < centreX_ / 2 ? 1 : 0;
    buttons[kPadRight] = x > 4 * int64_t{centreX_} / 3 ? 1 : 0;
    buttons[kPadUp] = y < centreY_ / 2 ? 1 : 0;
    buttons[kPadDown] = y > 4 * int64_t{centreY_} / 3 ? 1 : 0;
}

bool JoystickReader::Calibrate() {
    JoystickPosition position;
    if (!host_.ReadJoystick(number_, position)) return false;
    centreX_ = position.x - xMin_;
    centreY_ = position.y - yMin_;
    return true;
}

}  // namespace korvanta
