// Base of the engine's records; a list element so that trees and lists can own records.
#pragma once

#include "host/CTolListable.h"

class CTolBaseRecord : public CTolListable {
 public:
  ~CTolBaseRecord() override = default;
};
