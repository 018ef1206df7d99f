#include "service/daemon/MissionTable.h"

#include "service/daemon/MountTable.h"
#include "service/daemon/ServiceLog.h"
#include "service/daemon/StateFile.h"
#include "service/device/Utf16Text.h"
#include "service/pathfs/PathMount.h"
#include "service/proc/ProcessWatcher.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace quorbel {

struct CMissionTable::MISSION {
    std::u16string strName;
    std::uint32_t uMode = 0;
    std::string strTarget; // process: the executable name; path: the folder, no trailing "/"
    std::string strReal;   // path: the folder with every link resolved
    std::string strVolume; // path: the volume the folder lies on
    std::shared_ptr<CFlowMeter> meter;
    std::unique_ptr<CPathMount> mount;
};

namespace {

bool ValidVolumeName(const std::string& str) {
    return str == "network" || (!str.empty() && str[0] == '/');
}

std::string StripSlashes(std::string str) {
    while (str.size() > 1 && str.back() == '/')
        str.pop_back();
    return str;
}

} // namespace

CMissionTable::CMissionTable(CProcessWatcher& watcher, CStateFile& state)
    : m_Watcher(watcher), m_State(state) {}

CMissionTable::~CMissionTable() {
    ClearAll();
}

CMissionTable::MISSION* CMissionTable::Find(const std::u16string& strName) {
    for (auto& m : m_Missions) {
        if (m->strName == strName)
            return m.get();
    }
    return nullptr;
}

int CMissionTable::AttachVolume(const std::u16string& strName) {
    std::string strVolume;
    if (!Utf16ToUtf8(strName, strVolume) || !ValidVolumeName(strVolume))
        return EINVAL;
    strVolume = StripSlashes(strVolume);
    m_Volumes.insert(strVolume);
    for (auto& m : m_Missions) {
        if (m->uMode == FLOW_MODE_PATH && !m->mount && m->strVolume == strVolume) {
            if (int err = MountMission(*m))
                ServiceNotice("mission %s stays unmounted: %s", m->strTarget.c_str(),
                              std::strerror(err));
        }
    }
    ServiceTrace("volume %s attached", strVolume.c_str());
    return 0;
}

int CMissionTable::DetachVolume(const std::u16string& strName) {
    std::string strVolume;
    if (!Utf16ToUtf8(strName, strVolume) || !ValidVolumeName(strVolume))
        return EINVAL;
    strVolume = StripSlashes(strVolume);
    for (auto& m : m_Missions) {
        if (m->uMode == FLOW_MODE_PATH && m->mount && m->strVolume == strVolume) {
            if (int err = UnmountMission(*m))
                return err; // the volume stays attached with what is still mounted
        }
    }
    m_Volumes.erase(strVolume);
    ServiceTrace("volume %s detached", strVolume.c_str());
    return 0;
}

int CMissionTable::AddMission(const FLOW_MISSION& mission) {
    std::string strTarget;
    if (!Utf16ToUtf8(mission.strTargetName, strTarget) || strTarget.empty())
        return EINVAL;
    int err = EINVAL;
    if (mission.uMode == FLOW_MODE_PROCESS)
        err = AddProcessMission(mission, strTarget);
    else if (mission.uMode == FLOW_MODE_PATH)
        err = AddPathMission(mission, strTarget);
    if (err)
        ServiceTrace("add %s failed: %s", strTarget.c_str(), std::strerror(err));
    else
        ServiceTrace(
            "mission %s added (mode %u, speeds %u/%u, totals %lld/%lld, counters %lld/%lld)",
            strTarget.c_str(), mission.uMode, mission.uLimitReadSpeed, mission.uLimitWriteSpeed,
            static_cast<long long>(mission.llLimitTotalReads),
            static_cast<long long>(mission.llLimitTotalWrites),
            static_cast<long long>(mission.llAlreadyReads),
            static_cast<long long>(mission.llAlreadyWrites));
    return err;
}

int CMissionTable::AddProcessMission(const FLOW_MISSION& mission, const std::string& strTarget) {
    if (strTarget.find('/') != std::string::npos || strTarget == "." || strTarget == "..")
        return EINVAL;
    const METER_LIMITS limits = METER_LIMITS::FromMission(mission);
    MISSION* pOld = Find(mission.strTargetName);
    if (pOld != nullptr && pOld->uMode == FLOW_MODE_PROCESS) {
        m_Watcher.Measure(strTarget);
        pOld->meter->Reset(limits);
        m_Watcher.SetMission(strTarget, pOld->meter, limits);
        return 0;
    }
    if (pOld == nullptr && m_Missions.size() >= MAX_MISSIONS)
        return ENOSPC;
    auto m = std::make_unique<MISSION>();
    m->strName = mission.strTargetName;
    m->uMode = FLOW_MODE_PROCESS;
    m->strTarget = strTarget;
    m->meter = std::make_shared<CFlowMeter>(limits);
    m_Watcher.SetMission(strTarget, m->meter, limits);
    m_Missions.push_back(std::move(m));
    return 0;
}

