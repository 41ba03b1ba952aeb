#include "draw/SpectrogramPicture.h"

#include "draw/GraphPrimitives.h"
#include "draw/ViewFonts.h"

#include <QPainter>

#include <cmath>

namespace vx {

namespace {

constexpr double kTextPixels = 10;

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

QImage spectrogramLevels(const SpectrogramData& data, int dynamicRange)
{
    if (data.columns <= 0 || data.rows <= 0)
        return {};
    QImage image(data.columns, data.rows, QImage::Format_RGB32);
    renderSpectrogramPixels(data, dynamicRange, reinterpret_cast<std::uint32_t*>(image.bits()),
                            image.bytesPerLine() / 4);
    return image;
}

void drawSpectrogram(QPainter& p, const Channels& c, const SpectrogramLayout& l, const SpectrogramOptions& s,
                     const SpectrogramStretch& st, const SpectrogramResult& result)
{
    p.fillRect(qrect(l.client), Qt::white);
    if (l.empty() || result.cancelled)
        return;
    const QImage levels = spectrogramLevels(result.data, s.m_nSpecDynamicRange);
    if (!levels.isNull())
        p.drawImage(qrect(l.spectrogram), levels);
    p.setFont(viewFont(kTextPixels));
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
    if (result.data.haveFormants && s.m_bSpecDrawFormantTracking) {
        // One column of dots a logical pixel, as on a screen of scale 1:
        // the dots grow with the scale, so every column's would run together.
        const std::size_t stride = static_cast<std::size_t>(std::max(1L, std::lround(l.scale)));
        std::vector<std::array<std::uint16_t, 5>> frames;
        const std::size_t columns = std::min(result.data.formants.size(), std::size_t(std::max(0, result.data.columns)));
        for (std::size_t i = 0; i < columns; i += stride)
            frames.push_back(result.data.formants[i]);
        DrawFormantTrack(p, frames, l.spectrogram, s.m_nSpecfrequencyRange, static_cast<int>(frames.size()), 1);
    }
    drawGrids(p, l, s, st);
}

QImage renderSpectrogramPicture(const Channels& c, const SpectrogramLayout& l, const SpectrogramOptions& s,
                                const SpectrogramStretch& st, const SpectrogramResult& result)
{
    const QSize device(std::max(1, truncInt(l.client.width() * l.scale)),
                       std::max(1, truncInt(l.client.height() * l.scale)));
    QImage image(device, QImage::Format_RGB32);
    image.setDevicePixelRatio(l.scale);
    image.fill(Qt::white);
    QPainter p(&image);
    drawSpectrogram(p, c, l, s, st, result);
    return image;
}

SpectrogramLayout spectrogramPictureLayout(const Channels& c, const SpectrogramOptions& s, QSize pixels,
                                           double penFactor)
{
    const double pen = penFactor > 0 ? penFactor : 1;
    return layoutSpectrogram(c, s, std::max(1, truncInt(pixels.width() / pen)),
                             std::max(1, truncInt(pixels.height() / pen)), pen);
}

void paintSpectrogram(QPainter& p, const Channels& c, const SpectrogramLayout& l, const SpectrogramOptions& s,
                      const SpectrogramStretch& st, const SpectrogramResult& result, const QRect& target)
{
    p.save();
    p.translate(target.topLeft());
    p.scale(l.scale, l.scale);
    p.setClipRect(qrect(l.client));
    drawSpectrogram(p, c, l, s, st, result);
    p.restore();
}

} // namespace vx
