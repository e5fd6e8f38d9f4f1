// The settings a command line can give a simulation, under the names of the desktop program's
// settings, and how they reach a document: through the same setters and with the same limits as
// the desktop program's sheets (Settings.h, PlotCommands.h). The options are declared on a CLI11
// (sub)command; the commands themselves are in CliCommands.h.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}
struct WinInfoRec;

struct SimulationSettings {
    // Instrument, applied before the files are diffracted.
    std::optional<std::string> radiation;    // xray | neutron
    std::optional<std::string> axis;         // 2theta | d | recip | tof | energy
    std::optional<double> detectorTwoTheta;  // 2θ of the tof or energy detector, degrees
    std::optional<double> path;              // flight path of the tof axis, m
    std::optional<double> lambda, lambda2;   // Å
    std::optional<double> ratio;             // intensity of the first wavelength over the second
    std::optional<std::string> preset;       // CuKa, CoKa, CrKa, FeKa, MoKa
    std::optional<bool> monochromatic;
    std::optional<bool> anomalous;
    std::optional<std::string> peak;         // delta | lorentzian | gaussian | pseudo-voigt
    std::optional<double> fwhm;              // x-axis units of the chosen axis
    std::optional<double> eta;               // Lorentzian fraction, 0..1
    std::optional<double> dmin;              // Å
    std::optional<std::string> maxRefs;      // a count, or "all"
    std::optional<double> displacement;      // specimen displacement, mm (2θ axis)
    std::optional<double> radius;            // goniometer radius, mm
    // Sample, applied to every crystal once loaded.
    std::optional<double> sizeMicrons;       // crystallite size, µm
    std::optional<double> strainPercent;     // micro-strain, %
    std::optional<std::string> fractions;    // comma-separated proportions, in the order loaded
    std::optional<std::string> background;   // A,B,C of A + Bx + C/x
    std::optional<double> zero;              // zero correction, x-axis units
    // Plot.
    std::optional<std::string> xrange;       // LO:HI in x-axis units
    std::optional<double> channel;           // x step of the exported profile
    int width = 1000, height = 600;          // plot size, pixels (PDF: points)
    std::optional<bool> film;                // films (true) or graphs (false)
    std::optional<bool> mixture, residual, labels;
    std::optional<std::string> overlay;      // none | markers | dashed | solid | filled
};

// Declares the setting options on a (sub)command, in the groups "Instrument", "Sample" and "Plot".
void AddSettingOptions(CLI::App& app, SimulationSettings& settings);

// The settings of the window as a whole (radiation, wavelengths, axis, peak shape, limits, plot
// display and x range), to be applied before the crystals are diffracted. Empty on success, else
// what is wrong with the settings (the document may then be partly changed).
std::string ApplyInstrumentSettings(WinInfoRec* doc, const SimulationSettings& settings);

// Checks the values of the crystals' settings before any crystal is loaded. Empty when fine.
std::string CheckSampleSettings(const SimulationSettings& settings);
// The settings of the loaded crystals (size, strain, fractions, labels), applied to every crystal
// of the plot list. Empty on success, else what is wrong.
std::string ApplySampleSettings(WinInfoRec* doc, const SimulationSettings& settings);

// Parses "LO:HI"; false unless both are finite numbers.
bool ParseRange(const std::string& text, double* lo, double* hi);
// Parses "A,B,C" (B and C may be left out: "A" or "A,B"); false unless each is a number.
bool ParseBackground(const std::string& text, double* a, double* b, double* c);
// Parses a comma-separated list of proportions and scales them to sum 1; false for a list with an
// unreadable or negative entry, or whose sum is not positive.
bool ParseFractions(const std::string& text, std::vector<double>* fractions);
