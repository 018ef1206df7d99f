// The single-instance marker: one holder per machine, across processes,
// released by the kernel however the holder ends.
#include "app/core/InstanceLock.h"

#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs Acquire in a child process and reports its state through the exit
// code; with bHold the child keeps the lock until it is killed.
pid_t AcquireInChild(const QString& strFolder, bool bHold, int pipeFd = -1) {
    pid_t pid = fork();
    if (pid == 0) {
        CInstanceLock lock(QStringLiteral("DRAVIK_MUTEX"), strFolder);
        InstanceLockState state = lock.Acquire();
        if (bHold) {
            char c = static_cast<char>(state);
            (void)!write(pipeFd, &c, 1);
            pause();
        }
        _exit(static_cast<int>(state));
    }
    return pid;
}

InstanceLockState ChildState(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return static_cast<InstanceLockState>(WEXITSTATUS(status));
}

} // namespace

TEST(InstanceLockTest, ASecondHolderIsRefusedUntilTheFirstLetsGo) {
    QTemporaryDir dir;
    auto first = std::make_unique<CInstanceLock>(QStringLiteral("DRAVIK_MUTEX"), dir.path());
    EXPECT_EQ(first->Acquire(), InstanceLockState::Acquired);
    EXPECT_EQ(first->Path(), dir.path() + QStringLiteral("/DRAVIK_MUTEX"));
    EXPECT_EQ(first->Acquire(), InstanceLockState::Acquired) << "asking again is harmless";

    CInstanceLock second(QStringLiteral("DRAVIK_MUTEX"), dir.path());
    EXPECT_EQ(second.Acquire(), InstanceLockState::HeldElsewhere);
    EXPECT_EQ(ChildState(AcquireInChild(dir.path(), false)), InstanceLockState::HeldElsewhere);

    // Another name is another lock.
    CInstanceLock other(QStringLiteral("OTHER_MUTEX"), dir.path());
    EXPECT_EQ(other.Acquire(), InstanceLockState::Acquired);

    first.reset();
    EXPECT_EQ(second.Acquire(), InstanceLockState::Acquired);
}

TEST(InstanceLockTest, AKilledHolderLeavesTheLockFree) {
    QTemporaryDir dir;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t holder = AcquireInChild(dir.path(), true, fds[1]);
    char c = -1;
    ASSERT_EQ(read(fds[0], &c, 1), 1);
    EXPECT_EQ(static_cast<InstanceLockState>(c), InstanceLockState::Acquired);
    close(fds[0]);
    close(fds[1]);

    CInstanceLock lock(QStringLiteral("DRAVIK_MUTEX"), dir.path());
    EXPECT_EQ(lock.Acquire(), InstanceLockState::HeldElsewhere);

    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_EQ(lock.Acquire(), InstanceLockState::Acquired);
}

TEST(InstanceLockTest, ALockThatCannotBeMadeIsUnavailableNotHeld) {
    QTemporaryDir dir;
    CInstanceLock lock(QStringLiteral("DRAVIK_MUTEX"), dir.path() + QStringLiteral("/missing"));
    EXPECT_EQ(lock.Acquire(), InstanceLockState::Unavailable);
    EXPECT_EQ(lock.Error(), ENOENT);
    EXPECT_FALSE(lock.IsHeld());
}

TEST(InstanceLockTest, StartUpStepRefusesOnlyWhenAnotherInstanceHoldsIt) {
    QTemporaryDir dir;
    // The start-up step in a fresh process: 1 when it refuses to go on.
    auto startUp = [](const QString& strLockDir) {
        pid_t pid = fork();
        if (pid == 0) {
            qputenv("DRAVIK_LOCK_DIR", strLockDir.toUtf8());
            _exit(AcquireInstanceLock() ? 0 : 1);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WEXITSTATUS(status);
    };
    EXPECT_EQ(startUp(dir.path()), 0);

    CInstanceLock running(QStringLiteral("DRAVIK_MUTEX"), dir.path());
    ASSERT_EQ(running.Acquire(), InstanceLockState::Acquired);
    EXPECT_EQ(startUp(dir.path()), 1);
    // No lock folder at all: start-up goes on without the guard.
    EXPECT_EQ(startUp(dir.path() + QStringLiteral("/missing")), 0);
}
