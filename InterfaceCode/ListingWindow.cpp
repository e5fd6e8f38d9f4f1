// The reflexion listing window.
#include "ListingWindow.h"

#include "Dialogs.h"
#include "Document.h"
#include "EditListing.h"
#include "EngineBusy.h"
#include "ListingModel.h"
#include "MainWindow.h"
#include "PlotCommands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

std::vector<VLPatternPtr> PlottedCrystals(const WinInfoRec* doc)
{
    std::vector<VLPatternPtr> crystals;
    for (VLPatternPtr p : doc->plotList)
        if (p->type == kPatternTypeCrystal && p->crystal)
            crystals.push_back(p);
    return crystals;
}

}  // namespace

ListingWindow::ListingWindow(MainWindow* window) : QWidget(window, Qt::Window), window_(window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("ListingSheet"));
    setWindowTitle(tr("Reflexions"));
    setMinimumHeight(kListingWindowMinHeight);

    // Children are owned by their Qt parent.
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Crystal:"), this));
    crystals_ = new QComboBox(this);
    crystals_->setObjectName(QStringLiteral("crystal"));
    crystals_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    top->addWidget(crystals_);
    top->addStretch(1);
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("search"));
    search_->setPlaceholderText(tr("h k l, or d range: 1.2-2.5, d > 1.5"));
    search_->setClearButtonEnabled(true);
    search_->setMinimumWidth(230);
    top->addWidget(search_);
    layout->addLayout(top);

    model_ = new ListingModel(this);
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("reflexions"));
    table_->setModel(model_);
    table_->setAlternatingRowColors(true);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    // Rows of one height: the view never measures them, whatever their number.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table_->horizontalHeader()->setHighlightSections(false);
    table_->setSortingEnabled(true);
    table_->sortByColumn(0, Qt::AscendingOrder);
    table_->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* copy = new QAction(tr("Copy"), table_);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    table_->addAction(copy);
    auto* show = new QAction(tr("Show in Plot"), table_);
    table_->addAction(show);
    layout->addWidget(table_, 1);

    auto* bottom = new QHBoxLayout;
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("count"));
    bottom->addWidget(count_, 1);
    save_ = new QPushButton(tr("Save…"), this);
    save_->setObjectName(QStringLiteral("SvLs"));
    save_->setAutoDefault(false);
    bottom->addWidget(save_);
    auto* close = new QPushButton(tr("Close"), this);
    close->setAutoDefault(false);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    connect(crystals_, &QComboBox::activated, this, &ListingWindow::ChooseCrystal);
    connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) { Search(text); });
    connect(copy, &QAction::triggered, this, &ListingWindow::CopySelection);
    connect(show, &QAction::triggered, this, [this] { ShowRowInPlot(table_->currentIndex().row()); });
    connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& i) { ShowRowInPlot(i.row()); });
    connect(save_, &QPushButton::clicked, this, &ListingWindow::Save);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(window_, &MainWindow::documentChanged, this, &ListingWindow::ScheduleRefresh);
    connect(model_, &QAbstractItemModel::modelReset, this, &ListingWindow::UpdateCount);

    resize(760, 520);
    Refresh();
}

ListingWindow::~ListingWindow() = default;

void ListingWindow::ScheduleRefresh()
{
    // Many redraws in one pass of the event loop bring the rows up to date once.
    if (refreshPending_)
        return;
    refreshPending_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshPending_ = false;
        Refresh();
    });
}

void ListingWindow::Refresh()
{
    if (EngineBusy::Active()) {
        // The engine is in the middle of its work on the document: a little later.
        QTimer::singleShot(20, this, &ListingWindow::ScheduleRefresh);
        return;
    }
    const WinInfoRec* doc = window_->Doc();
    const std::vector<VLPatternPtr> now = PlottedCrystals(doc);
    std::vector<QString> names;
    for (VLPatternPtr p : now)
        names.push_back(QString::fromStdString(p->name));
    bool samePopup = now == popup_ && crystals_->count() == static_cast<int>(now.size());
    for (int i = 0; samePopup && i < crystals_->count(); ++i)
        samePopup = crystals_->itemText(i) == names[static_cast<std::size_t>(i)];
    if (!samePopup) {
        const QSignalBlocker block(crystals_);
        crystals_->clear();
        for (const QString& n : names)
            crystals_->addItem(n);
        popup_ = now;
    }
    const bool stillThere = std::find(now.begin(), now.end(), shown_) != now.end();
    const bool sameCrystal = stillThere && shown_ != nullptr;
    if (!stillThere)
        shown_ = now.empty() ? nullptr : now.front();
    if (shown_) {
        const QSignalBlocker block(crystals_);
        crystals_->setCurrentIndex(static_cast<int>(std::find(now.begin(), now.end(), shown_) - now.begin()));
    }
    const std::vector<ListingColumn> before = model_->Columns();
    model_->SetRows(CreateEditListing(shown_ ? shown_->crystal.get() : nullptr), doc->plotSpecs.axisType, sameCrystal);
    if (model_->Columns() != before || !sameCrystal)
        ApplyColumnWidths();
    table_->horizontalHeader()->setSortIndicator(model_->SortSection(), model_->SortOrder());
    save_->setEnabled(shown_ != nullptr);
    setWindowTitle(shown_ ? tr("Reflexions of %1").arg(QString::fromStdString(shown_->name)) : tr("Reflexions"));
    UpdateCount();
}

