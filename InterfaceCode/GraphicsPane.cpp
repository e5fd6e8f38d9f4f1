// The graphics pane.
#include "GraphicsPane.h"

#include "Document.h"
#include "PlotPattern.h"
#include "QtDrawingSurface.h"

#include <QPaintEvent>
#include <QPainter>

GraphicsPane::GraphicsPane(WinInfoRec* doc, QWidget* parent) : QWidget(parent), doc_(doc)
{
    setMinimumSize(200, 100);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GraphicsPane::RequestRedraw(bool recalcProfiles, bool showProgress)
{
    recalcProfiles_ = recalcProfiles_ || recalcProfiles;
    showProgress_ = showProgress_ || showProgress;
    update();
}

void GraphicsPane::paintEvent(QPaintEvent*)
{
    // The plot is drawn into an image first: the cursor line saves and restores pixels under it.
    if (buffer_.size() != size())
        buffer_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    // A pane of another width needs profiles for its own pixel columns.
    const bool resized = lastSize_ != size();
    lastSize_ = size();
    {
        QPainter painter(&buffer_);
        QtDrawingSurface surface(painter, buffer_.rect(), &buffer_);
        const Rect pane{0, 0, static_cast<SInt16>(height()), static_cast<SInt16>(width())};
        DrawPatterns(surface, doc_, pane, recalcProfiles_ || resized, showProgress_);
    }
    recalcProfiles_ = false;
    showProgress_ = false;
    QPainter widget(this);
    widget.drawImage(0, 0, buffer_);
}
