#include "service/proc/ProcEvents.h"

#include <linux/cn_proc.h>
#include <linux/connector.h>
#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quorbel {

CProcEvents::~CProcEvents() {
    Close();
}

int CProcEvents::Open() {
    if (m_iFd >= 0)
        return 0;
    m_iFd = socket(PF_NETLINK, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_CONNECTOR);
    if (m_iFd < 0)
        return errno;
    sockaddr_nl addr{};
    addr.nl_family = AF_NETLINK;
    addr.nl_groups = CN_IDX_PROC;
    addr.nl_pid = 0; // the kernel picks a unique port
    int err = 0;
    if (bind(m_iFd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0)
        err = errno;
    else
        err = Subscribe(true);
    if (err != 0) {
        close(m_iFd);
        m_iFd = -1;
    }
    return err;
}

void CProcEvents::Close() {
    if (m_iFd < 0)
        return;
    Subscribe(false);
    close(m_iFd);
    m_iFd = -1;
}

int CProcEvents::Subscribe(bool bListen) {
    // A netlink header, the connector's header and the operation, packed
    // one after the other as the kernel reads them.
    alignas(nlmsghdr) char buffer[NLMSG_SPACE(sizeof(cn_msg) + sizeof(proc_cn_mcast_op))] = {};
    auto* pHeader = reinterpret_cast<nlmsghdr*>(buffer);
    pHeader->nlmsg_len = NLMSG_LENGTH(sizeof(cn_msg) + sizeof(proc_cn_mcast_op));
    pHeader->nlmsg_type = NLMSG_DONE;
    auto* pMessage = static_cast<cn_msg*>(NLMSG_DATA(pHeader));
    pMessage->id.idx = CN_IDX_PROC;
    pMessage->id.val = CN_VAL_PROC;
    pMessage->len = sizeof(proc_cn_mcast_op);
    const proc_cn_mcast_op op = bListen ? PROC_CN_MCAST_LISTEN : PROC_CN_MCAST_IGNORE;
    std::memcpy(pMessage->data, &op, sizeof(op));
    if (send(m_iFd, buffer, pHeader->nlmsg_len, MSG_NOSIGNAL) < 0)
        return errno;
    return 0;
}

bool CProcEvents::Drain(const Handler& handler) {
    if (m_iFd < 0)
        return true;
    bool bComplete = true;
    alignas(nlmsghdr) char buffer[8192];
    for (;;) {
        const ssize_t n = recv(m_iFd, buffer, sizeof(buffer), 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == ENOBUFS) {
                bComplete = false; // the socket overflowed: events were lost
                continue;
            }
            break; // EAGAIN: nothing more waits
        }
        int iLeft = static_cast<int>(n);
        for (auto* pHeader = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(pHeader, iLeft);
             pHeader = NLMSG_NEXT(pHeader, iLeft)) {
            if (pHeader->nlmsg_type == NLMSG_ERROR || pHeader->nlmsg_type == NLMSG_NOOP)
                continue;
            const auto* pMessage = static_cast<const cn_msg*>(NLMSG_DATA(pHeader));
            if (pHeader->nlmsg_len < NLMSG_LENGTH(sizeof(cn_msg)) ||
                pMessage->id.idx != CN_IDX_PROC || pMessage->id.val != CN_VAL_PROC ||
                pMessage->len < sizeof(proc_event) ||
                pHeader->nlmsg_len < NLMSG_LENGTH(sizeof(cn_msg) + sizeof(proc_event)))
                continue;
            proc_event event;
            std::memcpy(&event, pMessage->data, sizeof(event));
            switch (event.what) {
            case proc_event::PROC_EVENT_FORK:
                // A new thread of a process is no new process.
                if (event.event_data.fork.child_pid == event.event_data.fork.child_tgid)
                    handler(Kind::Fork, event.event_data.fork.child_tgid);
                break;
            case proc_event::PROC_EVENT_EXEC:
                handler(Kind::Exec, event.event_data.exec.process_tgid);
                break;
            case proc_event::PROC_EVENT_COMM:
                handler(Kind::Name, event.event_data.comm.process_tgid);
                break;
            default:
                break;
            }
        }
    }
    return bComplete;
}

} // namespace quorbel
