#pragma once
// Drawing the main view: the same function draws the window's picture, a
// saved picture and a printout.

#include "mainview/MainViewModel.h"
#include "model/SampleSummary.h"

#include <QPainter>
#include <QRect>

namespace vx {

// The model's page laid out by `geometry` (the model's own, or one from
// geometryFor for another size), in that geometry's pixels. Reads the
// document only.
void drawMainView(QPainter& p, const MainViewModel& model, const ViewGeometry& geometry, const SampleSummary* summary);

// The model's page drawn into `target` with every pixel dimension (margins,
// tier bands, lines, dots, fonts) multiplied by `penFactor`: laid out for
// target's size divided by the factor and scaled up by the painter, so that
// it shows what the window shows, and stays vectors on a vector device.
void paintMainView(QPainter& p, const MainViewModel& model, const SampleSummary* summary, const QRect& target,
                   double penFactor);

} // namespace vx
