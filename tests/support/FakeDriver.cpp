#include "tests/support/FakeDriver.h"

#include "flowlib/DeviceProtocol.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

FAKE_ANSWER FAKE_ANSWER::Ok(std::vector<std::uint8_t> output) {
    FAKE_ANSWER a;
    a.output = std::move(output);
    return a;
}

FAKE_ANSWER FAKE_ANSWER::Fail(std::uint32_t uErrno) {
    FAKE_ANSWER a;
    a.bSuccess = false;
    a.uError = uErrno;
    return a;
}

FAKE_ANSWER FAKE_ANSWER::Raw(std::vector<std::uint8_t> bytes) {
    FAKE_ANSWER a;
    a.raw = std::move(bytes);
    return a;
}

FAKE_ANSWER FAKE_ANSWER::Silent() {
    FAKE_ANSWER a;
    a.bSilent = true;
    return a;
}

FAKE_ANSWER FAKE_ANSWER::HangUp() {
    FAKE_ANSWER a;
    a.bHangUp = true;
    return a;
}

CFakeDriver::CFakeDriver() {
    char szTemplate[] = "/tmp/fakedriver-XXXXXX";
    if (!mkdtemp(szTemplate)) {
        m_nError = errno;
        return;
    }
    m_strOwnDir = szTemplate;
    m_strPath = m_strOwnDir + "/device";
    Listen();
}

CFakeDriver::CFakeDriver(std::string strPath) : m_strPath(std::move(strPath)) {
    Listen();
}

CFakeDriver::~CFakeDriver() {
    if (m_Thread.joinable()) {
        char c = 'q';
        (void)!write(m_WakePipe[1], &c, 1);
        m_Thread.join();
    }
    for (int fd : {m_nListenFd, m_WakePipe[0], m_WakePipe[1]})
        if (fd >= 0)
            close(fd);
    if (m_nListenFd >= 0)
        unlink(m_strPath.c_str());
    if (!m_strOwnDir.empty())
        rmdir(m_strOwnDir.c_str());
}

void CFakeDriver::Listen() {
    sockaddr_un addr{};
    if (m_strPath.size() >= sizeof(addr.sun_path)) {
        m_nError = ENAMETOOLONG;
        return;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, m_strPath.c_str(), m_strPath.size() + 1);
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        m_nError = errno;
        return;
    }
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || listen(fd, 16) != 0 ||
        pipe2(m_WakePipe, O_CLOEXEC) != 0) {
        m_nError = errno;
        close(fd);
        return;
    }
    m_nListenFd = fd;
    m_Thread = std::thread([this] { Serve(); });
}

void CFakeDriver::Serve() {
    std::vector<int> clients;
    for (;;) {
        std::vector<pollfd> fds;
        fds.push_back({m_WakePipe[0], POLLIN, 0});
        fds.push_back({m_nListenFd, POLLIN, 0});
        for (int fd : clients)
            fds.push_back({fd, POLLIN, 0});
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents) {
            char c = 0;
            if (read(m_WakePipe[0], &c, 1) <= 0 || c == 'q')
                break;
            std::lock_guard lock(m_Mutex);
            if (m_bDropRequested) {
                for (int fd : clients)
                    close(fd);
                clients.clear();
                m_nOpen = 0;
                m_bDropRequested = false;
                m_Changed.notify_all();
            }
            continue;
        }
        if (fds[1].revents & POLLIN) {
            int fd = accept4(m_nListenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                clients.push_back(fd);
                std::lock_guard lock(m_Mutex);
                ++m_nConnections;
                ++m_nOpen;
                m_Changed.notify_all();
            }
        }
        std::vector<int> gone;
        for (std::size_t i = 2; i < fds.size(); ++i) {
            if (!fds[i].revents)
                continue;
            if (fds[i].revents & POLLIN) {
                std::uint8_t probe;
                ssize_t n = recv(fds[i].fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
                if (n > 0) {
                    Handle(fds[i].fd);
                    continue;
                }
            }
            gone.push_back(fds[i].fd);
        }
        for (int fd : gone) {
            close(fd);
            clients.erase(std::find(clients.begin(), clients.end(), fd));
            std::lock_guard lock(m_Mutex);
            --m_nOpen;
            m_Changed.notify_all();
        }
    }
    for (int fd : clients)
        close(fd);
}

