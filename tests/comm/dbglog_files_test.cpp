// The log's files: where they are, which one is current, how a file starts
// and is continued, the switch at 50 MiB through ten indices, and what
// happens when files cannot be opened or written.
#include "comm/DbgInfoLog.h"
#include "comm/DbgTrace.h"
#include "tests/comm/LogFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace logfiles;

namespace {

QString Finished(int n) {
    return QStringLiteral("_QZ_SOFT_%1.log").arg(n);
}
QString Current(int n) {
    return QStringLiteral("_QZ_SOFT_%1_ing.log").arg(n);
}

bool Touch(const QString& strPath, qint64 llSize = 0) {
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly) && file.resize(llSize);
}

class DbgLogFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_Temp.isValid());
        m_strDir = m_Temp.path() + QStringLiteral("/log/");
        m_PrevSink = SetDbgTraceSink([this](const QString& s) { m_vecTrace.push_back(s); });
    }
    void TearDown() override { SetDbgTraceSink(std::move(m_PrevSink)); }

    bool Traced(const QString& strLine) const {
        return std::find(m_vecTrace.begin(), m_vecTrace.end(), strLine) != m_vecTrace.end();
    }
    // One whole line of UTF-16 text as the logging call hands it over.
    static void Write(CDbgInfoLog& log, const QString& strLine) {
        log.WriteLine(reinterpret_cast<const char16_t*>(strLine.utf16()),
                      static_cast<qint64>(strLine.size()) * 2);
    }

    QTemporaryDir m_Temp;
    QString m_strDir;
    std::vector<QString> m_vecTrace;
    DBG_TRACE_SINK m_PrevSink;
};

TEST_F(DbgLogFiles, FirstStartCreatesTheFolderAndAFileWithMarkAndStartLine) {
    ASSERT_FALSE(QFileInfo::exists(m_strDir));
    {
        CDbgInfoLog log(m_strDir);
        EXPECT_TRUE(log.IsOpen());
        EXPECT_EQ(log.FilePath(), m_strDir + Current(0));
        EXPECT_EQ(log.Written(), QFileInfo(log.FilePath()).size());
        const QByteArray bytes = ReadBytes(m_strDir + Current(0));
        ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
        EXPECT_TRUE(QRegularExpression("^" + MarkPattern("Start", "_QZ_SOFT") + "$")
                        .match(ReadLog(m_strDir + Current(0)))
                        .hasMatch())
            << ReadLog(m_strDir + Current(0)).toStdString();
    }
    EXPECT_EQ(QDir(m_strDir).entryList(QDir::Files), QStringList{Current(0)});
    EXPECT_TRUE(m_vecTrace.empty());
}

TEST_F(DbgLogFiles, NextStartContinuesTheSameFileAfterItsFinishLine) {
    { CDbgInfoLog first(m_strDir); }
    {
        CDbgInfoLog second(m_strDir);
        EXPECT_EQ(second.FileName(), Current(0));
        Write(second, QStringLiteral("a line\n"));
    }
    const QString strText = ReadLog(m_strDir + Current(0));
    const QString strStart = MarkPattern("Start", "_QZ_SOFT");
    const QString strFinish = MarkPattern("Finish", "_QZ_SOFT");
    EXPECT_TRUE(
        QRegularExpression("^" + strStart + strFinish + strStart + "a line\n" + strFinish + "$")
            .match(strText)
            .hasMatch())
        << strText.toStdString();
    // One mark at the very start, none further in.
    EXPECT_EQ(ReadBytes(m_strDir + Current(0)).count("\xFF\xFE"), 1);
}

