#include "app/strings.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <iterator>

namespace korvanta {
namespace {

struct Entry {
    uint32_t id;
    const char* text;
};

// Ascending by id, as the resource scripts list them.
constexpr Entry kEnglish[] = {
#define STRING(id, text) {id, text},
#include "app/strings_en.def"
#undef STRING
};

std::string VFormat(uint32_t id, va_list args) {
    const char* format = GetString(id);
    if (!format) return {};
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(length));
    return text;
}

}  // namespace

const char* GetString(uint32_t id) {
    auto it = std::lower_bound(std::begin(kEnglish), std::end(kEnglish), id,
                               [](const Entry& e, uint32_t key) { return e.id < key; });
    return it != std::end(kEnglish) && it->id == id ? it->text : nullptr;
}

std::string FormatString(uint32_t id, ...) {
    va_list args;
    va_start(args, id);
    std::string text = VFormat(id, args);
    va_end(args);
    return text;
}

bool ShowStringMessage(Host& host, MessageKind kind, uint32_t id, ...) {
    va_list args;
    va_start(args, id);
    std::string text = VFormat(id, args);
    va_end(args);
    if (text.empty()) return false;
    return host.ShowMessage(text, kind);
}

}  // namespace korvanta
