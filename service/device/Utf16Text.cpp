#include "service/device/Utf16Text.h"

#include <cstdint>

namespace quorbel {

namespace {

bool IsHigh(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLow(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

bool IsWellFormedUtf16(const std::u16string& str) {
    for (std::size_t i = 0; i < str.size(); ++i) {
        if (IsHigh(str[i])) {
            if (i + 1 >= str.size() || !IsLow(str[i + 1]))
                return false;
            ++i;
        } else if (IsLow(str[i])) {
            return false;
        }
    }
    return true;
}

bool Utf16ToUtf8(const std::u16string& str, std::string& out) {
    if (!IsWellFormedUtf16(str))
        return false;
    std::string result;
    result.reserve(str.size());
    for (std::size_t i = 0; i < str.size(); ++i) {
        std::uint32_t cp = str[i];
        if (IsHigh(str[i])) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (str[i + 1] - 0xDC00);
            ++i;
        }
        if (cp < 0x80) {
            result += static_cast<char>(cp);
        } else if (cp < 0x800) {
            result += static_cast<char>(0xC0 | (cp >> 6));
            result += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            result += static_cast<char>(0xE0 | (cp >> 12));
            result += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            result += static_cast<char>(0xF0 | (cp >> 18));
            result += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            result += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    out = std::move(result);
    return true;
}

} // namespace quorbel
