// CIF structures into crystal records, through gemmi's CIF parser and space-group tables.
//
// gemmi 0.5.7 takes a structure's space group from its Hermann–Mauguin name only, and reads a bare
// name with two origin choices (F d -3 m) in origin choice 1. Here the group comes from the file's
// symmetry-operator loop when it has one, else from its Hall symbol, else from its name; a bare
// name with two origin choices is settled by where each choice puts the atoms.
//
// This file holds gemmi's number-formatting implementation for the whole program (used by gemmi
// headers that write numbers). Debian ships stb_sprintf apart from gemmi, which gemmi warns
// about; EngineCode/CMakeLists.txt silences that warning for this file.
#define GEMMI_WRITE_IMPLEMENTATION
#include <gemmi/sprintf.hpp>

#include "CifImport.h"

#include "Constants.h"

#include <gemmi/cif.hpp>
#include <gemmi/cifdoc.hpp>
#include <gemmi/elem.hpp>
#include <gemmi/numb.hpp>
#include <gemmi/symmetry.hpp>

#include "FileTypes.h"
#include "TextFormat.h"
#include "Status.h"
#include "StringTable.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <fstream>
#include <map>
#include <new>
#include <optional>
#include <unordered_map>

namespace {

namespace cif = gemmi::cif;

constexpr double kEightPi2 = 8 * kPi * kPi;  // B = 8π²U
// An occupancy may exceed 1 by rounding only; the occupants of one site together by this much.
constexpr double kOccupancySlack = 1e-4;
constexpr double kSiteOccupancySlack = 0.01;
constexpr double kMaxSiteOccupancy = 1.05;
// Above this many atoms the origin choice is settled by the atom count alone.
constexpr std::size_t kMaxAtomsForDistanceCheck = 4000;

using Vec3 = std::array<double, 3>;

// A failure inside the reader, carried to the one place that turns it into the result.
struct Refusal {
    ImportProblem problem;
};

[[noreturn]] void Refuse(const std::string& key, const std::string& subject = {}, const std::string& detail = {})
{
    throw Refusal{ImportProblem{key, subject, 0, detail}};
}

// What the reader decided for one block, in the user's language, one line each.
struct Notes {
    std::vector<std::string> lines;
    void Add(const std::string& key, const std::string& first, const std::string& second = {})
    {
        lines.push_back(FillTextPlaceholder(FillTextPlaceholder(LocalizedString(key), first), second));
    }
};

// Names in a note: the first few, then an ellipsis.
constexpr std::size_t kMaxNamesInNote = 8;
std::string NameList(const std::vector<std::string>& names)
{
    std::string out;
    for (std::size_t i = 0; i < names.size() && i < kMaxNamesInNote; ++i)
        out += (i ? ", " : "") + names[i];
    if (names.size() > kMaxNamesInNote)
        out += ", …";
    return out;
}

// ---- reading values ----

// A data name in its CIF 1.1 spelling ("_cell_length_a") or its DDLm spelling ("_cell.length_a").
cif::Column FindColumn(cif::Block& block, const std::string& category, const std::string& field)
{
    for (const char sep : {'_', '.'}) {
        cif::Column col = block.find_values(category + sep + field);
        if (col)
            return col;
    }
    return {};
}

std::optional<std::string> FindText(cif::Block& block, const std::string& category, const std::string& field)
{
    cif::Column col = FindColumn(block, category, field);
    if (!col || col.length() < 1 || cif::is_null(col[0]))
        return std::nullopt;
    std::string text = cif::as_string(col[0]);
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::nullopt;
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// A fraction as some programs write coordinates ("1/3", "-2/3"); NaN when the text is none.
double Fraction(const std::string& text)
{
    const char* p = text.c_str();
    double sign = 1;
    if (*p == '+' || *p == '-')
        sign = *p++ == '-' ? -1 : 1;
    char* end = nullptr;
    if (*p < '0' || *p > '9')
        return NAN;
    const long num = std::strtol(p, &end, 10);
    if (*end != '/' || end[1] < '0' || end[1] > '9')
        return NAN;
    const long den = std::strtol(end + 1, &end, 10);
    if (*end != '\0' || den <= 0)
        return NAN;
    return sign * static_cast<double>(num) / static_cast<double>(den);
}

// A number, its standard uncertainty in brackets ignored ("0.1234(5)"), or a fraction ("1/3");
// NaN for '?', '.' or text.
double Number(const std::string& raw)
{
    if (cif::is_null(raw))
        return NAN;
    const std::string text = cif::as_string(raw);
    const double value = cif::as_number(text);
    return std::isnan(value) ? Fraction(text) : value;
}

double FindNumber(cif::Block& block, const std::string& category, const std::string& field)
{
    cif::Column col = FindColumn(block, category, field);
    return col && col.length() > 0 ? Number(col[0]) : NAN;
}

// ---- positions ----

double WrapToUnit(double v)
{
    v -= std::floor(v);
    if (v >= 1.0)
        v -= 1.0;
    return v == 0.0 ? 0.0 : v;  // no negative zero
}

// Whether two fractional positions coincide, across cell edges.
bool SamePosition(const Vec3& a, const Vec3& b)
{
    for (int i = 0; i < 3; ++i) {
        double d = std::fabs(a[i] - b[i]);
        d -= std::floor(d + 0.5);
        if (std::fabs(d) > kCifSamePositionTolerance + 1e-9)
            return false;
    }
    return true;
}

struct Cell {
    double a = 0, b = 0, c = 0, alpha = 90, beta = 90, gamma = 90;  // Å, degrees
    double G[3][3] = {};  // metric tensor, Å²
    double reciprocal[3] = {};  // a*, b*, c*, Å⁻¹
    double volume = 0;          // Å³
};

Cell ReadCell(cif::Block& block)
{
    Cell cell;
    cell.a = FindNumber(block, "_cell", "length_a");
    cell.b = FindNumber(block, "_cell", "length_b");
    cell.c = FindNumber(block, "_cell", "length_c");
    if (std::isnan(cell.a) && std::isnan(cell.b) && std::isnan(cell.c))
        Refuse("CIF_No_Cell", block.name);
    static const char* const lengthItems[3] = {"_cell_length_a", "_cell_length_b", "_cell_length_c"};
    const double given[3] = {cell.a, cell.b, cell.c};
    for (int i = 0; i < 3; ++i)
        if (std::isnan(given[i]))
            Refuse("CIF_Missing_Cell_Item", lengthItems[i]);
    const char* angles[3] = {"angle_alpha", "angle_beta", "angle_gamma"};
    double* angleOut[3] = {&cell.alpha, &cell.beta, &cell.gamma};
    for (int i = 0; i < 3; ++i) {
        // A missing angle is a right angle, as in many hand-written files of cubic crystals; an
        // angle written '?' or '.' is missing too.
        const double angle = FindNumber(block, "_cell", angles[i]);
        if (!std::isnan(angle))
            *angleOut[i] = angle;
    }
    const double lengths[3] = {cell.a, cell.b, cell.c};
    for (double len : lengths)
        if (!(len > 0.1 && len < 1000))
            Refuse("CIF_Bad_Cell", block.name);
    const double alpha[3] = {cell.alpha, cell.beta, cell.gamma};
    double cosine[3];
    for (int i = 0; i < 3; ++i) {
        if (!(alpha[i] > 0 && alpha[i] < 180))
            Refuse("CIF_Bad_Cell", block.name);
        cosine[i] = std::cos(alpha[i] * kPi / 180);
    }
    const double volumeFactor = 1 - cosine[0] * cosine[0] - cosine[1] * cosine[1] - cosine[2] * cosine[2] +
                                2 * cosine[0] * cosine[1] * cosine[2];
    if (!(volumeFactor > 1e-6))
        Refuse("CIF_Bad_Cell", block.name);
    cell.G[0][0] = cell.a * cell.a;
    cell.G[1][1] = cell.b * cell.b;
    cell.G[2][2] = cell.c * cell.c;
    cell.G[0][1] = cell.G[1][0] = cell.a * cell.b * cosine[2];
    cell.G[0][2] = cell.G[2][0] = cell.a * cell.c * cosine[1];
    cell.G[1][2] = cell.G[2][1] = cell.b * cell.c * cosine[0];
    const double volume = cell.a * cell.b * cell.c * std::sqrt(volumeFactor);
    cell.volume = volume;
    const double sine[3] = {std::sin(alpha[0] * kPi / 180), std::sin(alpha[1] * kPi / 180),
                            std::sin(alpha[2] * kPi / 180)};
    cell.reciprocal[0] = cell.b * cell.c * sine[0] / volume;
    cell.reciprocal[1] = cell.a * cell.c * sine[1] / volume;
    cell.reciprocal[2] = cell.a * cell.b * sine[2] / volume;
    return cell;
}

// Squared distance between two fractional positions, nearest copies by wrapping each axis.
double DistanceSquared(const Cell& cell, const Vec3& p, const Vec3& q)
{
    double d[3];
    for (int i = 0; i < 3; ++i) {
        d[i] = p[i] - q[i];
        d[i] -= std::floor(d[i] + 0.5);
    }
    double sum = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            sum += d[i] * cell.G[i][j] * d[j];
    return sum;
}

// ---- space group ----

struct Symmetry {
    std::vector<gemmi::Op> ops;      // every operation, identity first, centring included
    char centring = 'P';             // lattice letter the engine understands
    const gemmi::SpaceGroup* group = nullptr;  // the table entry, when the operations match one
};

Symmetry SymmetryFromGroupOps(gemmi::GroupOps gops)
{
    // Identity first among the centring vectors, each once.
    std::vector<gemmi::Op::Tran> cen;
    cen.push_back({0, 0, 0});
    for (const gemmi::Op::Tran& t : gops.cen_ops)
        if (std::find(cen.begin(), cen.end(), t) == cen.end())
            cen.push_back(t);
    gops.cen_ops = cen;
    gops.add_missing_elements();  // a file that lists only generators still gives the whole group
    Symmetry sym;
    for (const gemmi::Op::Tran& t : gops.cen_ops)
        for (const gemmi::Op& op : gops.sym_ops)
            sym.ops.push_back(op.add_centering(t));
    const char letter = gops.find_centering();
    // H, S and T centrings (and unknown ones) have no absence rule in the engine: with every
    // centred copy among the atoms, a primitive lattice gives the same intensities.
    sym.centring = std::string_view("PABCIFR").find(letter) != std::string_view::npos && letter ? letter : 'P';
    return sym;
}

Symmetry SymmetryFromTable(const gemmi::SpaceGroup* sg)
{
    Symmetry sym = SymmetryFromGroupOps(sg->operations());
    sym.group = sg;
    // Rhombohedral axes: a primitive cell, but the symbol's letter is R (the engine then applies
    // no absence rule, as the cell angles say).
    if (sg->hm[0] == 'R')
        sym.centring = 'R';
    return sym;
}

// The table entry of a group given by its operations (null for a setting off the table); an R
// group on rhombohedral axes keeps its letter.
void IdentifyGroup(Symmetry& sym)
{
    sym.group = gemmi::find_spacegroup_by_ops(gemmi::split_centering_vectors(sym.ops));
    if (sym.group && sym.group->hm[0] == 'R')
        sym.centring = 'R';
}

bool ValidRotation(const gemmi::Op& op)
{
    for (const auto& row : op.rot)
        for (int v : row)
            if (v != 0 && v != gemmi::Op::DEN && v != -gemmi::Op::DEN)
                return false;
    return op.rot_type() != 0;
}

// One part of an operator ("-x+1/2", "1/2+Y", "z-0.25", "+x"): the coefficients of x, y and z
// and the translation. False when the text is no such sum.
bool ParseOperatorPart(const std::string& text, double out[4])
{
    for (int i = 0; i < 4; ++i)
        out[i] = 0;
    const char* p = text.c_str();
    auto skipBlanks = [&] {
        while (*p == ' ' || *p == '\t')
            ++p;
    };
    auto axisOf = [](char c) {
        switch (c | 0x20) {
        case 'x': return 0;
        case 'y': return 1;
        case 'z': return 2;
        default: return -1;
        }
    };
    bool any = false;
    skipBlanks();
    while (*p) {
        double sign = 1;
        if (*p == '+' || *p == '-') {
            sign = *p == '-' ? -1 : 1;
            ++p;
            skipBlanks();
        } else if (any) {
            return false;  // two terms without a sign between them
        }
        double value = 1;
        bool number = false;
        if ((*p >= '0' && *p <= '9') || *p == '.') {
            char* end = nullptr;
            value = std::strtod(p, &end);
            if (end == p)
                return false;
            p = end;
            number = true;
            skipBlanks();
            if (*p == '/') {
                ++p;
                skipBlanks();
                const long den = std::strtol(p, &end, 10);
                if (end == p || den <= 0)
                    return false;
                value /= static_cast<double>(den);
                p = end;
                skipBlanks();
            }
            if (*p == '*') {
                ++p;
                skipBlanks();
            }
        }
        const int axis = axisOf(*p);
        if (axis >= 0) {
            ++p;
            skipBlanks();
            if (*p == '/') {  // "x/2" is no operator of a space group, but reads as one
                ++p;
                char* end = nullptr;
                const long den = std::strtol(p, &end, 10);
                if (end == p || den <= 0)
                    return false;
                value /= static_cast<double>(den);
                p = end;
                skipBlanks();
            }
            out[axis] += sign * value;
        } else if (number) {
            out[3] += sign * value;
        } else {
            return false;
        }
        any = true;
    }
    return any;
}

// A symmetry operator as files write it: "x,y,z", "-x+1/2, y, -z", "1/2+X", decimals ("-Z+0.5",
// "x+0.25"), and the fourth part of a magnetic operator (time reversal, +1 or -1), which the
// nuclear structure does not need. False when the text is no operator of a space group.
bool ParseOperator(const std::string& text, gemmi::Op& op)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == ',')
            parts.emplace_back();
        else if (c != '\'' && c != '"')
            parts.back() += c;
    }
    if (parts.size() == 4) {
        double timeReversal[4];
        if (!ParseOperatorPart(parts[3], timeReversal) || timeReversal[0] != 0 || timeReversal[1] != 0 ||
            timeReversal[2] != 0 || std::fabs(std::fabs(timeReversal[3]) - 1) > 1e-9)
            return false;
        parts.pop_back();
    }
    if (parts.size() != 3)
        return false;
    for (int row = 0; row < 3; ++row) {
        double v[4];
        if (!ParseOperatorPart(parts[static_cast<std::size_t>(row)], v))
            return false;
        for (int col = 0; col < 3; ++col) {
            if (v[col] != 0 && v[col] != 1 && v[col] != -1)
                return false;
            op.rot[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] =
                static_cast<int>(v[col]) * gemmi::Op::DEN;
        }
        // Translations in 24ths of a cell edge; decimals such as 0.3333 are thirds.
        const double t = v[3] * gemmi::Op::DEN;
        const double whole = std::round(t);
        if (std::fabs(t - whole) > 0.05 || std::fabs(whole) > 100 * gemmi::Op::DEN)
            return false;
        op.tran[static_cast<std::size_t>(row)] = static_cast<int>(whole);
    }
    return true;
}

