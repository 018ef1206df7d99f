#include "service/device/RequestDecoder.h"

#include "flowlib/DeviceProtocol.h"
#include "service/device/Utf16Text.h"

#include <cerrno>

namespace quorbel {

namespace {

constexpr std::size_t kBufferSize = flow::REQUEST_BUFFER_SIZE;
// Mission buffer: length field, then 4 + 4 + 4 + 8 * 5 bytes of numbers
// after the name.
constexpr std::size_t kMissionFixedBytes = 4 + 52;

char16_t UnitAt(const std::uint8_t* p, std::size_t uOffset) {
    return static_cast<char16_t>(p[uOffset] | p[uOffset + 1] << 8);
}

bool AllZero(const std::uint8_t* p, std::size_t uFrom, std::size_t uTo) {
    for (std::size_t i = uFrom; i < uTo; ++i) {
        if (p[i] != 0)
            return false;
    }
    return true;
}

// Reads uUnits UTF-16 units from uOffset; fails on a NUL among them or on a
// broken surrogate pair.
bool ReadName(const std::uint8_t* p, std::size_t uOffset, std::size_t uUnits,
              std::u16string& strName) {
    std::u16string str;
    str.reserve(uUnits);
    for (std::size_t i = 0; i < uUnits; ++i) {
        char16_t c = UnitAt(p, uOffset + 2 * i);
        if (c == 0)
            return false;
        str += c;
    }
    if (!IsWellFormedUtf16(str))
        return false;
    strName = std::move(str);
    return true;
}

} // namespace

int DecodeVolumeBuffer(const std::uint8_t* pBuffer, std::size_t uSize, std::u16string& strName) {
    if (pBuffer == nullptr || uSize != kBufferSize)
        return EINVAL;
    const std::uint32_t uLength = flow::GetU32(pBuffer);
    if (uLength == 0 || uLength % 2 != 0 || uLength > kBufferSize - 4)
        return EINVAL;
    std::u16string str;
    if (!ReadName(pBuffer, 4, uLength / 2, str) || !AllZero(pBuffer, 4 + uLength, kBufferSize))
        return EINVAL;
    strName = std::move(str);
    return 0;
}

int DecodeMissionBuffer(const std::uint8_t* pBuffer, std::size_t uSize, FLOW_MISSION& mission) {
    if (pBuffer == nullptr || uSize != kBufferSize)
        return EINVAL;
    const std::uint32_t uLength = flow::GetU32(pBuffer);
    // At least one character and its NUL; the numbers must still fit.
    if (uLength < 4 || uLength % 2 != 0 || uLength > kBufferSize - kMissionFixedBytes)
        return EINVAL;
    const std::size_t uUnits = uLength / 2;
    if (UnitAt(pBuffer, 4 + uLength - 2) != 0)
        return EINVAL;
    FLOW_MISSION m;
    if (!ReadName(pBuffer, 4, uUnits - 1, m.strTargetName))
        return EINVAL;
    const std::uint8_t* p = pBuffer + 4 + uLength;
    m.uMode = flow::GetU32(p);
    m.uLimitReadSpeed = flow::GetU32(p + 4);
    m.uLimitWriteSpeed = flow::GetU32(p + 8);
    m.llLimitTotalReads = static_cast<std::int64_t>(flow::GetU64(p + 12));
    m.llLimitTotalWrites = static_cast<std::int64_t>(flow::GetU64(p + 20));
    m.llAlreadyReads = static_cast<std::int64_t>(flow::GetU64(p + 28));
    m.llAlreadyWrites = static_cast<std::int64_t>(flow::GetU64(p + 36));
    m.llDriverParam = static_cast<std::int64_t>(flow::GetU64(p + 44));
    if (m.uMode != FLOW_MODE_PROCESS && m.uMode != FLOW_MODE_PATH)
        return EINVAL;
    if (!AllZero(pBuffer, kMissionFixedBytes + uLength, kBufferSize))
        return EINVAL;
    mission = std::move(m);
    return 0;
}

int DecodeNameBuffer(const std::uint8_t* pBuffer, std::size_t uSize, std::u16string& strName) {
    if (pBuffer == nullptr || uSize != kBufferSize)
        return EINVAL;
    std::size_t uUnits = 0;
    while (uUnits < kBufferSize / 2 && UnitAt(pBuffer, 2 * uUnits) != 0)
        ++uUnits;
    // No NUL inside the buffer: the name would run past it.
    if (uUnits == 0 || uUnits == kBufferSize / 2)
        return EINVAL;
    std::u16string str;
    if (!ReadName(pBuffer, 0, uUnits, str) || !AllZero(pBuffer, 2 * uUnits + 2, kBufferSize))
        return EINVAL;
    strName = std::move(str);
    return 0;
}

} // namespace quorbel
