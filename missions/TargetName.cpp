#include "missions/TargetName.h"

#include "missions/MissionGroup.h"

#include <QStringList>

namespace {

Qt::CaseSensitivity Sensitivity(TARGET_RULES rules) {
    return rules == TARGET_RULES::Windows ? Qt::CaseInsensitive : Qt::CaseSensitive;
}

bool IsValidWindowsProcess(const QString& strName) {
    if (strName.size() <= 4 || !strName.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        return false;
    // A file name, not a path: none of the characters Windows refuses in one.
    for (QChar c : strName) {
        if (c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c))
            return false;
    }
    return true;
}

bool IsValidWindowsPath(const QString& strName) {
    if (!strName.endsWith(QLatin1Char('\\')))
        return false;
    // "C:\..." or a share "\\server\share\".
    const bool bDrive = strName.size() >= 3 && strName[0].isLetter() &&
                        strName[1] == QLatin1Char(':') && strName[2] == QLatin1Char('\\');
    const bool bShare = strName.size() >= 5 && strName.startsWith(QLatin1String("\\\\")) &&
                        strName[2] != QLatin1Char('\\');
    return bDrive || bShare;
}

bool IsValidLinuxProcess(const QString& strName) {
    return !strName.contains(QLatin1Char('/')) && strName != QLatin1String(".") &&
           strName != QLatin1String("..");
}

bool IsValidLinuxPath(const QString& strName) {
    if (!strName.startsWith(QLatin1Char('/')) || !strName.endsWith(QLatin1Char('/')))
        return false;
    if (strName.size() == 1)
        return true;
    // Only the canonical spelling of a directory, so that one directory can
    // never be the target of two missions under two spellings.
    const QStringList parts = strName.mid(1, strName.size() - 2).split(QLatin1Char('/'));
    for (const QString& part : parts) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    }
    return true;
}

} // namespace

QChar TargetPathSeparator(TARGET_RULES rules) {
    return rules == TARGET_RULES::Windows ? QLatin1Char('\\') : QLatin1Char('/');
}

bool IsValidTargetName(TARGET_RULES rules, std::uint32_t uMode, const QString& strName) {
    if (strName.isEmpty() || strName.size() > TARGET_NAME_MAX_CHARS)
        return false;
    // Nothing a mission file could not carry back: control characters and
    // unpaired surrogates.
    for (qsizetype i = 0; i < strName.size(); ++i) {
        const QChar c = strName[i];
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
        if (c.isHighSurrogate() && i + 1 < strName.size() && strName[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return false;
    }
    const bool bWindows = rules == TARGET_RULES::Windows;
    switch (uMode) {
    case FLOW_MODE_PROCESS:
        return bWindows ? IsValidWindowsProcess(strName) : IsValidLinuxProcess(strName);
    case FLOW_MODE_PATH:
        return bWindows ? IsValidWindowsPath(strName) : IsValidLinuxPath(strName);
    default:
        return false;
    }
}

int CompareTargetNames(TARGET_RULES rules, const QString& a, const QString& b) {
    return a.compare(b, Sensitivity(rules));
}

CMission* FindMissionForLogName(const QString& strLogName) {
    if (strLogName.isEmpty())
        return nullptr;
    if (CMission* pMission = FindMission(strLogName))
        return pMission;
    // The record keeps 29 characters and a NUL; a longer target name arrives
    // cut. Only an unambiguous prefix is taken.
    if (strLogName.size() < static_cast<int>(FLOW_LOG_NAME_CHARS) - 1)
        return nullptr;
    CMission* pFound = nullptr;
    for (const auto& [strName, pMission] : g_mapMissions) {
        if (strName.startsWith(strLogName, Sensitivity(PLATFORM_TARGET_RULES))) {
            if (pFound)
                return nullptr;
            pFound = pMission;
        }
    }
    return pFound;
}
