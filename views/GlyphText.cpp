#include "views/GlyphText.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QPointF>
#include <QRect>
#include <QVarLengthArray>

CGlyphText::CGlyphText(const QFont& font) : m_font(font), m_rawFont(QRawFont::fromFont(font)) {
    if (!m_rawFont.isValid())
        return;
    QString strAll;
    for (char16_t c = kFirst; c <= kLast; ++c)
        strAll.append(QChar(c));
    strAll.append(QChar(kEllipsis));
    const QList<quint32> glyphs = m_rawFont.glyphIndexesForString(strAll);
    if (glyphs.size() != static_cast<qsizetype>(kCount + 1))
        return;
    const QList<QPointF> advances = m_rawFont.advancesForGlyphIndexes(glyphs);
    if (advances.size() != glyphs.size())
        return;
    for (std::size_t i = 0; i <= kCount; ++i) {
        // Glyph 0 is the font's "missing" box: such a character would be
        // drawn by a fallback font, which only the full layout finds.
        m_known[i] = glyphs[i] != 0 || kFirst + i == u' ';
        m_glyphs[i] = glyphs[i];
        m_advances[i] = advances[i].x();
    }
    const QFontMetricsF metrics(font);
    m_dAscent = metrics.ascent();
    m_dHeight = metrics.height();
}

bool CGlyphText::Covers(const QString& strText) const {
    if (!m_rawFont.isValid())
        return false;
    for (const QChar c : strText) {
        const char16_t u = c.unicode();
        if ((u < kFirst || u > kLast) && u != kEllipsis)
            return false;
        if (!m_known[Slot(c)])
            return false;
    }
    return true;
}

qreal CGlyphText::Width(const QString& strText) const {
    if (!Covers(strText))
        return -1;
    qreal dWidth = 0;
    for (const QChar c : strText)
        dWidth += m_advances[Slot(c)];
    return dWidth;
}

QString CGlyphText::Elide(const QString& strText, int nWidth) const {
    const qreal dWidth = Width(strText);
    if (dWidth < 0)
        return QString();
    if (dWidth <= nWidth)
        return strText;
    // The longest beginning that still leaves room for the ellipsis; like
    // the full layout, this font's own ellipsis, else three dots.
    const bool bEllipsis = m_known[kCount];
    const qreal dEllipsis = bEllipsis ? m_advances[kCount] : 3 * m_advances[u'.' - kFirst];
    if (dEllipsis > nWidth)
        return QStringLiteral(""); // not even the ellipsis fits: nothing is shown
    qreal dUsed = dEllipsis;
    qsizetype nKeep = 0;
    while (nKeep < strText.size() && dUsed + m_advances[Slot(strText[nKeep])] <= nWidth)
        dUsed += m_advances[Slot(strText[nKeep++])];
    return strText.left(nKeep) + (bEllipsis ? QString(QChar(kEllipsis)) : QStringLiteral("..."));
}

bool CGlyphText::Draw(QPainter& painter, const QRect& rect, const QString& strText) const {
    if (!Covers(strText))
        return false;
    if (strText.isEmpty())
        return true;
    QVarLengthArray<quint32, 64> glyphs;
    QVarLengthArray<QPointF, 64> positions;
    // The same vertical place as the painter's own centring of one line:
    // the line box (ascent + descent) centred in the rectangle.
    const qreal dBaseline = rect.top() + (rect.height() - m_dHeight) / 2 + m_dAscent;
    qreal dX = rect.left();
    for (const QChar c : strText) {
        const std::size_t i = Slot(c);
        glyphs.append(m_glyphs[i]);
        positions.append(QPointF(dX, 0));
        dX += m_advances[i];
    }
    QGlyphRun run;
    run.setRawFont(m_rawFont);
    run.setRawData(glyphs.constData(), positions.constData(), static_cast<int>(glyphs.size()));
    // Like the painter's own drawing, nothing leaves the rectangle, even in
    // a row lower than the font.
    if (m_dHeight > rect.height() || dX > rect.right() + 1) {
        painter.save();
        painter.setClipRect(rect, Qt::IntersectClip);
        painter.drawGlyphRun(QPointF(0, dBaseline), run);
        painter.restore();
    } else {
        painter.drawGlyphRun(QPointF(0, dBaseline), run);
    }
    return true;
}
