// The listing window's rows, search, order and saved text.
#include "EditListing.h"

#include "Document.h"
#include "Reports.h"
#include "SafeFile.h"
#include "Status.h"
#include "TextFormat.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

void SkipBlanks(const std::string& s, std::size_t& p)
{
    while (p < s.size() && IsBlank(s[p]))
        ++p;
}

// An unsigned decimal number ("2", "2.", ".5", "2.35") at p, with the number of its decimals.
bool ReadDecimal(const std::string& s, std::size_t& p, double& value, int& decimals)
{
    std::size_t q = p;
    std::string text;
    bool any = false;
    while (q < s.size() && IsDigit(s[q])) {
        text += s[q++];
        any = true;
    }
    decimals = 0;
    if (q < s.size() && s[q] == '.' && !(q + 1 < s.size() && s[q + 1] == '.')) {
        text += s[q++];
        while (q < s.size() && IsDigit(s[q])) {
            text += s[q++];
            ++decimals;
            any = true;
        }
    }
    if (!any)
        return false;
    value = std::strtod(("0" + text).c_str(), nullptr);
    p = q;
    return true;
}

// "1 1 1", "1,-1,0", "(0 0 *)", or three signed digits written together ("113", "1-10").
std::optional<ListingFilter> ParseIndices(std::string s)
{
    for (char& c : s)
        if (c == '(' || c == ')' || c == '[' || c == ']' || c == '{' || c == '}' || c == ',' || c == ';')
            c = ' ';
    std::vector<std::string> tokens;
    std::size_t p = 0;
    while (true) {
        SkipBlanks(s, p);
        if (p == s.size())
            break;
        std::size_t q = p;
        while (q < s.size() && !IsBlank(s[q]))
            ++q;
        tokens.push_back(s.substr(p, q - p));
        p = q;
    }
    if (tokens.size() == 1) {
        // Written together: each index one digit, with its sign.
        std::vector<std::string> split;
        const std::string& t = tokens[0];
        for (std::size_t i = 0; i < t.size(); ++i) {
            if (t[i] == '-' && i + 1 < t.size() && IsDigit(t[i + 1])) {
                split.push_back(t.substr(i, 2));
                ++i;
            } else if (IsDigit(t[i]) || t[i] == '*' || t[i] == '?') {
                split.push_back(t.substr(i, 1));
            } else {
                return std::nullopt;
            }
        }
        tokens = split;
    }
    if (tokens.size() != 3)
        return std::nullopt;
    ListingFilter f;
    f.kind = ListingFilter::Kind::Indices;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string& t = tokens[i];
        // Any index: a wildcard, or the index's own letter ("h 0 0", "0 k 0").
        if (t == "*" || t == "?" || t == "x" || t == "X" || t == "h" || t == "k" || t == "l" || t == "H" ||
            t == "K" || t == "L")
            continue;
        std::size_t start = t[0] == '-' || t[0] == '+' ? 1 : 0;
        if (start == t.size() || t.size() - start > 4)
            return std::nullopt;
        for (std::size_t j = start; j < t.size(); ++j)
            if (!IsDigit(t[j]))
                return std::nullopt;
        const int v = std::stoi(t.substr(start));
        f.hkl[i] = t[0] == '-' ? -v : v;
    }
    return f;
}

// "1.2-2.5", "1.2 .. 2.5", "1.2 to 2.5", "d 1.2 2.5", "d > 1.5", "d <= 2", "d 2.35" (the values
// that print as 2.35).
std::optional<ListingFilter> ParseDRange(const std::string& s)
{
    std::size_t p = 0;
    SkipBlanks(s, p);
    bool named = false;
    if (p < s.size() && (s[p] == 'd' || s[p] == 'D')) {
        named = true;
        ++p;
        SkipBlanks(s, p);
        if (p < s.size() && (s[p] == '=' || s[p] == ':')) {
            ++p;
            SkipBlanks(s, p);
        }
    }
    ListingFilter f;
    f.kind = ListingFilter::Kind::DRange;
    double a = 0, b = 0;
    int decimals = 0;
    if (p < s.size() && (s[p] == '<' || s[p] == '>')) {
        const bool below = s[p] == '<';
        ++p;
        if (p < s.size() && s[p] == '=')
            ++p;
        SkipBlanks(s, p);
        if (!ReadDecimal(s, p, a, decimals))
            return std::nullopt;
        SkipBlanks(s, p);
        if (p != s.size())
            return std::nullopt;
        f.dLow = below ? 0 : a;
        f.dHigh = below ? a : HUGE_VAL;
        return f;
    }
    if (!ReadDecimal(s, p, a, decimals))
        return std::nullopt;
    SkipBlanks(s, p);
    if (p == s.size()) {
        if (!named)
            return std::nullopt;  // a lone number is no range
        const double half = 0.5 * std::pow(10.0, -decimals);
        f.dLow = a - half;
        f.dHigh = a + half;
        return f;
    }
    if (s.compare(p, 2, "..") == 0)
        p += 2;
    else if (s.compare(p, 2, "to") == 0)
        p += 2;
    else if (s[p] == '-')
        ++p;
    SkipBlanks(s, p);
    if (!ReadDecimal(s, p, b, decimals))
        return std::nullopt;
    SkipBlanks(s, p);
    if (p != s.size())
        return std::nullopt;
    f.dLow = std::min(a, b);
    f.dHigh = std::max(a, b);
    return f;
}

