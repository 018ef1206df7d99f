// The program's five user options and their file "./Options.xml" (relative
// to the working directory), written through the XML document layer.
#pragma once

#include "flowlib/FlowTypes.h"

#include <QString>
#include <cstdint>

inline constexpr const char* OPTIONS_FILE = "./Options.xml";
// The shortest refresh period the program runs with, milliseconds.
inline constexpr std::uint32_t MIN_FRESH_TIME = 1000;

struct APP_OPTIONS {
    BOOL bAutoRun = FALSE;      // started with the session (AutoRun.h)
    BOOL bLaunchInTray = FALSE; // start hidden behind the tray icon
    BOOL bShowReadChart = TRUE; // speed chart draws its read curve
    BOOL bShowWriteChart = TRUE;
    std::uint32_t uFreshTime = 1000; // refresh period, milliseconds, >= MIN_FRESH_TIME
};

// The process-wide options. While the window runs, the speed chart holds the
// two chart flags itself; uFreshTime here is the period the missions divide by.
extern APP_OPTIONS g_AppOptions;

// Reads "./Options.xml" into the five out-parameters. They start at their
// defaults (0, 0, 1, 1, 1000); an element that is missing or not a number
// reads as 0, except that a FreshTime below MIN_FRESH_TIME is taken as
// MIN_FRESH_TIME. Returns FALSE, with "Load xml failed" at level 8 and the
// defaults in place, when the file does not load.
BOOL LoadOptions(BOOL& bAutoRun, BOOL& bLaunchInTray, BOOL& bShowReadChart, BOOL& bShowWriteChart,
                 std::uint32_t& uFreshTime);
BOOL LoadOptions(APP_OPTIONS& options);

// Rewrites "./Options.xml" with the five values, each as "%d" (so a period
// above 2147483647 is stored negative and reads back as the same 32 bits).
// The file is replaced atomically: a failed write keeps the old file. Returns
// FALSE, with "CreateRoot failed" at level 8, when the document cannot be
// built.
BOOL SaveOptions(BOOL bAutoRun, BOOL bLaunchInTray, BOOL bShowReadChart, BOOL bShowWriteChart,
                 std::uint32_t uFreshTime);
BOOL SaveOptions(const APP_OPTIONS& options);

// The decimal reading of the option and mission files: leading white space,
// an optional sign, then digits up to the first other character; no digits
// gives 0. Values beyond 64 bits saturate.
std::int64_t ParseDecimal64(const QString& strText);
// The same for 32-bit fields, keeping the 32-bit pattern of values from
// -2147483648 to 4294967295 ("-1" gives 0xFFFFFFFF); values beyond saturate
// to 0x80000000 below and 0xFFFFFFFF above.
std::uint32_t ParseDecimal32(const QString& strText);
