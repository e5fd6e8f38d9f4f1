// The symmetry operation behind each atom of a site: the rotation that carries a site's
// anisotropic displacements to each of its copies in the cell. Readers that know the operations
// fill AtomDataRec::rotation themselves; for the others (crystal files, sessions) the operations
// are found from the structure: the rotations that keep the cell's metric, with the translations
// that map every site's atoms onto themselves. The intensity code (Intensity.h) reads them.
#pragma once

#include "Records.h"

#include <string>

// Fills the rotations of every atom when atomRotations is kAtomRotationsUnknown and the crystal
// has anisotropic sites with more than one atom; sets atomRotations to kAtomRotationsSet (or to
// kAtomRotationsNotFound when no operation at all was found). Returns the labels of the
// anisotropic sites whose atoms could not all be matched to an operation ("O1, O2"); those keep
// the identity, so their displacements are used unrotated. Empty when nothing was missing or
// nothing had to be derived.
std::string DeriveAtomRotations(CrystalDataRec* xp);

// Whether the site's atoms have copies whose displacements differ, i.e. rotations other than the
// identity and its negative (used only when atomRotations is kAtomRotationsSet).
bool SiteHasRotatedCopies(const CrystalDataRec* xp, const InputDataRec& site);
