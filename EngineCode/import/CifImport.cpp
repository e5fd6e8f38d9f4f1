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

#include <gemmi/cif.hpp>
#include <gemmi/cifdoc.hpp>
#include <gemmi/elem.hpp>
#include <gemmi/numb.hpp>
#include <gemmi/symmetry.hpp>

#include "FileTypes.h"
#include "Status.h"
#include "StringTable.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <new>
#include <optional>
#include <unordered_map>

namespace {

namespace cif = gemmi::cif;

constexpr double kPi = 3.14159265358979323846;
constexpr double kEightPi2 = 8 * kPi * kPi;  // B = 8π²U
// An occupancy may exceed 1 by rounding only; the occupants of one site together by this much.
constexpr double kOccupancySlack = 1e-4;
constexpr double kSiteOccupancySlack = 0.01;
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

// A number, its standard uncertainty in brackets ignored; NaN for '?', '.' or text.
double Number(const std::string& raw)
{
    if (cif::is_null(raw))
        return NAN;
    return cif::as_number(cif::as_string(raw));
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
};

Cell ReadCell(cif::Block& block)
{
    Cell cell;
    cell.a = FindNumber(block, "_cell", "length_a");
    cell.b = FindNumber(block, "_cell", "length_b");
    cell.c = FindNumber(block, "_cell", "length_c");
    if (std::isnan(cell.a) && std::isnan(cell.b) && std::isnan(cell.c))
        Refuse("CIF_No_Cell", block.name);
    const char* angles[3] = {"angle_alpha", "angle_beta", "angle_gamma"};
    double* angleOut[3] = {&cell.alpha, &cell.beta, &cell.gamma};
    for (int i = 0; i < 3; ++i) {
        // A missing angle is a right angle, as in many hand-written files of cubic crystals.
        if (FindColumn(block, "_cell", angles[i]))
            *angleOut[i] = FindNumber(block, "_cell", angles[i]);
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
        std::vector<gemmi::Op> ops;
        for (int i = 0; i < col.length(); ++i) {
            if (cif::is_null(col[i]))
                continue;
            const std::string text = cif::as_string(col[i]);
            gemmi::Op op;
            try {
                op = gemmi::parse_triplet(text);
            } catch (const std::exception& e) {
                Refuse("CIF_Bad_Symmetry_Operator", text, e.what());
            }
            if (!ValidRotation(op))
                Refuse("CIF_Bad_Symmetry_Operator", text);
            ops.push_back(op.wrap());
        }
        if (ops.empty())
            continue;
        Symmetry sym;
        try {
            sym = SymmetryFromGroupOps(gemmi::split_centering_vectors(ops));
        } catch (const std::exception& e) {
            Refuse("CIF_Bad_Symmetry_Operators", block.name, e.what());
        }
        IdentifyGroup(sym);
        return sym;
    }
    return std::nullopt;
}

std::optional<Symmetry> SymmetryFromHall(cif::Block& block)
{
    std::optional<std::string> hall = FindText(block, "_space_group", "name_Hall");
    if (!hall)
        hall = FindText(block, "_symmetry", "space_group_name_Hall");
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

std::vector<SiteRow> ReadSiteRows(cif::Block& block, const Cell& cell)
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
    for (int i = 0; i < n; ++i) {
        if (calcFlag && cif::as_string(calcFlag[i]) == "dum")
            continue;  // dummy atoms mark points, not scatterers
        SiteRow row;
        row.label = labels ? cif::as_string(labels[i]) : "";
        const std::string type = types && !cif::is_null(types[i]) ? cif::as_string(types[i]) : row.label;
        if (row.label.empty())
            row.label = type;
        row.element = CifElementSymbol(type);
        if (row.element.empty())
            Refuse("CIF_Unknown_Element", row.label + " (" + type + ")");
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

// Rows on one position become one site of up to three occupants, in row order; a row near
// several sites joins the first of them.
std::vector<MergedSite> MergeRows(const std::vector<SiteRow>& rows)
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
        if (site.rows.size() >= 3)
            Refuse("CIF_Too_Many_Occupants", site.rows.front()->label);
        site.rows.push_back(&row);
        double total = 0;
        for (const SiteRow* r : site.rows)
            total += r->occupancy;
        if (total > 1 + kSiteOccupancySlack)
            Refuse("CIF_Site_Overfull", site.rows.front()->label);
    }
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
    } else if (std::optional<Symmetry> hall = SymmetryFromHall(block)) {
        r.sym = *hall;
    } else {
        const gemmi::SpaceGroup* sg = nullptr;
        if (name) {
            sg = gemmi::find_spacegroup_by_name(*name, cell.alpha, cell.gamma);
            if (!sg)
                Refuse("CIF_Unknown_Space_Group", *name);
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
    else if (std::optional<std::string> hall = FindText(block, "_space_group", "name_Hall"))
        r.symbol = *hall;
    return r;
}

// ---- one block into one crystal ----

struct BlockCrystal {
    std::unique_ptr<CrystalDataRec> crystal;
    std::string note;
};

BlockCrystal CrystalFromBlock(cif::Block& block)
{
    const Cell cell = ReadCell(block);
    const std::vector<SiteRow> rows = ReadSiteRows(block, cell);
    std::vector<MergedSite> sites = MergeRows(rows);
    const Resolved resolved = ResolveSymmetry(block, cell, sites);
    const std::size_t nAtoms = GeneratePositions(sites, resolved.sym);

    BlockCrystal out;
    out.note = resolved.note;
    out.crystal = CreateCrystal();
    CrystalDataRec* xp = out.crystal.get();
    if (!xp || !CreateAsymmetricUnit(xp, static_cast<AtomIndex>(sites.size())) ||
        !CreateAtomsArray(xp, static_cast<AtomIndex>(nAtoms)))
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
    for (std::size_t s = 0; s < sites.size(); ++s) {
        const MergedSite& site = sites[s];
        InputDataRec& rec = xp->AU[s];
        const SiteRow& first = *site.rows.front();
        SetSiteLabel(&rec, first.label);
        for (std::size_t k = 0; k < site.rows.size(); ++k) {
            rec.occupant[k].symbol = PackSymbol(site.rows[k]->element);
            rec.occupant[k].occupancy = static_cast<Float32>(site.rows[k]->occupancy);
        }
        for (int k = 0; k < 3; ++k)
            rec.x[k] = static_cast<Float32>(first.x[static_cast<std::size_t>(k)]);
        // The displacement parameters of the first occupant that has any.
        auto withAdp = std::find_if(site.rows.begin(), site.rows.end(),
                                    [](const SiteRow* r) { return r->adpType != kADPTypeNone; });
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
    return out;
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

CifImportResult ReadCifText(std::string_view text, const std::string& fileName)
{
    CifImportResult result;
    try {
        cif::Document doc = cif::read_memory(text.data(), text.size(), fileName.c_str());
        std::vector<std::pair<std::string, BlockCrystal>> found;
        for (cif::Block& block : doc.blocks) {
            if (!BlockHasAtomSites(block))
                continue;
            found.emplace_back(block.name, CrystalFromBlock(block));
        }
        if (found.empty())
            Refuse("CIF_No_Atoms", fileName);
        for (auto& [blockName, bc] : found) {
            result.crystals.push_back(
                {found.size() == 1 ? fileName : fileName + ": " + blockName, std::move(bc.crystal)});
            if (!bc.note.empty())
                result.note += (result.note.empty() ? "" : "\n") + bc.note;
        }
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
        // gemmi's own checks (duplicate tags, missing values) name the file and line themselves.
        result.crystals.clear();
        result.problem = {"CIF_Unreadable", {}, 0, e.what()};
    }
    if (result.problem)
        result.note.clear();
    return result;
}

CifImportResult ReadCifFile(const std::string& path)
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
    return ReadCifText(text, FileDisplayName(path));
}
