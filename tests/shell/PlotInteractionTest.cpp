// The plot under the mouse, the wheel and the keys, with real events sent to the graphics pane
// of a window showing quartz: the read-out of a clicked peak, wheel zoom about the pointer,
// Ctrl+wheel and Shift+wheel, panning with the hand and the middle button, dragging a curve
// with the axis lock, the distance tool and its zoom, the keys, the scroll bar and the toolbar.
#include "MainWindow.h"

#include "Document.h"
#include "GraphicsPane.h"
#include "InfoBar.h"
#include "PlotMouse.h"
#include "ShellTestSupport.h"
#include "ViewTransforms.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>

#include <cmath>

namespace {

class PlotInteractionTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        window = StartWith("quartz.cif");
        ASSERT_TRUE(window);
        window->resize(1000, 700);
        window->show();
        Settle();
        pane = window->Pane();
        doc = window->Doc();
        ASSERT_GT(doc->plotRect.Width(), 300);
    }

    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QMouseEvent event(type, at, pane->mapToGlobal(at), button, buttons, mods);
        QApplication::sendEvent(pane, &event);
    }
    void Press(QPoint at, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        Mouse(QEvent::MouseButtonPress, at, b, b, mods);
    }
    void Move(QPoint at, Qt::MouseButtons held = Qt::LeftButton, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        Mouse(QEvent::MouseMove, at, Qt::NoButton, held, mods);
    }
    void Release(QPoint at, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        Mouse(QEvent::MouseButtonRelease, at, b, Qt::NoButton, mods);
    }
    void Click(QPoint at)
    {
        Press(at);
        Release(at);
    }
    void Wheel(QPoint at, QPoint angle, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QWheelEvent event(at, pane->mapToGlobal(at), QPoint(), angle, Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(pane, &event);
        Settle();
    }
    QAction* ToolbarAction(const char* command) const
    {
        for (QAction* a : window->Toolbar()->actions())
            if (a->data().toString() == QLatin1String(command))
                return a;
        return nullptr;
    }
    // The strongest reflexion in view and its pane column.
    const ReflexionRec& Strongest(int* column) const
    {
        const CrystalDataRec& xp = *GetFrontCrystal(doc);
        const ReflexionRec* best = &xp.refs.front();
        for (const ReflexionRec& r : xp.refs)
            if (r.tth > doc->plotSpecs.xmin && r.tth < doc->plotSpecs.xmax && r.inty > best->inty)
                best = &r;
        *column = doc->plotRect.left + static_cast<int>((best->tth - doc->plotSpecs.xmin) * doc->plotSpecs.xscale);
        return *best;
    }
    double XAtColumn(int column) const
    {
        const PlotSpecsRec& ps = doc->plotSpecs;
        return ps.xmin + (column - doc->plotRect.left - 1) * (static_cast<double>(ps.xmax) - ps.xmin) / doc->plotRect.Width();
    }
    QPoint Middle() const
    {
        return {(doc->plotRect.left + doc->plotRect.right) / 2, (doc->plotRect.top + doc->plotRect.bottom) / 2};
    }

    MainWindow* window = nullptr;
    GraphicsPane* pane = nullptr;
    WinInfoRec* doc = nullptr;
};

}  // namespace

