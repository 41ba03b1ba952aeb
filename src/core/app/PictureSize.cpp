#include "app/PictureSize.h"

#include "platform/Format.h"

#include <cmath>

namespace vx {

namespace {

constexpr double kPointsPerCm = 72 / 2.54;

} // namespace

PictureSize pictureSize(PictureView view, bool inches, double width, double height)
{
    PictureSize out;
    const char* unit = inches ? "in" : "cm";
    for (const auto& [name, v] : {std::pair{"width", width}, {"height", height}})
        if (!(v > 0) || !std::isfinite(v)) {
            out.problem = std::string("The picture ") + name + " is " + formatShortest(v) + " " + unit
                        + "; it must be above 0.";
            return out;
        }
    const double points = inches ? 72 : kPointsPerCm;
    const double pixels = view == PictureView::spectrum ? points : (inches ? 300 : 300 / 2.54);
    const double w = std::trunc(width * pixels), h = std::trunc(height * pixels);
    if (w < 1 || h < 1) {
        out.problem = "The picture of " + formatShortest(width) + " x " + formatShortest(height) + " " + unit
                    + " is less than a pixel " + (w < 1 ? "wide" : "high") + ".";
        return out;
    }
    if (w > kMaxPicturePixels || h > kMaxPicturePixels) {
        out.problem = "The picture of " + formatShortest(width) + " x " + formatShortest(height) + " " + unit + " would be "
                    + formatShortest(w) + " x " + formatShortest(h) + " pixels; at most " + std::to_string(kMaxPicturePixels)
                    + " pixels a side can be drawn.";
        return out;
    }
    if (w * h * 4 > kMaxPictureBytes) {
        out.problem = "The picture of " + formatShortest(width) + " x " + formatShortest(height) + " " + unit + " would take "
                    + formatShortest(std::round(w * h * 4 / (1024 * 1024))) + " MB; at most "
                    + formatShortest(kMaxPictureBytes / (1024 * 1024)) + " MB can be drawn.";
        return out;
    }
    out.width = static_cast<int>(w);
    out.height = static_cast<int>(h);
    out.pointWidth = static_cast<int>(std::trunc(width * points));
    out.pointHeight = static_cast<int>(std::trunc(height * points));
    return out;
}

PictureSize pictureSize(PictureView view, const Settings& s)
{
    switch (view) {
    case PictureView::main: return pictureSize(view, s.m_bInches, s.m_dWidth, s.m_dHeight);
    case PictureView::spectrogram: return pictureSize(view, s.m_bSpecInches, s.m_dSpecWidth, s.m_dSpecHeight);
    case PictureView::spectrum: return pictureSize(view, s.m_bFFTInches, s.m_dFFTWidth, s.m_dFFTHeight);
    }
    return {};
}

} // namespace vx
