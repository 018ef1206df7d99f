// The control device of the real service: what each request does, how every
// malformed request is refused without changing anything, who is served,
// and how the service starts and stops.
#include "tests/service/ServiceHarness.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

using namespace svctest;

namespace {

using Buffer = std::vector<std::uint8_t>;

FLOW_MISSION Counted(const std::u16string& strName, std::int64_t llReads, std::int64_t llWrites) {
    FLOW_MISSION m = Mission(strName, FLOW_MODE_PROCESS);
    m.llAlreadyReads = llReads;
    m.llAlreadyWrites = llWrites;
    return m;
}

class DeviceTest : public ::testing::Test {
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

    std::vector<FLOW_LOG> Logs() {
        auto logs = m_Client.GetLog(64);
        EXPECT_TRUE(logs.has_value());
        return logs.value_or(std::vector<FLOW_LOG>{});
    }

    CTempDir m_Dir;
    std::unique_ptr<CServiceProcess> m_pService;
    CDeviceClient m_Client;
};

struct BAD_REQUEST {
    const char* pszWhat;
    std::function<Buffer()> message; // the whole message as sent
};

Buffer Frame(std::uint32_t uCode, const Buffer& input, std::uint32_t uCapacity = 0) {
    flow::RequestHeader h{uCode, static_cast<std::uint32_t>(input.size()), uCapacity};
    return flow::EncodeRequest(h, input.data(), input.size());
}

} // namespace

