#include "skin/FlatMenuStyle.h"

#include "skin/SkinColors.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

namespace {

constexpr int kGutter = 26;
constexpr int kItemHeight = 22;
constexpr int kSeparatorHeight = 7;

void DrawCheck(QPainter* pPainter, const QRect& box, const QColor& color) {
    pPainter->save();
    pPainter->setRenderHint(QPainter::Antialiasing);
    pPainter->setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath tick;
    const QPointF c = QRectF(box).center();
    tick.moveTo(c.x() - 4.5, c.y());
    tick.lineTo(c.x() - 1.5, c.y() + 3.5);
    tick.lineTo(c.x() + 4.5, c.y() - 4);
    pPainter->drawPath(tick);
    pPainter->restore();
}

void DrawMenuItem(const QStyleOptionMenuItem* pItem, QPainter* pPainter) {
    const QRect r = pItem->rect;
    pPainter->fillRect(r, skin::kMenuBack);
    pPainter->fillRect(QRect(r.left(), r.top(), kGutter, r.height()), skin::kMenuGutter);

    if (pItem->menuItemType == QStyleOptionMenuItem::Separator) {
        const int y = r.center().y();
        pPainter->setPen(skin::kPanel);
        pPainter->drawLine(r.left() + kGutter + 4, y, r.right() - 4, y);
        return;
    }

    const bool bEnabled = pItem->state & QStyle::State_Enabled;
    const bool bSelected = bEnabled && (pItem->state & QStyle::State_Selected);
    if (bSelected) {
        const QRect hi = r.adjusted(2, 1, -2, -1);
        pPainter->fillRect(hi, skin::kHighlight);
        pPainter->setPen(skin::kHighlightEdge);
        pPainter->drawRect(hi.adjusted(0, 0, -1, -1));
    }

    const QColor text = bEnabled ? skin::kCaptionText : skin::kGrayText;
    const QRect gutter(r.left() + 2, r.top(), kGutter - 4, r.height());
    if (pItem->checkType != QStyleOptionMenuItem::NotCheckable && pItem->checked) {
        const QRect box = QRect(0, 0, 16, 16).translated(gutter.center() - QPoint(8, 8));
        if (!bSelected) {
            pPainter->fillRect(box, skin::kHighlight);
            pPainter->setPen(skin::kHighlightEdge);
            pPainter->drawRect(box.adjusted(0, 0, -1, -1));
        }
        DrawCheck(pPainter, box, text);
    } else if (!pItem->icon.isNull()) {
        const QPixmap pm = pItem->icon.pixmap(16, bEnabled ? QIcon::Normal : QIcon::Disabled);
        pPainter->drawPixmap(gutter.center() - QPoint(8, 8), pm);
    }

    QString label = pItem->text;
    QString shortcut;
    if (const int tab = label.indexOf(QLatin1Char('\t')); tab >= 0) {
        shortcut = label.mid(tab + 1);
        label = label.left(tab);
    }
    QFont font = pItem->font;
    if (pItem->menuItemType == QStyleOptionMenuItem::DefaultItem)
        font.setBold(true);
    pPainter->setFont(font);
    pPainter->setPen(text);
    const QRect textRect = r.adjusted(kGutter + 8, 0, -12, 0);
    pPainter->drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextShowMnemonic, label);
    if (!shortcut.isEmpty())
        pPainter->drawText(textRect, Qt::AlignVCenter | Qt::AlignRight, shortcut);
    if (pItem->menuItemType == QStyleOptionMenuItem::SubMenu) {
        const int cx = r.right() - 8;
        const int cy = r.center().y();
        pPainter->save();
        pPainter->setRenderHint(QPainter::Antialiasing);
        pPainter->setBrush(text);
        pPainter->setPen(Qt::NoPen);
        pPainter->drawPolygon(
            QPolygon({QPoint(cx - 3, cy - 4), QPoint(cx + 1, cy), QPoint(cx - 3, cy + 4)}));
        pPainter->restore();
    }
}

