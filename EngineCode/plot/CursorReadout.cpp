// The cursor and distance read-outs.
#include "CursorReadout.h"

#include "CursorBox.h"
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "PlotPixels.h"
#include "RichText.h"
#include "TextBox.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

std::string Format(const char* format, double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

const char* AxisUnit(SInt16 axisType)
{
    switch (axisType) {
    case kAxisTwoTheta: return "\u00B0";
    case kAxisReciprocalD: return " \u00C5-1";
    case kAxisTimeOfFlight: return " ms";
    case kAxisEnergy: return " keV";
    default: return "";
    }
}

std::string XValueText(const PlotSpecsRec& ps, double x)
{
    if (ps.axisType == kAxisDSpacing)
        return "----";
    const char* format = x > 999.99 ? "%.2f" : x > 99.999 ? "%.3f" : "%.4f";
    return Format(format, x) + AxisUnit(ps.axisType);
}

// The crystal's profile at pane column c, volume fraction and offset included.
double CrystalValueAtColumn(const WinInfoRec* w, const CrystalDataRec& xp, int c)
{
    const int W = w->plotRect.Width();
    const int i = std::clamp(c - w->plotRect.left, 0, std::max(0, W - 1));
    if (i >= xp.nBufferPts())
        return xp.yOffset;
    return static_cast<double>(xp.plotBuffer[static_cast<std::size_t>(i)]) * xp.volFrac + xp.yOffset;
}

}  // namespace

int CursorColumn(const WinInfoRec* theWindow, double x)
{
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    return theWindow->plotRect.left + TruncPixel((x - ps.xmin) * ps.xscale);
}

double ColumnToX(const WinInfoRec* theWindow, int column)
{
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    if (!(ps.xscale > 0))
        return ps.xmin;
    return (column - theWindow->plotRect.left) / static_cast<double>(ps.xscale) + ps.xmin;
}

bool FindClickedPeak(const WinInfoRec* theWindow, int xClick, VLPatternPtr* clickedPattern, SInt32* refNum)
{
    if (!theWindow)
        return false;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    if (!(ps.xscale > 0))
        return false;
    const double left = theWindow->plotRect.left;
    // The x values of the columns within reach of the click.
    const double lo = ps.xmin + (xClick - kPeakPickPixels - left) / static_cast<double>(ps.xscale);
    const double hi = ps.xmin + (xClick + kPeakPickPixels + 1 - left) / static_cast<double>(ps.xscale);
    VLPatternPtr best = nullptr;
    SInt32 bestIndex = -1;
    Float32 bestInty = 0;
    for (auto it = theWindow->plotList.rbegin(); it != theWindow->plotList.rend(); ++it) {
        VLPatternPtr pp = *it;
        if (pp->type != kPatternTypeCrystal || !pp->crystal)
            continue;
        const std::vector<ReflexionRec>& refs = pp->crystal->refs;
        for (std::size_t j = 0; j < refs.size(); ++j) {
            const ReflexionRec& r = refs[j];
            if (!(r.tth >= lo && r.tth < hi) || r.tth < ps.xmin || r.tth > ps.xmax)
                continue;
            const int p = TruncPixel(left + (r.tth - ps.xmin) * ps.xscale);
            if (p < xClick - kPeakPickPixels || p > xClick + kPeakPickPixels)
                continue;
            if (!best || r.inty > bestInty) {
                best = pp;
                bestIndex = static_cast<SInt32>(j);
                bestInty = r.inty;
            }
        }
    }
    if (!best || !(bestInty > 0))
        return false;
    if (clickedPattern)
        *clickedPattern = best;
    if (refNum)
        *refNum = bestIndex;
    return true;
}

