// The graphics pane.
#include "GraphicsPane.h"

#include "CursorBox.h"
#include "DistanceTool.h"
#include "Document.h"
#include "EngineBusy.h"
#include "Globals.h"
#include "Icons.h"
#include "PlotPattern.h"
#include "QtDrawingSurface.h"
#include "Status.h"
#include "ViewTransforms.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRubberBand>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// How long a drawing waits for a busy engine before it tries again, ms.
constexpr int kBusyRetryMs = 50;

// One notch of the wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;
// The wheel zooms x by this factor per notch; with Ctrl it scales y as the toolbar does.
constexpr double kWheelZoom = 1.25;
constexpr double kWheelExpandY = 1.05, kWheelContractY = 0.95;
// A notch of horizontal scrolling moves the plot by this share of its width.
constexpr double kWheelScrollShare = 0.05;
// The arrow keys scroll by this share of the plot's width.
constexpr double kKeyScrollShare = 0.025;

}  // namespace

GraphicsPane::GraphicsPane(WinInfoRec* doc, QWidget* parent) : QWidget(parent), doc_(doc)
{
    setMinimumSize(200, 100);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The distance tool's line and the pointer follow the mouse without a button held.
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
}

void GraphicsPane::RequestRedraw(bool recalcProfiles, bool showProgress)
{
    recalcProfiles_ = recalcProfiles_ || recalcProfiles;
    showProgress_ = showProgress_ || showProgress;
    autoscale_ = autoscale_ || doc_->autoScaleY;
    changed_ = true;
    pending_ = true;
    // The engine reads new profiles right after asking for them (to scale measured data to them,
    // say): those are computed and drawn at once. Other changes are drawn when the loop turns.
    if (recalcProfiles && !EngineBusy::Active())
        Render();
    else
        Schedule(0);
}

void GraphicsPane::Schedule(int delayMs)
{
    if (scheduled_)
        return;
    scheduled_ = true;
    QTimer::singleShot(delayMs, this, [this] {
        scheduled_ = false;
        Render();
    });
}

void GraphicsPane::RenderPending()
{
    if (pending_ && !EngineBusy::Active())
        Render();
}

