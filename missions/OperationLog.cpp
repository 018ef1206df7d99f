#include "missions/OperationLog.h"

namespace {
COperationLog* g_pOperationLog = nullptr;
}

COperationLog* COperationLog::Install(COperationLog* pLog) {
    COperationLog* pPrevious = g_pOperationLog;
    g_pOperationLog = pLog;
    return pPrevious;
}

COperationLog* COperationLog::Current() {
    return g_pOperationLog;
}
