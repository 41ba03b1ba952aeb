// The label and tier operations of Channels.

#include "model/Channels.h"

#include "platform/DevLog.h"

#include <cmath>
#include <cstdlib>

namespace vx {

namespace {

constexpr int kLeftMargin = 50;

std::int16_t s16(int v)
{
    return static_cast<std::int16_t>(v);
}

} // namespace

TIERS* Channels::tier(int i)
{
    if (i < 0 || i >= kNumTiers)
        return nullptr;
    return &m_Tiers[static_cast<std::size_t>(i)];
}

void Channels::placeHorizontally(int justification, int w, double t, double tmin, double tmax,
                                 int& left, int& right) const
{
    int px = tmax != tmin ? truncInt((t - tmin) * m_rLocation.width() / (tmax - tmin)) : 0;
    int a = kLeftMargin + px;
    switch (justification) {
    case 1:
        left = a - w / 2;
        right = a + w - w / 2;
        break;
    case 2:
        left = a - w;
        right = a;
        break;
    default:
        left = a;
        right = a + w;
        break;
    }
}

Labels* Channels::Tier_Add_Label_Cocoa_Where(int i, const LabelRecord& record, PointD)
{
    TIERS* t = tier(i);
    if (!t)
        return nullptr;
    auto label = std::make_shared<Labels>();
    label->setFont_Color(record.font, record.color);
    label->setLabelNSText(truncateUtf8(record.strText, 255));
    copyToField(label->cText, record.strText);
    label->dTime = m_dMarkerTime;
    label->dVerticalFactor = 0;
    label->nJustification = record.nJustification;
    label->bAddLine = record.bAddLine;

    int w = std::abs(record.bounds.width());
    int h = std::abs(record.bounds.height());
    int top = t->rLocation.top;
    double N = m_dwFileLength;
    double tmin = N > 0 ? m_dPageMin * m_dLengthMS / N : 0;
    double tmax = N > 0 ? m_dPageMax * m_dLengthMS / N : 0;
    int left, right;
    placeHorizontally(label->nJustification, w, label->dTime, tmin, tmax, left, right);
    label->rectLocation = {s16(top), s16(left), s16(top + h), s16(right)};
    label->_bounds = {double(left), double(top), double(std::abs(right - left)), double(h)};
    t->addLabel(label);
    if (h > t->nHeigth) {
        t->nHeigth = h;
        t->rLocation.bottom = s16(top + h);
    }
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
        int h = std::abs(modified.rectLocation.height());
        if (h > t->nHeigth) {
            t->nHeigth = h;
            t->rLocation.bottom = s16(t->rLocation.top + h);
        }
        return;
    }
}

void Channels::Tier_Remove_Label(int i, const Labels* label)
{
    if (TIERS* t = tier(i))
        t->removeLabel(label);
}

void Channels::Tier_MoveLabel(int i, Labels* label, Rect r)
{
    TIERS* t = tier(i);
    if (!t || !label || !t->contains(label))
        return;
    label->dVerticalFactor = 0.7;
    label->dTime += GetCursorTime({double(r.left), 0}) - GetCursorTime({double(label->rectLocation.left), 0});
    label->rectLocation = r;
    label->_bounds.x = r.left;
    label->_bounds.y = r.top;
    label->_deltaShift = {0, 0};
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
    int left, right;
    placeHorizontally(label->nJustification, truncInt(label->_bounds.width), label->dTime, tmin, tmax,
                      left, right);
    label->rectLocation.left = s16(left);
    label->rectLocation.right = s16(right);
    label->_bounds = {double(left), double(label->rectLocation.top), double(std::abs(right - left)),
                      double(std::abs(label->rectLocation.height()))};
    return label;
}

void Channels::Tier_AdjustLabels(int i)
{
    TIERS* t = tier(i);
    if (!t)
        return;
    for (LabelPtr& label : t->m_pArrayLabels) {
        double h = measureText(label->_strText, label->mFont).height;
        label->rectLocation.top = t->rLocation.top;
        label->rectLocation.bottom = s16(truncInt(t->rLocation.top + h));
        label->_bounds.y = t->rLocation.top;
        label->_bounds.height = label->rectLocation.height();
        devLog("x=%d", int(label->rectLocation.left));
    }
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
    label->_bounds = {double(b.left), double(b.top), double(std::abs(b.width())), double(std::abs(b.height()))};
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
