// The kernel's process events (the process connector, a netlink socket):
// word of every fork, exec and name change the moment it happens, so a
// process that starts under a process mission is taken on before it has
// moved much, instead of at the next look through /proc. Needs root
// (CAP_NET_ADMIN); where it cannot be had, the periodic look still finds
// every process, only later.
#pragma once

#include <sys/types.h>

#include <functional>

namespace quorbel {

class CProcEvents {
public:
    CProcEvents() = default;
    ~CProcEvents();

    CProcEvents(const CProcEvents&) = delete;
    CProcEvents& operator=(const CProcEvents&) = delete;

    // Subscribes; 0 or an errno value. Harmless when already open.
    int Open();
    // Unsubscribes and closes the socket.
    void Close();
    bool IsOpen() const { return m_iFd >= 0; }
    // Readable when events wait (non-blocking).
    int Fd() const { return m_iFd; }

    // What one event says: the process (not a thread) that was forked,
    // that ran exec, or whose name changed.
    enum class Kind { Fork, Exec, Name };
    using Handler = std::function<void(Kind, pid_t)>;

    // Hands every waiting event to handler. Returns false when the kernel
    // dropped events because they came faster than they were read: the
    // caller must then look at every process itself.
    bool Drain(const Handler& handler);

private:
    int Subscribe(bool bListen);

    int m_iFd = -1;
};

} // namespace quorbel
