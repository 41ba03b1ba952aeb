#include "app/AppState.h"
#include "mainview/MainViewModel.h"
#include "support/SoundFiles.h"

#include <gtest/gtest.h>

using namespace vx;

namespace {

// A 2-second recording at 10 kHz in a 600 x 400 view: the strip is
// 545 pixels wide (50 to 595).
class View : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        vxtest::fillChannel(doc, std::vector<float>(20000, 0.1f), 10000);
        doc.getChannel(0).m_bAnchorChannel = true;
        model.setWholeFileStretches();
        model.SetupDisplay(600, 400);
        model.AdjustScrollControl(0, 1.0);
    }
    double pixelOf(double ms) { return 50 + ms * 545 / 2000.0; }

    Document doc;
    MainViewModel model{doc};
};

} // namespace

TEST_F(View, LayoutStacksShownTiersWaveformAndPitch)
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
    EXPECT_EQ(m.geometry().tiers[2].height(), 0);
    EXPECT_EQ(l.audio, (Rect{40, 50, 240, 795}));
    EXPECT_EQ(l.intensity, l.audio);
    EXPECT_EQ(l.pitch, (Rect{240, 50, 580, 795}));
    EXPECT_EQ(l.frameHeight, 580);
    EXPECT_EQ(l.displayRange, 745);
    EXPECT_EQ(l.displayVerticalRange, 340);

    Document empty;
    MainViewModel none(empty);
    none.SetupDisplay(800, 600);
    EXPECT_FALSE(none.m_bViewIntilized) << "a document without data lays out nothing";
}

TEST_F(View, ClickDragAndSecondClick)
{
    model.DoOnLButtonDown({pixelOf(500), 100}, 0, true);
    EXPECT_TRUE(model.m_bHaveMarker);
    model.DoOnLButtonUp({pixelOf(500), 100}, 0, true);
    EXPECT_TRUE(doc.m_bHaveMarker);
    EXPECT_NEAR(doc.getChannel(0).m_dMarkerTime, 500, 0.01);

    // A press starts a selection only when it finds none: here it replaces
    // the marker with a new one, which the drag turns into a selection.
    model.DoOnLButtonDown({pixelOf(500), 100}, 0, true);
    model.TrackMouseDragged({pixelOf(500) + 100, 100}, 0, true);
    model.DoOnLButtonUp({pixelOf(500) + 100, 100}, 0, true);
    EXPECT_TRUE(model.m_bHaveSelection);
    EXPECT_TRUE(doc.m_bHaveSelection);
    EXPECT_FALSE(doc.m_bHaveMarker);
    EXPECT_NEAR(model.readouts().duration, 100 * 2000.0 / 545, 1e-6);
    EXPECT_NEAR(model.m_dSelectionTimeStart, 500, 0.01);
    EXPECT_EQ(MainViewModel::formatReadout(model.readouts().duration), "367.0");

    model.DoOnLButtonDown({pixelOf(1500), 100}, 0, true);
    model.DoOnLButtonUp({pixelOf(1500), 100}, 0, true);
    EXPECT_FALSE(model.m_bHaveSelection) << "the second click only removes the selection";
    EXPECT_FALSE(model.m_bHaveMarker);
    EXPECT_FALSE(doc.m_bHaveMarker);
    model.DoOnLButtonDown({pixelOf(1500), 100}, 0, true);
    model.DoOnLButtonUp({pixelOf(1500), 100}, 0, true);
    EXPECT_TRUE(model.m_bHaveMarker) << "a third click sets a marker";

    // Dragging leftwards: the selection starts at the mouse.
    model.DoOnLButtonDown({pixelOf(1500), 100}, 0, true); // removes nothing: there is a marker
    model.TrackMouseDragged({pixelOf(1000), 100}, 0, true);
    model.DoOnLButtonUp({pixelOf(1000), 100}, 0, true);
    EXPECT_NEAR(model.m_dSelectionTimeStart, 1000, 0.01);
    EXPECT_NEAR(model.m_dSelectionTimeStop, 1500, 0.01);

    model.TrackMouseMove({20, 100}, 0, true);
    EXPECT_NEAR(model.readouts().cursor, 1000, 0.01) << "movement in the left margin is ignored";
}

