// The owner-drawn, sortable report list shared by the mission list and the
// operation log: it draws every row itself, keeps a small record per row,
// sorts the rows on a header click and shows the sort column with an arrow.
#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QPixmap>
#include <QString>
#include <QTreeWidget>

class CSortHeaderCtrl;
class CListRowItem;

// Sent (as the RelayoutRequested signal) before the list tells its owner
// about anything; the main window answers by putting the mission list back
// at its layout rectangle. The value is kept for owners that route it as an
// event number.
inline constexpr int WM_MISSLIST_RELAYOUT = 0x0400 + 5;

// The record every row carries; it travels with its row when rows are
// reordered, so a row keeps its identity while sorted.
struct ROW_DATA {
    quint32 dwUser = 0;  // free for the views; unused so far
    QColor crBackground; // the list's text background at insertion
    QColor crText;       // colour of the row's text
};

class CListCtrlCn : public QTreeWidget {
    Q_OBJECT

public:
    explicit CListCtrlCn(QWidget* pParent = nullptr);
    ~CListCtrlCn() override;

    // --- rows -------------------------------------------------------------
    int GetItemCount() const { return topLevelItemCount(); }
    // Inserts a row at nRow (clamped to [0, count]) whose first cell is
    // strText; returns the index of the new row.
    int InsertItem(int nRow, const QString& strText = QString());
    bool DeleteItem(int nRow);
    void DeleteAllItems();
    QString GetItemText(int nRow, int nColumn) const;
    // Sets the cell only when its text differs, so a periodic refresh does
    // not repaint cells needlessly. True when the cell holds strText after.
    bool UpdateItemText(int nRow, int nColumn, const QString& strText);
    // Index into the small-icon list drawn in the row's first cell; -1 for none.
    void SetItemImage(int nRow, int nImage);
    int GetItemImage(int nRow) const;
    // The row's record; null for a row out of range or inserted without one.
    ROW_DATA* GetRowData(int nRow) const;
    void RedrawItem(int nRow);
    void EnsureVisible(int nRow);

    // --- selection --------------------------------------------------------
    // Selected rows in ascending order.
    QList<int> GetSelectedRows() const;
    int GetSelectedCount() const;
    void SetItemSelected(int nRow, bool bSelected);
    bool IsItemSelected(int nRow) const;

    // --- look -------------------------------------------------------------
    // Copies the font used to draw the rows; rows are then at least
    // (pixel height + 2) high.
    void SetListFont(const QFont& font);
    const QFont& GetListFont() const { return m_font; }
    // The row height the owner asks for (0: only the font decides).
    void SetItemHeight(int nHeight);
    int GetRowHeight() const;
    void SetSmallImageList(const QList<QPixmap>& images);
    const QList<QPixmap>& GetSmallImageList() const { return m_imgSmall; }
    void SetGridLines(bool bGridLines);
    bool HasGridLines() const { return m_bGridLines; }

    // --- columns ----------------------------------------------------------
    // Replaces the columns: titles and widths in pixels, all left-aligned.
    void SetColumns(const QStringList& titles, const QList<int>& widths);

    // --- sorting ----------------------------------------------------------
    CSortHeaderCtrl* GetSortHeader() const { return m_header; }
    int GetSortColumn() const { return m_nSortColumn; }
    bool IsSortAscending() const { return m_bSortAscending; }
    bool IsSortEnabled() const { return m_bSortEnabled; }
    // What a header click on nColumn does (nothing while sorting is off).
    void OnColumnClick(int nColumn);
    // <0, 0 or >0 for the two rows' texts in the sort column, in the current
    // direction; 0 when either row has no record.
    int CompareRows(const QTreeWidgetItem* pRowA, const QTreeWidgetItem* pRowB) const;

signals:
    // Emitted before every notification the list gives its owner (selection,
    // clicks, keys, header clicks, rows inserted or deleted).
    void RelayoutRequested();

protected:
    // Derived views call this before acting on a notification of their own.
    void NotifyOwner();

    void keyReleaseEvent(QKeyEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;

    QFont m_font;
    int m_nSortColumn = -1;
    bool m_bSortAscending = true;
    bool m_bSortEnabled = true;

private:
    CListRowItem* RowItem(int nRow) const;
    void ApplyRowHeight();

    CSortHeaderCtrl* m_header = nullptr; // owned by the view
    QList<QPixmap> m_imgSmall;
    int m_nRowHeightS = 14; // side of the old state image list: font height + 2
    int m_nItemHeight = 0;
    bool m_bGridLines = false;
};
