// The control device: a SOCK_SEQPACKET socket on which every message is one
// request and every answer one reply. The server never blocks: it is driven
// by the owner's epoll loop, reads whole messages from ready clients and
// sends each reply without waiting; a client that does not take its reply
// is dropped, so one slow or dead client never stalls the others.
//
// Only privileged peers are served: uid 0, or members of the group the
// installation names. Others may connect, and every request of theirs is
// answered with EACCES.
#pragma once

#include "flowlib/DeviceProtocol.h"

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quorbel {

struct DEVICE_REPLY {
    int iError = 0; // 0 = success, else an errno value
    std::vector<std::uint8_t> output;
};

class IDeviceHandler {
public:
    virtual ~IDeviceHandler() = default;
    // The frame header is sound (its input length matches the message);
    // everything else is the handler's to check. The reply's output must not
    // exceed header.uOutputCapacity.
    virtual DEVICE_REPLY HandleRequest(const flow::RequestHeader& header,
                                       const std::uint8_t* pInput) = 0;
};

struct PEER_POLICY {
    bool bGroup = false; // members of gid are served besides root
    gid_t gid = 0;
};

class CDeviceServer {
public:
    CDeviceServer(IDeviceHandler& handler, PEER_POLICY policy);
    ~CDeviceServer();

    CDeviceServer(const CDeviceServer&) = delete;
    CDeviceServer& operator=(const CDeviceServer&) = delete;

    // Creates the socket's folder when missing and listens on strPath.
    // A leftover socket nobody answers on is replaced; EADDRINUSE when a
    // service already answers there, EEXIST when something that is not a
    // socket is in the way, ENAMETOOLONG for a path that cannot be a socket
    // address. Returns 0 or an errno value.
    int Listen(const std::string& strPath);

    // Registers the listening socket with an epoll instance; clients are
    // added to the same instance as they connect.
    int Attach(int iEpoll);

    // Handles readiness of fd; false when fd is not one of the server's.
    bool Dispatch(int fd, std::uint32_t uEvents);

    // Closes every client and the listening socket and removes the socket
    // file when it is still ours.
    void Close();

    // The peer rule, on its own for tests: uid 0 always; otherwise the
    // primary or a supplementary group must be the policy's group.
    static bool IsPrivileged(const PEER_POLICY& policy, uid_t uid, gid_t gid,
                             const std::vector<gid_t>& groups);

private:
    struct CLIENT {
        bool bPrivileged = false;
    };

    void Accept();
    void ServeClient(int fd);
    void DropClient(int fd);
    bool CheckPeer(int fd) const;

    IDeviceHandler& m_Handler;
    PEER_POLICY m_Policy;
    std::string m_strPath;
    int m_iListen = -1;
    int m_iEpoll = -1;
    ino_t m_Inode = 0;
    std::map<int, CLIENT> m_Clients;
    std::vector<std::uint8_t> m_Buffer;
};

} // namespace quorbel
