#include "app/Settings.h"

#include <algorithm>

namespace vx {

int lpcOrderForRate(double R)
{
    // 400 is the most the LPC analyses take, for the spectrogram's formant
    // tracks as for the slice.
    return std::min((std::min(truncInt(R / 1000.0), 1 << 30) + 4) & ~1, 400);
}

int frequencyRangeForRate(double R)
{
    return (truncInt(R) / 2000) * 1000;
}

int appliedWindowForRate(double R)
{
    return R > 0 ? truncInt(256000.0 / R) : 0;
}

int windowLengthForSelector(int s)
{
    return 1 << (std::clamp(s, 0, 8) + 5);
}

int longestAppliedWindow(int s, double R)
{
    return R > 0 ? truncInt(windowLengthForSelector(s) * 1000.0 / R) : 0;
}

Settings makeDefaultSettings(double R)
{
    Settings s;
    s.m_dAnalysisSampleRate = R;
    s.m_nFFTAppliedWindowLength = appliedWindowForRate(R);
    s.m_nFFTfrequencyRange = frequencyRangeForRate(R);
    s.m_nSpecfrequencyRange = frequencyRangeForRate(R);
    s.m_nLPCNumberofCoefficients = lpcOrderForRate(R);
    s.m_nSpecLPCNumberofCoefficients = lpcOrderForRate(R);
    return s;
}

void applyRateRule(Settings& s, double R)
{
    s.m_nFFTfrequencyRange = frequencyRangeForRate(R);
    s.m_nFFTAppliedWindowLength = appliedWindowForRate(R);
    s.m_nLPCNumberofCoefficients = lpcOrderForRate(R);
    s.m_nSpecfrequencyRange = frequencyRangeForRate(R);
    s.m_nSpecLPCNumberofCoefficients = lpcOrderForRate(R);
}

} // namespace vx
