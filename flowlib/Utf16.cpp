#include "flowlib/Utf16.h"

namespace flow {

std::optional<std::u16string> Utf8ToUtf16(const std::string& strUtf8) {
    std::u16string out;
    out.reserve(strUtf8.size());
    const auto* p = reinterpret_cast<const unsigned char*>(strUtf8.data());
    const auto* end = p + strUtf8.size();
    while (p < end) {
        char32_t c = *p;
        int nMore = 0;
        char32_t uMin = 0;
        if (c < 0x80) {
            nMore = 0;
        } else if ((c & 0xE0) == 0xC0) {
            c &= 0x1F, nMore = 1, uMin = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            c &= 0x0F, nMore = 2, uMin = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            c &= 0x07, nMore = 3, uMin = 0x10000;
        } else {
            return std::nullopt;
        }
        ++p;
        if (end - p < nMore)
            return std::nullopt;
        for (int i = 0; i < nMore; ++i, ++p) {
            if ((*p & 0xC0) != 0x80)
                return std::nullopt;
            c = (c << 6) | (*p & 0x3F);
        }
        if (c < uMin || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return std::nullopt;
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

std::string Utf16ToUtf8(const std::u16string& strUtf16) {
    std::string out;
    out.reserve(strUtf16.size());
    for (std::size_t i = 0; i < strUtf16.size(); ++i) {
        char32_t c = strUtf16[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < strUtf16.size() && strUtf16[i + 1] >= 0xDC00 &&
            strUtf16[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (strUtf16[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

} // namespace flow
