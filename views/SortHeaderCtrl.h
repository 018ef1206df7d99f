// The header of the sortable lists: plain column titles, and beside the title
// of the sorted column an arrow pointing up (ascending) or down (descending).
#pragma once

#include <QHeaderView>
#include <QPixmap>

class CSortHeaderCtrl : public QHeaderView {
    Q_OBJECT

public:
    static constexpr int ARROW_SIZE = 14;

    explicit CSortHeaderCtrl(QWidget* pParent = nullptr);

    // Shows the arrow on nColumn (-1: on none) and removes it from every
    // other column.
    void SetSortArrow(int nColumn, bool bAscending);
    int GetSortColumn() const { return m_nSortColumn; }
    bool IsSortAscending() const { return m_bSortAscending; }
    // The arrow drawn for a direction.
    const QPixmap& ArrowImage(bool bAscending) const;

protected:
    void paintSection(QPainter* pPainter, const QRect& rect, int nLogicalIndex) const override;

private:
    static QPixmap DrawArrow(bool bUp);

    QPixmap m_imgArrows[2];
    int m_nUpArrow = 0;
    int m_nDownArrow = 1;
    int m_nSortColumn = -1;
    bool m_bSortAscending = true;
};