int CMissionTable::AddPathMission(const FLOW_MISSION& mission, const std::string& strTarget) {
    if (strTarget[0] != '/')
        return EINVAL;
    const std::string strDir = StripSlashes(strTarget);
    // Mounting over the root would hide every other file system.
    if (strDir == "/")
        return EINVAL;
    char szReal[PATH_MAX];
    if (realpath(strDir.c_str(), szReal) == nullptr)
        return errno;
    struct stat st;
    if (stat(szReal, &st) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode))
        return ENOTDIR;
    if (std::strcmp(szReal, "/") == 0)
        return EINVAL;
    CMountTable mounts;
    if (int err = mounts.Load())
        return err;
    const std::string strVolume = mounts.VolumeOf(szReal);
    if (strVolume.empty() || !IsAttached(strVolume))
        return ENXIO;

    const METER_LIMITS limits = METER_LIMITS::FromMission(mission);
    MISSION* pOld = Find(mission.strTargetName);
    for (auto& other : m_Missions) {
        if (other.get() != pOld && other->uMode == FLOW_MODE_PATH && other->strReal == szReal)
            return EEXIST;
    }
    if (pOld != nullptr && pOld->uMode == FLOW_MODE_PATH) {
        // The same folder under new limits: the mount stays, the meter
        // takes the new figures.
        if (!pOld->mount) {
            if (int err = MountMission(*pOld))
                return err;
        }
        pOld->meter->Reset(limits);
        return 0;
    }
    if (pOld == nullptr && m_Missions.size() >= MAX_MISSIONS)
        return ENOSPC;
    auto m = std::make_unique<MISSION>();
    m->strName = mission.strTargetName;
    m->uMode = FLOW_MODE_PATH;
    m->strTarget = strDir;
    m->strReal = szReal;
    m->strVolume = strVolume;
    m->meter = std::make_shared<CFlowMeter>(limits);
    if (int err = MountMission(*m))
        return err;
    if (pOld != nullptr)
        Drop(*pOld);
    m_Missions.push_back(std::move(m));
    return 0;
}

int CMissionTable::MountMission(MISSION& m) {
    // Noted before the mount, so a crash in between still leaves a trace of
    // it; recovery skips folders that carry no mount of ours.
    // The mount goes on the resolved folder, the name the mount table
    // shows, so that a later run finds it there.
    m_State.NoteMount(m.strReal);
    PATH_MOUNT_OPTIONS options;
    options.bTrace = ServiceTraceOn();
    int err = 0;
    m.mount = CPathMount::Mount(m.strReal, m.meter, options, err);
    if (!m.mount) {
        m_State.NoteUnmounted(m.strReal);
        return err ? err : EIO;
    }
    return 0;
}

int CMissionTable::UnmountMission(MISSION& m) {
    if (!m.mount)
        return 0;
    if (int err = m.mount->Unmount(true))
        return err;
    m.mount.reset();
    m_State.NoteUnmounted(m.strReal);
    return 0;
}

int CMissionTable::Drop(MISSION& m) {
    if (m.uMode == FLOW_MODE_PROCESS) {
        m_Watcher.RemoveMission(m.strTarget);
    } else if (int err = UnmountMission(m)) {
        return err;
    }
    auto it = std::find_if(m_Missions.begin(), m_Missions.end(),
                           [&](const auto& p) { return p.get() == &m; });
    m_Missions.erase(it);
    return 0;
}

int CMissionTable::RemoveMission(const std::u16string& strName) {
    MISSION* m = Find(strName);
    if (m == nullptr)
        return ENOENT;
    const std::string strTarget = m->strTarget;
    int err = Drop(*m);
    if (err)
        ServiceNotice("remove %s failed: %s", strTarget.c_str(), std::strerror(err));
    else
        ServiceTrace("mission %s removed", strTarget.c_str());
    return err;
}

void CMissionTable::ClearAll() {
    for (std::size_t i = m_Missions.size(); i-- > 0;) {
        if (int err = Drop(*m_Missions[i])) {
            // A mount that cannot go even lazily: forget the mission all the
            // same, so clear-all leaves nothing enforced behind.
            ServiceNotice("unmount of %s failed: %s", m_Missions[i]->strTarget.c_str(),
                          std::strerror(err));
            m_Missions.erase(m_Missions.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

std::vector<FLOW_LOG> CMissionTable::TakeLog(std::size_t uMaxRecords) {
    std::vector<FLOW_LOG> logs;
    for (const auto& m : m_Missions) {
        if (logs.size() >= uMaxRecords)
            break;
        const METER_LOG figures = m->meter->TakeLog();
        FLOW_LOG log{};
        // Longer names go out as their first units; the last unit of the
        // field stays NUL.
        const std::size_t uUnits = std::min(m->strName.size(), FLOW_LOG_NAME_CHARS - 1);
        std::copy_n(m->strName.begin(), uUnits, log.szTargetName);
        log.uReadBytes = figures.uReadBytes;
        log.uWriteBytes = figures.uWriteBytes;
        log.llAlreadyReads = figures.llAlreadyReads;
        log.llAlreadyWrites = figures.llAlreadyWrites;
        logs.push_back(log);
    }
    return logs;
}

} // namespace quorbel
