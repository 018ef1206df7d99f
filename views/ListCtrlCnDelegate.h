// Draws the rows of a CListCtrlCn: white rows in the row's text colour,
// selected rows white on the highlight colour, the small icon centred in the
// first cell, the text on one line without the column's own alignment.
#pragma once

#include <QStyledItemDelegate>

#include <memory>

class CGlyphText;
class CListCtrlCn;

class CListCtrlCnDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int TEXT_INDENT_LEFT = 6;
    static constexpr int TEXT_INDENT_RIGHT = 4;

    explicit CListCtrlCnDelegate(CListCtrlCn* pList);
    ~CListCtrlCnDelegate() override;

    void paint(QPainter* pPainter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const CGlyphText& GlyphText() const; // for the list's current font

    CListCtrlCn* m_pList;
    mutable std::unique_ptr<CGlyphText> m_pGlyphText;
};
