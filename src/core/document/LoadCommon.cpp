#include "document/LoadCommon.h"

#include "app/AppState.h"

#include <cmath>
#include <cstring>

namespace vx {

void setWholePage(Channels& c)
{
    c.m_dPageMin = 0;
    c.m_dPageMax = c.m_dwFileLength;
    c.m_dPageSize = c.m_dwFileLength;
    c.m_dPageTimeMin = 0;
    c.m_dPageTimeMax = c.m_dLengthMS;
    c.m_dPageTimeSize = c.m_dLengthMS;
    c.m_dMinUnZoom = 0;
    c.m_dMaxUnZoom = c.m_dwFileLength;
}

void applyAnalysisRate(Document& d)
{
    const Channels& c = d.getChannel(0);
    const double R = c.m_dSampleRate;
    d.s.m_dAnalysisSampleRate = R;
    d.s.m_dwAnalysisFileLength = c.m_dwFileLength;
    d.s.m_dAnalysisLengthMS = c.m_dLengthMS;
    if (R != app().g_dAnalysisSampleRate)
        applyRateRule(d.s, R);
    app().g_dAnalysisSampleRate = R;
}

std::vector<std::string> channelChoices(int K)
{
    std::vector<std::string> items;
    for (int i = 1; i <= K; ++i)
        items.push_back("Channel " + std::to_string(i) + " ");
    return items;
}

int askChannel(ReadContext& ctx, int K)
{
    int j = ctx.ui ? ctx.ui->chooseChannel(channelChoices(K)) : 0;
    if (j < 0 || j >= K) {
        ctx.reason = "No channel was chosen, so the file was not opened.";
        return -1;
    }
    ctx.channel = j;
    return j;
}

bool looksLikeChunkId(std::span<const std::uint8_t> data, std::uint64_t p)
{
    if (p + 4 > data.size())
        return false;
    for (std::size_t k = 0; k < 4; ++k) {
        std::uint8_t b = data[static_cast<std::size_t>(p) + k];
        if (b < 0x20 || b > 0x7E)
            return false;
    }
    return true;
}

std::uint64_t nextChunk(std::span<const std::uint8_t> data, std::uint64_t p, std::uint32_t S)
{
    std::uint64_t next = p + 8 + S;
    if ((S & 1) && !looksLikeChunkId(data, next) && looksLikeChunkId(data, next + 1))
        ++next;
    return next;
}

std::int16_t toPcm16(float v)
{
    if (std::isnan(v))
        return 0;
    double scaled = std::trunc(static_cast<double>(v) * 32768.0);
    if (scaled < -32768.0)
        return -32768;
    if (scaled > 32767.0)
        return 32767;
    return static_cast<std::int16_t>(scaled);
}

std::string fixedText(std::span<const std::uint8_t> data, std::size_t offset, std::size_t width)
{
    if (offset >= data.size())
        return {};
    width = std::min(width, data.size() - offset);
    const char* p = reinterpret_cast<const char*>(data.data() + offset);
    return std::string(p, strnlen(p, width));
}

} // namespace vx
