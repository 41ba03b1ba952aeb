#include "app/AppState.h"
#include "mainview/MainViewModel.h"
#include "support/SoundFiles.h"

#include <gtest/gtest.h>

#include <optional>

using namespace vx;

namespace {

// Two views of one 2-second document at 10 kHz, 600 and 1100 pixels wide (data areas 545 and
// 1045 pixels from x = 50), with labels 30 pixels wide on tier 1 (rows 0..20) at 500 and 1500 ms.
class View : public ::testing::Test {
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
        const auto addLabel = [&](double ms, const char* text) {
            c.SetMarkerValues_Time(ms);
            const LabelRecord rec{.bounds = {0, 0, 14, 30}, .strText = text};
            return c.Tier_Add_Label_Cocoa_Where(1, rec, a.geometry().dataArea, a.geometry().tiers[1]);
        };
        first = addLabel(500, "first");
        second = addLabel(1500, "second");
        a.SetupDisplay(600, 400);
        b.SetupDisplay(1100, 400);
    }
    // The x of a time in view a.
    static double pixelOf(double ms) { return 50 + ms * 545 / 2000.0; }
    static PointD centre(const Rect& r) { return {(r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0}; }
    static Rect placed(const MainViewModel& m, const Labels* l)
    {
        const PlacedLabel* p = m.geometry().find(l);
        return p ? p->rect : Rect{};
    }
    // Presses, drags to `to` and releases; the label the press hit, if any.
    static const Labels* click(MainViewModel& m, PointD p, std::optional<PointD> to = std::nullopt,
                               ReleaseOutcome* outcome = nullptr)
    {
        m.DoOnLButtonDown(p, 0, true);
        const Labels* hit = m.m_bLabelClicked ? m.m_ClickedLabel : nullptr;
        if (to)
            m.TrackMouseDragged(*to, 0, true);
        const ReleaseOutcome r = m.DoOnLButtonUp(to.value_or(p), 0, true);
        if (outcome)
            *outcome = r;
        return hit;
    }

    Document doc;
    MainViewModel a{doc}, b{doc};
    Labels* first = nullptr;
    Labels* second = nullptr;
};

} // namespace

TEST(MainView, LayoutStacksShownTiersWaveformAndPitch)
{
    Document d;
    vxtest::fillChannel(d, std::vector<float>(100), 8000);
    d.s.m_nAudioHeight = 200;
    d.getChannel(0).m_Tiers[1].bSelected = true;
    d.getChannel(0).m_Tiers[4].bSelected = true;
    MainViewModel m(d);
    m.SetupDisplay(800, 600);
    const MainLayout& l = m.layout();
    EXPECT_EQ(m.geometry().dataArea, (Rect{0, 50, 580, 795}));
    EXPECT_EQ(m.geometry().tiers[1], (Rect{0, 50, 20, 795}));
    EXPECT_EQ(m.geometry().tiers[4], (Rect{20, 50, 40, 795}));
    EXPECT_EQ(l.audio, (Rect{40, 50, 240, 795}));
    EXPECT_EQ(l.intensity, l.audio);
    EXPECT_EQ(l.pitch, (Rect{240, 50, 580, 795}));

    Document empty;
    MainViewModel none(empty);
    none.SetupDisplay(800, 600);
    EXPECT_FALSE(none.m_bViewIntilized) << "a document without data lays out nothing";
}

