#include "app/AppState.h"
#include "mainview/MainViewModel.h"
#include "support/SoundFiles.h"

#include <gtest/gtest.h>

using namespace vx;

namespace {

// Two views of one 2-second document, 600 and 1100 pixels wide (data areas
// 545 and 1045 pixels), with labels 30 pixels wide on tier 1 (rows 0..20)
// at 500 and 1500 ms.
class TwoViews : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        vxtest::fillChannel(doc, std::vector<float>(20000, 0.1f), 10000);
        Channels& c = doc.getChannel(0);
        c.m_bAnchorChannel = true;
        c.m_Tiers[1].bSelected = true;
        for (MainViewModel* m : {&a, &b}) {
            m->setWholeFileStretches();
            m->AdjustScrollControl(0, 1.0);
        }
        a.SetupDisplay(600, 400);
        first = addLabel(500, "first");
        second = addLabel(1500, "second");
        a.SetupDisplay(600, 400);
        b.SetupDisplay(1100, 400);
    }
    Labels* addLabel(double ms, const char* text)
    {
        Channels& c = doc.getChannel(0);
        c.SetMarkerValues_Time(ms);
        LabelRecord rec;
        rec.strText = text;
        rec.bounds = {0, 0, 14, 30};
        return c.Tier_Add_Label_Cocoa_Where(1, rec, a.geometry().dataArea, a.geometry().tiers[1]);
    }
    static PointD centre(const Rect& r) { return {(r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0}; }
    static Rect placed(const MainViewModel& m, const Labels* l)
    {
        const PlacedLabel* p = m.geometry().find(l);
        return p ? p->rect : Rect{};
    }
    // Presses and releases at p; the label the press hit, if any.
    static const Labels* click(MainViewModel& m, PointD p)
    {
        m.DoOnLButtonDown(p, 0, true);
        const Labels* hit = m.m_bLabelClicked ? m.m_ClickedLabel : nullptr;
        m.DoOnLButtonUp(p, 0, true);
        return hit;
    }

    Document doc;
    MainViewModel a{doc}, b{doc};
    Labels* first = nullptr;
    Labels* second = nullptr;
};

} // namespace

TEST_F(TwoViews, EachViewHitsLabelsWhereItPlacesThem)
{
    EXPECT_EQ(placed(a, first), (Rect{0, 50 + 136, 15, 50 + 136 + 30})) << "500 ms of 2000 over 545 px";
    EXPECT_EQ(placed(b, first), (Rect{0, 50 + 261, 15, 50 + 261 + 30})) << "500 ms of 2000 over 1045 px";

    const PointD onFirstInA = centre(placed(a, first));
    EXPECT_EQ(click(a, onFirstInA), first);
    EXPECT_EQ(click(b, onFirstInA), nullptr) << "B shows no label at that pixel";
    EXPECT_EQ(b.m_nTierCliked, 1) << "but the press is on B's tier";
    EXPECT_EQ(click(b, centre(placed(b, first))), first);
    EXPECT_EQ(click(b, centre(placed(b, second))), second);
    EXPECT_EQ(click(a, centre(placed(a, second))), second);

    // A picture at a third size places its own labels and moves no view's.
    const ViewGeometry beforeA = a.geometry(), beforeB = b.geometry();
    const Rect savedFirst = first->rectLocation, savedSecond = second->rectLocation;
    const ViewGeometry print = a.geometryFor(900, 700);
    ASSERT_NE(print.find(first), nullptr);
    EXPECT_EQ(print.find(first)->rect.left, 50 + 211) << "500 ms of 2000 over 845 px";
    EXPECT_EQ(print.dataArea.right, 895);
    EXPECT_EQ(a.geometry().labels, beforeA.labels);
    EXPECT_EQ(a.geometry().dataArea, beforeA.dataArea);
    b.SetupDisplay(1100, 400);
    EXPECT_EQ(b.geometry().labels, beforeB.labels);
    a.SetupDisplay(640, 400);
    a.SetupDisplay(600, 400);
    EXPECT_EQ(b.geometry().labels, beforeB.labels) << "laying out A leaves B alone";
    EXPECT_EQ(click(a, onFirstInA), first) << "after B's and the picture's layouts";
    EXPECT_EQ(first->rectLocation, savedFirst) << "no layout, placement or press writes a label";
    EXPECT_EQ(second->rectLocation, savedSecond);
}

TEST_F(TwoViews, ADragMovesTheLabelByTheTimeItsOffsetMeansInThatView)
{
    const PointD start = centre(placed(b, first));
    b.DoOnLButtonDown(start, 0, true);
    ASSERT_EQ(b.m_ClickedLabel, first);
    b.TrackMouseDragged({start.x + 40, start.y}, 0, true);
    EXPECT_EQ(b.geometry().drag.label, first);
    EXPECT_EQ(b.geometry().drag.dx, 40.0);
    EXPECT_EQ(a.geometry().drag.label, nullptr) << "the offset is B's alone";
    EXPECT_EQ(first->dTime, 500.0) << "nothing moves before the release";
    EXPECT_EQ(b.DoOnLButtonUp({start.x + 40, start.y}, 0, true), ReleaseOutcome::LabelMoved);
    EXPECT_DOUBLE_EQ(first->dTime, 500 + 40 * 2000.0 / 1045);
    EXPECT_EQ(b.geometry().drag.label, nullptr);
    EXPECT_EQ(placed(b, first).left, 50 + 261 + 40) << "it lies where B's user let go";

    // A finds it at its new time the next time it is pressed.
    const int x = 50 + static_cast<int>(first->dTime * 545 / 2000);
    EXPECT_EQ(click(a, {x + 15.0, 5}), first);
    EXPECT_EQ(placed(a, first).left, x);
}

TEST_F(TwoViews, TheDocumentOwnsTheSelectionAndMarker)
{
    click(a, {300, 200}); // below the tier: a marker
    EXPECT_TRUE(doc.m_bHaveMarker);
    EXPECT_TRUE(b.m_bHaveMarker) << "the other view of the document sees it";
    a.DoOnLButtonDown({300, 200}, 0, true);
    a.TrackMouseDragged({400, 200}, 0, true);
    a.DoOnLButtonUp({400, 200}, 0, true);
    EXPECT_TRUE(b.m_bHaveSelection);
    EXPECT_FALSE(b.m_bHaveMarker);
    EXPECT_TRUE(b.validateMenuItem(ViewAction::ZoomSelection));
    EXPECT_GT(doc.getChannel(0).m_dDurationTime, 0);

    b.ClearSelection();
    EXPECT_FALSE(a.m_bHaveSelection);
    EXPECT_FALSE(doc.m_bHaveSelection);
    EXPECT_FALSE(doc.m_bHaveMarker);
    EXPECT_EQ(doc.getChannel(0).m_dDurationTime, 0.0);
    EXPECT_EQ(doc.getChannel(0).m_dDurationStopFile, 0.0);
}
