#include "views/SelMissDlg.h"

#include "missions/Mission.h"
#include "missions/MissionGroup.h"
#include "views/MissionDlg.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace {

void OpenEditorModally(CMission* pMission) {
    CMissionDlg editor(pMission, nullptr);
    editor.exec();
}

CSelMissDlg::EDITOR_OPENER& EditorOpener() {
    static CSelMissDlg::EDITOR_OPENER fnOpen = OpenEditorModally;
    return fnOpen;
}

// The layout is in dialog units of a Tahoma 9 dialog: a quarter of the
// average character width across, an eighth of the line height down.
constexpr double kUnitX = 7.0 / 4.0;
constexpr double kUnitY = 15.0 / 8.0;

QRect FromDialogUnits(int x, int y, int cx, int cy) {
    return QRect(qRound(x * kUnitX), qRound(y * kUnitY), qRound(cx * kUnitX), qRound(cy * kUnitY));
}

} // namespace

CSelMissDlg::CSelMissDlg(QWidget* pParent) : QDialog(pParent) {
    setWindowTitle(QStringLiteral("Select mission"));
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(9);
    setFont(font);
    setFixedSize(FromDialogUnits(0, 0, 249, 96).size());

    auto* pPrompt = new QLabel(QStringLiteral("Please select a mission:"), this);
    pPrompt->setGeometry(FromDialogUnits(13, 14, 108, 8).adjusted(0, -2, 0, 2));

    auto* pFrame = new QGroupBox(QStringLiteral("Mission Info"), this);
    pFrame->setGeometry(FromDialogUnits(143, 29, 89, 28));

    m_pMissions = new QComboBox(this);
    m_pMissions->setObjectName(QString::number(IDC_MISSIONS));
    m_pMissions->setMaxVisibleItems(12);
    // The closed list is one line high; the template's height is the drop-down's.
    const QRect rcList = FromDialogUnits(47, 37, 82, 92);
    m_pMissions->setGeometry(rcList.x(), rcList.y(), rcList.width(),
                             m_pMissions->sizeHint().height());

    m_pInfo = new QLabel(QStringLiteral("mission info"), this);
    m_pInfo->setObjectName(QString::number(IDC_INFO));
    m_pInfo->setGeometry(FromDialogUnits(162, 43, 60, 8).adjusted(0, -2, 0, 2));

    auto* pOk = new QPushButton(QStringLiteral("OK"), this);
    pOk->setDefault(true);
    pOk->setGeometry(FromDialogUnits(133, 75, 50, 14));
    connect(pOk, &QPushButton::clicked, this, &CSelMissDlg::accept);
    auto* pCancel = new QPushButton(QStringLiteral("Cancel"), this);
    pCancel->setAutoDefault(false);
    pCancel->setGeometry(FromDialogUnits(192, 75, 50, 14));
    connect(pCancel, &QPushButton::clicked, this, &CSelMissDlg::reject);

    m_pInfo->clear();
    for (CMissionGroup* pGroup : {g_pProcMode, g_pPathMode, g_pRecycler}) {
        if (!pGroup)
            continue;
        for (const CMission* pMission : pGroup->m_vecMissions)
            m_pMissions->addItem(pMission->strTargetName);
    }
    m_pMissions->setCurrentIndex(-1);
    connect(m_pMissions, &QComboBox::currentIndexChanged, this, [this] { OnSelChange(); });
}

CSelMissDlg::~CSelMissDlg() = default;

CSelMissDlg::EDITOR_OPENER CSelMissDlg::SetEditorOpener(EDITOR_OPENER fnOpen) {
    if (!fnOpen)
        fnOpen = OpenEditorModally;
    return std::exchange(EditorOpener(), std::move(fnOpen));
}

void CSelMissDlg::OnSelChange() {
    // A listed name missing from the index (the groups and the index out of
    // step) leaves the text as it was.
    const CMission* pMission = FindMission(m_pMissions->currentText());
    const CMissionGroup* pGroup = pMission ? pMission->GetGroup() : nullptr;
    if (!pGroup)
        return;
    if (pGroup == g_pProcMode)
        m_pInfo->setText(QStringLiteral("Process mode"));
    else if (pGroup == g_pPathMode)
        m_pInfo->setText(QStringLiteral("Path mode"));
    else if (pGroup == g_pRecycler)
        m_pInfo->setText(QStringLiteral("In recycler"));
}

void CSelMissDlg::accept() {
    QDialog::accept();
    const QString strName = m_pMissions->currentText();
    CMission* pMission = strName.isEmpty() ? nullptr : FindMission(strName);
    EditorOpener()(pMission);
}
