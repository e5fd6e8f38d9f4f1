// The parameter list pane.
#include "ParameterListView.h"

#include "Document.h"
#include "ParameterList.h"
#include "Settings.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QSlider>
#include <QStyleOption>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

namespace {

QColor ToQColor(const RGBColor& c)
{
    return QColor::fromRgb(c.red >> 8, c.green >> 8, c.blue >> 8);
}

// The row font: a pixel size that leaves room above and below the text in a row at any device
// pixel ratio (Qt scales pixel sizes with the ratio).
QFont RowFont(const QFont& base, bool bold)
{
    QFont f = base;
    f.setPixelSize(12);
    f.setBold(bold);
    return f;
}

// The unit of an item's value: the x axis's for the widths and offsets measured along it, else
// the one its name gives in brackets.
QString ItemUnit(const WinInfoRec* doc, const FolderRec& folder, const ItemRec& item)
{
    if (folder.name == "Instrument" && (item.name == "Peak Width" || item.name == "Zero correction"))
        return QString::fromStdString(PeakWidthUnitLabel(doc->plotSpecs.axisType));
    const auto open = item.name.find('['), close = item.name.rfind(']');
    if (open != std::string::npos && close != std::string::npos && close > open)
        return QString::fromStdString(item.name.substr(open + 1, close - open - 1)).replace(QStringLiteral("**3"),
                                                                                           QStringLiteral("³"));
    if (item.name == "Percent Strain")
        return QStringLiteral("%");
    return {};
}

}  // namespace

// The rows of the list, drawn from the document's folders.
class ParameterRows : public QWidget {
public:
    ParameterRows(WinInfoRec* doc, ParameterListView* view) : QWidget(view), doc_(doc), view_(view)
    {
        setFocusPolicy(Qt::StrongFocus);
        setMinimumHeight(kParameterLineHeight * 3);
        setAccessibleName(QStringLiteral("Parameter list"));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().base());
        const bool active = window()->isActiveWindow();
        const QColor selected = palette().color(active ? QPalette::Active : QPalette::Inactive, QPalette::Highlight);
        const QColor selectedText =
            palette().color(active ? QPalette::Active : QPalette::Inactive, QPalette::HighlightedText);
        const int w = width();
        const SInt32 lines = CountParameterLines(doc_);
        const SInt32 selectedLine = SelectedParameterLine(doc_);
        for (SInt32 line = doc_->topParameterLine, y = 0; line < lines && y < height(); ++line, y += kParameterLineHeight) {
            SInt32 f = -1, i = -1;
            if (!GetParameterLine(doc_, line, &f, &i))
                break;
            const FolderRec& folder = doc_->folders[static_cast<std::size_t>(f)];
            const QRect row(0, y, w, kParameterLineHeight);
            const QRect text = row.adjusted(20, 0, -4, 0);
            if (i < 0) {
                p.fillRect(row, ToQColor(kFolderBackColor));
                p.setPen(ToQColor(kFolderDividerColor));
                p.drawLine(0, y + kParameterLineHeight - 1, w, y + kParameterLineHeight - 1);
                QStyleOption arrow;
                arrow.initFrom(this);
                arrow.rect = QRect(2, y + 1, 16, 16);
                arrow.palette.setColor(QPalette::ButtonText, Qt::black);
                arrow.palette.setColor(QPalette::WindowText, Qt::black);
                style()->drawPrimitive(folder.open ? QStyle::PE_IndicatorArrowDown : QStyle::PE_IndicatorArrowRight,
                                       &arrow, &p, this);
                p.setFont(RowFont(font(), true));
                p.setPen(Qt::black);
                p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                           p.fontMetrics().elidedText(QString::fromStdString(folder.name), Qt::ElideRight, text.width()));
                continue;
            }
            const ItemRec& item = folder.items[static_cast<std::size_t>(i)];
            const bool isSelected = line == selectedLine;
            p.fillRect(row, isSelected ? selected : ToQColor(item.isGlobal ? kGlobalItemBackColor : kLocalItemBackColor));
            p.setPen(ToQColor(kItemDividerColor));
            p.drawLine(0, y + kParameterLineHeight - 1, w, y + kParameterLineHeight - 1);
            p.setFont(RowFont(font(), false));
            p.setPen(isSelected ? selectedText : QColor(Qt::black));
            const QString value = QString::fromStdString(FormatParameterValue(item.value));
            const int valueWidth = p.fontMetrics().horizontalAdvance(value);
            p.drawText(text, Qt::AlignRight | Qt::AlignVCenter, value);
            // Long names (patterns of a mixture) are shortened in the middle.
            const int nameEnd = item.name2.empty() ? text.width() - valueWidth - 6 : w - 55 - 20 - 4;
            const int nameWidth = std::max(10, std::min(nameEnd, w - 60));
            p.drawText(QRect(text.left(), y, nameWidth, kParameterLineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                       p.fontMetrics().elidedText(QString::fromStdString(item.name), Qt::ElideMiddle, nameWidth));
            if (!item.name2.empty())
                p.drawText(QRect(w - 55, y, 55 - 4 - valueWidth, kParameterLineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                           QString::fromStdString(item.name2));
        }
        if (hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = rect();
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
        }
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        setFocus(Qt::MouseFocusReason);
        if (event->button() == Qt::LeftButton)
            view_->RowsClicked(static_cast<int>(event->position().y()));
    }

