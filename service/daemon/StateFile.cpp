#include "service/daemon/StateFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace quorbel {

namespace {

// Paths may hold any byte but NUL; blanks, newlines, backslashes and
// control bytes are written as octal escapes so each record is one line.
std::string Escape(const std::string& str) {
    std::string out;
    for (unsigned char c : str) {
        if (c <= ' ' || c == '\\' || c == 0x7F) {
            char buf[5];
            std::snprintf(buf, sizeof(buf), "\\%03o", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool Unescape(const std::string& str, std::string& out) {
    std::string result;
    for (std::size_t i = 0; i < str.size(); ++i) {
        if (str[i] != '\\') {
            result += str[i];
            continue;
        }
        if (i + 3 >= str.size())
            return false;
        int v = 0;
        for (int k = 1; k <= 3; ++k) {
            char d = str[i + k];
            if (d < '0' || d > '7')
                return false;
            v = v * 8 + (d - '0');
        }
        if (v == 0 || v > 255)
            return false;
        result += static_cast<char>(v);
        i += 3;
    }
    out = std::move(result);
    return true;
}

int MakeFolders(const std::string& strDir) {
    std::size_t pos = 0;
    for (;;) {
        pos = strDir.find('/', pos + 1);
        std::string strPart = strDir.substr(0, pos);
        if (!strPart.empty() && mkdir(strPart.c_str(), 0755) != 0 && errno != EEXIST)
            return errno;
        if (pos == std::string::npos)
            return 0;
    }
}

} // namespace

CStateFile::CStateFile(std::string strDir)
    : m_strDir(std::move(strDir)), m_strPath(m_strDir + "/state") {}

CStateFile::~CStateFile() {
    if (m_iLock >= 0)
        close(m_iLock);
}

int CStateFile::Lock() {
    if (int err = MakeFolders(m_strDir))
        return err;
    int fd = open((m_strDir + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        close(fd);
        return err;
    }
    m_iLock = fd;
    return 0;
}

std::string CStateFile::Format(const SERVICE_STATE& state) {
    std::string out;
    for (const auto& [pid, uStart] : state.processes)
        out += "process " + std::to_string(pid) + " " + std::to_string(uStart) + "\n";
    for (const std::string& strDir : state.mounts)
        out += "mount " + Escape(strDir) + "\n";
    return out;
}

SERVICE_STATE CStateFile::Parse(const std::string& strText) {
    SERVICE_STATE state;
    std::istringstream lines(strText);
    std::string strLine;
    while (std::getline(lines, strLine)) {
        std::istringstream fields(strLine);
        std::string strKind;
        fields >> strKind;
        if (strKind == "process") {
            long long pid = 0;
            unsigned long long uStart = 0;
            std::string strRest;
            if (fields >> pid >> uStart && !(fields >> strRest) && pid > 0 && pid <= 0x3FFFFFFF)
                state.processes.emplace_back(static_cast<pid_t>(pid), uStart);
        } else if (strKind == "mount") {
            std::string strEscaped, strRest, strDir;
            if (fields >> strEscaped && !(fields >> strRest) && Unescape(strEscaped, strDir) &&
                !strDir.empty() && strDir[0] == '/')
                state.mounts.push_back(strDir);
        }
    }
    return state;
}

SERVICE_STATE CStateFile::Load() const {
    std::ifstream in(m_strPath);
    if (!in)
        return {};
    std::stringstream ss;
    ss << in.rdbuf();
    return Parse(ss.str());
}

void CStateFile::NoteHeld(pid_t pid, std::uint64_t uStart) {
    m_Processes[pid] = uStart;
    Save();
}

void CStateFile::NoteReleased(pid_t pid) {
    if (m_Processes.erase(pid))
        Save();
}

void CStateFile::NoteMount(const std::string& strDir) {
    m_Mounts.insert(strDir);
    Save();
}

void CStateFile::NoteUnmounted(const std::string& strDir) {
    auto it = m_Mounts.find(strDir);
    if (it != m_Mounts.end()) {
        m_Mounts.erase(it);
        Save();
    }
}

void CStateFile::Clear() {
    m_Processes.clear();
    m_Mounts.clear();
    Save();
}

void CStateFile::Save() {
    if (m_Processes.empty() && m_Mounts.empty()) {
        unlink(m_strPath.c_str());
        return;
    }
    SERVICE_STATE state;
    state.processes.assign(m_Processes.begin(), m_Processes.end());
    state.mounts.assign(m_Mounts.begin(), m_Mounts.end());
    const std::string strText = Format(state);
    // Written beside the record and renamed over it: a crash leaves either
    // the old record or the new one, never a mix.
    const std::string strTemp = m_strPath + ".new";
    int fd = open(strTemp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    bool bOk = write(fd, strText.data(), strText.size()) == static_cast<ssize_t>(strText.size());
    bOk = close(fd) == 0 && bOk;
    if (!bOk || rename(strTemp.c_str(), m_strPath.c_str()) != 0)
        unlink(strTemp.c_str());
}

} // namespace quorbel
