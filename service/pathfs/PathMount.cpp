#include "service/pathfs/PathMount.h"

#include "service/pathfs/PathFs.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace quorbel {

namespace {

constexpr char FS_TYPE[] = "fuse.quorbel";

std::string StripSlashes(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

// /proc/self/mountinfo writes space, tab, newline and backslash as \ooo.
std::string Unescape(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3') {
            out +=
                static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

} // namespace

std::unique_ptr<CPathMount> CPathMount::Mount(const std::string& strDir,
                                              std::shared_ptr<CFlowMeter> meter,
                                              const PATH_MOUNT_OPTIONS& options, int& iError) {
    iError = 0;
    if (strDir.empty() || strDir.front() != '/' || !meter) {
        iError = EINVAL;
        return nullptr;
    }
    std::string dir = StripSlashes(strDir);
    // Opened before the mount: afterwards the path leads into the mount.
    const int rootFd = open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0) {
        iError = errno;
        return nullptr;
    }
    // Mount on, and later unmount, the folder itself: a path through a
    // symbolic link would otherwise be refused by the unmount.
    char resolved[PATH_MAX + 1];
    const ssize_t len =
        readlink(("/proc/self/fd/" + std::to_string(rootFd)).c_str(), resolved, PATH_MAX);
    if (len > 0 && resolved[0] == '/') {
        resolved[len] = '\0';
        dir = resolved;
    }
    struct stat under {};
    fstat(rootFd, &under);
    auto fs = std::make_shared<CPathFs>(rootFd, std::move(meter), options.bTrace);
    if ((iError = fs->Mount(dir)) != 0)
        return nullptr;
    auto mount = std::unique_ptr<CPathMount>(new CPathMount(dir, fs));
    const unsigned uThreads = options.uMaxThreads ? options.uMaxThreads : 1;
    mount->m_Thread = std::thread([fs, uThreads] { fs->Serve(uThreads); });
    // The first request waits for the session's start; from here on the
    // mount point shows the mount's own device.
    struct stat over {};
    if (stat(dir.c_str(), &over) != 0 || over.st_dev == under.st_dev) {
        iError = errno ? errno : EIO;
        mount->Unmount(true);
        return nullptr;
    }
    mount->m_Dev = over.st_dev;
    return mount;
}

CPathMount::CPathMount(std::string strDir, std::shared_ptr<CPathFs> fs)
    : m_strDir(std::move(strDir)), m_pFs(std::move(fs)) {}

CPathMount::~CPathMount() {
    Unmount(true);
    if (m_Thread.joinable())
        m_Thread.detach();
}

const std::shared_ptr<CFlowMeter>& CPathMount::Meter() const {
    return m_pFs->Meter();
}

int CPathMount::Unmount(bool bLazyWhenBusy) {
    if (!m_bMounted)
        return 0;
    // Only take away our own mount: a mount point that shows another device
    // now (unmounted from outside, or covered by a later mount) is left as
    // it is; the serving thread ends with its connection.
    struct stat st {};
    const int rc = stat(m_strDir.c_str(), &st);
    const bool bDead = rc != 0 && errno == ENOTCONN;
    const bool bOurs = m_Dev == 0 || bDead || (rc == 0 && st.st_dev == m_Dev);
    if (!bOurs) {
        m_bMounted = false;
        m_Thread.detach();
        return 0;
    }
    if (umount2(m_strDir.c_str(), UMOUNT_NOFOLLOW) == 0) {
        m_bMounted = false;
        m_Thread.join();
        return 0;
    }
    const int err = errno;
    if (err != EBUSY || !bLazyWhenBusy)
        return err;
    if (umount2(m_strDir.c_str(), MNT_DETACH | UMOUNT_NOFOLLOW) != 0)
        return errno;
    // Open files keep the connection; the thread serves them to the end and
    // holds the file system alive until then.
    m_bMounted = false;
    m_Thread.detach();
    return 0;
}

int CPathMount::UnmountStale() {
    std::ifstream in("/proc/self/mountinfo");
    std::vector<std::string> points;
    std::string line;
    while (std::getline(in, line)) {
        // "id parent major:minor root mountpoint options [optional...] - type source super"
        const std::size_t dash = line.find(" - ");
        if (dash == std::string::npos)
            continue;
        std::istringstream tail(line.substr(dash + 3));
        std::string type;
        tail >> type;
        if (type != FS_TYPE)
            continue;
        std::istringstream head(line.substr(0, dash));
        std::string id, parent, devs, root, point;
        head >> id >> parent >> devs >> root >> point;
        points.push_back(Unescape(point));
    }
    // Later mounts may sit inside earlier ones: take them away first.
    int count = 0;
    for (auto it = points.rbegin(); it != points.rend(); ++it)
        if (umount2(it->c_str(), MNT_DETACH | UMOUNT_NOFOLLOW) == 0)
            ++count;
    return count;
}

} // namespace quorbel
