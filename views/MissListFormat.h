// How the mission list shows a mission's figures.
#pragma once

#include <QString>
#include <cstdint>
#include <ctime>

// Megabytes per second with two decimals; "--" for no limit (0xFFFFFFFF).
QString FormatSpeedLimit(std::uint32_t uBytesPerSecond);
// Gigabytes with four decimals; "--" for no limit (0x0FFFFFFF00000000).
QString FormatTotalLimit(std::int64_t llBytes);
// Current speed, megabytes per second with two decimals (no "--" case).
QString FormatSpeed(std::uint32_t uBytesPerSecond);
// Bytes done so far, gigabytes with four decimals (no "--" case).
QString FormatTotal(std::int64_t llBytes);
// Local time as "MM-dd HH:mm".
QString FormatStartTime(std::time_t tmStart);
// A running time as "HH:mm": hours within a day and minutes, so whole days
// are not shown. A negative span (the clock was set back) shows 00:00.
QString FormatDuring(std::int64_t llSeconds);
