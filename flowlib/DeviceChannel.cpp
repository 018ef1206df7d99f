#include "flowlib/DeviceChannel.h"

#include "flowlib/DeviceProtocol.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace flow {

namespace {

using Clock = std::chrono::steady_clock;

int RequestTimeoutMs() {
    if (const char* psz = std::getenv(REQUEST_TIMEOUT_ENV)) {
        char* end = nullptr;
        long n = std::strtol(psz, &end, 10);
        if (end != psz && *end == '\0' && n > 0 && n <= 3600 * 1000)
            return static_cast<int>(n);
    }
    return DEFAULT_REQUEST_TIMEOUT_MS;
}

// Waits for the event until the deadline; 0, ETIMEDOUT or an errno value.
int WaitFor(int nFd, short nEvent, Clock::time_point deadline) {
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return ETIMEDOUT;
        pollfd pfd{nFd, nEvent, 0};
        int n = poll(&pfd, 1, static_cast<int>(left.count()));
        if (n > 0)
            return 0; // errors and hang-ups show at the following call
        if (n < 0 && errno != EINTR)
            return errno;
    }
}

} // namespace

CDeviceChannel::~CDeviceChannel() {
    Close();
}

void CDeviceChannel::Close() {
    if (m_nFd >= 0)
        close(m_nFd);
    m_nFd = -1;
}

int CDeviceChannel::Connect(const std::string& strPath, int& nFd) {
    nFd = -1;
    sockaddr_un addr{};
    if (strPath.empty())
        return ENOENT;
    if (strPath.size() >= sizeof(addr.sun_path))
        return ENAMETOOLONG;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, strPath.c_str(), strPath.size() + 1);

    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return errno;
    // A full backlog makes a non-blocking connect fail with EAGAIN; retry
    // for a while instead of blocking without bound.
    const auto deadline = Clock::now() + std::chrono::milliseconds(RequestTimeoutMs());
    for (;;) {
        if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0)
            break;
        int err = errno;
        if (err == EINTR)
            continue;
        if (err != EAGAIN || Clock::now() >= deadline) {
            close(fd);
            return err == EAGAIN ? ETIMEDOUT : err;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    nFd = fd;
    return 0;
}

int CDeviceChannel::Probe(const std::string& strPath) {
    int fd = -1;
    int err = Connect(strPath, fd);
    if (fd >= 0)
        close(fd);
    return err;
}

int CDeviceChannel::Open(const std::string& strPath) {
    Close();
    m_strPath.clear();
    int err = Connect(strPath, m_nFd);
    if (err == 0)
        m_strPath = strPath;
    return err;
}

int CDeviceChannel::Request(std::uint32_t uCode, const void* pInput, std::size_t nInputLength,
                            void* pOutput, std::uint32_t uOutputCapacity,
                            std::uint32_t* puOutLength) {
    *puOutLength = 0;
    if (uOutputCapacity > MAX_OUTPUT_CAPACITY || nInputLength > REQUEST_BUFFER_SIZE)
        return EINVAL;
    bool bFresh = false;
    if (m_nFd < 0) {
        if (m_strPath.empty())
            return EBADF; // never opened: there is no device to talk to
        if (int err = Connect(m_strPath, m_nFd))
            return err;
        bFresh = true;
    }

    const auto deadline = Clock::now() + std::chrono::milliseconds(RequestTimeoutMs());
    // Any transport failure drops the connection: the exchange is out of
    // step and a reply still in flight must not answer the next request.
    auto fail = [this](int err) {
        Close();
        return err;
    };

    std::vector<std::uint8_t> msg = EncodeRequest(
        RequestHeader{uCode, static_cast<std::uint32_t>(nInputLength), uOutputCapacity}, pInput,
        nInputLength);
    for (;;) {
        ssize_t n = send(m_nFd, msg.data(), msg.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n == static_cast<ssize_t>(msg.size()))
            break;
        if (n >= 0)
            return fail(EPROTO);
        if (errno == EINTR)
            continue;
        int err = errno;
        // The service closed an idle connection (it restarted): nothing
        // was delivered, so connect again once and send it anew.
        if (!bFresh && (err == EPIPE || err == ECONNRESET || err == ENOTCONN)) {
            Close();
            if ((err = Connect(m_strPath, m_nFd)))
                return err;
            bFresh = true;
            continue;
        }
        if (err != EAGAIN)
            return fail(err);
        if (int nWait = WaitFor(m_nFd, POLLOUT, deadline))
            return fail(nWait);
    }

    // One byte more than the largest valid reply, so an oversized one is
    // seen as such and not silently cut.
    std::vector<std::uint8_t> reply(FRAME_HEADER_SIZE + uOutputCapacity + 1);
    ssize_t nReply = -1;
    for (;;) {
        if (int err = WaitFor(m_nFd, POLLIN, deadline))
            return fail(err);
        iovec iov{reply.data(), reply.size()};
        msghdr mh{};
        mh.msg_iov = &iov;
        mh.msg_iovlen = 1;
        nReply = recvmsg(m_nFd, &mh, MSG_DONTWAIT);
        if (nReply > 0 && (mh.msg_flags & MSG_TRUNC))
            return fail(EPROTO);
        if (nReply >= 0)
            break;
        if (errno != EINTR && errno != EAGAIN)
            return fail(errno);
    }
    if (nReply == 0)
        return fail(ECONNRESET); // the device closed the connection

    auto header =
        DecodeReplyHeader(reply.data(), static_cast<std::size_t>(nReply), uOutputCapacity);
    if (!header)
        return fail(EPROTO);
    if (header->uOutputLength)
        std::memcpy(pOutput, reply.data() + FRAME_HEADER_SIZE, header->uOutputLength);
    *puOutLength = header->uOutputLength;
    if (header->uSuccess)
        return 0;
    // A failure must carry a reason; one without is still a failure.
    return header->uError && header->uError < 4096 ? static_cast<int>(header->uError) : EIO;
}

} // namespace flow
