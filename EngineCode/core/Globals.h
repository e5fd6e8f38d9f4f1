// Program-wide state that is not tied to a window: the preferences record with its factory
// values, the blank element templates, the colour constants and a few global switches.
// The preferences file is read and written by PrefsFile.h; the records themselves by Records.h.
#pragma once

#include "Records.h"

// User preferences: the current values in gPrefs, the compiled-in factory values in gFactoryPrefs.
struct PrefDataRec {
    Rect windowBounds{};       // size of a new main window when none is open
    Boolean showToolbar = true;
    Boolean showParameters = true;
    Boolean showFiles = true;
    Boolean _unused_byte_ = false;
    PlotSpecsRec plotSpecs{};  // settings of new windows
    RGBColor crystalColor{0x0000, 0x0000, 0x4444};
    UInt16 crystalPlotStyle = 4;
    UInt16 crystalLineStyle = 2;
    Float32 crystalLineWidth = 1.0f;
    Float32 crystalMarkerSize = 0.0f;
    RGBColor datasetColor{0xBBBB, 0x2222, 0xBBBB};
    UInt16 datasetPlotStyle = 3;
    UInt16 datasetLineStyle = 2;
    Float32 datasetLineWidth = 1.0f;
    Float32 datasetMarkerSize = 0.0f;
    Float32 particleSize = 10000.0f;  // Å (1 µm)
    Float32 strain = 0.0f;            // fraction
    Boolean showLabel = false;
    UInt16 labelThreshold = 10;       // percent
    Boolean labelHKL = true;
    Boolean labelDSpacings = false;
    Boolean labelTwoTheta = false;
    Boolean labelPhases = false;
    Boolean updateCheckAuto = true;
    UInt32 updateCheckInterval = 0;
    double updateCheckLastCheck = 0;   // absolute time, seconds
    SInt32 updateCheckLastUpdate = 0;
    SInt32 updateCheckLastUpgrade = 0;
};

// The factory values are the member initialisers of PrefDataRec and PlotSpecsRec.
extern const PrefDataRec gFactoryPrefs;
extern PrefDataRec gPrefs;

// Templates of new array elements, set by InitVLGlobals.
extern InputDataRec gBlankAU;
extern AtomDataRec gBlankAtom;
extern ReflexionRec gBlankRef;

// The share of a graph's intensity range left free above the strongest point when the intensity
// axis is fitted to the patterns.
inline constexpr double kAutoscaleHeadroom = 0.05;
extern Boolean quittingTime;  // the application is quitting

inline constexpr RGBColor gWinBackColor{0xFFFF, 0xFFFF, 0xFFFF};
inline constexpr RGBColor gGraphPaperColor{0xF851, 0xF851, 0xF851};

inline constexpr RGBColor kRGBBlack{0x0000, 0x0000, 0x0000};
inline constexpr RGBColor kRGBWhite{0xFFFF, 0xFFFF, 0xFFFF};
inline constexpr RGBColor kRGBCosmos{0x2222, 0x2222, 0x2222};
inline constexpr RGBColor kRGBCarbon{0x4444, 0x4444, 0x4444};
inline constexpr RGBColor kRGBAnthracite{0x6666, 0x6666, 0x6666};
inline constexpr RGBColor kRGBDkGrey{0x8888, 0x8888, 0x8888};
inline constexpr RGBColor kRGBMdGrey{0xBBBB, 0xBBBB, 0xBBBB};
inline constexpr RGBColor kRGBLtGrey{0xCCCC, 0xCCCC, 0xCCCC};
inline constexpr RGBColor kRGBDkWhite{0xEEEE, 0xEEEE, 0xEEEE};
inline constexpr RGBColor kRGBRed{0xFFFF, 0x0000, 0x0000};
inline constexpr RGBColor kRGBOrange{0xFFFF, 0x9999, 0x0000};
inline constexpr RGBColor kRGBGreen{0x0000, 0xFFFF, 0x0000};
inline constexpr RGBColor kRGBDkGreen{0x0000, 0x4444, 0x0000};
inline constexpr RGBColor kRGBBlue{0x0000, 0x0000, 0xFFFF};
inline constexpr RGBColor kRGBDkBlue{0x0000, 0x0000, 0x4444};
inline constexpr RGBColor kRGBRoyalBlue{0x3D3D, 0x8080, 0xDFDF};
inline constexpr RGBColor kRGBPurple{0xBBBB, 0x2222, 0xBBBB};
inline constexpr RGBColor kToolBarColor{0xDDDD, 0xDDDD, 0xDDDD};

// Sets the three blank element records. Tool cursors are the shell's.
void InitVLGlobals();
