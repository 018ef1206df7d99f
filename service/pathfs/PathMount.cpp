#include "service/pathfs/PathMount.h"

#include "platform/MountInfo.h"

#include "service/pathfs/PathFs.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <thread>
#include <vector>

namespace quorbel {

namespace {

std::string StripSlashes(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
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
    std::vector<platform::MOUNTINFO_ENTRY> entries;
    platform::ReadMountInfo(platform::MOUNTINFO_PATH, entries);
    std::vector<std::string> points;
    for (platform::MOUNTINFO_ENTRY& entry : entries) {
        if (entry.strFsType == PATH_MOUNT_FS_TYPE)
            points.push_back(std::move(entry.strMountPoint));
    }
    // Later mounts may sit inside earlier ones: take them away first.
    int count = 0;
    for (auto it = points.rbegin(); it != points.rend(); ++it)
        if (umount2(it->c_str(), MNT_DETACH | UMOUNT_NOFOLLOW) == 0)
            ++count;
    return count;
}

} // namespace quorbel
