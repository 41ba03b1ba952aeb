#include "draw/MainViewPicture.h"

#include "draw/GraphPrimitives.h"
#include "draw/ViewFonts.h"

#include <algorithm>

namespace vx {

namespace {
constexpr double kTextPixels = 12;
} // namespace

void drawMainView(QPainter& p, const MainViewModel& m, const ViewGeometry& g, const SampleSummary* summary)
{
    const Document& d = m.doc();
    const MainLayout& l = g.layout;
    p.fillRect(QRect(0, 0, l.client.right, l.client.bottom), Qt::white);
    if (!d.m_bHaveData || !m.m_bViewIntilized)
        return;
    p.setFont(viewFont(kTextPixels));
    const Settings& s = d.s;
    const Channels& c = d.getChannel(0);
    if (s.m_bDrawTimeGrid) {
        const double k = s.m_bMsec ? 1.0 : 1000.0;
        TimeGrids(p, l.pitch, 0, true, m.m_dTimePageMin / k, m.m_dTimePageMax / k, s.m_nTimeGridSpacing, false);
    }
    if (s.m_bPitchDrawFreqGrid)
        DrawAnyGrid(p, l.pitch, s.m_nPitchDisplayLow, s.m_nPitchDisplayHigh, s.m_nPitchFreqGrid, 1, false);

    // Tiers and their labels.
    for (int i = 0; i < Channels::kNumTiers; ++i) {
        const TIERS& t = c.m_Tiers[static_cast<std::size_t>(i)];
        if (!t.bSelected)
            continue;
        const Rect& band = g.tiers[static_cast<std::size_t>(i)];
        p.setPen(Qt::black);
        p.drawRect(QRect(band.left, band.top, band.width() - 1, band.height() - 1));
        p.drawText(QPointF(2, band.top + p.fontMetrics().ascent()), QString::fromStdString(t.strName));
        for (const LabelPtr& label : t.m_pArrayLabels) {
            const std::optional<Rect> placed = placeLabel(*label, g.dataArea, band, m.m_dTimePageMin, m.m_dTimePageMax);
            if (!placed)
                continue;
            const Rect& r = *placed;
            const QFont font = labelFont(label->mFont);
            p.setFont(font);
            p.setPen(deviceColor(label->mFontColor));
            const double shift = g.drag.label == label.get() ? g.drag.dx : 0;
            const QPointF at(r.left + shift, r.top);
            p.drawText(at + QPointF(0, QFontMetrics(font).ascent()), QString::fromStdString(label->getLabelText()));
            p.setFont(viewFont(kTextPixels));
            if (label->bAddLine) {
                const double x = label->nJustification == 1 ? (r.left + r.right) / 2.0
                               : label->nJustification == 2 ? r.right
                                                            : r.left;
                p.setPen(Qt::black);
                p.drawLine(QPointF(x, band.top), QPointF(x, l.frameHeight));
            }
        }
    }
    p.setPen(Qt::black);
    p.drawRect(QRect(l.audio.left, l.audio.top, l.audio.width() - 1, l.audio.height() - 1));
    // Samples beyond full scale (after a gain) stay inside their strip.
    p.save();
    p.setClipRect(QRect(l.audio.left, l.audio.top, l.audio.width(), l.audio.height()));
    DrawGraphFloat_1(p, summary, c.m_dPageMin, c.m_dPageMax, l.audio.height() * 0.5, 0.5, l.audio, RGBColor{},
                     c.m_dReference, c.m_bDrawReference, RGBColor{65535, 65535, 65535});
    p.restore();
    if (m.intensity() && c.m_bDrawIntensity && m.intensity()->maximum != 0)
        DrawIntensityFloat(p, &*m.intensity(), m.m_dIntensitySelectionStartPoint,
                           m.m_dIntensitySelectionStopPoint, c.m_dPageMin, c.m_dPageMax,
                           l.intensity.height() / m.intensity()->maximum, l.intensity, RGBColor{0, 0, 255});
    if (m.pitch()) {
        const double span = m.m_dPitchSelectionStopPoint - m.m_dPitchSelectionStartPoint;
        if (span > 0) {
            const double k = m.pitch()->frameCount / span;
            DrawPitchTrackVoxtrace(p, &m.pitch()->track, m.pitch()->frameCount,
                                   (c.m_dPageMin - m.m_dPitchSelectionStartPoint) * k,
                                   (c.m_dPageMax - m.m_dPitchSelectionStartPoint) * k, l.pitch.left, l.pitch.bottom,
                                   l.displayVerticalRange, l.displayRange, s.m_nPitchDisplayHigh,
                                   s.m_nPitchDisplayLow, 1);
        }
    }
}

void paintMainView(QPainter& p, const MainViewModel& model, const SampleSummary* summary, const QRect& target,
                   double penFactor)
{
    const double pen = penFactor > 0 ? penFactor : 1;
    const int width = std::max(1, truncInt(target.width() / pen));
    const int height = std::max(1, truncInt(target.height() / pen));
    p.save();
    p.translate(target.topLeft());
    p.scale(pen, pen);
    p.setClipRect(QRect(0, 0, width, height));
    drawMainView(p, model, model.geometryFor(width, height), summary);
    p.restore();
}

} // namespace vx
