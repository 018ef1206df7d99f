#include "tests/gui/WindowFixture.h"

#include "app/core/Options.h"
#include "missions/MissionGroup.h"
#include "views/MissList.h"
#include "views/QosCurve.h"

#include <QTest>

namespace {

class RefreshCycle : public CWindowTest {
protected:
    std::vector<FLOW_LOG>& Records() { return m_pApi->State().logRecords; }
    QString Cell(int nRow, int nColumn) { return Window().MissList()->GetItemText(nRow, nColumn); }
};

TEST_F(RefreshCycle, RecordsReachTheirMissionsAndTheList) {
    CDravikDlg& w = Window();
    CMission* pRsync = AddMission(QStringLiteral("rsync"), FLOW_MODE_PROCESS);
    CMission* pIdle = AddMission(QStringLiteral("idle"), FLOW_MODE_PROCESS);
    pIdle->llAlreadyReads = 777;
    Records() = {CScriptedFlowApi::Record(QStringLiteral("unknown"), 1, 1, 1, 1),
                 CScriptedFlowApi::Record(QStringLiteral("rsync"), 2097152, 1048576, 1073741824,
                                          2147483648LL),
                 CScriptedFlowApi::Record(QStringLiteral("rsync"), 5, 5, 5, 5)};
    w.RefreshStatistics();

    EXPECT_EQ(pRsync->uReadSpeed, 2097152u) << "the first matching record wins";
    EXPECT_EQ(pRsync->uWriteSpeed, 1048576u);
    EXPECT_EQ(pRsync->llAlreadyReads, 1073741824);
    EXPECT_EQ(pRsync->llAlreadyWrites, 2147483648LL);
    ASSERT_EQ(pRsync->lstSpeed.size(), 1u);
    // A running mission without a record gets a zero sample, keeps its totals.
    EXPECT_EQ(pIdle->uReadSpeed, 0u);
    EXPECT_EQ(pIdle->llAlreadyReads, 777);
    EXPECT_EQ(pIdle->lstSpeed.size(), 1u);

    ASSERT_EQ(w.MissList()->GetItemCount(), 2);
    const int nRow = Cell(0, CMissList::COL_NAME) == "rsync" ? 0 : 1;
    EXPECT_EQ(Cell(nRow, CMissList::COL_READ_SPEED), QStringLiteral("2.00"));
    EXPECT_EQ(Cell(nRow, CMissList::COL_WRITE_SPEED), QStringLiteral("1.00"));
    EXPECT_EQ(Cell(nRow, CMissList::COL_TOTAL_READS), QStringLiteral("1.0000"));
    EXPECT_EQ(Cell(nRow, CMissList::COL_TOTAL_WRITES), QStringLiteral("2.0000"));
}

TEST_F(RefreshCycle, AFailedGetLogChangesNothing) {
    CDravikDlg& w = Window();
    CMission* pMission = AddMission(QStringLiteral("rsync"), FLOW_MODE_PROCESS);
    Records() = {CScriptedFlowApi::Record(QStringLiteral("rsync"), 3145728, 0, 10, 0)};
    w.RefreshStatistics();
    const int nRow = 0;
    ASSERT_EQ(Cell(nRow, CMissList::COL_READ_SPEED), QStringLiteral("3.00"));

    m_pApi->State().bGetLogFails = true;
    Records().clear();
    w.RefreshStatistics();
    EXPECT_EQ(pMission->uReadSpeed, 3145728u);
    EXPECT_EQ(pMission->lstSpeed.size(), 1u);
    EXPECT_EQ(Cell(nRow, CMissList::COL_READ_SPEED), QStringLiteral("3.00"));
}

TEST_F(RefreshCycle, LongPathNamesCutByTheRecordStillMatch) {
    CDravikDlg& w = Window();
    const QString strLong = QStringLiteral("/srv/exports/projects/2026/archive/");
    CMission* pLong = AddMission(strLong, FLOW_MODE_PATH);
    // Two missions share the record's 29 characters: neither gets it.
    CMission* pTwinA =
        AddMission(QStringLiteral("/home/someone/a-long-folder/x1/"), FLOW_MODE_PATH);
    CMission* pTwinB =
        AddMission(QStringLiteral("/home/someone/a-long-folder/x2/"), FLOW_MODE_PATH);
    Records() = {CScriptedFlowApi::Record(strLong, 1048576, 0, 42, 0),
                 CScriptedFlowApi::Record(pTwinA->strTargetName, 1048576, 0, 42, 0)};
    w.RefreshStatistics();
    EXPECT_EQ(pLong->uReadSpeed, 1048576u);
    EXPECT_EQ(pLong->llAlreadyReads, 42);
    EXPECT_EQ(pTwinA->uReadSpeed, 0u);
    EXPECT_EQ(pTwinB->uReadSpeed, 0u);
}

TEST_F(RefreshCycle, SpeedsUseTheExactPeriod) {
    g_AppOptions.uFreshTime = 1500;
    SaveOptions(g_AppOptions);
    CDravikDlg& w = Window();
    EXPECT_EQ(w.RefreshTimer().interval(), 1500);
    CMission* pMission = AddMission(QStringLiteral("dd"), FLOW_MODE_PROCESS);
    Records() = {CScriptedFlowApi::Record(QStringLiteral("dd"), 2250, 0, 0, 0)};
    w.RefreshStatistics();
    EXPECT_EQ(pMission->uReadSpeed, 1500u);
}

TEST_F(RefreshCycle, StoppedMissionsAndTheRecyclerIgnoreTicks) {
    CDravikDlg& w = Window();
    CMission* pMission = AddMission(QStringLiteral("cp"), FLOW_MODE_PROCESS);
    SetMissionRunning(pMission, FALSE);
    Records() = {CScriptedFlowApi::Record(QStringLiteral("cp"), 1000, 1000, 9, 9)};
    w.RefreshStatistics();
    EXPECT_TRUE(pMission->lstSpeed.empty());
    EXPECT_EQ(pMission->llAlreadyReads, 0);
}

TEST_F(RefreshCycle, TheTimerDrivesTicksAndTheChartFollowsItsMission) {
    CDravikDlg& w = Window();
    CMission* pMission = AddMission(QStringLiteral("tar"), FLOW_MODE_PROCESS);
    w.SetChartMission(pMission);
    Records() = {CScriptedFlowApi::Record(QStringLiteral("tar"), 26214400, 0, 0, 0)};
    const int nCalls = m_pApi->State().nGetLogCalls;
    QTRY_VERIFY_WITH_TIMEOUT(m_pApi->State().nGetLogCalls >= nCalls + 2, 5000);
    EXPECT_GE(pMission->lstSpeed.size(), 2u);
    EXPECT_EQ(w.GetChartMission(), pMission);
    EXPECT_EQ(w.MissList()->GetItemText(0, CMissList::COL_READ_SPEED), QStringLiteral("25.00"));
}

TEST_F(RefreshCycle, NewMissionsAppearAsNewLastRowsOfASortedList) {
    CDravikDlg& w = Window();
    AddMission(QStringLiteral("b"), FLOW_MODE_PROCESS);
    AddMission(QStringLiteral("a"), FLOW_MODE_PROCESS);
    w.RefreshStatistics();
    w.MissList()->OnColumnClick(CMissList::COL_NAME);
    ASSERT_EQ(Cell(0, CMissList::COL_NAME), QStringLiteral("a"));
    AddMission(QStringLiteral("0"), FLOW_MODE_PROCESS);
    w.RefreshStatistics();
    w.RefreshStatistics();
    ASSERT_EQ(w.MissList()->GetItemCount(), 3);
    EXPECT_EQ(Cell(0, CMissList::COL_NAME), QStringLiteral("a"));
    EXPECT_EQ(Cell(1, CMissList::COL_NAME), QStringLiteral("b"));
    EXPECT_EQ(Cell(2, CMissList::COL_NAME), QStringLiteral("0"));
}

} // namespace
