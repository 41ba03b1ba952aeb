// The measurement log window: filled by the windows' entry commands (whose
// rows are the core's test), saved, read back, closed or quit unsaved.

#include "gui/GuiSupport.h"
#include "gui/log/LogViewController.h"
#include "gui/spectrogram/SpectrogramWindow.h"

#include <QClipboard>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTableView>

#include <fstream>

using namespace vx;
using namespace vxtest;

namespace {

class LogWindow : public WindowTest {
protected:
    void TearDown() override
    {
        if (controller.logView())
            controller.logView()->hide();
        WindowTest::TearDown();
    }
    bool enabled(Command id)
    {
        window->menus().update();
        return window->menus().isEnabled(id);
    }
    LogViewController& openNewLog()
    {
        EXPECT_TRUE(enabled(Command::NewLog));
        window->menus().trigger(Command::NewLog);
        return *controller.logView();
    }
    std::string defOf(std::size_t row) { return controller.logView()->log().cell(row, 2); }
};

} // namespace

TEST_F(LogWindow, NewAndOpenOnlyWhileHiddenAndTheMainViewsEntriesOnlyWhileShown)
{
    QTest::mouseClick(&view(), Qt::LeftButton, {}, QPoint(xOf(500), 100));
    ASSERT_TRUE(window->model().m_bHaveMarker);
    EXPECT_TRUE(enabled(Command::OpenLog));
    EXPECT_FALSE(enabled(Command::LogMarker)) << "no log window to take the entry";

    LogViewController& log = openNewLog();
    EXPECT_TRUE(window->action(Command::LogMarker)->isEnabled())
        << "the shortcut works at once: the action follows the log window without a menu being opened";
    EXPECT_FALSE(enabled(Command::NewLog));
    EXPECT_FALSE(enabled(Command::OpenLog));
    EXPECT_FALSE(enabled(Command::LogFormantsMarker)) << "the main view has no formants";

    window->menus().trigger(Command::LogMarker);
    ASSERT_EQ(log.log().rowCount(), 1u);
    EXPECT_EQ(defOf(0), "Marker Entry: time ,cha");
    EXPECT_EQ(log.log().cell(0, 1), window->session().displayName().toStdString());
    EXPECT_TRUE(log.isWindowModified());

    QTest::mousePress(&view(), Qt::LeftButton, {}, QPoint(xOf(200), 100));
    QTest::mouseMove(&view(), QPoint(xOf(400), 100));
    QTest::mouseRelease(&view(), Qt::LeftButton, {}, QPoint(xOf(600), 100));
    window->menus().trigger(Command::LogDuration);
    EXPECT_EQ(defOf(1), "Duration Entry: start, end, duration ");
    window->menus().trigger(Command::LogPitchSelection);
    EXPECT_GT(log.log().rowCount(), 12u) << "one row per pitch frame in 400 ms";
    EXPECT_EQ(defOf(2), "Pitch Selection Entry: time, pitch, intensity ");
    EXPECT_GE(std::stod(log.log().cell(2, 3)), 200 - 2 * 2000.0 / 790) << "from the selection's start";
    window->menus().trigger(Command::LogPitchAll);
    EXPECT_EQ(defOf(log.log().rowCount() - 1), "Pitch All Entry: time, pitch, intensity ");
    EXPECT_EQ(log.table().verticalScrollBar()->value(), log.table().verticalScrollBar()->maximum())
        << "the newest row is in view";

    log.hide();
    EXPECT_FALSE(window->action(Command::LogMarker)->isEnabled());
    EXPECT_TRUE(enabled(Command::NewLog)) << "closing the window enables them again";
    // New Log starts again from the four fixed columns, whatever the last had.
    window->menus().trigger(Command::NewLog);
    EXPECT_EQ(log.log().rowCount(), 0u);
    EXPECT_EQ(log.log().columnCount(), 4);
}

