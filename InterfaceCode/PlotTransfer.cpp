// Exporting and copying the plot.
#include "PlotTransfer.h"

#include "Alerts.h"
#include "Dialogs.h"
#include "Document.h"
#include "GraphicsPane.h"
#include "MainWindow.h"
#include "Status.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QImage>
#include <QMimeData>

#include <algorithm>
#include <memory>

namespace {

PlotExportOptions OptionsOf(QSize size)
{
    PlotExportOptions options;
    options.width = size.width();
    options.height = size.height();
    return options;
}

QSize PaneSize(MainWindow* window)
{
    const QSize pane = window->Pane()->size();
    return {std::clamp(pane.width(), 100, kMaxPlotPixels), std::clamp(pane.height(), 60, kMaxPlotPixels)};
}

}  // namespace

bool DoExportPlot(MainWindow* window, const QString& path, QSize size)
{
    if (!window)
        return false;
    PlotFileFormat format;
    if (!PlotFileFormatFromPath(path.toStdString(), &format)) {
        MyCFStopAlertText(QObject::tr("The plot can be exported as PNG, SVG or PDF.").toStdString(),
                          QObject::tr("End the file name in .png, .svg or .pdf.").toStdString());
        return false;
    }
    // What waits to be drawn is drawn first, so the file shows what the window shows.
    window->Pane()->RenderPending();
    std::string error;
    if (!WritePlotFile(window->Doc(), path.toStdString(), format, OptionsOf(size), &error)) {
        if (!error.empty())
            MyCFStopAlertText(error);
        return false;
    }
    return true;
}

bool RequestExportPlot(MainWindow* window)
{
    if (!window)
        return false;
    QSize size = PaneSize(window);
    if (!Dialogs().AskPlotSize(window, size))
        return false;
    const QString name = WithoutDocumentExtension(QString::fromStdString(window->Doc()->filename));
    const QString path = Dialogs().SaveFile(window, QObject::tr("Export the plot as"), name + QStringLiteral(".png"),
                                            FileFilter::PlotImage, QStringLiteral("png"));
    if (path.isEmpty())
        return false;
    return DoExportPlot(window, path, size);
}

QMimeData* MakePlotMimeData(MainWindow* window)
{
    if (!window)
        return nullptr;
    window->Pane()->RenderPending();
    PlotExportOptions options = OptionsOf(PaneSize(window));
    options.devicePixelRatio = std::clamp(window->devicePixelRatioF(), 1.0, 4.0);
    QImage image;
    QByteArray svg;
    std::string error;
    if (!RenderPlotToImage(window->Doc(), options, &image, &error) ||
        !RenderPlotToSvg(window->Doc(), OptionsOf(PaneSize(window)), &svg, &error)) {
        if (!error.empty())
            MyCFStopAlertText(error);
        return nullptr;
    }
    auto data = std::make_unique<QMimeData>();
    data->setImageData(image);
    data->setData(QStringLiteral("image/svg+xml"), svg);
    return data.release();
}

void CopyPlot(MainWindow* window)
{
    if (QMimeData* data = MakePlotMimeData(window))
        QApplication::clipboard()->setMimeData(data);  // the clipboard owns it
}
