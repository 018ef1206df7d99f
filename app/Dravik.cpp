#include "app/Dravik.h"

#include "app/DravikDlg.h"
#include "app/MessageBoxPrompt.h"
#include "app/SignalExit.h"
#include "app/core/FlowBinding.h"
#include "app/core/InstanceLock.h"
#include "app/core/Options.h"
#include "app/core/UserPrompt.h"
#include "comm/DbgInfoLog.h"
#include "missions/MissionGroup.h"
#include "skin/FlatMenuStyle.h"
#include "skin/SkinImages.h"

#include <QSessionManager>
#include <QTimer>
#include <cstdio>

CDravikApp::CDravikApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Dravik"));
    setApplicationVersion(QStringLiteral(DRAVIK_VERSION));
    setDesktopFileName(QStringLiteral("dravik"));
    setWindowIcon(skin::AppIcon());
    // Hiding the window behind the tray must not end the program.
    setQuitOnLastWindowClosed(false);
}

CDravikApp::~CDravikApp() = default;

int CDravikApp::Run() {
    // On a platform nobody can see (offscreen, minimal) a message box would
    // wait forever; there the seam's own answer writes to standard error.
    const QString strPlatform = platformName();
    if (strPlatform != QLatin1String("offscreen") && strPlatform != QLatin1String("minimal"))
        CMessageBoxPrompt::Install();
    if (!InitInstance()) {
        ExitInstance();
        return 1;
    }

    int nResult = 0;
    {
        auto* pWindow = new CDravikDlg;
        m_pMainWindow = pWindow;
        CMessageBoxPrompt::SetParent(pWindow);
        connect(pWindow, &CDravikDlg::ExitRequested, this, [] { QCoreApplication::exit(0); });
        // SIGTERM, SIGINT and SIGHUP end the program the way "E&xit" does.
        m_pSignals = std::make_unique<CSignalExit>([pWindow](int) { pWindow->Exit(); });
        // Before the session ends, everything is saved at once; the session
        // may still be cancelled, so the program goes on running.
        connect(this, &QGuiApplication::commitDataRequest, pWindow,
                [pWindow](QSessionManager&) { pWindow->SaveAll(); });

        // The start-up benchmark's probe: report the first paint, then leave.
        if (arguments().contains(QStringLiteral("--exit-after-first-paint"))) {
            connect(pWindow, &CDravikDlg::FirstPainted, pWindow, [pWindow] {
                std::printf("painted\n");
                std::fflush(stdout);
                QTimer::singleShot(0, pWindow, &CDravikDlg::Exit);
            });
        }
        pWindow->Initialize();
        if (!g_AppOptions.bLaunchInTray)
            pWindow->show();
        nResult = exec();

        // The window's destruction saves the options and the groups and
        // withdraws the running missions.
        m_pSignals.reset();
        CMessageBoxPrompt::SetParent(nullptr);
        m_pMainWindow = nullptr;
        delete pWindow;
    }
    ExitInstance();
    return nResult;
}

bool CDravikApp::InitInstance() {
    if (!AcquireInstanceLock()) {
        CUserPrompt::Ask(QStringLiteral("Dravik is already started."), PromptButtons::Ok,
                         PromptIcon::Warning);
        return false;
    }
    // Loads the library, resolves its exports and opens the driver session;
    // every failure is logged and shown there.
    if (!BindFlowLibrary())
        return false;

    g_pProcMode = new CMissionGroup(QString::fromLatin1(GROUP_NAME_PROC_MODE));
    g_pPathMode = new CMissionGroup(QString::fromLatin1(GROUP_NAME_PATH_MODE));
    g_pRecycler = new CMissionGroup(QString::fromLatin1(GROUP_NAME_RECYCLER));

    CFlatMenuStyle::Install(*this);
    return true;
}

void CDravikApp::ExitInstance() {
    ReleaseFlowLibrary();
}
