// The session through the five entry points: initialising, the volume walk
// with its early stop, uninitialising, and what happens before a session
// exists and after the library is unloaded.
#include "tests/flowlib/VelquinHarness.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

using namespace velquintest;

namespace {

class SessionTest : public VelquinTest {
protected:
    // (code, volume name) of every volume request, in order.
    std::vector<std::pair<std::uint32_t, std::u16string>> VolumeRequests() const {
        std::vector<std::pair<std::uint32_t, std::u16string>> out;
        for (const auto& r : m_Driver.Requests())
            if (r.uCode == flow::IOCTL_FLOW_ATTACH_VOLUME ||
                r.uCode == flow::IOCTL_FLOW_DETACH_VOLUME)
                out.emplace_back(r.uCode, CFakeDriver::VolumeName(r).value_or(u"<bad>"));
        return out;
    }
    void UseMountTable(const std::string& strContent) {
        auto path = m_Dir.Path() / "mountinfo";
        std::ofstream(path) << strContent;
        m_Env.Set("VELQUIN_MOUNTINFO", path.string());
    }
};

constexpr std::uint32_t ATTACH = flow::IOCTL_FLOW_ATTACH_VOLUME;
constexpr std::uint32_t DETACH = flow::IOCTL_FLOW_DETACH_VOLUME;

} // namespace

TEST_F(SessionTest, InitClearsThenAttachesLocalDisksInMountOrderThenTheNetwork) {
    ASSERT_TRUE(Lib().Init());

    auto codes = m_Driver.Codes();
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes[0], flow::IOCTL_FLOW_CLEAR_ALL);
    using V = std::vector<std::pair<std::uint32_t, std::u16string>>;
    EXPECT_EQ(VolumeRequests(), (V{{ATTACH, u"/"},
                                   {ATTACH, u"/boot/efi"},
                                   {ATTACH, u"/srv/data store"},
                                   {ATTACH, u"network"}}));
    EXPECT_EQ(codes.size(), 5u);

    EXPECT_EQ(Trace(),
              (std::vector<std::string>{
                  "Init OK", "Clear all OK", "/proc   <0>", "/sys   <0>", "init </> OK.", "/   <3>",
                  "/tmp   <6>", "init </boot/efi> OK.", "/boot/efi   <3>", "/media/cdrom   <5>",
                  "/mnt/share   <4>", "init </srv/data store> OK.", "/srv/data store   <3>",
                  "/home/u/remote   <4>", "init netdisk OK.", "Attach all OK"}));
}

TEST_F(SessionTest, VolumeBufferCarriesTheLengthWithoutNulAndNoTerminator) {
    ASSERT_TRUE(Lib().Init());
    auto attaches = m_Driver.Requests(ATTACH);
    ASSERT_EQ(attaches.size(), 4u);
    const auto& b = attaches[2].input; // "/srv/data store"
    ASSERT_EQ(b.size(), 512u);
    EXPECT_EQ(attaches[2].uOutputCapacity, 0u);
    EXPECT_EQ(U32At(b, 0), 30u);
    auto name = Utf16Bytes(u"/srv/data store");
    EXPECT_TRUE(std::equal(name.begin(), name.end(), b.begin() + 4));
    EXPECT_TRUE(AllZero(b, 34, 512));
}

TEST_F(SessionTest, TheWalkStopsAtTheFirstFailingVolume) {
    struct CASE {
        int nFailAt; // index of the attach request that fails
        std::string strFailLine;
        std::size_t nAttachesSent;
    };
    for (const CASE& c : {CASE{0, "init </> fail.", 1}, CASE{1, "init </boot/efi> fail.", 2},
                          CASE{3, "init netdisk fail.", 4}}) {
        SCOPED_TRACE(c.strFailLine);
        CFakeDriver driver;
        m_Env.Set("QUORBEL_DEVICE", driver.Path());
        for (int i = 0; i < c.nFailAt; ++i)
            driver.QueueAnswer(ATTACH, FAKE_ANSWER::Ok());
        driver.QueueAnswer(ATTACH, FAKE_ANSWER::Fail(EIO));
        ClearTrace();

        EXPECT_FALSE(Lib().Init());
        EXPECT_EQ(driver.Requests(ATTACH).size(), c.nAttachesSent);
        EXPECT_TRUE(driver.Requests(DETACH).empty()) << "nothing attached is undone";
        auto lines = Trace();
        auto failed = std::find(lines.begin(), lines.end(), "ERROR<5> attaching to device...");
        ASSERT_NE(failed, lines.end());
        ASSERT_NE(failed + 1, lines.end());
        EXPECT_EQ(*(failed + 1), c.strFailLine);
        EXPECT_EQ(failed + 2, lines.end()) << "nothing after the failure";
    }
}

