// Records and entry-point types shared by the program and libvelquin.so.
// This header is the whole interface between the two deliverables: it must
// stay free of Qt and of anything else that only one side links.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#ifndef BOOL
typedef std::int32_t BOOL;
#endif
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Limit values understood by both sides.
inline constexpr std::uint32_t FLOW_NO_SPEED_LIMIT = 0xFFFFFFFFu;
inline constexpr std::int64_t FLOW_NO_TOTAL_LIMIT = 0x0FFFFFFF00000000LL;

enum : std::uint32_t {
    FLOW_MODE_PROCESS = 1,
    FLOW_MODE_PATH = 2,
};

// One mission as handed to VelquinAddMission, by value.
struct FLOW_MISSION {
    std::u16string strTargetName;
    std::uint32_t uMode = 0;
    std::uint32_t uLimitReadSpeed = FLOW_NO_SPEED_LIMIT;
    std::uint32_t uLimitWriteSpeed = FLOW_NO_SPEED_LIMIT;
    std::int64_t llLimitTotalReads = FLOW_NO_TOTAL_LIMIT;
    std::int64_t llLimitTotalWrites = FLOW_NO_TOTAL_LIMIT;
    std::int64_t llAlreadyReads = 0;
    std::int64_t llAlreadyWrites = 0;
    std::int64_t llDriverParam = 500;
};

// Per-mission statistics record written by the driver: packed, 84 bytes.
inline constexpr std::size_t FLOW_LOG_NAME_CHARS = 30;

#pragma pack(push, 1)
struct FLOW_LOG {
    char16_t szTargetName[FLOW_LOG_NAME_CHARS];
    std::uint32_t uReadBytes;
    std::uint32_t uWriteBytes;
    std::int64_t llAlreadyReads;
    std::int64_t llAlreadyWrites;
};
#pragma pack(pop)

static_assert(sizeof(FLOW_LOG) == 84, "FLOW_LOG is an 84-byte wire record");
static_assert(offsetof(FLOW_LOG, uReadBytes) == 60);
static_assert(offsetof(FLOW_LOG, uWriteBytes) == 64);
static_assert(offsetof(FLOW_LOG, llAlreadyReads) == 68);
static_assert(offsetof(FLOW_LOG, llAlreadyWrites) == 76);

// Entry points, resolved by name with dlsym.
typedef BOOL (*LPFLOW_INIT)();
typedef BOOL (*LPFLOW_UNINIT)();
typedef BOOL (*LPFLOW_ADD_MISSION)(FLOW_MISSION mission);
typedef BOOL (*LPFLOW_REMOVE_MISSION)(std::u16string strTargetName);
typedef BOOL (*LPGFLOW_GET_LOG)(FLOW_LOG* pLogs, std::uint32_t uCapacity, std::uint32_t* puCount);

// The library's file name on this platform and the names of its exports.
#define FLOW_LIBRARY_NAME "libvelquin.so"
#define FLOW_EXPORT_INIT "VelquinInit"
#define FLOW_EXPORT_UNINIT "VelquinUnInit"
#define FLOW_EXPORT_ADD_MISSION "VelquinAddMission"
#define FLOW_EXPORT_REMOVE_MISSION "VelquinRemoveMission"
#define FLOW_EXPORT_GET_LOG "VelquinGetLog"
