// The labelling windows on a main window: the label editor, the label list,
// the tier dialog, and the question before a save that drops hidden labels.

#include "gui/GuiSupport.h"
#include "gui/labels/LabelEditor.h"
#include "gui/labels/LabelView.h"
#include "gui/labels/TierDialog.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>

#include <clocale>

using namespace vx;
using namespace vxtest;

namespace {

class LabelsGui : public WindowTest {
protected:
    void showTier(int i)
    {
        channel().m_Tiers[static_cast<std::size_t>(i)].bSelected = true;
        window->session().labelsEdited(nullptr);
        view().renderIfNeeded();
    }
    QPoint inTier(int i, int x)
    {
        const Rect& band = window->model().geometry().tiers[static_cast<std::size_t>(i)];
        return {x, (band.top + band.bottom) / 2};
    }
    QPoint centreOf(const Labels* l)
    {
        view().renderIfNeeded();
        const PlacedLabel* p = window->model().geometry().find(l);
        return p ? QPoint((p->rect.left + p->rect.right) / 2, (p->rect.top + p->rect.bottom) / 2) : QPoint(-1, -1);
    }
    labelController& editor() { return labelController::shared(); }
    // Clicks at p and, when the editor opens, types `text` and presses Enter.
    void clickAndType(QPoint p, const QString& text)
    {
        QTest::mouseClick(&view(), Qt::LeftButton, {}, p);
        ASSERT_TRUE(editor().isVisible()) << "the release in a tier opens the editor";
        editor().textField().selectAll();
        if (text.isEmpty())
            editor().textField().del();
        else
            QTest::keyClicks(&editor().textField(), text);
        QTest::keyClick(&editor().textField(), Qt::Key_Return);
    }
    std::vector<LabelPtr>& tierLabels(int i) { return channel().m_Tiers[static_cast<std::size_t>(i)].m_pArrayLabels; }
    double pixelTime(int x) { return channel().GetCursorTime({double(x - 50), 0}, window->model().geometry().dataArea.width()); }
    void TearDown() override
    {
        editor().cancelButton();
        WindowTest::TearDown();
    }
};

} // namespace

TEST_F(LabelsGui, TheEditorAddsEditsRejustifiesAndDeletesLabelsAndRefusesATextLongerThanItsField)
{
    showTier(1);

    // Cancel and an empty text add nothing and leave the document clean.
    QTest::mouseClick(&view(), Qt::LeftButton, {}, inTier(1, 200));
    QTest::keyClicks(&editor().textField(), "nope");
    QTest::mouseClick(&editor().cancel(), Qt::LeftButton);
    EXPECT_FALSE(editor().isVisible());
    clickAndType(inTier(1, 200), "");
    EXPECT_TRUE(tierLabels(1).empty());
    EXPECT_FALSE(window->model().doc().isDocumentEdited());

    // A new label at the press time, on the clicked tier.
    clickAndType(inTier(1, 300), "hello");
    ASSERT_EQ(tierLabels(1).size(), 1u);
    Labels* label = tierLabels(1)[0].get();
    EXPECT_EQ(label->getLabelText(), "hello");
    EXPECT_NEAR(label->dTime, pixelTime(300), 1e-9);
    EXPECT_TRUE(window->isWindowModified());

    // Edited: the text, the line and the justification; drawn ending at its
    // time. (Where each justification places a label is the core's test.)
    QTest::mouseClick(&view(), Qt::LeftButton, {}, centreOf(label));
    ASSERT_TRUE(editor().editingLabel());
    EXPECT_EQ(editor().textField().text(), "hello");
    editor().textField().selectAll();
    QTest::keyClicks(&editor().textField(), "world");
    QTest::mouseClick(&editor().justifyButton(2), Qt::LeftButton);
    QTest::mouseClick(&editor().lineBox(), Qt::LeftButton);
    QTest::mouseClick(&editor().ok(), Qt::LeftButton);
    ASSERT_EQ(tierLabels(1).size(), 1u);
    EXPECT_EQ(label->getLabelText(), "world");
    EXPECT_TRUE(label->bAddLine);
    view().renderIfNeeded();
    ASSERT_NE(window->model().geometry().find(label), nullptr);
    EXPECT_EQ(window->model().geometry().find(label)->rect.right, 300) << "right-justified: ends at its time";

    // An empty text deletes it.
    clickAndType(centreOf(label), "");
    EXPECT_TRUE(tierLabels(1).empty());

    // 128 two-byte characters are longer than the field's 255 bytes: refused.
    QTest::mouseClick(&view(), Qt::LeftButton, {}, inTier(1, 300));
    editor().textField().setText(QString(128, QChar(0xE9)));
    QTest::mouseClick(&editor().ok(), Qt::LeftButton);
    EXPECT_TRUE(editor().isVisible());
    EXPECT_TRUE(editor().message().contains("256 bytes")) << editor().message().toStdString();
    EXPECT_TRUE(tierLabels(1).empty());
    editor().textField().setText(QString(127, QChar(0xE9)) + "a");
    QTest::mouseClick(&editor().ok(), Qt::LeftButton);
    ASSERT_EQ(tierLabels(1).size(), 1u);
    EXPECT_EQ(tierLabels(1)[0]->getLabelText().size(), 255u);
}

