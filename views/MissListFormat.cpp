#include "views/MissListFormat.h"

#include "flowlib/FlowTypes.h"

#include <QDateTime>

namespace {
constexpr double kMega = 1024.0 * 1024.0;
constexpr double kGiga = 1024.0 * 1024.0 * 1024.0;
} // namespace

QString FormatSpeed(std::uint32_t uBytesPerSecond) {
    return QString::asprintf("%0.2f", static_cast<double>(uBytesPerSecond) / kMega);
}

QString FormatSpeedLimit(std::uint32_t uBytesPerSecond) {
    if (uBytesPerSecond == FLOW_NO_SPEED_LIMIT)
        return QStringLiteral("--");
    return FormatSpeed(uBytesPerSecond);
}

QString FormatTotal(std::int64_t llBytes) {
    return QString::asprintf("%0.4f", static_cast<double>(llBytes) / kGiga);
}

QString FormatTotalLimit(std::int64_t llBytes) {
    if (llBytes == FLOW_NO_TOTAL_LIMIT)
        return QStringLiteral("--");
    return FormatTotal(llBytes);
}

QString FormatStartTime(std::time_t tmStart) {
    return QDateTime::fromSecsSinceEpoch(static_cast<qint64>(tmStart))
        .toString(QStringLiteral("MM-dd HH:mm"));
}

QString FormatDuring(std::int64_t llSeconds) {
    if (llSeconds < 0)
        llSeconds = 0;
    const int nHours = static_cast<int>((llSeconds / 3600) % 24);
    const int nMinutes = static_cast<int>((llSeconds / 60) % 60);
    return QString::asprintf("%02d:%02d", nHours, nMinutes);
}
