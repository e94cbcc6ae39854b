#include "input/key_name.h"

#include "app/strings.h"

namespace korvanta {

namespace {
constexpr uint32_t kKeyNameBase = 10000;
}

std::string KeyName(int32_t code) {
    uint32_t slot = static_cast<uint32_t>(code) % 256;
    if (const char* name = GetString(kKeyNameBase + slot)) return name;
    if (code >= 48 && code <= 127) return std::string(1, static_cast<char>(code));
    const char* unknown = GetString(kKeyNameBase);
    return unknown ? unknown : std::string();
}

}  // namespace korvanta
