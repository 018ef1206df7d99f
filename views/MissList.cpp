#include "views/MissList.h"

#include "app/core/UserPrompt.h"
#include "comm/DbgInfoLog.h"
#include "missions/Mission.h"
#include "missions/MissionGroup.h"
#include "skin/SkinImages.h"
#include "views/MissListFormat.h"
#include "views/MissListHost.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHash>
#include <QItemSelection>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

namespace {

QList<QPixmap> StateIcons() {
    QList<QPixmap> icons;
    for (int nResource : {148, 149, 150}) {
        QPixmap image = skin::Image(nResource);
        if (!image.isNull() && image.size() != QSize(16, 16))
            image = image.scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        icons.append(image);
    }
    return icons;
}

} // namespace

CMissList::CMissList(QWidget* pParent) : CListCtrlCn(pParent) {
    m_szColumns = {QString(),
                   QStringLiteral("Name"),
                   QStringLiteral("R-Speed-Limit(MB/S)"),
                   QStringLiteral("W-Speed-Limit(MB/S)"),
                   QStringLiteral("Total-R-Limit(GB)"),
                   QStringLiteral("Total-W-Limit(GB)"),
                   QStringLiteral("R-Speed(MB/S)"),
                   QStringLiteral("W-Speed(MB/S)"),
                   QStringLiteral("Total-R(GB)"),
                   QStringLiteral("Total-W(GB)"),
                   QStringLiteral("Start time"),
                   QStringLiteral("During")};
    QList<int> widths(COLUMN_COUNT, 80);
    widths[COL_STATE] = 16;
    SetColumns(m_szColumns, widths);

    setSelectionMode(QAbstractItemView::ExtendedSelection);
    SetGridLines(true);
    SetItemHeight(ROW_HEIGHT);
    SetSmallImageList(StateIcons());
    BuildMenu();

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection&) {
                OnSelectionChanged(selected);
            });
}

CMissList::~CMissList() = default;

void CMissList::BuildMenu() {
    m_menu = new QMenu(QStringLiteral("FlowMenu"), this);
    auto add = [this](const char* pszText, int nId, bool bCheckable = false) {
        QAction* pAction = m_menu->addAction(QString::fromUtf8(pszText));
        pAction->setData(nId);
        pAction->setCheckable(bCheckable);
        connect(pAction, &QAction::triggered, this, [this, nId] { RunCommand(nId); });
    };
    add("Start(&S)", ID_MISS_START);
    add("Stop(&P)", ID_MISS_STOP);
    add("Delete(&D)", ID_MISS_DELETE);
    m_menu->addSeparator();
    add("Select All", ID_MISS_SELECT_ALL);
    m_menu->addSeparator();
    add("Clear Recycler(&C)", ID_MISS_CLEAR_RECYCLER);
    add("Recover", ID_MISS_RECOVER);
    m_menu->addSeparator();
    add("Read-Chart(&R)", ID_MISS_READ_CHART, true);
    add("Write-Chart(&W)", ID_MISS_WRITE_CHART, true);
    m_menu->addSeparator();
    add("Properties(&O)", ID_MISS_PROPERTIES);
}

