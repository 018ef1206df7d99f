// The service as one object: the state record and its lock, the recovery
// of an earlier run, the control device, the missions and the process
// watcher, all driven by one epoll loop that also takes the shutdown
// signals and the watcher's timer. Mount serving runs on the mounts' own
// threads.
#pragma once

#include "service/daemon/MissionTable.h"
#include "service/daemon/RequestHandler.h"
#include "service/daemon/StateFile.h"
#include "service/device/DeviceServer.h"
#include "service/proc/ProcEvents.h"
#include "service/proc/ProcFs.h"
#include "service/proc/ProcessWatcher.h"

#include <string>

namespace quorbel {

struct SERVICE_OPTIONS {
    std::string strDevice;
    std::string strStateDir;
    PEER_POLICY policy;
};

class CQuorbelService {
public:
    explicit CQuorbelService(const SERVICE_OPTIONS& options);
    ~CQuorbelService();

    CQuorbelService(const CQuorbelService&) = delete;
    CQuorbelService& operator=(const CQuorbelService&) = delete;

    // Blocks the shutdown signals for every thread to come (call it before
    // any thread starts), so that only the loop receives them.
    static void BlockSignals();

    // Takes the state lock, undoes an earlier run's leftovers and opens the
    // device. Returns 0 or an errno value, with a notice saying what failed.
    int Start();

    // Serves until SIGTERM, SIGINT or SIGQUIT, then drops every mission
    // (mounts taken away, processes continued) and closes the device.
    // Returns the exit status.
    int Run();

private:
    static void OnMissionsChanged(void* pContext);
    void RunWatcher();
    // Listens to process events while there are process missions.
    void FollowProcessEvents();
    void ReadProcessEvents();
    void Shutdown();

    SERVICE_OPTIONS m_Options;
    CStateFile m_State;
    CProcFs m_ProcFs;
    CProcessWatcher m_Watcher;
    CProcEvents m_Events;
    bool m_bEventsRefused = false; // said once that events cannot be had
    CMissionTable m_Table;
    CRequestHandler m_Handler;
    CDeviceServer m_Server;
    int m_iEpoll = -1;
    int m_iSignal = -1;
    int m_iTimer = -1;
    bool m_bChanged = false;
    bool m_bLocked = false;
};

} // namespace quorbel
