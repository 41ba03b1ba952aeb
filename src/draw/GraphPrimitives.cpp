#include "draw/GraphPrimitives.h"

#include "platform/GridStep.h"

#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace vx {

namespace {

const QColor kLightGrey(200, 200, 200);
// Pixels between the lines of a grid whose step the settings give.
constexpr double kMinGridLineGap = 4;

double px(double v)
{
    return static_cast<double>(truncInt(v));
}

// A filled circle in the square (0, 0, d, d), stroked with a 1-pixel pen,
// as drawing it in place would paint it; dotOrigin() is where the square's
// corner lies in the sprite.
constexpr int kSpriteMargin = 2;

QPointF dotOrigin(double)
{
    return {-double(kSpriteMargin), -double(kSpriteMargin)};
}

QImage dotSprite(double d, const QColor& colour)
{
    const int size = static_cast<int>(std::ceil(d)) + 2 * kSpriteMargin + 1;
    QImage sprite(size, size, QImage::Format_ARGB32_Premultiplied);
    sprite.fill(Qt::transparent);
    QPainter p(&sprite);
    p.setPen(colour);
    p.setBrush(colour);
    p.drawEllipse(QRectF(kSpriteMargin, kSpriteMargin, d, d));
    return sprite;
}

// Sprites copy pixels: on a vector device (PDF, SVG, printer) or under a
// picture's scale the dots are drawn as circles.
bool copiesSprites(QPainter& p)
{
    return p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Raster && !p.worldTransform().isScaling();
}

} // namespace

QColor deviceColor(const RGBColor& c, double alpha)
{
    QColor q(c.red ? 255 : 0, c.green ? 255 : 0, c.blue ? 255 : 0);
    q.setAlphaF(static_cast<float>(alpha));
    return q;
}

void DrawGraphFloat_1(QPainter& p, const SampleSummary* data, double pageMin, double pageMax, double yScale,
                      double zeroFraction, const Rect& rect, const RGBColor& colour, double referenceValue,
                      bool drawReference, const RGBColor& referenceColour)
{
    const int height = rect.height();
    const int zeroOffset = truncInt(height * zeroFraction);
    const double baseline = rect.bottom - zeroOffset;
    if (drawReference) {
        p.setPen(deviceColor(referenceColour, 0.6));
        const double yRef = rect.bottom - px(referenceValue * yScale) - zeroOffset;
        p.drawLine(QPointF(rect.left, yRef), QPointF(rect.right, yRef));
    }
    p.setPen(deviceColor(colour));
    if (data && data->samples() && data->size() > 0) {
        const int width = rect.width();
        const double span = pageMax - pageMin;
        const double ppc = width > 0 ? span / width : 0;
        QPointF previous(rect.left, baseline);
        const float* x = data->samples();
        const long N = static_cast<long>(data->size());
        if (ppc >= 4.0) {
            const long n = truncInt(ppc);
            std::vector<QLineF> lines;
            lines.reserve(static_cast<std::size_t>(2 * width));
            for (int j = 0; j < width; ++j) {
                const long s = truncInt(ppc * j + truncInt(pageMin));
                SampleSummary::Range r = data->minMax(static_cast<std::size_t>(std::max(0L, s)), static_cast<std::size_t>(n));
                // A positive scale keeps the order of the samples, so the
                // extremes of sample * yScale are those of the samples.
                double mx = -1e45, mn = 1e45;
                if (r.any) {
                    mx = (yScale >= 0 ? r.max : r.min) * yScale;
                    mn = (yScale >= 0 ? r.min : r.max) * yScale;
                }
                const double xj = rect.left + j;
                const QPointF top(xj, baseline - px(mx)), bottom(xj, baseline - px(mn));
                lines.emplace_back(top, previous);
                lines.emplace_back(top, bottom);
                previous = bottom;
            }
            p.drawLines(lines.data(), static_cast<int>(lines.size()));
        } else if (span > 0) {
            QPainterPath path(previous);
            for (long k = truncInt(pageMin); k < pageMin + span && k < N; ++k) {
                if (k < 0)
                    continue;
                const double xk = rect.left + px((k - pageMin) * width / span);
                const double yk = baseline - px(x[k] * yScale);
                path.lineTo(xk, yk);
            }
            p.drawPath(path);
        }
    }
    p.setPen(Qt::black);
}

