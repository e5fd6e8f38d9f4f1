// Preferences, blank records, global switches.
#include "Globals.h"


const PrefDataRec gFactoryPrefs{};
PrefDataRec gPrefs{};

InputDataRec gBlankAU{};
AtomDataRec gBlankAtom{};
ReflexionRec gBlankRef{};

Boolean quittingTime = false;

void InitVLGlobals()
{
    gBlankAtom = AtomDataRec{};
    gBlankRef = ReflexionRec{};
    InputDataRec blank{};
    for (SiteRec& occ : blank.occupant)
        occ = SiteRec{kEmptySymbol, 0, 0};
    blank.label[0] = '\0';
    blank.x[0] = blank.x[1] = blank.x[2] = 0;
    blank.adpType = kADPTypeNone;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            blank.uAni[i][j] = i == j ? 1.0f : 0.0f;
    blank.uIso = 0.1f;
    blank.pos = 1;
    blank.lastInRange = 0;
    blank.numInCell = 0;
    blank.include = false;
    gBlankAU = blank;
}
