// The crystal editor driven as a user drives it: opened from the Diffraction menu on the front
// selected crystal, occupancy cells typed into the table (refused texts warned about and left as
// they were), columns sorted by their headers, and OK applying the edit as one undoable change
// that marks the window changed; the site table model checked by the model tester throughout.
#include "CrystalEditor.h"

#include "Document.h"
#include "EngineBusy.h"
#include "MainWindow.h"
#include "ShellTestSupport.h"
#include "SiteTableModel.h"
#include "StringTable.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include <memory>
#include <set>

namespace {

class CrystalEditorTest : public ShellTest {
protected:
    // Opens an example and the editor on it through the menu.
    CrystalEditor* Open(const char* example)
    {
        window = StartWith(example);
        if (!window)
            return nullptr;
        doc = window->Doc();
        xp = GetFrontCrystal(doc);
        for (VLPatternPtr p : doc->plotList)
            p->selected = true;
        HideAllMenus(window);
        FindCommand(window, "^Xtl")->trigger();
        Settle();
        editor = window->findChild<CrystalEditor*>();
        if (editor)  // goes with the editor
            new QAbstractItemModelTester(editor->Model(), QAbstractItemModelTester::FailureReportingMode::Fatal, editor);
        return editor;
    }
    // Types text into a cell of the occupancy column through the table's own editor.
    void TypeOccupancy(int row, const QString& text)
    {
        QTableView* table = editor->Table();
        const QModelIndex cell = editor->Model()->index(row, editor->Model()->SectionOf(EditCrystalColumn::Occupancy));
        table->setCurrentIndex(cell);
        table->edit(cell);
        auto* field = table->viewport()->findChild<QLineEdit*>();
        ASSERT_TRUE(field);
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
        Settle();
    }
    QString CellText(int row, EditCrystalColumn column) const
    {
        return editor->Model()->index(row, editor->Model()->SectionOf(column)).data().toString();
    }
    std::vector<std::string> Alerts() const
    {
        std::vector<std::string> texts;
        for (const auto& e : sink.events)
            if (e.kind == RecordingStatusSink::Kind::Alert)
                texts.push_back(e.text);
        return texts;
    }