// Most operations a space group has in a conventional cell (F m -3 m: 48 × 4).
constexpr std::size_t kMaxGroupOrder = 192;

// The group generated by ops, lattice translations aside: every product is added until the set is
// closed. Files that list only generators (or leave out the centring translations their
// generators imply) thus give the whole group. Empty when the operations generate no space group.
std::vector<gemmi::Op> CloseUnderComposition(std::vector<gemmi::Op> ops)
{
    auto has = [&](const gemmi::Op& op) { return std::find(ops.begin(), ops.end(), op) != ops.end(); };
    for (gemmi::Op& op : ops)
        op = op.wrap();
    if (!has(gemmi::Op::identity()))
        ops.insert(ops.begin(), gemmi::Op::identity());
    std::vector<gemmi::Op> unique;
    for (const gemmi::Op& op : ops)
        if (std::find(unique.begin(), unique.end(), op) == unique.end())
            unique.push_back(op);
    ops = std::move(unique);
    for (std::size_t i = 0; i < ops.size(); ++i) {
        for (std::size_t j = 0; j <= i; ++j) {
            for (const gemmi::Op& product : {ops[i] * ops[j], ops[j] * ops[i]}) {
                if (has(product))
                    continue;
                ops.push_back(product);
                if (ops.size() > kMaxGroupOrder)
                    return {};
            }
        }
    }
    return ops;
}

