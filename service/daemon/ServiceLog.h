// The service's own lines on standard error (the journal under systemd).
// Notices always go out; traces of every request only while tracing is on
// (--verbose or $QUORBEL_TRACE).
#pragma once

namespace quorbel {

void SetServiceTrace(bool bOn);
bool ServiceTraceOn();

void ServiceNotice(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));
void ServiceTrace(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));

} // namespace quorbel
