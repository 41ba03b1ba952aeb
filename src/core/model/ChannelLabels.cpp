// The label and tier operations of Channels.

#include "model/Channels.h"

#include "platform/DevLog.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vx {

namespace {

std::int16_t s16(int v)
{
    return static_cast<std::int16_t>(v);
}

struct Span {
    int left, right;
};

// A text w pixels wide anchored at time t on a data area starting at x0 and
// `width` pixels wide showing tmin..tmax: left-aligned (0), centred (1) or
// right-aligned (2) on the anchor.
Span placeHorizontally(int justification, int w, double t, double tmin, double tmax, int x0, int width)
{
    int px = tmax != tmin ? truncInt((t - tmin) * width / (tmax - tmin)) : 0;
    int a = x0 + px;
    switch (justification) {
    case 1: return {a - w / 2, a + w - w / 2};
    case 2: return {a - w, a};
    default: return {a, a + w};
    }
}

} // namespace

std::optional<Rect> placeLabel(const Labels& label, const Rect& dataArea, const Rect& tier, double tmin, double tmax)
{
    // A label at either end of the page is drawn too: one at 0 ms or at the
    // end of the recording could not be reached otherwise.
    if (!(tmin <= label.dTime && label.dTime <= tmax))
        return std::nullopt;
    Span x = placeHorizontally(label.nJustification, truncInt(label._textSize.width), label.dTime, tmin, tmax,
                               dataArea.left, dataArea.width());
    // A text that would lie wholly outside the data area (left-justified at
    // the page's end, right-justified at its start) turns to lie inside it.
    if (x.left >= dataArea.right) {
        x = {2 * x.left - x.right, x.left};
    } else if (x.right <= dataArea.left) {
        x = {x.right, 2 * x.right - x.left};
    }
    double h = measureText(label._strText, label.mFont).height;
    return Rect{tier.top, s16(x.left), s16(truncInt(tier.top + h)), s16(x.right)};
}

TIERS* Channels::tier(int i)
{
    if (i < 0 || i >= kNumTiers)
        return nullptr;
    return &m_Tiers[static_cast<std::size_t>(i)];
}

Labels* Channels::Tier_Add_Label_Cocoa_Where(int i, const LabelRecord& record, const Rect& dataArea,
                                             const Rect& tierRect)
{
    return Tier_Add_Label_Cocoa_Where(i, record, dataArea, tierRect, m_dMarkerTime);
}

Labels* Channels::Tier_Add_Label_Cocoa_Where(int i, const LabelRecord& record, const Rect& dataArea,
                                             const Rect& tierRect, double time)
{
    TIERS* t = tier(i);
    if (!t)
        return nullptr;
    auto label = std::make_shared<Labels>();
    label->setFont_Color(record.font, record.color);
    label->setLabelNSText(truncateUtf8(record.strText, 255));
    copyToField(label->cText, record.strText);
    label->dTime = time;
    label->dVerticalFactor = 0;
    label->nJustification = record.nJustification;
    label->bAddLine = record.bAddLine;

    int w = std::abs(record.bounds.width());
    int h = std::abs(record.bounds.height());
    int top = tierRect.top;
    double N = m_dwFileLength;
    double tmin = N > 0 ? m_dPageMin * m_dLengthMS / N : 0;
    double tmax = N > 0 ? m_dPageMax * m_dLengthMS / N : 0;
    Span x = placeHorizontally(label->nJustification, w, label->dTime, tmin, tmax, dataArea.left, dataArea.width());
    label->rectLocation = {s16(top), s16(x.left), s16(top + h), s16(x.right)};
    label->_textSize = {double(std::abs(x.right - x.left)), double(h)};
    t->addLabel(label);
    t->nHeigth = std::max(t->nHeigth, std::min(h, TIERS::kMaxHeight));
    return label.get();
}

void Channels::Tier_Add_Label_Cocoa(int i, LabelPtr label)
{
    if (TIERS* t = tier(i); t && label)
        t->addLabel(std::move(label));
}

void Channels::Tier_Modify_Label(int i, const Labels* label, const Labels& modified)
{
    TIERS* t = tier(i);
    if (!t)
        return;
    for (LabelPtr& p : t->m_pArrayLabels) {
        if (p.get() != label)
            continue;
        p->Duplicate(modified);
        t->nHeigth = std::max(t->nHeigth, std::min(std::abs(modified.rectLocation.height()), TIERS::kMaxHeight));
        return;
    }
}

void Channels::Tier_Remove_Label(int i, const Labels* label)
{
    if (TIERS* t = tier(i))
        t->removeLabel(label);
}

void Channels::Tier_MoveLabel(int i, Labels* label, Rect r, double dt)
{
    TIERS* t = tier(i);
    if (!t || !label || !t->contains(label))
        return;
    label->dVerticalFactor = 0.7;
    label->dTime += dt;
    label->rectLocation = r;
}

void Channels::Tier_MoveLabelTimeBy(int i, Labels* label, double dt)
{
    if (tier(i) && label)
        label->dTime += dt;
}

Labels* Channels::Tier_GetLabel(int i, int j)
{
    TIERS* t = tier(i);
    if (!t || j < 0 || j >= static_cast<int>(t->m_pArrayLabels.size()))
        return nullptr;
    return t->m_pArrayLabels[static_cast<std::size_t>(j)].get();
}

Labels* Channels::Tier_GetLabelZoomed(int i, int j, double tmin, double tmax)
{
    Labels* label = Tier_GetLabel(i, j);
    if (!label)
        return nullptr;
    if (!(tmin < label->dTime && label->dTime < tmax)) {
        devLog("outlabel->dTime= %f , dTimeMin = %f", label->dTime, tmin);
        return nullptr;
    }
    return label;
}

void Channels::Tier_RemoveLabelAll(int i)
{
    if (TIERS* t = tier(i)) {
        t->m_pArrayLabels.clear();
        t->nLabelCount = 0;
    }
}

Labels* Channels::Add_Label(const LabelRecord& record)
{
    auto label = std::make_shared<Labels>();
    label->setFont_Color(record.font, record.color);
    label->setLabelNSText(truncateUtf8(record.strText, 255));
    copyToField(label->cText, record.strText);
    label->dTime = record.dTime;
    label->dVerticalFactor = record.dVerticalFactor;
    label->nJustification = record.nJustification;
    label->bAddLine = record.bAddLine;
    const Rect& b = record.bounds;
    label->_textSize = {double(std::abs(b.width())), double(std::abs(b.height()))};
    Labels* raw = label.get();
    Add_Label_Cocoa(std::move(label));
    return raw;
}

void Channels::Add_Label_Cocoa(LabelPtr label)
{
    if (!label)
        return;
    m_pArrayLabels.push_back(std::move(label));
    m_nLabelCount = static_cast<int>(m_pArrayLabels.size());
}

Labels* Channels::GetLabel(int j)
{
    if (j < 0 || j >= static_cast<int>(m_pArrayLabels.size()))
        return nullptr;
    return m_pArrayLabels[static_cast<std::size_t>(j)].get();
}

void Channels::RemoveAllLabels()
{
    m_pArrayLabels.clear();
    m_nLabelCount = 0;
}

} // namespace vx
