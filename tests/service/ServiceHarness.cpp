#include "tests/service/ServiceHarness.h"

#include "flowlib/RequestBuffers.h"

#include <fcntl.h>
#include <ftw.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace svctest {

namespace {

int RemoveEntry(const char* pszPath, const struct stat*, int, FTW*) {
    remove(pszPath);
    return 0;
}

} // namespace

CTempDir::CTempDir() {
    char szTemplate[] = "/tmp/quorbel-test-XXXXXX";
    if (char* psz = mkdtemp(szTemplate)) {
        m_strPath = psz;
        chmod(psz, 0755); // the unprivileged peers of some tests reach into it
    }
}

CTempDir::~CTempDir() {
    if (!m_strPath.empty())
        nftw(m_strPath.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS | FTW_MOUNT);
}

std::string BinDir() {
    const char* psz = std::getenv("DRAVIK_BIN_DIR");
    return psz && *psz ? psz : SERVICE_BIN_DIR;
}

void SleepMs(int iMs) {
    std::this_thread::sleep_for(std::chrono::milliseconds(iMs));
}

CServiceProcess::CServiceProcess(const std::string& strDir)
    : m_strDir(strDir), m_strDevice(strDir + "/device"), m_strState(strDir + "/state"),
      m_strLog(strDir + "/service.log") {}

CServiceProcess::~CServiceProcess() {
    if (m_Pid > 0)
        Stop();
}

bool CServiceProcess::Start(const std::vector<std::string>& extraArgs) {
    std::vector<std::string> args{BinDir() + "/quorbeld", "--device", m_strDevice, "--verbose"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string strState = m_strState;
    pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        int fd = open(m_strLog.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd >= 0) {
            dup2(fd, STDERR_FILENO);
            dup2(fd, STDOUT_FILENO);
        }
        setenv("QUORBEL_STATE_DIR", strState.c_str(), 1);
        unsetenv("QUORBEL_DEVICE");
        unsetenv("QUORBEL_GROUP");
        execv(argv[0], argv.data());
        _exit(127);
    }
    m_Pid = pid;
    for (int i = 0; i < 500; ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            m_Pid = -1;
            return false;
        }
        // Answered by this very process, not by another one on the same path.
        CDeviceClient probe;
        if (probe.Connect(m_strDevice)) {
            ucred cred{};
            socklen_t len = sizeof(cred);
            if (getsockopt(probe.Fd(), SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 &&
                cred.pid == pid)
                return true;
        }
        SleepMs(10);
    }
    return false;
}

