#include "views/QosCurve.h"

#include <QPolygon>

#include "missions/Mission.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <algorithm>

namespace {

// Lines end one pixel short of their end point, as the platform's line
// drawing does, so the grid, axes and ticks land exactly where the layout
// says (a grid line from L to R covers L .. R - 1).
void LineTo(QPainter& painter, int x0, int y0, int x1, int y1) {
    if (x0 == x1 && y0 == y1)
        return;
    if (y0 == y1)
        x1 += x1 > x0 ? -1 : 1;
    else if (x0 == x1)
        y1 += y1 > y0 ? -1 : 1;
    painter.drawLine(x0, y0, x1, y1);
}

} // namespace

CQosCurve::CQosCurve(QWidget* pParent)
    : QFrame(pParent), m_brBack(m_crBack), m_penGrid(m_crGrid, 1), m_penRead(m_crRead, 1),
      m_penWrite(m_crWrite, 1), m_penAxis(m_crAxis, 1) {
    // A Times face at a 14-pixel cell height: Qt sizes fonts by their em,
    // which for this face is 12 of the cell's 14 pixels.
    m_font.setFamily(QStringLiteral("Times New Roman"));
    m_font.setStyleHint(QFont::Serif, QFont::PreferQuality);
    m_font.setPixelSize(12);
    m_font.setWeight(QFont::Normal);
    setObjectName(QStringLiteral("QosCurve"));
    setWindowTitle(QStringLiteral("QosCurve"));
    // The drawing covers the whole client area; nothing is erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    hide();
}

CQosCurve::~CQosCurve() = default;

void CQosCurve::CreateChart(const QRect& rect, QWidget* pParent) {
    if (m_bCreated)
        return;
    m_bCreated = true;
    if (pParent && parentWidget() != pParent)
        setParent(pParent);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, QColor(70, 86, 110));
    setPalette(palette);
    setGeometry(rect);
    ShowChart(false);
}

void CQosCurve::ShowChart(bool bShow) {
    setVisible(bShow);
}

void CQosCurve::UpdateChart() {
    if (m_pMission)
        repaint();
}

QImage CQosCurve::RenderChart(int nWidth, int nHeight) const {
    QImage image(qMax(nWidth, 1), qMax(nHeight, 1), QImage::Format_RGB32);
    QPainter painter(&image);
    DrawChart(painter, nWidth, nHeight);
    return image;
}

void CQosCurve::paintEvent(QPaintEvent* pEvent) {
    QPainter painter(this);
    const QRect client = contentsRect();
    if (client.width() > 0 && client.height() > 0) {
        if (m_imgBuffer.size() != client.size())
            m_imgBuffer = QImage(client.size(), QImage::Format_RGB32);
        {
            QPainter offscreen(&m_imgBuffer);
            DrawChart(offscreen, client.width(), client.height());
        }
        painter.drawImage(client.topLeft(), m_imgBuffer);
    }
    painter.end();
    QFrame::paintEvent(pEvent); // the border
}

void CQosCurve::DrawChart(QPainter& painter, int W, int H) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(QRect(0, 0, W, H), m_brBack);

    const int L = m_nMargin, T = m_nMargin, R = W - m_nMargin, B = H - m_nMargin;

    // Grid: horizontal lines upwards from the bottom, vertical lines
    // rightwards from the left, each m_nStep pixels apart.
    painter.setPen(m_penGrid);
    int n = 0;
    if (m_nStepY > 0) {
        for (int y = B - m_nStepY; y >= T; y -= m_nStepY, ++n)
            LineTo(painter, L, y, R, y);
    }
    const int T2 = B - n * m_nStepY;
    int R2 = L;
    if (m_nStepX > 0) {
        for (int x = L + m_nStepX; x < R; x += m_nStepX) {
            LineTo(painter, x, T2, x, B);
            R2 = x;
        }
    }

    // Axes, captions and labels.
    painter.setPen(m_penAxis);
    painter.setFont(m_font);
    LineTo(painter, L, T2 - 10, L, B);
    LineTo(painter, L, B, R2 + 10, B);
    const auto drawText = [&](int x, int y, const QString& text) {
        painter.drawText(QRect(x, y, 1000, 100), Qt::AlignLeft | Qt::AlignTop, text);
    };
    drawText(20, 20, QStringLiteral("SPEED(MB/S)"));
    drawText(W - 30, H - 30, QStringLiteral("T(s)"));

    // A plot area lower than m_nLabelCount grid rows has no scale: the labels
    // would be zero pixels apart and the pixels per byte infinite, so only
    // the grid and axes are drawn.
    if (m_nLabelCount <= 0)
        return painter.restore();
    const int N = (n / m_nLabelCount) * m_nLabelCount * m_nStepY;
    const int nLabelStep = N / m_nLabelCount;
    if (N <= 0 || nLabelStep <= 0)
        return painter.restore();
    const int y0 = B - N;
    int nValue = m_nMaxSpeed;
    for (int y = y0; y <= B; y += nLabelStep) {
        LineTo(painter, L, y, L + 5, y);
        drawText(10, y, QString::asprintf("%d", static_cast<int>(nValue / 1024.0 / 1024.0)));
        nValue -= m_nMaxSpeed / m_nLabelCount;
    }

    const double k = static_cast<double>(m_nMaxSpeed) / (B - y0);
    if (m_pMission && k > 0 && m_nStepX > 0) {
        const auto drawCurve = [&](const QPen& pen, bool bRead) {
            painter.setPen(pen);
            const auto& history = m_pMission->lstSpeed;
            // One polyline per curve: the same segments as joining each
            // sample to the next, at a fraction of the painter calls.
            QPolygon curve;
            curve.reserve(static_cast<int>(std::min<std::size_t>(history.size(), 4096)));
            int x = R2;
            for (auto it = history.rbegin(); it != history.rend() && x >= L; ++it) {
                // Speeds are unsigned: one above 2 GiB/s is far above the
                // scale, never below the axis.
                const double speed = bRead ? it->uReadSpeed : it->uWriteSpeed;
                // Far-off points are kept far off, but within what a pixel
                // coordinate can hold.
                const double y = std::clamp(B - speed / k, -1e7, 1e7);
                curve.append(QPoint(x, static_cast<int>(y)));
                x -= m_nStepX;
            }
            if (curve.size() > 1)
                painter.drawPolyline(curve);
        };
        if (m_bShowRead)
            drawCurve(m_penRead, true);
        if (m_bShowWrite)
            drawCurve(m_penWrite, false);
    }
    painter.restore();
}