Symmetry SymmetryFromOperatorList(const std::vector<gemmi::Op>& listed, cif::Block& block)
{
    const std::vector<gemmi::Op> ops = CloseUnderComposition(listed);
    if (ops.empty())
        Refuse("CIF_Bad_Symmetry_Operators", block.name);
    Symmetry sym;
    try {
        sym = SymmetryFromGroupOps(gemmi::split_centering_vectors(ops));
    } catch (const std::exception& e) {
        Refuse("CIF_Bad_Symmetry_Operators", block.name, e.what());
    }
    IdentifyGroup(sym);
    return sym;
}

std::vector<gemmi::Op> ReadOperatorColumn(cif::Column col)
{
    std::vector<gemmi::Op> ops;
    for (int i = 0; i < col.length(); ++i) {
        if (cif::is_null(col[i]))
            continue;
        const std::string text = cif::as_string(col[i]);
        gemmi::Op op;
        if (!ParseOperator(text, op) || !ValidRotation(op))
            Refuse("CIF_Bad_Symmetry_Operator", text);
        ops.push_back(op.wrap());
    }
    return ops;
}

std::optional<Symmetry> SymmetryFromOperators(cif::Block& block)
{
    static const std::pair<const char*, const char*> tags[] = {
        {"_space_group_symop", "operation_xyz"},
        {"_symmetry_equiv", "pos_as_xyz"},
    };
    for (const auto& [category, field] : tags) {
        cif::Column col = FindColumn(block, category, field);
        if (!col)
            continue;
        std::vector<gemmi::Op> ops = ReadOperatorColumn(col);
        if (ops.empty())
            continue;
        return SymmetryFromOperatorList(ops, block);
    }
    // A magnetic structure: its operators, each with every centring, time reversal aside.
    cif::Column magnetic = FindColumn(block, "_space_group_symop_magn_operation", "xyz");
    if (!magnetic)
        magnetic = FindColumn(block, "_space_group_symop", "magn_operation_xyz");
    if (!magnetic)
        return std::nullopt;
    const std::vector<gemmi::Op> ops = ReadOperatorColumn(magnetic);
    if (ops.empty())
        return std::nullopt;
    cif::Column centringCol = FindColumn(block, "_space_group_symop_magn_centering", "xyz");
    if (!centringCol)
        centringCol = FindColumn(block, "_space_group_symop", "magn_centering_xyz");
    std::vector<gemmi::Op> centrings = centringCol ? ReadOperatorColumn(centringCol) : std::vector<gemmi::Op>{};
    if (centrings.empty())
        centrings.push_back(gemmi::Op::identity());
    std::vector<gemmi::Op> all;
    for (const gemmi::Op& c : centrings)
        for (const gemmi::Op& op : ops)
            all.push_back(c * op);
    return SymmetryFromOperatorList(all, block);
}

std::optional<std::string> HallSymbol(cif::Block& block)
{
    std::optional<std::string> hall = FindText(block, "_space_group", "name_Hall");
    if (!hall)
        hall = FindText(block, "_symmetry", "space_group_name_Hall");
    return hall;
}

std::optional<Symmetry> SymmetryFromHall(cif::Block& block)
{
    const std::optional<std::string> hall = HallSymbol(block);
    if (!hall)
        return std::nullopt;
    try {
        Symmetry sym = SymmetryFromGroupOps(gemmi::symops_from_hall(hall->c_str()));
        IdentifyGroup(sym);
        return sym;
    } catch (const std::exception&) {
        return std::nullopt;  // an unreadable Hall symbol: the name decides
    }
}

std::optional<std::string> HermannMauguinName(cif::Block& block)
{
    std::optional<std::string> name = FindText(block, "_space_group", "name_H-M_alt");
    if (!name)
        name = FindText(block, "_symmetry", "space_group_name_H-M");
    if (!name)
        name = FindText(block, "_space_group", "name_H-M_ref");
    return name;
}

// Spellings of a Hermann–Mauguin name that the table may know: subscripts written "2_1" or
// "2(1)", trailing text ("P 21/c (No. 14)", "P 63/m m c HEXAGONAL"), a setting suffix the group
// does not have, and the old symbols of cubic groups ("P m 3 m" for P m -3 m).
std::vector<std::string> NameSpellings(const std::string& name)
{
    std::string plain;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (c == '_')
            continue;
        if (c == '(' && i + 2 < name.size() && name[i + 1] >= '0' && name[i + 1] <= '9' && name[i + 2] == ')') {
            plain += name[i + 1];
            i += 2;
            continue;
        }
        plain += c;
    }
    std::vector<std::string> bases{plain};
    const std::size_t cut = plain.find_first_of("(,;#[");
    if (cut != std::string::npos && cut > 0)
        bases.push_back(plain.substr(0, cut));
    // Trailing words (three letters or more, or with characters no symbol has), one at a time.
    for (std::string base = bases.back();;) {
        while (!base.empty() && (base.back() == ' ' || base.back() == '\t'))
            base.pop_back();
        const std::size_t blank = base.find_last_of(" \t");
        if (blank == std::string::npos)
            break;
        const std::string word = base.substr(blank + 1);
        std::size_t letters = 0;
        bool odd = false;
        for (char c : word) {
            letters += std::isalpha(static_cast<unsigned char>(c)) ? 1 : 0;
            odd = odd || !(std::isalnum(static_cast<unsigned char>(c)) || c == '/' || c == '-' || c == ':');
        }
        if (letters < 3 && !odd)
            break;
        base.erase(blank);
        bases.push_back(base);
    }
    std::vector<std::string> out;
    for (std::string base : bases) {
        while (!base.empty() && (base.back() == ' ' || base.back() == '\t'))
            base.pop_back();
        out.push_back(base);
        const std::size_t colon = base.find(':');
        if (colon != std::string::npos && colon > 0)
            out.push_back(base.substr(0, colon));
    }
    return out;
}

