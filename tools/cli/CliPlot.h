// Plot files from the command line. Drawing text needs a Qt GUI application, which the tool
// creates only when a plot is asked for, on the offscreen platform unless the environment names
// another, so it runs without a display. Drawing reads only the document and its own drawing
// context, so batch workers draw and encode their plots at the same time.
#pragma once

#include "PlotExport.h"

#include <memory>
#include <string>

class QGuiApplication;
struct WinInfoRec;

class PlotWriter {
public:
    // Creates the application; call on the main thread, before any other thread draws. Qt's own
    // warnings are shown only when verbose.
    explicit PlotWriter(bool verbose);
    ~PlotWriter();
    PlotWriter(const PlotWriter&) = delete;
    PlotWriter& operator=(const PlotWriter&) = delete;

    // Writes the document's plot to path in the format of its extension, the y axis fitted to the
    // curves as after loading files. False with a message in error when it cannot. Any thread.
    bool Write(WinInfoRec* doc, const std::string& path, const PlotExportOptions& options, std::string* error);

private:
    std::unique_ptr<QGuiApplication> app_;
    int argc_ = 1;
    char* argv_[2];
};

// Checks a plot target before any work is done: a file name ending in .png, .svg or .pdf, and
// options the format accepts. Empty when fine, else what is wrong.
std::string CheckPlotTarget(const std::string& path, const PlotExportOptions& options);
