// Measured patterns through xylib: format detection, block choice, and the copy of the x and
// intensity columns into a dataset. xylib reports failures by exceptions; they end here.
#include "MeasuredDataImport.h"

#include "Status.h"
#include "StringTable.h"

#include <xylib/xylib.h>

#include <algorithm>
#include <cctype>
#include <clocale>
#include <cmath>
#include <fstream>
#include <locale.h>
#include <memory>
#include <new>
#include <sstream>

namespace {

// xylib reads numbers with the C library, which follows the process locale: a decimal comma
// would stop every text format at the first point. The thread reads with "C" numbers meanwhile.
class CNumericLocale {
public:
    CNumericLocale() : c_(newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr)))
    {
        if (c_)
            previous_ = uselocale(c_);
    }
    ~CNumericLocale()
    {
        if (c_) {
            uselocale(previous_);
            freelocale(c_);
        }
    }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
    locale_t c_;
    locale_t previous_ = nullptr;
};

std::string LowerExtension(const std::string& fileName)
{
    const std::size_t slash = fileName.find_last_of('/');
    const std::size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = fileName.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

// Whether every format the library lists for an extension is binary: such a file that only the
// plain-text fallback accepts is not of its format at all.
bool HasLineStartingWith(const std::string& text, std::string_view start)
{
    for (std::size_t at = 0; at < text.size();) {
        if (std::string_view(text).substr(at, start.size()) == start)
            return true;
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return false;
}

bool ExtensionIsBinaryOnly(const std::string& ext)
{
    bool any = false;
    for (int i = 0; const xylibFormat* f = xylib_get_format(i); ++i) {
        std::istringstream exts(f->exts ? f->exts : "");
        for (std::string e; exts >> e;)
            if (e == ext) {
                if (!f->binary)
                    return false;
                any = true;
            }
    }
    return any;
}

struct Loaded {
    std::unique_ptr<xylib::DataSet> data;
    std::string formatName;
};

// Loads every block of the contents; on failure sets problem and returns no data.
Loaded Load(const std::string& contents, const std::string& fileName, ImportProblem& problem)
{
    Loaded out;
    CNumericLocale cNumbers;
    try {
        std::istringstream stream(contents);
        std::string details;
        const xylib::FormatInfo* fi = xylib::guess_filetype(fileName, stream, &details);
        if (!fi) {
            problem = {"Measured_Data_Unknown_Format", {}, 0, {}};
            return out;
        }
        if (std::string_view(fi->name) == "text" && ExtensionIsBinaryOnly(LowerExtension(fileName))) {
            problem = {"Measured_Data_Unknown_Format", {}, 0, {}};
            return out;
        }
        out.formatName = fi->desc ? fi->desc : fi->name;
        // xylib's own load functions lose the half-read data set when reading fails; made here,
        // it is owned before the reading starts.
        out.data.reset(fi->ctor ? fi->ctor() : nullptr);
        if (!out.data) {
            problem = {"Measured_Data_Unreadable", out.formatName, 0, {}};
            return out;
        }
        // The text reader's guess at simulation logs (a line starting "LAMMPS (") never ends on
        // some inputs; read strictly, such a line is text like any other.
        if (std::string_view(fi->name) == "text" && HasLineStartingWith(contents, "LAMMPS ("))
            out.data->set_options("strict");
        std::istringstream data(contents);
        out.data->load_data(data, fileName.c_str());
    } catch (const std::bad_alloc&) {
        out.data.reset();
        problem = {"No_Memory", {}, 0, {}};
    } catch (const std::exception& e) {
        out.data.reset();
        problem = {"Measured_Data_Unreadable", out.formatName.empty() ? std::string("?") : out.formatName, 0,
                   e.what()};
    }
    return out;
}

bool ReadFileContents(const std::string& path, std::string& contents, ImportProblem& problem)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        problem = {"Error_Opening_File", {}, 0, {}};
        return false;
    }
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<std::uint64_t>(size) > kMeasuredDataMaxFileBytes) {
        problem = {"Measured_Data_File_Too_Large", {}, 0, {}};
        return false;
    }
    contents.assign(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    if (!in.read(contents.data(), size)) {
        problem = {"Error_Opening_File", {}, 0, {}};
        return false;
    }
    return true;
}

}  // namespace

