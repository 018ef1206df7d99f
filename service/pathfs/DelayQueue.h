// Runs jobs at their deadlines on a few threads of its own. A paced request
// is handed over here and answered when its bytes are earned, so the threads
// that serve the file system never sleep and other operations go on.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <queue>
#include <thread>
#include <vector>

namespace quorbel {

class CDelayQueue {
public:
    using Clock = std::chrono::steady_clock;

    explicit CDelayQueue(unsigned uThreads = 2);
    // Runs every job still waiting at once (each request gets its one
    // answer), then stops the threads.
    ~CDelayQueue();

    CDelayQueue(const CDelayQueue&) = delete;
    CDelayQueue& operator=(const CDelayQueue&) = delete;

    // Runs job on one of the queue's threads at deadline or soon after; jobs
    // with the same deadline run in the order they were posted.
    void Post(Clock::time_point deadline, std::function<void()> job);

private:
    struct ENTRY {
        Clock::time_point deadline;
        std::uint64_t uSeq;
        std::function<void()> job;
        bool operator>(const ENTRY& o) const {
            return deadline != o.deadline ? deadline > o.deadline : uSeq > o.uSeq;
        }
    };

    void Run();

    std::mutex m_Mutex;
    std::condition_variable m_Wake;
    std::priority_queue<ENTRY, std::vector<ENTRY>, std::greater<ENTRY>> m_Jobs;
    std::uint64_t m_uSeq = 0;
    bool m_bStop = false;
    std::vector<std::thread> m_Threads;
};

} // namespace quorbel