TEST_F(View, ClickDragAndSecondClickOnTheDocumentsSelectionAndMarker)
{
    click(a, {pixelOf(500), 100});
    EXPECT_TRUE(b.m_bHaveMarker) << "the other view of the document sees it";
    EXPECT_NEAR(doc.getChannel(0).m_dMarkerTime, 500, 0.01);

    // A press starts a selection only when it finds none: it replaces the marker; the drag selects.
    click(a, {pixelOf(500), 100}, PointD{pixelOf(500) + 100, 100});
    EXPECT_TRUE(b.m_bHaveSelection);
    EXPECT_FALSE(b.m_bHaveMarker);
    EXPECT_NEAR(a.m_dSelectionTimeStart, 500, 0.01);
    EXPECT_EQ(MainViewModel::formatReadout(a.readouts().duration), "367.0") << "100 px of 2000 ms over 545";

    click(a, {pixelOf(1500), 100});
    EXPECT_FALSE(a.m_bHaveSelection) << "the second click only removes the selection";
    EXPECT_FALSE(doc.m_bHaveMarker);
    click(a, {pixelOf(1500), 100});
    EXPECT_TRUE(a.m_bHaveMarker) << "a third click sets a marker";

    // Dragging leftwards (the press removes nothing: there is a marker) starts it at the mouse.
    click(a, {pixelOf(1500), 100}, PointD{pixelOf(1000), 100});
    EXPECT_NEAR(a.m_dSelectionTimeStart, 1000, 0.01);
    EXPECT_NEAR(a.m_dSelectionTimeStop, 1500, 0.01);
    a.TrackMouseMove({20, 100}, 0, true);
    EXPECT_NEAR(a.readouts().cursor, 1000, 0.01) << "movement in the left margin is ignored";

    b.ClearSelection();
    EXPECT_FALSE(a.m_bHaveSelection);
    EXPECT_EQ(doc.getChannel(0).m_dDurationStopFile, 0.0);
}

TEST_F(View, ZoomCommandsGiveTheirPages)
{
    // Out of the whole file stays there; out grows the page by half its length on each side;
    // undo after home restores the page before home.
    Channels& c = doc.getChannel(0);
    const struct {
        ZoomCode code;
        double min, max;
    } steps[] = {{ZoomCode::Out, 0, 20000},   {ZoomCode::In, 5000, 15000}, {ZoomCode::In, 7500, 12500},
                 {ZoomCode::Out, 5000, 15000}, {ZoomCode::Home, 0, 20000},  {ZoomCode::Undo, 5000, 15000}};
    for (const auto& step : steps) {
        a.CalibrateScroll(step.code);
        EXPECT_EQ(std::pair(c.m_dPageMin, c.m_dPageMax), std::pair(step.min, step.max)) << int(step.code);
    }
    EXPECT_DOUBLE_EQ(a._dKnobProportion, 0.5);
    a.AdjustScrollControl(a._dKnobPosition, a._dKnobProportion);
    EXPECT_EQ(c.m_dPageMin, 5000.0) << "the scroll bar gives the same page back";
    EXPECT_DOUBLE_EQ(a.m_dTimePageMin, 500.0);

    c.m_dPageMin = 100;
    c.m_dPageMax = 200;
    a.CalibrateScroll(ZoomCode::In);
    EXPECT_EQ(c.m_dPageMax, 200.0) << "a page of 100 samples is not zoomed in";

    c.SetMarkerValues_Time(1900);
    a.CalibrateScroll(ZoomCode::Marker);
    EXPECT_EQ(c.m_dPageMin, 19000.0);
    EXPECT_EQ(c.m_dPageMax, 20000.0) << "zoom at a marker near the end stops at N";

    a.EditSelectAll();
    c.m_dDurationStartFile = 2000;
    c.m_dDurationStopFile = 4000;
    a.CalibrateScroll(ZoomCode::Selection);
    EXPECT_EQ(c.m_dPageMin, 2000.0);
    EXPECT_EQ(c.m_dPageMax, 4000.0);

    a.DoZoomJumpLabel(1000);
    EXPECT_EQ(c.m_dPageMin, 5000.0);
    EXPECT_EQ(c.m_dPageMax, 15000.0) << "a zoom range of 1000 ms centred on the label";
}

TEST_F(View, ReadoutsFollowTheAnalyses)
{
    PitchTrack t{.track = std::vector<double>(200, 0.0), .frameCount = 200, .stopPoint = 20000, .stopTime = 2000};
    std::fill(t.track.begin() + 50, t.track.begin() + 150, 120.0);
    a.setPitch(t);
    a.TrackMouseMove({pixelOf(1000), 50}, 0, true);
    EXPECT_EQ(a.readouts().pitch, 120.0);
    a.TrackMouseMove({pixelOf(200), 50}, 0, true);
    EXPECT_EQ(a.readouts().pitch, 0.0);

    click(a, {pixelOf(400), 50}, PointD{pixelOf(1200), 50});
    EXPECT_NEAR(a.readouts().averagePitch, 120.0, 1e-9);
    EXPECT_TRUE(a.validateMenuItem(ViewAction::ZoomSelection));
    EXPECT_FALSE(a.validateMenuItem(ViewAction::ZoomCursor));
    EXPECT_FALSE(a.validateMenuItem(ViewAction::EditPaste));
}