TEST_F(DbgLogFiles, CurrentIndexIsTheFirstWithoutAFinishedFile) {
    struct CASE {
        const char* pszName;
        std::vector<int> vecFinished;
        int nExpected;
    };
    const CASE cases[] = {
        {"none", {}, 0},
        {"0 1 2", {0, 1, 2}, 3},
        {"gap at 1", {0, 2, 3}, 1},
        {"all ten", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 0},
    };
    for (const CASE& c : cases) {
        QTemporaryDir temp;
        const QString strDir = temp.path() + QStringLiteral("/");
        for (int n : c.vecFinished)
            ASSERT_TRUE(Touch(strDir + Finished(n)));
        CDbgInfoLog log(strDir);
        EXPECT_EQ(log.Index(), c.nExpected) << c.pszName;
        EXPECT_EQ(log.FileName(), Current(c.nExpected)) << c.pszName;
        // With all ten present the oldest slot is freed for the new file.
        if (c.vecFinished.size() == 10) {
            EXPECT_FALSE(QFileInfo::exists(strDir + Finished(0))) << c.pszName;
            EXPECT_TRUE(QFileInfo::exists(strDir + Finished(1))) << c.pszName;
        }
    }
}

// The current file at 50 MiB (sparse, so nothing large is written): the
// next line closes it with the Switch line, renames it, and starts the next
// index with the Continue line followed by the line itself.
TEST_F(DbgLogFiles, SwitchesToTheNextFileAtFiftyMebibytes) {
    QDir().mkpath(m_strDir);
    const qint64 llStartBytes = MarkUnits("Start", "_QZ_SOFT") * 2;
    // After the Start line the file is two bytes short of the limit.
    ASSERT_TRUE(Touch(m_strDir + Current(0), DBG_SWITCH_SIZE - 2 - llStartBytes));
    CDbgInfoLog log(m_strDir);
    ASSERT_EQ(log.Written(), DBG_SWITCH_SIZE - 2);

    Write(log, QStringLiteral("x")); // below the limit: still this file
    EXPECT_EQ(log.Index(), 0);
    EXPECT_EQ(log.Written(), DBG_SWITCH_SIZE);
    Write(log, QStringLiteral("after the limit\n"));

    EXPECT_EQ(log.Index(), 1);
    EXPECT_FALSE(QFileInfo::exists(m_strDir + Current(0)));
    const QString strOld = m_strDir + Finished(0);
    ASSERT_TRUE(QFileInfo::exists(strOld));
    const qint64 nSwitchUnits = MarkUnits("Switch Log File To", Finished(1));
    EXPECT_EQ(QFileInfo(strOld).size(), DBG_SWITCH_SIZE + nSwitchUnits * 2);
    EXPECT_TRUE(QRegularExpression("^" + MarkPattern("Switch Log File To", Finished(1)) + "$")
                    .match(ReadTail(strOld, nSwitchUnits))
                    .hasMatch())
        << ReadTail(strOld, nSwitchUnits).toStdString();

    const QString strNew = ReadLog(m_strDir + Current(1));
    EXPECT_TRUE(QRegularExpression("^" + MarkPattern("Continue Log File", Finished(0) + ">") +
                                   "after the limit\n$")
                    .match(strNew)
                    .hasMatch())
        << strNew.toStdString();
    EXPECT_EQ(log.Written(), QFileInfo(m_strDir + Current(1)).size());
    EXPECT_TRUE(m_vecTrace.empty());
}

TEST_F(DbgLogFiles, IndexNineWrapsToZeroAndReplacesItsOldFile) {
    QDir().mkpath(m_strDir);
    for (int n = 0; n < 9; ++n)
        ASSERT_TRUE(Touch(m_strDir + Finished(n), 10));
    ASSERT_TRUE(Touch(m_strDir + Current(9), DBG_SWITCH_SIZE));
    CDbgInfoLog log(m_strDir);
    ASSERT_EQ(log.Index(), 9);
    Write(log, QStringLiteral("wrapped\n"));

    EXPECT_EQ(log.Index(), 0);
    EXPECT_TRUE(QFileInfo::exists(m_strDir + Finished(9)));
    EXPECT_FALSE(QFileInfo::exists(m_strDir + Finished(0)));
    EXPECT_TRUE(
        QRegularExpression("^" + MarkPattern("Continue Log File", Finished(9) + ">") + "wrapped\n$")
            .match(ReadLog(m_strDir + Current(0)))
            .hasMatch());
    // The other finished files are left alone.
    EXPECT_EQ(QFileInfo(m_strDir + Finished(1)).size(), 10);
}

