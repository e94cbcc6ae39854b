// The Family BASIC keyboard: 72 keys in 9 rows of two 4-key columns,
// scanned through $4016 writes (reset, column, enable) and $4017 reads, with
// the data recorder on the same connector.
#pragma once
#include <array>

#include "input/data_recorder.h"
#include "input/input_device.h"

namespace korvanta {

class InputSystem;

inline constexpr int kKeyboardRows = 9;

class FamilyKeyboard : public InputDevice {
public:
    // Adds "New Play", "New Save" and "Stop Tape" to the popup menu.
    explicit FamilyKeyboard(InputSystem& input);
    // Removes the popup items; the recorder stops its tape.
    ~FamilyKeyboard() override;

    // Bit 0 resets the scan; otherwise bit 1 picks the column and bit 2
    // enables the keyboard. Every write also drives the recorder.
    void Write4016(uint8_t value) override;
    // The next row of the selected column: keys on bits 4 to 1, 1 when up.
    uint8_t Read4017() override;
    // The tape on bit 1.
    uint8_t Read4016() override { return recorder.PlayStep() ? 2 : 0; }

    // Virtual keys by column, row and key (bit 4 first).
    static const std::array<std::array<std::array<uint8_t, 4>, kKeyboardRows>, 2> kKeys;

    DataRecorder recorder;

private:
    InputSystem& input_;
    bool reset_ = false;
    uint8_t mode_ = 0;  // bit 0 column, bit 1 enable
    std::array<int, 2> row_{};
    std::array<int, 3> popupItems_{-1, -1, -1};
};

}  // namespace korvanta
