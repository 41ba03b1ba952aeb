#pragma once
// The numeric toolbox: radix-2 FFT, dB power spectra, cubic splines, LPC
// with formant root finding, cepstral pitch and intensity. A CMathFunc owns
// the working storage of its analyses, so each thread (or each concurrent
// analysis) uses its own instance; results of one instance are never
// touched by another. Reusing one instance across frames avoids allocation.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace vx {

// The 13-decimal figures the analyses are defined with, not full-precision pi.
constexpr double PI = 3.1415926535898;
constexpr double dTWOPI = 6.2831853071796;

// The least ratio of formant frequency to bandwidth for a formant to be shown.
constexpr double gRatioFormantBanswodth = 2.0;

// The prediction-error filter of one frame: a[0] = 1, a[1..p].
struct LpcOut {
    int order = 0;
    std::vector<double> k; // reflection coefficients k1..kp at k[1..p]
    std::vector<double> a; // predictor polynomial a0..ap
    double error = 0;      // final prediction error energy
};

// The quadratic factors of a predictor polynomial and the formants among
// them, sorted by ascending frequency.
struct RootRecord {
    struct Factor {
        double b, c, re, im;
    };
    std::vector<Factor> factors;
    std::vector<double> freq;
    std::vector<double> bandwidth;
};

// One quadratic factor z^2 + b z + c as a root, frequency and bandwidth.
struct QuadraticRoot {
    double zreal, zimag, tfreq, tbandw;
};

// The quefrency search of the cepstral pitch estimator for a rate and a
// pitch range: bins qLo .. qHi, upsampled by f into M points stored from i0,
// with the peak searched below i1.
struct CepstralRange {
    int qLo, qHi, span, f, M, i0, i1;
};
CepstralRange cepstralRange(double fs, double low, double high);

class CMathFunc {
public:
    CMathFunc() = default;
    virtual ~CMathFunc() = default;

    // In-place forward complex FFT of N = 2^m points, no scaling.
    void FFT_CODE_REAL(double* re, double* im, int m);

    // One frame to dB levels, written into `frame`: n/2 bins, or P points
    // spanning 0 Hz up to (not including) F when smoothing. With a positive
    // pre-emphasis the frame must hold n + 1 samples; `frame` must hold
    // max(n + 1, P) doubles.
    int DoFFT_Real(double* frame, int n, double preEmphasis, int windowType, bool smooth, int P, int F,
                   double fs);

    // Cubic spline second derivatives over 1-based tables of n points; end
    // slopes above 9.9e29 give a natural end.
    void spline(const double* x, const double* y, int n, double yp1, double ypn, double* y2);
    // Returns 0 and stores the value, or 1 (storing nothing) for an interval
    // of zero width.
    static int splint(const double* xa, const double* ya, const double* y2a, int n, double x, double* y);
    // The knot lo (1-based, lo + 1 <= n) of the interval [xa[lo], xa[lo + 1]]
    // that splint evaluates x in, found by the same bisection.
    static int splintInterval(const double* xa, int n, double x);

    // Autocorrelation LPC with the Schur recursion; order capped at 400.
    static void autolpc(const double* x, int n, int p, LpcOut& out);

    // Windows a frame (n samples, n + 1 with pre-emphasis), computes the
    // predictor and, with `roots`, its formants into lp_Roots. Unless
    // `rootsOnly`, writes the inverse-filter levels into `frame` (128 bins,
    // or P resampled points). With `rootsOnly` the frame is left unchanged.
    void DoLPC(double* frame, int p, int n, double preEmphasis, int windowType, bool smooth, int P, int F,
               double fs, bool roots, bool rootsOnly);

    // The roots of the last DoLPC of this instance; empty after a failure.
    const std::optional<RootRecord>& lp_Roots() const { return m_roots; }
    const LpcOut& lastLpc() const { return m_lpc; }

    // Cepstral pitch of the frame starting at `start`: Hz, 0 for none,
    // -1.0 for an FFT length other than 128 ... 4096.
    double DoPitchCepstrumFloat(const float* samples, double start, double dataLength, double fs, double low,
                                double high, int N, int W);

    // The Hamming window of n points that windowed() applies, kept
    // between frames of the same length.
    const std::vector<double>& hamming(int n);

private:
    void windowed(const double* x, int n, double preEmphasis, int windowType, double* out);
    void splineResample(double* frame, int points, int P, double step);

    // The spline weights of the cepstral upsampling depend only on the
    // quefrency span and the point count, so they are kept between frames.
    struct UpsamplingTable {
        int span = -1, M = -1;
        std::vector<int> lo;
        std::vector<double> a, b, a3, b3;
    };
    const UpsamplingTable& upsampling(int span, int M);

    std::vector<double> m_re, m_im, m_window, m_work, m_x, m_y, m_y2, m_u, m_cepstrum, m_pole;
    UpsamplingTable m_upsampling;
    int m_windowLength = -1;
    LpcOut m_lpc;
    std::optional<RootRecord> m_roots;

public:
    // Forward FFT of N = 2^m real points x, in place: on entry re[i] = x[2i]
    // and im[i] = x[2i + 1] for i < N/2; on exit bins 0 .. N/2 (so both
    // arrays hold N/2 + 1 values).
    void realFFT(double* re, double* im, int m);

private:
    void prepareTwiddles(int m);
    // The twiddles of FFT stages 1 .. m_twiddleStages.
    std::vector<double> m_twiddleRe, m_twiddleIm;
    int m_twiddleStages = 0;
    // The index pairs that the bit-reversal permutation of 2^m points
    // swaps, at [m]; made on first use.
    std::vector<std::vector<int>> m_bitReversal;

    // A natural cubic spline through knots at 0, 1, ... span - 1: its
    // elimination factors depend on the span only.
    struct UnitSpline {
        int span = -1;
        std::vector<double> factor, inversePivot;
    };
    void unitSpline(const double* y, int span, double* y2);
    UnitSpline m_unitSpline;
    // The window made before the current one: a spectrogram column
    // alternates between two lengths.
    std::vector<double> m_previousWindow;
    int m_previousWindowLength = -1;
};

// Factoring of predictor polynomials (leading coefficient first) of degree
// at most 400. All return codes as in the classic routines: factor 1 = real
// root divided out, 2 = quadratic z^2 - u z - v divided out, 0 = failure.
// rootsub works in `a` (n + 1 coefficients) and leaves it changed; the
// second form refills `out`, keeping its storage, and returns false where
// the first returns nothing.
std::optional<RootRecord> rootsub(int n, double maxBandwidth, std::vector<double>& a, double fs);
bool rootsub(int n, double maxBandwidth, std::vector<double>& a, double fs, RootRecord& out);
int factor(int n, const double* a, double* quotient, double* u, double* v);
int rfactr(int n, const double* a, double* quotient, double* root, double tolerance);
int barstw(int n, const double* a, double* quotient, double tolerance, int* iterations, double* u, double* v);
int frwbkw(int n, const double* a, double* quotient, double* u, double* v, int iterations, double tolerance);
QuadraticRoot cmpfb2(double b, double c, double fs);

// The short-time mean-square level, one value per sample, in dB or linear.
// A frame of exact digital silence gets kSilenceLevelDb instead of -inf.
constexpr double kSilenceLevelDb = -100.0;
void DoIntensityFloat(const float* samples, float* output, double* minimum, double* maximum, double offset,
                      double start, double window, double step, double dataLength, bool relative, bool linear);

} // namespace vx
