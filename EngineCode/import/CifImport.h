// Crystal structures from CIF files (CIF 1.1 and the common CIF 2.0 subset): every data block
// that lists atom sites becomes a crystal record filled as the crystal-file reader fills one
// (cell, centring, space-group symbol, sites with up to three occupants and their displacement
// parameters, every atom position of the cell). A position shared by more than three occupants
// gets companion sites at the same position for the further ones. The only file that includes gemmi; adding the
// crystals to a window is ImportIntoWindow.h's.
#pragma once

#include "ImportProblem.h"
#include "Globals.h"
#include "Records.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Two fractional coordinates closer than this (in every axis, across cell edges) are one
// position: rows of one disordered site, or symmetry copies of one atom.
inline constexpr double kCifSamePositionTolerance = 0.001;
// Most atom positions a CIF crystal may have in its cell.
inline constexpr AtomIndex kCifMaxAtomsInCell = 32000;

struct CifCrystal {
    std::string name;                         // "file name" or "file name: block name"
    std::unique_ptr<CrystalDataRec> crystal;  // filled; reflexions are the engine's to compute
};

struct CifImportResult {
    std::vector<CifCrystal> crystals;  // in block order; empty when problem is set
    ImportProblem problem;             // why nothing was read; empty when crystals were read
    // What the reader decided or found doubtful, one line each (origin choice, elements taken
    // from labels, skipped dummy atoms or blocks, coinciding atoms), for the information bar and
    // the command line's standard error; may be empty.
    std::string note;
};

// Reads CIF text into crystals with the defaults of prefs. fileName (without folders) names the
// crystals: the file name alone when the file yields one crystal, "file name: block name" for each
// when it yields several.
CifImportResult ReadCifText(std::string_view text, const std::string& fileName, const PrefDataRec& prefs);

// Reads a CIF file from disk (at most kCifMaxFileBytes).
inline constexpr std::size_t kCifMaxFileBytes = 64u << 20;
CifImportResult ReadCifFile(const std::string& path, const PrefDataRec& prefs);

// Element symbol of a CIF type symbol or label with charge and digits removed ("Fe3+" gives
// "Fe", "O2-" gives "O", "D" stays "D"); empty when it names no element.
std::string CifElementSymbol(const std::string& typeSymbol);
// The element of a site that gives only its label: as CifElementSymbol, with the conventions of
// mineral structures for water ("WatOW", "Wat", "OW1" are oxygen, "HW1" hydrogen).
std::string CifElementFromLabel(const std::string& label);
// Whether a type symbol or label marks a dummy atom ("X", "Q", "Du", "Dum", with any digits).
bool CifIsDummySymbol(const std::string& symbol);
