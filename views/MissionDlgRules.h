// The mission editor's checks on what the user typed, as pure functions so
// both target-name rule sets can be tested on any machine. Each check
// returns the message to show, or an empty string when the input passes.
#pragma once

#include "missions/TargetName.h"

#include <QString>
#include <cstdint>

// The editor's four limits, in the order they are checked.
enum LIMIT_INDEX : int {
    LIMIT_READ_SPEED = 0,
    LIMIT_WRITE_SPEED,
    LIMIT_TOTAL_READ,
    LIMIT_TOTAL_WRITE,
    LIMIT_COUNT
};

// The largest values a user may type: a speed in MB/s must fit the 32-bit
// byte rate, a total in GB the signed 64-bit byte count.
inline constexpr std::int64_t MAX_SPEED_LIMIT_MB = 4095;
inline constexpr std::int64_t MAX_TOTAL_LIMIT_GB = INT64_MAX >> 30;

// The process-mode target as typed.
QString CheckProcessName(TARGET_RULES rules, const QString& strName);
// The path-mode target as typed; on success strPath ends with the rules'
// separator. The file system is asked whether a file stands in the way.
QString CheckPathName(TARGET_RULES rules, QString& strPath);

// A limit's text as a decimal integer the way the C library reads one:
// leading blanks skipped, an optional sign, digits up to the first other
// character, 0 when there are none. Saturates instead of overflowing.
std::int64_t ParseLimitText(const QString& strText);
// The message when the limit is checked but its edit is empty.
QString EmptyLimitMessage(int nLimit);
// The message when the value cannot be stored (negative, or too large).
QString CheckLimitValue(int nLimit, std::int64_t llValue);
// The question asked before a limit of 0 forbids reading or writing.
QString ForbidQuestion(int nLimit);
// The limit in bytes of an accepted value, and the no-limit value.
std::int64_t LimitBytes(int nLimit, std::int64_t llValue);
std::int64_t NoLimitValue(int nLimit);
inline bool IsSpeedLimit(int nLimit) {
    return nLimit == LIMIT_READ_SPEED || nLimit == LIMIT_WRITE_SPEED;
}
