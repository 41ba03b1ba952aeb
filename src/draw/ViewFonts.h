#pragma once
// The fonts of the views. Sizes are set in pixels: a picture drawn at a pen
// factor scales the painter, which enlarges them once, and a printer's or a
// PDF's resolution does not enlarge them again.

#include "model/Labels.h"

#include <QFont>

namespace vx {

// The views' sans-serif text.
QFont viewFont(double pixels);
// A label's own font, its point size taken at 96 pixels an inch (a screen's).
QFont labelFont(const LabelFont& font);
// Measures label texts with labelFont, so that the places the core gives
// labels fit what is drawn. Needs a QGuiApplication.
void installTextMeasurer();

} // namespace vx
