// The toolbar's icons, drawn in code so they look the same on every desktop: tools, zoom and
// shift arrows, autoscale, graph and film, mixture, parameter list and structures drawer.
#pragma once

#include <QIcon>

// code: the icon's four-character name ("iArT" arrow tool, "iMvT" hand, "iMgT" magnify,
// "iDsT" distance, "ixS+" expand x, "iGrf" graph, "iFlm" film, "iMix" mixture, ...).
QIcon ToolbarIcon(const char* code);

// The structures list's 16-pixel icons: "iCrL" a crystal with its data, "iFOB" a crystal file not
// loaded, "iDsL" a dataset with its data, "iFTx" a data file not loaded, "iFGn" anything else,
// "iCrM" a crystal taking part in the mixture shown; and its buttons, "iSL+" add files and "iShc"
// the menu of the list's commands.
QIcon ListIcon(const char* code);
