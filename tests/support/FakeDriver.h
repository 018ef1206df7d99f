// A stand-in for the filter service's control device: a small server on a
// SOCK_SEQPACKET socket that speaks the device framing, records every
// request and answers the way a test scripts it. Point the library (or a
// whole program) at it with QUORBEL_DEVICE=<Path()>.
//
// Plain C++ and POSIX only, so it can also be linked into helper
// executables that must not pull in Qt.
#pragma once

#include "flowlib/FlowTypes.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// One request as the server received it.
struct FAKE_REQUEST {
    std::uint32_t uCode = 0;
    std::vector<std::uint8_t> input; // the input bytes exactly as sent
    std::uint32_t uOutputCapacity = 0;
};

// How the server answers one request.
struct FAKE_ANSWER {
    bool bSuccess = true;
    std::uint32_t uError = 0;         // errno value sent when bSuccess is false
    std::vector<std::uint8_t> output; // cut to the request's capacity
    // Sent as the whole reply message instead of a proper frame (malformed
    // replies).
    std::optional<std::vector<std::uint8_t>> raw;
    bool bSilent = false;               // record the request, never answer it
    bool bHangUp = false;               // record the request, then close the connection
    std::chrono::milliseconds delay{0}; // wait this long before answering

    static FAKE_ANSWER Ok(std::vector<std::uint8_t> output = {});
    static FAKE_ANSWER Fail(std::uint32_t uErrno);
    static FAKE_ANSWER Raw(std::vector<std::uint8_t> bytes);
    static FAKE_ANSWER Silent();
    static FAKE_ANSWER HangUp();
};

class CFakeDriver {
public:
    using Handler = std::function<FAKE_ANSWER(const FAKE_REQUEST&)>;

    // Listens on "device" in a fresh private temporary folder.
    CFakeDriver();
    // Listens on the given socket path (its folder must exist).
    explicit CFakeDriver(std::string strPath);
    // Stops the server and removes the socket (and the folder it created).
    ~CFakeDriver();
    CFakeDriver(const CFakeDriver&) = delete;
    CFakeDriver& operator=(const CFakeDriver&) = delete;

    // False when the socket could not be created; Error() says why.
    bool IsListening() const { return m_nListenFd >= 0; }
    int Error() const { return m_nError; }
    const std::string& Path() const { return m_strPath; }

    // Standing answer for every request with this code. Without one, a
    // request succeeds with no output.
    void SetAnswer(std::uint32_t uCode, FAKE_ANSWER answer);
    // One-shot answers for this code, used in order before the standing one.
    void QueueAnswer(std::uint32_t uCode, FAKE_ANSWER answer);
    // Decides every answer itself; queued and standing answers are ignored
    // while a handler is set. Runs on the server thread.
    void SetHandler(Handler handler);

    // Every request received so far, in arrival order.
    std::vector<FAKE_REQUEST> Requests() const;
    std::vector<FAKE_REQUEST> Requests(std::uint32_t uCode) const;
    std::vector<std::uint32_t> Codes() const;
    void ClearRequests();
    // Waits until at least n requests have been received.
    bool WaitForRequests(std::size_t n, std::chrono::milliseconds timeout) const;
    // Connections accepted so far, and those still open.
    std::size_t Connections() const;
    std::size_t OpenConnections() const;
    // Waits until exactly n connections are open.
    bool WaitForOpenConnections(std::size_t n, std::chrono::milliseconds timeout) const;
    // Closes every open client connection (the listening socket stays).
    void DropConnections();

    // Decoders of the request buffers, for checking what a client sent.
    // Volume buffer: u32 byte length without NUL, then the name.
    static std::optional<std::u16string> VolumeName(const FAKE_REQUEST& request);
    // Mission buffer: u32 byte length with NUL, the name, then the numbers.
    static std::optional<FLOW_MISSION> Mission(const FAKE_REQUEST& request);
    // Name buffer: the NUL-terminated name at offset 0.
    static std::optional<std::u16string> RemovalName(const FAKE_REQUEST& request);

    // Builds get-log output: one 84-byte record per entry.
    static FLOW_LOG LogRecord(const std::u16string& strName, std::uint32_t uReadBytes,
                              std::uint32_t uWriteBytes, std::int64_t llAlreadyReads,
                              std::int64_t llAlreadyWrites);
    static std::vector<std::uint8_t> LogOutput(const std::vector<FLOW_LOG>& records);

private:
    void Listen();
    void Serve();
    void Handle(int nFd);
    FAKE_ANSWER Choose(const FAKE_REQUEST& request);

    std::string m_strPath;
    std::string m_strOwnDir; // folder created by this object, removed with it
    int m_nListenFd = -1;
    int m_nError = 0;
    int m_WakePipe[2] = {-1, -1};
    std::thread m_Thread;

    mutable std::mutex m_Mutex;
    mutable std::condition_variable m_Changed;
    std::vector<FAKE_REQUEST> m_Requests;
    std::map<std::uint32_t, FAKE_ANSWER> m_Standing;
    std::map<std::uint32_t, std::deque<FAKE_ANSWER>> m_Queued;
    Handler m_Handler;
    std::size_t m_nConnections = 0;
    std::size_t m_nOpen = 0;
    bool m_bDropRequested = false;
};