// The old cubic symbol's bar: "P m 3 m" becomes "P m -3 m", "Fd3m" becomes "Fd-3m".
std::string WithCubicBar(const std::string& name)
{
    std::string out;
    char previous = 0;
    bool changed = false;
    for (char c : name) {
        if (c == '3' && !changed && previous && std::string_view("mndab").find(previous) != std::string_view::npos) {
            out += '-';
            changed = true;
        }
        out += c;
        if (c != ' ' && c != '\t')
            previous = c;
    }
    return changed ? out : std::string();
}

// The table entry of a name as files write it; null when no spelling is known.
const gemmi::SpaceGroup* FindGroupByName(const std::string& name, const Cell& cell)
{
    for (const std::string& spelling : NameSpellings(name)) {
        if (const gemmi::SpaceGroup* sg = gemmi::find_spacegroup_by_name(spelling, cell.alpha, cell.gamma))
            return sg;
    }
    for (const std::string& spelling : NameSpellings(name)) {
        const std::string cubic = WithCubicBar(spelling);
        if (cubic.empty())
            continue;
        const gemmi::SpaceGroup* sg = gemmi::find_spacegroup_by_name(cubic, cell.alpha, cell.gamma);
        if (sg && sg->number >= 195)
            return sg;
    }
    return nullptr;
}

// ---- sites ----

struct SiteRow {
    std::string label;
    std::string element;
    Vec3 x{};
    double occupancy = 1;
    ADPType adpType = kADPTypeNone;
    double uIso = 0;  // B-type, Å²
    double u[6] = {};  // U11 U22 U33 U12 U13 U23, Å²
};

struct MergedSite {
    std::vector<const SiteRow*> rows;  // occupants in row order
    std::vector<Vec3> positions;       // in the cell, the site's own first
};

// Column index helper: the column when it exists and belongs to a table of the expected length.
cif::Column SiteColumn(cif::Block& block, const char* field, int rows)
{
    cif::Column col = FindColumn(block, "_atom_site", field);
    if (col && col.length() != rows)
        Refuse("CIF_Inconsistent_Atom_Sites", block.name);
    return col;
}

std::vector<SiteRow> ReadSiteRows(cif::Block& block, const Cell& cell, Notes& notes)
{
    cif::Column fx = FindColumn(block, "_atom_site", "fract_x");
    cif::Column labels = FindColumn(block, "_atom_site", "label");
    if (!fx)
        Refuse(labels ? "CIF_No_Fractional_Coordinates" : "CIF_No_Atoms", block.name);
    const int n = fx.length();
    cif::Column fy = SiteColumn(block, "fract_y", n), fz = SiteColumn(block, "fract_z", n);
    if (!fy || !fz)
        Refuse("CIF_No_Fractional_Coordinates", block.name);
    labels = SiteColumn(block, "label", n);
    cif::Column types = SiteColumn(block, "type_symbol", n);
    cif::Column occ = SiteColumn(block, "occupancy", n);
    cif::Column uiso = SiteColumn(block, "U_iso_or_equiv", n);
    cif::Column biso = SiteColumn(block, "B_iso_or_equiv", n);
    cif::Column adpType = SiteColumn(block, "adp_type", n);
    if (!adpType)
        adpType = SiteColumn(block, "thermal_displace_type", n);
    cif::Column calcFlag = SiteColumn(block, "calc_flag", n);

    std::vector<SiteRow> rows;
    std::vector<std::string> fromLabels, dummies, emptyRows;
    for (int i = 0; i < n; ++i) {
        if (calcFlag && cif::as_string(calcFlag[i]) == "dum")
            continue;  // dummy atoms mark points, not scatterers
        SiteRow row;
        const bool hasLabel = labels && !cif::is_null(labels[i]);
        const bool hasType = types && !cif::is_null(types[i]);
        row.label = hasLabel ? cif::as_string(labels[i]) : "";
        const std::string type = hasType ? cif::as_string(types[i]) : row.label;
        if (!hasLabel && !hasType) {
            // A row of placeholders ('?' throughout) names nothing to place.
            emptyRows.push_back(std::to_string(i + 1));
            continue;
        }
        if (row.label.empty())
            row.label = type;
        if (CifIsDummySymbol(type)) {
            dummies.push_back(row.label);
            continue;
        }
        row.element = hasType ? CifElementSymbol(type) : CifElementFromLabel(type);
        if (row.element.empty()) {
            dummies.push_back(row.label);
            continue;
        }
        if (!hasType)
            fromLabels.push_back(row.label + " → " + row.element);
        const double xyz[3] = {Number(fx[i]), Number(fy[i]), Number(fz[i])};
        for (int k = 0; k < 3; ++k) {
            if (!std::isfinite(xyz[k]) || std::fabs(xyz[k]) > 1e6)
                Refuse("CIF_Bad_Coordinates", row.label);
            row.x[static_cast<std::size_t>(k)] = xyz[k];
        }
        row.occupancy = occ ? Number(occ[i]) : 1.0;
        if (std::isnan(row.occupancy))
            row.occupancy = 1.0;
        if (row.occupancy < 0 || row.occupancy > 1 + kOccupancySlack)
            Refuse("CIF_Occupancy_Out_Of_Range", row.label);

        const std::string kind = adpType && !cif::is_null(adpType[i]) ? cif::as_string(adpType[i]) : "";
        const double u = uiso ? Number(uiso[i]) : NAN;
        const double b = biso ? Number(biso[i]) : NAN;
        const bool preferB = !kind.empty() && (kind[0] == 'B' || kind[0] == 'b');
        if (std::isfinite(b) && (preferB || !std::isfinite(u))) {
            row.adpType = kADPTypeUiso;
            row.uIso = b;
        } else if (std::isfinite(u)) {
            row.adpType = kADPTypeUiso;
            row.uIso = kEightPi2 * u;
        }
        rows.push_back(row);
    }
    if (rows.empty())
        Refuse("CIF_No_Atoms", block.name);
    if (!fromLabels.empty())
        notes.Add("CIF_Elements_From_Labels", NameList(fromLabels));
    if (!dummies.empty())
        notes.Add("CIF_Dummy_Sites_Skipped", NameList(dummies));
    if (!emptyRows.empty())
        notes.Add("CIF_Empty_Rows_Skipped", NameList(emptyRows));

    // Anisotropic parameters, by label: U, or B or beta converted to U.
    cif::Column anisoLabels = FindColumn(block, "_atom_site_aniso", "label");
    if (!anisoLabels)
        return rows;
    const int na = anisoLabels.length();
    std::unordered_map<std::string, std::size_t> rowOfLabel;  // the first row of each label
    for (std::size_t i = 0; i < rows.size(); ++i)
        rowOfLabel.emplace(rows[i].label, i);
    static const char* suffix[6] = {"11", "22", "33", "12", "13", "23"};
    static const int axes[6][2] = {{0, 0}, {1, 1}, {2, 2}, {0, 1}, {0, 2}, {1, 2}};
    for (const char* form : {"U_", "B_", "beta_"}) {
        cif::Column cols[6];
        bool complete = true;
        for (int k = 0; k < 6; ++k) {
            cols[k] = FindColumn(block, "_atom_site_aniso", std::string(form) + suffix[k]);
            complete = complete && cols[k] && cols[k].length() == na;
        }
        if (!complete)
            continue;
        for (int i = 0; i < na; ++i) {
            auto byLabel = rowOfLabel.find(cif::as_string(anisoLabels[i]));
            if (byLabel == rowOfLabel.end())
                continue;
            SiteRow* row = &rows[byLabel->second];
            double value[6];
            bool numeric = true;
            for (int k = 0; k < 6; ++k) {
                value[k] = Number(cols[k][i]);
                numeric = numeric && std::isfinite(value[k]);
            }
            if (!numeric)
                continue;  // an incomplete row keeps the isotropic parameter
            for (int k = 0; k < 6; ++k) {
                const int p = axes[k][0], q = axes[k][1];
                if (form[0] == 'U')
                    row->u[k] = value[k];
                else if (form[0] == 'B')
                    row->u[k] = value[k] / kEightPi2;
                else  // beta_ij = 2π² a*_i a*_j U_ij
                    row->u[k] = value[k] / (2 * kPi * kPi * cell.reciprocal[p] * cell.reciprocal[q]);
            }
            row->adpType = kADPTypeUij;
        }
        break;
    }
    return rows;
}

