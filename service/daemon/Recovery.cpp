#include "service/daemon/Recovery.h"

#include "service/daemon/MountTable.h"
#include "service/daemon/ServiceLog.h"
#include "service/proc/ProcFs.h"

#include <csignal>
#include <cstring>
#include <sys/mount.h>

namespace quorbel {

RECOVERY_RESULT RecoverLeftovers(const SERVICE_STATE& state, const CProcFs& procFs) {
    RECOVERY_RESULT result;
    for (const auto& [pid, uStart] : state.processes) {
        std::uint64_t uNow = 0;
        if (procFs.ReadStartTime(pid, uNow) && uNow == uStart && kill(pid, SIGCONT) == 0) {
            ++result.iContinued;
            ServiceNotice("continued process %d left stopped by an earlier run", pid);
        }
    }
    for (const std::string& strDir : state.mounts) {
        // Stacked mounts of ours (a mission added twice across crashes) go
        // one by one; the bound keeps a stubborn one from looping forever.
        for (int i = 0; i < 16; ++i) {
            CMountTable mounts;
            if (mounts.Load() != 0 || !mounts.IsServiceMount(strDir))
                break;
            if (umount2(strDir.c_str(), MNT_DETACH) != 0) {
                ServiceNotice("cannot unmount %s left by an earlier run: %s", strDir.c_str(),
                              std::strerror(errno));
                break;
            }
            ++result.iUnmounted;
            ServiceNotice("unmounted %s left by an earlier run", strDir.c_str());
        }
    }
    return result;
}

} // namespace quorbel
