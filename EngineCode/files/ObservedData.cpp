// Observed-data text files.
#include "ObservedData.h"

#include "ByteStream.h"
#include "Document.h"
#include "FileTypes.h"
#include "TextLines.h"

#include <cmath>
#include <new>
#include <vector>

bool ParseDataLine(const char* line, Float32* x, Float32* y)
{
    if (!line)
        return false;
    const char* p = line;
    float first = 0, second = 0;
    if (!ScanFloat(p, first) || !ScanFloat(p, second))
        return false;
    // "nan", "inf" and numbers beyond single precision are not measurements.
    if (!std::isfinite(first) || !std::isfinite(second))
        return false;
    if (x)
        *x = first;
    if (y)
        *y = second;
    return true;
}

bool ReadDatasetStream(WinInfoRec* theWindow, ObsDataRec* dp, std::FILE* file, const PrefDataRec& prefs,
                       FileProblems& problems)
{
    if (!dp || !file)
        return false;
    std::vector<Float32> xs, ys;
    Float32 xmin = 1e30f, xmax = -1e30f, ymin = 1e30f, ymax = -1e30f;
    const RGBColor colour = GetNextPlotColor(theWindow);
    char line[255];
    try {
        while (MyGetLine(file, line) >= 0) {
            Float32 x = 0, y = 0;
            if (!ParseDataLine(line, &x, &y))
                continue;
            if (static_cast<AtomIndex>(xs.size()) >= kMaxDataPoints) {
                problems.Stop("Error_Too_Many_Points");
                return false;
            }
            xs.push_back(x);
            ys.push_back(y);
            xmin = std::min(xmin, x);
            xmax = std::max(xmax, x);
            ymin = std::min(ymin, y);
            ymax = std::max(ymax, y);
        }
    } catch (const std::bad_alloc&) {
        problems.Stop("No_Memory");
        return false;
    }
    if (xs.empty()) {
        problems.Stop("No_Data_In_File");
        return false;
    }
    dp->x = std::move(xs);
    dp->profile = std::move(ys);
    SetDatasetDefaultPlotStyle(dp, prefs);
    dp->xmin = xmin;
    dp->xmax = xmax;
    dp->ymin = ymin;
    dp->ymax = ymax;
    dp->xOffset = 0;
    dp->yOffset = 0;
    dp->plotColor = colour;
    return true;
}

bool ReadDatasetFile(WinInfoRec* theWindow, ObsDataRec* dp, const std::string& path, const PrefDataRec& prefs,
                     FileProblems& problems)
{
    FileHandle file = OpenFile(path, "rb");
    if (!file) {
        problems.Stop("Error_Opening_File");
        return false;
    }
    return ReadDatasetStream(theWindow, dp, file.get(), prefs, problems);
}

VLPatternPtr LoadPatternFromDatasetFile(WinInfoRec* theWindow, const std::string& path, const PrefDataRec& prefs,
                                        FileProblems& problems)
{
    if (!theWindow)
        return nullptr;
    std::unique_ptr<ObsDataRec> dataset = CreateDataset(prefs);
    std::unique_ptr<VLPatternRec> pattern = CreatePattern();
    if (!dataset || !pattern) {
        problems.Stop("No_Memory");
        return nullptr;
    }
    const UInt16 colourIndex = theWindow->nextPlotColor;
    if (!ReadDatasetFile(theWindow, dataset.get(), path, prefs, problems)) {
        theWindow->nextPlotColor = colourIndex;  // a refused file leaves the document as it was
        return nullptr;
    }
    pattern->type = kPatternTypeDataset;
    pattern->dataset = std::move(dataset);
    pattern->name = FileDisplayName(path);
    pattern->filePtr = path;
    VLPatternPtr added = InsertPatternIntoFileListSorted(theWindow, std::move(pattern));
    InsertPatternIntoPlotList(theWindow, added, nullptr);
    return added;
}
