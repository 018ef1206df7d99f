// The program's flat look for menus: the menu bar, the tray menu and every
// popup are drawn flat in the skin's colours, with check marks, grayed items
// and a bold default item. Everything else is left to the base style.
#pragma once

#include <QProxyStyle>

class QApplication;

class CFlatMenuStyle : public QProxyStyle {
    Q_OBJECT
public:
    CFlatMenuStyle();

    void drawControl(ControlElement element, const QStyleOption* pOption, QPainter* pPainter,
                     const QWidget* pWidget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* pOption, QPainter* pPainter,
                       const QWidget* pWidget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* pOption = nullptr,
                    const QWidget* pWidget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* pOption, const QSize& size,
                           const QWidget* pWidget) const override;
    int styleHint(StyleHint hint, const QStyleOption* pOption = nullptr,
                  const QWidget* pWidget = nullptr,
                  QStyleHintReturn* pReturn = nullptr) const override;

    // Chosen once at start-up: every menu of the program is drawn flat from
    // then on. The application takes ownership of the style.
    static void Install(QApplication& app);
};
