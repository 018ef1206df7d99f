// A mission's start and stop through the flow library, its statistics and
// its operation-log lines.
#include "tests/missions/MissionFixture.h"

#include <limits>
#include <memory>
#include <ostream>

namespace {

using MissionRecord = MissionFixture;

std::unique_ptr<CMission> Notepad() {
    auto pMission = std::make_unique<CMission>();
    pMission->strTargetName = QStringLiteral("notepad.exe");
    pMission->uMode = FLOW_MODE_PROCESS;
    return pMission;
}

TEST_F(MissionRecord, ConstructionValues) {
    CMission mission;
    EXPECT_EQ(mission.uMode, 0xFFFFFFFFu);
    EXPECT_EQ(mission.strTargetName, QStringLiteral("Unknown"));
    EXPECT_EQ(mission.uLimitReadSpeed, 0xFFFFFFFFu);
    EXPECT_EQ(mission.uLimitWriteSpeed, 0xFFFFFFFFu);
    EXPECT_EQ(mission.llLimitTotalReads, 0x0FFFFFFF00000000LL);
    EXPECT_EQ(mission.llLimitTotalWrites, 0x0FFFFFFF00000000LL);
    EXPECT_EQ(mission.llDriverParam, 500);
    EXPECT_FALSE(mission.bMissionActive);
    EXPECT_EQ(mission.tmStart, 0);
    // Enough for the chart at its widest.
    EXPECT_GE(mission.uMaxSamples, 600u);
}

TEST_F(MissionRecord, StartHandsEveryValueToTheLibrary) {
    auto pMission = Notepad();
    pMission->uLimitReadSpeed = 3u << 20;
    pMission->uLimitWriteSpeed = 0;
    pMission->llAlreadyReads = 52428800;
    pMission->llAlreadyWrites = 7;
    pMission->llLimitTotalReads = 1LL << 30;
    pMission->llLimitTotalWrites = 0;

    EXPECT_TRUE(pMission->Start());

    ASSERT_EQ(FLOW_SCRIPT::vecAdded.size(), 1u);
    const FLOW_MISSION& m = FLOW_SCRIPT::vecAdded[0];
    EXPECT_EQ(m.strTargetName, u"notepad.exe");
    EXPECT_EQ(m.uMode, FLOW_MODE_PROCESS);
    EXPECT_EQ(m.uLimitReadSpeed, 3u << 20);
    EXPECT_EQ(m.uLimitWriteSpeed, 0u);
    EXPECT_EQ(m.llLimitTotalReads, 1LL << 30);
    EXPECT_EQ(m.llLimitTotalWrites, 0);
    EXPECT_EQ(m.llAlreadyReads, 52428800);
    EXPECT_EQ(m.llAlreadyWrites, 7);
    EXPECT_EQ(m.llDriverParam, 500);
    EXPECT_TRUE(pMission->bMissionActive);
    EXPECT_EQ(pMission->tmStart, PinnedNow());
    EXPECT_EQ(m_OpLog.m_vecLines,
              std::vector<QString>{QStringLiteral("Start mission OK:<notepad.exe>")});
    EXPECT_TRUE(m_Log.Has(15, "[LOG] Target<notepad.exe> - <10-03-03 10:20:30   Start mission "
                              "OK:<notepad.exe>>"));
}

TEST_F(MissionRecord, RefusedStartLeavesTheMissionStopped) {
    auto pMission = Notepad();
    FLOW_SCRIPT::bAddDefault = FALSE;
    EXPECT_FALSE(pMission->Start());
    EXPECT_FALSE(pMission->bMissionActive);
    EXPECT_EQ(pMission->tmStart, 0);
    EXPECT_EQ(m_OpLog.m_vecLines,
              std::vector<QString>{QStringLiteral("Start mission FAIL:<notepad.exe>")});
    EXPECT_TRUE(m_Log.Has(8, "Start miss Failed:<notepad.exe> mode<1> RSpeed<-1> WSpeed<-1> "
                             "RAlready<0x0> WAlready<0x0> RTotal<0xfffffff00000000> "
                             "WTotal<0xfffffff00000000>"));
}

TEST_F(MissionRecord, StartAndStopCallTheLibraryOnlyOnAChange) {
    auto pMission = Notepad();
    EXPECT_TRUE(pMission->Stop()); // stopped already
    EXPECT_TRUE(FLOW_SCRIPT::vecRemoved.empty());
    ASSERT_TRUE(pMission->Start());
    EXPECT_TRUE(pMission->Start()); // running already
    EXPECT_EQ(FLOW_SCRIPT::vecAdded.size(), 1u);
    EXPECT_TRUE(pMission->Stop());
    EXPECT_FALSE(pMission->bMissionActive);
    EXPECT_EQ(FLOW_SCRIPT::RemovedNames(), std::vector<QString>{QStringLiteral("notepad.exe")});
    EXPECT_EQ(m_OpLog.m_vecLines.back(), QStringLiteral("Stop mission OK:<notepad.exe>"));
}

TEST_F(MissionRecord, RefusedStopKeepsItRunningAndTheNextStopTriesAgain) {
    auto pMission = Notepad();
    ASSERT_TRUE(pMission->Start());
    FLOW_SCRIPT::queRemoveAnswers = {FALSE};
    EXPECT_FALSE(pMission->Stop());
    EXPECT_TRUE(pMission->bMissionActive);
    EXPECT_EQ(m_OpLog.m_vecLines.back(), QStringLiteral("Stop mission Fail:<notepad.exe>"));
    EXPECT_TRUE(pMission->Stop());
    EXPECT_FALSE(pMission->bMissionActive);
    EXPECT_EQ(FLOW_SCRIPT::vecRemoved.size(), 2u);
}

TEST_F(MissionRecord, DestructionWithdrawsOnlyARunningMission) {
    Notepad().reset();
    EXPECT_TRUE(FLOW_SCRIPT::vecRemoved.empty());
    auto pMission = Notepad();
    pMission->Start();
    pMission.reset();
    EXPECT_EQ(FLOW_SCRIPT::RemovedNames(), std::vector<QString>{QStringLiteral("notepad.exe")});
}

TEST_F(MissionRecord, WithoutALibraryAStartIsRefused) {
    g_FlowApi = FLOW_API{};
    auto pMission = Notepad();
    EXPECT_FALSE(pMission->Start());
    EXPECT_FALSE(pMission->bMissionActive);
}

TEST_F(MissionRecord, TheStopLineCarriesTheStampInsideTheSecondBrackets) {
    auto pMission = Notepad();
    pMission->Start();
    pMission->Stop();
    EXPECT_TRUE(m_Log.Has(15, "[LOG] Target<notepad.exe> - <10-03-03 10:20:30   Stop mission "
                              "OK:<notepad.exe>>"));
    // The operation log gets the bare message; it stamps lines itself.
    EXPECT_EQ(m_OpLog.m_vecLines.back(), QStringLiteral("Stop mission OK:<notepad.exe>"));
}

struct SPEED_CASE {
    std::uint32_t uFreshTime;
    std::uint32_t uBytes;
    std::uint32_t uExpected;
};

void PrintTo(const SPEED_CASE& c, std::ostream* os) {
    *os << c.uBytes << " bytes in " << c.uFreshTime << " ms";
}

class MissionSpeed : public MissionFixture, public ::testing::WithParamInterface<SPEED_CASE> {};

TEST_P(MissionSpeed, BytesPerSecondOverTheExactPeriod) {
    const SPEED_CASE& c = GetParam();
    g_AppOptions.uFreshTime = c.uFreshTime;
    auto pMission = Notepad();
    pMission->Start();
    pMission->UpdateStatistics(c.uBytes, 0, 0, 0);
    EXPECT_EQ(pMission->uReadSpeed, c.uExpected);
}

INSTANTIATE_TEST_SUITE_P(Periods, MissionSpeed,
                         ::testing::Values(SPEED_CASE{1000, 3145728, 3145728},
                                           // 1500 bytes per second at 1.5 s: not 2250.
                                           SPEED_CASE{1500, 2250, 1500},
                                           // bytes x 1000 passes 32 bits here.
                                           SPEED_CASE{1500, 3145728, 2097152},
                                           SPEED_CASE{2500, 3145728, 1258291},
                                           SPEED_CASE{1000, 0xFFFFFFFFu, 0xFFFFFFFFu},
                                           SPEED_CASE{4294967295u, 0xFFFFFFFFu, 1000},
                                           // Below a second the period counts as one second: no
                                           // division by zero, no figure beyond the bytes moved.
                                           SPEED_CASE{500, 1000, 1000},
                                           SPEED_CASE{0, 0xFFFFFFFFu, 0xFFFFFFFFu}));

TEST_F(MissionRecord, StatisticsReplaceTheTotalsAndAddOneSamplePerTick) {
    auto pMission = Notepad();
    pMission->llAlreadyReads = 1000;
    pMission->Start();
    pMission->UpdateStatistics(10, 20, 500, 600); // smaller total replaces all the same
    pMission->UpdateStatistics(30, 40, 700, 800);
    EXPECT_EQ(pMission->llAlreadyReads, 700);
    EXPECT_EQ(pMission->llAlreadyWrites, 800);
    ASSERT_EQ(pMission->lstSpeed.size(), 2u);
    EXPECT_EQ(pMission->lstSpeed[0].uReadSpeed, 10u);
    EXPECT_EQ(pMission->lstSpeed[0].uWriteSpeed, 20u);
    EXPECT_EQ(pMission->lstSpeed[1].uReadSpeed, 30u);
}

TEST_F(MissionRecord, AStoppedMissionIgnoresStatistics) {
    auto pMission = Notepad();
    pMission->Start();
    pMission->UpdateStatistics(10, 20, 500, 600);
    pMission->Stop();
    pMission->UpdateStatistics(99, 99, 9, 9);
    EXPECT_EQ(pMission->uReadSpeed, 10u);
    EXPECT_EQ(pMission->uWriteSpeed, 20u);
    EXPECT_EQ(pMission->llAlreadyReads, 500);
    EXPECT_EQ(pMission->lstSpeed.size(), 1u);
}

TEST_F(MissionRecord, HistoryDropsTheOldestSampleOnceFull) {
    auto pMission = Notepad();
    pMission->Start();
    const std::uint32_t uMax = pMission->uMaxSamples;
    for (std::uint32_t i = 0; i < uMax + 5; ++i)
        pMission->UpdateStatistics(i, 0, 0, 0);
    ASSERT_EQ(pMission->lstSpeed.size(), uMax);
    EXPECT_EQ(pMission->lstSpeed.front().uReadSpeed, 5u);
    EXPECT_EQ(pMission->lstSpeed.back().uReadSpeed, uMax + 4);
}

} // namespace
