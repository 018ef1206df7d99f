// Lays out short one-line texts of one font without shaping them. The glyph
// and advance of every printable ASCII character are looked up once; a text
// made only of those is then measured by adding advances and drawn as one
// glyph run. A list whose speed cells change every refresh repaints hundreds
// of cells a second, and shaping each of them was most of that cost.
// Any other character (or a font missing one of these glyphs) leaves the text
// to the painter's full layout: the caller falls back when told so.
#pragma once

#include <QFont>
#include <QRawFont>
#include <QString>

#include <array>
#include <cstdint>

class QPainter;
class QRect;

class CGlyphText {
public:
    explicit CGlyphText(const QFont& font);

    const QFont& Font() const { return m_font; }

    // The text's width in pixels, or a negative value when the text needs
    // the full layout.
    qreal Width(const QString& strText) const;

    // The text cut at the right with an ellipsis so that it fits nWidth
    // pixels, as QFontMetrics::elidedText cuts it; the text itself when it
    // fits. A null string when the text needs the full layout.
    QString Elide(const QString& strText, int nWidth) const;

    // Draws the text left-aligned and centred vertically in rect, where
    // QPainter::drawText with Qt::AlignLeft | Qt::AlignVCenter would place
    // it. Returns false, drawing nothing, when the text needs the full
    // layout.
    bool Draw(QPainter& painter, const QRect& rect, const QString& strText) const;

private:
    static constexpr char16_t kFirst = u' ';
    static constexpr char16_t kLast = u'~';
    static constexpr std::size_t kCount = kLast - kFirst + 1;

    static constexpr char16_t kEllipsis = u'\u2026';

    bool Covers(const QString& strText) const;
    // Where the glyph and advance of a covered character are kept.
    std::size_t Slot(QChar c) const {
        return c.unicode() == kEllipsis ? kCount : c.unicode() - kFirst;
    }

    QFont m_font;
    QRawFont m_rawFont;
    // One slot per printable ASCII character, then the ellipsis.
    std::array<quint32, kCount + 1> m_glyphs{};
    std::array<qreal, kCount + 1> m_advances{};
    std::array<bool, kCount + 1> m_known{};
    qreal m_dAscent = 0;
    qreal m_dHeight = 0;
};
