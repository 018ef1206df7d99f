#include "views/ListCtrlCnDelegate.h"

#include "views/GlyphText.h"
#include "views/ListCtrlCn.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {
const QColor kGridColour(208, 208, 208);
} // namespace

CListCtrlCnDelegate::CListCtrlCnDelegate(CListCtrlCn* pList)
    : QStyledItemDelegate(pList), m_pList(pList) {}

CListCtrlCnDelegate::~CListCtrlCnDelegate() = default;

const CGlyphText& CListCtrlCnDelegate::GlyphText() const {
    const QFont& font = m_pList->GetListFont();
    if (!m_pGlyphText || m_pGlyphText->Font() != font)
        m_pGlyphText = std::make_unique<CGlyphText>(font);
    return *m_pGlyphText;
}

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
        pPainter->setPen(crText);
        // Cells of plain ASCII, which are nearly all of them, are measured,
        // cut and drawn from the glyph cache; the rest are laid out and
        // elided by the painter.
        const CGlyphText& glyphText = GlyphText();
        const QString strShown = glyphText.Elide(strText, rcText.width());
        if (strShown.isNull() || !glyphText.Draw(*pPainter, rcText, strShown)) {
            const QFont& font = m_pList->GetListFont();
            const QFontMetrics metrics(font);
            pPainter->setFont(font);
            pPainter->drawText(rcText, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                               metrics.elidedText(strText, Qt::ElideRight, rcText.width()));
        }
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
    // What paint() needs: the icon of the first cell, the indents and the
    // text. The view asks again whenever the first row changes, so the text
    // is measured from the glyph cache where it can be.
    const QString strText = index.data(Qt::DisplayRole).toString();
    const QFont& font = m_pList->GetListFont();
    qreal dWidth = GlyphText().Width(strText);
    if (dWidth < 0)
        dWidth = QFontMetricsF(font).horizontalAdvance(strText);
    int nWidth = static_cast<int>(std::ceil(dWidth)) + TEXT_INDENT_LEFT + TEXT_INDENT_RIGHT;
    if (index.column() == 0 && index.isValid() && !index.parent().isValid() &&
        index.row() < m_pList->GetItemCount()) {
        const QList<QPixmap>& images = m_pList->GetSmallImageList();
        if (!images.isEmpty() && m_pList->GetItemImage(index.row()) >= 0)
            nWidth += images.first().width();
    }
    Q_UNUSED(option);
    return QSize(nWidth, m_pList->GetRowHeight());
}
