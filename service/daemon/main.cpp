// quorbeld: the filter service. Runs in the foreground (tests, systemd) or,
// with --detach, on its own once its device answers (as the library starts
// it).
#include "flowlib/DeviceProtocol.h"
#include "service/daemon/QuorbelService.h"
#include "service/daemon/ServiceLog.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kGroupEnv[] = "QUORBEL_GROUP";
constexpr char kTraceEnv[] = "QUORBEL_TRACE";

void Usage(FILE* out) {
    std::fprintf(out,
                 "Usage: quorbeld [--detach] [--device PATH] [--group NAME] [--state-dir DIR]\n"
                 "                [--verbose]\n"
                 "Limits how fast and how much programs read and write, as the missions\n"
                 "given on its control device say.\n"
                 "  --detach         run in the background once the device answers\n"
                 "  --device PATH    the device socket (default %s, or $%s)\n"
                 "  --group NAME     members of this group may use the device besides root\n"
                 "                   (or $%s)\n"
                 "  --state-dir DIR  where the record of mounts and held processes is kept\n"
                 "                   (default %s, or $%s)\n"
                 "  --verbose        trace every request to standard error (or $%s)\n",
                 flow::DEFAULT_DEVICE_PATH, flow::DEVICE_PATH_ENV, kGroupEnv,
                 quorbel::DEFAULT_STATE_DIR, quorbel::STATE_DIR_ENV, kTraceEnv);
}

std::string FromEnv(const char* pszName, const char* pszDefault) {
    const char* psz = std::getenv(pszName);
    return psz != nullptr && *psz != '\0' ? std::string(psz) : std::string(pszDefault);
}

bool ResolveGroup(const std::string& strGroup, gid_t& gid) {
    if (group* g = getgrnam(strGroup.c_str())) {
        gid = g->gr_gid;
        return true;
    }
    char* end = nullptr;
    unsigned long v = std::strtoul(strGroup.c_str(), &end, 10);
    if (!strGroup.empty() && *end == '\0' && v < 0xFFFFFFFFul) {
        gid = static_cast<gid_t>(v);
        return true;
    }
    return false;
}

// Forks twice so the service is nobody's child and has no terminal; the
// first process waits until the service reports that its device answers
// (or why it could not) and exits with that outcome.
int Detach(int& iReadyFd) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return errno;
    pid_t pid = fork();
    if (pid < 0)
        return errno;
    if (pid > 0) {
        close(fds[1]);
        int iStatus = 1;
        ssize_t n;
        do {
            n = read(fds[0], &iStatus, sizeof(iStatus));
        } while (n < 0 && errno == EINTR);
        _exit(n == static_cast<ssize_t>(sizeof(iStatus)) && iStatus == 0 ? 0 : 1);
    }
    close(fds[0]);
    setsid();
    pid = fork();
    if (pid < 0)
        _exit(1);
    if (pid > 0)
        _exit(0);
    if (chdir("/") != 0) {
        // Nothing relies on the working folder; stay where we are.
    }
    umask(022);
    int fdNull = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (fdNull >= 0) {
        dup2(fdNull, STDIN_FILENO);
        dup2(fdNull, STDOUT_FILENO);
        dup2(fdNull, STDERR_FILENO);
        if (fdNull > STDERR_FILENO)
            close(fdNull);
    }
    iReadyFd = fds[1];
    return 0;
}

void ReportReady(int& iReadyFd, int iStatus) {
    if (iReadyFd < 0)
        return;
    (void)!write(iReadyFd, &iStatus, sizeof(iStatus));
    close(iReadyFd);
    iReadyFd = -1;
}

} // namespace

int main(int argc, char** argv) {
    quorbel::SERVICE_OPTIONS options;
    options.strDevice = FromEnv(flow::DEVICE_PATH_ENV, flow::DEFAULT_DEVICE_PATH);
    options.strStateDir = FromEnv(quorbel::STATE_DIR_ENV, quorbel::DEFAULT_STATE_DIR);
    std::string strGroup = FromEnv(kGroupEnv, "");
    bool bDetach = false;
    quorbel::SetServiceTrace(!FromEnv(kTraceEnv, "").empty());

    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        auto value = [&](std::string& strOut) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                std::fprintf(stderr, "quorbeld: %s needs a value\n", strArg.c_str());
                std::exit(2);
            }
            strOut = argv[++i];
        };
        if (strArg == "--detach")
            bDetach = true;
        else if (strArg == "--device")
            value(options.strDevice);
        else if (strArg == "--group")
            value(strGroup);
        else if (strArg == "--state-dir")
            value(options.strStateDir);
        else if (strArg == "--verbose")
            quorbel::SetServiceTrace(true);
        else if (strArg == "--help" || strArg == "-h") {
            Usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "quorbeld: unknown argument %s\n", strArg.c_str());
            Usage(stderr);
            return 2;
        }
    }
    if (!strGroup.empty()) {
        if (!ResolveGroup(strGroup, options.policy.gid)) {
            std::fprintf(stderr, "quorbeld: no group named %s\n", strGroup.c_str());
            return 2;
        }
        options.policy.bGroup = true;
    }
    if (geteuid() != 0)
        quorbel::ServiceNotice("not running as root: path missions cannot be mounted");

    int iReadyFd = -1;
    if (bDetach) {
        if (int err = Detach(iReadyFd)) {
            std::fprintf(stderr, "quorbeld: cannot detach: %s\n", std::strerror(err));
            return 1;
        }
    }
    // Before any thread exists (mounts start their own).
    quorbel::CQuorbelService::BlockSignals();
    quorbel::CQuorbelService service(options);
    if (service.Start() != 0) {
        ReportReady(iReadyFd, 1);
        return 1;
    }
    ReportReady(iReadyFd, 0);
    return service.Run();
}