// Bucket of a fractional position on a grid twice as fine as the tolerance is wide, so that
// positions within the tolerance lie in the same or neighbouring buckets (across cell edges too).
constexpr int kBucketsPerAxis = 500;  // 1 / (2 × kCifSamePositionTolerance)

std::array<int, 3> Bucket(const Vec3& x)
{
    std::array<int, 3> b;
    for (int i = 0; i < 3; ++i)
        b[static_cast<std::size_t>(i)] =
            static_cast<int>(WrapToUnit(x[static_cast<std::size_t>(i)]) * kBucketsPerAxis) % kBucketsPerAxis;
    return b;
}

long BucketKey(int i, int j, int k)
{
    auto wrap = [](int v) { return (v % kBucketsPerAxis + kBucketsPerAxis) % kBucketsPerAxis; };
    return (static_cast<long>(wrap(i)) * kBucketsPerAxis + wrap(j)) * kBucketsPerAxis + wrap(k);
}

// Rows on one position become one site, its occupants in row order; a row near several sites
// joins the first of them. Occupants together may exceed 1 by rounding (0.35 + 0.35 + 0.33), up
// to kMaxSiteOccupancy, which the notes name.
std::vector<MergedSite> MergeRows(const std::vector<SiteRow>& rows, Notes& notes)
{
    std::vector<MergedSite> sites;
    std::unordered_map<long, std::vector<std::size_t>> buckets;  // sites by the bucket of their position
    for (const SiteRow& row : rows) {
        const std::array<int, 3> b = Bucket(row.x);
        std::size_t found = sites.size();
        for (int i = -1; i <= 1; ++i)
            for (int j = -1; j <= 1; ++j)
                for (int k = -1; k <= 1; ++k) {
                    auto it = buckets.find(BucketKey(b[0] + i, b[1] + j, b[2] + k));
                    if (it == buckets.end())
                        continue;
                    for (std::size_t s : it->second)
                        if (s < found && SamePosition(sites[s].rows.front()->x, row.x))
                            found = s;
                }
        if (found == sites.size()) {
            buckets[BucketKey(b[0], b[1], b[2])].push_back(sites.size());
            sites.push_back({{&row}, {}});
            continue;
        }
        MergedSite& site = sites[found];
        site.rows.push_back(&row);
        double total = 0;
        for (const SiteRow* r : site.rows)
            total += r->occupancy;
        if (total > kMaxSiteOccupancy + 1e-9) {
            // The same element twice on one position is one atom listed twice (perhaps a lattice
            // translation apart), not a crowded site.
            for (const SiteRow* r : site.rows)
                if (r != &row && r->element == row.element)
                    Refuse("CIF_Same_Atom_Twice", r->label + ", " + row.label);
            Refuse("CIF_Site_Overfull", site.rows.front()->label);
        }
    }
    std::vector<std::string> rounded;
    for (const MergedSite& site : sites) {
        double total = 0;
        for (const SiteRow* r : site.rows)
            total += r->occupancy;
        if (total > 1 + kSiteOccupancySlack)
            rounded.push_back(site.rows.front()->label + " (" + FormatFixed(total, 0, 3) + ")");
    }
    if (!rounded.empty())
        notes.Add("CIF_Occupancy_Sum_Above_One", NameList(rounded));
    return sites;
}

// Every position of every site in the cell; returns the number of atoms, or refuses past the cap.
std::size_t GeneratePositions(std::vector<MergedSite>& sites, const Symmetry& sym)
{
    std::size_t total = 0;
    for (MergedSite& site : sites) {
        site.positions.clear();
        for (const gemmi::Op& op : sym.ops) {
            Vec3 p = op.apply_to_xyz(site.rows.front()->x);
            for (double& v : p)
                v = WrapToUnit(v);
            if (std::none_of(site.positions.begin(), site.positions.end(),
                             [&](const Vec3& q) { return SamePosition(p, q); }))
                site.positions.push_back(p);
        }
        total += site.positions.size();
        if (total > static_cast<std::size_t>(kCifMaxAtomsInCell))
            Refuse("CIF_Too_Many_Atoms", std::to_string(kCifMaxAtomsInCell));
    }
    return total;
}

// Shortest distance between two atoms of the cell (Å), or infinity with fewer than two atoms.
double ShortestDistance(const std::vector<MergedSite>& sites, const Cell& cell)
{
    std::vector<const Vec3*> all;
    for (const MergedSite& s : sites)
        for (const Vec3& p : s.positions)
            all.push_back(&p);
    double best = INFINITY;
    for (std::size_t i = 0; i < all.size(); ++i)
        for (std::size_t j = i + 1; j < all.size(); ++j)
            best = std::min(best, DistanceSquared(cell, *all[i], *all[j]));
    return std::sqrt(best);
}

struct Resolved {
    Symmetry sym;
    std::string symbol;  // for spaceGroupSymbol
    std::string note;
};

