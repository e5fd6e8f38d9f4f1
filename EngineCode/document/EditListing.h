// The reflexion listing window's rows: one per reflexion of a plotted crystal, with the texts of
// its cells, the order of its columns when sorted, the search that narrows the rows to some
// indices or a d-spacing range, and the text the window saves. The window itself is the front
// end's (InterfaceCode/ListingWindow.h). d in Å; the position is on the window's current axis.
#pragma once

#include "Records.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

struct WinInfoRec;

// One row.
struct EditListingRowRec {
    UInt32 num = 0;         // 1-based index of the reflexion in the crystal's reflexion array
    UInt32 n = 0;           // h² + k² + l²
    SInt16 h = 0, k = 0, l = 0;
    Float32 dsp = 0;        // d-spacing, Å
    Float32 x = 0;          // position on the window's axis (the reflexion's tth)
    Float32 inty = 0;       // intensity × the crystal's volume fraction
    Float32 intyRel = 0;    // inty × 100 / the largest inty of the crystal (× 1 when that is 0)
    SInt16 m = 0;           // multiplicity
};

// The rows of a crystal, in the order of its reflexion array; empty for none (or when memory
// runs out).
std::vector<EditListingRowRec> CreateEditListing(const CrystalDataRec* xp);

// Whether the window can show a listing; without a crystal in its plot list the note alert
// "Please select a simulated diffraction pattern" is shown and false returned.
bool DoShowListing(WinInfoRec* theWindow);

// ---- columns ----
enum class ListingColumn { Index, H, K, L, DSpacing, Position, Intensity, RelativeIntensity, Multiplicity, N };
// The columns shown on an axis: every one, less the position for the d-spacing axis.
std::vector<ListingColumn> ListingColumns(SInt16 axisType);
// "h", "d-Spacing", the position's title on the axis ("Two Theta", "1/d", ...), ...; "" for the
// index column.
std::string ListingColumnTitle(ListingColumn column, SInt16 axisType);
int ListingColumnWidth(ListingColumn column);  // pixels; 0: the view decides
std::string ListingCellText(const EditListingRowRec& row, ListingColumn column);

// Rows for the clipboard: one line per position into rows, the cells of columns separated by
// tabs, without the padding of the table (the index without its full stop).
std::string ListingCopyText(const std::vector<EditListingRowRec>& rows, const std::vector<UInt32>& positions,
                            const std::vector<ListingColumn>& columns);

// ---- search ----
// What the search field asks for: Miller indices, each a number or any ("*", "?", "x" or the
// index's letter, as in "h 0 0"), or a
// d-spacing range (Å, both ends included).
struct ListingFilter {
    enum class Kind { All, Indices, DRange } kind = Kind::All;
    std::optional<int> hkl[3];
    double dLow = 0, dHigh = 0;
};
// Reads the search text: "1 1 1", "1,-1,0", "(0 0 *)", "113" (three digits), or a range such as
// "1.2-2.5", "1.2 .. 2.5", "d 1.2 2.5", "d > 1.5", "d < 2". An empty text lists every row; null
// when the text is neither.
std::optional<ListingFilter> ParseListingFilter(const std::string& text);
bool ListingRowMatches(const ListingFilter& filter, const EditListingRowRec& row);

// Positions into rows of the rows that match, in the order of column (ascending or descending);
// equal values keep the order of the reflexion array.
std::vector<UInt32> ListingRowOrder(const std::vector<EditListingRowRec>& rows, ListingColumn column, bool ascending,
                                    const ListingFilter& filter = {});

// ---- saving ----
// The name proposed for the saved listing: the crystal's name followed by " Listing.txt".
std::string ListingFileName(const std::string& crystalName);
// The listing's text: the header of the text reports, the column heading, then one line per row
// of order (positions into rows), in that order.
void WriteEditListing(std::FILE* file, const std::vector<EditListingRowRec>& rows, const std::vector<UInt32>& order);
// The same into a file, replaced only once written completely. A file that cannot be opened gives
// the stop alert "Sorry, there was an error whilst attempting to open the file." and nothing is
// written; one that cannot be written completely "Error_Writing_File".
[[nodiscard]] OSErr DoSaveListing(const std::string& path, const std::vector<EditListingRowRec>& rows,
                    const std::vector<UInt32>& order);
