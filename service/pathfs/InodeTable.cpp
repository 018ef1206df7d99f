#include "service/pathfs/InodeTable.h"

#include <sys/stat.h>
#include <unistd.h>

namespace quorbel {

CInodeTable::CInodeTable(int iRootFd) {
    m_Root.fd = iRootFd;
    struct stat st {};
    if (fstat(iRootFd, &st) == 0) {
        m_Root.dev = st.st_dev;
        m_Root.ino = st.st_ino;
    }
    // The kernel never forgets the root.
    m_Root.uLookups = 2;
}

CInodeTable::~CInodeTable() {
    for (auto& [key, inode] : m_Inodes)
        close(inode->fd);
    close(m_Root.fd);
}

PATH_INODE& CInodeTable::Get(fuse_ino_t ino) {
    if (ino == FUSE_ROOT_ID)
        return m_Root;
    return *reinterpret_cast<PATH_INODE*>(ino);
}

fuse_ino_t CInodeTable::Remember(int fd, dev_t dev, ino_t ino) {
    // A hard link or a lookup of ".." inside the tree may lead back to the
    // root; the kernel must see the one inode number it already has.
    if (dev == m_Root.dev && ino == m_Root.ino) {
        close(fd);
        return FUSE_ROOT_ID;
    }
    std::lock_guard lock(m_Mutex);
    auto& slot = m_Inodes[{dev, ino}];
    if (slot) {
        close(fd);
    } else {
        slot = std::make_unique<PATH_INODE>();
        slot->fd = fd;
        slot->dev = dev;
        slot->ino = ino;
    }
    ++slot->uLookups;
    return reinterpret_cast<fuse_ino_t>(slot.get());
}

void CInodeTable::Forget(fuse_ino_t ino, std::uint64_t uCount) {
    if (ino == FUSE_ROOT_ID)
        return;
    std::lock_guard lock(m_Mutex);
    PATH_INODE& inode = Get(ino);
    inode.uLookups -= std::min(inode.uLookups, uCount);
    if (inode.uLookups == 0) {
        auto it = m_Inodes.find({inode.dev, inode.ino});
        if (it != m_Inodes.end()) {
            close(it->second->fd);
            m_Inodes.erase(it);
        }
    }
}

} // namespace quorbel
