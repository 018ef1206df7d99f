// The memory one serving thread receives its requests into, laid out so
// that the data of a write lands on a page boundary, ready for an O_DIRECT
// write without a copy. It is one huge page where the system offers them:
// the kernel pins a request's pages one by one to copy into them, and
// O_DIRECT pins them again to reach the disk, both much cheaper on one huge
// page than on 512 small ones.
//
// While a small request (a read) is being handled, the upper half of the
// buffer is unused: the thread lends it to the read as the place to put the
// file's data before the reply.
#pragma once

#include <cstddef>

namespace quorbel {

class CWorkBuffer {
public:
    // Everything a request of the largest size the session accepts needs.
    static constexpr std::size_t SIZE = 2u << 20;

    CWorkBuffer();
    ~CWorkBuffer();

    CWorkBuffer(const CWorkBuffer&) = delete;
    CWorkBuffer& operator=(const CWorkBuffer&) = delete;

    // False when the memory could not be had.
    bool IsValid() const { return m_pBase != nullptr; }

    // Where a request is received: the header of a write ends on a page
    // boundary. Capacity() is at least what the session reads at once.
    char* Request() const { return m_pBase + PAGE - WRITE_HEADER; }
    std::size_t Capacity() const { return SIZE - (PAGE - WRITE_HEADER); }

    // Makes this the buffer of the calling thread (null: none) and records
    // how many bytes the request being handled takes up.
    static void SetCurrent(CWorkBuffer* pBuffer);
    void SetReceived(std::size_t uBytes) { m_uReceived = uBytes; }

    // A page-aligned area of uBytes that the calling thread may fill while
    // it handles the current request, or null when its thread serves no
    // request, or the request itself reaches into the area, or uBytes is
    // more than it has.
    static char* Spare(std::size_t uBytes);

private:
    static constexpr std::size_t PAGE = 4096;
    // The FUSE request header and the write's own header before its data.
    static constexpr std::size_t WRITE_HEADER = 80;

    char* m_pBase = nullptr;
    std::size_t m_uReceived = 0;
};

} // namespace quorbel
