// Base element of the engine's intrusive lists.
#include "host/CTolListable.h"

CTolListable* CTolListable::RLTargetDeepCopy(const CTolListable* /*source*/) {
  // A plain listable carries nothing to copy; derived types that can be copied override this.
  return nullptr;
}
