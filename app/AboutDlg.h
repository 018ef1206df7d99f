// The About box: the program's picture with one OK button, drawn in the
// program's own look.
#pragma once

#include "skin/SkinDialog.h"

class QPushButton;

class CAboutDlg : public CSkinDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);

    QPushButton* OkButton() const { return m_pOk; }

private:
    QPushButton* m_pOk;
};
