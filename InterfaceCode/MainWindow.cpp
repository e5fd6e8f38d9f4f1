// The document window.
#include "MainWindow.h"

#include "Application.h"
#include "CommandTable.h"
#include "Diffraction.h"
#include "DocumentCommands.h"
#include "EngineBusy.h"
#include "Globals.h"
#include "GraphicsPane.h"
#include "Icons.h"
#include "InfoBar.h"
#include "ParameterList.h"
#include "ParameterListView.h"
#include "PlotCommands.h"
#include "Status.h"
#include "StringTable.h"
#include "StructuresDrawer.h"
#include "StructuresList.h"
#include "ViewTransforms.h"
#include "DistanceTool.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace {

const char* const kToolPrompts[] = {"Arrow_Tool_Prompt", "Scroll_Tool_Prompt", "Magnify_Tool_Prompt", "Distance_Tool_Prompt"};

// A held toolbar button repeats its step after this delay, at this interval, ms.
constexpr int kToolbarRepeatDelayMs = 300;
constexpr int kToolbarRepeatIntervalMs = 40;

}  // namespace

// A new document shows its axis type's default range: the limits are reset before it copies
// the preferences' settings.
MainWindow::MainWindow(Application& app, const QString& name)
    : app_(app), doc_((ResetGlobalPlotLimits(gPrefs.plotSpecs), CreateWindowInfo(gPrefs)))
{
    setAttribute(Qt::WA_DeleteOnClose);
    // Files and folders dropped from the desktop are added to the document.
    setAcceptDrops(true);
    doc_->hooks = this;

    BuildCentralArea();
    doc_->statusSink = info_;
    BuildToolbar();
    BuildMenus(menuBar(), app_, this);
    resize(900, 620);
    AdjustResizeLimits();
    SetDocumentName(name);
    setWindowModified(false);
    UpdateToolbar(doc_.get());
    RebuildParameterList(doc_.get());
}

MainWindow::~MainWindow()
{
    // The children hide as the window goes: their signals must not reach it any more.
    disconnect(drawer_, nullptr, this, nullptr);
    // No diffraction may finish into a window that is going.
    live_.reset();
    // The document goes first: nothing may call back into a half-destroyed window.
    if (doc_) {
        doc_->hooks = nullptr;
        doc_->statusSink = nullptr;
    }
    doc_.reset();
}

void MainWindow::BuildCentralArea()
{
    // Children are owned by their Qt parent.
    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    parameters_ = new QFrame(central);
    parameters_->setFrameShape(QFrame::StyledPanel);
    parameters_->setFixedWidth(220);
    auto* parameterLayout = new QVBoxLayout(parameters_);
    parameterLayout->setContentsMargins(1, 1, 1, 1);
    parameterView_ = new ParameterListView(doc_.get(), parameters_);
    parameterLayout->addWidget(parameterView_);
    connect(parameterView_, &ParameterListView::changeBegins, this, &MainWindow::ParameterChangeBegins);
    connect(parameterView_, &ParameterListView::changeEnds, this, &MainWindow::ParameterChangeEnds);
    row->addWidget(parameters_);

    auto* graphics = new QWidget(central);
    auto* column = new QVBoxLayout(graphics);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    pane_ = new GraphicsPane(doc_.get(), graphics);
    hscroll_ = new QScrollBar(Qt::Horizontal, graphics);
    hscroll_->setObjectName(QStringLiteral("PlotScrollBar"));
    hscroll_->setEnabled(false);
    connect(pane_, &GraphicsPane::rendered, this, &MainWindow::SyncScrollBar);
    connect(hscroll_, &QScrollBar::valueChanged, this, [this](int value) {
        // Moved by the user: the plot scrolls by whole units of the bar.
        if (syncingScroll_ || EngineBusy::Active())
            return;
        DoScrollPixels(doc_.get(), HorizontalScrollPixelShift(doc_.get(), value));
        SyncScrollBar();
    });
    info_ = new InfoBar(graphics);
    connect(info_->ZoomButton(), &QToolButton::clicked, this, [this] {
        if (!EngineBusy::Active())
            ZoomDistanceLimits(doc_.get());
        info_->ZoomButton()->hide();
    });
    connect(pane_, &GraphicsPane::distanceChanged, this,
            [this] { info_->ZoomButton()->setVisible(DistanceZoomAvailable(doc_.get())); });
    column->addWidget(pane_, 1);
    column->addWidget(hscroll_);
    column->addWidget(info_);
    row->addWidget(graphics, 1);
    setCentralWidget(central);

    drawer_ = new QDockWidget(tr("Structures"), this);
    drawer_->setObjectName(QStringLiteral("StructuresDrawer"));
    structures_ = new StructuresDrawer(this, doc_.get(), drawer_);
    drawer_->setWidget(structures_);
    drawer_->setFeatures(QDockWidget::DockWidgetClosable);
    addDockWidget(Qt::RightDockWidgetArea, drawer_);
    drawer_->hide();
    // The drawer's own close button hides it as the toolbar button does.
    connect(drawer_, &QDockWidget::visibilityChanged, this, [this] { UpdateToolbar(doc_.get()); });
}

