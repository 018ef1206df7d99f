// What the service reads from /proc about other processes: which exist, what
// they run, when they started (to tell a reused PID from the process it
// stood for) and how many bytes they moved to and from storage.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quorbel {

// Bytes a process caused to be read from or sent to storage (read_bytes and
// write_bytes of /proc/PID/io): the page cache does not count, every thread
// of the process does.
struct PROC_IO {
    std::uint64_t uReadBytes = 0;
    std::uint64_t uWriteBytes = 0;
};

// The pure readers of the files' texts, for tests with fixed samples.
bool ParseProcIo(const std::string& strText, PROC_IO& io);
// Field 22 of /proc/PID/stat (start time in clock ticks after boot). The
// command name in field 2 may hold blanks and parentheses of its own.
bool ParseStartTime(const std::string& strStat, std::uint64_t& uStart);
// The base name of an /proc/PID/exe link, without the " (deleted)" mark of
// a replaced executable; empty for an empty link.
std::string ExecutableBaseName(const std::string& strLink);

class CProcFs {
public:
    explicit CProcFs(std::string strRoot = "/proc");

    // Every numeric entry of the root; empty when it cannot be read.
    std::vector<pid_t> ListPids() const;
    // The executable's base name, else (kernel threads, an exe link that
    // cannot be read) the command name; false when the process is gone.
    bool ReadName(pid_t pid, std::string& strName) const;
    bool ReadStartTime(pid_t pid, std::uint64_t& uStart) const;
    bool ReadIo(pid_t pid, PROC_IO& io) const;
    // A descriptor of /proc/PID/io (-1 when the process is gone). It stays
    // bound to that very process: once it exits, reads fail, even when a
    // new process gets the same PID.
    int OpenIo(pid_t pid) const;
    static bool ReadIoFrom(int fd, PROC_IO& io);

private:
    bool ReadFile(const std::string& strPath, std::string& strText) const;
    std::string PidPath(pid_t pid, const char* pszEntry) const;

    std::string m_strRoot;
};

} // namespace quorbel
