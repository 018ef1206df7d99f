#include "service/daemon/ServiceLog.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace quorbel {

namespace {

std::atomic<bool> g_bTrace{false};

void Write(const char* pszFormat, va_list args) {
    char line[1024];
    std::vsnprintf(line, sizeof(line), pszFormat, args);
    // One write per line, so lines of several threads never interleave.
    std::fprintf(stderr, "quorbeld: %s\n", line);
}

} // namespace

void SetServiceTrace(bool bOn) {
    g_bTrace = bOn;
}
bool ServiceTraceOn() {
    return g_bTrace;
}

void ServiceNotice(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    Write(pszFormat, args);
    va_end(args);
}

void ServiceTrace(const char* pszFormat, ...) {
    if (!g_bTrace)
        return;
    va_list args;
    va_start(args, pszFormat);
    Write(pszFormat, args);
    va_end(args);
}

} // namespace quorbel
