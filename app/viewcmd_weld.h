// What the weld, cut and expand commands share: the file name of the shape
// library they load, and the fold of a guide angle for the reference cut.
#pragma once
#include <string>

namespace weldcmd {

// The library the weld, cut and expand bindings load ("Flexoril.dll");
// tests point it elsewhere.
std::string& LibraryFileName();

// The angle folded into [0, 180) degrees; false for a non-finite one.
bool FoldGuideAngle(double angle, double* out);

}  // namespace weldcmd
