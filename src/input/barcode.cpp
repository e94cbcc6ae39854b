#include "input/barcode.h"

#include <algorithm>
#include <initializer_list>

#include "app/strings.h"
#include "platform/host.h"

namespace korvanta {
namespace {

// The edit control's buffer holds 512 bytes with its terminator.
constexpr size_t kTextCapacity = 511;

// The EAN digit patterns, seven modules each, leftmost module in bit 6.
constexpr std::array<uint8_t, 10> kSetA = {0x0D, 0x19, 0x13, 0x3D, 0x23, 0x31, 0x2F, 0x3B, 0x37, 0x0B};
constexpr std::array<uint8_t, 10> kSetB = {0x27, 0x33, 0x1B, 0x21, 0x1D, 0x39, 0x05, 0x11, 0x09, 0x17};
constexpr std::array<uint8_t, 10> kSetC = {0x72, 0x66, 0x6C, 0x42, 0x5C, 0x4E, 0x50, 0x44, 0x48, 0x74};

// EAN-13: the first digit is not drawn but chooses set A or B for each of
// the next six; bit 5 is the second digit, a set bit means set B.
constexpr std::array<uint8_t, 10> kParity = {0x00, 0x0B, 0x0D, 0x0E, 0x13, 0x19, 0x1C, 0x15, 0x16, 0x1A};

void AppendPattern(std::vector<int32_t>& modules, uint8_t pattern) {
    for (int bit = 6; bit >= 0; --bit) modules.push_back((pattern >> bit) & 1);
}

void AppendGuard(std::vector<int32_t>& modules, std::initializer_list<int32_t> guard) {
    modules.insert(modules.end(), guard.begin(), guard.end());
}

}  // namespace

int EanCheckDigit(std::span<const uint8_t> digits) {
    int a = 0, b = 0;
    size_t n = digits.size();
    for (size_t k = 0; k < n; ++k) {
        // Every second digit from the last typed one counts three times.
        if (k % 2 == 0)
            a += digits[n - 1 - k];
        else
            b += digits[n - 1 - k];
    }
    return (10 - (3 * a + b) % 10) % 10;
}

std::optional<std::vector<int32_t>> EncodeBarcode(std::string_view text) {
    if (text.size() > 13) return std::nullopt;
    std::vector<uint8_t> digits;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        digits.push_back(static_cast<uint8_t>(c - '0'));
    }
    if (digits.size() == 7 || digits.size() == 12)
        digits.push_back(static_cast<uint8_t>(EanCheckDigit(digits)));

    std::vector<int32_t> modules;
    if (digits.size() == 8) {
        AppendGuard(modules, {1, 0, 1});
        for (int i = 0; i < 4; ++i) AppendPattern(modules, kSetA[digits[i]]);
        AppendGuard(modules, {0, 1, 0, 1, 0});
        for (int i = 4; i < 8; ++i) AppendPattern(modules, kSetC[digits[i]]);
        AppendGuard(modules, {1, 0, 1});
    } else if (digits.size() == 13) {
        uint8_t parity = kParity[digits[0]];
        AppendGuard(modules, {1, 0, 1});
        for (int i = 1; i <= 6; ++i)
            AppendPattern(modules, (parity >> (6 - i)) & 1 ? kSetB[digits[i]] : kSetA[digits[i]]);
        AppendGuard(modules, {0, 1, 0, 1, 0});
        for (int i = 7; i <= 12; ++i) AppendPattern(modules, kSetC[digits[i]]);
        AppendGuard(modules, {1, 0, 1});
    } else {
        return std::nullopt;
    }
    modules.push_back(kModulesEnd);
    return modules;
}

bool BarcodeReader::Confirm(std::string_view typed) {
    text_.assign(typed.substr(0, kTextCapacity));
    std::optional<std::vector<int32_t>> modules = EncodeBarcode(text_);
    if (!modules) return false;
    modules_ = std::move(*modules);
    ready = true;
    return true;
}

void BarcodeReader::ShowBarcodeDialog(Host& host) {
    ready = false;
    // An invalid code keeps the dialog open on the edit, with the text typed.
    while (std::optional<std::string> typed = host.EditBarcode(text_)) {
        if (Confirm(*typed)) return;
        ShowStringMessage(host, MessageKind::Information, kStrBarcodeInvalid);
    }
}

bool BarcodeReader::TakeBarcode(std::span<int32_t> destination) const {
    if (destination.empty()) return false;
    if (!ready) {
        destination[0] = kModulesEnd;
        return false;
    }
    size_t count = std::min(modules_.size(), destination.size());
    std::copy_n(modules_.begin(), count, destination.begin());
    destination[count - 1] = kModulesEnd;
    return true;
}

}  // namespace korvanta
