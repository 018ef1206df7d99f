// A stand-in for the service program, started by the library under test.
// Understands the service's command line (--detach, --device PATH) and is
// steered by the environment:
//   FAKE_QUORBELD_LOG=file      append the command line to the file
//   FAKE_QUORBELD_EXIT=n        exit at once with status n
//   FAKE_QUORBELD_DELAY_MS=n    wait before the device appears
//   FAKE_QUORBELD_NO_DEVICE=1   never create the device
// The device answers every request with success. The detached server ends
// when its socket file disappears (the test's folder is removed) or after
// a minute.
#include "tests/support/FakeDriver.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

int main(int argc, char** argv) {
    bool bDetach = false;
    const char* pszEnvDevice = std::getenv("QUORBEL_DEVICE");
    std::string strDevice = pszEnvDevice ? pszEnvDevice : "/run/quorbel/device";
    std::string strLine;
    for (int i = 1; i < argc; ++i) {
        strLine += (i > 1 ? " " : "") + std::string(argv[i]);
        if (!std::strcmp(argv[i], "--detach"))
            bDetach = true;
        else if (!std::strcmp(argv[i], "--device") && i + 1 < argc)
            strDevice = argv[i + 1];
    }
    if (const char* pszLog = std::getenv("FAKE_QUORBELD_LOG"))
        std::ofstream(pszLog, std::ios::app) << strLine << "\n";
    if (const char* pszExit = std::getenv("FAKE_QUORBELD_EXIT"))
        return std::atoi(pszExit);

    // Like the real service, the detaching process stays until the device
    // answers, and a little longer; with FAKE_QUORBELD_DELAY_MS it leaves at
    // once and the device comes up later.
    const char* pszDelay = std::getenv("FAKE_QUORBELD_DELAY_MS");
    int ready[2] = {-1, -1};
    if (bDetach) {
        if (pipe(ready) != 0)
            return 1;
        pid_t pid = fork();
        if (pid < 0)
            return 1;
        if (pid > 0) {
            close(ready[1]);
            char c = 0;
            if (!pszDelay && read(ready[0], &c, 1) == 1)
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
            return 0;
        }
        close(ready[0]);
        setsid();
    }
    if (pszDelay)
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(pszDelay)));
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    if (std::getenv("FAKE_QUORBELD_NO_DEVICE")) {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        return 0;
    }
    CFakeDriver driver(strDevice);
    if (!driver.IsListening())
        return 1;
    if (ready[1] >= 0) {
        signal(SIGPIPE, SIG_IGN); // the detaching process may be gone already
        (void)!write(ready[1], "r", 1);
        close(ready[1]);
    }
    struct stat st {};
    while (std::chrono::steady_clock::now() < end && stat(strDevice.c_str(), &st) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return 0;
}
