// The inodes the kernel knows of under one mount: each holds an O_PATH
// descriptor of the real file, found from the descriptor of the mission's
// directory opened before the mount, and the kernel's lookup count. The
// FUSE inode number is the entry's address, as the kernel hands it back on
// every request.
#pragma once

#include <fuse_lowlevel.h>
#include <sys/types.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace quorbel {

struct PATH_INODE {
    int fd = -1; // O_PATH, owned by the table
    dev_t dev = 0;
    ino_t ino = 0;
    std::uint64_t uLookups = 0;
};

class CInodeTable {
public:
    // Takes ownership of iRootFd (an O_PATH descriptor of the directory).
    explicit CInodeTable(int iRootFd);
    ~CInodeTable();

    CInodeTable(const CInodeTable&) = delete;
    CInodeTable& operator=(const CInodeTable&) = delete;

    // The inode of a FUSE inode number; the root for FUSE_ROOT_ID.
    PATH_INODE& Get(fuse_ino_t ino);
    int Fd(fuse_ino_t ino) { return Get(ino).fd; }

    // Records one more kernel reference to the file that fd (O_PATH, taken
    // over by the table or closed when the file is already known) with the
    // given identity refers to, and returns its FUSE inode number.
    fuse_ino_t Remember(int fd, dev_t dev, ino_t ino);

    // Drops uCount kernel references; the entry goes when none are left.
    void Forget(fuse_ino_t ino, std::uint64_t uCount);

private:
    std::mutex m_Mutex;
    PATH_INODE m_Root;
    std::map<std::pair<dev_t, ino_t>, std::unique_ptr<PATH_INODE>> m_Inodes;
};

} // namespace quorbel
