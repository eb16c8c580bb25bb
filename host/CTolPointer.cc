// A list element carrying a borrowed pointer and, for tree nodes, its key.
#include "host/CTolPointer.h"

CTolListable* CTolPointer::RLTargetDeepCopy(const CTolListable* source) {
  const CTolPointer* pointer = dynamic_cast<const CTolPointer*>(source);
  if (pointer == nullptr) {
    return nullptr;
  }
  // The copy points at the same data: a pointer element never owns what it points to.
  return new CTolPointer(*pointer);
}
