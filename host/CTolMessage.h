// One message of the engine's message bus: a chunk of an answer. An answer to a query is split
// into `total` messages numbered 0 to total-1, each carrying the answer's id.
#pragma once

#include <atomic>
#include <memory>
#include <string>

struct CTolMessage {
  unsigned long answerId = 0;
  int sequence = 0;
  int total = 1;
  std::string payload;
  // Shared by the messages of one answer; set once a transport has decoded the answer whole,
  // so that the receiving handler knows whether the answer reached its reader (may be null).
  std::shared_ptr<std::atomic<bool>> taken;
};
