// The view of the structures list.
#include "StructuresView.h"

#include "Alerts.h"
#include "Document.h"
#include "EngineBusy.h"
#include "PatternListModel.h"
#include "StructuresDrawer.h"
#include "StructuresList.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

// Draws the rows the patterns say are selected as selected (the view's own selection is not
// used), dimmed while the list does not have the keyboard focus; a pressed row shows its shade.
class PatternRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), kListRowHeight));
        return size;
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state &= ~QStyle::State_HasFocus;
        const bool pressed = index.data(PatternListModel::PressedRole).toBool();
        if (index.data(PatternListModel::SelectedRole).toBool() && !pressed)
            option->state |= QStyle::State_Selected;
        else
            option->state &= ~QStyle::State_Selected;
        if (option->widget && !option->widget->hasFocus())
            option->state &= ~QStyle::State_Active;
        if (index.column() == PatternListModel::kColumnPlot || index.column() == PatternListModel::kColumnColour ||
            index.column() == PatternListModel::kColumnKind)
            option->displayAlignment = Qt::AlignCenter;
    }
};

}  // namespace

StructuresView::StructuresView(StructuresDrawer* drawer, PatternListModel* model)
    : QTreeView(drawer), drawer_(drawer), model_(model)
{
    setObjectName(QStringLiteral("StructuresView"));
    setModel(model_);
    setItemDelegate(new PatternRowDelegate(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideMiddle);
    setIconSize(QSize(24, 16));  // kind icons keep their 16 pixels; colour swatches are wider
    setFocusPolicy(Qt::StrongFocus);
    setDragEnabled(false);
    QHeaderView* h = header();
    h->setStretchLastSection(false);
    h->setMinimumSectionSize(16);
    h->setSectionResizeMode(PatternListModel::kColumnPlot, QHeaderView::Fixed);
    h->setSectionResizeMode(PatternListModel::kColumnKind, QHeaderView::Fixed);
    h->setSectionResizeMode(PatternListModel::kColumnName, QHeaderView::Stretch);
    h->setSectionResizeMode(PatternListModel::kColumnColour, QHeaderView::Fixed);
    h->resizeSection(PatternListModel::kColumnPlot, 24);
    h->resizeSection(PatternListModel::kColumnKind, 22);
    h->resizeSection(PatternListModel::kColumnColour, 34);
    setMinimumWidth(180);
}

int StructuresView::TopLine() const
{
    return verticalScrollBar()->value();
}

void StructuresView::SetTopLine(int row)
{
    verticalScrollBar()->setValue(std::max(0, row));
}

int StructuresView::VisibleRows() const
{
    const int h = model_->rowCount() > 0 ? std::max(1, rowHeight(model_->index(0, 0))) : kListRowHeight;
    return std::max(1, viewport()->height() / h);
}

void StructuresView::SetDropHighlight(bool on)
{
    dropHighlight_ = on;
    viewport()->update();
}

void StructuresView::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    event->accept();
    if (event->button() != Qt::LeftButton || EngineBusy::Active())
        return;
    WinInfoRec* doc = drawer_->Doc();
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid()) {
        // Below the last row: nothing selected.
        if (DoDeselectFilesList(doc))
            FileListSelectionChanged(doc);
        drawer_->Refresh();
        return;
    }
    const int row = index.row();
    switch (index.column()) {
    case PatternListModel::kColumnPlot:
        drawer_->TogglePlotted(row, event->modifiers().testFlag(Qt::AltModifier));
        return;
    case PatternListModel::kColumnColour:
        // Rows that are not plotted have no colour to change.
        if (model_->data(index, PatternListModel::PlottedRole).toBool())
            drawer_->OpenColourPopup(row, event->globalPosition().toPoint());
        return;
    default: break;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    const ListClick click = mods.testFlag(Qt::ControlModifier) ? ListClick::Toggle
                            : mods.testFlag(Qt::ShiftModifier) ? ListClick::Extend
                                                               : ListClick::Plain;
    DoClickFilesListItem(doc, row, click);
    FileListSelectionChanged(doc);
    drawer_->Refresh();
}

void StructuresView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A second click is a click like the first (no editing, nothing to expand).
    mousePressEvent(event);
}

void StructuresView::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();  // no rubber band, no dragging of rows
}

void StructuresView::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
}

void StructuresView::ArrowKey(int direction)
{
    WinInfoRec* doc = drawer_->Doc();
    const std::vector<VLPatternPtr> before = SelectedPatterns(doc);
    const int row = SelectAdjacentFile(doc, direction);
    if (row < 0)
        return;
    const bool plotted = AnyPlotted(before) || AnyPlotted(SelectedPatterns(doc));
    if (plotted)
        FileListSelectionChanged(doc);
    else if (doc->hooks)
        doc->hooks->UpdateStructuresList(doc);
    drawer_->Refresh();
    const int v = VisibleRows();
    if (row < TopLine())
        SetTopLine(row);
    else if (row >= TopLine() + v)
        SetTopLine(row - v + 1);
}

void StructuresView::keyPressEvent(QKeyEvent* event)
{
    const int n = model_->rowCount();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (n == 0 || EngineBusy::Active() || (mods != Qt::NoModifier && mods != Qt::ShiftModifier)) {
        event->ignore();
        return;
    }
    const int v = VisibleRows();
    switch (event->key()) {
    case Qt::Key_Home: SetTopLine(0); break;
    case Qt::Key_End: SetTopLine(n - v); break;
    case Qt::Key_PageUp: SetTopLine(TopLine() - v); break;
    case Qt::Key_PageDown: SetTopLine(std::min(TopLine() + v, n - v)); break;
    case Qt::Key_Backspace:
    case Qt::Key_Delete: drawer_->DoRemoveSelected(); break;
    case Qt::Key_Up: ArrowKey(-1); break;
    case Qt::Key_Down: ArrowKey(1); break;
    case Qt::Key_Space: {
        // The check box of the first selected row.
        const int row = GetFileListRow(drawer_->Doc(), GetFirstSelectedPatternInFileList(drawer_->Doc()));
        if (row >= 0)
            drawer_->TogglePlotted(row, false);
        break;
    }
    default: event->ignore(); return;
    }
    event->accept();
}

void StructuresView::paintEvent(QPaintEvent* event)
{
    QTreeView::paintEvent(event);
    QPainter p(viewport());
    const QRect r = viewport()->rect();
    if (model_->rowCount() == 0) {
        const QRect box(r.left() + 10, r.center().y() - 14, r.width() - 20, r.bottom() - 10 - (r.center().y() - 14));
        p.setPen(palette().color(QPalette::Text));
        p.drawText(box, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, Localized("Drop_Files_Structures_List"));
    }
    if (dropHighlight_) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(1, 1, -1, -1));
    }
}
