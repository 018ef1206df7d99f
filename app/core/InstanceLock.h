// The machine-wide single-instance marker "DRAVIK_MUTEX": an exclusive
// flock on a file of that name in the system's lock folder. The kernel
// drops the lock when the process ends, however it ends, so a crash never
// leaves the program locked out.
#pragma once

#include <QString>

enum class InstanceLockState {
    Acquired,      // this process is now the one instance
    HeldElsewhere, // another process holds it ("already exists")
    Unavailable,   // the lock file could not be made; run without the guard
};

class CInstanceLock {
public:
    // The lock folder is $DRAVIK_LOCK_DIR when set (tests, unusual
    // installs), else /run/lock.
    explicit CInstanceLock(const QString& strName = QStringLiteral("DRAVIK_MUTEX"),
                           const QString& strFolder = DefaultFolder());
    // Releases the lock.
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    InstanceLockState Acquire();
    bool IsHeld() const { return m_nFd >= 0; }
    const QString& Path() const { return m_strPath; }
    // The errno value of the last failed attempt.
    int Error() const { return m_nError; }

    static QString DefaultFolder();

private:
    QString m_strPath;
    int m_nFd = -1;
    int m_nError = 0;
};

// Start-up's single-instance step: takes "DRAVIK_MUTEX" for the rest of the
// process's life. False only when another instance holds it; when the lock
// cannot be made at all the program goes on without the guard.
bool AcquireInstanceLock();
