// Starting the program with every desktop session: the machine-wide XDG
// autostart entry "dravik.desktop".
#pragma once

#include "flowlib/FlowTypes.h"

#include <QString>

// Name of the environment variable that moves the autostart folder (tests
// point it at a temporary folder). Unset or empty: /etc/xdg/autostart.
inline constexpr const char* AUTORUN_DIR_ENV = "DRAVIK_AUTOSTART_DIR";
inline constexpr const char* AUTORUN_DEFAULT_DIR = "/etc/xdg/autostart";
inline constexpr const char* AUTORUN_FILE_NAME = "dravik.desktop";

// Full path of the autostart entry, honouring DRAVIK_AUTOSTART_DIR.
QString AutoRunEntryPath();

// bOn: writes the entry (atomically, creating the folder if needed) so that
// it starts this program's executable; it is written again on every call.
// Otherwise deletes it; a failed deletion, a missing entry included, logs
// "RegDeleteValue fail [%d]" with the errno value at level 15 (2 when there
// was none). When the executable's path cannot be found, logs
// "GetModuleFileName failed (%d)" at level 15 and touches nothing. Returns
// TRUE when the entry is now as asked (a missing entry counts as removed),
// FALSE otherwise.
BOOL SetAutoRun(BOOL bOn);
