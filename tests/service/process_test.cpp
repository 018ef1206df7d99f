// Process mode on real processes: a small writer and reader (direct I/O, so
// every byte reaches the disk) run under a unique executable name while the
// real service paces them, holds them and lets them go.
#include "service/proc/ProcFs.h"
#include "tests/service/ServiceHarness.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>

using namespace svctest;

namespace {

constexpr std::uint32_t kMiB = 1 << 20;

// The I/O program copied under a name of its own, so no other test's
// process (or anything else on the machine) matches the mission.
class CIoChild {
public:
    CIoChild(const std::string& strDir, const std::string& strName)
        : m_strExe(strDir + "/" + strName), m_strName(strName) {
        std::ifstream in(QUORBEL_IO_CHILD, std::ios::binary);
        std::ofstream out(m_strExe, std::ios::binary);
        out << in.rdbuf();
        out.close();
        chmod(m_strExe.c_str(), 0755);
    }
    ~CIoChild() { Kill(); }

    void Run(const std::string& strMode, const std::string& strFile, int iMiB) {
        m_Pid = fork();
        if (m_Pid == 0) {
            const std::string strSize = std::to_string(iMiB);
            execl(m_strExe.c_str(), m_strName.c_str(), strMode.c_str(), strFile.c_str(),
                  strSize.c_str(), nullptr);
            _exit(127);
        }
    }
    void Kill() {
        if (m_Pid > 0) {
            kill(m_Pid, SIGKILL);
            kill(m_Pid, SIGCONT);
            waitpid(m_Pid, nullptr, 0);
            m_Pid = -1;
        }
    }
    pid_t Pid() const { return m_Pid; }
    std::u16string Name() const { return U16(m_strName); }
    bool Stopped() const { return ProcessState(m_Pid) == 'T'; }
    quorbel::PROC_IO Io() const {
        quorbel::PROC_IO io;
        quorbel::CProcFs().ReadIo(m_Pid, io);
        return io;
    }

private:
    std::string m_strExe, m_strName;
    pid_t m_Pid = -1;
};

void MakeFile(const std::string& strPath, int iMiB) {
    int fd = open(strPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char> block(kMiB, 'r');
    for (int i = 0; i < iMiB; ++i)
        ASSERT_EQ(write(fd, block.data(), block.size()), static_cast<ssize_t>(block.size()));
    fsync(fd);
    close(fd);
}

class ProcessMissionTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0)
            GTEST_SKIP() << "the service needs root";
        m_pService = std::make_unique<CServiceProcess>(m_Dir.Path());
        ASSERT_TRUE(m_pService->Start()) << m_pService->Log();
        ASSERT_TRUE(m_Client.Connect(m_pService->Device()));
    }
    void TearDown() override {
        if (m_pService && m_pService->Running()) {
            EXPECT_EQ(m_pService->Stop(), 0) << m_pService->Log();
        }
    }

    std::string Unique(const char* pszRole) const {
        return std::string("qio") + pszRole + std::to_string(getpid());
    }

    // The mission's totals from the service.
    FLOW_LOG Log(const std::u16string& strName) {
        auto logs = m_Client.GetLog();
        if (logs) {
            if (const FLOW_LOG* p = FindLog(*logs, strName))
                return *p;
        }
        ADD_FAILURE() << "no record for the mission";
        return FLOW_LOG{};
    }

    // Bytes per second the mission counted in one direction over iMs.
    double Rate(const std::u16string& strName, bool bWrite, int iMs) {
        auto total = [&] {
            FLOW_LOG l = Log(strName);
            return bWrite ? l.llAlreadyWrites : l.llAlreadyReads;
        };
        const std::int64_t llStart = total();
        const auto t0 = std::chrono::steady_clock::now();
        SleepMs(iMs);
        const std::int64_t llEnd = total();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        return static_cast<double>(llEnd - llStart) / seconds;
    }

    CTempDir m_Dir;
    std::unique_ptr<CServiceProcess> m_pService;
    CDeviceClient m_Client;
};

} // namespace

