// Pictures and printouts: each format's stored size, vectors and text read
// back, the main view's picture matching its screen drawing scaled by the
// pen factor, its Save as picture and a printout to a PDF file.

#include "draw/MainViewPicture.h"
#include "draw/PictureFile.h"
#include "gui/GuiSupport.h"
#include "gui/PictureSupport.h"

#include <QImageReader>
#include <QPrintDialog>
#include <QPrinter>

#include <gtest/gtest.h>

#include <filesystem>

using namespace vx;
using namespace vxtest;

namespace {

struct PdfContents {
    int pages = 0;
    double width = 0, height = 0; // points
    std::string text;
    int images = 0;
};

PdfContents readPdf(const std::string& path)
{
    PdfContents out;
    const QString info = QString::fromStdString(runCommand("pdfinfo " + q(path)).out);
    const auto size = QRegularExpression("Page size:\\s+([\\d.]+) x ([\\d.]+) pts").match(info);
    out.pages = QRegularExpression("Pages:\\s+(\\d+)").match(info).captured(1).toInt();
    out.width = size.captured(1).toDouble();
    out.height = size.captured(2).toDouble();
    out.text = runCommand("pdftotext " + q(path) + " -").out;
    // Two header lines, then a line an image.
    const std::string images = runCommand("pdfimages -list " + q(path) + " | tail -n +3 | wc -l").out;
    out.images = images.empty() ? 0 : std::stoi(images);
    return out;
}

// The print dialog answered with "print to this PDF file".
std::function<void(QDialog&)> printToPdf(const std::string& path)
{
    return [path](QDialog& d) {
        auto& dialog = dynamic_cast<QPrintDialog&>(d);
        dialog.printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog.printer()->setOutputFileName(QString::fromStdString(path));
        d.setResult(QDialog::Accepted);
    };
}

} // namespace

TEST(PictureFile, EachFormatStoresItsDisplaySizeAndKeepsTextAndLinesAsVectors)
{
    const PicturePainter paint = [](QPainter& p, const QRect& target) {
        p.setPen(QPen(Qt::black, 4));
        p.drawLine(target.topLeft(), target.bottomRight());
        QFont f("DejaVu Sans");
        f.setPixelSize(40);
        p.setFont(f);
        p.drawText(QPointF(50, 100), "Tier 1 tone H*");
    };
    const struct {
        PictureView view;
        bool inches;
        double width, height;
        const char* file;
        int pixelWidth, pixelHeight, pointWidth, pointHeight;
    } cases[] = {
        {PictureView::main, true, 6, 4, "main.tif", 1800, 1200, 432, 288},
        {PictureView::spectrum, true, 6, 4, "spectrum.tiff", 432, 288, 432, 288},
        // Centimetres: 300 pixels an inch as well.
        {PictureView::main, false, 10, 5, "main-cm.png", 1181, 590, 283, 141},
        {PictureView::main, true, 6, 4, "main.pdf", 1800, 1200, 432, 288},
        {PictureView::spectrum, true, 5, 3, "spectrum.svg", 360, 216, 360, 216},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const PictureSize size = pictureSize(c.view, c.inches, c.width, c.height);
        ASSERT_EQ(QSize(size.width, size.height), QSize(c.pixelWidth, c.pixelHeight));
        const std::string path = tempPath(c.file);
        ASSERT_EQ(writePicture(path, size, paint), "");
        switch (*pictureFormat(path)) {
        case PictureFormat::tiff:
        case PictureFormat::png: {
            QImageReader reader(QString::fromStdString(path));
            const QImage back = reader.read();
            ASSERT_EQ(back.size(), QSize(c.pixelWidth, c.pixelHeight)) << reader.errorString().toStdString();
            EXPECT_NEAR(back.width() * 72.0 / (back.dotsPerMeterX() * 0.0254), c.pointWidth, 1);
            EXPECT_NEAR(back.height() * 72.0 / (back.dotsPerMeterY() * 0.0254), c.pointHeight, 1);
            break;
        }
        case PictureFormat::pdf: {
            const PdfContents pdf = readPdf(path);
            EXPECT_EQ(pdf.pages, 1);
            EXPECT_NEAR(pdf.width, c.pointWidth, 0.5);
            EXPECT_NEAR(pdf.height, c.pointHeight, 0.5);
            EXPECT_NE(pdf.text.find("Tier 1 tone H*"), std::string::npos) << pdf.text;
            EXPECT_EQ(pdf.images, 0);
            break;
        }
        case PictureFormat::svg: {
            const QString svg = QString::fromStdString(readText(path));
            EXPECT_TRUE(svg.contains(QString("viewBox=\"0 0 %1 %2\"").arg(c.pixelWidth).arg(c.pixelHeight)));
            EXPECT_TRUE(svg.contains("width=\"127mm\"")); // 5 inches
            EXPECT_TRUE(svg.contains(">Tier 1 tone H*</text>"));
            EXPECT_GE(svgShapes(svg), 1);
            EXPECT_FALSE(svg.contains("<image"));
            break;
        }
        }
    }

    // Refusals write nothing, and a good file already there stays.
    const PictureSize good = pictureSize(PictureView::main, true, 1, 1);
    const std::string kept = tempPath("kept.png");
    ASSERT_EQ(writePicture(kept, good, paint), "");
    const std::vector<std::uint8_t> before = readBytes(kept);
    const std::string jpeg = tempPath("pict.jpg");
    EXPECT_TRUE(writePicture(jpeg, good, paint).contains(".tif, .png, .pdf or .svg"));
    EXPECT_FALSE(std::filesystem::exists(jpeg));
    EXPECT_TRUE(writePicture(kept, pictureSize(PictureView::main, true, 200, 1), paint).contains("32767"));
    EXPECT_FALSE(writePicture(tempPath("none") + "/pict.tif", good, paint).isEmpty());
    EXPECT_EQ(readBytes(kept), before);
}

