// The drawn caption strip of the program's windows: stretched caption image,
// centred title, logo at the left, minimise and close images at the right that
// light up under the pointer. Dragging the strip left of the buttons moves the
// window.
#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>

class CCaptionBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 26;

    explicit CCaptionBar(QWidget* pParent = nullptr);

    void SetTitle(const QString& strTitle);
    QString Title() const { return m_strTitle; }
    void SetMinimiseVisible(bool bVisible);

    // In the strip's own coordinates (the window's, as the strip starts at 0, 0).
    QRect CloseRect() const;
    QRect MinimiseRect() const;
    QRect LogoRect() const;
    bool IsCloseHot() const { return m_bCloseHot; }
    bool IsMinimiseHot() const { return m_bMinimiseHot; }

signals:
    void CloseClicked();
    void MinimiseClicked();

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void leaveEvent(QEvent* pEvent) override;

private:
    void UpdateHot(const QPoint& pos);

    QString m_strTitle;
    bool m_bShowMinimise = true;
    bool m_bCloseHot = false;
    bool m_bMinimiseHot = false;
    bool m_bDragging = false;
    QPoint m_ptDragOffset;
};
