// The mission list with real groups, missions and files: its formats, rows
// kept up to date (and in a sorted order), the popup's enabled items, and the
// commands start, stop, toggle, delete, clear recycler, recover, chart
// switches and properties.
#include "app/core/FlowApi.h"
#include "comm/DbgLogCapture.h"
#include "missions/Mission.h"
#include "missions/MissionGroup.h"
#include "tests/support/PromptScript.h"
#include "views/MissList.h"
#include "views/MissListFormat.h"
#include "views/MissListHost.h"
#include "views/SortHeaderCtrl.h"

#include "tests/support/QtTestApp.h"
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <memory>

namespace {

// --- formats -----------------------------------------------------------------

TEST(MissListFormat, ShowsLimitsSpeedsTotalsAndTimes) {
    struct {
        QString shown;
        const char* expected;
    } const cases[] = {
        {FormatSpeedLimit(0xFFFFFFFFu), "--"},
        {FormatSpeedLimit(10485760u), "10.00"},
        {FormatSpeedLimit(0u), "0.00"},
        {FormatSpeedLimit(0xFFFFFFFEu), "4096.00"},
        {FormatTotalLimit(0x0FFFFFFF00000000LL), "--"},
        {FormatTotalLimit(1073741824LL), "1.0000"},
        {FormatTotalLimit(0), "0.0000"},
        {FormatTotalLimit(0x0FFFFFFF00000001LL), "1073741820.0000"}, // a byte more is a limit
        {FormatSpeed(1048575u), "1.00"},
        {FormatSpeed(0xFFFFFFFFu), "4096.00"}, // a speed is never "--"
        {FormatTotal(1073741824LL), "1.0000"},
        {FormatTotal(0x0FFFFFFF00000000LL), "1073741820.0000"}, // nor a total
        {FormatDuring(25 * 3600 + 3 * 60), "01:03"},
        {FormatDuring(59), "00:00"},
        {FormatDuring(23 * 3600 + 59 * 60 + 59), "23:59"},
        {FormatDuring(-120), "00:00"},
        {FormatStartTime(1138957507), "02-03 09:05"}, // 2006-02-03 09:05:07 UTC
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.shown, QString::fromUtf8(c.expected));
}

// --- the world of one test: three groups, a scripted library, a host ---------

std::vector<std::u16string> g_added;
std::vector<std::u16string> g_removed;
BOOL g_bLibraryAccepts = TRUE;

BOOL FakeAdd(FLOW_MISSION mission) {
    g_added.push_back(mission.strTargetName);
    return g_bLibraryAccepts;
}

BOOL FakeRemove(std::u16string strName) {
    g_removed.push_back(strName);
    return g_bLibraryAccepts;
}

std::time_t g_tmNow = 1138957507;
std::time_t PinnedNow() {
    return g_tmNow;
}

class CFakeHost : public IMissListHost {
public:
    void CheckGroupButton(CMissionGroup* pGroup) override { m_checkedGroups.push_back(pGroup); }
    CMission* GetChartMission() const override { return m_pChartMission; }
    void SetChartMission(CMission* pMission) override {
        m_pChartMission = pMission;
        m_events.push_back("chart");
    }
    bool GetShowRead() const override { return m_bShowRead; }
    bool GetShowWrite() const override { return m_bShowWrite; }
    void SetShowRead(bool bShow) override { m_bShowRead = bShow; }
    void SetShowWrite(bool bShow) override { m_bShowWrite = bShow; }
    void SaveOptions() override { ++m_nSaves; }
    void OpenOptionsDialog() override { ++m_nOptionDialogs; }
    void OpenMissionEditor(CMission* pMission) override { m_edited.push_back(pMission); }

