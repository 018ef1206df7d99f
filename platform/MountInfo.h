// The kernel's mount table (/proc/self/mountinfo): one line per mount, in
// mount order, with the mount point and the file system's type and source.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr char MOUNTINFO_PATH[] = "/proc/self/mountinfo";

struct MOUNTINFO_ENTRY {
    std::string strMountPoint; // unescaped, as the system names it
    std::string strFsType;
    std::string strSource; // empty when the line has none
};

// Parses the table's text. False for a line not in the table's format; the
// entries are then left as they were.
bool ParseMountInfo(std::string_view text, std::vector<MOUNTINFO_ENTRY>& entries);

// Reads and parses a file in the table's format: 0, an errno value from
// opening or reading it, or EBADMSG for a line not in the format.
int ReadMountInfo(const std::string& strPath, std::vector<MOUNTINFO_ENTRY>& entries);

// The table writes space, tab, line feed and backslash as \ooo.
std::string UnescapeMountField(std::string_view field);

// NFS, SMB, sshfs and the other file systems reached over a network.
bool IsNetworkFsType(std::string_view fsType);

} // namespace platform