void CFakeDriver::Handle(int nFd) {
    std::vector<std::uint8_t> msg(flow::FRAME_HEADER_SIZE + 64 * 1024);
    ssize_t n = recv(nFd, msg.data(), msg.size(), MSG_TRUNC);
    if (n <= 0)
        return;
    FAKE_REQUEST request;
    auto header = flow::DecodeRequestHeader(msg.data(), std::min<std::size_t>(n, msg.size()));
    FAKE_ANSWER answer;
    if (!header || static_cast<std::size_t>(n) > msg.size()) {
        // A frame this server cannot read: recorded with what it holds, and
        // refused the way the service refuses a bad request.
        if (static_cast<std::size_t>(n) >= 4)
            request.uCode = flow::GetU32(msg.data());
        answer = FAKE_ANSWER::Fail(EINVAL);
        std::lock_guard lock(m_Mutex);
        m_Requests.push_back(request);
        m_Changed.notify_all();
    } else {
        request.uCode = header->uCode;
        request.uOutputCapacity = header->uOutputCapacity;
        request.input.assign(msg.begin() + flow::FRAME_HEADER_SIZE,
                             msg.begin() + flow::FRAME_HEADER_SIZE + header->uInputLength);
        answer = Choose(request);
        std::lock_guard lock(m_Mutex);
        m_Requests.push_back(request);
        m_Changed.notify_all();
    }
    if (answer.delay.count() > 0)
        std::this_thread::sleep_for(answer.delay);
    if (answer.bSilent)
        return;
    if (answer.bHangUp) {
        shutdown(nFd, SHUT_RDWR);
        return;
    }
    std::vector<std::uint8_t> reply;
    if (answer.raw) {
        reply = *answer.raw;
    } else {
        std::size_t len = std::min<std::size_t>(answer.output.size(), request.uOutputCapacity);
        reply = flow::EncodeReply(flow::ReplyHeader{answer.bSuccess ? 1u : 0u,
                                                    answer.bSuccess ? 0u : answer.uError,
                                                    static_cast<std::uint32_t>(len)},
                                  answer.output.data(), len);
    }
    send(nFd, reply.data(), reply.size(), MSG_NOSIGNAL);
}

FAKE_ANSWER CFakeDriver::Choose(const FAKE_REQUEST& request) {
    Handler handler;
    {
        std::lock_guard lock(m_Mutex);
        if (!m_Handler) {
            auto q = m_Queued.find(request.uCode);
            if (q != m_Queued.end() && !q->second.empty()) {
                FAKE_ANSWER a(q->second.front());
                q->second.pop_front();
                return a;
            }
            auto s = m_Standing.find(request.uCode);
            return s != m_Standing.end() ? s->second : FAKE_ANSWER::Ok();
        }
        handler = m_Handler;
    }
    return handler(request);
}

void CFakeDriver::SetAnswer(std::uint32_t uCode, FAKE_ANSWER answer) {
    std::lock_guard lock(m_Mutex);
    m_Standing[uCode] = std::move(answer);
}

void CFakeDriver::QueueAnswer(std::uint32_t uCode, FAKE_ANSWER answer) {
    std::lock_guard lock(m_Mutex);
    m_Queued[uCode].push_back(std::move(answer));
}

void CFakeDriver::SetHandler(Handler handler) {
    std::lock_guard lock(m_Mutex);
    m_Handler = std::move(handler);
}

std::vector<FAKE_REQUEST> CFakeDriver::Requests() const {
    std::lock_guard lock(m_Mutex);
    return m_Requests;
}

std::vector<FAKE_REQUEST> CFakeDriver::Requests(std::uint32_t uCode) const {
    std::lock_guard lock(m_Mutex);
    std::vector<FAKE_REQUEST> out;
    for (const auto& r : m_Requests)
        if (r.uCode == uCode)
            out.push_back(r);
    return out;
}

std::vector<std::uint32_t> CFakeDriver::Codes() const {
    std::lock_guard lock(m_Mutex);
    std::vector<std::uint32_t> out;
    for (const auto& r : m_Requests)
        out.push_back(r.uCode);
    return out;
}

void CFakeDriver::ClearRequests() {
    std::lock_guard lock(m_Mutex);
    m_Requests.clear();
}

bool CFakeDriver::WaitForRequests(std::size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_Mutex);
    return m_Changed.wait_for(lock, timeout, [&] { return m_Requests.size() >= n; });
}

std::size_t CFakeDriver::Connections() const {
    std::lock_guard lock(m_Mutex);
    return m_nConnections;
}

std::size_t CFakeDriver::OpenConnections() const {
    std::lock_guard lock(m_Mutex);
    return m_nOpen;
}

bool CFakeDriver::WaitForOpenConnections(std::size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_Mutex);
    return m_Changed.wait_for(lock, timeout, [&] { return m_nOpen == n; });
}

