// The settings a command line can give a simulation, with the names and limits of the desktop
// program's settings, and how they are applied to a document (through the same setters).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}
struct WinInfoRec;

struct SimulationSettings {
    std::optional<std::string> radiation;   // xray | neutron
    std::optional<std::string> axis;        // 2theta | d | recip | tof | energy
    std::optional<double> detectorTwoTheta; // degrees, for tof and energy
    std::optional<double> path;             // flight path, m
    std::optional<double> lambda, lambda2, ratio;
    std::optional<std::string> preset;      // CuKa, CoKa, CrKa, FeKa, MoKa
    std::optional<bool> monochromatic;
    std::optional<std::string> peak;        // delta | lorentzian | gaussian | pseudo-voigt
    std::optional<double> fwhm, eta, dmin;
    std::optional<std::string> maxRefs;     // a count or "all"
    std::optional<double> sizeMicrons, strainPercent;
    std::optional<std::string> fractions;   // comma-separated volume fractions, in plot order
    std::optional<std::string> xrange;      // LO:HI
    int width = 1000, height = 600;         // plot size, pixels
    bool film = false, mixture = false, residual = false, labels = false;
    std::optional<std::string> overlay;     // none | markers | dashed | solid | filled
    std::optional<double> channel;          // x step of exported profiles
};

// Declares the setting options on a (sub)command.
void AddSettingOptions(CLI::App& app, SimulationSettings& settings);

// Settings that shape the calculation (radiation, axis, wavelengths, peak shape, limits), applied
// before the files are loaded. Empty on success, else what is wrong.
std::string ApplyInstrumentSettings(WinInfoRec* doc, const SimulationSettings& settings);
// Settings of the loaded crystals and of the plot (size, strain, fractions, x range, display).
std::string ApplySampleAndPlotSettings(WinInfoRec* doc, const SimulationSettings& settings);
