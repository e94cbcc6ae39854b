#include "platform/headless/input_script.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <sstream>

#include "movie/movie.h"

namespace korvanta {
namespace {

struct ButtonName {
    const char* name;
    PadButton button;
};
constexpr ButtonName kNames[] = {{"a", kPadA},        {"b", kPadB},       {"select", kPadSelect},
                                 {"start", kPadStart}, {"up", kPadUp},     {"down", kPadDown},
                                 {"left", kPadLeft},   {"right", kPadRight}};

bool ParseFrame(const std::string& text, int64_t& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= 0;
}

bool ParsePad(std::string text, uint8_t& packed) {
    PadButtons buttons{};
    if (text != ".") {
        std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
        std::stringstream parts(text);
        std::string part;
        while (std::getline(parts, part, '+')) {
            auto it = std::find_if(std::begin(kNames), std::end(kNames), [&](const ButtonName& n) { return part == n.name; });
            if (it == std::end(kNames)) return false;
            buttons[it->button] = 1;
        }
    }
    packed = PackPad(buttons);
    return true;
}

}  // namespace

uint8_t InputScript::Buttons(int64_t frame, int pad) const {
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (frame >= it->first && frame <= it->last) return it->pads[pad & 1];
    return 0;
}

bool ParseInputScript(const std::string& text, InputScript& script, std::string& error) {
    std::stringstream input(text);
    std::string line;
    for (int number = 1; std::getline(input, line); ++number) {
        if (auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
        std::stringstream fields(line);
        std::string frames, pad1, pad2, extra;
        if (!(fields >> frames)) continue;
        InputScriptLine entry;
        auto dash = frames.find('-');
        bool ok = dash == std::string::npos
                      ? ParseFrame(frames, entry.first) && ParseFrame(frames, entry.last)
                      : ParseFrame(frames.substr(0, dash), entry.first) && ParseFrame(frames.substr(dash + 1), entry.last);
        ok = ok && entry.first <= entry.last && (fields >> pad1) && ParsePad(pad1, entry.pads[0]);
        if (ok && (fields >> pad2)) ok = ParsePad(pad2, entry.pads[1]);
        if (!ok || (fields >> extra)) {
            error = "input script line " + std::to_string(number) + ": " + line;
            return false;
        }
        script.lines.push_back(entry);
    }
    return true;
}

void ScriptedPads::PadFrame(int padIndex, PadButtons& buttons) {
    if (padIndex == 0 || padIndex == 1) UnpackPad(script_.Buttons(frame, padIndex), buttons);
    if (next) next->PadFrame(padIndex, buttons);
}

}  // namespace korvanta
