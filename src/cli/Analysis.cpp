// The analysis commands of voxtrace-cli: pitch, intensity, formants and
// spectrum, with a new document's Settings (or those --settings gives)
// unless options override them.

#include "CliCommon.h"

#include "analysis/PitchIntensity.h"
#include "analysis/SpectrumSlice.h"
#include "spectrum/SliceDisplay.h"

#include <cmath>
#include <cstdio>

namespace vxcli {

double timeWithin(const Args& args, const char* name, const vx::Channels& c)
{
    const double t = args.number(name);
    if (t > c.m_dLengthMS)
        throw CliError(std::string("--") + name + " " + formatNumber(t) + " is past the end of the recording ("
                       + formatNumber(c.m_dLengthMS) + " ms)");
    return t;
}

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

namespace {

void printNumbers(std::initializer_list<double> values)
{
    bool first = true;
    for (double v : values) {
        std::printf(first ? "%.3f" : "\t%.3f", v);
        first = false;
    }
    std::printf("\n");
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
    applyGroupOptions(args, *a.loaded.doc, vx::OptionGroup::Pitch, c.m_dSampleRate);
    const vx::PitchParams p = vx::pitchParams(a.loaded.doc->s, c.m_dSampleRate);
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
    applyGroupOptions(args, *a.loaded.doc, vx::OptionGroup::Intensity, c.m_dSampleRate);
    const vx::IntensityParams p = vx::intensityParams(c, c.m_dSampleRate, c.m_dReference);
    vx::IntensityContour contour = vx::computeIntensity(c.m_hData.data(), c.m_dwFileLength, p);
    std::printf("time_ms\tintensity\n");
    const double step = p.stepMs * p.sampleRate / 1000;
    for (long k = 0;; ++k) {
        const long at = static_cast<long>(k * step);
        if (at >= static_cast<long>(contour.size()))
            break;
        printNumbers({k * p.stepMs, contour.at(at)});
    }
    return 0;
}

int runFormants(const Args& args)
{
    needOneFile(args, "formants");
    Analysed a = loadForAnalysis(args);
    const vx::Channels& c = *a.channel;
    applyGroupOptions(args, *a.loaded.doc, vx::OptionGroup::FFTLPC, c.m_dSampleRate);
    const vx::SliceParams p = vx::sliceParams(a.loaded.doc->s, c.m_dSampleRate);
    if (const std::string why = vx::sliceParamsProblem(p); !why.empty())
        throw CliError(why);
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
    applyGroupOptions(args, *a.loaded.doc, vx::OptionGroup::FFTLPC, c.m_dSampleRate);
    const vx::SliceParams p = vx::sliceParams(a.loaded.doc->s, c.m_dSampleRate);
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
    // lpc_db is empty where there is no envelope: above the LPC's half
    // rate, and for a silent slice.
    for (std::size_t j = 0; j < s.fft.size(); ++j) {
        const double hz = static_cast<double>(j) * p.frequencyRange / static_cast<double>(s.fft.size());
        if (j < s.lpc.size())
            printNumbers({hz, s.fft[j], s.lpc[j]});
        else
            std::printf("%.3f\t%.3f\t\n", hz, s.fft[j]);
    }
    return 0;
}

} // namespace vxcli
