// A document window: toolbar, parameter area, graphics pane with its horizontal scroll bar and
// information bar, and the structures drawer on the right. It owns its document (WinInfoRec)
// and answers the document's requests (WindowHooks); the work itself is the engine's, and the
// document commands (DocumentCommands.h) bring files in and out.
#pragma once

#include "BackgroundDiffraction.h"
#include "Document.h"
#include "ParameterList.h"
#include "ParameterUndo.h"
#include "SessionFile.h"

#include <QMainWindow>

#include <array>
#include <memory>

class Application;
class GraphicsPane;
class InfoBar;
class ParameterListView;
class QAction;
class QDockWidget;
class QFrame;
class QScrollBar;
class QToolBar;
class StructuresDrawer;

// Tools of the toolbar.
enum ToolIndex { kToolArrow = 0, kToolHand = 1, kToolMagnify = 2, kToolDistance = 3 };

// Smallest window, pixels; the toolbar's height comes on top of the height.
inline constexpr int kMainWindowMinWidth = 580;
inline constexpr int kMainWindowMinHeight = 150;
// Width of the structures drawer when it first opens, pixels.
inline constexpr int kDrawerWidth = 190;

class MainWindow : public QMainWindow, public WindowHooks, public LiveDiffraction {
    Q_OBJECT
public:
    MainWindow(Application& app, const QString& name);
    ~MainWindow() override;

    WinInfoRec* Doc() const { return doc_.get(); }
    Application& App() const { return app_; }
    InfoBar* Info() const { return info_; }
    GraphicsPane* Pane() const { return pane_; }
    QToolBar* Toolbar() const { return toolbar_; }
    StructuresDrawer* Structures() const { return structures_; }

    // WindowHooks
    void RedrawWindow(WinInfoRec* theWindow, bool recalcProfiles, bool showProgress) override;
    void RebuildParameterList(WinInfoRec* theWindow) override;
    void UpdateWindowTitle(WinInfoRec* theWindow) override;
    void UpdateToolbar(WinInfoRec* theWindow) override;
    void UpdateStructuresList(WinInfoRec* theWindow) override;
    std::string WindowTitle(const WinInfoRec* theWindow) override;
    void SetWindowModified(WinInfoRec* theWindow, bool modified) override;
    bool IsWindowActive(const WinInfoRec* theWindow) override;
    // LiveDiffraction
    bool DiffractLater(WinInfoRec* theWindow, CrystalDataRec* xp) override;

    // The parameter list and the changes made through it.
    ParameterListView* Parameters() const { return parameterView_; }
    bool UndoParameterChange();
    bool RedoParameterChange();
    const ParameterUndoStack& ParameterUndo() const { return undo_; }
    // A change of the document made outside the list (the crystal editor) begins and ends: kept
    // as one step for Edit > Undo.
    void BeginDocumentEdit() { ParameterChangeBegins(); }
    void EndDocumentEdit() { ParameterChangeEnds(); }
    // Whether every diffraction asked for off the interface thread is done and shown.
    bool LiveRecomputationIdle() const;

    // Panes
    bool ParameterListShown() const;
    void ShowParametersList(bool show);
    bool DrawerOpen() const;
    void ToggleFilesDrawer();
    bool ToolbarShown() const;
    void ShowToolbar(bool show);
    void DoToolbar(int tool);
    // Recomputes the smallest size the window may take (the toolbar's height counts when shown).
    void AdjustResizeLimits();

    // The document's name (file name) and the title made from it.
    void SetDocumentName(const QString& name);
    // Whether the window has unsaved changes.
    bool IsModified() const { return isWindowModified(); }
    void MarkSaved() { setWindowModified(false); }
    // The window's content bounds in screen coordinates, as sessions and preferences store them.
    Rect ContentBounds() const;
    // What a session stores of the window, and the window set from a session.
    SessionWindowState SessionState() const;
    void ApplySessionState(const SessionWindowState& state);

signals:
    void activated(MainWindow* window);
    void closed(MainWindow* window);
    // The document asked for a redraw: what it shows may have changed (the listing follows).
    void documentChanged();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildToolbar();
    void BuildCentralArea();
    QAction* AddToolButton(const char* icon, const QString& tip, const char* command);
    void DeliverDiffraction();
    void ParameterChangeBegins();
    void ParameterChangeEnds();
    // Puts every result of the background diffraction into the document (waiting for them).
    void FinishLiveRecomputation();
    // The scroll bar shows the visible part of the x limits.
    void SyncScrollBar();

    Application& app_;
    std::unique_ptr<WinInfoRec> doc_;
    InfoBar* info_ = nullptr;
    GraphicsPane* pane_ = nullptr;
    QScrollBar* hscroll_ = nullptr;
    QFrame* parameters_ = nullptr;
    ParameterListView* parameterView_ = nullptr;
    std::unique_ptr<BackgroundDiffraction> live_;  // started on the first long recomputation
    ParameterUndoStack undo_;
    bool commitPending_ = false;  // a finished change waits for its diffraction before it is kept
    QDockWidget* drawer_ = nullptr;
    bool drawerSized_ = false;  // given its first width
    StructuresDrawer* structures_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QAction* parametersButton_ = nullptr;
    QAction* drawerButton_ = nullptr;
    QAction* mixButton_ = nullptr;
    QAction* filmButton_ = nullptr;
    std::array<QAction*, 4> toolButtons_{};
    std::vector<QAction*> viewButtons_;  // act on the view
    bool syncingScroll_ = false;          // the scroll bar is being set from the plot
};