TEST_F(ProcessMissionTest, WriterAndReaderArePacedToTheirSpeedLimits) {
    const std::string strData = m_Dir.Path() + "/data";
    MakeFile(strData, 32);
    CIoChild writer(m_Dir.Path(), Unique("w"));
    CIoChild reader(m_Dir.Path(), Unique("r"));
    writer.Run("write", m_Dir.Path() + "/out", 32);
    reader.Run("read", strData, 32);

    // Unlimited first: the disk must be well faster than the limit, or
    // pacing shows nothing.
    ASSERT_EQ(m_Client.Add(Mission(writer.Name(), FLOW_MODE_PROCESS)), 0);
    ASSERT_EQ(m_Client.Add(Mission(reader.Name(), FLOW_MODE_PROCESS)), 0);
    SleepMs(300);
    const double writeFree = Rate(writer.Name(), true, 700);
    const double readFree = Rate(reader.Name(), false, 700);
    if (writeFree < 32.0 * kMiB || readFree < 32.0 * kMiB)
        GTEST_SKIP() << "the disk is too slow to show pacing: " << writeFree / kMiB << " / "
                     << readFree / kMiB << " MiB/s";

    // The same names again: replaced with limits of 4 MiB/s.
    FLOW_MISSION w = Mission(writer.Name(), FLOW_MODE_PROCESS);
    w.uLimitWriteSpeed = 4 * kMiB;
    FLOW_MISSION r = Mission(reader.Name(), FLOW_MODE_PROCESS);
    r.uLimitReadSpeed = 4 * kMiB;
    ASSERT_EQ(m_Client.Add(w), 0);
    ASSERT_EQ(m_Client.Add(r), 0);
    SleepMs(1000); // the first burst passes
    // Pacing by stopping and continuing comes in steps, and a busy machine
    // makes them coarser: the bounds tell paced from free, the benchmark
    // measures accuracy.
    const double writePaced = Rate(writer.Name(), true, 4000);
    const double readPaced = Rate(reader.Name(), false, 4000);
    EXPECT_GT(writePaced, 2.0 * kMiB);
    EXPECT_LT(writePaced, 8.0 * kMiB);
    EXPECT_GT(readPaced, 2.0 * kMiB);
    EXPECT_LT(readPaced, 8.0 * kMiB);
    // Get-log's interval bytes are the bytes since the previous get-log.
    FLOW_LOG a = Log(writer.Name());
    SleepMs(1000);
    FLOW_LOG b = Log(writer.Name());
    EXPECT_EQ(static_cast<std::int64_t>(b.uWriteBytes), b.llAlreadyWrites - a.llAlreadyWrites);
}

TEST_F(ProcessMissionTest, UsedUpTotalHoldsTheProcessUntilTheMissionGoes) {
    CIoChild writer(m_Dir.Path(), Unique("w"));
    writer.Run("write", m_Dir.Path() + "/out", 16);
    FLOW_MISSION m = Mission(writer.Name(), FLOW_MODE_PROCESS);
    m.llLimitTotalWrites = 8 * kMiB;
    m.llAlreadyWrites = 2 * kMiB; // counted by an earlier run
    ASSERT_EQ(m_Client.Add(m), 0);

    ASSERT_TRUE(WaitFor([&] { return writer.Stopped(); }, 10000)) << "never held";
    // Bytes moved between the last look and the stop are counted at the next
    // look, which comes slower while the process is held.
    SleepMs(800);
    const FLOW_LOG held = Log(writer.Name());
    EXPECT_GE(Value(held.llAlreadyWrites), 8 * kMiB);
    EXPECT_LT(Value(held.llAlreadyWrites), 64 * kMiB) << "held far too late";
    // It stays held: nothing more moves.
    const auto ioHeld = writer.Io();
    SleepMs(500);
    EXPECT_TRUE(writer.Stopped());
    EXPECT_EQ(writer.Io().uWriteBytes, ioHeld.uWriteBytes);
    EXPECT_EQ(Value(Log(writer.Name()).llAlreadyWrites), Value(held.llAlreadyWrites));

    ASSERT_EQ(m_Client.Remove(writer.Name()), 0);
    EXPECT_FALSE(writer.Stopped()) << "continued by the removal itself";
    EXPECT_TRUE(WaitFor([&] { return writer.Io().uWriteBytes > ioHeld.uWriteBytes; }, 3000));
}

