// Rules for mission target names. Two rule sets exist as pure functions so
// both stay testable on any machine; the program uses the platform's:
//
// Windows: process mode takes an executable's file name of more than four
//   characters ending in ".exe" (any case); path mode a directory path ending
//   in a backslash, such as "C:\data\". Names compare without regard to case,
//   as the file system does.
// Linux: process mode takes the executable's file name as the system shows
//   it (no "/", not "." or ".."); path mode an absolute directory path ending
//   in "/". Names compare exactly, code unit by code unit, because the file
//   system tells "Data" and "data" apart.
//
// Every place that decides whether two names mean one mission (the index, the
// groups, GetGroup, the statistics matching) uses the same comparison, so no
// two missions can differ only in a way one side ignores.
#pragma once

#include <QString>
#include <cstdint>

class CMission;

enum class TARGET_RULES { Windows, Linux };

#ifdef _WIN32
inline constexpr TARGET_RULES PLATFORM_TARGET_RULES = TARGET_RULES::Windows;
#else
inline constexpr TARGET_RULES PLATFORM_TARGET_RULES = TARGET_RULES::Linux;
#endif

// The longest name every library request can carry: the add request's
// 512-byte buffer holds a 4-byte length and the name with its NUL.
inline constexpr int TARGET_NAME_MAX_CHARS = 253;

// The separator a path-mode target ends with ("\" or "/").
QChar TargetPathSeparator(TARGET_RULES rules = PLATFORM_TARGET_RULES);

// True when strName is a valid target of the mode (1 process, 2 path) under
// the rules: non-empty, at most TARGET_NAME_MAX_CHARS, no control characters
// or unpaired surrogates (a mission file could not carry them), and the
// mode's form above. Any other mode is invalid.
bool IsValidTargetName(TARGET_RULES rules, std::uint32_t uMode, const QString& strName);
inline bool IsValidTargetName(std::uint32_t uMode, const QString& strName) {
    return IsValidTargetName(PLATFORM_TARGET_RULES, uMode, strName);
}

// Three-way comparison of two names under the rules (<0, 0, >0): a total
// order whose equality is "the same mission".
int CompareTargetNames(TARGET_RULES rules, const QString& a, const QString& b);
inline int CompareTargetNames(const QString& a, const QString& b) {
    return CompareTargetNames(PLATFORM_TARGET_RULES, a, b);
}
inline bool SameTargetName(const QString& a, const QString& b) {
    return CompareTargetNames(a, b) == 0;
}

// Key order of the mission index (g_mapMissions).
struct TARGET_NAME_LESS {
    bool operator()(const QString& a, const QString& b) const {
        return CompareTargetNames(a, b) < 0;
    }
};

// The mission a driver statistics record belongs to. strLogName is the
// record's name up to its first NUL (the record holds 30 units, so 29
// characters and a NUL, or 30 without one). An exact match under the platform
// comparison wins; otherwise, when the record name has 29 characters or more
// (a longer name cut to fit the record), the one mission whose name begins
// with it, if exactly one does. nullptr otherwise, and always for an empty
// name.
CMission* FindMissionForLogName(const QString& strLogName);
