// The connection to the service's control device: one SOCK_SEQPACKET
// connection, one message per request and one per reply. Every wait is
// bounded, so a peer that stops answering fails the request instead of
// hanging the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace flow {

// Bound on one request/reply exchange; VELQUIN_REQUEST_TIMEOUT_MS overrides.
inline constexpr int DEFAULT_REQUEST_TIMEOUT_MS = 5000;
inline constexpr char REQUEST_TIMEOUT_ENV[] = "VELQUIN_REQUEST_TIMEOUT_MS";

class CDeviceChannel {
public:
    CDeviceChannel() = default;
    ~CDeviceChannel();
    CDeviceChannel(const CDeviceChannel&) = delete;
    CDeviceChannel& operator=(const CDeviceChannel&) = delete;

    // Connects to the device; 0 or an errno value. Replaces an earlier
    // connection.
    int Open(const std::string& strPath);
    void Close();
    bool IsOpen() const { return m_nFd >= 0; }

    // One request. Returns 0 when the device reports success, else the
    // errno value of the failure: the device's own, or the transport's
    // (EBADF before a successful Open, ETIMEDOUT, ECONNRESET, EPROTO for a
    // malformed reply...). *puOutLength receives the bytes the device
    // returned, also on failure.
    int Request(std::uint32_t uCode, const void* pInput, std::size_t nInputLength, void* pOutput,
                std::uint32_t uOutputCapacity, std::uint32_t* puOutLength);

    // Whether something listens on the device: 0 when a connection is
    // accepted, else the errno value of the attempt.
    static int Probe(const std::string& strPath);

private:
    static int Connect(const std::string& strPath, int& nFd);

    int m_nFd = -1;
    // Set once Open succeeded. A connection dropped after a transport
    // failure (a late reply would be taken for the next one's) is made
    // again on the next request.
    std::string m_strPath;
};

} // namespace flow
