// The speed chart drawn off-screen and grabbed: grid, axes, labels and
// curves at the pixels the layout puts them, the curve switches, switching
// missions, and the widget showing exactly the off-screen drawing.
#include "missions/Mission.h"
#include "views/QosCurve.h"

#include "tests/support/QtTestApp.h"
#include <QApplication>
#include <QEvent>
#include <QImage>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <set>

namespace {

const QRgb kBack = qRgb(0, 0, 0);
const QRgb kGrid = qRgb(0, 92, 0);
const QRgb kRead = qRgb(0, 255, 0);
const QRgb kWrite = qRgb(255, 0, 0);
const QRgb kAxis = qRgb(255, 255, 0);

// Text is smoothed, so its pixels are yellowish rather than pure yellow.
bool IsText(QRgb c) {
    return qRed(c) > 100 && qGreen(c) > 100 && qBlue(c) < 80;
}

int CountPixels(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}

void SetHistory(CMission& mission, std::initializer_list<SPEED_SAMPLE> samples) {
    mission.lstSpeed.assign(samples.begin(), samples.end());
}

// A chart 600 x 310: plot area L 40, T 40, R 560, B 270; 23 horizontal grid
// lines, 51 vertical ones up to R' = 550; labels from B - 200 = 70 every 40
// pixels; 262144 bytes per pixel.
constexpr int W = 600, H = 310, L = 40, B = 270, R2 = 550, Y0 = 70;

TEST(QosCurve, GridAxesAndLabelsOfA310PixelChart) {
    CQosCurve chart;
    const QImage image = chart.RenderChart(W, H);

    std::set<int> gridRows;
    for (int y = 0; y < H; ++y) {
        if (image.pixel(45, y) == kGrid)
            gridRows.insert(y);
    }
    ASSERT_EQ(gridRows.size(), 23u);
    EXPECT_EQ(*gridRows.begin(), 40);   // T' = B - 23 * 10
    EXPECT_EQ(*gridRows.rbegin(), 260); // B - 10
    for (int y : gridRows)
        EXPECT_EQ((B - y) % 10, 0) << y;
    // Grid lines run from L to R - 1.
    EXPECT_EQ(image.pixel(559, 260), kGrid);
    EXPECT_EQ(image.pixel(560, 260), kBack);

    std::set<int> gridColumns;
    for (int x = 0; x < W; ++x) {
        if (image.pixel(x, 265) == kGrid)
            gridColumns.insert(x);
    }
    ASSERT_EQ(gridColumns.size(), 51u);
    EXPECT_EQ(*gridColumns.begin(), 50);
    EXPECT_EQ(*gridColumns.rbegin(), R2);
    EXPECT_EQ(image.pixel(R2, 40), kGrid); // from T'
    EXPECT_EQ(image.pixel(R2, 39), kBack);

    // Axes: vertical from T' - 10 down to the bottom axis, horizontal to R' + 10.
    EXPECT_EQ(image.pixel(L, 30), kAxis);
    EXPECT_EQ(image.pixel(L, 29), kBack);
    EXPECT_EQ(image.pixel(L, 200), kAxis);
    EXPECT_EQ(image.pixel(559, B), kAxis);
    EXPECT_EQ(image.pixel(R2 + 10, B), kBack);

    // Ticks five pixels long at B - 200, B - 160, ... B.
    std::set<int> tickRows;
    for (int y = 0; y < H; ++y) {
        if (image.pixel(42, y) == kAxis)
            tickRows.insert(y);
    }
    EXPECT_EQ(tickRows, (std::set<int>{70, 110, 150, 190, 230, 270}));
    EXPECT_EQ(image.pixel(44, 110), kAxis);
    EXPECT_EQ(image.pixel(45, 110), kGrid);

    // Each label's text starts at its tick's row, left of the axis; the
    // rows between labels are empty.
    for (int y = Y0; y <= B; y += 40) {
        bool bTextInRow = false, bTextInGap = false;
        for (int x = 0; x < L; ++x) {
            for (int dy = 0; dy < 14; ++dy)
                bTextInRow |= IsText(image.pixel(x, y + dy));
            for (int dy = 18; dy < 38 && y + dy < H; ++dy)
                bTextInGap |= IsText(image.pixel(x, y + dy));
        }
        EXPECT_TRUE(bTextInRow) << "label at " << y;
        EXPECT_FALSE(bTextInGap) << "below label at " << y;
        bool bAbove = false;
        for (int x = 0; x < L; ++x)
            bAbove |= IsText(image.pixel(x, y - 2));
        EXPECT_FALSE(bAbove) << "label at " << y << " starts higher";
    }
    // "SPEED(MB/S)" at (20, 20) and "T(s)" at (W - 30, H - 30).
    bool bCaption = false, bTime = false;
    for (int x = 20; x < 60; ++x)
        for (int y = 20; y < 34; ++y)
            bCaption |= IsText(image.pixel(x, y));
    for (int x = W - 30; x < W; ++x)
        for (int y = H - 30; y < H - 16; ++y)
            bTime |= IsText(image.pixel(x, y));
    EXPECT_TRUE(bCaption);
    EXPECT_TRUE(bTime);
}

TEST(QosCurve, SamplesSitAtTheirSpeedNewestAtTheRight) {
    CQosCurve chart;
    CMission mission;
    // Oldest first: 25 MB/s read then 0; the newest (right) pair is (25 MB/s, 0).
    SetHistory(mission, {{0, 26214400}, {26214400, 0}, {26214400, 0}});
    chart.SetMission(&mission);
    const QImage image = chart.RenderChart(W, H);

    // 26214400 / 262144 = 100 pixels above the axis.
    EXPECT_EQ(image.pixel(R2, B - 100), kRead);
    EXPECT_EQ(image.pixel(R2 - 5, B - 100), kRead);
    EXPECT_NE(image.pixel(R2 - 5, B - 101), kRead);
    EXPECT_NE(image.pixel(R2 - 5, B - 99), kRead);
    // Write speed 0 lies on the axis (drawn after the read curve).
    EXPECT_EQ(image.pixel(R2 - 5, B), kWrite);
    // The oldest sample, at R' - 20: read 0 on the axis, write 100 above.
    EXPECT_EQ(image.pixel(R2 - 20, B - 100), kWrite);
    // Nothing right of R'.
    for (int x = R2 + 1; x < W; ++x)
        for (int y = 0; y < H; ++y)
            ASSERT_NE(image.pixel(x, y), kRead) << x << "," << y;
}

TEST(QosCurve, SwitchesChooseTheCurves) {
    CMission mission;
    SetHistory(mission, {{10485760, 20971520}, {20971520, 10485760}, {15728640, 5242880}});
    const struct {
        bool bRead, bWrite;
    } cases[] = {{true, true}, {false, true}, {true, false}, {false, false}};
    for (const auto& c : cases) {
        CQosCurve chart;
        chart.SetMission(&mission);
        chart.SetShowRead(c.bRead);
        chart.SetShowWrite(c.bWrite);
        const QImage image = chart.RenderChart(W, H);
        EXPECT_EQ(CountPixels(image, kRead) > 0, c.bRead) << c.bRead << c.bWrite;
        EXPECT_EQ(CountPixels(image, kWrite) > 0, c.bWrite) << c.bRead << c.bWrite;
    }
}

TEST(QosCurve, NothingButGridWithoutMissionOrWithOneSample) {
    CQosCurve chart;
    EXPECT_EQ(CountPixels(chart.RenderChart(W, H), kRead), 0);
    CMission mission;
    chart.SetMission(&mission);
    EXPECT_EQ(CountPixels(chart.RenderChart(W, H), kRead), 0);
    SetHistory(mission, {{26214400, 26214400}});
    const QImage image = chart.RenderChart(W, H);
    EXPECT_EQ(CountPixels(image, kRead), 0);
    EXPECT_EQ(CountPixels(image, kWrite), 0);
}

TEST(QosCurve, AnotherMissionShowsItsOwnHistoryAtOnce) {
    CMission first, second;
    SetHistory(first, {{26214400, 0}, {26214400, 0}});
    SetHistory(second, {{13107200, 0}, {13107200, 0}});
    CQosCurve chart;
    chart.SetMission(&first);
    EXPECT_EQ(chart.RenderChart(W, H).pixel(R2 - 5, B - 100), kRead);
    chart.SetMission(&second);
    const QImage image = chart.RenderChart(W, H);
    EXPECT_EQ(image.pixel(R2 - 5, B - 50), kRead);
    EXPECT_NE(image.pixel(R2 - 5, B - 100), kRead);
    EXPECT_EQ(chart.GetMission(), &second);
}

TEST(QosCurve, OnlyTheSamplesThatFitAreVisited) {
    // 61 samples fit between L and R' (550 - 40) / 10 + 1; older ones are left out.
    CMission mission;
    for (int i = 0; i < 200; ++i)
        mission.lstSpeed.push_back({static_cast<std::uint32_t>(i < 139 ? 52428800 : 0), 0});
    CQosCurve chart;
    chart.SetShowWrite(false);
    chart.SetMission(&mission);
    // The 61 newest samples are 0: the whole curve lies on the axis.
    const QImage image = chart.RenderChart(W, H);
    for (int y = 0; y < B; ++y)
        for (int x = 0; x < W; ++x)
            ASSERT_NE(image.pixel(x, y), kRead) << x << "," << y;
    EXPECT_EQ(image.pixel(L + 1, B), kRead);
}

TEST(QosCurve, SpeedsAbove2GiBPerSecondAreDrawnAboveTheScaleNotBelowTheAxis) {
    CMission mission;
    SetHistory(mission, {{0x30000000u, 0}, {0xC0000000u, 0}});
    CQosCurve chart;
    chart.m_nMaxSpeed = 0x7FFFFFFF; // the first sample lands inside the plot
    chart.SetMission(&mission);
    const QImage image = chart.RenderChart(W, 500);
    int nAbove = 0;
    for (int y = 0; y < 500; ++y) {
        for (int x = 0; x < W; ++x) {
            if (image.pixel(x, y) != kRead)
                continue;
            ASSERT_LT(y, 460) << "curve below the axis at " << x;
            ++nAbove;
        }
    }
    EXPECT_GT(nAbove, 0);
}

TEST(QosCurve, ChartsTooLowForAScaleDrawGridAndAxesOnly) {
    CMission mission;
    SetHistory(mission, {{26214400, 26214400}, {0, 0}});
    CQosCurve chart;
    chart.SetMission(&mission);
    for (const QSize size : {QSize(200, 120), QSize(200, 80), QSize(60, 60), QSize(1, 1)}) {
        const QImage image = chart.RenderChart(size.width(), size.height());
        EXPECT_EQ(CountPixels(image, kRead), 0) << size.height();
        EXPECT_EQ(CountPixels(image, kWrite), 0) << size.height();
    }
    // 120 high: four grid lines, fewer than the five label intervals.
    EXPECT_EQ(chart.RenderChart(200, 120).pixel(45, 70), kGrid);
}

TEST(QosCurve, WindowShowsTheOffscreenDrawingInsideItsBorder) {
    QWidget parent;
    parent.resize(800, 400);
    CMission mission;
    SetHistory(mission, {{26214400, 0}, {5242880, 10485760}});
    CQosCurve chart(&parent);
    chart.CreateChart(QRect(10, 20, W + 2, H + 2), &parent);
    EXPECT_TRUE(chart.isHidden());
    EXPECT_EQ(chart.objectName(), QStringLiteral("QosCurve"));
    chart.CreateChart(QRect(0, 0, 50, 50), &parent); // only the first call counts
    EXPECT_EQ(chart.geometry(), QRect(10, 20, W + 2, H + 2));
    EXPECT_EQ(chart.contentsRect().size(), QSize(W, H));

    chart.SetMission(&mission);
    parent.show();
    chart.ShowChart(true);
    EXPECT_TRUE(chart.isVisible());
    const QImage shown =
        chart.grab(chart.contentsRect()).toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, chart.RenderChart(W, H));
    chart.ShowChart(false);
    EXPECT_FALSE(chart.isVisible());
}

