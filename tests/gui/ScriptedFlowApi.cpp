#include "tests/gui/ScriptedFlowApi.h"

#include <algorithm>

namespace {

SCRIPTED_FLOW g_State;

BOOL Init() {
    return TRUE;
}
BOOL UnInit() {
    return TRUE;
}
BOOL Add(FLOW_MISSION mission) {
    g_State.added.push_back(mission);
    return g_State.bAddFails ? FALSE : TRUE;
}
BOOL Remove(std::u16string strName) {
    g_State.removed.push_back(strName);
    return TRUE;
}
BOOL GetLog(FLOW_LOG* pLogs, std::uint32_t uCapacity, std::uint32_t* puCount) {
    ++g_State.nGetLogCalls;
    if (g_State.bGetLogFails)
        return FALSE;
    const std::size_t n = std::min<std::size_t>(uCapacity, g_State.logRecords.size());
    std::copy_n(g_State.logRecords.begin(), n, pLogs);
    *puCount = static_cast<std::uint32_t>(n);
    return TRUE;
}

} // namespace

CScriptedFlowApi::CScriptedFlowApi() : m_Previous(g_FlowApi) {
    g_State = SCRIPTED_FLOW{};
    g_FlowApi.pfnInit = Init;
    g_FlowApi.pfnUnInit = UnInit;
    g_FlowApi.pfnAddMission = Add;
    g_FlowApi.pfnRemoveMission = Remove;
    g_FlowApi.pfnGetLog = GetLog;
}

CScriptedFlowApi::~CScriptedFlowApi() {
    g_FlowApi = m_Previous;
}

SCRIPTED_FLOW& CScriptedFlowApi::State() {
    return g_State;
}

FLOW_LOG CScriptedFlowApi::Record(const QString& strName, std::uint32_t uRead, std::uint32_t uWrite,
                                  std::int64_t llReads, std::int64_t llWrites) {
    FLOW_LOG record{};
    const std::u16string name = strName.left(FLOW_LOG_NAME_CHARS - 1).toStdU16String();
    std::copy(name.begin(), name.end(), record.szTargetName);
    record.uReadBytes = uRead;
    record.uWriteBytes = uWrite;
    record.llAlreadyReads = llReads;
    record.llAlreadyWrites = llWrites;
    return record;
}
