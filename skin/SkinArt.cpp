#include "skin/SkinArt.h"

#include "skin/SkinColors.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace skin::art {

namespace {

constexpr int kClientWidth = 1022;
constexpr int kClientHeight = 701;

QPixmap Blank(int w, int h) {
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QFont UiFont(int nPixels, int nWeight = QFont::Normal) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(nPixels);
    font.setWeight(QFont::Weight(nWeight));
    return font;
}

// A disk platter with a speed needle: the mark of the program.
void DrawMark(QPainter& p, const QRectF& box) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = box.width();
    QLinearGradient back(box.topLeft(), box.bottomRight());
    back.setColorAt(0, kSteel);
    back.setColorAt(1, kNavy);
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    p.drawRoundedRect(box, s * 0.2, s * 0.2);

    const QRectF disk = box.adjusted(s * 0.14, s * 0.14, -s * 0.14, -s * 0.14);
    QRadialGradient platter(disk.center(), disk.width() / 2);
    platter.setColorAt(0, QColor(250, 252, 255));
    platter.setColorAt(0.7, QColor(205, 218, 236));
    platter.setColorAt(1, QColor(160, 182, 214));
    p.setBrush(platter);
    p.drawEllipse(disk);
    // Speed scale: an arc of ticks over the upper half.
    p.setPen(QPen(kNavy, std::max<qreal>(1.0, s / 32)));
    const QPointF c = disk.center();
    const qreal r = disk.width() / 2;
    for (int i = 0; i <= 6; ++i) {
        const qreal a = M_PI * (1.1 - i * 1.2 / 6);
        p.drawLine(QPointF(c.x() + std::cos(a) * r * 0.72, c.y() - std::sin(a) * r * 0.72),
                   QPointF(c.x() + std::cos(a) * r * 0.88, c.y() - std::sin(a) * r * 0.88));
    }
    // The needle, held low: a limit in force.
    p.setPen(QPen(kAccent, std::max<qreal>(1.5, s / 14), Qt::SolidLine, Qt::RoundCap));
    const qreal a = M_PI * 0.72;
    p.drawLine(c, QPointF(c.x() + std::cos(a) * r * 0.78, c.y() - std::sin(a) * r * 0.78));
    p.setPen(Qt::NoPen);
    p.setBrush(kNavy);
    p.drawEllipse(c, s * 0.07, s * 0.07);
    p.restore();
}

