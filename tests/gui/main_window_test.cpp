// The desktop windows driven as a user would: files opened through the
// document controller, real widgets, synthesized mouse events.

#include "gui/GuiSupport.h"
#include "gui/platform/LocalPath.h"

#include <QAction>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <filesystem>

using namespace vx;
using namespace vxtest;

namespace {

class Gui : public WindowTest {
protected:
    void trigger(Command name)
    {
        QAction* a = window->action(name);
        ASSERT_NE(a, nullptr) << commandInfo(name).text;
        ASSERT_TRUE(a->isEnabled()) << commandInfo(name).text;
        a->trigger();
        QApplication::processEvents();
    }
};

} // namespace

TEST_F(Gui, OpensWithTitleAnalysesAndRefusesAFileItCannotRead)
{
    EXPECT_TRUE(window->model().pitch().has_value()) << "analysis starts on open";

    const std::string bad = vxtest::tempPath("notes.wav");
    vxtest::writeBytes(bad, {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                             6, 0, 1, 0, 0x40, 0x1F, 0, 0, 0, 0, 0, 0, 1, 0, 8, 0});
    EXPECT_EQ(controller.openFile(QString::fromStdString(bad)), nullptr);
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains("notes.wav"));
    EXPECT_TRUE(dialogs.errors[0].contains("A-law")) << dialogs.errors[0].toStdString();
    EXPECT_EQ(controller.sessions().size(), 1u);
    EXPECT_EQ(controller.recentFiles().value(0), QFileInfo(QString::fromStdString(path)).absoluteFilePath());
}

// The model's drag and zoom rules are the core's tests; here the window's
// mouse, commands, keys and scroll bar reach them.
TEST_F(Gui, ADragAZoomCommandTheScrollBarAndAShortcutReachTheModel)
{
    QTest::mousePress(&view(), Qt::LeftButton, {}, QPoint(xOf(500), 100));
    QTest::mouseMove(&view(), QPoint(xOf(500) + 50, 100));
    QTest::mouseMove(&view(), QPoint(xOf(500) + 100, 100));
    QTest::mouseRelease(&view(), Qt::LeftButton, {}, QPoint(xOf(500) + 100, 100));
    const double expected = 100 * 2000.0 / window->model().geometry().dataArea.width();
    EXPECT_EQ(window->readout("Duration"), QString::asprintf("%.1f", expected));
    EXPECT_TRUE(window->action(Command::SaveSelectionAs)->isEnabled());

    trigger(Command::ZoomIn);
    EXPECT_EQ(channel().m_dPageMin, 5000.0);
    EXPECT_EQ(channel().m_dPageMax, 15000.0);
    window->scrollBar().setValue(window->scrollBar().maximum());
    view().renderIfNeeded();
    EXPECT_EQ(channel().m_dPageMin, 10000.0) << "scrolled to the end";
    QTest::keyClick(window, Qt::Key_0, Qt::ControlModifier); // zoom home
    EXPECT_EQ(channel().m_dPageMin, 0.0);
    EXPECT_EQ(channel().m_dPageMax, 20000.0);
}

TEST_F(Gui, ThePictureHasTheStripsAtTheirRowsAndSharpTextAndAMouseMoveDoesNotRenderIt)
{
    Channels& c = channel();
    c.m_Tiers[0].bSelected = true;
    c.m_Tiers[1].bSelected = true;
    window->model().doc().s.m_nAudioHeight = 200;
    window->resize(845, 760);
    QApplication::processEvents();
    window->model().m_bViewIntilized = false; // settings changed: lay out again
    view().repaint();
    const int w = view().width(), h = view().height();
    ASSERT_GT(h, 300);
    const QImage& img = view().picture();
    ASSERT_EQ(img.size(), QSize(w, h) * view().devicePixelRatioF()) << "rendered at the screen's pixel ratio";
    // The strips' rows are the core's layout; pixels at view coordinates,
    // whatever the pixel ratio.
    const qreal dpr = img.devicePixelRatio();
    auto at = [&](int x, int y) { return img.pixelColor(int(x * dpr), int(y * dpr)); };
    auto black = [&](int x, int y) { return at(x, y) == QColor(Qt::black); };
    EXPECT_TRUE(black(400, 20)) << "second tier frame";
    EXPECT_TRUE(black(760, 40)) << "waveform strip frame, where the quiet part leaves it uncovered";
    EXPECT_TRUE(black(760, 239)) << "its bottom";
    EXPECT_EQ(at(400, h - 20), QColor(200, 200, 200)) << "the 50 Hz grid line at the pitch strip's bottom";
    // The time labels are drawn at the device resolution (the test runs again
    // at a pixel ratio of 2): an enlarged 1x picture has uniform 2x2 blocks.
    int mixed = 0;
    for (int y = int((h - 18) * dpr); y + 1 < int(h * dpr); y += 2)
        for (int x = 100; x + 1 < img.width(); x += 2) {
            const QRgb p = img.pixel(x, y);
            mixed += p != img.pixel(x + 1, y) || p != img.pixel(x, y + 1) || p != img.pixel(x + 1, y + 1);
        }
    EXPECT_TRUE(dpr < 2 || mixed > 20) << mixed;

    view().repaint();
    QApplication::processEvents();
    const int renders = view().renderCount();
    for (int x = 100; x < 700; x += 50)
        QTest::mouseMove(&view(), QPoint(x, h / 2));
    QApplication::processEvents();
    EXPECT_EQ(view().renderCount(), renders) << "moving the mouse only composites";
    trigger(Command::ZoomIn);
    view().repaint();
    EXPECT_EQ(view().renderCount(), renders + 1) << "a new page renders once";
}

