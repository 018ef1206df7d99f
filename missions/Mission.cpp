#include "missions/Mission.h"

#include "app/core/FlowApi.h"
#include "app/core/Options.h"
#include "comm/DbgInfoLog.h"
#include "missions/MissionGroup.h"
#include "missions/OperationLog.h"

#include <QDateTime>
#include <algorithm>
#include <limits>

namespace {

std::time_t SystemNow() {
    return std::time(nullptr);
}

MISSION_CLOCK g_pfnMissionClock = &SystemNow;

// Bytes of one refresh interval as bytes per second over the exact period.
// 64-bit arithmetic: bytes * 1000 passes 32 bits from about 4 MB on.
std::uint32_t BytesPerSecond(std::uint32_t uBytes, std::uint32_t uPeriodMs) {
    const std::uint64_t ullRate =
        static_cast<std::uint64_t>(uBytes) * 1000u / std::max(uPeriodMs, MIN_FRESH_TIME);
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(ullRate, std::numeric_limits<std::uint32_t>::max()));
}

} // namespace

MISSION_CLOCK SetMissionClock(MISSION_CLOCK pfnClock) {
    MISSION_CLOCK pfnPrevious = g_pfnMissionClock;
    g_pfnMissionClock = pfnClock ? pfnClock : &SystemNow;
    return pfnPrevious;
}

std::time_t MissionNow() {
    return g_pfnMissionClock();
}

CMission::CMission() = default;

CMission::~CMission() {
    Stop();
}

BOOL CMission::Start() {
    if (bMissionActive) {
        DBG_LOG(4, "misson<%s> already started.", strTargetName);
        return TRUE;
    }

    FLOW_MISSION mission;
    mission.strTargetName = strTargetName.toStdU16String();
    mission.uMode = uMode;
    mission.uLimitReadSpeed = uLimitReadSpeed;
    mission.uLimitWriteSpeed = uLimitWriteSpeed;
    mission.llLimitTotalReads = llLimitTotalReads;
    mission.llLimitTotalWrites = llLimitTotalWrites;
    mission.llAlreadyReads = llAlreadyReads;
    mission.llAlreadyWrites = llAlreadyWrites;
    mission.llDriverParam = llDriverParam;

    // Without a bound library nothing can run; that is a refused start.
    const BOOL bResult = g_FlowApi.pfnAddMission ? g_FlowApi.pfnAddMission(mission) : FALSE;
    if (bResult) {
        bMissionActive = TRUE;
        tmStart = MissionNow();
        DBG_LOG(4,
                "Start miss OK:<%s> mode<%d> RSpeed<%d> WSpeed<%d> RAlready<0x%I64x> "
                "WAlready<0x%I64x> RTotal<0x%I64x> WTotal<0x%I64x>\n",
                strTargetName, uMode, uLimitReadSpeed, uLimitWriteSpeed, llAlreadyReads,
                llAlreadyWrites, llLimitTotalReads, llLimitTotalWrites);
        LogOperation(QStringLiteral("Start mission OK:<%1>").arg(strTargetName));
    } else {
        bMissionActive = FALSE;
        DBG_LOG(8,
                "Start miss Failed:<%s> mode<%d> RSpeed<%d> WSpeed<%d> RAlready<0x%I64x> "
                "WAlready<0x%I64x> RTotal<0x%I64x> WTotal<0x%I64x>\n",
                strTargetName, uMode, uLimitReadSpeed, uLimitWriteSpeed, llAlreadyReads,
                llAlreadyWrites, llLimitTotalReads, llLimitTotalWrites);
        LogOperation(QStringLiteral("Start mission FAIL:<%1>").arg(strTargetName));
    }
    return bResult ? TRUE : FALSE;
}

BOOL CMission::Stop() {
    if (!bMissionActive) {
        DBG_LOG(4, "misson<%s> already stopped.", strTargetName);
        return TRUE;
    }

    const BOOL bResult = g_FlowApi.pfnRemoveMission
                             ? g_FlowApi.pfnRemoveMission(strTargetName.toStdU16String())
                             : FALSE;
    if (bResult) {
        bMissionActive = FALSE;
        DBG_LOG(4, "Stop miss OK:<%s>", strTargetName);
        LogOperation(QStringLiteral("Stop mission OK:<%1>").arg(strTargetName));
    } else {
        DBG_LOG(4, "Stop miss FAIL:<%s>", strTargetName);
        LogOperation(QStringLiteral("Stop mission Fail:<%1>").arg(strTargetName));
    }
    return bResult ? TRUE : FALSE;
}

void CMission::LogOperation(QString strMessage) {
    const QString strStamped =
        QDateTime::fromSecsSinceEpoch(MissionNow()).toString(QStringLiteral("yy-MM-dd HH:mm:ss")) +
        QStringLiteral("   ") + strMessage;
    if (COperationLog* pLog = COperationLog::Current())
        pLog->AddLine(strMessage);
    DBG_LOG(15, "[LOG] Target<%s> - <%s>", strTargetName, strStamped);
}

void CMission::UpdateStatistics(std::uint32_t uReadBytes, std::uint32_t uWriteBytes,
                                std::int64_t llTotalReads, std::int64_t llTotalWrites) {
    if (!bMissionActive)
        return;
    uReadSpeed = BytesPerSecond(uReadBytes, g_AppOptions.uFreshTime);
    uWriteSpeed = BytesPerSecond(uWriteBytes, g_AppOptions.uFreshTime);
    llAlreadyReads = llTotalReads;
    llAlreadyWrites = llTotalWrites;
    lstSpeed.push_back(SPEED_SAMPLE{uReadSpeed, uWriteSpeed});
    // A bound of 0 would empty the history on every tick; keep at least the
    // newest sample.
    while (lstSpeed.size() > std::max<std::uint32_t>(uMaxSamples, 1))
        lstSpeed.pop_front();
}

CMissionGroup* CMission::GetGroup() const {
    return ::GetGroup(this);
}
