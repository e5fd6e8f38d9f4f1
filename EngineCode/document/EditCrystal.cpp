// The crystal editor's working copy, its table and the writing back of an edit.
#include "EditCrystal.h"

#include "Constants.h"
#include "Document.h"
#include "RichText.h"
#include "Settings.h"
#include "Status.h"
#include "TextFormat.h"
#include "TextLines.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsLetter(char c) { return IsUpper(c) || IsLower(c); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
char Upper(char c) { return IsLower(c) ? static_cast<char>(c - 'a' + 'A') : c; }
char Lower(char c) { return IsUpper(c) ? static_cast<char>(c - 'A' + 'a') : c; }

// As sscanf "%f %f %f" on a text of digits, full stops, commas and blanks: up to three numbers,
// reading stops at the first text that does not start one.
std::vector<double> ReadNumbers(const std::string& text)
{
    std::vector<double> numbers;
    std::size_t p = 0;
    while (numbers.size() < 3) {
        while (p < text.size() && IsBlank(text[p]))
            ++p;
        std::size_t q = p;
        std::string digits;
        while (q < text.size() && IsDigit(text[q]))
            digits += text[q++];
        bool any = !digits.empty();
        if (q < text.size() && text[q] == '.') {
            digits += text[q++];
            while (q < text.size() && IsDigit(text[q])) {
                digits += text[q++];
                any = true;
            }
        }
        if (!any)
            break;
        numbers.push_back(std::strtod(("0" + digits).c_str(), nullptr));
        p = q;
    }
    return numbers;
}

// As sscanf "%s %s %s": up to three words separated by blanks.
std::vector<std::string> ReadWords(const std::string& text)
{
    std::vector<std::string> words;
    std::size_t p = 0;
    while (words.size() < 3) {
        while (p < text.size() && IsBlank(text[p]))
            ++p;
        if (p == text.size())
            break;
        std::size_t q = p;
        while (q < text.size() && !IsBlank(text[q]))
            ++q;
        words.push_back(text.substr(p, q - p));
        p = q;
    }
    return words;
}

bool IsNumberCharacter(char c)
{
    return IsDigit(c) || c == '.' || c == ',';
}

// The value a numeric column sorts by; a U cell that shows nothing sorts first.
double SortValue(const EditCrystalSiteRec& s, EditCrystalColumn column)
{
    const bool anisotropic = s.adpType == kADPTypeUij || s.adpType == kADPTypeBij;
    const auto u = [&](int i) { return anisotropic ? static_cast<double>(s.u[i]) : -HUGE_VAL; };
    switch (column) {
    case EditCrystalColumn::Use: return s.use ? 1 : 0;
    case EditCrystalColumn::Occupancy: return s.symbol[0];
    case EditCrystalColumn::X: return s.x[0];
    case EditCrystalColumn::Y: return s.x[1];
    case EditCrystalColumn::Z: return s.x[2];
    case EditCrystalColumn::U11: return u(0);
    case EditCrystalColumn::U22: return u(1);
    case EditCrystalColumn::U33: return u(2);
    case EditCrystalColumn::U23: return u(3);
    case EditCrystalColumn::U13: return u(4);
    case EditCrystalColumn::U12: return u(5);
    case EditCrystalColumn::Uiso: return s.uIso;
    case EditCrystalColumn::Label: break;
    }
    return 0;
}

bool SameSite(const InputDataRec& site, const EditCrystalSiteRec& edit)
{
    if (static_cast<bool>(site.include) != static_cast<bool>(edit.use))
        return false;
    for (std::size_t k = 0; k < 3; ++k)
        if (site.occupant[k].symbol != edit.symbol[k] || site.occupant[k].occupancy != edit.occupancy[k])
            return false;
    return true;
}

}  // namespace

// ---- the copy ----

