#include "tests/gui/ProgramRun.h"

#include <csignal>

CProgramRun::CProgramRun(const CFakeDriver& driver, const QString& strWorkDir,
                         const QString& strLockDir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUORBEL_DEVICE"), QString::fromStdString(driver.Path()));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("DRAVIK_LOCK_DIR"), strLockDir);
    env.insert(QStringLiteral("DRAVIK_AUTOSTART_DIR"), strWorkDir + QStringLiteral("/autostart"));
    m_Process.setProcessEnvironment(env);
    m_Process.setWorkingDirectory(strWorkDir);
    m_Process.setProcessChannelMode(QProcess::MergedChannels);
}

CProgramRun::~CProgramRun() {
    if (m_Process.state() != QProcess::NotRunning) {
        m_Process.kill();
        m_Process.waitForFinished(5000);
    }
}

QString CProgramRun::ProgramPath() {
    QString strBin = qEnvironmentVariable("DRAVIK_BIN_DIR");
    if (strBin.isEmpty())
        strBin = QStringLiteral(DRAVIK_TEST_BIN_DIR);
    return strBin + QStringLiteral("/dravik");
}

bool CProgramRun::Start() {
    m_Process.start(ProgramPath(), {});
    return m_Process.waitForStarted(10000);
}

bool CProgramRun::Signal(int nSignal, int nTimeoutMs) {
    ::kill(static_cast<pid_t>(m_Process.processId()), nSignal);
    return WaitForExit(nTimeoutMs);
}

bool CProgramRun::WaitForExit(int nTimeoutMs) {
    return m_Process.waitForFinished(nTimeoutMs) || m_Process.state() == QProcess::NotRunning;
}

QString CProgramRun::Output() {
    m_strOutput += QString::fromLocal8Bit(m_Process.readAll());
    return m_strOutput;
}