    std::vector<CMissionGroup*> m_checkedGroups;
    CMission* m_pChartMission = nullptr;
    bool m_bShowRead = true;
    bool m_bShowWrite = false;
    int m_nSaves = 0;
    int m_nOptionDialogs = 0;
    std::vector<CMission*> m_edited;
    std::vector<std::string> m_events;
};

class MissListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_oldDir = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        g_added.clear();
        g_removed.clear();
        g_bLibraryAccepts = TRUE;
        g_FlowApi.pfnAddMission = &FakeAdd;
        g_FlowApi.pfnRemoveMission = &FakeRemove;
        m_pfnOldClock = SetMissionClock(&PinnedNow);
        g_pProcMode = new CMissionGroup(QString::fromLatin1(GROUP_NAME_PROC_MODE));
        g_pPathMode = new CMissionGroup(QString::fromLatin1(GROUP_NAME_PATH_MODE));
        g_pRecycler = new CMissionGroup(QString::fromLatin1(GROUP_NAME_RECYCLER));
        m_list = std::make_unique<CMissList>();
        m_list->resize(1000, 300);
        m_list->SetHost(&m_host);
    }

    void TearDown() override {
        m_list.reset();
        delete g_pProcMode;
        delete g_pPathMode;
        delete g_pRecycler;
        g_pProcMode = g_pPathMode = g_pRecycler = nullptr;
        g_mapMissions.clear();
        SetMissionClock(m_pfnOldClock);
        g_FlowApi.pfnAddMission = nullptr;
        g_FlowApi.pfnRemoveMission = nullptr;
        QDir::setCurrent(m_oldDir);
    }

    // A mission of the group's mode, inserted into pGroup (started when
    // bRunning, through the scripted library).
    CMission* Add(CMissionGroup* pGroup, const QString& strName, bool bRunning = false) {
        auto* pMission = new CMission;
        pMission->strTargetName = strName;
        pMission->uMode = strName.startsWith(QLatin1Char('/')) ? FLOW_MODE_PATH : FLOW_MODE_PROCESS;
        if (bRunning)
            pMission->Start();
        EXPECT_TRUE(pGroup->Insert(pMission));
        return pMission;
    }

    QStringList Names() const {
        QStringList names;
        for (int i = 0; i < m_list->GetItemCount(); ++i)
            names << m_list->GetItemText(i, CMissList::COL_NAME);
        return names;
    }

    static QStringList GroupNames(const CMissionGroup* pGroup) {
        QStringList names;
        for (const CMission* p : pGroup->m_vecMissions)
            names << p->strTargetName;
        return names;
    }

    // The target names a group's file lists, in file order.
    static QStringList FileNames(const CMissionGroup* pGroup) {
        QFile file(pGroup->FileName());
        if (!file.open(QIODevice::ReadOnly))
            return {QStringLiteral("<no file>")};
        const QString text = QString::fromUtf8(file.readAll());
        QStringList names;
        const QString open = QStringLiteral("<strTargetName>");
        for (int at = text.indexOf(open); at >= 0; at = text.indexOf(open, at + 1)) {
            const int from = at + open.size();
            names << text.mid(from, text.indexOf(QLatin1Char('<'), from) - from);
        }
        return names;
    }

    void SelectRows(const QList<int>& rows) {
        m_list->clearSelection();
        for (int nRow : rows)
            m_list->SetItemSelected(nRow, true);
    }

    QTemporaryDir m_dir;
    QString m_oldDir;
    MISSION_CLOCK m_pfnOldClock = nullptr;
    CFakeHost m_host;
    std::unique_ptr<CMissList> m_list;
};

// --- rows ----------------------------------------------------------------------

TEST_F(MissListTest, ColumnsAreTheTwelveOfTheList) {
    ASSERT_EQ(m_list->columnCount(), CMissList::COLUMN_COUNT);
    EXPECT_EQ(m_list->headerItem()->text(0), QString());
    EXPECT_EQ(m_list->headerItem()->text(2), "R-Speed-Limit(MB/S)");
    EXPECT_EQ(m_list->headerItem()->text(5), "Total-W-Limit(GB)");
    EXPECT_EQ(m_list->headerItem()->text(11), "During");
    EXPECT_EQ(m_list->columnWidth(0), 16);
    EXPECT_EQ(m_list->columnWidth(1), 80);
    EXPECT_EQ(m_list->GetRowHeight(), CMissList::ROW_HEIGHT);
    EXPECT_EQ(m_list->GetSmallImageList().size(), 3);
}

