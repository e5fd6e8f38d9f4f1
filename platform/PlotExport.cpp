// Plot files: PNG through QImage, SVG through QSvgGenerator, PDF through QPdfWriter.
#include "PlotExport.h"

#include "Document.h"
#include "Globals.h"
#include "PlotPattern.h"
#include "QtDrawingSurface.h"
#include "SafeFile.h"
#include "StringTable.h"

#include <QImage>
#include <QPagedPaintDevice>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QBuffer>
#include <QSvgGenerator>

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

// Keeps what drawing a pane of another size changes in the document, and puts it back.
class DrawingStateSaver {
public:
    explicit DrawingStateSaver(WinInfoRec* w)
        : w_(w), specs_(w->plotSpecs), plotRect_(w->plotRect), residualRect_(w->residualRect)
    {
        for (VLPatternPtr pp : w->plotList)
            if (pp->type == kPatternTypeCrystal && pp->crystal)
                buffers_.push_back({pp->crystal.get(), pp->crystal->plotBuffer});
    }
    ~DrawingStateSaver()
    {
        w_->plotSpecs = specs_;
        w_->plotRect = plotRect_;
        w_->residualRect = residualRect_;
        for (auto& [xp, buffer] : buffers_)
            xp->plotBuffer.swap(buffer);
    }
    DrawingStateSaver(const DrawingStateSaver&) = delete;
    DrawingStateSaver& operator=(const DrawingStateSaver&) = delete;

private:
    WinInfoRec* w_;
    PlotSpecsRec specs_;
    Rect plotRect_, residualRect_;
    std::vector<std::pair<CrystalDataRec*, std::vector<Float32>>> buffers_;
};

// Draws the pane of size w × h on painter.
void DrawPane(const DrawContext& dc, WinInfoRec* theWindow, QPainter& painter, int w, int h, bool calculateProfile,
              QImage* image)
{
    QtDrawingSurface surface(painter, QRect(0, 0, w, h), image);
    DrawPatterns(surface, dc, theWindow, Rect{0, 0, static_cast<SInt16>(h), static_cast<SInt16>(w)}, calculateProfile, false);
}

// Writes the finished bytes of a plot through the safe writer (SafeFile.h), so a plain file is
// replaced only when complete and a link, pipe or device gets the rules of every other output.
bool CommitOrReport(const QByteArray& bytes, const std::string& path, std::string* error)
{
    const OSErr err = WriteFileSafely(path, [&](std::FILE* file) {
        const auto size = static_cast<std::size_t>(bytes.size());
        return std::fwrite(bytes.constData(), 1, size, file) == size ? kNoErr : kIOErr;
    });
    if (err == kNoErr)
        return true;
    if (error)
        *error = "The plot could not be written to \"" + path + "\": " + LocalizedString(WriteErrorKey(err)) + " " +
                 LocalizedString(std::string(WriteErrorKey(err)) + "_2");
    return false;
}

}  // namespace

bool PlotFileFormatFromPath(const std::string& path, PlotFileFormat* format)
{
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    PlotFileFormat f;
    if (ext == "png")
        f = PlotFileFormat::PNG;
    else if (ext == "svg")
        f = PlotFileFormat::SVG;
    else if (ext == "pdf")
        f = PlotFileFormat::PDF;
    else
        return false;
    if (format)
        *format = f;
    return true;
}

bool CheckPlotExportOptions(PlotFileFormat format, const PlotExportOptions& options, std::string* error)
{
    auto fail = [error](const std::string& text) {
        if (error)
            *error = text;
        return false;
    };
    if (!(options.devicePixelRatio >= 1 && options.devicePixelRatio <= 4))
        return fail("The device pixel ratio must be between 1 and 4.");
    if (options.width < 100 || options.height < 60 || options.width > kMaxPlotPixels || options.height > kMaxPlotPixels)
        return fail("The plot size must be between 100 x 60 and " + std::to_string(kMaxPlotPixels) + " x " +
                    std::to_string(kMaxPlotPixels) + " pixels.");
    if (format == PlotFileFormat::PDF) {
        if (options.printResolution < kMinPrintResolution || options.printResolution > kMaxPrintResolution)
            return fail("The printer resolution must be between " + std::to_string(kMinPrintResolution) + " and " +
                        std::to_string(kMaxPrintResolution) + " dots per inch.");
        // Page coordinates are 16-bit.
        const long long dots = static_cast<long long>(std::max(options.width, options.height)) * options.printResolution / 72;
        if (dots > 30000)
            return fail("The plot is too large for this printer resolution; make it smaller or lower the resolution.");
    }
    return true;
}

