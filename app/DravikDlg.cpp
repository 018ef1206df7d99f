#include "app/DravikDlg.h"

#include "app/AboutDlg.h"
#include "app/OptionDlg.h"
#include "app/core/FlowApi.h"
#include "app/core/Options.h"
#include "app/core/UserPrompt.h"
#include "comm/DbgInfoLog.h"
#include "missions/MissionGroup.h"
#include "missions/OperationLog.h"
#include "skin/BitmapButton.h"
#include "skin/CaptionBar.h"
#include "skin/SkinImages.h"
#include "views/LogList.h"
#include "views/MissList.h"
#include "views/MissionDlg.h"
#include "views/QosCurve.h"
#include "views/SelMissDlg.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSystemTrayIcon>
#include <QWindowStateChangeEvent>
#include <algorithm>
#include <climits>

namespace {

// Resource numbers of the window's pictures.
constexpr int kBackground = 135;

struct BUTTON_LAYOUT {
    QRect rect; // client pixels; the help button's left is counted from W
    const char* tooltip;
    BUTTON_SKIN skin;
};

QRect FromEdges(int left, int top, int right, int bottom) {
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

// The menu texts; \t separates the shortcut label (no accelerator is bound).
const char* const kTextNewMission = "&New Mission...\tCtrl+N";
const char* const kTextOpenMission = "&Open Mission...\tCtrl+O";

} // namespace

CDravikDlg::CDravikDlg(QWidget* pParent) : CSkinDialog(pParent, true) {
    setWindowTitle(QStringLiteral("Dravik"));
    Caption()->SetTitle(QStringLiteral("Dravik - Morvane Disk Speed Controllor"));
    setWindowIcon(skin::AppIcon());
    setAttribute(Qt::WA_QuitOnClose, false);
    m_fnTrayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    m_fnOpenUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

    BuildMenus();
    SetBackground(kBackground);
    setFixedSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    move(0, 0);
    BuildViews();
    BuildButtons();

    connect(Caption(), &CCaptionBar::CloseClicked, this, &CDravikDlg::HideToTray);
    connect(Caption(), &CCaptionBar::MinimiseClicked, this, &CDravikDlg::HideToTray);
    Caption()->setContextMenuPolicy(Qt::CustomContextMenu);
    m_pSystemMenu = new QMenu(this);
    m_pSystemMenu->addAction(QStringLiteral("Minimi&ze"), this, &CDravikDlg::HideToTray);
    m_pSystemMenu->addSeparator();
    m_pSystemMenu->addAction(QStringLiteral("&About Dravik..."), this, &CDravikDlg::ShowAbout);
    connect(Caption(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_pSystemMenu->popup(Caption()->mapToGlobal(pos)); });

    m_RefreshTimer.setObjectName(QStringLiteral("ID_TIMER_REFRESH"));
    m_RefreshTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_RefreshTimer, &QTimer::timeout, this, &CDravikDlg::RefreshStatistics);
    m_HideTimer.setObjectName(QStringLiteral("ID_TIMER_HIDE"));
    m_HideTimer.setSingleShot(true);
    connect(&m_HideTimer, &QTimer::timeout, this, &CDravikDlg::OnHideTimer);
    connect(&m_TrayPoll, &QTimer::timeout, this, &CDravikDlg::PollTray);

    m_pPreviousLog = COperationLog::Install(m_pLogList);
    m_pPreviousEditorHost = CMissionDlg::SetDefaultHost(this);
}

CDravikDlg::~CDravikDlg() {
    m_RefreshTimer.stop();
    m_HideTimer.stop();
    m_TrayPoll.stop();
    if (!m_bShutDown) {
        m_bShutDown = true;
        SaveOptions();
        if (m_pTray)
            m_pTray->hide();
        // The chart and the list hold pointers into the groups.
        if (m_pChart)
            m_pChart->SetMission(nullptr);
        m_pMissList->SetGroup(nullptr);
        for (CMissionGroup** ppGroup : {&g_pProcMode, &g_pPathMode, &g_pRecycler}) {
            delete *ppGroup;
            *ppGroup = nullptr;
        }
    }
    CMissionDlg::SetDefaultHost(m_pPreviousEditorHost);
    if (COperationLog::Current() == m_pLogList)
        COperationLog::Install(m_pPreviousLog);
}