    MainWindow* window = nullptr;
    WinInfoRec* doc = nullptr;
    CrystalDataRec* xp = nullptr;
    CrystalEditor* editor = nullptr;
};

TEST_F(CrystalEditorTest, ShowsTheCellAndSitesOfTheFrontSelectedCrystal)
{
    ASSERT_TRUE(Open("silicon.cif"));
    EXPECT_TRUE(FindCommand(window, "^Xtl")->isEnabled());
    EXPECT_EQ(editor->LatticeField(0)->text().toStdString(), FormatLatticeField(xp->a));
    EXPECT_EQ(editor->LatticeField(5)->text(), QStringLiteral("90.000"));
    EXPECT_EQ(editor->Model()->rowCount(), xp->ntyp());
    EXPECT_EQ(editor->Model()->columnCount(), 6);  // no anisotropic displacements: no U columns
    EXPECT_EQ(CellText(0, EditCrystalColumn::Occupancy), QStringLiteral("Si 1.00"));
    EXPECT_FALSE(editor->Caption()->text().contains(QStringLiteral("Displacement")));
    EXPECT_GE(editor->minimumWidth(), kCrystalEditorMinWidth);
    editor->reject();
}

TEST_F(CrystalEditorTest, AnisotropicCrystalsShowTheirUColumns)
{
    ASSERT_TRUE(Open("baddeleyite.cif"));
    ASSERT_TRUE(xp->hasEllipsoids);
    EXPECT_EQ(editor->Model()->columnCount(), 13);
    EXPECT_EQ(editor->Model()->headerData(editor->Model()->SectionOf(EditCrystalColumn::U12), Qt::Horizontal).toString(),
              QStringLiteral("U12"));
    EXPECT_EQ(editor->Caption()->text(), QStringLiteral("Atoms and Displacement Parameters for the Asymmetric Unit:"));
    editor->reject();
}

TEST_F(CrystalEditorTest, WithoutASelectedCrystalItSaysSo)
{
    window = StartWith("silicon.cif");
    ASSERT_TRUE(window);
    for (VLPatternPtr p : window->Doc()->plotList)
        p->selected = false;
    HideAllMenus(window);
    FindCommand(window, "^Xtl")->trigger();
    Settle();
    EXPECT_FALSE(window->findChild<CrystalEditor*>());
    ASSERT_FALSE(Alerts().empty());
    EXPECT_EQ(Alerts().back(), LocalizedString("Please_Select_Crystal"));
}

TEST_F(CrystalEditorTest, RefusedOccupanciesAreWarnedAboutAndLeftAsTheyWere)
{
    ASSERT_TRUE(Open("forsterite_fo90.cif"));
    window->MarkSaved();
    const QString before = CellText(0, EditCrystalColumn::Occupancy);
    TypeOccupancy(0, QStringLiteral("Fe 0.5 (Mg) 0.5"));
    ASSERT_FALSE(Alerts().empty());
    EXPECT_EQ(Alerts().back(), "Element symbol must begin with a letter A-Z");
    EXPECT_EQ(CellText(0, EditCrystalColumn::Occupancy), before);

    TypeOccupancy(0, QStringLiteral("fe .6 mg .6"));
    EXPECT_EQ(Alerts().back(), "Total site occupancy should not exceed 1 !");
    EXPECT_EQ(CellText(0, EditCrystalColumn::Occupancy), QStringLiteral("Fe 0.60  Mg 0.60"));
    // Nothing reaches the crystal before OK.
    EXPECT_NE(xp->AU[0].occupant[0].symbol, PackSymbol("Fe"));
    editor->reject();
    Settle();
    EXPECT_NE(xp->AU[0].occupant[0].symbol, PackSymbol("Fe"));
    EXPECT_FALSE(window->IsModified());
}

TEST_F(CrystalEditorTest, OkAppliesTheEditAsOneUndoableChange)
{
    ASSERT_TRUE(Open("forsterite_fo90.cif"));
    window->MarkSaved();
    const CrystalDataRec original = *xp;
    const std::vector<ReflexionRec> refs = xp->refs;
    editor->LatticeField(0)->setText(QStringLiteral("4.8"));
    TypeOccupancy(0, QStringLiteral("Ni 0.7 Co 0.3"));
    // The silicon site is left out of the calculation.
    int silicon = -1;
    for (int r = 0; r < editor->Model()->rowCount(); ++r)
        if (editor->Model()->SiteAt(r).symbol[0] == PackSymbol("Si"))
            silicon = r;
    ASSERT_GE(silicon, 0);
    const UInt32 siliconSite = editor->Model()->SiteAt(silicon).index;
    ASSERT_TRUE(editor->Model()->setData(editor->Model()->index(silicon, editor->Model()->SectionOf(EditCrystalColumn::Use)),
                                         Qt::Unchecked, Qt::CheckStateRole));
    const UInt32 site = editor->Model()->SiteAt(0).index;
    editor->accept();
    Settle();
    EXPECT_FALSE(window->findChild<CrystalEditor*>());
    while (!window->LiveRecomputationIdle())
        Settle();

    EXPECT_EQ(xp->a, 4.8f);
    EXPECT_EQ(xp->b, original.b);
    EXPECT_EQ(xp->AU[site].occupant[0].symbol, PackSymbol("Ni"));
    EXPECT_FLOAT_EQ(xp->AU[site].occupant[1].occupancy, 0.3f);
    EXPECT_FALSE(xp->AU[siliconSite].include);
    EXPECT_NE(xp->volume, original.volume);
    EXPECT_TRUE(window->IsModified());
    EXPECT_EQ(window->ParameterUndo().UndoSteps(), 1u);

    HideAllMenus(window);
    FindCommand(window, "undo")->trigger();
    Settle();
    EXPECT_EQ(xp->a, original.a);
    EXPECT_EQ(xp->AU[site].occupant[0].symbol, original.AU[site].occupant[0].symbol);
    EXPECT_EQ(xp->AU[site].occupant[0].occupancy, original.AU[site].occupant[0].occupancy);
    EXPECT_TRUE(xp->AU[siliconSite].include);
    ASSERT_EQ(xp->refs.size(), refs.size());
    for (std::size_t i = 0; i < refs.size(); ++i)
        ASSERT_TRUE(xp->refs[i].dsp == refs[i].dsp && xp->refs[i].inty == refs[i].inty) << i;
}

TEST_F(CrystalEditorTest, AnImpossibleCellKeepsTheSheetOpen)
{
    ASSERT_TRUE(Open("silicon.cif"));
    const Float32 a = xp->a;
    editor->LatticeField(3)->setText(QStringLiteral("185"));
    editor->accept();
    Settle();
    EXPECT_TRUE(editor->isVisible());
    EXPECT_FALSE(editor->Problem().isEmpty());
    EXPECT_EQ(xp->alpha, 90.0f);
    // A field that does not read as a number keeps the crystal's value.
    editor->LatticeField(3)->setText(QStringLiteral("ninety"));
    editor->LatticeField(0)->setText(QStringLiteral("?"));
    editor->accept();
    Settle();
    EXPECT_FALSE(window->findChild<CrystalEditor*>());
    EXPECT_EQ(xp->a, a);
    EXPECT_EQ(xp->alpha, 90.0f);
    EXPECT_EQ(window->ParameterUndo().UndoSteps(), 0u);  // nothing changed: nothing to undo
}

TEST_F(CrystalEditorTest, HeaderClicksSortEveryColumnBothWays)
{
    ASSERT_TRUE(Open("forsterite_fo90.cif"));
    SiteTableModel* model = editor->Model();
    QHeaderView* header = editor->Table()->horizontalHeader();
    for (int c = 0; c < model->columnCount(); ++c) {
        std::set<Qt::SortOrder> orders;
        for (int click = 0; click < 2; ++click) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(c) + header->sectionSize(c) / 2, header->height() / 2));
            Settle();
            ASSERT_EQ(header->sortIndicatorSection(), c);
            const bool ascending = header->sortIndicatorOrder() == Qt::AscendingOrder;
            orders.insert(header->sortIndicatorOrder());
            const std::vector<UInt32> expected = EditCrystalRowOrder(*editor->Edit(), model->ColumnAt(c), ascending);
            for (int r = 0; r < model->rowCount(); ++r)
                ASSERT_EQ(model->SiteAt(r).index, expected[static_cast<std::size_t>(r)]) << "column " << c << " row " << r;
        }
        EXPECT_EQ(orders.size(), 2u) << "column " << c;
    }
    editor->reject();
}

}  // namespace
