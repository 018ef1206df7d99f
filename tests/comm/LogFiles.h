// Helpers of the log tests: reading a log file back, and the framing lines
// as they appear in a file.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>
#include <QString>

namespace logfiles {

inline QByteArray ReadBytes(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The text after the byte-order mark; a file without one reads as "<no BOM>".
inline QString ReadLog(const QString& strPath) {
    const QByteArray bytes = ReadBytes(strPath);
    if (!bytes.startsWith("\xFF\xFE"))
        return QStringLiteral("<no BOM>");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                              (bytes.size() - 2) / 2);
}

// The text of the last nUnits UTF-16 units of a file, read from its end.
inline QString ReadTail(const QString& strPath, qint64 nUnits) {
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(file.size() - nUnits * 2))
        return QString();
    const QByteArray bytes = file.read(nUnits * 2);
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()),
                              bytes.size() / 2);
}

// A framing line: "\n\n-----...<title>(<name>) At MM/DD/YY hh:mm:ss-----...\n\n".
inline QString MarkPattern(const QString& strTitle, const QString& strName) {
    return QStringLiteral("\n\n-------------------------%1\\(%2\\) At "
                          "\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d---------------------\n\n")
        .arg(QRegularExpression::escape(strTitle), QRegularExpression::escape(strName));
}

// Units of a framing line whose title and name are given.
inline qint64 MarkUnits(const QString& strTitle, const QString& strName) {
    return 2 + 25 + strTitle.size() + 1 + strName.size() + 5 + 17 + 21 + 2;
}

} // namespace logfiles
