#include "views/MissionDlg.h"

#include "app/core/UserPrompt.h"
#include "comm/DbgInfoLog.h"
#include "missions/Mission.h"
#include "missions/MissionGroup.h"
#include "skin/SkinImages.h"
#include "views/MissionDlgHost.h"
#include "views/MissionDlgRules.h"
#include "views/ProcessList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <algorithm>
#include <memory>

namespace {

IMissionDlgHost* g_pDefaultHost = nullptr;

QString BrowseWithFileDialog(QWidget* pOwner, const QString& strTitle) {
    return QFileDialog::getExistingDirectory(pOwner, strTitle, QString(),
                                             QFileDialog::ShowDirsOnly);
}

CMissionDlg::FOLDER_BROWSER& FolderBrowser() {
    static CMissionDlg::FOLDER_BROWSER fnBrowse = BrowseWithFileDialog;
    return fnBrowse;
}

// Control rectangles as (left, top, right, bottom), right and bottom
// exclusive.
QRect Edges(int l, int t, int r, int b) {
    return QRect(l, t, r - l, b - t);
}

// The editor's messages: OK only, the program's name as caption.
void Message(const QString& strText) {
    CUserPrompt::Ask(strText, PromptButtons::Ok, PromptIcon::Information);
}

// The check box and edit IDs of each limit, in LIMIT_INDEX order.
const int kCheckIds[LIMIT_COUNT] = {
    CMissionDlg::IDC_CHECK_READ_SPEED, CMissionDlg::IDC_CHECK_WRITE_SPEED,
    CMissionDlg::IDC_CHECK_TOTAL_READ, CMissionDlg::IDC_CHECK_TOTAL_WRITE};
const int kEditIds[LIMIT_COUNT] = {
    CMissionDlg::IDC_EDIT_READ_SPEED, CMissionDlg::IDC_EDIT_WRITE_SPEED,
    CMissionDlg::IDC_EDIT_TOTAL_READ, CMissionDlg::IDC_EDIT_TOTAL_WRITE};
const QRect kCheckRects[LIMIT_COUNT] = {Edges(20, 91, 35, 106), Edges(305, 91, 320, 106),
                                        Edges(20, 154, 35, 169), Edges(305, 154, 320, 169)};
const QRect kEditRects[LIMIT_COUNT] = {Edges(180, 104, 239, 124), Edges(465, 104, 524, 124),
                                       Edges(180, 168, 239, 188), Edges(465, 168, 524, 188)};

} // namespace

CMissionDlg::CMissionDlg(CMission* pMission, QWidget* pParent)
    : QDialog(pParent), m_pMission(pMission), m_pHost(g_pDefaultHost) {
    setWindowTitle(QStringLiteral("Mission"));
    BuildControls();
    InitState();
    if (m_pMission)
        ShowEditedMission();
    // Connected only now: showing an edited mission's mode is not a choice.
    connect(m_pModeList, &QComboBox::activated, this, [this] { OnModeChange(); });
}

CMissionDlg::~CMissionDlg() = default;

IMissionDlgHost* CMissionDlg::SetDefaultHost(IMissionDlgHost* pHost) {
    return std::exchange(g_pDefaultHost, pHost);
}

CMissionDlg::FOLDER_BROWSER CMissionDlg::SetFolderBrowser(FOLDER_BROWSER fnBrowse) {
    if (!fnBrowse)
        fnBrowse = BrowseWithFileDialog;
    return std::exchange(FolderBrowser(), std::move(fnBrowse));
}

void CMissionDlg::BuildControls() {
    // The client area is the background picture's size; the labels are part
    // of the picture, so the controls keep their exact places.
    setFixedSize(CLIENT_WIDTH, CLIENT_HEIGHT);
    m_bmpBack = skin::Image(BACKGROUND_PICTURE);

    const auto place = [](QWidget* pControl, int nId, const QRect& rect) {
        pControl->setObjectName(QString::number(nId));
        pControl->setGeometry(rect);
    };
    m_pModeList = new QComboBox(this);
    m_pModeList->addItems({QStringLiteral("PROCESS MODE"), QStringLiteral("PATH MODE")});
    place(m_pModeList, IDC_MODE, Edges(43, 40, 196, 60));

    m_pProcessPicker = new QComboBox(this);
    m_pProcessPicker->setEditable(true);
    m_pProcessPicker->setInsertPolicy(QComboBox::NoInsert);
    m_pProcessPicker->setMaxVisibleItems(16);
    place(m_pProcessPicker, IDC_PROCESS, Edges(371, 40, 524, 60));

    m_pPathEdit = new QLineEdit(this);
    place(m_pPathEdit, IDC_PATH, Edges(371, 40, 524, 60));

    m_pBrowse = new QPushButton(QStringLiteral("..."), this);
    m_pBrowse->setAutoDefault(false);
    place(m_pBrowse, IDC_BROWSE, Edges(530, 42, 555, 62));
    connect(m_pBrowse, &QPushButton::clicked, this, [this] { OnBrowse(); });

    for (int i = 0; i < LIMIT_COUNT; ++i) {
        m_pCheck[i] = new QCheckBox(this);
        place(m_pCheck[i], kCheckIds[i], kCheckRects[i]);
        m_pLimitEdit[i] = new QLineEdit(this);
        place(m_pLimitEdit[i], kEditIds[i], kEditRects[i]);
        QLineEdit* pEdit = m_pLimitEdit[i];
        connect(m_pCheck[i], &QCheckBox::toggled, pEdit, &QLineEdit::setEnabled);
    }

    m_pApply = new QPushButton(QStringLiteral("Apply"), this);
    m_pApply->setAutoDefault(false);
    place(m_pApply, IDC_APPLY, Edges(143, 218, 228, 239));
    connect(m_pApply, &QPushButton::clicked, this, [this] { OnApply(); });
    m_pOk = new QPushButton(QStringLiteral("OK"), this);
    m_pOk->setDefault(true);
    place(m_pOk, IDOK_BUTTON, Edges(245, 218, 330, 239));
    connect(m_pOk, &QPushButton::clicked, this, &CMissionDlg::accept);
    m_pCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_pCancel->setAutoDefault(false);
    place(m_pCancel, IDCANCEL_BUTTON, Edges(347, 218, 432, 239));
    connect(m_pCancel, &QPushButton::clicked, this, &CMissionDlg::reject);
}

