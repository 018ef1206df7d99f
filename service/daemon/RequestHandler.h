// Turns device requests into mission-table operations: checks each request's
// input and output sizes, decodes its buffer and answers with an errno value.
#pragma once

#include "service/device/DeviceServer.h"

namespace quorbel {

class CMissionTable;

class CRequestHandler : public IDeviceHandler {
public:
    // pfnChanged is called after every request that may have changed the
    // missions, so the owner can look at its timers again.
    CRequestHandler(CMissionTable& table, void (*pfnChanged)(void*), void* pContext);

    DEVICE_REPLY HandleRequest(const flow::RequestHeader& header,
                               const std::uint8_t* pInput) override;

private:
    CMissionTable& m_Table;
    void (*m_pfnChanged)(void*);
    void* m_pContext;
};

} // namespace quorbel