TEST_F(MissListTest, RowsShowTheMissionsFigures) {
    CMission* pLimited = Add(g_pProcMode, QStringLiteral("limited"), true);
    pLimited->uLimitReadSpeed = 10485760;
    pLimited->uLimitWriteSpeed = 0;
    pLimited->llLimitTotalReads = 1073741824;
    pLimited->llLimitTotalWrites = 0;
    pLimited->uReadSpeed = 1048575;
    pLimited->uWriteSpeed = 3145728;
    pLimited->llAlreadyReads = 1073741824LL * 3 / 2;
    pLimited->llAlreadyWrites = 0;
    pLimited->tmStart = g_tmNow - (25 * 3600 + 3 * 60);
    CMission* pFree = Add(g_pProcMode, QStringLiteral("free"));

    m_list->SetGroup(g_pProcMode);

    ASSERT_EQ(m_list->GetItemCount(), 2);
    const QStringList expected = {"",     "limited", "10.00",  "0.00",   "1.0000",      "0.0000",
                                  "1.00", "3.00",    "1.5000", "0.0000", "02-02 08:02", "01:03"};
    for (int nColumn = 0; nColumn < CMissList::COLUMN_COUNT; ++nColumn)
        EXPECT_EQ(m_list->GetItemText(0, nColumn), expected[nColumn]) << "column " << nColumn;
    EXPECT_EQ(pLimited->tsDuring, 25 * 3600 + 3 * 60);
    EXPECT_EQ(m_list->GetItemImage(0), CMissList::IMAGE_RUNNING);

    EXPECT_EQ(m_list->GetItemText(1, CMissList::COL_LIMIT_READ_SPEED), "--");
    EXPECT_EQ(m_list->GetItemText(1, CMissList::COL_LIMIT_TOTAL_WRITES), "--");
    EXPECT_EQ(m_list->GetItemText(1, CMissList::COL_START_TIME), "01-01 00:00"); // never started
    EXPECT_EQ(m_list->GetItemImage(1), CMissList::IMAGE_STOPPED);
    (void)pFree;
}

TEST_F(MissListTest, RefreshKeepsTheSortedOrderAndAppendsNewMissions) {
    CMission* pA = Add(g_pProcMode, QStringLiteral("a"));
    Add(g_pProcMode, QStringLiteral("b"));
    Add(g_pProcMode, QStringLiteral("c"));
    m_list->SetGroup(g_pProcMode);
    m_list->OnColumnClick(CMissList::COL_NAME);
    m_list->OnColumnClick(CMissList::COL_NAME);
    ASSERT_EQ(Names(), QStringList({"c", "b", "a"}));
    EXPECT_FALSE(m_list->GetSortHeader()->IsSortAscending());

    pA->uReadSpeed = 2 * 1048576;
    pA->Start();
    Add(g_pProcMode, QStringLiteral("0-new"));
    m_list->Refresh();
    m_list->Refresh();

    EXPECT_EQ(Names(), QStringList({"c", "b", "a", "0-new"}));
    EXPECT_EQ(m_list->GetItemText(2, CMissList::COL_READ_SPEED), "2.00");
    EXPECT_EQ(m_list->GetItemImage(2), CMissList::IMAGE_RUNNING);

    // A mission that left the group keeps its row until the group is shown again.
    DeleteMission(pA);
    m_list->Refresh();
    EXPECT_EQ(Names(), QStringList({"c", "b", "a", "0-new"}));
    m_list->SetGroup(g_pProcMode);
    EXPECT_EQ(Names(), QStringList({"b", "c", "0-new"}));
}

TEST_F(MissListTest, SetGroupRebuildsTheRowsAndChecksTheGroupButton) {
    Add(g_pProcMode, QStringLiteral("proc"));
    Add(g_pPathMode, QStringLiteral("/data/"));
    m_list->SetGroup(g_pProcMode);
    EXPECT_EQ(Names(), QStringList({"proc"}));
    m_list->SetGroup(g_pPathMode);
    EXPECT_EQ(Names(), QStringList({"/data/"}));
    m_list->SetGroup(g_pRecycler);
    EXPECT_EQ(m_list->GetItemCount(), 0);
    EXPECT_EQ(m_host.m_checkedGroups,
              std::vector<CMissionGroup*>({g_pProcMode, g_pPathMode, g_pRecycler}));
}

