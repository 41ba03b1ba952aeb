#include "gui/spectrogram/SpectrogramPicture.h"

#include "gui/graph/GraphPrimitives.h"

#include <QPainter>

#include <cmath>

namespace vx {

namespace {

QRectF qrect(const Rect& r)
{
    return QRectF(r.left, r.top, r.width(), r.height());
}

void drawTiers(QPainter& p, const Channels& c, const SpectrogramLayout& l, const SpectrogramStretch& st)
{
    p.setPen(Qt::black);
    const QFontMetrics fm(p.font());
    for (int t = 0; t < Channels::kNumTiers; ++t) {
        const TIERS& tier = c.m_Tiers[static_cast<std::size_t>(t)];
        const Rect& r = l.tiers[static_cast<std::size_t>(t)];
        if (!tier.bSelected || r.height() <= 0)
            continue;
        p.drawRect(qrect(r));
        p.drawText(QPointF(5, r.top + 2 + fm.ascent()), QString::fromStdString(tier.strName));
    }
    for (const SpectrogramLabel& placed : spectrogramLabels(c, l, st)) {
        const Labels& label = *placed.label;
        const Rect& r = l.tiers[static_cast<std::size_t>(placed.tier)];
        const QString text = QString::fromStdString(label._strText);
        const double w = fm.horizontalAdvance(text);
        const double start = label.nJustification == 1 ? placed.x - w / 2
                             : label.nJustification == 2 ? placed.x - w
                                                         : placed.x;
        if (label.bAddLine)
            p.drawLine(QPointF(placed.x, r.top), QPointF(placed.x, l.spectrogram.bottom));
        p.setPen(deviceColor(label.mFontColor));
        p.drawText(QPointF(start, r.top + fm.ascent()), text);
        p.setPen(Qt::black);
    }
}

void drawGrids(QPainter& p, const SpectrogramLayout& l, const SpectrogramOptions& s, const SpectrogramStretch& st)
{
    const Rect& r = l.spectrogram;
    const QFontMetrics fm(p.font());
    const QColor line(200, 200, 200);
    for (const GridLine& g : spectrogramFrequencyGrid(l, s)) {
        p.setPen(line);
        p.drawLine(QPointF(r.left, g.at), QPointF(r.right, g.at));
        p.setPen(Qt::black);
        const QString text = QString::fromStdString(g.label);
        // Kept inside the picture at the top and bottom edges.
        const double y = std::clamp(g.at + fm.ascent() / 2.0 - 1, double(r.top + fm.ascent()), double(r.bottom));
        p.drawText(QPointF(r.left - 4 - fm.horizontalAdvance(text), y), text);
    }
    double previousRight = -1e9;
    for (const GridLine& g : spectrogramTimeGrid(l, s, st)) {
        p.setPen(line);
        p.drawLine(QPointF(g.at, r.top), QPointF(g.at, r.bottom));
        p.setPen(Qt::black);
        const QString text = QString::fromStdString(g.label);
        const double w = fm.horizontalAdvance(text);
        const double left = std::min(g.at - w / 2, l.client.right - w);
        if (left < previousRight + 4)
            continue;
        p.drawText(QPointF(left, r.bottom + 2 + fm.ascent()), text);
        previousRight = left + w;
    }
}

} // namespace

void drawSpectrogramLevels(QImage& image, const SpectrogramLayout& l, const SpectrogramData& data, int dynamicRange)
{
    const int x0 = truncInt(l.spectrogram.left * l.scale), y0 = truncInt(l.spectrogram.top * l.scale);
    if (data.columns <= 0 || data.rows <= 0 || x0 + data.columns > image.width() || y0 + data.rows > image.height())
        return;
    auto* topLeft = reinterpret_cast<std::uint32_t*>(image.scanLine(y0)) + x0;
    renderSpectrogramPixels(data, dynamicRange, topLeft, image.bytesPerLine() / 4);
}

QImage renderSpectrogramPicture(const Channels& c, const SpectrogramLayout& l, const SpectrogramOptions& s,
                                const SpectrogramStretch& st, const SpectrogramResult& result)
{
    const QSize device(std::max(1, truncInt(l.client.width() * l.scale)),
                       std::max(1, truncInt(l.client.height() * l.scale)));
    QImage image(device, QImage::Format_RGB32);
    image.setDevicePixelRatio(l.scale);
    image.fill(Qt::white);
    if (l.empty() || result.cancelled)
        return image;
    drawSpectrogramLevels(image, l, result.data, s.m_nSpecDynamicRange);

    QPainter p(&image);
    QFont f = p.font();
    f.setPointSizeF(f.pointSizeF() * 0.8);
    p.setFont(f);
    if (s.m_bSpecDrawLabels)
        drawTiers(p, c, l, st);
    if (s.m_bSpecDrawAudio && l.audio.height() > 0) {
        p.setPen(Qt::black);
        p.drawRect(qrect(l.audio));
        DrawGraphFloat_1(p, result.wave.get(), st.startPoint, st.endPoint, l.audio.height() * 0.5, 0.5, l.audio,
                         RGBColor{}, 0.0, true, RGBColor{160, 160, 160});
    }
    p.setPen(Qt::black);
    p.drawRect(qrect(l.spectrogram));
    // Blue dots, so that they stand out from the greys.
    p.setPen(QColor(0, 0, 255));
    if (result.data.haveFormants && s.m_bSpecDrawFormantTracking)
        DrawFormantTrack(p, result.data.formants, l.spectrogram, s.m_nSpecfrequencyRange, result.data.columns, 1);
    drawGrids(p, l, s, st);
    return image;
}

} // namespace vx