// ---------------------------------------------------------------- building

void CDravikDlg::BuildMenus() {
    QMenuBar* pBar = MenuBar();

    QMenu* pFile = pBar->addMenu(QStringLiteral("&File"));
    pFile->addAction(QString::fromLatin1(kTextNewMission), this, &CDravikDlg::NewMission);
    pFile->addAction(QString::fromLatin1(kTextOpenMission), this, &CDravikDlg::EditMission);
    pFile->addSeparator();
    pFile->addAction(QStringLiteral("E&xit"), this, &CDravikDlg::Exit);

    QMenu* pView = pBar->addMenu(QStringLiteral("&View"));
    m_pActShowRead = pView->addAction(QStringLiteral("Show &Read Chart"));
    m_pActShowRead->setCheckable(true);
    m_pActShowRead->setChecked(true);
    connect(m_pActShowRead, &QAction::triggered, this, [this](bool bChecked) {
        SetShowRead(bChecked);
        SaveOptions();
    });
    m_pActShowWrite = pView->addAction(QStringLiteral("Show &Write Chart"));
    m_pActShowWrite->setCheckable(true);
    m_pActShowWrite->setChecked(true);
    connect(m_pActShowWrite, &QAction::triggered, this, [this](bool bChecked) {
        SetShowWrite(bChecked);
        SaveOptions();
    });

    QMenu* pMission = pBar->addMenu(QStringLiteral("&Mission"));
    pMission->addAction(QStringLiteral("&Edit Mission"), this, &CDravikDlg::EditMission);
    pMission->addSeparator();
    auto addListCommand = [this, pMission](const char* text, int nCommand) {
        pMission->addAction(QString::fromLatin1(text), this,
                            [this, nCommand] { m_pMissList->RunCommand(nCommand); });
    };
    addListCommand("&Start", CMissList::ID_MISS_START);
    addListCommand("Sto&p", CMissList::ID_MISS_STOP);
    addListCommand("&Delete...", CMissList::ID_MISS_DELETE);
    pMission->addSeparator();
    addListCommand("Select All", CMissList::ID_MISS_SELECT_ALL);

    QMenu* pOption = pBar->addMenu(QStringLiteral("&Option"));
    pOption->addAction(QStringLiteral("Settings...\tAlt+F7"), this, &CDravikDlg::OpenOptionsDialog);

    QMenu* pHelp = pBar->addMenu(QStringLiteral("&Help"));
    pHelp->addAction(QStringLiteral("About Dravik..."), this, &CDravikDlg::ShowAbout);
    pHelp->addSeparator();
    pHelp->addAction(QStringLiteral("Online &Help...\tF1"), this,
                     [this] { OpenWebPage(SUPPORT_PAGE); });
    pHelp->addAction(QStringLiteral("&Morvane Web..."), this, [this] { OpenWebPage(INDEX_PAGE); });
}

void CDravikDlg::BuildViews() {
    const int R = ClientWidth();
    m_rcMissList = FromEdges(150, 50, R - 3, 321);
    m_pMissList = new CMissList(Client());
    m_pMissList->setGeometry(m_rcMissList);
    m_pMissList->SetHost(this);
    m_pMissList->SetSmallImageList(
        {skin::IconImage(148), skin::IconImage(149), skin::IconImage(150)});
    connect(m_pMissList, &CListCtrlCn::RelayoutRequested, this, &CDravikDlg::RelayoutMissList);

    const QRect pane = FromEdges(154, 333, R - 9, 643);
    m_pLogList = new CLogList(Client());
    m_pLogList->setGeometry(pane);
    connect(m_pLogList, &CListCtrlCn::RelayoutRequested, this, &CDravikDlg::RelayoutMissList);

    m_pChart = new CQosCurve(Client());
    m_pChart->CreateChart(pane, Client());
}

