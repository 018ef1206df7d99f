// The built program as a process: one instance per machine, and the same
// orderly shutdown for every way the system asks it to end.
#include "tests/gui/ProgramRun.h"
#include "tests/gui/WindowFixture.h"

#include "flowlib/DeviceProtocol.h"
#include "missions/MissionGroup.h"

#include <QFile>
#include <QThread>
#include <csignal>

namespace {

class Program : public CWindowTest {
protected:
    void SetUp() override {
        CWindowTest::SetUp();
        ASSERT_TRUE(m_Driver.IsListening()) << m_Driver.Error();
        ASSERT_TRUE(QFile::exists(CProgramRun::ProgramPath()));
    }

    // Waits until the program ticks, so its start-up is complete.
    bool WaitUntilRunning() {
        const std::size_t n = m_Driver.Requests(flow::IOCTL_FLOW_GET_LOG).size();
        for (int i = 0; i < 150; ++i) {
            if (m_Driver.Requests(flow::IOCTL_FLOW_GET_LOG).size() > n)
                return true;
            QThread::msleep(100);
        }
        return false;
    }

    CFakeDriver m_Driver;
    QTemporaryDir m_LockDir;
};

TEST_F(Program, ASecondInstanceIsRefusedAndTheFirstKeepsRunning) {
    CProgramRun first(m_Driver, m_Dir.path(), m_LockDir.path());
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(WaitUntilRunning()) << first.Output().toStdString();

    CProgramRun second(m_Driver, m_Dir.path(), m_LockDir.path());
    ASSERT_TRUE(second.Start());
    ASSERT_TRUE(second.WaitForExit(15000));
    EXPECT_NE(second.ExitCode(), 0);
    EXPECT_TRUE(second.Output().contains("Dravik is already started."))
        << second.Output().toStdString();

    EXPECT_EQ(first.Process().state(), QProcess::Running);
    EXPECT_TRUE(WaitUntilRunning()) << "the first instance still ticks";
    ASSERT_TRUE(first.Signal(SIGTERM));
    EXPECT_EQ(first.ExitCode(), 0);
}

TEST_F(Program, EverySignalOfTheSystemSavesEverythingAndWithdrawsTheMissions) {
    for (int nSignal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(nSignal);
        QFile::remove(WorkFile("Options.xml"));
        QFile::remove(WorkFile("Vrekta_ProcMode.vkm"));
        QFile::remove(WorkFile("Vrekta_PathMode.vkm"));
        QFile::remove(WorkFile("Vrekta_Recycler.vkm"));
        StoreMission(GROUP_NAME_PROC_MODE, QStringLiteral("rsync"), FLOW_MODE_PROCESS, true);
        m_Driver.ClearRequests();

        CProgramRun run(m_Driver, m_Dir.path(), m_LockDir.path());
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(WaitUntilRunning()) << run.Output().toStdString();
        // The files are gone while the program runs; the exit writes them.
        QFile::remove(WorkFile("Vrekta_ProcMode.vkm"));
        QFile::remove(WorkFile("Options.xml"));

        ASSERT_TRUE(run.Signal(nSignal)) << run.Output().toStdString();
        EXPECT_EQ(run.Process().exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(run.ExitCode(), 0);
        EXPECT_TRUE(QFile::exists(WorkFile("Options.xml")));
        EXPECT_TRUE(QFile::exists(WorkFile("Vrekta_PathMode.vkm")));
        EXPECT_TRUE(QFile::exists(WorkFile("Vrekta_Recycler.vkm")));
        const QString strFile = ReadWorkFile("Vrekta_ProcMode.vkm");
        EXPECT_TRUE(strFile.contains("<bMissionActive>1</bMissionActive>"))
            << strFile.toStdString();
        const auto removals = m_Driver.Requests(flow::IOCTL_FLOW_REMOVE_MISSION);
        ASSERT_EQ(removals.size(), 1u);
        EXPECT_EQ(CFakeDriver::RemovalName(removals[0]), std::u16string(u"rsync"));
    }
}

} // namespace
