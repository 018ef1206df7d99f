#include "views/ListCtrlCn.h"

#include "comm/DbgTrace.h"
#include "views/ListCtrlCnCompare.h"
#include "views/ListCtrlCnDelegate.h"
#include "views/ListCtrlCnRow.h"
#include "views/SortHeaderCtrl.h"

#include <QFontInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>

namespace {

// The side of the square that makes rows at least as high as the font needs:
// a font given by its cell height h needs h + 2; one given by its character
// height (h < 1) needs 2 - h.
int RowSideForFont(const QFont& font) {
    int h = font.pixelSize();
    if (h <= 0)
        h = QFontInfo(font).pixelSize();
    return h >= 1 ? h + 2 : 2 - h;
}

} // namespace

bool CListRowItem::operator<(const QTreeWidgetItem& other) const {
    const auto* pList = qobject_cast<const CListCtrlCn*>(treeWidget());
    if (!pList || other.type() != ROW_TYPE) {
        DbgTraceText(QStringLiteral("Not find!\n"));
        return false;
    }
    const int nColumn = pList->GetSortColumn();
    return CompareCellTexts(text(nColumn), other.text(nColumn)) < 0;
}

CListCtrlCn::CListCtrlCn(QWidget* pParent) : QTreeWidget(pParent) {
    m_font = QFont(QStringLiteral("MS Sans Serif"));
    m_font.setPixelSize(12);
    m_nRowHeightS = RowSideForFont(m_font);

    m_header = new CSortHeaderCtrl(this);
    setHeader(m_header);
    connect(m_header, &QHeaderView::sectionClicked, this, [this](int nColumn) {
        NotifyOwner();
        OnColumnClick(nColumn);
    });

    setItemDelegate(new CListCtrlCnDelegate(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(0);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, QColor(255, 255, 255));
    setPalette(pal);

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { NotifyOwner(); });
    connect(model(), &QAbstractItemModel::rowsInserted, this, [this] { NotifyOwner(); });
    connect(model(), &QAbstractItemModel::rowsRemoved, this, [this] { NotifyOwner(); });
}

CListCtrlCn::~CListCtrlCn() = default;

void CListCtrlCn::NotifyOwner() {
    emit RelayoutRequested();
}

CListRowItem* CListCtrlCn::RowItem(int nRow) const {
    QTreeWidgetItem* pItem = topLevelItem(nRow);
    if (!pItem || pItem->type() != CListRowItem::ROW_TYPE)
        return nullptr;
    return static_cast<CListRowItem*>(pItem);
}

int CListCtrlCn::InsertItem(int nRow, const QString& strText) {
    nRow = std::clamp(nRow, 0, GetItemCount());
    ROW_DATA rowData;
    rowData.crBackground = palette().color(QPalette::Base);
    rowData.crText = palette().color(QPalette::Text);
    auto* pItem = new CListRowItem(rowData);
    pItem->setText(0, strText);
    insertTopLevelItem(nRow, pItem);
    return nRow;
}

bool CListCtrlCn::DeleteItem(int nRow) {
    QTreeWidgetItem* pItem = takeTopLevelItem(nRow);
    if (!pItem)
        return false;
    delete pItem;
    return true;
}

void CListCtrlCn::DeleteAllItems() {
    clear();
}

QString CListCtrlCn::GetItemText(int nRow, int nColumn) const {
    const QTreeWidgetItem* pItem = topLevelItem(nRow);
    return pItem ? pItem->text(nColumn) : QString();
}

bool CListCtrlCn::UpdateItemText(int nRow, int nColumn, const QString& strText) {
    QTreeWidgetItem* pItem = topLevelItem(nRow);
    if (!pItem || nColumn < 0 || nColumn >= columnCount())
        return false;
    if (pItem->text(nColumn) == strText)
        return true;
    pItem->setText(nColumn, strText);
    return true;
}

void CListCtrlCn::SetItemImage(int nRow, int nImage) {
    if (QTreeWidgetItem* pItem = topLevelItem(nRow)) {
        if (GetItemImage(nRow) != nImage)
            pItem->setData(0, LIST_IMAGE_ROLE, nImage);
    }
}

int CListCtrlCn::GetItemImage(int nRow) const {
    const QTreeWidgetItem* pItem = topLevelItem(nRow);
    if (!pItem)
        return -1;
    const QVariant value = pItem->data(0, LIST_IMAGE_ROLE);
    return value.isValid() ? value.toInt() : -1;
}

