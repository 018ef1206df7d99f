#include "views/ListCtrlCnDelegate.h"

#include "views/ListCtrlCn.h"

#include <QPainter>

namespace {
const QColor kGridColour(208, 208, 208);
} // namespace

CListCtrlCnDelegate::CListCtrlCnDelegate(CListCtrlCn* pList)
    : QStyledItemDelegate(pList), m_pList(pList) {}

void CListCtrlCnDelegate::paint(QPainter* pPainter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    if (!index.isValid() || index.parent().isValid() || index.row() >= m_pList->GetItemCount())
        return;
    const int nRow = index.row();
    const ROW_DATA* pData = m_pList->GetRowData(nRow);

    QColor crBack(255, 255, 255);
    QColor crText = pData ? pData->crText : m_pList->palette().color(QPalette::Text);
    // The selection stays visible while another control has the focus.
    if (option.state & QStyle::State_Selected) {
        crBack = m_pList->palette().color(QPalette::Active, QPalette::Highlight);
        crText = QColor(255, 255, 255);
    }

    pPainter->save();
    pPainter->fillRect(option.rect, crBack);

    QRect rcLabel = option.rect;
    if (index.column() == 0) {
        const QList<QPixmap>& images = m_pList->GetSmallImageList();
        const int nImage = m_pList->GetItemImage(nRow);
        if (!images.isEmpty() && nImage >= 0) {
            const QSize imageSize = images.first().size();
            const QRect rcIcon(option.rect.left(), option.rect.top(),
                               std::min(imageSize.width(), option.rect.width()),
                               option.rect.height());
            if (nImage < images.size()) {
                const QPixmap& image = images[nImage];
                const int nX = rcIcon.left() + (rcIcon.width() - image.width()) / 2;
                const int nY = option.rect.top() + (rcIcon.height() - image.height()) / 2;
                pPainter->save();
                pPainter->setClipRect(option.rect);
                pPainter->drawPixmap(nX, nY, image);
                pPainter->restore();
            }
            rcLabel.setLeft(rcIcon.right() + 1);
        }
    }

    const QString strText = index.data(Qt::DisplayRole).toString();
    const QRect rcText = rcLabel.adjusted(TEXT_INDENT_LEFT, 0, -TEXT_INDENT_RIGHT, 0);
    if (!strText.isEmpty() && rcText.width() > 0) {
        pPainter->setFont(m_pList->GetListFont());
        pPainter->setPen(crText);
        // Most cells hold a few characters in a wide column: when even the
        // widest glyph repeated would fit, the text is neither measured nor
        // elided (both shape the text, the dearest step of painting a cell).
        const QFontMetrics metrics(m_pList->GetListFont());
        const bool bFits = strText.size() * qint64(metrics.maxWidth()) <= rcText.width() ||
                           metrics.horizontalAdvance(strText) <= rcText.width();
        pPainter->drawText(rcText, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                           bFits ? strText
                                 : metrics.elidedText(strText, Qt::ElideRight, rcText.width()));
    }

    if (m_pList->HasGridLines()) {
        // The right and bottom edges, one pixel each; filled rather than
        // stroked, since a refresh repaints hundreds of cells and stroking a
        // line costs many times a solid fill of the same pixels.
        const QRect& rc = option.rect;
        pPainter->fillRect(QRect(rc.right(), rc.top(), 1, rc.height()), kGridColour);
        pPainter->fillRect(QRect(rc.left(), rc.bottom(), rc.width(), 1), kGridColour);
    }
    pPainter->restore();
}

QSize CListCtrlCnDelegate::sizeHint(const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(m_pList->GetRowHeight());
    return size;
}
