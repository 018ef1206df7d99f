// Trace lines: the debugger output of this program. The XML layer and the
// diagnostic log report their own failures here, and every diagnostic-log
// line is copied here as well.
//
// A trace line goes to standard error while the environment variable
// DRAVIK_TRACE is set (to anything); otherwise it goes nowhere. Tests can
// observe trace lines through SetDbgTraceSink; the sink receives every line
// whether DRAVIK_TRACE is set or not, without
// its closing line feed.
//
//   DbgTrace("%d, %s.", -1, "CXDXml.SaveXml.Save XML File Failed.");
//
//   std::vector<QString> lines;
//   auto prev = SetDbgTraceSink([&](const QString& s) { lines.push_back(s); });
//   ...
//   SetDbgTraceSink(prev);
#pragma once

#include "comm/DbgFormat.h"

#include <QString>
#include <functional>

using DBG_TRACE_SINK = std::function<void(const QString& strLine)>;

// Installs a sink for trace lines and returns the previous one (empty when
// there was none). Passing an empty function removes the sink.
DBG_TRACE_SINK SetDbgTraceSink(DBG_TRACE_SINK sink);

// True while DRAVIK_TRACE is set (read at each call).
bool DbgTraceToStderr();
// True when a trace line would go anywhere (standard error or a sink), so
// callers can skip building one.
bool DbgTraceWanted();

// Writes one trace line as it stands (a line feed is added when it has none).
void DbgTraceText(const QString& strLine);

template <typename... Args> void DbgTrace(const char* pszFormat, const Args&... args) {
    DbgTraceText(DbgSprintf(pszFormat, args...));
}