TEST_F(PlotInteractionTest, AClickedPeakIsReadOutAndItsCursorDrawn)
{
    int column = 0;
    const ReflexionRec& r = Strongest(&column);
    const QImage before = pane->Image();
    // Just above the peak's top (not on the curve): the cursor goes there and reads it out.
    Click({column, doc->plotRect.top + 2});
    EXPECT_TRUE(doc->plotSpecs.showCursor);
    EXPECT_EQ(doc->cursorInfo.mul, r.mul);
    EXPECT_EQ(doc->cursorInfo.h, r.h);
    EXPECT_TRUE(window->Info()->ReadoutShown());
    EXPECT_TRUE(window->Info()->Text().contains(QStringLiteral("m: %1").arg(r.mul))) << window->Info()->Text().toStdString();
    EXPECT_TRUE(window->Info()->Text().contains(QStringLiteral("(quartz")));
    EXPECT_NE(pane->Image(), before);  // the cursor is drawn over the plot
    // A click away from it takes it away; a click on the curve itself reads out there too.
    const int renders = pane->RenderCount();
    Click({column - 60, doc->plotRect.top + 2});
    EXPECT_FALSE(doc->plotSpecs.showCursor);
    EXPECT_EQ(pane->Image(), pane->Image().copy());  // sanity: an image is there
    const int peakRow = doc->plotRect.bottom - static_cast<int>(0.5 * (doc->plotSpecs.ymax * 0.5) * doc->plotSpecs.yscale);
    ASSERT_EQ(MouseInGraph(doc, column, peakRow), GetNthPatternInPlotList(doc, 0));
    Click({column, peakRow});
    EXPECT_TRUE(doc->plotSpecs.showCursor);
    EXPECT_EQ(doc->cursorInfo.mul, r.mul);
    EXPECT_EQ(pane->RenderCount(), renders);  // placing the cursor does not draw the plot again
}

TEST_F(PlotInteractionTest, TheWheelZoomsXAboutThePointerAndWithCtrlScalesY)
{
    const QPoint at{doc->plotRect.left + doc->plotRect.Width() / 3, Middle().y()};
    const double x = XAtColumn(at.x());
    const double width = doc->plotSpecs.xmax - doc->plotSpecs.xmin;
    Wheel(at, {0, 120});
    EXPECT_NEAR(doc->plotSpecs.xmax - doc->plotSpecs.xmin, width / 1.25, 1e-3);
    EXPECT_NEAR(XAtColumn(at.x()), x, 0.02);
    // Half a notch twice makes one.
    Wheel(at, {0, -60});
    Wheel(at, {0, -60});
    EXPECT_NEAR(doc->plotSpecs.xmax - doc->plotSpecs.xmin, width, 1e-3);
    const float ymax = doc->plotSpecs.ymax;
    Wheel(at, {0, 120}, Qt::ControlModifier);
    EXPECT_NEAR(doc->plotSpecs.ymax, ymax / 1.05, 1e-6 * ymax);
    EXPECT_TRUE(doc->yRangeByHand);
    // Shift+wheel down, or the horizontal wheel to the right, scrolls towards larger x.
    const float xmin = doc->plotSpecs.xmin;
    Wheel(at, {0, -120}, Qt::ShiftModifier);
    EXPECT_GT(doc->plotSpecs.xmin, xmin);
    const float after = doc->plotSpecs.xmin;
    Wheel(at, {120, 0});
    EXPECT_LT(doc->plotSpecs.xmin, after);
    EXPECT_GE(doc->plotSpecs.xmin, doc->plotSpecs.xminLimit);
}

TEST_F(PlotInteractionTest, TheHandAndTheMiddleButtonPanAndTheScrollBarFollows)
{
    Wheel(Middle(), {0, 240});  // zoomed in, so that there is room to pan
    const float xmin = doc->plotSpecs.xmin;
    const double perPixel = (doc->plotSpecs.xmax - doc->plotSpecs.xmin) / doc->plotRect.Width();
    auto* bar = window->findChild<QScrollBar*>(QStringLiteral("PlotScrollBar"));
    ASSERT_TRUE(bar);
    EXPECT_TRUE(bar->isEnabled());
    const int value = bar->value();
    QTest::keyClick(window, 'h');
    Press(Middle());
    Move(Middle() - QPoint(50, 0));
    Release(Middle() - QPoint(50, 0));
    Settle();
    EXPECT_NEAR(doc->plotSpecs.xmin, xmin + 50 * perPixel, 2 * perPixel);  // the plot follows the hand
    EXPECT_GT(bar->value(), value);
    // The middle button pans with any tool.
    QTest::keyClick(window, 'a');
    Press(Middle(), Qt::MiddleButton);
    Move(Middle() + QPoint(50, 0), Qt::MiddleButton);
    Release(Middle() + QPoint(50, 0), Qt::MiddleButton);
    Settle();
    EXPECT_NEAR(doc->plotSpecs.xmin, xmin, 2 * perPixel);
    // Moving the bar scrolls by its 20-pixel units.
    bar->setValue(bar->value() + 2);
    Settle();
    EXPECT_NEAR(doc->plotSpecs.xmin, xmin + 40 * perPixel, 2 * perPixel);
}

