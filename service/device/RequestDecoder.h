// Reads the three 512-byte request buffers of the control device. Nothing in
// a buffer is trusted before it is checked: the buffer size, every length
// field against the buffer, the terminating NUL where the layout has one,
// a name without NULs inside it and made of whole UTF-16 characters, the zero
// fill after the fields, and the mode. Each decoder returns 0 or EINVAL and
// fills its result only when the whole buffer is sound.
#pragma once

#include "flowlib/FlowTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorbel {

// Attach and detach: u32 byte length of the name (no NUL), the name, zeros.
int DecodeVolumeBuffer(const std::uint8_t* pBuffer, std::size_t uSize, std::u16string& strName);

// Add: u32 byte length of the name with its NUL, the name and NUL, mode,
// two speeds, two total limits, two counters, the pass-through value, zeros.
int DecodeMissionBuffer(const std::uint8_t* pBuffer, std::size_t uSize, FLOW_MISSION& mission);

// Remove: the name with its NUL from the first byte on, zeros.
int DecodeNameBuffer(const std::uint8_t* pBuffer, std::size_t uSize, std::u16string& strName);

} // namespace quorbel
