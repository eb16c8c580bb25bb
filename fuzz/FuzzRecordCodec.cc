// The message-bus record decoder on arbitrary bytes. A record it accepts must encode to bytes
// that decode again to the same encoding; a refused one leaves the record empty.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/CTolRecord.h"
#include "host/CTolVBList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > static_cast<size_t>(INT32_MAX)) return 0;
  CTolRecord record;
  if (record.ROMDecode(data, static_cast<int>(size)) != 1) {
    if (record.RRValues().RVBLHead() != nullptr) std::abort();
    return 0;
  }
  std::string encoded;
  record.ROMEncode(&encoded);
  CTolRecord again;
  if (again.ROMDecode(reinterpret_cast<const unsigned char*>(encoded.data()),
                      static_cast<int>(encoded.size())) != 1) {
    std::abort();
  }
  std::string reencoded;
  again.ROMEncode(&reencoded);
  if (reencoded != encoded) std::abort();
  return 0;
}
