// The FUSE low-level file system behind a path mount: one handler per
// operation, each a thin entry that runs a helper returning 0 or an errno
// value, with exactly one reply per request. Reads and writes go through the
// mission's meter; paced ones are answered later from the delay queue.
#pragma once

#include "service/engine/FlowMeter.h"
#include "service/pathfs/DelayQueue.h"
#include "service/pathfs/FileHandle.h"
#include "service/pathfs/InodeTable.h"

#include <fuse_lowlevel.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace quorbel {

class CPathFs {
public:
    // Takes ownership of iRootFd (O_PATH descriptor of the directory).
    CPathFs(int iRootFd, std::shared_ptr<CFlowMeter> meter, bool bTrace);
    // Answers paced requests still waiting, then destroys the session.
    ~CPathFs();

    CPathFs(const CPathFs&) = delete;
    CPathFs& operator=(const CPathFs&) = delete;

    // Creates the session and mounts it on strDir. Returns 0 or an errno.
    int Mount(const std::string& strDir);
    // Serves requests until the kernel ends the connection (after unmount).
    void Serve(unsigned uMaxThreads);

    const std::shared_ptr<CFlowMeter>& Meter() const { return m_pMeter; }

    static const fuse_lowlevel_ops& Operations();

    // Used by the operation handlers.
    CInodeTable& Inodes() { return m_Inodes; }
    CDelayQueue& Delays() { return *m_pDelays; }
    bool Trace() const { return m_bTrace; }

    // Open files and directories. The kernel may drop the release of a file
    // closed after a lazy unmount; whatever is left is closed with the mount.
    PATH_FILE* NewFile(int fd, int flags);
    void DeleteFile(PATH_FILE* file);
    PATH_DIR* NewDir(DIR* dp);
    void DeleteDir(PATH_DIR* dir);

    // A paced request waits in the delay queue; if its caller is interrupted
    // meanwhile, fnCancel answers it at once instead. Whichever of the two
    // takes it first (TakePaced returns true) sends the one reply.
    void HoldPaced(fuse_req_t req, std::function<void()> fnCancel);
    bool TakePaced(fuse_req_t req);

private:
    static void OnInterrupt(fuse_req_t req, void* pData);
    void Work();
    void ServeRequests();

    CInodeTable m_Inodes;
    std::shared_ptr<CFlowMeter> m_pMeter;
    bool m_bTrace;
    fuse_session* m_pSession = nullptr;
    std::unique_ptr<CDelayQueue> m_pDelays;
    std::mutex m_OpenMutex;
    std::unordered_set<PATH_FILE*> m_Files;
    std::unordered_set<PATH_DIR*> m_Dirs;
    std::mutex m_PacedMutex;
    std::unordered_map<fuse_req_t, std::function<void()>> m_Paced;
    // Serving threads: all of them, those waiting for a request, the most.
    std::mutex m_WorkMutex;
    std::condition_variable m_WorkersGone;
    unsigned m_uWorkers = 0;
    unsigned m_uIdle = 0;
    unsigned m_uMaxWorkers = 1;
};

} // namespace quorbel
