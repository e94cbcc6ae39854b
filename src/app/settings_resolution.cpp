// "BootReso" and "FullReso": resolutions stored as "%dx%dx%d" and matched
// against the Display's list.
#include <algorithm>
#include <cstdio>

#include "app/settings.h"

namespace korvanta {
namespace {

int PositionOf(std::string_view text, std::span<const Resolution> available) {
    std::optional<Resolution> wanted = ParseResolution(text);
    if (!wanted) return -1;
    auto it = std::find(available.begin(), available.end(), *wanted);
    return it == available.end() ? -1 : static_cast<int>(it - available.begin());
}

}  // namespace

std::optional<Resolution> ParseResolution(std::string_view text) {
    std::string copy(text);
    Resolution r;
    if (std::sscanf(copy.c_str(), "%dx%dx%d", &r.width, &r.height, &r.bitsPerPixel) != 3) return std::nullopt;
    return r;
}

std::string FormatResolution(const Resolution& r) {
    char text[40];
    std::snprintf(text, sizeof text, "%dx%dx%d", r.width, r.height, r.bitsPerPixel);
    return text;
}

int BootResoChoice(std::string_view text, std::span<const Resolution> available) {
    return PositionOf(text, available) + 1;
}

int FullResoChoice(std::string_view text, std::span<const Resolution> available) {
    return std::max(PositionOf(text, available), 0);
}

std::string BootResoText(int choice, std::span<const Resolution> available) {
    if (choice < 1 || choice > static_cast<int>(available.size())) return {};
    return FormatResolution(available[choice - 1]);
}

std::string FullResoText(int choice, std::span<const Resolution> available) {
    if (choice < 0 || choice >= static_cast<int>(available.size())) return {};
    return FormatResolution(available[choice]);
}

}  // namespace korvanta
