#include "service/daemon/MountTable.h"

#include "service/pathfs/PathMount.h"

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

int CMountTable::Load(const std::string& strPath) {
    return platform::ReadMountInfo(strPath, m_Entries);
}

bool CMountTable::Parse(const std::string& strText) {
    return platform::ParseMountInfo(strText, m_Entries);
}

std::string CMountTable::VolumeOf(const std::string& strDir) const {
    // The holder is the last mount (mount order) on the longest mount point
    // that contains the directory.
    const platform::MOUNTINFO_ENTRY* pBest = nullptr;
    for (const platform::MOUNTINFO_ENTRY& e : m_Entries) {
        if (e.strFsType == PATH_MOUNT_FS_TYPE || !Contains(e.strMountPoint, strDir))
            continue;
        if (pBest == nullptr || e.strMountPoint.size() >= pBest->strMountPoint.size())
            pBest = &e;
    }
    if (pBest == nullptr)
        return {};
    return platform::IsNetworkFsType(pBest->strFsType) ? std::string("network")
                                                       : pBest->strMountPoint;
}

bool CMountTable::IsServiceMount(const std::string& strMountPoint) const {
    const platform::MOUNTINFO_ENTRY* pTop = nullptr;
    for (const platform::MOUNTINFO_ENTRY& e : m_Entries) {
        if (e.strMountPoint == strMountPoint)
            pTop = &e;
    }
    return pTop != nullptr && pTop->strFsType == PATH_MOUNT_FS_TYPE;
}

} // namespace quorbel