void DrawMenuBarItem(const QStyleOptionMenuItem* pItem, QPainter* pPainter) {
    const QRect r = pItem->rect;
    pPainter->fillRect(r, skin::kMenuBand);
    const bool bActive =
        (pItem->state & QStyle::State_Selected) &&
        (pItem->state & (QStyle::State_Sunken | QStyle::State_MouseOver | QStyle::State_HasFocus));
    if (bActive) {
        const QRect hi = r.adjusted(1, 1, -1, -1);
        pPainter->fillRect(hi, skin::kHighlight);
        pPainter->setPen(skin::kHighlightEdge);
        pPainter->drawRect(hi.adjusted(0, 0, -1, -1));
    }
    pPainter->setPen(skin::kCaptionText);
    pPainter->setFont(pItem->font);
    pPainter->drawText(r, Qt::AlignCenter | Qt::TextShowMnemonic, pItem->text);
}

} // namespace

CFlatMenuStyle::CFlatMenuStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void CFlatMenuStyle::drawControl(ControlElement element, const QStyleOption* pOption,
                                 QPainter* pPainter, const QWidget* pWidget) const {
    switch (element) {
    case CE_MenuItem:
        if (auto* pItem = qstyleoption_cast<const QStyleOptionMenuItem*>(pOption)) {
            DrawMenuItem(pItem, pPainter);
            return;
        }
        break;
    case CE_MenuBarItem:
        if (auto* pItem = qstyleoption_cast<const QStyleOptionMenuItem*>(pOption)) {
            DrawMenuBarItem(pItem, pPainter);
            return;
        }
        break;
    case CE_MenuBarEmptyArea:
        pPainter->fillRect(pOption->rect, skin::kMenuBand);
        return;
    case CE_MenuEmptyArea:
        pPainter->fillRect(pOption->rect, skin::kMenuBack);
        return;
    default:
        break;
    }
    QProxyStyle::drawControl(element, pOption, pPainter, pWidget);
}

void CFlatMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* pOption,
                                   QPainter* pPainter, const QWidget* pWidget) const {
    switch (element) {
    case PE_PanelMenu:
        pPainter->fillRect(pOption->rect, skin::kMenuBack);
        return;
    case PE_FrameMenu:
        pPainter->setPen(skin::kHighlightEdge);
        pPainter->setBrush(Qt::NoBrush);
        pPainter->drawRect(pOption->rect.adjusted(0, 0, -1, -1));
        return;
    case PE_PanelMenuBar:
        pPainter->fillRect(pOption->rect, skin::kMenuBand);
        return;
    default:
        break;
    }
    QProxyStyle::drawPrimitive(element, pOption, pPainter, pWidget);
}

int CFlatMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* pOption,
                                const QWidget* pWidget) const {
    switch (metric) {
    case PM_MenuPanelWidth:
        return 1;
    case PM_MenuHMargin:
    case PM_MenuVMargin:
        return 1;
    case PM_MenuBarPanelWidth:
    case PM_MenuBarVMargin:
    case PM_MenuBarHMargin:
        return 0;
    case PM_MenuBarItemSpacing:
        return 2;
    default:
        return QProxyStyle::pixelMetric(metric, pOption, pWidget);
    }
}

QSize CFlatMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* pOption,
                                       const QSize& size, const QWidget* pWidget) const {
    QSize result = QProxyStyle::sizeFromContents(type, pOption, size, pWidget);
    if (type == CT_MenuItem) {
        if (auto* pItem = qstyleoption_cast<const QStyleOptionMenuItem*>(pOption)) {
            if (pItem->menuItemType == QStyleOptionMenuItem::Separator)
                return QSize(result.width(), kSeparatorHeight);
            QFont bold = pItem->font;
            bold.setBold(true);
            const int textWidth = QFontMetrics(bold).horizontalAdvance(pItem->text) + 24;
            return QSize(std::max(result.width(), kGutter + 8 + textWidth + 12), kItemHeight);
        }
    }
    if (type == CT_MenuBarItem)
        return QSize(result.width() + 6, 19);
    return result;
}

int CFlatMenuStyle::styleHint(StyleHint hint, const QStyleOption* pOption, const QWidget* pWidget,
                              QStyleHintReturn* pReturn) const {
    if (hint == SH_Menu_Scrollable)
        return 0;
    return QProxyStyle::styleHint(hint, pOption, pWidget, pReturn);
}

void CFlatMenuStyle::Install(QApplication& app) {
    app.setStyle(new CFlatMenuStyle);
}