TEST_F(LabelsGui, ADragMovesALabelATallOneGrowsItsTierAndOkDoesNothingOnceItsLabelOrDocumentHasGone)
{
    showTier(0);
    showTier(1);
    clickAndType(inTier(1, 300), "drag");
    ASSERT_EQ(tierLabels(1).size(), 1u);
    Labels* label = tierLabels(1)[0].get();
    const double before = label->dTime;
    const QPoint from = centreOf(label);
    QTest::mousePress(&view(), Qt::LeftButton, {}, from);
    QTest::mouseMove(&view(), from + QPoint(20, 0));
    QTest::mouseMove(&view(), from + QPoint(40, 0));
    QTest::mouseRelease(&view(), Qt::LeftButton, {}, from + QPoint(40, 0));
    EXPECT_FALSE(editor().isVisible()) << "a drag opens no editor";
    EXPECT_NEAR(label->dTime - before, pixelTime(340) - pixelTime(300), 1e-6);

    // A 40-point font makes a label taller than the 20-pixel tier 0.
    const int audioTop = window->model().layout().audio.top;
    QTest::mouseClick(&view(), Qt::LeftButton, {}, inTier(0, 500));
    dialogs.fontAnswer = QFont("DejaVu Sans", 40);
    QTest::keyClicks(&editor().textField(), "TALL");
    editor().fontButton();
    QTest::mouseClick(&editor().ok(), Qt::LeftButton);
    ASSERT_EQ(tierLabels(0).size(), 1u);
    const int h = truncInt(measureText("TALL", tierLabels(0)[0]->mFont).height);
    ASSERT_GT(h, 20);
    EXPECT_EQ(channel().m_Tiers[0].nHeigth, h);
    view().renderIfNeeded();
    EXPECT_EQ(window->model().layout().audio.top, audioTop + h - 20) << "the bands below move down";
    QTest::mouseClick(&view(), Qt::LeftButton, {}, centreOf(label));
    ASSERT_TRUE(editor().isVisible() && editor().editingLabel()) << "and is hit where it is now drawn";

    // Another window of the document removes the label meanwhile: OK does nothing.
    auto* other = new MainWindow(window->session());
    other->view().resize(600, 300);
    other->model().SetupDisplay(600, 300);
    ASSERT_TRUE(other->model().RemoveLabel(1, label));
    other->view().labelsEditedHere();
    ASSERT_TRUE(tierLabels(1).empty());
    editor().textField().setText("written into a freed label");
    QTest::mouseClick(&editor().ok(), Qt::LeftButton);
    EXPECT_TRUE(tierLabels(1).empty());
    delete other;

    // A click in the waveform before OK does not move a new label off its tier.
    QTest::mouseClick(&view(), Qt::LeftButton, {}, inTier(1, 400));
    QTest::mouseClick(&view(), Qt::LeftButton, {}, QPoint(450, window->model().layout().audio.top + 30));
    EXPECT_EQ(window->model().m_nTierCliked, -1);
    QTest::keyClicks(&editor().textField(), "kept");
    QTest::mouseClick(&editor().ok(), Qt::LeftButton);
    ASSERT_EQ(tierLabels(1).size(), 1u);
    EXPECT_NEAR(tierLabels(1)[0]->dTime, pixelTime(400), 1e-9) << "at the press that opened the editor";

    // The document closes with the editor open: it hides and OK does nothing.
    QTest::mouseClick(&view(), Qt::LeftButton, {}, centreOf(tierLabels(1)[0].get()));
    ASSERT_TRUE(editor().isVisible());
    dialogs.saveChoice = SaveChoice::Discard;
    window->close();
    EXPECT_TRUE(waitUntil([&] { return !editor().isVisible(); }, 5000));
    EXPECT_EQ(editor().view(), nullptr);
    editor().okButton();
    window = nullptr;
}

