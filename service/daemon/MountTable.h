// The mount table as the service needs it: which file system holds a
// directory (to find the volume a path mission lies on) and whether one of
// the service's own mounts sits on a folder.
#pragma once

#include <string>
#include <vector>

namespace platform {
struct MOUNTINFO_ENTRY;
}

namespace quorbel {

// The file system type of the service's path mounts.
inline constexpr char SERVICE_FS_TYPE[] = "fuse.quorbel";

struct MOUNT_ENTRY {
    std::string strMountPoint; // unescaped
    std::string strFsType;
};

class CMountTable {
public:
    // Reads the table in /proc/self/mountinfo format; 0 or an errno value.
    int Load(const std::string& strPath = "/proc/self/mountinfo");
    // Parses the table's text; false for a line not in its format.
    bool Parse(const std::string& strText);

    const std::vector<MOUNT_ENTRY>& Entries() const { return m_Entries; }

    // The volume name a directory lies on, as the library's walk names it:
    // the mount point of the file system holding it, or "network" for a
    // network file system. The service's own mounts are looked through, so
    // a directory keeps its volume while a mission is mounted over it.
    // strDir must be an absolute, resolved path. Empty when nothing holds it.
    std::string VolumeOf(const std::string& strDir) const;

    // True when the top mount on strMountPoint is one of the service's.
    bool IsServiceMount(const std::string& strMountPoint) const;

    static bool IsNetworkType(const std::string& strFsType);

private:
    void Assign(std::vector<platform::MOUNTINFO_ENTRY>&& entries);

    std::vector<MOUNT_ENTRY> m_Entries;
};

} // namespace quorbel
