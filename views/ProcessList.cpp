#include "views/ProcessList.h"

#include "missions/TargetName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <unistd.h>
#include <vector>

namespace {

// readlink without following: the target need not exist (a snapshot, or a
// binary deleted while it runs).
bool ReadLink(const QString& strLink, QString& strTarget) {
    const QByteArray path = QFile::encodeName(strLink);
    char buffer[4096];
    const ssize_t n = ::readlink(path.constData(), buffer, sizeof buffer);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buffer)
        return false;
    strTarget = QFile::decodeName(QByteArray(buffer, static_cast<int>(n)));
    return true;
}

QByteArray ReadSmallFile(const QString& strPath) {
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(4096);
}

QString ProcessName(const QString& strProcDir) {
    QString strExe;
    if (ReadLink(strProcDir + QStringLiteral("/exe"), strExe)) {
        static const QString kDeleted = QStringLiteral(" (deleted)");
        if (strExe.endsWith(kDeleted))
            strExe.chop(kDeleted.size());
        const QString strName = QFileInfo(strExe).fileName();
        if (!strName.isEmpty())
            return strName;
    }
    // Kernel threads have neither an executable nor a command line; they
    // cannot be limited, so they are not offered.
    if (ReadSmallFile(strProcDir + QStringLiteral("/cmdline")).isEmpty())
        return {};
    QByteArray comm = ReadSmallFile(strProcDir + QStringLiteral("/comm"));
    while (comm.endsWith('\n'))
        comm.chop(1);
    return QString::fromLocal8Bit(comm);
}

} // namespace

bool ListProcessNames(const QString& strProcRoot, QStringList& names) {
    QDir root(strProcRoot);
    if (!root.exists() || !root.isReadable())
        return false;
    std::vector<std::pair<qulonglong, QString>> processes;
    const QStringList entries = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool bNumber = false;
        const qulonglong pid = entry.toULongLong(&bNumber);
        if (bNumber && !entry.startsWith(QLatin1Char('+')))
            processes.emplace_back(pid, entry);
    }
    std::sort(processes.begin(), processes.end());

    QStringList found;
    for (const auto& process : processes) {
        const QString strName = ProcessName(root.filePath(process.second));
        if (!strName.isEmpty() && IsValidTargetName(1, strName))
            found.append(strName);
    }
    names = found;
    return true;
}
