#include "document/Editing.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

namespace vx {

namespace {

int channelsOf(const Document& d)
{
    return std::clamp(d.m_nNumofChannels, 0, Document::kNumChannels);
}

// The selection as whole samples [first, end) and its times.
struct Stretch {
    long first = 0, end = 0;
    double startMs = 0, stopMs = 0;
};

Stretch selectionOf(const Channels& c)
{
    const long n = static_cast<long>(c.m_hData.size());
    Stretch s;
    s.first = std::clamp(static_cast<long>(c.m_dDurationStartFile), 0L, n);
    s.end = std::clamp(static_cast<long>(c.m_dDurationStopFile), s.first, n);
    s.startMs = c.m_dDurationStartTime;
    s.stopMs = c.m_dDurationStopTime;
    return s;
}

double msOf(long samples, double rate)
{
    return rate > 0 ? static_cast<double>(samples) * 1000.0 / rate : 0.0;
}

// A copy of a label that the copy's changes leave the original alone by.
LabelPtr copyOf(const Labels& l)
{
    return std::make_shared<Labels>(l);
}

// Tiers with copies of their labels, so that later changes to the labels
// in place do not reach the copy.
void deepenTiers(Channels& c)
{
    for (TIERS& t : c.m_Tiers)
        for (LabelPtr& l : t.m_pArrayLabels)
            l = copyOf(*l);
    for (LabelPtr& l : c.m_pArrayLabels)
        l = copyOf(*l);
}

// The channel without its samples: they are moved aside for the copy.
// Only for a document no other thread reads (behind the session's gate).
Channels attributesOf(Channels& c)
{
    Handle<float> samples;
    std::swap(samples, c.m_hData);
    Channels out = c;
    std::swap(samples, c.m_hData);
    deepenTiers(out);
    return out;
}

void setLength(Channels& c)
{
    c.m_dwFileLength = static_cast<double>(c.m_hData.size());
    c.m_dLengthMS = msOf(static_cast<long>(c.m_hData.size()), c.m_dSampleRate);
    c.m_dPageSize = c.m_dwFileLength;
}

// Labels of every tier: those strictly inside (startMs, stopMs) go, those
// at or after stopMs move earlier by the stretch's length.
void cutLabels(Channels& c, double startMs, double stopMs)
{
    const double length = stopMs - startMs;
    for (TIERS& t : c.m_Tiers) {
        std::erase_if(t.m_pArrayLabels, [&](const LabelPtr& l) { return startMs < l->dTime && l->dTime < stopMs; });
        for (const LabelPtr& l : t.m_pArrayLabels)
            if (l->dTime >= stopMs)
                l->dTime -= length;
    }
}

// Labels of every tier strictly after atMs move later by lengthMs; the
// clipboard's labels are added at atMs on the tiers it copied.
void insertLabels(Channels& c, const Channels& from, double atMs, double lengthMs)
{
    for (std::size_t i = 0; i < c.m_Tiers.size(); ++i) {
        TIERS& t = c.m_Tiers[i];
        for (const LabelPtr& l : t.m_pArrayLabels)
            if (l->dTime > atMs)
                l->dTime += lengthMs;
        const TIERS& copied = from.m_Tiers[i];
        if (!copied.bSelected)
            continue;
        for (const LabelPtr& l : copied.m_pArrayLabels) {
            LabelPtr added = copyOf(*l);
            added->dTime += atMs;
            c.Tier_Add_Label_Cocoa(static_cast<int>(i), std::move(added));
        }
    }
}

void eraseSamples(Channels& c, long first, long end)
{
    const long n = static_cast<long>(c.m_hData.size());
    first = std::clamp(first, 0L, n);
    end = std::clamp(end, first, n);
    if (end > first)
        c.m_hData.erase(static_cast<std::size_t>(first), static_cast<std::size_t>(end));
}

void insertSamples(Channels& c, long at, const float* samples, long count)
{
    if (count <= 0 || !samples)
        return;
    const long n = static_cast<long>(c.m_hData.size());
    c.m_hData.insert(static_cast<std::size_t>(std::clamp(at, 0L, n)), samples, static_cast<std::size_t>(count));
}

void afterEdit(Document& d)
{
    const Channels& c0 = d.getChannel(0);
    d.s.m_dwAnalysisFileLength = c0.m_dwFileLength;
    d.s.m_dAnalysisLengthMS = c0.m_dLengthMS;
    d.setDirty();
}

} // namespace

std::size_t UndoRecord::sampleBytes() const
{
    std::size_t bytes = 0;
    for (const ChannelChange& c : m_channels)
        bytes += c.removed.size() * sizeof(float);
    return bytes;
}

const char* pasteRefusalText(PasteRefusal r)
{
    switch (r) {
    case PasteRefusal::channelCount: return "The channel numbers are not the same. Pasting is NOT available.";
    case PasteRefusal::sampleRate: return "The channel sample rates are not the same. Pasting is NOT available.";
    case PasteRefusal::none: break;
    }
    return "";
}

void Editor::copy(const Document& d, Clipboard& clipboard)
{
    const int n = channelsOf(d);
    clipboard.channels.assign(static_cast<std::size_t>(n), Channels{});
    for (int k = 0; k < n; ++k) {
        const Channels& c = d.getChannel(k);
        Channels& to = clipboard.channels[static_cast<std::size_t>(k)];
        const Stretch s = selectionOf(c);
        to.m_strTitle = c.m_strTitle;
        to.m_strUnit = c.m_strUnit;
        to.m_dFilterRate = c.m_dFilterRate;
        to.m_dGain = c.m_dGain;
        to.m_dReference = c.m_dReference;
        to.m_bDrawReference = c.m_bDrawReference;
        to.m_dADInputVoltageRangeMV = c.m_dADInputVoltageRangeMV;
        to.m_dMaxRangeBits = c.m_dMaxRangeBits;
        to.m_dA3Cal = c.m_dA3Cal;
        to.m_dB2Cal = c.m_dB2Cal;
        to.m_dC1Cal = c.m_dC1Cal;
        to.m_dD0Cal = c.m_dD0Cal;
        to.m_dSampleRate = c.m_dSampleRate;
        to.m_nChannelType = c.m_nChannelType;
        to.m_bAnchorChannel = c.m_bAnchorChannel;
        to.m_bShow = c.m_bShow;
        to.m_nOrder = c.m_nOrder;
        to.m_nDataType = c.m_nDataType;
        to.m_nHeigth = c.m_nHeigth;
        to.m_nResolutionBits = c.m_nResolutionBits;
        to.m_nColorRed = c.m_nColorRed;
        to.m_nColorGreen = c.m_nColorGreen;
        to.m_nColorBlue = c.m_nColorBlue;
        to.m_dDurationStartFile = static_cast<double>(s.first);
        to.m_dDurationStopFile = static_cast<double>(s.end);
        to.m_dDurationFile = static_cast<double>(s.end - s.first);
        to.m_dDurationStartTime = 0;
        to.m_hData.newUninitialized(static_cast<std::size_t>(s.end - s.first));
        if (s.end > s.first)
            std::copy(c.m_hData.data() + s.first, c.m_hData.data() + s.end, to.m_hData.data());
        setLength(to);
        to.m_dPageMax = to.m_dwFileLength;
        to.m_dDurationTime = to.m_dDurationStopTime = to.m_dLengthMS;
        for (std::size_t i = 0; i < c.m_Tiers.size(); ++i) {
            const TIERS& from = c.m_Tiers[i];
            TIERS& tier = to.m_Tiers[i];
            tier.m_pArrayLabels.clear();
            tier.bSelected = from.bSelected;
            if (!from.bSelected)
                continue;
            tier.strName = from.strName;
            tier.nHeigth = from.nHeigth;
            for (const LabelPtr& l : from.m_pArrayLabels)
                if (s.startMs < l->dTime && l->dTime < s.stopMs) {
                    LabelPtr copied = copyOf(*l);
                    copied->dTime -= s.startMs;
                    tier.addLabel(std::move(copied));
                }
        }
    }
    clipboard.hasData = true;
    clipboard.channelCount = n;
    clipboard.fileFormat = d.s.m_nFileFormat;
}

PasteRefusal Editor::pasteRefusal(const Document& d, const Clipboard& clipboard)
{
    const int n = channelsOf(d);
    if (!d.m_bHaveData || n == 0)
        return PasteRefusal::none;
    if (n != clipboard.channelCount || static_cast<int>(clipboard.channels.size()) < n)
        return PasteRefusal::channelCount;
    for (int k = 0; k < n; ++k) {
        const double a = d.getChannel(k).m_dSampleRate;
        const double b = clipboard.channels[static_cast<std::size_t>(k)].m_dSampleRate;
        if (!(a == b))
            return PasteRefusal::sampleRate;
    }
    return PasteRefusal::none;
}

void Editor::snapshot(const Document& d, UndoRecord& r)
{
    r.m_channelCount = d.m_nNumofChannels;
    r.m_haveData = d.m_bHaveData;
    r.m_haveSelection = d.m_bHaveSelection;
    r.m_haveMarker = d.m_bHaveMarker;
    r.m_analysisFileLength = d.s.m_dwAnalysisFileLength;
    r.m_analysisLengthMs = d.s.m_dAnalysisLengthMS;
}

void Editor::keep(UndoRecord& r, Channels& c, long first, long end, long inserted)
{
    UndoRecord::ChannelChange change{first, inserted, {}, attributesOf(c)};
    if (c.m_hData)
        change.removed.assign(c.m_hData.data() + first, c.m_hData.data() + end);
    r.m_channels.push_back(std::move(change));
}

UndoRecord Editor::keepSelections(Document& d, bool overwritten)
{
    UndoRecord r;
    snapshot(d, r);
    for (int k = 0; k < channelsOf(d); ++k) {
        const Stretch s = selectionOf(d.getChannel(k));
        keep(r, d.getChannel(k), s.first, s.end, overwritten ? s.end - s.first : 0);
    }
    return r;
}

UndoRecord Editor::cut(Document& d, Clipboard& clipboard, bool undo)
{
    copy(d, clipboard);
    UndoRecord r = undo ? keepSelections(d, false) : UndoRecord{};
    const int n = channelsOf(d);
    for (int k = 0; k < n; ++k) {
        Channels& c = d.getChannel(k);
        const Stretch s = selectionOf(c);
        cutLabels(c, s.startMs, s.stopMs);
        eraseSamples(c, s.first, s.end);
        setLength(c);
    }
    d.clearSelection();
    afterEdit(d);
    return r;
}

UndoRecord Editor::paste(Document& d, const Clipboard& clipboard, bool undo)
{
    UndoRecord r;
    if (!clipboard.hasData || clipboard.channels.empty())
        return r;
    if (!d.m_bHaveData || channelsOf(d) == 0) {
        const int n = std::min<int>(clipboard.channelCount, static_cast<int>(clipboard.channels.size()));
        d.m_nNumofChannels = n;
        d.s.m_nFileFormat = clipboard.fileFormat;
        for (int k = 0; k < n; ++k) {
            const Channels& from = clipboard.channels[static_cast<std::size_t>(k)];
            Channels& c = d.getChannel(k);
            c.Duplicate(from);
            c.m_nLabelCount = 0;
            for (int i = 0; i < Channels::kNumTiers; ++i) {
                c.Tier_RemoveLabelAll(i);
                const TIERS& t = from.m_Tiers[static_cast<std::size_t>(i)];
                if (!t.bSelected)
                    continue;
                TIERS& tier = c.m_Tiers[static_cast<std::size_t>(i)];
                tier.strName = t.strName;
                tier.nHeigth = t.nHeigth;
                tier.bSelected = true;
                for (const LabelPtr& l : t.m_pArrayLabels)
                    c.Tier_Add_Label_Cocoa(i, copyOf(*l));
            }
            setLength(c);
        }
        const Channels& c0 = d.getChannel(0);
        d.s.m_dAnalysisSampleRate = c0.m_dSampleRate;
        d.m_bHaveData = true;
        d.clearSelection();
        afterEdit(d);
        return r;
    }
    const int n = channelsOf(d);
    if (undo) {
        snapshot(d, r);
        for (int k = 0; k < n; ++k) {
            Channels& c = d.getChannel(k);
            const long count = static_cast<long>(clipboard.channels[static_cast<std::size_t>(k)].m_hData.size());
            const Stretch s = selectionOf(c);
            const long at = std::clamp(static_cast<long>(c.m_dMarkerFileValue), 0L, static_cast<long>(c.m_hData.size()));
            if (d.m_bHaveSelection)
                keep(r, c, s.first, s.end, count);
            else
                keep(r, c, at, at, count);
        }
    }
    for (int k = 0; k < n; ++k) {
        Channels& c = d.getChannel(k);
        const Channels& from = clipboard.channels[static_cast<std::size_t>(k)];
        long at;
        double atMs;
        if (d.m_bHaveSelection) {
            const Stretch s = selectionOf(c);
            cutLabels(c, s.startMs, s.stopMs);
            eraseSamples(c, s.first, s.end);
            at = s.first;
            atMs = s.startMs;
        } else {
            at = std::clamp(static_cast<long>(c.m_dMarkerFileValue), 0L, static_cast<long>(c.m_hData.size()));
            atMs = c.m_dMarkerTime;
        }
        const long count = static_cast<long>(from.m_hData.size());
        insertLabels(c, from, atMs, msOf(count, from.m_dSampleRate));
        insertSamples(c, at, from.m_hData.data(), count);
        setLength(c);
    }
    d.clearSelection();
    afterEdit(d);
    return r;
}

UndoRecord Editor::clear(Document& d, bool undo)
{
    UndoRecord r = undo ? keepSelections(d, true) : UndoRecord{};
    const int n = channelsOf(d);
    for (int k = 0; k < n; ++k) {
        Channels& c = d.getChannel(k);
        const Stretch s = selectionOf(c);
        if (c.m_hData)
            std::fill(c.m_hData.data() + s.first, c.m_hData.data() + s.end, static_cast<float>(c.m_dReference));
    }
    afterEdit(d);
    return r;
}

UndoRecord Editor::referenceGain(Document& d, double reference, double gainPercent, bool undo)
{
    UndoRecord r;
    if (channelsOf(d) == 0)
        return r;
    Channels& c = d.getChannel(0);
    const long n = static_cast<long>(c.m_hData.size());
    if (undo) {
        snapshot(d, r);
        keep(r, c, 0, n, n);
    }
    float* data = c.m_hData.data();
    for (long i = 0; i < n; ++i) {
        const float v = static_cast<float>(data[i] + reference);
        data[i] = static_cast<float>(v + gainPercent * v / 100);
    }
    afterEdit(d);
    return r;
}

UndoRecord Editor::labels(const Document& d)
{
    UndoRecord r;
    r.m_labelsOnly = true;
    r.m_tiers = d.getChannel(0).m_Tiers;
    for (TIERS& t : r.m_tiers)
        for (LabelPtr& l : t.m_pArrayLabels)
            l = copyOf(*l);
    return r;
}

void Editor::undo(Document& d, UndoRecord&& r)
{
    if (r.m_labelsOnly) {
        d.getChannel(0).m_Tiers = std::move(r.m_tiers);
        r = UndoRecord{};
        d.setDirty();
        return;
    }
    for (std::size_t k = 0; k < r.m_channels.size(); ++k) {
        UndoRecord::ChannelChange& change = r.m_channels[k];
        Channels& c = d.getChannel(static_cast<int>(k));
        const long removed = static_cast<long>(change.removed.size());
        if (change.inserted == removed && change.position + removed <= static_cast<long>(c.m_hData.size())) {
            std::copy(change.removed.begin(), change.removed.end(), c.m_hData.data() + change.position);
        } else {
            eraseSamples(c, change.position, change.position + change.inserted);
            insertSamples(c, change.position, change.removed.data(), removed);
        }
        // Everything but the samples as it was.
        std::swap(change.before.m_hData, c.m_hData);
        c = std::move(change.before);
    }
    d.m_nNumofChannels = r.m_channelCount;
    d.m_bHaveData = r.m_haveData;
    d.m_bHaveSelection = r.m_haveSelection;
    d.m_bHaveMarker = r.m_haveMarker;
    d.s.m_dwAnalysisFileLength = r.m_analysisFileLength;
    d.s.m_dAnalysisLengthMS = r.m_analysisLengthMs;
    r = UndoRecord{};
    d.setDirty();
}

} // namespace vx
