#include "platform/headless/headless_host.h"

#include <cstdio>

namespace korvanta {

bool HeadlessHost::ShowMessage(std::string_view text, MessageKind kind) {
    messages.push_back({std::string(text), kind});
    if (echoToStderr) std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    return kind == MessageKind::Question ? answerYes : true;
}

bool HeadlessHost::IsKeyDown(int virtualKey) {
    return virtualKey >= 0 && virtualKey < static_cast<int>(keysDown.size()) && keysDown[virtualKey];
}

bool HeadlessHost::GetJoystickCaps(int number, JoystickCaps& caps) {
    if (number < 0 || number >= JoystickCount() || joysticks[number].capsFail) return false;
    caps = joysticks[number].caps;
    return true;
}

bool HeadlessHost::ReadJoystick(int number, JoystickPosition& position) {
    if (number < 0 || number >= JoystickCount() || joysticks[number].readFail) return false;
    position = joysticks[number].position;
    return true;
}

}  // namespace korvanta
