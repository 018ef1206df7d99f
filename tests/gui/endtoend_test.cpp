// The program against the driver test double: stored running missions go to
// the driver at start with their limits and counters, the driver's figures
// reach the missions, and the exit withdraws them and keeps the files.
#include "tests/gui/ProgramRun.h"
#include "tests/gui/WindowFixture.h"

#include "flowlib/DeviceProtocol.h"
#include "missions/MissionGroup.h"

#include <QFile>
#include <QThread>
#include <csignal>

namespace {

class EndToEnd : public CWindowTest {
protected:
    CFakeDriver m_Driver;
    QTemporaryDir m_LockDir;
};

TEST_F(EndToEnd, StoredMissionsRunReportAndAreWithdrawnAtExit) {
    ASSERT_TRUE(m_Driver.IsListening()) << m_Driver.Error();
    auto* pRsync = new CMission;
    pRsync->strTargetName = QStringLiteral("rsync");
    pRsync->uMode = FLOW_MODE_PROCESS;
    pRsync->uLimitReadSpeed = 20 * 1048576;
    pRsync->uLimitWriteSpeed = 0;
    pRsync->llLimitTotalWrites = 5LL * 1073741824;
    pRsync->llAlreadyReads = 1234;
    pRsync->llAlreadyWrites = 99;
    StoreMission(GROUP_NAME_PROC_MODE, pRsync, true);
    StoreMission(GROUP_NAME_PROC_MODE, QStringLiteral("idle"), FLOW_MODE_PROCESS, false);
    const QString strPath = m_Dir.path() + QStringLiteral("/data/");
    StoreMission(GROUP_NAME_PATH_MODE, strPath, FLOW_MODE_PATH, true);

    // Every get-log reports 3 MiB read and 1 MiB written for rsync.
    std::int64_t llReads = 1234;
    m_Driver.SetHandler([&llReads](const FAKE_REQUEST& request) {
        if (request.uCode != flow::IOCTL_FLOW_GET_LOG)
            return FAKE_ANSWER::Ok();
        llReads += 3 * 1048576;
        return FAKE_ANSWER::Ok(CFakeDriver::LogOutput(
            {CFakeDriver::LogRecord(u"rsync", 3 * 1048576, 1048576, llReads, 4242)}));
    });

    CProgramRun run(m_Driver, m_Dir.path(), m_LockDir.path());
    ASSERT_TRUE(run.Start());
    for (int i = 0; i < 150 && m_Driver.Requests(flow::IOCTL_FLOW_GET_LOG).size() < 3; ++i)
        QThread::msleep(100);
    ASSERT_GE(m_Driver.Requests(flow::IOCTL_FLOW_GET_LOG).size(), 3u) << run.Output().toStdString();

    const auto adds = m_Driver.Requests(flow::IOCTL_FLOW_ADD_MISSION);
    ASSERT_EQ(adds.size(), 2u) << "the two running missions, not the stopped one";
    std::optional<FLOW_MISSION> rsync;
    std::optional<FLOW_MISSION> path;
    for (const FAKE_REQUEST& request : adds) {
        EXPECT_EQ(request.input.size(), flow::REQUEST_BUFFER_SIZE);
        auto mission = CFakeDriver::Mission(request);
        ASSERT_TRUE(mission.has_value());
        (mission->strTargetName == u"rsync" ? rsync : path) = mission;
    }
    ASSERT_TRUE(rsync && path);
    EXPECT_EQ(rsync->uMode, FLOW_MODE_PROCESS);
    EXPECT_EQ(rsync->uLimitReadSpeed, 20u * 1048576);
    EXPECT_EQ(rsync->uLimitWriteSpeed, 0u);
    EXPECT_EQ(rsync->llLimitTotalReads, FLOW_NO_TOTAL_LIMIT);
    EXPECT_EQ(rsync->llLimitTotalWrites, 5LL * 1073741824);
    EXPECT_EQ(rsync->llAlreadyReads, 1234);
    EXPECT_EQ(rsync->llAlreadyWrites, 99);
    EXPECT_EQ(path->strTargetName, strPath.toStdU16String());
    EXPECT_EQ(path->uMode, FLOW_MODE_PATH);

    ASSERT_TRUE(run.Signal(SIGTERM)) << run.Output().toStdString();
    EXPECT_EQ(run.ExitCode(), 0);

    // Withdrawn at exit, both of them.
    std::vector<std::u16string> removed;
    for (const FAKE_REQUEST& request : m_Driver.Requests(flow::IOCTL_FLOW_REMOVE_MISSION))
        removed.push_back(CFakeDriver::RemovalName(request).value_or(u""));
    EXPECT_EQ(removed.size(), 2u);
    EXPECT_NE(std::find(removed.begin(), removed.end(), u"rsync"), removed.end());
    EXPECT_NE(std::find(removed.begin(), removed.end(), strPath.toStdU16String()), removed.end());

    // The files keep the missions, running, with the driver's totals.
    const QString strProc = ReadWorkFile("Vrekta_ProcMode.vkm");
    EXPECT_TRUE(strProc.contains("idle"));
    EXPECT_TRUE(strProc.contains("<llAlreadyWrites>4242</llAlreadyWrites>"))
        << strProc.toStdString();
    EXPECT_FALSE(strProc.contains("<llAlreadyReads>1234</llAlreadyReads>"))
        << "the driver's totals replaced the stored ones";
    EXPECT_TRUE(ReadWorkFile("Vrekta_PathMode.vkm").contains(strPath));
}

} // namespace
