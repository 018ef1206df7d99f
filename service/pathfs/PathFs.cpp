#include "service/pathfs/PathFs.h"

#include "service/pathfs/WorkBuffer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>

namespace quorbel {

namespace {

// Threads that answer paced requests: a paced request waits in the queue,
// not on a thread, so two are enough to keep the disk busy.
constexpr unsigned DELAY_THREADS = 2;

// Serving threads kept waiting for requests beyond the busy ones.
constexpr unsigned MAX_IDLE_WORKERS = 4;

} // namespace

CPathFs::CPathFs(int iRootFd, std::shared_ptr<CFlowMeter> meter, bool bTrace)
    : m_Inodes(iRootFd), m_pMeter(std::move(meter)), m_bTrace(bTrace),
      m_pDelays(std::make_unique<CDelayQueue>(DELAY_THREADS)) {}

CPathFs::~CPathFs() {
    // Paced requests hold replies that need the session: answer them first.
    m_pDelays.reset();
    if (m_pSession) {
        // The connection has ended by now, so this unmounts nothing; it
        // closes the device and frees what the mount call allocated.
        fuse_session_unmount(m_pSession);
        fuse_session_destroy(m_pSession);
    }
    for (PATH_FILE* file : m_Files) {
        close(file->fd);
        if (file->twinFd >= 0)
            close(file->twinFd);
        delete file;
    }
    for (PATH_DIR* dir : m_Dirs) {
        closedir(dir->dp);
        delete dir;
    }
}

void CPathFs::HoldPaced(fuse_req_t req, std::function<void()> fnCancel) {
    {
        std::lock_guard lock(m_PacedMutex);
        m_Paced[req] = std::move(fnCancel);
    }
    // Calls OnInterrupt at once when the caller was interrupted already.
    fuse_req_interrupt_func(req, &CPathFs::OnInterrupt, this);
}

bool CPathFs::TakePaced(fuse_req_t req) {
    std::lock_guard lock(m_PacedMutex);
    return m_Paced.erase(req) != 0;
}

void CPathFs::OnInterrupt(fuse_req_t req, void* pData) {
    auto* fs = static_cast<CPathFs*>(pData);
    std::function<void()> fnCancel;
    {
        std::lock_guard lock(fs->m_PacedMutex);
        auto it = fs->m_Paced.find(req);
        if (it == fs->m_Paced.end())
            return; // its turn came first and it is being answered
        fnCancel = std::move(it->second);
        fs->m_Paced.erase(it);
    }
    fnCancel();
}

PATH_FILE* CPathFs::NewFile(int fd, int flags) {
    auto* file = new PATH_FILE;
    file->fd = fd;
    file->bDirect = (flags & O_DIRECT) != 0;
    std::lock_guard lock(m_OpenMutex);
    m_Files.insert(file);
    return file;
}

void CPathFs::DeleteFile(PATH_FILE* file) {
    {
        std::lock_guard lock(m_OpenMutex);
        m_Files.erase(file);
    }
    close(file->fd);
    if (file->twinFd >= 0)
        close(file->twinFd);
    delete file;
}

PATH_DIR* CPathFs::NewDir(DIR* dp) {
    auto* dir = new PATH_DIR;
    dir->dp = dp;
    std::lock_guard lock(m_OpenMutex);
    m_Dirs.insert(dir);
    return dir;
}

void CPathFs::DeleteDir(PATH_DIR* dir) {
    {
        std::lock_guard lock(m_OpenMutex);
        m_Dirs.erase(dir);
    }
    closedir(dir->dp);
    delete dir;
}

int CPathFs::Mount(const std::string& strDir) {
    if (access("/dev/fuse", R_OK | W_OK) != 0)
        return errno == ENOENT ? ENODEV : errno;
    fuse_args args = FUSE_ARGS_INIT(0, nullptr);
    // allow_other: every user works under the mission's directory, each with
    // their own rights (no default_permissions: the real file system checks
    // them, as the caller). The type "fuse.quorbel" marks our mounts.
    if (fuse_opt_add_arg(&args, "quorbeld") != 0 || fuse_opt_add_arg(&args, "-o") != 0 ||
        fuse_opt_add_arg(&args, "allow_other,fsname=quorbel,subtype=quorbel") != 0) {
        fuse_opt_free_args(&args);
        return ENOMEM;
    }
    m_pSession = fuse_session_new(&args, &Operations(), sizeof(fuse_lowlevel_ops), this);
    fuse_opt_free_args(&args);
    if (!m_pSession)
        return EINVAL;
    errno = 0;
    if (fuse_session_mount(m_pSession, strDir.c_str()) != 0) {
        const int err = errno ? errno : EIO;
        fuse_session_destroy(m_pSession);
        m_pSession = nullptr;
        return err;
    }
    return 0;
}

void CPathFs::Serve(unsigned uMaxThreads) {
    {
        std::lock_guard lock(m_WorkMutex);
        m_uMaxWorkers = uMaxThreads ? uMaxThreads : 1;
        m_uWorkers = 1;
    }
    Work();
    std::unique_lock lock(m_WorkMutex);
    m_WorkersGone.wait(lock, [this] { return m_uWorkers == 0; });
}

// One serving thread. libfuse's own loop would receive into buffers of its
// choosing; this one receives into a CWorkBuffer, so writes reach the disk
// without a copy. Like libfuse's loop, it starts another thread when the
// last idle one takes a request (up to the most allowed), and a thread that
// finds MAX_IDLE_WORKERS others waiting when it is done ends instead.
void CPathFs::Work() {
    ServeRequests();
    // Last: once the count reaches zero, the session may be destroyed.
    std::lock_guard lock(m_WorkMutex);
    --m_uWorkers;
    m_WorkersGone.notify_all();
}

void CPathFs::ServeRequests() {
    CWorkBuffer buffer;
    if (!buffer.IsValid()) {
        fuse_session_exit(m_pSession);
        return;
    }
    CWorkBuffer::SetCurrent(&buffer);
    while (!fuse_session_exited(m_pSession)) {
        fuse_buf buf{};
        buf.mem = buffer.Request();
        buf.size = buffer.Capacity();
        {
            std::lock_guard lock(m_WorkMutex);
            ++m_uIdle;
        }
        const int res = fuse_session_receive_buf(m_pSession, &buf);
        bool bSpawn = false;
        {
            std::lock_guard lock(m_WorkMutex);
            --m_uIdle;
            if (res > 0 && m_uIdle == 0 && m_uWorkers < m_uMaxWorkers) {
                ++m_uWorkers;
                bSpawn = true;
            }
        }
        if (bSpawn) {
            try {
                std::thread([this] { Work(); }).detach();
            } catch (const std::system_error&) {
                // No thread to be had: the ones there are go on serving.
                std::lock_guard lock(m_WorkMutex);
                --m_uWorkers;
            }
        }
        if (res == -EINTR || res == -EAGAIN)
            continue;
        if (res <= 0) {
            // 0: the connection ended (unmounted); anything else is fatal.
            fuse_session_exit(m_pSession);
            break;
        }
        buffer.SetReceived(static_cast<std::size_t>(res));
        fuse_session_process_buf(m_pSession, &buf);
        std::lock_guard lock(m_WorkMutex);
        if (m_uIdle >= MAX_IDLE_WORKERS)
            break;
    }
    CWorkBuffer::SetCurrent(nullptr);
}

} // namespace quorbel