TEST_F(DeviceTest, MalformedRequestsAreRefusedAndChangeNothing) {
    ASSERT_EQ(m_Client.Add(Counted(u"keep", 5, 7)), 0);
    ASSERT_EQ(m_Client.Attach(u"network"), 0);

    const Buffer add = MissionBuffer(Counted(u"new", 1, 1)); // N = 8, numbers at 12
    const Buffer remove = NameBuffer(u"keep");
    const BAD_REQUEST cases[] = {
        {"add, short input",
         [&] { return Frame(flow::IOCTL_FLOW_ADD_MISSION, Buffer(add.begin(), add.end() - 1)); }},
        {"add, long input",
         [&] {
             Buffer b = add;
             b.push_back(0);
             return Frame(flow::IOCTL_FLOW_ADD_MISSION, b);
         }},
        {"add, length past the buffer",
         [&] {
             Buffer b = add;
             flow::PutU32(b.data(), 1000);
             return Frame(flow::IOCTL_FLOW_ADD_MISSION, b);
         }},
        {"add, no NUL at the end of the name",
         [&] {
             Buffer b = add;
             flow::PutU32(b.data(), 6);
             return Frame(flow::IOCTL_FLOW_ADD_MISSION, b);
         }},
        {"add, bad mode",
         [&] {
             Buffer b = add;
             flow::PutU32(b.data() + 12, 7);
             return Frame(flow::IOCTL_FLOW_ADD_MISSION, b);
         }},
        {"add, empty name",
         [&] { return Frame(flow::IOCTL_FLOW_ADD_MISSION, MissionBuffer(Mission(u"", 1))); }},
        {"add, name replaced by another",
         [&] {
             Buffer b = MissionBuffer(Counted(u"keep", 0, 0));
             flow::PutU32(b.data() + 4 + 10, 9);
             return Frame(flow::IOCTL_FLOW_ADD_MISSION, b);
         }},
        {"remove, name past the buffer",
         [&] { return Frame(flow::IOCTL_FLOW_REMOVE_MISSION, Buffer(512, 'k')); }},
        {"remove, garbage after the name",
         [&] {
             Buffer b = remove;
             b[300] = 1;
             return Frame(flow::IOCTL_FLOW_REMOVE_MISSION, b);
         }},
        {"remove, short input",
         [&] {
             return Frame(flow::IOCTL_FLOW_REMOVE_MISSION,
                          Buffer(remove.begin(), remove.begin() + 10));
         }},
        {"detach, odd length",
         [&] {
             Buffer b = VolumeBuffer(u"network");
             flow::PutU32(b.data(), 13);
             return Frame(flow::IOCTL_FLOW_DETACH_VOLUME, b);
         }},
        {"detach, no input", [&] { return Frame(flow::IOCTL_FLOW_DETACH_VOLUME, {}); }},
        {"clear-all with input", [&] { return Frame(flow::IOCTL_FLOW_CLEAR_ALL, Buffer(4, 0)); }},
        {"get-log with input", [&] { return Frame(flow::IOCTL_FLOW_GET_LOG, Buffer(512, 0), 84); }},
        {"unknown code", [&] { return Frame(0x88050, {}); }},
        {"frame shorter than its header",
         [&] {
             return Buffer{0x48, 0x80, 0x08};
         }},
        {"input length disagrees with the message",
         [&] {
             Buffer b = Frame(flow::IOCTL_FLOW_CLEAR_ALL, {});
             flow::PutU32(b.data() + 4, 8);
             b.resize(16);
             return b;
         }},
        {"oversized message", [&] { return Frame(flow::IOCTL_FLOW_ADD_MISSION, Buffer(8000, 0)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        DEVICE_ANSWER a = m_Client.Raw(c.message(), 84);
        ASSERT_TRUE(a.bReplied);
        EXPECT_EQ(a.uSuccess, 0u);
        EXPECT_EQ(a.uError, static_cast<std::uint32_t>(EINVAL));
        EXPECT_TRUE(a.output.empty());
    }
    // The one mission is untouched: still there, still counting from 5 and 7.
    auto logs = Logs();
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(LogName(logs[0]), u"keep");
    EXPECT_EQ(Value(logs[0].llAlreadyReads), 5);
    EXPECT_EQ(Value(logs[0].llAlreadyWrites), 7);
    // The network volume is still attached: detaching it works once.
    EXPECT_EQ(m_Client.Detach(u"network"), 0);
}

TEST_F(DeviceTest, MissionsAreAddedReplacedRemovedAndCleared) {
    ASSERT_EQ(m_Client.Add(Counted(u"first", 100, 200)), 0);
    ASSERT_EQ(m_Client.Add(Counted(u"second", 0, 0)), 0);
    // Same name again: replaced, counting from the new request's counters.
    ASSERT_EQ(m_Client.Add(Counted(u"first", 1000, 2000)), 0);
    auto logs = Logs();
    ASSERT_EQ(logs.size(), 2u);
    const FLOW_LOG* pFirst = FindLog(logs, u"first");
    ASSERT_NE(pFirst, nullptr);
    EXPECT_EQ(Value(pFirst->llAlreadyReads), 1000);
    EXPECT_EQ(Value(pFirst->llAlreadyWrites), 2000);
    EXPECT_EQ(Value(pFirst->uReadBytes), 0u);
    EXPECT_EQ(Value(pFirst->uWriteBytes), 0u);

    EXPECT_EQ(m_Client.Remove(u"second"), 0);
    EXPECT_EQ(m_Client.Remove(u"second"), ENOENT);
    EXPECT_EQ(m_Client.Remove(u"First"), ENOENT); // names compare exactly
    EXPECT_EQ(Logs().size(), 1u);

    // Names no process can have.
    EXPECT_EQ(m_Client.Add(Mission(u"bin/dd", FLOW_MODE_PROCESS)), EINVAL);
    EXPECT_EQ(m_Client.Add(Mission(u"..", FLOW_MODE_PROCESS)), EINVAL);

    ASSERT_EQ(m_Client.Add(Counted(u"third", 0, 0)), 0);
    EXPECT_EQ(m_Client.ClearAll(), 0);
    EXPECT_TRUE(Logs().empty());
}

TEST_F(DeviceTest, GetLogFillsWholeRecordsUpToTheCapacity) {
    const std::u16string strLong = u"a-process-name-longer-than-twenty-nine";
    ASSERT_EQ(m_Client.Add(Counted(strLong, 3, 4)), 0);
    ASSERT_EQ(m_Client.Add(Counted(u"b", 0, 0)), 0);
    ASSERT_EQ(m_Client.Add(Counted(u"c", 0, 0)), 0);

    // The record keeps the first 29 units and its NUL inside the field.
    DEVICE_ANSWER a = m_Client.Request(flow::IOCTL_FLOW_GET_LOG, {}, 3 * 84);
    ASSERT_TRUE(a.bReplied && a.uSuccess);
    ASSERT_EQ(a.output.size(), 3u * 84u);
    FLOW_LOG first;
    std::memcpy(&first, a.output.data(), 84);
    EXPECT_EQ(LogName(first), strLong.substr(0, 29));
    EXPECT_EQ(first.szTargetName[29], 0);
    EXPECT_EQ(Value(first.llAlreadyReads), 3);
    EXPECT_EQ(Value(first.llAlreadyWrites), 4);

    const struct {
        std::uint32_t uCapacity;
        std::size_t uBytes;
    } cases[] = {{0, 0}, {83, 0}, {84, 84}, {100, 84}, {2 * 84, 168}, {1000 * 84, 252}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.uCapacity);
        a = m_Client.Request(flow::IOCTL_FLOW_GET_LOG, {}, c.uCapacity);
        ASSERT_TRUE(a.bReplied);
        EXPECT_EQ(a.uSuccess, 1u);
        EXPECT_EQ(a.output.size(), c.uBytes);
    }
}

TEST_F(DeviceTest, PathMissionsNeedTheirFolderOnAnAttachedVolume) {
    const std::string strDir = m_Dir.Path() + "/target";
    ASSERT_EQ(mkdir(strDir.c_str(), 0755), 0);
    std::ofstream(m_Dir.Path() + "/file") << "x";
    const std::u16string strVolume = U16(VolumeOf(strDir));

    EXPECT_EQ(m_Client.Add(Mission(U16(strDir + "/"), FLOW_MODE_PATH)), ENXIO);
    EXPECT_EQ(m_Client.Attach(strVolume), 0);
    EXPECT_EQ(m_Client.Attach(strVolume), 0); // twice is harmless
    const struct {
        std::string strName;
        int iError;
    } cases[] = {
        {m_Dir.Path() + "/missing/", ENOENT},
        {m_Dir.Path() + "/file/", ENOTDIR},
        {"relative/dir/", EINVAL},
        {"/", EINVAL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.strName);
        EXPECT_EQ(m_Client.Add(Mission(U16(c.strName), FLOW_MODE_PATH)), c.iError);
    }
    EXPECT_TRUE(Logs().empty());

    EXPECT_EQ(m_Client.Detach(strVolume), 0);
    EXPECT_EQ(m_Client.Detach(strVolume), 0); // not attached: harmless too
    EXPECT_EQ(m_Client.Add(Mission(U16(strDir + "/"), FLOW_MODE_PATH)), ENXIO);
    EXPECT_EQ(m_Client.Attach(u"relative"), EINVAL);
}

namespace {

// Connects from a child running as uid 65534 (and gid gid) and sends a
// get-log; returns the reply's errno (0 = served), or -1.
int RequestAsNobody(const std::string& strDevice, gid_t gid) {
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        int iResult = -1;
        if (setgroups(0, nullptr) == 0 && setgid(gid) == 0 && setuid(65534) == 0) {
            CDeviceClient client;
            if (client.Connect(strDevice)) {
                DEVICE_ANSWER a = client.Request(flow::IOCTL_FLOW_GET_LOG, {}, 84);
                if (a.bReplied)
                    iResult = a.uSuccess ? 0 : static_cast<int>(a.uError);
            }
        }
        (void)!write(fds[1], &iResult, sizeof(iResult));
        _exit(0);
    }
    close(fds[1]);
    int iResult = -1;
    if (read(fds[0], &iResult, sizeof(iResult)) != sizeof(iResult))
        iResult = -1;
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return iResult;
}

} // namespace

TEST_F(DeviceTest, UnprivilegedPeersAreRefusedWithEacces) {
    ASSERT_EQ(m_Client.Add(Counted(u"kept", 0, 0)), 0);
    EXPECT_EQ(RequestAsNobody(m_pService->Device(), 65534), EACCES);
    // Root is served as before.
    EXPECT_EQ(Logs().size(), 1u);
}

TEST(DeviceGroup, MembersOfTheNamedGroupAreServed) {
    if (geteuid() != 0)
        GTEST_SKIP() << "the service needs root";
    group* g = getgrnam("nogroup");
    if (g == nullptr)
        GTEST_SKIP() << "no group named nogroup";
    CTempDir dir;
    CServiceProcess service(dir.Path());
    ASSERT_TRUE(service.Start({"--group", "nogroup"})) << service.Log();
    EXPECT_EQ(RequestAsNobody(service.Device(), g->gr_gid), 0);
    // Another group is still refused.
    EXPECT_EQ(RequestAsNobody(service.Device(), g->gr_gid == 1 ? 2 : 1), EACCES);
    EXPECT_EQ(service.Stop(), 0);
}

TEST_F(DeviceTest, SilentAndVanishedClientsDoNotStallOthers) {
    CDeviceClient idle; // connects and never says a word
    ASSERT_TRUE(idle.Connect(m_pService->Device()));
    {
        // Asks, then leaves without its answer.
        CDeviceClient gone;
        ASSERT_TRUE(gone.Connect(m_pService->Device()));
        Buffer msg = Frame(flow::IOCTL_FLOW_GET_LOG, {}, 84);
        ASSERT_GT(send(gone.Fd(), msg.data(), msg.size(), 0), 0);
    }
    // Asks again and again and never reads a reply.
    CDeviceClient deaf;
    ASSERT_TRUE(deaf.Connect(m_pService->Device()));
    ASSERT_EQ(m_Client.Add(Counted(u"x", 0, 0)), 0);
    Buffer msg = Frame(flow::IOCTL_FLOW_GET_LOG, {}, 84);
    for (int i = 0; i < 5000; ++i) {
        if (send(deaf.Fd(), msg.data(), msg.size(), MSG_DONTWAIT | MSG_NOSIGNAL) < 0)
            break;
    }
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(Logs().size(), 1u);
}

TEST(DeviceLife, OneServicePerDeviceAndACleanStop) {
    if (geteuid() != 0)
        GTEST_SKIP() << "the service needs root";
    CTempDir dir;
    CServiceProcess first(dir.Path());
    ASSERT_TRUE(first.Start()) << first.Log();
    // A second service on the same device and state folder gives up.
    CServiceProcess second(dir.Path());
    EXPECT_FALSE(second.Start());
    CDeviceClient client;
    ASSERT_TRUE(client.Connect(first.Device()));
    EXPECT_TRUE(client.GetLog().has_value());

    EXPECT_EQ(first.Stop(), 0);
    struct stat st;
    EXPECT_NE(lstat(first.Device().c_str(), &st), 0) << "the device is removed at exit";
    // A socket left by a crash is taken over by the next start.
    ASSERT_TRUE(first.Start());
    first.Kill();
    ASSERT_EQ(lstat(first.Device().c_str(), &st), 0);
    ASSERT_TRUE(first.Start()) << first.Log();
    EXPECT_EQ(first.Stop(), 0);
}

TEST(DeviceLife, DetachReturnsOnceTheDeviceAnswers) {
    if (geteuid() != 0)
        GTEST_SKIP() << "the service needs root";
    CTempDir dir;
    const std::string strDevice = dir.Path() + "/sub/folder/device"; // folders made on demand
    pid_t pid = fork();
    if (pid == 0) {
        setenv("QUORBEL_STATE_DIR", (dir.Path() + "/state").c_str(), 1);
        setenv("QUORBEL_DEVICE", strDevice.c_str(), 1);
        execl((BinDir() + "/quorbeld").c_str(), "quorbeld", "--detach", nullptr);
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    CDeviceClient client;
    ASSERT_TRUE(client.Connect(strDevice)); // at once, no waiting
    ucred cred{};
    socklen_t len = sizeof(cred);
    ASSERT_EQ(getsockopt(client.Fd(), SOL_SOCKET, SO_PEERCRED, &cred, &len), 0);
    EXPECT_NE(cred.pid, pid);
    EXPECT_NE(getsid(cred.pid), getsid(0)) << "runs in a session of its own";
    ASSERT_EQ(kill(cred.pid, SIGTERM), 0);
    EXPECT_TRUE(WaitFor([&] { return kill(cred.pid, 0) != 0; }, 5000));
}

TEST(DeviceLife, BadArgumentsAreRefused) {
    const struct {
        std::vector<std::string> args;
        int iStatus;
    } cases[] = {{{"--bogus"}, 2}, {{"--device"}, 2}, {{"--group", "no-such-group-xyz"}, 2}};
    for (const auto& c : cases) {
        pid_t pid = fork();
        if (pid == 0) {
            int fd = open("/dev/null", O_WRONLY);
            dup2(fd, 2);
            std::vector<std::string> args{BinDir() + "/quorbeld"};
            args.insert(args.end(), c.args.begin(), c.args.end());
            std::vector<char*> argv;
            for (auto& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.iStatus) << c.args[0];
    }
}