// The group of a block: operators, else Hall symbol, else name, else number. A bare name (or
// number) of a group with two origin choices takes the choice whose atoms lie farther apart,
// then the one with fewer atoms, then origin choice 2.
Resolved ResolveSymmetry(cif::Block& block, const Cell& cell, std::vector<MergedSite>& sites)
{
    Resolved r;
    const std::optional<std::string> name = HermannMauguinName(block);
    if (std::optional<Symmetry> sym = SymmetryFromOperators(block)) {
        r.sym = *sym;
        // A named group and operators that complete to another number of operations disagree.
        if (const gemmi::SpaceGroup* named = name ? FindGroupByName(*name, cell) : nullptr) {
            const std::size_t order = static_cast<std::size_t>(named->operations().order());
            if (order != r.sym.ops.size())
                r.note = FormatCount(FormatCount(FillTextPlaceholder(LocalizedString("CIF_Group_Order_Differs"),
                                                                     named->xhm()),
                                                 static_cast<long long>(r.sym.ops.size())),
                                     static_cast<long long>(order));
        }
    } else if (std::optional<Symmetry> hall = SymmetryFromHall(block)) {
        r.sym = *hall;
    } else {
        const gemmi::SpaceGroup* sg = nullptr;
        if (name) {
            sg = FindGroupByName(*name, cell);
            if (!sg) {
                // Some files give a Hall symbol where the name belongs.
                try {
                    Symmetry hall = SymmetryFromGroupOps(gemmi::symops_from_hall(name->c_str()));
                    IdentifyGroup(hall);
                    r.sym = hall;
                    r.symbol = hall.group ? hall.group->xhm() : *name;
                    return r;
                } catch (const std::exception&) {
                    Refuse("CIF_Unknown_Space_Group", *name);
                }
            }
        } else {
            std::optional<std::string> number = FindText(block, "_space_group", "IT_number");
            if (!number)
                number = FindText(block, "_symmetry", "Int_Tables_number");
            if (!number)
                Refuse("CIF_No_Space_Group", block.name);
            sg = gemmi::find_spacegroup_by_name(*number, cell.alpha, cell.gamma);
            if (!sg)
                Refuse("CIF_Unknown_Space_Group", *number);
        }
        r.sym = SymmetryFromTable(sg);
        const bool settingGiven = name && name->find(':') != std::string::npos;
        if (sg->ext == '1' && !settingGiven) {
            const gemmi::SpaceGroup* second = gemmi::find_spacegroup_by_name(std::string(sg->hm) + ":2");
            if (second) {
                const Symmetry alt = SymmetryFromTable(second);
                std::vector<MergedSite> altSites = sites;
                const std::size_t n1 = GeneratePositions(sites, r.sym);
                const std::size_t n2 = GeneratePositions(altSites, alt);
                int choice = 2;
                if (n1 <= kMaxAtomsForDistanceCheck && n2 <= kMaxAtomsForDistanceCheck) {
                    const double d1 = ShortestDistance(sites, cell), d2 = ShortestDistance(altSites, cell);
                    if (std::fabs(d1 - d2) > 0.01)
                        choice = d1 > d2 ? 1 : 2;
                    else if (n1 != n2)
                        choice = n1 < n2 ? 1 : 2;
                } else if (n1 != n2) {
                    choice = n1 < n2 ? 1 : 2;
                }
                if (choice == 2)
                    r.sym = alt;
                r.note = FormatCount(FillTextPlaceholder(LocalizedString("CIF_Origin_Choice_N"), sg->hm), choice);
            }
        }
    }
    // The symbol of the group taken (with its origin choice or axes), which is the file's own name
    // unless the file contradicts itself; the file's name or Hall symbol for a group off the table.
    if (r.sym.group)
        r.symbol = r.sym.group->xhm();
    else if (name)
        r.symbol = *name;
    else if (std::optional<std::string> hall = HallSymbol(block))
        r.symbol = *hall;
    return r;
}

// ---- one block into one crystal ----

struct BlockCrystal {
    std::unique_ptr<CrystalDataRec> crystal;
    std::vector<std::string> notes;
};

// Atoms of different sites closer than this, together more than fully occupied, cannot both be
// there: the rows repeat each other by symmetry, or the group does not fit them.
constexpr double kCoincidenceDistance = 0.5;  // Å

// Pairs of sites whose atoms coincide, as "A–B (0.00 Å)", the closest pair of each once.
std::vector<std::string> CoincidentSites(const std::vector<MergedSite>& sites, const Cell& cell)
{
    struct Atom {
        const Vec3* x;
        std::size_t site;
    };
    // Buckets at least kCoincidenceDistance wide along each axis: |Δx_i| ≤ d |a*_i|.
    int n[3];
    for (int i = 0; i < 3; ++i)
        n[i] = std::clamp(static_cast<int>(1 / (kCoincidenceDistance * cell.reciprocal[i])), 1, 200);
    std::unordered_map<long, std::vector<Atom>> buckets;
    auto keyOf = [&](int i, int j, int k) {
        auto wrap = [](int v, int m) { return ((v % m) + m) % m; };
        return (static_cast<long>(wrap(i, n[0])) * n[1] + wrap(j, n[1])) * n[2] + wrap(k, n[2]);
    };
    std::vector<double> occupancy(sites.size(), 0);
    for (std::size_t s = 0; s < sites.size(); ++s) {
        for (const SiteRow* r : sites[s].rows)
            occupancy[s] += r->occupancy;
        for (const Vec3& p : sites[s].positions)
            buckets[keyOf(static_cast<int>(p[0] * n[0]), static_cast<int>(p[1] * n[1]), static_cast<int>(p[2] * n[2]))]
                .push_back({&p, s});
    }
    std::map<std::pair<std::size_t, std::size_t>, double> closest;
    for (std::size_t s = 0; s < sites.size(); ++s) {
        for (const Vec3& p : sites[s].positions) {
            const int bi = static_cast<int>(p[0] * n[0]), bj = static_cast<int>(p[1] * n[1]),
                      bk = static_cast<int>(p[2] * n[2]);
            for (int i = -1; i <= 1; ++i)
                for (int j = -1; j <= 1; ++j)
                    for (int k = -1; k <= 1; ++k) {
                        auto it = buckets.find(keyOf(bi + i, bj + j, bk + k));
                        if (it == buckets.end())
                            continue;
                        for (const Atom& other : it->second) {
                            if (other.site <= s || occupancy[s] + occupancy[other.site] <= kMaxSiteOccupancy)
                                continue;
                            const double d = std::sqrt(DistanceSquared(cell, p, *other.x));
                            if (d >= kCoincidenceDistance)
                                continue;
                            auto [entry, added] = closest.emplace(std::make_pair(s, other.site), d);
                            if (!added)
                                entry->second = std::min(entry->second, d);
                        }
                    }
        }
    }
    std::vector<std::string> pairs;
    for (const auto& [which, d] : closest)
        pairs.push_back(sites[which.first].rows.front()->label + "–" + sites[which.second].rows.front()->label + " (" +
                        FormatFixed(d, 0, 2) + " Å)");
    return pairs;
}

// Whether the cell has the symmetry of the operations: every rotation R keeps the metric,
// RᵀGR = G, to within what rounded cell constants allow. A primitive cell given under the name of
// a centred group fails.
bool CellFitsGroup(const Cell& cell, const Symmetry& sym)
{
    const double scale = std::max({cell.G[0][0], cell.G[1][1], cell.G[2][2]});
    for (const gemmi::Op& op : sym.ops) {
        double r[3][3];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                r[i][j] = static_cast<double>(op.rot[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)]) /
                          gemmi::Op::DEN;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                double v = 0;
                for (int k = 0; k < 3; ++k)
                    for (int l = 0; l < 3; ++l)
                        v += r[k][i] * cell.G[k][l] * r[l][j];
                if (std::fabs(v - cell.G[i][j]) > 0.005 * scale)
                    return false;
            }
    }
    return true;
}

