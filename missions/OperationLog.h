// Where mission events are shown to the user. The main window installs its
// operation-log view here; until one is installed the lines go only to the
// diagnostic log.
#pragma once

#include <QString>

class COperationLog {
public:
    virtual ~COperationLog() = default;
    // Appends one event line; the view stamps it with its own time.
    virtual void AddLine(const QString& strLine) = 0;

    // Installs the process-wide operation log (nullptr removes it) and
    // returns the previous one. Not owned.
    static COperationLog* Install(COperationLog* pLog);
    static COperationLog* Current();
};
