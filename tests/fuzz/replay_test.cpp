// Every input kept from fuzzing runs through the same body as in the fuzzer, so a fixed fault
// stays fixed in the normal suite.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "common/codepage.h"
#include "extractor/byte_source.h"
#include "extractor/compound_file.h"
#include "extractor/rom_name_finder.h"
#include "fuzz_bodies.h"
#include "fuzz_support.h"

namespace fs = std::filesystem;

namespace {

using Body = std::string (*)(const std::uint8_t*, std::size_t);

void ReplayKeptInputs(const std::string& target, Body body) {
  const fs::path folder = fs::path(FUZZ_REGRESSIONS) / target;
  std::vector<fs::path> inputs;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    if (entry.is_regular_file()) inputs.push_back(entry.path());
  }
  ASSERT_FALSE(inputs.empty()) << "no kept inputs in " << folder;
  std::sort(inputs.begin(), inputs.end());
  for (const fs::path& input : inputs) {
    std::string bytes;
    ASSERT_TRUE(ReadBytes(input.string(), bytes)) << input;
    EXPECT_EQ(body(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), "")
        << input.filename();
  }
}

TEST(FuzzReplay, ProfileScriptsReadBackEveryWriteAndAddNoSections) {
  ReplayKeptInputs("profile", FuzzProfile);
}

TEST(FuzzReplay, ScriptsGiveOneLowerCaseNameFromMemoryAndFile) {
  ReplayKeptInputs("rom_name", FuzzRomName);
}

TEST(FuzzReplay, TablesWriteOnlyTheirEntryAndTheirOwnExports) {
  ReplayKeptInputs("table_info", FuzzTableInfo);
}

TEST(FuzzReplay, ListingCutsStayInsideTheirGame) { ReplayKeptInputs("listing", FuzzListing); }

// The library reading tables leaks the entries linked beside a root entry; the format allows
// none, so such a table is not opened at all.
TEST(FuzzFindings, TableWhoseRootEntryHasSiblingsIsNotOpened) {
  const std::string regressions = FUZZ_REGRESSIONS;
  EXPECT_EQ(OpenCompoundFile(regressions + "/table_info/leak-root-entry-with-siblings"), nullptr);
  EXPECT_NE(OpenCompoundFile(regressions + "/table_info/seed-full-table"), nullptr);
}

// Each step through an array rescans the file, so a long chain must end early as not found,
// while the short chains of real scripts still resolve.
std::string ArrayChain(int steps) {
  std::string script = ".GameName = v0\r\n";
  for (int i = 0; i < steps; ++i) {
    script += "v" + std::to_string(i) + "=array(v" + std::to_string(i + 1) + ", x)\r\n";
  }
  return script + "v" + std::to_string(steps) + "=\"abc_l3\"\r\n";
}

TEST(FuzzFindings, LongArrayChainsEndAsNotFound) {
  EXPECT_EQ(ScanForRomName(ArrayChain(2)), "abc_l3");
  EXPECT_EQ(ScanForRomName(ArrayChain(500)), "nf");
}

// Long needles of repeated bytes over runs of them made the folded search compare the whole
// needle at every byte; past a budget it goes on in linear time and must find the same matches.
TEST(FuzzFindings, FoldedSearchFindsTheSameMatchesOnRepeatedBytes) {
  const std::string run(20000, 'A');
  std::string aab;
  for (int i = 0; i < 7000; ++i) aab += "AAB";
  const std::string a40 = std::string(40, 'a');
  const struct {
    std::string haystack;
    std::string needle;
  } cases[] = {
      {run + "AAB" + run, a40 + "ba"},
      {run, a40 + "ba"},
      {run + "BA", a40 + "ba"},
      {aab + "BA", Cp1252ToLower(aab.substr(0, 30)) + "ba"},
      {std::string(5000, '\0') + "x" + std::string(9, '\0'),
       std::string(37, '\0') + "x" + std::string(2, '\0')},
      {run + "\xC0"
             "A",
       std::string(30, 'a') + "\xE0"
                              "a"},
  };
  for (const auto& [haystack, needle] : cases) {
    const std::string folded = Cp1252ToLower(haystack);
    const size_t expected = folded.find(needle);
    EXPECT_EQ(FindBytes(haystack, needle, 0, true),
              expected == std::string::npos ? ByteSource::kNotFound : expected)
        << needle.size() << "-byte needle";
  }
}

}  // namespace
