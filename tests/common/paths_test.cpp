// Code pages, case-insensitive paths and the folder listings behind them.
#include "common/paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "common/codepage.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Cases = std::vector<std::pair<std::string, std::string>>;

TEST(Codepage, ConvertsBetweenUtf8Windows1252AndUtf16) {
  for (int byte = 0; byte < 256; ++byte) {
    const std::string one(1, static_cast<char>(byte));
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << "byte " << byte;
  }
  EXPECT_EQ(Cp1252ToUtf8("\x80\xE9\x9F\x81"), "€éŸ\xC2\x81");
  const Cases to_cp1252 = {
      {"Café 5€ ½ “q” …", "Caf\xE9 5\x80 \xBD \x93q\x94 \x85"},
      {"Ω and 😀", "? and ?"},  // outside the code page
      {"\xC2\x80", "?"},       // U+0080 has no byte: 0x80 is the euro sign
      {"a\xFF"
       "b",
       "a?b"},  // never valid in UTF-8
      {"a\xE2\x82"
       "b",
       "a??b"},                      // cut short
      {"\xC0\xAF", "??"},            // overlong "/"
      {"\xED\xA0\x80", "???"},       // a surrogate
      {"\xF4\x90\x80\x80", "????"},  // past U+10FFFF
  };
  for (const auto& [utf8, bytes] : to_cp1252) EXPECT_EQ(Utf8ToCp1252(utf8), bytes) << utf8;
  const Cases lower = {{"AZaz@[`{", "azaz@[`{"},
                       {"\xC0\xC9\xDE", "\xE0\xE9\xFE"},           // À É Þ
                       {"\xD7\xDF\xE9", "\xD7\xDF\xE9"},           // × ß é stay
                       {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"}};  // Š Œ Ž Ÿ
  for (const auto& [text, lowered] : lower) EXPECT_EQ(Cp1252ToLower(text), lowered);
  const Cases utf16 = {
      {std::string("A\0\xE9\0\xAC\x20", 6), "Aé€"},
      {std::string("A\0B", 3), "A"},                                     // odd last byte dropped
      {std::string("\xFF\xFEZ\0", 4), "\xEF\xBB\xBFZ"},                  // byte-order mark kept
      {std::string("\x3D\xD8\x00\xDE", 4), "😀"},                         // surrogate pair
      {std::string("\x3D\xD8Z\0", 4), "\xEF\xBF\xBDZ"},                  // high surrogate alone
      {std::string("\x00\xDE\x3D\xD8", 4), "\xEF\xBF\xBD\xEF\xBF\xBD"},  // reversed pair
  };
  for (const auto& [bytes, utf8] : utf16) EXPECT_EQ(Utf16LeToUtf8(bytes), utf8);
  // A high surrogate that ends the text is alone, whatever bytes lie after the text.
  EXPECT_EQ(Utf16LeToUtf8(std::string_view("\x3D\xD8\x00\xDC", 2)), "\xEF\xBF\xBD");
}

TEST(Paths, NamesMatchInAnyCaseTheFirstSpellingInByteOrder) {
  TempDir dir;
  dir.WriteFile("Art/Snap/Alpha.PNG", "a");
  dir.WriteFile("Art/Snap/delta.txt", "d");
  dir.WriteFile("Art/Snap/Delta.txt", "D");
  dir.WriteFile("Art/Snap/.hidden", "h");
  dir.MakeDir("Art/Snap/Folder.png");
  const std::string art = dir.Path("Art/Snap/");
  const Cases existing = {{"art/snap/alpha.png", art + "Alpha.PNG"},
                          {"ART/SNAP/DELTA.TXT", art + "Delta.txt"},
                          {"Art/Snap/delta.txt", art + "delta.txt"},
                          {"art/snap/beta.png", ""},
                          {"art/nothing/alpha.png", ""}};
  for (const auto& [path, found] : existing) {
    EXPECT_EQ(FindExistingPath(dir.Path(path)), found) << path;
  }
  EXPECT_EQ(PathForCreate(dir.Path("art/snap/ALPHA.png")), art + "Alpha.PNG");
  EXPECT_EQ(PathForCreate(dir.Path("art/new/x.png")), dir.Path("Art/new/x.png"));
  EXPECT_TRUE(OrdinaryFileExists(dir.Path("art/snap/alpha.png")));
  EXPECT_FALSE(OrdinaryFileExists(dir.Path("art/snap/.HIDDEN")));
  EXPECT_FALSE(OrdinaryFileExists(dir.Path("art/snap/folder.png")));
  EXPECT_TRUE(FolderExists(dir.Path("ART/snap")));
  EXPECT_FALSE(FolderExists(art + "Alpha.PNG"));
  EXPECT_EQ(ListFiles(dir.Path("art/SNAP"), "*.PNG"), std::vector<std::string>{"Alpha.PNG"});
  EXPECT_EQ(ListFiles(art, "*.*"),
            (std::vector<std::string>{"Alpha.PNG", "Delta.txt", "delta.txt"}));
  EXPECT_EQ(DirLookup(art + "*.txt"), "Delta.txt");
  EXPECT_EQ(DirLookup(art + "ALPHA.png"), "Alpha.PNG");
  EXPECT_EQ(DirLookup(art + "*.jpg"), "");
}

TEST(Paths, WildcardsAndProgramRelativeFoldersFollowTheClassicRules) {
  const std::vector<std::tuple<std::string, std::string, bool>> wildcards = {
      {"*.vpt", "Night.VPT", true},
      {"*.vpt", "night.vpx", false},
      {"*.*", "a.b", true},
      {"t?.vpt", "tx.vpt", true},
      {"t?.vpt", "t.vpt", false},
      {"*a*b", "xaxxb", true},
      {"*a*b", "xaxxbc", false},
      {"", "", true},
      {"", "x", false}};
  for (const auto& [pattern, name, matches] : wildcards) {
    EXPECT_EQ(WildcardMatch(pattern, name), matches) << pattern << " " << name;
  }
  const Cases relative = {
      {"", ""}, {"/abs/olute", "/abs/olute"}, {"\\art\\", "/fe/art/"}, {"art\\x", "/fe/art/x"}};
  for (const auto& [value, resolved] : relative) {
    EXPECT_EQ(ResolveProgramRelative(value, "/fe"), resolved) << value;
  }
  EXPECT_EQ(FileNameOf("/a/b.vpt"), "b.vpt");
  EXPECT_EQ(FileNameOf("b.vpt"), "b.vpt");
}

TEST(Paths, FolderListingsFollowEveryChange) {
  TempDir dir;
  const std::string folder = dir.MakeDir("Art");
  dir.WriteFile("Art/Alpha.txt", "a");
  EXPECT_EQ(FindExistingPath(folder + "/alpha.TXT"), folder + "/Alpha.txt");
  dir.WriteFile("Art/BETA.txt", "b");  // created, renamed and removed after the first look
  EXPECT_EQ(FindExistingPath(folder + "/beta.txt"), folder + "/BETA.txt");
  fs::rename(folder + "/BETA.txt", folder + "/Gamma.txt");
  EXPECT_EQ(FindExistingPath(folder + "/beta.txt"), "");
  EXPECT_EQ(FindExistingPath(folder + "/GAMMA.TXT"), folder + "/Gamma.txt");
  fs::remove(folder + "/Alpha.txt");
  EXPECT_EQ(FindExistingPath(folder + "/alpha.txt"), "");
  // A folder made again, or another moved into its place, is read again.
  fs::remove_all(folder);
  dir.WriteFile("other/Moved.png", "m");
  fs::rename(dir.Path("other"), folder);
  EXPECT_EQ(FindExistingPath(folder + "/moved.PNG"), folder + "/Moved.png");
  EXPECT_EQ(FindExistingPath(folder + "/gamma.txt"), "");
  // More folders than are kept listed, and thousands of changes between two lookups.
  for (int i = 0; i < 40; ++i) {
    dir.WriteFile("f" + std::to_string(i) + "/File.txt", "x");
    EXPECT_EQ(FindExistingPath(dir.Path("f" + std::to_string(i) + "/file.TXT")),
              dir.Path("f" + std::to_string(i) + "/File.txt"));
  }
  for (int i = 0; i < 3000; ++i) dir.WriteFile("Art/N" + std::to_string(i) + ".txt", "");
  for (int i = 0; i < 3000; i += 2) fs::remove(folder + "/N" + std::to_string(i) + ".txt");
  EXPECT_EQ(FindExistingPath(folder + "/n2998.txt"), "");
  EXPECT_EQ(FindExistingPath(folder + "/n2999.txt"), folder + "/N2999.txt");
}

}  // namespace