EditCrystalPtr CreateEditCrystal(const CrystalDataRec* xp)
{
    if (!xp)
        return nullptr;
    try {
        auto edit = std::make_unique<EditCrystalRec>();
        edit->a = xp->a, edit->b = xp->b, edit->c = xp->c;
        edit->alpha = xp->alpha, edit->beta = xp->beta, edit->gamma = xp->gamma;
        edit->hasEllipsoids = xp->hasEllipsoids;
        edit->sites.reserve(xp->AU.size());
        for (std::size_t i = 0; i < xp->AU.size(); ++i) {
            const InputDataRec& site = xp->AU[i];
            EditCrystalSiteRec s;
            s.index = static_cast<UInt32>(i);
            s.use = site.include;
            std::memcpy(s.label, site.label, sizeof s.label);
            s.label[6] = '\0';
            std::copy(std::begin(site.x), std::end(site.x), s.x);
            const Float32 u[6] = {site.uAni[0][0], site.uAni[1][1], site.uAni[2][2],
                                  site.uAni[1][2], site.uAni[0][2], site.uAni[0][1]};
            std::copy(std::begin(u), std::end(u), s.u);
            s.uIso = site.uIso;
            s.adpType = site.adpType;
            for (std::size_t k = 0; k < 3; ++k) {
                s.symbol[k] = site.occupant[k].symbol;
                s.occupancy[k] = site.occupant[k].occupancy;
            }
            edit->sites.push_back(s);
        }
        return edit;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

EditCrystalPtr RequestEditCrystal(WinInfoRec* theWindow)
{
    const CrystalDataRec* xp = GetFrontSelectedCrystal(theWindow);
    if (!xp) {
        MyCFStopAlert("Please_Select_Crystal");
        return nullptr;
    }
    EditCrystalPtr edit = CreateEditCrystal(xp);
    if (!edit)
        MyCFStopAlert("No_Memory");
    return edit;
}

void DoEditCrystal(WinInfoRec* theWindow, EditCrystalPtr edit)
{
    CrystalDataRec* xp = GetFrontSelectedCrystal(theWindow);
    if (!xp || !edit)
        return;
    bool changed = xp->a != edit->a || xp->b != edit->b || xp->c != edit->c || xp->alpha != edit->alpha ||
                   xp->beta != edit->beta || xp->gamma != edit->gamma;
    for (const EditCrystalSiteRec& s : edit->sites)
        if (s.index < xp->AU.size() && !SameSite(xp->AU[s.index], s))
            changed = true;
    if (!changed)
        return;  // an edit that changes nothing leaves the window as it is
    xp->a = edit->a, xp->b = edit->b, xp->c = edit->c;
    xp->alpha = edit->alpha, xp->beta = edit->beta, xp->gamma = edit->gamma;
    for (const EditCrystalSiteRec& s : edit->sites) {
        if (s.index >= xp->AU.size())
            continue;
        InputDataRec& site = xp->AU[s.index];
        site.include = s.use;
        for (std::size_t k = 0; k < 3; ++k) {
            site.occupant[k].symbol = s.symbol[k];
            site.occupant[k].occupancy = s.occupancy[k];
        }
    }
    edit.reset();
    DoRecalculate(theWindow);
}

// ---- lattice fields ----

std::string FormatLatticeField(Float32 value)
{
    return FormatFixed(value, 0, value < 10.0f ? 4 : 3);
}

Float32 ReadLatticeField(const std::string& text, Float32 current)
{
    // A field left as it was shown keeps the full value, not its rounded text.
    if (text == FormatLatticeField(current))
        return current;
    const char* p = text.c_str();
    float value = 0;
    return ScanFloat(p, value) ? value : current;
}

std::string LatticeRefusal(const EditCrystalRec& edit)
{
    for (Float32 length : {edit.a, edit.b, edit.c})
        if (!(length > 0) || !std::isfinite(length))
            return "Cell lengths must be greater than 0 Å.";
    for (Float32 angle : {edit.alpha, edit.beta, edit.gamma})
        if (!(angle > 0 && angle < 180))
            return "Cell angles must lie between 0° and 180°.";
    const double ca = std::cos(edit.alpha * kDegToRad), cb = std::cos(edit.beta * kDegToRad);
    const double cg = std::cos(edit.gamma * kDegToRad);
    if (!(1 - ca * ca - cb * cb - cg * cg + 2 * ca * cb * cg > 1e-9))
        return "These three angles do not make a unit cell.";
    return {};
}

// ---- the site table ----

std::vector<EditCrystalColumn> EditCrystalColumns(const EditCrystalRec& edit)
{
    using C = EditCrystalColumn;
    std::vector<C> columns = {C::Use, C::Label, C::Occupancy, C::X, C::Y, C::Z};
    if (edit.hasEllipsoids)
        columns.insert(columns.end(), {C::U11, C::U22, C::U33, C::U12, C::U13, C::U23, C::Uiso});
    return columns;
}

std::string EditCrystalColumnTitle(EditCrystalColumn column)
{
    switch (column) {
    case EditCrystalColumn::Use: return "";
    case EditCrystalColumn::Label: return "Label";
    case EditCrystalColumn::Occupancy: return "Site Occupancy";
    case EditCrystalColumn::X: return "x";
    case EditCrystalColumn::Y: return "y";
    case EditCrystalColumn::Z: return "z";
    case EditCrystalColumn::U11: return "U11";
    case EditCrystalColumn::U22: return "U22";
    case EditCrystalColumn::U33: return "U33";
    case EditCrystalColumn::U12: return "U12";
    case EditCrystalColumn::U13: return "U13";
    case EditCrystalColumn::U23: return "U23";
    case EditCrystalColumn::Uiso: return "Uiso";
    }
    return "";
}

int EditCrystalColumnWidth(EditCrystalColumn column)
{
    switch (column) {
    case EditCrystalColumn::Use: return 44;
    case EditCrystalColumn::Label: return 70;
    case EditCrystalColumn::Occupancy: return 204;
    case EditCrystalColumn::X:
    case EditCrystalColumn::Y:
    case EditCrystalColumn::Z: return 75;
    default: return 75;
    }
}

std::string OccupancyText(const EditCrystalSiteRec& site)
{
    std::string text;
    for (std::size_t k = 0; k < 3; ++k) {
        if (!(site.occupancy[k] > 0))
            continue;
        if (!text.empty())
            text += "  ";
        text += static_cast<char>(site.symbol[k] >> 8);
        text += static_cast<char>(site.symbol[k] & 0xFF);
        text += " " + FormatFixed(site.occupancy[k], 0, 2);
    }
    return text;
}

std::string EditCrystalCellText(const EditCrystalSiteRec& s, EditCrystalColumn column)
{
    const bool anisotropic = s.adpType == kADPTypeUij || s.adpType == kADPTypeBij;
    const auto u = [&](int i) { return anisotropic ? FormatFixed(s.u[i], 0, 4) : std::string(); };
    switch (column) {
    case EditCrystalColumn::Use: return "";
    case EditCrystalColumn::Label: return std::string(s.label, strnlen(s.label, sizeof s.label));
    case EditCrystalColumn::Occupancy: return OccupancyText(s);
    case EditCrystalColumn::X: return FormatFixed(s.x[0], 7, 4);
    case EditCrystalColumn::Y: return FormatFixed(s.x[1], 7, 4);
    case EditCrystalColumn::Z: return FormatFixed(s.x[2], 7, 4);
    case EditCrystalColumn::U11: return u(0);
    case EditCrystalColumn::U22: return u(1);
    case EditCrystalColumn::U33: return u(2);
    case EditCrystalColumn::U23: return u(3);
    case EditCrystalColumn::U13: return u(4);
    case EditCrystalColumn::U12: return u(5);
    case EditCrystalColumn::Uiso: return FormatFixed(s.uIso, 0, 4);
    }
    return "";
}

std::vector<UInt32> EditCrystalRowOrder(const EditCrystalRec& edit, EditCrystalColumn column, bool ascending)
{
    std::vector<UInt32> order(edit.sites.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<UInt32>(i);
    const auto before = [&](UInt32 i, UInt32 j) {
        const EditCrystalSiteRec& a = edit.sites[i];
        const EditCrystalSiteRec& b = edit.sites[j];
        if (column == EditCrystalColumn::Label) {
            const std::string_view la(a.label, strnlen(a.label, sizeof a.label));
            const std::string_view lb(b.label, strnlen(b.label, sizeof b.label));
            return ascending ? MyBooleanCompareSiteLabels(la, lb) : MyBooleanCompareSiteLabels(lb, la);
        }
        const double va = SortValue(a, column), vb = SortValue(b, column);
        return ascending ? va < vb : vb < va;
    };
    std::stable_sort(order.begin(), order.end(), before);
    return order;
}

// ---- occupancy cells ----

OccupancyResult ExtractSiteOccupancies(EditCrystalSiteRec& site, const std::string& text)
{
    OccupancyResult result;
    std::string numbersText = text, wordsText = text;
    for (char& c : numbersText)
        if (!IsNumberCharacter(c))
            c = ' ';
    for (char& c : wordsText)
        if (IsNumberCharacter(c))
            c = ' ';

    double occupancy[3] = {0, 0, 0};
    double total = 0;
    const std::vector<double> numbers = ReadNumbers(numbersText);
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        occupancy[i] = std::min(numbers[i], 1.0);
        total += occupancy[i];
    }

    UInt16 symbol[3] = {kEmptySymbol, kEmptySymbol, kEmptySymbol};
    const std::vector<std::string> words = ReadWords(wordsText);
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string w = words[i];
        w[0] = Upper(w[0]);
        if (!IsUpper(w[0])) {
            result.outcome = OccupancyOutcome::Refused;
            result.caution = "Element symbol must begin with a letter A-Z";
            return result;
        }
        char second = w.size() > 1 ? w[1] : ' ';
        const bool hydroxyl = w[0] == 'O' && second == 'H';
        if (!hydroxyl)
            second = IsLetter(second) ? Lower(second) : ' ';
        symbol[i] = PackSymbol(w[0], second);
    }

    if (total > 1) {
        result.caution = "Total site occupancy should not exceed 1 !";
        result.outcome = OccupancyOutcome::Overfull;
    }

    bool emptyText = true;
    for (char c : text)
        if (!IsBlank(c))
            emptyText = false;
    if (emptyText || total < 0.0001) {
        if (words.empty()) {
            const char first = Upper(site.label[0]);
            if (site.label[0] == '\0')
                return {OccupancyOutcome::Unchanged, {}};
            if (!IsUpper(first))
                return {OccupancyOutcome::Refused, "Please enter an element symbol!"};
            const char next = site.label[1];
            // Hydroxyl keeps its pair; otherwise only a lower-case letter continues the symbol.
            const char second = IsLower(next) ? next : (first == 'O' && next == 'H') ? 'H' : ' ';
            symbol[0] = PackSymbol(first, second);
        }
        occupancy[0] = 1.0;
    }

    double remaining = 0;
    for (std::size_t k = 0; k < 3; ++k) {
        if (symbol[k] == kEmptySymbol)
            occupancy[k] = 0;
        remaining += occupancy[k];
    }
    if (!(remaining > 0)) {
        if (result.outcome == OccupancyOutcome::Overfull)
            result.outcome = OccupancyOutcome::Unchanged;
        return result;
    }
    // Largest first; equal occupancies keep the order they were typed in.
    for (int pass = 0; pass < 2; ++pass)
        for (std::size_t k = 0; k + 1 < 3; ++k)
            if (occupancy[k + 1] > occupancy[k]) {
                std::swap(occupancy[k], occupancy[k + 1]);
                std::swap(symbol[k], symbol[k + 1]);
            }
    for (std::size_t k = 0; k < 3; ++k) {
        site.symbol[k] = symbol[k];
        site.occupancy[k] = static_cast<Float32>(occupancy[k]);
    }
    if (result.outcome != OccupancyOutcome::Overfull)
        result.outcome = OccupancyOutcome::Applied;
    return result;
}
