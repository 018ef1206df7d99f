// Fuzz target for the device's request decoding: any message is read as a
// request frame and its input as each of the three buffers. Besides the
// sanitizers' checks it holds the decoders to one property: a buffer they
// accept is exactly the buffer the library would build from what they read,
// so nothing in an accepted buffer goes unchecked.
#include "flowlib/DeviceProtocol.h"
#include "flowlib/RequestBuffers.h"
#include "service/device/RequestDecoder.h"

#include <cstdlib>
#include <cstring>

namespace {

void Check(bool bOk) {
    if (!bOk)
        std::abort();
}

void DecodeAll(const std::uint8_t* p, std::size_t n) {
    flow::REQUEST_BUFFER built;
    std::u16string strName;
    if (quorbel::DecodeVolumeBuffer(p, n, strName) == 0) {
        Check(flow::BuildVolumeBuffer(strName, built));
        Check(n == built.size() && std::memcmp(p, built.data(), n) == 0);
    }
    if (quorbel::DecodeNameBuffer(p, n, strName) == 0) {
        Check(flow::BuildRemovalBuffer(strName, built));
        Check(n == built.size() && std::memcmp(p, built.data(), n) == 0);
    }
    FLOW_MISSION mission;
    if (quorbel::DecodeMissionBuffer(p, n, mission) == 0) {
        Check(mission.uMode == FLOW_MODE_PROCESS || mission.uMode == FLOW_MODE_PATH);
        Check(flow::BuildMissionBuffer(mission, built));
        Check(n == built.size() && std::memcmp(p, built.data(), n) == 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t uSize) {
    if (auto header = flow::DecodeRequestHeader(pData, uSize)) {
        Check(header->uInputLength == uSize - flow::FRAME_HEADER_SIZE);
        DecodeAll(pData + flow::FRAME_HEADER_SIZE, header->uInputLength);
    }
    // The raw bytes as a buffer too, so the fuzzer need not find a frame
    // before it reaches the decoders.
    DecodeAll(pData, uSize);
    return 0;
}
