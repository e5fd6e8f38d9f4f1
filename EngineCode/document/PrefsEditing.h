// The rules of the preferences window apart from its widgets: the pop-up tables that turn
// positions into stored codes, the number pop-ups of marker size and line width, and the form of
// the window's controls, filled from a preferences record and read back into one. The window
// itself is InterfaceCode/PreferencesWindow; the record is PrefDataRec (Globals.h).
#pragma once

#include "Globals.h"

#include <array>
#include <span>
#include <string>
#include <vector>

// Pop-up positions (1-based) to stored codes.
inline constexpr std::array<SInt16, 2> gRadiationMenuItems{1, 2};          // radType
inline constexpr std::array<SInt16, 5> gAxisMenuItems{0, 1, 2, 3, 4};      // axisType
inline constexpr std::array<SInt16, 4> gProfileMenuItems{1, 2, 3, 4};      // magnitude of plotType
inline constexpr std::array<SInt16, 10> gPlotStyleMenuItems{4, 8, 9, 1, 2, 2, 3, 5, 6, 7};  // position 6 repeats 2
inline constexpr std::array<SInt16, 4> gPeakOverlayMenuItems{1, 2, 3, 4};  // overlayPeakStyle

// The first position whose entry is code; 0 when none is.
int MenuPositionOfCode(std::span<const SInt16> table, int code);
// The code at a position; false for a position outside the table.
bool MenuCodeAtPosition(std::span<const SInt16> table, int position, int* code);

// The items of the marker-size and line-width pop-ups, in points. The item before the last is a
// separator; the last stands for the automatic value 0.
const std::vector<std::string>& MarkerSizeItems();
const std::vector<std::string>& LineWidthItems();
// The position (1-based) a stored value selects: its whole part matched against items 1 to
// count − 2, the last item for 0; 0 when nothing matches.
int NumberPopupPositionOfValue(const std::vector<std::string>& items, double value);
// The value of a position: the whole part of the number its text starts with, 0 when the text
// holds no number. False for a position outside the pop-up.
bool NumberPopupValueAt(const std::vector<std::string>& items, int position, double* value);

// The five plot-style groups of the window, in order.
enum PrefsPlotGroup { kPrefsCrystals, kPrefsCrystalMixture, kPrefsDatasets, kPrefsDatasetMixture, kPrefsResidual };
inline constexpr int kPrefsPlotGroups = 5;
// The first control of each group (colour button; +1 style, +2 dashed lines, +3 marker, +4 width).
inline constexpr std::array<SInt16, kPrefsPlotGroups> kPrefsPlotGroupButtons{501, 511, 521, 531, 541};

// One plot-style group as the window shows it.
struct PrefsPlotPaneRec {
    SInt16 buttonID = 0;
    RGBColor color{};     // the held colour
    int plotStyle = 0;    // position in gPlotStyleMenuItems, 0 for none
    bool dashed = false;  // line style 1
    int markerSize = 0;   // position in MarkerSizeItems(), 0 for none
    int lineWidth = 0;    // position in LineWidthItems(), 0 for none
    bool operator==(const PrefsPlotPaneRec&) const = default;
};

// Every control of the window: check boxes as flags, pop-ups as positions (0: nothing chosen),
// text fields as their texts. Numbers are shown in the units the window uses (angles in degrees,
// crystallite size in µm, strain in percent).
struct PrefsFormRec {
    // Windows: what a new window shows.
    bool showToolbar = false, showParameters = false, showFiles = false;
    int graphsOrFilms = 1;  // 1 graphs, 2 films
    bool relativeIntensity = false, showLegend = false, showGrids = false;
    RGBColor windowColor{};
    // Radiation and instrument.
    int radiation = 0, axis = 0;
    std::string lambda, lambda2, lambdaRatio;
    bool monochromatic = false;
    std::string thetaTimeOfFlight, thetaEnergy;  // θ of the detector, degrees
    std::string distanceTimeOfFlight;            // m
    // Profile and reflexion limits.
    int profile = 0;
    std::string fwhm, eta, dMin;
    bool restrictNumRefs = false;
    std::string maxNumRefs;
    // Sample.
    std::string particleSize;  // µm
    std::string strain;        // percent
    // Labels.
    bool showLabel = false;
    std::string labelThreshold;
    bool labelHKL = false, labelDSpacings = false, labelTwoTheta = false, labelPhases = false;
    // Plot styles and peak overlays.
    bool overlay = false;
    int overlayStyle = 0;
    std::array<PrefsPlotPaneRec, kPrefsPlotGroups> panes{};
    bool operator==(const PrefsFormRec&) const = default;
};

// The controls showing prefs.
PrefsFormRec InitPrefsForm(const PrefDataRec& prefs);
// Reads the controls back into prefs. shownFrom is the record the form was filled from (the
// preferences, or the factory ones after a reset): a control left as it showed that record gives
// that record's value exactly, one changed is read by its rule, and a value that breaks its rule
// leaves the stored value as it was.
void ExtractPrefsForm(const PrefsFormRec& form, const PrefDataRec& shownFrom, PrefDataRec* prefs);

// Acceptance ranges of the fields that have more than a lower bound.
inline constexpr double kPrefsMaxDetectorTheta = 360;  // degrees, exclusive
inline constexpr double kPrefsMinDMin = 0.01;          // Å: a smaller limit has no end of reflexions
inline constexpr double kPrefsMaxDMin = 100;
inline constexpr double kPrefsMaxStrain = 100;         // percent