void DrawGlyph(QPainter& p, Glyph glyph, const QRectF& box, const QColor& ink) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(box.topLeft());
    p.scale(box.width() / 24.0, box.height() / 24.0);
    QPen pen(ink, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (glyph) {
    case Glyph::New: {
        QPainterPath page;
        page.moveTo(5, 3);
        page.lineTo(14, 3);
        page.lineTo(19, 8);
        page.lineTo(19, 21);
        page.lineTo(5, 21);
        page.closeSubpath();
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawPath(page);
        p.drawLine(QPointF(14, 3), QPointF(14, 8));
        p.drawLine(QPointF(14, 8), QPointF(19, 8));
        p.setPen(QPen(kAccent, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 11), QPointF(12, 18));
        p.drawLine(QPointF(8.5, 14.5), QPointF(15.5, 14.5));
        break;
    }
    case Glyph::Edit: {
        QPainterPath pencil;
        pencil.moveTo(15, 4);
        pencil.lineTo(20, 9);
        pencil.lineTo(9, 20);
        pencil.lineTo(4, 20);
        pencil.lineTo(4, 15);
        pencil.closeSubpath();
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawPath(pencil);
        p.drawLine(QPointF(12.5, 6.5), QPointF(17.5, 11.5));
        p.setPen(QPen(kAccent, 2.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4.5, 19.5), QPointF(7, 17));
        break;
    }
    case Glyph::Delete: {
        p.setBrush(QColor(255, 255, 255, 200));
        QPainterPath bin;
        bin.moveTo(6, 7);
        bin.lineTo(18, 7);
        bin.lineTo(17, 21);
        bin.lineTo(7, 21);
        bin.closeSubpath();
        p.drawPath(bin);
        p.drawLine(QPointF(4, 7), QPointF(20, 7));
        p.drawLine(QPointF(9.5, 4), QPointF(14.5, 4));
        p.drawLine(QPointF(10, 10), QPointF(10, 18));
        p.drawLine(QPointF(14, 10), QPointF(14, 18));
        break;
    }
    case Glyph::Start: {
        QPainterPath tri;
        tri.moveTo(7, 4);
        tri.lineTo(20, 12);
        tri.lineTo(7, 20);
        tri.closeSubpath();
        p.setBrush(ink == kGrayText ? ink : QColor(46, 160, 67));
        p.setPen(QPen(ink == kGrayText ? ink : QColor(26, 110, 44), 1.6, Qt::SolidLine,
                      Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(tri);
        break;
    }
    case Glyph::Stop:
        p.setBrush(ink == kGrayText ? ink : QColor(206, 52, 52));
        p.setPen(QPen(ink == kGrayText ? ink : QColor(150, 30, 30), 1.6));
        p.drawRoundedRect(QRectF(5, 5, 14, 14), 2.5, 2.5);
        break;
    case Glyph::Settings: {
        QPainterPath gear;
        const QPointF c(12, 12);
        for (int i = 0; i < 16; ++i) {
            const qreal a = i * M_PI / 8;
            const qreal r = (i % 2 == 0) ? 10.0 : 7.5;
            const QPointF pt(c.x() + std::cos(a) * r, c.y() + std::sin(a) * r);
            if (i == 0)
                gear.moveTo(pt);
            else
                gear.lineTo(pt);
        }
        gear.closeSubpath();
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawPath(gear);
        p.drawEllipse(c, 3.2, 3.2);
        break;
    }
    case Glyph::Help:
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
        p.setFont(UiFont(15, QFont::Bold));
        p.drawText(QRectF(0, 0, 24, 25), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    p.restore();
}

void DrawSideIcon(QPainter& p, SideItem item, const QRectF& box, const QColor& ink) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(box.topLeft());
    p.scale(box.width() / 16.0, box.height() / 16.0);
    p.setPen(QPen(ink, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    switch (item) {
    case SideItem::ProcMode: // a program window
        p.drawRoundedRect(QRectF(2, 3, 12, 10), 1.5, 1.5);
        p.drawLine(QPointF(2, 6), QPointF(14, 6));
        break;
    case SideItem::PathMode: // a folder
    {
        QPainterPath folder;
        folder.moveTo(2, 4);
        folder.lineTo(6, 4);
        folder.lineTo(7.5, 5.5);
        folder.lineTo(14, 5.5);
        folder.lineTo(14, 13);
        folder.lineTo(2, 13);
        folder.closeSubpath();
        p.drawPath(folder);
        break;
    }
    case SideItem::Recycler:
        p.drawLine(QPointF(3, 4.5), QPointF(13, 4.5));
        p.drawLine(QPointF(6.5, 2.5), QPointF(9.5, 2.5));
        p.drawPolygon(QPolygonF(
            {QPointF(4.5, 4.5), QPointF(11.5, 4.5), QPointF(10.8, 14), QPointF(5.2, 14)}));
        break;
    case SideItem::Home:
        p.drawPolyline(QPolygonF({QPointF(2, 8), QPointF(8, 2.5), QPointF(14, 8)}));
        p.drawPolyline(QPolygonF({QPointF(4, 7), QPointF(4, 14), QPointF(12, 14), QPointF(12, 7)}));
        break;
    case SideItem::Update:
        p.drawArc(QRectF(2.5, 2.5, 11, 11), 30 * 16, 280 * 16);
        p.drawPolyline(QPolygonF({QPointF(13.5, 2.5), QPointF(13, 6), QPointF(9.5, 5.5)}));
        break;
    case SideItem::Help:
        p.drawEllipse(QRectF(2, 2, 12, 12));
        p.setFont(UiFont(10, QFont::Bold));
        p.drawText(QRectF(2, 2, 12, 12.5), Qt::AlignCenter, QStringLiteral("?"));
        break;
    case SideItem::Mail:
        p.drawRect(QRectF(2, 4, 12, 9));
        p.drawPolyline(QPolygonF({QPointF(2, 4), QPointF(8, 9), QPointF(14, 4)}));
        break;
    }
    p.restore();
}

QString SideText(SideItem item) {
    switch (item) {
    case SideItem::ProcMode:
        return QStringLiteral("Process missions");
    case SideItem::PathMode:
        return QStringLiteral("Folder missions");
    case SideItem::Recycler:
        return QStringLiteral("Recycler");
    case SideItem::Home:
        return QStringLiteral("Home page");
    case SideItem::Update:
        return QStringLiteral("Updates");
    case SideItem::Help:
        return QStringLiteral("Help on line");
    case SideItem::Mail:
        return QStringLiteral("E-mail us");
    }
    return {};
}

void DrawPanel(QPainter& p, const QRect& r) {
    // A soft shadow and a light frame that the list or chart sits inside.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 3; i >= 1; --i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 40, 80, 14 * (4 - i)));
        p.drawRoundedRect(QRectF(r).adjusted(-i, -i + 1, i, i + 1), 4 + i, 4 + i);
    }
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(150, 170, 200), 1));
    p.drawRoundedRect(QRectF(r).adjusted(-2.5, -2.5, 2.5, 2.5), 4, 4);
    p.restore();
}

} // namespace

QPixmap ToolButton(Glyph glyph, ButtonState state, int nSize) {
    QPixmap pixmap = Blank(nSize, nSize);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF face = QRectF(0.5, 0.5, nSize - 1, nSize - 1);
    if (state == ButtonState::Hover || state == ButtonState::Pressed) {
        QLinearGradient g(face.topLeft(), face.bottomLeft());
        g.setColorAt(0,
                     state == ButtonState::Pressed ? QColor(160, 188, 228) : QColor(238, 244, 252));
        g.setColorAt(1, state == ButtonState::Pressed ? QColor(196, 214, 240) : kHighlight);
        p.setBrush(g);
        p.setPen(kHighlightEdge);
        p.drawRoundedRect(face, 5, 5);
    }
    const QColor ink = state == ButtonState::Disabled ? kGrayText : kNavy;
    const qreal inset = nSize * 0.17 + (state == ButtonState::Pressed ? 1 : 0);
    DrawGlyph(p, glyph,
              QRectF(inset, inset - (state == ButtonState::Pressed ? 0 : 1),
                     nSize - 2 * nSize * 0.17, nSize - 2 * nSize * 0.17),
              ink);
    return pixmap;
}

QPixmap SideButton(SideItem item, bool bPressed, int nWidth) {
    const int h = 26;
    QPixmap pixmap = Blank(nWidth, h);
    QPainter p(&pixmap);
    if (bPressed) {
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0, QColor(250, 252, 255));
        g.setColorAt(1, kPale);
        p.fillRect(QRect(0, 1, nWidth, h - 2), g);
        p.fillRect(QRect(0, 1, 4, h - 2), kAccent);
    }
    const QColor ink = bPressed ? kNavy : QColor(236, 242, 250);
    DrawSideIcon(p, item, QRectF(12, 5, 16, 16), ink);
    p.setPen(ink);
    p.setFont(UiFont(11, bPressed ? QFont::DemiBold : QFont::Normal));
    p.drawText(QRect(34, 0, nWidth - 35, h), Qt::AlignVCenter | Qt::AlignLeft, SideText(item));
    return pixmap;
}

