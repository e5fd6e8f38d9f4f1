// The view of the structures list inside the drawer: rows of the pattern model with the check box
// at the left, the colour zone at the right and the name between. Clicks and keys go to the
// engine's list rules instead of the view's own selection, so the selection stays the
// patterns' (the view draws the rows the patterns say are selected). With an empty list the
// view shows where files can be dropped.
#pragma once

#include <QTreeView>

class PatternListModel;
class StructuresDrawer;

// Height of a row, pixels.
inline constexpr int kListRowHeight = 19;

class StructuresView : public QTreeView {
    Q_OBJECT
public:
    StructuresView(StructuresDrawer* drawer, PatternListModel* model);

    // Index of the first row shown, and setting it (limited to the rows there are).
    int TopLine() const;
    void SetTopLine(int row);
    // Rows that fit whole in the view.
    int VisibleRows() const;
    void SetDropHighlight(bool on);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void ArrowKey(int direction);

    StructuresDrawer* drawer_;
    PatternListModel* model_;
    bool dropHighlight_ = false;
};