void CMissionDlg::InitState() {
    m_pModeList->setCurrentIndex(-1);
    for (QLineEdit* pEdit : m_pLimitEdit)
        pEdit->setEnabled(false);
    m_pProcessPicker->hide();
    m_pBrowse->hide();
    m_pPathEdit->hide();
}

void CMissionDlg::ShowEditedMission() {
    // Mode and target of an existing mission cannot be changed.
    if (m_pMission->uMode == FLOW_MODE_PROCESS) {
        m_pModeList->setCurrentIndex(0);
        m_pProcessPicker->show();
        m_pProcessPicker->clear();
        m_pProcessPicker->setEditText(m_pMission->strTargetName);
        m_pProcessPicker->setEnabled(false);
    } else {
        m_pModeList->setCurrentIndex(1);
        m_pPathEdit->setText(m_pMission->strTargetName);
        m_pPathEdit->show();
        m_pPathEdit->setEnabled(false);
    }
    m_pModeList->setEnabled(false);

    const std::int64_t llLimits[LIMIT_COUNT] = {
        m_pMission->uLimitReadSpeed, m_pMission->uLimitWriteSpeed, m_pMission->llLimitTotalReads,
        m_pMission->llLimitTotalWrites};
    for (int i = 0; i < LIMIT_COUNT; ++i) {
        if (llLimits[i] == NoLimitValue(i))
            continue;
        const double dUnits = IsSpeedLimit(i) ? llLimits[i] / 1024.0 / 1024.0
                                              : llLimits[i] / 1024.0 / 1024.0 / 1024.0;
        m_pCheck[i]->setChecked(true);
        m_pLimitEdit[i]->setEnabled(true);
        m_pLimitEdit[i]->setText(QString::number(static_cast<std::int64_t>(dUnits)));
    }
}

QWidget* CMissionDlg::GetDlgItem(int nId) const {
    return findChild<QWidget*>(QString::number(nId), Qt::FindDirectChildrenOnly);
}

void CMissionDlg::OnModeChange() {
    const QString strMode = m_pModeList->currentText();
    if (strMode.isEmpty()) {
        Message(QStringLiteral("Please choose the mission mode."));
        return;
    }
    if (strMode == QLatin1String("PROCESS MODE")) {
        m_uMode = FLOW_MODE_PROCESS;
        m_pPathEdit->hide();
        m_pBrowse->hide();
        m_pProcessPicker->show();
        // Clearing an editable list also clears what was typed; keep it.
        const QString strTyped = m_pProcessPicker->currentText();
        m_pProcessPicker->clear();
        m_ProcArr.clear();
        DBG_LOG(15, "m_ProcArr.size()<%d> before\n", static_cast<int>(m_ProcArr.size()));
        FillProcessList();
        DBG_LOG(15, "m_ProcArr.size()<%d> after\n", static_cast<int>(m_ProcArr.size()));
        QStringList sorted = m_ProcArr;
        std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
            const int nOrder = a.compare(b, Qt::CaseInsensitive);
            return nOrder != 0 ? nOrder < 0 : a < b;
        });
        m_pProcessPicker->addItems(sorted);
        m_pProcessPicker->setEditText(strTyped);
    } else {
        m_uMode = FLOW_MODE_PATH;
        m_pProcessPicker->hide();
        m_pPathEdit->show();
        m_pBrowse->show();
    }
}

bool CMissionDlg::FillProcessList() {
    QStringList names;
    if (!ListProcessNames(m_strProcRoot, names))
        return false;
    for (const QString& strName : names)
        AddProcessName(strName);
    return true;
}

void CMissionDlg::AddProcessName(const QString& strName) {
    // The picker offers each program once, however many instances run; two
    // names are one program exactly when they would be one mission.
    for (const QString& strKnown : m_ProcArr) {
        if (CompareTargetNames(m_Rules, strKnown, strName) == 0)
            return;
    }
    m_ProcArr.append(strName);
}