void CDravikDlg::BuildButtons() {
    const int W = WINDOW_WIDTH;
    const int B = ClientHeight();
    const BUTTON_LAYOUT layout[BUTTON_COUNT] = {
        {FromEdges(10, 0, 47, 37), "New mission", {140, 139, 138, 141, 0}},
        {FromEdges(55, 2, 90, 37), "Edit mission", {144, 143, 145, 142, 0}},
        {FromEdges(110, 2, 145, 37), "Delete missions", {147, 148, 146, 149, 0}},
        {FromEdges(155, 2, 190, 37), "Start missions", {151, 152, 150, 153, 0}},
        {FromEdges(200, 2, 235, 37), "Stop missions", {156, 155, 157, 154, 0}},
        {FromEdges(255, 2, 290, 37), "Setting", {160, 159, 161, 158, 0}},
        {FromEdges(W - 45, 2, W - 10, 37), "Help", {167, 168, 166, 169, 0}},
        {FromEdges(0, 59, 140, 85), "Mission of process mode", {171, 172, 0, 0, 0}},
        {FromEdges(0, 85, 140, 111), "Mission of path mode", {176, 178, 0, 0, 0}},
        {FromEdges(0, 111, 139, 137), "Recycler of missions", {233, 235, 0, 0, 0}},
        {FromEdges(0, 137, 140, 163), "Visit home page", {181, 183, 0, 0, 0}},
        {FromEdges(0, 163, 140, 189), "Visit update web", {186, 188, 0, 0, 0}},
        {FromEdges(0, 189, 140, 215), "Help on line", {191, 193, 0, 0, 0}},
        {FromEdges(0, 242, 140, 268), "Email to us", {201, 203, 0, 0, 0}},
        {FromEdges(157, B - 54, 230, B - 27), nullptr, {206, 207, 0, 208, 209}},
        {FromEdges(230, B - 54, 303, B - 27), nullptr, {211, 213, 0, 214, 212}},
    };
    for (int i = 0; i < BUTTON_COUNT; ++i) {
        auto* pButton = new CBitmapButton(Client());
        pButton->setGeometry(layout[i].rect);
        pButton->SetSkin(layout[i].skin);
        if (layout[i].tooltip)
            pButton->setToolTip(QString::fromLatin1(layout[i].tooltip));
        m_Buttons[i] = pButton;
    }

    connect(m_Buttons[BTN_NEW], &QAbstractButton::clicked, this, &CDravikDlg::NewMission);
    connect(m_Buttons[BTN_EDIT], &QAbstractButton::clicked, this, &CDravikDlg::EditMission);
    connect(m_Buttons[BTN_DELETE], &QAbstractButton::clicked, this,
            &CDravikDlg::DeleteSelectedMissions);
    connect(m_Buttons[BTN_START], &QAbstractButton::clicked, this,
            &CDravikDlg::StartSelectedMissions);
    connect(m_Buttons[BTN_STOP], &QAbstractButton::clicked, this,
            &CDravikDlg::StopSelectedMissions);
    connect(m_Buttons[BTN_SETTING], &QAbstractButton::clicked, this,
            &CDravikDlg::OpenOptionsDialog);
    for (Button button : {BTN_HELP, BTN_HELP_ONLINE})
        connect(m_Buttons[button], &QAbstractButton::clicked, this,
                [this] { OpenWebPage(SUPPORT_PAGE); });
    for (Button button : {BTN_HOME_PAGE, BTN_UPDATE_WEB})
        connect(m_Buttons[button], &QAbstractButton::clicked, this,
                [this] { OpenWebPage(INDEX_PAGE); });
    connect(m_Buttons[BTN_EMAIL], &QAbstractButton::clicked, this, &CDravikDlg::ShowEmail);
    connect(m_Buttons[BTN_CHART_TAB], &QAbstractButton::clicked, this, [this] { ShowPane(true); });
    connect(m_Buttons[BTN_LOG_TAB], &QAbstractButton::clicked, this, [this] { ShowPane(false); });

    // The three group buttons are one radio group; showing a group is the
    // list's SetGroup, which checks the button through CheckGroupButton.
    m_pGroupButtons = new QButtonGroup(this);
    m_pGroupButtons->setExclusive(true);
    const std::pair<Button, CMissionGroup**> selectors[] = {
        {BTN_PROC_MODE, &g_pProcMode}, {BTN_PATH_MODE, &g_pPathMode}, {BTN_RECYCLER, &g_pRecycler}};
    for (const auto& [button, ppGroup] : selectors) {
        m_Buttons[button]->setCheckable(true);
        m_pGroupButtons->addButton(m_Buttons[button]);
        connect(m_Buttons[button], &QAbstractButton::clicked, this,
                [this, ppGroup] { m_pMissList->SetGroup(*ppGroup); });
    }
}

