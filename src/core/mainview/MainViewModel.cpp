#include "mainview/MainViewModel.h"

#include "labels/Labelling.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vx {

namespace {

std::int16_t s16(int v)
{
    return static_cast<std::int16_t>(std::clamp(v, -32768, 32767));
}

} // namespace

MainViewModel::MainViewModel(Document& doc)
    : m_bHaveMarker(doc.m_bHaveMarker), m_bHaveSelection(doc.m_bHaveSelection), m_doc(doc)
{
    if (m_doc.m_bHaveData)
        setWholeFileStretches();
}

void MainViewModel::setWholeFileStretches()
{
    const Channels& c = m_doc.getChannel(0);
    m_dPitchSelectionStartPoint = m_dIntensitySelectionStartPoint = 0;
    m_dPitchSelectionStopPoint = m_dIntensitySelectionStopPoint = c.m_dwFileLength;
    m_dPitchSelectionStartTime = m_dIntensitySelectionStartTime = 0;
    m_dPitchSelectionStopTime = m_dIntensitySelectionStopTime = c.m_dLengthMS;
}

void MainViewModel::SetupDisplay(int width, int height)
{
    if (!m_doc.m_bHaveData)
        return;
    Channels& c = channel0();
    ViewGeometry g = layoutMainView(c, m_doc.s.m_nAudioHeight, width, height);
    g.drag = m_geometry.drag;
    m_geometry = std::move(g);
    c.GetPageMinMaxTimes(&m_dTimePageMin, &m_dTimePageMax);
    placeLabelsOnPage();
    m_bViewIntilized = true;
    m_bRedraw = true;
}

void MainViewModel::placeLabelsOnPage()
{
    placeLabels(m_geometry, m_doc.getChannel(0), m_dTimePageMin, m_dTimePageMax);
}

ViewGeometry MainViewModel::geometryFor(int width, int height) const
{
    const Channels& c = m_doc.getChannel(0);
    ViewGeometry g = layoutMainView(c, m_doc.s.m_nAudioHeight, width, height);
    placeLabels(g, c, m_dTimePageMin, m_dTimePageMax);
    return g;
}

void MainViewModel::AdjustScrollControl(double v, double q)
{
    if (!m_doc.m_bHaveData)
        return;
    _dKnobPosition = v;
    _dKnobProportion = q;
    Channels& c = channel0();
    const double N = c.m_dwFileLength;
    c.m_dPageMin = std::max(0.0, (N - q * N) * v);
    c.m_dPageMax = std::min(N, q * N + c.m_dPageMin);
    c.m_dPageSize = c.m_dPageMax - c.m_dPageMin;
    c.GetPageMinMaxTimes(&m_dTimePageMin, &m_dTimePageMax);
    placeLabelsOnPage();
}

Channels& MainViewModel::anchor()
{
    for (int k = 0; k < Document::kNumChannels; ++k)
        if (m_doc.getChannel(k).m_bAnchorChannel)
            return m_doc.getChannel(k);
    return m_doc.getChannel(0);
}

void MainViewModel::afterZoom()
{
    Channels& a = anchor();
    const double N = a.m_dwFileLength;
    const double q = N > 0 ? (a.m_dPageMax - a.m_dPageMin) / N : 1.0;
    a.GetPageMinMaxTimes(&m_dTimePageMin, &m_dTimePageMax);
    _dKnobProportion = q;
    // The scroll bar's value that AdjustScrollControl turns back into this page.
    const double room = N - (a.m_dPageMax - a.m_dPageMin);
    _dKnobPosition = room > 0 ? a.m_dPageMin / room : 0.0;
    m_bZoomed = q != 1.0;
    placeLabelsOnPage();
    m_bRedraw = true;
}

