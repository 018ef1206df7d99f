// Runs the built program as a process in a temporary working folder, against
// the driver test double, on the offscreen platform.
#pragma once

#include "tests/support/FakeDriver.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

class CProgramRun {
public:
    // strWorkDir: the working folder (mission files, Options.xml);
    // strLockDir: where the single-instance lock lives (shared by the
    // instances of one test, unique per test).
    CProgramRun(const CFakeDriver& driver, const QString& strWorkDir, const QString& strLockDir);
    ~CProgramRun();

    bool Start();
    // Sends a signal and waits for the process to end; false on a timeout.
    bool Signal(int nSignal, int nTimeoutMs = 15000);
    bool WaitForExit(int nTimeoutMs = 15000);
    int ExitCode() const { return m_Process.exitCode(); }
    QString Output();
    QProcess& Process() { return m_Process; }

    static QString ProgramPath();

private:
    QProcess m_Process;
    QString m_strOutput;
};