void CDravikDlg::BuildTray() {
    m_pTrayMenu = new QMenu(this);
    m_pTrayMenu->addAction(QStringLiteral("&About Dravik"), this, &CDravikDlg::ShowAbout);
    m_pTrayMenu->addSeparator();
    m_pTrayMenu->addAction(QStringLiteral("&Hide"), this, [this] { hide(); });
    m_pActRestore =
        m_pTrayMenu->addAction(QStringLiteral("Restore"), this, &CDravikDlg::RestoreFromTray);
    m_pTrayMenu->setDefaultAction(m_pActRestore);
    m_pTrayMenu->addSeparator();
    m_pTrayMenu->addAction(QStringLiteral("E&xit"), this, &CDravikDlg::Exit);

    m_pTray = new QSystemTrayIcon(skin::AppIcon(), this);
    m_pTray->setToolTip(TRAY_TIP);
    m_pTray->setContextMenu(m_pTrayMenu);
    connect(m_pTray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick)
                    OnTrayDoubleClick();
            });
    m_pTray->show();
    m_bTrayWasAvailable = m_fnTrayAvailable();
    m_TrayPoll.start(2000);
}

// ---------------------------------------------------------- initialisation

void CDravikDlg::Initialize() {
    LoadOptions(g_AppOptions);
    SetChartCurves(g_AppOptions.bShowReadChart, g_AppOptions.bShowWriteChart);
    BuildTray();
    InitMissions();
    RestartRefreshTimer();
    if (g_AppOptions.bLaunchInTray) {
        showMinimized();
        m_HideTimer.start(1);
    }
}

void CDravikDlg::InitMissions() {
    ShowPane(true);
    m_Buttons[BTN_PROC_MODE]->setChecked(true);
    for (CMissionGroup* pGroup : {g_pProcMode, g_pPathMode, g_pRecycler}) {
        if (pGroup)
            pGroup->Load();
    }
    m_pMissList->SetGroup(g_pProcMode);
    if (g_pProcMode && !g_pProcMode->m_vecMissions.empty())
        m_pChart->SetMission(g_pProcMode->m_vecMissions.front());
}

void CDravikDlg::RestartRefreshTimer() {
    // A timer takes a signed period; longer periods run at the longest one
    // it can hold (about 24 days), the missions still divide by the option.
    const std::uint32_t uPeriod = std::max(g_AppOptions.uFreshTime, MIN_FRESH_TIME);
    m_RefreshTimer.start(static_cast<int>(std::min<std::uint32_t>(uPeriod, INT_MAX)));
}

// ----------------------------------------------------------- refresh cycle

void CDravikDlg::RefreshStatistics() {
    FLOW_LOG logs[32];
    std::uint32_t uCount = 0;
    if (!g_FlowApi.pfnGetLog || !g_FlowApi.pfnGetLog(logs, 32, &uCount))
        return;
    DBG_LOG(4, "---------------------Get log OK-----------------");
    uCount = std::min<std::uint32_t>(uCount, 32);

    // Each record belongs to at most one mission; a mission matched by
    // several records takes the first.
    CMission* owners[32];
    for (std::uint32_t i = 0; i < uCount; ++i) {
        const char16_t* pName = logs[i].szTargetName;
        const auto nLength = std::find(pName, pName + FLOW_LOG_NAME_CHARS, u'\0') - pName;
        owners[i] = FindMissionForLogName(QString::fromUtf16(pName, nLength));
    }

    for (const auto& [strName, pMission] : g_mapMissions) {
        std::uint32_t uRead = 0;
        std::uint32_t uWrite = 0;
        std::int64_t llReads = pMission->llAlreadyReads;
        std::int64_t llWrites = pMission->llAlreadyWrites;
        for (std::uint32_t i = 0; i < uCount; ++i) {
            if (owners[i] != pMission)
                continue;
            uRead = logs[i].uReadBytes;
            uWrite = logs[i].uWriteBytes;
            llReads = logs[i].llAlreadyReads;
            llWrites = logs[i].llAlreadyWrites;
            DBG_LOG(
                4, "miss<%s> Rspeed<%d(B/S)> Wspeed<%d(B/S)> Total_R<%I64d> Total_W<%I64d>",
                QString::fromUtf16(logs[i].szTargetName,
                                   std::find(logs[i].szTargetName,
                                             logs[i].szTargetName + FLOW_LOG_NAME_CHARS, u'\0') -
                                       logs[i].szTargetName),
                uRead, uWrite, llReads, llWrites);
            break;
        }
        pMission->UpdateStatistics(uRead, uWrite, llReads, llWrites);
    }

    m_pMissList->Refresh();
    m_pChart->UpdateChart();
}

