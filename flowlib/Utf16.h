// Conversions between the library's UTF-16 strings and the UTF-8 of file
// names and trace lines.
#pragma once

#include <optional>
#include <string>

namespace flow {

// Strict: nullopt for bytes that are not well-formed UTF-8.
std::optional<std::u16string> Utf8ToUtf16(const std::string& strUtf8);
// Lenient: unpaired surrogates become U+FFFD (for trace lines).
std::string Utf16ToUtf8(const std::u16string& strUtf16);

} // namespace flow
