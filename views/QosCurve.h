// The scrolling speed chart: one chosen mission's recent read speed (green)
// and write speed (red) over a dark grid, the newest sample at the right,
// one sample every m_nStepX pixels. The chart keeps no samples of its own;
// it draws the history the mission keeps, so choosing another mission shows
// that mission's history at once.
#pragma once

#include "flowlib/FlowTypes.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QFrame>
#include <QImage>
#include <QPen>

class CMission;
class QPainter;

class CQosCurve : public QFrame {
    Q_OBJECT

public:
    static constexpr int CHART_CONTROL_ID = 1086;

    // Members take their initial values; the widget stays hidden until
    // CreateChart places it.
    explicit CQosCurve(QWidget* pParent = nullptr);
    ~CQosCurve() override;

    // Places the chart (a child with a thin border, named "QosCurve") at
    // rect in pParent and hides it. Only the first call does anything. The
    // drawing area is the client area inside the one-pixel border.
    void CreateChart(const QRect& rect, QWidget* pParent);
    bool IsCreated() const { return m_bCreated; }
    // Shows or hides the chart.
    void ShowChart(bool bShow);

    // The mission drawn (not owned); nullptr draws grid, axes and labels only.
    void SetMission(CMission* pMission) { m_pMission = pMission; }
    CMission* GetMission() const { return m_pMission; }
    void SetShowRead(bool bShow) { m_bShowRead = bShow ? TRUE : FALSE; }
    void SetShowWrite(bool bShow) { m_bShowWrite = bShow ? TRUE : FALSE; }

    // With a mission set, redraws at once (as for a paint request); without
    // one nothing happens. Called on every refresh tick.
    void UpdateChart();

    // Draws the whole chart for a client area of nWidth x nHeight with its
    // top-left corner at the painter's origin. Used by the paint handler on
    // the off-screen image, by benchmarks and by tests.
    void DrawChart(QPainter& painter, int nWidth, int nHeight) const;
    // The chart drawn off-screen at the given client size.
    QImage RenderChart(int nWidth, int nHeight) const;

    QColor m_crBack{0, 0, 0};
    QColor m_crGrid{0, 92, 0};
    QColor m_crRead{0, 255, 0};
    QColor m_crWrite{255, 0, 0};
    QColor m_crAxis{255, 255, 0};
    int m_nStepX = 10; // pixels between samples and vertical grid lines
    int m_nStepY = 10; // pixels between horizontal grid lines
    BOOL m_bShowRead = TRUE;
    BOOL m_bShowWrite = TRUE;
    int m_nMargin = 40;                 // from each client edge to the plot area
    int m_nMaxSpeed = 50 * 1024 * 1024; // bytes/s at the top label
    int m_nLabelCount = 5;              // intervals between speed labels

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    // Where the plot area, the grid's last lines and the scale fall for one
    // client size.
    struct LAYOUT {
        int W = 0, H = 0;               // client area
        int L = 0, T = 0, R = 0, B = 0; // plot area inside the margins
        int nRows = 0;                  // horizontal grid lines
        int T2 = 0;                     // the top grid line
        int R2 = 0;                     // the right-most vertical grid line
        int y0 = 0;                     // the top label's line
        int nLabelStep = 0;             // pixels between labels; 0: no scale
    };
    // Everything the grid, axes and labels are drawn from.
    struct BACKGROUND_KEY {
        int W, H;
        QRgb crBack, crGrid, crAxis;
        int nStepX, nStepY, nMargin, nMaxSpeed, nLabelCount;
        QString strFont;
        bool operator==(const BACKGROUND_KEY&) const = default;
    };

    LAYOUT Layout(int nWidth, int nHeight) const;
    BACKGROUND_KEY BackgroundKey(const LAYOUT& layout) const;
    void DrawBackground(QPainter& painter, const LAYOUT& layout) const;
    void DrawCurves(QPainter& painter, const LAYOUT& layout) const;

    CMission* m_pMission = nullptr; // not owned
    bool m_bCreated = false;

    // Drawing objects, made once from the colours above.
    QBrush m_brBack;
    QPen m_penGrid;
    QPen m_penRead;
    QPen m_penWrite;
    QPen m_penAxis;
    QFont m_font;
    // Off-screen image, kept between paints so a tick does not allocate.
    QImage m_imgBuffer;
    // Grid, axes and labels as last drawn, and what they were drawn from.
    QImage m_imgBackground;
    BACKGROUND_KEY m_keyBackground{};
};
