// The drawing of long recordings: each column of the waveform, the
// intensity contour and the pitch dots where their values put them; the
// grids' steps.

#include "draw/GraphPrimitives.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace vx;

namespace {

QImage drawn(const std::function<void(QPainter&)>& draw)
{
    QImage img(700, 300, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        draw(p);
    }
    return img;
}

// The first and last row of the ink in column x; (-1, -1) for none.
std::pair<int, int> inkRows(const QImage& img, int x)
{
    std::pair<int, int> rows{-1, -1};
    for (int y = 0; y < img.height(); ++y)
        if (img.pixelColor(x, y) != QColor(Qt::white)) {
            rows.second = y;
            if (rows.first < 0)
                rows.first = y;
        }
    return rows;
}

const Rect kRect{40, 50, 240, 650}; // a baseline at 140 halfway down

} // namespace

TEST(GraphPrimitives, EachColumnOfALongWaveformSpansItsSamplesExtremesAboutTheBaseline)
{
    // 400000 samples: +0.5 and -0.3 in the first half, +0.2 and -0.1 in
    // the second.
    std::vector<float> halves(400000);
    for (std::size_t k = 0; k < halves.size(); ++k)
        halves[k] = (k < 200000 ? 1.0f : 0.4f) * (k % 10 < 5 ? 0.5f : -0.3f);
    // Ten samples a column at 6000 over 600 columns: only each column's
    // last sample is not 0.
    std::vector<float> lastOfTen(6000, 0.0f);
    for (std::size_t k = 9; k < lastOfTen.size(); k += 10)
        lastOfTen[k] = 0.5f;
    const struct {
        const std::vector<float>& x;
        double from, to;
        int column;
        std::pair<int, int> rows;
    } cases[] = {
        {halves, 0, 400000, 200, {140 - 50, 140 + 30}},
        {halves, 0, 400000, 660, {-1, -1}}, // right of the strip
        {halves, 200000, 400000, 200, {140 - 20, 140 + 12}},
        {lastOfTen, 0, 6000, 300, {140 - 50, 140}},
    };
    for (const auto& c : cases) {
        SampleSummary summary(c.x.data(), c.x.size());
        const QImage img = drawn([&](QPainter& p) {
            DrawGraphFloat_1(p, &summary, c.from, c.to, 100, 0.5, kRect, RGBColor{}, 0, false, RGBColor{});
        });
        EXPECT_EQ(inkRows(img, c.column), c.rows) << c.x.size() << " samples from " << c.from << ", column "
                                                  << c.column;
    }
}

TEST(GraphPrimitives, IntensityIsDrawnAtItsLevelInsideTheSelectionAndPitchDotsInsideTheirRange)
{
    // A steady tone: a steady level, drawn from sample 10000 to 30000 only.
    std::vector<float> x(44100);
    for (std::size_t k = 0; k < x.size(); ++k)
        x[k] = static_cast<float>(0.5 * std::sin(k * 0.0627));
    const IntensityContour contour =
        computeIntensity(x.data(), static_cast<double>(x.size()), {.sampleRate = 44100, .windowMs = 13, .stepMs = 7});
    const QImage img = drawn([&](QPainter& p) {
        DrawIntensityFloat(p, &contour, 10000.5, 30000, 0, 44100, 4.0, kRect, RGBColor{0, 0, 255});
    });
    const int column = 50 + static_cast<int>(20000 / (44100.0 / 600));
    EXPECT_NEAR(inkRows(img, column).first, 240 - contour.at(20000) * 4.0, 1);
    EXPECT_EQ(inkRows(img, 50 + 500).first, -1) << "after the selection";
    // One sample a column: the first drawn is the first after the start.
    const QImage near = drawn([&](QPainter& p) {
        DrawIntensityFloat(p, &contour, 100.5, 500, 0, 600, 4.0, kRect, RGBColor{0, 0, 255});
    });
    EXPECT_EQ(inkRows(near, 50 + 100).first, -1);
    EXPECT_NE(inkRows(near, 50 + 101).first, -1);

    // Frames 100 to 400 over 600 columns, 50 to 500 Hz over 200 rows: a dot
    // of 200 Hz every other column; 50 and 500 Hz at the ends not drawn.
    std::vector<double> track(36000, 200);
    track[100] = 50;
    track[101] = 500;
    const QImage dots = drawn([&](QPainter& p) {
        DrawPitchTrackVoxtrace(p, &track, 36000, 100, 400, 50, 240, 200, 600, 500, 50, 1);
    });
    EXPECT_EQ(inkRows(dots, 50).first, -1);
    EXPECT_EQ(inkRows(dots, 52).first, -1);
    const int y = 240 - static_cast<int>(150 * 200 / 450.0);
    EXPECT_NEAR(inkRows(dots, 55).first, y, 2);
    EXPECT_NEAR(inkRows(dots, 55).second, y + 2, 2);
}

TEST(GraphPrimitives, GridStepsWidenUntilTheirLinesFit)
{
    int count = 0;
    EXPECT_EQ(timeGridStep(2000, 0, 1000, &count), 75);
    EXPECT_EQ(timeGridStep(1000, 100, 1000, &count), 100);
    EXPECT_EQ(count, 11);
    // A step of 1 ms over an hour: widened to lines a few pixels apart.
    EXPECT_EQ(timeGridStep(3600000, 1, 1000, &count), 20000);
    EXPECT_EQ(count, 181);

    const auto gridLines = [](int low, int high, int step) {
        const QImage img = drawn([&](QPainter& p) { DrawAnyGrid(p, kRect, low, high, step, 1, false); });
        int lines = 0;
        for (int y = 0; y <= 250; ++y)
            lines += img.pixelColor(300, y) == QColor(200, 200, 200) ? 1 : 0;
        return lines;
    };
    EXPECT_EQ(gridLines(0, 500, 100), 6) << "six lines for 0 to 500 in steps of 100";
    // Two thousand million in steps of 1: widened to fit, no endless loop.
    const int lines = gridLines(-2147483647, 2147483647, 1);
    EXPECT_GE(lines, 2);
    EXPECT_LE(lines, 250 / 10);
}

TEST(GraphPrimitives, TimeGridLabelsThatWouldOverlapAreLeftOutAndTheLastStaysInside)
{
    const QFontMetrics fm(QFont("DejaVu Sans", 9));
    const Rect rect{0, 50, 300, 1195};
    // One hour zoomed out: seven-digit labels at every line would run into each other.
    const std::vector<GridLabel> hour = timeGridLabels(fm, rect, 0, 3600000, 0, false);
    double previousRight = -1e9;
    int shown = 0;
    for (const GridLabel& g : hour)
        if (g.shown) {
            EXPECT_GT(g.left, previousRight) << g.text.toStdString();
            previousRight = g.right;
            ++shown;
        }
    EXPECT_GT(shown, 3);
    EXPECT_LT(shown, static_cast<int>(hour.size()));
    const std::vector<GridLabel> second = timeGridLabels(fm, rect, 0, 1001, 100, false, 1200);
    ASSERT_FALSE(second.empty());
    EXPECT_EQ(second.back().text, "1000");
    EXPECT_LE(second.back().right, 1200);
}

TEST(GraphPrimitives, DeviceColoursTakeEachNonZeroComponentAtFull)
{
    EXPECT_EQ(deviceColor(RGBColor{160, 160, 160}), QColor(Qt::white));
    EXPECT_EQ(deviceColor(RGBColor{0, 0, 255}), QColor(0, 0, 255));
}
