#pragma once
// The spectrogram window's cached picture: tiers with their labels, the
// waveform band, the grey levels written straight into the image's pixels
// (one per device pixel), the formant dots and the grids.

#include "gui/spectrogram/SpectrogramWindow.h"

#include <QImage>

namespace vx {

// A picture of `layout`'s client size at its scale. `channel` supplies the
// tiers and labels.
QImage renderSpectrogramPicture(const Channels& channel, const SpectrogramLayout& layout,
                                const SpectrogramOptions& settings, const SpectrogramStretch& stretch,
                                const SpectrogramResult& result);

// Writes the levels into the spectrogram area of `image` (32-bit RGB).
void drawSpectrogramLevels(QImage& image, const SpectrogramLayout& layout, const SpectrogramData& data,
                           int dynamicRange);

} // namespace vx
