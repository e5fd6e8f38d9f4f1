// Rich text of peak labels and the read-out: negative indices with a bar over the digit, raised
// and lowered runs, drawn at any rotation; and the natural order of site labels (O2 before O10).
//
// Texts are UTF-8. In-line markers: '^' raises and '_' lowers the run that follows it;
// kOverbarMarker (the byte 0xF8, which never occurs in UTF-8) puts a bar over the run that
// follows it. A run ends at the next delimiter: space, tab, line feed, carriage return, em dash,
// comma, hyphen, full stop, colon or semicolon.
#pragma once

#include "DrawingSurface.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr char kOverbarMarker = '\xF8';
// Control characters: one per byte of the encoded text.
inline constexpr char kControlPlain = '0';
inline constexpr char kControlSuperscript = '^';
inline constexpr char kControlSubscript = '_';
inline constexpr char kControlOverbar = '\xF8';
inline constexpr std::size_t kMaxRichTextLength = 255;  // bytes

// Removes '^' and '_' from text and sets controlString, of the same length as the result: '0'
// plain, '^' raised, '_' lowered. A marker marks the characters after it up to and including the
// next delimiter; the first character after a marker always belongs to its run, so "A^-1" raises
// "-1". A marker at the end marks nothing. The result is cut to 255 bytes.
void FindAndEncodeSuperSubscripts(std::string& text, std::string& controlString);

// Expands each overbar marker to one marker per character of its run (up to the next delimiter,
// not including it), then turns every marker into '_' with the control kControlOverbar. A marker
// followed by another marker is copied as it is, without expansion.
void FindAndEncodeOverbarText(std::string& text, std::string& controlString);

// "h k l" with each negative index written as its digits under a bar (the marker before them).
std::string FormatHKLWithOverbars(long h, long k, long l);

// A laid-out rich text, positions along the baseline from its start; rise is upwards.
struct RichTextPiece {
    std::string text;
    double x = 0;
    double rise = 0;
    double size = 0;
};
struct RichTextBar {
    double x0 = 0, x1 = 0;   // along the baseline
    double rise = 0;         // height of the bar's lower edge above the baseline
    double thickness = 0;
};
struct RichTextLayout {
    std::vector<RichTextPiece> pieces;
    std::vector<RichTextBar> bars;
    double width = 0;
};

// Lays out text with its markers (encoding it first) in fontName at textSize pixels: raised runs
// at 0.6 of the size lifted by 0.45 of it, lowered ones at 0.6 lowered by 0.3 (whole pixels,
// truncated), bars over the characters they cover.
RichTextLayout LayoutRichText(DrawingSurface& s, const std::string& text, const std::string& fontName, double textSize);

// Width of the laid-out text.
double RichTextWidth(DrawingSurface& s, const std::string& text, const std::string& fontName, double textSize);

// Draws text with its baseline starting at (xpix, ypix), turned rotationAngle degrees
// counter-clockwise, in fontColor; on a pill of the highlight colour when one is given (selected).
void MyDrawATSUIText(DrawingSurface& s, double xpix, double ypix, const std::string& text, const std::string& fontName,
                     double textSize, const RGBColor& fontColor, double rotationAngle, std::optional<RGBColor> hilite);

// ---- site labels ----
// The sort key of a label of up to 10 characters: the part before its trailing digits, '#'
// padding, then the digits right-aligned, 11 characters in all. Longer labels are cut at 11.
std::string GetAdjustedSiteLabel(std::string_view label);
// Negative, 0 or positive: plain byte order for labels of equal length, else the keys' order.
int MyIntegerCompareSiteLabels(std::string_view site1, std::string_view site2);
bool MyBooleanCompareSiteLabels(std::string_view site1, std::string_view site2);
