// printf-style formatting of diagnostic lines into a fixed UTF-16 buffer,
// with the arguments captured as CDbgArg.
//
// Conversions: %d %i %u %x %X %o %c %C %s %S %p %f %e %g %% with flags
// (- + blank 0 #), width, precision and the length prefixes hh h l ll I32
// I64 j z t L. The prefix sets the width of an integer: none and l mean 32
// bits (the width of int and long on the platform the formats were written
// for), hh 8, h 16, ll/I64/j/z/t 64; a wider argument without a prefix is
// printed at its own width rather than cut. The conversion sets the
// signedness, as printf does ("%d" of 0xFFFFFFFF prints -1).
// %s and %S print any string argument; %c and %C print a character code.
// A conversion that does not match its argument prints the argument as it
// is; a missing argument prints nothing; an unknown conversion is copied.
//
// The output never runs past the buffer: what does not fit is cut, and a cut
// never splits a surrogate pair.
#pragma once

#include "comm/DbgArg.h"

#include <QString>
#include <cstddef>

struct DBG_FORMAT_RESULT {
    std::size_t nLength; // units written (no terminator is written)
    bool bTruncated;     // something did not fit
};

// Formats into pBuffer[0 .. nCapacity).
DBG_FORMAT_RESULT DbgFormat(char16_t* pBuffer, std::size_t nCapacity, const char* pszFormat,
                            const CDbgArg* pArgs, std::size_t nArgs);

// Convenience for callers that want a string (trace lines, tests).
QString DbgFormatString(const char* pszFormat, const CDbgArg* pArgs, std::size_t nArgs);

template <typename... Args> QString DbgSprintf(const char* pszFormat, const Args&... args) {
    if constexpr (sizeof...(Args) == 0) {
        return DbgFormatString(pszFormat, nullptr, 0);
    } else {
        const CDbgArg argv[] = {CDbgArg(args)...};
        return DbgFormatString(pszFormat, argv, sizeof...(Args));
    }
}
