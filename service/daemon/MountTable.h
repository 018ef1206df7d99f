// The mount table as the service needs it: which file system holds a
// directory (to find the volume a path mission lies on) and whether one of
// the service's own mounts sits on a folder.
#pragma once

#include "platform/MountInfo.h"

#include <string>
#include <vector>

namespace quorbel {

class CMountTable {
public:
    // Reads the table in /proc/self/mountinfo format; 0 or an errno value.
    int Load(const std::string& strPath = platform::MOUNTINFO_PATH);
    // Parses the table's text; false for a line not in its format.
    bool Parse(const std::string& strText);

    // The volume name a directory lies on, as the library's walk names it:
    // the mount point of the file system holding it, or "network" for a
    // network file system. The service's own mounts are looked through, so
    // a directory keeps its volume while a mission is mounted over it.
    // strDir must be an absolute, resolved path. Empty when nothing holds it.
    std::string VolumeOf(const std::string& strDir) const;

    // True when the top mount on strMountPoint is one of the service's.
    bool IsServiceMount(const std::string& strMountPoint) const;

private:
    std::vector<platform::MOUNTINFO_ENTRY> m_Entries;
};

} // namespace quorbel
