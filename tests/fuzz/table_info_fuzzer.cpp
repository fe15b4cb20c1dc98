// libFuzzer entry point for the table file reader; the body is shared with the replay test.
#include "fuzz_bodies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  AbortOnFailure(FuzzTableInfo(data, size));
  return 0;
}
