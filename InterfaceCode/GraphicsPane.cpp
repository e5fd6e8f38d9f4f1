// The graphics pane.
#include "GraphicsPane.h"

#include "Document.h"
#include "EngineBusy.h"
#include "Globals.h"
#include "PlotPattern.h"
#include "QtDrawingSurface.h"
#include "Status.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

namespace {

// How long a drawing waits for a busy engine before it tries again, ms.
constexpr int kBusyRetryMs = 50;

}  // namespace

GraphicsPane::GraphicsPane(WinInfoRec* doc, QWidget* parent) : QWidget(parent), doc_(doc)
{
    setMinimumSize(200, 100);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GraphicsPane::RequestRedraw(bool recalcProfiles, bool showProgress)
{
    recalcProfiles_ = recalcProfiles_ || recalcProfiles;
    showProgress_ = showProgress_ || showProgress;
    autoscale_ = autoscale_ || gAutoScaleY;
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
        const Boolean savedAutoscale = gAutoScaleY;
        gAutoScaleY = autoscale;
        DrawPatterns(surface, doc_, pane, recalc, progress);
        gAutoScaleY = savedAutoscale;
    }
    if (!afterDrawing_.empty()) {
        DrawInfoBarText(doc_, afterDrawing_);
        afterDrawing_.clear();
    }
    drawingForChange_ = false;
    image_ = std::move(image);
    renderedSize_ = size();
    ++renderCount_;
    update();
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
