// Window > Stack, Tile, Synchronise and Clone on the desktop. Windows are arranged on the screen
// of the front window, inside its available area (without panels and docks), whichever screen
// that is. A window never goes below its smallest size: in a grid of more cells than the area
// holds at that size, windows overlap rather than leave the area. With a window manager the
// arrangement asks for the outer frame of each window as the frame margins it reports; a manager
// that places windows itself (tiling managers, Wayland compositors) may decline. The geometry
// itself is the engine's (ArrangementGeometry.h).
#pragma once

#include <vector>

class Application;
class MainWindow;
class QRect;

// The document windows counted from the front.
std::vector<MainWindow*> WindowsFromTheFront(const Application& app);
// The available area of the front window's screen (the primary screen without one).
QRect ArrangementArea(const Application& app);

// Each does nothing with fewer than two document windows.
void DoStackWindows(Application& app);
void DoTileWindows(Application& app);
// Gives every other window the front window's plot settings and size; each is recalculated.
void DoSynchronizeWindows(Application& app);

// A new window named after window's document with " copy", with its settings and a deep copy of
// every pattern in file-list order. Beeps and returns null when window plots nothing; null when
// the copy fails (nothing is left behind).
MainWindow* MyCloneWindow(Application& app, MainWindow* window);
