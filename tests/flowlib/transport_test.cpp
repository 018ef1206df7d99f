// Every way a request can fail on the device: the service's own refusal,
// a silent or vanished peer, and malformed replies. Each is a false result
// with the request's trace line and the errno value, never a hang.
#include "tests/flowlib/VelquinHarness.h"

#include <cerrno>

using namespace velquintest;

namespace {

class TransportTest : public VelquinTest {
protected:
    struct REQUEST {
        const char* pszName;
        std::uint32_t uCode;
        const char* pszError; // trace line format with %d
        std::function<BOOL(CVelquin&)> call;
    };
    static std::vector<REQUEST> AllRequests() {
        return {
            {"add", flow::IOCTL_FLOW_ADD_MISSION, "ERROR<%d> start mission ...",
             [](CVelquin& v) {
                 FLOW_MISSION m;
                 m.strTargetName = u"abc.exe";
                 m.uMode = FLOW_MODE_PROCESS;
                 return v.AddMission(m);
             }},
            {"remove", flow::IOCTL_FLOW_REMOVE_MISSION, "ERROR<%d> stop mission ...",
             [](CVelquin& v) { return v.RemoveMission(u"abc.exe"); }},
            {"get log", flow::IOCTL_FLOW_GET_LOG, "ERROR<%d> get log fail ...",
             [](CVelquin& v) {
                 FLOW_LOG logs[32];
                 std::uint32_t n = 0;
                 return v.GetLog(logs, 32, &n);
             }},
            {"uninit", flow::IOCTL_FLOW_DETACH_VOLUME, "ERROR<%d> dettaching to device...",
             [](CVelquin& v) { return v.UnInit(); }},
        };
    }
    static std::string Line(const char* pszFormat, int err) {
        char sz[128];
        std::snprintf(sz, sizeof(sz), pszFormat, err);
        return sz;
    }
};

} // namespace

TEST_F(TransportTest, TheDevicesRefusalComesBackWithItsErrno) {
    InitOk();
    for (const auto& r : AllRequests()) {
        SCOPED_TRACE(r.pszName);
        m_Driver.QueueAnswer(r.uCode, FAKE_ANSWER::Fail(EACCES));
        ClearTrace();
        EXPECT_FALSE(r.call(Lib()));
        EXPECT_TRUE(Traced(Line(r.pszError, EACCES)));
    }
    // A refusal that names no reason is still a failure.
    m_Driver.QueueAnswer(flow::IOCTL_FLOW_REMOVE_MISSION, FAKE_ANSWER::Fail(0));
    EXPECT_FALSE(Lib().RemoveMission(u"x"));
    EXPECT_TRUE(Traced("ERROR<5> stop mission ..."));
}

TEST_F(TransportTest, BrokenRepliesFailTheRequestAndTheNextOneWorksAgain) {
    m_Env.Set("VELQUIN_REQUEST_TIMEOUT_MS", "300");
    InitOk();
    auto frame = [](std::uint32_t s, std::uint32_t e, std::uint32_t len, std::size_t extra) {
        std::vector<std::uint8_t> b(12 + extra);
        flow::PutU32(b.data(), s);
        flow::PutU32(b.data() + 4, e);
        flow::PutU32(b.data() + 8, len);
        return b;
    };
    struct CASE {
        const char* pszName;
        FAKE_ANSWER answer;
        int nErrno;
    };
    const std::vector<CASE> cases = {
        {"silent peer", FAKE_ANSWER::Silent(), ETIMEDOUT},
        {"hang-up", FAKE_ANSWER::HangUp(), ECONNRESET},
        {"short header", FAKE_ANSWER::Raw({1, 0, 0, 0, 0}), EPROTO},
        {"success neither 0 nor 1", FAKE_ANSWER::Raw(frame(2, 0, 0, 0)), EPROTO},
        {"length past the message", FAKE_ANSWER::Raw(frame(1, 0, 84, 0)), EPROTO},
        {"more output than offered", FAKE_ANSWER::Raw(frame(1, 0, 0, 1)), EPROTO},
        {"huge reply", FAKE_ANSWER::Raw(std::vector<std::uint8_t>(60000, 1)), EPROTO},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        m_Driver.QueueAnswer(flow::IOCTL_FLOW_REMOVE_MISSION, c.answer);
        ClearTrace();
        EXPECT_FALSE(Lib().RemoveMission(u"abc.exe"));
        EXPECT_EQ(Trace(), std::vector<std::string>{Line("ERROR<%d> stop mission ...", c.nErrno)});
        // The connection out of step is dropped and made anew, so a late
        // reply never answers the next request.
        EXPECT_TRUE(Lib().RemoveMission(u"abc.exe"));
    }
}

TEST_F(TransportTest, AVanishedDeviceFailsEveryRequestWithoutKillingTheCaller) {
    m_Env.Set("VELQUIN_REQUEST_TIMEOUT_MS", "300");
    auto pDriver = std::make_unique<CFakeDriver>();
    m_Env.Set("QUORBEL_DEVICE", pDriver->Path());
    ASSERT_TRUE(Lib().Init());
    pDriver.reset(); // the service is gone: socket closed and removed
    ClearTrace();
    for (const auto& r : AllRequests()) {
        SCOPED_TRACE(r.pszName);
        EXPECT_FALSE(r.call(Lib()));
    }
    // Writing to the closed connection must not raise SIGPIPE; reaching it
    // again finds no device.
    auto lines = Trace();
    ASSERT_FALSE(lines.empty());
    for (const auto& line : lines) {
        if (line.rfind("ERROR", 0) != 0)
            continue;
        EXPECT_TRUE(line.find("<104>") != std::string::npos || // ECONNRESET
                    line.find("<32>") != std::string::npos ||  // EPIPE
                    line.find("<2>") != std::string::npos)     // ENOENT
            << line;
    }
}

TEST_F(TransportTest, TheSessionReconnectsAfterTheServiceComesBack) {
    InitOk();
    std::size_t nConnections = m_Driver.Connections();
    m_Driver.DropConnections();
    // The service closed the idle connection: nothing was lost, so the
    // request goes out on a new one and succeeds.
    EXPECT_TRUE(Lib().RemoveMission(u"abc.exe"));
    EXPECT_EQ(m_Driver.Requests(flow::IOCTL_FLOW_REMOVE_MISSION).size(), 1u);
    EXPECT_EQ(m_Driver.Connections(), nConnections + 1);
}
