// The bytes of the add, remove and volume requests, captured at the device.
#include "tests/flowlib/VelquinHarness.h"

#include <cerrno>

using namespace velquintest;

namespace {

FLOW_MISSION SampleMission(std::u16string name) {
    FLOW_MISSION m;
    m.strTargetName = std::move(name);
    m.uMode = FLOW_MODE_PROCESS;
    m.uLimitReadSpeed = 0x11223344;
    m.uLimitWriteSpeed = 0x55667788;
    m.llLimitTotalReads = 0x0102030405060708LL;
    m.llLimitTotalWrites = FLOW_NO_TOTAL_LIMIT;
    m.llAlreadyReads = 0x1122334455667788LL;
    m.llAlreadyWrites = -2;
    m.llDriverParam = 500;
    return m;
}

class BuffersTest : public VelquinTest {};

} // namespace

TEST_F(BuffersTest, AddMissionPacksTheRecordAfterTheNameWithoutAlignment) {
    InitOk();
    FLOW_MISSION m = SampleMission(u"abc.exe");
    ASSERT_TRUE(Lib().AddMission(m));

    auto sent = m_Driver.Requests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].uCode, 0x88040u);
    EXPECT_EQ(sent[0].uOutputCapacity, 0u);
    const auto& b = sent[0].input;
    ASSERT_EQ(b.size(), 512u);
    EXPECT_EQ(U32At(b, 0), 16u);
    auto name = Utf16Bytes(u"abc.exe");
    EXPECT_TRUE(std::equal(name.begin(), name.end(), b.begin() + 4));
    EXPECT_TRUE(AllZero(b, 18, 20)) << "terminating NUL";
    EXPECT_EQ(U32At(b, 20), 1u);
    EXPECT_EQ(U32At(b, 24), 0x11223344u);
    EXPECT_EQ(U32At(b, 28), 0x55667788u);
    EXPECT_EQ(U64At(b, 32), 0x0102030405060708ull);
    EXPECT_EQ(U64At(b, 40), 0x0FFFFFFF00000000ull);
    EXPECT_EQ(U64At(b, 48), 0x1122334455667788ull);
    EXPECT_EQ(U64At(b, 56), 0xFFFFFFFFFFFFFFFEull);
    EXPECT_EQ(U64At(b, 64), 500u);
    EXPECT_TRUE(AllZero(b, 72, 512));
    EXPECT_TRUE(Traced("Add mission <abc.exe> OK"));
    // The caller's record is its own: the library worked on a copy.
    EXPECT_EQ(m.strTargetName, u"abc.exe");
}

TEST_F(BuffersTest, AddMissionWithAnEmptyNameStillSendsTheNulAndTheNumbersAtOffsetSix) {
    InitOk();
    ASSERT_TRUE(Lib().AddMission(SampleMission(u"")));
    auto sent = m_Driver.Requests(flow::IOCTL_FLOW_ADD_MISSION);
    ASSERT_EQ(sent.size(), 1u);
    const auto& b = sent[0].input;
    EXPECT_EQ(U32At(b, 0), 2u);
    EXPECT_TRUE(AllZero(b, 4, 6));
    EXPECT_EQ(U32At(b, 6), 1u);
    EXPECT_EQ(U64At(b, 50), 500u);
    EXPECT_TRUE(AllZero(b, 58, 512));
}

TEST_F(BuffersTest, AddMissionFillsTheBufferUpTo227CharactersAndRefusesLonger) {
    InitOk();
    // 227 characters: the record ends exactly at byte 512.
    std::u16string longest(227, u'x');
    ASSERT_TRUE(Lib().AddMission(SampleMission(longest)));
    auto sent = m_Driver.Requests(flow::IOCTL_FLOW_ADD_MISSION);
    ASSERT_EQ(sent.size(), 1u);
    const auto& b = sent[0].input;
    EXPECT_EQ(U32At(b, 0), 456u);
    EXPECT_EQ(U32At(b, 460), 1u);
    EXPECT_EQ(U64At(b, 504), 500u);

    // One more does not fit: refused before anything is sent.
    m_Driver.ClearRequests();
    ClearTrace();
    EXPECT_FALSE(Lib().AddMission(SampleMission(std::u16string(228, u'x'))));
    EXPECT_TRUE(m_Driver.Requests().empty());
    EXPECT_EQ(Trace(), std::vector<std::string>{"ERROR<36> start mission ..."});
}

TEST_F(BuffersTest, RemoveMissionSendsTheNameWithoutALengthField) {
    InitOk();
    std::u16string name = u"abc.exe";
    ASSERT_TRUE(Lib().RemoveMission(name));
    auto sent = m_Driver.Requests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].uCode, 0x88044u);
    const auto& b = sent[0].input;
    ASSERT_EQ(b.size(), 512u);
    auto bytes = Utf16Bytes(name);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), b.begin()));
    EXPECT_TRUE(AllZero(b, 14, 512));
    EXPECT_EQ(name, u"abc.exe");
    EXPECT_TRUE(Trace().empty()) << "no line on success";
}

TEST_F(BuffersTest, RemoveMissionTakes255CharactersAndRefusesLonger) {
    InitOk();
    ASSERT_TRUE(Lib().RemoveMission(std::u16string(255, u'y')));
    auto sent = m_Driver.Requests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].input[508], 'y');
    EXPECT_TRUE(AllZero(sent[0].input, 510, 512));

    m_Driver.ClearRequests();
    EXPECT_FALSE(Lib().RemoveMission(std::u16string(256, u'y')));
    EXPECT_TRUE(m_Driver.Requests().empty());
    EXPECT_EQ(Trace(), std::vector<std::string>{"ERROR<36> stop mission ..."});
}

TEST_F(BuffersTest, NamesOutsideAsciiTravelAsUtf16LittleEndian) {
    InitOk();
    std::u16string name = u"\u00e9t\u00e9\U0001F600.exe";
    ASSERT_TRUE(Lib().AddMission(SampleMission(name)));
    auto sent = m_Driver.Requests();
    ASSERT_EQ(sent.size(), 1u);
    auto decoded = CFakeDriver::Mission(sent[0]);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->strTargetName, name);
    EXPECT_EQ(sent[0].input[4], 0xE9);
    EXPECT_EQ(sent[0].input[5], 0x00);
    EXPECT_TRUE(Traced("Add mission <\xC3\xA9t\xC3\xA9\xF0\x9F\x98\x80.exe> OK"));
}
