#include "service/device/DeviceServer.h"

#include <cerrno>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace quorbel {

namespace {

// Far more than any sound request (header and a 512-byte buffer), so an
// oversized message is seen as such instead of being cut to fit.
constexpr std::size_t kReceiveBuffer = 4096;
// Each client costs a descriptor; a runaway caller must not use them all.
constexpr std::size_t kMaxClients = 256;

int MakeFolders(const std::string& strDir) {
    if (strDir.empty())
        return 0;
    std::size_t pos = 0;
    for (;;) {
        pos = strDir.find('/', pos + 1);
        std::string strPart = strDir.substr(0, pos);
        if (mkdir(strPart.c_str(), 0755) != 0 && errno != EEXIST)
            return errno;
        if (pos == std::string::npos)
            return 0;
    }
}

bool FillAddress(const std::string& strPath, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof(addr));
    addr.sun_family = AF_UNIX;
    if (strPath.empty() || strPath.size() >= sizeof(addr.sun_path))
        return false;
    std::memcpy(addr.sun_path, strPath.c_str(), strPath.size() + 1);
    return true;
}

// True when a service answers on the socket at addr.
bool SomeoneAnswers(const sockaddr_un& addr) {
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool bAnswers = connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0;
    close(fd);
    return bAnswers;
}

} // namespace

CDeviceServer::CDeviceServer(IDeviceHandler& handler, PEER_POLICY policy)
    : m_Handler(handler), m_Policy(policy), m_Buffer(kReceiveBuffer) {}

CDeviceServer::~CDeviceServer() {
    Close();
}

int CDeviceServer::Listen(const std::string& strPath) {
    sockaddr_un addr;
    if (!FillAddress(strPath, addr))
        return ENAMETOOLONG;
    const std::size_t slash = strPath.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        if (int err = MakeFolders(strPath.substr(0, slash)))
            return err;
    }
    struct stat st;
    if (lstat(strPath.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode))
            return EEXIST;
        if (SomeoneAnswers(addr))
            return EADDRINUSE;
        unlink(strPath.c_str());
    }
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return errno;
    if (bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0 ||
        listen(fd, 64) != 0) {
        int err = errno;
        close(fd);
        return err;
    }
    // Anyone may connect so that a refused caller learns why (EACCES in the
    // reply) instead of a bare connection error; the peer check guards.
    chmod(strPath.c_str(), 0666);
    if (lstat(strPath.c_str(), &st) == 0)
        m_Inode = st.st_ino;
    m_iListen = fd;
    m_strPath = strPath;
    return 0;
}

int CDeviceServer::Attach(int iEpoll) {
    m_iEpoll = iEpoll;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = m_iListen;
    return epoll_ctl(iEpoll, EPOLL_CTL_ADD, m_iListen, &ev) == 0 ? 0 : errno;
}

bool CDeviceServer::Dispatch(int fd, std::uint32_t uEvents) {
    if (fd < 0)
        return false;
    if (fd == m_iListen) {
        Accept();
        return true;
    }
    if (m_Clients.find(fd) == m_Clients.end())
        return false;
    if (uEvents & EPOLLIN)
        ServeClient(fd);
    else if (uEvents & (EPOLLHUP | EPOLLERR))
        DropClient(fd);
    return true;
}

void CDeviceServer::Close() {
    while (!m_Clients.empty())
        DropClient(m_Clients.begin()->first);
    if (m_iListen >= 0) {
        close(m_iListen);
        m_iListen = -1;
        // Only our own socket file: a newer service may have taken the path.
        struct stat st;
        if (lstat(m_strPath.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_ino == m_Inode)
            unlink(m_strPath.c_str());
    }
}

bool CDeviceServer::IsPrivileged(const PEER_POLICY& policy, uid_t uid, gid_t gid,
                                 const std::vector<gid_t>& groups) {
    if (uid == 0)
        return true;
    if (!policy.bGroup)
        return false;
    if (gid == policy.gid)
        return true;
    for (gid_t g : groups) {
        if (g == policy.gid)
            return true;
    }
    return false;
}

bool CDeviceServer::CheckPeer(int fd) const {
    ucred cred{};
    socklen_t len = sizeof(cred);
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0)
        return false;
    std::vector<gid_t> groups;
    if (m_Policy.bGroup && cred.uid != 0) {
        groups.resize(64);
        socklen_t glen = static_cast<socklen_t>(groups.size() * sizeof(gid_t));
        if (getsockopt(fd, SOL_SOCKET, SO_PEERGROUPS, groups.data(), &glen) != 0 &&
            errno == ERANGE) {
            groups.resize(glen / sizeof(gid_t));
            glen = static_cast<socklen_t>(groups.size() * sizeof(gid_t));
            if (getsockopt(fd, SOL_SOCKET, SO_PEERGROUPS, groups.data(), &glen) != 0)
                glen = 0;
        }
        groups.resize(glen / sizeof(gid_t));
    }
    return IsPrivileged(m_Policy, cred.uid, cred.gid, groups);
}

void CDeviceServer::Accept() {
    for (;;) {
        int fd = accept4(m_iListen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return; // EAGAIN, or a client that left before it was accepted
        if (m_Clients.size() >= kMaxClients) {
            close(fd);
            continue;
        }
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.fd = fd;
        if (epoll_ctl(m_iEpoll, EPOLL_CTL_ADD, fd, &ev) != 0) {
            close(fd);
            continue;
        }
        m_Clients[fd].bPrivileged = CheckPeer(fd);
    }
}

void CDeviceServer::ServeClient(int fd) {
    const bool bPrivileged = m_Clients[fd].bPrivileged;
    // One message per wake-up keeps a chatty client from starving others;
    // level-triggered epoll brings us back for the rest.
    ssize_t n = recv(fd, m_Buffer.data(), m_Buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
    if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            DropClient(fd);
        return;
    }
    if (n == 0) {
        DropClient(fd); // orderly close
        return;
    }
    DEVICE_REPLY reply;
    std::optional<flow::RequestHeader> header;
    if (static_cast<std::size_t>(n) <= m_Buffer.size())
        header = flow::DecodeRequestHeader(m_Buffer.data(), static_cast<std::size_t>(n));
    if (!header)
        reply.iError = EINVAL;
    else if (!bPrivileged)
        reply.iError = EACCES;
    else
        reply = m_Handler.HandleRequest(*header, m_Buffer.data() + flow::FRAME_HEADER_SIZE);
    if (reply.iError != 0 || !header || reply.output.size() > header->uOutputCapacity)
        reply.output.clear();
    flow::ReplyHeader rh;
    rh.uSuccess = reply.iError == 0 ? 1 : 0;
    rh.uError = static_cast<std::uint32_t>(reply.iError);
    auto msg = flow::EncodeReply(rh, reply.output.data(), reply.output.size());
    if (send(fd, msg.data(), msg.size(), MSG_DONTWAIT | MSG_NOSIGNAL) !=
        static_cast<ssize_t>(msg.size()))
        DropClient(fd); // not taking its replies: it must not hold up anyone
}

void CDeviceServer::DropClient(int fd) {
    if (m_iEpoll >= 0)
        epoll_ctl(m_iEpoll, EPOLL_CTL_DEL, fd, nullptr);
    close(fd);
    m_Clients.erase(fd);
}

} // namespace quorbel
