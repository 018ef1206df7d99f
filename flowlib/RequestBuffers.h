// Builders of the three fixed-size request buffers. Each refuses (returns
// false and leaves the buffer zeroed) a name that would not fit, so nothing
// is ever written past the 512 bytes.
#pragma once

#include "flowlib/DeviceProtocol.h"
#include "flowlib/FlowTypes.h"

#include <array>
#include <cstdint>
#include <string>

namespace flow {

using REQUEST_BUFFER = std::array<std::uint8_t, REQUEST_BUFFER_SIZE>;

// Longest names each buffer can carry, in UTF-16 code units.
inline constexpr std::size_t MAX_VOLUME_NAME_CHARS = (REQUEST_BUFFER_SIZE - 4) / 2;       // 254
inline constexpr std::size_t MAX_MISSION_NAME_CHARS = (REQUEST_BUFFER_SIZE - 56) / 2 - 1; // 227
inline constexpr std::size_t MAX_REMOVAL_NAME_CHARS = REQUEST_BUFFER_SIZE / 2 - 1;        // 255

// u32 length in bytes without the NUL, then the characters; no terminator.
// An empty name is refused as well: it names no volume.
bool BuildVolumeBuffer(const std::u16string& strName, REQUEST_BUFFER& buffer);
// u32 length in bytes with the NUL, the name and its NUL, then the eight
// numbers packed without alignment.
bool BuildMissionBuffer(const FLOW_MISSION& mission, REQUEST_BUFFER& buffer);
// The name and its NUL at offset 0, no length field.
bool BuildRemovalBuffer(const std::u16string& strName, REQUEST_BUFFER& buffer);

} // namespace flow