CursorInfoRec MakeCursorReadout(WinInfoRec* theWindow)
{
    CursorInfoRec info;
    if (!theWindow)
        return info;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    info.x = ps.cursorXPos;
    const int W = theWindow->plotRect.Width();
    if (ps.plotType > 0 && W > 0) {
        const double maxDeltaX = (static_cast<double>(ps.xmax) - ps.xmin) / W;
        for (VLPatternPtr pp : theWindow->plotList) {
            Float32 v;
            if (pp->type == kPatternTypeDataset && pp->dataset &&
                GetDatasetInterpolatedIntensity(pp->dataset.get(), ps.cursorXPos, maxDeltaX, &v))
                info.yObs = v;
        }
    }
    if (GetNumCrystalsInPlotList(theWindow) == 0)
        return info;
    const int c = CursorColumn(theWindow, ps.cursorXPos);
    VLPatternPtr peakPattern = nullptr;
    SInt32 ref = -1;
    const CrystalDataRec* xp = nullptr;
    if (FindClickedPeak(theWindow, c, &peakPattern, &ref))
        xp = peakPattern->crystal.get();
    else
        xp = GetFrontCrystal(theWindow);
    if (!xp)
        return info;
    info.y = static_cast<Float32>(CrystalValueAtColumn(theWindow, *xp, c));
    if (peakPattern) {
        const ReflexionRec& r = xp->refs[static_cast<std::size_t>(ref)];
        info.yRel = xp->intMax > 0 ? static_cast<Float32>(r.inty * 100.0 * xp->volFrac / xp->intMax) : 0;
        info.h = r.h, info.k = r.k, info.l = r.l;
        info.mul = r.mul;
        info.patternPtr = peakPattern;
    }
    return info;
}

double ReadoutDSpacing(const PlotSpecsRec& ps, double x)
{
    if ((ps.axisType == kAxisTwoTheta || ps.axisType == kAxisReciprocalD) && x <= 0.01)
        return 0;
    const double d = XToDSpacing(ps, x);
    return std::isfinite(d) ? d : 0;
}

std::string ReadoutXText(const PlotSpecsRec& ps, double x)
{
    return XValueText(ps, x);
}

std::string ReadoutDText(double d)
{
    const double size = std::fabs(d);
    const char* format = size > 99.99 ? "%.2f" : size > 9.9999 ? "%.3f" : "%.4f";
    return Format(format, d) + " \u00C5";
}

InfoBarReadoutRec InfoBarDiffractionData(const WinInfoRec* theWindow, const CursorInfoRec& cursor)
{
    InfoBarReadoutRec bar;
    if (!theWindow)
        return bar;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    const bool crystals = GetNumCrystalsInPlotList(theWindow) > 0;
    const bool datasets = GetNumDatasetsInPlotList(theWindow) > 0;
    const bool both = crystals && datasets;
    const bool peak = cursor.mul > 0;
    bar.fields.push_back({"x: ", 15, 70, XValueText(ps, cursor.x)});
    bar.fields.push_back({"d: ", 20, 55, ReadoutDText(ReadoutDSpacing(ps, cursor.x))});
    if (both) {
        bar.fields.push_back({"Icalc: ", 35, 70, Format("%.4e", cursor.y)});
        bar.fields.push_back({"Iobs: ", 35, 70, Format("%.4e", cursor.yObs)});
    } else {
        bar.fields.push_back({"I: ", 20, 70, Format("%.4e", crystals ? cursor.y : cursor.yObs)});
    }
    bar.fields.push_back({"I/Imax: ", 45, 45, peak ? Format("%.1f%%", cursor.yRel) : std::string()});
    bar.fields.push_back({"hkl: ", 28, 50, peak ? FormatHKLWithOverbars(cursor.h, cursor.k, cursor.l) : std::string(), true});
    bar.fields.push_back({"m: ", 22, 20, peak ? std::to_string(cursor.mul) : std::string()});
    // The phase's name, a little apart from the indices.
    std::string phase;
    if (peak && cursor.patternPtr && cursor.patternPtr->type == kPatternTypeCrystal)
        phase = "(" + StripCrystalExtension(cursor.patternPtr->name) + ")";
    bar.fields.push_back({"", 8, 80, phase});
    return bar;
}

void DrawInfoBarDiffractionData(WinInfoRec* theWindow, const CursorInfoRec& cursor)
{
    if (!theWindow)
        return;
    DrawInfoBarReadout(theWindow, InfoBarDiffractionData(theWindow, cursor));
    theWindow->cursorInfo = cursor;
}

