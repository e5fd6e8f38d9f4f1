// The read-out cursor line and its bobs.
#include "CursorBox.h"

#include "CursorReadout.h"

#include "Document.h"
#include "Globals.h"
#include "PlotPixels.h"
#include "PlotShapes.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct BobRec {
    double row;
    RGBColor color;
};

}  // namespace

bool GetDatasetInterpolatedIntensity(const ObsDataRec* dataset, double xPos, double maxDeltaX, Float32* yPos)
{
    if (!dataset || !yPos)
        return false;
    const std::size_t n = std::min(dataset->x.size(), dataset->profile.size());
    bool below = false, above = false;
    for (std::size_t i = 0; i < n; ++i) {
        const double xi = dataset->x[i];
        const bool isBelow = xi < xPos, isAbove = xi > xPos;
        if (i > 0 && ((isBelow && above) || (isAbove && below))) {
            const double x0 = dataset->x[i - 1];
            const double p0 = dataset->profile[i - 1], p1 = dataset->profile[i];
            if (xi == x0)
                return false;
            *yPos = static_cast<Float32>(((xi - xPos) * p0 + (xPos - x0) * p1) / (xi - x0));
            return true;
        }
        below = below || isBelow;
        above = above || isAbove;
    }
    if (n == 0)
        return false;
    if (below && !above && xPos - dataset->x[n - 1] < maxDeltaX) {
        *yPos = dataset->profile[n - 1];
        return true;
    }
    if (above && !below && dataset->x[0] - xPos < maxDeltaX) {
        *yPos = dataset->profile[0];
        return true;
    }
    return false;
}

void DrawCursorLine(DrawingSurface& s, int x, int y1, int y2, const RGBColor& lineColor)
{
    SurfaceStateSaver saver(s);
    s.RGBForeColor(kRGBCosmos);
    const struct {
        int dx;
        RGBColor weight;
    } shadows[3] = {{-1, kRGBCosmos}, {1, kRGBAnthracite}, {2, kRGBCosmos}};
    for (const auto& sh : shadows) {
        s.PenModeBlend(sh.weight);
        s.MoveTo(x + sh.dx, y1);
        s.LineTo(x + sh.dx, y2);
    }
    s.PenNormal();
    s.RGBForeColor(lineColor);
    s.MoveTo(x, y1);
    s.LineTo(x, y2);
}

void DrawCursorBob(DrawingSurface& s, double x, double y, double radius, const RGBColor& fillColor,
                   const RGBColor& frameColor)
{
    VectorLayer layer(s);
    VectorPath disc;
    disc.AddEllipse({x - radius, y - radius, x + radius, y + radius});
    s.SetFillColor(fillColor, 1.0);
    s.FillPath(disc);
    s.SetStrokeColor(frameColor, 1.0);
    s.SetLineWidth(1.0);
    s.StrokePath(disc);
}

