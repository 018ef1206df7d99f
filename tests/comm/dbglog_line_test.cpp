// The logging call: threshold, the line's head, padding, location suffix,
// shortening of over-long messages, and the seams other tests use.
#include "comm/DbgInfoLog.h"
#include "comm/DbgLogCapture.h"
#include "comm/DbgTrace.h"
#include "tests/comm/LogFiles.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

using namespace logfiles;

namespace {

// Moves the program's log into a scratch folder for one test.
class DbgLogLines : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_Temp.isValid());
        ASSERT_TRUE(g_DbgLog.Reopen(m_Temp.path()));
        m_nStart = ReadLog(g_DbgLog.FilePath()).size();
    }
    void TearDown() override {
        SetDbgTraceSwitch(true);
        g_DbgLog.Reopen(CDbgInfoLog::DefaultDir());
    }
    // The lines logged since SetUp, each with its line feed.
    QStringList Lines() const {
        const QString strText = ReadLog(m_Temp.path() + QStringLiteral("/_QZ_SOFT_0_ing.log"));
        QStringList lines;
        for (const QString& s : strText.mid(m_nStart).split(u'\n', Qt::SkipEmptyParts))
            lines << s + u'\n';
        return lines;
    }
    static QString Suffix(int nLine) {
        return QStringLiteral("--dbglog_line_test.cpp(%1)\n").arg(nLine);
    }

    QTemporaryDir m_Temp;
    qsizetype m_nStart = 0;
};

TEST_F(DbgLogLines, OnlyLevelsFromEightAreWritten) {
    DBG_LOG(4, "information");
    DBG_LOG(7, "below");
    DBG_LOG(8, "error");
    DBG_LOG(15, "always");
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 2) << lines.join(QString()).toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("]: error ")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("]: always ")));
}

TEST_F(DbgLogLines, LineHasHeadPaddingAndLocation) {
    const int nLine = __LINE__ + 1;
    DBG_LOG(8, "Flow ctrl init failed.");
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 1);
    const QString& strLine = lines[0];
    const QRegularExpression head(
        QStringLiteral("^\\[([^\\]]*)\\]\\[(\\d+)\\]\\[(\\d+)\\]\\[(\\d\\d/\\d\\d/\\d\\d "
                       "\\d\\d:\\d\\d:\\d\\d)\\]: "));
    const QRegularExpressionMatch m = head.match(strLine);
    ASSERT_TRUE(m.hasMatch()) << strLine.toStdString();
    EXPECT_EQ(m.captured(1), CDbgInfoLog::ExecutableName());
    EXPECT_EQ(m.captured(2).toInt(), getpid());
    EXPECT_EQ(m.captured(3).toInt(), gettid());
    EXPECT_EQ(strLine.left(DBG_PAD_COLUMN),
              (m.captured(0) + QStringLiteral("Flow ctrl init failed."))
                  .leftJustified(DBG_PAD_COLUMN, u' '));
    EXPECT_EQ(strLine.mid(DBG_PAD_COLUMN), Suffix(nLine));
}

// A message that ends in a line feed: the feed becomes a blank and the line
// still ends with the suffix and one line feed.
TEST_F(DbgLogLines, TrailingLineFeedBecomesABlank) {
    const int nLine = __LINE__ + 1;
    DBG_LOG(8, "ends in a feed\n");
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 1) << lines.join(QString()).toStdString();
    EXPECT_EQ(lines[0].size(), DBG_PAD_COLUMN + Suffix(nLine).size());
    EXPECT_TRUE(lines[0].left(DBG_PAD_COLUMN).contains(QStringLiteral("]: ends in a feed  ")));
    EXPECT_TRUE(lines[0].endsWith(Suffix(nLine)));
}

TEST_F(DbgLogLines, LongMessageIsNotPadded) {
    const QString strLong(120, u'x');
    const int nLine = __LINE__ + 1;
    DBG_LOG(8, "%s", strLong);
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("]: ") + strLong + Suffix(nLine)));
}

// A message far beyond the line buffer: the line stays within 1024 units,
// keeps its suffix, and shows that it was cut.
TEST_F(DbgLogLines, OverLongMessageIsShortenedWithinTheBuffer) {
    const QString strHuge = QString(3000, u'y') + QStringLiteral("TAIL");
    const int nLine = __LINE__ + 1;
    DBG_LOG(8, "start %s", strHuge);
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].size(), DBG_LINE_UNITS);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("yyy...") + Suffix(nLine)));
    EXPECT_FALSE(lines[0].contains(QStringLiteral("TAIL")));

    // A cut through a surrogate pair drops the whole pair.
    const QString strPairs =
        QString(3000, u'a').replace(QStringLiteral("a"), QString::fromUtf16(u"😀"));
    for (int nShift = 0; nShift < 2; ++nShift) {
        DBG_LOG(8, "%s%s", QString(nShift, u'b'), strPairs);
    }
    const QStringList more = Lines();
    ASSERT_EQ(more.size(), 3);
    for (int i = 1; i < 3; ++i) {
        EXPECT_LE(more[i].size(), DBG_LINE_UNITS);
        const qsizetype nDots = more[i].indexOf(QStringLiteral("...--"));
        ASSERT_GT(nDots, 0);
        EXPECT_TRUE(more[i][nDots - 1].isLowSurrogate()) << "line " << i;
    }
}