// The widget keeps its grid between paints; a new size, scale or colour
// must show at once, as if drawn from scratch.
TEST(QosCurve, TheShownChartFollowsEveryChangeOfSizeAndSettings) {
    QWidget parent;
    parent.resize(900, 500);
    CMission mission;
    SetHistory(mission, {{26214400, 0}, {5242880, 10485760}, {1048576, 2097152}});
    CQosCurve chart(&parent);
    chart.CreateChart(QRect(0, 0, W + 2, H + 2), &parent);
    chart.SetMission(&mission);
    parent.show();
    chart.ShowChart(true);
    const auto shown = [&] {
        return chart.grab(chart.contentsRect()).toImage().convertToFormat(QImage::Format_RGB32);
    };
    const QImage before = shown();
    ASSERT_EQ(before, chart.RenderChart(W, H));

    const std::function<void()> changes[] = {
        [&] { chart.resize(W + 2 + 37, H + 2 - 50); },
        [&] { chart.m_nStepX = 7; },
        [&] { chart.m_nStepY = 13; },
        [&] { chart.m_nMargin = 25; },
        [&] { chart.m_nMaxSpeed = 20 * 1024 * 1024; },
        [&] { chart.m_nLabelCount = 4; },
        [&] { chart.m_nLabelCount = 40; }, // too many for the height: no scale
    };
    QImage previous = before;
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        SCOPED_TRACE(i);
        changes[i]();
        const QSize size = chart.contentsRect().size();
        const QImage now = shown();
        EXPECT_EQ(now, chart.RenderChart(size.width(), size.height()));
        EXPECT_NE(now, previous);
        previous = now;
    }
    // The history moving on redraws the curves over the same grid.
    mission.lstSpeed.push_back({0, 0});
    const QSize size = chart.contentsRect().size();
    EXPECT_EQ(shown(), chart.RenderChart(size.width(), size.height()));
}

// Counts the paints a widget receives.
class CPaintCounter : public QObject {
public:
    int m_nPaints = 0;

protected:
    bool eventFilter(QObject*, QEvent* pEvent) override {
        m_nPaints += pEvent->type() == QEvent::Paint;
        return false;
    }
};

TEST(QosCurve, UpdateRedrawsAtOnceOnlyWithAMission) {
    QWidget parent;
    parent.resize(700, 400);
    CQosCurve chart(&parent);
    chart.CreateChart(QRect(0, 0, W + 2, H + 2), &parent);
    parent.show();
    chart.ShowChart(true);
    QApplication::processEvents();
    CPaintCounter counter;
    chart.installEventFilter(&counter);
    chart.UpdateChart();
    EXPECT_EQ(counter.m_nPaints, 0);
    CMission mission;
    chart.SetMission(&mission);
    chart.UpdateChart(); // painted before it returns, not queued
    EXPECT_EQ(counter.m_nPaints, 1);
    chart.removeEventFilter(&counter);
}

} // namespace
