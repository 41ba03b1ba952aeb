#pragma once
// Drawing the spectrum slice: grids, the FFT spectrum, the LPC envelope and
// the marker. The same function draws the window and a saved picture.

#include "spectrum/SliceDisplay.h"

#include <QPainter>
#include <QRect>
#include <QSize>

namespace vx {

// The display's graph in a view of `size`, laid out by the display; with
// `withCursor` the mouse's line too.
void drawSlice(QPainter& p, const SliceDisplay& display, QSize size, bool withCursor);

// A picture: the display laid out again for target's size divided by the
// pen factor, drawn scaled up into `target`, without the mouse's line.
void paintSlice(QPainter& p, const SliceDisplay& display, const QRect& target, double penFactor);

} // namespace vx
