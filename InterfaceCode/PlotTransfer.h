// The plot of a document window leaving the program: File > Export Plot as a PNG image, SVG
// drawing or PDF page at a size the user chooses, written by the same export code as the
// command line's plot files (PlotExport.h), and Edit > Copy, which puts the plot on the clipboard
// as an image and as an SVG drawing.
#pragma once

#include "PlotExport.h"

#include <QSize>
#include <QString>

class MainWindow;
class QMimeData;

// File > Export Plot: the size (the pane's at first), then the file; the format follows the
// file's extension. Problems are shown as alerts. True when a file was written.
bool RequestExportPlot(MainWindow* window);
// Writes the plot as shown in the window (its x and intensity ranges) at size to path, in the
// format of its extension; false with the alert shown when it cannot.
bool DoExportPlot(MainWindow* window, const QString& path, QSize size);

// The plot at the pane's size as clipboard data: an image (at the screen's pixel density) and
// "image/svg+xml". Null when it cannot be drawn.
QMimeData* MakePlotMimeData(MainWindow* window);
// Edit > Copy.
void CopyPlot(MainWindow* window);