    void wheelEvent(QWheelEvent* event) override
    {
        // One line per notch.
        wheelRest_ += event->angleDelta().y();
        const int notches = wheelRest_ / 120;
        wheelRest_ -= notches * 120;
        if (notches != 0)
            view_->RowsScrolled(-notches);
        event->accept();
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        switch (event->key()) {
        case Qt::Key_Up: view_->MoveSelection(false); return;
        case Qt::Key_Down: view_->MoveSelection(true); return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Into the text field of the selected item.
            if (view_->field_->isVisible()) {
                view_->field_->setFocus(Qt::TabFocusReason);
                view_->field_->selectAll();
            }
            return;
        default: QWidget::keyPressEvent(event);
        }
    }

    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        view_->UpdateScrollBar();
    }

private:
    WinInfoRec* doc_;
    ParameterListView* view_;
    int wheelRest_ = 0;
};

ParameterListView::ParameterListView(WinInfoRec* doc, QWidget* parent) : QWidget(parent), doc_(doc)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);

    auto* list = new QWidget(this);
    auto* listRow = new QHBoxLayout(list);
    listRow->setContentsMargins(0, 0, 0, 0);
    listRow->setSpacing(0);
    rows_ = new ParameterRows(doc_, this);
    scroll_ = new QScrollBar(Qt::Vertical, list);
    listRow->addWidget(rows_, 1);
    listRow->addWidget(scroll_);
    column->addWidget(list, 1);

    controls_ = new QWidget(this);
    auto* controls = new QVBoxLayout(controls_);
    controls->setContentsMargins(4, 2, 4, 4);
    controls->setSpacing(2);
    slider_ = new QSlider(Qt::Horizontal, controls_);
    slider_->setRange(0, kParameterSliderMax);
    slider_->setPageStep(10);
    slider_->setAccessibleName(QStringLiteral("Parameter slider"));
    auto* fieldRow = new QHBoxLayout;
    fieldRow->setSpacing(1);
    field_ = new QLineEdit(controls_);
    field_->setAccessibleName(QStringLiteral("Parameter value"));
    field_->installEventFilter(this);
    up_ = new QToolButton(controls_);
    up_->setArrowType(Qt::UpArrow);
    down_ = new QToolButton(controls_);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFixedSize(18, 11);
        b->setFocusPolicy(Qt::NoFocus);
    }
    auto* arrows = new QVBoxLayout;
    arrows->setSpacing(0);
    arrows->addWidget(up_);
    arrows->addWidget(down_);
    unit_ = new QLabel(controls_);
    unit_->setMinimumWidth(48);
    fieldRow->addWidget(field_, 1);
    fieldRow->addLayout(arrows);
    fieldRow->addWidget(unit_);
    controls->addWidget(slider_);
    controls->addLayout(fieldRow);
    column->addWidget(controls_);
    controls_->hide();

    connect(scroll_, &QScrollBar::valueChanged, this, [this](int v) {
        if (updating_)
            return;
        SetParameterTopLine(doc_, v, VisibleLines());
        rows_->update();
    });
    connect(slider_, &QSlider::sliderPressed, this, &ParameterListView::SliderPressed);
    connect(slider_, &QSlider::sliderReleased, this, &ParameterListView::SliderReleased);
    connect(slider_, &QSlider::valueChanged, this, &ParameterListView::SliderMoved);
    connect(field_, &QLineEdit::returnPressed, this, &ParameterListView::TextEntered);
    connect(up_, &QToolButton::clicked, this, [this] { ArrowClicked(true); });
    connect(down_, &QToolButton::clicked, this, [this] { ArrowClicked(false); });
}