double SortKey(const EditListingRowRec& r, ListingColumn column)
{
    switch (column) {
    case ListingColumn::Index: return r.num;
    case ListingColumn::H: return r.h;
    case ListingColumn::K: return r.k;
    case ListingColumn::L: return r.l;
    case ListingColumn::DSpacing: return r.dsp;
    case ListingColumn::Position: return r.x;
    case ListingColumn::Intensity: return r.inty;
    case ListingColumn::RelativeIntensity: return r.intyRel;
    case ListingColumn::Multiplicity: return r.m;
    case ListingColumn::N: return r.n;
    }
    return 0;
}

}  // namespace

std::vector<EditListingRowRec> CreateEditListing(const CrystalDataRec* xp)
{
    std::vector<EditListingRowRec> rows;
    if (!xp)
        return rows;
    try {
        rows.reserve(xp->refs.size());
    } catch (const std::bad_alloc&) {
        return rows;
    }
    double iMax = 0;
    for (const ReflexionRec& r : xp->refs)
        iMax = std::max(iMax, static_cast<double>(r.inty) * xp->volFrac);
    const double scale = iMax > 0 ? 100.0 / iMax : 1.0;
    for (std::size_t i = 0; i < xp->refs.size(); ++i) {
        const ReflexionRec& r = xp->refs[i];
        EditListingRowRec row;
        row.num = static_cast<UInt32>(i + 1);
        row.n = static_cast<UInt32>(long{r.h} * r.h + long{r.k} * r.k + long{r.l} * r.l);
        row.h = r.h, row.k = r.k, row.l = r.l;
        row.dsp = r.dsp;
        row.x = r.tth;
        const double intensity = static_cast<double>(r.inty) * xp->volFrac;
        row.inty = static_cast<Float32>(intensity);
        row.intyRel = static_cast<Float32>(intensity * scale);
        row.m = static_cast<SInt16>(r.mul);
        rows.push_back(row);
    }
    return rows;
}

bool DoShowListing(WinInfoRec* theWindow)
{
    if (GetNumCrystalsInPlotList(theWindow) > 0)
        return true;
    MyCFNoteAlertText("Please select a simulated diffraction pattern");
    return false;
}

// ---- columns ----

std::vector<ListingColumn> ListingColumns(SInt16 axisType)
{
    using C = ListingColumn;
    std::vector<C> columns = {C::Index, C::H, C::K, C::L, C::DSpacing};
    if (axisType != kAxisDSpacing)
        columns.push_back(C::Position);
    columns.insert(columns.end(), {C::Intensity, C::RelativeIntensity, C::Multiplicity, C::N});
    return columns;
}

std::string ListingColumnTitle(ListingColumn column, SInt16 axisType)
{
    switch (column) {
    case ListingColumn::Index: return "";
    case ListingColumn::H: return "h";
    case ListingColumn::K: return "k";
    case ListingColumn::L: return "l";
    case ListingColumn::DSpacing: return "d-Spacing";
    case ListingColumn::Position:
        switch (axisType) {
        case kAxisTwoTheta: return "Two Theta";
        case kAxisReciprocalD: return "1/d";
        case kAxisTimeOfFlight: return "Time-of-Flight";
        case kAxisEnergy: return "Energy";
        default: return "x";
        }
    case ListingColumn::Intensity: return "Intensity";
    case ListingColumn::RelativeIntensity: return "I/Imax";
    case ListingColumn::Multiplicity: return "m";
    case ListingColumn::N: return "N";
    }
    return "";
}

int ListingColumnWidth(ListingColumn column)
{
    switch (column) {
    case ListingColumn::Index: return 0;
    case ListingColumn::H:
    case ListingColumn::K:
    case ListingColumn::L: return 50;
    case ListingColumn::DSpacing: return 80;
    case ListingColumn::Position: return 110;
    case ListingColumn::Intensity: return 105;
    case ListingColumn::RelativeIntensity: return 60;
    case ListingColumn::Multiplicity: return 49;
    case ListingColumn::N: return 50;
    }
    return 0;
}

