// The barcode reader of the Bandai barcode board: the number the user types
// in dialog 145, its EAN-8 / EAN-13 encoding into bar modules, and the ready
// flag that tells the board a code is waiting to be played to the game.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvanta {

class Host;

// The module list of a code: one entry per module, 1 bar and 0 space,
// ending with kModulesEnd.
inline constexpr int32_t kModulesEnd = -1;

// The modules of a typed number: 7 or 12 digits get their check digit
// appended (EAN-8, EAN-13), 8 or 13 digits are taken as typed (the check
// digit unverified). Nothing for any other text.
std::optional<std::vector<int32_t>> EncodeBarcode(std::string_view text);

// The EAN check digit of 7 or 12 digit values.
int EanCheckDigit(std::span<const uint8_t> digits);

class BarcodeReader {
public:
    // Dialog 145, modal: opening clears the ready flag (ending a sending in
    // progress); OK with an invalid code shows message 25 and asks again;
    // OK with a valid one encodes it and sets the flag; Cancel leaves it clear.
    void ShowBarcodeDialog(Host& host);
    // What OK does with the edit's text (kept, at most 512 bytes): true and
    // the ready flag set when the code is valid.
    bool Confirm(std::string_view typed);
    // Copies the modules with their end mark into `destination` when a code
    // is ready and returns true; otherwise writes only the end mark. A list
    // longer than the destination is cut and still ends with the mark.
    bool TakeBarcode(std::span<int32_t> destination) const;

    const std::string& Text() const { return text_; }
    bool ready = false;  // a valid code was confirmed and is being sent

private:
    std::string text_;  // the last text typed
    std::vector<int32_t> modules_{kModulesEnd};
};

}  // namespace korvanta
