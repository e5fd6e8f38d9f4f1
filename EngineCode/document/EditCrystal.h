// The crystal editor's working copy of a crystal: the six lattice parameters and, per site of the
// asymmetric unit, its use flag, label, coordinates, displacement parameters and three occupant
// slots. The editor's table shows and sorts these rows; reading a typed occupancy cell, checking
// the lattice fields and writing the edit back into the crystal are here, the sheet itself is the
// front end's (InterfaceCode/CrystalEditor.h). Lengths in Å, angles in degrees.
#pragma once

#include "Records.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct WinInfoRec;

// One site of the working copy.
struct EditCrystalSiteRec {
    UInt32 index = 0;       // position of the site in the asymmetric unit: the row's identity
    Boolean use = false;    // the site's include flag
    char label[7] = {};     // NUL-terminated, at most 6 characters
    Float32 x[3] = {0, 0, 0};           // fractional coordinates
    Float32 u[6] = {0, 0, 0, 0, 0, 0};  // U11, U22, U33, U23, U13, U12 (Å², or beta for Bij)
    Float32 uIso = 0;
    ADPType adpType = kADPTypeNone;
    UInt16 symbol[3] = {kEmptySymbol, kEmptySymbol, kEmptySymbol};  // packed, two blanks = empty
    Float32 occupancy[3] = {0, 0, 0};
};

struct EditCrystalRec {
    Float32 a = 0, b = 0, c = 0;
    Float32 alpha = 0, beta = 0, gamma = 0;
    Boolean hasEllipsoids = false;  // the crystal has anisotropic displacement parameters
    std::vector<EditCrystalSiteRec> sites;  // in asymmetric-unit order
    UInt32 ntyp() const { return static_cast<UInt32>(sites.size()); }
};
using EditCrystalPtr = std::unique_ptr<EditCrystalRec>;

// The copy of a crystal and its asymmetric unit; null when memory runs out.
EditCrystalPtr CreateEditCrystal(const CrystalDataRec* xp);
// The copy of the window's front selected crystal. Without one, the stop alert
// "Please_Select_Crystal"; when memory runs out, "No_Memory"; null either way.
EditCrystalPtr RequestEditCrystal(WinInfoRec* theWindow);
// Writes the edit into the window's front selected crystal (the lattice, and of every site its
// include flag and its three occupant slots), frees it and recalculates the window.
void DoEditCrystal(WinInfoRec* theWindow, EditCrystalPtr edit);

// ---- lattice fields ----
// "%.4f" below 10, "%.3f" from 10 on.
std::string FormatLatticeField(Float32 value);
// A field that reads as a number ("%f") gives that number, any other text the current value.
Float32 ReadLatticeField(const std::string& text, Float32 current);
// Why a cell cannot be used (a length not above 0, an angle not strictly between 0° and 180°,
// angles that close no cell); empty when it can.
std::string LatticeRefusal(const EditCrystalRec& edit);

// ---- the site table ----
enum class EditCrystalColumn {
    Use, Label, Occupancy, X, Y, Z, U11, U22, U33, U12, U13, U23, Uiso,
};
// The columns in the order shown: the U and Uiso columns only for a crystal with anisotropic
// displacement parameters.
std::vector<EditCrystalColumn> EditCrystalColumns(const EditCrystalRec& edit);
std::string EditCrystalColumnTitle(EditCrystalColumn column);  // "" for the use column
int EditCrystalColumnWidth(EditCrystalColumn column);          // pixels
// A cell's text ("" for the use column, whose check box shows the flag).
std::string EditCrystalCellText(const EditCrystalSiteRec& site, EditCrystalColumn column);
// The occupants of a site as the occupancy cell shows them: "Fe 0.50  Mg 0.50".
std::string OccupancyText(const EditCrystalSiteRec& site);
// Positions into edit.sites in the order of column, ascending or descending; ties keep the order
// of the asymmetric unit. Numbers sort by value, the use column by its flag, the occupancy column
// by the first slot's symbol code, the label column in site-label order.
std::vector<UInt32> EditCrystalRowOrder(const EditCrystalRec& edit, EditCrystalColumn column, bool ascending);

// ---- occupancy cells ----
enum class OccupancyOutcome {
    Applied,    // the site took the new occupants
    Overfull,   // applied, but the occupancies add up to more than 1 (warned)
    Unchanged,  // the text gave nothing to apply; the site keeps its occupants
    Refused,    // the text is not understood (warned); the site keeps its occupants
};
struct OccupancyResult {
    OccupancyOutcome outcome = OccupancyOutcome::Unchanged;
    std::string caution;  // the caution alert to show, empty for none
};
// Reads a typed occupancy cell into site: up to three element symbols and three numbers in any
// arrangement ("Fe 0.5 Mg 0.5" and "Fe0.5Mg0.5" alike), numbers above 1 cut to 1, symbols put in
// element case (OH kept), the pairs written largest occupancy first. A text without numbers
// gives its symbol (or, with no symbol either, the symbol the site label begins with) the whole
// site.
OccupancyResult ExtractSiteOccupancies(EditCrystalSiteRec& site, const std::string& text);
