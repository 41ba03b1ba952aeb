#pragma once
// The size of a saved or printed picture of a view, from the settings: the
// image's pixels and the display size in points stored with it.

#include "app/Settings.h"

#include <string>

namespace vx {

enum class PictureView { main, spectrogram, spectrum };

struct PictureSize {
    int width = 0, height = 0;            // pixels
    int pointWidth = 0, pointHeight = 0;  // the display size stored in the file
    // Empty when the size can be drawn; otherwise a sentence naming the
    // limit it passes.
    std::string problem;
};

// The largest image drawn: pixels a side, and bytes of 32-bit pixels.
constexpr int kMaxPicturePixels = 32767;
constexpr double kMaxPictureBytes = 400.0 * 1024 * 1024;

// Main view and spectrogram: 300 pixels per inch (also in centimetre
// mode: 300 / 2.54 per centimetre), the display size in points (72 per
// inch); spectrum slice: 72 pixels per inch, the same in points.
PictureSize pictureSize(PictureView view, bool inches, double width, double height);
// The same with the view's size settings (display, spectrogram, FFT/LPC).
PictureSize pictureSize(PictureView view, const Settings& s);

} // namespace vx
