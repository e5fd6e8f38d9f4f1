// The parameter list pane driven through its widgets on the offscreen platform: folders opened
// and items chosen with the mouse and the keyboard, the slider dragged, values typed and
// escaped, the plot and the document following, and every finished change undone and redone.
#include "ParameterListView.h"

#include "Diffraction.h"
#include "Document.h"
#include "GraphicsPane.h"
#include "MainWindow.h"
#include "ParameterList.h"
#include "ShellTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTest>

namespace {

class ParameterListViewTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        window = StartWith("quartz.cif");
        ASSERT_TRUE(window);
        window->show();
        Settle();
        doc = window->Doc();
        view = window->Parameters();
        ASSERT_TRUE(view);
        ASSERT_EQ(GetNumCrystalsInPlotList(doc), 1);
        doc->plotList.front()->selected = true;
        window->RebuildParameterList(doc);
        Settle();
    }
    // The middle of a line of the list, in the rows' coordinates.
    QPoint Line(int line) const { return QPoint(60, (line - doc->topParameterLine) * kParameterLineHeight + 9); }
    int LineOf(const char* folder, int item = -1) const
    {
        for (SInt32 line = 0; line < CountParameterLines(doc); ++line) {
            SInt32 f, i;
            GetParameterLine(doc, line, &f, &i);
            if (doc->folders[static_cast<std::size_t>(f)].name == folder && i == item)
                return line;
        }
        return -1;
    }
    void Click(int line) { QTest::mouseClick(view->Rows(), Qt::LeftButton, {}, Line(line)); }
    // Opens a folder and selects one of its items with the mouse.
    void Choose(const char* folder, int item)
    {
        if (!doc->folders[static_cast<std::size_t>(FolderIndex(folder))].open)
            Click(LineOf(folder));
        const int line = LineOf(folder, item);
        ASSERT_GE(line, 0) << folder;
        SetParameterTopLine(doc, line, view->VisibleLines());
        view->Refresh();
        Click(line);
        ASSERT_EQ(SelectedParameterLine(doc), line) << folder;
    }
    int FolderIndex(const char* folder) const
    {
        for (int f = 0; f < doc->nFolders(); ++f)
            if (doc->folders[static_cast<std::size_t>(f)].name == folder)
                return f;
        return -1;
    }
    // Presses the slider's handle, moves it along the track to each of the fractions given and
    // lets it go, as a hand on the mouse would, with the event loop turning between moves.
    void Drag(std::initializer_list<double> fractions)
    {
        QSlider* s = view->Slider();
        QStyleOptionSlider opt;
        opt.initFrom(s);
        opt.orientation = s->orientation();
        opt.minimum = s->minimum();
        opt.maximum = s->maximum();
        opt.sliderPosition = s->sliderPosition();
        opt.sliderValue = s->value();
        const QRect handle = s->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, s);
        const QRect groove = s->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, s);
        QPoint at = handle.center();
        auto send = [s](QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
            QMouseEvent e(type, p, s->mapToGlobal(p), Qt::LeftButton, buttons, Qt::NoModifier);
            QApplication::sendEvent(s, &e);
        };
        send(QEvent::MouseButtonPress, at, Qt::LeftButton);
        for (double f : fractions) {
            const int span = groove.width() - handle.width();
            at = QPoint(groove.left() + handle.width() / 2 + static_cast<int>(f * span), at.y());
            send(QEvent::MouseMove, at, Qt::LeftButton);
            QCoreApplication::processEvents();
        }
        send(QEvent::MouseButtonRelease, at, Qt::NoButton);
        Settle();
    }
    void WaitIdle()
    {
        ASSERT_TRUE(QTest::qWaitFor([this] { return window->LiveRecomputationIdle(); }, 20000));
        Settle();
        window->Pane()->RenderPending();
    }
    MainWindow* window = nullptr;
    WinInfoRec* doc = nullptr;
    ParameterListView* view = nullptr;
};

}  // namespace

TEST_F(ParameterListViewTest, FoldersOpenAndItemsAreChosenWithMouseAndKeys)
{
    EXPECT_EQ(doc->nFolders(), 7);
    EXPECT_FALSE(view->Slider()->isVisible());
    Click(LineOf("Instrument"));
    EXPECT_TRUE(doc->folders[1].open);
    Click(LineOf("Instrument", 1));
    EXPECT_EQ(doc->itemChoice, 1);
    EXPECT_TRUE(view->Slider()->isVisible());
    EXPECT_EQ(view->Field()->text(), QString::fromStdString(FormatParameterValue(doc->plotSpecs.eta)));

    // Arrow keys walk the items; the text field follows.
    view->Rows()->setFocus();
    QTest::keyClick(view->Rows(), Qt::Key_Down);
    EXPECT_EQ(doc->itemChoice, 2);
    QTest::keyClick(view->Rows(), Qt::Key_Up);
    QTest::keyClick(view->Rows(), Qt::Key_Up);
    EXPECT_EQ(doc->itemChoice, 0);
    EXPECT_EQ(view->Field()->text(), QString::fromStdString(FormatParameterValue(doc->plotSpecs.fwhm)));

    // The wheel scrolls one line per notch.
    window->resize(900, 420);
    for (FolderRec& f : doc->folders)
        f.open = true;
    Settle();
    view->Refresh();
    const int lines = CountParameterLines(doc);
    ASSERT_GT(lines, view->VisibleLines());
    QWheelEvent wheel(QPointF(20, 20), view->Rows()->mapToGlobal(QPointF(20, 20)), {}, QPoint(0, -240), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->Rows(), &wheel);
    EXPECT_EQ(doc->topParameterLine, 2);
}

