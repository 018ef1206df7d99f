#include "service/pathfs/WorkBuffer.h"

#include <linux/fuse.h>
#include <sys/mman.h>

#include <cstdlib>

namespace quorbel {

namespace {

thread_local CWorkBuffer* t_pCurrent = nullptr;

} // namespace

CWorkBuffer::CWorkBuffer() {
    static_assert(sizeof(fuse_in_header) + sizeof(fuse_write_in) == WRITE_HEADER,
                  "the headers of a write decide where its data lands");
    m_pBase = static_cast<char*>(std::aligned_alloc(SIZE, SIZE));
    // Only a hint: without huge pages the buffer works the same, slower.
    if (m_pBase)
        madvise(m_pBase, SIZE, MADV_HUGEPAGE);
}

CWorkBuffer::~CWorkBuffer() {
    if (t_pCurrent == this)
        t_pCurrent = nullptr;
    std::free(m_pBase);
}

void CWorkBuffer::SetCurrent(CWorkBuffer* pBuffer) {
    t_pCurrent = pBuffer;
}

char* CWorkBuffer::Spare(std::size_t uBytes) {
    CWorkBuffer* self = t_pCurrent;
    if (!self || !self->m_pBase)
        return nullptr;
    constexpr std::size_t HALF = SIZE / 2;
    const std::size_t usedEnd = (PAGE - WRITE_HEADER) + self->m_uReceived;
    if (usedEnd > HALF || uBytes > HALF)
        return nullptr;
    return self->m_pBase + HALF;
}

} // namespace quorbel
