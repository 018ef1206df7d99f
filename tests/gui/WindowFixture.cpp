#include "tests/gui/WindowFixture.h"

#include "app/core/Options.h"
#include "missions/MissionGroup.h"
#include "skin/FlatMenuStyle.h"

#include <QApplication>
#include <QDir>
#include <QFile>

QApplication& GuiApp() {
    static int argc = 1;
    static char name[] = "gui_test";
    static char* argv[] = {name, nullptr};
    static QApplication* pApp = [] {
        auto* p = new QApplication(argc, argv);
        p->setQuitOnLastWindowClosed(false);
        CFlatMenuStyle::Install(*p);
        return p;
    }();
    return *pApp;
}

void CWindowTest::SetUp() {
    GuiApp();
    ASSERT_TRUE(m_Dir.isValid());
    m_strPreviousDir = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_Dir.path()));
    qputenv("DRAVIK_AUTOSTART_DIR", m_AutoStartDir.path().toLocal8Bit());
    qputenv("DRAVIK_HELP_DIR", DRAVIK_TEST_HELP_DIR);
    g_AppOptions = APP_OPTIONS{};
    m_pApi = std::make_unique<CScriptedFlowApi>();
    m_pPrompts = std::make_unique<CPromptScript>();
    g_pProcMode = new CMissionGroup(QString::fromLatin1(GROUP_NAME_PROC_MODE));
    g_pPathMode = new CMissionGroup(QString::fromLatin1(GROUP_NAME_PATH_MODE));
    g_pRecycler = new CMissionGroup(QString::fromLatin1(GROUP_NAME_RECYCLER));
}

void CWindowTest::TearDown() {
    DestroyWindow();
    for (CMissionGroup** ppGroup : {&g_pProcMode, &g_pPathMode, &g_pRecycler}) {
        delete *ppGroup;
        *ppGroup = nullptr;
    }
    m_pPrompts.reset();
    m_pApi.reset();
    QDir::setCurrent(m_strPreviousDir);
}

CDravikDlg& CWindowTest::Window() {
    if (!m_pWindow) {
        m_pWindow = std::make_unique<CDravikDlg>();
        m_pWindow->SetTrayAvailableProbe([this] { return m_bTrayAvailable; });
        m_pWindow->SetUrlOpener([](const QUrl&) { return true; });
        m_pWindow->Initialize();
        m_pWindow->show();
        QApplication::processEvents();
    }
    return *m_pWindow;
}

void CWindowTest::DestroyWindow() {
    m_pWindow.reset();
}

void CWindowTest::StoreMission(const char* groupName, const QString& strName, std::uint32_t uMode,
                               bool bActive) {
    auto* pMission = new CMission;
    pMission->strTargetName = strName;
    pMission->uMode = uMode;
    pMission->uLimitReadSpeed = 10485760;
    StoreMission(groupName, pMission, bActive);
}

void CWindowTest::StoreMission(const char* groupName, CMission* pMission, bool bActive) {
    // Written through a group of its own, as a previous run would have.
    CMissionGroup** ppSlot =
        QLatin1String(groupName) == QLatin1String(GROUP_NAME_PROC_MODE)   ? &g_pProcMode
        : QLatin1String(groupName) == QLatin1String(GROUP_NAME_PATH_MODE) ? &g_pPathMode
                                                                          : &g_pRecycler;
    CMissionGroup* pOld = *ppSlot;
    auto* pGroup = new CMissionGroup(QString::fromLatin1(groupName));
    *ppSlot = pGroup;
    pGroup->Load();
    ASSERT_TRUE(pGroup->Insert(pMission));
    if (bActive)
        pMission->Start();
    // Deleting the group saves the file before it stops the mission, as the
    // program's exit does.
    delete pGroup;
    *ppSlot = pOld;
    m_pApi->State().added.clear();
    m_pApi->State().removed.clear();
}

CMission* CWindowTest::AddMission(const QString& strName, std::uint32_t uMode) {
    auto* pMission = new CMission;
    pMission->strTargetName = strName;
    pMission->uMode = uMode;
    if (!AddNewMission(pMission)) {
        delete pMission;
        ADD_FAILURE() << "mission not added: " << strName.toStdString();
        return nullptr;
    }
    return pMission;
}

QString CWindowTest::WorkFile(const QString& strName) const {
    return m_Dir.filePath(strName);
}

QString CWindowTest::ReadWorkFile(const QString& strName) const {
    QFile file(WorkFile(strName));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}
