// libFuzzer entry point; the build names the body (FUZZ_BODY) that the replay test shares.
#include <cstdio>
#include <cstdlib>

#include "fuzz_bodies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string failure = FUZZ_BODY(data, size);
  if (failure.empty()) return 0;
  std::fprintf(stderr, "fuzz invariant broken: %s\n", failure.c_str());
  std::abort();  // so that libFuzzer keeps the input
}
