#include "app/PictureSize.h"
#include "gui/platform/PictureFile.h"
#include "support/SoundFiles.h"

#include <QFile>
#include <QImageReader>

#include <gtest/gtest.h>

#include <cmath>

using namespace vx;

TEST(PictureFile, StoresItsDisplaySizeAndRefusesWhatItCannotWrite)
{
    const PictureSize size = pictureSize(PictureView::main, true, 6, 4);
    QImage image(size.width, size.height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    for (const char* name : {"pict.tif", "pict.png"}) {
        SCOPED_TRACE(name);
        const QString path = QString::fromStdString(vxtest::tempPath(name));
        ASSERT_EQ(writePictureFile(image, path, size.pointWidth, size.pointHeight), "");
        QImageReader reader(path);
        const QImage back = reader.read();
        ASSERT_FALSE(back.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(back.size(), QSize(1800, 1200));
        // 300 pixels per inch: 432 x 288 points.
        EXPECT_NEAR(back.dotsPerMeterX() * 0.0254, 300, 0.5);
        EXPECT_NEAR(back.width() * 72.0 / (back.dotsPerMeterX() * 0.0254), 432, 1);
        EXPECT_NEAR(back.height() * 72.0 / (back.dotsPerMeterY() * 0.0254), 288, 1);
    }
    // Another extension, a folder that is not there: nothing written.
    const QString jpeg = QString::fromStdString(vxtest::tempPath("pict.jpg"));
    EXPECT_TRUE(writePictureFile(image, jpeg, 432, 288).contains(".tif or .png"));
    EXPECT_FALSE(QFile::exists(jpeg));
    const QString nowhere = QString::fromStdString(vxtest::tempPath("none")) + "/pict.tif";
    EXPECT_FALSE(writePictureFile(image, nowhere, 432, 288).isEmpty());
    EXPECT_FALSE(QFile::exists(nowhere));
}
