#include "app/PictureSize.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

using namespace vx;

TEST(PictureSize, TheSizesOfEachViewAndWhatIsRefused)
{
    const struct {
        PictureView view;
        bool inches;
        double width, height;
        int pixelsW, pixelsH, pointsW, pointsH;
    } sizes[] = {
        {PictureView::spectrogram, true, 6, 4, 1800, 1200, 432, 288},
        {PictureView::spectrum, true, 6, 4, 432, 288, 432, 288},
        // Centimetres: 300 pixels per inch as well, 72 points per inch.
        {PictureView::main, false, 15, 10, 1771, 1181, 425, 283},
        {PictureView::spectrum, false, 15, 10, 425, 283, 425, 283},
    };
    for (const auto& s : sizes) {
        const PictureSize p = pictureSize(s.view, s.inches, s.width, s.height);
        EXPECT_EQ(std::tuple(p.problem, p.width, p.height, p.pointWidth, p.pointHeight),
                  std::tuple("", s.pixelsW, s.pixelsH, s.pointsW, s.pointsH));
    }
    EXPECT_EQ(pictureSize(PictureView::spectrum, makeDefaultSettings(22050)).width, 432);

    const std::tuple<double, double, const char*> refused[] = { // width, height, the reason given
        {0, 4, "The picture width is 0 in; it must be above 0."},
        {6, -1, "The picture height is -1 in; it must be above 0."},
        {std::nan(""), 4, "The picture width is nan in"},
        {std::numeric_limits<double>::infinity(), 4, "it must be above 0"},
        {0.001, 4, "is less than a pixel wide"},
        {110, 4, "would be 33000 x 1200 pixels; at most 32767 pixels a side"},
        {60, 60, "would take 1236 MB; at most 400 MB"},
    };
    for (const auto& [width, height, says] : refused) {
        const PictureSize p = pictureSize(PictureView::main, true, width, height);
        EXPECT_NE(p.problem.find(says), std::string::npos) << p.problem;
        EXPECT_EQ(p.width, 0);
    }
}