TEST_F(MissListTest, SelectingRowsGivesTheChartTheLastSelectedMission) {
    Add(g_pProcMode, QStringLiteral("a"));
    CMission* pB = Add(g_pProcMode, QStringLiteral("b"));
    CMission* pC = Add(g_pProcMode, QStringLiteral("c"));
    m_list->SetGroup(g_pProcMode);
    QObject::connect(m_list.get(), &CListCtrlCn::RelayoutRequested,
                     [this] { m_host.m_events.push_back("relayout"); });

    m_list->SetItemSelected(1, true);
    EXPECT_EQ(m_host.m_pChartMission, pB);
    ASSERT_EQ(m_host.m_events.size(), 2u);
    EXPECT_EQ(m_host.m_events[0], "relayout"); // before the list acts on it
    EXPECT_EQ(m_host.m_events[1], "chart");

    m_list->RunCommand(CMissList::ID_MISS_SELECT_ALL);
    EXPECT_EQ(m_list->GetSelectedCount(), 3);
    EXPECT_EQ(m_host.m_pChartMission, pC);
}

// --- start, stop, toggle ---------------------------------------------------------

TEST_F(MissListTest, DoubleClickTogglesTheMissionAndSavesItsGroup) {
    CMission* pA = Add(g_pProcMode, QStringLiteral("a"));
    m_list->SetGroup(g_pProcMode);
    m_list->show();
    QApplication::processEvents();
    const QPoint pos = m_list->visualItemRect(m_list->topLevelItem(0)).center();
    auto doubleClick = [this](const QPoint& at) {
        QMouseEvent event(QEvent::MouseButtonDblClick, at, m_list->viewport()->mapToGlobal(at),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_list->viewport(), &event);
    };

    doubleClick(pos);
    EXPECT_TRUE(pA->bMissionActive);
    EXPECT_EQ(m_list->GetItemImage(0), CMissList::IMAGE_RUNNING);
    EXPECT_EQ(g_added.size(), 1u);
    QFile file(g_pProcMode->FileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("<bMissionActive>1</bMissionActive>"));
    file.close();

    doubleClick(pos);
    EXPECT_FALSE(pA->bMissionActive);
    EXPECT_EQ(m_list->GetItemImage(0), CMissList::IMAGE_STOPPED);
    EXPECT_EQ(g_removed.size(), 1u);

    // Below the last row there is no name: nothing happens.
    doubleClick(QPoint(pos.x(), pos.y() + 100));
    EXPECT_FALSE(pA->bMissionActive);
    EXPECT_EQ(g_added.size(), 1u);
}

TEST_F(MissListTest, MissionsInTheRecyclerAreNeitherStartedNorStopped) {
    Add(g_pRecycler, QStringLiteral("gone"));
    m_list->SetGroup(g_pRecycler);
    m_list->ToggleRow(0);
    m_list->StartRow(0);
    SelectRows({0});
    m_list->RunCommand(CMissList::ID_MISS_START);
    m_list->RunCommand(CMissList::ID_MISS_STOP);
    EXPECT_TRUE(g_added.empty());
    EXPECT_TRUE(g_removed.empty());
    EXPECT_FALSE(FindMission(QStringLiteral("gone"))->bMissionActive);
    EXPECT_EQ(m_list->GetItemImage(0), CMissList::IMAGE_STOPPED);
}

TEST_F(MissListTest, ARefusedStartShowsTheAttemptUntilTheNextRefresh) {
    CMission* pA = Add(g_pProcMode, QStringLiteral("a"));
    CMission* pB = Add(g_pProcMode, QStringLiteral("b"));
    m_list->SetGroup(g_pProcMode);
    g_bLibraryAccepts = FALSE;
    SelectRows({0, 1});
    m_list->RunCommand(CMissList::ID_MISS_START);
    // From the bottom row up.
    EXPECT_EQ(g_added, std::vector<std::u16string>({u"b", u"a"}));
    EXPECT_FALSE(pA->bMissionActive);
    EXPECT_FALSE(pB->bMissionActive);
    EXPECT_EQ(m_list->GetItemImage(0), CMissList::IMAGE_RUNNING);
    m_list->Refresh();
    EXPECT_EQ(m_list->GetItemImage(0), CMissList::IMAGE_STOPPED);
    EXPECT_EQ(m_list->GetItemImage(1), CMissList::IMAGE_STOPPED);
}

// --- delete, clear, recover --------------------------------------------------------

