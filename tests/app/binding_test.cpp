// Binding the flow-control library: the failure of each step with its
// message (logged and shown), and a successful binding with the real
// library against the driver test double.
#include "app/core/FlowApi.h"
#include "app/core/FlowBinding.h"
#include "comm/DbgLogCapture.h"
#include "tests/support/FakeDriver.h"
#include "tests/support/PromptScript.h"

#include <QTemporaryDir>
#include <cstdlib>
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

QString StubLibrary(const char* pszVariant) {
    return QStringLiteral(STUB_LIBRARY_DIR "/libvelquin_stub_%1.so").arg(QLatin1String(pszVariant));
}

int StubInitCalls() {
    auto pfn = reinterpret_cast<int (*)()>(dlsym(g_FlowApi.hFlowDll, "StubInitCalls"));
    return pfn ? pfn() : -1;
}

class BindingTest : public ::testing::Test {
protected:
    void TearDown() override { ReleaseFlowLibrary(); }

    // Binds and expects exactly one warning with the given text, shown
    // after the same text was logged at level 8.
    void ExpectFailure(const QString& strPath, const QString& strMessage) {
        CDbgLogCapture log;
        std::vector<PROMPT_REQUEST> asked;
        bool bLoggedFirst = false;
        auto previous = CUserPrompt::SetHandler([&](const PROMPT_REQUEST& r) {
            asked.push_back(r);
            bLoggedFirst = log.Contains(8, r.strText);
            return PromptAnswer::Ok;
        });
        EXPECT_FALSE(BindFlowLibrary(strPath));
        CUserPrompt::SetHandler(previous);
        ASSERT_EQ(asked.size(), 1u);
        const PROMPT_REQUEST& r = asked[0];
        EXPECT_EQ(r.strText, strMessage);
        EXPECT_EQ(r.buttons, PromptButtons::Ok);
        EXPECT_EQ(r.icon, PromptIcon::Warning);
        EXPECT_EQ(r.strCaption, QStringLiteral("Dravik"));
        EXPECT_TRUE(bLoggedFirst) << "logged at level 8 before it is shown";
    }
};

} // namespace

TEST_F(BindingTest, EachMissingExportStopsTheBindingWithItsMessage) {
    struct CASE {
        const char* pszVariant;
        const char* pszMessage;
        int nResolved; // entry points filled before the missing one
    };
    const CASE cases[] = {
        {"no_init", "Get LPFLOW_INIT from libvelquin.so failed.", 0},
        {"no_uninit", "Get LPFLOW_UNINIT from libvelquin.so failed.", 1},
        {"no_add_mission", "Get LPFLOW_ADD_MISSION from libvelquin.so failed.", 2},
        {"no_remove_mission", "Get LPFLOW_REMOVE_MISSION from libvelquin.so failed.", 3},
        {"no_get_log", "Get LPGFLOW_GET_LOG from libvelquin.so failed.", 4},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.pszVariant);
        ExpectFailure(StubLibrary(c.pszVariant), QString::fromLatin1(c.pszMessage));
        // The library stays loaded until released; nothing was initialised.
        ASSERT_NE(g_FlowApi.hFlowDll, nullptr);
        EXPECT_EQ(StubInitCalls(), 0);
        const void* resolved[] = {
            reinterpret_cast<void*>(g_FlowApi.pfnInit),
            reinterpret_cast<void*>(g_FlowApi.pfnUnInit),
            reinterpret_cast<void*>(g_FlowApi.pfnAddMission),
            reinterpret_cast<void*>(g_FlowApi.pfnRemoveMission),
            reinterpret_cast<void*>(g_FlowApi.pfnGetLog),
        };
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(resolved[i] != nullptr, i < c.nResolved) << "entry point " << i;
        ReleaseFlowLibrary();
    }
}

TEST_F(BindingTest, AMissingLibraryIsNamedByItsFileName) {
    QTemporaryDir dir;
    ExpectFailure(dir.filePath(QStringLiteral("libvelquin.so")),
                  QStringLiteral("Can not open libvelquin.so"));
    EXPECT_EQ(g_FlowApi.hFlowDll, nullptr);
    EXPECT_EQ(g_FlowApi.pfnInit, nullptr);
}

TEST_F(BindingTest, AFailedInitialisationIsReportedAfterOneCall) {
    ExpectFailure(StubLibrary("init_fails"), QStringLiteral("Flow ctrl init failed."));
    EXPECT_EQ(StubInitCalls(), 1);
    EXPECT_NE(g_FlowApi.pfnGetLog, nullptr) << "all five were resolved first";
}

TEST_F(BindingTest, ASuccessfulBindingFillsTheTableAndReleaseEmptiesIt) {
    const QString strPath = StubLibrary("ok");
    CPromptScript prompts; // no question may be asked
    ASSERT_TRUE(BindFlowLibrary(strPath));
    EXPECT_EQ(StubInitCalls(), 1);
    EXPECT_NE(g_FlowApi.pfnUnInit, nullptr);
    EXPECT_NE(g_FlowApi.pfnAddMission, nullptr);
    EXPECT_NE(g_FlowApi.pfnRemoveMission, nullptr);
    EXPECT_NE(g_FlowApi.pfnGetLog, nullptr);

    ReleaseFlowLibrary();
    EXPECT_EQ(g_FlowApi.hFlowDll, nullptr);
    EXPECT_EQ(g_FlowApi.pfnGetLog, nullptr);
    EXPECT_EQ(dlopen(qPrintable(strPath), RTLD_NOW | RTLD_NOLOAD), nullptr) << "unloaded";
}

TEST_F(BindingTest, TheRealLibraryBindsAgainstTheDriverDouble) {
    CFakeDriver driver;
    ASSERT_TRUE(driver.IsListening());
    QTemporaryDir dir;
    qputenv("QUORBEL_DEVICE", driver.Path().c_str());
    qputenv("QUORBEL_SERVICE", dir.filePath(QStringLiteral("none")).toUtf8());
    const QString strBin = qEnvironmentVariable("DRAVIK_BIN_DIR");
    const QString strLibrary = strBin.isEmpty() ? QStringLiteral(VELQUIN_BUILT_LIBRARY)
                                                : strBin + QStringLiteral("/libvelquin.so");

    CPromptScript prompts;
    ASSERT_TRUE(BindFlowLibrary(strLibrary));
    FLOW_MISSION m;
    m.strTargetName = u"abc.exe";
    m.uMode = FLOW_MODE_PROCESS;
    EXPECT_TRUE(g_FlowApi.pfnAddMission(m));
    auto adds = driver.Requests(0x88040);
    ASSERT_EQ(adds.size(), 1u);
    EXPECT_EQ(CFakeDriver::Mission(adds[0])->strTargetName, u"abc.exe");
    ReleaseFlowLibrary();

    // Without a service the session cannot open.
    qputenv("QUORBEL_DEVICE", dir.filePath(QStringLiteral("no-device")).toUtf8());
    ExpectFailure(strLibrary, QStringLiteral("Flow ctrl init failed."));
    qunsetenv("QUORBEL_DEVICE");
    qunsetenv("QUORBEL_SERVICE");
}
