// The application object: one instance per machine, the flow-control
// library bound and initialised, the three mission groups, the main window
// for the whole life of the program, and the orderly shutdown.
#pragma once

#include <QApplication>
#include <memory>

class CDravikDlg;
class CSignalExit;

class CDravikApp : public QApplication {
    Q_OBJECT
public:
    CDravikApp(int& argc, char** argv);
    ~CDravikApp() override;

    // Start-up to shutdown. Returns the process's exit code: 0 after "E&xit"
    // (or a signal, or the end of the session), 1 when start-up failed or
    // another instance runs.
    int Run();

    // The main window while it runs, else null.
    CDravikDlg* MainWindow() const { return m_pMainWindow; }

private:
    bool InitInstance();
    void ExitInstance();

    CDravikDlg* m_pMainWindow = nullptr;
    std::unique_ptr<CSignalExit> m_pSignals;
};
