#include "service/pathfs/PathFs.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace quorbel {

namespace {

// Threads that answer paced requests: a paced request waits in the queue,
// not on a thread, so two are enough to keep the disk busy.
constexpr unsigned DELAY_THREADS = 2;

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
    fuse_loop_config* config = fuse_loop_cfg_create();
    if (!config)
        return;
    fuse_loop_cfg_set_clone_fd(config, 0);
    fuse_loop_cfg_set_max_threads(config, uMaxThreads);
    fuse_loop_cfg_set_idle_threads(config, uMaxThreads < 4 ? uMaxThreads : 4);
    fuse_session_loop_mt(m_pSession, config);
    fuse_loop_cfg_destroy(config);
}

} // namespace quorbel
