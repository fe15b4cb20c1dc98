// Every input kept from fuzzing runs through the same body as in the fuzzer, so a fixed fault
// stays fixed in the normal suite.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz_bodies.h"

namespace {

namespace fs = std::filesystem;

TEST(FuzzReplay, EveryKeptInputKeepsItsTargetsInvariants) {
  const std::pair<const char*, std::string (*)(const std::uint8_t*, std::size_t)> targets[] = {
      {"rom_name", FuzzRomName},
      {"table_info", FuzzTableInfo},
      {"compound_file", FuzzCompoundFile},
      {"directb2s", FuzzDirectB2S},
      {"table_details", FuzzTableDetails}};
  for (const auto& [target, body] : targets) {
    int inputs = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(FUZZ_REGRESSIONS) / target)) {
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string bytes{std::istreambuf_iterator<char>(in), {}};
      EXPECT_EQ(body(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), "")
          << target << "/" << entry.path().filename().string();
      ++inputs;
    }
    EXPECT_GT(inputs, 0) << "no kept inputs for " << target;
  }
}

}  // namespace
