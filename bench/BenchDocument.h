#pragma once
// What the benchmarks share: channel 0 of a document filled with a
// generated signal, as a loaded file would fill it.

#include "document/Document.h"

#include <cstddef>

namespace vxbench {

// `samples` values of signal(k) at `rate`, with the document marked as
// holding data.
template <typename Signal>
void fillChannel(vx::Document& doc, std::size_t samples, double rate, Signal signal)
{
    vx::Channels& c = doc.getChannel(0);
    c.m_hData.newUninitialized(samples);
    for (std::size_t k = 0; k < samples; ++k)
        c.m_hData[k] = static_cast<float>(signal(k));
    c.m_dwFileLength = static_cast<double>(samples);
    c.m_dSampleRate = rate;
    c.m_dLengthMS = static_cast<double>(samples) * 1000.0 / rate;
    c.m_bAnchorChannel = true;
    doc.m_bHaveData = true;
    doc.m_nNumofChannels = 1;
}

} // namespace vxbench
