#pragma once
// Everything the main view knows apart from pixels: the geometry of
// channel 0's strips, tiers and labels at the view's size, the page and
// zoom, the cursor, marker, selection and label hits from mouse input, the
// pitch track and intensity contour it shows, and the readouts. The widget
// translates events into these calls and draws what this holds; tests drive
// it without a window. Several models may show one document.

#include "analysis/PitchIntensity.h"
#include "document/Document.h"
#include "mainview/ViewGeometry.h"
#include "platform/Types.h"

#include <cmath>
#include <optional>
#include <string>

namespace vx {

enum class ViewAction {
    SaveAsPicture,
    EditUndo,
    EditCut,
    EditCopy,
    EditClear,
    EditPaste,
    EditSelectWindow,
    EditSelectAll,
    ZoomUndo,
    ZoomIn,
    ZoomOut,
    ZoomHome,
    ZoomSelection,
    ZoomCursor,
    Record,
    Play,
    PlayWindow,
    PlaySelection,
    AnalysisPitch,
    AnalysisPitchWindow,
    AnalysisPitchSelection,
    Other,
};

// What a release asks the window to do next.
enum class ReleaseOutcome { Nothing, LabelMoved, OpenLabelEditorForLabel, OpenLabelEditorAtPoint };

struct Readouts {
    double cursor = 0, duration = 0, pitch = 0, intensity = 0, averagePitch = 0;
};

// The zoom commands; their numbers are those of the settings and menus of
// older versions.
enum class ZoomCode { Undo = 0, In = 1, Out = 2, Selection = 3, Marker = 4, Home = 5 };

class MainViewModel {
public:
    explicit MainViewModel(Document& doc);

    Document& doc() { return m_doc; }
    const Document& doc() const { return m_doc; }
    Channels& channel0() { return m_doc.getChannel(0); }

    // Layout for a view of width x height pixels (SetupDisplay).
    void SetupDisplay(int width, int height);
    const MainLayout& layout() const { return m_geometry.layout; }
    const ViewGeometry& geometry() const { return m_geometry; }
    // The geometry, labels placed on the current page, of a picture of
    // another size; this view's own is left as it is.
    ViewGeometry geometryFor(int width, int height) const;
    bool m_bViewIntilized = false;
    bool m_bRedraw = true;

    // The page from the scroll bar: value v and knob proportion q in 0..1.
    void AdjustScrollControl(double v, double q);
    void CalibrateScroll(ZoomCode code);
    void DoZoomJumpLabel(double t);
    double _dKnobPosition = 0;
    double _dKnobProportion = 1.0;
    bool m_bZoomed = false;
    double m_dTimePageMin = 0, m_dTimePageMax = 0;

    // Mouse input in picture coordinates (y down); x includes the margin.
    void DoOnLButtonDown(PointD p, double t, bool fromMouse);
    void TrackMouseDragged(PointD p, double t, bool fromMouse);
    void TrackMouseMove(PointD p, double t, bool fromMouse);
    ReleaseOutcome DoOnLButtonUp(PointD p, double t, bool fromMouse);
    void ClearSelection();
    void EditSelectWindow();
    void EditSelectAll();
    static bool PtInRect(PointD p, const Rect& r);

    // The label editor's results on channel 0, on the tier (and label) the
    // editor was opened for: the user may have clicked elsewhere since.
    // Each answers whether the document changed; a label no longer on its
    // tier changes nothing.
    Labels* AddLabel(int tier, const LabelRecord& record, double time);
    bool ModifyLabel(int tier, const Labels* label, const Labels& modified);
    bool RemoveLabel(int tier, const Labels* label);
    // After a drag has moved a label.
    void MoveLabel();

    // The document's flags: every view of it reads and writes the same.
    bool& m_bHaveMarker;
    bool& m_bHaveSelection;
    double m_dCursorTime = 0, m_dMarkerTime = 0;
    double m_dSelectionTimeStart = 0, m_dSelectionTimeStop = 0;
    double m_dLogMarkerTime = 0, m_dLogMarkerPitch = 0, m_dLogMarkerIntensity = 0;
    PointD m_ptTrackStart{};
    Rect m_rSelection{}, m_rOldSelection{}, m_rMarker{}, m_rNewCursor{};
    RectD _rectCursor{0, 0, 1, 1};
    bool m_bLabelMode = false, m_bLabelClicked = false, m_bLabelMoved = false;
    int m_nTierCliked = -1;
    Labels* m_ClickedLabel = nullptr;
    // The clicked label's rectangle at the press, and moved by the drag.
    Rect m_rTracking{}, m_rectTracking{};

    // Analysis results, replaced whole on the main thread.
    void setPitch(std::optional<PitchTrack> track);
    void setIntensity(std::optional<IntensityContour> contour);
    const std::optional<PitchTrack>& pitch() const { return m_pitch; }
    const std::optional<IntensityContour>& intensity() const { return m_intensity; }
    double m_dIntensitySelectionStartPoint = 0, m_dIntensitySelectionStopPoint = 0;
    double m_dIntensitySelectionStartTime = 0, m_dIntensitySelectionStopTime = 0;
    double m_dPitchSelectionStartPoint = 0, m_dPitchSelectionStopPoint = 0;
    double m_dPitchSelectionStartTime = 0, m_dPitchSelectionStopTime = 0;
    // Sets the pitch and intensity stretches to the whole channel.
    void setWholeFileStretches();
    double DoAveragePitchSelection() const;
    double pitchAt(double timeMs) const;
    double intensityAt(double timeMs) const;

    const Readouts& readouts() const { return m_readouts; }
    // Readouts for samples that changed under them: nothing measured yet
    // but the duration of a selection that is still there.
    void resetReadouts()
    {
        m_readouts = {};
        if (m_doc.m_bHaveSelection)
            m_readouts.duration = std::fabs(channel0().GetDurationTime());
    }
    static std::string formatReadout(double v);

    bool validateMenuItem(ViewAction action, bool editUndo = false, bool clipboardHasChannels = false) const;

private:
    bool haveData() const { return m_doc.m_bHaveData && m_doc.getChannel(0).m_hData.size() > 0; }
    Channels& anchor();
    void afterZoom();
    double dataWidth() const { return m_geometry.dataArea.width(); }
    void placeLabelsOnPage();
    void afterLabelEdit();
    template <typename F>
    void forEachChannel(F f)
    {
        const int n = std::max(1, m_doc.m_nNumofChannels);
        for (int k = 0; k < n && k < Document::kNumChannels; ++k)
            f(m_doc.getChannel(k));
    }

    Document& m_doc;
    ViewGeometry m_geometry;
    std::optional<PitchTrack> m_pitch;
    std::optional<IntensityContour> m_intensity;
    Readouts m_readouts;
};

} // namespace vx
