// The mission editor with real groups, files and a scripted library: its
// layout, the mode switch and process picker, the folder browser, every
// check of Apply with its message or question in order, the stored limits,
// and the replace, override and recover moves with what the window sees.
#include "app/core/FlowApi.h"
#include "comm/DbgInfoLog.h"
#include "comm/DbgLogCapture.h"
#include "missions/Mission.h"
#include "missions/MissionGroup.h"
#include "tests/support/PromptScript.h"
#include "views/MissionDlg.h"
#include "views/MissionDlgHost.h"
#include "views/MissionDlgRules.h"

#include "tests/support/QtTestApp.h"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <ostream>

// Readable failures for names and messages.
namespace {

const QString kProcFixture = QStringLiteral(DRAVIK_TEST_DATA_DIR "/views/proc");
constexpr std::int64_t GB = 1073741824;

std::vector<std::u16string> g_added;
std::vector<std::u16string> g_removed;
BOOL g_bLibraryAccepts = TRUE;

BOOL FakeAdd(FLOW_MISSION mission) {
    g_added.push_back(mission.strTargetName);
    return g_bLibraryAccepts;
}

BOOL FakeRemove(std::u16string strName) {
    g_removed.push_back(strName);
    return TRUE;
}

// Records what the editor asks of the window.
class CFakeHost : public IMissionDlgHost {
public:
    void ShowGroup(CMissionGroup* pGroup) override {
        m_pShown = pGroup;
        m_events.push_back(QStringLiteral("show ") + pGroup->m_strName);
    }
    void RemoveMissionRow(const QString& strName) override {
        m_events.push_back(QStringLiteral("row- ") + strName);
    }
    CMission* GetChartMission() const override { return m_pChart; }
    void SetChartMission(CMission* pMission) override {
        m_pChart = pMission;
        m_events.push_back(QStringLiteral("chart ") +
                           (pMission ? pMission->strTargetName : QStringLiteral("none")));
    }

    CMissionGroup* m_pShown = nullptr;
    CMission* m_pChart = nullptr;
    QStringList m_events;
};

// What one dialog is given before Apply.
struct INPUT {
    int nMode = -1;    // index in the mode list; -1 none chosen
    QString strTarget; // picker text or directory field
    const char* limits[4] = {nullptr, nullptr, nullptr, nullptr}; // LIMIT_INDEX order; null = off
};

class MissionDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_oldDir = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        // The diagnostic log goes to the test's own folder.
        g_DbgLog.Reopen(m_dir.path());
        g_added.clear();
        g_removed.clear();
        g_bLibraryAccepts = TRUE;
        g_FlowApi.pfnAddMission = &FakeAdd;
        g_FlowApi.pfnRemoveMission = &FakeRemove;
        g_pProcMode = new CMissionGroup(QString::fromLatin1(GROUP_NAME_PROC_MODE));
        g_pPathMode = new CMissionGroup(QString::fromLatin1(GROUP_NAME_PATH_MODE));
        g_pRecycler = new CMissionGroup(QString::fromLatin1(GROUP_NAME_RECYCLER));
        m_pOldHost = CMissionDlg::SetDefaultHost(&m_host);
        m_fnOldBrowser = CMissionDlg::SetFolderBrowser([](QWidget*, const QString&) {
            ADD_FAILURE() << "unexpected folder browser";
            return QString();
        });
    }

    void TearDown() override {
        CMissionDlg::SetFolderBrowser(m_fnOldBrowser);
        CMissionDlg::SetDefaultHost(m_pOldHost);
        delete g_pProcMode;
        delete g_pPathMode;
        delete g_pRecycler;
        g_pProcMode = g_pPathMode = g_pRecycler = nullptr;
        g_mapMissions.clear();
        g_FlowApi.pfnAddMission = nullptr;
        g_FlowApi.pfnRemoveMission = nullptr;
        g_DbgLog.Reopen(CDbgInfoLog::DefaultDir());
        QDir::setCurrent(m_oldDir);
    }

    CMission* Add(CMissionGroup* pGroup, const QString& strName, bool bRunning) {
        auto* pMission = new CMission;
        pMission->strTargetName = strName;
        pMission->uMode = strName.startsWith(QLatin1Char('/')) ? FLOW_MODE_PATH : FLOW_MODE_PROCESS;
        if (bRunning)
            pMission->Start();
        EXPECT_TRUE(pGroup->Insert(pMission));
        return pMission;
    }

    static void ChooseMode(CMissionDlg& dlg, int nIndex) {
        auto* pMode = static_cast<QComboBox*>(dlg.GetDlgItem(CMissionDlg::IDC_MODE));
        pMode->setCurrentIndex(nIndex);
        emit pMode->activated(nIndex);
    }

    static QComboBox* Picker(CMissionDlg& dlg) {
        return static_cast<QComboBox*>(dlg.GetDlgItem(CMissionDlg::IDC_PROCESS));
    }
    static QLineEdit* PathEdit(CMissionDlg& dlg) {
        return static_cast<QLineEdit*>(dlg.GetDlgItem(CMissionDlg::IDC_PATH));
    }

    void Fill(CMissionDlg& dlg, const INPUT& input) {
        dlg.SetProcRoot(kProcFixture);
        if (input.nMode >= 0)
            ChooseMode(dlg, input.nMode);
        if (input.nMode == 0)
            Picker(dlg)->setEditText(input.strTarget);
        else if (input.nMode == 1)
            PathEdit(dlg)->setText(input.strTarget);
        const int checkIds[4] = {
            CMissionDlg::IDC_CHECK_READ_SPEED, CMissionDlg::IDC_CHECK_WRITE_SPEED,
            CMissionDlg::IDC_CHECK_TOTAL_READ, CMissionDlg::IDC_CHECK_TOTAL_WRITE};
        const int editIds[4] = {CMissionDlg::IDC_EDIT_READ_SPEED, CMissionDlg::IDC_EDIT_WRITE_SPEED,
                                CMissionDlg::IDC_EDIT_TOTAL_READ,
                                CMissionDlg::IDC_EDIT_TOTAL_WRITE};
        for (int i = 0; i < 4; ++i) {
            if (!input.limits[i])
                continue;
            static_cast<QCheckBox*>(dlg.GetDlgItem(checkIds[i]))->setChecked(true);
            static_cast<QLineEdit*>(dlg.GetDlgItem(editIds[i]))
                ->setText(QString::fromUtf8(input.limits[i]));
        }
    }

    static QStringList Names(const CMissionGroup* pGroup) {
        QStringList names;
        for (const CMission* p : pGroup->m_vecMissions)
            names << p->strTargetName;
        return names;
    }

    // The target names a group's file lists.
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

    QTemporaryDir m_dir;
    QString m_oldDir;
    CFakeHost m_host;
    IMissionDlgHost* m_pOldHost = nullptr;
    CMissionDlg::FOLDER_BROWSER m_fnOldBrowser;
};

