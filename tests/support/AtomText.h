// A typed text form of atoms and fields for comparisons: integers bare, texts in single quotes,
// vectors in [], objects in {}, fields as name=value separated by spaces.
#pragma once

#include <string>

class CTolAtom;
class CTolVBList;

std::string ShowAtom(const CTolAtom* atom);
std::string ShowFields(const CTolVBList& fields);
