#include "views/SortHeaderCtrl.h"

#include <QPainter>
#include <QPolygonF>
#include <QStyle>

CSortHeaderCtrl::CSortHeaderCtrl(QWidget* pParent) : QHeaderView(Qt::Horizontal, pParent) {
    m_imgArrows[m_nUpArrow] = DrawArrow(true);
    m_imgArrows[m_nDownArrow] = DrawArrow(false);
    setSectionsClickable(true);
    setSectionsMovable(false);
    setHighlightSections(false);
    // The arrow is ours; Qt's own indicator would draw a second one.
    setSortIndicatorShown(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setStretchLastSection(false);
    setSectionResizeMode(QHeaderView::Interactive);
    // The state-icon column is 16 pixels wide; the style's minimum is wider.
    setMinimumSectionSize(4);
}

QPixmap CSortHeaderCtrl::DrawArrow(bool bUp) {
    QPixmap pixmap(ARROW_SIZE, ARROW_SIZE);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.setBrush(QColor(96, 96, 96));
    QPolygonF triangle;
    if (bUp)
        triangle << QPointF(3.5, 10) << QPointF(10.5, 10) << QPointF(7, 4);
    else
        triangle << QPointF(3.5, 4) << QPointF(10.5, 4) << QPointF(7, 10);
    painter.drawPolygon(triangle);
    return pixmap;
}

const QPixmap& CSortHeaderCtrl::ArrowImage(bool bAscending) const {
    return m_imgArrows[bAscending ? m_nUpArrow : m_nDownArrow];
}

void CSortHeaderCtrl::SetSortArrow(int nColumn, bool bAscending) {
    m_nSortColumn = nColumn;
    m_bSortAscending = bAscending;
    viewport()->update();
}

void CSortHeaderCtrl::paintSection(QPainter* pPainter, const QRect& rect, int nLogicalIndex) const {
    QHeaderView::paintSection(pPainter, rect, nLogicalIndex);
    if (nLogicalIndex != m_nSortColumn || !rect.isValid())
        return;

    // The arrow sits right of the title, or at the right edge when the
    // title leaves no room.
    const int nMargin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
    const QString strTitle =
        model() ? model()->headerData(nLogicalIndex, orientation(), Qt::DisplayRole).toString()
                : QString();
    const int nTextWidth = fontMetrics().horizontalAdvance(strTitle);
    const Qt::Alignment align = Qt::Alignment(
        model() ? model()->headerData(nLogicalIndex, orientation(), Qt::TextAlignmentRole).toInt()
                : 0);
    int nX = rect.left() + nMargin + nTextWidth + nMargin;
    if (align & Qt::AlignRight)
        nX = rect.right() - nMargin - ARROW_SIZE;
    nX = std::min(nX, rect.right() - nMargin - ARROW_SIZE);
    nX = std::max(nX, rect.left());
    const int nY = rect.top() + (rect.height() - ARROW_SIZE) / 2;

    pPainter->save();
    pPainter->setClipRect(rect);
    pPainter->drawPixmap(nX, nY, ArrowImage(m_bSortAscending));
    pPainter->restore();
}