QPixmap PaneTab(const QString& strText, bool bChart, TabState state) {
    const int w = 73;
    const int h = 27;
    QPixmap pixmap = Blank(w, h);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.moveTo(0.5, 0.5);
    shape.lineTo(w - 0.5, 0.5);
    shape.lineTo(w - 0.5, h - 6);
    shape.quadTo(w - 0.5, h - 0.5, w - 6, h - 0.5);
    shape.lineTo(6, h - 0.5);
    shape.quadTo(0.5, h - 0.5, 0.5, h - 6);
    shape.closeSubpath();
    QColor fill;
    QColor ink = kNavy;
    switch (state) {
    case TabState::Selected:
        fill = Qt::white;
        break;
    case TabState::Pressed:
        fill = QColor(172, 196, 230);
        break;
    case TabState::Focus:
        fill = kHighlight;
        break;
    case TabState::Normal:
        fill = QColor(200, 212, 230);
        ink = QColor(60, 80, 110);
        break;
    }
    p.setBrush(fill);
    p.setPen(QPen(QColor(150, 170, 200), 1));
    p.drawPath(shape);
    if (state == TabState::Selected)
        p.fillRect(QRectF(1, 0, w - 2, 2), Qt::white);
    // A small mark of the pane: a curve for the charts, lines for the log.
    p.setPen(QPen(state == TabState::Selected ? kAccent : ink, 1.5));
    if (bChart) {
        p.drawPolyline(
            QPolygonF({QPointF(9, 17), QPointF(12, 12), QPointF(15, 15), QPointF(19, 8)}));
    } else {
        for (int y = 9; y <= 17; y += 4)
            p.drawLine(QPointF(9, y), QPointF(19, y));
    }
    p.setPen(ink);
    p.setFont(UiFont(12, state == TabState::Selected ? QFont::DemiBold : QFont::Normal));
    p.drawText(QRect(23, 0, w - 26, h - 2), Qt::AlignVCenter | Qt::AlignLeft, strText);
    return pixmap;
}

