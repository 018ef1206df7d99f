// The control device's wire protocol: request codes, the fixed 512-byte
// request buffers and the framing of one request/reply pair on the device
// socket. Shared by libvelquin.so, quorbeld and the test double of the
// driver, so that all three read and write the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace flow {

// Control codes: device type 0x8, buffered, write access; the function
// number sits in bits 2..13.
inline constexpr std::uint32_t IOCTL_FLOW_ATTACH_VOLUME = 0x88000;
inline constexpr std::uint32_t IOCTL_FLOW_DETACH_VOLUME = 0x88004;
inline constexpr std::uint32_t IOCTL_FLOW_ADD_MISSION = 0x88040;
inline constexpr std::uint32_t IOCTL_FLOW_REMOVE_MISSION = 0x88044;
inline constexpr std::uint32_t IOCTL_FLOW_CLEAR_ALL = 0x88048;
inline constexpr std::uint32_t IOCTL_FLOW_GET_LOG = 0x8804C;

// Every request that carries input carries exactly this many bytes.
inline constexpr std::size_t REQUEST_BUFFER_SIZE = 512;
inline constexpr std::size_t FLOW_LOG_SIZE = 84;

// The network pseudo-volume attached after the local file systems.
inline constexpr char16_t NETWORK_VOLUME_NAME[] = u"network";

// Where the device lives; the environment variable overrides it.
inline constexpr char DEFAULT_DEVICE_PATH[] = "/run/quorbel/device";
inline constexpr char DEVICE_PATH_ENV[] = "QUORBEL_DEVICE";
inline constexpr char SERVICE_PATH_ENV[] = "QUORBEL_SERVICE";

// Framing: one SOCK_SEQPACKET message per request and one per reply,
// little-endian throughout.
//   request: u32 code, u32 input length, u32 output capacity, input bytes
//   reply:   u32 success (1/0), u32 errno, u32 output length, output bytes
inline constexpr std::size_t FRAME_HEADER_SIZE = 12;
// Largest output a request may ask for; bounds the reply message.
inline constexpr std::uint32_t MAX_OUTPUT_CAPACITY = 1024 * FLOW_LOG_SIZE;

struct RequestHeader {
    std::uint32_t uCode = 0;
    std::uint32_t uInputLength = 0;
    std::uint32_t uOutputCapacity = 0;
};

struct ReplyHeader {
    std::uint32_t uSuccess = 0;
    std::uint32_t uError = 0;
    std::uint32_t uOutputLength = 0;
};

inline void PutU32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

inline void PutU64(std::uint8_t* p, std::uint64_t v) {
    PutU32(p, static_cast<std::uint32_t>(v));
    PutU32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

inline std::uint32_t GetU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline std::uint64_t GetU64(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(GetU32(p)) | static_cast<std::uint64_t>(GetU32(p + 4)) << 32;
}

inline std::vector<std::uint8_t> EncodeRequest(const RequestHeader& h, const void* input,
                                               std::size_t inputLength) {
    std::vector<std::uint8_t> msg(FRAME_HEADER_SIZE + inputLength);
    PutU32(msg.data(), h.uCode);
    PutU32(msg.data() + 4, static_cast<std::uint32_t>(inputLength));
    PutU32(msg.data() + 8, h.uOutputCapacity);
    if (inputLength)
        std::memcpy(msg.data() + FRAME_HEADER_SIZE, input, inputLength);
    return msg;
}

inline std::vector<std::uint8_t> EncodeReply(const ReplyHeader& h, const void* output,
                                             std::size_t outputLength) {
    std::vector<std::uint8_t> msg(FRAME_HEADER_SIZE + outputLength);
    PutU32(msg.data(), h.uSuccess);
    PutU32(msg.data() + 4, h.uError);
    PutU32(msg.data() + 8, static_cast<std::uint32_t>(outputLength));
    if (outputLength)
        std::memcpy(msg.data() + FRAME_HEADER_SIZE, output, outputLength);
    return msg;
}

// Reads a request frame; nullopt when the header is short or the input
// length disagrees with the message size.
inline std::optional<RequestHeader> DecodeRequestHeader(const std::uint8_t* msg, std::size_t size) {
    if (size < FRAME_HEADER_SIZE)
        return std::nullopt;
    RequestHeader h{GetU32(msg), GetU32(msg + 4), GetU32(msg + 8)};
    if (h.uInputLength != size - FRAME_HEADER_SIZE)
        return std::nullopt;
    return h;
}

// Reads a reply frame against the capacity the request offered.
inline std::optional<ReplyHeader> DecodeReplyHeader(const std::uint8_t* msg, std::size_t size,
                                                    std::uint32_t uCapacity) {
    if (size < FRAME_HEADER_SIZE)
        return std::nullopt;
    ReplyHeader h{GetU32(msg), GetU32(msg + 4), GetU32(msg + 8)};
    if (h.uSuccess > 1 || h.uOutputLength > uCapacity ||
        h.uOutputLength != size - FRAME_HEADER_SIZE)
        return std::nullopt;
    return h;
}

} // namespace flow
