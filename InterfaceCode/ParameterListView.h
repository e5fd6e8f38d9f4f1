// The parameter list pane of a document window: the rows of folders and items with their
// scroll bar, and under them the slider, text field and small arrows of the selected item. The
// list itself (folders, items, values, what each change does) is the engine's
// (ParameterList.h); this pane draws it and turns mouse and keyboard into its calls. A change
// made here is announced by changeBegins before the first value is applied and by changeEnds
// when it is finished (slider released, value typed, arrow clicked), so the window can keep one
// undo step per change.
#pragma once

#include <QWidget>

struct WinInfoRec;
class QLabel;
class QLineEdit;
class QScrollBar;
class QSlider;
class QToolButton;
class ParameterRows;

class ParameterListView : public QWidget {
    Q_OBJECT
public:
    ParameterListView(WinInfoRec* doc, QWidget* parent);

    // Shows the list as the document holds it now: rows, scroll bar, slider area.
    void Refresh();
    // Whether the slider is being dragged.
    bool Dragging() const { return dragging_; }

    QWidget* Rows() const;
    QScrollBar* ScrollBar() const { return scroll_; }
    QSlider* Slider() const { return slider_; }
    QLineEdit* Field() const { return field_; }
    QLabel* Unit() const { return unit_; }
    QToolButton* UpArrow() const { return up_; }
    QToolButton* DownArrow() const { return down_; }

    // Rows shown at once in the pane's present height.
    int VisibleLines() const;

signals:
    void changeBegins();
    void changeEnds();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class ParameterRows;
    void RowsClicked(int y);
    void RowsScrolled(int lines);
    void MoveSelection(bool down);
    void EnsureSelectionVisible();
    void SliderMoved(int position);
    void SliderPressed();
    void SliderReleased();
    void TextEntered();
    void ArrowClicked(bool up);
    void ShowSelectedValue();
    void UpdateScrollBar();

    WinInfoRec* doc_;
    ParameterRows* rows_ = nullptr;
    QScrollBar* scroll_ = nullptr;
    QWidget* controls_ = nullptr;
    QSlider* slider_ = nullptr;
    QLineEdit* field_ = nullptr;
    QLabel* unit_ = nullptr;  // the unit of the selected item's value
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    bool dragging_ = false;
    bool updating_ = false;  // the slider or scroll bar is being set from the document
};
