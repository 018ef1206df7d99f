#include "service/daemon/RequestHandler.h"

#include "service/daemon/MissionTable.h"
#include "service/daemon/ServiceLog.h"
#include "service/device/RequestDecoder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quorbel {

CRequestHandler::CRequestHandler(CMissionTable& table, void (*pfnChanged)(void*), void* pContext)
    : m_Table(table), m_pfnChanged(pfnChanged), m_pContext(pContext) {}

DEVICE_REPLY CRequestHandler::HandleRequest(const flow::RequestHeader& header,
                                            const std::uint8_t* pInput) {
    DEVICE_REPLY reply;
    const std::size_t uInput = header.uInputLength;
    bool bChanged = false;
    switch (header.uCode) {
    case flow::IOCTL_FLOW_ATTACH_VOLUME:
    case flow::IOCTL_FLOW_DETACH_VOLUME: {
        std::u16string strName;
        reply.iError = DecodeVolumeBuffer(pInput, uInput, strName);
        if (reply.iError == 0) {
            reply.iError = header.uCode == flow::IOCTL_FLOW_ATTACH_VOLUME
                               ? m_Table.AttachVolume(strName)
                               : m_Table.DetachVolume(strName);
            bChanged = true;
        }
        break;
    }
    case flow::IOCTL_FLOW_ADD_MISSION: {
        FLOW_MISSION mission;
        reply.iError = DecodeMissionBuffer(pInput, uInput, mission);
        if (reply.iError == 0) {
            reply.iError = m_Table.AddMission(mission);
            bChanged = true;
        }
        break;
    }
    case flow::IOCTL_FLOW_REMOVE_MISSION: {
        std::u16string strName;
        reply.iError = DecodeNameBuffer(pInput, uInput, strName);
        if (reply.iError == 0) {
            reply.iError = m_Table.RemoveMission(strName);
            bChanged = true;
        }
        break;
    }
    case flow::IOCTL_FLOW_CLEAR_ALL:
        if (uInput != 0) {
            reply.iError = EINVAL;
            break;
        }
        m_Table.ClearAll();
        bChanged = true;
        break;
    case flow::IOCTL_FLOW_GET_LOG: {
        if (uInput != 0) {
            reply.iError = EINVAL;
            break;
        }
        // Whole records only, as many as the caller offered room for.
        const std::size_t uCapacity =
            std::min<std::size_t>(header.uOutputCapacity, flow::MAX_OUTPUT_CAPACITY);
        const auto logs = m_Table.TakeLog(uCapacity / flow::FLOW_LOG_SIZE);
        reply.output.resize(logs.size() * flow::FLOW_LOG_SIZE);
        std::uint8_t* p = reply.output.data();
        for (const FLOW_LOG& log : logs) {
            for (std::size_t i = 0; i < FLOW_LOG_NAME_CHARS; ++i) {
                p[2 * i] = static_cast<std::uint8_t>(log.szTargetName[i]);
                p[2 * i + 1] = static_cast<std::uint8_t>(log.szTargetName[i] >> 8);
            }
            flow::PutU32(p + 60, log.uReadBytes);
            flow::PutU32(p + 64, log.uWriteBytes);
            flow::PutU64(p + 68, static_cast<std::uint64_t>(log.llAlreadyReads));
            flow::PutU64(p + 76, static_cast<std::uint64_t>(log.llAlreadyWrites));
            p += flow::FLOW_LOG_SIZE;
        }
        break;
    }
    default:
        reply.iError = EINVAL;
        break;
    }
    ServiceTrace("request 0x%x (in %u, out %u): %s", header.uCode, header.uInputLength,
                 header.uOutputCapacity, reply.iError ? std::strerror(reply.iError) : "ok");
    if (bChanged && m_pfnChanged != nullptr)
        m_pfnChanged(m_pContext);
    return reply;
}

} // namespace quorbel
