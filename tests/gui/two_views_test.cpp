// Two views of one document at different widths and a picture rendered at a
// third size: each places the document's labels for its own width, and a
// click on a label in either view hits it.

#include "draw/MainViewPicture.h"
#include "gui/GuiSupport.h"

#include <QApplication>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

using namespace vx;
using namespace vxtest;

namespace {

class TwoViewsGui : public WindowTest {
protected:
    // A label on tier 1, the only tier shown, at 600 ms.
    Labels* addLabel()
    {
        channel().m_Tiers[1].bSelected = true;
        MainViewModel& m = window->model();
        m.SetupDisplay(view().width(), view().height());
        channel().SetMarkerValues_Time(600);
        LabelRecord rec;
        rec.strText = "word";
        rec.bounds = {0, 0, 14, 30};
        Labels* l = channel().Tier_Add_Label_Cocoa_Where(1, rec, m.geometry().dataArea, m.geometry().tiers[1]);
        m.SetupDisplay(view().width(), view().height());
        view().update();
        return l;
    }
    static QPoint centreOf(const MainViewModel& m, const Labels* l)
    {
        const PlacedLabel* p = m.geometry().find(l);
        return p ? QPoint((p->rect.left + p->rect.right) / 2, (p->rect.top + p->rect.bottom) / 2) : QPoint(-1, -1);
    }
    static const Labels* clicked(const MainViewModel& m) { return m.m_bLabelClicked ? m.m_ClickedLabel : nullptr; }
};

} // namespace

TEST_F(TwoViewsGui, ClicksHitTheLabelInEachViewAndAPrintSizedPictureMovesNeither)
{
    Labels* label = addLabel();
    ASSERT_NE(label, nullptr);
    MainViewModel narrowModel(window->model().doc());
    MainView narrow(narrowModel, {});
    narrow.resize(420, 300);
    narrow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&narrow));
    narrow.renderIfNeeded();
    ASSERT_NE(view().width(), narrow.width());

    const QPoint inWide = centreOf(window->model(), label);
    const QPoint inNarrow = centreOf(narrowModel, label);
    ASSERT_GE(inWide.x(), 50);
    ASSERT_GE(inNarrow.x(), 50);
    ASSERT_GT(inWide.x() - inNarrow.x(), 40) << "the views place the label apart";

    // A picture at print size, laid out on its own.
    const ViewGeometry wideBefore = window->model().geometry();
    const Rect savedRect = label->rectLocation;
    const ViewGeometry print = window->model().geometryFor(1600, 900);
    const Channels& c = channel();
    SampleSummary summary(c.m_hData.data(), c.m_hData.size());
    QImage picture(1600, 900, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter p(&picture);
        drawMainView(p, window->model(), print, &summary);
    }
    const PlacedLabel* printed = print.find(label);
    ASSERT_NE(printed, nullptr);
    EXPECT_GT(printed->rect.left, inWide.x()) << "wider picture, label further right";
    bool inked = false;
    for (int x = printed->rect.left; x < printed->rect.right && !inked; ++x)
        for (int y = printed->rect.top; y < printed->rect.bottom && !inked; ++y)
            inked = picture.pixelColor(x, y) != QColor(Qt::white);
    EXPECT_TRUE(inked) << "the label is drawn where the picture placed it";
    EXPECT_EQ(window->model().geometry().labels, wideBefore.labels);
    EXPECT_EQ(window->model().geometry().dataArea, wideBefore.dataArea);
    EXPECT_EQ(label->rectLocation, savedRect);

    QTest::mouseClick(&view(), Qt::LeftButton, {}, inWide);
    EXPECT_EQ(clicked(window->model()), label);
    QTest::mouseClick(&narrow, Qt::LeftButton, {}, inNarrow);
    EXPECT_EQ(clicked(narrowModel), label);
    QTest::mouseClick(&narrow, Qt::LeftButton, {}, inWide);
    EXPECT_EQ(clicked(narrowModel), nullptr) << "the wide view's place is empty in the narrow one";
    EXPECT_EQ(narrowModel.m_nTierCliked, 1);
    QTest::mouseClick(&view(), Qt::LeftButton, {}, inWide);
    EXPECT_EQ(clicked(window->model()), label) << "after the narrow view's clicks";
    EXPECT_EQ(label->rectLocation, savedRect);
}
