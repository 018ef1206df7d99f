// Where the process watcher notes the processes it may hold stopped, so that
// a service started after a crash can continue them.
#pragma once

#include <sys/types.h>

#include <cstdint>

namespace quorbel {

class IStopLedger {
public:
    virtual ~IStopLedger() = default;
    // Called before the first SIGSTOP to a process; uStart tells the
    // process from a later one with the same PID.
    virtual void NoteHeld(pid_t pid, std::uint64_t uStart) = 0;
    // Called once the process runs again for good or is gone.
    virtual void NoteReleased(pid_t pid) = 0;
};

} // namespace quorbel