void DrawIntensityFloat(QPainter& p, const IntensityContour* contour, double selectionStart, double selectionStop,
                        double pageMin, double pageMax, double yScale, const Rect& rect, const RGBColor& colour)
{
    p.setPen(deviceColor(colour));
    const int width = rect.width();
    const double ppc = width > 0 ? (pageMax - pageMin) / width : 0;
    const long n = truncInt(ppc);
    if (!contour || width <= 0 || n <= 0 || yScale < 0) {
        p.setPen(Qt::black);
        return;
    }
    // Within a column the contour climbs from the first sample's level to
    // the column's running maximum along one vertical line, so the line from
    // the first level to the column maximum draws the same pixels as a
    // point per sample.
    QPainterPath path;
    bool first = true;
    const long size = static_cast<long>(contour->size());
    const long lowest = static_cast<long>(std::floor(selectionStart)) + 1; // k > selectionStart
    const long stop = std::min<long>(truncInt(selectionStop), size);      // k < trunc(stop)
    for (int j = 0; j < width; ++j) {
        const double x = rect.left + j;
        const long s = truncInt(ppc * j) + truncInt(pageMin);
        const long from = std::max({s, lowest, 0L});
        const long to = std::min(s + n, stop);
        if (from >= to)
            continue;
        const double firstLevel = contour->at(from) * yScale;
        const double top = std::max(firstLevel, contour->highest(from, to, 0) * yScale);
        const double y0 = rect.bottom - px(firstLevel);
        if (first) {
            path.moveTo(x, y0);
            first = false;
        }
        path.lineTo(x, y0);
        path.lineTo(x, rect.bottom - px(top));
    }
    p.drawPath(path);
    p.setPen(Qt::black);
}

