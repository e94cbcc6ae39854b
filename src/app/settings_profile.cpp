// The private-profile reader and writer.
#include <fstream>
#include <iterator>
#include <system_error>

#include "app/settings.h"

namespace korvanta {
namespace {

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r";
    size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

// "[name]"; a line without the closing bracket is no header.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

struct KeyValue {
    std::string_view key, value;
};

std::optional<KeyValue> KeyLine(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() == ';' || line.front() == '[') return std::nullopt;
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return KeyValue{Trim(line.substr(0, equals)), Trim(line.substr(equals + 1))};
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// Leading sign and decimal digits; the value wraps at 32 bits as the
// system's conversion does.
int32_t ParseInt(std::string_view text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    return static_cast<int32_t>(negative ? 0u - value : value);
}

}  // namespace

ProfileFile::ProfileFile(std::filesystem::path path) : path_(std::move(path)) {
    std::error_code error;
    if (!std::filesystem::exists(path_, error)) return;
    std::ifstream in(path_, std::ios::binary);
    std::string text;
    if (in && std::filesystem::is_regular_file(path_, error))
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in || in.bad() || !std::filesystem::is_regular_file(path_, error)) {
        unreadable_ = true;
        return;
    }
    SetText(text);
}

void ProfileFile::SetText(std::string_view text) {
    lines_.clear();
    if (text.find("\r\n") != std::string_view::npos)
        newline_ = "\r\n";
    else if (text.find('\n') != std::string_view::npos)
        newline_ = "\n";
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines_.emplace_back(line);
        start = end + 1;
    }
}

std::string ProfileFile::Text() const {
    std::string text;
    for (const std::string& line : lines_) {
        text += line;
        text += newline_;
    }
    return text;
}

bool ProfileFile::Save() const {
    // A file that could not be read is never replaced by defaults.
    if (path_.empty() || unreadable_) return false;
    std::error_code error;
    if (path_.has_parent_path()) std::filesystem::create_directories(path_.parent_path(), error);
    // Written whole beside the old file, then put in its place, so a full
    // disk never leaves a truncated settings file.
    std::filesystem::path temporary = path_;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        std::string text = Text();
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (out.fail()) {
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, path_, error);
    if (!error) return true;
    std::filesystem::remove(temporary, error);
    return false;
}

ProfileFile::Location ProfileFile::Locate(std::string_view section, std::string_view key) const {
    Location location;
    bool inMatch = false;  // inside a section of that name
    bool inFirst = false;  // inside the first one, where new keys go
    for (int i = 0; i < static_cast<int>(lines_.size()); ++i) {
        if (auto name = SectionName(lines_[i])) {
            inMatch = EqualsNoCase(*name, section);
            inFirst = inMatch && location.sectionEnd < 0;
            if (inFirst) location.sectionEnd = i + 1;
            continue;
        }
        if (!inMatch) continue;
        auto entry = KeyLine(lines_[i]);
        if (!entry) continue;
        if (inFirst) location.sectionEnd = i + 1;
        if (location.line < 0 && EqualsNoCase(entry->key, key)) location.line = i;
    }
    return location;
}

std::optional<std::string> ProfileFile::Find(std::string_view section, std::string_view key) const {
    Location location = Locate(section, key);
    if (location.line < 0) return std::nullopt;
    return std::string(Unquote(KeyLine(lines_[location.line])->value));
}

int32_t ProfileFile::GetInt(std::string_view section, std::string_view key, int32_t defaultValue) const {
    std::optional<std::string> value = Find(section, key);
    if (!value || value->empty()) return defaultValue;
    return ParseInt(*value);
}

std::string ProfileFile::GetString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                   size_t bufferSize) const {
    std::optional<std::string> value = Find(section, key);
    std::string text = value ? *value : std::string(defaultValue);
    if (bufferSize == 0) return {};
    if (text.size() > bufferSize - 1) text.resize(bufferSize - 1);
    return text;
}

void ProfileFile::SetString(std::string_view section, std::string_view key, std::string_view value) {
    // A line break would split the entry into lines of its own.
    value = value.substr(0, value.find_first_of("\r\n"));
    std::string line = std::string(key) + "=" + std::string(value);
    Location location = Locate(section, key);
    if (location.line >= 0) {
        lines_[location.line] = std::move(line);
    } else if (location.sectionEnd >= 0) {
        lines_.insert(lines_.begin() + location.sectionEnd, std::move(line));
    } else {
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::move(line));
    }
}

void ProfileFile::SetInt(std::string_view section, std::string_view key, int32_t value) {
    SetString(section, key, std::to_string(value));
}

}  // namespace korvanta