QAction* CMissList::GetMenuAction(int nCommandId) const {
    for (QAction* pAction : m_menu->actions()) {
        if (!pAction->isSeparator() && pAction->data().toInt() == nCommandId)
            return pAction;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Rows

void CMissList::SetGroup(CMissionGroup* pGroup) {
    m_pGroup = pGroup;
    DeleteAllItems();
    Refresh();
    if (m_pHost && pGroup)
        m_pHost->CheckGroupButton(pGroup);
}

void CMissList::Refresh() {
    if (!m_pGroup)
        return;
    // The first row of each name, found once per refresh rather than once
    // per mission.
    QHash<QString, int> rowOfName;
    for (int nRow = GetItemCount() - 1; nRow >= 0; --nRow)
        rowOfName.insert(GetItemText(nRow, COL_NAME), nRow);

    for (CMission* pMission : m_pGroup->m_vecMissions) {
        if (!pMission)
            continue;
        const int nImage = pMission->bMissionActive ? IMAGE_RUNNING : IMAGE_STOPPED;
        auto it = rowOfName.constFind(pMission->strTargetName);
        if (it != rowOfName.constEnd()) {
            SetItemImage(*it, nImage);
            // Only the cells whose text changed are repainted.
            FillRow(*it, pMission, COL_LIMIT_READ_SPEED);
        } else {
            const int nRow = InsertItem(GetItemCount());
            SetItemImage(nRow, nImage);
            FillRow(nRow, pMission, COL_NAME);
            RedrawItem(nRow);
            rowOfName.insert(pMission->strTargetName, nRow);
        }
    }
}

void CMissList::FillRow(int nRow, CMission* pMission, int nFirstColumn) {
    const std::int64_t llDuring = static_cast<std::int64_t>(MissionNow() - pMission->tmStart);
    pMission->tsDuring = llDuring;
    const QString texts[COLUMN_COUNT] = {
        QString(),
        pMission->strTargetName,
        FormatSpeedLimit(pMission->uLimitReadSpeed),
        FormatSpeedLimit(pMission->uLimitWriteSpeed),
        FormatTotalLimit(pMission->llLimitTotalReads),
        FormatTotalLimit(pMission->llLimitTotalWrites),
        FormatSpeed(pMission->uReadSpeed),
        FormatSpeed(pMission->uWriteSpeed),
        FormatTotal(pMission->llAlreadyReads),
        FormatTotal(pMission->llAlreadyWrites),
        FormatStartTime(pMission->tmStart),
        FormatDuring(llDuring),
    };
    for (int nColumn = nFirstColumn; nColumn < COLUMN_COUNT; ++nColumn)
        UpdateItemText(nRow, nColumn, texts[nColumn]);
}

void CMissList::RemoveRowByName(const QString& strName) {
    for (int nRow = 0; nRow < GetItemCount(); ++nRow) {
        if (GetItemText(nRow, COL_NAME) == strName) {
            DeleteItem(nRow);
            viewport()->update();
            return;
        }
    }
}

void CMissList::ToggleRow(int nRow) {
    RunRowCommand(nRow, RowCommand::Toggle);
}

void CMissList::StartRow(int nRow) {
    RunRowCommand(nRow, RowCommand::Start);
}

void CMissList::StopRow(int nRow) {
    RunRowCommand(nRow, RowCommand::Stop);
}

void CMissList::RunRowCommand(int nRow, RowCommand command) {
    const QString strName = GetItemText(nRow, COL_NAME);
    if (strName.isEmpty())
        return;
    CMission* pMission = FindMission(strName);
    if (!pMission) {
        DBG_LOG(8, "not find the mission<%s>", strName);
        return;
    }
    if (g_pRecycler && g_pRecycler->Find(strName)) {
        switch (command) {
        case RowCommand::Toggle:
            DBG_LOG(4, "Miss<%s> is in recycler, not switch status.", strName);
            break;
        case RowCommand::Start:
            DBG_LOG(4, "Miss<%s> is in recycler, not start miss.", strName);
            break;
        case RowCommand::Stop:
            DBG_LOG(4, "Miss<%s> is in recycler, not stop miss.", strName);
            break;
        }
        return;
    }
    const bool bRun = command == RowCommand::Start ||
                      (command == RowCommand::Toggle && !pMission->bMissionActive);
    // Starts or stops and saves the mission's group; refused for a mission
    // that no group holds, which then keeps its row as it is.
    if (!SetMissionRunning(pMission, bRun ? TRUE : FALSE))
        return;
    // The row shows what was asked for; the next Refresh shows the outcome.
    SetItemImage(nRow, bRun ? IMAGE_RUNNING : IMAGE_STOPPED);
    RedrawItem(nRow);
}

// ---------------------------------------------------------------------------
// Delete, clear, recover

void CMissList::ReleaseMission(CMission* pMission) {
    if (m_pHost && m_pHost->GetChartMission() == pMission)
        m_pHost->SetChartMission(nullptr);
}

bool CMissList::DeleteRowMission(int nRow) {
    const QString strName = GetItemText(nRow, COL_NAME);
    if (strName.isEmpty())
        return false;
    CMission* pMission = FindMission(strName);
    if (!pMission || !::GetGroup(pMission)) {
        DBG_LOG(8, "not find the mission<%s>", strName);
        return false;
    }
    DeleteItem(nRow);
    viewport()->update();
    // Stops the mission, then moves it to the recycler, or destroys it when
    // it is there already; both save the groups they change.
    DeleteMission(pMission, [this](CMission* pGone) { ReleaseMission(pGone); });
    return true;
}

void CMissList::DeleteSelected() {
    if (GetSelectedCount() == 0)
        return;
    if (CUserPrompt::Ask(QStringLiteral("Are you sure to del the missions?"), PromptButtons::YesNo,
                         PromptIcon::Question,
                         QStringLiteral("Delete missions")) != PromptAnswer::Yes)
        return;
    // From the bottom up, so deleting a row leaves the rows still to do where
    // they were.
    const QList<int> rows = GetSelectedRows();
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        if (!DeleteRowMission(*it))
            return;
    }
}

void CMissList::OnClearRecycler() {
    if (!g_pRecycler || m_pGroup != g_pRecycler)
        return;
    while (GetItemCount() > 0) {
        if (!DeleteRowMission(0))
            return;
    }
}

void CMissList::OnRecover() {
    if (!g_pRecycler)
        return;
    const QList<int> rows = GetSelectedRows();
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        const QString strName = GetItemText(*it, COL_NAME);
        if (strName.isEmpty())
            continue;
        CMission* pMission = FindMission(strName);
        if (!pMission) {
            DBG_LOG(8, "not find the mission<%s>", strName);
            continue;
        }
        // Refused, with nothing changed, for a mission outside the recycler
        // or of no known mode: its row stays.
        if (RecoverMission(pMission))
            RemoveRowByName(strName);
    }
}

