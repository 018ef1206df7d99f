// The autostart entry: written with this executable's path, removed, and the
// failures of removing it.
#include "app/core/AutoRun.h"
#include "tests/missions/LogCapture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class AutoRunEntry : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_Dir.isValid());
        m_strAutostart = m_Dir.filePath(QStringLiteral("xdg/autostart"));
        qputenv(AUTORUN_DIR_ENV, QFile::encodeName(m_strAutostart));
    }
    void TearDown() override { qunsetenv(AUTORUN_DIR_ENV); }

    QString Entry() const { return m_strAutostart + QStringLiteral("/dravik.desktop"); }

    QTemporaryDir m_Dir;
    QString m_strAutostart;
    CLogCapture m_Log;
};

TEST_F(AutoRunEntry, TheFolderIsMachineWideUnlessMoved) {
    EXPECT_EQ(AutoRunEntryPath(), Entry());
    qunsetenv(AUTORUN_DIR_ENV);
    EXPECT_EQ(AutoRunEntryPath(), QStringLiteral("/etc/xdg/autostart/dravik.desktop"));
}

TEST_F(AutoRunEntry, OnWritesAnEntryStartingThisExecutableAgainOnEveryCall) {
    ASSERT_TRUE(SetAutoRun(TRUE)); // the folder is created
    QFile file(Entry());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString strEntry = QString::fromUtf8(file.readAll());
    file.close();
    const QString strExe = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    EXPECT_TRUE(strEntry.startsWith(QStringLiteral("[Desktop Entry]\n")));
    EXPECT_TRUE(strEntry.contains(QStringLiteral("\nType=Application\n")));
    EXPECT_TRUE(strEntry.contains(QStringLiteral("\nExec=\"") + strExe + QStringLiteral("\"\n")))
        << strEntry.toStdString();
    EXPECT_TRUE(QFileInfo(Entry()).permissions() & QFileDevice::ReadOther);

    // Rewritten, not appended to, while the box stays checked.
    {
        QFile stale(Entry());
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly | QIODevice::Truncate));
        stale.write("[Desktop Entry]\nExec=/old/dravik\n");
    }
    ASSERT_TRUE(SetAutoRun(TRUE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), strEntry);
}

TEST_F(AutoRunEntry, OffRemovesTheEntrySilently) {
    ASSERT_TRUE(SetAutoRun(TRUE));
    EXPECT_TRUE(SetAutoRun(FALSE));
    EXPECT_FALSE(QFile::exists(Entry()));
    EXPECT_EQ(m_Log.Count(15, "RegDeleteValue fail"), 0);
}

TEST_F(AutoRunEntry, RemovingAMissingEntryLogsErrorTwo) {
    EXPECT_TRUE(SetAutoRun(FALSE));
    EXPECT_TRUE(m_Log.Has(15, "RegDeleteValue fail [2]"));
}

TEST_F(AutoRunEntry, FailuresAreReportedNotHidden) {
    // Something that cannot be removed as a file stands where the entry goes.
    ASSERT_TRUE(QDir().mkpath(Entry()));
    EXPECT_FALSE(SetAutoRun(FALSE));
    EXPECT_TRUE(m_Log.Has(15, "RegDeleteValue fail [21]")); // EISDIR
    EXPECT_FALSE(SetAutoRun(TRUE));
    EXPECT_TRUE(m_Log.Has(8, "Write autorun entry"));
    EXPECT_TRUE(QFileInfo(Entry()).isDir());
}

} // namespace
