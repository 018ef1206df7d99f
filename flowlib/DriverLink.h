// The library's one session with the filter service: the service layer,
// the service and the connection to its control device, and the requests
// sent over it.
#pragma once

#include "flowlib/DeviceChannel.h"
#include "flowlib/FlowTypes.h"
#include "flowlib/Service.h"
#include "flowlib/ServiceManager.h"

#include <cstdint>
#include <memory>
#include <string>

class CDriverLink {
public:
    CDriverLink() = default;
    // Closes what is open; sends nothing to the service.
    virtual ~CDriverLink();
    CDriverLink(const CDriverLink&) = delete;
    CDriverLink& operator=(const CDriverLink&) = delete;

    // Finds the service, starts it when its device does not answer, and
    // connects to the device. What an earlier step opened stays open when a
    // later one fails.
    BOOL Open();

    // Attaches every local disk file system in mount order, then the
    // network pseudo-volume; stops at the first failure.
    BOOL AttachAllVolumes();
    // The same walk detaching; stops at the first failure.
    BOOL DetachAllVolumes();
    BOOL AttachVolume(std::u16string strVolume);
    BOOL DetachVolume(std::u16string strVolume);

    BOOL AddMission(FLOW_MISSION mission);
    BOOL RemoveMission(std::u16string strTargetName);
    // Zeroes the caller's records, asks for the statistics and sets the
    // count of whole records returned, whatever the outcome.
    BOOL GetLog(FLOW_LOG* pLogs, std::uint32_t uCapacity, std::uint32_t* puCount);
    void ClearAll();

private:
    BOOL WalkVolumes(bool bAttach);
    BOOL SendVolume(std::uint32_t uCode, const std::u16string& strVolume, const char* pszError);

    std::unique_ptr<flow::CServiceManager> m_hSCManager;
    std::unique_ptr<flow::CService> m_hService;
    flow::CDeviceChannel m_hDevice;
};
