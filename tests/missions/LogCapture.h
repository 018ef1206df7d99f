// The diagnostic lines logged during a test (levels 8 and 15; level 4 is
// below the log's threshold and never seen).
#pragma once

#include "comm/DbgLogCapture.h"

class CLogCapture : public CDbgLogCapture {
public:
    // A line of exactly this level whose message contains strPart.
    bool Has(std::uint32_t nLevel, const QString& strPart) const {
        return Contains(nLevel, strPart);
    }
    int Count(std::uint32_t nLevel, const QString& strPart) const {
        int n = 0;
        for (const LINE& line : Lines())
            n += line.nLevel == nLevel && line.strMessage.contains(strPart);
        return n;
    }
};
