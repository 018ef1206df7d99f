#include "views/SortHeaderCtrl.h"

#include <QPainter>
#include <QPolygonF>
#include <QStyle>
#include <QStyleOptionHeader>
#include <algorithm>

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
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(58, 92, 150));
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
    if (nLogicalIndex != m_nSortColumn || !rect.isValid()) {
        QHeaderView::paintSection(pPainter, rect, nLogicalIndex);
        return;
    }

    // The sorted column: the title, shortened when needed, then the arrow
    // right of it, so the two never overlap.
    QStyleOptionHeader option;
    initStyleOption(&option);
    initStyleOptionForIndex(&option, nLogicalIndex);
    option.rect = rect;
    option.sortIndicator = QStyleOptionHeader::None;
    const int nMargin = style()->pixelMetric(QStyle::PM_HeaderMargin, &option, this);
    const int nTextRoom = std::max(0, rect.width() - 3 * nMargin - ARROW_SIZE);
    option.text = fontMetrics().elidedText(option.text, Qt::ElideRight, nTextRoom);
    const int nTextWidth = fontMetrics().horizontalAdvance(option.text);

    pPainter->save();
    pPainter->setClipRect(rect);
    style()->drawControl(QStyle::CE_Header, &option, pPainter, this);
    int nX = rect.left() + nMargin + nTextWidth + nMargin;
    if (option.textAlignment & Qt::AlignRight)
        nX = rect.right() - nMargin - ARROW_SIZE;
    nX = std::max(rect.left(), std::min(nX, rect.right() - nMargin - ARROW_SIZE));
    const int nY = rect.top() + (rect.height() - ARROW_SIZE) / 2;
    pPainter->drawPixmap(nX, nY, ArrowImage(m_bSortAscending));
    pPainter->restore();
}
