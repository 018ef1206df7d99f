// What an open file or directory under a path mount carries between its
// open and its release (the FUSE "fh").
#pragma once

#include <dirent.h>
#include <sys/types.h>

#include <mutex>

namespace quorbel {

struct PATH_FILE {
    int fd = -1;
    // Opened with O_DIRECT by the caller: buffers and lengths must be aligned.
    bool bDirect = false;
    // A buffered twin of fd for the odd tail that O_DIRECT cannot write (a
    // write cut short by the total); opened on first use.
    std::mutex twinMutex;
    int twinFd = -1;
};

struct PATH_DIR {
    DIR* dp = nullptr;
    off_t offset = 0;
    dirent* entry = nullptr;
};

} // namespace quorbel
