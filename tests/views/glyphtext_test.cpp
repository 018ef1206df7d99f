// Cell texts drawn from the glyph cache land where the painter's own text
// layout puts them, are as wide as it measures them, and anything the cache
// cannot draw is handed back untouched.
#include "views/GlyphText.h"

#include "tests/support/QtTestApp.h"
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

const QRect kCell(10, 6, 180, 20);

QImage Blank() {
    QImage image(220, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// The smallest rectangle holding every pixel that is not white.
QRect Ink(const QImage& image) {
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                ink |= QRect(x, y, 1, 1);
    return ink;
}

QFont Font(const char* family, int nPixels, bool bBold) {
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(nPixels);
    font.setBold(bBold);
    return font;
}

} // namespace

TEST(GlyphText, DrawsAndMeasuresLikeThePainter) {
    const QFont fonts[] = {Font("Sans Serif", 12, false), Font("Sans Serif", 15, true),
                           Font("Serif", 11, false), Font("Monospace", 13, false)};
    const char* texts[] = {"0.00 KB/s",        "1023.99 MB/s", "process-07",
                           "/var/tmp/a b{c}~", "12:34:56",     "W"};
    for (const QFont& font : fonts) {
        const CGlyphText glyphText(font);
        for (const char* text : texts) {
            const QString strText = QString::fromLatin1(text);
            SCOPED_TRACE(font.toString().toStdString() + " / " + text);

            QImage cached = Blank();
            {
                QPainter painter(&cached);
                painter.setPen(Qt::black);
                ASSERT_TRUE(glyphText.Draw(painter, kCell, strText));
            }
            QImage laidOut = Blank();
            {
                QPainter painter(&laidOut);
                painter.setFont(font);
                painter.setPen(Qt::black);
                painter.drawText(kCell, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                                 strText);
            }
            const QRect a = Ink(cached), b = Ink(laidOut);
            ASSERT_FALSE(b.isEmpty());
            EXPECT_LE(std::abs(a.left() - b.left()), 1) << "left";
            EXPECT_LE(std::abs(a.right() - b.right()), 1) << "right";
            EXPECT_LE(std::abs(a.top() - b.top()), 1) << "top";
            EXPECT_LE(std::abs(a.bottom() - b.bottom()), 1) << "bottom";
            EXPECT_NEAR(glyphText.Width(strText), QFontMetricsF(font).horizontalAdvance(strText),
                        1.0);
        }
    }
}

TEST(GlyphText, HandsBackWhatItCannotDraw) {
    const CGlyphText glyphText(Font("Sans Serif", 12, false));
    // Beyond printable ASCII: accents, other scripts, control characters.
    const QString texts[] = {QStringLiteral("Z\u00fcrich"), QStringLiteral("\u65e5\u672c"),
                             QStringLiteral("tab\there"), QStringLiteral("a\u00a0b")};
    for (const QString& strText : texts) {
        SCOPED_TRACE(strText.toStdString());
        EXPECT_LT(glyphText.Width(strText), 0);
        QImage image = Blank();
        {
            QPainter painter(&image);
            painter.setPen(Qt::black);
            EXPECT_FALSE(glyphText.Draw(painter, kCell, strText));
        }
        EXPECT_TRUE(Ink(image).isEmpty());
    }
    EXPECT_EQ(glyphText.Width(QString()), 0);
}

TEST(GlyphText, NothingLeavesTheCell) {
    const CGlyphText glyphText(Font("Sans Serif", 16, false));
    // A cell lower than the font, and one narrower than the text.
    for (const QRect& cell : {QRect(10, 10, 150, 8), QRect(10, 6, 30, 20)}) {
        QImage image = Blank();
        {
            QPainter painter(&image);
            painter.setPen(Qt::black);
            ASSERT_TRUE(glyphText.Draw(painter, cell, QStringLiteral("Mjgqy 1023.99 MB/s")));
        }
        const QRect ink = Ink(image);
        EXPECT_FALSE(ink.isEmpty());
        EXPECT_TRUE(cell.contains(ink))
            << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height();
    }
}

TEST(GlyphText, CutsLongTextsLikeThePainter) {
    for (const QFont& font : {Font("Sans Serif", 12, false), Font("Serif", 14, true)}) {
        const CGlyphText glyphText(font);
        const QFontMetrics metrics(font);
        const QString strText = QStringLiteral("12-10 08:41:07 /srv/exports/projects");
        for (int nWidth : {0, 3, 10, 25, 60, 90, 140, 400}) {
            SCOPED_TRACE(nWidth);
            const QString strCut = glyphText.Elide(strText, nWidth);
            EXPECT_EQ(strCut, metrics.elidedText(strText, Qt::ElideRight, nWidth));
            EXPECT_LE(glyphText.Width(strCut), nWidth + 0.5);
        }
        EXPECT_TRUE(glyphText.Elide(QStringLiteral("Z\u00fcrich"), 10).isNull());
    }
}
