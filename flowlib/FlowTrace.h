// Trace lines of the library: its only voice besides the results of its
// entry points. Nothing is written unless VELQUIN_TRACE is set:
//   VELQUIN_TRACE=1 (or any value not starting with '/')  -> standard error
//   VELQUIN_TRACE=/abs/path                               -> appended to that file
// Each call is one line; a line feed is added when the text has none.
#pragma once

namespace flow {

inline constexpr char TRACE_ENV[] = "VELQUIN_TRACE";

void Trace(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));

} // namespace flow