void CMissionDlg::OnBrowse() {
    const QString strFolder = FolderBrowser()(this, QStringLiteral("Please select a direcotry:"));
    m_pPathEdit->setText(strFolder);
}

bool CMissionDlg::ReadTarget(QString& strTarget) {
    QString strMessage;
    if (m_uMode == FLOW_MODE_PROCESS) {
        strTarget = m_pProcessPicker->currentText();
        strMessage = CheckProcessName(m_Rules, strTarget);
    } else {
        strTarget = m_pPathEdit->text();
        strMessage = CheckPathName(m_Rules, strTarget);
    }
    if (strMessage.isEmpty())
        return true;
    Message(strMessage);
    return false;
}

bool CMissionDlg::ReadLimit(int nLimit, std::int64_t& llLimit) {
    if (!m_pCheck[nLimit]->isChecked()) {
        llLimit = NoLimitValue(nLimit);
        return true;
    }
    const QString strText = m_pLimitEdit[nLimit]->text();
    if (strText.isEmpty()) {
        Message(EmptyLimitMessage(nLimit));
        return false;
    }
    const std::int64_t llValue = ParseLimitText(strText);
    // Refused rather than wrapped: 4096 MB/s in 32 bits would become 0 and
    // forbid without a question.
    const QString strRange = CheckLimitValue(nLimit, llValue);
    if (!strRange.isEmpty()) {
        Message(strRange);
        return false;
    }
    if (llValue == 0 &&
        CUserPrompt::Ask(ForbidQuestion(nLimit), PromptButtons::OkCancel, PromptIcon::Warning,
                         QStringLiteral("Warning")) != PromptAnswer::Ok)
        return false;
    llLimit = LimitBytes(nLimit, llValue);
    return true;
}

bool CMissionDlg::OnApply() {
    auto pNew = std::make_unique<CMission>();
    if (m_pMission)
        m_uMode = m_pMission->uMode;
    if (m_uMode != FLOW_MODE_PROCESS && m_uMode != FLOW_MODE_PATH) {
        Message(QStringLiteral("Please choose mode at first.\n"));
        return false;
    }
    pNew->uMode = m_uMode;
    QString strTarget;
    if (!ReadTarget(strTarget))
        return false;
    pNew->strTargetName = strTarget;

    std::int64_t llLimits[LIMIT_COUNT] = {};
    for (int i = 0; i < LIMIT_COUNT; ++i) {
        if (!ReadLimit(i, llLimits[i]))
            return false;
    }
    pNew->uLimitReadSpeed = static_cast<std::uint32_t>(llLimits[LIMIT_READ_SPEED]);
    pNew->uLimitWriteSpeed = static_cast<std::uint32_t>(llLimits[LIMIT_WRITE_SPEED]);
    pNew->llLimitTotalReads = llLimits[LIMIT_TOTAL_READ];
    pNew->llLimitTotalWrites = llLimits[LIMIT_TOTAL_WRITE];

    CMission* pOld = FindMission(strTarget);
    if (pOld) {
        if (m_pMission) {
            // The edited mission itself: replaced without a question.
            m_pMission = nullptr;
        } else {
            const CMissionGroup* pGroup = pOld->GetGroup();
            const QString strQuestion =
                pGroup && pGroup->IsRecycler()
                    ? QStringLiteral("Will you recover the mission<%1> from recycler?")
                    : QStringLiteral("Will you override the same mission<%1>?");
            if (CUserPrompt::Ask(strQuestion.arg(pOld->strTargetName), PromptButtons::OkCancel,
                                 PromptIcon::Warning) != PromptAnswer::Ok)
                return false;
        }
    }

    CMission* pAdded = pNew.get();
    const BOOL bAdded =
        ReplaceMission(pOld, pAdded, [this](CMission* pGone) { ReleaseFromViews(pGone); });
    if (!bAdded) {
        // Only a name the groups will not take gets here; nothing was added.
        DBG_LOG(8, "Apply mission<%s> refused by its group", strTarget);
        return false;
    }
    pNew.release(); // the group owns it now

    CMissionGroup* pGroup = m_uMode == FLOW_MODE_PROCESS ? g_pProcMode : g_pPathMode;
    if (m_pHost && pGroup) {
        m_pHost->ShowGroup(pGroup);
        m_pHost->SetChartMission(pGroup->m_vecMissions.empty() ? nullptr
                                                               : pGroup->m_vecMissions.front());
    }
    return true;
}

void CMissionDlg::ReleaseFromViews(CMission* pMission) {
    if (!m_pHost)
        return;
    m_pHost->RemoveMissionRow(pMission->strTargetName);
    if (m_pHost->GetChartMission() == pMission)
        m_pHost->SetChartMission(nullptr);
}

void CMissionDlg::accept() {
    OnApply();
    QDialog::accept();
}

void CMissionDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_bmpBack.isNull())
        painter.fillRect(rect(), palette().window());
    else
        painter.drawPixmap(0, 0, m_bmpBack);
}
