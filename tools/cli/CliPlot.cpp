// Plot files from the command line, through the platform layer's plot export.
#include "CliPlot.h"

#include "CliStatus.h"
#include "Document.h"
#include "Globals.h"

#include <QGuiApplication>
#include <QImage>
#include <QtGlobal>

#include <atomic>
#include <clocale>
#include <cstdio>

namespace {

std::atomic<bool> gQtVerbose{false};

// Qt's warnings (a missing runtime folder, font fallbacks) are noise for a script; errors stay.
void QtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    if (type == QtWarningMsg && !gQtVerbose)
        return;
    std::fprintf(stderr, "%s: Qt: %s\n", kCliProgramName, message.toLocal8Bit().constData());
}

char gProgramName[] = "velmora-cli";

}  // namespace

PlotWriter::PlotWriter(bool verbose)
{
    gQtVerbose = verbose;
    qInstallMessageHandler(QtMessages);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    argv_[0] = gProgramName;
    argv_[1] = nullptr;
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    // The application object sets the locale from the environment; numbers stay C.
    std::setlocale(LC_NUMERIC, "C");
}

PlotWriter::~PlotWriter()
{
    app_.reset();
    qInstallMessageHandler(nullptr);
}

bool PlotWriter::Write(WinInfoRec* doc, const std::string& path, const PlotExportOptions& options, std::string* error)
{
    PlotFileFormat format;
    if (!PlotFileFormatFromPath(path, &format)) {
        if (error)
            *error = "the plot file name must end in .png, .svg or .pdf";
        return false;
    }
    // Fitted as a redraw after adding files is; the export restores the document's settings.
    auto draw = [&](auto&& render) {
        doc->autoScaleY = true;
        const bool ok = render();
        doc->autoScaleY = false;
        return ok;
    };
    if (format != PlotFileFormat::PNG)
        return draw([&] { return WritePlotFile(doc, path, format, options, error); });
    QImage image;
    return draw([&] { return RenderPlotToImage(doc, options, &image, error); }) && WritePlotImage(image, path, error);
}

std::string CheckPlotTarget(const std::string& path, const PlotExportOptions& options)
{
    PlotFileFormat format;
    if (!PlotFileFormatFromPath(path, &format))
        return "the plot file name must end in .png, .svg or .pdf";
    std::string error;
    if (!CheckPlotExportOptions(format, options, &error))
        return error;
    return {};
}
