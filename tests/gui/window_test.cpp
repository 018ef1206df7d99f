#include "tests/gui/WindowFixture.h"

#include "app/AboutDlg.h"
#include "app/core/Options.h"
#include "missions/MissionGroup.h"
#include "skin/BitmapButton.h"
#include "skin/CaptionBar.h"
#include "views/LogList.h"
#include "views/MissList.h"
#include "views/QosCurve.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

namespace {

using W = CDravikDlg;

QStringList Texts(const QMenu* pMenu) {
    QStringList texts;
    for (const QAction* pAction : pMenu->actions())
        texts << (pAction->isSeparator() ? QStringLiteral("-") : pAction->text());
    return texts;
}

QRect Edges(int left, int top, int right, int bottom) {
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

class MainWindow : public CWindowTest {};

TEST_F(MainWindow, HasItsSizePlaceAndLayout) {
    CDravikDlg& w = Window();
    EXPECT_EQ(w.size(), QSize(1024, 748));
    EXPECT_EQ(w.pos(), QPoint(0, 0));
    EXPECT_EQ(w.Caption()->Title(), QStringLiteral("Dravik - Morvane Disk Speed Controllor"));
    const int R = w.Client()->width();
    const int B = w.Client()->height();
    const struct {
        W::Button button;
        QRect rect;
        const char* tooltip;
    } table[] = {
        {W::BTN_NEW, Edges(10, 0, 47, 37), "New mission"},
        {W::BTN_EDIT, Edges(55, 2, 90, 37), "Edit mission"},
        {W::BTN_DELETE, Edges(110, 2, 145, 37), "Delete missions"},
        {W::BTN_START, Edges(155, 2, 190, 37), "Start missions"},
        {W::BTN_STOP, Edges(200, 2, 235, 37), "Stop missions"},
        {W::BTN_SETTING, Edges(255, 2, 290, 37), "Setting"},
        {W::BTN_HELP, Edges(1024 - 45, 2, 1024 - 10, 37), "Help"},
        {W::BTN_PROC_MODE, Edges(0, 59, 140, 85), "Mission of process mode"},
        {W::BTN_PATH_MODE, Edges(0, 85, 140, 111), "Mission of path mode"},
        {W::BTN_RECYCLER, Edges(0, 111, 139, 137), "Recycler of missions"},
        {W::BTN_HOME_PAGE, Edges(0, 137, 140, 163), "Visit home page"},
        {W::BTN_UPDATE_WEB, Edges(0, 163, 140, 189), "Visit update web"},
        {W::BTN_HELP_ONLINE, Edges(0, 189, 140, 215), "Help on line"},
        {W::BTN_EMAIL, Edges(0, 242, 140, 268), "Email to us"},
        {W::BTN_CHART_TAB, Edges(157, B - 54, 230, B - 27), ""},
        {W::BTN_LOG_TAB, Edges(230, B - 54, 303, B - 27), ""},
    };
    for (const auto& row : table) {
        CBitmapButton* pButton = w.GetButton(row.button);
        EXPECT_EQ(pButton->geometry(), row.rect) << row.tooltip;
        EXPECT_EQ(pButton->toolTip(), QString::fromLatin1(row.tooltip));
        EXPECT_TRUE(pButton->isVisible()) << row.tooltip;
    }
    EXPECT_EQ(w.MissList()->geometry(), Edges(150, 50, R - 3, 321));
    EXPECT_EQ(w.LogList()->geometry(), Edges(154, 333, R - 9, 643));
    EXPECT_EQ(w.Chart()->geometry(), Edges(154, 333, R - 9, 643));
    EXPECT_EQ(w.Chart()->height(), 310);

    // The start state: chart shown, log hidden, process-mode group checked.
    EXPECT_TRUE(w.Chart()->isVisible());
    EXPECT_FALSE(w.LogList()->isVisible());
    EXPECT_FALSE(w.GetButton(W::BTN_CHART_TAB)->isEnabled());
    EXPECT_TRUE(w.GetButton(W::BTN_LOG_TAB)->isEnabled());
    EXPECT_TRUE(w.GetButton(W::BTN_PROC_MODE)->isChecked());
    EXPECT_EQ(w.MissList()->GetGroup(), g_pProcMode);
    EXPECT_EQ(w.RefreshTimer().interval(), 1000);
    EXPECT_TRUE(w.RefreshTimer().isActive());
}

TEST_F(MainWindow, MenusCarryEveryItemAndText) {
    CDravikDlg& w = Window();
    QList<QMenu*> menus;
    for (QAction* pAction : w.MenuBar()->actions())
        menus << pAction->menu();
    ASSERT_EQ(menus.size(), 5);
    const QStringList expected[] = {
        {"&New Mission...\tCtrl+N", "&Open Mission...\tCtrl+O", "-", "E&xit"},
        {"Show &Read Chart", "Show &Write Chart"},
        {"&Edit Mission", "-", "&Start", "Sto&p", "&Delete...", "-", "Select All"},
        {"Settings...\tAlt+F7"},
        {"About Dravik...", "-", "Online &Help...\tF1", "&Morvane Web..."},
    };
    const QStringList titles = {"&File", "&View", "&Mission", "&Option", "&Help"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(menus[i]->title(), titles[i]);
        EXPECT_EQ(Texts(menus[i]), expected[i]);
        for (QAction* pAction : menus[i]->actions()) {
            EXPECT_TRUE(pAction->isEnabled()) << pAction->text().toStdString();
            // The texts after the tab are labels only.
            EXPECT_TRUE(pAction->shortcut().isEmpty()) << pAction->text().toStdString();
        }
    }
    EXPECT_EQ(Texts(w.TrayMenu()),
              QStringList({"&About Dravik", "-", "&Hide", "Restore", "-", "E&xit"}));
    EXPECT_EQ(w.TrayMenu()->defaultAction(), w.TrayRestoreAction());
    EXPECT_EQ(w.TrayIcon()->toolTip(), QStringLiteral("Dravik running"));
}

TEST_F(MainWindow, ViewMenuChecksFollowTheOptionsAndAreSavedAtOnce) {
    {
        QFile file(WorkFile("Options.xml"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        // ShowWriteChart is missing: it reads as 0.
        file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<items><Options><AutoRun>0"
                   "</AutoRun><LuanchInTray>0</LuanchInTray><ShowReadChart>1</ShowReadChart>"
                   "<FreshTime>1000</FreshTime></Options></items>\n");
    }
    CDravikDlg& w = Window();
    EXPECT_TRUE(w.ShowReadAction()->isChecked());
    EXPECT_FALSE(w.ShowWriteAction()->isChecked());
    EXPECT_TRUE(w.Chart()->m_bShowRead);
    EXPECT_FALSE(w.Chart()->m_bShowWrite);

    w.ShowReadAction()->trigger();
    EXPECT_FALSE(w.ShowReadAction()->isChecked());
    EXPECT_FALSE(w.Chart()->m_bShowRead);
    EXPECT_TRUE(ReadWorkFile("Options.xml").contains("<ShowReadChart>0</ShowReadChart>"));
    w.ShowWriteAction()->trigger();
    EXPECT_TRUE(w.Chart()->m_bShowWrite);
    EXPECT_TRUE(ReadWorkFile("Options.xml").contains("<ShowWriteChart>1</ShowWriteChart>"));
}

TEST_F(MainWindow, CloseAndMinimiseHideBehindTheTrayAndTrayBringsItBack) {
    CDravikDlg& w = Window();
    QSignalSpy exits(&w, &CDravikDlg::ExitRequested);

    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.TrayIcon()->isVisible());
    w.TrayRestoreAction()->trigger();
    EXPECT_TRUE(w.isVisible());

    // The drawn caption's close and minimise images.
    QTest::mouseClick(w.Caption(), Qt::LeftButton, {}, w.Caption()->CloseRect().center());
    EXPECT_FALSE(w.isVisible());
    w.OnTrayDoubleClick();
    EXPECT_TRUE(w.isVisible());
    QTest::mouseClick(w.Caption(), Qt::LeftButton, {}, w.Caption()->MinimiseRect().center());
    EXPECT_FALSE(w.isVisible());
    w.OnTrayDoubleClick();
    EXPECT_TRUE(w.isVisible());
    w.OnTrayDoubleClick();
    EXPECT_FALSE(w.isVisible());

    // Tray "&Hide".
    w.RestoreFromTray();
    w.TrayMenu()->actions().at(2)->trigger();
    EXPECT_FALSE(w.isVisible());

    EXPECT_EQ(exits.count(), 0);
    EXPECT_TRUE(w.RefreshTimer().isActive()) << "the program keeps running while hidden";
}

TEST_F(MainWindow, WithoutATrayTheWindowMinimisesInsteadOfHiding) {
    m_bTrayAvailable = false;
    CDravikDlg& w = Window();
    w.close();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isMinimized());
    QTest::mouseClick(w.Caption(), Qt::LeftButton, {}, w.Caption()->CloseRect().center());
    EXPECT_TRUE(w.isVisible());
    w.RestoreFromTray();
    EXPECT_FALSE(w.isMinimized());
    // The tray's own "&Hide" keeps its meaning.
    w.TrayMenu()->actions().at(2)->trigger();
    EXPECT_FALSE(w.isVisible());
}

TEST_F(MainWindow, EscapeAndEnterDoNothing) {
    CDravikDlg& w = Window();
    QSignalSpy exits(&w, &CDravikDlg::ExitRequested);
    QSignalSpy finished(&w, &QDialog::finished);
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(&w, key);
        QTest::keyClick(w.MissList(), key);
        EXPECT_TRUE(w.isVisible()) << key;
    }
    EXPECT_EQ(exits.count(), 0);
    EXPECT_EQ(finished.count(), 0);
}

