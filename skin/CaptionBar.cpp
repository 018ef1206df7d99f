#include "skin/CaptionBar.h"

#include "skin/SkinColors.h"
#include "skin/SkinImages.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace {
constexpr int kCloseImage = 130;
constexpr int kCloseHotImage = 129;
constexpr int kMinimiseImage = 133;
constexpr int kMinimiseHotImage = 132;
constexpr int kLogoImage = 131;
constexpr int kCaptionImage = 134;
} // namespace

CCaptionBar::CCaptionBar(QWidget* pParent) : QWidget(pParent) {
    setFixedHeight(kHeight);
    setMouseTracking(true);
}

void CCaptionBar::SetTitle(const QString& strTitle) {
    m_strTitle = strTitle;
    update();
}

void CCaptionBar::SetMinimiseVisible(bool bVisible) {
    m_bShowMinimise = bVisible;
    update();
}

QRect CCaptionBar::CloseRect() const {
    const QSize size = skin::Image(kCloseImage).deviceIndependentSize().toSize();
    return QRect(QPoint(width() - 23, 6), size);
}

QRect CCaptionBar::MinimiseRect() const {
    if (!m_bShowMinimise)
        return QRect();
    const QSize size = skin::Image(kMinimiseImage).deviceIndependentSize().toSize();
    return QRect(QPoint(width() - 44, 6), size);
}

QRect CCaptionBar::LogoRect() const {
    return QRect(QPoint(5, 0), skin::Image(kLogoImage).deviceIndependentSize().toSize());
}

void CCaptionBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(rect(), skin::Image(kCaptionImage));

    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(14);
    font.setWeight(QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(skin::kCaptionText);
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, m_strTitle);

    painter.drawPixmap(LogoRect().topLeft(), skin::Image(kLogoImage));
    painter.drawPixmap(CloseRect().topLeft(),
                       skin::Image(m_bCloseHot ? kCloseHotImage : kCloseImage));
    if (m_bShowMinimise)
        painter.drawPixmap(MinimiseRect().topLeft(),
                           skin::Image(m_bMinimiseHot ? kMinimiseHotImage : kMinimiseImage));
}

void CCaptionBar::UpdateHot(const QPoint& pos) {
    const bool bClose = CloseRect().contains(pos);
    const bool bMinimise = MinimiseRect().contains(pos);
    if (bClose != m_bCloseHot || bMinimise != m_bMinimiseHot) {
        m_bCloseHot = bClose;
        m_bMinimiseHot = bMinimise;
        update();
    }
}

void CCaptionBar::mousePressEvent(QMouseEvent* pEvent) {
    if (pEvent->button() != Qt::LeftButton)
        return;
    const QPoint pos = pEvent->position().toPoint();
    const int buttonsLeft = m_bShowMinimise ? MinimiseRect().left() : CloseRect().left();
    if (CloseRect().contains(pos)) {
        emit CloseClicked();
    } else if (MinimiseRect().contains(pos)) {
        emit MinimiseClicked();
    } else if (pos.x() < buttonsLeft) {
        // Prefer the window manager's own move, which also snaps and works
        // on Wayland; fall back to moving the window by hand.
        QWindow* pHandle = window()->windowHandle();
        if (pHandle && pHandle->startSystemMove())
            return;
        m_bDragging = true;
        m_ptDragOffset = pEvent->globalPosition().toPoint() - window()->frameGeometry().topLeft();
    }
}

void CCaptionBar::mouseMoveEvent(QMouseEvent* pEvent) {
    if (m_bDragging) {
        window()->move(pEvent->globalPosition().toPoint() - m_ptDragOffset);
        return;
    }
    UpdateHot(pEvent->position().toPoint());
}

void CCaptionBar::mouseReleaseEvent(QMouseEvent*) {
    m_bDragging = false;
}

void CCaptionBar::leaveEvent(QEvent*) {
    UpdateHot(QPoint(-1, -1));
}
