// Path-mode enforcement: a FUSE pass-through file system mounted over a
// mission's directory (the mount point is the directory itself). It is
// served from a descriptor of the directory opened before the mount, so the
// service still reaches the real files underneath its own mount.
//
// Every read and write is counted by the mission's meter, paced to its speed
// limits and refused once forbidden or used up (reads: EACCES; writes:
// EACCES when forbidden, EDQUOT when the write total is used up; a write
// that would cross the total is shortened so the total stops exactly at its
// limit). Cutting a file short (a truncating open, truncate, fallocate) is
// refused the same way while writing is. A paced request whose caller is
// interrupted (a signal) ends at once with EINTR and moves nothing. Each
// request runs with the caller's uid, gid and groups, so ownership and
// permissions are what they would be without the service.
// Files are opened for direct I/O so that every read(2) and write(2) reaches
// the service; a shared mapping (MAP_SHARED) of a file under the mount is
// refused by the kernel (ENODEV), private mappings (executables) work.
//
// The mount carries the file system type "fuse.quorbel"; UnmountStale finds
// mounts left behind by a crashed service by that type.
#pragma once

#include "service/engine/FlowMeter.h"

#include <sys/types.h>

#include <memory>
#include <string>
#include <thread>

namespace quorbel {

// The type the mount table shows for these mounts.
inline constexpr char PATH_MOUNT_FS_TYPE[] = "fuse.quorbel";

class CPathFs;

struct PATH_MOUNT_OPTIONS {
    // Most threads serving requests at once (paced requests wait on a
    // scheduler, not on these threads).
    unsigned uMaxThreads = 16;
    // Trace each failed operation to standard error.
    bool bTrace = false;
};

class CPathMount {
public:
    // Mounts the pass-through over strDir (an absolute path to a directory;
    // a trailing "/" is accepted). On failure returns null and sets iError:
    // ENOENT when the directory does not exist, ENOTDIR when it is not a
    // directory, EINVAL for a relative path, another errno when the mount
    // itself fails (EPERM without root, ENODEV without /dev/fuse).
    static std::unique_ptr<CPathMount> Mount(const std::string& strDir,
                                             std::shared_ptr<CFlowMeter> meter,
                                             const PATH_MOUNT_OPTIONS& options, int& iError);

    // Unmounts (see Unmount(true)) when still mounted.
    ~CPathMount();

    CPathMount(const CPathMount&) = delete;
    CPathMount& operator=(const CPathMount&) = delete;

    // Takes the mount away. When files under it are still open: with
    // bLazyWhenBusy the mount is detached at once (the directory shows the
    // real files again for new opens) and the open files are served until
    // they are closed; without it, fails with EBUSY and stays mounted.
    // Returns 0 or an errno value; 0 also when already unmounted.
    int Unmount(bool bLazyWhenBusy = true);

    // The directory as mounted: the real folder, symbolic links resolved,
    // no trailing "/".
    const std::string& Dir() const { return m_strDir; }
    bool IsMounted() const { return m_bMounted; }

    // The meter that counts this mount's reads and writes.
    const std::shared_ptr<CFlowMeter>& Meter() const;

    // Lazily unmounts every "fuse.quorbel" mount in this mount namespace
    // (left behind by an earlier run that crashed). Returns how many.
    static int UnmountStale();

private:
    CPathMount(std::string strDir, std::shared_ptr<CPathFs> fs);

    std::string m_strDir;
    std::shared_ptr<CPathFs> m_pFs;
    std::thread m_Thread; // serves requests until the kernel ends the connection
    dev_t m_Dev = 0;      // the mount's device, to recognise it on the mount point
    bool m_bMounted = true;
};

} // namespace quorbel
