// A stand-in for libvelquin.so with the same entry points, built once per
// variant: each OMIT_* leaves one entry point out, INIT_RESULT sets what
// the initialisation returns. StubInitCalls tells a test how often the
// program initialised it.
#include "flowlib/FlowTypes.h"

#define STUB_EXPORT extern "C" __attribute__((visibility("default")))

#ifndef INIT_RESULT
#define INIT_RESULT TRUE
#endif

namespace {
int g_nInitCalls = 0;
}

STUB_EXPORT int StubInitCalls() {
    return g_nInitCalls;
}

#ifndef OMIT_INIT
STUB_EXPORT BOOL VelquinInit() {
    ++g_nInitCalls;
    return INIT_RESULT;
}
#endif

#ifndef OMIT_UNINIT
STUB_EXPORT BOOL VelquinUnInit() {
    return TRUE;
}
#endif

#ifndef OMIT_ADD_MISSION
STUB_EXPORT BOOL VelquinAddMission(FLOW_MISSION) {
    return TRUE;
}
#endif

#ifndef OMIT_REMOVE_MISSION
STUB_EXPORT BOOL VelquinRemoveMission(std::u16string) {
    return TRUE;
}
#endif

#ifndef OMIT_GET_LOG
STUB_EXPORT BOOL VelquinGetLog(FLOW_LOG*, std::uint32_t, std::uint32_t* puCount) {
    *puCount = 0;
    return TRUE;
}
#endif
