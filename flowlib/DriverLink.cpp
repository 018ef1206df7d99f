#include "flowlib/DriverLink.h"

#include "flowlib/DeviceProtocol.h"
#include "flowlib/FlowTrace.h"
#include "flowlib/RequestBuffers.h"
#include "flowlib/Utf16.h"
#include "flowlib/VolumeTable.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

using flow::Trace;

CDriverLink::~CDriverLink() {
    m_hDevice.Close();
}

BOOL CDriverLink::Open() {
    auto pManager = std::make_unique<flow::CServiceManager>();
    int err = pManager->Open();
    if (err) {
        Trace("ERROR<%d> opening Service Manager...\n", err);
        return FALSE;
    }
    m_hSCManager = std::move(pManager);

    std::unique_ptr<flow::CService> pService;
    if ((err = m_hSCManager->OpenService(pService))) {
        Trace("ERROR<%d> opening QZ Service...\n", err);
        return FALSE;
    }
    m_hService = std::move(pService);

    bool bRunning = false;
    if ((err = m_hService->QueryStatus(bRunning))) {
        Trace("ERROR<%d> querrying status of QZ Service...\n", err);
        return FALSE;
    }
    if (!bRunning && (err = m_hService->Start())) {
        Trace("ERROR<%d> starting QZ service...\n", err);
        return FALSE;
    }

    if ((err = m_hDevice.Open(m_hSCManager->DevicePath()))) {
        Trace("ERROR<%d> opening device...\n", err);
        return FALSE;
    }
    return TRUE;
}

BOOL CDriverLink::SendVolume(std::uint32_t uCode, const std::u16string& strVolume,
                             const char* pszError) {
    flow::REQUEST_BUFFER buffer;
    int err = EINVAL;
    if (!flow::BuildVolumeBuffer(strVolume, buffer)) {
        err = strVolume.empty() ? EINVAL : ENAMETOOLONG;
    } else {
        std::uint32_t uOut = 0;
        err = m_hDevice.Request(uCode, buffer.data(), buffer.size(), nullptr, 0, &uOut);
    }
    if (err)
        Trace(pszError, err);
    return err == 0;
}

BOOL CDriverLink::AttachVolume(std::u16string strVolume) {
    return SendVolume(flow::IOCTL_FLOW_ATTACH_VOLUME, strVolume,
                      "ERROR<%d> attaching to device...\n");
}

BOOL CDriverLink::DetachVolume(std::u16string strVolume) {
    return SendVolume(flow::IOCTL_FLOW_DETACH_VOLUME, strVolume,
                      "ERROR<%d> dettaching to device...\n");
}

BOOL CDriverLink::WalkVolumes(bool bAttach) {
    flow::CVolumeTable table;
    if (int err = table.Load()) {
        Trace("ERROR<%d> reading mount table...\n", err);
        return FALSE;
    }
    for (const flow::VOLUME& v : table.Volumes()) {
        const char* pszName = v.strMountPoint.c_str();
        if (v.kind == flow::VolumeKind::Fixed) {
            BOOL bOk = FALSE;
            if (auto name = flow::Utf8ToUtf16(v.strMountPoint)) {
                bOk = bAttach ? AttachVolume(*name) : DetachVolume(*name);
            } else {
                // A folder name that is not UTF-16 representable cannot be
                // named to the service at all.
                Trace(bAttach ? "ERROR<%d> attaching to device...\n"
                              : "ERROR<%d> dettaching to device...\n",
                      EILSEQ);
            }
            if (!bOk) {
                if (bAttach)
                    Trace("init <%s> fail.\n", pszName);
                return FALSE;
            }
            if (bAttach)
                Trace("init <%s> OK.\n", pszName);
        }
        Trace("%s   <%d>\n", pszName, static_cast<int>(v.kind));
    }
    const std::u16string strNetwork = flow::NETWORK_VOLUME_NAME;
    if (!bAttach)
        return DetachVolume(strNetwork);
    if (!AttachVolume(strNetwork)) {
        Trace("init netdisk fail.\n");
        return FALSE;
    }
    Trace("init netdisk OK.\n");
    return TRUE;
}