TEST_F(MissListTest, DeletingMovesToTheRecyclerThenDestroysForGood) {
    Add(g_pProcMode, QStringLiteral("keep"));
    Add(g_pProcMode, QStringLiteral("a"), true);
    Add(g_pProcMode, QStringLiteral("b"));
    Add(g_pProcMode, QStringLiteral("c"), true);
    m_list->SetGroup(g_pProcMode);
    SelectRows({1, 2, 3});

    CPromptScript prompts;
    prompts.Expect(PromptAnswer::Yes);
    m_list->DeleteSelected();
    ASSERT_EQ(prompts.Asked().size(), 1u);
    EXPECT_EQ(prompts.Asked()[0].strText, "Are you sure to del the missions?");
    EXPECT_EQ(prompts.Asked()[0].strCaption, "Delete missions");
    EXPECT_EQ(prompts.Asked()[0].buttons, PromptButtons::YesNo);

    EXPECT_EQ(Names(), QStringList({"keep"}));
    EXPECT_EQ(m_list->GetSelectedCount(), 0); // the row left is not picked up by the deletion
    EXPECT_EQ(GroupNames(g_pProcMode), QStringList({"keep"}));
    EXPECT_EQ(GroupNames(g_pRecycler), QStringList({"c", "b", "a"})); // bottom row first
    EXPECT_EQ(g_removed, std::vector<std::u16string>({u"c", u"a"}));
    EXPECT_EQ(FileNames(g_pProcMode), QStringList({"keep"}));
    EXPECT_EQ(FileNames(g_pRecycler), QStringList({"c", "b", "a"}));

    // Again, in the recycler: destroyed, and the chart lets go of its mission.
    m_list->SetGroup(g_pRecycler);
    m_list->RunCommand(CMissList::ID_MISS_SELECT_ALL);
    ASSERT_EQ(m_host.m_pChartMission, FindMission(QStringLiteral("a")));
    prompts.Expect(PromptAnswer::Yes);
    m_list->RunCommand(CMissList::ID_MISS_DELETE);
    EXPECT_EQ(m_list->GetItemCount(), 0);
    EXPECT_TRUE(g_pRecycler->m_vecMissions.empty());
    EXPECT_EQ(FindMission(QStringLiteral("a")), nullptr);
    EXPECT_EQ(m_host.m_pChartMission, nullptr);
    EXPECT_TRUE(FileNames(g_pRecycler).isEmpty());
    EXPECT_EQ(FileNames(g_pProcMode), QStringList({"keep"}));
}