int CServiceProcess::Stop() {
    if (m_Pid <= 0)
        return -1;
    kill(m_Pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 1000; ++i) {
        if (waitpid(m_Pid, &status, WNOHANG) == m_Pid) {
            m_Pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        SleepMs(10);
    }
    Kill();
    return -1;
}

void CServiceProcess::Kill() {
    if (m_Pid <= 0)
        return;
    kill(m_Pid, SIGKILL);
    waitpid(m_Pid, nullptr, 0);
    m_Pid = -1;
}

std::string CServiceProcess::Log() const {
    std::ifstream in(m_strLog);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

CDeviceClient::~CDeviceClient() {
    if (m_Fd >= 0)
        close(m_Fd);
}

bool CDeviceClient::Connect(const std::string& strPath) {
    if (m_Fd >= 0)
        close(m_Fd);
    m_Fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, strPath.c_str(), sizeof(addr.sun_path) - 1);
    if (connect(m_Fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        close(m_Fd);
        m_Fd = -1;
        return false;
    }
    return true;
}

DEVICE_ANSWER CDeviceClient::Raw(const std::vector<std::uint8_t>& message,
                                 std::uint32_t uCapacity) {
    DEVICE_ANSWER answer;
    if (m_Fd < 0 || send(m_Fd, message.data(), message.size(), MSG_NOSIGNAL) < 0)
        return answer;
    pollfd pfd{m_Fd, POLLIN, 0};
    if (poll(&pfd, 1, 10000) != 1)
        return answer;
    std::vector<std::uint8_t> reply(flow::FRAME_HEADER_SIZE + flow::MAX_OUTPUT_CAPACITY + 64);
    ssize_t n = recv(m_Fd, reply.data(), reply.size(), 0);
    if (n < 0)
        return answer;
    auto header = flow::DecodeReplyHeader(reply.data(), static_cast<std::size_t>(n), uCapacity);
    if (!header)
        return answer;
    answer.bReplied = true;
    answer.uSuccess = header->uSuccess;
    answer.uError = header->uError;
    answer.output.assign(reply.begin() + flow::FRAME_HEADER_SIZE, reply.begin() + n);
    return answer;
}

DEVICE_ANSWER CDeviceClient::Request(std::uint32_t uCode, const std::vector<std::uint8_t>& input,
                                     std::uint32_t uCapacity) {
    flow::RequestHeader h{uCode, static_cast<std::uint32_t>(input.size()), uCapacity};
    return Raw(flow::EncodeRequest(h, input.data(), input.size()), uCapacity);
}

namespace {

int ErrorOf(const DEVICE_ANSWER& a) {
    if (!a.bReplied)
        return -1;
    return a.uSuccess ? 0 : static_cast<int>(a.uError);
}

} // namespace

int CDeviceClient::Attach(const std::u16string& strVolume) {
    return ErrorOf(Request(flow::IOCTL_FLOW_ATTACH_VOLUME, VolumeBuffer(strVolume)));
}

int CDeviceClient::Detach(const std::u16string& strVolume) {
    return ErrorOf(Request(flow::IOCTL_FLOW_DETACH_VOLUME, VolumeBuffer(strVolume)));
}

int CDeviceClient::Add(const FLOW_MISSION& mission) {
    return ErrorOf(Request(flow::IOCTL_FLOW_ADD_MISSION, MissionBuffer(mission)));
}

int CDeviceClient::Remove(const std::u16string& strName) {
    return ErrorOf(Request(flow::IOCTL_FLOW_REMOVE_MISSION, NameBuffer(strName)));
}

int CDeviceClient::ClearAll() {
    return ErrorOf(Request(flow::IOCTL_FLOW_CLEAR_ALL, {}));
}

std::optional<std::vector<FLOW_LOG>> CDeviceClient::GetLog(std::uint32_t uRecords) {
    const std::uint32_t uCapacity = uRecords * static_cast<std::uint32_t>(flow::FLOW_LOG_SIZE);
    DEVICE_ANSWER a = Request(flow::IOCTL_FLOW_GET_LOG, {}, uCapacity);
    if (!a.bReplied || !a.uSuccess || a.output.size() % flow::FLOW_LOG_SIZE != 0)
        return std::nullopt;
    std::vector<FLOW_LOG> logs(a.output.size() / flow::FLOW_LOG_SIZE);
    if (!logs.empty())
        std::memcpy(logs.data(), a.output.data(), a.output.size());
    return logs;
}

std::vector<std::uint8_t> VolumeBuffer(const std::u16string& strName) {
    flow::REQUEST_BUFFER b;
    flow::BuildVolumeBuffer(strName, b);
    return {b.begin(), b.end()};
}

std::vector<std::uint8_t> MissionBuffer(const FLOW_MISSION& mission) {
    flow::REQUEST_BUFFER b;
    flow::BuildMissionBuffer(mission, b);
    return {b.begin(), b.end()};
}

std::vector<std::uint8_t> NameBuffer(const std::u16string& strName) {
    flow::REQUEST_BUFFER b;
    flow::BuildRemovalBuffer(strName, b);
    return {b.begin(), b.end()};
}

FLOW_MISSION Mission(const std::u16string& strName, std::uint32_t uMode) {
    FLOW_MISSION m;
    m.strTargetName = strName;
    m.uMode = uMode;
    return m;
}

std::u16string U16(const std::string& str) {
    std::u16string out;
    for (std::size_t i = 0; i < str.size();) {
        unsigned char c = static_cast<unsigned char>(str[i]);
        std::uint32_t cp = c;
        std::size_t len = 1;
        if (c >= 0xF0) {
            cp = c & 0x07;
            len = 4;
        } else if (c >= 0xE0) {
            cp = c & 0x0F;
            len = 3;
        } else if (c >= 0xC0) {
            cp = c & 0x1F;
            len = 2;
        }
        for (std::size_t k = 1; k < len && i + k < str.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(str[i + k]) & 0x3F);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return out;
}

std::u16string LogName(const FLOW_LOG& log) {
    std::u16string s;
    for (std::size_t i = 0; i < FLOW_LOG_NAME_CHARS && log.szTargetName[i]; ++i)
        s += log.szTargetName[i];
    return s;
}

const FLOW_LOG* FindLog(const std::vector<FLOW_LOG>& logs, const std::u16string& strName) {
    for (const FLOW_LOG& l : logs) {
        if (LogName(l) == strName)
            return &l;
    }
    return nullptr;
}

namespace {

std::vector<std::pair<std::string, std::string>> MountInfo() {
    std::vector<std::pair<std::string, std::string>> mounts;
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream f(line);
        std::vector<std::string> v;
        for (std::string s; f >> s;)
            v.push_back(s);
        std::size_t sep = 6;
        while (sep < v.size() && v[sep] != "-")
            ++sep;
        if (v.size() < 5 || sep + 1 >= v.size())
            continue;
        mounts.emplace_back(v[4], v[sep + 1]);
    }
    return mounts;
}

} // namespace

std::string VolumeOf(const std::string& strPath) {
    std::string best;
    for (const auto& [point, type] : MountInfo()) {
        if (type.rfind("fuse.quorbel", 0) == 0)
            continue;
        bool bContains = point == "/" || strPath == point ||
                         (strPath.rfind(point, 0) == 0 && strPath[point.size()] == '/');
        if (bContains && point.size() >= best.size())
            best = point;
    }
    return best;
}

bool IsMountedAs(const std::string& strDir, const std::string& strFsType) {
    std::string top;
    for (const auto& [point, type] : MountInfo()) {
        if (point == strDir)
            top = type;
    }
    return top == strFsType;
}

char ProcessState(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string s;
    std::getline(in, s);
    std::size_t p = s.rfind(')');
    if (p == std::string::npos || p + 2 >= s.size())
        return 0;
    return s[p + 2];
}

} // namespace svctest
