// The missions and volumes the service holds, and what each request does to
// them. Process missions are handed to the process watcher; path missions
// get a pass-through mount over their directory while the volume they lie
// on is attached. Both count with the engine's meter, which also gives the
// get-log figures. Every operation returns 0 or an errno value and changes
// nothing when it fails.
#pragma once

#include "flowlib/FlowTypes.h"
#include "service/engine/FlowMeter.h"

#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace quorbel {

class CPathMount;
class CProcessWatcher;
class CStateFile;

// Most missions held at once; get-log can report this many in one reply.
inline constexpr std::size_t MAX_MISSIONS = 1024;

class CMissionTable {
public:
    CMissionTable(CProcessWatcher& watcher, CStateFile& state);
    ~CMissionTable();

    CMissionTable(const CMissionTable&) = delete;
    CMissionTable& operator=(const CMissionTable&) = delete;

    // Volumes are mount points as the library's walk sends them, or
    // "network" for every network file system. Attaching twice and
    // detaching a volume that is not attached are harmless. Detaching takes
    // the mounts of the path missions on that volume away (the missions stay
    // and keep their counters); attaching again puts them back.
    int AttachVolume(const std::u16string& strName);
    int DetachVolume(const std::u16string& strName);

    // A mission with a name already held replaces it: new limits, totals
    // starting again from the request's counters.
    //  EINVAL  a name that cannot be a target of its mode;
    //  ENOENT / ENOTDIR  a path mission's directory is missing / no folder;
    //  ENXIO   its directory is not on an attached volume;
    //  EEXIST  another path mission already covers that very directory;
    //  ENOSPC  MAX_MISSIONS are held.
    int AddMission(const FLOW_MISSION& mission);
    // ENOENT when no mission has that name.
    int RemoveMission(const std::u16string& strName);
    void ClearAll();

    // One record per mission, oldest mission first, at most uMaxRecords. A
    // mission that does not fit keeps its interval bytes for the next call.
    std::vector<FLOW_LOG> TakeLog(std::size_t uMaxRecords);

    std::size_t Count() const { return m_Missions.size(); }
    bool IsAttached(const std::string& strVolume) const { return m_Volumes.count(strVolume) != 0; }

private:
    struct MISSION;

    MISSION* Find(const std::u16string& strName);
    int AddProcessMission(const FLOW_MISSION& mission, const std::string& strTarget);
    int AddPathMission(const FLOW_MISSION& mission, const std::string& strTarget);
    int MountMission(MISSION& m);
    int UnmountMission(MISSION& m);
    int Drop(MISSION& m);

    CProcessWatcher& m_Watcher;
    CStateFile& m_State;
    std::vector<std::unique_ptr<MISSION>> m_Missions; // in the order they came
    std::set<std::string> m_Volumes;
};

} // namespace quorbel
