// The structures drawer.
#include "StructuresDrawer.h"

#include "AddFiles.h"
#include "Alerts.h"
#include "Commands.h"
#include "Dialogs.h"
#include "Document.h"
#include "DocumentCommands.h"
#include "EngineBusy.h"
#include "Globals.h"
#include "Icons.h"
#include "MainWindow.h"
#include "PatternListModel.h"
#include "QtDrawingSurface.h"
#include "Status.h"
#include "StringTable.h"
#include "StructuresList.h"
#include "StructuresView.h"
#include "Styling.h"

#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QToolButton>
#include <QVBoxLayout>

#include <string>
#include <vector>

namespace {

QStringList LocalPaths(const QMimeData* data)
{
    QStringList paths;
    if (data && data->hasUrls())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                paths << url.toLocalFile();
    return paths;
}

const char* const kFailedToLoad = "Sorry, the file failed to load";

}  // namespace

QString SelectionCountText(int selected, int total)
{
    return QObject::tr("%1 of %2 selected").arg(selected).arg(total);
}

StructuresDrawer::StructuresDrawer(MainWindow* window, WinInfoRec* doc, QWidget* parent)
    : QWidget(parent), window_(window), doc_(doc)
{
    setObjectName(QStringLiteral("StructuresList"));
    setAcceptDrops(true);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);

    model_ = new PatternListModel(doc_, this);
    view_ = new StructuresView(this, model_);
    column->addWidget(view_, 1);

    auto* row = new QHBoxLayout;
    row->setSpacing(2);
    addButton_ = new QToolButton(this);
    addButton_->setIcon(ListIcon("iSL+"));
    addButton_->setToolTip(tr("Add files to the list"));
    addButton_->setAutoRaise(true);
    connect(addButton_, &QToolButton::clicked, this, [this] { DoAddFiles(); });
    commandsButton_ = new QToolButton(this);
    commandsButton_->setIcon(ListIcon("iShc"));
    commandsButton_->setToolTip(tr("Commands of the list"));
    commandsButton_->setAutoRaise(true);
    commandsButton_->setPopupMode(QToolButton::InstantPopup);
    BuildCommandsMenu();
    commandsButton_->setMenu(commandsMenu_);
    status_ = new QLabel(this);
    status_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(addButton_);
    row->addWidget(commandsButton_);
    row->addWidget(status_, 1);
    column->addLayout(row);
    Refresh();
}

StructuresDrawer::~StructuresDrawer() = default;

void StructuresDrawer::Refresh()
{
    model_->Refresh();
    const int total = model_->rowCount();
    status_->setText(SelectionCountText(model_->SelectedCount(), total));
    view_->viewport()->update();
}

void StructuresDrawer::BuildCommandsMenu()
{
    commandsMenu_ = new QMenu(this);
    commandsMenu_->setObjectName(QStringLiteral("StructuresCommands"));
    auto add = [this](const char* code, const QString& label, auto handler) {
        QAction* a = commandsMenu_->addAction(label);
        a->setData(QString::fromLatin1(code));
        connect(a, &QAction::triggered, this, [this, handler] {
            if (!EngineBusy::Active())
                handler();
        });
    };
    add("+Fil", tr("Add Files…"), [this] { DoAddFiles(); });
    commandsMenu_->addSeparator();
    add("*Fls", tr("Plot Selected"), [this] { DoPlotSelected(); });
    add("!Fls", tr("Unplot Selected"), [this] { DoUnplotSelected(); });
    add("sall", tr("Select All"), [this] { SelectAllFiles(doc_); });
    add("B2Fr", tr("Bring to Front"), [this] { BringSelectedStructuresToFront(doc_); });
    add("S2Bk", tr("Send to Back"), [this] { SendSelectedStructuresToBack(doc_); });
    commandsMenu_->addSeparator();
    add("-Fil", tr("Remove Selected from the List…"), [this] { DoRemoveSelected(); });
    add("-UFl", tr("Remove Unplotted from the List…"), [this] { DoRemoveUnplotted(); });
    add("-Fls", tr("Empty the List…"), [this] { DoRemoveAll(); });
    commandsMenu_->addSeparator();
    add("=PPr", tr("Equal Proportions"), [this] { DoEqualizePhaseProportions(doc_); });
    add("aClz", tr("Colour Automatically"), [this] { DoAutoColorizeFiles(doc_); });
    add("SFCl", tr("Colour All Alike…"), [this] { DoColourAll(); });
    connect(commandsMenu_, &QMenu::aboutToShow, this, [this] { UpdateCommandsMenu(); });
}

void StructuresDrawer::UpdateCommandsMenu()
{
    CommandContext context;
    context.front = doc_;
    context.documentWindows = 1;
    context.drawerOpen = true;
    context.prefs = &gPrefs;
    for (QAction* a : commandsMenu_->actions()) {
        const std::string code = a->data().toString().toStdString();
        if (code.empty())
            continue;
        const CommandStatus st = GetCommandStatus(code, context);
        a->setEnabled(!st.known || st.enabled);
    }
}

void StructuresDrawer::DoAddFiles()
{
    if (EngineBusy::Active())
        return;
    const QStringList files = Dialogs().OpenFiles(window_, tr("Select files to add to the Structures List"), FileFilter::AddFiles);
    if (!files.isEmpty())
        AddPaths(files);
}

