// The library's five entry points. They forward to the one session object,
// which lives as long as the library is loaded; unloading closes its
// connection without sending anything to the service.
#include "flowlib/DriverLink.h"
#include "flowlib/FlowTrace.h"

#define VELQUIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
CDriverLink g_DriverLink;
}

VELQUIN_EXPORT BOOL VelquinInit() {
    if (!g_DriverLink.Open())
        return FALSE;
    flow::Trace("Init OK");
    g_DriverLink.ClearAll();
    if (!g_DriverLink.AttachAllVolumes())
        return FALSE;
    flow::Trace("Attach all OK");
    return TRUE;
}

VELQUIN_EXPORT BOOL VelquinUnInit() {
    if (!g_DriverLink.DetachAllVolumes())
        return FALSE;
    g_DriverLink.ClearAll();
    return TRUE;
}

VELQUIN_EXPORT BOOL VelquinAddMission(FLOW_MISSION mission) {
    return g_DriverLink.AddMission(std::move(mission));
}

VELQUIN_EXPORT BOOL VelquinRemoveMission(std::u16string strTargetName) {
    return g_DriverLink.RemoveMission(std::move(strTargetName));
}

VELQUIN_EXPORT BOOL VelquinGetLog(FLOW_LOG* pLogs, std::uint32_t uCapacity,
                                  std::uint32_t* puCount) {
    return g_DriverLink.GetLog(pLogs, uCapacity, puCount);
}

// The entry points must keep the program's pointer types.
static_assert(std::is_same_v<decltype(&VelquinInit), LPFLOW_INIT>);
static_assert(std::is_same_v<decltype(&VelquinUnInit), LPFLOW_UNINIT>);
static_assert(std::is_same_v<decltype(&VelquinAddMission), LPFLOW_ADD_MISSION>);
static_assert(std::is_same_v<decltype(&VelquinRemoveMission), LPFLOW_REMOVE_MISSION>);
static_assert(std::is_same_v<decltype(&VelquinGetLog), LPGFLOW_GET_LOG>);
