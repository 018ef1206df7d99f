// The operation log: time-stamped lines, newest at the bottom and in view, at
// most MAX_LOG_LINES, never reordered, and reached by the missions' events.
#include "missions/Mission.h"
#include "missions/OperationLog.h"
#include "views/LogList.h"
#include "views/SortHeaderCtrl.h"

#include "tests/support/QtTestApp.h"
#include <QApplication>
#include <QDateTime>
#include <gtest/gtest.h>

namespace {

TEST(LogList, StampsEachLineWithItsLocalTime) {
    CLogList log;
    ASSERT_EQ(log.columnCount(), 2);
    EXPECT_EQ(log.headerItem()->text(0), "Time");
    EXPECT_EQ(log.headerItem()->text(1), "Opeation log");
    EXPECT_EQ(log.columnWidth(0), 120);
    EXPECT_EQ(log.columnWidth(1), 900);
    EXPECT_EQ(log.GetRowHeight(), 16);

    log.AddLineAt(QDateTime(QDate(2006, 2, 3), QTime(9, 5, 7)),
                  QStringLiteral("Start mission OK:<notepad>"));
    ASSERT_EQ(log.GetItemCount(), 1);
    EXPECT_EQ(log.GetItemText(0, 0), "06-02-03 09:05:07");
    EXPECT_EQ(log.GetItemText(0, 1), "Start mission OK:<notepad>");
}

TEST(LogList, KeepsTheNewestThousandLinesWithTheNewestInView) {
    CLogList log;
    log.resize(600, 200);
    log.show();
    for (int i = 1; i <= CLogList::MAX_LOG_LINES; ++i)
        log.AddLine(QString::number(i));
    ASSERT_EQ(log.GetItemCount(), 1000);
    EXPECT_EQ(log.GetItemText(0, 1), "1");

    log.AddLine(QStringLiteral("1001"));
    log.AddLine(QStringLiteral("1002"));
    QApplication::processEvents();
    ASSERT_EQ(log.GetItemCount(), 1000);
    EXPECT_EQ(log.GetItemText(0, 1), "3");
    EXPECT_EQ(log.GetItemText(999, 1), "1002");
    const QRect rcLast = log.visualItemRect(log.topLevelItem(999));
    // Fully in view from top to bottom (the columns are wider than the list).
    EXPECT_GE(rcLast.top(), 0);
    EXPECT_LE(rcLast.bottom(), log.viewport()->rect().bottom());
}

TEST(LogList, HeaderClicksDoNotReorderTheLines) {
    CLogList log;
    for (const char* line : {"b", "c", "a"})
        log.AddLine(QString::fromLatin1(line));
    emit log.GetSortHeader()->sectionClicked(1);
    log.OnColumnClick(1);
    EXPECT_EQ(log.GetItemText(0, 1), "b");
    EXPECT_EQ(log.GetItemText(2, 1), "a");
    EXPECT_EQ(log.GetSortHeader()->GetSortColumn(), -1);
}

TEST(LogList, MissionEventsReachTheInstalledLogWhileItIsHidden) {
    CLogList log;
    ASSERT_FALSE(log.isVisible());
    COperationLog* pPrevious = COperationLog::Install(&log);
    CMission mission;
    mission.strTargetName = QStringLiteral("a");
    mission.LogOperation(QStringLiteral("Insert mission<a> to group<ProcMode>"));
    mission.LogOperation(QStringLiteral("Start mission OK:<a>"));
    COperationLog::Install(pPrevious);
    log.show();
    ASSERT_EQ(log.GetItemCount(), 2);
    EXPECT_EQ(log.GetItemText(1, 1), "Start mission OK:<a>");
}

TEST(LogList, ShowsTheNewestLineWhenShownAfterLinesCameWhileHidden) {
    QWidget pane;
    pane.resize(600, 200);
    auto* pLog = new CLogList(&pane);
    pLog->setGeometry(0, 0, 600, 200);
    pLog->hide();
    pane.show();
    for (int i = 1; i <= 200; ++i)
        pLog->AddLine(QString::number(i));
    pLog->show();
    QApplication::processEvents();
    QApplication::processEvents();
    const QRect rcLast = pLog->visualItemRect(pLog->topLevelItem(199));
    EXPECT_GE(rcLast.top(), 0);
    EXPECT_LE(rcLast.bottom(), pLog->viewport()->rect().bottom());
}

} // namespace
