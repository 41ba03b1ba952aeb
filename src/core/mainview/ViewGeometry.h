#pragma once
// The pixels of one view of a document at one size: its strips, the bands
// of its shown tiers and the rectangles its labels take. Each view's model
// owns one; a picture rendered at another size lays out its own, so
// neither moves the other's hit targets. The document holds none of this.

#include "model/Channels.h"
#include "platform/Types.h"

#include <array>
#include <vector>

namespace vx {

constexpr int g_nLeftWindowOffset = 50;
constexpr int g_nTopWindowOffset = 5;
constexpr int g_nRightWindowOffset = 5;
constexpr int g_nDelta = 5;
constexpr int kBottomMargin = 20;

struct MainLayout {
    Rect client, audio, intensity, pitch;
    int frameHeight = 0;          // m_nFrameHeigth: the data area
    int displayRange = 0;         // pitch strip width
    int displayVerticalRange = 0; // pitch strip height
};

struct PlacedLabel {
    const Labels* label = nullptr;
    int tier = 0;
    Rect rect{};
    bool operator==(const PlacedLabel&) const = default;
};

// A label being dragged in a view, drawn dx pixels right of its place.
struct LabelDrag {
    const Labels* label = nullptr;
    double dx = 0;
};

struct ViewGeometry {
    MainLayout layout;
    // The columns that show the page; its width is what pixel mappings take.
    Rect dataArea{};
    // Empty (zero height) for tiers that are not shown.
    std::array<Rect, Channels::kNumTiers> tiers{};
    // The labels on the page, by tier and then in each tier's order.
    std::vector<PlacedLabel> labels;
    LabelDrag drag;

    // The first label of the given tier whose rectangle holds p.
    const PlacedLabel* labelAt(PointD p, int tier) const;
    const PlacedLabel* find(const Labels* label) const;
};

// p inside r, the right and bottom edges excluded.
bool rectHolds(const Rect& r, PointD p);

// The strips and tier bands of a main view of width x height pixels on
// channel c with a waveform strip audioHeight tall; no labels placed.
ViewGeometry layoutMainView(const Channels& c, int audioHeight, int width, int height);

// Replaces g's placed labels with those of c's shown tiers on the page
// tmin..tmax (ms).
void placeLabels(ViewGeometry& g, const Channels& c, double tmin, double tmax);

} // namespace vx