MeasuredDataResult ReadMeasuredData(const std::string& contents, const std::string& fileName, const PrefDataRec& prefs,
                                    int block)
{
    MeasuredDataResult result;
    Loaded loaded = Load(contents, fileName, result.problem);
    if (!loaded.data)
        return result;
    result.formatName = loaded.formatName;
    try {
        result.numBlocks = loaded.data->get_block_count();
        if (block < 0 || block >= result.numBlocks) {
            result.problem = {result.numBlocks == 0 ? "No_Data_In_File" : "Measured_Data_No_Such_Block", {}, 0, {}};
            return result;
        }
        const xylib::Block* b = loaded.data->get_block(block);
        if (b->get_column_count() < 2) {
            result.problem = {"Measured_Data_No_Intensities", {}, 0, {}};
            return result;
        }
        const xylib::Column& xc = b->get_column(1);
        const xylib::Column& yc = b->get_column(2);
        const int n = b->get_point_count();
        auto dp = CreateDataset(prefs);
        if (!dp) {
            result.problem = {"No_Memory", {}, 0, {}};
            return result;
        }
        dp->xmin = 1e30f;
        dp->xmax = -1e30f;
        dp->ymin = 1e30f;
        dp->ymax = -1e30f;
        dp->xOffset = dp->yOffset = 0;
        dp->x.reserve(static_cast<std::size_t>(std::max(n, 0)));
        dp->profile.reserve(static_cast<std::size_t>(std::max(n, 0)));
        for (int i = 0; i < n; ++i) {
            const double x = xc.get_value(i), y = yc.get_value(i);
            // Points the format marks as missing (NaN) or beyond single precision are left out.
            if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1e37 || std::fabs(y) > 1e37)
                continue;
            const Float32 fx = static_cast<Float32>(x), fy = static_cast<Float32>(y);
            dp->x.push_back(fx);
            dp->profile.push_back(fy);
            dp->xmin = std::min(dp->xmin, fx);
            dp->xmax = std::max(dp->xmax, fx);
            dp->ymin = std::min(dp->ymin, fy);
            dp->ymax = std::max(dp->ymax, fy);
        }
        if (dp->x.empty()) {
            result.problem = {"No_Data_In_File", {}, 0, {}};
            return result;
        }
        result.block = block;
        result.dataset = std::move(dp);
        if (result.numBlocks > 1) {
            result.note = FormatCount(FormatCount(LocalizedString("Measured_Data_Block_N_Of_N"), block + 1),
                                      result.numBlocks);
            if (!b->get_name().empty())
                result.note += " (" + b->get_name() + ")";
        }
    } catch (const std::bad_alloc&) {
        result.dataset.reset();
        result.problem = {"No_Memory", {}, 0, {}};
    } catch (const std::exception& e) {
        result.dataset.reset();
        result.problem = {"Measured_Data_Unreadable", result.formatName, 0, e.what()};
    }
    return result;
}

MeasuredDataResult ReadMeasuredDataFile(const std::string& path, const PrefDataRec& prefs, int block)
{
    MeasuredDataResult result;
    std::string contents;
    if (!ReadFileContents(path, contents, result.problem))
        return result;
    return ReadMeasuredData(contents, path, prefs, block);
}

std::vector<std::string> ListMeasuredDataBlocks(const std::string& path)
{
    std::vector<std::string> names;
    std::string contents;
    ImportProblem problem;
    if (!ReadFileContents(path, contents, problem))
        return names;
    Loaded loaded = Load(contents, path, problem);
    if (!loaded.data)
        return names;
    for (int i = 0; i < loaded.data->get_block_count(); ++i)
        names.push_back(loaded.data->get_block(i)->get_name());
    return names;
}
