#include "service/pathfs/DelayQueue.h"

namespace quorbel {

CDelayQueue::CDelayQueue(unsigned uThreads) {
    if (uThreads == 0)
        uThreads = 1;
    for (unsigned i = 0; i < uThreads; ++i)
        m_Threads.emplace_back([this] { Run(); });
}

CDelayQueue::~CDelayQueue() {
    {
        std::lock_guard lock(m_Mutex);
        m_bStop = true;
    }
    m_Wake.notify_all();
    for (std::thread& t : m_Threads)
        t.join();
}

void CDelayQueue::Post(Clock::time_point deadline, std::function<void()> job) {
    {
        std::lock_guard lock(m_Mutex);
        m_Jobs.push(ENTRY{deadline, m_uSeq++, std::move(job)});
    }
    // Every thread may be waiting for a later deadline than this one.
    m_Wake.notify_all();
}

void CDelayQueue::Run() {
    std::unique_lock lock(m_Mutex);
    while (true) {
        if (m_Jobs.empty()) {
            if (m_bStop)
                return;
            m_Wake.wait(lock);
            continue;
        }
        const Clock::time_point deadline = m_Jobs.top().deadline;
        if (!m_bStop && Clock::now() < deadline) {
            m_Wake.wait_until(lock, deadline);
            continue;
        }
        std::function<void()> job = std::move(const_cast<ENTRY&>(m_Jobs.top()).job);
        m_Jobs.pop();
        lock.unlock();
        job();
        lock.lock();
    }
}

} // namespace quorbel