TEST_F(View, EachViewHitsAndDragsLabelsWhereItPlacesThem)
{
    EXPECT_EQ(placed(a, first), (Rect{0, 50 + 136, 15, 50 + 136 + 30})) << "500 ms of 2000 over 545 px";
    EXPECT_EQ(placed(b, first), (Rect{0, 50 + 261, 15, 50 + 261 + 30})) << "500 ms of 2000 over 1045 px";

    const PointD onFirstInA = centre(placed(a, first));
    EXPECT_EQ(click(a, onFirstInA), first);
    EXPECT_EQ(click(b, onFirstInA), nullptr) << "B shows no label at that pixel";
    EXPECT_EQ(b.m_nTierCliked, 1) << "but the press is on B's tier";
    EXPECT_EQ(click(b, centre(placed(b, first))), first);
    EXPECT_EQ(click(b, centre(placed(b, second))), second);

    // A picture at a third size places its own labels and moves no view's.
    const ViewGeometry beforeA = a.geometry(), beforeB = b.geometry();
    const Rect savedFirst = first->rectLocation;
    const ViewGeometry print = a.geometryFor(900, 700);
    ASSERT_NE(print.find(first), nullptr);
    EXPECT_EQ(print.find(first)->rect.left, 50 + 211) << "500 ms of 2000 over 845 px";
    EXPECT_EQ(a.geometry().labels, beforeA.labels);
    a.SetupDisplay(640, 400);
    a.SetupDisplay(600, 400);
    EXPECT_EQ(b.geometry().labels, beforeB.labels) << "laying out A leaves B alone";
    EXPECT_EQ(click(a, onFirstInA), first) << "after B's and the picture's layouts";
    EXPECT_EQ(first->rectLocation, savedFirst) << "no layout, placement or press writes a label";

    // A drag moves a label by the time its offset means in the view it is dragged in.
    const PointD start = centre(placed(b, first));
    b.DoOnLButtonDown(start, 0, true);
    ASSERT_EQ(b.m_ClickedLabel, first);
    b.TrackMouseDragged({start.x + 40, start.y}, 0, true);
    EXPECT_EQ(b.geometry().drag.dx, 40.0);
    EXPECT_EQ(a.geometry().drag.label, nullptr) << "the offset is B's alone";
    EXPECT_EQ(first->dTime, 500.0) << "nothing moves before the release";
    EXPECT_EQ(b.DoOnLButtonUp({start.x + 40, start.y}, 0, true), ReleaseOutcome::LabelMoved);
    EXPECT_DOUBLE_EQ(first->dTime, 500 + 40 * 2000.0 / 1045);
    EXPECT_TRUE(doc.isDocumentEdited());
    EXPECT_EQ(placed(b, first).left, 50 + 261 + 40) << "it lies where B's user let go";

    // A finds it at its new time the next time it is pressed.
    const int x = 50 + static_cast<int>(first->dTime * 545 / 2000);
    EXPECT_EQ(click(a, {x + 15.0, 5}), first);
    EXPECT_EQ(placed(a, first).left, x);

    // Dragged far past the end of the recording: held at its end, still drawn and clickable.
    ReleaseOutcome outcome{};
    const PointD onSecond = centre(placed(a, second));
    EXPECT_EQ(click(a, onSecond, PointD{onSecond.x + 400, onSecond.y}, &outcome), second);
    EXPECT_EQ(outcome, ReleaseOutcome::LabelMoved);
    EXPECT_EQ(second->dTime, 2000);
    EXPECT_EQ(click(a, {pixelOf(2000) - 3, 10}), second);

    // A click on the tier away from the labels opens the editor there.
    EXPECT_EQ(click(a, {pixelOf(1000), 10}, std::nullopt, &outcome), nullptr);
    EXPECT_EQ(outcome, ReleaseOutcome::OpenLabelEditorAtPoint);
}
