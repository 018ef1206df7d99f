#include "views/MissionDlgRules.h"

#include "flowlib/FlowTypes.h"

#include <QFileInfo>

QString CheckProcessName(TARGET_RULES rules, const QString& strName) {
    if (strName.isEmpty())
        return QStringLiteral("The process name cannot be empty.\n");
    if (rules == TARGET_RULES::Windows) {
        if (strName.size() <= 4)
            return QStringLiteral("The process name is too short. It must be \"*.exe\"");
        if (strName.right(4).compare(QLatin1String(".exe"), Qt::CaseInsensitive) != 0)
            return QStringLiteral("The process name should like \"*.exe\"");
    } else if (strName.contains(QLatin1Char('/')) || strName == QLatin1String(".") ||
               strName == QLatin1String("..")) {
        return QStringLiteral("The process name should be a program's file name, without \"/\".");
    }
    if (strName.size() > TARGET_NAME_MAX_CHARS)
        return QStringLiteral("The process name is too long.");
    if (!IsValidTargetName(rules, 1, strName))
        return QStringLiteral("The process name is not a valid program name.");
    return {};
}

QString CheckPathName(TARGET_RULES rules, QString& strPath) {
    if (strPath.isEmpty())
        return QStringLiteral("The monitored path cannot be empty.\n");
    if (strPath.size() < 2)
        return QStringLiteral("The monitored path is not enough.");
    const QChar separator = TargetPathSeparator(rules);
    if (rules == TARGET_RULES::Linux && !strPath.startsWith(separator))
        return QStringLiteral(
            "The monitored path should be an absolute path, beginning with \"/\".");
    // Asked without trailing separators: "/etc/passwd/" names the file as
    // much as "/etc/passwd" does.
    QString strProbe = strPath;
    while (strProbe.size() > 1 && strProbe.endsWith(separator))
        strProbe.chop(1);
    const QFileInfo entry(strProbe);
    if (entry.exists() && !entry.isDir())
        return QStringLiteral("The monitored path is a file. It should be a directory.");
    QString strTarget = strPath;
    if (!strTarget.endsWith(separator))
        strTarget += separator;
    if (strTarget.size() > TARGET_NAME_MAX_CHARS)
        return QStringLiteral("The monitored path is too long.");
    if (!IsValidTargetName(rules, 2, strTarget)) {
        // One directory is one mission only under one spelling.
        if (rules == TARGET_RULES::Linux &&
            (strTarget.contains(QLatin1String("//")) || strTarget.contains(QLatin1String("/./")) ||
             strTarget.contains(QLatin1String("/../"))))
            return QStringLiteral("The monitored path should be written plainly, without \"//\", "
                                  "\"/./\" or \"/../\".");
        return QStringLiteral("The monitored path is not a valid directory path.");
    }
    strPath = strTarget;
    return {};
}

std::int64_t ParseLimitText(const QString& strText) {
    int i = 0;
    const int n = strText.size();
    while (i < n && (strText[i] == QLatin1Char(' ') ||
                     (strText[i] >= QLatin1Char('\t') && strText[i] <= QLatin1Char('\r'))))
        ++i;
    bool bNegative = false;
    if (i < n && (strText[i] == QLatin1Char('+') || strText[i] == QLatin1Char('-')))
        bNegative = strText[i++] == QLatin1Char('-');
    std::int64_t llValue = 0;
    for (; i < n && strText[i] >= QLatin1Char('0') && strText[i] <= QLatin1Char('9'); ++i) {
        const int digit = strText[i].unicode() - '0';
        if (llValue > (INT64_MAX - digit) / 10) {
            llValue = INT64_MAX;
            break;
        }
        llValue = llValue * 10 + digit;
    }
    return bNegative ? -llValue : llValue;
}

namespace {

const char* const kLimitNames[LIMIT_COUNT] = {"read-speed", "write-speed", "total read",
                                              "total write"};

} // namespace

QString EmptyLimitMessage(int nLimit) {
    switch (nLimit) {
    case LIMIT_READ_SPEED:
        return QStringLiteral("Please input max-value of read-speed .");
    case LIMIT_WRITE_SPEED:
        return QStringLiteral("Please input max-value of write-speed.");
    case LIMIT_TOTAL_READ:
        return QStringLiteral("Please input total read-bytes to limit.");
    default:
        return QStringLiteral("Please input total write-bytes to limit.");
    }
}

QString CheckLimitValue(int nLimit, std::int64_t llValue) {
    const QString strName = QString::fromLatin1(kLimitNames[nLimit]);
    if (llValue < 0)
        return QStringLiteral("The %1 limit cannot be negative.").arg(strName);
    if (IsSpeedLimit(nLimit) && llValue > MAX_SPEED_LIMIT_MB)
        return QStringLiteral("The %1 limit cannot be more than %2 MB/S.")
            .arg(strName)
            .arg(MAX_SPEED_LIMIT_MB);
    if (!IsSpeedLimit(nLimit) && llValue > MAX_TOTAL_LIMIT_GB)
        return QStringLiteral("The %1 limit cannot be more than %2 GB.")
            .arg(strName)
            .arg(MAX_TOTAL_LIMIT_GB);
    return {};
}

QString ForbidQuestion(int nLimit) {
    return nLimit == LIMIT_READ_SPEED || nLimit == LIMIT_TOTAL_READ
               ? QStringLiteral("This mission will forbid read-opration. Are you sure?")
               : QStringLiteral("This mission will forbid write-opration. Are you sure?");
}

std::int64_t LimitBytes(int nLimit, std::int64_t llValue) {
    return IsSpeedLimit(nLimit) ? llValue << 20 : llValue << 30;
}

std::int64_t NoLimitValue(int nLimit) {
    return IsSpeedLimit(nLimit) ? static_cast<std::int64_t>(FLOW_NO_SPEED_LIMIT)
                                : static_cast<std::int64_t>(FLOW_NO_TOTAL_LIMIT);
}