class Pictures : public WindowTest {};

TEST_F(Pictures, MainViewPictureIsTheScreenDrawingScaledByThePenFactor)
{
    // The pitch track's blue dots.
    view().renderIfNeeded();
    const QImage screen = view().picture();
    ASSERT_FALSE(screen.isNull());

    PictureSize size;
    size.width = screen.width() * 4;
    size.height = screen.height() * 4;
    const QImage picture = drawPicture(size, [&](QPainter& p, const QRect& target) {
        paintMainView(p, window->model(), view().waveSummary().get(), target, 4);
    });
    const QRect a = boxOf(screen, isBlue), b = boxOf(picture, isBlue);
    ASSERT_FALSE(a.isEmpty());
    EXPECT_NEAR(b.left() / 4.0, a.left(), 1.5);
    EXPECT_NEAR(b.right() / 4.0, a.right(), 1.5);
    EXPECT_NEAR(b.top() / 4.0, a.top(), 1.5);
    EXPECT_NEAR(b.bottom() / 4.0, a.bottom(), 1.5);
}

TEST_F(Pictures, SaveAsPictureAndPrintWriteTheMainViewAndWhatCannotBeWrittenIsSaid)
{
    const std::filesystem::path folder = tempPath("main-pictures");
    std::filesystem::create_directories(folder);
    window->menus().update();
    dialogs.saveAnswer.clear();
    ASSERT_TRUE(window->menus().trigger(Command::SavePicture));
    EXPECT_EQ(dialogs.proposals.value(0), "pict.tif");
    EXPECT_TRUE(std::filesystem::is_empty(folder)) << "Cancel writes nothing";
    const std::string tif = (folder / "main.tif").string();
    dialogs.saveAnswer = QString::fromStdString(tif);
    ASSERT_TRUE(window->menus().trigger(Command::SavePicture));
    const PictureSize size = pictureSize(PictureView::main, session().doc().s);
    EXPECT_EQ(QImageReader(QString::fromStdString(tif)).size(), QSize(size.width, size.height))
        << dialogs.errors.join("\n").toStdString();

    // Printed to a PDF file: one landscape page, labels as text, no images;
    // the picture (its frame ends 5 pixels times the pen factor short of its
    // right edge) fills the page's width and is centred down it.
    const std::string pdfPath = (folder / "printed.pdf").string();
    dialogs.modalScript = printToPdf(pdfPath);
    ASSERT_TRUE(window->menus().trigger(Command::Print));
    ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
    const PdfContents pdf = readPdf(pdfPath);
    EXPECT_EQ(pdf.pages, 1);
    EXPECT_GT(pdf.width, pdf.height);
    EXPECT_NE(pdf.text.find("250"), std::string::npos) << pdf.text;
    EXPECT_EQ(pdf.images, 0);
    runCommand("pdftoppm -r 30 -png -singlefile " + q(pdfPath) + " " + q(pdfPath + "-page"));
    const QImage page(QString::fromStdString(pdfPath + "-page.png"));
    ASSERT_FALSE(page.isNull());
    const QRect ink = boxOf(page, [](QRgb p) { return qGray(p) < 200; });
    EXPECT_LE(page.width() - 1 - ink.right(), 4);
    EXPECT_NEAR(ink.top(), page.height() - 1 - ink.bottom(), 8);

    dialogs.modalScript = printToPdf(tempPath("none") + "/printed.pdf");
    ASSERT_TRUE(window->menus().trigger(Command::Print));
    EXPECT_TRUE(dialogs.errors.join("\n").contains("could not be written")) << dialogs.errors.join("\n").toStdString();
    // A size the settings give that cannot be drawn: nothing asked.
    session().changeSettings(OptionGroup::Display, [](Document& d) { d.s.m_dWidth = 0; });
    dialogs.proposals.clear();
    window->menus().trigger(Command::SavePicture);
    EXPECT_TRUE(dialogs.proposals.isEmpty());
    EXPECT_TRUE(dialogs.errors.join("\n").contains("The picture size cannot be drawn."));
}
