#include "platform/MountInfo.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <sstream>

namespace platform {

namespace {

bool IsOctal(char c) {
    return c >= '0' && c <= '7';
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

} // namespace

std::string UnescapeMountField(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
            field[i + 1] <= '3' && IsOctal(field[i + 2]) && IsOctal(field[i + 3])) {
            out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                            (field[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

bool IsNetworkFsType(std::string_view fsType) {
    static constexpr std::string_view kNetwork[] = {
        "nfs",         "nfs4",         "cifs",          "smb3",      "smbfs",     "ncpfs",
        "9p",          "ceph",         "afs",           "lustre",    "glusterfs", "davfs",
        "coda",        "sshfs",        "fuse.sshfs",    "fuse.ceph", "fuse.s3fs", "fuse.rclone",
        "fuse.davfs2", "fuse.gcsfuse", "fuse.glusterfs"};
    return std::find(std::begin(kNetwork), std::end(kNetwork), fsType) != std::end(kNetwork);
}

bool ParseMountInfo(std::string_view text, std::vector<MOUNTINFO_ENTRY>& entries) {
    std::vector<MOUNTINFO_ENTRY> parsed;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        // id parent major:minor root mount-point options [optional...] - type source super-options
        const std::vector<std::string_view> f = SplitFields(line);
        if (f.empty())
            continue;
        if (f.size() < 8)
            return false;
        const auto sep = std::find(f.begin() + 6, f.end(), std::string_view("-"));
        if (f.end() - sep < 2)
            return false;
        MOUNTINFO_ENTRY entry;
        entry.strMountPoint = UnescapeMountField(f[4]);
        entry.strFsType = UnescapeMountField(*(sep + 1));
        if (f.end() - sep > 2)
            entry.strSource = UnescapeMountField(*(sep + 2));
        parsed.push_back(std::move(entry));
    }
    entries = std::move(parsed);
    return true;
}

int ReadMountInfo(const std::string& strPath, std::vector<MOUNTINFO_ENTRY>& entries) {
    errno = 0;
    std::ifstream in(strPath);
    if (!in)
        return errno ? errno : ENOENT;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return EIO;
    return ParseMountInfo(text.str(), entries) ? 0 : EBADMSG;
}

} // namespace platform
