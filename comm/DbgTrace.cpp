#include "comm/DbgTrace.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

// Plain pointers with constant initialisation: trace lines may be written
// during static initialisation and destruction, when a std::function object
// might not exist yet or any more.
constinit DBG_TRACE_SINK* s_pSink = nullptr;

std::recursive_mutex& SinkLock() {
    // Never destroyed, so it outlives every static object that traces.
    static std::recursive_mutex* pLock = new std::recursive_mutex;
    return *pLock;
}

} // namespace

DBG_TRACE_SINK SetDbgTraceSink(DBG_TRACE_SINK sink) {
    std::lock_guard<std::recursive_mutex> guard(SinkLock());
    DBG_TRACE_SINK previous;
    if (s_pSink) {
        previous = std::move(*s_pSink);
        delete s_pSink;
        s_pSink = nullptr;
    }
    if (sink)
        s_pSink = new DBG_TRACE_SINK(std::move(sink));
    return previous;
}

bool DbgTraceToStderr() {
    return std::getenv("DRAVIK_TRACE") != nullptr;
}

bool DbgTraceWanted() {
    if (DbgTraceToStderr())
        return true;
    std::lock_guard<std::recursive_mutex> guard(SinkLock());
    return s_pSink != nullptr;
}

void DbgTraceText(const QString& strLine) {
    if (DbgTraceToStderr()) {
        QByteArray utf8 = strLine.toUtf8();
        if (!utf8.endsWith('\n'))
            utf8.append('\n');
        std::fwrite(utf8.constData(), 1, static_cast<std::size_t>(utf8.size()), stderr);
        std::fflush(stderr);
    }
    std::lock_guard<std::recursive_mutex> guard(SinkLock());
    if (s_pSink) {
        QString strBare = strLine;
        while (strBare.endsWith(u'\n'))
            strBare.chop(1);
        (*s_pSink)(strBare);
    }
}