TEST_F(LogWindow, SaveRunsSaveAsThenTheFileReadsBackCellForCell)
{
    LogViewController& log = openNewLog();
    EXPECT_FALSE(enabled(Command::SaveLogAs)) << "a log never saved is saved through Save";
    QTest::mouseClick(&view(), Qt::LeftButton, {}, QPoint(xOf(700), 100));
    window->menus().trigger(Command::LogMarker);
    window->menus().trigger(Command::LogPitchAtMarker);

    const QModelIndex comment = log.model().index(1, log.log().columnCount() - 1);
    ASSERT_TRUE(log.model().flags(comment) & Qt::ItemIsEditable);
    log.model().setData(comment, QString::fromUtf8("voix cass\u00e9e\tcreaky"), Qt::EditRole);

    const QString path = QString::fromStdString(tempPath("session-log.txt"));
    QFile::remove(path);
    dialogs.saveAnswer = path;
    window->menus().trigger(Command::SaveLog);
    EXPECT_EQ(dialogs.proposals.value(0), "logFile.txt");
    EXPECT_FALSE(log.log().isDirty());
    EXPECT_TRUE(enabled(Command::SaveLogAs));

    // Read back through the program. (The file's cells are the core's test.)
    const LogTable before = log.log();
    log.hide();
    dialogs.toOpen = QStringList{path};
    window->menus().trigger(Command::OpenLog);
    ASSERT_TRUE(log.isVisible()) << dialogs.errors.join("\n").toStdString();
    ASSERT_EQ(log.log().columnCount(), before.columnCount());
    ASSERT_EQ(log.log().rowCount(), before.rowCount());
    EXPECT_EQ(log.log().cell(1, log.log().columnCount() - 1), "voix cass\xc3\xa9" "e creaky");

    // Copy gives tab-separated cells; Delete Rows removes the rows.
    log.table().selectionModel()->select(QItemSelection(log.model().index(0, 1), log.model().index(1, 3)),
                                         QItemSelectionModel::Select);
    log.runCommand(Command::Copy);
    const QString copied = QApplication::clipboard()->text();
    EXPECT_TRUE(copied.startsWith(window->session().displayName() + "\tMarker Entry: time ,cha\t"));
    log.table().clearSelection();
    log.runCommand(Command::SelectAll);
    log.runCommand(Command::DeleteRows);
    EXPECT_EQ(log.log().rowCount(), 0u);
}

TEST_F(LogWindow, AFileThatIsNotALogOrAFailedSaveKeepsTheUnsavedRowsAndClosingOrQuittingAsks)
{
    LogViewController& log = openNewLog();
    window->menus().trigger(Command::LogPitchAll);
    const std::size_t rows = log.log().rowCount();
    ASSERT_GT(rows, 0u);
    const std::string bad = tempPath("not-a-log.txt");
    std::ofstream(bad) << "just one column\nof words\n";
    EXPECT_FALSE(controller.openLog(QString::fromStdString(bad)));
    EXPECT_TRUE(dialogs.errors.value(0).contains("not-a-log.txt"));
    EXPECT_EQ(log.log().rowCount(), rows);
    EXPECT_EQ(log.windowTitle(), "Untitled[*]");

    dialogs.alertAnswers = {-1};
    log.close();
    EXPECT_EQ(dialogs.alerts.value(0), "Save changes before closing?");
    EXPECT_TRUE(log.isVisible()) << "Cancel";

    // Save to a folder that does not exist: the save fails, says so, and the
    // window stays open with its rows unsaved.
    dialogs.alertAnswers = {1};
    dialogs.saveAnswer = QString::fromStdString(tempPath("no-such-folder/log.txt"));
    log.close();
    EXPECT_TRUE(log.isVisible());
    EXPECT_TRUE(log.log().isDirty());
    ASSERT_EQ(dialogs.errors.size(), 2);
    EXPECT_TRUE(dialogs.errors[1].contains("log.txt")) << dialogs.errors[1].toStdString();

    // Quitting asks too; Cancel keeps the documents open.
    dialogs.alertAnswers = {-1};
    EXPECT_FALSE(controller.closeAll());
    EXPECT_EQ(dialogs.alerts.size(), 3);
    EXPECT_EQ(controller.sessions().size(), 1u);

    dialogs.alertAnswers = {0};
    log.close();
    EXPECT_FALSE(log.isVisible()) << "Don't save";
}

TEST_F(LogWindow, SpectrogramEntriesGoToTheShownLogOnly)
{
    window->session().changeSettings(OptionGroup::Spectrogram, [](Document& d) {
        d.s.m_bSpecDrawFormantTracking = true;
        d.s.m_dLogStepSize = 10;
    });
    window->menus().trigger(Command::Spectrogram);
    auto* s = qobject_cast<SpectrogramWindow*>(window->session().windows().back());
    ASSERT_NE(s, nullptr);
    s->resize(700, 400);
    ASSERT_TRUE(
        waitUntil([&] { return s->layout().client.width() == s->view().width() && !s->busy() && s->result(); }));
    const Rect r = s->layout().spectrogram;
    ASSERT_TRUE(s->mousePressed(QPointF(r.left + 100, r.top + 50)));
    ASSERT_TRUE(s->mouseDragged(QPointF(r.left + 300, r.top + 50)));
    s->mouseReleased();
    s->menus().update();
    EXPECT_FALSE(s->menus().isEnabled(Command::LogDuration)) << "no log window";

    LogViewController& log = openNewLog();
    s->menus().update();
    EXPECT_FALSE(s->menus().isEnabled(Command::LogPitchAll)) << "a main-view entry";
    s->menus().trigger(Command::LogDuration);
    EXPECT_EQ(defOf(0), "Duration Entry: start, end, duration ");
    const double length = std::stod(log.log().cell(0, 5));
    s->menus().trigger(Command::LogFormantsSelection);
    EXPECT_EQ(defOf(1), "Spec. Formants Duration Entry: time, F1, F2, F3, F4, F5 ");
    EXPECT_EQ(log.log().rowCount() - 1, static_cast<std::size_t>(std::ceil(length / 10 - 1e-9)))
        << "one row per step of the log's 10 ms";
}