BOOL CDriverLink::AttachAllVolumes() {
    return WalkVolumes(true);
}

BOOL CDriverLink::DetachAllVolumes() {
    return WalkVolumes(false);
}

BOOL CDriverLink::AddMission(FLOW_MISSION mission) {
    flow::REQUEST_BUFFER buffer;
    int err = ENAMETOOLONG;
    if (flow::BuildMissionBuffer(mission, buffer)) {
        std::uint32_t uOut = 0;
        err = m_hDevice.Request(flow::IOCTL_FLOW_ADD_MISSION, buffer.data(), buffer.size(), nullptr,
                                0, &uOut);
    }
    if (err) {
        Trace("ERROR<%d> start mission ...\n", err);
        return FALSE;
    }
    Trace("Add mission <%s> OK", flow::Utf16ToUtf8(mission.strTargetName).c_str());
    return TRUE;
}

BOOL CDriverLink::RemoveMission(std::u16string strTargetName) {
    flow::REQUEST_BUFFER buffer;
    int err = ENAMETOOLONG;
    if (flow::BuildRemovalBuffer(strTargetName, buffer)) {
        std::uint32_t uOut = 0;
        err = m_hDevice.Request(flow::IOCTL_FLOW_REMOVE_MISSION, buffer.data(), buffer.size(),
                                nullptr, 0, &uOut);
    }
    if (err)
        Trace("ERROR<%d> stop mission ...\n", err);
    return err == 0;
}

void CDriverLink::ClearAll() {
    std::uint32_t uOut = 0;
    if (m_hDevice.Request(flow::IOCTL_FLOW_CLEAR_ALL, nullptr, 0, nullptr, 0, &uOut) == 0)
        Trace("Clear all OK");
}

BOOL CDriverLink::GetLog(FLOW_LOG* pLogs, std::uint32_t uCapacity, std::uint32_t* puCount) {
    if (!puCount || (!pLogs && uCapacity)) {
        if (puCount)
            *puCount = 0;
        Trace("ERROR<%d> get log fail ...\n", EINVAL);
        return FALSE;
    }
    if (uCapacity)
        std::memset(static_cast<void*>(pLogs), 0, std::size_t{uCapacity} * sizeof(FLOW_LOG));

    // The device carries at most MAX_OUTPUT_CAPACITY bytes of records in
    // one reply; a larger array is offered that much.
    const std::uint32_t uOffer =
        std::min<std::uint32_t>(uCapacity, flow::MAX_OUTPUT_CAPACITY / flow::FLOW_LOG_SIZE);
    std::vector<std::uint8_t> reply(std::size_t{uOffer} * flow::FLOW_LOG_SIZE);
    std::uint32_t uBytes = 0;
    int err = m_hDevice.Request(flow::IOCTL_FLOW_GET_LOG, nullptr, 0, reply.data(),
                                static_cast<std::uint32_t>(reply.size()), &uBytes);
    const std::uint32_t uCount = uBytes / flow::FLOW_LOG_SIZE;
    for (std::uint32_t i = 0; i < uCount; ++i) {
        const std::uint8_t* p = reply.data() + std::size_t{i} * flow::FLOW_LOG_SIZE;
        FLOW_LOG& rec = pLogs[i];
        for (std::size_t c = 0; c < FLOW_LOG_NAME_CHARS; ++c)
            rec.szTargetName[c] = static_cast<char16_t>(p[2 * c] | p[2 * c + 1] << 8);
        // The caller reads the name as a terminated string: never let a
        // record without its NUL send it past the field.
        rec.szTargetName[FLOW_LOG_NAME_CHARS - 1] = u'\0';
        rec.uReadBytes = flow::GetU32(p + 60);
        rec.uWriteBytes = flow::GetU32(p + 64);
        rec.llAlreadyReads = static_cast<std::int64_t>(flow::GetU64(p + 68));
        rec.llAlreadyWrites = static_cast<std::int64_t>(flow::GetU64(p + 76));
    }
    *puCount = uCount;
    if (err) {
        Trace("ERROR<%d> get log fail ...\n", err);
        return FALSE;
    }
    return TRUE;
}
