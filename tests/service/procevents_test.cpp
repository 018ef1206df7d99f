// The kernel's process events as the service reads them: a fork and the
// exec that follows are reported for the new process, threads are not, and
// nothing is read once the service stops listening.
#include "service/proc/ProcEvents.h"
#include "tests/service/ServiceHarness.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>
#include <vector>

using namespace svctest;
using quorbel::CProcEvents;

namespace {

struct EVENT {
    CProcEvents::Kind kind;
    pid_t pid;
};

// Events until pred holds for what was read, or the time is up.
template <class Pred> std::vector<EVENT> ReadUntil(CProcEvents& events, Pred pred, int iTimeoutMs) {
    std::vector<EVENT> seen;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(iTimeoutMs);
    while (!pred(seen) && std::chrono::steady_clock::now() < deadline) {
        pollfd p{events.Fd(), POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        const bool bComplete = events.Drain([&](CProcEvents::Kind kind, pid_t pid) {
            seen.push_back({kind, pid});
        });
        EXPECT_TRUE(bComplete);
    }
    return seen;
}

bool Has(const std::vector<EVENT>& seen, CProcEvents::Kind kind, pid_t pid) {
    for (const EVENT& e : seen)
        if (e.kind == kind && e.pid == pid)
            return true;
    return false;
}

} // namespace

TEST(ProcEvents, ANewProcessIsReportedAtItsForkAndItsExec) {
    if (geteuid() != 0)
        GTEST_SKIP() << "process events need root";
    CProcEvents events;
    ASSERT_EQ(events.Open(), 0);
    EXPECT_EQ(events.Open(), 0) << "a second open is harmless";

    const pid_t child = fork();
    if (child == 0) {
        execl("/bin/true", "true", nullptr);
        _exit(127);
    }
    const auto seen = ReadUntil(
        events,
        [&](const std::vector<EVENT>& s) {
            return Has(s, CProcEvents::Kind::Fork, child) && Has(s, CProcEvents::Kind::Exec, child);
        },
        5000);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(Has(seen, CProcEvents::Kind::Fork, child));
    EXPECT_TRUE(Has(seen, CProcEvents::Kind::Exec, child));
}

TEST(ProcEvents, ThreadsAreNoNewProcesses) {
    if (geteuid() != 0)
        GTEST_SKIP() << "process events need root";
    CProcEvents events;
    ASSERT_EQ(events.Open(), 0);
    pid_t tid = 0;
    std::thread([&] { tid = gettid(); }).join();
    // A process started afterwards shows that the thread's events were read.
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    const auto seen = ReadUntil(
        events, [&](const std::vector<EVENT>& s) { return Has(s, CProcEvents::Kind::Fork, child); },
        5000);
    waitpid(child, nullptr, 0);
    ASSERT_TRUE(Has(seen, CProcEvents::Kind::Fork, child));
    EXPECT_FALSE(Has(seen, CProcEvents::Kind::Fork, tid));
    EXPECT_FALSE(Has(seen, CProcEvents::Kind::Fork, getpid()));
}

TEST(ProcEvents, AClosedSourceReadsNothing) {
    CProcEvents events;
    EXPECT_FALSE(events.IsOpen());
    EXPECT_TRUE(events.Drain([](CProcEvents::Kind, pid_t) { ADD_FAILURE(); }));
    if (geteuid() != 0)
        GTEST_SKIP() << "process events need root";
    ASSERT_EQ(events.Open(), 0);
    events.Close();
    EXPECT_FALSE(events.IsOpen());
    EXPECT_EQ(events.Fd(), -1);
}
