// The moves of missions between the groups, shared by the main window, the
// mission list and the editor so that each saves exactly the groups it
// changed.
#include "comm/DbgInfoLog.h"
#include "missions/MissionGroup.h"

namespace {

CMissionGroup* GroupOfMode(std::uint32_t uMode) {
    switch (uMode) {
    case FLOW_MODE_PROCESS:
        return g_pProcMode;
    case FLOW_MODE_PATH:
        return g_pPathMode;
    default:
        return nullptr;
    }
}

void Destroy(CMission* pMission, const MISSION_RELEASE& fnRelease) {
    if (fnRelease)
        fnRelease(pMission);
    delete pMission;
}

// Whether pNew may join the group of its mode once pOld (if any) is gone.
bool CanAdd(const CMission* pNew, const CMission* pOld) {
    if (!pNew || !GroupOfMode(pNew->uMode))
        return false;
    if (!IsValidTargetName(pNew->uMode, pNew->strTargetName)) {
        DBG_LOG(8, "Mission<%s> mode<%d> refused: the name does not fit the target rules.",
                pNew->strTargetName, pNew->uMode);
        return false;
    }
    const CMission* pHolder = FindMission(pNew->strTargetName);
    if (pHolder && pHolder != pOld) {
        DBG_LOG(8, "Mission<%s> refused: the name is already held.", pNew->strTargetName);
        return false;
    }
    return pHolder != pNew;
}

} // namespace

BOOL DeleteMission(CMission* pMission, const MISSION_RELEASE& fnRelease) {
    if (!pMission)
        return FALSE;
    pMission->Stop();
    CMissionGroup* pGroup = GetGroup(pMission);
    if (!pGroup)
        return FALSE;
    const QString strName = pMission->strTargetName;
    pGroup->Take(strName);
    pGroup->Save();
    if (pGroup->IsRecycler() || !g_pRecycler) {
        DBG_LOG(4, "Delete miss<%s> from recycler.", strName);
        Destroy(pMission, fnRelease);
        return TRUE;
    }
    // Insert leaves it stopped even when the library refused the stop.
    g_pRecycler->Insert(pMission);
    g_pRecycler->Save();
    return FALSE;
}

void ClearRecycler(const MISSION_RELEASE& fnRelease) {
    while (g_pRecycler && !g_pRecycler->m_vecMissions.empty())
        DeleteMission(g_pRecycler->m_vecMissions.front(), fnRelease);
}

BOOL RecoverMission(CMission* pMission) {
    if (!pMission || !g_pRecycler || GetGroup(pMission) != g_pRecycler)
        return FALSE;
    CMissionGroup* pTarget = GroupOfMode(pMission->uMode);
    if (!pTarget)
        return FALSE;
    g_pRecycler->Take(pMission->strTargetName);
    pMission->Start();
    g_pRecycler->Save();
    pTarget->Insert(pMission);
    pTarget->Save();
    return TRUE;
}

BOOL AddNewMission(CMission* pNew) {
    return ReplaceMission(nullptr, pNew);
}

BOOL ReplaceMission(CMission* pOld, CMission* pNew, const MISSION_RELEASE& fnRelease) {
    // Checked before the old mission goes, so a refused new one loses nothing.
    if (!CanAdd(pNew, pOld))
        return FALSE;
    if (pOld) {
        pOld->Stop();
        if (CMissionGroup* pGroup = GetGroup(pOld)) {
            pGroup->Take(pOld->strTargetName);
            pGroup->Save();
            Destroy(pOld, fnRelease);
        }
    }
    CMissionGroup* pTarget = GroupOfMode(pNew->uMode);
    // Its result is not looked at: a refused mission is still added, stopped.
    pNew->Start();
    pTarget->Insert(pNew);
    pTarget->Save();
    return TRUE;
}

BOOL SetMissionRunning(CMission* pMission, BOOL bRun) {
    CMissionGroup* pGroup = GetGroup(pMission);
    if (!pGroup || pGroup->IsRecycler())
        return FALSE;
    if (bRun)
        pMission->Start();
    else
        pMission->Stop();
    pGroup->Save();
    return TRUE;
}
