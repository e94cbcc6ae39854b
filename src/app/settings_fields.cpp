// Keys bound to variables, read and written by type.
#include "app/settings.h"

namespace korvanta {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

SettingField IntField(const char* section, std::string key, int32_t& value) {
    return {section, std::move(key), SettingType::Int, &value, sizeof value};
}
SettingField BoolField(const char* section, std::string key, bool& value) {
    return {section, std::move(key), SettingType::Bool, &value, sizeof value};
}
SettingField ByteField(const char* section, std::string key, uint8_t& value) {
    return {section, std::move(key), SettingType::Byte, &value, sizeof value};
}
SettingField TextField(const char* section, std::string key, std::string& value, uint32_t bufferSize) {
    return {section, std::move(key), SettingType::Text, &value, bufferSize};
}
SettingField HexField(const char* section, std::string key, uint8_t* bytes, uint32_t size) {
    return {section, std::move(key), SettingType::Hex, bytes, size};
}

std::string EncodeHexBytes(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

void DecodeHexBytes(std::string_view text, std::span<uint8_t> bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = 0;
        if (2 * i + 1 >= text.size()) continue;
        int high = HexDigit(text[2 * i]), low = HexDigit(text[2 * i + 1]);
        if (high >= 0 && low >= 0) bytes[i] = static_cast<uint8_t>(high << 4 | low);
    }
}

void ReadFields(const ProfileFile& profile, std::span<const SettingField> fields) {
    for (const SettingField& f : fields) {
        switch (f.type) {
            case SettingType::Int: {
                auto& value = *static_cast<int32_t*>(f.value);
                value = profile.GetInt(f.section, f.key, value);
                break;
            }
            case SettingType::Bool: {
                auto& value = *static_cast<bool*>(f.value);
                value = profile.GetInt(f.section, f.key, value ? 1 : 0) != 0;
                break;
            }
            case SettingType::Byte: {
                auto& value = *static_cast<uint8_t*>(f.value);
                value = static_cast<uint8_t>(profile.GetInt(f.section, f.key, value));
                break;
            }
            case SettingType::Text: {
                auto& value = *static_cast<std::string*>(f.value);
                value = profile.GetString(f.section, f.key, value, f.size);
                break;
            }
            case SettingType::Hex:
                if (auto text = profile.Find(f.section, f.key))
                    DecodeHexBytes(*text, std::span<uint8_t>(static_cast<uint8_t*>(f.value), f.size));
                break;
        }
    }
}

void WriteFields(ProfileFile& profile, std::span<const SettingField> fields) {
    for (const SettingField& f : fields) {
        switch (f.type) {
            case SettingType::Int: profile.SetInt(f.section, f.key, *static_cast<const int32_t*>(f.value)); break;
            case SettingType::Bool: profile.SetInt(f.section, f.key, *static_cast<const bool*>(f.value) ? 1 : 0); break;
            case SettingType::Byte: profile.SetInt(f.section, f.key, *static_cast<const uint8_t*>(f.value)); break;
            case SettingType::Text: profile.SetString(f.section, f.key, *static_cast<const std::string*>(f.value)); break;
            case SettingType::Hex:
                profile.SetString(f.section, f.key,
                                  EncodeHexBytes(std::span<const uint8_t>(static_cast<const uint8_t*>(f.value), f.size)));
                break;
        }
    }
}

}  // namespace korvanta