TEST_F(MainWindow, PaneTabsSwitchBetweenChartAndLog) {
    CDravikDlg& w = Window();
    QTest::mouseClick(w.GetButton(W::BTN_LOG_TAB), Qt::LeftButton);
    EXPECT_FALSE(w.Chart()->isVisible());
    EXPECT_TRUE(w.LogList()->isVisible());
    EXPECT_FALSE(w.GetButton(W::BTN_LOG_TAB)->isEnabled());
    EXPECT_TRUE(w.GetButton(W::BTN_CHART_TAB)->isEnabled());
    QTest::mouseClick(w.GetButton(W::BTN_CHART_TAB), Qt::LeftButton);
    EXPECT_TRUE(w.Chart()->isVisible());
    EXPECT_FALSE(w.LogList()->isVisible());
    EXPECT_FALSE(w.GetButton(W::BTN_CHART_TAB)->isEnabled());
}

TEST_F(MainWindow, GroupButtonsShowTheirGroupAsOneRadioGroup) {
    CDravikDlg& w = Window();
    AddMission(QStringLiteral("/srv/data/"), FLOW_MODE_PATH);
    QTest::mouseClick(w.GetButton(W::BTN_PATH_MODE), Qt::LeftButton);
    EXPECT_EQ(w.MissList()->GetGroup(), g_pPathMode);
    EXPECT_EQ(w.MissList()->GetItemCount(), 1);
    EXPECT_TRUE(w.GetButton(W::BTN_PATH_MODE)->isChecked());
    EXPECT_FALSE(w.GetButton(W::BTN_PROC_MODE)->isChecked());
    QTest::mouseClick(w.GetButton(W::BTN_RECYCLER), Qt::LeftButton);
    EXPECT_EQ(w.MissList()->GetGroup(), g_pRecycler);
    EXPECT_EQ(w.MissList()->GetItemCount(), 0);
    // A group shown from elsewhere (the editor) checks its button.
    w.MissList()->SetGroup(g_pProcMode);
    EXPECT_TRUE(w.GetButton(W::BTN_PROC_MODE)->isChecked());
    EXPECT_FALSE(w.GetButton(W::BTN_RECYCLER)->isChecked());
}