TEST_F(MissListTest, TheDeleteKeyAsksAndNoChangesNothing) {
    Add(g_pProcMode, QStringLiteral("a"), true);
    m_list->SetGroup(g_pProcMode);
    SelectRows({0});
    CPromptScript prompts;

    QKeyEvent other(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier);
    QApplication::sendEvent(m_list.get(), &other);
    EXPECT_TRUE(prompts.Asked().empty());

    prompts.Expect(PromptAnswer::No);
    QKeyEvent del(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(m_list.get(), &del);
    ASSERT_EQ(prompts.Asked().size(), 1u);
    EXPECT_EQ(Names(), QStringList({"a"}));
    EXPECT_EQ(GroupNames(g_pProcMode), QStringList({"a"}));
    EXPECT_TRUE(FindMission(QStringLiteral("a"))->bMissionActive);
    EXPECT_TRUE(g_removed.empty());
    EXPECT_FALSE(QFile::exists(g_pRecycler->FileName()));

    // Nothing selected: not even the question.
    m_list->clearSelection();
    QApplication::sendEvent(m_list.get(), &del);
    EXPECT_EQ(prompts.Asked().size(), 1u);
}

TEST_F(MissListTest, DeleteStopsAtARowWhoseMissionIsGone) {
    Add(g_pProcMode, QStringLiteral("a"));
    CMission* pGhost = Add(g_pProcMode, QStringLiteral("ghost"));
    Add(g_pProcMode, QStringLiteral("c"));
    m_list->SetGroup(g_pProcMode);
    // The mission leaves behind the list's back; its row stays.
    DeleteMission(pGhost);
    DeleteMission(FindMission(QStringLiteral("ghost")));
    ASSERT_EQ(FindMission(QStringLiteral("ghost")), nullptr);

    m_list->RunCommand(CMissList::ID_MISS_SELECT_ALL);
    CPromptScript prompts;
    prompts.Expect(PromptAnswer::Yes);
    CDbgLogCapture capture;
    m_list->DeleteSelected();
    EXPECT_TRUE(capture.Contains(8, QStringLiteral("not find the mission<ghost>")));
    EXPECT_EQ(Names(), QStringList({"a", "ghost"}));
    EXPECT_EQ(GroupNames(g_pProcMode), QStringList({"a"}));
    EXPECT_EQ(GroupNames(g_pRecycler), QStringList({"c"}));
}

TEST_F(MissListTest, ClearRecyclerEmptiesItWithoutAQuestion) {
    Add(g_pProcMode, QStringLiteral("live"));
    Add(g_pRecycler, QStringLiteral("x"));
    CMission* pY = Add(g_pRecycler, QStringLiteral("y"));
    m_host.m_pChartMission = pY;
    CPromptScript prompts; // any question fails the test

    // Only the recycler view clears anything.
    m_list->SetGroup(g_pProcMode);
    m_list->RunCommand(CMissList::ID_MISS_CLEAR_RECYCLER);
    EXPECT_EQ(GroupNames(g_pRecycler), QStringList({"x", "y"}));
    EXPECT_EQ(Names(), QStringList({"live"}));

    m_list->SetGroup(g_pRecycler);
    m_list->RunCommand(CMissList::ID_MISS_CLEAR_RECYCLER);
    EXPECT_EQ(m_list->GetItemCount(), 0);
    EXPECT_TRUE(g_pRecycler->m_vecMissions.empty());
    EXPECT_EQ(FindMission(QStringLiteral("x")), nullptr);
    EXPECT_EQ(m_host.m_pChartMission, nullptr);
    EXPECT_TRUE(FileNames(g_pRecycler).isEmpty());
    EXPECT_EQ(GroupNames(g_pProcMode), QStringList({"live"}));
}

TEST_F(MissListTest, RecoverPutsMissionsBackIntoTheirGroupAndStartsThem) {
    Add(g_pProcMode, QStringLiteral("first"));
    Add(g_pPathMode, QStringLiteral("/first/"));
    CMission* pProc = Add(g_pRecycler, QStringLiteral("proc"));
    Add(g_pRecycler, QStringLiteral("stays"));
    CMission* pPath = Add(g_pRecycler, QStringLiteral("/data/"));
    m_list->SetGroup(g_pRecycler);
    SelectRows({0, 2});

    m_list->RunCommand(CMissList::ID_MISS_RECOVER);

    EXPECT_EQ(Names(), QStringList({"stays"}));
    EXPECT_EQ(GroupNames(g_pRecycler), QStringList({"stays"}));
    EXPECT_EQ(GroupNames(g_pProcMode), QStringList({"first", "proc"}));
    EXPECT_EQ(GroupNames(g_pPathMode), QStringList({"/first/", "/data/"}));
    EXPECT_TRUE(pProc->bMissionActive);
    EXPECT_TRUE(pPath->bMissionActive);
    EXPECT_EQ(g_added, std::vector<std::u16string>({u"/data/", u"proc"}));
    EXPECT_EQ(FileNames(g_pRecycler), QStringList({"stays"}));
    EXPECT_EQ(FileNames(g_pProcMode), QStringList({"first", "proc"}));
    EXPECT_EQ(FileNames(g_pPathMode), QStringList({"/first/", "/data/"}));
}

TEST_F(MissListTest, RecoverOutsideTheRecyclerChangesNothing) {
    Add(g_pProcMode, QStringLiteral("a"));
    m_list->SetGroup(g_pProcMode);
    SelectRows({0});
    m_list->RunCommand(CMissList::ID_MISS_RECOVER);
    EXPECT_EQ(Names(), QStringList({"a"}));
    EXPECT_EQ(GroupNames(g_pProcMode), QStringList({"a"}));
    EXPECT_TRUE(g_added.empty());
}

// --- popup menu, chart switches, properties ---------------------------------------

TEST_F(MissListTest, PopupItemsAreEnabledByTheSelectionAndTheView) {
    for (const char* name : {"a", "b", "c"})
        Add(g_pProcMode, QString::fromLatin1(name));
    for (const char* name : {"x", "y", "z"})
        Add(g_pRecycler, QString::fromLatin1(name));
    const int ids[] = {CMissList::ID_MISS_START,          CMissList::ID_MISS_STOP,
                       CMissList::ID_MISS_DELETE,         CMissList::ID_MISS_SELECT_ALL,
                       CMissList::ID_MISS_CLEAR_RECYCLER, CMissList::ID_MISS_RECOVER,
                       CMissList::ID_MISS_PROPERTIES};
    struct {
        QList<int> selected;
        bool bRecycler;
        const char* states; // Start Stop Delete SelectAll Clear Recover Properties
    } const cases[] = {
        {{}, false, "GGGEGGE"}, {{}, true, "GGGEEGE"},      {{1}, false, "EEEEGGE"},
        {{1}, true, "GGEEEEE"}, {{0, 2}, false, "EEEEGGG"}, {{0, 1, 2}, true, "GGEEEEG"},
    };
    for (const auto& c : cases) {
        m_list->SetGroup(c.bRecycler ? g_pRecycler : g_pProcMode);
        SelectRows(c.selected);
        QMenu* pMenu = m_list->PrepareContextMenu();
        ASSERT_NE(pMenu, nullptr);
        QString states;
        for (int id : ids)
            states += m_list->GetMenuAction(id)->isEnabled() ? QLatin1Char('E') : QLatin1Char('G');
        EXPECT_EQ(states, QString::fromLatin1(c.states))
            << c.selected.size() << " selected, recycler " << c.bRecycler;
        EXPECT_TRUE(m_list->GetMenuAction(CMissList::ID_MISS_READ_CHART)->isEnabled());
        EXPECT_TRUE(m_list->GetMenuAction(CMissList::ID_MISS_WRITE_CHART)->isEnabled());
    }

    QStringList texts;
    for (QAction* pAction : m_list->GetMenu()->actions())
        texts << (pAction->isSeparator() ? QStringLiteral("-") : pAction->text());
    EXPECT_EQ(texts, QStringList({"Start(&S)", "Stop(&P)", "Delete(&D)", "-", "Select All", "-",
                                  "Clear Recycler(&C)", "Recover", "-", "Read-Chart(&R)",
                                  "Write-Chart(&W)", "-", "Properties(&O)"}));
}

TEST_F(MissListTest, ChartSwitchesFollowTheChartAndSaveTheOptions) {
    QMenu* pMenu = m_list->PrepareContextMenu();
    (void)pMenu;
    QAction* pRead = m_list->GetMenuAction(CMissList::ID_MISS_READ_CHART);
    QAction* pWrite = m_list->GetMenuAction(CMissList::ID_MISS_WRITE_CHART);
    EXPECT_TRUE(pRead->isChecked());
    EXPECT_FALSE(pWrite->isChecked());

    m_list->RunCommand(CMissList::ID_MISS_READ_CHART);
    EXPECT_FALSE(m_host.m_bShowRead);
    EXPECT_FALSE(pRead->isChecked());
    EXPECT_EQ(m_host.m_nSaves, 1);

    pWrite->trigger();
    EXPECT_TRUE(m_host.m_bShowWrite);
    EXPECT_TRUE(pWrite->isChecked());
    EXPECT_EQ(m_host.m_nSaves, 2);
}

TEST_F(MissListTest, PropertiesOpensTheOptionsOrTheEditor) {
    Add(g_pProcMode, QStringLiteral("a"));
    CMission* pB = Add(g_pProcMode, QStringLiteral("b"));
    m_list->SetGroup(g_pProcMode);

    m_list->RunCommand(CMissList::ID_MISS_PROPERTIES);
    EXPECT_EQ(m_host.m_nOptionDialogs, 1);
    EXPECT_TRUE(m_host.m_edited.empty());

    SelectRows({1});
    m_list->RunCommand(CMissList::ID_MISS_PROPERTIES);
    EXPECT_EQ(m_host.m_edited, std::vector<CMission*>({pB}));

    SelectRows({0, 1});
    m_list->RunCommand(CMissList::ID_MISS_PROPERTIES);
    EXPECT_EQ(m_host.m_nOptionDialogs, 1);
    EXPECT_EQ(m_host.m_edited.size(), 1u);
}

} // namespace
