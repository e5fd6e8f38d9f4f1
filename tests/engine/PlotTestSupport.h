// Small documents for the plot tests: a window with a given plot rectangle and ranges, and
// crystals and datasets built field by field (no diffraction involved).
#pragma once

#include "Document.h"

#include <memory>
#include <vector>

// A document whose plot rectangle and scales are set as a drawing pass would set them:
// xscale = width / (xmax − xmin), yscale = (height − 1) / (ymax − ymin).
std::unique_ptr<WinInfoRec> MakePlotWindow(const Rect& plot, float xmin, float xmax, float ymin, float ymax);

// A plotted crystal with the given reflexions and plot buffer (volFrac 1).
VLPatternPtr AddTestCrystal(WinInfoRec* w, const std::vector<ReflexionRec>& refs, const std::vector<float>& buffer,
                            const char* name = "test.obdf");

// A plotted dataset with the given points.
VLPatternPtr AddTestDataset(WinInfoRec* w, const std::vector<float>& x, const std::vector<float>& y,
                            const char* name = "data");

// A reflexion at x with integrated intensity inty and half width hw.
ReflexionRec TestReflexion(int h, int k, int l, float x, float inty, float hw = 0.05f, float d = 2.0f);

