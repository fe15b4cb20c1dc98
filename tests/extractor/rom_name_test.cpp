// The ROM-name scan: its rules on small scripts, and its one-pass file reading (pieces read
// ahead, an index of assignments, a search for the bytes worth a look) against the plain scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "common/codepage.h"
#include "extractor/assignment_index.h"
#include "extractor/byte_source.h"
#include "extractor/rom_name_finder.h"
#include "support/temp_dir.h"

namespace {

// The scan over memory, and over a file read in pieces of several sizes, which must agree.
std::string ScanEveryWay(const std::string& bytes) {
  static TempDir dir;
  const std::string expected = ScanForRomName(bytes);
  const std::string path = dir.WriteFile("t.vpt", bytes);
  for (const size_t piece : {size_t{9}, size_t{23}, size_t{100}, size_t{1} << 20}) {
    FileSource source;
    EXPECT_TRUE(source.Open(path));
    const std::string found = ScanForRomName(source, piece);
    if (found != expected) return "piece " + std::to_string(piece) + " gave " + found;
  }
  FileSource whole;  // streamed in windows, as when the one pass finds no index
  EXPECT_TRUE(whole.Open(path));
  const std::string streamed = ScanForRomName(static_cast<ByteSource&>(whole));
  return streamed == expected ? expected : "the streamed scan gave " + streamed;
}

TEST(RomNameScan, FindsTheNameTheScriptAssigns) {
  // Scripts follow binary bytes, as inside a table file, and each ends the file.
  const std::string head("\xD0\xCF\x11\xE0 binary\0\x01\x02 head ", 22);
  const std::string filler(5000, '\x01');
  const struct {
    const char* why;
    std::string script, rom;
  } rows[] = {
      {"literal, comment cut", "Controller.GameName = \"XYZ_L1\" ' the rom\r\n", "xyz_l1"},
      {"constant", "Const romVar = \"abc_l3\"\r\n.GameName = romVar\r\n", "abc_l3"},
      {"declared first", "Dim romVar : romVar = \"abc_l3\"\r\n.GameName = romVar\r\n", "abc_l3"},
      {"defined after the statement", filler + ".GameName = rv\r\n" + filler + "rv = \"z\"", "z"},
      {"lower-case n as fallback", "x.Gamename = \"abc_l3\"\r\n", "abc_l3"},
      {"other cases of the token", "x.gamename = \"a\"\r\nx.GAMENAME = \"b\"\r\n", "nf"},
      {"array's first element", "Const rv = \"abc_l3\"\r\n.GameName = array(rv, alt)", "abc_l3"},
      {"array of literals", "rv = array(\"abc_l3\", \"x\")\r\n.GameName = rv\r\n", "nf"},
      {"array of names", "alt = \"c_l1\"\r\nrv = Array(alt, b)\r\n.GameName = rv\r\n", "c_l1"},
      {"name to name not followed", "rv = alt\r\nalt = \"a\"\r\n.GameName = rv\r\n", "nf"},
      {"colon call after the name", "rv = \"abc_l3\"\r\n.GameName = rv:.Run\r\n", "nf"},
      {"only the first token", "' .GameName = \"old_l1\"\r\n.GameName = \"new\"\r\n", "old_l1"},
      {"no token", "Sub Table1_Init\r\nEnd Sub\r\n", "nf"},
      {"tabs and line breaks", ".GameName =\t\r\n  \"Tab_L1\"\r\n", "tab_l1"},
      {"inside a longer name", "myrv = \"abc_l3\"\r\n.GameName = rv\r\n", "abc_l3"},
      {"beyond 50 characters", "rv" + std::string(60, ' ') + "= \"x\"\r\n.GameName = rv", "nf"},
      {"token at the end", "x.GameName", "nf"},
      {"equals at the end", "x.GameName =", "nf"},
      {"unterminated literal", ".GameName = \"abc", "abc"},
      {"empty literal", ".GameName = \"\"\r\n", "nf"},
      {"only array(", ".GameName = array(,x)\r\n", "nf"},
      {"array naming itself", "a = array(a, b)\r\n.GameName = a\r\n", "nf"},
      {"Windows-1252 lower-cased", ".GameName = \"\xC9T\xC9_L1\"\r\n", "\xC3\xA9t\xC3\xA9_l1"},
      {"long unterminated literal", ".GameName = \"Ab" + std::string(2000, 'X') + "\r\n",
       "ab" + std::string(2000, 'x')}};
  for (const auto& row : rows) EXPECT_EQ(ScanEveryWay(head + row.script), row.rom) << row.why;
}

TEST(RomNameScan, EveryWayOfReadingTheFileAgreesOnRandomScripts) {
  // Pieces that stress the one pass: overlapping names, blanks of every kind around "=",
  // comments, arrays and runs of blanks near the look-ahead's end; "|" separates them.
  const std::string all =
      "rv|RV|myrv|alt|aa|a|abab|b| |\t|\r\n|=| = |\"|\"abc_l3\"|'|' c\r\n|array(|"
      "ARRAY( |, |)|:|Dim |.GameName|.Gamename|.GameName = rv|.GameName = aa\r\n|"
      ".GameName = array(alt, b)|" +
      std::string(48, ' ') + "|" + std::string(49, '\t') + "|" + std::string(3, '\0') + "\xE9\x80=";
  std::vector<std::string> pieces;
  for (size_t start = 0, bar; start <= all.size(); start = bar + 1) {
    bar = std::min(all.find('|', start), all.size());
    pieces.push_back(all.substr(start, bar - start));
  }
  std::mt19937 random(20240607);
  for (int i = 0; i < 300; ++i) {
    std::string script;
    for (size_t n = 1 + random() % 60; n > 0; --n) script += pieces[random() % pieces.size()];
    ASSERT_EQ(ScanEveryWay(script), ScanForRomName(script)) << testing::PrintToString(script);
  }
}

TEST(FindBytes, FoldedSearchFindsWhatAPlainSearchOfTheLowerCaseFinds) {
  const std::string run(20000, 'A');
  std::string aab;
  for (int i = 0; i < 7000; ++i) aab += "AAB";
  const std::string a40(40, 'a');
  const struct {
    std::string haystack, needle;
    size_t from;
  } rows[] = {
      {"xx RomVAR = 1", "romvar", 0},
      {"abab", "ab", 1},
      {"ab", "ab", 2},
      {run + "AAB" + run, a40 + "ba", 0},  // repeated bytes: the linear search takes over
      {run + "BA", a40 + "ba", 0},
      {aab + "BA", Cp1252ToLower(aab.substr(0, 30)) + "ba", 0},
      {std::string(5000, '\0') + "x" + std::string(9, '\0'), std::string(37, '\0') + "x", 0},
      {run + "\xC0"
             "A",
       std::string(30, 'a') + "\xE0"
                              "a",
       0}};
  for (const auto& row : rows) {
    const size_t plain = Cp1252ToLower(row.haystack).find(row.needle, row.from);
    EXPECT_EQ(FindBytes(row.haystack, row.needle, row.from, true),
              plain == std::string::npos ? ByteSource::kNotFound : plain)
        << row.needle.size() << "-byte needle";
  }
  EXPECT_EQ(FindBytes("xx RomVAR", "romvar", 0, false), ByteSource::kNotFound);
  EXPECT_EQ(FindBytes("ab", "", 0, true), ByteSource::kNotFound);
}

TEST(AssignmentIndex, CoversOnlyNamesWhoseEveryOccurrenceItSaw) {
  const AssignmentIndex index;
  const std::string longest = std::string(AssignmentIndex::kMaxName - 1, 'x') + "y";
  for (const std::string& name :
       {std::string("cgamename"), std::string("x"), std::string("rom=val"), longest}) {
    EXPECT_TRUE(index.Covers(name)) << name;
  }
  // Empty, overlapping itself ("rom=varom=var" holds two), ending in a blank, too long.
  for (const std::string& name : {std::string(""), std::string("rom=var"), std::string("aa"),
                                  std::string("abcab"), std::string("x "), longest + "z"}) {
    EXPECT_FALSE(index.Covers(name)) << name;
  }
  AssignmentIndex full;
  std::string bytes;
  while (bytes.size() < (size_t{24} << 20)) bytes += "x=\"";
  for (size_t at = 1; at < bytes.size(); at += 3) full.Consider(at, bytes, 0);
  EXPECT_FALSE(full.Covers("x"));  // gave up rather than grow without bound
}

}  // namespace