TEST_F(ParameterListViewTest, DraggingTheWidthRedrawsAndTypingApplies)
{
    Choose("Instrument", 0);
    const int renders = window->Pane()->RenderCount();
    const QImage before = window->Pane()->Image();
    const Float32 widthBefore = doc->plotSpecs.fwhm;
    window->MarkSaved();
    Drag({0.1, 0.2, 0.3, 0.4});
    const ItemRec* width = GetSelectedParameterItem(doc);
    ASSERT_TRUE(width);
    EXPECT_FLOAT_EQ(doc->plotSpecs.fwhm, SliderPositionToValue(*width, view->Slider()->value()));
    EXPECT_NEAR(doc->plotSpecs.fwhm, 0.4 * width->sliderMax, 0.05 * width->sliderMax);
    EXPECT_GT(window->Pane()->RenderCount(), renders);
    EXPECT_NE(window->Pane()->Image(), before);
    EXPECT_TRUE(window->IsModified());
    EXPECT_EQ(window->ParameterUndo().UndoSteps(), 1u);
    const Float32 widthDragged = doc->plotSpecs.fwhm;

    // A typed value is applied with Return; one outside the limits changes nothing.
    view->Field()->setFocus();
    view->Field()->setText(QStringLiteral("0.25"));
    QTest::keyClick(view->Field(), Qt::Key_Return);
    Settle();
    EXPECT_FLOAT_EQ(doc->plotSpecs.fwhm, 0.25f);
    EXPECT_EQ(window->ParameterUndo().UndoSteps(), 2u);
    view->Field()->setText(QStringLiteral("500"));
    QTest::keyClick(view->Field(), Qt::Key_Return);
    EXPECT_FLOAT_EQ(doc->plotSpecs.fwhm, 0.25f);
    EXPECT_EQ(view->Field()->text(), QStringLiteral("0.250"));
    EXPECT_EQ(window->ParameterUndo().UndoSteps(), 2u);
    // Escape leaves the field and drops what was typed.
    view->Field()->setText(QStringLiteral("0.9"));
    QTest::keyClick(view->Field(), Qt::Key_Escape);
    EXPECT_EQ(view->Field()->text(), QStringLiteral("0.250"));
    EXPECT_FALSE(view->Field()->hasFocus());
    EXPECT_FLOAT_EQ(doc->plotSpecs.fwhm, 0.25f);
    window->Pane()->RenderPending();
    const QImage typed = window->Pane()->Image();

    // Edit > Undo, twice: the drag's value and pattern, then the first ones.
    QAction* undo = FindCommand(window, "undo");
    QAction* redo = FindCommand(window, "redo");
    ASSERT_TRUE(undo && redo);
    EXPECT_EQ(undo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(redo->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    undo->trigger();
    Settle();
    window->Pane()->RenderPending();
    EXPECT_EQ(doc->plotSpecs.fwhm, widthDragged);
    EXPECT_NE(window->Pane()->Image(), typed);
    undo->trigger();
    Settle();
    window->Pane()->RenderPending();
    EXPECT_EQ(doc->plotSpecs.fwhm, widthBefore);
    EXPECT_EQ(view->Field()->text(), QString::fromStdString(FormatParameterValue(doc->plotSpecs.fwhm)));
    redo->trigger();
    Settle();
    window->Pane()->RenderPending();
    EXPECT_EQ(doc->plotSpecs.fwhm, widthDragged);
}

TEST_F(ParameterListViewTest, DraggingTheCellDiffractsOffTheInterfaceThreadAndEndsExact)
{
    CrystalDataRec* xp = doc->plotList.front()->crystal.get();
    const std::vector<ReflexionRec> original = xp->refs;
    Choose("Unit Cell", 1);
    Drag({0.2, 0.4, 0.6, 0.8, 1.0});
    WaitIdle();
    // The final pattern is the one of the final value.
    auto exact = DuplicateCrystal(xp);
    JustDiffract(doc, exact.get(), nullptr);
    ASSERT_EQ(xp->refs.size(), exact->refs.size());
    for (std::size_t i = 0; i < xp->refs.size(); ++i) {
        EXPECT_EQ(xp->refs[i].dsp, exact->refs[i].dsp);
        EXPECT_EQ(xp->refs[i].inty, exact->refs[i].inty);
        EXPECT_EQ(xp->refs[i].tth, exact->refs[i].tth);
    }
    EXPECT_NE(xp->refs.front().dsp, original.front().dsp);
    // The volume row follows the cell.
    const int volume = LineOf("Unit Cell", 0);
    SInt32 f, i;
    GetParameterLine(doc, volume, &f, &i);
    EXPECT_NEAR(GetWindowItem(doc, f, i)->value, xp->volume, 1e-3);
    EXPECT_EQ(window->ParameterUndo().UndoSteps(), 1u);

    // Undone: the reflexions of before.
    FindCommand(window, "undo")->trigger();
    Settle();
    window->Pane()->RenderPending();
    ASSERT_EQ(xp->refs.size(), original.size());
    for (std::size_t k = 0; k < original.size(); ++k) {
        EXPECT_EQ(xp->refs[k].tth, original[k].tth);
        EXPECT_EQ(xp->refs[k].inty, original[k].inty);
    }
}