void GraphicsPane::Render()
{
    if (!pending_ && renderedSize_ == size())
        return;
    if (EngineBusy::Active()) {
        Schedule(kBusyRetryMs);
        return;
    }
    if (width() < 1 || height() < 1)
        return;  // drawn when the pane gets a size
    // A pane of another width needs profiles for its own pixel columns.
    const bool recalc = recalcProfiles_ || renderedSize_ != size();
    const bool progress = showProgress_;
    const bool autoscale = autoscale_;
    drawingForChange_ = changed_;
    // A request made while drawing (by the engine, say) gives one more drawing.
    pending_ = recalcProfiles_ = showProgress_ = autoscale_ = changed_ = false;

    // Drawn at the screen's pixel density, laid out in the pane's own pixels.
    const qreal dpr = devicePixelRatioF();
    QImage image(size() * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    {
        EngineBusy busy;
        QPainter painter(&image);
        QtDrawingSurface surface(painter, QRect(QPoint(0, 0), size()), &image);
        const Rect pane{0, 0, static_cast<SInt16>(height()), static_cast<SInt16>(width())};
        DrawContext dc;
        dc.autoscaleY = autoscale;
        DrawPatterns(surface, dc, doc_, pane, recalc, progress, false);
    }
    base_ = std::move(image);
    renderedSize_ = size();
    ++renderCount_;
    // The cursor's read-out first: what an import had to say stays in the bar.
    ComposeOverlay();
    if (!afterDrawing_.empty()) {
        DrawInfoBarText(doc_, afterDrawing_);
        afterDrawing_.clear();
    }
    drawingForChange_ = false;
    emit rendered();
}

void GraphicsPane::ComposeOverlay()
{
    image_ = base_;
    if (base_.isNull() || !doc_) {
        update();
        return;
    }
    const bool cursor = doc_->plotSpecs.showCursor && HasPatterns();
    const bool distance = doc_->currentTool == kPlotToolDistance;
    if (cursor || distance) {
        // Painting detaches the copy from the plot itself.
        QPainter painter(&image_);
        const QSize logical = (QSizeF(base_.size()) / base_.devicePixelRatio()).toSize();
        QtDrawingSurface surface(painter, QRect(QPoint(0, 0), logical), &image_);
        if (cursor)
            DrawCursorBox(surface, WindowDrawContext(DrawContext{}, doc_), doc_);
        if (distance)
            DrawDistanceOverlay(surface, doc_);
    }
    update();
}

bool GraphicsPane::HasPatterns() const
{
    return doc_ && !doc_->plotList.empty();
}

void GraphicsPane::UpdatePointer(const QPoint& at, [[maybe_unused]] Qt::KeyboardModifiers mods)
{
    if (!HasPatterns() || !PointInPlot(doc_, at.x(), at.y())) {
        unsetCursor();
        return;
    }
    switch (doc_->currentTool) {
    case kPlotToolArrow:
        if (drag_ == Drag::Cursor || PointOnCursor(doc_, at.x(), at.y()))
            setCursor(Qt::SizeHorCursor);
        else if (drag_ == Drag::Pattern)
            setCursor(Qt::SizeAllCursor);
        else
            unsetCursor();
        break;
    case kPlotToolHand: setCursor(drag_ == Drag::Pan ? Qt::ClosedHandCursor : Qt::OpenHandCursor); break;
    case kPlotToolMagnify:
        if (magnifier_.pixmap().isNull())
            magnifier_ = QCursor(ToolbarIcon("iMgT").pixmap(20, 20));
        setCursor(magnifier_);
        break;
    case kPlotToolDistance: setCursor(Qt::CrossCursor); break;
    default: unsetCursor(); break;
    }
}

void GraphicsPane::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    // A click outside the plot, or in a window without patterns, is not the plot's.
    if (!HasPatterns() || EngineBusy::Active() || !PointInPlot(doc_, at.x(), at.y())) {
        QWidget::mousePressEvent(event);
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    const int col = at.x(), row = at.y();
    if (event->button() == Qt::MiddleButton) {
        drag_ = Drag::Pan;  // whatever the tool, the middle button pans
        panColumn_ = col;
        setCursor(Qt::ClosedHandCursor);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    switch (doc_->currentTool) {
    case kPlotToolArrow: {
        if (!PointOnCursor(doc_, col, row)) {
            const int strip = FilmCaptionHit(doc_, col, row);
            if (strip >= 0) {
                SelectFilmCaption(doc_, strip, mods & Qt::ControlModifier);
                return;
            }
            if (mods & Qt::ControlModifier)
                return;
            if (VLPatternPtr pp = MouseInGraph(doc_, col, row)) {
                pressedPattern_ = pp;
                pressedAt_ = at;
                drag_ = Drag::PendingPattern;
                return;
            }
        }
        CursorClick(col, row);
        UpdatePointer(at, mods);
        return;
    }
    case kPlotToolHand:
        drag_ = Drag::Pan;
        panColumn_ = col;
        UpdatePointer(at, mods);
        return;
    case kPlotToolMagnify:
        // A click zooms when the button is released; a drag zooms to the band it covers.
        drag_ = Drag::Band;
        pressedAt_ = at;
        return;
    case kPlotToolDistance:
        MeasureDistanceOnPlot(doc_, col);
        ComposeOverlay();
        emit distanceChanged();
        return;
    default: return;
    }
}

void GraphicsPane::CursorClick(int column, int row)
{
    // A click on the cursor drags it, a click elsewhere takes it away (the next one puts it
    // there).
    PlotSpecsRec& ps = doc_->plotSpecs;
    if (ps.showCursor) {
        const bool on = PointOnCursor(doc_, column, row);
        ps.showCursor = false;
        if (!on) {
            ps.cursorRect.right = 0;
            ComposeOverlay();
            ClearStatusBar(doc_);
            return;
        }
    }
    PlaceCursorAtColumn(doc_, column);
    drag_ = Drag::Cursor;
    ComposeOverlay();
}

void GraphicsPane::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (!HasPatterns() || EngineBusy::Active())
        return;
    switch (drag_) {
    case Drag::Cursor: {
        const Rect& plot = doc_->plotRect;
        PlaceCursorAtColumn(doc_, std::clamp(at.x(), static_cast<int>(plot.left), plot.right - 1));
        ComposeOverlay();
        return;
    }
    case Drag::PendingPattern:
        if ((at - pressedAt_).manhattanLength() < QApplication::startDragDistance())
            return;
        doc_->mouseButtonDown = true;
        patternDrag_ = BeginPatternDrag(doc_, pressedPattern_, pressedAt_.x(), pressedAt_.y());
        drag_ = Drag::Pattern;
        UpdatePointer(at, event->modifiers());
        [[fallthrough]];
    case Drag::Pattern: DragPatternTo(doc_, patternDrag_, at.x(), at.y(), event->modifiers() & Qt::ShiftModifier); return;
    case Drag::Pan: {
        // The plot follows the hand.
        const int d = at.x() - panColumn_;
        panColumn_ = at.x();
        if (d < 0)
            DoScrollRight(doc_, -d);
        else if (d > 0)
            DoScrollLeft(doc_, d);
        return;
    }
    case Drag::Band: {
        if (!band_)
            band_ = new QRubberBand(QRubberBand::Rectangle, this);
        const Rect& plot = doc_->plotRect;
        const int x = std::clamp(at.x(), static_cast<int>(plot.left), plot.right - 1);
        band_->setGeometry(QRect(QPoint(std::min(x, pressedAt_.x()), plot.top),
                                 QPoint(std::max(x, pressedAt_.x()), plot.bottom - 1)));
        band_->show();
        return;
    }
    case Drag::None: break;
    }
    if (doc_->currentTool == kPlotToolDistance) {
        const bool wasReset = doc_->distance.marker1.set;
        if (DrawDistanceCursors(doc_, at.x(), at.y())) {
            ComposeOverlay();
            if (wasReset && !doc_->distance.marker1.set)
                emit distanceChanged();
        }
    }
    UpdatePointer(at, event->modifiers());
}

void GraphicsPane::mouseReleaseEvent(QMouseEvent* event)
{
    if (drag_ == Drag::Pattern)
        doc_->mouseButtonDown = false;
    if (drag_ == Drag::Band) {
        drag_ = Drag::None;
        const bool banded = band_ && band_->isVisible();
        if (band_)
            band_->hide();
        const Rect& plot = doc_->plotRect;
        const int x = std::clamp(event->position().toPoint().x(), static_cast<int>(plot.left), plot.right - 1);
        if (!banded || !ZoomToColumns(doc_, pressedAt_.x(), x))
            MagnifyPlot(doc_, pressedAt_.x(), pressedAt_.y(), event->modifiers() & (Qt::ShiftModifier | Qt::AltModifier));
        UpdatePointer(event->position().toPoint(), event->modifiers());
        return;
    }
    // A click on a curve that did not move it reads out there.
    const bool readOut = drag_ == Drag::PendingPattern && HasPatterns();
    drag_ = Drag::None;
    pressedPattern_ = nullptr;
    if (readOut) {
        PlaceCursorAtColumn(doc_, pressedAt_.x());
        ComposeOverlay();
    }
    patternDrag_ = {};
    UpdatePointer(event->position().toPoint(), event->modifiers());
}

void GraphicsPane::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    // A double click with the arrow or the hand shows everything again.
    if (event->button() == Qt::LeftButton && HasPatterns() && !EngineBusy::Active() && PointInPlot(doc_, at.x(), at.y()) &&
        (doc_->currentTool == kPlotToolArrow || doc_->currentTool == kPlotToolHand)) {
        drag_ = Drag::None;
        DoAutoscale(doc_);
        return;
    }
    mousePressEvent(event);
}

