// The fast drawing of long recordings against the plain per-sample and
// per-frame drawing: the pictures must be identical pixel for pixel.

#include "draw/GraphPrimitives.h"

#include <QImage>
#include <QPainterPath>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace vx;

namespace {

QImage blank()
{
    QImage img(700, 300, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    return img;
}

int tr(double v)
{
    return truncInt(v);
}

// The waveform scanning every sample of every column.
void plainWaveform(QPainter& p, const std::vector<float>& x, double pageMin, double pageMax, double yScale,
                   const Rect& r)
{
    const double baseline = r.bottom - tr(r.height() * 0.5);
    p.setPen(Qt::black);
    const int width = r.width();
    const double ppc = (pageMax - pageMin) / width;
    const long n = tr(ppc);
    QPointF previous(r.left, baseline);
    for (int j = 0; j < width; ++j) {
        const long s = tr(ppc * j + tr(pageMin));
        double mx = -1e45, mn = 1e45;
        for (long k = s; k < s + n && k < long(x.size()); ++k) {
            const double v = x[static_cast<std::size_t>(k)] * yScale;
            if (v > mx)
                mx = v;
            if (v < mn)
                mn = v;
        }
        const QPointF top(r.left + j, baseline - tr(mx)), bottom(r.left + j, baseline - tr(mn));
        p.drawLine(top, previous);
        p.drawLine(top, bottom);
        previous = bottom;
    }
}

void plainIntensity(QPainter& p, const std::vector<float>& x, double a, double b, double pageMin, double pageMax,
                    double yScale, const Rect& r)
{
    p.setPen(QColor(0, 0, 255));
    const double ppc = (pageMax - pageMin) / r.width();
    const long n = tr(ppc);
    QPainterPath path;
    bool first = true;
    for (int j = 0; j < r.width(); ++j) {
        const long s = tr(ppc * j) + tr(pageMin);
        double m = -1e45;
        for (long k = s; k < s + n; ++k) {
            if (!(a < k && k < tr(b)))
                continue;
            m = std::max(m, x[static_cast<std::size_t>(k)] * yScale);
            const double y = r.bottom - tr(m);
            if (first) {
                path.moveTo(r.left + j, y);
                first = false;
            }
            path.lineTo(r.left + j, y);
        }
    }
    p.drawPath(path);
}

void plainPitch(QPainter& p, const std::vector<double>& t, double firstFrame, double lastFrame, const Rect& r, int high,
                int low)
{
    p.setPen(QColor(0, 0, 255));
    p.setBrush(QColor(0, 0, 255));
    const double yScale = double(r.height()) / (high - low), xScale = r.width() / (lastFrame - firstFrame);
    for (long j = 0; j < tr(lastFrame) - tr(firstFrame); ++j) {
        const long idx = tr(firstFrame) + j;
        const double v = idx >= 0 && idx < long(t.size()) ? t[static_cast<std::size_t>(idx)] : 0;
        if (low < v && v < high)
            p.drawEllipse(QRectF(r.left + tr(j * xScale), r.bottom - tr((v - low) * yScale), 2, 2));
    }
}

} // namespace

TEST(GraphPrimitives, SummarisedDrawingIsPixelIdenticalToThePlainDrawing)
{
    std::mt19937 rng(5);
    std::normal_distribution<float> noise(0, 0.3f);
    std::vector<float> x(400000);
    for (std::size_t k = 0; k < x.size(); ++k)
        x[k] = static_cast<float>(0.6 * std::sin(k * 0.013)) + noise(rng) * (k % 50000 < 20000 ? 1.0f : 0.05f);
    SampleSummary summary(x.data(), x.size());
    const Rect r{40, 50, 240, 650};
    for (auto [lo, hi] : {std::pair{0.0, 400000.0}, {12345.5, 98765.25}, {1000.0, 3400.0}}) {
        QImage a = blank(), b = blank();
        {
            QPainter p(&a);
            DrawGraphFloat_1(p, &summary, lo, hi, 100, 0.5, r, RGBColor{}, 0, false, RGBColor{});
        }
        if ((hi - lo) / r.width() < 4)
            continue; // below four samples per column every sample is joined, no summary
        {
            QPainter p(&b);
            plainWaveform(p, x, lo, hi, 100, r);
        }
        EXPECT_EQ(a, b) << "waveform page " << lo << " .. " << hi;
    }

    // Frames of 13 ms every 7 ms at 44.1 kHz: the contour's frame levels
    // against the drawing of every sample's level.
    IntensityParams ip;
    ip.sampleRate = 44100;
    ip.windowMs = 13;
    ip.stepMs = 7;
    const IntensityContour contour = computeIntensity(x.data(), static_cast<double>(x.size()), ip);
    std::vector<float> level(x.size());
    for (std::size_t k = 0; k < level.size(); ++k)
        level[k] = contour.at(static_cast<long>(k));
    for (auto [lo, hi] : {std::pair{0.0, 400000.0}, {5000.0, 7000.0}, {100000.0, 260000.0}}) {
        QImage a = blank(), b = blank();
        {
            QPainter p(&a);
            DrawIntensityFloat(p, &contour, 20000.5, 300000, lo, hi, 4.0, r, RGBColor{0, 0, 255});
        }
        {
            QPainter p(&b);
            plainIntensity(p, level, 20000.5, 300000, lo, hi, 4.0, r);
        }
        EXPECT_EQ(a, b) << "intensity page " << lo << " .. " << hi;
    }

    std::vector<double> track(36000);
    for (std::size_t k = 0; k < track.size(); ++k)
        track[k] = k % 97 < 60 ? 120 + 40 * std::sin(k * 0.003) + (k % 7) : 0;
    track[100] = 50;  // at the display's bottom: not drawn
    track[101] = 500; // at its top: not drawn
    for (auto [f0, f1] : {std::pair{0.0, 36000.0}, {100.0, 400.0}, {1000.5, 1100.25}}) {
        QImage a = blank(), b = blank();
        {
            QPainter p(&a);
            DrawPitchTrackVoxtrace(p, &track, 36000, f0, f1, r.left, r.bottom, r.height(), r.width(), 500, 50, 1);
        }
        {
            QPainter p(&b);
            plainPitch(p, track, f0, f1, r, 500, 50);
        }
        EXPECT_EQ(a, b) << "pitch frames " << f0 << " .. " << f1;
    }
}

TEST(GraphPrimitives, TimeGridStepsAndColours)
{
    int count = 0;
    EXPECT_EQ(timeGridStep(2000, 0, 1000, &count), 75);
    EXPECT_EQ(count, 30);
    EXPECT_EQ(timeGridStep(25, 0, 1000, &count), 1);
    EXPECT_EQ(timeGridStep(1000, 100, 1000, &count), 100);
    EXPECT_EQ(count, 11);
    // A step of 1 ms over an hour: widened to lines a few pixels apart.
    EXPECT_EQ(timeGridStep(3600000, 1, 1000, &count), 20000);
    EXPECT_EQ(count, 181);
    EXPECT_EQ(deviceColor(RGBColor{160, 160, 160}), QColor(Qt::white)) << "any non-zero component is full";
    EXPECT_EQ(deviceColor(RGBColor{0, 0, 255}), QColor(0, 0, 255));

    QImage img = blank();
    QPainter p(&img);
    DrawAnyGrid(p, Rect{0, 50, 250, 650}, 0, 500, 100, 1, false);
    p.end();
    int lines = 0;
    for (int y = 0; y <= 250; ++y)
        lines += img.pixelColor(300, y) == QColor(200, 200, 200) ? 1 : 0;
    EXPECT_EQ(lines, 6) << "six lines for 0 to 500 in steps of 100";

    // A display range of two thousand million in steps of 1: widened until
    // the labels fit the strip's height, no loop running for ever.
    QImage wide = blank();
    QPainter q(&wide);
    DrawAnyGrid(q, Rect{0, 50, 250, 650}, -2147483647, 2147483647, 1, 1, false);
    q.end();
    lines = 0;
    for (int y = 0; y <= 250; ++y)
        lines += wide.pixelColor(300, y) == QColor(200, 200, 200) ? 1 : 0;
    EXPECT_GE(lines, 2);
    EXPECT_LE(lines, 250 / 10);
}

TEST(GraphPrimitives, TimeGridLabelsThatWouldOverlapAreLeftOut)
{
    const QFontMetrics fm(QFont("DejaVu Sans", 9));
    const Rect rect{0, 50, 300, 1195};
    // One hour zoomed out: seven-digit labels at every grid line would run
    // into each other along the axis.
    const std::vector<GridLabel> hour = timeGridLabels(fm, rect, 0, 3600000, 0, false);
    ASSERT_GT(hour.size(), 10u);
    double previousRight = -1e9;
    int shown = 0;
    for (const GridLabel& g : hour) {
        if (!g.shown)
            continue;
        EXPECT_GT(g.left, previousRight) << g.text.toStdString();
        previousRight = g.right;
        ++shown;
    }
    EXPECT_TRUE(hour.front().shown);
    EXPECT_GT(shown, 3);
    // Lines and labels that fit run to the right end.
    EXPECT_GT(hour.back().x, rect.right - 1195 / 36 * 2);
    const auto lastShown = std::find_if(hour.rbegin(), hour.rend(), [](const GridLabel& g) { return g.shown; });
    EXPECT_GE(lastShown->text.toDouble(), 3400000) << lastShown->text.toStdString();
    EXPECT_LT(shown, static_cast<int>(hour.size()));

    // Two seconds leave room for every label.
    for (const GridLabel& g : timeGridLabels(fm, rect, 0, 2000, 0, false))
        EXPECT_TRUE(g.shown) << g.text.toStdString();
    // The label at the right end stays inside the picture.
    const std::vector<GridLabel> second = timeGridLabels(fm, rect, 0, 1001, 100, false, 1200);
    ASSERT_FALSE(second.empty());
    EXPECT_EQ(second.back().text, "1000");
    EXPECT_LE(second.back().right, 1200);
}
