// The program's table of the loaded flow-control library.
#pragma once

#include "flowlib/FlowTypes.h"

struct FLOW_API {
    void* hFlowDll = nullptr; // dlopen handle; null until the library is loaded
    LPFLOW_INIT pfnInit = nullptr;
    LPFLOW_UNINIT pfnUnInit = nullptr;
    LPFLOW_ADD_MISSION pfnAddMission = nullptr;
    LPFLOW_REMOVE_MISSION pfnRemoveMission = nullptr;
    LPGFLOW_GET_LOG pfnGetLog = nullptr;
};

// Filled once at start-up; read by mission control and the refresh cycle.
extern FLOW_API g_FlowApi;
