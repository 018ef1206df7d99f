// Running programs read from a /proc snapshot: process-id order, the exe
// link's base name, comm for processes whose link cannot be read, kernel
// threads and non-process entries left out.
#include "views/ProcessList.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kProcFixture = QStringLiteral(DRAVIK_TEST_DATA_DIR "/views/proc");

TEST(ProcessList, NamesFromTheSnapshotInProcessOrder) {
    QStringList names;
    ASSERT_TRUE(ListProcessNames(kProcFixture, names));
    // 1 systemd, 20 sshd (numeric order, not 100 < 20), 100 and 101 bash
    // (both instances kept; the editor drops duplicates), 250 postgres from
    // comm (no readable link), 300 a replaced binary without " (deleted)",
    // 1000 Bash. 2 and 10 are kernel threads; "self", "sys", "net" and
    // "uptime" are not processes.
    EXPECT_EQ(names,
              (QStringList{"systemd", "sshd", "bash", "bash", "postgres", "My Editor", "Bash"}));
}

TEST(ProcessList, UnreadableFolderLeavesTheListAlone) {
    QStringList names{"kept"};
    EXPECT_FALSE(ListProcessNames(QStringLiteral("/nonexistent/proc"), names));
    EXPECT_EQ(names, QStringList{"kept"});

    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    EXPECT_TRUE(ListProcessNames(empty.path(), names));
    EXPECT_TRUE(names.isEmpty());
}

TEST(ProcessList, TheLiveSystemListsThisTest) {
    QStringList names;
    ASSERT_TRUE(ListProcessNames(QStringLiteral("/proc"), names));
    EXPECT_TRUE(names.contains(QStringLiteral("views_processlist_test")))
        << names.join(", ").toStdString();
}

} // namespace
