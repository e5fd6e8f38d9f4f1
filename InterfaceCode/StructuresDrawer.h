// The structures drawer of a document window: the list of every pattern the window knows
// (PatternListModel), with a check box that plots a row, its kind icon, its name and a colour
// zone that opens the colour pop-up; selection with the mouse (Control flips a row, Shift grows
// or trims the block) and the keyboard; a button that adds files, a menu of the list's commands
// and the selection count. Files dropped on the drawer join the list unread, through the same
// folder walk as a drop on the window. The work is the engine's (StructuresList.h); the drawer
// asks the confirmations and keeps the view in step with the document.
#pragma once

#include "Records.h"

#include <QStringList>
#include <QWidget>

class MainWindow;
class PatternListModel;
class QLabel;
class QMenu;
class QToolButton;
class StructuresView;
struct WinInfoRec;

// The text of the selection count ("2 of 5 selected").
QString SelectionCountText(int selected, int total);

class StructuresDrawer : public QWidget {
    Q_OBJECT
public:
    StructuresDrawer(MainWindow* window, WinInfoRec* doc, QWidget* parent = nullptr);
    ~StructuresDrawer() override;

    WinInfoRec* Doc() const { return doc_; }
    PatternListModel* Model() const { return model_; }
    StructuresView* View() const { return view_; }
    QLabel* StatusLabel() const { return status_; }
    QToolButton* AddButton() const { return addButton_; }
    QToolButton* CommandsButton() const { return commandsButton_; }

    // Brings the rows, the selection and the count up to date with the document.
    void Refresh();

    // The list's commands, each with its confirmation where it has one.
    void DoAddFiles();                            // a file dialog, then AddPaths
    int AddPaths(const QStringList& paths);       // files and folders, added unread; returns rows added
    void DoPlotSelected();                        // plot every selected, unplotted row
    void DoUnplotSelected();                      // unplot every selected, plotted row
    void DoRemoveSelected();                      // selected rows out of the list (Delete key)
    void DoRemoveAll();
    void DoRemoveUnplotted();
    void DoColourAll();                           // every plotted pattern one chosen colour

    // The check box of a row: plots (only this pattern with alone) or unplots it.
    void TogglePlotted(int row, bool alone);
    // The colour pop-up of a plotted row, opened at a point of the screen; null for rows that
    // are not plotted. The pop-up is not modal: its choice is applied when it is made.
    QMenu* OpenColourPopup(int row, const QPoint& globalPos);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildCommandsMenu();
    void UpdateCommandsMenu();
    void SetDropHighlight(bool on);

    MainWindow* window_;
    WinInfoRec* doc_;
    PatternListModel* model_ = nullptr;
    StructuresView* view_ = nullptr;
    QLabel* status_ = nullptr;
    QToolButton* addButton_ = nullptr;
    QToolButton* commandsButton_ = nullptr;
    QMenu* commandsMenu_ = nullptr;
    QMenu* colourPopup_ = nullptr;
};