TEST_F(SessionTest, AFailedClearAllDoesNotStopInit) {
    m_Driver.SetAnswer(flow::IOCTL_FLOW_CLEAR_ALL, FAKE_ANSWER::Fail(EPERM));
    EXPECT_TRUE(Lib().Init());
    EXPECT_FALSE(Traced("Clear all OK"));
    EXPECT_TRUE(Traced("Attach all OK"));
}

TEST_F(SessionTest, MountTableVariants) {
    using V = std::vector<std::u16string>;
    struct CASE {
        const char* pszFile;
        bool bInit;
        V attached;
    };
    // A folder mounted over is named once, by what is mounted on top;
    // without local disks only the network is attached; a damaged table
    // attaches nothing.
    for (const CASE& c :
         {CASE{"overmount.mountinfo", true, {u"/", u"/srv/scratch", u"network"}},
          CASE{"diskless.mountinfo", true, {u"network"}}, CASE{"damaged.mountinfo", false, {}}}) {
        SCOPED_TRACE(c.pszFile);
        m_Env.Set("VELQUIN_MOUNTINFO", DataFile(c.pszFile));
        m_Driver.ClearRequests();
        ClearTrace();
        EXPECT_EQ(Lib().Init(), c.bInit ? TRUE : FALSE);
        V attached;
        for (const auto& r : m_Driver.Requests(ATTACH))
            attached.push_back(CFakeDriver::VolumeName(r).value_or(u"<bad>"));
        EXPECT_EQ(attached, c.attached);
    }
    EXPECT_TRUE(Traced("ERROR<74> reading mount table..."));
}

TEST_F(SessionTest, AMountPointLongerThanTheVolumeBufferIsRefusedNotCut) {
    // 254 characters fill the buffer exactly; 255 do not fit.
    std::string fits = "/" + std::string(253, 'a');
    std::string tooLong = "/" + std::string(254, 'b');
    UseMountTable("26 1 8:2 / " + fits + " rw - ext4 /dev/sda2 rw\n27 1 8:3 / " + tooLong +
                  " rw - ext4 /dev/sda3 rw\n");

    EXPECT_FALSE(Lib().Init());
    auto attaches = m_Driver.Requests(ATTACH);
    ASSERT_EQ(attaches.size(), 1u);
    EXPECT_EQ(U32At(attaches[0].input, 0), 508u);
    EXPECT_EQ(attaches[0].input[510], 'a');
    EXPECT_TRUE(Traced("ERROR<36> attaching to device..."));
    EXPECT_TRUE(Traced("init <" + tooLong + "> fail."));
}

TEST_F(SessionTest, TheRealMountTableEndsWithTheNetwork) {
    m_Env.Unset("VELQUIN_MOUNTINFO");
    ASSERT_TRUE(Lib().Init());
    auto attaches = m_Driver.Requests(ATTACH);
    ASSERT_FALSE(attaches.empty());
    EXPECT_EQ(CFakeDriver::VolumeName(attaches.back()), u"network");
    for (const auto& r : attaches)
        EXPECT_TRUE(CFakeDriver::VolumeName(r)) << "every attach is a well-formed buffer";
}

TEST_F(SessionTest, UnInitDetachesTheSameWalkThenClears) {
    InitOk();
    ASSERT_TRUE(Lib().UnInit());
    using V = std::vector<std::pair<std::uint32_t, std::u16string>>;
    EXPECT_EQ(VolumeRequests(), (V{{DETACH, u"/"},
                                   {DETACH, u"/boot/efi"},
                                   {DETACH, u"/srv/data store"},
                                   {DETACH, u"network"}}));
    EXPECT_EQ(m_Driver.Codes().back(), flow::IOCTL_FLOW_CLEAR_ALL);
    for (const auto& line : Trace())
        EXPECT_EQ(line.find("init <"), std::string::npos) << "no success lines when detaching";

    // A second UnInit sends it all again over the same connection.
    std::size_t nBefore = m_Driver.Requests().size();
    std::size_t nConnections = m_Driver.Connections();
    ASSERT_TRUE(Lib().UnInit());
    EXPECT_EQ(m_Driver.Requests().size(), 2 * nBefore);
    EXPECT_EQ(m_Driver.Connections(), nConnections);
}