TEST_F(DbgLogLines, TraceSwitchOffWritesNothing) {
    SetDbgTraceSwitch(false);
    DBG_LOG(15, "switched off");
    SetDbgTraceSwitch(true);
    DBG_LOG(15, "switched on");
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].contains(QStringLiteral("switched on")));
}

// The seams: the capture sees each written line's level and message, the
// trace output gets a copy of the whole line.
TEST_F(DbgLogLines, CaptureAndTraceSeeWrittenLines) {
    std::vector<QString> vecTrace;
    DBG_TRACE_SINK prev = SetDbgTraceSink([&](const QString& s) { vecTrace.push_back(s); });
    {
        CDbgLogCapture capture;
        DBG_LOG(4, "not seen");
        DBG_LOG(8, "Skip MissionIndex<%s> mode<%d>", QStringLiteral("bad.exe"), 3);
        DBG_LOG(15, "[LOG] Target<%s>", u"目标");
        ASSERT_EQ(capture.Lines().size(), 2u);
        EXPECT_EQ(capture.Lines()[0].nLevel, 8u);
        EXPECT_EQ(capture.Lines()[0].strMessage,
                  QStringLiteral("Skip MissionIndex<bad.exe> mode<3>"));
        EXPECT_TRUE(capture.Contains(15, QString::fromUtf16(u"Target<目标>")));
        EXPECT_FALSE(capture.Contains(8, QStringLiteral("Target")));
        EXPECT_FALSE(capture.Contains(QStringLiteral("not seen")));
        {
            // Nested captures each see the lines of their own time.
            CDbgLogCapture inner;
            DBG_LOG(8, "inner");
            EXPECT_EQ(inner.Messages(), std::vector<QString>{QStringLiteral("inner")});
        }
        DBG_LOG(8, "outer again");
        EXPECT_TRUE(capture.Contains(QStringLiteral("outer again")));
        EXPECT_FALSE(capture.Contains(QStringLiteral("inner")));
    }
    SetDbgTraceSink(std::move(prev));
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 4);
    // The trace copy is the file's line without its closing line feed.
    ASSERT_EQ(vecTrace.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(vecTrace[static_cast<std::size_t>(i)] + u'\n', lines[i]);
}

// Reopen finishes the file it leaves and starts the new one as at start-up.
TEST_F(DbgLogLines, ReopenFramesBothFiles) {
    QTemporaryDir other;
    const QString strFirst = g_DbgLog.FilePath();
    DBG_LOG(8, "in the first");
    ASSERT_TRUE(g_DbgLog.Reopen(other.path()));
    DBG_LOG(8, "in the second");
    EXPECT_TRUE(
        QRegularExpression("in the first +--[^\n]*\n" + MarkPattern("Finish", "_QZ_SOFT") + "$")
            .match(ReadLog(strFirst))
            .hasMatch());
    EXPECT_TRUE(QRegularExpression("^" + MarkPattern("Start", "_QZ_SOFT") + "[^\n]*in the second")
                    .match(ReadLog(g_DbgLog.FilePath()))
                    .hasMatch());
    ASSERT_TRUE(g_DbgLog.Reopen(m_Temp.path()));
}

// Lines logged from several threads at once come out whole, one per call.
TEST_F(DbgLogLines, ThreadsNeverInterleaveLines) {
    constexpr int THREADS = 4;
    constexpr int LINES = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < LINES; ++i)
                DBG_LOG(8, "thread<%d> line<%d> %s", t, i, QString(40 + i % 50, u'z'));
        });
    for (std::thread& thread : threads)
        thread.join();
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), THREADS * LINES);
    const QRegularExpression whole(QStringLiteral(
        "^\\[[^\\]]*\\]\\[\\d+\\]\\[\\d+\\]\\[[^\\]]+\\]: thread<(\\d)> line<(\\d+)> z+ *"
        "--dbglog_line_test\\.cpp\\(\\d+\\)\\n$"));
    std::vector<int> vecNext(THREADS, 0);
    for (const QString& strLine : lines) {
        const QRegularExpressionMatch m = whole.match(strLine);
        ASSERT_TRUE(m.hasMatch()) << strLine.toStdString();
        // Each thread's lines keep their order.
        int& nNext = vecNext[static_cast<std::size_t>(m.captured(1).toInt())];
        EXPECT_EQ(m.captured(2).toInt(), nNext);
        ++nNext;
    }
}

} // namespace
