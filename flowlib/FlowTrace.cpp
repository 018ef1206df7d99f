#include "flowlib/FlowTrace.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace flow {

void Trace(const char* pszFormat, ...) {
    const char* pszTarget = std::getenv(TRACE_ENV);
    if (!pszTarget)
        return;
    int nSavedErrno = errno;

    va_list args;
    va_start(args, pszFormat);
    va_list copy;
    va_copy(copy, args);
    int nLen = std::vsnprintf(nullptr, 0, pszFormat, copy);
    va_end(copy);
    std::string strLine;
    if (nLen > 0) {
        strLine.resize(static_cast<std::size_t>(nLen) + 1);
        std::vsnprintf(strLine.data(), strLine.size(), pszFormat, args);
        strLine.resize(static_cast<std::size_t>(nLen));
    }
    va_end(args);
    if (strLine.empty() || strLine.back() != '\n')
        strLine.push_back('\n');

    // One write per line, so lines of several processes appending to one
    // file never interleave.
    if (pszTarget[0] == '/') {
        int fd = open(pszTarget, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd >= 0) {
            (void)!write(fd, strLine.data(), strLine.size());
            close(fd);
        }
    } else {
        (void)!write(STDERR_FILENO, strLine.data(), strLine.size());
    }
    errno = nSavedErrno;
}

} // namespace flow
