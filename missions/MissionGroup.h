// The three mission groups, the index of every mission by name, and the only
// ways missions move between the groups.
#pragma once

#include "flowlib/FlowTypes.h"
#include "missions/Mission.h"
#include "missions/TargetName.h"

#include <QString>
#include <functional>
#include <map>
#include <vector>

inline constexpr const char* GROUP_NAME_PROC_MODE = "ProcMode";
inline constexpr const char* GROUP_NAME_PATH_MODE = "PathMode";
inline constexpr const char* GROUP_NAME_RECYCLER = "Recycler";

// An ordered list of missions it owns plus a name, which is also the group's
// key in its mission file "./Vrekta_<name>.vkm" (relative to the working
// directory). A group named "Recycler" is the recycler: its missions never run.
class CMissionGroup {
public:
    explicit CMissionGroup(const QString& strName);
    // Saves the file (every mission with its running state), then destroys
    // the missions, which withdraws the running ones from the library, and
    // drops their index entries.
    ~CMissionGroup();
    CMissionGroup(const CMissionGroup&) = delete;
    CMissionGroup& operator=(const CMissionGroup&) = delete;

    // Takes ownership: enters the mission into g_mapMissions, appends it and
    // writes "Insert mission<%s> to group<%s>" to the operation log. A
    // mission entering the recycler is stopped first and stays stopped even
    // if the library refuses (logged at level 8). Refused (FALSE, ownership
    // stays with the caller, level-8 line) when the name is already indexed
    // or the mission is null. Does not save.
    BOOL Insert(CMission* pMission);
    // Stops the first mission of that name, takes it out of the group and
    // the index and writes "Remove mission<%s> from group<%s>". Ownership
    // passes to the caller (use Take to get the pointer). Always TRUE.
    BOOL Remove(QString strTargetName);
    // Like Remove, returning the mission (nullptr when the group has none of
    // that name).
    CMission* Take(const QString& strTargetName);
    // TRUE when the group holds a mission of that name.
    BOOL Find(QString strTargetName) const;
    // Rewrites the group's file as a whole (atomically). FALSE only when the
    // document could not be started.
    BOOL Save();
    // Reads the group's file, appending its missions in file order and
    // starting those stored as running (never in the recycler). Entries that
    // break the mission rules are skipped with a level-8 line. FALSE when the
    // file cannot be loaded.
    BOOL Load();

    // "./Vrekta_<m_strName>.vkm".
    QString FileName() const;
    bool IsRecycler() const;

    QString m_strName;
    std::vector<CMission*> m_vecMissions; // owned, in group order
};

// Created at start-up in this order, deleted by the main window in the same
// order; null before and after.
extern CMissionGroup* g_pProcMode;
extern CMissionGroup* g_pPathMode;
extern CMissionGroup* g_pRecycler;

// Every mission of every group by target name, ordered and compared with the
// one platform name comparison (TargetName.h). Owns nothing.
using MISSION_MAP = std::map<QString, CMission*, TARGET_NAME_LESS>;
extern MISSION_MAP g_mapMissions;

// The mission of that name in the index, or nullptr.
CMission* FindMission(const QString& strTargetName);

// The group of a mission; nullptr when no group holds it (CMission::GetGroup).
CMissionGroup* GetGroup(const CMission* pMission);

// Called with a mission just before a move destroys it, so that views
// holding the pointer (the speed chart, the mission list) let go of it.
using MISSION_RELEASE = std::function<void(CMission*)>;

// --- Moves between groups. Each saves every group whose content or running
// states it changed. Missions passed in must be held by a group unless said
// otherwise.

// Delete: a mission of the process- or path-mode group is stopped and moved
// to the recycler (both files saved); a mission in the recycler is destroyed
// for good ("Delete miss<%s> from recycler.", recycler saved). Returns TRUE
// when the mission was destroyed, FALSE when it was moved or is held by no
// group (then nothing happens).
BOOL DeleteMission(CMission* pMission, const MISSION_RELEASE& fnRelease = {});
// Destroys every mission of the recycler, front first.
void ClearRecycler(const MISSION_RELEASE& fnRelease = {});
// Recover: takes the mission out of the recycler, starts it and appends it
// to the group of its mode; both files saved. FALSE (nothing changes) when
// the mission is not in the recycler or its mode is neither 1 nor 2.
BOOL RecoverMission(CMission* pMission);
// New mission from the editor: started (its result not looked at), inserted
// into the group of its mode, that group saved. pNew must not be held by a
// group. FALSE when its mode is neither 1 nor 2 or its name is already held;
// the caller then still owns it. Otherwise the group owns it.
BOOL AddNewMission(CMission* pNew);
// Replace: the old mission is stopped, removed from its group (saved),
// released and destroyed; then pNew is added as by AddNewMission. pNew does
// not take over the old counters. pOld may be null (plain AddNewMission).
BOOL ReplaceMission(CMission* pOld, CMission* pNew, const MISSION_RELEASE& fnRelease = {});
// Start or stop from the mission list: refused (FALSE, nothing happens) for
// a mission in the recycler or in no group; otherwise Start or Stop, then the
// mission's group is saved. TRUE when the command was carried out, whatever
// the library answered (read bMissionActive).
BOOL SetMissionRunning(CMission* pMission, BOOL bRun);
