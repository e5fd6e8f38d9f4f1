// The structures drawer driven as a user would: clicks with and without modifiers, the check box,
// the colour pop-up, keys, the commands with their confirmations, files added unread; the item
// model checked by Qt's model tester throughout.
#include "StructuresDrawer.h"

#include "Document.h"
#include "DocumentCommands.h"
#include "MainWindow.h"
#include "PatternListModel.h"
#include "ShellTestSupport.h"
#include "StructuresList.h"
#include "StructuresView.h"
#include "Styling.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <memory>

namespace {

class StructuresDrawerTest : public ShellTest {
protected:
    // A window with the drawer open, and the model under the tester.
    void Open(MainWindow* w)
    {
        window = w;
        ASSERT_TRUE(window);
        if (!window->DrawerOpen())
            window->ToggleFilesDrawer();
        window->resize(1100, 700);
        drawer = window->Structures();
        model = drawer->Model();
        view = drawer->View();
        tester = std::make_unique<QAbstractItemModelTester>(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        Settle();
    }
    WinInfoRec* Doc() const { return window->Doc(); }
    VLPatternPtr Named(const char* prefix) const
    {
        for (const auto& p : Doc()->fileList)
            if (p->name.rfind(prefix, 0) == 0)
                return p.get();
        return nullptr;
    }
    int Row(const char* prefix) const { return model->RowOf(Named(prefix)); }
    void Click(int row, int column, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        const QRect r = view->visualRect(model->index(row, column));
        ASSERT_TRUE(r.isValid()) << row << " " << column;
        QTest::mouseClick(view->viewport(), Qt::LeftButton, mods, r.center());
    }
    QString Selected() const
    {
        QString s;
        for (int r = 0; r < model->rowCount(); ++r)
            s += model->index(r, 0).data(PatternListModel::SelectedRole).toBool() ? QLatin1Char('X') : QLatin1Char('-');
        return s;
    }

    MainWindow* window = nullptr;
    StructuresDrawer* drawer = nullptr;
    PatternListModel* model = nullptr;
    StructuresView* view = nullptr;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

}  // namespace

TEST_F(StructuresDrawerTest, FourPatternsSelectedHiddenRecolouredAndRemovedFromTheDrawer)
{
    Open(StartWith("quartz.cif"));
    AddFilesToWindow(window, {Example("corundum.cif"), Example("rutile.cif"), Example("quartz_synthetic_cuka.xy")});
    Settle();
    ASSERT_EQ(model->rowCount(), 4);
    ASSERT_EQ(Doc()->plotList.size(), 4u);
    VLPatternPtr rutile = Named("rutile");
    ASSERT_TRUE(rutile);
    const int r = Row("rutile");

    // One phase selected alone; what acts on the selected patterns acts on it only.
    Click(r, PatternListModel::kColumnName);
    EXPECT_EQ(GetNumSelectedPatternsInFileList(Doc()), 1);
    EXPECT_TRUE(rutile->selected);
    EXPECT_EQ(drawer->StatusLabel()->text(), QStringLiteral("1 of 4 selected"));
    DoLineWidth(Doc(), 3);
    for (const VLPatternPtr p : Doc()->plotList) {
        if (p->type == kPatternTypeCrystal) {
            EXPECT_EQ(p->crystal->lineWidth == 3, p == rutile) << p->name;
        }
    }
    // Control adds a row; Shift reaches across from the block.
    Click(Row("corundum"), PatternListModel::kColumnName, Qt::ControlModifier);
    EXPECT_EQ(GetNumSelectedPatternsInFileList(Doc()), 2);
    Click(Row("corundum"), PatternListModel::kColumnName);
    Click(r, PatternListModel::kColumnName, Qt::ShiftModifier);
    EXPECT_EQ(GetNumSelectedPatternsInFileList(Doc()), r - Row("corundum") + 1);
    // A selection made elsewhere shows in the drawer.
    SelectAllFiles(Doc());
    EXPECT_EQ(Selected(), QStringLiteral("XXXX"));
    EXPECT_EQ(drawer->StatusLabel()->text(), QStringLiteral("4 of 4 selected"));
    Click(r, PatternListModel::kColumnName);
    // Below the last row: nothing selected.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(40, view->viewport()->height() - 3));
    EXPECT_EQ(GetNumSelectedPatternsInFileList(Doc()), 0);
    Click(r, PatternListModel::kColumnName);

    // Hidden and shown again with its check box; its data stay read.
    Click(r, PatternListModel::kColumnPlot);
    EXPECT_FALSE(rutile->plotted);
    EXPECT_EQ(Doc()->plotList.size(), 3u);
    EXPECT_EQ(model->index(r, PatternListModel::kColumnPlot).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    // No colour pop-up for a row that is not plotted.
    Click(r, PatternListModel::kColumnColour);
    EXPECT_EQ(drawer->findChild<QMenu*>(QStringLiteral("ColourPopup")), nullptr);
    Click(r, PatternListModel::kColumnPlot);
    EXPECT_TRUE(rutile->plotted);
    EXPECT_TRUE(model->index(r, 0).data(PatternListModel::LoadedRole).toBool());

    // Recoloured through the pop-up of its colour zone.
    Click(r, PatternListModel::kColumnColour);
    auto* popup = drawer->findChild<QMenu*>(QStringLiteral("ColourPopup"));
    ASSERT_TRUE(popup);
    EXPECT_TRUE(model->index(r, 0).data(PatternListModel::PressedRole).toBool());
    popup->actions().at(6)->trigger();
    popup->hide();
    EXPECT_EQ(rutile->crystal->plotColor, gMenuFileColor[6]);
    EXPECT_EQ(model->index(r, 0).data(PatternListModel::ColourRole).value<QColor>(),
              QColor(gMenuFileColor[6].red >> 8, gMenuFileColor[6].green >> 8, gMenuFileColor[6].blue >> 8));
    EXPECT_FALSE(model->index(r, 0).data(PatternListModel::PressedRole).toBool());

    // The colour is kept in a saved session.
    const QString session = Path(QStringLiteral("four.vlmf"));
    ASSERT_TRUE(WriteDocumentFile(window, SaveKind::Session, session));
    MainWindow* reopened = app->OpenDoc(session);
    ASSERT_TRUE(reopened);
    bool found = false;
    for (const auto& p : reopened->Doc()->fileList)
        if (p->name.rfind("rutile", 0) == 0) {
            found = true;
            EXPECT_EQ(p->crystal->plotColor, gMenuFileColor[6]);
        }
    EXPECT_TRUE(found);
    reopened->close();
    Settle();

    // Removed with the Delete key, after the question; cancelling keeps it.
    view->setFocus();
    dialogs.choiceAnswers = {false};
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_TRUE(PatternIsInFileList(Doc(), rutile));
    dialogs.choiceAnswers = {true};
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(dialogs.choiceTexts.last(), QStringLiteral("Remove selected files from the list?"));
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_EQ(Doc()->plotList.size(), 3u);
    EXPECT_EQ(Named("rutile"), nullptr);
    EXPECT_EQ(drawer->StatusLabel()->text(), QStringLiteral("0 of 3 selected"));
}

TEST_F(StructuresDrawerTest, KeysMoveTheSelectionAndScrollTheList)
{
    Open(Start());
    constexpr int n = 100;
    for (int i = 0; i < n; ++i)
        WriteDataFile(QStringLiteral("d%1.xy").arg(i, 2, 10, QLatin1Char('0')));
    ASSERT_EQ(drawer->AddPaths({folder.path()}), n);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(Selected().indexOf(QLatin1Char('X')), 0);
    QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(Selected().indexOf(QLatin1Char('X')), 2);
    EXPECT_EQ(Selected().count(QLatin1Char('X')), 1);
    QTest::keyClick(view, Qt::Key_Up);
    EXPECT_EQ(Selected().indexOf(QLatin1Char('X')), 1);
    const int v = view->VisibleRows();
    ASSERT_LT(2 * v, n);
    QTest::keyClick(view, Qt::Key_End);
    EXPECT_EQ(view->TopLine(), n - v);
    QTest::keyClick(view, Qt::Key_PageUp);
    EXPECT_EQ(view->TopLine(), n - 2 * v);
    QTest::keyClick(view, Qt::Key_Home);
    EXPECT_EQ(view->TopLine(), 0);
    // The arrow follows the selection out of sight.
    for (int i = 0; i < v + 2; ++i)
        QTest::keyClick(view, Qt::Key_Down);
    const int row = Selected().indexOf(QLatin1Char('X'));
    EXPECT_GE(row, view->TopLine());
    EXPECT_LT(row, view->TopLine() + v);
    // Letters still reach the window: s closes the drawer.
    QTest::keyClick(view, Qt::Key_S);
    EXPECT_FALSE(window->DrawerOpen());
}

TEST_F(StructuresDrawerTest, FilesAddedToTheDrawerWaitUnreadUntilChecked)
{
    Open(Start());
    QDir(folder.path()).mkpath(QStringLiteral("sub/deeper"));
    QFile::copy(Example("rutile.cif"), Path(QStringLiteral("sub/deeper/rutile.cif")));
    QFile::copy(Example("corundum.obdf"), Path(QStringLiteral("sub/corundum.obdf")));
    // The add button's dialog, then a folder as a drop brings it.
    dialogs.openAnswers = {{Path(QStringLiteral("sub/corundum.obdf"))}};
    QTest::mouseClick(drawer->AddButton(), Qt::LeftButton);
    EXPECT_EQ(model->rowCount(), 1);
    EXPECT_EQ(drawer->AddPaths({Path(QStringLiteral("sub"))}), 1);  // corundum is there already
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_TRUE(Doc()->plotList.empty());
    EXPECT_FALSE(model->index(0, 0).data(PatternListModel::LoadedRole).toBool());
    EXPECT_EQ(model->index(0, PatternListModel::kColumnName).data().toString(), QStringLiteral("corundum"));

    // Checked: the file is read and plotted in its row.
    Click(0, PatternListModel::kColumnPlot);
    ASSERT_EQ(Doc()->plotList.size(), 1u);
    EXPECT_TRUE(model->index(0, 0).data(PatternListModel::LoadedRole).toBool());
    EXPECT_EQ(model->index(0, PatternListModel::kColumnPlot).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    // A file that has gone fails to load and says so; the row stays.
    QFile::remove(Path(QStringLiteral("sub/deeper/rutile.cif")));
    sink.Clear();
    Click(1, PatternListModel::kColumnPlot);
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_EQ(Doc()->plotList.size(), 1u);
    const RecordingStatusSink::Event* alert = sink.Last(RecordingStatusSink::Kind::Alert);
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->text, "Sorry, the file failed to load");

    // The commands menu follows the list, and its commands ask first.
    QMenu* menu = drawer->CommandsButton()->menu();
    ASSERT_TRUE(menu);
    emit menu->aboutToShow();
    auto action = [menu](const char* code) {
        for (QAction* a : menu->actions())
            if (a->data().toString() == QLatin1String(code))
                return a;
        return static_cast<QAction*>(nullptr);
    };
    ASSERT_TRUE(action("-UFl"));
    EXPECT_TRUE(action("-UFl")->isEnabled());
    dialogs.choiceAnswers = {true};
    action("-UFl")->trigger();
    EXPECT_EQ(dialogs.choiceTexts.last(), QStringLiteral("Are you sure you want to remove all unchecked (unplotted) files?"));
    EXPECT_EQ(model->rowCount(), 1);
    dialogs.choiceAnswers = {true};
    action("-Fls")->trigger();
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_TRUE(Doc()->plotList.empty());
    emit menu->aboutToShow();
    EXPECT_FALSE(action("-Fls")->isEnabled());
    EXPECT_FALSE(action("*Fls")->isEnabled());
}
