// The analysis commands of voxtrace-cli: pitch, intensity, formants and
// spectrum, with a new document's Settings unless options override them.

#include "CliCommon.h"

#include "analysis/PitchIntensity.h"
#include "analysis/SpectrumSlice.h"

#include <cmath>
#include <cstdio>

namespace vxcli {

namespace {

struct Range {
    double startPoint, stopPoint, startTime, stopTime;
};

// The whole recording, or --from-ms/--to-ms clamped to it.
Range rangeOf(const Args& args, const vx::Channels& c)
{
    Range r{0, c.m_dwFileLength, 0, c.m_dLengthMS};
    if (args.has("from-ms") || args.has("to-ms")) {
        const double a = std::clamp(args.optionalNumber("from-ms").value_or(0), 0.0, c.m_dLengthMS);
        const double b = std::clamp(args.optionalNumber("to-ms").value_or(c.m_dLengthMS), 0.0, c.m_dLengthMS);
        if (b <= a)
            throw CliError("--to-ms must be after --from-ms");
        r = {a * c.m_dwFileLength / c.m_dLengthMS, b * c.m_dwFileLength / c.m_dLengthMS, a, b};
    }
    return r;
}

double positive(const Args& args, const char* name, double fallback)
{
    const double v = args.optionalNumber(name).value_or(fallback);
    if (!(v > 0))
        throw CliError(std::string("--") + name + " must be greater than 0");
    return v;
}

const vx::Channels& loadedChannel(const Loaded& l)
{
    const vx::Channels& c = l.doc->getChannel(0);
    if (c.m_hData.size() == 0)
        throw CliError("the file holds no samples");
    return c;
}

void printNumbers(std::initializer_list<double> values)
{
    bool first = true;
    for (double v : values) {
        std::printf(first ? "%.3f" : "\t%.3f", v);
        first = false;
    }
    std::printf("\n");
}

vx::SliceParams sliceParams(const vx::Document& d, double rate)
{
    vx::SliceParams p;
    p.sampleRate = rate;
    p.windowLength = d.s.m_nFFTWindowLength;
    p.appliedWindowMs = d.s.m_nFFTAppliedWindowLength;
    p.lpcOrder = d.s.m_nLPCNumberofCoefficients;
    p.averageStepMs = d.s.m_nFFTAverageStepSize;
    p.frequencyRange = d.s.m_nFFTfrequencyRange;
    return p;
}

} // namespace

int runPitch(const Args& args)
{
    if (args.positional().size() != 1)
        throw CliError("usage: voxtrace-cli pitch FILE [--from-ms A --to-ms B] [--window-ms W] [--step-ms S] "
                       "[--low HZ] [--high HZ] [--deviation HZ] [--threshold PCT]");
    Loaded l = loadDocument(args.positional()[0], std::nullopt);
    const vx::Channels& c = loadedChannel(l);
    const vx::Settings& s = l.doc->s;
    vx::PitchParams p;
    p.sampleRate = c.m_dSampleRate;
    p.windowMs = positive(args, "window-ms", s.m_dPitchWindowLength);
    p.stepMs = positive(args, "step-ms", s.m_dPitchStepSize);
    p.low = positive(args, "low", s.m_dPitchCalculationLow);
    p.high = positive(args, "high", s.m_dPitchCalculationHigh);
    p.deviation = args.optionalNumber("deviation").value_or(s.m_dFreqDeviation);
    p.thresholdPct = args.optionalNumber("threshold").value_or(s.m_dTrackingThreshHold);
    if (p.high <= p.low)
        throw CliError("--high must be above --low");
    const Range r = rangeOf(args, c);
    auto track = vx::computePitchTrack(c.m_hData.data(), c.m_dwFileLength, p, r.startPoint, r.stopPoint,
                                       r.startTime, r.stopTime);
    std::printf("time_ms\tf0_hz\n");
    for (std::size_t k = 0; k < track->track.size(); ++k)
        printNumbers({vx::pitchFrameTime(*track, static_cast<int>(k)), track->track[k]});
    return 0;
}

int runIntensity(const Args& args)
{
    if (args.positional().size() != 1)
        throw CliError("usage: voxtrace-cli intensity FILE [--window-ms W] [--step-ms S] [--relative]");
    Loaded l = loadDocument(args.positional()[0], std::nullopt);
    const vx::Channels& c = loadedChannel(l);
    vx::IntensityParams p;
    p.sampleRate = c.m_dSampleRate;
    p.windowMs = positive(args, "window-ms", c.m_dIntensityWindowLengthMS);
    p.stepMs = positive(args, "step-ms", c.m_dIntensityStepSizeMS);
    p.offset = c.m_dReference;
    p.relative = args.has("relative") || c.m_bIntensityRelative;
    vx::IntensityContour contour = vx::computeIntensity(c.m_hData.data(), c.m_dwFileLength, p);
    std::printf("time_ms\tintensity\n");
    const double step = p.stepMs * p.sampleRate / 1000;
    for (long k = 0;; ++k) {
        const long at = static_cast<long>(k * step);
        if (at >= static_cast<long>(contour.level.size()))
            break;
        printNumbers({k * p.stepMs, contour.level[static_cast<std::size_t>(at)]});
    }
    return 0;
}

int runFormants(const Args& args)
{
    if (args.positional().size() != 1)
        throw CliError("usage: voxtrace-cli formants FILE [--step-ms S] [--order N]");
    Loaded l = loadDocument(args.positional()[0], std::nullopt);
    const vx::Channels& c = loadedChannel(l);
    vx::SliceParams p = sliceParams(*l.doc, c.m_dSampleRate);
    if (args.has("order")) {
        p.lpcOrder = args.integer("order");
        if (p.lpcOrder < 2 || p.lpcOrder > 400)
            throw CliError("--order must be 2 to 400");
    }
    const double stepMs = positive(args, "step-ms", 10);
    std::printf("time_ms\tF1\tF2\tF3\tF4\tF5\tB1\tB2\tB3\tB4\tB5\n");
    for (long k = 0;; ++k) {
        const double t = k * stepMs;
        const double at = t * c.m_dSampleRate / 1000;
        if (at >= c.m_dwFileLength)
            break;
        vx::SliceFormants f = vx::sliceFormantsAt(c.m_hData.data(), c.m_dwFileLength, at, p);
        std::printf("%.3f", t);
        for (double v : f.formant)
            std::printf("\t%.1f", v);
        for (double v : f.bandwidth)
            std::printf("\t%.1f", v);
        std::printf("\n");
    }
    return 0;
}

int runSpectrum(const Args& args)
{
    if (args.positional().size() != 1 || (args.has("at-ms") == (args.has("from-ms") || args.has("to-ms"))))
        throw CliError("usage: voxtrace-cli spectrum FILE --at-ms T | --from-ms A --to-ms B");
    Loaded l = loadDocument(args.positional()[0], std::nullopt);
    const vx::Channels& c = loadedChannel(l);
    vx::SliceParams p = sliceParams(*l.doc, c.m_dSampleRate);
    if (p.frequencyRange > vx::sliceFrequencyLimit(c.m_dSampleRate))
        throw CliError("Frequency range is beyond allowable value. The frequency range may be at most half the "
                       "sample rate.");
    double start, stop;
    if (args.has("at-ms")) {
        const double t = std::clamp(args.number("at-ms"), 0.0, c.m_dLengthMS);
        start = stop = t * c.m_dwFileLength / c.m_dLengthMS;
    } else {
        const Range r = rangeOf(args, c);
        start = r.startPoint;
        stop = r.stopPoint;
    }
    vx::SliceResult s = vx::computeSpectrumSlice(c.m_hData.data(), c.m_dwFileLength, start, stop, p);
    std::printf("formants");
    for (double v : s.formant)
        std::printf("\t%.1f", v);
    std::printf("\tbandwidths");
    for (double v : s.bandwidth)
        std::printf("\t%.1f", v);
    std::printf("\nfreq_hz\tlevel_db\tlpc_db\n");
    for (std::size_t j = 0; j < s.fft.size(); ++j)
        printNumbers({static_cast<double>(j) * p.frequencyRange / static_cast<double>(s.fft.size()), s.fft[j],
                      j < s.lpc.size() ? s.lpc[j] : 0.0});
    return 0;
}

} // namespace vxcli
