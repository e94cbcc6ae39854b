#include "input/hyper_shot.h"

#include "input/input_system.h"
#include "input/standard_pad.h"

namespace korvanta {

uint8_t HyperShot::Read4017() {
    // The pads are looked up at each read rather than kept: a pad destroyed
    // before this device must not be read afterwards.
    uint8_t answer = 0;
    for (int pad = 0; pad < 2; ++pad) {
        const StandardPad* standard = input_.pads[pad];
        if (!standard) continue;
        const PadButtons& buttons = standard->Buttons();
        answer |= static_cast<uint8_t>((buttons[kPadA] & 1) << (1 + 2 * pad));
        answer |= static_cast<uint8_t>((buttons[kPadB] & 1) << (2 + 2 * pad));
    }
    return answer;
}

}  // namespace korvanta