// ---------------------------------------------------------------- commands

void CDravikDlg::DeleteSelectedMissions() {
    // The list's own delete: the same question, bottom-up order and moves.
    m_pMissList->DeleteSelected();
}

void CDravikDlg::StartSelectedMissions() {
    m_pMissList->OnStartSelected();
}

void CDravikDlg::StopSelectedMissions() {
    m_pMissList->OnStopSelected();
}

QString CDravikDlg::HelpFolder() {
    // DRAVIK_HELP_DIR points a run from elsewhere (tests, a packaged layout)
    // at the pages; otherwise they lie beside the program or in its share.
    const QString strBin = QCoreApplication::applicationDirPath();
    for (const QString& strDir :
         {qEnvironmentVariable("DRAVIK_HELP_DIR"), strBin + QStringLiteral("/help"),
          strBin + QStringLiteral("/../share/dravik/help")}) {
        if (!strDir.isEmpty() && QFileInfo::exists(strDir + INDEX_PAGE))
            return QDir::cleanPath(strDir);
    }
    return QString();
}

void CDravikDlg::OpenWebPage(const QString& strPage) {
    const QString strFolder = HelpFolder();
    const QString strFile = strFolder + strPage;
    if (strFolder.isEmpty() || !QFileInfo::exists(strFile) ||
        !m_fnOpenUrl(QUrl::fromLocalFile(strFile))) {
        CUserPrompt::Ask(QStringLiteral("WEB浏览器打开错误！"), PromptButtons::Ok,
                         PromptIcon::Warning);
    }
}

void CDravikDlg::ShowEmail() {
    CUserPrompt::Ask(QStringLiteral("EMAIL: ") + SUPPORT_EMAIL, PromptButtons::Ok,
                     PromptIcon::Information);
}

void CDravikDlg::ShowAbout() {
    CAboutDlg about(isVisible() ? this : nullptr);
    about.exec();
}

void CDravikDlg::NewMission() {
    CMissionDlg editor(nullptr, this);
    editor.exec();
}

void CDravikDlg::EditMission() {
    CSelMissDlg select(this);
    select.exec();
}

void CDravikDlg::OpenMissionEditor(CMission* pMission) {
    CMissionDlg editor(pMission, this);
    editor.exec();
}

void CDravikDlg::OpenOptionsDialog() {
    COptionDlg options(*this, this);
    options.exec();
}

void CDravikDlg::ShowPane(bool bChart) {
    m_Buttons[BTN_CHART_TAB]->setEnabled(!bChart);
    m_Buttons[BTN_LOG_TAB]->setEnabled(bChart);
    m_pChart->ShowChart(bChart);
    m_pLogList->setVisible(!bChart);
}

void CDravikDlg::RelayoutMissList() {
    m_pMissList->setGeometry(m_rcMissList);
    m_pMissList->show();
    m_pMissList->update();
}

// ------------------------------------------------------- tray and hiding

void CDravikDlg::SetTrayAvailableProbe(std::function<bool()> fnProbe) {
    m_fnTrayAvailable = std::move(fnProbe);
    m_bTrayWasAvailable = m_fnTrayAvailable();
}

void CDravikDlg::SetUrlOpener(std::function<bool(const QUrl&)> fnOpen) {
    m_fnOpenUrl = std::move(fnOpen);
}

void CDravikDlg::HideToTray() {
    if (m_fnTrayAvailable())
        hide();
    else
        showMinimized();
}

void CDravikDlg::RestoreFromTray() {
    showNormal();
    raise();
    activateWindow();
}

void CDravikDlg::OnTrayDoubleClick() {
    if (isVisible() && !isMinimized())
        hide();
    else
        RestoreFromTray();
}