TEST_F(LabelsGui, TheListNumbersEveryLabelFollowsChangesAndItsZoomCentresTheView)
{
    auto put = [&](int tier, double t, const char* text) {
        LabelRecord r;
        r.strText = text;
        r.bounds = {0, 0, 12, 20};
        channel().Tier_Add_Label_Cocoa_Where(tier, r, {0, 50, 300, 840}, {0, 50, 20, 840}, t);
    };
    put(2, 1234.56, "b2");
    put(0, 1500.0, "t1");
    put(0, 250.04, "t2");
    showTier(0); // hidden tier 2's label is listed too

    window->menus().trigger(Command::LabelList);
    LabelView* list = window->labelView();
    ASSERT_NE(list, nullptr);
    LabelTableModel& m = list->model();
    auto row = [&](int r) {
        QStringList cells;
        for (int c = 0; c < 4; ++c)
            cells << m.data(m.index(r, c), Qt::DisplayRole).toString();
        return cells.join("|");
    };
    ASSERT_EQ(m.rowCount(), 3) << "(the order of the rows is the core's test)";

    // A label added in the main view appears.
    view().renderIfNeeded();
    clickAndType(inTier(0, 600), "new");
    ASSERT_EQ(m.rowCount(), 4);
    EXPECT_EQ(row(2), QString("3|tones|new|%1").arg(QString::fromStdString(formatFixed1(pixelTime(600)))));

    // Zoom on a selected row centres the view, under a locale with a decimal
    // comma (installed with the project's packages).
    ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale is missing";
    list->setup();
    list->table().selectRow(3);
    EXPECT_EQ(row(3), "4|breaks|b2|1234.6") << "a decimal point whatever the locale";
    QTest::mouseClick(&list->zoom(), Qt::LeftButton);
    std::setlocale(LC_NUMERIC, "C");
    const double centre = (window->model().m_dTimePageMin + window->model().m_dTimePageMax) / 2;
    EXPECT_NEAR(centre, 1234.56, 0.2);
    EXPECT_GT(window->scrollBar().value(), 0) << "the scroll bar follows the jump";

    // The list belongs to the document: it closes with it.
    QPointer<LabelView> guard(list);
    dialogs.saveChoice = SaveChoice::Discard;
    window->close();
    EXPECT_TRUE(waitUntil([&] { return guard.isNull(); }, 5000));
    window = nullptr;
}

TEST_F(LabelsGui, TheTierDialogAppliesAllTenRowsOnOkNothingOnCancelAndRefusesLongNames)
{
    const auto names = [&] {
        std::vector<std::string> out;
        for (const TIERS& t : channel().m_Tiers)
            out.push_back(t.strName + (t.bSelected ? "+" : ""));
        return out;
    };
    const std::vector<std::string> before = names();
    std::vector<std::string> edited = before;
    edited[0] += "+";
    edited[4] += "+";
    edited[8] = "gestures";
    const int audioTop = window->model().layout().audio.top;
    // Rows 1 and 5 shown, row 9 renamed (where `edit`), row 3 named `third`.
    const struct {
        const char* name;
        bool edit, ok;
        QString third;
        bool applied;
    } cases[] = {
        {"Cancel", true, false, "breaks", false},
        {"a name of 256 bytes", true, true, QString(256, 'x'), false},
        {"OK changing nothing", false, true, "breaks", false},
        {"OK", true, true, "breaks", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString refusal;
        dialogs.modalScript = [&](QDialog& d) {
            auto& t = static_cast<tiers&>(d);
            ASSERT_EQ(t.table().rowCount(), 10);
            if (c.edit) {
                t.table().item(0, 1)->setCheckState(Qt::Checked);
                t.table().item(4, 1)->setCheckState(Qt::Checked);
                t.table().item(8, 2)->setText("gestures");
            }
            t.table().item(2, 2)->setText(c.third);
            QTest::mouseClick(c.ok ? &t.ok() : &t.cancel(), Qt::LeftButton);
            refusal = t.message();
        };
        window->menus().trigger(Command::Tiers);
        EXPECT_EQ(names(), c.applied ? edited : before);
        EXPECT_EQ(window->model().doc().isDocumentEdited(), c.applied);
        EXPECT_EQ(refusal.contains("tier 3") && refusal.contains("256"), c.third.size() > 255)
            << refusal.toStdString();
    }
    view().renderIfNeeded();
    EXPECT_EQ(window->model().layout().audio.top, audioTop + 40) << "the main view lays out the shown tiers";
}

TEST_F(LabelsGui, SavingAsksFirstWhenHiddenTiersHoldLabels)
{
    // (Which labels ask is the core's test.)
    const QString out = QString::fromStdString(tempPath("hidden.vxt"));
    QFile::remove(out);
    dialogs.saveAnswer = out;
    LabelRecord r;
    r.strText = "lost";
    channel().Tier_Add_Label_Cocoa_Where(2, r, {0, 50, 300, 840}, {0, 50, 20, 840}, 500);
    channel().Tier_Add_Label_Cocoa_Where(3, r, {0, 50, 300, 840}, {0, 50, 20, 840}, 600);
    dialogs.alertAnswers = {0};
    EXPECT_FALSE(window->session().saveAs());
    EXPECT_FALSE(QFile::exists(out)) << "Cancel writes nothing";
    ASSERT_EQ(dialogs.alertMessages.size(), 1);
    EXPECT_EQ(dialogs.alertMessages[0], "The hidden tiers \"breaks\" and \"misc\" hold labels.");
    EXPECT_TRUE(dialogs.proposals.isEmpty()) << "asked before the file name";

    dialogs.alertAnswers = {1};
    EXPECT_TRUE(window->session().saveAs());
    EXPECT_TRUE(QFile::exists(out));
    QFile::remove(out);

    window->model().EditSelectAll();
    dialogs.alertAnswers = {0};
    EXPECT_FALSE(window->session().saveSelectionAs()) << "a selection's file keeps only shown tiers too";
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_EQ(dialogs.alerts.size(), 3);
}