QPixmap CaptionStrip() {
    QPixmap pixmap(1024, 26);
    QPainter p(&pixmap);
    QLinearGradient g(0, 0, 0, 26);
    g.setColorAt(0, QColor(226, 234, 246));
    g.setColorAt(0.5, QColor(204, 216, 236));
    g.setColorAt(1, QColor(186, 200, 226));
    p.fillRect(pixmap.rect(), g);
    p.setPen(QColor(255, 255, 255, 180));
    p.drawLine(0, 0, 1024, 0);
    p.setPen(QColor(140, 160, 196));
    p.drawLine(0, 25, 1024, 25);
    return pixmap;
}

QPixmap CaptionButton(bool bClose, bool bHot) {
    QPixmap pixmap = Blank(18, 15);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF face(0.5, 0.5, 17, 14);
    if (bHot) {
        p.setBrush(bClose ? QColor(214, 64, 56) : kSky);
        p.setPen(bClose ? QColor(160, 40, 36) : kSteel);
    } else {
        p.setBrush(QColor(255, 255, 255, 110));
        p.setPen(QColor(130, 150, 186));
    }
    p.drawRoundedRect(face, 3, 3);
    p.setPen(QPen(bHot ? Qt::white : kCaptionText, 1.6, Qt::SolidLine, Qt::RoundCap));
    if (bClose) {
        p.drawLine(QPointF(6, 4.5), QPointF(12, 10.5));
        p.drawLine(QPointF(12, 4.5), QPointF(6, 10.5));
    } else {
        p.drawLine(QPointF(5.5, 10), QPointF(12.5, 10));
    }
    return pixmap;
}

QPixmap Logo() {
    QPixmap pixmap = Blank(24, 24);
    QPainter p(&pixmap);
    DrawMark(p, QRectF(1, 2, 21, 21));
    return pixmap;
}

QPixmap AppIconImage(int nSize) {
    QPixmap pixmap = Blank(nSize, nSize);
    QPainter p(&pixmap);
    DrawMark(p, QRectF(0, 0, nSize, nSize));
    return pixmap;
}

