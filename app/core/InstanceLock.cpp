#include "app/core/InstanceLock.h"

#include <QByteArray>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

CInstanceLock::CInstanceLock(const QString& strName, const QString& strFolder)
    : m_strPath(strFolder + QLatin1Char('/') + strName) {}

CInstanceLock::~CInstanceLock() {
    if (m_nFd >= 0)
        close(m_nFd);
}

QString CInstanceLock::DefaultFolder() {
    QString strDir = qEnvironmentVariable("DRAVIK_LOCK_DIR");
    return strDir.isEmpty() ? QStringLiteral("/run/lock") : strDir;
}

InstanceLockState CInstanceLock::Acquire() {
    if (m_nFd >= 0)
        return InstanceLockState::Acquired;
    const QByteArray path = QFile::encodeName(m_strPath);
    // The lock folder is shared by all users and sticky: open an existing
    // file without O_CREAT (which the kernel refuses on another user's
    // file there), and create it only when it is missing. Read access is
    // enough for flock, so the file of another user serves as well.
    int fd = -1;
    for (int nTry = 0; nTry < 3 && fd < 0; ++nTry) {
        fd = open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) {
            fd = open(path.constData(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd < 0 && errno == EEXIST)
                continue;
        }
        if (fd < 0)
            break;
    }
    if (fd < 0) {
        m_nError = errno;
        return InstanceLockState::Unavailable;
    }
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        m_nError = errno;
        close(fd);
        return m_nError == EWOULDBLOCK ? InstanceLockState::HeldElsewhere
                                       : InstanceLockState::Unavailable;
    }
    m_nFd = fd;
    return InstanceLockState::Acquired;
}

bool AcquireInstanceLock() {
    // Held until the process ends.
    static CInstanceLock lock;
    return lock.Acquire() != InstanceLockState::HeldElsewhere;
}
