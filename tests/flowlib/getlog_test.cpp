// Fetching statistics: what is offered to the device, how the reply
// becomes records and a count, and the caller's array on failure.
#include "tests/flowlib/VelquinHarness.h"

#include <cerrno>
#include <cstring>

using namespace velquintest;

namespace {

class GetLogTest : public VelquinTest {
protected:
    std::vector<std::uint8_t> Records(std::size_t n) {
        std::vector<FLOW_LOG> recs;
        for (std::size_t i = 0; i < n; ++i)
            recs.push_back(CFakeDriver::LogRecord(u"m" + std::u16string(1, u'0' + i % 10), 1000 + i,
                                                  2000 + i, 0x100000000LL + i, -1 - (int64_t)i));
        return CFakeDriver::LogOutput(recs);
    }
};

constexpr std::uint32_t GET_LOG = flow::IOCTL_FLOW_GET_LOG;

} // namespace

TEST_F(GetLogTest, TheCountIsTheRepliedBytesIn84ByteRecordsRemainderDropped) {
    InitOk();
    struct CASE {
        std::size_t nBytes;
        std::uint32_t uCount;
    };
    for (CASE c : {CASE{0, 0}, CASE{84, 1}, CASE{170, 2}, CASE{2688, 32}}) {
        SCOPED_TRACE(c.nBytes);
        auto bytes = Records(32);
        bytes.resize(c.nBytes);
        m_Driver.QueueAnswer(GET_LOG, FAKE_ANSWER::Ok(bytes));
        FLOW_LOG logs[32];
        std::memset(static_cast<void*>(logs), 0xAB, sizeof(logs));
        std::uint32_t uCount = 99;
        ASSERT_TRUE(Lib().GetLog(logs, 32, &uCount));
        EXPECT_EQ(uCount, c.uCount);
        for (std::uint32_t i = 0; i < 32; ++i) {
            if (i < c.uCount) {
                // Copies: the packed members cannot be bound to references.
                const std::uint32_t uRead = logs[i].uReadBytes, uWrite = logs[i].uWriteBytes;
                const std::int64_t llReads = logs[i].llAlreadyReads;
                const std::int64_t llWrites = logs[i].llAlreadyWrites;
                EXPECT_EQ(uRead, 1000 + i);
                EXPECT_EQ(uWrite, 2000 + i);
                EXPECT_EQ(llReads, 0x100000000LL + i);
                EXPECT_EQ(llWrites, -1 - (int64_t)i);
                EXPECT_EQ(std::u16string(logs[i].szTargetName),
                          u"m" + std::u16string(1, u'0' + i % 10));
            } else {
                // Whatever the device did not fill is zero, a cut record included.
                FLOW_LOG zero{};
                EXPECT_EQ(std::memcmp(&logs[i], &zero, sizeof(zero)), 0) << "record " << i;
            }
        }
    }
    // The program asks with 32 records: exactly 2688 bytes are offered, no input.
    for (const auto& r : m_Driver.Requests(GET_LOG)) {
        EXPECT_EQ(r.uOutputCapacity, 2688u);
        EXPECT_TRUE(r.input.empty());
    }
    EXPECT_TRUE(Trace().empty());
}

TEST_F(GetLogTest, AFailedRequestStillZeroesTheArrayAndWritesTheCount) {
    InitOk();
    FAKE_ANSWER answer = FAKE_ANSWER::Fail(ENOSPC);
    answer.output = Records(2);
    m_Driver.QueueAnswer(GET_LOG, answer);
    FLOW_LOG logs[4];
    std::memset(static_cast<void*>(logs), 0xAB, sizeof(logs));
    std::uint32_t uCount = 99;
    EXPECT_FALSE(Lib().GetLog(logs, 4, &uCount));
    EXPECT_EQ(uCount, 2u);
    const std::uint32_t uSecond = logs[1].uReadBytes, uFourth = logs[3].uReadBytes;
    EXPECT_EQ(uSecond, 1001u);
    EXPECT_EQ(uFourth, 0u);
    EXPECT_EQ(Trace(), std::vector<std::string>{"ERROR<28> get log fail ..."});
}

TEST_F(GetLogTest, ANameFillingItsFieldIsCutToStayTerminated) {
    InitOk();
    auto bytes = Records(1);
    for (std::size_t i = 0; i < 60; i += 2)
        bytes[i] = 'Z', bytes[i + 1] = 0; // 30 characters, no NUL
    m_Driver.QueueAnswer(GET_LOG, FAKE_ANSWER::Ok(bytes));
    FLOW_LOG logs[2];
    std::uint32_t uCount = 0;
    ASSERT_TRUE(Lib().GetLog(logs, 2, &uCount));
    ASSERT_EQ(uCount, 1u);
    EXPECT_EQ(logs[0].szTargetName[29], u'\0');
    EXPECT_EQ(std::u16string(logs[0].szTargetName), std::u16string(29, u'Z'));
    const std::uint32_t uRead = logs[0].uReadBytes;
    EXPECT_EQ(uRead, 1000u) << "the fields after the name are untouched";
}

TEST_F(GetLogTest, CapacityBoundsTheOffer) {
    InitOk();
    // No room: the request is still made, with nothing offered.
    std::uint32_t uCount = 5;
    EXPECT_TRUE(Lib().GetLog(nullptr, 0, &uCount));
    EXPECT_EQ(uCount, 0u);
    // A huge array is offered what one reply can carry.
    std::vector<FLOW_LOG> big(5000);
    EXPECT_TRUE(Lib().GetLog(big.data(), 5000, &uCount));
    auto sent = m_Driver.Requests(GET_LOG);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].uOutputCapacity, 0u);
    EXPECT_EQ(sent[1].uOutputCapacity, flow::MAX_OUTPUT_CAPACITY);
}

TEST_F(GetLogTest, MissingPointersAreRefusedWithoutARequest) {
    InitOk();
    FLOW_LOG logs[1];
    std::uint32_t uCount = 5;
    EXPECT_FALSE(Lib().GetLog(logs, 1, nullptr));
    EXPECT_FALSE(Lib().GetLog(nullptr, 1, &uCount));
    EXPECT_EQ(uCount, 0u);
    EXPECT_TRUE(m_Driver.Requests().empty());
    EXPECT_EQ(Trace(), std::vector<std::string>(2, "ERROR<22> get log fail ..."));
}
