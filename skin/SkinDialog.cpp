#include "skin/SkinDialog.h"

#include "skin/CaptionBar.h"
#include "skin/SkinColors.h"
#include "skin/SkinImages.h"

#include <QMenuBar>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int kBorder = 1;

// Paints the owner's background picture 1:1 from the top-left corner; the
// picture is drawn to cover the whole area, so nothing is erased first.
class CSkinClient : public QWidget {
public:
    explicit CSkinClient(const CSkinDialog* pOwner, QWidget* pParent)
        : QWidget(pParent), m_pOwner(pOwner) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QPixmap picture =
            m_pOwner->Background() ? skin::Image(m_pOwner->Background()) : QPixmap();
        const QSize covered = picture.deviceIndependentSize().toSize();
        if (covered.width() < width() || covered.height() < height())
            painter.fillRect(rect(), skin::kPanel);
        if (!picture.isNull())
            painter.drawPixmap(0, 0, picture);
    }

private:
    const CSkinDialog* m_pOwner;
};

} // namespace

CSkinDialog::CSkinDialog(QWidget* pParent, bool bTopLevel) : QDialog(pParent) {
    setWindowFlags((bTopLevel ? Qt::Window : Qt::Dialog) | Qt::FramelessWindowHint);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(kBorder, kBorder, kBorder, kBorder);
    pLayout->setSpacing(0);
    m_pCaption = new CCaptionBar(this);
    m_pClient = new CSkinClient(this, this);
    pLayout->addWidget(m_pCaption);
    pLayout->addWidget(m_pClient, 1);
    connect(this, &QWidget::windowTitleChanged, m_pCaption, &CCaptionBar::SetTitle);
}

QMenuBar* CSkinDialog::MenuBar() {
    if (!m_pMenuBar) {
        m_pMenuBar = new QMenuBar(this);
        m_pMenuBar->setNativeMenuBar(false);
        m_pMenuBar->setFixedHeight(kMenuBarHeight);
        static_cast<QVBoxLayout*>(layout())->insertWidget(1, m_pMenuBar);
    }
    return m_pMenuBar;
}

void CSkinDialog::SetBackground(int nResourceId) {
    m_nBackground = nResourceId;
    m_pClient->update();
}

int CSkinDialog::NonClientHeight() const {
    return 2 * kBorder + CCaptionBar::kHeight + (m_pMenuBar ? kMenuBarHeight : 0);
}

int CSkinDialog::NonClientWidth() const {
    return 2 * kBorder;
}

void CSkinDialog::SetClientSize(const QSize& size) {
    const int nMenu = m_pMenuBar ? 19 : 0;
    setFixedSize(size.width() + 2 * kBorder,
                 size.height() + 2 * kBorder + CCaptionBar::kHeight + nMenu);
}

void CSkinDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(skin::kNavy);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