void GraphicsPane::leaveEvent(QEvent* event)
{
    if (doc_ && HideDistanceCursor(doc_))
        ComposeOverlay();
    QWidget::leaveEvent(event);
}

void GraphicsPane::wheelEvent(QWheelEvent* event)
{
    if (!HasPatterns() || EngineBusy::Active()) {
        event->ignore();
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    QPoint delta = event->angleDelta();
    // Shift turns the vertical wheel into a horizontal one.
    if ((mods & Qt::ShiftModifier) && delta.x() == 0)
        delta = QPoint(delta.y(), 0);
    delta += wheelRemainder_;
    const int notchesX = delta.x() / kWheelNotch, notchesY = delta.y() / kWheelNotch;
    wheelRemainder_ = QPoint(delta.x() % kWheelNotch, delta.y() % kWheelNotch);
    event->accept();
    if (notchesX != 0) {
        // Wheel to the left (positive) brings in smaller x.
        const int step = std::max(1, static_cast<int>(doc_->plotRect.Width() * kWheelScrollShare));
        DoScrollPixels(doc_, -notchesX * step);
    }
    if (notchesY == 0)
        return;
    if (mods & Qt::ControlModifier) {
        DoExpandY(doc_, notchesY > 0 ? std::pow(kWheelExpandY, notchesY) : std::pow(kWheelContractY, -notchesY));
        return;
    }
    const QPoint at = event->position().toPoint();
    const Rect& plot = doc_->plotRect;
    const int column = PointInPlot(doc_, at.x(), at.y()) ? at.x() : (plot.left + plot.right) / 2;
    ZoomXAboutColumn(doc_, column, std::pow(kWheelZoom, notchesY));
}

bool GraphicsPane::HandleKey(QKeyEvent* event)
{
    if (!HasPatterns() || EngineBusy::Active())
        return false;
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    PlotSpecsRec& ps = doc_->plotSpecs;
    const int scroll = std::max(1, static_cast<int>(doc_->plotRect.Width() * kKeyScrollShare));
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int sign = event->key() == Qt::Key_Left ? -1 : 1;
        if (doc_->currentTool == kPlotToolArrow && ps.showCursor && ps.xscale > 0) {
            // The read-out cursor steps by a pixel.
            ps.cursorXPos = static_cast<Float32>(ps.cursorXPos + sign / static_cast<double>(ps.xscale));
            ps.cursorXPos = std::clamp(ps.cursorXPos, ps.xmin, ps.xmax);
            ComposeOverlay();
        } else {
            DoScrollPixels(doc_, sign * scroll);
        }
        return true;
    }
    case Qt::Key_Up: DoExpandX(doc_, 1.05); return true;
    case Qt::Key_Down: DoExpandX(doc_, 0.95); return true;
    case Qt::Key_Home: DoShowWholeRange(doc_); return true;
    default: return false;
    }
}

void GraphicsPane::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Schedule(0);
}

void GraphicsPane::SetDropHighlight(bool on)
{
    if (dropHighlight_ == on)
        return;
    dropHighlight_ = on;
    update();
}

void GraphicsPane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Until the plot of a new size is drawn, the last one stands in its corner.
    if (renderedSize_ != size())
        painter.fillRect(rect(), QColor::fromRgb(gWinBackColor.red >> 8, gWinBackColor.green >> 8,
                                                 gWinBackColor.blue >> 8));
    painter.drawImage(0, 0, image_);
    if (dropHighlight_) {
        painter.setPen(QPen(palette().highlight().color(), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
    }
}
