#include "flowlib/VolumeTable.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace flow {

namespace {

// The table escapes space, tab, line feed and backslash as \ooo.
std::string Unescape(const std::string& str) {
    std::string out;
    for (std::size_t i = 0; i < str.size(); ++i) {
        if (str[i] == '\\' && i + 3 < str.size() &&
            std::all_of(str.begin() + i + 1, str.begin() + i + 4,
                        [](char c) { return c >= '0' && c <= '7'; })) {
            out.push_back(static_cast<char>((str[i + 1] - '0') * 64 + (str[i + 2] - '0') * 8 +
                                            (str[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(str[i]);
        }
    }
    return out;
}

bool OneOf(const std::string& str, std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return str == n; });
}

} // namespace

VolumeKind CVolumeTable::Classify(const std::string& strFsType, const std::string& strSource,
                                  const std::string& strMountPoint) {
    if (OneOf(strFsType, {"nfs",         "nfs4",       "cifs",        "smb3",
                          "smbfs",       "ncpfs",      "9p",          "ceph",
                          "afs",         "lustre",     "glusterfs",   "davfs",
                          "coda",        "fuse.sshfs", "sshfs",       "fuse.glusterfs",
                          "fuse.ceph",   "fuse.s3fs",  "fuse.rclone", "fuse.davfs2",
                          "fuse.gcsfuse"}))
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
    std::ifstream in(pszPath && *pszPath ? pszPath : MOUNTINFO_PATH);
    if (!in)
        return errno ? errno : ENOENT;
    std::string strLine;
    while (std::getline(in, strLine)) {
        if (strLine.empty())
            continue;
        // id parent major:minor root mount-point options [optional...] - type source super-options
        std::istringstream fields(strLine);
        std::vector<std::string> f;
        for (std::string s; fields >> s;)
            f.push_back(s);
        if (f.size() < 8)
            return EBADMSG;
        auto sep = std::find(f.begin() + 6, f.end(), "-");
        if (f.end() - sep < 2)
            return EBADMSG;
        VOLUME v;
        v.strMountPoint = Unescape(f[4]);
        v.strFsType = Unescape(*(sep + 1));
        v.strSource = f.end() - sep > 2 ? Unescape(*(sep + 2)) : std::string();
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
    if (in.bad())
        return EIO;
    return 0;
}

} // namespace flow