QWidget* ParameterListView::Rows() const
{
    return rows_;
}

int ParameterListView::VisibleLines() const
{
    return std::max(1, rows_->height() / kParameterLineHeight);
}

void ParameterListView::Refresh()
{
    UpdateScrollBar();
    ShowSelectedValue();
    rows_->update();
}

void ParameterListView::UpdateScrollBar()
{
    const int visible = VisibleLines();
    const SInt32 maximum = std::max<SInt32>(0, ParameterScrollMaximum(doc_, visible));
    updating_ = true;
    scroll_->setRange(0, maximum);
    scroll_->setPageStep(visible);
    scroll_->setSingleStep(1);
    SetParameterTopLine(doc_, doc_->topParameterLine, visible);
    scroll_->setValue(doc_->topParameterLine);
    updating_ = false;
    scroll_->setEnabled(maximum > 0);
}

void ParameterListView::ShowSelectedValue()
{
    const ItemRec* item = GetSelectedParameterItem(doc_);
    if (!item) {
        if (field_->hasFocus())
            rows_->setFocus();
        controls_->hide();
        return;
    }
    controls_->show();
    if (!dragging_) {
        updating_ = true;
        slider_->setValue(ValueToSliderPosition(*item, item->value));
        updating_ = false;
    }
    field_->setText(QString::fromStdString(FormatParameterValue(item->value)));
    unit_->setText(ItemUnit(doc_, doc_->folders[static_cast<std::size_t>(doc_->folderChoice)], *item));
    // Items without an action only show their value.
    const bool editable = static_cast<bool>(item->actionProc);
    slider_->setEnabled(editable);
    field_->setReadOnly(!editable);
    up_->setEnabled(editable);
    down_->setEnabled(editable);
}

void ParameterListView::RowsClicked(int y)
{
    const SInt32 line = y < 0 ? -1 : y / kParameterLineHeight + doc_->topParameterLine;
    if (DoParameterListClick(doc_, line))
        Refresh();
}

void ParameterListView::RowsScrolled(int lines)
{
    SetParameterTopLine(doc_, doc_->topParameterLine + lines, VisibleLines());
    Refresh();
}

void ParameterListView::MoveSelection(bool down)
{
    if (!MoveParameterSelection(doc_, down))
        return;
    EnsureSelectionVisible();
    Refresh();
}

void ParameterListView::EnsureSelectionVisible()
{
    const SInt32 line = SelectedParameterLine(doc_);
    if (line < 0)
        return;
    const int visible = VisibleLines();
    if (line < doc_->topParameterLine)
        SetParameterTopLine(doc_, line, visible);
    else if (line >= doc_->topParameterLine + visible)
        SetParameterTopLine(doc_, line - visible + 1, visible);
}

void ParameterListView::SliderPressed()
{
    if (!GetSelectedParameterItem(doc_))
        return;
    dragging_ = true;
    doc_->mouseButtonDown = true;  // no progress texts while dragging
    emit changeBegins();
}

void ParameterListView::SliderMoved(int position)
{
    if (updating_ || !GetSelectedParameterItem(doc_))
        return;
    // A click in the slider's track or a key moves it without a drag: a change of its own.
    const bool single = !dragging_;
    if (single)
        emit changeBegins();
    AutoSlideParameterBar(doc_, position);
    if (const ItemRec* item = GetSelectedParameterItem(doc_))
        field_->setText(QString::fromStdString(FormatParameterValue(item->value)));
    rows_->update();
    if (single) {
        DrawParameterList(doc_);
        emit changeEnds();
    }
}

void ParameterListView::SliderReleased()
{
    if (!dragging_)
        return;
    dragging_ = false;
    doc_->mouseButtonDown = false;
    // A stepping item's slider now centres on the value it reached.
    DrawParameterList(doc_);
    emit changeEnds();
}

void ParameterListView::TextEntered()
{
    emit changeBegins();
    const bool changed = EnterParameterValue(doc_, field_->text().toStdString());
    if (!changed)
        ShowSelectedValue();  // the value stays as it was
    emit changeEnds();
}

void ParameterListView::ArrowClicked(bool up)
{
    emit changeBegins();
    AutoScrollParameterText(doc_, up);
    emit changeEnds();
}

bool ParameterListView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == field_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            // Leaves the field: the typed text is dropped.
            ShowSelectedValue();
            rows_->setFocus(Qt::OtherFocusReason);
            return true;
        }
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            ArrowClicked(key->key() == Qt::Key_Up);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
