// The service's small record of what it must undo should it die: processes
// it may hold stopped and the folders it mounted over. Kept in a state
// folder (default /run/quorbel, $QUORBEL_STATE_DIR), rewritten whole through
// a temporary file and a rename, so a crash never leaves half a record.
//
// The folder also holds the lock that lets only one service use the record.
#pragma once

#include "service/proc/StopLedger.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace quorbel {

inline constexpr char DEFAULT_STATE_DIR[] = "/run/quorbel";
inline constexpr char STATE_DIR_ENV[] = "QUORBEL_STATE_DIR";

struct SERVICE_STATE {
    std::vector<std::pair<pid_t, std::uint64_t>> processes; // PID and start time
    std::vector<std::string> mounts;
};

class CStateFile : public IStopLedger {
public:
    explicit CStateFile(std::string strDir);
    ~CStateFile() override;

    CStateFile(const CStateFile&) = delete;
    CStateFile& operator=(const CStateFile&) = delete;

    // Creates the folder when missing and takes its lock; EWOULDBLOCK when
    // another service holds it. Returns 0 or an errno value.
    int Lock();

    // What the record holds now (what a previous run left behind, before
    // this run writes anything). Unreadable lines are skipped.
    SERVICE_STATE Load() const;

    void NoteHeld(pid_t pid, std::uint64_t uStart) override;
    void NoteReleased(pid_t pid) override;
    void NoteMount(const std::string& strDir);
    void NoteUnmounted(const std::string& strDir);
    // Forgets everything (after recovery, and at a clean shutdown).
    void Clear();

    const std::string& Path() const { return m_strPath; }

    // Line format, on their own for tests.
    static std::string Format(const SERVICE_STATE& state);
    static SERVICE_STATE Parse(const std::string& strText);

private:
    void Save();

    std::string m_strDir;
    std::string m_strPath;
    int m_iLock = -1;
    std::map<pid_t, std::uint64_t> m_Processes;
    std::multiset<std::string> m_Mounts;
};

} // namespace quorbel
