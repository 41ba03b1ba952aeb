#pragma once
// The process-wide state: paths, version text, recording and analysis
// rates, the edit clipboard's channels and the values that only the
// configuration record carries. Reached through app(); tests start from a
// fresh one with resetAppState().

#include "app/Settings.h"
#include "model/Channels.h"
#include "platform/Types.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace vx {

// The version text: shown in the About window and written into (and
// expected in) the configuration record.
inline constexpr char kVersionText[] = "1712";

constexpr int kNumChannelSlots = 20;
constexpr int kNumWindowRects = 11;
constexpr int kNumDSPValues = 17;

struct AppState : RecordPlayOptions {
    std::string gAppPath;
    std::string gstrVersion = kVersionText;
    std::string appPathTemp;
    std::vector<std::unique_ptr<Channels>> gChannels;

    double g_dAnalysisSampleRate = 11000.0;
    int g_nFileFormat = -1;

    std::string g_strInputSource = "Microphone";
    std::string g_strPlaySource = "Hardware";
    // main, FFT, spectrogram, pitch, log, label, status, record, scope,
    // scope DSP, formant plot
    std::array<Rect, kNumWindowRects> g_rWindowPositions{};
    // sample rate, mono/stereo, mic/line, input gain, input gain index,
    // phantom power, balanced/unbalanced, FFT points, display dynamic range,
    // display frequency range, absolute/relative, AC coupling, feed-through,
    // play gain index, play gain, play count, play hardware
    std::array<int, kNumDSPValues> g_nDSPValues{};

    // Set at start-up when the settings file could not be used, for the
    // application to tell the user once; empty otherwise.
    std::string settingsNotice;

    Rect& g_rMainWindowPosition() { return g_rWindowPositions[0]; }
};

AppState& app();
void resetAppState();

// The start-up sequence: paths, version, temporary folder, clipboard
// channels, then the legacy settings file.
void applicationWillFinishLaunching();

} // namespace vx
