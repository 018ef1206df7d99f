// The programs running on the machine, by executable name, read from a
// /proc-style folder (a parameter, so a snapshot folder can stand in).
#pragma once

#include <QString>
#include <QStringList>

// Names in process-id order, one per process that has one (duplicates kept):
// the base name of the "exe" link (without the " (deleted)" mark of a
// replaced binary), or the "comm" text when the link cannot be read (another
// user's process). Kernel threads (no executable, empty command line) and
// names that cannot be a process target are left out. False when the folder
// cannot be read; names is then untouched.
bool ListProcessNames(const QString& strProcRoot, QStringList& names);