TEST_F(MainWindow, LaunchInTrayMinimisesThenHides) {
    g_AppOptions.bLaunchInTray = TRUE;
    SaveOptions(g_AppOptions);
    m_pWindow = std::make_unique<CDravikDlg>();
    m_pWindow->SetTrayAvailableProbe([] { return true; });
    m_pWindow->Initialize();
    EXPECT_TRUE(m_pWindow->isMinimized());
    EXPECT_TRUE(m_pWindow->HideTimer().isActive());
    EXPECT_EQ(m_pWindow->HideTimer().interval(), 1);
    QTRY_VERIFY(!m_pWindow->isVisible());
    EXPECT_FALSE(m_pWindow->HideTimer().isActive());
    EXPECT_TRUE(m_pWindow->TrayIcon()->isVisible());
}

TEST_F(MainWindow, TrayIconComesBackWhenTheTrayReturns) {
    m_bTrayAvailable = false;
    CDravikDlg& w = Window();
    w.TrayIcon()->hide(); // the panel went away and took the icon with it
    m_bTrayAvailable = true;
    QTRY_VERIFY_WITH_TIMEOUT(w.TrayIcon()->isVisible(), 5000);
    EXPECT_EQ(w.TrayIcon()->toolTip(), QStringLiteral("Dravik running"));
    EXPECT_FALSE(w.TrayIcon()->icon().isNull());
}

