#include "app/core/AutoRun.h"

#include "comm/DbgInfoLog.h"

#include <QDir>
#include <QSaveFile>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <unistd.h>

namespace {

// The running executable's full path, or an errno value.
bool ExecutablePath(QString& strPath, int& nError) {
    char szPath[PATH_MAX];
    const ssize_t nLength = ::readlink("/proc/self/exe", szPath, sizeof(szPath));
    if (nLength < 0) {
        nError = errno;
        return false;
    }
    if (static_cast<size_t>(nLength) >= sizeof(szPath)) {
        nError = ENAMETOOLONG;
        return false;
    }
    strPath = QFile::decodeName(QByteArray(szPath, static_cast<int>(nLength)));
    return true;
}

// The Exec value of a desktop entry: the path as one quoted argument (so
// blanks and shell characters stay literal), then the string escaping of
// the entry format, which doubles every backslash once more.
QString DesktopExec(const QString& strPath) {
    QString strQuoted;
    for (QChar c : strPath) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            strQuoted += QLatin1Char('\\');
        strQuoted += c;
    }
    QString strValue = QLatin1Char('"') + strQuoted + QLatin1Char('"');
    strValue.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    strValue.replace(QLatin1Char('%'), QStringLiteral("%%"));
    strValue.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return strValue;
}

} // namespace

QString AutoRunEntryPath() {
    QString strDir = qEnvironmentVariable(AUTORUN_DIR_ENV);
    if (strDir.isEmpty())
        strDir = QString::fromLatin1(AUTORUN_DEFAULT_DIR);
    return QDir(strDir).filePath(QString::fromLatin1(AUTORUN_FILE_NAME));
}

BOOL SetAutoRun(BOOL bOn) {
    QString strExe;
    int nError = 0;
    if (!ExecutablePath(strExe, nError)) {
        DBG_LOG(15, "GetModuleFileName failed (%d)", nError);
        return FALSE;
    }

    const QString strEntry = AutoRunEntryPath();
    if (!bOn) {
        if (::unlink(QFile::encodeName(strEntry).constData()) != 0) {
            const int nDeleteError = errno;
            DBG_LOG(15, "RegDeleteValue fail [%d]", nDeleteError);
            // No entry is what was asked for.
            return nDeleteError == ENOENT ? TRUE : FALSE;
        }
        return TRUE;
    }

    QDir().mkpath(QFileInfo(strEntry).absolutePath());
    // Written to a temporary file and renamed, so a session starting at the
    // wrong moment never reads half an entry.
    QSaveFile file(strEntry);
    const QByteArray content = QStringLiteral("[Desktop Entry]\n"
                                              "Type=Application\n"
                                              "Name=Dravik\n"
                                              "Comment=Limits disk reads and writes of programs\n"
                                              "Exec=%1\n"
                                              "Terminal=false\n"
                                              "X-GNOME-Autostart-enabled=true\n")
                                   .arg(DesktopExec(strExe))
                                   .toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.commit()) {
        DBG_LOG(8, "Write autorun entry<%s> failed: %s", strEntry, file.errorString());
        return FALSE;
    }
    // Readable by every session, whatever the umask of the one who wrote it.
    QFile::setPermissions(strEntry, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ReadGroup | QFileDevice::ReadOther);
    return TRUE;
}
