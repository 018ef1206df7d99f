// What a service does first when it starts: undo what an earlier run that
// died left behind (its mounts, lazily, and the processes it held stopped),
// as its state record lists them.
#pragma once

#include "service/daemon/StateFile.h"

namespace quorbel {

class CProcFs;

struct RECOVERY_RESULT {
    int iUnmounted = 0;
    int iContinued = 0;
};

// Continues every listed process that is still the same process (same start
// time) and lazily unmounts every listed folder that still carries one of
// the service's mounts. Folders that carry none are left alone.
RECOVERY_RESULT RecoverLeftovers(const SERVICE_STATE& state, const CProcFs& procFs);

} // namespace quorbel