void CDravikDlg::OnHideTimer() {
    m_HideTimer.stop();
    HideToTray();
}

void CDravikDlg::PollTray() {
    const bool bAvailable = m_fnTrayAvailable();
    if (bAvailable && !m_bTrayWasAvailable)
        OnTaskbarCreated();
    m_bTrayWasAvailable = bAvailable;
}

void CDravikDlg::OnTaskbarCreated() {
    if (!m_pTray)
        return;
    QIcon small;
    small.addPixmap(skin::AppIcon().pixmap(16, 16));
    m_pTray->hide();
    m_pTray->setIcon(small);
    m_pTray->setToolTip(TRAY_TIP);
    m_pTray->show();
}

void CDravikDlg::Exit() {
    emit ExitRequested();
}

void CDravikDlg::SaveAll() {
    SaveOptions();
    for (CMissionGroup* pGroup : {g_pProcMode, g_pPathMode, g_pRecycler}) {
        if (pGroup)
            pGroup->Save();
    }
}

void CDravikDlg::reject() {
    // Escape and the dialog's cancel never end the program: only Exit does.
}

void CDravikDlg::closeEvent(QCloseEvent* pEvent) {
    pEvent->ignore();
    HideToTray();
}

void CDravikDlg::keyPressEvent(QKeyEvent* pEvent) {
    switch (pEvent->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        pEvent->accept();
        return;
    default:
        CSkinDialog::keyPressEvent(pEvent);
    }
}

void CDravikDlg::changeEvent(QEvent* pEvent) {
    CSkinDialog::changeEvent(pEvent);
    // Minimising from the task bar or the keyboard hides the window too, as
    // long as the tray icon can bring it back.
    if (pEvent->type() == QEvent::WindowStateChange && isMinimized() && isVisible() &&
        !m_HideTimer.isActive() && m_fnTrayAvailable()) {
        QTimer::singleShot(0, this, [this] {
            if (isMinimized())
                hide();
        });
    }
}

void CDravikDlg::paintEvent(QPaintEvent* pEvent) {
    CSkinDialog::paintEvent(pEvent);
    if (!m_bPainted) {
        m_bPainted = true;
        emit FirstPainted();
    }
}

// ------------------------------------------------------- host interfaces

void CDravikDlg::CheckGroupButton(CMissionGroup* pGroup) {
    if (!pGroup)
        return;
    Button button = BTN_PROC_MODE;
    if (pGroup == g_pPathMode)
        button = BTN_PATH_MODE;
    else if (pGroup == g_pRecycler)
        button = BTN_RECYCLER;
    else if (pGroup != g_pProcMode)
        return;
    if (!m_Buttons[button]->isChecked())
        m_Buttons[button]->setChecked(true);
}

void CDravikDlg::ShowGroup(CMissionGroup* pGroup) {
    m_pMissList->SetGroup(pGroup);
}

void CDravikDlg::RemoveMissionRow(const QString& strTargetName) {
    m_pMissList->RemoveRowByName(strTargetName);
}

CMission* CDravikDlg::GetChartMission() const {
    return m_pChart->GetMission();
}

void CDravikDlg::SetChartMission(CMission* pMission) {
    m_pChart->SetMission(pMission);
}

bool CDravikDlg::GetShowRead() const {
    return m_pChart->m_bShowRead;
}

bool CDravikDlg::GetShowWrite() const {
    return m_pChart->m_bShowWrite;
}

void CDravikDlg::SetShowRead(bool bShow) {
    m_pChart->SetShowRead(bShow);
    m_pActShowRead->setChecked(bShow);
}

void CDravikDlg::SetShowWrite(bool bShow) {
    m_pChart->SetShowWrite(bShow);
    m_pActShowWrite->setChecked(bShow);
}

void CDravikDlg::SetChartCurves(bool bShowRead, bool bShowWrite) {
    SetShowRead(bShowRead);
    SetShowWrite(bShowWrite);
}

void CDravikDlg::SaveOptions() {
    g_AppOptions.bShowReadChart = GetShowRead() ? TRUE : FALSE;
    g_AppOptions.bShowWriteChart = GetShowWrite() ? TRUE : FALSE;
    ::SaveOptions(g_AppOptions);
}