void MainViewModel::CalibrateScroll(ZoomCode code)
{
    if (!m_doc.m_bHaveData)
        return;
    forEachChannel([&](Channels& c) {
        const double N = c.m_dwFileLength;
        double lo = c.m_dPageMin, hi = c.m_dPageMax;
        if (code != ZoomCode::Undo) {
            c.m_dMinUnZoom = lo;
            c.m_dMaxUnZoom = hi;
        }
        const double len = hi - lo;
        switch (code) {
        case ZoomCode::Undo:
            lo = c.m_dMinUnZoom;
            hi = c.m_dMaxUnZoom;
            break;
        case ZoomCode::In:
            if (len > 100) {
                lo += len / 4;
                hi -= len / 4;
            }
            break;
        case ZoomCode::Out: {
            const double grow = len > 0 ? len / 2 : 50;
            lo -= grow;
            hi += grow;
            break;
        }
        case ZoomCode::Selection:
            lo = c.m_dDurationStartFile;
            hi = c.m_dDurationStopFile;
            break;
        case ZoomCode::Marker:
            lo = c.m_dMarkerFileValue;
            hi = lo + c.m_dSampleRate * m_doc.s.m_dZoomRange / 1000;
            break;
        case ZoomCode::Home:
            lo = 0;
            hi = N;
            break;
        default:
            return;
        }
        c.m_dPageMin = std::clamp(lo, 0.0, N);
        c.m_dPageMax = std::clamp(hi, 0.0, N);
        c.m_dPageSize = c.m_dPageMax - c.m_dPageMin;
        c.GetPageMinMaxTimes(nullptr, nullptr);
    });
    afterZoom();
}

void MainViewModel::DoZoomJumpLabel(double t)
{
    if (!m_doc.m_bHaveData)
        return;
    forEachChannel([&](Channels& c) {
        const double N = c.m_dwFileLength;
        c.m_dMinUnZoom = c.m_dPageMin;
        c.m_dMaxUnZoom = c.m_dPageMax;
        const double m = c.m_dLengthMS > 0 ? t * N / c.m_dLengthMS : 0;
        const double half = c.m_dSampleRate * m_doc.s.m_dZoomRange / 1000 * 0.5;
        c.m_dPageMin = std::clamp(m - half, 0.0, N);
        c.m_dPageMax = std::clamp(m + half, 0.0, N);
        c.m_dPageSize = c.m_dPageMax - c.m_dPageMin;
        c.GetPageMinMaxTimes(nullptr, nullptr);
    });
    afterZoom();
}

Labels* MainViewModel::AddLabel(int tier, const LabelRecord& record, double time)
{
    if (!haveData())
        return nullptr;
    if (!m_bViewIntilized)
        SetupDisplay(m_geometry.layout.client.width(), m_geometry.layout.client.height());
    Channels& c = channel0();
    const Rect band = tier >= 0 && tier < Channels::kNumTiers ? m_geometry.tiers[static_cast<std::size_t>(tier)] : Rect{};
    Labels* added = c.Tier_Add_Label_Cocoa_Where(tier, record, m_geometry.dataArea, band, time);
    afterLabelEdit();
    return added;
}

bool MainViewModel::ModifyLabel(int tier, const Labels* label, const Labels& modified)
{
    TIERS* t = channel0().tier(tier);
    if (!haveData() || !t || !label || !t->contains(label))
        return false;
    channel0().Tier_Modify_Label(tier, label, modified);
    afterLabelEdit();
    return true;
}

bool MainViewModel::RemoveLabel(int tier, const Labels* label)
{
    TIERS* t = channel0().tier(tier);
    if (!haveData() || !t || !label || !t->contains(label))
        return false;
    channel0().Tier_Remove_Label(tier, label);
    afterLabelEdit();
    return true;
}

void MainViewModel::MoveLabel()
{
    m_bLabelClicked = false;
    m_bLabelMoved = false;
    m_bRedraw = true;
}

void MainViewModel::afterLabelEdit()
{
    m_ClickedLabel = nullptr;
    m_bLabelClicked = false;
    m_bLabelMoved = false;
    m_geometry.drag = {};
    // A taller label may have grown its tier: every band below moves.
    m_bViewIntilized = false;
    m_bRedraw = true;
}

bool MainViewModel::PtInRect(PointD p, const Rect& r)
{
    return rectHolds(r, p);
}

