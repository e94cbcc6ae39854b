#include "input/family_keyboard.h"

#include "input/device_window.h"
#include "input/input_system.h"

namespace korvanta {
namespace {

// Virtual-key codes without a letter or digit of their own.
enum : uint8_t {
    kVkReturn = 13, kVkShift = 16, kVkControl = 17, kVkPause = 19, kVkEscape = 27, kVkNonConvert = 29,
    kVkSpace = 32, kVkHome = 36, kVkLeft = 37, kVkUp = 38, kVkRight = 39, kVkDown = 40, kVkInsert = 45,
    kVkDelete = 46, kVkF1 = 112, kVkColon = 186, kVkSemicolon = 187, kVkComma = 188, kVkMinus = 189,
    kVkPeriod = 190, kVkSlash = 191, kVkAt = 192, kVkOpenBracket = 219, kVkBackslash = 220,
    kVkCloseBracket = 221, kVkCaret = 222, kVkUnderscore = 226,
};

constexpr uint8_t FunctionKey(int n) { return static_cast<uint8_t>(kVkF1 + n - 1); }

constexpr uint32_t kStrNewPlay = 22000;
constexpr uint32_t kStrNewSave = 22001;
constexpr uint32_t kStrStopTape = 22002;

}  // namespace

const std::array<std::array<std::array<uint8_t, 4>, kKeyboardRows>, 2> FamilyKeyboard::kKeys = {{
    {{
        {kVkCloseBracket, kVkOpenBracket, kVkReturn, FunctionKey(8)},
        {kVkSemicolon, kVkColon, kVkAt, FunctionKey(7)},
        {'K', 'L', 'O', FunctionKey(6)},
        {'J', 'U', 'I', FunctionKey(5)},
        {'H', 'G', 'Y', FunctionKey(4)},
        {'D', 'R', 'T', FunctionKey(3)},
        {'A', 'S', 'W', FunctionKey(2)},
        {kVkControl, 'Q', kVkEscape, FunctionKey(1)},
        {kVkLeft, kVkRight, kVkUp, kVkHome},
    }},
    {{
        {FunctionKey(11), kVkBackslash, kVkShift, FunctionKey(12)},
        {kVkCaret, kVkMinus, kVkSlash, kVkUnderscore},
        {'0', 'P', kVkComma, kVkPeriod},
        {'8', '9', 'N', 'M'},
        {'6', '7', 'V', 'B'},
        {'4', '5', 'C', 'F'},
        {'3', 'E', 'Z', 'X'},
        {'2', '1', kVkNonConvert, kVkPause},
        {kVkInsert, kVkDelete, kVkSpace, kVkDown},
    }},
}};

FamilyKeyboard::FamilyKeyboard(InputSystem& input)
    : InputDevice(kDeviceFamilyKeyboard), recorder(input), input_(input) {
    if (!input_.window) return;
    popupItems_[0] = input_.window->AddPopupItem(kStrNewPlay, [this] { recorder.ChoosePlay(); });
    popupItems_[1] = input_.window->AddPopupItem(kStrNewSave, [this] { recorder.ChooseSave(); });
    popupItems_[2] = input_.window->AddPopupItem(kStrStopTape, [this] { recorder.StopTape(); });
}

FamilyKeyboard::~FamilyKeyboard() {
    if (!input_.window) return;
    for (int id : popupItems_)
        if (id >= 0) input_.window->RemovePopupItem(id);
}

void FamilyKeyboard::Write4016(uint8_t value) {
    if (value & 1) {
        reset_ = true;
    } else {
        mode_ = (value >> 1) & 3;
        if (reset_) {
            row_.fill(0);
            reset_ = false;
        }
    }
    recorder.RecordStep(value);
}

uint8_t FamilyKeyboard::Read4017() {
    if (reset_ || !(mode_ & 2)) return 0;
    int column = mode_ & 1;
    // A tenth read of a column starts it over at row 0.
    if (row_[column] >= kKeyboardRows) row_[column] = 0;
    const auto& keys = kKeys[column][row_[column]++];
    uint8_t answer = 0;
    for (int k = 0; k < 4; ++k)
        if (!input_.state.keyDown[keys[k]]) answer |= static_cast<uint8_t>(0x10 >> k);
    return answer;
}

}  // namespace korvanta