TEST_F(ProcessMissionTest, ForbiddenDirectionHoldsAtOnceAndClearAllContinues) {
    CIoChild writer(m_Dir.Path(), Unique("w"));
    writer.Run("write", m_Dir.Path() + "/out", 16);
    FLOW_MISSION m = Mission(writer.Name(), FLOW_MODE_PROCESS);
    m.uLimitWriteSpeed = 0;
    ASSERT_EQ(m_Client.Add(m), 0);
    EXPECT_TRUE(WaitFor([&] { return writer.Stopped(); }, 2000));
    ASSERT_EQ(m_Client.ClearAll(), 0);
    EXPECT_FALSE(writer.Stopped());
}

TEST_F(ProcessMissionTest, ProcessesAreFoundAsTheyStart) {
    CIoChild writer(m_Dir.Path(), Unique("w"));
    FLOW_MISSION m = Mission(writer.Name(), FLOW_MODE_PROCESS);
    m.llLimitTotalWrites = 0; // forbidden
    ASSERT_EQ(m_Client.Add(m), 0);
    writer.Run("write", m_Dir.Path() + "/out", 16);
    EXPECT_TRUE(WaitFor([&] { return writer.Stopped(); }, 3000));
}

// A process that starts under a mission is taken on as it starts, not at
// the next look through /proc: until then it would move data unmetered (on
// a fast disk hundreds of megabytes), and then be held for minutes to make
// up for it.
TEST_F(ProcessMissionTest, AProcessStartingUnderAMissionIsMeteredFromItsFirstBytes) {
    CIoChild writer(m_Dir.Path(), Unique("w"));
    FLOW_MISSION m = Mission(writer.Name(), FLOW_MODE_PROCESS);
    m.llLimitTotalWrites = 2 * kMiB;
    ASSERT_EQ(m_Client.Add(m), 0);
    writer.Run("write", m_Dir.Path() + "/out", 64);
    ASSERT_TRUE(WaitFor([&] { return writer.Stopped(); }, 5000)) << "never held";
    SleepMs(300);
    const std::uint64_t uWritten = writer.Io().uWriteBytes;
    EXPECT_GE(Value(Log(writer.Name()).llAlreadyWrites), 2 * kMiB);
    // A few looks' worth past the total, not the half second of free
    // writing a poll would allow.
    EXPECT_LT(uWritten, 24u * kMiB) << "taken on late";
}

TEST_F(ProcessMissionTest, ShutdownContinuesEveryHeldProcess) {
    CIoChild writer(m_Dir.Path(), Unique("w"));
    writer.Run("write", m_Dir.Path() + "/out", 16);
    FLOW_MISSION m = Mission(writer.Name(), FLOW_MODE_PROCESS);
    m.uLimitWriteSpeed = 0;
    ASSERT_EQ(m_Client.Add(m), 0);
    ASSERT_TRUE(WaitFor([&] { return writer.Stopped(); }, 2000));
    EXPECT_EQ(m_pService->Stop(), 0);
    EXPECT_FALSE(writer.Stopped());
}

TEST_F(ProcessMissionTest, StartAfterACrashContinuesWhatTheCrashedRunHeld) {
    CIoChild writer(m_Dir.Path(), Unique("w"));
    writer.Run("write", m_Dir.Path() + "/out", 16);
    FLOW_MISSION m = Mission(writer.Name(), FLOW_MODE_PROCESS);
    m.uLimitWriteSpeed = 0;
    ASSERT_EQ(m_Client.Add(m), 0);
    ASSERT_TRUE(WaitFor([&] { return writer.Stopped(); }, 2000));

    m_pService->Kill();
    SleepMs(100);
    ASSERT_TRUE(writer.Stopped()) << "a crash cannot continue anything itself";
    ASSERT_TRUE(m_pService->Start()) << m_pService->Log();
    EXPECT_FALSE(writer.Stopped()) << "continued before the device answered";
    EXPECT_TRUE(m_Client.Connect(m_pService->Device()));
    auto logs = m_Client.GetLog();
    ASSERT_TRUE(logs.has_value());
    EXPECT_TRUE(logs->empty()) << "a new run starts without missions";
}
