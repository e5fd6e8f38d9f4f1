// The reflexion listing window driven as a user drives it: opened from the Diffraction menu, the
// rows sorted by every header both ways, kept in step when a parameter changes, narrowed by the
// search, copied to the clipboard, a double-click showing the reflexion as Find Peak does, and
// saved; the model checked by the model tester throughout.
#include "ListingWindow.h"

#include "Document.h"
#include "DocumentCommands.h"
#include "EditListing.h"
#include "ListingModel.h"
#include "MainWindow.h"
#include "ParameterList.h"
#include "PlotCommands.h"
#include "Reports.h"
#include "Settings.h"
#include "TextFormat.h"
#include "ShellTestSupport.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <set>

namespace {

class ListingWindowTest : public ShellTest {
protected:
    ListingWindow* Open(const char* example)
    {
        window = StartWith(example);
        if (!window)
            return nullptr;
        doc = window->Doc();
        HideAllMenus(window);
        FindCommand(window, "*Lst")->trigger();
        Settle();
        listing = window->findChild<ListingWindow*>();
        if (listing)  // goes with the window
            new QAbstractItemModelTester(listing->Model(), QAbstractItemModelTester::FailureReportingMode::Fatal, listing);
        return listing;
    }
    void WaitForRecomputation()
    {
        while (!window->LiveRecomputationIdle())
            Settle();
        Settle();
    }
    CrystalDataRec* Crystal() const { return listing->ShownPattern()->crystal.get(); }
    // The rows shown, as the engine lists them in the model's order.
    void ExpectRowsOfTheCrystal()
    {
        const std::vector<EditListingRowRec> rows = CreateEditListing(Crystal());
        const ListingModel* model = listing->Model();
        ASSERT_EQ(model->Rows().size(), rows.size());
        for (int r = 0; r < model->rowCount(); ++r) {
            const EditListingRowRec& expected = rows[model->Order()[static_cast<std::size_t>(r)]];
            const EditListingRowRec* shown = model->RowAt(r);
            ASSERT_TRUE(shown->num == expected.num && shown->x == expected.x && shown->dsp == expected.dsp &&
                        shown->inty == expected.inty)
                << "row " << r;
        }
    }

    MainWindow* window = nullptr;
    WinInfoRec* doc = nullptr;
    ListingWindow* listing = nullptr;
};

TEST_F(ListingWindowTest, OpensOnTheFirstPlottedCrystal)
{
    ASSERT_TRUE(Open("silicon.cif"));
    EXPECT_TRUE(listing->isVisible());
    EXPECT_EQ(listing->ShownPattern(), doc->plotList.front());
    EXPECT_EQ(listing->CrystalPopup()->count(), 1);
    EXPECT_EQ(listing->Model()->rowCount(), Crystal()->nRefs());
    EXPECT_EQ(listing->Model()->columnCount(), 10);
    EXPECT_EQ(listing->Model()->headerData(5, Qt::Horizontal).toString(), QStringLiteral("Two Theta"));
    // 1 1 1 leads silicon's list: index "1.", d with five decimals.
    const QModelIndex first = listing->Model()->index(0, 0);
    EXPECT_EQ(first.data().toString(), QStringLiteral("1."));
    EXPECT_EQ(listing->Model()->index(0, 1).data().toString(), QStringLiteral("1"));
    EXPECT_EQ(listing->Model()->index(0, 4).data().toString().toStdString(),
              FormatFixed(Crystal()->refs.front().dsp, 0, 5));
    ExpectRowsOfTheCrystal();
    // A second request brings the same window forward.
    HideAllMenus(window);
    FindCommand(window, "*Lst")->trigger();
    Settle();
    EXPECT_EQ(window->findChildren<ListingWindow*>().size(), 1);
}

TEST_F(ListingWindowTest, HeaderClicksSortEveryColumnBothWays)
{
    ASSERT_TRUE(Open("quartz.cif"));
    QHeaderView* header = listing->Table()->horizontalHeader();
    const ListingModel* model = listing->Model();
    for (int c = 0; c < model->columnCount(); ++c) {
        std::set<Qt::SortOrder> orders;
        for (int click = 0; click < 2; ++click) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(c) + header->sectionSize(c) / 2, header->height() / 2));
            Settle();
            ASSERT_EQ(header->sortIndicatorSection(), c);
            orders.insert(header->sortIndicatorOrder());
            EXPECT_EQ(model->Order(), ListingRowOrder(model->Rows(), model->Columns()[static_cast<std::size_t>(c)],
                                                      header->sortIndicatorOrder() == Qt::AscendingOrder))
                << "column " << c;
        }
        EXPECT_EQ(orders.size(), 2u);
    }
}

TEST_F(ListingWindowTest, FollowsParameterChangesAndTheAxis)
{
    ASSERT_TRUE(Open("silicon.cif"));
    // Sorted by intensity, the strongest first, with a selected row.
    listing->Table()->sortByColumn(listing->Model()->SectionOf(ListingColumn::Intensity), Qt::DescendingOrder);
    listing->Table()->selectRow(0);
    const UInt32 strongest = listing->Model()->RowAt(0)->num;
    const Float32 before = listing->Model()->RowAt(0)->x;

    DoWavelength(doc, 1.7890f, 1.7929f, 2.0f, true);
    WaitForRecomputation();
    ExpectRowsOfTheCrystal();
    EXPECT_NE(listing->Model()->RowAt(0)->x, before);
    EXPECT_EQ(listing->Model()->RowAt(0)->num, strongest);
    EXPECT_TRUE(listing->Table()->selectionModel()->isRowSelected(0, {}));

    // A cell change through the parameter list, recomputed off the interface thread.
    SInt32 folder = 0;
    while (doc->folders[static_cast<std::size_t>(folder)].name != "Unit Cell")
        ++folder;
    ASSERT_TRUE(SetParameterValue(doc, folder, 1, 5.6f));
    WaitForRecomputation();
    EXPECT_EQ(Crystal()->a, 5.6f);
    ExpectRowsOfTheCrystal();

    // The d-spacing axis has no position column.
    DoAxisType(doc, kAxisDSpacing);
    WaitForRecomputation();
    EXPECT_EQ(listing->Model()->columnCount(), 9);
    EXPECT_EQ(listing->Model()->SectionOf(ListingColumn::Position), -1);
    ExpectRowsOfTheCrystal();
}