TEST_F(MainWindow, HelpButtonsOpenTheShippedPages) {
    CDravikDlg& w = Window();
    QList<QUrl> opened;
    w.SetUrlOpener([&](const QUrl& url) {
        opened << url;
        return true;
    });
    const struct {
        W::Button button;
        const char* page;
    } table[] = {{W::BTN_HELP, "support.html"},
                 {W::BTN_HELP_ONLINE, "support.html"},
                 {W::BTN_HOME_PAGE, "index.html"},
                 {W::BTN_UPDATE_WEB, "index.html"}};
    for (const auto& row : table) {
        opened.clear();
        QTest::mouseClick(w.GetButton(row.button), Qt::LeftButton);
        ASSERT_EQ(opened.size(), 1) << row.page;
        EXPECT_TRUE(opened[0].isLocalFile());
        EXPECT_TRUE(opened[0].toLocalFile().endsWith(QLatin1String("/") + row.page));
        EXPECT_TRUE(QFile::exists(opened[0].toLocalFile()));
    }
}

TEST_F(MainWindow, AMissingHelpPageOrBrowserIsReported) {
    CDravikDlg& w = Window();
    w.SetUrlOpener([](const QUrl&) { return false; });
    m_pPrompts->Expect(PromptAnswer::Ok);
    w.OpenWebPage(CDravikDlg::SUPPORT_PAGE);
    qputenv("DRAVIK_HELP_DIR", m_Dir.path().toLocal8Bit()); // no pages there
    w.SetUrlOpener([](const QUrl&) { return true; });
    m_pPrompts->Expect(PromptAnswer::Ok);
    w.OpenWebPage(CDravikDlg::INDEX_PAGE);
    ASSERT_EQ(m_pPrompts->Texts().size(), 2u);
    EXPECT_EQ(m_pPrompts->Texts()[0], QStringLiteral("WEB浏览器打开错误！"));
    EXPECT_EQ(m_pPrompts->Texts()[1], QStringLiteral("WEB浏览器打开错误！"));
}

TEST_F(MainWindow, EmailButtonShowsTheAddress) {
    CDravikDlg& w = Window();
    m_pPrompts->Expect(PromptAnswer::Ok);
    QTest::mouseClick(w.GetButton(W::BTN_EMAIL), Qt::LeftButton);
    ASSERT_EQ(m_pPrompts->Texts().size(), 1u);
    EXPECT_EQ(m_pPrompts->Texts()[0], QStringLiteral("EMAIL: support@dravik.example"));
}

