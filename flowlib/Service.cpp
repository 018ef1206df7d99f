#include "flowlib/Service.h"

#include "flowlib/DeviceChannel.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace flow {

namespace {

using Clock = std::chrono::steady_clock;

int StartTimeoutMs() {
    if (const char* psz = std::getenv(START_TIMEOUT_ENV)) {
        char* end = nullptr;
        long n = std::strtol(psz, &end, 10);
        if (end != psz && *end == '\0' && n >= 0 && n <= 600 * 1000)
            return static_cast<int>(n);
    }
    return DEFAULT_START_TIMEOUT_MS;
}

bool IsStopped(int err) {
    return err == ENOENT || err == ECONNREFUSED;
}

} // namespace

int CService::QueryStatus(bool& bRunning) const {
    int err = CDeviceChannel::Probe(m_strDevicePath);
    bRunning = err == 0;
    return bRunning || IsStopped(err) ? 0 : err;
}

int CService::Start() const {
    if (m_strProgram.empty())
        return ENOENT;

    // Everything the child needs is built before fork: after it, only
    // async-signal-safe calls are allowed.
    std::vector<std::string> args{m_strProgram, "--detach", "--device", m_strDevicePath};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    // The child reports a failed exec through this pipe; a successful exec
    // closes it (close-on-exec) and the parent reads end of file.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return errno;
    pid_t pid = fork();
    if (pid < 0) {
        int err = errno;
        close(fds[0]);
        close(fds[1]);
        return err;
    }
    if (pid == 0) {
        // The service must not inherit the host program's descriptors or
        // its blocked signals.
        close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        execv(argv[0], argv.data());
        int err = errno;
        (void)!write(fds[1], &err, sizeof(err));
        _exit(127);
    }
    close(fds[1]);
    int nExecErr = 0;
    ssize_t n;
    do {
        n = read(fds[0], &nExecErr, sizeof(nExecErr));
    } while (n < 0 && errno == EINTR);
    close(fds[0]);
    if (n == static_cast<ssize_t>(sizeof(nExecErr))) {
        waitpid(pid, nullptr, 0);
        return nExecErr ? nExecErr : EIO;
    }

    // "--detach" returns once the service runs on its own; the device may
    // come up a moment later, so poll it until it answers or time is up.
    // The program itself is waited for too, so it never lingers as a
    // zombie of the host process.
    bool bReaped = false;
    bool bAnswered = false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(StartTimeoutMs());
    for (;;) {
        if (!bReaped) {
            int status = 0;
            pid_t r = waitpid(pid, &status, WNOHANG);
            if (r == pid) {
                bReaped = true;
                if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
                    return CDeviceChannel::Probe(m_strDevicePath) == 0 ? 0 : EIO;
            } else if (r < 0 && errno != EINTR) {
                bReaped = true; // reaped elsewhere (SIGCHLD ignored by the host)
            }
        }
        if (!bAnswered)
            bAnswered = CDeviceChannel::Probe(m_strDevicePath) == 0;
        if ((bAnswered && bReaped) || Clock::now() >= deadline)
            return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(bAnswered ? 5 : 20));
    }
}

} // namespace flow