QPixmap StateIcon(int nIndex) {
    QPixmap pixmap = Blank(16, 16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (nIndex) {
    case 0: // stopped: two red bars
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 48, 48));
        p.drawRoundedRect(QRectF(4, 3, 3, 10), 1, 1);
        p.drawRoundedRect(QRectF(9, 3, 3, 10), 1, 1);
        break;
    case 1: // running: a green triangle
        p.setPen(QPen(QColor(26, 110, 44), 1));
        p.setBrush(QColor(46, 170, 70));
        p.drawPolygon(QPolygonF({QPointF(4.5, 2.5), QPointF(13, 8), QPointF(4.5, 13.5)}));
        break;
    default: // a red cross
        p.setPen(QPen(QColor(200, 48, 48), 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    }
    return pixmap;
}

QPixmap Background() {
    QPixmap pixmap(kClientWidth, kClientHeight);
    QPainter p(&pixmap);
    const int R = kClientWidth;
    const int B = kClientHeight;

    // Work area.
    QLinearGradient work(0, 0, 0, B);
    work.setColorAt(0, QColor(236, 241, 248));
    work.setColorAt(1, QColor(214, 223, 236));
    p.fillRect(pixmap.rect(), work);

    // Toolbar band.
    QLinearGradient bar(0, 0, 0, 44);
    bar.setColorAt(0, QColor(250, 252, 255));
    bar.setColorAt(1, QColor(224, 232, 244));
    p.fillRect(QRect(0, 0, R, 44), bar);
    p.setPen(QColor(176, 192, 218));
    p.drawLine(0, 44, R, 44);
    p.setPen(QColor(190, 204, 226));
    for (int x : {50, 100, 247})
        p.drawLine(x, 8, x, 32);

    // Left column: the group selector and the links.
    QLinearGradient side(0, 0, 140, 0);
    side.setColorAt(0, QColor(28, 66, 116));
    side.setColorAt(1, QColor(20, 52, 96));
    p.fillRect(QRect(0, 45, 141, B - 45), side);
    p.setFont(UiFont(10, QFont::Bold));
    p.setPen(QColor(150, 180, 220));
    p.drawText(QRect(12, 45, 128, 14), Qt::AlignVCenter, QStringLiteral("MISSIONS"));
    p.drawText(QRect(12, 220, 128, 20), Qt::AlignVCenter, QStringLiteral("CONTACT"));
    p.setPen(QColor(60, 96, 146));
    p.drawLine(12, 139, 128, 139);
    p.drawLine(12, 218, 128, 218);
    // Footer of the column: the mark and the name.
    DrawMark(p, QRectF(14, B - 86, 36, 36));
    p.setFont(UiFont(17, QFont::Bold));
    p.setPen(Qt::white);
    p.drawText(QRect(56, B - 88, 84, 22), Qt::AlignVCenter, QStringLiteral("Dravik"));
    p.setFont(UiFont(10));
    p.setPen(QColor(170, 196, 230));
    p.drawText(QRect(56, B - 68, 84, 16), Qt::AlignVCenter, QStringLiteral("speed control"));

    // Frames for the mission list and the bottom pane.
    DrawPanel(p, QRect(150, 50, R - 3 - 150, 321 - 50));
    DrawPanel(p, QRect(154, 333, R - 9 - 154, 643 - 333));
    // Tab strip under the pane.
    p.setPen(QColor(150, 170, 200));
    p.drawLine(154, B - 54, R - 9, B - 54);
    p.setFont(UiFont(11));
    p.setPen(QColor(90, 110, 140));
    p.drawText(QRect(320, B - 54, R - 340, 27), Qt::AlignVCenter | Qt::AlignRight,
               QStringLiteral("Double-click a mission to start or stop it; right-click for more."));
    return pixmap;
}

QPixmap AboutPicture() {
    QPixmap pixmap(354, 101);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 354, 101);
    g.setColorAt(0, QColor(246, 249, 253));
    g.setColorAt(1, QColor(212, 224, 242));
    p.fillRect(pixmap.rect(), g);
    p.fillRect(QRect(0, 0, 6, 101), kAccent);
    DrawMark(p, QRectF(18, 10, 44, 44));
    p.setPen(kNavy);
    p.setFont(UiFont(20, QFont::Bold));
    p.drawText(QRect(74, 8, 270, 26), Qt::AlignVCenter, QStringLiteral("Dravik 1.0"));
    p.setFont(UiFont(11));
    p.setPen(QColor(50, 70, 100));
    p.drawText(QRect(74, 29, 270, 16), Qt::AlignVCenter,
               QStringLiteral("Limits how fast, and how much,"));
    p.drawText(QRect(74, 43, 270, 16), Qt::AlignVCenter,
               QStringLiteral("programs read and write the disk."));
    return pixmap;
}