// --- layout and initial state --------------------------------------------------

TEST_F(MissionDlgTest, ControlsSitInTheirRectanglesOverThePicture) {
    CMissionDlg dlg(nullptr);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Mission"));
    EXPECT_EQ(dlg.size(), QSize(576, 261));
    const struct {
        int nId;
        QRect edges; // left, top, right, bottom
    } controls[] = {
        {CMissionDlg::IDC_MODE, {43, 40, 196, 60}},
        {CMissionDlg::IDC_PROCESS, {371, 40, 524, 60}},
        {CMissionDlg::IDC_PATH, {371, 40, 524, 60}},
        {CMissionDlg::IDC_BROWSE, {530, 42, 555, 62}},
        {CMissionDlg::IDC_CHECK_READ_SPEED, {20, 91, 35, 106}},
        {CMissionDlg::IDC_EDIT_READ_SPEED, {180, 104, 239, 124}},
        {CMissionDlg::IDC_CHECK_TOTAL_READ, {20, 154, 35, 169}},
        {CMissionDlg::IDC_EDIT_TOTAL_READ, {180, 168, 239, 188}},
        {CMissionDlg::IDC_CHECK_WRITE_SPEED, {305, 91, 320, 106}},
        {CMissionDlg::IDC_EDIT_WRITE_SPEED, {465, 104, 524, 124}},
        {CMissionDlg::IDC_CHECK_TOTAL_WRITE, {305, 154, 320, 169}},
        {CMissionDlg::IDC_EDIT_TOTAL_WRITE, {465, 168, 524, 188}},
        {CMissionDlg::IDC_APPLY, {143, 218, 228, 239}},
        {CMissionDlg::IDOK_BUTTON, {245, 218, 330, 239}},
        {CMissionDlg::IDCANCEL_BUTTON, {347, 218, 432, 239}},
    };
    for (const auto& c : controls) {
        QWidget* pControl = dlg.GetDlgItem(c.nId);
        ASSERT_NE(pControl, nullptr) << c.nId;
        const QRect& e = c.edges;
        EXPECT_EQ(pControl->geometry(), QRect(e.x(), e.y(), e.width() - e.x(), e.height() - e.y()))
            << c.nId;
    }
    // No mode, no target field, every limit off.
    EXPECT_EQ(static_cast<QComboBox*>(dlg.GetDlgItem(CMissionDlg::IDC_MODE))->currentIndex(), -1);
    EXPECT_TRUE(Picker(dlg)->isHidden());
    EXPECT_TRUE(PathEdit(dlg)->isHidden());
    EXPECT_TRUE(dlg.GetDlgItem(CMissionDlg::IDC_BROWSE)->isHidden());
    for (int nId : {CMissionDlg::IDC_EDIT_READ_SPEED, CMissionDlg::IDC_EDIT_WRITE_SPEED,
                    CMissionDlg::IDC_EDIT_TOTAL_READ, CMissionDlg::IDC_EDIT_TOTAL_WRITE})
        EXPECT_FALSE(dlg.GetDlgItem(nId)->isEnabled()) << nId;
    EXPECT_TRUE(static_cast<QPushButton*>(dlg.GetDlgItem(CMissionDlg::IDOK_BUTTON))->isDefault());

    // The picture with its labels is painted under the controls.
    dlg.show();
    const QImage shown = dlg.grab().toImage();
    EXPECT_NE(shown.pixel(5, 5), shown.pixel(5, 250)); // not one flat colour
}