TEST_F(SessionTest, AFailedDetachEndsUnInitWithoutClearing) {
    InitOk();
    m_Driver.QueueAnswer(DETACH, FAKE_ANSWER::Ok());
    m_Driver.QueueAnswer(DETACH, FAKE_ANSWER::Fail(EBUSY));
    EXPECT_FALSE(Lib().UnInit());
    EXPECT_EQ(m_Driver.Codes(), (std::vector<std::uint32_t>{DETACH, DETACH}));
    EXPECT_EQ(Trace().back(), "ERROR<16> dettaching to device...");
}

TEST_F(SessionTest, RequestsWithoutASessionFailWithoutReachingTheDevice) {
    FLOW_LOG logs[4];
    std::uint32_t uCount = 77;
    EXPECT_FALSE(Lib().AddMission(FLOW_MISSION{}));
    EXPECT_FALSE(Lib().RemoveMission(u"abc.exe"));
    EXPECT_FALSE(Lib().GetLog(logs, 4, &uCount));
    EXPECT_EQ(uCount, 0u);
    EXPECT_FALSE(Lib().UnInit());
    EXPECT_EQ(m_Driver.Connections(), 0u);
    std::vector<std::string> errors;
    for (const auto& line : Trace())
        if (line.rfind("ERROR", 0) == 0)
            errors.push_back(line);
    EXPECT_EQ(errors, (std::vector<std::string>{
                          "ERROR<9> start mission ...", "ERROR<9> stop mission ...",
                          "ERROR<9> get log fail ...", "ERROR<9> dettaching to device..."}));
}

TEST_F(SessionTest, UnloadingClosesTheConnectionAndSendsNothing) {
    InitOk();
    ASSERT_TRUE(m_Driver.WaitForOpenConnections(1, std::chrono::seconds(5)));
    Lib().Unload();
    EXPECT_TRUE(m_Driver.WaitForOpenConnections(0, std::chrono::seconds(5)));
    EXPECT_TRUE(m_Driver.Requests().empty());
}

TEST_F(SessionTest, AMountedFileIsNoVolume) {
    // Containers bind-mount single files (/etc/hosts) from the root disk.
    auto file = m_Dir.Path() / "hosts";
    std::ofstream(file) << "127.0.0.1 localhost\n";
    UseMountTable("26 1 8:2 / / rw - ext4 /dev/sda2 rw\n30 26 8:2 /etc/hosts " + file.string() +
                  " rw - ext4 /dev/sda2 rw\n");
    ASSERT_TRUE(Lib().Init());
    EXPECT_EQ(m_Driver.Requests(ATTACH).size(), 2u) << "the root disk and the network";
    EXPECT_TRUE(Traced(file.string() + "   <1>"));
}

TEST_F(SessionTest, TraceLinesGoToStandardErrorOnlyWhenAsked) {
    auto capture = m_Dir.Path() / "stderr";
    auto run = [&](const char* pszTrace) {
        if (pszTrace)
            m_Env.Set("VELQUIN_TRACE", pszTrace);
        else
            m_Env.Unset("VELQUIN_TRACE");
        fflush(stderr);
        int saved = dup(2);
        int fd = open(capture.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 2);
        close(fd);
        EXPECT_FALSE(Lib().RemoveMission(u"abc.exe"));
        dup2(saved, 2);
        close(saved);
        std::ifstream in(capture);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(run("1"), "ERROR<9> stop mission ...\n");
    EXPECT_EQ(run(nullptr), "");
}

TEST_F(SessionTest, ASecondInitReplacesTheConnectionInsteadOfLeakingIt) {
    ASSERT_TRUE(Lib().Init());
    ASSERT_TRUE(Lib().Init());
    EXPECT_TRUE(m_Driver.WaitForOpenConnections(1, std::chrono::seconds(5)))
        << "open: " << m_Driver.OpenConnections();
}