QAction* MainWindow::AddToolButton(const char* icon, const QString& tip, const char* command)
{
    QToolBar* bar = findChild<QToolBar*>(QStringLiteral("MainToolbar"));
    QAction* action = bar->addAction(ToolbarIcon(icon), tip);
    action->setData(QString::fromLatin1(command));
    return action;
}

void MainWindow::BuildToolbar()
{
    auto* bar = new QToolBar(tr("Toolbar"), this);
    toolbar_ = bar;
    bar->setObjectName(QStringLiteral("MainToolbar"));
    bar->toggleViewAction()->setEnabled(false);  // shown or hidden through ShowToolbar only
    bar->setMovable(false);
    bar->setIconSize(QSize(24, 24));
    addToolBar(Qt::TopToolBarArea, bar);

    parametersButton_ = AddToolButton("iTPL", tr("Show or hide the parameter list"), "tgPL");
    parametersButton_->setCheckable(true);
    connect(parametersButton_, &QAction::triggered, this, [this](bool on) { ShowParametersList(on); });
    bar->addSeparator();

    auto* tools = new QActionGroup(this);
    const char* icons[4] = {"iArT", "iMvT", "iMgT", "iDsT"};
    const char* codes[4] = {"tArr", "tMov", "tMag", "tDst"};
    const QString tips[4] = {tr("Arrow: read out values (A)"), tr("Hand: scroll the plot (H)"),
                             tr("Magnify: zoom in, with Shift zoom out, or drag a band (Z)"), tr("Distance: measure (D)")};
    for (int i = 0; i < 4; ++i) {
        toolButtons_[static_cast<std::size_t>(i)] = AddToolButton(icons[i], tips[i], codes[i]);
        toolButtons_[static_cast<std::size_t>(i)]->setCheckable(true);
        tools->addAction(toolButtons_[static_cast<std::size_t>(i)]);
        connect(toolButtons_[static_cast<std::size_t>(i)], &QAction::triggered, this, [this, i] { DoToolbar(i); });
    }
    toolButtons_[0]->setChecked(true);
    bar->addSeparator();

    // View transforms: expand and contract, autoscale, relative scale, shifts. Those that step
    // repeat for as long as the button is held; Shift makes the shifts and scales larger.
    WinInfoRec* doc = doc_.get();
    auto shift = [] { return static_cast<bool>(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier); };
    const struct {
        const char* icon;
        const char* tip;
        const char* code;
        bool repeat;
        std::function<void()> act;
    } view[] = {
        {"iyS+", "Expand y", "tEYp", true, [doc] { DoExpandY(doc, 1.01); }},
        {"iyS-", "Contract y", "tEYm", true, [doc] { DoExpandY(doc, 0.99); }},
        {"ixS+", "Expand x (Up)", "tEXp", true, [doc] { DoExpandX(doc, 1.05); }},
        {"ixS-", "Contract x (Down)", "tEXm", true, [doc] { DoExpandX(doc, 0.95); }},
        {"iAxy", "Autoscale (double-click the plot)", "tAXY", false, [doc] { DoAutoscale(doc); }},
        {"iAy ", "Autoscale y", "tAuY", false, [doc] { DoAutoscaleY(doc); }},
        {"iP+Y", "Increase the relative scale of the data", "tRSp", true, [doc, shift] { DoIncreaseRelativeScale(doc, 1.01, shift()); }},
        {"iP-Y", "Decrease the relative scale of the data", "tRSm", true, [doc, shift] { DoIncreaseRelativeScale(doc, 0.99, shift()); }},
        {"i-Dx", "Shift left", "tSLf", true, [doc, shift] { DoShiftX(doc, -1, shift()); }},
        {"i+Dx", "Shift right", "tSRt", true, [doc, shift] { DoShiftX(doc, 1, shift()); }},
        {"i+Dy", "Shift up", "tSUp", true, [doc, shift] { DoShiftY(doc, 1, shift()); }},
        {"i-Dy", "Shift down", "tSDn", true, [doc, shift] { DoShiftY(doc, -1, shift()); }},
        {"i0Dx", "Reset the shifts", "t0Sh", false, [doc] { DoResetXYOffsets(doc); }},
    };
    for (const auto& v : view) {
        QAction* a = AddToolButton(v.icon, tr(v.tip), v.code);
        connect(a, &QAction::triggered, this, [act = v.act] {
            if (!EngineBusy::Active())
                act();
        });
        if (v.repeat)
            if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(a))) {
                button->setAutoRepeat(true);
                button->setAutoRepeatDelay(kToolbarRepeatDelayMs);
                button->setAutoRepeatInterval(kToolbarRepeatIntervalMs);
            }
        viewButtons_.push_back(a);
    }
    bar->addSeparator();
    mixButton_ = AddToolButton("iMix", Localized("Toolbar_Mix_Help"), "tMix");
    connect(mixButton_, &QAction::triggered, this, [this] { TogglePlotMixture(doc_.get()); });
    filmButton_ = AddToolButton("iFlm", Localized("Toolbar_Film_Help"), "tGoF");
    connect(filmButton_, &QAction::triggered, this, [this] { TogglePlotGraphOrFilm(doc_.get()); });

    auto* spacer = new QWidget(bar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(spacer);
    drawerButton_ = AddToolButton("iTSL", Localized("Toolbar_Open_Drawer"), "tgSL");
    connect(drawerButton_, &QAction::triggered, this, [this] { ToggleFilesDrawer(); });
}

