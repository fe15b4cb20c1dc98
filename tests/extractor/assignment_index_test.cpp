#include "extractor/assignment_index.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "extractor/byte_source.h"
#include "extractor/rom_name_finder.h"
#include "support/temp_dir.h"

namespace {

// Considers every "=" of `bytes`, as the one-pass scan does; `seen_up_to` short of the end
// leaves the rest unseen.
AssignmentIndex Indexed(const std::string& bytes, size_t seen_up_to = std::string::npos) {
  AssignmentIndex index;
  for (size_t at = bytes.find('='); at != std::string::npos && at < seen_up_to;
       at = bytes.find('=', at + 1)) {
    index.Consider(at, bytes, 0);
  }
  if (seen_up_to >= bytes.size()) {
    index.SeenAll(bytes.size());
  } else {
    index.SeenUpTo(seen_up_to);
  }
  return index;
}

std::vector<std::string> Candidates(const AssignmentIndex& index, const std::string& name,
                                    size_t* rest = nullptr) {
  std::vector<std::string> afters;
  const size_t from = index.ForEachCandidate(name, [&](std::string_view after) {
    afters.emplace_back(after);
    return false;
  });
  if (rest != nullptr) *rest = from;
  return afters;
}

TEST(AssignmentIndex, CoversOnlyNamesWhoseOccurrencesItCanAnswerFor) {
  const AssignmentIndex index;
  EXPECT_TRUE(index.Covers("cgamename"));
  EXPECT_TRUE(index.Covers("x"));
  EXPECT_TRUE(index.Covers("rom=val"));
  EXPECT_FALSE(index.Covers(""));
  EXPECT_FALSE(index.Covers("rom=var"));  // overlaps itself: "rom=varom=var" holds two
  EXPECT_FALSE(index.Covers("aa"));
  EXPECT_FALSE(index.Covers("abcab"));  // the same, through "ab"
  EXPECT_FALSE(index.Covers("x "));     // ends in a blank
  EXPECT_FALSE(index.Covers(std::string(AssignmentIndex::kMaxName, 'x') + "y"));
  EXPECT_TRUE(index.Covers(std::string(AssignmentIndex::kMaxName - 1, 'x') + "y"));
}

TEST(AssignmentIndex, GivesEveryOccurrenceFollowedByALiteralOrArrayInFileOrder) {
  const std::string script =
      "Dim romVar : romVar = 1\r\nROMVAR\t=\r\n \"abc_l3\"\r\nx = romVar\r\n"
      "myromvar = Array(a, b)\r\nromvar = \"ab'c\"\r\nromvar  ' = \"no\"\r\nromvar";
  size_t rest = 0;
  const std::vector<std::string> afters = Candidates(Indexed(script), "romvar", &rest);
  ASSERT_EQ(afters.size(), 3u);
  EXPECT_EQ(afters[0], script.substr(script.find("\t=\r\n"), AssignmentIndex::kLookAhead));
  EXPECT_EQ(afters[1], script.substr(script.find(" = Array"), AssignmentIndex::kLookAhead));
  EXPECT_EQ(afters[2], script.substr(script.find(" = \"ab'c"), AssignmentIndex::kLookAhead));
  EXPECT_EQ(rest, script.size());  // the whole file was seen
}

TEST(AssignmentIndex, PassesOverWhatLiesBeyondTheLookAhead) {
  // The "=" beyond it; the "=" within but the literal beyond; both within, cut by the file's end.
  const std::string script = "romvar" + std::string(50, ' ') + "= \"a\"\r\nromvar" +
                             std::string(48, ' ') + "= \"b\"\r\nromvar" + std::string(47, ' ') +
                             "=\"c\"";
  const std::vector<std::string> afters = Candidates(Indexed(script), "romvar");
  ASSERT_EQ(afters.size(), 1u);
  EXPECT_EQ(afters[0], std::string(47, ' ') + "=\"c");
}

TEST(AssignmentIndex, LeavesWhatItHasNotSeenWholeToTheFileSearch) {
  const std::string script = "romvar = \"a\"\r\n" + std::string(200, 'x') + "romvar = \"b\"";
  size_t rest = 0;
  const size_t seen = script.size() - AssignmentIndex::kLookAhead;
  const std::vector<std::string> afters = Candidates(Indexed(script, seen), "romvar", &rest);
  ASSERT_EQ(afters.size(), 1u);
  // An occurrence is covered when every "=" within its look-ahead was seen.
  EXPECT_EQ(rest, seen - (6 + AssignmentIndex::kLookAhead - 1));
  EXPECT_LT(rest, script.rfind("romvar"));
}

TEST(AssignmentIndex, GivesUpRatherThanGrowWithoutBound) {
  std::string bytes;
  while (bytes.size() < (size_t{24} << 20)) bytes += "x=\"";
  EXPECT_FALSE(Indexed(bytes).Covers("x"));
}

// Scripts put together from pieces that stress the name search: names that overlap, blanks of
// every kind around "=", comments, arrays, literals, and runs of blanks near the look-ahead.
std::string RandomScript(std::mt19937& random) {
  static const std::vector<std::string> pieces = {"romVar",
                                                  "ROMVAR",
                                                  "myromvar",
                                                  "alt",
                                                  "aa",
                                                  "a",
                                                  "x",
                                                  "abab",
                                                  "cGameName",
                                                  "b",
                                                  " ",
                                                  "  ",
                                                  "\t",
                                                  "\r\n",
                                                  "\n",
                                                  "=",
                                                  " = ",
                                                  "= ",
                                                  "\"",
                                                  "\"abc_l3\"",
                                                  "\"XY_L1\"",
                                                  "'",
                                                  "' comment\r\n",
                                                  "array(",
                                                  "Array(",
                                                  "ARRAY( ",
                                                  ", ",
                                                  ",",
                                                  ")",
                                                  ":",
                                                  "Const ",
                                                  "Dim ",
                                                  ".GameName",
                                                  ".Gamename",
                                                  ".GameName = ",
                                                  ".GameName = romVar",
                                                  ".GameName = aa\r\n",
                                                  ".GameName = array(alt, b)",
                                                  std::string(40, ' '),
                                                  std::string(48, ' '),
                                                  std::string(49, '\t'),
                                                  std::string(3, '\0') + "\xE9\x80="};
  std::string script;
  const size_t count = 1 + random() % 60;
  for (size_t i = 0; i < count; ++i) script += pieces[random() % pieces.size()];
  return script;
}

TEST(RomNameScan, OnePassOverTheFileFindsWhatTheWholeFileScanFinds) {
  TempDir dir;
  std::mt19937 random(20240607);
  for (int i = 0; i < 400; ++i) {
    const std::string script = RandomScript(random);
    const std::string expected = ScanForRomName(script);
    const std::string path = dir.WriteFile("t" + std::to_string(i % 8) + ".vpt", script);
    for (size_t piece : {9, 10, 23, 64, 1 << 16}) {
      FileSource source;
      ASSERT_TRUE(source.Open(path));
      ASSERT_EQ(ScanForRomName(source, piece), expected)
          << "piece " << piece << ", script: " << testing::PrintToString(script);
    }
  }
}

TEST(RomNameScan, OnePassFindsANameDefinedAfterTheStatementOrBeyondThePieces) {
  TempDir dir;
  const std::string filler(5000, '\x01');
  const std::vector<std::pair<std::string, std::string>> cases = {
      {filler + ".GameName = romVar\r\n" + filler + "romVar = \"after_l1\"", "after_l1"},
      {"romVar = \"before_l1\"\r\n" + filler + ".GameName = romVar\r\n", "before_l1"},
      {"aa = 1 : aaa = \"x_l1\"\r\n.GameName = aa\r\n",
       ScanForRomName(std::string("aa = 1 : aaa = \"x_l1\"\r\n.GameName = "
                                  "aa\r\n"))},
      {"r = array(c, d)\r\n" + filler + "c = \"c_l1\"\r\n.GameName = r\r\n", "c_l1"},
      {".GameName = " + std::string(70, 'n') + "\r\n" + std::string(70, 'n') + " = \"long\"",
       "long"},
  };
  for (const auto& [bytes, expected] : cases) {
    const std::string path = dir.WriteFile("t.vpt", bytes);
    for (size_t piece : {9, 100, 4096, 1 << 20}) {
      FileSource source;
      ASSERT_TRUE(source.Open(path));
      EXPECT_EQ(ScanForRomName(source, piece), expected) << "piece " << piece;
    }
    EXPECT_EQ(ScanForRomName(bytes), expected);
  }
}

TEST(RomNameScan, AValueLongerThanItsStartIsReadWhole) {
  const std::string name = "romVar\r\nromVar = \"b_l1\"";
  const std::vector<std::pair<std::string, std::string>> cases = {
      // A literal without its closing quote runs to the end of the value, here the file's.
      {".GameName = \"Ab" + std::string(2000, 'X') + "\r\n", "ab" + std::string(2000, 'x')},
      // A name after more blanks than the start holds, and one cut by the start's end.
      {".GameName = " + std::string(1500, ' ') + name, "b_l1"},
      {".GameName = " + std::string(1017, ' ') + name, "b_l1"},
      {".GameName = " + std::string(1013, '\t') + "  " + name, "b_l1"},
  };
  TempDir dir;
  for (const auto& [script, expected] : cases) {
    EXPECT_EQ(ScanForRomName(script), expected);
    FileSource source;
    ASSERT_TRUE(source.Open(dir.WriteFile("t.vpt", script)));
    EXPECT_EQ(ScanForRomName(source), expected);
  }
}

}  // namespace