// A folder that cannot be made (its parent is a file; permissions do not
// stop root): the log stays closed, says why on the trace output, and
// every later line is reported as lost.
TEST_F(DbgLogFiles, UnusableFolderLeavesTheLogClosedWithTraceLines) {
    const QString strFile = m_Temp.path() + QStringLiteral("/plain");
    ASSERT_TRUE(Touch(strFile));
    const QString strDir = strFile + QStringLiteral("/log/");
    {
        CDbgInfoLog log(strDir);
        EXPECT_FALSE(log.IsOpen());
        EXPECT_TRUE(Traced(QStringLiteral("[Kelto_AK]: 打开记录文件(%1)失败!").arg(Current(0))));
        EXPECT_TRUE(Traced(QStringLiteral("ERR: 打开日志文件(%1)失败").arg(strDir + Current(0))));
        m_vecTrace.clear();
        Write(log, QStringLiteral("lost\n"));
        EXPECT_TRUE(Traced(QStringLiteral("[Kelto_AK]: 写记录文件(%1)失败!").arg(Current(0))));
        m_vecTrace.clear();
    }
    EXPECT_TRUE(Traced(QStringLiteral("ERR: 写日志文件(%1)失败").arg(Current(0))));
}

// The next file cannot be opened (a folder holds its name): the switch
// fails, the line is dropped, and the log stays closed.
TEST_F(DbgLogFiles, FailedSwitchDropsTheLineAndClosesTheLog) {
    QDir().mkpath(m_strDir + Current(1));
    ASSERT_TRUE(Touch(m_strDir + Current(0), DBG_SWITCH_SIZE));
    CDbgInfoLog log(m_strDir);
    Write(log, QStringLiteral("dropped\n"));
    EXPECT_FALSE(log.IsOpen());
    EXPECT_TRUE(Traced(QStringLiteral("ERR: ((((((((((((()))))))))))))) ")));
    EXPECT_TRUE(Traced(QStringLiteral("ERR: Switch Log File Failed ")));
    EXPECT_TRUE(QFileInfo::exists(m_strDir + Finished(0)));
    EXPECT_FALSE(ReadLog(m_strDir + Finished(0)).contains(QStringLiteral("dropped")));
}

// A write that the system refuses (the file-size limit stands in for a
// full disk): the line is reported lost and the log goes on.
TEST_F(DbgLogFiles, RefusedWriteIsReportedAndTheLogGoesOn) {
    CDbgInfoLog log(m_strDir);
    const qint64 llSize = QFileInfo(log.FilePath()).size();
    rlimit old = {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto prevHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = static_cast<rlim_t>(llSize);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Write(log, QStringLiteral("refused\n"));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, prevHandler);

    EXPECT_TRUE(Traced(QStringLiteral("[Kelto_AK]: 写记录文件(%1)失败!").arg(Current(0))));
    Write(log, QStringLiteral("accepted\n"));
    const QString strText = ReadLog(log.FilePath());
    EXPECT_FALSE(strText.contains(QStringLiteral("refused")));
    EXPECT_TRUE(strText.endsWith(QStringLiteral("accepted\n")));
    EXPECT_EQ(log.Written(), QFileInfo(log.FilePath()).size());
}

TEST(DbgLogPlace, ProgramLogLivesInLogBesideTheExecutable) {
    char szExe[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", szExe, sizeof szExe - 1), 0);
    const QFileInfo exe(QString::fromLocal8Bit(szExe));
    EXPECT_EQ(CDbgInfoLog::ExecutableDir(), exe.absolutePath() + QStringLiteral("/"));
    EXPECT_EQ(CDbgInfoLog::DefaultDir(), exe.absolutePath() + QStringLiteral("/log/"));
    EXPECT_EQ(CDbgInfoLog::ExecutableName(), exe.completeBaseName());
    EXPECT_EQ(g_DbgLog.Dir(), CDbgInfoLog::DefaultDir());
    EXPECT_TRUE(QRegularExpression("^\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$")
                    .match(CDbgInfoLog::TimeString())
                    .hasMatch());
}

} // namespace