TEST_F(MainWindow, AboutBoxHasItsSizeAndButton) {
    CAboutDlg about;
    about.show();
    QApplication::processEvents();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Dravik"));
    EXPECT_EQ(about.Client()->size(), QSize(354, 101));
    EXPECT_EQ(about.height(), 101 + about.NonClientHeight());
    EXPECT_EQ(about.OkButton()->geometry(), Edges(135, 61, 220, 84));
    QTest::mouseClick(about.OkButton(), Qt::LeftButton);
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST_F(MainWindow, ModalDialogsOpenFromTheirCommands) {
    CDravikDlg& w = Window();
    // Each command opens its modal dialog; the timer closes it again, so the
    // test never waits on a user.
    const struct {
        std::function<void()> command;
        const char* className;
    } table[] = {
        {[&] { w.ShowAbout(); }, "CAboutDlg"},
        {[&] { w.GetButton(W::BTN_SETTING)->click(); }, "COptionDlg"},
        {[&] { w.GetButton(W::BTN_NEW)->click(); }, "CMissionDlg"},
        {[&] { w.GetButton(W::BTN_EDIT)->click(); }, "CSelMissDlg"},
    };
    for (const auto& row : table) {
        QString seen;
        QTimer::singleShot(50, [&] {
            if (QWidget* pModal = QApplication::activeModalWidget()) {
                seen = QString::fromLatin1(pModal->metaObject()->className());
                static_cast<QDialog*>(pModal)->reject();
            }
        });
        row.command();
        EXPECT_EQ(seen, QString::fromLatin1(row.className));
    }
}

TEST_F(MainWindow, DeleteAsksThenMovesSelectedMissionsToTheRecycler) {
    CDravikDlg& w = Window();
    AddMission(QStringLiteral("/srv/a/"), FLOW_MODE_PATH);
    AddMission(QStringLiteral("/srv/b/"), FLOW_MODE_PATH);
    w.MissList()->SetGroup(g_pPathMode);
    w.MissList()->SetItemSelected(0, true);
    w.MissList()->SetItemSelected(1, true);

    m_pPrompts->Expect(PromptAnswer::No);
    w.GetButton(W::BTN_DELETE)->click();
    EXPECT_EQ(w.MissList()->GetItemCount(), 2);
    EXPECT_EQ(g_pPathMode->m_vecMissions.size(), 2u);

    m_pPrompts->Expect(PromptAnswer::Yes);
    w.GetButton(W::BTN_DELETE)->click();
    ASSERT_EQ(m_pPrompts->Asked().size(), 2u);
    EXPECT_EQ(m_pPrompts->Asked()[1].strText, QStringLiteral("Are you sure to del the missions?"));
    EXPECT_EQ(m_pPrompts->Asked()[1].strCaption, QStringLiteral("Delete missions"));
    EXPECT_EQ(w.MissList()->GetItemCount(), 0);
    EXPECT_TRUE(g_pPathMode->m_vecMissions.empty());
    EXPECT_EQ(g_pRecycler->m_vecMissions.size(), 2u);
    EXPECT_FALSE(ReadWorkFile("Vrekta_PathMode.vkm").contains("/srv/a/"));
    EXPECT_TRUE(ReadWorkFile("Vrekta_Recycler.vkm").contains("/srv/a/"));
    EXPECT_TRUE(ReadWorkFile("Vrekta_Recycler.vkm").contains("/srv/b/"));
}

TEST_F(MainWindow, ExitLeavesTheRunToTheOwnerAndDestructionSavesEverything) {
    StoreMission(GROUP_NAME_PROC_MODE, QStringLiteral("rsync"), FLOW_MODE_PROCESS, true);
    CDravikDlg& w = Window();
    ASSERT_EQ(m_pApi->State().added.size(), 1u) << "a stored running mission starts again";
    QSignalSpy exits(&w, &CDravikDlg::ExitRequested);
    w.TrayMenu()->actions().last()->trigger();
    EXPECT_EQ(exits.count(), 1);

    QFile::remove(WorkFile("Options.xml"));
    QFile::remove(WorkFile("Vrekta_ProcMode.vkm"));
    DestroyWindow();
    EXPECT_EQ(g_pProcMode, nullptr);
    EXPECT_EQ(g_pPathMode, nullptr);
    EXPECT_EQ(g_pRecycler, nullptr);
    ASSERT_EQ(m_pApi->State().removed.size(), 1u) << "the running mission is withdrawn";
    EXPECT_EQ(m_pApi->State().removed[0], u"rsync");
    EXPECT_TRUE(ReadWorkFile("Options.xml").contains("<FreshTime>1000</FreshTime>"));
    const QString strFile = ReadWorkFile("Vrekta_ProcMode.vkm");
    EXPECT_TRUE(strFile.contains("rsync"));
    EXPECT_TRUE(strFile.contains("<bMissionActive>1</bMissionActive>"))
        << "the file keeps the running state for the next start";
    EXPECT_TRUE(QFile::exists(WorkFile("Vrekta_PathMode.vkm")));
    EXPECT_TRUE(QFile::exists(WorkFile("Vrekta_Recycler.vkm")));
}

} // namespace

namespace {

// Before the desktop session ends the session manager asks the program to
// save; the session may still be cancelled, so it keeps running.
TEST_F(MainWindow, SavingForTheSessionWritesEverythingAndKeepsRunning) {
    CDravikDlg& w = Window();
    AddMission(QStringLiteral("rsync"), FLOW_MODE_PROCESS);
    for (const char* name :
         {"Options.xml", "Vrekta_ProcMode.vkm", "Vrekta_PathMode.vkm", "Vrekta_Recycler.vkm"})
        QFile::remove(WorkFile(QString::fromLatin1(name)));
    QSignalSpy exits(&w, &CDravikDlg::ExitRequested);
    w.SaveAll();
    for (const char* name :
         {"Options.xml", "Vrekta_ProcMode.vkm", "Vrekta_PathMode.vkm", "Vrekta_Recycler.vkm"})
        EXPECT_TRUE(QFile::exists(WorkFile(QString::fromLatin1(name)))) << name;
    EXPECT_TRUE(ReadWorkFile("Vrekta_ProcMode.vkm").contains("<bMissionActive>1</bMissionActive>"));
    EXPECT_EQ(exits.count(), 0);
    EXPECT_TRUE(m_pApi->State().removed.empty()) << "nothing withdrawn";
}

} // namespace
