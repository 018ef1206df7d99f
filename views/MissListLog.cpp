#include "views/MissListLog.h"

#include <cstdio>

void MissListLog(int nLevel, const QString& strLine) {
    if (qEnvironmentVariableIsSet("DRAVIK_TRACE"))
        std::fprintf(stderr, "[%d] %s\n", nLevel, qUtf8Printable(strLine));
}
