// A small program whose storage I/O the process-mode tests limit: it writes
// or reads a file with direct I/O (so the page cache neither hides nor
// bunches the bytes) in 64 KiB blocks, over and over, until killed.
//   io_child write FILE SIZE_MIB
//   io_child read FILE SIZE_MIB      (the file must hold SIZE_MIB already)
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 4)
        return 2;
    const bool bWrite = std::strcmp(argv[1], "write") == 0;
    const off_t size = static_cast<off_t>(std::atoi(argv[3])) << 20;
    constexpr size_t kBlock = 64 * 1024;
    void* pBuf = nullptr;
    if (posix_memalign(&pBuf, 4096, kBlock) != 0)
        return 1;
    std::memset(pBuf, 'q', kBlock);
    int fd = open(argv[2], O_RDWR | O_CREAT | O_DIRECT, 0644);
    if (fd < 0)
        return 1;
    for (off_t off = 0;; off = (off + static_cast<off_t>(kBlock)) % size) {
        ssize_t n = bWrite ? pwrite(fd, pBuf, kBlock, off) : pread(fd, pBuf, kBlock, off);
        if (n < 0)
            return 1;
    }
}