void MainViewModel::DoOnLButtonDown(PointD p, double t, bool fromMouse)
{
    if (!m_doc.m_bHaveData)
        return;
    if (!fromMouse)
        p.x = std::trunc(anchor().GetCursorPixelforTime(t, dataWidth())) + g_nLeftWindowOffset;
    const int x = static_cast<int>(p.x);
    m_bLabelClicked = false;
    m_rSelection.left = m_rSelection.right = s16(x);
    m_rOldSelection = m_rSelection;
    m_ptTrackStart = p;
    m_rMarker.left = s16(x);
    m_rMarker.right = s16(x + 1);
    // A press that finds a selection only removes it.
    m_bHaveMarker = !m_bHaveSelection;
    m_bHaveSelection = false;
    m_dMarkerTime = m_dSelectionTimeStart = m_dSelectionTimeStop = 0;
    m_dLogMarkerTime = m_dLogMarkerPitch = m_dLogMarkerIntensity = 0;
    m_bLabelMoved = false;
    m_geometry.drag = {};
    if (!fromMouse) {
        forEachChannel([&](Channels& c) { c.SetMarkerValues_Time(t); });
        m_dMarkerTime = m_dLogMarkerTime = channel0().m_dMarkerTime;
        m_readouts.duration = 0;
        return;
    }
    forEachChannel([&](Channels& c) {
        c.SetMarkerValues_Point({p.x - g_nLeftWindowOffset, p.y}, dataWidth());
        c.CalculateDuration();
    });
    m_dMarkerTime = m_dLogMarkerTime = channel0().m_dMarkerTime;

    m_bLabelMode = false;
    m_nTierCliked = -1;
    m_ClickedLabel = nullptr;
    // Labels may have been added, edited or moved since the last layout.
    placeLabelsOnPage();
    Channels& c = channel0();
    for (int i = 0; i < Channels::kNumTiers; ++i) {
        const TIERS& tier = c.m_Tiers[static_cast<std::size_t>(i)];
        if (!tier.bSelected || !PtInRect(m_ptTrackStart, m_geometry.tiers[static_cast<std::size_t>(i)]))
            continue;
        m_nTierCliked = i;
        m_bLabelMode = true;
        const PlacedLabel* hit = m_bLabelClicked ? nullptr : m_geometry.labelAt(p, i);
        for (const LabelPtr& l : tier.m_pArrayLabels) {
            if (hit && l.get() == hit->label) {
                m_ClickedLabel = l.get();
                m_bLabelClicked = true;
                m_rTracking = hit->rect;
            }
        }
    }
    m_readouts.duration = 0;
}

void MainViewModel::TrackMouseDragged(PointD p, double, bool fromMouse)
{
    if (!m_doc.m_bHaveData)
        return;
    _rectCursor.x = 0;
    _rectCursor.width = 1;
    m_bHaveMarker = false;
    if (!fromMouse || p.x < g_nLeftWindowOffset)
        return;
    if (!m_bLabelMode) {
        forEachChannel([&](Channels& c) {
            c.SetCursorInFile_Point({p.x - g_nLeftWindowOffset, p.y}, dataWidth());
            c.CalculateDuration();
        });
        m_dCursorTime = anchor().m_dCursorTime;
        m_readouts.cursor = m_dCursorTime;
        m_readouts.duration = anchor().m_dDurationTime;
        m_bHaveSelection = true;
        return;
    }
    if (m_bLabelClicked && m_ClickedLabel) {
        const int dx = static_cast<int>(std::trunc(p.x - m_ptTrackStart.x));
        m_geometry.drag = {m_ClickedLabel, double(dx)};
        m_rectTracking = m_rTracking;
        m_rectTracking.left = s16(m_rectTracking.left + dx);
        m_rectTracking.right = s16(m_rectTracking.right + dx);
        m_bLabelMoved = true;
        m_bRedraw = true;
    }
}

double MainViewModel::pitchAt(double timeMs) const
{
    if (!m_pitch)
        return 0;
    const double span = m_dPitchSelectionStopTime - m_dPitchSelectionStartTime;
    if (span <= 0)
        return 0;
    const long f = static_cast<long>((timeMs - m_dPitchSelectionStartTime) * m_pitch->frameCount / span);
    const long n = static_cast<long>(m_pitch->frameCount);
    return f >= 0 && f < n && static_cast<std::size_t>(f) < m_pitch->track.size()
               ? m_pitch->track[static_cast<std::size_t>(f)]
               : 0.0;
}