TEST_F(View, ZoomCommandsGiveTheirPages)
{
    Channels& c = doc.getChannel(0);
    model.CalibrateScroll(ZoomCode::Out);
    EXPECT_EQ(c.m_dPageMin, 0.0);
    EXPECT_EQ(c.m_dPageMax, 20000.0) << "zoom out of the whole file stays there";
    model.CalibrateScroll(ZoomCode::In);
    EXPECT_EQ(c.m_dPageMin, 5000.0);
    EXPECT_EQ(c.m_dPageMax, 15000.0);
    EXPECT_TRUE(model.m_bZoomed);
    EXPECT_DOUBLE_EQ(model._dKnobProportion, 0.5);
    EXPECT_DOUBLE_EQ(model._dKnobPosition, 0.5);
    model.AdjustScrollControl(model._dKnobPosition, model._dKnobProportion);
    EXPECT_EQ(c.m_dPageMin, 5000.0) << "the scroll bar gives the same page back";
    EXPECT_EQ(c.m_dPageMax, 15000.0);
    EXPECT_DOUBLE_EQ(model.m_dTimePageMin, 500.0);

    model.CalibrateScroll(ZoomCode::Home);
    EXPECT_EQ(c.m_dPageMax, 20000.0);
    model.CalibrateScroll(ZoomCode::Undo);
    EXPECT_EQ(c.m_dPageMin, 5000.0) << "undo after home restores the page before home";
    EXPECT_EQ(c.m_dPageMax, 15000.0);

    c.m_dPageMin = 100;
    c.m_dPageMax = 200;
    model.CalibrateScroll(ZoomCode::In);
    EXPECT_EQ(c.m_dPageMax, 200.0) << "a page of 100 samples is not zoomed in";

    c.SetMarkerValues_Time(1900);
    model.CalibrateScroll(ZoomCode::Marker);
    EXPECT_EQ(c.m_dPageMin, 19000.0);
    EXPECT_EQ(c.m_dPageMax, 20000.0) << "zoom at a marker near the end stops at N";

    model.EditSelectAll();
    c.m_dDurationStartFile = 2000;
    c.m_dDurationStopFile = 4000;
    model.CalibrateScroll(ZoomCode::Selection);
    EXPECT_EQ(c.m_dPageMin, 2000.0);
    EXPECT_EQ(c.m_dPageMax, 4000.0);

    model.DoZoomJumpLabel(1000);
    EXPECT_EQ(c.m_dPageMin, 5000.0);
    EXPECT_EQ(c.m_dPageMax, 15000.0) << "a zoom range of 1000 ms centred on the label";
}

TEST_F(View, ReadoutsFollowTheAnalyses)
{
    PitchTrack t;
    t.frameCount = 200;
    t.track.assign(200, 0.0);
    for (int k = 50; k < 150; ++k)
        t.track[static_cast<std::size_t>(k)] = 120;
    t.stopPoint = 20000;
    t.stopTime = 2000;
    model.setPitch(t);
    model.TrackMouseMove({pixelOf(1000), 50}, 0, true);
    EXPECT_EQ(model.readouts().pitch, 120.0);
    model.TrackMouseMove({pixelOf(200), 50}, 0, true);
    EXPECT_EQ(model.readouts().pitch, 0.0);

    model.DoOnLButtonDown({pixelOf(400), 50}, 0, true);
    model.TrackMouseDragged({pixelOf(1200), 50}, 0, true);
    model.DoOnLButtonUp({pixelOf(1200), 50}, 0, true);
    EXPECT_NEAR(model.readouts().averagePitch, 120.0, 1e-9);
    EXPECT_TRUE(model.validateMenuItem(ViewAction::ZoomSelection));
    EXPECT_FALSE(model.validateMenuItem(ViewAction::ZoomCursor));
    EXPECT_FALSE(model.validateMenuItem(ViewAction::EditPaste));
}

TEST_F(View, ALabelCanBeDraggedOrOpensTheEditor)
{
    Channels& c = doc.getChannel(0);
    c.m_Tiers[1].bSelected = true;
    model.SetupDisplay(600, 400);
    c.SetMarkerValues_Time(1000);
    LabelRecord rec;
    rec.strText = "word";
    rec.bounds = {0, 0, 14, 30};
    c.Tier_Add_Label_Cocoa_Where(1, rec, model.geometry().dataArea, model.geometry().tiers[1]);
    model.SetupDisplay(600, 400);

    const double x = pixelOf(1000) + 5;
    model.DoOnLButtonDown({x, 10}, 0, true);
    ASSERT_TRUE(model.m_bLabelClicked);
    model.TrackMouseDragged({x + 20, 10}, 0, true);
    EXPECT_EQ(model.DoOnLButtonUp({x + 20, 10}, 0, true), ReleaseOutcome::LabelMoved);
    EXPECT_NEAR(c.m_Tiers[1].m_pArrayLabels[0]->dTime, 1000 + 20 * 2000.0 / 545, 0.5);
    EXPECT_TRUE(doc.isDocumentEdited());

    // Dragged far past the end of the recording (2000 ms): held at its end,
    // where it is still drawn and can be clicked.
    const double at = pixelOf(c.m_Tiers[1].m_pArrayLabels[0]->dTime) + 5;
    model.DoOnLButtonDown({at, 10}, 0, true);
    ASSERT_TRUE(model.m_bLabelClicked);
    model.TrackMouseDragged({at + 400, 10}, 0, true);
    EXPECT_EQ(model.DoOnLButtonUp({at + 400, 10}, 0, true), ReleaseOutcome::LabelMoved);
    EXPECT_EQ(c.m_Tiers[1].m_pArrayLabels[0]->dTime, 2000);
    model.DoOnLButtonDown({pixelOf(2000) - 3, 10}, 0, true);
    EXPECT_TRUE(model.m_bLabelClicked);
    model.DoOnLButtonUp({pixelOf(2000) - 3, 10}, 0, true);

    model.DoOnLButtonDown({pixelOf(200), 10}, 0, true);
    EXPECT_EQ(model.DoOnLButtonUp({pixelOf(200), 10}, 0, true), ReleaseOutcome::OpenLabelEditorAtPoint);
}
