// The analysis commands of voxtrace-cli: pitch, intensity, formants and
// spectrum, with a new document's Settings (or those --settings gives)
// unless options override them.

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

double timeWithin(const Args& args, const char* name, const vx::Channels& c)
{
    const double t = args.number(name);
    if (t > c.m_dLengthMS)
        throw CliError(std::string("--") + name + " " + formatNumber(t) + " is past the end of the recording ("
                       + formatNumber(c.m_dLengthMS) + " ms)");
    return t;
}

// The whole recording, or the part that --from-ms/--to-ms give.
Range rangeOf(const Args& args, const vx::Channels& c)
{
    Range r{0, c.m_dwFileLength, 0, c.m_dLengthMS};
    if (args.has("from-ms") || args.has("to-ms")) {
        const double a = args.has("from-ms") ? timeWithin(args, "from-ms", c) : 0.0;
        const double b = args.has("to-ms") ? timeWithin(args, "to-ms", c) : c.m_dLengthMS;
        if (b <= a)
            throw CliError("--to-ms (" + formatNumber(b) + ") must be after --from-ms (" + formatNumber(a) + ")");
        r = {a * c.m_dwFileLength / c.m_dLengthMS, b * c.m_dwFileLength / c.m_dLengthMS, a, b};
    }
    return r;
}

// The document of the file, with --settings applied over the settings the
// file's rate gave, and its channel with samples to analyse.
struct Analysed {
    Loaded loaded;
    const vx::Channels* channel;
};

Analysed loadForAnalysis(const Args& args)
{
    Analysed a{loadDocument(args.positional()[0], channelOption(args)), nullptr};
    applySettingsOption(args, *a.loaded.doc);
    const vx::Channels& c = a.loaded.doc->getChannel(0);
    if (c.m_hData.size() == 0 || !(c.m_dLengthMS > 0))
        throw CliError(args.positional()[0] + ": the file holds no samples");
    a.channel = &c;
    return a;
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
    if (p.frequencyRange > vx::sliceFrequencyLimit(rate))
        throw CliError("Frequency range is beyond allowable value. The frequency range may be at most half the "
                       "sample rate.");
    if (p.appliedWindowMs < 0 || p.appliedWindowMs > 10000)
        throw CliError("the settings give an FFT applied window of " + std::to_string(p.appliedWindowMs)
                       + " ms; 0 to 10000 ms can be used");
    if (p.averageStepMs < 1 || p.averageStepMs > 10000)
        throw CliError("the settings give an FFT average step of " + std::to_string(p.averageStepMs)
                       + " ms; 1 to 10000 ms can be used");
    return p;
}

void needOneFile(const Args& args, const char* command)
{
    if (args.positional().size() != 1)
        throw CliError(std::string("one sound file is needed (see voxtrace-cli ") + command + " --help)");
}

} // namespace

int runPitch(const Args& args)
{
    needOneFile(args, "pitch");
    Analysed a = loadForAnalysis(args);
    const vx::Channels& c = *a.channel;
    const vx::Settings& s = a.loaded.doc->s;
    vx::PitchParams p;
    p.sampleRate = c.m_dSampleRate;
    p.windowMs = args.numberOr("window-ms", s.m_dPitchWindowLength);
    p.stepMs = args.numberOr("step-ms", s.m_dPitchStepSize);
    p.low = args.numberOr("low", s.m_dPitchCalculationLow);
    p.high = args.numberOr("high", s.m_dPitchCalculationHigh);
    p.deviation = args.numberOr("deviation", s.m_dFreqDeviation);
    p.thresholdPct = args.numberOr("threshold", s.m_dTrackingThreshHold);
    if (p.high <= p.low)
        throw CliError("the highest pitch (" + formatNumber(p.high) + " Hz) must be above the lowest ("
                       + formatNumber(p.low) + " Hz)");
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
    needOneFile(args, "intensity");
    Analysed a = loadForAnalysis(args);
    const vx::Channels& c = *a.channel;
    vx::IntensityParams p;
    p.sampleRate = c.m_dSampleRate;
    p.windowMs = args.numberOr("window-ms", c.m_dIntensityWindowLengthMS);
    p.stepMs = args.numberOr("step-ms", c.m_dIntensityStepSizeMS);
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
    needOneFile(args, "formants");
    Analysed a = loadForAnalysis(args);
    const vx::Channels& c = *a.channel;
    vx::SliceParams p = sliceParams(*a.loaded.doc, c.m_dSampleRate);
    p.lpcOrder = static_cast<int>(args.numberOr("order", p.lpcOrder));
    const double stepMs = args.numberOr("step-ms", 10);
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
    needOneFile(args, "spectrum");
    if (args.has("at-ms") == (args.has("from-ms") || args.has("to-ms")))
        throw CliError("either --at-ms or --from-ms/--to-ms is needed, not both (see voxtrace-cli spectrum --help)");
    Analysed a = loadForAnalysis(args);
    const vx::Channels& c = *a.channel;
    vx::SliceParams p = sliceParams(*a.loaded.doc, c.m_dSampleRate);
    p.lpcOrder = static_cast<int>(args.numberOr("order", p.lpcOrder));
    if (const std::string why = vx::sliceParamsProblem(p); !why.empty())
        throw CliError(why);
    double start, stop;
    if (args.has("at-ms")) {
        const double t = timeWithin(args, "at-ms", c);
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
