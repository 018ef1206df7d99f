// The filter service "quorbeld": running when its device answers; started
// by running its program detached.
#pragma once

#include <string>

namespace flow {

// How long a start waits for the device to answer; VELQUIN_START_TIMEOUT_MS
// overrides.
inline constexpr int DEFAULT_START_TIMEOUT_MS = 5000;
inline constexpr char START_TIMEOUT_ENV[] = "VELQUIN_START_TIMEOUT_MS";

class CService {
public:
    CService(std::string strProgram, std::string strDevicePath)
        : m_strProgram(std::move(strProgram)), m_strDevicePath(std::move(strDevicePath)) {}

    // 0 with bRunning set, or the errno value of a probe that could not
    // tell (EACCES, for instance).
    int QueryStatus(bool& bRunning) const;

    // Runs "<program> --detach --device <path>" and waits, bounded, until
    // the device answers. 0 when the program ran and either the device
    // answered or the wait ran out (opening the device then reports why);
    // the errno value of a program that could not be run; EIO when it
    // exited with a failure before its device answered.
    int Start() const;

    const std::string& Program() const { return m_strProgram; }

private:
    std::string m_strProgram; // empty when only the running device is known
    std::string m_strDevicePath;
};

} // namespace flow
