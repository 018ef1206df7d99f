// Turns SIGTERM, SIGINT and SIGHUP into a call on the user-interface thread,
// so that a shutdown of the machine or the end of the session runs the same
// orderly exit as the menu's "E&xit". The handler only writes one byte to a
// pipe; everything else happens in the event loop.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

class CSignalExit : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; fnExit runs once per signal received.
    explicit CSignalExit(std::function<void(int)> fnExit, QObject* pParent = nullptr);
    // Restores the previous handlers.
    ~CSignalExit() override;

    bool IsInstalled() const { return m_pNotifier != nullptr; }

private:
    void OnSignal();

    std::function<void(int)> m_fnExit;
    QSocketNotifier* m_pNotifier = nullptr;
};