void DrawPitchTrackVoxtrace(QPainter& p, const std::vector<double>* data, double frameCount, double firstFrame,
                            double lastFrame, int left, int bottom, int verticalRange, int horizontalRange, int high,
                            int low, int dotScale)
{
    if (!data || high == low || lastFrame == firstFrame) {
        p.setPen(Qt::black);
        return;
    }
    const QColor blue(0, 0, 255);
    p.setPen(blue);
    p.setBrush(blue);
    const double yScale = double(verticalRange) / (high - low);
    const double xScale = horizontalRange / (lastFrame - firstFrame);
    const double d = 2.0 * dotScale;
    const long i0 = truncInt(firstFrame), i1 = truncInt(lastFrame), F = truncInt(frameCount);
    // Every dot is the same filled and stroked circle at whole-pixel
    // positions, so it is drawn once into a sprite and copied; frames that
    // fall on a dot already drawn in their column are skipped.
    const bool sprites = copiesSprites(p);
    const QImage dot = sprites ? dotSprite(d, blue) : QImage();
    const QPointF offset = dotOrigin(d);
    double lastX = -1e9;
    std::vector<double> columnYs;
    for (long j = 0; j < i1 - i0; ++j) {
        const long idx = i0 + j;
        const double v = idx >= 0 && idx < F && static_cast<std::size_t>(idx) < data->size()
                             ? (*data)[static_cast<std::size_t>(idx)]
                             : 0.0;
        if (!(low < v && v < high))
            continue;
        const double x = left + px(j * xScale);
        const double y = bottom - px((v - low) * yScale);
        if (x != lastX) {
            lastX = x;
            columnYs.clear();
        }
        if (std::find(columnYs.begin(), columnYs.end(), y) != columnYs.end())
            continue;
        columnYs.push_back(y);
        if (sprites)
            p.drawImage(QPointF(x, y) + offset, dot);
        else
            p.drawEllipse(QRectF(x, y, d, d));
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(Qt::black);
}

void DrawFormantTrack(QPainter& p, const std::vector<std::array<std::uint16_t, 5>>& frames, const Rect& rect,
                      int maxFrequency, int frameCount, int dotScale)
{
    if (frameCount > 0 && maxFrequency > 0) {
        const double xScale = double(rect.width()) / frameCount;
        const double yScale = double(rect.height()) / maxFrequency;
        const double d = 2.0 * dotScale;
        // Fill blue, outline in the caller's pen colour.
        const bool sprites = copiesSprites(p);
        p.setBrush(QColor(0, 0, 255));
        QImage dot(static_cast<int>(std::ceil(d)) + 2 * kSpriteMargin + 1,
                   static_cast<int>(std::ceil(d)) + 2 * kSpriteMargin + 1, QImage::Format_ARGB32_Premultiplied);
        dot.fill(Qt::transparent);
        {
            QPainter sp(&dot);
            sp.setPen(p.pen());
            sp.setBrush(QColor(0, 0, 255));
            sp.drawEllipse(QRectF(kSpriteMargin, kSpriteMargin, d, d));
        }
        for (int i = 0; i < frameCount && static_cast<std::size_t>(i) < frames.size(); ++i) {
            const double x = rect.left + px(i * xScale);
            for (std::uint16_t raw : frames[static_cast<std::size_t>(i)]) {
                const int f = static_cast<std::int16_t>(raw);
                if (f < 51)
                    continue;
                const int h = truncInt(f * yScale);
                if (h <= 0 || rect.bottom - h <= rect.top)
                    continue;
                if (sprites)
                    p.drawImage(QPointF(x, rect.bottom - h) + dotOrigin(d), dot);
                else
                    p.drawEllipse(QRectF(x, rect.bottom - h, d, d));
            }
        }
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(Qt::black);
}

double timeGridStep(double range, int spacing, double pixels, int* count)
{
    const int R = truncInt(range);
    if (spacing != 0) {
        // A step the settings give is widened until its lines fit.
        const double step = widenedGridStep(spacing, range, pixels, kMinGridLineGap);
        *count = step > 0 ? truncInt(range / step) + 1 : 0;
        return step;
    }
    static const int steps[] = {1, 2, 5, 10, 25, 50, 75, 100, 250, 500, 750, 1000, 2500, 5000, 7500, 10000,
                                25000, 50000, 75000, 100000};
    *count = 30;
    if (R <= 30)
        return 1;
    for (std::size_t i = 1; i < std::size(steps); ++i)
        if (R / steps[i] <= 30)
            return steps[i];
    // Past 50 minutes: 100 s steps, widened while their lines crowd, and
    // lines to the right end.
    const double step = widenedGridStep(100000, range, pixels, kMinGridLineGap);
    *count = step > 0 ? truncInt(range / step) + 1 : 0;
    return step;
}

std::vector<GridLabel> timeGridLabels(const QFontMetrics& fm, const Rect& rect, double tmin, double tmax, int spacing,
                                      bool relativeLabels, double rightEdge)
{
    std::vector<GridLabel> out;
    const double range = tmax - tmin;
    if (!(range > 0) || spacing < 0)
        return out;
    int count = 0;
    const double step = timeGridStep(range, spacing, rect.width(), &count);
    if (!(step > 0))
        return out;
    const double first = std::trunc(tmin / step) * step;
    const double scale = rect.width() / range;
    // Labels are at least a space apart; one that would run into the label
    // before it is left out (its line is still drawn).
    const double gap = fm.horizontalAdvance(QLatin1Char(' '));
    double previousRight = -1e300;
    for (int k = 1; k <= count; ++k) {
        const double t = first + k * step;
        const int x = truncInt((t - tmin) * scale);
        if (!(x > 0 && rect.left + x < rect.right))
            continue;
        GridLabel g;
        g.x = rect.left + x;
        g.text = QString::asprintf("%.0f", relativeLabels ? t - first : t);
        const int w = fm.horizontalAdvance(g.text);
        g.left = std::min(g.x - w / 2.0, rightEdge - w);
        g.right = g.left + w;
        g.shown = g.left >= previousRight + gap;
        if (g.shown)
            previousRight = g.right;
        out.push_back(g);
    }
    return out;
}

void TimeGrids(QPainter& p, const Rect& rect, int bottomInset, bool drawLines, double tmin, double tmax, int spacing,
               bool relativeLabels)
{
    const QFontMetrics fm(p.font());
    const QPaintDevice* device = p.device();
    const double rightEdge = device ? device->width() / device->devicePixelRatioF() : 1e300;
    for (const GridLabel& g : timeGridLabels(fm, rect, tmin, tmax, spacing, relativeLabels, rightEdge)) {
        if (drawLines) {
            p.setPen(kLightGrey);
            p.drawLine(QPointF(g.x, rect.bottom - bottomInset), QPointF(g.x, rect.top));
        }
        if (!g.shown)
            continue;
        const double y = relativeLabels ? rect.bottom + fm.height() / 2.0 : rect.bottom;
        p.setPen(Qt::black);
        p.drawText(QPointF(g.left, y + fm.ascent()), g.text);
    }
    p.setPen(Qt::black);
}

void DrawAnyGrid(QPainter& p, const Rect& rect, int low, int high, int grid, int orientation, bool labelsInside)
{
    const double range = double(high) - double(low);
    if (grid <= 0 || range == 0)
        return;
    const QFontMetrics fm(p.font());
    // Widened until the labels fit: a text's height apart up the side, the
    // widest label apart along the bottom.
    const double along = orientation == 1 ? rect.height() : rect.width();
    const double labelRoom = orientation == 1 ? fm.height()
                                              : fm.horizontalAdvance(QString::number(std::max(std::abs(low), std::abs(high))))
                                                    + fm.horizontalAdvance(QLatin1Char(' ')) * 2;
    const double step = widenedGridStep(grid, std::abs(range), along, labelRoom);
    if (!(step > 0))
        return;
    const long long n = range > 0 ? static_cast<long long>(range / step) : -1;
    auto label = [&](long long k) { return QString::number(double(low) + k * step, 'f', 0); };
    if (orientation == 1 && n >= 0) {
        const double ph = step * rect.height() / range;
        p.setPen(kLightGrey);
        for (long long k = 0; k <= n; ++k) {
            const double y = rect.bottom - px(ph * k);
            p.drawLine(QPointF(rect.left, y), QPointF(rect.right, y));
        }
        p.setPen(Qt::black);
        for (long long k = 0; k <= n; ++k) {
            const QString text = label(k);
            const double x = labelsInside ? rect.left : rect.left - fm.horizontalAdvance(text) - 5;
            const double y = (rect.bottom - px(ph * k)) - fm.height() / 2.0;
            p.drawText(QPointF(x, y + fm.ascent()), text);
        }
    } else if (orientation == 2 && n >= 1) {
        const double pw = step * rect.width() / range;
        for (long long k = 1; k <= n; ++k) {
            const double x = rect.left + px(pw * k);
            p.setPen(kLightGrey);
            p.drawLine(QPointF(x, rect.bottom), QPointF(x, rect.top));
            p.setPen(Qt::black);
            const QString text = label(k);
            p.drawText(QPointF(x - fm.horizontalAdvance(text) / 2.0, rect.bottom + fm.ascent()), text);
        }
    }
    p.setPen(Qt::black);
}

} // namespace vx