QPixmap EditorPicture() {
    QPixmap pixmap(576, 261);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 261);
    g.setColorAt(0, QColor(244, 247, 252));
    g.setColorAt(1, QColor(220, 229, 242));
    p.fillRect(pixmap.rect(), g);

    // Heading band.
    QLinearGradient head(0, 0, 0, 30);
    head.setColorAt(0, QColor(40, 80, 134));
    head.setColorAt(1, kNavy);
    p.fillRect(QRect(0, 0, 576, 30), head);
    p.setPen(Qt::white);
    p.setFont(UiFont(14, QFont::Bold));
    p.drawText(QRect(14, 0, 300, 30), Qt::AlignVCenter, QStringLiteral("Setting"));

    // Two group boxes: reading at the left, writing at the right.
    p.setPen(QPen(QColor(160, 180, 210), 1));
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawRoundedRect(QRectF(10.5, 78.5, 267, 124), 5, 5);
    p.drawRoundedRect(QRectF(295.5, 78.5, 270, 124), 5, 5);

    p.setPen(kNavy);
    p.setFont(UiFont(12, QFont::DemiBold));
    p.drawText(QRect(300, 40, 66, 20), Qt::AlignVCenter | Qt::AlignRight,
               QStringLiteral("Target:"));
    // The mode list starts at x 43: the label keeps clear of the dialog's edge.
    p.setFont(UiFont(10, QFont::DemiBold));
    p.drawText(QRect(4, 40, 36, 20), Qt::AlignVCenter | Qt::AlignRight, QStringLiteral("Mode:"));
    p.setFont(UiFont(12));
    p.drawText(QRect(40, 89, 230, 20), Qt::AlignVCenter, QStringLiteral("Control read-speed"));
    p.drawText(QRect(40, 152, 230, 20), Qt::AlignVCenter, QStringLiteral("Limit the sum of reads"));
    p.drawText(QRect(325, 89, 230, 20), Qt::AlignVCenter, QStringLiteral("Control write-speed"));
    p.drawText(QRect(325, 152, 230, 20), Qt::AlignVCenter,
               QStringLiteral("Limit the sum of writes"));
    p.setPen(QColor(70, 90, 120));
    p.drawText(QRect(245, 104, 40, 20), Qt::AlignVCenter, QStringLiteral("MB/S"));
    p.drawText(QRect(245, 168, 40, 20), Qt::AlignVCenter, QStringLiteral("GB"));
    p.drawText(QRect(530, 104, 40, 20), Qt::AlignVCenter, QStringLiteral("MB/S"));
    p.drawText(QRect(530, 168, 40, 20), Qt::AlignVCenter, QStringLiteral("GB"));

    // Faces of the three buttons, under the real ones.
    const struct {
        QRect r;
        const char* text;
    } faces[] = {{QRect(143, 218, 85, 21), "Apply"},
                 {QRect(245, 218, 85, 21), "OK"},
                 {QRect(347, 218, 85, 21), "Cancel"}};
    for (const auto& face : faces) {
        p.setPen(kHighlightEdge);
        p.setBrush(kHighlight);
        p.drawRoundedRect(QRectF(face.r).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
        p.setPen(kNavy);
        p.drawText(face.r, Qt::AlignCenter, QString::fromLatin1(face.text));
    }
    return pixmap;
}

} // namespace skin::art
