// The graphics pane.
#include "GraphicsPane.h"

#include "Document.h"
#include "Globals.h"
#include "StringTable.h"

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
    QPainter painter(this);
    painter.fillRect(rect(), QColor(gWinBackColor.red >> 8, gWinBackColor.green >> 8, gWinBackColor.blue >> 8));
    painter.drawText(rect(), Qt::AlignCenter, QString::fromStdString(LocalizedString("Drop_Files_Graphics_Pane")));
    recalcProfiles_ = false;
    showProgress_ = false;
}
