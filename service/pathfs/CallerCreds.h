// Runs the calling thread as the FUSE caller for the guard's lifetime: its
// effective uid, gid and supplementary groups become the caller's, so the
// kernel checks permissions and assigns owners exactly as it would for the
// caller itself. Only this thread changes: the raw system calls are used
// because glibc's wrappers switch every thread of the process.
#pragma once

#include <sys/types.h>

#include <vector>

namespace quorbel {

class CCallerCreds {
public:
    // Switches to uid/gid with the given supplementary groups. Check Error()
    // before doing anything on the caller's behalf.
    CCallerCreds(uid_t uid, gid_t gid, const std::vector<gid_t>& groups);
    // Restores the service's own identity (root, no supplementary groups).
    ~CCallerCreds();

    CCallerCreds(const CCallerCreds&) = delete;
    CCallerCreds& operator=(const CCallerCreds&) = delete;

    // 0 when the switch succeeded, else the errno value of the failed call.
    int Error() const { return m_iError; }

private:
    int m_iError = 0;
    bool m_bGroups = false;
    bool m_bGid = false;
    bool m_bUid = false;
};

} // namespace quorbel
