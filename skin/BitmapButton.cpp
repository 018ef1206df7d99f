#include "skin/BitmapButton.h"

#include "skin/SkinImages.h"

#include <QEnterEvent>
#include <QPainter>

CBitmapButton::CBitmapButton(QWidget* pParent) : QAbstractButton(pParent) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

void CBitmapButton::SetSkin(const BUTTON_SKIN& skin) {
    m_Skin = skin;
    auto load = [](int id) { return id ? skin::Image(id) : QPixmap(); };
    SetImages(load(skin.nNormal), load(skin.nPressed), load(skin.nHover), load(skin.nDisabled),
              load(skin.nFocus));
}

void CBitmapButton::SetImages(const QPixmap& normal, const QPixmap& pressed, const QPixmap& hover,
                              const QPixmap& disabled, const QPixmap& focus) {
    m_Images[int(State::Normal)] = normal;
    m_Images[int(State::Pressed)] = pressed;
    m_Images[int(State::Hover)] = hover;
    m_Images[int(State::Disabled)] = disabled;
    m_Images[int(State::Focus)] = focus;
    updateGeometry();
    update();
}

CBitmapButton::State CBitmapButton::CurrentState() const {
    if (!isEnabled())
        return State::Disabled;
    if (isDown() || isChecked())
        return State::Pressed;
    if (m_bHover)
        return m_Images[int(State::Hover)].isNull() && !m_Images[int(State::Focus)].isNull()
                   ? State::Focus
                   : State::Hover;
    if (hasFocus())
        return State::Focus;
    return State::Normal;
}

const QPixmap& CBitmapButton::ImageFor(State state) const {
    const QPixmap& image = m_Images[int(state)];
    return image.isNull() ? m_Images[int(State::Normal)] : image;
}

QSize CBitmapButton::sizeHint() const {
    const QPixmap& normal = m_Images[int(State::Normal)];
    return normal.isNull() ? QSize(32, 32) : normal.deviceIndependentSize().toSize();
}

void CBitmapButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPixmap& image = ImageFor(CurrentState());
    if (!image.isNull())
        painter.drawPixmap(rect(), image);
}

void CBitmapButton::enterEvent(QEnterEvent* pEvent) {
    m_bHover = true;
    update();
    QAbstractButton::enterEvent(pEvent);
}

void CBitmapButton::leaveEvent(QEvent* pEvent) {
    m_bHover = false;
    update();
    QAbstractButton::leaveEvent(pEvent);
}
