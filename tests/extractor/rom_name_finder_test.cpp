#include "extractor/rom_name_finder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "extractor/byte_source.h"
#include "support/temp_dir.h"

namespace {

struct ScriptCase {
  const char* what;
  std::string script;
  std::string expected;
};

// Scripts follow binary noise, as they sit inside a real table file; each ends the file, so
// the cases at the very end of a file are real.
std::string InFile(const std::string& script) {
  return std::string("\xD0\xCF\x11\xE0 binary\0\x01\x02 head ", 22) + script;
}

class RomNameScan : public testing::TestWithParam<ScriptCase> {};

TEST_P(RomNameScan, FindsTheNameTheScriptAssigns) {
  EXPECT_EQ(ScanForRomName(InFile(GetParam().script)), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, RomNameScan,
    testing::Values(
        ScriptCase{"literal with comment", "Controller.GameName = \"XYZ_L1\" ' the rom\r\n",
                   "xyz_l1"},
        ScriptCase{"constant assigned elsewhere",
                   "Const romVar = \"abc_l3\"\r\n.GameName = romVar\r\n", "abc_l3"},
        ScriptCase{"declaration before assignment",
                   "Dim romVar : romVar = \"abc_l3\"\r\n.GameName = romVar\r\n", "abc_l3"},
        ScriptCase{"lower-case-n token as fallback", "x.Gamename = \"abc_l3\"\r\n", "abc_l3"},
        ScriptCase{"all lower-case token", "x.gamename = \"abc_l3\"\r\n", "nf"},
        ScriptCase{"all upper-case token", "x.GAMENAME = \"abc_l3\"\r\n", "nf"},
        ScriptCase{"array through its first element",
                   "Const romVar = \"abc_l3\"\r\n.GameName = array(romVar, altVar)\r\nx = 1",
                   "abc_l3"},
        ScriptCase{"name assigned an array of literals",
                   "romVar = array(\"abc_l3\", \"x\")\r\n.GameName = romVar\r\n", "nf"},
        ScriptCase{"name assigned an array of names",
                   "altVar = \"abc_l3\"\r\nromVar = Array(altVar, b)\r\n.GameName = romVar\r\n",
                   "abc_l3"},
        ScriptCase{"name assigned a name is not followed",
                   "romVar = altVar\r\naltVar = \"abc_l3\"\r\n.GameName = romVar\r\n", "nf"},
        ScriptCase{"colon call after the name",
                   "romVar = \"abc_l3\"\r\n.GameName = romVar:.Run\r\n", "nf"},
        ScriptCase{"only the first token counts",
                   "' .GameName = \"old_l1\"\r\n.GameName = \"new_l2\"\r\n", "old_l1"},
        ScriptCase{"no token", "Sub Table1_Init\r\nEnd Sub\r\n", "nf"},
        ScriptCase{"tabs and line breaks flattened", ".GameName =\t\r\n  \"Tab_L1\"\r\n", "tab_l1"},
        ScriptCase{"name matched inside a longer identifier",
                   "myromVar = \"abc_l3\"\r\n.GameName = romVar\r\n", "abc_l3"},
        ScriptCase{"assignment beyond the 50-character window",
                   "romVar" + std::string(60, ' ') + "= \"abc_l3\"\r\n.GameName = romVar\r\n",
                   "nf"},
        ScriptCase{"token at the very end", "x.GameName", "nf"},
        ScriptCase{"token and equals at the very end", "x.GameName =", "nf"},
        ScriptCase{"unterminated literal at the end", ".GameName = \"abc", "abc"},
        ScriptCase{"empty literal", ".GameName = \"\"\r\n", "nf"},
        ScriptCase{"value of only array(", ".GameName = array(,x)\r\n", "nf"},
        ScriptCase{"array naming itself ends", "a = array(a, b)\r\n.GameName = a\r\n", "nf"},
        ScriptCase{"Windows-1252 letters lower-cased", ".GameName = \"\xC9T\xC9_L1\"\r\n",
                   "\xC3\xA9t\xC3\xA9_l1"}),
    [](const testing::TestParamInfo<ScriptCase>& info) {
      std::string name;
      for (const char c : std::string(info.param.what)) name += std::isalnum(c) ? c : '_';
      return name;
    });

TEST(RomNameScan, FindsMatchesAcrossTheFileWindows) {
  // The file source reads a few MiB at a time; a statement split across two windows and a
  // variable defined far before it must still be found.
  TempDir dir;
  std::string bytes = "romVar = \"far_l1\"\r\n";
  bytes += std::string((size_t{4} << 20) - bytes.size() - 4, 'x');
  bytes += ".GameName = romVar\r\n";
  const std::string path = dir.WriteFile("big.vpt", bytes);
  FileSource source;
  ASSERT_TRUE(source.Open(path));
  EXPECT_EQ(ScanForRomName(source), "far_l1");
}

TEST(RomNameScan, FileAndMemorySourcesAgree) {
  TempDir dir;
  const std::string bytes = InFile("Const cGameName = \"afm_113b\"\r\n.GameName = cGameName\r\n");
  FileSource source;
  ASSERT_TRUE(source.Open(dir.WriteFile("t.vpt", bytes)));
  EXPECT_EQ(ScanForRomName(source), "afm_113b");
  EXPECT_EQ(ScanForRomName(bytes), "afm_113b");
}

// A file of `size` bytes that differ from piece to piece.
std::string Numbered(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + (i * 7 + i / 13) % 26);
  return bytes;
}

TEST(PieceReader, GivesTheWholeFileInOrderReadAheadOrNot) {
  TempDir dir;
  constexpr size_t kPiece = 50, kHeadroom = 8;
  // Up to two pieces are read when asked for, longer files on a second thread.
  for (const size_t size :
       {size_t{0}, size_t{1}, size_t{50}, size_t{100}, size_t{101}, size_t{150}, size_t{4321}}) {
    const std::string bytes = Numbered(size);
    FileSource source;
    ASSERT_TRUE(source.Open(dir.WriteFile("f" + std::to_string(size), bytes)));
    PieceReader pieces(source, kPiece, kHeadroom);
    std::string seen;
    for (size_t length = kPiece; length == kPiece;) {
      char* const piece = pieces.Next(length);
      ASSERT_LE(length, kPiece);
      EXPECT_EQ(piece[length], '\0');
      seen.append(piece, length);
      std::fill_n(piece - kHeadroom, kHeadroom, 'h');  // the caller's room, free to write
    }
    EXPECT_TRUE(seen == bytes) << size << " bytes";
  }
}

TEST(PieceReader, LeftEarlyOrOnAShrinkingFileItEnds) {
  TempDir dir;
  const std::string path = dir.WriteFile("big.vpt", Numbered(size_t{8} << 20));
  {
    FileSource source;
    ASSERT_TRUE(source.Open(path));
    PieceReader pieces(source, 4096, 0);
    size_t length = 0;
    const char* const piece = pieces.Next(length);
    EXPECT_TRUE(std::string(piece, length) == Numbered(4096));
  }  // the reader ahead stops with the scan
  FileSource source;
  ASSERT_TRUE(source.Open(path));
  PieceReader pieces(source, 4096, 0);
  ASSERT_EQ(::truncate(path.c_str(), 10000), 0);
  size_t total = 0;
  for (size_t length = 4096; length == 4096; total += length) pieces.Next(length);
  // What was read ahead before the cut still counts; the rest is gone.
  EXPECT_GE(total, 10000u);
  EXPECT_LE(total, 10000u + 2 * 4096);
}

TEST(FindBytes, FoldedSearchMatchesEitherCase) {
  EXPECT_EQ(FindBytes("xx RomVAR = 1", "romvar", 0, true), 3u);
  EXPECT_EQ(FindBytes("xx RomVAR = 1", "romvar", 0, false), ByteSource::kNotFound);
  EXPECT_EQ(FindBytes("abab", "ab", 1, true), 2u);
  EXPECT_EQ(FindBytes("ab", "", 0, true), ByteSource::kNotFound);
}

}  // namespace
