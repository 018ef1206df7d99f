#include "tests/gui/WindowFixture.h"

#include "app/OptionDlg.h"
#include "app/core/AutoRun.h"
#include "app/core/Options.h"
#include "views/QosCurve.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <climits>

namespace {

class OptionsDialog : public CWindowTest {};

TEST_F(OptionsDialog, ShowsTheCurrentOptions) {
    CDravikDlg& w = Window();
    g_AppOptions.bLaunchInTray = TRUE;
    g_AppOptions.uFreshTime = 4294967295u;
    w.SetShowWrite(false);
    COptionDlg dialog(w, &w);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Options"));
    EXPECT_FALSE(dialog.AutoRunBox()->isChecked());
    EXPECT_TRUE(dialog.LaunchInTrayBox()->isChecked());
    EXPECT_TRUE(dialog.ReadChartBox()->isChecked());
    EXPECT_FALSE(dialog.WriteChartBox()->isChecked());
    EXPECT_EQ(dialog.FreshTimeEdit()->text(), QStringLiteral("-1")) << "shown as \"%d\"";
    EXPECT_TRUE(dialog.OkButton()->isDefault());
}

// What the period field turns into, and what the refresh timer does.
TEST_F(OptionsDialog, PeriodEntriesAreStoredAndRestartTheTimer) {
    const struct {
        const char* entry;
        std::uint32_t uStored;
        int nTimer; // the timer's period afterwards
        const char* inFile;
    } table[] = {
        {"500", 1000, 1000, "<FreshTime>1000</FreshTime>"},
        {"2500", 2500, 2500, "<FreshTime>2500</FreshTime>"},
        // 49 days do not fit a timer's signed period: it runs at the
        // longest one it can hold, the option keeps the entry.
        {"-1", 4294967295u, INT_MAX, "<FreshTime>-1</FreshTime>"},
        {"abc", 1000, 1000, "<FreshTime>1000</FreshTime>"},
    };
    CDravikDlg& w = Window();
    for (const auto& row : table) {
        g_AppOptions.uFreshTime = 3000;
        w.RestartRefreshTimer();
        COptionDlg dialog(w, &w);
        dialog.FreshTimeEdit()->setText(QString::fromLatin1(row.entry));
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(g_AppOptions.uFreshTime, row.uStored) << row.entry;
        EXPECT_TRUE(w.RefreshTimer().isActive()) << row.entry;
        EXPECT_EQ(w.RefreshTimer().interval(), row.nTimer) << row.entry;
        EXPECT_TRUE(ReadWorkFile("Options.xml").contains(QLatin1String(row.inFile))) << row.entry;
    }
}

TEST_F(OptionsDialog, AnUnchangedPeriodLeavesTheTimerRunning) {
    CDravikDlg& w = Window();
    QTest::qWait(300);
    const int nRemaining = w.RefreshTimer().remainingTime();
    COptionDlg dialog(w, &w);
    dialog.OnOK();
    EXPECT_LE(w.RefreshTimer().remainingTime(), nRemaining) << "not started again";
}

TEST_F(OptionsDialog, OkTakesOverChartsAutorunAndTray) {
    CDravikDlg& w = Window();
    COptionDlg dialog(w, &w);
    dialog.AutoRunBox()->setChecked(true);
    dialog.LaunchInTrayBox()->setChecked(true);
    dialog.ReadChartBox()->setChecked(false);
    dialog.OnOK();
    EXPECT_TRUE(g_AppOptions.bAutoRun);
    EXPECT_TRUE(g_AppOptions.bLaunchInTray);
    EXPECT_FALSE(w.Chart()->m_bShowRead);
    EXPECT_TRUE(w.Chart()->m_bShowWrite);
    EXPECT_FALSE(w.ShowReadAction()->isChecked());
    EXPECT_TRUE(w.ShowWriteAction()->isChecked());
    EXPECT_TRUE(QFile::exists(AutoRunEntryPath()));
    const QString strFile = ReadWorkFile("Options.xml");
    EXPECT_TRUE(strFile.contains("<AutoRun>1</AutoRun>"));
    EXPECT_TRUE(strFile.contains("<LuanchInTray>1</LuanchInTray>"));
    EXPECT_TRUE(strFile.contains("<ShowReadChart>0</ShowReadChart>"));

    COptionDlg again(w, &w);
    again.AutoRunBox()->setChecked(false);
    again.OnOK();
    EXPECT_FALSE(QFile::exists(AutoRunEntryPath()));
}

TEST_F(OptionsDialog, CancelChangesNothing) {
    CDravikDlg& w = Window();
    QFile::remove(WorkFile("Options.xml"));
    COptionDlg dialog(w, &w);
    dialog.AutoRunBox()->setChecked(true);
    dialog.ReadChartBox()->setChecked(false);
    dialog.FreshTimeEdit()->setText(QStringLiteral("5000"));
    QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(g_AppOptions.bAutoRun);
    EXPECT_EQ(g_AppOptions.uFreshTime, 1000u);
    EXPECT_TRUE(w.Chart()->m_bShowRead);
    EXPECT_EQ(w.RefreshTimer().interval(), 1000);
    EXPECT_FALSE(QFile::exists(WorkFile("Options.xml")));
    EXPECT_FALSE(QFile::exists(AutoRunEntryPath()));
}

} // namespace
