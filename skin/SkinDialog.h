// The base of the program's windows: a frameless dialog with the drawn
// caption strip, an optional flat menu bar under it, and a client area that
// shows a background picture copied unscaled from its top-left corner.
// Controls are placed in Client() by pixel coordinates.
#pragma once

#include <QDialog>

class CCaptionBar;
class QMenuBar;

class CSkinDialog : public QDialog {
    Q_OBJECT
public:
    // bTopLevel: a main window of its own (shown in the task bar) rather than
    // a dialog over its parent.
    CSkinDialog(QWidget* pParent, bool bTopLevel);

    CCaptionBar* Caption() const { return m_pCaption; }
    QWidget* Client() const { return m_pClient; }
    // Created on first use, between the caption and the client area.
    QMenuBar* MenuBar();

    void SetBackground(int nResourceId);
    int Background() const { return m_nBackground; }
    // Resizes the window so that its client area has this size.
    void SetClientSize(const QSize& size);
    static constexpr int kMenuBarHeight = 19;
    // Height of caption, menu bar and borders around the client area.
    int NonClientHeight() const;
    int NonClientWidth() const;

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    CCaptionBar* m_pCaption;
    QMenuBar* m_pMenuBar = nullptr;
    QWidget* m_pClient;
    int m_nBackground = 0;
};
