// The mission list's diagnostic lines.
#pragma once

#include <QString>

// One line to the diagnostic log at the given level (4 information, 8 error).
void MissListLog(int nLevel, const QString& strLine);
