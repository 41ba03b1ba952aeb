#include "document/LoadCommon.h"

#include "app/AppState.h"
#include "platform/Format.h"

#include <algorithm>

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

std::string sampleRateRefusal(const std::string& what, double rate)
{
    return what + " declares a sample rate of " + formatShortest(rate) + " Hz; recordings of "
         + formatShortest(kMinSampleRate) + " to " + formatShortest(kMaxSampleRate) + " Hz can be opened.";
}

float* allocateSamples(Channels& c, std::size_t n)
{
    try {
        c.m_hData.newUninitialized(n);
    } catch (const std::bad_alloc&) {
        c.m_hData.dispose();
        throw NotEnoughMemory(n);
    } catch (const std::length_error&) {
        c.m_hData.dispose();
        throw NotEnoughMemory(n);
    }
    return c.m_hData.data();
}

void requireSamples(bool loaded, double n)
{
    if (!loaded)
        throw NotEnoughMemory(static_cast<std::uint64_t>(std::max(0.0, n)));
}

void repairDuration(Channels& c, ReadContext& ctx, int channel)
{
    const double expected = c.m_dwFileLength * 1000.0 / c.m_dSampleRate;
    const double period = 1000.0 / c.m_dSampleRate;
    const double tolerance = std::max({2 * period, 1.0, 1e-9 * expected});
    if (std::isfinite(c.m_dLengthMS) && std::fabs(c.m_dLengthMS - expected) <= tolerance)
        return;
    ctx.notes.push_back("channel " + std::to_string(channel + 1) + ": the stored duration ("
                        + formatShortest(c.m_dLengthMS) + " ms) does not agree with its "
                        + formatShortest(c.m_dwFileLength) + " samples at " + formatShortest(c.m_dSampleRate)
                        + " Hz; " + formatShortest(expected) + " ms is used");
    c.m_dLengthMS = expected;
}

SampleSpan samplesToWrite(const Channels& c, bool selection, double writtenRate, const std::string& format)
{
    if (!sampleRateUsable(writtenRate))
        throw WriteRefused("A " + format + " file at " + formatShortest(writtenRate)
                           + " Hz could not be opened again, so it was not written; recordings of "
                           + formatShortest(kMinSampleRate) + " to " + formatShortest(kMaxSampleRate)
                           + " Hz can be saved.");
    std::int64_t first = 0;
    std::int64_t count = truncInt(c.m_dwFileLength);
    if (selection) {
        first = truncInt(c.m_dDurationStartFile);
        const std::int64_t end = truncInt(c.m_dDurationStopFile);
        count = end > first ? end - first : 0;
    }
    // The readers refuse a file without samples: one is never written.
    if (count == 0)
        throw WriteRefused("There are no samples to save: a " + format
                           + " file without samples could not be opened again, so it was not written.");
    const std::int64_t have = static_cast<std::int64_t>(c.m_hData.size());
    if (first < 0 || count < 0 || first > have || count > have - first)
        throw WriteRefused("Voxtrace holds " + std::to_string(have) + " samples of this recording where "
                           + std::to_string(first + count) + " were to be written (an internal fault); "
                           "nothing was written.");
    return {first, count};
}

void applyAnalysisRate(Document& d)
{
    const Channels& c = d.getChannel(0);
    const double R = c.m_dSampleRate;
    // The rate-dependent values were made for the rate the settings hold
    // (a new document's, or the one the settings file carried them for);
    // values a user chose for this rate stay as they are.
    const double madeFor = d.s.m_dAnalysisSampleRate;
    d.s.m_dAnalysisSampleRate = R;
    d.s.m_dwAnalysisFileLength = c.m_dwFileLength;
    d.s.m_dAnalysisLengthMS = c.m_dLengthMS;
    if (R != madeFor)
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