TEST_F(MissionDlgTest, CheckBoxesEnableTheirEdits) {
    CMissionDlg dlg(nullptr);
    auto* pBox = static_cast<QCheckBox*>(dlg.GetDlgItem(CMissionDlg::IDC_CHECK_TOTAL_WRITE));
    QWidget* pEdit = dlg.GetDlgItem(CMissionDlg::IDC_EDIT_TOTAL_WRITE);
    pBox->click();
    EXPECT_TRUE(pEdit->isEnabled());
    EXPECT_FALSE(dlg.GetDlgItem(CMissionDlg::IDC_EDIT_TOTAL_READ)->isEnabled());
    pBox->click();
    EXPECT_FALSE(pEdit->isEnabled());
}

// --- mode switch, process picker, folder browser ------------------------------

TEST_F(MissionDlgTest, ProcessModeFillsThePickerEachTimeAndKeepsWhatWasTyped) {
    CMissionDlg dlg(nullptr);
    dlg.SetProcRoot(kProcFixture);
    Picker(dlg)->setEditText(QStringLiteral("typed"));
    CDbgLogCapture capture;
    ChooseMode(dlg, 0);
    EXPECT_EQ(capture.Messages(), (std::vector<QString>{"m_ProcArr.size()<0> before\n",
                                                        "m_ProcArr.size()<6> after\n"}));
    EXPECT_EQ(dlg.GetMode(), 1u);
    EXPECT_FALSE(Picker(dlg)->isHidden());
    EXPECT_TRUE(PathEdit(dlg)->isHidden());
    EXPECT_TRUE(dlg.GetDlgItem(CMissionDlg::IDC_BROWSE)->isHidden());
    // Each program once (two bash instances), names compared exactly.
    EXPECT_EQ(dlg.GetProcArr(),
              (QStringList{"systemd", "sshd", "bash", "postgres", "My Editor", "Bash"}));
    QStringList items;
    for (int i = 0; i < Picker(dlg)->count(); ++i)
        items << Picker(dlg)->itemText(i);
    EXPECT_EQ(items, (QStringList{"Bash", "bash", "My Editor", "postgres", "sshd", "systemd"}));
    EXPECT_EQ(Picker(dlg)->currentText(), QStringLiteral("typed"));

    ChooseMode(dlg, 1);
    EXPECT_EQ(dlg.GetMode(), 2u);
    EXPECT_TRUE(Picker(dlg)->isHidden());
    EXPECT_FALSE(PathEdit(dlg)->isHidden());
    EXPECT_FALSE(dlg.GetDlgItem(CMissionDlg::IDC_BROWSE)->isHidden());

    // Back to process mode: read afresh, not appended to the old list.
    ChooseMode(dlg, 0);
    EXPECT_EQ(dlg.GetProcArr().size(), 6);
    EXPECT_EQ(Picker(dlg)->count(), 6);
    ChooseMode(dlg, 0);
    EXPECT_EQ(Picker(dlg)->count(), 6);
}

TEST_F(MissionDlgTest, NoProcessListLeavesThePickerEmptyButTypable) {
    CMissionDlg dlg(nullptr);
    dlg.SetProcRoot(m_dir.filePath(QStringLiteral("missing")));
    ChooseMode(dlg, 0);
    EXPECT_EQ(Picker(dlg)->count(), 0);
    EXPECT_FALSE(dlg.FillProcessList());
    Picker(dlg)->setEditText(QStringLiteral("rsync"));
    EXPECT_TRUE(dlg.OnApply());
    EXPECT_EQ(Names(g_pProcMode), QStringList{"rsync"});
}

TEST_F(MissionDlgTest, NoModeChosenIsAMessage) {
    CPromptScript prompts;
    prompts.Expect(PromptAnswer::Ok);
    CMissionDlg dlg(nullptr);
    auto* pMode = static_cast<QComboBox*>(dlg.GetDlgItem(CMissionDlg::IDC_MODE));
    pMode->setCurrentIndex(-1);
    dlg.OnModeChange();
    EXPECT_EQ(prompts.Texts(), std::vector<QString>{"Please choose the mission mode."});
    EXPECT_EQ(dlg.GetMode(), 0u);
}

TEST_F(MissionDlgTest, BrowsedFolderReplacesTheFieldAndCancelEmptiesIt) {
    CMissionDlg dlg(nullptr);
    ChooseMode(dlg, 1);
    PathEdit(dlg)->setText(QStringLiteral("/old"));
    QString strTitle;
    QWidget* pOwner = nullptr;
    std::optional<QString> answer = QStringLiteral("/srv/data");
    CMissionDlg::SetFolderBrowser([&](QWidget* pBy, const QString& title) {
        pOwner = pBy;
        strTitle = title;
        return *answer;
    });
    static_cast<QPushButton*>(dlg.GetDlgItem(CMissionDlg::IDC_BROWSE))->click();
    EXPECT_EQ(PathEdit(dlg)->text(), QStringLiteral("/srv/data"));
    EXPECT_EQ(strTitle, QStringLiteral("Please select a direcotry:"));
    EXPECT_EQ(pOwner, &dlg);
    answer = QString();
    dlg.OnBrowse();
    EXPECT_EQ(PathEdit(dlg)->text(), QString());
}

