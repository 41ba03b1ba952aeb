#include "draw/SlicePicture.h"

#include "draw/ViewFonts.h"

#include <QFontMetrics>

#include <algorithm>

namespace vx {

namespace {

constexpr double kTextPixels = 9;

QPoint toQt(const SlicePoint& p)
{
    return {p.x, p.y};
}

void drawPolyline(QPainter& p, const std::vector<SlicePoint>& points)
{
    QList<QPoint> q;
    q.reserve(static_cast<qsizetype>(points.size()));
    for (const SlicePoint& s : points)
        q.push_back(toQt(s));
    if (q.size() >= 2)
        p.drawPolyline(q.data(), static_cast<int>(q.size()));
}

void drawGrid(QPainter& p, const SliceGrid& grid, int viewWidth, int viewHeight)
{
    p.setPen(QColor(200, 200, 200));
    for (const SliceGridLine& l : grid.lines)
        p.drawLine(toQt(l.from), toQt(l.to));
    p.setPen(Qt::black);
    const QFontMetrics fm = p.fontMetrics();
    for (const SliceGridLabel& label : grid.labels) {
        const QString text = QString::fromStdString(label.text);
        const int w = fm.horizontalAdvance(text), h = fm.height();
        QRect r;
        switch (label.anchor) {
        case SliceGridLabel::Anchor::TopCentre:
            // Kept whole inside the view: the last label sits on its right edge.
            r = QRect(std::clamp(label.x - w / 2, 0, std::max(0, viewWidth - w)), label.y, w, h);
            break;
        case SliceGridLabel::Anchor::LeftMiddle: r = QRect(label.x, label.y - h / 2, w, h); break;
        case SliceGridLabel::Anchor::RightMiddle: r = QRect(label.x - w, label.y - h / 2, w, h); break;
        }
        // A label at the graph's top edge is moved down to be read whole.
        r.moveTop(std::clamp(r.top(), 0, std::max(0, viewHeight - h)));
        p.drawText(r, Qt::AlignCenter, text);
    }
}

} // namespace

void drawSlice(QPainter& p, const SliceDisplay& display, QSize size, bool withCursor)
{
    p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    if (!display.result())
        return;
    p.setFont(viewFont(kTextPixels));
    const SliceRect& g = display.rect();
    drawGrid(p, display.frequencyGrid(), size.width(), size.height());
    drawGrid(p, display.dbGrid(), size.width(), size.height());
    p.setPen(QPen(Qt::red, 1));
    drawPolyline(p, display.spectrum());
    p.setPen(QPen(Qt::blue, 1));
    drawPolyline(p, display.envelope());
    if (display.markerFrequency()) {
        const int x = display.markerX();
        p.fillRect(QRect(x, g.top, 2, g.height()), Qt::red);
    }
    if (!withCursor)
        return;
    if (const std::optional<int> x = display.cursorX()) {
        QColor c(Qt::red);
        c.setAlphaF(0.8f);
        p.setPen(QPen(c, 1));
        p.drawLine(*x, g.top, *x, g.bottom);
    }
}

void paintSlice(QPainter& p, const SliceDisplay& display, const QRect& target, double penFactor)
{
    const double pen = penFactor > 0 ? penFactor : 1;
    const QSize size(std::max(1, static_cast<int>(target.width() / pen)),
                     std::max(1, static_cast<int>(target.height() / pen)));
    SliceDisplay laidOut = display;
    laidOut.layout(size.width(), size.height());
    p.save();
    p.translate(target.topLeft());
    p.scale(pen, pen);
    p.setClipRect(QRect(QPoint(0, 0), size));
    drawSlice(p, laidOut, size, false);
    p.restore();
}

} // namespace vx
