// Holds one path mount for the service benchmark: mounts a directory over
// itself with the given limits, says "ready", serves until its standard
// input closes (or it gets SIGTERM/SIGINT), then unmounts and prints what
// the meter counted.
//
//   quorbel_bench_mount DIR READ_BYTES_PER_S WRITE_BYTES_PER_S
//   (a speed of "none" means no limit)
#include "service/pathfs/PathMount.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

using namespace quorbel;

namespace {

std::uint32_t ParseSpeed(const char* s) {
    if (std::strcmp(s, "none") == 0)
        return FLOW_NO_SPEED_LIMIT;
    return static_cast<std::uint32_t>(std::strtoul(s, nullptr, 10));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s DIR READ_BYTES_PER_S|none WRITE_BYTES_PER_S|none\n",
                     argv[0]);
        return 2;
    }
    METER_LIMITS limits;
    limits.uLimitReadSpeed = ParseSpeed(argv[2]);
    limits.uLimitWriteSpeed = ParseSpeed(argv[3]);
    auto meter = std::make_shared<CFlowMeter>(limits);
    int err = 0;
    auto mount = CPathMount::Mount(argv[1], meter, PATH_MOUNT_OPTIONS{}, err);
    if (!mount) {
        std::fprintf(stderr, "mount %s: %s\n", argv[1], std::strerror(err));
        return 1;
    }
    // Wait on stdin; a signal ends the wait as well.
    struct sigaction sa {};
    sa.sa_handler = [](int) {};
    sigaction(SIGTERM, &sa, nullptr); // no SA_RESTART: the read below ends
    sigaction(SIGINT, &sa, nullptr);
    std::printf("ready\n");
    std::fflush(stdout);
    char buf[64];
    while (read(STDIN_FILENO, buf, sizeof buf) > 0) {
    }
    const METER_LOG log = meter->TakeLog();
    const int rc = mount->Unmount(true);
    std::printf("read %lld written %lld unmount %s\n", static_cast<long long>(log.llAlreadyReads),
                static_cast<long long>(log.llAlreadyWrites), rc ? std::strerror(rc) : "ok");
    return rc ? 1 : 0;
}
