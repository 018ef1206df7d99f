// The layout of a serving thread's buffer: write data must land on a page,
// and the area lent to reads must never overlap the request being handled.
#include "service/pathfs/WorkBuffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

using namespace quorbel;

namespace {

constexpr std::size_t WRITE_HEADER = 80; // FUSE request header + write header
constexpr std::size_t MiB = 1u << 20;
// The bytes before the request, so that its write data starts on a page.
constexpr std::size_t LEAD = 4096 - WRITE_HEADER;

bool PageAligned(const void* p) {
    return reinterpret_cast<std::uintptr_t>(p) % 4096 == 0;
}

} // namespace

TEST(WorkBuffer, WriteDataLandsOnAPageAndTheLargestRequestFits) {
    CWorkBuffer buffer;
    ASSERT_TRUE(buffer.IsValid());
    EXPECT_TRUE(PageAligned(buffer.Request() + WRITE_HEADER));
    // What the session reads at once: 1 MiB of data and a page of headers.
    EXPECT_GE(buffer.Capacity(), MiB + 4096);
}

TEST(WorkBuffer, TheSpareAreaIsLentOnlyWhereNothingElseLies) {
    EXPECT_EQ(CWorkBuffer::Spare(4096), nullptr) << "a thread without a buffer has none to lend";
    CWorkBuffer buffer;
    ASSERT_TRUE(buffer.IsValid());
    CWorkBuffer::SetCurrent(&buffer);
    struct CASE {
        std::size_t received;
        std::size_t asked;
        bool lent;
    };
    const CASE cases[] = {
        {WRITE_HEADER, MiB, true}, // a read asking for the most it may
        {WRITE_HEADER, 1, true},
        {WRITE_HEADER, MiB + 1, false},    // more than the area holds
        {MiB + WRITE_HEADER, 4096, false}, // a large write fills the lower half and more
        {MiB - LEAD, 4096, true},          // ends where the area begins
        {MiB - LEAD + 1, 4096, false},     // reaches one byte into it
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(testing::Message() << "received " << c.received << ", asked " << c.asked);
        buffer.SetReceived(c.received);
        char* spare = CWorkBuffer::Spare(c.asked);
        if (!c.lent) {
            EXPECT_EQ(spare, nullptr);
            continue;
        }
        ASSERT_NE(spare, nullptr);
        EXPECT_TRUE(PageAligned(spare));
        EXPECT_GE(spare, buffer.Request() + c.received) << "overlaps the request";
        EXPECT_LE(spare + c.asked, buffer.Request() + buffer.Capacity()) << "runs past the buffer";
    }
    // Another thread has its own (here: none).
    std::thread([] { EXPECT_EQ(CWorkBuffer::Spare(4096), nullptr); }).join();
    CWorkBuffer::SetCurrent(nullptr);
    EXPECT_EQ(CWorkBuffer::Spare(4096), nullptr);
}
