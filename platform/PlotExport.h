// A document's plot written as a PNG image, an SVG drawing or a PDF page, drawn by the same
// driver as the screen (PlotPattern.h). PNG and SVG show the pane as on screen; PDF is drawn as a
// printed page at printer resolution. A failed or refused export leaves the target file as it was.
#pragma once

#include <string>

class QByteArray;
class QImage;
class QPagedPaintDevice;
struct WinInfoRec;

enum class PlotFileFormat { PNG, SVG, PDF };

struct PlotExportOptions {
    int width = 1000;           // pane size in screen pixels (PDF: points)
    int height = 600;
    int printResolution = 300;  // PDF: printer dots per inch
    bool calculateProfile = true;
    double devicePixelRatio = 1;  // PNG: device pixels per pixel of the pane (1 to 4)
};

// Largest pane side accepted, and the range of printer resolutions.
inline constexpr int kMaxPlotPixels = 8000;
inline constexpr int kMinPrintResolution = 72;
inline constexpr int kMaxPrintResolution = 1200;

// The format named by a file name's extension (.png, .svg, .pdf, any case); false for others.
bool PlotFileFormatFromPath(const std::string& path, PlotFileFormat* format);

// Checks the options; false with a message in error for sizes or resolutions out of range.
bool CheckPlotExportOptions(PlotFileFormat format, const PlotExportOptions& options, std::string* error);

// Draws the window's pane into image (made width × height pixels times the device pixel ratio,
// white, with that ratio set). The document's drawing state (plot rectangles, scales, profile
// buffers, settings) is as it was afterwards.
bool RenderPlotToImage(WinInfoRec* theWindow, const PlotExportOptions& options, QImage* image, std::string* error);

// Writes an image rendered by RenderPlotToImage as a PNG file, replacing path only when complete;
// false with a message in error when it cannot.
bool WritePlotImage(const QImage& image, const std::string& path, std::string* error);

// Draws the window's pane as an SVG drawing of width × height pixels into svg (the bytes a .svg
// file holds). The document's drawing state is as it was afterwards.
bool RenderPlotToSvg(WinInfoRec* theWindow, const PlotExportOptions& options, QByteArray* svg, std::string* error);

// Writes the plot to path in format; false with a message in error when it cannot.
bool WritePlotFile(WinInfoRec* theWindow, const std::string& path, PlotFileFormat format,
                   const PlotExportOptions& options, std::string* error);

// Prints the window's plot on the page of device (a printer, say) at the device's resolution,
// filling the page; windowWidth is the width of the pane on screen, pixels, so that lines keep
// their weight. The document's drawing state is as it was afterwards. False with a message in
// error when the page cannot be drawn.
bool PrintPlot(WinInfoRec* theWindow, QPagedPaintDevice& device, int windowWidth, std::string* error);
