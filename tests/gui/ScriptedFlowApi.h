// Fills g_FlowApi with functions that record every call and answer from a
// script, so the window's commands and refresh ticks run without a library.
#pragma once

#include "app/core/FlowApi.h"

#include <QString>
#include <vector>

struct SCRIPTED_FLOW {
    std::vector<FLOW_MISSION> added;
    std::vector<std::u16string> removed;
    std::vector<FLOW_LOG> logRecords; // what the next get-log returns
    bool bGetLogFails = false;
    bool bAddFails = false;
    int nGetLogCalls = 0;
};

class CScriptedFlowApi {
public:
    CScriptedFlowApi();
    ~CScriptedFlowApi();
    CScriptedFlowApi(const CScriptedFlowApi&) = delete;
    CScriptedFlowApi& operator=(const CScriptedFlowApi&) = delete;

    SCRIPTED_FLOW& State();
    static FLOW_LOG Record(const QString& strName, std::uint32_t uRead, std::uint32_t uWrite,
                           std::int64_t llReads, std::int64_t llWrites);

private:
    FLOW_API m_Previous;
};
