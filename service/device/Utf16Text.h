// The UTF-16 names of the wire buffers become the UTF-8 names of the file
// system and of /proc.
#pragma once

#include <string>

namespace quorbel {

// True when str is well-formed UTF-16: every surrogate belongs to a pair.
bool IsWellFormedUtf16(const std::u16string& str);

// UTF-8 of a well-formed UTF-16 string; false (and out untouched) otherwise.
bool Utf16ToUtf8(const std::u16string& str, std::string& out);

} // namespace quorbel
