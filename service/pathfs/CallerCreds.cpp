#include "service/pathfs/CallerCreds.h"

#include <sched.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace quorbel {

namespace {

// Only the effective ids change; the real and saved ids stay the service's
// own, so the thread can switch back.
constexpr long KEEP = -1;

int Call(long number, long a, long b, long c) {
    return syscall(number, a, b, c) == 0 ? 0 : errno;
}

// The service's own identity, read once per thread before its first switch.
struct OWN_IDENTITY {
    bool bKnown = false;
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups;
};

thread_local OWN_IDENTITY t_Own;

int PrepareThread() {
    if (t_Own.bKnown)
        return 0;
    // The kernel has already applied the caller's umask to the modes it
    // sends; the service's own umask must not be applied a second time. A
    // private file-system context lets this thread clear it alone.
    if (unshare(CLONE_FS) != 0)
        return errno;
    umask(0);
    t_Own.uid = static_cast<uid_t>(syscall(SYS_geteuid));
    t_Own.gid = static_cast<gid_t>(syscall(SYS_getegid));
    long n = syscall(SYS_getgroups, 0, nullptr);
    if (n < 0)
        return errno;
    t_Own.groups.resize(static_cast<std::size_t>(n));
    n = syscall(SYS_getgroups, n, t_Own.groups.data());
    if (n < 0)
        return errno;
    t_Own.groups.resize(static_cast<std::size_t>(n));
    t_Own.bKnown = true;
    return 0;
}

} // namespace

CCallerCreds::CCallerCreds(uid_t uid, gid_t gid, const std::vector<gid_t>& groups) {
    m_iError = PrepareThread();
    if (m_iError)
        return;
    // Groups and gid first: once the uid is no longer root they cannot change.
    m_iError = Call(SYS_setgroups, static_cast<long>(groups.size()),
                    reinterpret_cast<long>(groups.data()), 0);
    if (m_iError)
        return;
    m_bGroups = true;
    m_iError = Call(SYS_setresgid, KEEP, static_cast<long>(gid), KEEP);
    if (m_iError)
        return;
    m_bGid = true;
    m_iError = Call(SYS_setresuid, KEEP, static_cast<long>(uid), KEEP);
    if (m_iError)
        return;
    m_bUid = true;
}

CCallerCreds::~CCallerCreds() {
    // A thread left with the caller's identity would serve the next request
    // with the wrong rights; there is no safe way on from there.
    if (m_bUid && Call(SYS_setresuid, KEEP, static_cast<long>(t_Own.uid), KEEP) != 0)
        std::abort();
    if (m_bGid && Call(SYS_setresgid, KEEP, static_cast<long>(t_Own.gid), KEEP) != 0)
        std::abort();
    if (m_bGroups && Call(SYS_setgroups, static_cast<long>(t_Own.groups.size()),
                          reinterpret_cast<long>(t_Own.groups.data()), 0) != 0)
        std::abort();
}

} // namespace quorbel
