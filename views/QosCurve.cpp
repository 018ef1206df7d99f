#include "views/QosCurve.h"

#include "missions/Mission.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QPolygon>
#include <algorithm>
#include <cstdlib>

namespace {

// Lines end one pixel short of their end point, as the platform's line
// drawing does, so the grid, axes and ticks land exactly where the layout
// says (a grid line from L to R covers L .. R - 1). Level and upright lines
// are filled as one-pixel rectangles: the same pixels as a one-pixel solid
// pen, at a small part of the cost of stroking (a chart repaints about a
// hundred grid lines every refresh).
void LineTo(QPainter& painter, int x0, int y0, int x1, int y1) {
    if (x0 == x1 && y0 == y1)
        return;
    const QColor& colour = painter.pen().color();
    if (y0 == y1)
        painter.fillRect(QRect(std::min(x0, x1 + 1), y0, std::abs(x1 - x0), 1), colour);
    else if (x0 == x1)
        painter.fillRect(QRect(x0, std::min(y0, y1 + 1), 1, std::abs(y1 - y0)), colour);
    else
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
        const LAYOUT layout = Layout(client.width(), client.height());
        // Grid, axes and labels change only with the size or the settings:
        // they are drawn once and copied under the curves on every tick.
        const BACKGROUND_KEY key = BackgroundKey(layout);
        if (m_imgBackground.isNull() || !(key == m_keyBackground)) {
            m_imgBackground = QImage(client.size(), QImage::Format_RGB32);
            QPainter background(&m_imgBackground);
            DrawBackground(background, layout);
            m_keyBackground = key;
        }
        if (m_imgBuffer.size() != client.size())
            m_imgBuffer = QImage(client.size(), QImage::Format_RGB32);
        {
            QPainter offscreen(&m_imgBuffer);
            offscreen.setCompositionMode(QPainter::CompositionMode_Source);
            offscreen.drawImage(0, 0, m_imgBackground);
            offscreen.setCompositionMode(QPainter::CompositionMode_SourceOver);
            DrawCurves(offscreen, layout);
        }
        painter.drawImage(client.topLeft(), m_imgBuffer);
    }
    painter.end();
    QFrame::paintEvent(pEvent); // the border
}

CQosCurve::LAYOUT CQosCurve::Layout(int W, int H) const {
    LAYOUT layout;
    layout.W = W;
    layout.H = H;
    layout.L = m_nMargin;
    layout.T = m_nMargin;
    layout.R = W - m_nMargin;
    layout.B = H - m_nMargin;
    // Horizontal grid lines go upwards from the bottom, vertical ones
    // rightwards from the left, each step pixels apart.
    if (m_nStepY > 0) {
        for (int y = layout.B - m_nStepY; y >= layout.T; y -= m_nStepY)
            ++layout.nRows;
    }
    layout.T2 = layout.B - layout.nRows * m_nStepY;
    layout.R2 = layout.L;
    if (m_nStepX > 0) {
        for (int x = layout.L + m_nStepX; x < layout.R; x += m_nStepX)
            layout.R2 = x;
    }
    // A plot area lower than m_nLabelCount grid rows has no scale: the labels
    // would be zero pixels apart and the pixels per byte infinite, so only
    // the grid and axes are drawn.
    if (m_nLabelCount > 0) {
        const int N = (layout.nRows / m_nLabelCount) * m_nLabelCount * m_nStepY;
        layout.nLabelStep = N / m_nLabelCount;
        if (N > 0 && layout.nLabelStep > 0)
            layout.y0 = layout.B - N;
        else
            layout.nLabelStep = 0;
    }
    return layout;
}

CQosCurve::BACKGROUND_KEY CQosCurve::BackgroundKey(const LAYOUT& layout) const {
    return {layout.W,
            layout.H,
            m_brBack.color().rgba(),
            m_penGrid.color().rgba(),
            m_penAxis.color().rgba(),
            m_nStepX,
            m_nStepY,
            m_nMargin,
            m_nMaxSpeed,
            m_nLabelCount,
            m_font.key()};
}

void CQosCurve::DrawChart(QPainter& painter, int W, int H) const {
    const LAYOUT layout = Layout(W, H);
    DrawBackground(painter, layout);
    DrawCurves(painter, layout);
}

void CQosCurve::DrawBackground(QPainter& painter, const LAYOUT& layout) const {
    const int W = layout.W, H = layout.H, L = layout.L, T = layout.T, R = layout.R, B = layout.B,
              T2 = layout.T2, R2 = layout.R2;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(QRect(0, 0, W, H), m_brBack);

    painter.setPen(m_penGrid);
    if (m_nStepY > 0) {
        for (int y = B - m_nStepY; y >= T; y -= m_nStepY)
            LineTo(painter, L, y, R, y);
    }
    if (m_nStepX > 0) {
        for (int x = L + m_nStepX; x < R; x += m_nStepX)
            LineTo(painter, x, T2, x, B);
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

    if (layout.nLabelStep > 0) {
        int nValue = m_nMaxSpeed;
        for (int y = layout.y0; y <= B; y += layout.nLabelStep) {
            LineTo(painter, L, y, L + 5, y);
            drawText(10, y, QString::asprintf("%d", static_cast<int>(nValue / 1024.0 / 1024.0)));
            nValue -= m_nMaxSpeed / m_nLabelCount;
        }
    }
    painter.restore();
}

void CQosCurve::DrawCurves(QPainter& painter, const LAYOUT& layout) const {
    if (layout.nLabelStep <= 0 || !m_pMission || m_nStepX <= 0)
        return;
    const int L = layout.L, B = layout.B, R2 = layout.R2;
    const double k = static_cast<double>(m_nMaxSpeed) / (B - layout.y0);
    if (!(k > 0))
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
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
    painter.restore();
}
