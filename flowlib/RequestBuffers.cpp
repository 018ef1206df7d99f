#include "flowlib/RequestBuffers.h"

namespace flow {

namespace {

std::uint8_t* PutUtf16(std::uint8_t* p, const std::u16string& str) {
    for (char16_t c : str) {
        *p++ = static_cast<std::uint8_t>(c);
        *p++ = static_cast<std::uint8_t>(c >> 8);
    }
    return p;
}

} // namespace

bool BuildVolumeBuffer(const std::u16string& strName, REQUEST_BUFFER& buffer) {
    buffer.fill(0);
    if (strName.empty() || strName.size() > MAX_VOLUME_NAME_CHARS)
        return false;
    PutU32(buffer.data(), static_cast<std::uint32_t>(strName.size() * 2));
    PutUtf16(buffer.data() + 4, strName);
    return true;
}

bool BuildMissionBuffer(const FLOW_MISSION& mission, REQUEST_BUFFER& buffer) {
    buffer.fill(0);
    if (mission.strTargetName.size() > MAX_MISSION_NAME_CHARS)
        return false;
    const std::size_t n = (mission.strTargetName.size() + 1) * 2;
    PutU32(buffer.data(), static_cast<std::uint32_t>(n));
    std::uint8_t* p = PutUtf16(buffer.data() + 4, mission.strTargetName) + 2; // NUL from the fill
    PutU32(p, mission.uMode);
    PutU32(p + 4, mission.uLimitReadSpeed);
    PutU32(p + 8, mission.uLimitWriteSpeed);
    PutU64(p + 12, static_cast<std::uint64_t>(mission.llLimitTotalReads));
    PutU64(p + 20, static_cast<std::uint64_t>(mission.llLimitTotalWrites));
    PutU64(p + 28, static_cast<std::uint64_t>(mission.llAlreadyReads));
    PutU64(p + 36, static_cast<std::uint64_t>(mission.llAlreadyWrites));
    PutU64(p + 44, static_cast<std::uint64_t>(mission.llDriverParam));
    return true;
}

bool BuildRemovalBuffer(const std::u16string& strName, REQUEST_BUFFER& buffer) {
    buffer.fill(0);
    if (strName.size() > MAX_REMOVAL_NAME_CHARS)
        return false;
    PutUtf16(buffer.data(), strName);
    return true;
}

} // namespace flow
