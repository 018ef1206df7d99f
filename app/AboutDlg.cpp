#include "app/AboutDlg.h"

#include "skin/CaptionBar.h"

#include <QPushButton>

namespace {
constexpr int kAboutPicture = 239;
}

CAboutDlg::CAboutDlg(QWidget* pParent) : CSkinDialog(pParent, false) {
    setWindowTitle(QStringLiteral("About Dravik"));
    setModal(true);
    Caption()->SetMinimiseVisible(false);
    SetBackground(kAboutPicture);
    SetClientSize(QSize(354, 101));

    m_pOk = new QPushButton(QStringLiteral("OK"), Client());
    m_pOk->setGeometry(QRect(QPoint(135, 61), QPoint(220, 84) - QPoint(1, 1)));
    m_pOk->setDefault(true);
    connect(m_pOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(Caption(), &CCaptionBar::CloseClicked, this, &QDialog::reject);
}