ROW_DATA* CListCtrlCn::GetRowData(int nRow) const {
    CListRowItem* pItem = RowItem(nRow);
    return pItem ? &pItem->RowData() : nullptr;
}

void CListCtrlCn::RedrawItem(int nRow) {
    if (QTreeWidgetItem* pItem = topLevelItem(nRow)) {
        QRect rect = visualItemRect(pItem);
        rect.setLeft(0);
        rect.setRight(viewport()->width());
        viewport()->update(rect);
    }
}

void CListCtrlCn::EnsureVisible(int nRow) {
    if (QTreeWidgetItem* pItem = topLevelItem(nRow))
        scrollToItem(pItem, QAbstractItemView::EnsureVisible);
}

QList<int> CListCtrlCn::GetSelectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        if (!index.parent().isValid())
            rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int CListCtrlCn::GetSelectedCount() const {
    return static_cast<int>(GetSelectedRows().size());
}

void CListCtrlCn::SetItemSelected(int nRow, bool bSelected) {
    if (QTreeWidgetItem* pItem = topLevelItem(nRow))
        pItem->setSelected(bSelected);
}

bool CListCtrlCn::IsItemSelected(int nRow) const {
    const QTreeWidgetItem* pItem = topLevelItem(nRow);
    return pItem && pItem->isSelected();
}

void CListCtrlCn::SetListFont(const QFont& font) {
    m_font = font;
    m_nRowHeightS = RowSideForFont(m_font);
    ApplyRowHeight();
}

void CListCtrlCn::SetItemHeight(int nHeight) {
    m_nItemHeight = std::max(0, nHeight);
    ApplyRowHeight();
}

int CListCtrlCn::GetRowHeight() const {
    return std::max(m_nRowHeightS, m_nItemHeight);
}

void CListCtrlCn::ApplyRowHeight() {
    // Rows are uniform: a new height takes effect only after a fresh layout.
    scheduleDelayedItemsLayout();
    viewport()->update();
}

void CListCtrlCn::SetSmallImageList(const QList<QPixmap>& images) {
    m_imgSmall = images;
    viewport()->update();
}

void CListCtrlCn::SetGridLines(bool bGridLines) {
    m_bGridLines = bGridLines;
    viewport()->update();
}

void CListCtrlCn::SetColumns(const QStringList& titles, const QList<int>& widths) {
    setColumnCount(static_cast<int>(titles.size()));
    setHeaderLabels(titles);
    for (int i = 0; i < titles.size(); ++i) {
        headerItem()->setTextAlignment(i, Qt::AlignLeft | Qt::AlignVCenter);
        if (i < widths.size())
            setColumnWidth(i, widths[i]);
    }
}

void CListCtrlCn::OnColumnClick(int nColumn) {
    if (!m_bSortEnabled || nColumn < 0 || nColumn >= columnCount())
        return;
    if (nColumn == m_nSortColumn) {
        m_bSortAscending = !m_bSortAscending;
    } else {
        m_bSortAscending = true;
        m_nSortColumn = nColumn;
    }
    m_header->SetSortArrow(m_nSortColumn, m_bSortAscending);
    // Sorted once per click; rows inserted later go to the end.
    sortItems(m_nSortColumn, m_bSortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

int CListCtrlCn::CompareRows(const QTreeWidgetItem* pRowA, const QTreeWidgetItem* pRowB) const {
    if (!pRowA || !pRowB || pRowA->type() != CListRowItem::ROW_TYPE ||
        pRowB->type() != CListRowItem::ROW_TYPE || m_nSortColumn < 0) {
        DbgTraceText(QStringLiteral("Not find!\n"));
        return 0;
    }
    const QString strA = pRowA->text(m_nSortColumn);
    const QString strB = pRowB->text(m_nSortColumn);
    return m_bSortAscending ? CompareCellTexts(strA, strB) : CompareCellTexts(strB, strA);
}

void CListCtrlCn::keyReleaseEvent(QKeyEvent* pEvent) {
    NotifyOwner();
    QTreeWidget::keyReleaseEvent(pEvent);
}

void CListCtrlCn::mouseDoubleClickEvent(QMouseEvent* pEvent) {
    NotifyOwner();
    QTreeWidget::mouseDoubleClickEvent(pEvent);
}

void CListCtrlCn::mousePressEvent(QMouseEvent* pEvent) {
    NotifyOwner();
    QTreeWidget::mousePressEvent(pEvent);
}
