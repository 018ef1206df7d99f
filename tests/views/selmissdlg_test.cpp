// The select-mission dialog over real groups: its list in group order, the
// group shown for a choice, and which mission OK hands to the editor.
#include "missions/Mission.h"
#include "missions/MissionGroup.h"
#include "views/SelMissDlg.h"

#include "tests/support/QtTestApp.h"
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace {

class SelMissDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_oldDir = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        g_pProcMode = new CMissionGroup(QString::fromLatin1(GROUP_NAME_PROC_MODE));
        g_pPathMode = new CMissionGroup(QString::fromLatin1(GROUP_NAME_PATH_MODE));
        g_pRecycler = new CMissionGroup(QString::fromLatin1(GROUP_NAME_RECYCLER));
        m_fnOldOpener = CSelMissDlg::SetEditorOpener([this](CMission* pMission) {
            m_opened.push_back(pMission);
            // The select dialog has closed before the editor opens.
            m_bClosedFirst.push_back(m_pDlg && m_pDlg->result() == QDialog::Accepted);
        });
    }

    void TearDown() override {
        CSelMissDlg::SetEditorOpener(m_fnOldOpener);
        delete g_pProcMode;
        delete g_pPathMode;
        delete g_pRecycler;
        g_pProcMode = g_pPathMode = g_pRecycler = nullptr;
        g_mapMissions.clear();
        QDir::setCurrent(m_oldDir);
    }

    CMission* Add(CMissionGroup* pGroup, const QString& strName) {
        auto* pMission = new CMission;
        pMission->strTargetName = strName;
        pMission->uMode = strName.startsWith(QLatin1Char('/')) ? FLOW_MODE_PATH : FLOW_MODE_PROCESS;
        EXPECT_TRUE(pGroup->Insert(pMission));
        return pMission;
    }

    static QStringList Items(const CSelMissDlg& dlg) {
        QStringList items;
        for (int i = 0; i < dlg.MissionList()->count(); ++i)
            items << dlg.MissionList()->itemText(i);
        return items;
    }

    static void Choose(CSelMissDlg& dlg, const QString& strName) {
        dlg.MissionList()->setCurrentIndex(dlg.MissionList()->findText(strName));
    }

    QTemporaryDir m_dir;
    QString m_oldDir;
    CSelMissDlg::EDITOR_OPENER m_fnOldOpener;
    std::vector<CMission*> m_opened;
    std::vector<bool> m_bClosedFirst;
    CSelMissDlg* m_pDlg = nullptr;
};

TEST_F(SelMissDlgTest, ListsEveryGroupInOrderUnsortedWithNothingChosen) {
    Add(g_pRecycler, QStringLiteral("aaa-old"));
    Add(g_pPathMode, QStringLiteral("/srv/"));
    Add(g_pProcMode, QStringLiteral("zip"));
    Add(g_pProcMode, QStringLiteral("bash"));
    Add(g_pPathMode, QStringLiteral("/data/"));
    CSelMissDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Select mission"));
    EXPECT_EQ(Items(dlg), (QStringList{"zip", "bash", "/srv/", "/data/", "aaa-old"}));
    EXPECT_EQ(dlg.MissionList()->currentIndex(), -1);
    EXPECT_EQ(dlg.InfoText()->text(), QString());
    EXPECT_EQ(dlg.findChild<QWidget*>(QStringLiteral("1059")), dlg.MissionList());
    EXPECT_EQ(dlg.findChild<QWidget*>(QStringLiteral("1060")), dlg.InfoText());
}

TEST_F(SelMissDlgTest, ChoiceShowsItsGroup) {
    Add(g_pProcMode, QStringLiteral("zip"));
    Add(g_pPathMode, QStringLiteral("/srv/"));
    Add(g_pRecycler, QStringLiteral("old"));
    CSelMissDlg dlg;
    const struct {
        const char* name;
        const char* info;
    } cases[] = {{"/srv/", "Path mode"}, {"old", "In recycler"}, {"zip", "Process mode"}};
    for (const auto& c : cases) {
        Choose(dlg, QString::fromUtf8(c.name));
        EXPECT_EQ(dlg.InfoText()->text(), QString::fromUtf8(c.info)) << c.name;
    }
}

TEST_F(SelMissDlgTest, NameMissingFromTheIndexLeavesTheInfoAlone) {
    Add(g_pProcMode, QStringLiteral("zip"));
    CMission* pGone = Add(g_pProcMode, QStringLiteral("gone"));
    CSelMissDlg dlg;
    Choose(dlg, QStringLiteral("zip"));
    // The index and the groups out of step: the listed name finds nothing.
    delete g_pProcMode->Take(pGone->strTargetName);
    Choose(dlg, QStringLiteral("gone"));
    EXPECT_EQ(dlg.InfoText()->text(), QStringLiteral("Process mode"));
}

TEST_F(SelMissDlgTest, OkOpensTheEditorOnTheChoiceOrOnANewMission) {
    CMission* pOld = Add(g_pRecycler, QStringLiteral("old"));
    Add(g_pProcMode, QStringLiteral("zip"));
    {
        CSelMissDlg dlg;
        m_pDlg = &dlg;
        Choose(dlg, QStringLiteral("old"));
        dlg.show();
        static_cast<QPushButton*>(dlg.findChildren<QPushButton*>().at(0))->click(); // OK
        EXPECT_FALSE(dlg.isVisible());
    }
    {
        CSelMissDlg dlg; // nothing chosen
        m_pDlg = &dlg;
        dlg.accept();
    }
    EXPECT_EQ(m_opened, (std::vector<CMission*>{pOld, nullptr}));
    EXPECT_EQ(m_bClosedFirst, (std::vector<bool>{true, true}));
    m_pDlg = nullptr;
}

TEST_F(SelMissDlgTest, WithNoMissionsOkOpensANewMissionAndCancelOpensNothing) {
    {
        CSelMissDlg dlg;
        EXPECT_EQ(dlg.MissionList()->count(), 0);
        dlg.show();
        dlg.reject();
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
    }
    EXPECT_TRUE(m_opened.empty());
    CSelMissDlg dlg;
    dlg.accept();
    EXPECT_EQ(m_opened, std::vector<CMission*>{nullptr});
}

} // namespace
