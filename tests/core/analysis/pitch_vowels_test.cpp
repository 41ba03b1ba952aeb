// The pitch track of synthetic vowels at the usual rates: Rosenberg glottal pulses through five
// formant resonators, lip radiation as a first difference, quantised to 16 bits.

#include "analysis/PitchIntensity.h"
#include "app/Settings.h"
#include "support/Synthesis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace vx;

namespace {

// A vowel's name and formants.
using Vowel = std::pair<const char*, std::vector<vxtest::Formant>>;
const Vowel kA{"a", {{730, 60}, {1090, 90}, {2440, 120}, {3400, 175}, {4500, 250}}};
const Vowel kI{"i", {{270, 50}, {2290, 100}, {3010, 120}, {3400, 175}, {4500, 250}}};
const Vowel kU{"u", {{300, 50}, {870, 80}, {2240, 120}, {3400, 175}, {4500, 250}}};
// A first formant near twice the F0 of a higher voice.
const Vowel kE{"e", {{480, 60}, {1700, 100}, {2600, 150}, {3500, 200}, {4500, 250}}};

// What real voices have and steady synthetic ones lack: jitter and shimmer (relative standard
// deviations), aspiration noise (dB below the voice) and a further -6 dB an octave above `tiltHz`.
struct Roughness {
    double jitter = 0, shimmer = 0, noiseDb = -300, tiltHz = 0;
};

constexpr double kVoicedSeconds = 2.0;
constexpr double kPauseSeconds = 0.1; // silence before and after the vowel

// One glottal cycle: rising for 40 % of the period, closing over 16 %.
double rosenberg(double phase)
{
    const double open = 0.40, closing = 0.16;
    if (phase < open)
        return 0.5 * (1 - std::cos(M_PI * phase / open));
    if (phase < open + closing)
        return std::cos(M_PI / 2 * (phase - open) / closing);
    return 0;
}

// f0(t) in Hz over 0 <= t < kVoicedSeconds, padded with silence.
std::vector<float> vowel(const Vowel& v, double fs, const std::function<double(double)>& f0, Roughness r = {})
{
    const std::size_t pause = static_cast<std::size_t>(kPauseSeconds * fs);
    const std::size_t voiced = static_cast<std::size_t>(kVoicedSeconds * fs);
    std::vector<double> x(voiced + 2 * pause, 0.0);
    std::mt19937 rng(11);
    std::normal_distribution<double> normal(0, 1);
    double phase = 0, rate = f0(0), amplitude = 1;
    for (std::size_t i = 0; i < voiced; ++i) {
        x[pause + i] = amplitude * rosenberg(phase);
        phase += (r.jitter == 0 ? f0(i / fs) : rate) / fs;
        if (phase >= 1) {
            // Each period draws its own length and amplitude.
            phase -= std::floor(phase);
            rate = f0(i / fs) / (1 + r.jitter * normal(rng));
            amplitude = 1 + r.shimmer * normal(rng);
        }
    }
    if (r.tiltHz > 0) {
        const double a = std::exp(-2 * M_PI * r.tiltHz / fs);
        double y = 0;
        for (double& s : x)
            s = y = (1 - a) * s + a * y;
    }
    if (r.noiseDb > -300) {
        double power = 0;
        for (double s : x)
            power += s * s;
        const double k = std::sqrt(power / voiced) * std::pow(10, r.noiseDb / 20);
        for (std::size_t i = pause; i < pause + voiced; ++i)
            x[i] += k * normal(rng);
    }
    for (std::size_t i = x.size() - 1; i > 0; --i)
        x[i] -= x[i - 1];
    vxtest::resonate(x, fs, v.second, true);
    std::vector<float> out = vxtest::scaledTo(x, 0.5 * 32767);
    for (float& s : out)
        s = std::round(s) / 32768;
    return out;
}

struct Errors {
    int voiced = 0, gross = 0;     // frames reported voiced, and of those more than 20 % off
    int inner = 0, unvoiced = 0;   // frames well inside the vowel, and of those reported unvoiced
};

Errors trackErrors(const std::vector<float>& x, double fs, const std::function<double(double)>& f0)
{
    const PitchParams p = pitchParams(makeDefaultSettings(fs), fs);
    const double n = static_cast<double>(x.size());
    const std::vector<double> track = computePitchTrack(x.data(), n, p, 0, n, 0, n * 1000 / fs).value().track;
    const double halfWindow = pitchFrameSize(fs, p.windowMs).W / 2.0;
    const double step = fs / 1000 * p.stepMs;
    Errors e;
    for (std::size_t k = 0; k < track.size(); ++k) {
        const double t = (k * step + halfWindow) / fs - kPauseSeconds; // the frame's centre in the vowel
        const double known = f0(std::clamp(t, 0.0, kVoicedSeconds)), got = track[k];
        const bool inner = t >= 0.05 && t <= kVoicedSeconds - 0.05;
        e.voiced += got > 0;
        e.gross += got > 0 && std::fabs(got - known) > 0.2 * known;
        e.inner += inner;
        e.unvoiced += inner && got <= 0;
    }
    return e;
}

} // namespace

TEST(PitchVowels, SustainedAndGlidingVowelsAtCommonRates)
{
    std::vector<std::pair<std::string, std::function<double(double)>>> contours;
    for (double f : {80.0, 120.0, 160.0, 220.0, 300.0})
        contours.push_back({std::to_string(static_cast<int>(f)) + " Hz", [f](double) { return f; }});
    contours.push_back({"100-250 Hz glide", [](double t) { return 100 + 150 * t / kVoicedSeconds; }});

    for (double fs : {16000.0, 22050.0, 44100.0, 48000.0})
        for (const Vowel* v : {&kA, &kI, &kU})
            for (const auto& [name, f0] : contours) {
                SCOPED_TRACE(testing::Message() << "/" << v->first << "/ at " << name << ", " << fs << " Hz sampling");
                const Errors e = trackErrors(vowel(*v, fs, f0), fs, f0);
                ASSERT_GT(e.inner, 150);
                EXPECT_LE(e.gross, 0.02 * e.voiced) << e.gross << " of " << e.voiced << " voiced frames 20 % off";
                EXPECT_LE(e.unvoiced, 0.12 * e.inner) << e.unvoiced << " of " << e.inner << " inner frames unvoiced";
            }

    // A higher voice as real ones are: F0 rising from 180 to 300 Hz, 2 % jitter, 4 % shimmer,
    // aspiration 25 dB down, F1 near 2 F0 and a steeper tilt.
    const auto rising = [](double t) { return 180 + 120 * t / kVoicedSeconds; };
    for (double fs : {44100.0, 48000.0}) {
        const Errors e = trackErrors(vowel(kE, fs, rising, {0.02, 0.04, -25, 100}), fs, rising);
        EXPECT_LE(e.gross, 0.03 * e.voiced) << fs << " Hz: " << e.gross << " of " << e.voiced << " 20 % off";
        EXPECT_LE(e.unvoiced, 0.2 * e.inner) << fs << " Hz: " << e.unvoiced << " of " << e.inner << " unvoiced";
    }
}