TEST_F(Gui, SavesNeverReplaceAGoodFileWithABadOne)
{
    // Save on a WAVE document asks for a native file name; the WAVE stays.
    const auto wavBefore = vxtest::readBytes(path);
    const QString vxt = QString::fromStdString(vxtest::tempPath("saved.vxt"));
    dialogs.saveAnswer = vxt;
    window->model().doc().setDirty();
    trigger(Command::Save);
    EXPECT_EQ(dialogs.proposals.value(0).toStdString(), QFileInfo(QString::fromStdString(path)).completeBaseName().toStdString() + ".vxt");
    EXPECT_EQ(vxtest::readBytes(path), wavBefore);
    EXPECT_EQ(std::filesystem::file_size(vxt.toStdString()), 512u + 248 + 2 * 20000);
    EXPECT_FALSE(window->isWindowModified());

    // An empty selection exports nothing and says why.
    window->model().EditSelectAll();
    channel().m_dDurationStopFile = channel().m_dDurationStartFile = 100;
    window->updateActions();
    const QString empty = QString::fromStdString(vxtest::tempPath("empty.wav"));
    dialogs.saveAnswer = empty;
    trigger(Command::ExportSelectionAs);
    EXPECT_FALSE(QFileInfo::exists(empty));
    EXPECT_TRUE(dialogs.errors.last().contains("no samples"));

    // A folder that cannot be written reports the failure.
    dialogs.saveAnswer = "/nonexistent-folder/out.wav";
    trigger(Command::ExportAs);
    EXPECT_TRUE(dialogs.errors.last().contains("File did not save."));
}

TEST_F(Gui, ASecondAnalysisReplacesTheFirstAndClosingJoinsTheWorker)
{
    window->analysis().start();
    window->analysis().start();
    ASSERT_NO_FATAL_FAILURE(waitForAnalysis(*window));
    EXPECT_TRUE(window->model().pitch().has_value());
    window->analysis().start();
    EXPECT_TRUE(window->close());
    QApplication::processEvents();
    EXPECT_TRUE(controller.sessions().empty());
    window = nullptr;
}

TEST_F(Gui, DroppingFilesOnAWindowOpensThem)
{
    // A name written under a Latin-1 locale, with a line feed in it, opens and
    // is one name in the recent list; a text file is refused with a message.
    const std::string odd = vxtest::tempPath("caf\xe9\nold.wav");
    vxtest::writeBytes(odd, vxtest::makeWave(std::vector<std::int16_t>(800, 1000), 1, 8000));
    const std::string text = vxtest::tempPath("notes.txt");
    vxtest::writeBytes(text, {'h', 'i', '\n'});
    QMimeData mime;
    mime.setUrls({QUrl::fromEncoded("file://" + QByteArray::fromStdString(odd).toPercentEncoding("/")),
                  QUrl::fromLocalFile(QString::fromStdString(text))});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    ASSERT_EQ(controller.sessions().size(), 2u) << dialogs.errors.join("\n").toStdString();
    EXPECT_EQ(localPath(controller.sessions().back()->path()), odd);
    EXPECT_TRUE(controller.sessions().back()->mainWindow()->windowTitle().contains(QString::fromUtf8("caf\uFFFD")));
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains("notes.txt"));
    EXPECT_EQ(localPath(controller.recentFiles().value(0)), odd);
    EXPECT_EQ(controller.recentFiles().value(1), QFileInfo(QString::fromStdString(path)).absoluteFilePath())
        << "one name, one entry";
}