bool RenderPlotToImage(WinInfoRec* theWindow, const PlotExportOptions& options, QImage* image, std::string* error)
{
    if (!theWindow || !image)
        return false;
    if (!CheckPlotExportOptions(PlotFileFormat::PNG, options, error))
        return false;
    const double dpr = options.devicePixelRatio;
    QImage result(qRound(options.width * dpr), qRound(options.height * dpr), QImage::Format_RGB32);
    if (result.isNull()) {
        if (error)
            *error = "There is not enough memory for an image of this size.";
        return false;
    }
    result.fill(Qt::white);
    result.setDevicePixelRatio(dpr);
    {
        DrawingStateSaver saver(theWindow);
        QPainter painter(&result);
        DrawPane(DrawContext{}, theWindow, painter, options.width, options.height, options.calculateProfile, &result);
    }
    *image = std::move(result);
    return true;
}

bool WritePlotImage(const QImage& image, const std::string& path, std::string* error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
        if (error)
            *error = "The PNG image \"" + path + "\" could not be written.";
        return false;
    }
    buffer.close();
    return CommitOrReport(bytes, path, error);
}

bool RenderPlotToSvg(WinInfoRec* theWindow, const PlotExportOptions& options, QByteArray* svg, std::string* error)
{
    if (!theWindow || !svg)
        return false;
    if (!CheckPlotExportOptions(PlotFileFormat::SVG, options, error))
        return false;
    QByteArray bytes;
    QBuffer file(&bytes);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QSvgGenerator generator;
    generator.setOutputDevice(&file);
    generator.setSize(QSize(options.width, options.height));
    generator.setViewBox(QRect(0, 0, options.width, options.height));
    generator.setResolution(96);  // a pixel of the pane is a CSS pixel
    generator.setTitle(QString::fromStdString(theWindow->filename));
    {
        DrawingStateSaver saver(theWindow);
        QPainter painter;
        if (!painter.begin(&generator)) {
            if (error)
                *error = "The SVG drawing could not be started.";
            return false;
        }
        painter.fillRect(QRect(0, 0, options.width, options.height), Qt::white);
        DrawPane(DrawContext{}, theWindow, painter, options.width, options.height, options.calculateProfile, nullptr);
    }
    file.close();
    *svg = std::move(bytes);
    return true;
}

bool WritePlotFile(WinInfoRec* theWindow, const std::string& path, PlotFileFormat format,
                   const PlotExportOptions& options, std::string* error)
{
    if (!theWindow)
        return false;
    if (!CheckPlotExportOptions(format, options, error))
        return false;
    if (format == PlotFileFormat::PNG) {
        QImage image;
        return RenderPlotToImage(theWindow, options, &image, error) && WritePlotImage(image, path, error);
    }
    if (format == PlotFileFormat::SVG) {
        QByteArray svg;
        return RenderPlotToSvg(theWindow, options, &svg, error) && CommitOrReport(svg, path, error);
    }
    QByteArray bytes;
    QBuffer file(&bytes);
    if (!file.open(QIODevice::WriteOnly))
        return false;

    // PDF: a page of the pane's size in points, drawn as a printed page.
    const int dpi = options.printResolution;
    const int wDots = options.width * dpi / 72, hDots = options.height * dpi / 72;
    {
        QPdfWriter writer(&file);
        writer.setResolution(dpi);
        writer.setPageSize(QPageSize(QSizeF(options.width, options.height), QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(QString::fromStdString(theWindow->filename));
        writer.setCreator("Velmora");
        DrawingStateSaver saver(theWindow);
        QPainter painter;
        if (!painter.begin(&writer)) {
            if (error)
                *error = "The PDF page \"" + path + "\" could not be started.";
            return false;
        }
        DrawPane(DrawContext::Printer(dpi, wDots, options.width), theWindow, painter, wDots, hDots, options.calculateProfile,
                 nullptr);
    }
    file.close();
    return CommitOrReport(bytes, path, error);
}

bool PrintPlot(WinInfoRec* theWindow, QPagedPaintDevice& device, int windowWidth, std::string* error)
{
    auto fail = [error](const std::string& text) {
        if (error)
            *error = text;
        return false;
    };
    if (!theWindow)
        return false;
    const int dpi = device.logicalDpiX();
    const int wDots = device.width(), hDots = device.height();
    if (dpi < kMinPrintResolution || dpi > kMaxPrintResolution)
        return fail("The printer resolution must be between " + std::to_string(kMinPrintResolution) + " and " +
                    std::to_string(kMaxPrintResolution) + " dots per inch.");
    // Page coordinates are 16-bit.
    if (wDots < 1 || hDots < 1 || std::max(wDots, hDots) > 30000)
        return fail("The page is too large for this printer resolution; choose a lower resolution.");
    DrawingStateSaver saver(theWindow);
    QPainter painter;
    if (!painter.begin(&device))
        return fail("The printer could not be started.");
    DrawPane(DrawContext::Printer(dpi, wDots, windowWidth), theWindow, painter, wDots, hDots, true, nullptr);
    return true;
}
