// A push button drawn entirely from per-state images, with a tooltip.
// Used for the toolbar, the group selector column and the bottom-pane tabs.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

struct BUTTON_SKIN {
    int nNormal = 0;
    int nPressed = 0;
    int nHover = 0;    // 0: the hover state shows the focus or normal image
    int nDisabled = 0; // 0: the disabled state shows the normal image
    int nFocus = 0;    // 0: no separate focus image
};

class CBitmapButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class State { Normal, Pressed, Hover, Disabled, Focus };

    explicit CBitmapButton(QWidget* pParent = nullptr);

    // Takes the images by their resource numbers (see skin::Image).
    void SetSkin(const BUTTON_SKIN& skin);
    void SetImages(const QPixmap& normal, const QPixmap& pressed, const QPixmap& hover = {},
                   const QPixmap& disabled = {}, const QPixmap& focus = {});
    const BUTTON_SKIN& Skin() const { return m_Skin; }

    // The state whose image is drawn now; a missing image falls back to the
    // normal one when painting.
    State CurrentState() const;
    const QPixmap& ImageFor(State state) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void enterEvent(QEnterEvent* pEvent) override;
    void leaveEvent(QEvent* pEvent) override;

private:
    BUTTON_SKIN m_Skin;
    QPixmap m_Images[5];
    bool m_bHover = false;
};