// ---------------------------------------------------------------------------
// Commands

void CMissList::RunCommand(int nCommandId) {
    switch (nCommandId) {
    case ID_MISS_START:
        OnStartSelected();
        break;
    case ID_MISS_STOP:
        OnStopSelected();
        break;
    case ID_MISS_DELETE:
        DeleteSelected();
        break;
    case ID_MISS_SELECT_ALL:
        OnSelectAll();
        break;
    case ID_MISS_CLEAR_RECYCLER:
        OnClearRecycler();
        break;
    case ID_MISS_RECOVER:
        OnRecover();
        break;
    case ID_MISS_READ_CHART:
        OnReadChart();
        break;
    case ID_MISS_WRITE_CHART:
        OnWriteChart();
        break;
    case ID_MISS_PROPERTIES:
        OnProperties();
        break;
    default:
        break;
    }
}

void CMissList::OnStartSelected() {
    const QList<int> rows = GetSelectedRows();
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        StartRow(*it);
}

void CMissList::OnStopSelected() {
    const QList<int> rows = GetSelectedRows();
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        StopRow(*it);
}

void CMissList::OnSelectAll() {
    selectAll();
    EnsureVisible(GetItemCount() - 1);
}

void CMissList::OnReadChart() {
    if (!m_pHost)
        return;
    const bool bShow = !m_pHost->GetShowRead();
    m_pHost->SetShowRead(bShow);
    if (QAction* pAction = GetMenuAction(ID_MISS_READ_CHART))
        pAction->setChecked(bShow);
    m_pHost->SaveOptions();
}

