// Runs the real quorbeld for a test: a private folder with its device and
// state record, the program from $DRAVIK_BIN_DIR, a client that speaks the
// device framing, and the request buffers of the library's own builders.
#pragma once

#include "flowlib/DeviceProtocol.h"
#include "flowlib/FlowTypes.h"

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace svctest {

// A fresh folder under /tmp, removed with everything in it afterwards.
class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;
};

std::string BinDir();

class CServiceProcess {
public:
    // Device at <dir>/device, state record in <dir>/state, log in <dir>/service.log.
    explicit CServiceProcess(const std::string& strDir);
    ~CServiceProcess();

    // Starts the program in the foreground and waits until its device
    // answers; false when it exits first or does not answer in time.
    bool Start(const std::vector<std::string>& extraArgs = {});
    // SIGTERM and wait; the exit status (or -1 when it did not exit).
    int Stop();
    // SIGKILL and wait: a crash.
    void Kill();
    bool Running() const { return m_Pid > 0; }
    pid_t Pid() const { return m_Pid; }

    const std::string& Device() const { return m_strDevice; }
    const std::string& StateDir() const { return m_strState; }
    std::string Log() const;

private:
    std::string m_strDir, m_strDevice, m_strState, m_strLog;
    pid_t m_Pid = -1;
};

struct DEVICE_ANSWER {
    bool bReplied = false; // a well-formed reply arrived
    std::uint32_t uSuccess = 0;
    std::uint32_t uError = 0;
    std::vector<std::uint8_t> output;
};

class CDeviceClient {
public:
    CDeviceClient() = default;
    ~CDeviceClient();
    CDeviceClient(const CDeviceClient&) = delete;
    CDeviceClient& operator=(const CDeviceClient&) = delete;

    bool Connect(const std::string& strPath);
    int Fd() const { return m_Fd; }

    DEVICE_ANSWER Request(std::uint32_t uCode, const std::vector<std::uint8_t>& input,
                          std::uint32_t uCapacity = 0);
    // Sends the bytes as one message, framed or not, and reads the reply.
    DEVICE_ANSWER Raw(const std::vector<std::uint8_t>& message, std::uint32_t uCapacity = 0);

    // Shorthands returning the errno of the reply (0 = success, -1 = none).
    int Attach(const std::u16string& strVolume);
    int Detach(const std::u16string& strVolume);
    int Add(const FLOW_MISSION& mission);
    int Remove(const std::u16string& strName);
    int ClearAll();
    // Every record, with a capacity of uRecords.
    std::optional<std::vector<FLOW_LOG>> GetLog(std::uint32_t uRecords = 64);

private:
    int m_Fd = -1;
};

std::vector<std::uint8_t> VolumeBuffer(const std::u16string& strName);
std::vector<std::uint8_t> MissionBuffer(const FLOW_MISSION& mission);
std::vector<std::uint8_t> NameBuffer(const std::u16string& strName);

FLOW_MISSION Mission(const std::u16string& strName, std::uint32_t uMode);
std::u16string U16(const std::string& str); // ASCII and UTF-8 alike
std::u16string LogName(const FLOW_LOG& log);
// A packed record's member as a plain value: the test macros take their
// arguments by reference, which a packed member cannot bind to.
template <class T> T Value(T v) {
    return v;
}
const FLOW_LOG* FindLog(const std::vector<FLOW_LOG>& logs, const std::u16string& strName);

// The mount point of the file system holding strPath (the volume the
// library's walk would attach for it).
std::string VolumeOf(const std::string& strPath);
// True when a mount of type fstype sits on strDir.
bool IsMountedAs(const std::string& strDir, const std::string& strFsType);
// The state letter of /proc/PID/stat ('T' stopped), 0 when gone.
char ProcessState(pid_t pid);
void SleepMs(int iMs);
// Polls pred every 10 ms for up to timeout ms.
template <class Pred> bool WaitFor(Pred pred, int iTimeoutMs) {
    for (int waited = 0;; waited += 10) {
        if (pred())
            return true;
        if (waited >= iTimeoutMs)
            return false;
        SleepMs(10);
    }
}

} // namespace svctest
