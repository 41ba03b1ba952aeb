#pragma once
// The analysis and display options of one document, in the groups that the
// option panels edit. A new document starts from makeDefaultSettings();
// loading a file of another rate runs applyRateRule(). What each field
// accepts, its unit and its place in the configuration record are in the
// field tables of app/Options.h.

#include "platform/Types.h"

namespace vx {

// The display panel's values, and the main view's that no panel edits.
struct DisplayOptions {
    RGBColor m_ColorCursor{};
    bool m_bInches = true;
    double m_dWidth = 6.0;
    double m_dHeight = 4.0;
    bool m_bDrawTimeGrid = true;
    int m_nTimeGridSpacing = 0;
    bool m_bColor = false;
    double m_dwSaveFilterIndex = 1.0;
    bool m_bAutoPitchIntensity = true;
    bool m_bMsec = true;
    int m_nAudioHeight = 50;
    int m_nIntensityHeight = 50;
};

struct ZoomOptions {
    double m_dZoomRange = 1000.0;
};

struct ReferenceGainOptions {
    double m_dRefGainGainPerCent = 0;
    double m_dRefGainReference = 0;
};

// The spectrum slice.
struct FFTOptions {
    int m_nFFTWindowLengthSelector = 3;
    int m_nFFTWindowLength = 256;
    int m_nFFTAppliedWindowLength = 23;
    int m_nFFTAverageStepSize = 10;
    int m_nFFTfrequencyRange = 5000;
    bool m_bFFTAbsolute = false;
    int m_nFFTAbsoluteRange = 80;
    bool m_bFFTInches = true;
    double m_dFFTWidth = 6.0;
    double m_dFFTHeight = 4.0;
    bool m_bFFTColor = false;
    bool m_bFFTDrawFrequencyGrid = true;
    int m_nFFTFrequencyGrid = 1000;
    bool m_bFFTDrawDBGrid = true;
    int m_nFFTDBGrid = 20;
    int m_nLPCNumberofCoefficients = 14;
    bool m_bFFTDrawLPC = true;
    // Hz; 0 is off. When set, the LPC analyses the signal resampled to
    // twice this frequency, with the order that rate gives.
    int m_nFFTFormantCeiling = 0;
};

struct SpectrogramOptions {
    int m_nSpecWindowLength = 64;
    int m_nSpecWindowLengthSelector = 1;
    int m_nSpecfrequencyRange = 5000;
    int m_nSpecDynamicRange = 55;
    double m_dPreEmphasis = 0.98;
    bool m_bSpecDrawFormantTracking = true;
    int m_nSpecLPCNumberofCoefficients = 14;
    bool m_bSpecInches = true;
    double m_dSpecWidth = 6.0;
    double m_dSpecHeight = 4.0;
    bool m_bSpecDrawAudio = true;
    bool m_bSpecDrawIntensity = false;
    bool m_bSpecDrawLabels = true;
    bool m_bSpecDrawFrequencyGrid = true;
    int m_nSpecFrequencyGrid = 1000;
    bool m_bSpecDrawTimeGrid = true;
    int m_nSpecTimeGrid = 500;
    int m_nSpecFormantCeiling = 0; // as m_nFFTFormantCeiling
};

struct PitchOptions {
    double m_dPitchWindowLength = 35.0;
    double m_dPitchStepSize = 10.0;
    double m_dPitchCalculationHigh = 500.0;
    double m_dPitchCalculationLow = 50.0;
    int m_nPitchDisplayHigh = 500;
    int m_nPitchDisplayLow = 50;
    bool m_bPitchDrawFreqGrid = true;
    int m_nPitchFreqGrid = 20;
    bool m_bPitchDrawTimeGrid = true;
    int m_nPitchTimeGrid = 500;
    bool m_bCepstral = true;
    double m_dTrackingThreshHold = 1.0;
    double m_dFreqDeviation = 100.0;
    double m_dTrackingThreshHold_AutoCorrolation = 1.0;
    double m_dFreqDeviation_AutoCorrolation = 100.0;
    bool m_bPitchDrawAudio = true;
    bool m_bPitchDrawIntensity = true;
    bool m_bPitchDrawLabels = true;
    bool m_bPitchColor = true;
    bool m_bPitchInches = true;
    double m_dPitchWidth = 6.0;
    double m_dPitchHeigth = 4.0;
};

// The log panel's values.
struct LogOptions {
    double m_dLogStepSize = 1.0;
    int m_nFFTFrameInterval = 10;
};

// Channel 0's intensity values (they live in its channel record).
struct IntensityOptions {
    double m_dIntensityWindowLengthMS = 30.0;
    double m_dIntensityStepSizeMS = 10.0;
    bool m_bIntensityRelative = false;
};

// The process-wide recording rate (it lives in the application state).
struct RecordPlayOptions {
    int g_nRecordSampleRate = 11025;
};

struct Settings : DisplayOptions, ZoomOptions, ReferenceGainOptions, FFTOptions, SpectrogramOptions, PitchOptions,
                  LogOptions {
    // Analysis extent. m_dAnalysisSampleRate is also the rate the
    // rate-dependent values were made for, until a file is loaded.
    double m_dAnalysisSampleRate = 11025.0;
    double m_dwAnalysisFileLength = 0;
    double m_dAnalysisLengthMS = 0;

    bool m_bHavePitch = false;
    bool m_bHavePitchSelection = false;
    bool m_bDrawPitch = false;
    bool m_bHavePitchWindow = false;

    // Raw-file import parameters
    int m_nGenericHeaderSize = 0;
    int m_nGenericSampleRate = 10000;
    bool m_bGenericFileType = true;
    bool m_bGenericResolution = true;
    bool m_bGenericByteOrder = true;

    int m_nFileFormat = -1;
    int m_nEGGChannelIndex = -1;
    int m_nEGGThresholdPerCent = 25;
};

// Largest even number not above trunc(R / 1000) + 4, at most 400: the
// default LPC order.
int lpcOrderForRate(double R);
// (trunc(R) div 2000) * 1000: the default upper frequency of the displays.
int frequencyRangeForRate(double R);
// trunc(256000 / R): the duration in ms of 256 samples.
int appliedWindowForRate(double R);
// 2^(s + 5) points for window-length selector s (0 to 8).
int windowLengthForSelector(int s);
// trunc(2^(s + 5) * 1000 / R): the longest applied window the window of
// selector s holds at rate R, in ms.
int longestAppliedWindow(int s, double R);

// Defaults of a new document whose analysis rate is R.
Settings makeDefaultSettings(double R);

// Recomputes the rate-dependent fields for a loaded file's rate R.
void applyRateRule(Settings& s, double R);

} // namespace vx
