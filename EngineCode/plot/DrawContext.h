// How one drawing pass draws: on screen or on a printer page, at which scale, with which
// selection colour, and whether it fits the intensity axis. The caller makes the value and hands it down through every drawing
// function; drawing reads no other program-wide state and writes none, so several plots may
// be drawn at the same time on different threads.
#pragma once

#include "Globals.h"
#include "Types.h"

struct DrawContext {
    // Device pixels per screen pixel: 1 on screen and in images, printer dots per inch / 72
    // when printing (a printer page or a PDF file). Every plot measure is scaled by it.
    Float32 resolutionFactor = 1.0f;
    bool printing = false;             // a printed page: no screen decorations, black text
    UInt16 printRes = 72;              // printer dots per inch while printing
    int printPageWidthDots = 0;        // width of the printed page, printer dots
    double printWindowWidthPixels = 0; // width of the window on the page, screen pixels; 0: the page
    RGBColor hilite = kRGBRoyalBlue;   // selection highlight, by the window's active state
    bool lockScreen = false;           // while set, drawing a window does nothing
    bool autoscaleY = false;           // fit the intensity axis in this pass, as the window's own request

    // A window on screen (or an image of it); an inactive window's selections are grey.
    static DrawContext Screen(bool activeWindow = true);
    // A printed page of pageWidthDots printer dots at dpi dots per inch showing a window
    // windowWidthPixels wide (0: the window fills the page at its own size).
    static DrawContext Printer(int dpi, int pageWidthDots, double windowWidthPixels);
};

// The selection highlight of a window: royal blue when it is active, grey when not.
RGBColor ThemeHiliteColor(bool active);

// A line width in device pixels: unchanged on screen; when printing scaled to printer dots and
// by how much the window shrinks to fit the page.
Float32 MyPenSizeForPrinting(const DrawContext& dc, Float32 inputSize);
