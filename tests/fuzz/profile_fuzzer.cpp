// libFuzzer entry point for the profile layer; the body is shared with the replay test.
#include "fuzz_bodies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  AbortOnFailure(FuzzProfile(data, size));
  return 0;
}
