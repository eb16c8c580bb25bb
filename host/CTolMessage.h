// One message of the engine's message bus: a chunk of an answer. An answer to a query is split
// into `total` messages numbered 0 to total-1, each carrying the answer's id.
#pragma once

#include <string>

struct CTolMessage {
  unsigned long answerId = 0;
  int sequence = 0;
  int total = 1;
  std::string payload;
};