void CMissList::OnWriteChart() {
    if (!m_pHost)
        return;
    const bool bShow = !m_pHost->GetShowWrite();
    m_pHost->SetShowWrite(bShow);
    if (QAction* pAction = GetMenuAction(ID_MISS_WRITE_CHART))
        pAction->setChecked(bShow);
    m_pHost->SaveOptions();
}

void CMissList::OnProperties() {
    const QList<int> rows = GetSelectedRows();
    if (!m_pHost || rows.size() > 1)
        return;
    if (rows.isEmpty()) {
        m_pHost->OpenOptionsDialog();
        return;
    }
    const QString strName = GetItemText(rows.first(), COL_NAME);
    CMission* pMission = FindMission(strName);
    if (!pMission) {
        DBG_LOG(8, "not find the mission<%s>", strName);
        return;
    }
    m_pHost->OpenMissionEditor(pMission);
}

// ---------------------------------------------------------------------------
// Popup menu and notifications

QMenu* CMissList::PrepareContextMenu() {
    const int nSelected = GetSelectedCount();
    const bool bRecycler = m_pGroup && m_pGroup == g_pRecycler;
    const struct {
        int nId;
        bool bEnabled;
    } states[] = {
        {ID_MISS_START, nSelected > 0 && !bRecycler},
        {ID_MISS_STOP, nSelected > 0 && !bRecycler},
        {ID_MISS_DELETE, nSelected > 0},
        {ID_MISS_SELECT_ALL, true},
        {ID_MISS_CLEAR_RECYCLER, bRecycler},
        {ID_MISS_RECOVER, nSelected > 0 && bRecycler},
        {ID_MISS_READ_CHART, true},
        {ID_MISS_WRITE_CHART, true},
        {ID_MISS_PROPERTIES, nSelected <= 1},
    };
    for (const auto& state : states) {
        if (QAction* pAction = GetMenuAction(state.nId))
            pAction->setEnabled(state.bEnabled);
    }
    GetMenuAction(ID_MISS_READ_CHART)->setChecked(m_pHost && m_pHost->GetShowRead());
    GetMenuAction(ID_MISS_WRITE_CHART)->setChecked(m_pHost && m_pHost->GetShowWrite());
    return m_menu;
}

void CMissList::ShowContextMenu() {
    PrepareContextMenu()->exec(QCursor::pos());
}

void CMissList::contextMenuEvent(QContextMenuEvent* pEvent) {
    NotifyOwner();
    ShowContextMenu();
    pEvent->accept();
}

void CMissList::keyReleaseEvent(QKeyEvent* pEvent) {
    if (pEvent->key() == Qt::Key_Delete && !pEvent->isAutoRepeat()) {
        NotifyOwner();
        DeleteSelected();
        pEvent->accept();
        return;
    }
    CListCtrlCn::keyReleaseEvent(pEvent);
}

void CMissList::mouseDoubleClickEvent(QMouseEvent* pEvent) {
    CListCtrlCn::mouseDoubleClickEvent(pEvent);
    // Outside any row the name is empty and nothing happens.
    const QModelIndex index = indexAt(pEvent->position().toPoint());
    ToggleRow(index.isValid() ? index.row() : -1);
}

void CMissList::OnSelectionChanged(const QItemSelection& selected) {
    // Rows newly selected, top to bottom: the last one gives the chart its
    // mission.
    QList<int> rows;
    for (const QItemSelectionRange& range : selected) {
        if (range.parent().isValid())
            continue;
        for (int nRow = range.top(); nRow <= range.bottom(); ++nRow)
            rows.append(nRow);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int nRow : rows) {
        const QString strName = GetItemText(nRow, COL_NAME);
        CMission* pMission = FindMission(strName);
        if (!pMission) {
            DBG_LOG(8, "not find the mission<%s>", strName);
            continue;
        }
        if (m_pHost)
            m_pHost->SetChartMission(pMission);
    }
}
