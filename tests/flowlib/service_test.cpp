// Finding, querying and starting the service before the device is opened.
// The service program is a stand-in that logs how it was started and
// brings its device up when and if the test says so.
#include "tests/flowlib/VelquinHarness.h"

#include <cerrno>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace velquintest;

namespace {

class ServiceTest : public VelquinTest {
protected:
    void SetUp() override {
        VelquinTest::SetUp();
        m_DevicePath = m_Dir.Path() / "device";
        m_LaunchLog = m_Dir.Path() / "launches.log";
        m_Env.Set("QUORBEL_DEVICE", m_DevicePath.string());
        m_Env.Set("QUORBEL_SERVICE", FAKE_QUORBELD_PATH);
        m_Env.Set("FAKE_QUORBELD_LOG", m_LaunchLog.string());
        m_Env.Unset("FAKE_QUORBELD_EXIT");
        m_Env.Unset("FAKE_QUORBELD_DELAY_MS");
        m_Env.Unset("FAKE_QUORBELD_NO_DEVICE");
    }
    std::vector<std::string> Launches() const {
        std::vector<std::string> lines;
        std::ifstream in(m_LaunchLog);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    std::vector<std::string> Errors() const {
        std::vector<std::string> out;
        for (const auto& line : Trace())
            if (line.rfind("ERROR", 0) == 0)
                out.push_back(line);
        return out;
    }

    fs::path m_DevicePath;
    fs::path m_LaunchLog;
};

} // namespace

TEST_F(ServiceTest, ARunningServiceIsNotStartedAgain) {
    m_Env.Set("QUORBEL_DEVICE", m_Driver.Path());
    ASSERT_TRUE(Lib().Init());
    EXPECT_TRUE(Launches().empty());
    EXPECT_GE(m_Driver.Requests().size(), 2u) << "clear-all and the attaches reached the device";
}

TEST_F(ServiceTest, AStoppedServiceIsStartedDetachedAndAwaitedUntilItsDeviceAnswers) {
    // The device comes up well after the program returned: opening it at
    // once would fail.
    m_Env.Set("FAKE_QUORBELD_DELAY_MS", "800");
    ASSERT_TRUE(Lib().Init()) << testing::PrintToString(Trace());
    EXPECT_EQ(Launches(), std::vector<std::string>{"--detach --device " + m_DevicePath.string()});
    EXPECT_TRUE(Traced("Attach all OK"));
}

TEST_F(ServiceTest, TheStartedProgramIsReapedNotLeftAsAZombie) {
    // The program returns only after its device answered: the library must
    // still wait for it.
    ASSERT_TRUE(Lib().Init());
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD) << "no child of this process is left";
}

TEST_F(ServiceTest, TheWaitForTheDeviceIsBounded) {
    m_Env.Set("FAKE_QUORBELD_NO_DEVICE", "1");
    m_Env.Set("VELQUIN_START_TIMEOUT_MS", "400");
    EXPECT_FALSE(Lib().Init());
    EXPECT_EQ(Launches().size(), 1u);
    EXPECT_EQ(Errors(), std::vector<std::string>{"ERROR<2> opening device..."});
}

TEST_F(ServiceTest, OpeningFailuresNameTheirStepAndErrno) {
    auto script = m_Dir.Path() / "not-a-program";
    std::ofstream(script) << "this is no executable format\n";
    fs::permissions(script, fs::perms::owner_all);
    struct CASE {
        const char* pszName;
        std::map<std::string, std::string> env;
        std::string strError;
    };
    const std::vector<CASE> cases = {
        {"device path too long for a socket",
         {{"QUORBEL_DEVICE", "/tmp/" + std::string(120, 'd')}},
         "ERROR<36> opening Service Manager..."},
        {"service not installed",
         {{"QUORBEL_SERVICE", (m_Dir.Path() / "missing").string()}},
         "ERROR<2> opening QZ Service..."},
        {"service program cannot run",
         {{"QUORBEL_SERVICE", script.string()}},
         "ERROR<8> starting QZ service..."},
        {"service exits with a failure",
         {{"FAKE_QUORBELD_EXIT", "3"}},
         "ERROR<5> starting QZ service..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        CScopedEnv env;
        for (const auto& [name, value] : c.env)
            env.Set(name, value);
        ClearTrace();
        EXPECT_FALSE(Lib().Init());
        EXPECT_EQ(Errors(), std::vector<std::string>{c.strError});
        EXPECT_FALSE(Traced("Init OK"));
    }
}

TEST_F(ServiceTest, TheProgramIsFoundBesideTheLibraryOrInTheInstallsSbin) {
    m_Env.Unset("QUORBEL_SERVICE");
    struct CASE {
        const char* pszLibDir;
        const char* pszServiceDir;
    };
    for (const CASE& c : {CASE{"beside/lib", "beside/lib"}, CASE{"prefix/lib", "prefix/sbin"}}) {
        SCOPED_TRACE(c.pszServiceDir);
        fs::create_directories(m_Dir.Path() / c.pszServiceDir);
        fs::copy_file(FAKE_QUORBELD_PATH, m_Dir.Path() / c.pszServiceDir / "quorbeld");
        CVelquin lib(m_Dir.Path() / c.pszLibDir);
        ASSERT_TRUE(lib.Loaded()) << lib.Error();
        auto device = m_Dir.Path() / (std::string(c.pszLibDir).substr(0, 6) + ".device");
        m_Env.Set("QUORBEL_DEVICE", device.string());
        EXPECT_TRUE(lib.Init()) << testing::PrintToString(Trace());
        ASSERT_FALSE(Launches().empty());
        EXPECT_EQ(Launches().back(), "--detach --device " + device.string());
    }
    EXPECT_EQ(Launches().size(), 2u);
}

TEST_F(ServiceTest, AnAnsweringDeviceCountsAsInstalledWithoutTheProgram) {
    // A system service manager may run the service from anywhere.
    m_Env.Set("QUORBEL_SERVICE", (m_Dir.Path() / "missing").string());
    m_Env.Set("QUORBEL_DEVICE", m_Driver.Path());
    EXPECT_TRUE(Lib().Init());
}
