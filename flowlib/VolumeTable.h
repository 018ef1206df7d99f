// The machine's mounted file systems, read from the mount table and sorted
// into kinds the volume walk acts on.
#pragma once

#include <string>
#include <vector>

namespace flow {

// Where the mount table is read from; VELQUIN_MOUNTINFO names another file
// in the same format (for tests and diagnosis).
inline constexpr char MOUNTINFO_PATH[] = "/proc/self/mountinfo";
inline constexpr char MOUNTINFO_ENV[] = "VELQUIN_MOUNTINFO";

// Numbered like the drive types of the trace lines' other platform, so a
// trace reads the same everywhere.
enum class VolumeKind : int {
    Unknown = 0,   // proc, sysfs, cgroup and other virtual file systems
    NoRoot = 1,    // the mount point is not a folder (a bind-mounted file)
    Removable = 2, // reserved
    Fixed = 3,     // a local file system on a block device
    Remote = 4,    // nfs, cifs, sshfs and other network file systems
    Optical = 5,   // iso9660, udf
    RamDisk = 6,   // tmpfs, ramfs
};

struct VOLUME {
    std::string strMountPoint; // unescaped, as the system names it
    std::string strFsType;
    std::string strSource;
    VolumeKind kind = VolumeKind::Unknown;
};

class CVolumeTable {
public:
    // Reads the mount table; 0 or an errno value (EBADMSG for a line that
    // is not in the table's format).
    int Load();
    // Every mount in mount order; a folder mounted over keeps its first
    // place only.
    const std::vector<VOLUME>& Volumes() const { return m_Volumes; }

    static VolumeKind Classify(const std::string& strFsType, const std::string& strSource,
                               const std::string& strMountPoint);

private:
    std::vector<VOLUME> m_Volumes;
};

} // namespace flow
