#include "service/daemon/MountTable.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>

namespace quorbel {

namespace {

// Mount points are written with octal escapes for blanks, tabs, newlines
// and backslashes.
std::string Unescape(const std::string& str) {
    std::string out;
    for (std::size_t i = 0; i < str.size(); ++i) {
        if (str[i] == '\\' && i + 3 < str.size() && str[i + 1] >= '0' && str[i + 1] <= '3' &&
            str[i + 2] >= '0' && str[i + 2] <= '7' && str[i + 3] >= '0' && str[i + 3] <= '7') {
            out += static_cast<char>((str[i + 1] - '0') * 64 + (str[i + 2] - '0') * 8 +
                                     (str[i + 3] - '0'));
            i += 3;
        } else {
            out += str[i];
        }
    }
    return out;
}

bool Contains(const std::string& strMountPoint, const std::string& strDir) {
    if (strMountPoint == "/")
        return true;
    return strDir.compare(0, strMountPoint.size(), strMountPoint) == 0 &&
           (strDir.size() == strMountPoint.size() || strDir[strMountPoint.size()] == '/');
}

} // namespace

bool CMountTable::IsNetworkType(const std::string& strFsType) {
    static const char* const kNetwork[] = {
        "nfs",         "nfs4",         "cifs",          "smb3",      "smbfs",     "ncpfs",
        "9p",          "ceph",         "afs",           "lustre",    "glusterfs", "davfs",
        "coda",        "sshfs",        "fuse.sshfs",    "fuse.ceph", "fuse.s3fs", "fuse.rclone",
        "fuse.davfs2", "fuse.gcsfuse", "fuse.glusterfs"};
    return std::any_of(std::begin(kNetwork), std::end(kNetwork),
                       [&](const char* psz) { return strFsType == psz; });
}

int CMountTable::Load(const std::string& strPath) {
    std::ifstream in(strPath);
    if (!in)
        return errno ? errno : ENOENT;
    std::stringstream ss;
    ss << in.rdbuf();
    return Parse(ss.str()) ? 0 : EBADMSG;
}

bool CMountTable::Parse(const std::string& strText) {
    std::vector<MOUNT_ENTRY> entries;
    std::istringstream lines(strText);
    std::string strLine;
    while (std::getline(lines, strLine)) {
        if (strLine.empty())
            continue;
        // id parent major:minor root mount-point options [optional...] - type source ...
        std::istringstream fields(strLine);
        std::vector<std::string> f;
        for (std::string s; fields >> s;)
            f.push_back(s);
        if (f.size() < 8)
            return false;
        auto sep = std::find(f.begin() + 6, f.end(), "-");
        if (f.end() - sep < 2)
            return false;
        entries.push_back({Unescape(f[4]), *(sep + 1)});
    }
    m_Entries = std::move(entries);
    return true;
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