int StructuresDrawer::AddPaths(const QStringList& paths)
{
    std::vector<std::string> items;
    for (const QString& p : paths)
        items.push_back(p.toStdString());
    // The folder walk of a drop on the window; sessions are documents, not rows of a list.
    const int added = AddFilesToFileList(doc_, CollectFiles(items, false));
    Refresh();
    return added;
}

void StructuresDrawer::DoPlotSelected()
{
    if (!GetFirstSelectedPatternInFileList(doc_) ||
        !Dialogs().Choice(window_, tr("Are you sure you want to plot all the selected files?"), tr("Continue")))
        return;
    if (AddSelectedFilesToDiffraction(doc_, gPrefs) > 0)
        MyCFStopAlertText(kFailedToLoad);
    Refresh();
}

void StructuresDrawer::DoUnplotSelected()
{
    if (!doc_->fileList.empty() &&
        !Dialogs().Choice(window_, tr("Are you sure you want to discard the selected diffraction patterns?"), tr("Continue")))
        return;
    RemoveSelectedFilesFromDiffraction(doc_);
    Refresh();
}

void StructuresDrawer::DoRemoveSelected()
{
    if (!GetFirstSelectedPatternInFileList(doc_) ||
        !Dialogs().Choice(window_, tr("Remove selected files from the list?"), tr("Remove")))
        return;
    DestroyFileListSelection(doc_);
    Refresh();
}

void StructuresDrawer::DoRemoveAll()
{
    if (doc_->fileList.empty() || !Dialogs().Choice(window_, tr("Empty the entire contents of the list?"), tr("Continue")))
        return;
    DestroyFileListAll(doc_);
    Refresh();
}

void StructuresDrawer::DoRemoveUnplotted()
{
    if (doc_->fileList.empty() ||
        !Dialogs().Choice(window_, tr("Are you sure you want to remove all unchecked (unplotted) files?"), tr("Remove")))
        return;
    DestroyFileListUnplotted(doc_);
    Refresh();
}

void StructuresDrawer::DoColourAll()
{
    if (doc_->plotList.empty())
        return;
    RGBColor c = kRGBBlack;
    if (Dialogs().PickColour(window_, QString(), c))
        DoResetFileColors(doc_, c);
}

void StructuresDrawer::TogglePlotted(int row, bool alone)
{
    if (EngineBusy::Active())
        return;
    VLPatternPtr pattern = model_->PatternAt(row);
    if (!pattern)
        return;
    if (pattern->plotted) {
        UnplotFileListPattern(doc_, pattern);
    } else if (!PlotFileListPattern(doc_, pattern, alone, gPrefs)) {
        MyCFStopAlertText(kFailedToLoad);
    }
    Refresh();
}

QMenu* StructuresDrawer::OpenColourPopup(int row, const QPoint& globalPos)
{
    VLPatternPtr pattern = model_->PatternAt(row);
    RGBColor current;
    if (!pattern || !PatternPlotColor(pattern, &current) || EngineBusy::Active())
        return nullptr;
    if (!colourPopup_) {
        colourPopup_ = new QMenu(this);
        colourPopup_->setObjectName(QStringLiteral("ColourPopup"));
        connect(colourPopup_, &QMenu::aboutToHide, this, [this] { model_->SetPressedRow(-1); });
    }
    colourPopup_->clear();
    // The choice applies to the pattern only while it is still plotted in this window.
    auto apply = [this, pattern](const RGBColor& c) {
        RGBColor dummy;
        if (!EngineBusy::Active() && PatternIsInFileList(doc_, pattern) && PatternPlotColor(pattern, &dummy))
            DoFileColor(doc_, pattern, c);
    };
    for (const RGBColor& c : gMenuFileColor) {
        QAction* a = colourPopup_->addAction(PatternListModel::ColourSwatch(ToQColor(c), false), QString());
        a->setCheckable(true);
        a->setChecked(c == current);
        a->setProperty("colour", ToQColor(c));
        connect(a, &QAction::triggered, this, [apply, c] { apply(c); });
    }
    colourPopup_->addSeparator();
    QAction* other = colourPopup_->addAction(tr("Other Colour…"));
    other->setObjectName(QStringLiteral("OtherColour"));
    connect(other, &QAction::triggered, this, [this, pattern, apply] {
        RGBColor c;
        if (!PatternIsInFileList(doc_, pattern) || !PatternPlotColor(pattern, &c))
            return;
        if (Dialogs().PickColour(window_, QString(), c))
            apply(c);
    });
    model_->SetPressedRow(row);
    colourPopup_->popup(globalPos);
    return colourPopup_;
}

void StructuresDrawer::SetDropHighlight(bool on)
{
    view_->SetDropHighlight(on);
}

void StructuresDrawer::dragEnterEvent(QDragEnterEvent* event)
{
    if (DropAcceptable(LocalPaths(event->mimeData()))) {
        event->acceptProposedAction();
        SetDropHighlight(true);
    }
}

void StructuresDrawer::dragMoveEvent(QDragMoveEvent* event)
{
    event->acceptProposedAction();
}

void StructuresDrawer::dragLeaveEvent(QDragLeaveEvent*)
{
    SetDropHighlight(false);
}

void StructuresDrawer::dropEvent(QDropEvent* event)
{
    SetDropHighlight(false);
    if (EngineBusy::Active())
        return;
    const QStringList paths = LocalPaths(event->mimeData());
    if (!DropAcceptable(paths))
        return;
    event->acceptProposedAction();
    AddPaths(paths);
}
