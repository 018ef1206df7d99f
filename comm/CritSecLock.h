// The lock of the diagnostic log: recursive, so a thread that holds it may
// log again (an argument's evaluation or an observer may write a line).
// Constant-initialised, so it can be taken during static initialisation
// before any constructor of this program has run.
#pragma once

#include <mutex>

class CCritSecLock {
public:
    constexpr CCritSecLock() noexcept = default;
    CCritSecLock(const CCritSecLock&) = delete;
    CCritSecLock& operator=(const CCritSecLock&) = delete;

    void Lock() { m_Mutex.lock(); }
    void Unlock() { m_Mutex.unlock(); }

    // BasicLockable, so std::lock_guard and std::unique_lock work with it.
    void lock() { Lock(); }
    void unlock() { Unlock(); }

private:
    std::recursive_mutex m_Mutex;
};