double DistanceDeltaD(const PlotSpecsRec& ps, double x1, double x2)
{
    switch (ps.axisType) {
    case kAxisTwoTheta: {
        const double s1 = std::sin(x1 * std::numbers::pi / 360), s2 = std::sin(x2 * std::numbers::pi / 360);
        if (s1 == 0 || s2 == 0)
            return 0;
        return ps.lambda / 2.0 * (1 / s2 - 1 / s1);
    }
    case kAxisDSpacing: return x2 - x1;
    case kAxisReciprocalD: return x1 != 0 && x2 != 0 ? 1 / x2 - 1 / x1 : 0;
    case kAxisTimeOfFlight: {
        const double f = 2 * ps.distanceTimeOfFlight * kTofMsPerAngstromMetre * std::sin(static_cast<double>(ps.thetaTimeOfFlight));
        return f != 0 ? (x2 - x1) / f : 0;
    }
    case kAxisEnergy: {
        const double s = std::sin(static_cast<double>(ps.thetaEnergy));
        if (x1 == 0 || x2 == 0 || s == 0)
            return 0;
        return kHalfHcKeVAngstrom / (x2 * s) - kHalfHcKeVAngstrom / (x1 * s);
    }
    default: return 0;
    }
}

InfoBarReadoutRec InfoBarDistanceData(const PlotSpecsRec& ps, double x1, double x2, const std::string& comment)
{
    InfoBarReadoutRec bar;
    std::string dx = "----";
    if (ps.axisType != kAxisDSpacing) {
        const double v = x2 - x1;
        const double size = std::fabs(v);
        dx = Format(size > 999.99 ? "%.2f" : size > 99.999 ? "%.3f" : "%.4f", v) + AxisUnit(ps.axisType);
    }
    bar.fields.push_back({"\u2206x: ", 25, 66, dx});
    bar.fields.push_back({"\u2206d: ", 25, 56, ReadoutDText(DistanceDeltaD(ps, x1, x2))});
    bar.comment = comment;
    return bar;
}

int FittingInfoBarFields(const InfoBarReadoutRec& readout, int statusWidth)
{
    int sum = 0, n = 0;
    for (const InfoBarFieldRec& f : readout.fields) {
        sum += f.captionWidth + f.fieldWidth;
        if (sum > statusWidth - 15)
            break;
        ++n;
    }
    return n;
}

void DrawInfoBarFields(DrawingSurface& s, const Rect& status, const InfoBarReadoutRec& readout)
{
    SurfaceStateSaver saver(s);
    s.EraseRect(status);
    const int n = FittingInfoBarFields(readout, status.Width());
    int total = 0;
    for (int i = 0; i < n; ++i)
        total += readout.fields[static_cast<std::size_t>(i)].captionWidth + readout.fields[static_cast<std::size_t>(i)].fieldWidth;
    const double size = 10;
    s.SetFont({kPlotFontName, size, kFacePlain});
    const int rowTop = (status.top + status.bottom) / 2 - 6;
    const RGBColor captionColor = s.GetForeColor();
    int x = status.left + (status.Width() - total) / 2;
    for (int i = 0; i < n; ++i) {
        const InfoBarFieldRec& f = readout.fields[static_cast<std::size_t>(i)];
        const Rect caption{RectCoord(rowTop), RectCoord(x), RectCoord(rowTop + 12), RectCoord(x + f.captionWidth)};
        s.RGBForeColor(captionColor);
        if (!f.caption.empty())
            DrawTextBox(s, f.caption, caption, TextJustify::FlushRight);
        x += f.captionWidth;
        s.RGBForeColor(kRGBBlack);
        if (f.richValue) {
            // Centred by the width of the digits, the bars taking no room of their own.
            const double w = RichTextWidth(s, f.value, kPlotFontName, size);
            const double baseline = rowTop + s.GetFontMetrics().ascent;
            MyDrawATSUIText(s, x + (f.fieldWidth - w) / 2, baseline, f.value, kPlotFontName, size, kRGBBlack, 0, std::nullopt);
        } else if (!f.value.empty()) {
            const std::string shown = TruncateText(s, f.value, f.fieldWidth, TruncateWhere::Middle);
            DrawTextBox(s, shown, {RectCoord(rowTop), RectCoord(x), RectCoord(rowTop + 12), RectCoord(x + f.fieldWidth)},
                        TextJustify::Centre);
        }
        x += f.fieldWidth;
    }
    if (!readout.comment.empty() && x + 5 < status.right)
        DrawTextBox(s, readout.comment, {RectCoord(rowTop), RectCoord(x + 5), RectCoord(rowTop + 12), status.right},
                    TextJustify::FlushLeft);
    s.FlushPortBuffer(status);
}
