// The three text reports of a document's crystals: the reflexion listing, the calculated profile
// and the structure-factor table. Lines end in LF and numbers carry a full stop as decimal point
// whatever the process locale (TextFormat.h). The stream writers serve tests; the path writers
// replace a file only with a complete new one (SafeFile.h).
#pragma once

#include "Records.h"

#include <cstdio>
#include <string>

struct WinInfoRec;

enum class ReportKind { Listing, Profile, StructureFactors };

// The header of the listing and structure-factor reports: banner, program line, copyright line,
// banner and an empty line.
void WriteReportHeader(std::FILE* file);

// The name proposed for a report: the document's file name followed by " Listing.txt",
// " Profile.txt" or " Fhkl.txt".
std::string DefaultReportName(const WinInfoRec* theWindow, ReportKind kind);

// The section of one crystal in the listing: cell, reciprocal cell, sites and every reflexion
// whose d-spacing is at least minDSpacing (Å), with its position on the axis of axisType.
// Nothing for a crystal without sites or reflexions.
void WriteCrystalListing(std::FILE* file, const CrystalDataRec* xp, const std::string& name, double minDSpacing,
                         SInt16 axisType = kAxisTwoTheta);

// The heading of the listing's position column: "2-Theta", "d (A)", "1/d (1/A)", "TOF (ms)" or
// "E (keV)".
std::string ListingPositionHeading(SInt16 axisType);
// The lines under the listing's header that name the experiment: the radiation and its
// wavelength, with the second wavelength and the ratio when it is used; for time of flight and
// energy dispersion the detector angle and flight path instead of a wavelength.
std::string ListingExperimentLines(const PlotSpecsRec& ps);

// Each returns 0, or kParamErr (nothing written) when the plot list holds no crystal; the profile
// also when several crystals are plotted singly and none of them is selected.
[[nodiscard]] OSErr WriteListingStream(WinInfoRec* theWindow, std::FILE* file);
[[nodiscard]] OSErr WriteProfileStream(WinInfoRec* theWindow, std::FILE* file);
[[nodiscard]] OSErr WriteStrucFacStream(WinInfoRec* theWindow, std::FILE* file);

// The same into a file. A file that cannot be created gives the alert "Error_Opening_File", one
// that cannot be written completely "Error_Writing_File"; either way an existing file is kept.
[[nodiscard]] OSErr WriteListingFile(WinInfoRec* theWindow, const std::string& path);
[[nodiscard]] OSErr WriteProfileFile(WinInfoRec* theWindow, const std::string& path);
[[nodiscard]] OSErr WriteStrucFacFile(WinInfoRec* theWindow, const std::string& path);

// Number of rows of an exported profile: (xmax − xmin) / step, at most 32766, 0 for an empty or
// reversed range or a step that is not positive.
AtomIndex ProfileExportPoints(const PlotSpecsRec& ps);
