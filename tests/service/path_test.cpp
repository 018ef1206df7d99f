// Path missions through the device: the real service mounts its
// pass-through over the folder and takes it away again on removal, on
// detach, at shutdown, and at the next start after a crash.
#include "tests/service/ServiceHarness.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

using namespace svctest;

namespace {

constexpr char kFsType[] = "fuse.quorbel";

// errno of writing a few bytes to a new file in strDir (0 = written).
int TryWrite(const std::string& strDir) {
    int fd = open((strDir + "/probe").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return errno;
    int err = write(fd, "data", 4) == 4 ? 0 : errno;
    close(fd);
    unlink((strDir + "/probe").c_str());
    return err;
}

class PathMissionTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0 || access("/dev/fuse", R_OK | W_OK) != 0)
            GTEST_SKIP() << "path missions need root and /dev/fuse";
        m_strTarget = m_Dir.Path() + "/target";
        ASSERT_EQ(mkdir(m_strTarget.c_str(), 0755), 0);
        m_pService = std::make_unique<CServiceProcess>(m_Dir.Path());
        ASSERT_TRUE(m_pService->Start()) << m_pService->Log();
        ASSERT_TRUE(m_Client.Connect(m_pService->Device()));
        m_strVolume = U16(VolumeOf(m_strTarget));
        ASSERT_EQ(m_Client.Attach(m_strVolume), 0);
    }
    void TearDown() override {
        if (m_pService && m_pService->Running()) {
            EXPECT_EQ(m_pService->Stop(), 0) << m_pService->Log();
        }
    }

    // Writing forbidden makes the mount's presence plain to see.
    int AddForbiddingWrites() {
        FLOW_MISSION m = Mission(U16(m_strTarget + "/"), FLOW_MODE_PATH);
        m.uLimitWriteSpeed = 0;
        return m_Client.Add(m);
    }

    CTempDir m_Dir;
    std::string m_strTarget;
    std::u16string m_strVolume;
    std::unique_ptr<CServiceProcess> m_pService;
    CDeviceClient m_Client;
};

} // namespace

TEST_F(PathMissionTest, MountsOverItsFolderAndGoesAwayOnRemoval) {
    ASSERT_EQ(TryWrite(m_strTarget), 0);
    ASSERT_EQ(AddForbiddingWrites(), 0);
    EXPECT_TRUE(IsMountedAs(m_strTarget, kFsType));
    EXPECT_EQ(TryWrite(m_strTarget), EACCES);
    auto logs = m_Client.GetLog();
    ASSERT_TRUE(logs && logs->size() == 1);

    // Replaced under the same name: the mount stays, the limits change.
    ASSERT_EQ(m_Client.Add(Mission(U16(m_strTarget + "/"), FLOW_MODE_PATH)), 0);
    EXPECT_TRUE(IsMountedAs(m_strTarget, kFsType));
    EXPECT_EQ(TryWrite(m_strTarget), 0);
    logs = m_Client.GetLog();
    ASSERT_TRUE(logs && logs->size() == 1);
    EXPECT_GT(Value(logs->at(0).llAlreadyWrites), 0);

    ASSERT_EQ(m_Client.Remove(U16(m_strTarget + "/")), 0);
    EXPECT_FALSE(IsMountedAs(m_strTarget, kFsType));
}

TEST_F(PathMissionTest, DetachingTheVolumeUnmountsAndAttachingMountsAgain) {
    ASSERT_EQ(AddForbiddingWrites(), 0);
    ASSERT_EQ(m_Client.Detach(m_strVolume), 0);
    EXPECT_FALSE(IsMountedAs(m_strTarget, kFsType));
    EXPECT_EQ(TryWrite(m_strTarget), 0);
    auto logs = m_Client.GetLog();
    EXPECT_TRUE(logs && logs->size() == 1) << "the mission stays while its volume is away";

    ASSERT_EQ(m_Client.Attach(m_strVolume), 0);
    EXPECT_TRUE(IsMountedAs(m_strTarget, kFsType));
    EXPECT_EQ(TryWrite(m_strTarget), EACCES);
}

TEST_F(PathMissionTest, ShutdownAndClearAllUnmount) {
    ASSERT_EQ(AddForbiddingWrites(), 0);
    ASSERT_EQ(m_Client.ClearAll(), 0);
    EXPECT_FALSE(IsMountedAs(m_strTarget, kFsType));
    ASSERT_EQ(AddForbiddingWrites(), 0);
    EXPECT_EQ(m_pService->Stop(), 0);
    EXPECT_FALSE(IsMountedAs(m_strTarget, kFsType));
}

TEST_F(PathMissionTest, StartAfterACrashLeavesNoStaleMount) {
    ASSERT_EQ(AddForbiddingWrites(), 0);
    m_pService->Kill();
    ASSERT_TRUE(IsMountedAs(m_strTarget, kFsType)) << "a crash leaves its mount behind";
    ASSERT_TRUE(m_pService->Start()) << m_pService->Log();
    EXPECT_FALSE(IsMountedAs(m_strTarget, kFsType));
    EXPECT_EQ(TryWrite(m_strTarget), 0);
}

TEST_F(PathMissionTest, StartAfterACrashFindsAMountNamedThroughALink) {
    // The mission names the folder through a symbolic link; the mount
    // table names the real folder, and recovery must find it there.
    const std::string strLink = m_Dir.Path() + "/link";
    ASSERT_EQ(symlink(m_strTarget.c_str(), strLink.c_str()), 0);
    FLOW_MISSION m = Mission(U16(strLink + "/"), FLOW_MODE_PATH);
    m.uLimitWriteSpeed = 0;
    ASSERT_EQ(m_Client.Add(m), 0);
    EXPECT_EQ(TryWrite(strLink), EACCES);
    m_pService->Kill();
    ASSERT_TRUE(IsMountedAs(m_strTarget, kFsType));
    ASSERT_TRUE(m_pService->Start()) << m_pService->Log();
    EXPECT_FALSE(IsMountedAs(m_strTarget, kFsType));
}

TEST_F(PathMissionTest, AMissionLeftOutOfAShortGetLogKeepsItsIntervalBytes) {
    ASSERT_EQ(m_Client.Add(Mission(u"qfirst", FLOW_MODE_PROCESS)), 0);
    ASSERT_EQ(m_Client.Add(Mission(U16(m_strTarget + "/"), FLOW_MODE_PATH)), 0);
    ASSERT_EQ(TryWrite(m_strTarget), 0); // 4 bytes through the mount

    auto logs = m_Client.GetLog(1); // room for the first mission only
    ASSERT_TRUE(logs && logs->size() == 1);
    EXPECT_EQ(LogName(logs->at(0)), u"qfirst");

    logs = m_Client.GetLog(2);
    ASSERT_TRUE(logs && logs->size() == 2);
    EXPECT_EQ(Value(logs->at(1).uWriteBytes), 4u);
    EXPECT_EQ(Value(logs->at(1).llAlreadyWrites), 4);
    logs = m_Client.GetLog(2);
    ASSERT_TRUE(logs && logs->size() == 2);
    EXPECT_EQ(Value(logs->at(1).uWriteBytes), 0u) << "reported once, then a new interval";
    EXPECT_EQ(Value(logs->at(1).llAlreadyWrites), 4);
}
