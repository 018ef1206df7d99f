// One row of a CListCtrlCn: the row's record and its place in the list's sort.
#pragma once

#include "views/ListCtrlCn.h"

#include <QTreeWidgetItem>

// The data role under which a row's small-icon index is kept (first cell).
inline constexpr int LIST_IMAGE_ROLE = Qt::UserRole + 1;

class CListRowItem : public QTreeWidgetItem {
public:
    static constexpr int ROW_TYPE = QTreeWidgetItem::UserType + 17;

    explicit CListRowItem(const ROW_DATA& rowData)
        : QTreeWidgetItem(ROW_TYPE), m_RowData(rowData) {}

    ROW_DATA& RowData() { return m_RowData; }
    const ROW_DATA& RowData() const { return m_RowData; }

    // The list sorts through this; Qt swaps the operands for a descending
    // sort, which is what the list's comparison expects.
    bool operator<(const QTreeWidgetItem& other) const override;

private:
    ROW_DATA m_RowData;
};
