#include "mainview/ViewGeometry.h"

#include <algorithm>

namespace vx {

namespace {

std::int16_t s16(int v)
{
    return static_cast<std::int16_t>(std::clamp(v, -32768, 32767));
}

} // namespace

bool rectHolds(const Rect& r, PointD p)
{
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

const PlacedLabel* ViewGeometry::labelAt(PointD p, int tier) const
{
    auto it = std::find_if(labels.begin(), labels.end(),
                           [&](const PlacedLabel& l) { return l.tier == tier && rectHolds(l.rect, p); });
    return it == labels.end() ? nullptr : &*it;
}

const PlacedLabel* ViewGeometry::find(const Labels* label) const
{
    auto it = std::find_if(labels.begin(), labels.end(), [&](const PlacedLabel& l) { return l.label == label; });
    return it == labels.end() ? nullptr : &*it;
}

ViewGeometry layoutMainView(const Channels& c, int audioHeight, int width, int height)
{
    ViewGeometry g;
    MainLayout& l = g.layout;
    l.client = {0, 0, s16(height), s16(width)};
    g.dataArea = {0, g_nLeftWindowOffset, s16(height - kBottomMargin), s16(width - g_nRightWindowOffset)};
    l.frameHeight = height - kBottomMargin;
    const std::int16_t left = g.dataArea.left, right = g.dataArea.right;
    int y = 0;
    for (int i = 0; i < Channels::kNumTiers; ++i) {
        const TIERS& t = c.m_Tiers[static_cast<std::size_t>(i)];
        const int h = t.bSelected ? std::clamp(t.nHeigth, 0, TIERS::kMaxHeight) : 0;
        g.tiers[static_cast<std::size_t>(i)] = {s16(y), left, s16(y + h), right};
        y += h;
    }
    l.audio = {s16(y), left, s16(y + audioHeight), right};
    l.intensity = l.audio;
    l.pitch = {l.audio.bottom, left, s16(height - kBottomMargin), right};
    l.displayVerticalRange = l.pitch.height();
    l.displayRange = l.pitch.width();
    return g;
}

void placeLabels(ViewGeometry& g, const Channels& c, double tmin, double tmax)
{
    g.labels.clear();
    for (int i = 0; i < Channels::kNumTiers; ++i) {
        const TIERS& t = c.m_Tiers[static_cast<std::size_t>(i)];
        if (!t.bSelected)
            continue;
        for (const LabelPtr& label : t.m_pArrayLabels)
            if (auto r = placeLabel(*label, g.dataArea, g.tiers[static_cast<std::size_t>(i)], tmin, tmax))
                g.labels.push_back({label.get(), i, *r});
    }
}

} // namespace vx
