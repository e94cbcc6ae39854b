// One system joystick as a pad's input: its position relative to the axis
// minimums, its buttons with autoshot, and the centre the directions are
// judged against.
#pragma once
#include <cstdint>
#include <memory>

#include "app/settings.h"
#include "input/input_state.h"
#include "input/key_config.h"

namespace korvanta {

class Host;

class JoystickReader {
public:
    // The reader of joystick 0 or 1, or null when the system has no such
    // joystick or cannot report its limits. A centre of 0 is half the range.
    static std::unique_ptr<JoystickReader> Create(Host& host, int number, const JoystickCalibration& centre);

    // The axis limits and button count again; the centre is kept.
    bool ReadCaps();
    // Reads the position and applies the joystick's autoshot. A failed read
    // keeps the last values and does not advance the autoshot.
    bool Poll(const KeyConfig& config);
    // The pad buttons of the last values: the button masks of the
    // configuration, Left below half the centre, Right above four thirds.
    void MapButtons(const KeyConfig& config, PadButtons& buttons) const;
    // The centre calibration: the current position becomes the centre;
    // false (nothing changed) when the position cannot be read.
    bool Calibrate();

    int Number() const { return number_; }
    JoystickCalibration Centre() const { return {centreX_, centreY_}; }

private:
    JoystickReader(Host& host, int number) : host_(host), number_(number) {}

    Host& host_;
    int number_;
    AutoshotClock autoshot_{0, 1};  // a joystick starts in the "on" phase
    int32_t xMin_ = 0, yMin_ = 0, xRange_ = 0, yRange_ = 0;
    int32_t x_ = 0, y_ = 0;  // relative to the axis minimums
    uint32_t buttons_ = 0;
    int32_t centreX_ = 0, centreY_ = 0;
};

}  // namespace korvanta
