#include "app/OptionDlg.h"

#include "app/OptionHost.h"
#include "app/core/AutoRun.h"
#include "app/core/Options.h"
#include "skin/SkinImages.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The dialog is laid out in dialog units of its 9-point Tahoma font.
QRect Dlu(int left, int top, int width, int height) {
    constexpr int kBaseX = 7;
    constexpr int kBaseY = 14;
    return QRect(left * kBaseX / 4, top * kBaseY / 8, width * kBaseX / 4, height * kBaseY / 8);
}

} // namespace

COptionDlg::COptionDlg(COptionHost& host, QWidget* pParent) : QDialog(pParent), m_Host(host) {
    setWindowTitle(QStringLiteral("Options"));
    setWindowIcon(skin::AppIcon());
    setModal(true);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(9);
    setFont(font);
    setFixedSize(Dlu(0, 0, 183, 115).size());

    m_pAutoRun = new QCheckBox(QStringLiteral("Autorun"), this);
    m_pAutoRun->setGeometry(Dlu(15, 14, 42, 10));
    m_pLaunchInTray = new QCheckBox(QStringLiteral("Launch in tray"), this);
    m_pLaunchInTray->setGeometry(Dlu(106, 15, 60, 10));
    m_pReadChart = new QCheckBox(QStringLiteral("Read-chart"), this);
    m_pReadChart->setGeometry(Dlu(15, 33, 50, 10));
    m_pWriteChart = new QCheckBox(QStringLiteral("Write-chart"), this);
    m_pWriteChart->setGeometry(Dlu(107, 32, 51, 10));
    auto* pFreshLabel = new QLabel(QStringLiteral("Fresh-time:"), this);
    pFreshLabel->setGeometry(Dlu(31, 68, 36, 8));
    m_pFreshTime = new QLineEdit(this);
    m_pFreshTime->setGeometry(Dlu(71, 65, 52, 14));
    pFreshLabel->setBuddy(m_pFreshTime);
    auto* pUnit = new QLabel(QStringLiteral("sec"), this);
    pUnit->setGeometry(Dlu(130, 69, 11, 8));
    // The field holds milliseconds although the unit label says "sec".
    m_pFreshTime->setToolTip(QStringLiteral("Refresh period in milliseconds (at least 1000)"));
    m_pOk = new QPushButton(QStringLiteral("OK"), this);
    m_pOk->setGeometry(Dlu(49, 93, 33, 14));
    m_pOk->setDefault(true);
    m_pCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_pCancel->setGeometry(Dlu(98, 93, 31, 14));

    m_pAutoRun->setChecked(g_AppOptions.bAutoRun);
    m_pLaunchInTray->setChecked(g_AppOptions.bLaunchInTray);
    m_pReadChart->setChecked(m_Host.IsReadChartShown());
    m_pWriteChart->setChecked(m_Host.IsWriteChartShown());
    m_pFreshTime->setText(QString::number(static_cast<std::int32_t>(g_AppOptions.uFreshTime)));

    connect(m_pOk, &QPushButton::clicked, this, &COptionDlg::OnOK);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void COptionDlg::OnOK() {
    g_AppOptions.bAutoRun = m_pAutoRun->isChecked() ? TRUE : FALSE;
    g_AppOptions.bLaunchInTray = m_pLaunchInTray->isChecked() ? TRUE : FALSE;
    const bool bShowRead = m_pReadChart->isChecked();
    const bool bShowWrite = m_pWriteChart->isChecked();

    SetAutoRun(g_AppOptions.bAutoRun);
    m_Host.SetChartCurves(bShowRead, bShowWrite);

    std::uint32_t uFreshTime = ParseDecimal32(m_pFreshTime->text());
    if (uFreshTime != g_AppOptions.uFreshTime) {
        g_AppOptions.uFreshTime = std::max(uFreshTime, MIN_FRESH_TIME);
        m_Host.RestartRefreshTimer();
    }

    m_Host.SaveAppOptions();
    accept();
}