std::string ListingCellText(const EditListingRowRec& row, ListingColumn column)
{
    switch (column) {
    case ListingColumn::Index: return std::to_string(row.num) + ".";
    case ListingColumn::H: return std::to_string(row.h);
    case ListingColumn::K: return std::to_string(row.k);
    case ListingColumn::L: return std::to_string(row.l);
    case ListingColumn::DSpacing: return FormatFixed(row.dsp, 0, 5);
    case ListingColumn::Position: return FormatFixed(row.x, 0, 4);
    case ListingColumn::Intensity: return FormatExp(row.inty, 12, 5);
    case ListingColumn::RelativeIntensity: return FormatFixed(row.intyRel, 0, 1);
    case ListingColumn::Multiplicity: return std::to_string(row.m);
    case ListingColumn::N: return std::to_string(row.n);
    }
    return "";
}

std::string ListingCopyText(const std::vector<EditListingRowRec>& rows, const std::vector<UInt32>& positions,
                            const std::vector<ListingColumn>& columns)
{
    std::string text;
    for (UInt32 i : positions) {
        if (i >= rows.size())
            continue;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            std::string cell = columns[c] == ListingColumn::Index ? std::to_string(rows[i].num)
                                                                  : ListingCellText(rows[i], columns[c]);
            cell.erase(0, cell.find_first_not_of(' '));
            text += (c ? "\t" : "") + cell;
        }
        text += "\n";
    }
    return text;
}

// ---- search ----

std::optional<ListingFilter> ParseListingFilter(const std::string& text)
{
    std::size_t p = 0;
    SkipBlanks(text, p);
    if (p == text.size())
        return ListingFilter{};
    if (std::optional<ListingFilter> f = ParseIndices(text))
        return f;
    return ParseDRange(text);
}

bool ListingRowMatches(const ListingFilter& filter, const EditListingRowRec& row)
{
    switch (filter.kind) {
    case ListingFilter::Kind::All: return true;
    case ListingFilter::Kind::Indices: {
        const int hkl[3] = {row.h, row.k, row.l};
        for (std::size_t i = 0; i < 3; ++i)
            if (filter.hkl[i] && *filter.hkl[i] != hkl[i])
                return false;
        return true;
    }
    case ListingFilter::Kind::DRange: return row.dsp >= filter.dLow && row.dsp <= filter.dHigh;
    }
    return true;
}

std::vector<UInt32> ListingRowOrder(const std::vector<EditListingRowRec>& rows, ListingColumn column, bool ascending,
                                    const ListingFilter& filter)
{
    // Keys beside their rows: the sort then walks one compact array.
    std::vector<std::pair<double, UInt32>> keyed;
    keyed.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (ListingRowMatches(filter, rows[i]))
            keyed.emplace_back(SortKey(rows[i], column), static_cast<UInt32>(i));
    if (ascending)
        std::sort(keyed.begin(), keyed.end());
    else
        std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
            return a.first > b.first || (a.first == b.first && a.second < b.second);
        });
    std::vector<UInt32> order;
    order.reserve(keyed.size());
    for (const auto& k : keyed)
        order.push_back(k.second);
    return order;
}

// ---- saving ----

std::string ListingFileName(const std::string& crystalName)
{
    return crystalName + " Listing.txt";
}

void WriteEditListing(std::FILE* file, const std::vector<EditListingRowRec>& rows, const std::vector<UInt32>& order)
{
    if (!file)
        return;
    WriteReportHeader(file);
    std::fputs("ref no.   h   k   l   d(hkl)    2-Theta     Intensity  I/Imax   m     N\n\n", file);
    for (UInt32 i : order) {
        if (i >= rows.size())
            continue;
        const EditListingRowRec& r = rows[i];
        const std::string line = "[" + FormatInt(r.num, 4) + "]  " + FormatInt(r.h, 3) + " " + FormatInt(r.k, 3) +
                                 " " + FormatInt(r.l, 3) + " " + FormatFixed(r.dsp, 9, 5) + "  " +
                                 FormatFixed(r.x, 8, 4) + "  " + FormatExp(r.inty, 12, 5) + " " +
                                 FormatFixed(r.intyRel, 6, 1) + "  " + FormatInt(r.m, 3) + "  " + FormatInt(r.n, 4) +
                                 "\n";
        std::fputs(line.c_str(), file);
    }
}

OSErr DoSaveListing(const std::string& path, const std::vector<EditListingRowRec>& rows,
                    const std::vector<UInt32>& order)
{
    SafeFileWriter writer(path);
    if (const OSErr err = writer.Open(); err != kNoErr) {
        MyCFStopAlertText("Sorry, there was an error whilst attempting to open the file.");
        return err;
    }
    WriteEditListing(writer.file(), rows, order);
    if (std::ferror(writer.file())) {
        writer.Discard();
        MyCFStopAlert("Error_Writing_File");
        return kIOErr;
    }
    const OSErr err = writer.Commit();
    if (err != kNoErr)
        MyCFStopAlert("Error_Writing_File");
    return err;
}