double MainViewModel::intensityAt(double timeMs) const
{
    if (!m_intensity || !m_doc.getChannel(0).m_bDrawIntensity)
        return 0;
    const double span = m_dIntensitySelectionStopTime - m_dIntensitySelectionStartTime;
    const double length = static_cast<double>(m_intensity->size());
    if (span <= 0)
        return 0;
    const long i = static_cast<long>((timeMs - m_dIntensitySelectionStartTime) * length / span);
    return i >= 0 && i < static_cast<long>(length) ? m_intensity->at(i) : 0.0;
}

void MainViewModel::TrackMouseMove(PointD p, double t, bool fromMouse)
{
    if (!m_doc.m_bHaveData)
        return;
    const int x = static_cast<int>(p.x);
    m_rNewCursor.left = s16(x);
    m_rNewCursor.right = s16(x + 1);
    _rectCursor = {p.x, 0, 1, 1};
    if (fromMouse) {
        if (p.x < g_nLeftWindowOffset)
            return;
        forEachChannel([&](Channels& c) { c.SetCursorInFile_Point({p.x - g_nLeftWindowOffset, p.y}, dataWidth()); });
        m_dCursorTime = anchor().m_dCursorTime;
    } else {
        m_dCursorTime = t;
        forEachChannel([&](Channels& c) {
            c.SetCursorInFile_Time(t);
            c.CalculateDuration();
        });
    }
    if (m_pitch)
        m_readouts.pitch = pitchAt(m_dCursorTime);
    if (m_intensity && channel0().m_bDrawIntensity)
        m_readouts.intensity = intensityAt(m_dCursorTime);
    m_readouts.cursor = m_dCursorTime;
}

ReleaseOutcome MainViewModel::DoOnLButtonUp(PointD p, double, bool fromMouse)
{
    if (!m_doc.m_bHaveData)
        return ReleaseOutcome::Nothing;
    if (m_bLabelMode && fromMouse) {
        m_bHaveMarker = false;
        if (m_bLabelMoved && m_ClickedLabel) {
            // The label moves by the time its offset spans on this view's page.
            const double w = dataWidth();
            const double msPerPixel = w != 0 ? (m_dTimePageMax - m_dTimePageMin) / w : 0;
            double dt = m_geometry.drag.dx * msPerPixel;
            // Held inside the recording: a label dragged past either end
            // would vanish from every page and could not be clicked again.
            const double t0 = m_ClickedLabel->dTime;
            const double held = std::clamp(t0 + dt, 0.0, std::max(0.0, channel0().m_dLengthMS)) - t0;
            if (held != dt && msPerPixel > 0) {
                const auto back = static_cast<short>(std::lround((held - dt) / msPerPixel));
                m_rectTracking.left = s16(m_rectTracking.left + back);
                m_rectTracking.right = s16(m_rectTracking.right + back);
                dt = held;
            }
            channel0().Tier_MoveLabel(m_nTierCliked, m_ClickedLabel, m_rectTracking, dt);
            m_geometry.drag = {};
            placeLabelsOnPage();
            m_ClickedLabel = nullptr;
            m_bLabelClicked = false;
            m_bRedraw = true;
            m_doc.setDirty();
            return ReleaseOutcome::LabelMoved;
        }
        m_bRedraw = true;
        return m_bLabelClicked ? ReleaseOutcome::OpenLabelEditorForLabel : ReleaseOutcome::OpenLabelEditorAtPoint;
    }
    Channels& c0 = channel0();
    if (m_bHaveSelection) {
        const double d = c0.GetDurationTime();
        m_bHaveMarker = false;
        m_dSelectionTimeStart = c0.m_dDurationStartTime;
        m_dSelectionTimeStop = m_dSelectionTimeStart + std::fabs(d);
    } else if (m_bHaveMarker) {
        if (fromMouse) {
            forEachChannel([&](Channels& c) {
                c.SetMarkerValues_Point({p.x - g_nLeftWindowOffset, p.y}, dataWidth());
                c.SetCursorInFile_Point({p.x - g_nLeftWindowOffset, p.y}, dataWidth());
                c.CalculateDuration();
            });
            m_dMarkerTime = m_dLogMarkerTime = c0.m_dMarkerTime;
        } else {
            m_dLogMarkerTime = m_dMarkerTime;
        }
        m_dLogMarkerPitch = m_pitch ? pitchAt(m_dLogMarkerTime) : 0;
        m_dLogMarkerIntensity = intensityAt(m_dLogMarkerTime);
    }
    m_readouts.averagePitch = DoAveragePitchSelection();
    return ReleaseOutcome::Nothing;
}