// Densest and lightest crystals there are, with a margin (g/cm³).
constexpr double kMaxDensity = 25, kMinDensity = 0.05;

double DensityOf(const std::vector<MergedSite>& sites, const Cell& cell)
{
    double mass = 0;  // atomic mass units
    for (const MergedSite& site : sites) {
        double siteMass = 0;
        for (const SiteRow* r : site.rows)
            siteMass += r->occupancy * gemmi::molecular_weight(gemmi::find_element(r->element.c_str()));
        mass += siteMass * static_cast<double>(site.positions.size());
    }
    return mass * 1.66053907 / cell.volume;
}

// The records of a site: the site itself with up to three occupants, then companion sites at the
// same position for the further occupants, labelled after the site ("Na1b", "Na1c").
std::vector<std::vector<const SiteRow*>> OccupantGroups(const MergedSite& site)
{
    std::vector<std::vector<const SiteRow*>> groups;
    for (std::size_t k = 0; k < site.rows.size(); k += 3)
        groups.emplace_back(site.rows.begin() + static_cast<std::ptrdiff_t>(k),
                            site.rows.begin() + static_cast<std::ptrdiff_t>(std::min(k + 3, site.rows.size())));
    return groups;
}

std::string CompanionLabel(const std::string& label, std::size_t index)
{
    // Labels hold six characters: the site's own is shortened to leave room for the letter.
    return label.substr(0, 5) + static_cast<char>('a' + index);
}

BlockCrystal CrystalFromBlock(cif::Block& block, const PrefDataRec& prefs)
{
    Notes notes;
    const Cell cell = ReadCell(block);
    const std::vector<SiteRow> rows = ReadSiteRows(block, cell, notes);
    std::vector<MergedSite> sites = MergeRows(rows, notes);
    const Resolved resolved = ResolveSymmetry(block, cell, sites);
    const std::size_t nAtoms = GeneratePositions(sites, resolved.sym);
    if (!resolved.note.empty())
        notes.lines.insert(notes.lines.begin(), resolved.note);

    if (!CellFitsGroup(cell, resolved.sym))
        notes.Add("CIF_Cell_Does_Not_Fit_Group", resolved.symbol);
    const std::vector<std::string> coincident = CoincidentSites(sites, cell);
    if (!coincident.empty())
        notes.Add("CIF_Atoms_Coincide", NameList(coincident));
    const double density = DensityOf(sites, cell);
    if (!(density >= kMinDensity && density <= kMaxDensity))
        notes.Add("CIF_Impossible_Density", FormatFixed(density, 0, 2));

    std::size_t records = 0, atomsInRecords = 0;
    std::vector<std::string> companions;
    for (const MergedSite& site : sites) {
        const std::size_t groups = OccupantGroups(site).size();
        records += groups;
        atomsInRecords += groups * site.positions.size();
        for (std::size_t g = 1; g < groups; ++g)
            companions.push_back(CompanionLabel(site.rows.front()->label, g));
    }
    if (atomsInRecords > static_cast<std::size_t>(kCifMaxAtomsInCell))
        Refuse("CIF_Too_Many_Atoms", std::to_string(kCifMaxAtomsInCell));
    if (!companions.empty())
        notes.Add("CIF_Companion_Sites", NameList(companions));
    (void)nAtoms;

    BlockCrystal out;
    out.crystal = CreateCrystal(prefs);
    CrystalDataRec* xp = out.crystal.get();
    if (!xp || !CreateAsymmetricUnit(xp, static_cast<AtomIndex>(records)) ||
        !CreateAtomsArray(xp, static_cast<AtomIndex>(atomsInRecords)))
        Refuse("No_Memory");
    xp->a = static_cast<Float32>(cell.a);
    xp->b = static_cast<Float32>(cell.b);
    xp->c = static_cast<Float32>(cell.c);
    xp->alpha = static_cast<Float32>(cell.alpha);
    xp->beta = static_cast<Float32>(cell.beta);
    xp->gamma = static_cast<Float32>(cell.gamma);
    xp->ltyp = resolved.sym.centring;
    SetSpaceGroupSymbol(xp, resolved.symbol);

    AtomIndex next = 0;
    std::size_t s = 0;
    for (const MergedSite& site : sites) {
        const SiteRow& first = *site.rows.front();
        // The displacement parameters of the first occupant that has any, for every record.
        auto withAdp = std::find_if(site.rows.begin(), site.rows.end(),
                                    [](const SiteRow* r) { return r->adpType != kADPTypeNone; });
        const std::vector<std::vector<const SiteRow*>> groups = OccupantGroups(site);
        for (std::size_t g = 0; g < groups.size(); ++g) {
            InputDataRec& rec = xp->AU[s++];
            SetSiteLabel(&rec, g == 0 ? first.label : CompanionLabel(first.label, g));
            for (std::size_t k = 0; k < groups[g].size(); ++k) {
                rec.occupant[k].symbol = PackSymbol(groups[g][k]->element);
                rec.occupant[k].occupancy = static_cast<Float32>(groups[g][k]->occupancy);
            }
            for (int k = 0; k < 3; ++k)
                rec.x[k] = static_cast<Float32>(first.x[static_cast<std::size_t>(k)]);
            if (withAdp != site.rows.end()) {
                const SiteRow& adp = **withAdp;
                rec.adpType = adp.adpType;
                if (adp.adpType == kADPTypeUiso) {
                    rec.uIso = static_cast<Float32>(adp.uIso);
                } else {
                    static const int axes[6][2] = {{0, 0}, {1, 1}, {2, 2}, {0, 1}, {0, 2}, {1, 2}};
                    for (int k = 0; k < 6; ++k) {
                        rec.uAni[axes[k][0]][axes[k][1]] = static_cast<Float32>(adp.u[k]);
                        rec.uAni[axes[k][1]][axes[k][0]] = static_cast<Float32>(adp.u[k]);
                    }
                }
                xp->hasEllipsoids = true;
            }
            rec.include = true;
            rec.pos = next;
            rec.numInCell = static_cast<AtomIndex>(site.positions.size());
            rec.lastInRange = rec.pos + rec.numInCell - 1;
            for (const Vec3& p : site.positions) {
                AtomDataRec& atom = xp->atoms[static_cast<std::size_t>(next++)];
                for (int k = 0; k < 3; ++k)
                    atom.x[k] = static_cast<Float32>(p[static_cast<std::size_t>(k)]);
            }
        }
    }
    out.notes = std::move(notes.lines);
    return out;
}