void MainWindow::RedrawWindow(WinInfoRec*, bool recalcProfiles, bool showProgress)
{
    pane_->RequestRedraw(recalcProfiles, showProgress);
    // Whatever changed the plot may have changed the rows (a session read, a colour); the list
    // announces only what differs.
    if (structures_)
        structures_->Refresh();
    emit documentChanged();
}

std::string MainWindow::WindowTitle(const WinInfoRec*)
{
    QString title = windowTitle();
    title.remove(QStringLiteral("[*]"));
    return title.toStdString();
}

void MainWindow::SetWindowModified(WinInfoRec*, bool modified)
{
    // Every drawing of patterns reports a change; only those that follow a change of the document
    // count (not a window uncovered or resized).
    if (!modified || pane_->DrawingForChange()) {
        setWindowModified(modified);
        if (modified)
            app_.Recovery().DocumentChanged(this);
    }
}

bool MainWindow::IsWindowActive(const WinInfoRec*)
{
    return isActiveWindow();
}

void MainWindow::RebuildParameterList(WinInfoRec*)
{
    RebuildParameterFolders(doc_.get());
    parameterView_->Refresh();
}

bool MainWindow::DiffractLater(WinInfoRec*, CrystalDataRec* xp)
{
    if (!live_)
        live_ = std::make_unique<BackgroundDiffraction>([this] {
            // On the worker thread: the result is taken in by the window's own thread.
            QMetaObject::invokeMethod(this, &MainWindow::DeliverDiffraction, Qt::QueuedConnection);
        });
    return live_->Request(doc_.get(), xp);
}

void MainWindow::DeliverDiffraction()
{
    if (!live_)
        return;
    if (EngineBusy::Active()) {
        // The engine is in the middle of its work on this document: a little later.
        QTimer::singleShot(20, this, &MainWindow::DeliverDiffraction);
        return;
    }
    if (live_->Deliver(doc_.get()) > 0) {
        pane_->RequestRedraw(true, false);
        parameterView_->Refresh();
        emit documentChanged();
    }
    if (commitPending_ && live_->Idle()) {
        commitPending_ = false;
        undo_.Commit(doc_.get());
    }
}

void MainWindow::FinishLiveRecomputation()
{
    if (!live_)
        return;
    while (!live_->Idle()) {
        live_->WaitUntilComputed();
        if (live_->Deliver(doc_.get()) > 0) {
            pane_->RequestRedraw(true, false);
            parameterView_->Refresh();
            emit documentChanged();
        }
    }
}

bool MainWindow::LiveRecomputationIdle() const
{
    return (!live_ || live_->Idle()) && !commitPending_;
}

void MainWindow::ParameterChangeBegins()
{
    if (commitPending_) {
        // The change before is kept first, with its final pattern.
        FinishLiveRecomputation();
        commitPending_ = false;
        undo_.Commit(doc_.get());
    }
    undo_.Begin(doc_.get());
}