void MainViewModel::ClearSelection()
{
    m_doc.clearSelection();
    m_rSelection.left = m_rSelection.right = 0;
    m_rOldSelection.left = m_rOldSelection.right = 0;
    m_ptTrackStart.x = 0;
    m_rMarker.left = 0;
    m_rMarker.right = 1;
}

void MainViewModel::EditSelectWindow()
{
    forEachChannel([](Channels& c) {
        c.m_dDurationStartFile = c.m_dPageMin;
        c.m_dDurationStopFile = c.m_dPageMax;
        c.m_dDurationStartTime = c.m_dPageTimeMin;
        c.m_dDurationStopTime = c.m_dPageTimeMax;
        c.m_dDurationFile = c.m_dPageSize;
        c.m_dDurationTime = c.m_dPageTimeSize;
    });
    m_bHaveSelection = true;
    m_bHaveMarker = false;
    m_dSelectionTimeStart = channel0().m_dDurationStartTime;
    m_dSelectionTimeStop = channel0().m_dDurationStopTime;
    m_bRedraw = true;
}

void MainViewModel::EditSelectAll()
{
    forEachChannel([](Channels& c) {
        c.m_dDurationStartFile = 0;
        c.m_dDurationStopFile = c.m_dwFileLength;
        c.m_dDurationStartTime = 0;
        c.m_dDurationStopTime = c.m_dLengthMS;
        c.m_dDurationFile = c.m_dwFileLength;
        c.m_dDurationTime = c.m_dLengthMS;
    });
    m_bHaveSelection = true;
    m_bHaveMarker = false;
    m_dSelectionTimeStart = 0;
    m_dSelectionTimeStop = channel0().m_dLengthMS;
    m_bRedraw = true;
}

void MainViewModel::setPitch(std::optional<PitchTrack> track)
{
    m_pitch = std::move(track);
    m_bRedraw = true;
}

void MainViewModel::setIntensity(std::optional<IntensityContour> contour)
{
    m_intensity = std::move(contour);
    m_doc.getChannel(0).m_bHaveIntensity = m_intensity.has_value();
    m_bRedraw = true;
}

double MainViewModel::DoAveragePitchSelection() const
{
    if (!m_doc.m_bHaveData || !m_pitch)
        return 0;
    return averagePitch(*m_pitch, m_dSelectionTimeStart, m_dSelectionTimeStop);
}

std::string MainViewModel::formatReadout(double v)
{
    return formatFixed1(v);
}

bool MainViewModel::validateMenuItem(ViewAction a, bool editUndo, bool clipboardHasChannels) const
{
    const bool data = m_doc.m_bHaveData;
    switch (a) {
    case ViewAction::SaveAsPicture:
    case ViewAction::EditSelectWindow:
    case ViewAction::EditSelectAll:
    case ViewAction::ZoomUndo:
    case ViewAction::ZoomIn:
    case ViewAction::ZoomOut:
    case ViewAction::ZoomHome:
    case ViewAction::Play:
    case ViewAction::PlayWindow:
    case ViewAction::AnalysisPitch:
    case ViewAction::AnalysisPitchWindow:
        return data;
    case ViewAction::EditUndo:
        return data && editUndo;
    case ViewAction::EditCut:
    case ViewAction::EditCopy:
    case ViewAction::EditClear:
    case ViewAction::ZoomSelection:
    case ViewAction::PlaySelection:
        return data && m_bHaveSelection;
    case ViewAction::EditPaste:
        return clipboardHasChannels;
    case ViewAction::ZoomCursor:
        return data && m_bHaveMarker;
    case ViewAction::Record:
        return m_doc.m_bNewFile;
    case ViewAction::AnalysisPitchSelection:
        return data && m_doc.m_bHaveSelection;
    case ViewAction::Other:
        return true;
    }
    return true;
}

} // namespace vx