// A tag given twice in a block (some programs write _add_url twice): the last value is the one
// read, as later values supersede earlier ones. Returns the repeated tags.
std::vector<std::string> DropRepeatedTags(cif::Block& block)
{
    struct Where {
        std::size_t item;
        std::string tag;
    };
    std::unordered_map<std::string, Where> seen;
    std::vector<std::string> repeated;
    auto removeEarlier = [&](const Where& w) {
        cif::Item& item = block.items[w.item];
        if (item.type == cif::ItemType::Pair) {
            item.erase();
        } else if (item.type == cif::ItemType::Loop) {
            cif::Loop& loop = item.loop;
            const int col = loop.find_tag(w.tag);
            if (col < 0)
                return;
            const std::size_t width = loop.width();
            if (width == 1) {
                item.erase();
                return;
            }
            std::vector<std::string> values;
            values.reserve(loop.values.size() / width * (width - 1));
            for (std::size_t i = 0; i < loop.values.size(); ++i)
                if (i % width != static_cast<std::size_t>(col))
                    values.push_back(std::move(loop.values[i]));
            loop.values = std::move(values);
            loop.tags.erase(loop.tags.begin() + col);
        }
    };
    for (std::size_t i = 0; i < block.items.size(); ++i) {
        cif::Item& item = block.items[i];
        std::vector<std::string> tags;
        if (item.type == cif::ItemType::Pair)
            tags.push_back(item.pair[0]);
        else if (item.type == cif::ItemType::Loop)
            tags = item.loop.tags;
        for (const std::string& tag : tags) {
            const std::string key = gemmi::to_lower(tag);
            auto it = seen.find(key);
            if (it != seen.end()) {
                if (std::find(repeated.begin(), repeated.end(), tag) == repeated.end())
                    repeated.push_back(tag);
                removeEarlier(it->second);
            }
            seen[key] = {i, tag};
        }
    }
    return repeated;
}

bool BlockHasAtomSites(cif::Block& block)
{
    return FindColumn(block, "_atom_site", "fract_x") || FindColumn(block, "_atom_site", "label");
}

}  // namespace

std::string CifElementSymbol(const std::string& typeSymbol)
{
    std::size_t at = 0;
    while (at < typeSymbol.size() && (typeSymbol[at] == ' ' || typeSymbol[at] == '\t'))
        ++at;
    auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (at >= typeSymbol.size() || !isLetter(typeSymbol[at]))
        return {};
    std::string one(1, static_cast<char>(typeSymbol[at] & ~0x20));
    if (at + 1 < typeSymbol.size() && isLetter(typeSymbol[at + 1])) {
        const std::string two = one + static_cast<char>(typeSymbol[at + 1] | 0x20);
        if (gemmi::find_element(two.c_str()) != gemmi::El::X)
            return two;
    }
    return gemmi::find_element(one.c_str()) != gemmi::El::X ? one : std::string();
}

namespace {

// The letters a symbol or label begins with.
std::string LeadingLetters(const std::string& text)
{
    std::size_t at = text.find_first_not_of(" \t");
    std::string letters;
    while (at < text.size() && std::isalpha(static_cast<unsigned char>(text[at])))
        letters += static_cast<char>(std::tolower(static_cast<unsigned char>(text[at++])));
    return letters;
}

}  // namespace

bool CifIsDummySymbol(const std::string& symbol)
{
    const std::string letters = LeadingLetters(symbol);
    return letters == "x" || letters == "q" || letters == "du" || letters == "dum";
}

std::string CifElementFromLabel(const std::string& label)
{
    // Water in mineral structures: "Wat", "WatOW" and "OW1" are its oxygen, "HW1" and "WatH" its
    // hydrogen atoms.
    const std::string letters = LeadingLetters(label);
    if (letters.rfind("wat", 0) == 0)
        return letters.size() > 3 && letters[3] == 'h' ? "H" : "O";
    if (letters == "ow")
        return "O";
    if (letters == "hw")
        return "H";
    return CifElementSymbol(label);
}

CifImportResult ReadCifText(std::string_view text, const std::string& fileName, const PrefDataRec& prefs)
{
    CifImportResult result;
    try {
        cif::Document doc;
        doc.source = fileName;
        tao::pegtl::memory_input<> in(text.data(), text.size(), fileName);
        cif::parse_input(doc, in);
        cif::check_for_missing_values(doc);
        struct Found {
            std::string block;
            BlockCrystal crystal;
        };
        std::vector<Found> found;
        std::vector<cif::Block*> withSites;
        for (cif::Block& block : doc.blocks)
            if (BlockHasAtomSites(block))
                withSites.push_back(&block);
        std::optional<ImportProblem> firstProblem;
        std::vector<std::string> skipped;
        for (cif::Block* block : withSites) {
            const std::vector<std::string> repeated = DropRepeatedTags(*block);
            try {
                found.push_back({block->name, CrystalFromBlock(*block, prefs)});
            } catch (const Refusal& r) {
                // In a file of several structures, one bad block leaves the others readable.
                if (withSites.size() == 1)
                    throw;
                if (!firstProblem) {
                    firstProblem = r.problem;
                    firstProblem->detail = FillTextPlaceholder(LocalizedString("CIF_In_Block"), block->name) +
                                           (r.problem.detail.empty() ? "" : "\n" + r.problem.detail);
                }
                skipped.push_back(FillTextPlaceholder(FillTextPlaceholder(LocalizedString("CIF_Block_Skipped"),
                                                                          block->name),
                                                      DescribeImportProblem(r.problem)));
                continue;
            }
            if (!repeated.empty())
                found.back().crystal.notes.push_back(
                    FillTextPlaceholder(LocalizedString("CIF_Repeated_Tags"), NameList(repeated)));
        }
        if (found.empty() && firstProblem)
            throw Refusal{*firstProblem};
        if (found.empty())
            Refuse("CIF_No_Atoms", fileName);
        std::vector<std::string> lines = skipped;
        for (Found& f : found) {
            const bool several = found.size() + skipped.size() > 1;
            result.crystals.push_back({found.size() == 1 ? fileName : fileName + ": " + f.block,
                                       std::move(f.crystal.crystal)});
            for (const std::string& line : f.crystal.notes)
                lines.push_back(several ? f.block + ": " + line : line);
        }
        for (const std::string& line : lines)
            result.note += (result.note.empty() ? "" : "\n") + line;
    } catch (const Refusal& r) {
        result.crystals.clear();
        result.problem = r.problem;
    } catch (const tao::pegtl::parse_error& e) {
        result.crystals.clear();
        result.problem = {"CIF_Syntax_Error", std::string(e.message()),
                          e.positions().empty() ? 0 : static_cast<long>(e.positions().front().line), {}};
    } catch (const std::bad_alloc&) {
        result.crystals.clear();
        result.problem = {"No_Memory", {}, 0, {}};
    } catch (const std::exception& e) {
        // gemmi's own checks (missing values) name the file and line themselves.
        result.crystals.clear();
        result.problem = {"CIF_Unreadable", {}, 0, e.what()};
    }
    if (result.problem)
        result.note.clear();
    return result;
}

CifImportResult ReadCifFile(const std::string& path, const PrefDataRec& prefs)
{
    CifImportResult result;
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        result.problem = {"Error_Opening_File", {}, 0, {}};
        return result;
    }
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<std::uint64_t>(size) > kCifMaxFileBytes) {
        result.problem = {"CIF_File_Too_Large", {}, 0, {}};
        return result;
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    if (!in.read(text.data(), size)) {
        result.problem = {"Error_Opening_File", {}, 0, {}};
        return result;
    }
    return ReadCifText(text, FileDisplayName(path), prefs);
}
