#pragma once
// Drawing the spectrogram view: tiers with their labels, the waveform band,
// the grey levels, the formant dots and the grids. The same function draws
// the window's picture, a saved picture and a printout; the levels are an
// image of one cell a device pixel, computed for the size drawn.

#include "model/Channels.h"
#include "model/SampleSummary.h"
#include "spectrogram/SpectrogramDisplay.h"

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QSize>

#include <memory>

namespace vx {

// A computed spectrogram.
struct SpectrogramResult {
    SpectrogramData data;
    // The waveform of the channel; it points into the samples, so it is
    // dropped when they change.
    std::shared_ptr<const SampleSummary> wave;
    bool cancelled = false;
};

// The levels as an image, column i at x = i and 0 Hz at the bottom line.
QImage spectrogramLevels(const SpectrogramData& data, int dynamicRange);

// Draws in `layout`'s logical pixels; the levels fill the spectrogram area.
// `channel` supplies the tiers and labels.
void drawSpectrogram(QPainter& p, const Channels& channel, const SpectrogramLayout& layout,
                     const SpectrogramOptions& settings, const SpectrogramStretch& stretch,
                     const SpectrogramResult& result);

// The window's picture: `layout`'s client size at its scale.
QImage renderSpectrogramPicture(const Channels& channel, const SpectrogramLayout& layout,
                                const SpectrogramOptions& settings, const SpectrogramStretch& stretch,
                                const SpectrogramResult& result);

// The layout of a picture of `pixels` at `penFactor`: the window's layout
// for the size divided by the factor, its columns and rows the picture's
// own pixels, for which the levels are computed.
SpectrogramLayout spectrogramPictureLayout(const Channels& channel, const SpectrogramOptions& settings, QSize pixels,
                                           double penFactor);
// Draws a picture laid out by spectrogramPictureLayout into `target`.
void paintSpectrogram(QPainter& p, const Channels& channel, const SpectrogramLayout& pictureLayout,
                      const SpectrogramOptions& settings, const SpectrogramStretch& stretch,
                      const SpectrogramResult& result, const QRect& target);

} // namespace vx