void CFakeDriver::DropConnections() {
    if (!m_Thread.joinable())
        return;
    std::unique_lock lock(m_Mutex);
    m_bDropRequested = true;
    char c = 'd';
    (void)!write(m_WakePipe[1], &c, 1);
    m_Changed.wait_for(lock, std::chrono::seconds(5), [&] { return !m_bDropRequested; });
}

namespace {

std::u16string ReadUtf16(const std::uint8_t* p, std::size_t nChars) {
    std::u16string s(nChars, u'\0');
    for (std::size_t i = 0; i < nChars; ++i)
        s[i] = static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
    return s;
}

} // namespace

std::optional<std::u16string> CFakeDriver::VolumeName(const FAKE_REQUEST& request) {
    const auto& in = request.input;
    if (in.size() != flow::REQUEST_BUFFER_SIZE)
        return std::nullopt;
    std::uint32_t len = flow::GetU32(in.data());
    if (len % 2 || len > in.size() - 4)
        return std::nullopt;
    return ReadUtf16(in.data() + 4, len / 2);
}

std::optional<FLOW_MISSION> CFakeDriver::Mission(const FAKE_REQUEST& request) {
    const auto& in = request.input;
    if (in.size() != flow::REQUEST_BUFFER_SIZE)
        return std::nullopt;
    std::uint32_t n = flow::GetU32(in.data());
    if (n < 2 || n % 2 || n > in.size() - 56)
        return std::nullopt;
    const std::uint8_t* p = in.data() + 4;
    if (p[n - 2] || p[n - 1])
        return std::nullopt;
    FLOW_MISSION m;
    m.strTargetName = ReadUtf16(p, n / 2 - 1);
    p += n;
    m.uMode = flow::GetU32(p);
    m.uLimitReadSpeed = flow::GetU32(p + 4);
    m.uLimitWriteSpeed = flow::GetU32(p + 8);
    m.llLimitTotalReads = static_cast<std::int64_t>(flow::GetU64(p + 12));
    m.llLimitTotalWrites = static_cast<std::int64_t>(flow::GetU64(p + 20));
    m.llAlreadyReads = static_cast<std::int64_t>(flow::GetU64(p + 28));
    m.llAlreadyWrites = static_cast<std::int64_t>(flow::GetU64(p + 36));
    m.llDriverParam = static_cast<std::int64_t>(flow::GetU64(p + 44));
    return m;
}

std::optional<std::u16string> CFakeDriver::RemovalName(const FAKE_REQUEST& request) {
    const auto& in = request.input;
    if (in.size() != flow::REQUEST_BUFFER_SIZE)
        return std::nullopt;
    for (std::size_t i = 0; i + 1 < in.size(); i += 2)
        if (!in[i] && !in[i + 1])
            return ReadUtf16(in.data(), i / 2);
    return std::nullopt;
}

FLOW_LOG CFakeDriver::LogRecord(const std::u16string& strName, std::uint32_t uReadBytes,
                                std::uint32_t uWriteBytes, std::int64_t llAlreadyReads,
                                std::int64_t llAlreadyWrites) {
    FLOW_LOG rec{};
    std::size_t n = std::min(strName.size(), FLOW_LOG_NAME_CHARS - 1);
    std::copy_n(strName.begin(), n, rec.szTargetName);
    rec.uReadBytes = uReadBytes;
    rec.uWriteBytes = uWriteBytes;
    rec.llAlreadyReads = llAlreadyReads;
    rec.llAlreadyWrites = llAlreadyWrites;
    return rec;
}

std::vector<std::uint8_t> CFakeDriver::LogOutput(const std::vector<FLOW_LOG>& records) {
    std::vector<std::uint8_t> out(records.size() * sizeof(FLOW_LOG));
    for (std::size_t i = 0; i < records.size(); ++i) {
        std::uint8_t* p = out.data() + i * sizeof(FLOW_LOG);
        const FLOW_LOG& r = records[i];
        for (std::size_t c = 0; c < FLOW_LOG_NAME_CHARS; ++c) {
            p[2 * c] = static_cast<std::uint8_t>(r.szTargetName[c]);
            p[2 * c + 1] = static_cast<std::uint8_t>(r.szTargetName[c] >> 8);
        }
        flow::PutU32(p + 60, r.uReadBytes);
        flow::PutU32(p + 64, r.uWriteBytes);
        flow::PutU64(p + 68, static_cast<std::uint64_t>(r.llAlreadyReads));
        flow::PutU64(p + 76, static_cast<std::uint64_t>(r.llAlreadyWrites));
    }
    return out;
}
