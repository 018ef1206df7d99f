// The library's five exports against the real service: the same calls the
// program makes, end to end through the device.
#include "tests/service/ServiceHarness.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

using namespace svctest;

namespace {

struct LIBRARY {
    void* pModule = nullptr;
    LPFLOW_INIT pfnInit = nullptr;
    LPFLOW_UNINIT pfnUnInit = nullptr;
    LPFLOW_ADD_MISSION pfnAdd = nullptr;
    LPFLOW_REMOVE_MISSION pfnRemove = nullptr;
    LPGFLOW_GET_LOG pfnGetLog = nullptr;
};

// Loaded once per test program (each test runs in a process of its own).
bool LoadLibrary(LIBRARY& lib) {
    const std::string strPath = BinDir() + "/" + FLOW_LIBRARY_NAME;
    lib.pModule = dlopen(strPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (lib.pModule == nullptr)
        return false;
    lib.pfnInit = reinterpret_cast<LPFLOW_INIT>(dlsym(lib.pModule, FLOW_EXPORT_INIT));
    lib.pfnUnInit = reinterpret_cast<LPFLOW_UNINIT>(dlsym(lib.pModule, FLOW_EXPORT_UNINIT));
    lib.pfnAdd = reinterpret_cast<LPFLOW_ADD_MISSION>(dlsym(lib.pModule, FLOW_EXPORT_ADD_MISSION));
    lib.pfnRemove =
        reinterpret_cast<LPFLOW_REMOVE_MISSION>(dlsym(lib.pModule, FLOW_EXPORT_REMOVE_MISSION));
    lib.pfnGetLog = reinterpret_cast<LPGFLOW_GET_LOG>(dlsym(lib.pModule, FLOW_EXPORT_GET_LOG));
    return lib.pfnInit && lib.pfnUnInit && lib.pfnAdd && lib.pfnRemove && lib.pfnGetLog;
}

bool HaveLibrary() {
    return access((BinDir() + "/" + FLOW_LIBRARY_NAME).c_str(), R_OK) == 0;
}

} // namespace

TEST(LibraryExports, DriveTheRealService) {
    if (geteuid() != 0)
        GTEST_SKIP() << "the service needs root";
    if (!HaveLibrary())
        GTEST_SKIP() << FLOW_LIBRARY_NAME << " is not built";
    CTempDir dir;
    CServiceProcess service(dir.Path());
    ASSERT_TRUE(service.Start()) << service.Log();
    setenv("QUORBEL_DEVICE", service.Device().c_str(), 1);
    setenv("QUORBEL_SERVICE", (BinDir() + "/quorbeld").c_str(), 1);
    LIBRARY lib;
    ASSERT_TRUE(LoadLibrary(lib));

    ASSERT_TRUE(lib.pfnInit()) << service.Log();
    FLOW_MISSION proc;
    proc.strTargetName = u"qlib" + U16(std::to_string(getpid()));
    proc.uMode = FLOW_MODE_PROCESS;
    proc.llAlreadyReads = 123;
    proc.llAlreadyWrites = 456;
    ASSERT_TRUE(lib.pfnAdd(proc));

    // A path mission on a folder of the volumes the walk attached.
    const bool bFuse = access("/dev/fuse", R_OK | W_OK) == 0;
    const std::string strDir = dir.Path() + "/target";
    ASSERT_EQ(mkdir(strDir.c_str(), 0755), 0);
    FLOW_MISSION path;
    path.strTargetName = U16(strDir + "/");
    path.uMode = FLOW_MODE_PATH;
    if (bFuse) {
        ASSERT_TRUE(lib.pfnAdd(path)) << service.Log();
        EXPECT_TRUE(IsMountedAs(strDir, "fuse.quorbel"));
    }

    FLOW_LOG logs[32];
    std::uint32_t uCount = 99;
    ASSERT_TRUE(lib.pfnGetLog(logs, 32, &uCount));
    ASSERT_EQ(uCount, bFuse ? 2u : 1u);
    EXPECT_EQ(LogName(logs[0]), proc.strTargetName);
    EXPECT_EQ(Value(logs[0].llAlreadyReads), 123);
    EXPECT_EQ(Value(logs[0].llAlreadyWrites), 456);
    // One record of room: one record back.
    ASSERT_TRUE(lib.pfnGetLog(logs, 1, &uCount));
    EXPECT_EQ(uCount, 1u);

    EXPECT_TRUE(lib.pfnRemove(proc.strTargetName));
    EXPECT_FALSE(lib.pfnRemove(proc.strTargetName)); // no longer held

    // Uninitialising detaches every volume and drops every mission.
    ASSERT_TRUE(lib.pfnUnInit());
    EXPECT_FALSE(IsMountedAs(strDir, "fuse.quorbel"));
    ASSERT_TRUE(lib.pfnGetLog(logs, 32, &uCount));
    EXPECT_EQ(uCount, 0u);
    if (bFuse) {
        EXPECT_FALSE(lib.pfnAdd(path)) << "no volume is attached any more";
    }
    EXPECT_EQ(service.Stop(), 0);
}

TEST(LibraryExports, InitStartsTheServiceWhenItIsNotRunning) {
    if (geteuid() != 0)
        GTEST_SKIP() << "the service needs root";
    if (!HaveLibrary())
        GTEST_SKIP() << FLOW_LIBRARY_NAME << " is not built";
    CTempDir dir;
    const std::string strDevice = dir.Path() + "/run/device";
    setenv("QUORBEL_DEVICE", strDevice.c_str(), 1);
    setenv("QUORBEL_SERVICE", (BinDir() + "/quorbeld").c_str(), 1);
    setenv("QUORBEL_STATE_DIR", (dir.Path() + "/state").c_str(), 1); // passed on to the service
    LIBRARY lib;
    ASSERT_TRUE(LoadLibrary(lib));
    ASSERT_TRUE(lib.pfnInit());

    CDeviceClient client;
    ASSERT_TRUE(client.Connect(strDevice));
    ucred cred{};
    socklen_t len = sizeof(cred);
    ASSERT_EQ(getsockopt(client.Fd(), SOL_SOCKET, SO_PEERCRED, &cred, &len), 0);
    ASSERT_GT(cred.pid, 0);
    ASSERT_EQ(kill(cred.pid, SIGTERM), 0);
    EXPECT_TRUE(WaitFor([&] { return kill(cred.pid, 0) != 0; }, 5000));
}