TEST_F(PlotInteractionTest, TheMagnifierZoomsAboutAClickOrToADraggedBand)
{
    QTest::keyClick(window, 'z');
    const QPoint at{doc->plotRect.left + 200, Middle().y()};
    const double width = doc->plotSpecs.xmax - doc->plotSpecs.xmin;
    const double x = XAtColumn(at.x());
    Click(at);
    Settle();
    EXPECT_NEAR(doc->plotSpecs.xmax - doc->plotSpecs.xmin, width / 2, 1e-3);
    EXPECT_NEAR(XAtColumn(at.x()), x, 0.05);
    Press(at, Qt::LeftButton, Qt::ShiftModifier);
    Release(at, Qt::LeftButton, Qt::ShiftModifier);
    Settle();
    EXPECT_NEAR(doc->plotSpecs.xmax - doc->plotSpecs.xmin, width, 1e-3);
    // Dragged: the band between press and release.
    const double a = XAtColumn(at.x() + 1), b = XAtColumn(at.x() + 101);
    Press(at);
    Move(at + QPoint(50, 10));
    Move(at + QPoint(100, 20));
    Release(at + QPoint(100, 20));
    Settle();
    EXPECT_NEAR(doc->plotSpecs.xmin, a, 0.05);
    EXPECT_NEAR(doc->plotSpecs.xmax, b, 0.05);
}

TEST_F(PlotInteractionTest, ACurveDraggedWithShiftMovesOnlyInX)
{
    int column = 0;
    Strongest(&column);
    const int row = doc->plotRect.bottom - 2;  // on the baseline beside the peak
    const QPoint at{column - 40, row};
    ASSERT_TRUE(MouseInGraph(doc, at.x(), at.y()));
    CrystalDataRec* xp = GetFrontCrystal(doc);
    const float tth = xp->refs[5].tth;
    Press(at, Qt::LeftButton, Qt::ShiftModifier);
    Move(at + QPoint(20, -4), Qt::LeftButton, Qt::ShiftModifier);
    Move(at + QPoint(20, -60), Qt::LeftButton, Qt::ShiftModifier);
    Release(at + QPoint(20, -60), Qt::LeftButton, Qt::ShiftModifier);
    Settle();
    EXPECT_GT(xp->xOffset, 0);
    EXPECT_NEAR(xp->refs[5].tth - tth, xp->xOffset, 1e-4);
    EXPECT_FLOAT_EQ(xp->yOffset, 0);
    EXPECT_TRUE(window->Info()->Text().contains(QStringLiteral("\u2206x: ")));
    // The shift buttons move it too, and reset puts it back.
    ToolbarAction("tSUp")->trigger();
    EXPECT_GT(xp->yOffset, 0);
    ToolbarAction("t0Sh")->trigger();
    EXPECT_FLOAT_EQ(xp->xOffset, 0);
    EXPECT_FLOAT_EQ(xp->refs[5].tth, tth);
}

