// The graphics pane of a document window: the plot, drawn by the engine's rendering code on a
// QPainter surface into an image, and shown from that image. A request that needs new profiles is
// carried out at once (the engine goes on with the profiles); other requests are gathered and
// carried out once when the event loop next turns, so a command that changes several things
// draws once. The image stays on screen while the engine is busy, so the window stays painted.
//
// The pane also takes the mouse, the wheel and the plot's keys and hands them to the engine's
// plot tools (PlotMouse.h, ViewTransforms.h, DistanceTool.h) by the window's current tool. The
// read-out cursor and the distance tool's lines are drawn over a copy of the plot, so that
// moving them does not draw the plot again.
#pragma once

#include "PlotMouse.h"

#include <QCursor>
#include <QImage>
#include <QWidget>
#include <string>

class QKeyEvent;
class QRubberBand;
struct WinInfoRec;

class GraphicsPane : public QWidget {
    Q_OBJECT
public:
    GraphicsPane(WinInfoRec* doc, QWidget* parent);
    // The plot is drawn again: at once with the profiles recomputed (and progress shown when
    // asked), else soon. The intensity axis is fitted to the data when the document asks for it
    // (autoScaleY) at the request.
    void RequestRedraw(bool recalcProfiles, bool showProgress);
    // Carries out a pending request now; does nothing when none is pending or the engine is busy.
    void RenderPending();
    // The pending request no longer counts as a change of the document (a file just opened).
    void ForgetChange() { changed_ = false; }
    bool RedrawPending() const { return pending_; }
    // Whether the drawing under way was asked for by a change of the document (not by a resize).
    bool DrawingForChange() const { return drawingForChange_; }
    // How many times the plot was drawn (for tests).
    int RenderCount() const { return renderCount_; }
    // The plot as shown: the drawing with the cursor and the distance tool's lines over it.
    const QImage& Image() const { return image_; }

    // The keys of the plot (arrows, Home); false for a key it does not take.
    bool HandleKey(QKeyEvent* event);
    // The cursor and distance lines drawn anew over the plot as it is.
    void ComposeOverlay();

    // Text for the information bar once the next drawing is done, so that what a file's import
    // said is not wiped by the progress messages of the window's first drawing.
    void ShowAfterDrawing(std::string text) { afterDrawing_ = std::move(text); }

    // The frame shown while files are dragged over the pane.
    void SetDropHighlight(bool on);
    bool DropHighlight() const { return dropHighlight_; }

signals:
    // A drawing was finished (the view may have changed: the scroll bar follows).
    void rendered();
    // The distance tool recorded or cleared its positions.
    void distanceChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // PendingPattern: pressed on a curve; a drag moves it, a click without moving reads out.
    // Band: the magnifier dragged across the plot.
    enum class Drag { None, Cursor, PendingPattern, Pattern, Pan, Band };
    void Schedule(int delayMs);
    void Render();
    void UpdatePointer(const QPoint& at, Qt::KeyboardModifiers mods);
    // The read-out cursor at a click: placed or dragged there, or taken away by a click off it.
    void CursorClick(int column, int row);
    bool HasPatterns() const;

    QImage base_;                 // the plot without the cursor and the distance lines
    Drag drag_ = Drag::None;
    PatternDragRec patternDrag_;
    VLPatternPtr pressedPattern_ = nullptr;
    QPoint pressedAt_;
    int panColumn_ = 0;
    QPoint wheelRemainder_;
    QRubberBand* band_ = nullptr;  // the magnifier's band, owned by the pane
    QCursor magnifier_;            // the magnifier's pointer, made when first shown       // wheel movement less than a notch, eighths of a degree

    WinInfoRec* doc_;
    QImage image_;
    QSize renderedSize_;
    bool pending_ = false;         // a request waits
    bool scheduled_ = false;       // a timer will carry it out
    bool recalcProfiles_ = true;
    bool showProgress_ = false;
    bool autoscale_ = false;
    bool changed_ = false;         // the pending request comes from a change of the document
    bool drawingForChange_ = false;
    bool dropHighlight_ = false;
    int renderCount_ = 0;
    std::string afterDrawing_;
};
