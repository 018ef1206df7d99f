// The options dialog: autorun, launch in tray, the chart's two curves and the
// refresh period.
#pragma once

#include <QDialog>

class COptionHost;
class QCheckBox;
class QLineEdit;
class QPushButton;

class COptionDlg : public QDialog {
    Q_OBJECT
public:
    COptionDlg(COptionHost& host, QWidget* pParent = nullptr);

    QCheckBox* AutoRunBox() const { return m_pAutoRun; }
    QCheckBox* LaunchInTrayBox() const { return m_pLaunchInTray; }
    QCheckBox* ReadChartBox() const { return m_pReadChart; }
    QCheckBox* WriteChartBox() const { return m_pWriteChart; }
    QLineEdit* FreshTimeEdit() const { return m_pFreshTime; }
    QPushButton* OkButton() const { return m_pOk; }
    QPushButton* CancelButton() const { return m_pCancel; }

    // Takes the controls over into the options, then closes with OK.
    void OnOK();

private:
    COptionHost& m_Host;
    QCheckBox* m_pAutoRun;
    QCheckBox* m_pLaunchInTray;
    QCheckBox* m_pReadChart;
    QCheckBox* m_pWriteChart;
    QLineEdit* m_pFreshTime;
    QPushButton* m_pOk;
    QPushButton* m_pCancel;
};