TEST_F(PlotInteractionTest, TheDistanceToolMeasuresAndZoomsToTheBand)
{
    QTest::keyClick(window, 'd');
    const int a = doc->plotRect.left + 100, b = doc->plotRect.left + 300;
    const double xa = XAtColumn(a + 1), xb = XAtColumn(b + 1);
    Move({a, Middle().y()}, Qt::NoButton);
    Click({a, Middle().y()});
    Move({b, Middle().y()}, Qt::NoButton);
    EXPECT_TRUE(window->Info()->Text().contains(QStringLiteral("(click to end)")));
    Click({b, Middle().y()});
    EXPECT_TRUE(window->Info()->Text().contains(QStringLiteral("\u2206d: ")));
    QToolButton* zoom = window->Info()->ZoomButton();
    EXPECT_FALSE(zoom->isHidden());
    // The band is shaded in the picture.
    const QColor shaded = pane->Image().pixelColor((a + b) / 2, doc->plotRect.top + 3);
    EXPECT_GT(shaded.red(), shaded.blue() + 40);
    zoom->click();
    Settle();
    EXPECT_NEAR(doc->plotSpecs.xmin, xa, 0.05);
    EXPECT_NEAR(doc->plotSpecs.xmax, xb, 0.05);
    EXPECT_TRUE(zoom->isHidden());
}

TEST_F(PlotInteractionTest, KeysScrollAndZoomAndHomeShowsTheDefaultRange)
{
    const float xmin = doc->plotSpecs.xmin, xmax = doc->plotSpecs.xmax;
    QTest::keyClick(window, Qt::Key_Up);
    Settle();
    EXPECT_LT(doc->plotSpecs.xmax - doc->plotSpecs.xmin, xmax - xmin);
    const float zoomed = doc->plotSpecs.xmin;
    QTest::keyClick(window, Qt::Key_Right);
    Settle();
    EXPECT_GT(doc->plotSpecs.xmin, zoomed);
    QTest::keyClick(window, Qt::Key_Home);
    Settle();
    EXPECT_FLOAT_EQ(doc->plotSpecs.xmin, xmin);
    EXPECT_FLOAT_EQ(doc->plotSpecs.xmax, xmax);
    // Double-click autoscales: the range fits the reflexions.
    Mouse(QEvent::MouseButtonDblClick, Middle(), Qt::LeftButton, Qt::LeftButton);
    Settle();
    const CrystalDataRec& xp = *GetFrontCrystal(doc);
    EXPECT_LE(doc->plotSpecs.xmin, xp.refs.front().tth);
    EXPECT_GE(doc->plotSpecs.xmax, std::min(xp.refs.back().tth, doc->plotSpecs.xmaxLimit));
}

TEST_F(PlotInteractionTest, EveryToolbarButtonActsAndTheSteppingOnesRepeat)
{
    for (QAction* a : window->Toolbar()->actions())
        EXPECT_FALSE(a->toolTip().contains(QStringLiteral("not available"))) << a->toolTip().toStdString();
    for (const char* code : {"tEYp", "tEXm", "tSLf", "tSDn", "tRSp"}) {
        auto* button = qobject_cast<QToolButton*>(window->Toolbar()->widgetForAction(ToolbarAction(code)));
        ASSERT_TRUE(button) << code;
        EXPECT_TRUE(button->autoRepeat()) << code;
    }
    // Without a dataset the relative scale has nothing to act on.
    EXPECT_FALSE(ToolbarAction("tRSp")->isEnabled());
    EXPECT_TRUE(ToolbarAction("tSLf")->isEnabled());  // the crystal arrived selected
    const float ymax = doc->plotSpecs.ymax;
    ToolbarAction("tEYp")->trigger();
    Settle();
    EXPECT_NEAR(doc->plotSpecs.ymax, ymax / 1.01, 1e-6 * ymax);
    ToolbarAction("tAuY")->trigger();
    Settle();
    EXPECT_FALSE(doc->yRangeByHand);
    const float width = doc->plotSpecs.xmax - doc->plotSpecs.xmin;
    ToolbarAction("tEXp")->trigger();
    Settle();
    EXPECT_NEAR(doc->plotSpecs.xmax - doc->plotSpecs.xmin, width / 1.05, 1e-3);
}