void ListingWindow::ApplyColumnWidths()
{
    const std::vector<ListingColumn>& columns = model_->Columns();
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const int width = ListingColumnWidth(columns[c]);
        table_->setColumnWidth(static_cast<int>(c), width > 0 ? width : 70);
    }
}

void ListingWindow::UpdateCount()
{
    const int shown = model_->rowCount();
    const int all = static_cast<int>(model_->Rows().size());
    count_->setText(shown == all ? tr("%n reflexion(s)", nullptr, all)
                                 : tr("%1 of %n reflexion(s)", nullptr, all).arg(shown));
}

void ListingWindow::ChooseCrystal(int i)
{
    if (i < 0 || i >= static_cast<int>(popup_.size()))
        return;
    if (!PatternIsInFileList(window_->Doc(), popup_[static_cast<std::size_t>(i)]))
        return;
    shown_ = popup_[static_cast<std::size_t>(i)];
    const WinInfoRec* doc = window_->Doc();
    model_->SetRows(CreateEditListing(shown_->crystal.get()), doc->plotSpecs.axisType, false);
    ApplyColumnWidths();
    table_->horizontalHeader()->setSortIndicator(model_->SortSection(), model_->SortOrder());
    setWindowTitle(tr("Reflexions of %1").arg(QString::fromStdString(shown_->name)));
    UpdateCount();
}

bool ListingWindow::Search(const QString& text)
{
    const std::optional<ListingFilter> filter = ParseListingFilter(text.toStdString());
    search_->setStyleSheet(filter ? QString() : QStringLiteral("QLineEdit { color: #b00000; }"));
    search_->setToolTip(filter ? QString() : tr("Type h k l (* for any index) or a d range such as 1.2-2.5"));
    model_->SetFilter(filter ? *filter : ListingFilter{});
    UpdateCount();
    return filter.has_value();
}

int ListingWindow::CopySelection()
{
    std::vector<int> rows;
    for (const QModelIndex& i : table_->selectionModel()->selectedRows())
        rows.push_back(i.row());
    if (rows.empty())
        return 0;
    const QString text = model_->CopyText(rows);
    QApplication::clipboard()->setText(text);
    return static_cast<int>(text.count(QLatin1Char('\n')));
}

bool ListingWindow::ShowRowInPlot(int row)
{
    const EditListingRowRec* r = model_->RowAt(row);
    WinInfoRec* doc = window_->Doc();
    if (!r || !shown_ || !PatternIsInFileList(doc, shown_))
        return false;
    if (!DoGoToHKL(doc, shown_->crystal.get(), r->h, r->k, r->l)) {
        QApplication::beep();
        return false;
    }
    return true;
}

bool ListingWindow::Save()
{
    if (!shown_)
        return false;
    const QString path = Dialogs().SaveFile(this, tr("Save data listing"),
                                            QString::fromStdString(ListingFileName(shown_->name)).replace(QLatin1Char('/'), QLatin1Char('-')),
                                            FileFilter::TextReport, QStringLiteral("txt"));
    if (path.isEmpty())
        return false;
    return DoSaveListing(path.toStdString(), model_->Rows(), model_->Order()) == kNoErr;
}

ListingWindow* ShowListingWindow(MainWindow* window)
{
    if (!DoShowListing(window->Doc()))
        return nullptr;
    auto* listing = window->findChild<ListingWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (!listing)
        listing = new ListingWindow(window);  // deletes itself when closed
    listing->show();
    listing->raise();
    listing->activateWindow();
    return listing;
}
