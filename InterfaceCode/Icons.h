// The toolbar's icons, drawn in code so they look the same on every desktop: tools, zoom and
// shift arrows, autoscale, graph and film, mixture, parameter list and structures drawer.
#pragma once

#include <QIcon>

// code: the icon's four-character name ("iArT" arrow tool, "iMvT" hand, "iMgT" magnify,
// "iDsT" distance, "ixS+" expand x, "iGrf" graph, "iFlm" film, "iMix" mixture, ...).
QIcon ToolbarIcon(const char* code);