void MainWindow::ParameterChangeEnds()
{
    if (live_)
        live_->Hurry();  // the value it ends on first, not one it passed
    if (live_ && !live_->Idle())
        commitPending_ = true;  // kept when the last diffraction is in (DeliverDiffraction)
    else
        undo_.Commit(doc_.get());
}

bool MainWindow::UndoParameterChange()
{
    if (parameterView_->Dragging())
        return false;
    FinishLiveRecomputation();
    if (commitPending_) {
        commitPending_ = false;
        undo_.Commit(doc_.get());
    }
    return undo_.Undo(doc_.get());
}

bool MainWindow::RedoParameterChange()
{
    if (parameterView_->Dragging())
        return false;
    FinishLiveRecomputation();
    if (commitPending_) {
        commitPending_ = false;
        undo_.Commit(doc_.get());
    }
    return undo_.Redo(doc_.get());
}

void MainWindow::UpdateWindowTitle(WinInfoRec*)
{
    const std::string name = doc_->filename.empty() ? LocalizedString("Untitled") : doc_->filename;
    setWindowTitle(QString::fromStdString(WindowTitleText(doc_->plotSpecs, name)) + QStringLiteral("[*]"));
}

void MainWindow::UpdateToolbar(WinInfoRec*)
{
    const bool any = !doc_->plotList.empty();
    for (QAction* tool : toolButtons_)
        tool->setEnabled(any);
    const bool dataset = GetFrontSelectedDataset(doc_.get()) != nullptr;
    const bool selected = dataset || GetFrontSelectedCrystal(doc_.get()) != nullptr;
    for (QAction* a : viewButtons_) {
        const QString code = a->data().toString();
        if (code == QLatin1String("tRSp") || code == QLatin1String("tRSm"))
            a->setEnabled(dataset);
        else if (code.startsWith(QLatin1String("tS")) || code == QLatin1String("t0Sh"))
            a->setEnabled(selected);
        else
            a->setEnabled(any);
    }
    const bool mixed = doc_->plotSpecs.plotMixture;
    mixButton_->setIcon(ToolbarIcon(mixed ? "iUMx" : "iMix"));
    mixButton_->setToolTip(Localized(mixed ? "Toolbar_Unmix_Help" : "Toolbar_Mix_Help"));
    const bool films = doc_->plotSpecs.plotType < 0;
    filmButton_->setIcon(ToolbarIcon(films ? "iGrf" : "iFlm"));
    filmButton_->setToolTip(Localized(films ? "Toolbar_Graph_Help" : "Toolbar_Film_Help"));
    drawerButton_->setToolTip(Localized(DrawerOpen() ? "Toolbar_Close_Drawer" : "Toolbar_Open_Drawer"));
    parametersButton_->setChecked(ParameterListShown());
}

void MainWindow::UpdateStructuresList(WinInfoRec*)
{
    if (structures_)
        structures_->Refresh();
    // The selection decides which view buttons act.
    UpdateToolbar(doc_.get());
}

void MainWindow::SyncScrollBar()
{
    const HorizontalScrollRec bar = SetHorizontalScroll(doc_.get());
    syncingScroll_ = true;
    hscroll_->setRange(0, bar.maximum);
    hscroll_->setPageStep(std::max(1, bar.page));
    hscroll_->setSingleStep(1);
    hscroll_->setValue(bar.value);
    hscroll_->setEnabled(bar.maximum > 0 && !doc_->plotList.empty());
    syncingScroll_ = false;
}

bool MainWindow::ParameterListShown() const
{
    return !parameters_->isHidden();
}

void MainWindow::ShowParametersList(bool show)
{
    parameters_->setVisible(show);
    if (show)
        RebuildParameterList(doc_.get());
    parametersButton_->setChecked(show);
}

bool MainWindow::DrawerOpen() const
{
    return !drawer_->isHidden();
}

void MainWindow::ToggleFilesDrawer()
{
    drawer_->setVisible(!DrawerOpen());
    // Opened the first time, the drawer takes no more room than its names need, leaving the plot
    // most of the window.
    if (DrawerOpen() && !drawerSized_) {
        drawerSized_ = true;
        resizeDocks({drawer_}, {kDrawerWidth}, Qt::Horizontal);
    }
    UpdateToolbar(doc_.get());
    AdjustResizeLimits();
}

bool MainWindow::ToolbarShown() const
{
    return !toolbar_->isHidden();
}

void MainWindow::ShowToolbar(bool show)
{
    toolbar_->setVisible(show);
    AdjustResizeLimits();
}