void DrawCursorBox(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    PlotSpecsRec& ps = theWindow->plotSpecs;
    if (!ps.showCursor || !(ps.cursorXPos >= ps.xmin && ps.cursorXPos <= ps.xmax))
        return;
    const Rect plot = theWindow->plotRect;
    const int W = plot.Width();
    const int c = plot.left + TruncPixel((ps.cursorXPos - ps.xmin) * ps.xscale);
    ps.cursorRect = {static_cast<SInt16>(plot.top - 5), static_cast<SInt16>(c - 3), static_cast<SInt16>(plot.bottom + 4),
                     static_cast<SInt16>(c + 4)};
    if (theWindow->plotList.empty() || W <= 0)
        return;

    const int column = std::clamp(c - plot.left, 0, W - 1);
    auto crystalValue = [&](const CrystalDataRec& xp) {
        return column < xp.nBufferPts()
                   ? static_cast<double>(xp.plotBuffer[static_cast<std::size_t>(column)]) * xp.volFrac + xp.yOffset
                   : static_cast<double>(xp.yOffset);
    };
    auto crystalRow = [&](double v) {
        return std::clamp(plot.bottom - (v - ps.ymin) * ps.yscale, static_cast<double>(plot.top), static_cast<double>(plot.bottom));
    };
    const double maxDeltaX = (static_cast<double>(ps.xmax) - ps.xmin) / W;

    std::vector<BobRec> bobs;
    if (ps.plotType < 1) {
        bobs.push_back({(plot.top + plot.bottom) / 2.0, gFactoryPrefs.crystalColor});
    } else if (!ps.plotMixture) {
        for (VLPatternPtr pp : theWindow->plotList) {
            if (pp->type == kPatternTypeDataset && pp->dataset) {
                Float32 v;
                if (!GetDatasetInterpolatedIntensity(pp->dataset.get(), ps.cursorXPos, maxDeltaX, &v))
                    continue;
                const double intensity = pp->dataset->relScale * static_cast<double>(v) + pp->dataset->yOffset;
                const double row = std::clamp(plot.bottom - (intensity - ps.ymin) * ps.yscale - 1,
                                              static_cast<double>(plot.top), plot.bottom - 1.0);
                bobs.push_back({row, pp->dataset->plotColor});
            } else if (pp->type == kPatternTypeCrystal && pp->crystal) {
                bobs.push_back({crystalRow(crystalValue(*pp->crystal)), pp->crystal->plotColor});
            }
        }
    } else {
        double observed = 0, calculated = 0;
        bool haveObserved = false, haveCalculated = false;
        for (VLPatternPtr pp : theWindow->plotList) {
            Float32 v;
            if (pp->type == kPatternTypeDataset && pp->dataset &&
                GetDatasetInterpolatedIntensity(pp->dataset.get(), ps.cursorXPos, maxDeltaX, &v)) {
                observed += pp->dataset->relScale * static_cast<double>(v) + pp->dataset->yOffset;
                haveObserved = true;
            } else if (pp->type == kPatternTypeCrystal && pp->crystal) {
                calculated += crystalValue(*pp->crystal);
                haveCalculated = true;
            }
        }
        if (haveObserved)
            bobs.push_back({crystalRow(observed), ps.datasetMixColor});
        if (haveCalculated)
            bobs.push_back({crystalRow(calculated), ps.crystalMixColor});
    }

    // With the arrow tool the information bar reads out what lies under the cursor.
    if (theWindow->currentTool == 0)
        DrawInfoBarDiffractionData(theWindow, MakeCursorReadout(theWindow));

    const RGBColor marker = dc.hilite;
    {
        VectorLayer layer(s);
        s.ClipToRect(ToRectF(plot));
        VectorPath line;
        line.MoveTo(c + 0.5, plot.bottom);
        line.LineTo(c + 0.5, plot.top);
        s.SetStrokeColor(marker, 1.0);
        s.SetLineWidth(1.0);
        s.SetLineDash(true);
        s.StrokePath(line);
    }
    for (const BobRec& b : bobs)
        DrawCursorBob(s, c + 0.5, b.row, 3.5, kRGBWhite, b.color);
    // The pointer: a small triangle hanging from the top frame.
    VectorLayer layer(s);
    VectorPath pointer;
    pointer.MoveTo(c + 0.5 - 4, plot.top);
    pointer.LineTo(c + 0.5 + 4, plot.top);
    pointer.LineTo(c + 0.5, plot.top + 6);
    pointer.Close();
    s.SetFillColor(marker, 1.0);
    s.FillPath(pointer);
}

void ForgetCursorAfterChange(WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    PlotSpecsRec& ps = theWindow->plotSpecs;
    CursorAnchorRec& anchor = theWindow->cursorAnchor;
    if (!ps.showCursor || !anchor.active) {
        anchor.set = anchor.active = false;
        return;
    }
    std::vector<const VLPatternRec*> plotted(theWindow->plotList.begin(), theWindow->plotList.end());
    if (!anchor.set) {
        anchor = {true, true, ps.xmin, ps.xmax, ps.plotType, ps.axisType, ps.plotMixture, std::move(plotted)};
        return;
    }
    if (anchor.xmin != ps.xmin || anchor.xmax != ps.xmax || anchor.plotType != ps.plotType ||
        anchor.axisType != ps.axisType || anchor.plotMixture != ps.plotMixture || anchor.plotted != plotted) {
        ps.showCursor = false;
        anchor.set = anchor.active = false;
    }
}
