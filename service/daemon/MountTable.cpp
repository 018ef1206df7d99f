#include "service/daemon/MountTable.h"

#include "platform/MountInfo.h"

#include <algorithm>

namespace quorbel {

namespace {

bool Contains(const std::string& strMountPoint, const std::string& strDir) {
    if (strMountPoint == "/")
        return true;
    return strDir.compare(0, strMountPoint.size(), strMountPoint) == 0 &&
           (strDir.size() == strMountPoint.size() || strDir[strMountPoint.size()] == '/');
}

} // namespace

bool CMountTable::IsNetworkType(const std::string& strFsType) {
    return platform::IsNetworkFsType(strFsType);
}

int CMountTable::Load(const std::string& strPath) {
    std::vector<platform::MOUNTINFO_ENTRY> entries;
    if (const int iError = platform::ReadMountInfo(strPath, entries))
        return iError;
    Assign(std::move(entries));
    return 0;
}

bool CMountTable::Parse(const std::string& strText) {
    std::vector<platform::MOUNTINFO_ENTRY> entries;
    if (!platform::ParseMountInfo(strText, entries))
        return false;
    Assign(std::move(entries));
    return true;
}

void CMountTable::Assign(std::vector<platform::MOUNTINFO_ENTRY>&& entries) {
    m_Entries.clear();
    m_Entries.reserve(entries.size());
    for (platform::MOUNTINFO_ENTRY& entry : entries)
        m_Entries.push_back({std::move(entry.strMountPoint), std::move(entry.strFsType)});
}

std::string CMountTable::VolumeOf(const std::string& strDir) const {
    // The holder is the last mount (mount order) on the longest mount point
    // that contains the directory.
    const MOUNT_ENTRY* pBest = nullptr;
    for (const MOUNT_ENTRY& e : m_Entries) {
        if (e.strFsType == SERVICE_FS_TYPE || !Contains(e.strMountPoint, strDir))
            continue;
        if (pBest == nullptr || e.strMountPoint.size() >= pBest->strMountPoint.size())
            pBest = &e;
    }
    if (pBest == nullptr)
        return {};
    return IsNetworkType(pBest->strFsType) ? std::string("network") : pBest->strMountPoint;
}

bool CMountTable::IsServiceMount(const std::string& strMountPoint) const {
    const MOUNT_ENTRY* pTop = nullptr;
    for (const MOUNT_ENTRY& e : m_Entries) {
        if (e.strMountPoint == strMountPoint)
            pTop = &e;
    }
    return pTop != nullptr && pTop->strFsType == SERVICE_FS_TYPE;
}

} // namespace quorbel
