#include "input/input_state.h"

#include "platform/host.h"

namespace korvanta {

void AutoshotClock::Advance(int32_t speed) {
    counter = (counter + 1) % (speed < 1 ? 1 : speed);
    if (counter == 0) phase ^= 1;
}

void InputState::PollKeySets(Host& host, const KeyConfig& config) {
    for (int set = 0; set < 2; ++set)
        for (int b = 0; b < kPadButtons; ++b) raw[set][b] = host.IsKeyDown(config.keys[set][b]) ? 1 : 0;
}

const PadButtons& InputState::ApplyAutoshot(int keySet, const KeyConfig& config) {
    AutoshotClock& clock = autoshot[keySet];
    for (int b = 0; b < kPadButtons; ++b)
        afterAutoshot[keySet][b] = config.autoshot[kAutoshotKeySet1 + keySet][b] && clock.Holds() ? 0 : raw[keySet][b];
    clock.Advance(config.autoshotSpeed);
    return afterAutoshot[keySet];
}

void InputState::NoteKeyMessage(KeyMessage message, int32_t virtualKey) {
    if (virtualKey < 0 || virtualKey >= static_cast<int32_t>(keyDown.size())) return;
    keyDown[virtualKey] = message == KeyMessage::Down ? 1 : 0;
}

}  // namespace korvanta