// --- Apply: every check, in order ---------------------------------------------

TEST_F(MissionDlgTest, ApplyChecksInOrderWithTheirMessages) {
    const QString strFile = m_dir.filePath(QStringLiteral("a-file"));
    {
        QFile file(strFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString strLong = QStringLiteral("/") + QString(260, QLatin1Char('d'));
    const struct {
        const char* name;
        INPUT input;
        const char* message;
    } cases[] = {
        {"no mode", {}, "Please choose mode at first.\n"},
        {"no mode, limits typed", {-1, {}, {"abc"}}, "Please choose mode at first.\n"},
        {"empty process", {0, ""}, "The process name cannot be empty.\n"},
        {"process with a slash",
         {0, "bin/ls"},
         "The process name should be a program's file name, without \"/\"."},
        {"process ..",
         {0, ".."},
         "The process name should be a program's file name, without \"/\"."},
        {"process too long", {0, QString(254, QLatin1Char('p'))}, "The process name is too long."},
        {"process with a tab", {0, "a\tb"}, "The process name is not a valid program name."},
        {"empty path", {1, ""}, "The monitored path cannot be empty.\n"},
        {"one-character path", {1, "c"}, "The monitored path is not enough."},
        {"root alone", {1, "/"}, "The monitored path is not enough."},
        {"relative path",
         {1, "data/x"},
         "The monitored path should be an absolute path, beginning with \"/\"."},
        {"a file", {1, strFile}, "The monitored path is a file. It should be a directory."},
        {"a file with a slash",
         {1, strFile + "/"},
         "The monitored path is a file. It should be a directory."},
        {"path with ..",
         {1, "/srv/../etc"},
         "The monitored path should be written plainly, without \"//\", \"/./\" or \"/../\"."},
        {"path too long", {1, strLong}, "The monitored path is too long."},
        {"read speed empty", {0, "cp", {""}}, "Please input max-value of read-speed ."},
        {"write speed empty", {0, "cp", {nullptr, ""}}, "Please input max-value of write-speed."},
        {"total read empty",
         {0, "cp", {nullptr, nullptr, ""}},
         "Please input total read-bytes to limit."},
        {"total write empty",
         {0, "cp", {nullptr, nullptr, nullptr, ""}},
         "Please input total write-bytes to limit."},
        {"read speed before write speed",
         {0, "cp", {"", ""}},
         "Please input max-value of read-speed ."},
        {"write speed before total read",
         {0, "cp", {"1", "", ""}},
         "Please input max-value of write-speed."},
        {"total read before total write",
         {0, "cp", {nullptr, nullptr, "", ""}},
         "Please input total read-bytes to limit."},
        {"target before limits", {0, "", {""}}, "The process name cannot be empty.\n"},
        // Refused instead of wrapped around.
        {"speed 4096", {0, "cp", {"4096"}}, "The read-speed limit cannot be more than 4095 MB/S."},
        {"huge speed",
         {0, "cp", {nullptr, "99999999999999999999999"}},
         "The write-speed limit cannot be more than 4095 MB/S."},
        {"negative speed", {0, "cp", {"-1"}}, "The read-speed limit cannot be negative."},
        {"negative total",
         {0, "cp", {nullptr, nullptr, nullptr, " -5"}},
         "The total write limit cannot be negative."},
        {"total past 64 bits",
         {0, "cp", {nullptr, nullptr, "8589934592"}},
         "The total read limit cannot be more than 8589934591 GB."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPromptScript prompts;
        prompts.Expect(PromptAnswer::Ok);
        CMissionDlg dlg(nullptr);
        Fill(dlg, c.input);
        EXPECT_FALSE(dlg.OnApply());
        ASSERT_EQ(prompts.Asked().size(), 1u);
        const PROMPT_REQUEST& asked = prompts.Asked()[0];
        EXPECT_EQ(asked.strText, QString::fromUtf8(c.message));
        EXPECT_EQ(asked.buttons, PromptButtons::Ok);
        EXPECT_EQ(asked.strCaption, QStringLiteral("Dravik"));
        // Nothing applied, and the input stays for the user to mend.
        EXPECT_TRUE(g_mapMissions.empty());
        EXPECT_TRUE(g_added.empty());
        if (c.input.nMode == 1) {
            EXPECT_EQ(PathEdit(dlg)->text(), c.input.strTarget);
        }
    }
    EXPECT_FALSE(QFile::exists(g_pProcMode->FileName()));
}

TEST_F(MissionDlgTest, LimitsAreStoredInBytes) {
    const struct {
        const char* name;
        INPUT input;
        std::uint32_t uReadSpeed, uWriteSpeed;
        std::int64_t llTotalReads, llTotalWrites;
    } cases[] = {
        {"all off", {0, "cp"}, 0xFFFFFFFFu, 0xFFFFFFFFu, FLOW_NO_TOTAL_LIMIT, FLOW_NO_TOTAL_LIMIT},
        {"3 MB/s and 2 GB",
         {0, "cp", {"3", nullptr, "2"}},
         3145728u,
         0xFFFFFFFFu,
         2147483648LL,
         FLOW_NO_TOTAL_LIMIT},
        {"largest speed",
         {0, "cp", {nullptr, "4095"}},
         0xFFFFFFFFu,
         0xFFF00000u,
         FLOW_NO_TOTAL_LIMIT,
         FLOW_NO_TOTAL_LIMIT},
        {"largest total",
         {0, "cp", {nullptr, nullptr, nullptr, "8589934591"}},
         0xFFFFFFFFu,
         0xFFFFFFFFu,
         FLOW_NO_TOTAL_LIMIT,
         8589934591LL * GB},
        {"digits up to the first other character",
         {0, "cp", {"1.9", " +7MB", "12abc", "\t4"}},
         1048576u,
         7340032u,
         12 * GB,
         4 * GB},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CMissionDlg dlg(nullptr);
        Fill(dlg, c.input);
        ASSERT_TRUE(dlg.OnApply());
        const CMission* pMission = FindMission(QStringLiteral("cp"));
        ASSERT_NE(pMission, nullptr);
        EXPECT_EQ(pMission->uMode, 1u);
        EXPECT_EQ(pMission->uLimitReadSpeed, c.uReadSpeed);
        EXPECT_EQ(pMission->uLimitWriteSpeed, c.uWriteSpeed);
        EXPECT_EQ(pMission->llLimitTotalReads, c.llTotalReads);
        EXPECT_EQ(pMission->llLimitTotalWrites, c.llTotalWrites);
        delete g_pProcMode->Take(QStringLiteral("cp"));
    }
}

TEST_F(MissionDlgTest, ZeroAsksBeforeForbidding) {
    const struct {
        const char* name;
        INPUT input;
        std::vector<PromptAnswer> answers;
        std::vector<QString> questions;
        bool bApplied;
    } cases[] = {
        {"read speed 0, OK",
         {0, "cp", {"0"}},
         {PromptAnswer::Ok},
         {"This mission will forbid read-opration. Are you sure?"},
         true},
        {"read speed 0, Cancel",
         {0, "cp", {"0"}},
         {PromptAnswer::Cancel},
         {"This mission will forbid read-opration. Are you sure?"},
         false},
        {"abc counts as 0",
         {0, "cp", {nullptr, "abc"}},
         {PromptAnswer::Ok},
         {"This mission will forbid write-opration. Are you sure?"},
         true},
        {"totals ask by direction",
         {0, "cp", {nullptr, nullptr, "0", "0"}},
         {PromptAnswer::Ok, PromptAnswer::Ok},
         {"This mission will forbid read-opration. Are you sure?",
          "This mission will forbid write-opration. Are you sure?"},
         true},
        {"cancel ends before the later checks",
         {0, "cp", {"0", "", "0"}},
         {PromptAnswer::Cancel},
         {"This mission will forbid read-opration. Are you sure?"},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPromptScript prompts;
        for (PromptAnswer a : c.answers)
            prompts.Expect(a);
        CMissionDlg dlg(nullptr);
        Fill(dlg, c.input);
        EXPECT_EQ(dlg.OnApply(), c.bApplied);
        EXPECT_EQ(prompts.Texts(), c.questions);
        for (const PROMPT_REQUEST& asked : prompts.Asked()) {
            EXPECT_EQ(asked.strCaption, QStringLiteral("Warning"));
            EXPECT_EQ(asked.buttons, PromptButtons::OkCancel);
            EXPECT_EQ(asked.icon, PromptIcon::Warning);
        }
        const CMission* pMission = FindMission(QStringLiteral("cp"));
        EXPECT_EQ(pMission != nullptr, c.bApplied);
        if (pMission) {
            const bool bReadForbidden =
                pMission->uLimitReadSpeed == 0 || pMission->llLimitTotalReads == 0;
            EXPECT_TRUE(bReadForbidden || pMission->uLimitWriteSpeed == 0);
            delete g_pProcMode->Take(QStringLiteral("cp"));
        }
    }
}

// --- applying: new, override, recover, edit -----------------------------------

TEST_F(MissionDlgTest, NewMissionIsStartedAddedSavedAndShown) {
    Add(g_pProcMode, QStringLiteral("first"), true);
    g_added.clear();
    CMissionDlg dlg(nullptr);
    Fill(dlg, {0, "rsync", {"5"}});
    ASSERT_TRUE(dlg.OnApply());
    CMission* pNew = FindMission(QStringLiteral("rsync"));
    ASSERT_NE(pNew, nullptr);
    EXPECT_TRUE(pNew->bMissionActive);
    EXPECT_EQ(g_added, std::vector<std::u16string>{u"rsync"});
    EXPECT_EQ(Names(g_pProcMode), (QStringList{"first", "rsync"}));
    EXPECT_EQ(FileNames(g_pProcMode), (QStringList{"first", "rsync"}));
    // The list shows the group; the chart gets the group's first mission.
    EXPECT_EQ(m_host.m_events, (QStringList{"show ProcMode", "chart first"}));
    EXPECT_EQ(m_host.m_pShown, g_pProcMode);
}

TEST_F(MissionDlgTest, PathMissionGetsItsTrailingSlash) {
    const QString strExisting = m_dir.filePath(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkdir(strExisting));
    for (const QString& strTyped : {strExisting, m_dir.filePath(QStringLiteral("new/dir")),
                                    m_dir.filePath(QStringLiteral("slash")) + "/"}) {
        CMissionDlg dlg(nullptr);
        Fill(dlg, {1, strTyped});
        ASSERT_TRUE(dlg.OnApply()) << strTyped.toStdString();
    }
    EXPECT_EQ(Names(g_pPathMode),
              (QStringList{strExisting + "/", m_dir.filePath(QStringLiteral("new/dir/")),
                           m_dir.filePath(QStringLiteral("slash/"))}));
    EXPECT_EQ(FileNames(g_pPathMode).size(), 3);
    EXPECT_EQ(m_host.m_pShown, g_pPathMode);
}

TEST_F(MissionDlgTest, ARefusedStartStillAddsTheMissionStopped) {
    g_bLibraryAccepts = FALSE;
    CMissionDlg dlg(nullptr);
    Fill(dlg, {0, "tar"});
    ASSERT_TRUE(dlg.OnApply());
    const CMission* pMission = FindMission(QStringLiteral("tar"));
    ASSERT_NE(pMission, nullptr);
    EXPECT_FALSE(pMission->bMissionActive);
    EXPECT_EQ(Names(g_pProcMode), QStringList{"tar"});
}

TEST_F(MissionDlgTest, SameNameAsksToOverrideAndCancelChangesNothing) {
    CMission* pOld = Add(g_pProcMode, QStringLiteral("rsync"), true);
    pOld->llAlreadyReads = 5 * GB;
    m_host.m_pChart = pOld;
    g_pProcMode->Save();
    {
        CPromptScript prompts;
        prompts.Expect(PromptAnswer::Cancel);
        CMissionDlg dlg(nullptr);
        Fill(dlg, {0, "rsync", {"1"}});
        EXPECT_FALSE(dlg.OnApply());
        ASSERT_EQ(prompts.Asked().size(), 1u);
        EXPECT_EQ(prompts.Asked()[0].strText,
                  QStringLiteral("Will you override the same mission<rsync>?"));
        EXPECT_EQ(prompts.Asked()[0].buttons, PromptButtons::OkCancel);
        EXPECT_EQ(prompts.Asked()[0].strCaption, QStringLiteral("Dravik"));
        EXPECT_EQ(FindMission(QStringLiteral("rsync")), pOld);
        EXPECT_TRUE(pOld->bMissionActive);
        EXPECT_TRUE(m_host.m_events.isEmpty());
    }
    CPromptScript prompts;
    prompts.Expect(PromptAnswer::Ok);
    CMissionDlg dlg(nullptr);
    Fill(dlg, {0, "rsync", {"1"}});
    ASSERT_TRUE(dlg.OnApply());
    CMission* pNew = FindMission(QStringLiteral("rsync"));
    ASSERT_NE(pNew, nullptr);
    EXPECT_EQ(pNew->uLimitReadSpeed, 1048576u);
    EXPECT_EQ(pNew->llAlreadyReads, 0); // counters are not carried over
    EXPECT_TRUE(pNew->bMissionActive);
    EXPECT_EQ(g_removed, std::vector<std::u16string>{u"rsync"});
    EXPECT_EQ(Names(g_pProcMode), QStringList{"rsync"});
    // The old mission's row goes and the chart lets go of it before it is
    // destroyed; then the group is shown with its first mission charted.
    EXPECT_EQ(m_host.m_events,
              (QStringList{"row- rsync", "chart none", "show ProcMode", "chart rsync"}));
    EXPECT_EQ(m_host.m_pChart, pNew);
}

TEST_F(MissionDlgTest, NamesDifferingInCaseAreTwoMissions) {
    Add(g_pProcMode, QStringLiteral("Rsync"), false);
    CMissionDlg dlg(nullptr);
    Fill(dlg, {0, "rsync"});
    ASSERT_TRUE(dlg.OnApply()); // no question asked
    EXPECT_EQ(Names(g_pProcMode), (QStringList{"Rsync", "rsync"}));
}

TEST_F(MissionDlgTest, NameInTheRecyclerAsksToRecover) {
    Add(g_pRecycler, QStringLiteral("backup"), false);
    g_pRecycler->Save();
    {
        CPromptScript prompts;
        prompts.Expect(PromptAnswer::Cancel);
        CMissionDlg dlg(nullptr);
        Fill(dlg, {0, "backup"});
        EXPECT_FALSE(dlg.OnApply());
        EXPECT_EQ(prompts.Texts(),
                  std::vector<QString>{"Will you recover the mission<backup> from recycler?"});
        EXPECT_EQ(Names(g_pRecycler), QStringList{"backup"});
    }
    CPromptScript prompts;
    prompts.Expect(PromptAnswer::Ok);
    CMissionDlg dlg(nullptr);
    Fill(dlg, {0, "backup", {nullptr, "2"}});
    ASSERT_TRUE(dlg.OnApply());
    EXPECT_TRUE(Names(g_pRecycler).isEmpty());
    EXPECT_TRUE(FileNames(g_pRecycler).isEmpty());
    EXPECT_EQ(Names(g_pProcMode), QStringList{"backup"});
    EXPECT_EQ(FileNames(g_pProcMode), QStringList{"backup"});
    EXPECT_TRUE(FindMission(QStringLiteral("backup"))->bMissionActive);
    EXPECT_EQ(FindMission(QStringLiteral("backup"))->uLimitWriteSpeed, 2097152u);
}

TEST_F(MissionDlgTest, EditorShowsTheEditedMissionsLimits) {
    CMission* pMission = Add(g_pProcMode, QStringLiteral("rsync"), true);
    pMission->uLimitReadSpeed = 3145728;
    pMission->uLimitWriteSpeed = 0;
    pMission->llLimitTotalReads = 2 * GB + 5; // shown truncated
    CMissionDlg dlg(pMission);
    auto* pMode = static_cast<QComboBox*>(dlg.GetDlgItem(CMissionDlg::IDC_MODE));
    EXPECT_EQ(pMode->currentText(), QStringLiteral("PROCESS MODE"));
    EXPECT_FALSE(pMode->isEnabled());
    EXPECT_FALSE(Picker(dlg)->isHidden());
    EXPECT_FALSE(Picker(dlg)->isEnabled());
    EXPECT_EQ(Picker(dlg)->currentText(), QStringLiteral("rsync"));
    EXPECT_EQ(Picker(dlg)->count(), 0);
    EXPECT_TRUE(PathEdit(dlg)->isHidden());
    EXPECT_TRUE(dlg.GetDlgItem(CMissionDlg::IDC_BROWSE)->isHidden());
    const struct {
        int nCheck, nEdit;
        bool bChecked;
        const char* text;
    } limits[] = {
        {CMissionDlg::IDC_CHECK_READ_SPEED, CMissionDlg::IDC_EDIT_READ_SPEED, true, "3"},
        {CMissionDlg::IDC_CHECK_WRITE_SPEED, CMissionDlg::IDC_EDIT_WRITE_SPEED, true, "0"},
        {CMissionDlg::IDC_CHECK_TOTAL_READ, CMissionDlg::IDC_EDIT_TOTAL_READ, true, "2"},
        {CMissionDlg::IDC_CHECK_TOTAL_WRITE, CMissionDlg::IDC_EDIT_TOTAL_WRITE, false, ""},
    };
    for (const auto& l : limits) {
        EXPECT_EQ(static_cast<QCheckBox*>(dlg.GetDlgItem(l.nCheck))->isChecked(), l.bChecked);
        EXPECT_EQ(dlg.GetDlgItem(l.nEdit)->isEnabled(), l.bChecked);
        EXPECT_EQ(static_cast<QLineEdit*>(dlg.GetDlgItem(l.nEdit))->text(),
                  QString::fromUtf8(l.text));
    }

    CMission* pPath = Add(g_pPathMode, QStringLiteral("/srv/"), false);
    CMissionDlg pathDlg(pPath);
    EXPECT_EQ(static_cast<QComboBox*>(pathDlg.GetDlgItem(CMissionDlg::IDC_MODE))->currentText(),
              QStringLiteral("PATH MODE"));
    EXPECT_FALSE(PathEdit(pathDlg)->isHidden());
    EXPECT_FALSE(PathEdit(pathDlg)->isEnabled());
    EXPECT_EQ(PathEdit(pathDlg)->text(), QStringLiteral("/srv/"));
    EXPECT_TRUE(Picker(pathDlg)->isHidden());
    EXPECT_TRUE(pathDlg.GetDlgItem(CMissionDlg::IDC_BROWSE)->isHidden());
}

TEST_F(MissionDlgTest, OkOnAnEditedMissionReplacesItWithoutAsking) {
    CMission* pOld = Add(g_pProcMode, QStringLiteral("rsync"), false);
    pOld->uLimitReadSpeed = 3145728;
    pOld->llAlreadyReads = 5 * GB;
    pOld->llAlreadyWrites = 5 * GB;
    Add(g_pProcMode, QStringLiteral("later"), false);
    CMissionDlg dlg(pOld);
    dlg.accept(); // OK
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.GetEditedMission(), nullptr);
    CMission* pNew = FindMission(QStringLiteral("rsync"));
    ASSERT_NE(pNew, nullptr);
    EXPECT_EQ(pNew->uLimitReadSpeed, 3145728u);
    EXPECT_EQ(pNew->llAlreadyReads, 0);
    EXPECT_EQ(pNew->llAlreadyWrites, 0);
    EXPECT_TRUE(pNew->bMissionActive); // started although the old one was stopped
    // The replacement goes to the end of its group.
    EXPECT_EQ(Names(g_pProcMode), (QStringList{"later", "rsync"}));

    // A second Apply in the same editor finds the new mission: now it asks.
    CPromptScript prompts;
    prompts.Expect(PromptAnswer::Cancel);
    EXPECT_FALSE(dlg.OnApply());
    EXPECT_EQ(prompts.Texts(), std::vector<QString>{"Will you override the same mission<rsync>?"});
}

TEST_F(MissionDlgTest, EditingARecycledMissionTakesItOut) {
    CMission* pOld = Add(g_pRecycler, QStringLiteral("/srv/"), false);
    CMissionDlg dlg(pOld);
    ASSERT_TRUE(dlg.OnApply());
    EXPECT_TRUE(g_pRecycler->m_vecMissions.empty());
    EXPECT_EQ(Names(g_pPathMode), QStringList{"/srv/"});
    EXPECT_TRUE(FindMission(QStringLiteral("/srv/"))->bMissionActive);
    EXPECT_EQ(m_host.m_pShown, g_pPathMode);
}

TEST_F(MissionDlgTest, OkAfterARefusalClosesWithoutApplyingAndCancelAppliesNothing) {
    {
        CPromptScript prompts;
        prompts.Expect(PromptAnswer::Ok);
        CMissionDlg dlg(nullptr);
        Fill(dlg, {0, ""});
        dlg.show();
        static_cast<QPushButton*>(dlg.GetDlgItem(CMissionDlg::IDOK_BUTTON))->click();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(prompts.Texts(), std::vector<QString>{"The process name cannot be empty.\n"});
    }
    CMissionDlg dlg(nullptr);
    Fill(dlg, {0, "rsync"});
    dlg.show();
    static_cast<QPushButton*>(dlg.GetDlgItem(CMissionDlg::IDCANCEL_BUTTON))->click();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_TRUE(g_mapMissions.empty());

    // Apply keeps the editor open.
    CMissionDlg applied(nullptr);
    Fill(applied, {0, "rsync"});
    applied.show();
    static_cast<QPushButton*>(applied.GetDlgItem(CMissionDlg::IDC_APPLY))->click();
    EXPECT_TRUE(applied.isVisible());
    EXPECT_NE(FindMission(QStringLiteral("rsync")), nullptr);
}

TEST_F(MissionDlgTest, EnterIsOkAndEscapeIsCancel) {
    const auto press = [](QWidget* pTarget, int nKey) {
        QKeyEvent down(QEvent::KeyPress, nKey, Qt::NoModifier);
        QApplication::sendEvent(pTarget, &down);
    };
    CMissionDlg dlg(nullptr);
    Fill(dlg, {0, "rsync"});
    dlg.show();
    press(Picker(dlg)->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_NE(FindMission(QStringLiteral("rsync")), nullptr);

    CMissionDlg other(nullptr);
    Fill(other, {1, "/srv/data"});
    other.show();
    press(PathEdit(other), Qt::Key_Escape);
    EXPECT_EQ(other.result(), QDialog::Rejected);
    EXPECT_FALSE(other.isVisible());
    EXPECT_EQ(FindMission(QStringLiteral("/srv/data/")), nullptr);
}

TEST_F(MissionDlgTest, WithoutAHostTheMissionIsStillApplied) {
    CMissionDlg dlg(nullptr);
    dlg.SetHost(nullptr);
    Fill(dlg, {0, "rsync"});
    ASSERT_TRUE(dlg.OnApply());
    EXPECT_TRUE(m_host.m_events.isEmpty());
    EXPECT_NE(FindMission(QStringLiteral("rsync")), nullptr);
}

// --- the two target rule sets as pure checks ------------------------------------

TEST(MissionDlgRules, TargetNamesUnderBothRuleSets) {
    const struct {
        TARGET_RULES rules;
        int nMode;
        const char* typed;
        const char* message; // empty: accepted
        const char* stored;
    } cases[] = {
        {TARGET_RULES::Windows, 1, "", "The process name cannot be empty.\n", ""},
        {TARGET_RULES::Windows, 1, ".exe", "The process name is too short. It must be \"*.exe\"",
         ""},
        {TARGET_RULES::Windows, 1, "notepad.com", "The process name should like \"*.exe\"", ""},
        {TARGET_RULES::Windows, 1, "NOTEPAD.EXE", "", "NOTEPAD.EXE"},
        {TARGET_RULES::Windows, 2, "c", "The monitored path is not enough.", ""},
        {TARGET_RULES::Windows, 2, "D:\\new", "", "D:\\new\\"},
        {TARGET_RULES::Windows, 2, "C:\\", "", "C:\\"},
        {TARGET_RULES::Linux, 1, "notepad", "", "notepad"},
        {TARGET_RULES::Linux, 1, "NOTEPAD.EXE", "", "NOTEPAD.EXE"},
        {TARGET_RULES::Linux, 1, "/usr/bin/ls",
         "The process name should be a program's file name, without \"/\".", ""},
        {TARGET_RULES::Linux, 2, "/nonexistent/new", "", "/nonexistent/new/"},
        {TARGET_RULES::Linux, 2, "/nonexistent/new/", "", "/nonexistent/new/"},
        {TARGET_RULES::Linux, 2, "//",
         "The monitored path should be written plainly, without "
         "\"//\", \"/./\" or \"/../\".",
         ""},
        {TARGET_RULES::Linux, 2, "C:\\data",
         "The monitored path should be an absolute path, beginning with \"/\".", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        QString strTarget = QString::fromUtf8(c.typed);
        const QString strMessage =
            c.nMode == 1 ? CheckProcessName(c.rules, strTarget) : CheckPathName(c.rules, strTarget);
        EXPECT_EQ(strMessage, QString::fromUtf8(c.message));
        if (strMessage.isEmpty()) {
            EXPECT_EQ(strTarget, QString::fromUtf8(c.stored));
        }
    }
}

} // namespace
