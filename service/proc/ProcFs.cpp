#include "service/proc/ProcFs.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace quorbel {

namespace {

bool ParseDecimal(const char* psz, const char* pszEnd, std::uint64_t& uValue) {
    if (psz == pszEnd)
        return false;
    std::uint64_t v = 0;
    for (; psz != pszEnd; ++psz) {
        if (*psz < '0' || *psz > '9')
            return false;
        std::uint64_t digit = static_cast<std::uint64_t>(*psz - '0');
        if (v > (UINT64_MAX - digit) / 10)
            return false;
        v = v * 10 + digit;
    }
    uValue = v;
    return true;
}

} // namespace

bool ParseProcIo(const std::string& strText, PROC_IO& io) {
    bool bRead = false, bWrite = false;
    PROC_IO result;
    std::size_t pos = 0;
    while (pos < strText.size()) {
        std::size_t eol = strText.find('\n', pos);
        if (eol == std::string::npos)
            eol = strText.size();
        std::size_t colon = strText.find(':', pos);
        if (colon != std::string::npos && colon < eol) {
            std::string strKey = strText.substr(pos, colon - pos);
            const char* p = strText.data() + colon + 1;
            const char* pEnd = strText.data() + eol;
            while (p != pEnd && *p == ' ')
                ++p;
            std::uint64_t v = 0;
            if (strKey == "read_bytes") {
                if (!ParseDecimal(p, pEnd, v))
                    return false;
                result.uReadBytes = v;
                bRead = true;
            } else if (strKey == "write_bytes") {
                if (!ParseDecimal(p, pEnd, v))
                    return false;
                result.uWriteBytes = v;
                bWrite = true;
            }
        }
        pos = eol + 1;
    }
    if (!bRead || !bWrite)
        return false;
    io = result;
    return true;
}

bool ParseStartTime(const std::string& strStat, std::uint64_t& uStart) {
    // The command name ends at the last ')'; fields 3.. follow, blank-separated.
    std::size_t paren = strStat.rfind(')');
    if (paren == std::string::npos)
        return false;
    std::size_t pos = paren + 1;
    for (int field = 3; field <= 22; ++field) {
        while (pos < strStat.size() && strStat[pos] == ' ')
            ++pos;
        std::size_t end = strStat.find_first_of(" \n", pos);
        if (end == std::string::npos)
            end = strStat.size();
        if (end == pos)
            return false;
        if (field == 22)
            return ParseDecimal(strStat.data() + pos, strStat.data() + end, uStart);
        pos = end;
    }
    return false;
}

std::string ExecutableBaseName(const std::string& strLink) {
    std::string str = strLink;
    static const char kDeleted[] = " (deleted)";
    const std::size_t uDeleted = sizeof(kDeleted) - 1;
    if (str.size() > uDeleted && str.compare(str.size() - uDeleted, uDeleted, kDeleted) == 0)
        str.resize(str.size() - uDeleted);
    std::size_t slash = str.rfind('/');
    return slash == std::string::npos ? str : str.substr(slash + 1);
}

CProcFs::CProcFs(std::string strRoot) : m_strRoot(std::move(strRoot)) {}

std::string CProcFs::PidPath(pid_t pid, const char* pszEntry) const {
    return m_strRoot + "/" + std::to_string(pid) + "/" + pszEntry;
}

bool CProcFs::ReadFile(const std::string& strPath, std::string& strText) const {
    int fd = open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::string str;
    char buf[1024];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof(buf));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            close(fd);
            return false;
        }
        if (n == 0)
            break;
        str.append(buf, static_cast<std::size_t>(n));
        if (str.size() > 64 * 1024)
            break; // nothing we read is this long
    }
    close(fd);
    strText = std::move(str);
    return true;
}

std::vector<pid_t> CProcFs::ListPids() const {
    std::vector<pid_t> pids;
    DIR* dir = opendir(m_strRoot.c_str());
    if (dir == nullptr)
        return pids;
    while (dirent* entry = readdir(dir)) {
        std::uint64_t v = 0;
        const char* psz = entry->d_name;
        if (ParseDecimal(psz, psz + std::strlen(psz), v) && v > 0 && v <= 0x3FFFFFFF)
            pids.push_back(static_cast<pid_t>(v));
    }
    closedir(dir);
    return pids;
}

bool CProcFs::ReadName(pid_t pid, std::string& strName) const {
    char buf[4096];
    ssize_t n = readlink(PidPath(pid, "exe").c_str(), buf, sizeof(buf));
    if (n > 0) {
        strName = ExecutableBaseName(std::string(buf, static_cast<std::size_t>(n)));
        if (!strName.empty())
            return true;
    }
    std::string strComm;
    if (!ReadFile(PidPath(pid, "comm"), strComm))
        return false;
    if (!strComm.empty() && strComm.back() == '\n')
        strComm.pop_back();
    strName = std::move(strComm);
    return true;
}

bool CProcFs::ReadStartTime(pid_t pid, std::uint64_t& uStart) const {
    std::string str;
    return ReadFile(PidPath(pid, "stat"), str) && ParseStartTime(str, uStart);
}

bool CProcFs::ReadIo(pid_t pid, PROC_IO& io) const {
    std::string str;
    return ReadFile(PidPath(pid, "io"), str) && ParseProcIo(str, io);
}

int CProcFs::OpenIo(pid_t pid) const {
    return open(PidPath(pid, "io").c_str(), O_RDONLY | O_CLOEXEC);
}

bool CProcFs::ReadIoFrom(int fd, PROC_IO& io) {
    char buf[1024];
    ssize_t n;
    do {
        n = pread(fd, buf, sizeof(buf) - 1, 0);
    } while (n < 0 && errno == EINTR);
    if (n <= 0)
        return false;
    return ParseProcIo(std::string(buf, static_cast<std::size_t>(n)), io);
}

} // namespace quorbel
