// The operation handlers of a path mount. Each handler is a thin entry: it
// runs a helper that returns 0 or an errno value and sends exactly one reply.
// Operations that check permissions or create files run as the caller;
// reads and writes on an open file need no check and go through the meter.
#include "service/pathfs/CallerCreds.h"
#include "service/pathfs/FileHandle.h"
#include "service/pathfs/PathFs.h"
#include "service/pathfs/WorkBuffer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace quorbel {

namespace {

// The kernel may cache names and attributes this long. The mount hides the
// directory, so only processes that were already inside it when it was
// mounted change the files behind the kernel's back; a second is as stale
// as their changes can look.
constexpr double ATTR_TIMEOUT = 1.0;

// O_DIRECT needs buffers, offsets and lengths aligned to the block size;
// a page covers every block size in use.
constexpr std::size_t DIRECT_ALIGN = 4096;

CPathFs& Fs(fuse_req_t req) {
    return *static_cast<CPathFs*>(fuse_req_userdata(req));
}

int Fd(fuse_req_t req, fuse_ino_t ino) {
    return Fs(req).Inodes().Fd(ino);
}

PATH_FILE* File(fuse_file_info* fi) {
    return reinterpret_cast<PATH_FILE*>(fi->fh);
}

PATH_DIR* Dir(fuse_file_info* fi) {
    return reinterpret_cast<PATH_DIR*>(fi->fh);
}

// The descriptor's own path in /proc, which opens, changes or links the
// file it refers to with the rights of whoever follows it.
std::string ProcPath(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

std::vector<gid_t> CallerGroups(fuse_req_t req) {
    std::vector<gid_t> groups(32);
    int n = fuse_req_getgroups(req, static_cast<int>(groups.size()), groups.data());
    if (n > static_cast<int>(groups.size())) {
        groups.resize(static_cast<std::size_t>(n));
        n = fuse_req_getgroups(req, n, groups.data());
    }
    // The caller may be gone already; it then gets no supplementary group.
    groups.resize(n > 0 ? std::min<std::size_t>(static_cast<std::size_t>(n), groups.size()) : 0);
    return groups;
}

// Runs fn as the caller of req and returns its result (0 or an errno value).
template <class FN> int AsCaller(fuse_req_t req, FN&& fn) {
    const fuse_ctx* ctx = fuse_req_ctx(req);
    // The service's own root callers pass every check the service passes and
    // create files as root:root: no switch (nor groups from /proc) needed.
    if (ctx->uid == 0 && ctx->gid == 0 && geteuid() == 0 && getegid() == 0)
        return fn();
    CCallerCreds creds(ctx->uid, ctx->gid, CallerGroups(req));
    if (creds.Error())
        return creds.Error();
    return fn();
}

void Reply(fuse_req_t req, const char* what, int err) {
    if (err && Fs(req).Trace())
        std::fprintf(stderr, "quorbeld: %s failed: %s\n", what, std::strerror(err));
    fuse_reply_err(req, err);
}

// Changing a file's size or cutting it short changes its contents without a
// write: refused like a write while writing is forbidden or used up, so a
// truncating open cannot empty a file whose new contents would be refused.
int WriteRefusal(fuse_req_t req) {
    const CFlowMeter& meter = *Fs(req).Meter();
    if (meter.IsForbidden(FLOW_WRITE))
        return EACCES;
    return meter.IsUsedUp(FLOW_WRITE) ? EDQUOT : 0;
}

// A page-aligned scratch buffer per thread, kept between requests so that a
// stream of large reads does not map fresh memory every time. Serving
// threads use their CWorkBuffer instead; this serves the delay queue.
char* Scratch(std::size_t size) {
    struct BUFFER {
        char* p = nullptr;
        std::size_t size = 0;
        ~BUFFER() { std::free(p); }
    };
    thread_local BUFFER t_Buffer;
    if (t_Buffer.size < size) {
        std::free(t_Buffer.p);
        const std::size_t rounded = (size + DIRECT_ALIGN - 1) / DIRECT_ALIGN * DIRECT_ALIGN;
        t_Buffer.p = static_cast<char*>(std::aligned_alloc(DIRECT_ALIGN, rounded));
        t_Buffer.size = t_Buffer.p ? rounded : 0;
    }
    return t_Buffer.p;
}

int Stat(int fd, struct stat* st) {
    return fstatat(fd, "", st, AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

// Finds name in parent and gives the kernel an entry for it.
int LookUp(fuse_req_t req, fuse_ino_t parent, const char* name, fuse_entry_param* e) {
    std::memset(e, 0, sizeof *e);
    e->attr_timeout = ATTR_TIMEOUT;
    e->entry_timeout = ATTR_TIMEOUT;
    const int fd = openat(Fd(req, parent), name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno;
    if (int err = Stat(fd, &e->attr)) {
        close(fd);
        return err;
    }
    e->ino = Fs(req).Inodes().Remember(fd, e->attr.st_dev, e->attr.st_ino);
    return 0;
}

void ReplyEntry(fuse_req_t req, const char* what, fuse_ino_t parent, const char* name, int err) {
    fuse_entry_param e;
    if (!err)
        err = AsCaller(req, [&] { return LookUp(req, parent, name, &e); });
    if (err)
        Reply(req, what, err);
    else
        fuse_reply_entry(req, &e);
}

// ---------------------------------------------------------------- session

void OpInit(void*, fuse_conn_info* conn) {
    // Splicing and the write-back cache would let data move between the
    // kernel and the disk without each byte passing the meter.
    conn->want &= ~(FUSE_CAP_SPLICE_READ | FUSE_CAP_SPLICE_WRITE | FUSE_CAP_SPLICE_MOVE |
                    FUSE_CAP_WRITEBACK_CACHE);
}

// ----------------------------------------------------------------- names

void OpLookup(fuse_req_t req, fuse_ino_t parent, const char* name) {
    fuse_entry_param e;
    const int err = AsCaller(req, [&] { return LookUp(req, parent, name, &e); });
    if (err)
        fuse_reply_err(req, err); // a missing name is routine, not worth a trace
    else
        fuse_reply_entry(req, &e);
}

void OpForget(fuse_req_t req, fuse_ino_t ino, uint64_t nlookup) {
    Fs(req).Inodes().Forget(ino, nlookup);
    fuse_reply_none(req);
}

void OpForgetMulti(fuse_req_t req, size_t count, fuse_forget_data* forgets) {
    for (size_t i = 0; i < count; ++i)
        Fs(req).Inodes().Forget(forgets[i].ino, forgets[i].nlookup);
    fuse_reply_none(req);
}

void OpMknod(fuse_req_t req, fuse_ino_t parent, const char* name, mode_t mode, dev_t rdev) {
    const int err =
        AsCaller(req, [&] { return mknodat(Fd(req, parent), name, mode, rdev) == 0 ? 0 : errno; });
    ReplyEntry(req, "mknod", parent, name, err);
}

void OpMkdir(fuse_req_t req, fuse_ino_t parent, const char* name, mode_t mode) {
    const int err =
        AsCaller(req, [&] { return mkdirat(Fd(req, parent), name, mode) == 0 ? 0 : errno; });
    ReplyEntry(req, "mkdir", parent, name, err);
}

void OpSymlink(fuse_req_t req, const char* link, fuse_ino_t parent, const char* name) {
    const int err =
        AsCaller(req, [&] { return symlinkat(link, Fd(req, parent), name) == 0 ? 0 : errno; });
    ReplyEntry(req, "symlink", parent, name, err);
}

void OpLink(fuse_req_t req, fuse_ino_t ino, fuse_ino_t parent, const char* name) {
    const int err = AsCaller(req, [&] {
        return linkat(AT_FDCWD, ProcPath(Fd(req, ino)).c_str(), Fd(req, parent), name,
                      AT_SYMLINK_FOLLOW) == 0
                   ? 0
                   : errno;
    });
    ReplyEntry(req, "link", parent, name, err);
}

void OpUnlink(fuse_req_t req, fuse_ino_t parent, const char* name) {
    const int err =
        AsCaller(req, [&] { return unlinkat(Fd(req, parent), name, 0) == 0 ? 0 : errno; });
    Reply(req, "unlink", err);
}

void OpRmdir(fuse_req_t req, fuse_ino_t parent, const char* name) {
    const int err = AsCaller(
        req, [&] { return unlinkat(Fd(req, parent), name, AT_REMOVEDIR) == 0 ? 0 : errno; });
    Reply(req, "rmdir", err);
}

void OpRename(fuse_req_t req, fuse_ino_t parent, const char* name, fuse_ino_t newparent,
              const char* newname, unsigned int flags) {
    const int err = AsCaller(req, [&] {
        return syscall(SYS_renameat2, Fd(req, parent), name, Fd(req, newparent), newname, flags) ==
                       0
                   ? 0
                   : errno;
    });
    Reply(req, "rename", err);
}

// ------------------------------------------------------------- attributes

void OpGetattr(fuse_req_t req, fuse_ino_t ino, fuse_file_info*) {
    struct stat st;
    if (int err = Stat(Fd(req, ino), &st))
        Reply(req, "getattr", err);
    else
        fuse_reply_attr(req, &st, ATTR_TIMEOUT);
}

int SetAttributes(fuse_req_t req, fuse_ino_t ino, const struct stat* attr, int valid,
                  fuse_file_info* fi) {
    const int fd = Fd(req, ino);
    const std::string path = ProcPath(fd);
    const int openFd = fi ? File(fi)->fd : -1;
    if (valid & FUSE_SET_ATTR_MODE) {
        const int res =
            openFd >= 0 ? fchmod(openFd, attr->st_mode) : chmod(path.c_str(), attr->st_mode);
        if (res != 0)
            return errno;
    }
    if (valid & (FUSE_SET_ATTR_UID | FUSE_SET_ATTR_GID)) {
        const uid_t uid = (valid & FUSE_SET_ATTR_UID) ? attr->st_uid : static_cast<uid_t>(-1);
        const gid_t gid = (valid & FUSE_SET_ATTR_GID) ? attr->st_gid : static_cast<gid_t>(-1);
        if (fchownat(fd, "", uid, gid, AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW) != 0)
            return errno;
    }
    if (valid & FUSE_SET_ATTR_SIZE) {
        const int res =
            openFd >= 0 ? ftruncate(openFd, attr->st_size) : truncate(path.c_str(), attr->st_size);
        if (res != 0)
            return errno;
    }
    if (valid & (FUSE_SET_ATTR_ATIME | FUSE_SET_ATTR_MTIME)) {
        struct timespec tv[2];
        tv[0].tv_sec = tv[1].tv_sec = 0;
        tv[0].tv_nsec = tv[1].tv_nsec = UTIME_OMIT;
        if (valid & FUSE_SET_ATTR_ATIME_NOW)
            tv[0].tv_nsec = UTIME_NOW;
        else if (valid & FUSE_SET_ATTR_ATIME)
            tv[0] = attr->st_atim;
        if (valid & FUSE_SET_ATTR_MTIME_NOW)
            tv[1].tv_nsec = UTIME_NOW;
        else if (valid & FUSE_SET_ATTR_MTIME)
            tv[1] = attr->st_mtim;
        const int res =
            openFd >= 0 ? futimens(openFd, tv) : utimensat(AT_FDCWD, path.c_str(), tv, 0);
        if (res != 0)
            return errno;
    }
    return 0;
}

void OpSetattr(fuse_req_t req, fuse_ino_t ino, struct stat* attr, int valid, fuse_file_info* fi) {
    int err = (valid & FUSE_SET_ATTR_SIZE) ? WriteRefusal(req) : 0;
    if (!err)
        err = AsCaller(req, [&] { return SetAttributes(req, ino, attr, valid, fi); });
    struct stat st;
    if (!err)
        err = Stat(Fd(req, ino), &st);
    if (err)
        Reply(req, "setattr", err);
    else
        fuse_reply_attr(req, &st, ATTR_TIMEOUT);
}

void OpReadlink(fuse_req_t req, fuse_ino_t ino) {
    char buf[PATH_MAX + 1];
    const ssize_t n = readlinkat(Fd(req, ino), "", buf, sizeof buf);
    if (n < 0)
        Reply(req, "readlink", errno);
    else if (n == static_cast<ssize_t>(sizeof buf))
        Reply(req, "readlink", ENAMETOOLONG);
    else {
        buf[n] = '\0';
        fuse_reply_readlink(req, buf);
    }
}

void OpAccess(fuse_req_t req, fuse_ino_t ino, int mask) {
    // The effective ids are the caller's; the real ones are still the service's.
    const int err = AsCaller(req, [&] {
        return faccessat(AT_FDCWD, ProcPath(Fd(req, ino)).c_str(), mask, AT_EACCESS) == 0 ? 0
                                                                                          : errno;
    });
    Reply(req, "access", err);
}

void OpStatfs(fuse_req_t req, fuse_ino_t ino) {
    struct statvfs st;
    if (fstatvfs(Fd(req, ino), &st) != 0)
        Reply(req, "statfs", errno);
    else
        fuse_reply_statfs(req, &st);
}

// ------------------------------------------------------------ open files

void SetOpenOptions(fuse_file_info* fi) {
    // Every read(2) and write(2) must reach the meter: no page cache in
    // between, no cached data kept from an earlier open.
    fi->direct_io = 1;
    fi->keep_cache = 0;
}

void OpCreate(fuse_req_t req, fuse_ino_t parent, const char* name, mode_t mode,
              fuse_file_info* fi) {
    int fd = -1;
    fuse_entry_param e;
    const int err = AsCaller(req, [&] {
        fd = openat(Fd(req, parent), name, (fi->flags | O_CREAT | O_CLOEXEC) & ~O_NOFOLLOW, mode);
        if (fd < 0)
            return errno;
        return LookUp(req, parent, name, &e);
    });
    if (err) {
        if (fd >= 0)
            close(fd);
        Reply(req, "create", err);
        return;
    }
    fi->fh = reinterpret_cast<uint64_t>(Fs(req).NewFile(fd, fi->flags));
    SetOpenOptions(fi);
    if (fuse_reply_create(req, &e, fi) != 0) // the caller went away: no release will come
        Fs(req).DeleteFile(File(fi));
}

void OpOpen(fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi) {
    int fd = -1;
    int err = (fi->flags & O_TRUNC) ? WriteRefusal(req) : 0;
    if (!err)
        err = AsCaller(req, [&] {
            fd = open(ProcPath(Fd(req, ino)).c_str(),
                      (fi->flags | O_CLOEXEC) & ~(O_CREAT | O_EXCL | O_NOCTTY | O_NOFOLLOW));
            return fd < 0 ? errno : 0;
        });
    if (err) {
        Reply(req, "open", err);
        return;
    }
    fi->fh = reinterpret_cast<uint64_t>(Fs(req).NewFile(fd, fi->flags));
    SetOpenOptions(fi);
    if (fuse_reply_open(req, fi) != 0)
        Fs(req).DeleteFile(File(fi));
}

void OpFlush(fuse_req_t req, fuse_ino_t, fuse_file_info* fi) {
    // Closing a duplicate reports the errors of a close(2) (network file
    // systems report late write errors there) without closing the file.
    const int res = close(dup(File(fi)->fd));
    Reply(req, "flush", res == 0 ? 0 : errno);
}

void OpRelease(fuse_req_t req, fuse_ino_t, fuse_file_info* fi) {
    Fs(req).DeleteFile(File(fi));
    fuse_reply_err(req, 0);
}

void OpFsync(fuse_req_t req, fuse_ino_t, int datasync, fuse_file_info* fi) {
    const int fd = File(fi)->fd;
    const int res = datasync ? fdatasync(fd) : fsync(fd);
    Reply(req, "fsync", res == 0 ? 0 : errno);
}

void OpFallocate(fuse_req_t req, fuse_ino_t, int mode, off_t offset, off_t length,
                 fuse_file_info* fi) {
    // Moves no data, so it is not counted; but it changes the size or (a
    // punched hole) the contents, so it needs the right to write.
    int err = WriteRefusal(req);
    if (!err && fallocate(File(fi)->fd, mode, offset, length) != 0)
        err = errno;
    Reply(req, "fallocate", err);
}

// ------------------------------------------------------- reads and writes

std::size_t AlignUp(std::size_t n) {
    return (n + DIRECT_ALIGN - 1) / DIRECT_ALIGN * DIRECT_ALIGN;
}

// Parks a paced request. An interrupted caller (a signal, ^C) gets EINTR at
// once rather than after its wait; its bytes never move and go back to the
// meter. Until the request's turn or its interrupt, the file stays open: the
// kernel releases a file only after its requests are answered.
void HoldPaced(CPathFs& fs, fuse_req_t req, FLOW_DIRECTION dir, std::uint64_t uGranted) {
    fs.HoldPaced(req, [req, meter = fs.Meter(), dir, uGranted] {
        meter->Settle(dir, uGranted, 0);
        fuse_reply_err(req, EINTR);
    });
}

// Moves up to uGranted bytes from the file and answers the read; the caller
// never receives more than the meter granted.
void FinishRead(fuse_req_t req, const std::shared_ptr<CFlowMeter>& meter, PATH_FILE* file,
                std::size_t size, off_t off, std::uint64_t uGranted) {
    if (uGranted == 0) {
        meter->Settle(FLOW_READ, 0, 0);
        fuse_reply_buf(req, nullptr, 0);
        return;
    }
    // Read whole blocks when the grant was cut short, as O_DIRECT needs; the
    // bytes past the grant are dropped.
    const std::size_t len = uGranted < size ? std::min(size, AlignUp(uGranted)) : size;
    char* buf = CWorkBuffer::Spare(len);
    if (!buf)
        buf = Scratch(len);
    if (!buf) {
        meter->Settle(FLOW_READ, uGranted, 0);
        fuse_reply_err(req, ENOMEM);
        return;
    }
    const ssize_t n = pread(file->fd, buf, len, off);
    if (n < 0) {
        const int err = errno;
        meter->Settle(FLOW_READ, uGranted, 0);
        fuse_reply_err(req, err);
        return;
    }
    const std::uint64_t moved = std::min<std::uint64_t>(static_cast<std::uint64_t>(n), uGranted);
    meter->Settle(FLOW_READ, uGranted, moved);
    fuse_reply_buf(req, buf, moved);
}

void OpRead(fuse_req_t req, fuse_ino_t, size_t size, off_t off, fuse_file_info* fi) {
    CPathFs& fs = Fs(req);
    PATH_FILE* file = File(fi);
    // Bytes past the end of the file will not move: do not make the reader
    // wait for them nor charge them to its total.
    std::uint64_t want = size;
    struct stat st;
    if (fstat(file->fd, &st) == 0 && S_ISREG(st.st_mode))
        want = off >= st.st_size ? 0 : std::min<std::uint64_t>(size, st.st_size - off);
    const METER_GRANT grant = fs.Meter()->Request(FLOW_READ, want);
    if (grant.iError) {
        Reply(req, "read", grant.iError);
        return;
    }
    // A file that grows between the size check and the read gives a short
    // read; the reader asks again and is metered again.
    if (grant.delay.count() == 0) {
        FinishRead(req, fs.Meter(), file, size, off, grant.uBytes);
        return;
    }
    HoldPaced(fs, req, FLOW_READ, grant.uBytes);
    fs.Delays().Post(CDelayQueue::Clock::now() + grant.delay,
                     [req, pFs = &fs, file, size, off, uBytes = grant.uBytes] {
                         if (pFs->TakePaced(req))
                             FinishRead(req, pFs->Meter(), file, size, off, uBytes);
                     });
}

int WriteAll(PATH_FILE* file, const char* buf, std::size_t len, off_t off, std::size_t* written) {
    *written = 0;
    if (len == 0)
        return 0;
    int fd = file->fd;
    if (file->bDirect && len % DIRECT_ALIGN != 0) {
        // An O_DIRECT write cut short by the total ends off the block grid;
        // its tail goes through a buffered descriptor of the same file.
        std::lock_guard lock(file->twinMutex);
        if (file->twinFd < 0)
            file->twinFd = open(ProcPath(file->fd).c_str(),
                                (fcntl(file->fd, F_GETFL) & ~O_DIRECT) | O_CLOEXEC);
        if (file->twinFd < 0)
            return errno;
        fd = file->twinFd;
    }
    const ssize_t n = pwrite(fd, buf, len, off);
    if (n < 0)
        return errno;
    *written = static_cast<std::size_t>(n);
    return 0;
}

void FinishWrite(fuse_req_t req, const std::shared_ptr<CFlowMeter>& meter, PATH_FILE* file,
                 const char* buf, std::uint64_t uGranted, off_t off) {
    std::size_t written = 0;
    const int err = WriteAll(file, buf, uGranted, off, &written);
    meter->Settle(FLOW_WRITE, uGranted, written);
    if (err)
        fuse_reply_err(req, err);
    else
        fuse_reply_write(req, written);
}

void OpWrite(fuse_req_t req, fuse_ino_t, const char* buf, size_t size, off_t off,
             fuse_file_info* fi) {
    CPathFs& fs = Fs(req);
    PATH_FILE* file = File(fi);
    const METER_GRANT grant = fs.Meter()->Request(FLOW_WRITE, size);
    if (grant.iError) {
        Reply(req, "write", grant.iError);
        return;
    }
    const std::uint64_t granted = grant.uBytes;
    if (granted == 0) {
        fuse_reply_write(req, 0);
        return;
    }
    // The data lies in the request buffer, which is only lent for this call.
    // The serving threads receive writes so that their data starts on a page
    // (CWorkBuffer), as O_DIRECT needs; copy it only when that did not hold
    // or when the write must wait.
    const bool bCopy = grant.delay.count() != 0 ||
                       (file->bDirect && reinterpret_cast<std::uintptr_t>(buf) % DIRECT_ALIGN);
    if (!bCopy) {
        FinishWrite(req, fs.Meter(), file, buf, granted, off);
        return;
    }
    if (grant.delay.count() == 0) {
        // Aligned for O_DIRECT: this thread's scratch buffer, used at once.
        char* copy = Scratch(granted);
        if (!copy) {
            fs.Meter()->Settle(FLOW_WRITE, granted, 0);
            Reply(req, "write", ENOMEM);
            return;
        }
        std::memcpy(copy, buf, granted);
        FinishWrite(req, fs.Meter(), file, copy, granted, off);
        return;
    }
    // A paced write outlives this call: it takes its data along.
    char* copy = static_cast<char*>(std::aligned_alloc(DIRECT_ALIGN, AlignUp(granted + 1)));
    if (!copy) {
        fs.Meter()->Settle(FLOW_WRITE, granted, 0);
        Reply(req, "write", ENOMEM);
        return;
    }
    std::memcpy(copy, buf, granted);
    HoldPaced(fs, req, FLOW_WRITE, granted);
    fs.Delays().Post(CDelayQueue::Clock::now() + grant.delay,
                     [req, pFs = &fs, file, copy, granted, off] {
                         if (pFs->TakePaced(req))
                             FinishWrite(req, pFs->Meter(), file, copy, granted, off);
                         std::free(copy);
                     });
}

// ------------------------------------------------------------ directories

void OpOpendir(fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi) {
    DIR* dp = nullptr;
    const int err = AsCaller(req, [&] {
        const int fd = openat(Fd(req, ino), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return errno;
        dp = fdopendir(fd);
        if (!dp) {
            const int e = errno;
            close(fd);
            return e;
        }
        return 0;
    });
    if (err) {
        Reply(req, "opendir", err);
        return;
    }
    fi->fh = reinterpret_cast<uint64_t>(Fs(req).NewDir(dp));
    if (fuse_reply_open(req, fi) != 0)
        Fs(req).DeleteDir(Dir(fi));
}

void OpReaddir(fuse_req_t req, fuse_ino_t, size_t size, off_t off, fuse_file_info* fi) {
    PATH_DIR* dir = Dir(fi);
    std::vector<char> buf(size);
    std::size_t used = 0;
    int err = 0;
    if (off != dir->offset) {
        seekdir(dir->dp, off);
        dir->entry = nullptr;
        dir->offset = off;
    }
    while (true) {
        if (!dir->entry) {
            errno = 0;
            dir->entry = readdir(dir->dp);
            if (!dir->entry) {
                err = errno;
                break;
            }
        }
        struct stat st {};
        st.st_ino = dir->entry->d_ino;
        st.st_mode = static_cast<mode_t>(dir->entry->d_type) << 12;
        const off_t next = dir->entry->d_off;
        const std::size_t len =
            fuse_add_direntry(req, buf.data() + used, size - used, dir->entry->d_name, &st, next);
        if (len > size - used)
            break;
        used += len;
        dir->entry = nullptr;
        dir->offset = next;
    }
    if (err && used == 0)
        Reply(req, "readdir", err);
    else
        fuse_reply_buf(req, buf.data(), used);
}

void OpReleasedir(fuse_req_t req, fuse_ino_t, fuse_file_info* fi) {
    Fs(req).DeleteDir(Dir(fi));
    fuse_reply_err(req, 0);
}

void OpFsyncdir(fuse_req_t req, fuse_ino_t, int datasync, fuse_file_info* fi) {
    const int fd = dirfd(Dir(fi)->dp);
    const int res = datasync ? fdatasync(fd) : fsync(fd);
    Reply(req, "fsyncdir", res == 0 ? 0 : errno);
}

// ------------------------------------------------------ extended attributes

// Extended attributes (ACLs, capabilities, user data) are reached through
// the descriptor's /proc path, as the caller. A symbolic link's own
// attributes cannot be reached that way (the path follows the link).
int XattrPath(fuse_req_t req, fuse_ino_t ino, std::string* path) {
    struct stat st;
    const int fd = Fd(req, ino);
    if (int err = Stat(fd, &st))
        return err;
    if (S_ISLNK(st.st_mode))
        return ENOTSUP;
    *path = ProcPath(fd);
    return 0;
}

// Answers a get or list: the size alone when size is 0, else the data.
void ReplyXattr(fuse_req_t req, const char* what, size_t size,
                const std::function<ssize_t(char*, size_t)>& fetch) {
    std::vector<char> buf(size);
    ssize_t n = 0;
    const int err = AsCaller(req, [&] {
        n = fetch(size ? buf.data() : nullptr, size);
        return n < 0 ? errno : 0;
    });
    if (err)
        Reply(req, what, err);
    else if (size == 0)
        fuse_reply_xattr(req, static_cast<size_t>(n));
    else
        fuse_reply_buf(req, buf.data(), static_cast<size_t>(n));
}

void OpGetxattr(fuse_req_t req, fuse_ino_t ino, const char* name, size_t size) {
    std::string path;
    if (int err = XattrPath(req, ino, &path)) {
        fuse_reply_err(req, err);
        return;
    }
    ReplyXattr(req, "getxattr", size,
               [&](char* buf, size_t len) { return getxattr(path.c_str(), name, buf, len); });
}

void OpListxattr(fuse_req_t req, fuse_ino_t ino, size_t size) {
    std::string path;
    if (int err = XattrPath(req, ino, &path)) {
        fuse_reply_err(req, err);
        return;
    }
    ReplyXattr(req, "listxattr", size,
               [&](char* buf, size_t len) { return listxattr(path.c_str(), buf, len); });
}

void OpSetxattr(fuse_req_t req, fuse_ino_t ino, const char* name, const char* value, size_t size,
                int flags) {
    std::string path;
    int err = XattrPath(req, ino, &path);
    if (!err)
        err = AsCaller(
            req, [&] { return setxattr(path.c_str(), name, value, size, flags) == 0 ? 0 : errno; });
    Reply(req, "setxattr", err);
}

void OpRemovexattr(fuse_req_t req, fuse_ino_t ino, const char* name) {
    std::string path;
    int err = XattrPath(req, ino, &path);
    if (!err)
        err = AsCaller(req, [&] { return removexattr(path.c_str(), name) == 0 ? 0 : errno; });
    Reply(req, "removexattr", err);
}

fuse_lowlevel_ops MakeOperations() {
    fuse_lowlevel_ops ops{};
    ops.init = OpInit;
    ops.lookup = OpLookup;
    ops.forget = OpForget;
    ops.forget_multi = OpForgetMulti;
    ops.getattr = OpGetattr;
    ops.setattr = OpSetattr;
    ops.readlink = OpReadlink;
    ops.mknod = OpMknod;
    ops.mkdir = OpMkdir;
    ops.symlink = OpSymlink;
    ops.link = OpLink;
    ops.unlink = OpUnlink;
    ops.rmdir = OpRmdir;
    ops.rename = OpRename;
    ops.access = OpAccess;
    ops.statfs = OpStatfs;
    ops.create = OpCreate;
    ops.open = OpOpen;
    ops.read = OpRead;
    ops.write = OpWrite;
    ops.flush = OpFlush;
    ops.release = OpRelease;
    ops.fsync = OpFsync;
    ops.fallocate = OpFallocate;
    ops.opendir = OpOpendir;
    ops.readdir = OpReaddir;
    ops.releasedir = OpReleasedir;
    ops.fsyncdir = OpFsyncdir;
    ops.getxattr = OpGetxattr;
    ops.listxattr = OpListxattr;
    ops.setxattr = OpSetxattr;
    ops.removexattr = OpRemovexattr;
    // No copy_file_range: the kernel then copies through read and write,
    // which the meter sees.
    return ops;
}

} // namespace

const fuse_lowlevel_ops& CPathFs::Operations() {
    static const fuse_lowlevel_ops g_Operations = MakeOperations();
    return g_Operations;
}

} // namespace quorbel