void MainWindow::AdjustResizeLimits()
{
    const int toolbar = ToolbarShown() ? toolbar_->sizeHint().height() : 0;
    setMinimumSize(kMainWindowMinWidth, kMainWindowMinHeight + toolbar);
}

void MainWindow::DoToolbar(int tool)
{
    if (tool < 0 || tool > 3)
        return;
    toolButtons_[static_cast<std::size_t>(tool)]->setChecked(true);
    const bool wasDistance = doc_->currentTool == kToolDistance;
    doc_->currentTool = static_cast<SInt16>(tool);
    info_->ZoomButton()->hide();
    if (tool == kToolDistance) {
        InitDistanceTool(doc_.get());  // shows its prompt
    } else {
        ShowLocalizedStatus(doc_.get(), kToolPrompts[tool]);
        if (wasDistance)
            pane_->ComposeOverlay();  // its lines go
    }
}

void MainWindow::SetDocumentName(const QString& name)
{
    doc_->filename = name.toStdString();
    UpdateWindowTitle(doc_.get());
}

void MainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        emit activated(this);
    // Saved, or its changes dropped: nothing left to recover.
    if (event->type() == QEvent::ModifiedChange && !isWindowModified())
        app_.Recovery().DocumentSaved(this);
    QMainWindow::changeEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Not while the engine is in the middle of its work on this or another document, and not
    // without the save-changes question (quitting does not ask).
    if (EngineBusy::Active() || (!quittingTime && !ConfirmClose(this))) {
        event->ignore();
        return;
    }
    // Closed without saving, the changes were dropped; quitting keeps them for the next start.
    app_.Recovery().WindowClosing(this, quittingTime);
    emit closed(this);
    event->accept();
}

Rect MainWindow::ContentBounds() const
{
    const QRect g = geometry();
    auto clamp16 = [](int v) { return static_cast<SInt16>(std::clamp(v, -32768, 32767)); };
    return Rect{clamp16(g.top()), clamp16(g.left()), clamp16(g.top() + g.height()), clamp16(g.left() + g.width())};
}

SessionWindowState MainWindow::SessionState() const
{
    SessionWindowState state;
    state.bounds = ContentBounds();
    state.hasBounds = true;
    state.showToolbar = ToolbarShown();
    state.showParameters = ParameterListShown();
    state.showFiles = DrawerOpen();
    return state;
}

void MainWindow::ApplySessionState(const SessionWindowState& state)
{
    ShowToolbar(state.showToolbar);
    ShowParametersList(state.showParameters);
    if (static_cast<bool>(state.showFiles) != DrawerOpen())
        ToggleFilesDrawer();
    if (state.hasBounds) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
        const Rect screenRect{static_cast<SInt16>(area.top()), static_cast<SInt16>(area.left()),
                              static_cast<SInt16>(area.top() + area.height()),
                              static_cast<SInt16>(area.left() + area.width())};
        const Rect b = DoSessionWindowBounds(state.bounds, screenRect);
        setGeometry(b.left, b.top, b.Width(), b.Height());
    }
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    // Single letters choose a tool or show and hide the panes.
    // The arrows and Home act on the plot.
    if (pane_->HandleKey(event))
        return;
    const Qt::KeyboardModifiers mods = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (mods == Qt::NoModifier) {
        switch (event->key()) {
        case Qt::Key_A: DoToolbar(kToolArrow); return;
        case Qt::Key_H: DoToolbar(kToolHand); return;
        case Qt::Key_Z: DoToolbar(kToolMagnify); return;
        case Qt::Key_D: DoToolbar(kToolDistance); return;
        case Qt::Key_P: ShowParametersList(!ParameterListShown()); return;
        case Qt::Key_S: ToggleFilesDrawer(); return;
        default: break;
        }
    }
    QMainWindow::keyPressEvent(event);
}

namespace {

QStringList LocalPaths(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    return paths;
}

}  // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (DropAcceptable(LocalPaths(event->mimeData()))) {
        event->acceptProposedAction();
        pane_->SetDropHighlight(true);
    }
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event)
{
    event->acceptProposedAction();
}

void MainWindow::dragLeaveEvent(QDragLeaveEvent*)
{
    pane_->SetDropHighlight(false);
}

void MainWindow::dropEvent(QDropEvent* event)
{
    pane_->SetDropHighlight(false);
    if (EngineBusy::Active())
        return;
    const QStringList paths = LocalPaths(event->mimeData());
    if (!DropAcceptable(paths))
        return;
    event->acceptProposedAction();
    DropFilesOnWindow(this, paths);
}
