#include "flowlib/VolumeTable.h"

#include "platform/MountInfo.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

namespace flow {

namespace {

bool OneOf(const std::string& str, std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return str == n; });
}

} // namespace

VolumeKind CVolumeTable::Classify(const std::string& strFsType, const std::string& strSource,
                                  const std::string& strMountPoint) {
    if (platform::IsNetworkFsType(strFsType))
        return VolumeKind::Remote;
    if (OneOf(strFsType, {"iso9660", "udf"}))
        return VolumeKind::Optical;
    if (OneOf(strFsType, {"tmpfs", "ramfs"}))
        return VolumeKind::RamDisk;
    // Disk file systems whose source is not a device node (pools, several
    // devices) are local disks all the same.
    bool bBlock = strSource.rfind("/dev/", 0) == 0 || OneOf(strFsType, {"zfs", "bcachefs"});
    if (!bBlock || OneOf(strFsType, {"devtmpfs", "devpts", "mqueue", "hugetlbfs"}))
        return VolumeKind::Unknown;
    struct stat st {};
    if (stat(strMountPoint.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
        return VolumeKind::NoRoot;
    return VolumeKind::Fixed;
}

int CVolumeTable::Load() {
    m_Volumes.clear();
    const char* pszPath = std::getenv(MOUNTINFO_ENV);
    std::vector<platform::MOUNTINFO_ENTRY> entries;
    if (const int iError =
            platform::ReadMountInfo(pszPath && *pszPath ? pszPath : MOUNTINFO_PATH, entries))
        return iError;
    for (platform::MOUNTINFO_ENTRY& entry : entries) {
        VOLUME v;
        v.strMountPoint = std::move(entry.strMountPoint);
        v.strFsType = std::move(entry.strFsType);
        v.strSource = std::move(entry.strSource);
        v.kind = Classify(v.strFsType, v.strSource, v.strMountPoint);
        // A later mount on the same folder hides the earlier one: the folder
        // keeps its place, the file system seen there is the later one.
        auto it = std::find_if(m_Volumes.begin(), m_Volumes.end(),
                               [&](const VOLUME& o) { return o.strMountPoint == v.strMountPoint; });
        if (it == m_Volumes.end())
            m_Volumes.push_back(std::move(v));
        else
            *it = std::move(v);
    }
    return 0;
}

} // namespace flow