TEST_F(ListingWindowTest, TheSearchNarrowsTheRows)
{
    ASSERT_TRUE(Open("silicon.cif"));
    const int all = listing->Model()->rowCount();
    QTest::keyClicks(listing->SearchField(), QStringLiteral("2 2 0"));
    Settle();
    ASSERT_EQ(listing->Model()->rowCount(), 1);
    const EditListingRowRec* row = listing->Model()->RowAt(0);
    EXPECT_TRUE(row->h == 2 && row->k == 2 && row->l == 0);
    EXPECT_TRUE(listing->CountLabel()->text().contains(QStringLiteral("1 of")));

    listing->SearchField()->setText(QStringLiteral("d 1.5-2.5"));
    Settle();
    ASSERT_GT(listing->Model()->rowCount(), 0);
    for (int r = 0; r < listing->Model()->rowCount(); ++r)
        EXPECT_TRUE(listing->Model()->RowAt(r)->dsp >= 1.5f && listing->Model()->RowAt(r)->dsp <= 2.5f);

    EXPECT_FALSE(listing->Search(QStringLiteral("silicon")));
    EXPECT_EQ(listing->Model()->rowCount(), all);
}

TEST_F(ListingWindowTest, SelectedRowsAreCopiedAsTabSeparatedText)
{
    ASSERT_TRUE(Open("silicon.cif"));
    listing->Table()->sortByColumn(listing->Model()->SectionOf(ListingColumn::DSpacing), Qt::AscendingOrder);
    QItemSelectionModel* selection = listing->Table()->selectionModel();
    for (int r : {3, 1})
        selection->select(listing->Model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(listing->CopySelection(), 2);
    const std::vector<UInt32> positions = {listing->Model()->Order()[1], listing->Model()->Order()[3]};
    const std::string expected = ListingCopyText(listing->Model()->Rows(), positions, listing->Model()->Columns());
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), expected);
    EXPECT_EQ(QApplication::clipboard()->text().count(QLatin1Char('\t')), 2 * 9);
}

TEST_F(ListingWindowTest, DoubleClickShowsTheReflexionAsFindPeakDoes)
{
    ASSERT_TRUE(Open("silicon.cif"));
    const int row = 4;
    const EditListingRowRec r = *listing->Model()->RowAt(row);
    // Find Peak on the same indices, in a copy of the view, for reference.
    const PlotSpecsRec start = doc->plotSpecs;
    ASSERT_TRUE(DoGoToHKL(doc, Crystal(), r.h, r.k, r.l));
    const PlotSpecsRec found = doc->plotSpecs;
    doc->plotSpecs = start;
    Settle();

    QTableView* table = listing->Table();
    const QRect cell = table->visualRect(listing->Model()->index(row, 1));
    ASSERT_TRUE(cell.isValid());
    QTest::mousePress(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseRelease(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    Settle();
    EXPECT_TRUE(doc->plotSpecs.showCursor);
    EXPECT_EQ(doc->plotSpecs.cursorXPos, found.cursorXPos);
    EXPECT_EQ(doc->plotSpecs.xmin, found.xmin);
    EXPECT_EQ(doc->plotSpecs.xmax, found.xmax);
}

TEST_F(ListingWindowTest, SavesTheRowsAsShown)
{
    ASSERT_TRUE(Open("silicon.cif"));
    listing->Table()->sortByColumn(listing->Model()->SectionOf(ListingColumn::Multiplicity), Qt::DescendingOrder);
    const QString path = Path(QStringLiteral("listing.txt"));
    dialogs.saveAnswers.push_back(path);
    listing->findChild<QPushButton*>(QStringLiteral("SvLs"))->click();
    Settle();
    ASSERT_FALSE(dialogs.saveProposals.isEmpty());
    EXPECT_EQ(dialogs.saveProposals.back(), QString::fromStdString(doc->plotList.front()->name) + " Listing.txt");

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    std::FILE* expected = std::tmpfile();
    WriteEditListing(expected, listing->Model()->Rows(), listing->Model()->Order());
    std::rewind(expected);
    QByteArray bytes;
    for (int c; (c = std::fgetc(expected)) != EOF;)
        bytes.append(static_cast<char>(c));
    std::fclose(expected);
    EXPECT_EQ(saved, bytes);
    EXPECT_TRUE(saved.contains("ref no.   h   k   l   d(hkl)    2-Theta     Intensity  I/Imax   m     N"));
}

TEST_F(ListingWindowTest, AWindowWithoutCrystalsHasNoListing)
{
    window = Start();
    ASSERT_TRUE(window);
    ASSERT_EQ(AddFilesToWindow(window, {WriteDataFile(QStringLiteral("measured.xy"))}), 1);
    Settle();
    ShowAllMenus(window);
    ASSERT_TRUE(FindCommand(window, "*Lst")->isEnabled());
    HideAllMenus(window);
    FindCommand(window, "*Lst")->trigger();
    Settle();
    EXPECT_FALSE(window->findChild<ListingWindow*>());
    const auto* alert = sink.Last(RecordingStatusSink::Kind::Alert);
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->text, "Please select a simulated diffraction pattern");
}

}  // namespace
