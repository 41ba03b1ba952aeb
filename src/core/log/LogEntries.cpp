#include "log/LogEntries.h"

#include "platform/Format.h"

#include <cmath>
#include <cstdint>

namespace vx {

namespace {

std::string fixed2(double v)
{
    return formatFixed(v, 2);
}

std::string fixed1(double v)
{
    return formatFixed(v, 1);
}

// A pitch or label time in the document's unit.
double shownTime(const MainViewModel& view, double ms)
{
    return view.doc().s.m_bMsec ? ms : ms / 1000.0;
}

bool intensityShown(const MainViewModel& view)
{
    return view.intensity().has_value() && view.doc().getChannel(0).m_bDrawIntensity;
}

// Channels that hold samples and are shown, in order.
std::vector<const Channels*> shownChannels(const Document& doc)
{
    std::vector<const Channels*> out;
    for (int k = 0; k < Document::kNumChannels; ++k) {
        const Channels& c = doc.getChannel(k);
        if (c.m_bShow && c.m_hData.size() > 0)
            out.push_back(&c);
    }
    return out;
}

LogEntry markerEntry(const MainViewModel& view, const std::string& name)
{
    LogEntry e{name, "Marker Entry: time", {fixed2(view.doc().getChannel(0).m_dMarkerTime)}};
    for (const Channels* c : shownChannels(view.doc())) {
        e.def += " ,cha";
        e.values.push_back(fixed2(c->m_dMarkerDataValue));
    }
    return e;
}

LogEntry durationEntry(const MainViewModel& view, const std::string& name)
{
    const Channels& c = view.doc().getChannel(0);
    return {name, "Duration Entry: start, end, duration ",
            {fixed2(c.m_dDurationStartTime), fixed2(c.m_dDurationStopTime),
             fixed2(c.m_dDurationStopTime - c.m_dDurationStartTime)}};
}

LogEntry pitchAtMarkerEntry(const MainViewModel& view, const std::string& name)
{
    return {name, "Pitch Marker Entry: time, pitch, intensity ",
            {fixed2(shownTime(view, view.m_dLogMarkerTime)), fixed2(view.m_dLogMarkerPitch),
             fixed2(view.m_dLogMarkerIntensity)}};
}

// One row per pitch frame: inside the selection (unvoiced frames too), or
// every voiced frame.
std::vector<LogEntry> pitchEntries(const MainViewModel& view, bool selectionOnly, const std::string& name)
{
    std::vector<LogEntry> rows;
    const auto& track = view.pitch();
    if (!track || track->frameCount <= 0)
        return rows;
    const double d = (view.m_dPitchSelectionStopTime - view.m_dPitchSelectionStartTime) / track->frameCount;
    const auto frames = std::min(track->track.size(), static_cast<std::size_t>(track->frameCount));
    const bool withIntensity = intensityShown(view);
    const std::string def = selectionOnly ? "Pitch Selection Entry: time, pitch, intensity "
                                          : "Pitch All Entry: time, pitch, intensity ";
    const auto number = selectionOnly ? fixed2 : fixed1;
    for (std::size_t k = 0; k < frames; ++k) {
        const double t = view.m_dPitchSelectionStartTime + static_cast<double>(k) * d;
        const double pitch = track->track[k];
        if (selectionOnly ? !(view.m_dSelectionTimeStart <= t && t <= view.m_dSelectionTimeStop) : !(pitch > 0))
            continue;
        rows.push_back({name, def,
                        {fixed2(shownTime(view, t)), number(pitch),
                         withIntensity ? number(view.intensityAt(t)) : std::string()}});
    }
    return rows;
}

// One row per label of the selected tiers of channel 0; with a selection
// only the labels strictly inside it.
std::vector<LogEntry> labelEntries(const MainViewModel& view, bool selectionOnly, const std::string& name)
{
    std::vector<LogEntry> rows;
    const Channels& c = view.doc().getChannel(0);
    const double tmin = c.m_dDurationStartTime, tmax = c.m_dDurationStopTime;
    const bool withPitch = view.pitch().has_value();
    const bool withIntensity = intensityShown(view);
    const std::string def = selectionOnly ? "Labels Selection Entry: Tier, Label's Text, Time, pitch, Intensity "
                                          : "Labels All Entry: Tier, Label's Text, Time, pitch, Intensity ";
    const auto number = selectionOnly ? fixed2 : fixed1;
    for (const TIERS& tier : c.m_Tiers) {
        if (!tier.bSelected)
            continue;
        for (const LabelPtr& label : tier.m_pArrayLabels) {
            if (selectionOnly && !(tmin < label->dTime && label->dTime < tmax))
                continue;
            rows.push_back({name, def,
                            {tier.getName(), label->getLabelText(), fixed2(shownTime(view, label->dTime)),
                             withPitch ? number(std::max(0.0, view.pitchAt(label->dTime))) : std::string(),
                             withIntensity ? number(view.intensityAt(label->dTime)) : std::string()}});
        }
    }
    return rows;
}

std::vector<std::string> formantValues(const SpectrogramData& d, int column)
{
    std::vector<std::string> out;
    const FormantSlots& slots = d.formants[static_cast<std::size_t>(std::clamp(column, 0, d.columns - 1))];
    for (const std::uint16_t f : slots)
        out.push_back(fixed2(static_cast<std::int16_t>(f)));
    return out;
}

bool haveFormants(const SpectrogramLogSource& s)
{
    return s.data && s.data->haveFormants && s.data->columns > 0 &&
           s.data->formants.size() == static_cast<std::size_t>(s.data->columns);
}

SpectrogramLogRows formantSelectionEntries(const SpectrogramLogSource& s, const std::string& name)
{
    SpectrogramLogRows out;
    if (!(s.stepMs > 0) || !std::isfinite(s.stepMs)) {
        out.error = "The log step must be a positive number of milliseconds; it is " + fixed2(s.stepMs) + ".";
        return out;
    }
    const double span = s.stretch.stopTime - s.stretch.startTime;
    const double start = s.cursor.selection()->start - s.stretch.startTime;
    const double stop = s.cursor.selection()->stop - s.stretch.startTime;
    if (!(span > 0) || !(stop > start))
        return out;
    if ((stop - start) / s.stepMs >= static_cast<double>(kMaxFormantRows)) {
        out.error = "A log step of " + fixed2(s.stepMs) + " ms would add more than " +
                    std::to_string(kMaxFormantRows) + " rows for this selection; choose a larger step.";
        return out;
    }
    const std::string def = "Spec. Formants Duration Entry: time, F1, F2, F3, F4, F5 ";
    for (std::size_t k = 0;; ++k) {
        // Counted in steps, so that rounding cannot add or lose a row.
        const double t = start + static_cast<double>(k) * s.stepMs;
        if (!(t < stop))
            break;
        const int column = static_cast<int>(t * s.data->columns / span);
        LogEntry e{name, def, {fixed2(s.stretch.startTime + t)}};
        for (std::string& v : formantValues(*s.data, column))
            e.values.push_back(std::move(v));
        out.rows.push_back(std::move(e));
    }
    return out;
}

} // namespace

bool mainLogEntryEnabled(const MainViewModel& view, MainLogEntry kind, bool logVisible)
{
    const Document& doc = view.doc();
    if (!logVisible || !doc.m_bHaveData)
        return false;
    switch (kind) {
    case MainLogEntry::Marker:
    case MainLogEntry::PitchAtMarker: return doc.m_bHaveMarker;
    case MainLogEntry::Duration:
    case MainLogEntry::PitchSelection:
    case MainLogEntry::LabelsSelection: return doc.m_bHaveSelection;
    case MainLogEntry::PitchAll:
    case MainLogEntry::LabelsAll: return true;
    }
    return false;
}

std::vector<LogEntry> mainLogEntries(const MainViewModel& view, MainLogEntry kind, const std::string& name)
{
    if (!view.doc().m_bHaveData)
        return {};
    switch (kind) {
    case MainLogEntry::Marker: return {markerEntry(view, name)};
    case MainLogEntry::Duration: return {durationEntry(view, name)};
    case MainLogEntry::PitchAtMarker: return {pitchAtMarkerEntry(view, name)};
    case MainLogEntry::PitchSelection: return pitchEntries(view, true, name);
    case MainLogEntry::PitchAll: return pitchEntries(view, false, name);
    case MainLogEntry::LabelsSelection: return labelEntries(view, true, name);
    case MainLogEntry::LabelsAll: return labelEntries(view, false, name);
    }
    return {};
}

bool spectrogramLogEntryEnabled(const SpectrogramLogSource& s, SpectrogramLogEntry kind, bool logVisible)
{
    if (!logVisible || !s.data)
        return false;
    switch (kind) {
    case SpectrogramLogEntry::Marker: return s.cursor.marker().has_value();
    case SpectrogramLogEntry::Duration: return s.cursor.selection().has_value();
    case SpectrogramLogEntry::FormantsMarker: return s.cursor.marker().has_value() && haveFormants(s);
    case SpectrogramLogEntry::FormantsSelection: return s.cursor.selection().has_value() && haveFormants(s);
    }
    return false;
}

SpectrogramLogRows spectrogramLogEntries(const SpectrogramLogSource& s, SpectrogramLogEntry kind,
                                         const std::string& name)
{
    if (!spectrogramLogEntryEnabled(s, kind, true))
        return {};
    const auto& marker = s.cursor.marker();
    const auto& selection = s.cursor.selection();
    switch (kind) {
    case SpectrogramLogEntry::Marker:
        return {{{name, "Spec. Marker Entry: time, frequency ", {fixed2(marker->time), fixed2(marker->frequency)}}}, {}};
    case SpectrogramLogEntry::Duration:
        return {{{name, "Duration Entry: start, end, duration ",
                  {fixed2(selection->start), fixed2(selection->stop), fixed2(selection->stop - selection->start)}}},
                {}};
    case SpectrogramLogEntry::FormantsMarker: {
        LogEntry e{name, "Spec. Formants Marker Entry: time, F1, F2, F3, F4, F5 ", {fixed2(marker->time)}};
        for (std::string& v : formantValues(*s.data, s.cursor.mapping().columnAt(s.cursor.markerX())))
            e.values.push_back(std::move(v));
        return {{std::move(e)}, {}};
    }
    case SpectrogramLogEntry::FormantsSelection: return formantSelectionEntries(s, name);
    }
    return {};
}

} // namespace vx
