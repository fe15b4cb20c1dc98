#include "frontend/info_text.h"

#include <gtest/gtest.h>

#include <QString>
#include <string>

#include "support/temp_dir.h"

namespace {

const std::string kDashes = "-----------------------------------";

// The UTF-16LE bytes of a text, without a byte-order mark, as the extractor writes documents.
std::string Utf16Le(const std::string& utf8) {
  std::string bytes;
  for (const char16_t unit : QString::fromStdString(utf8).toStdU16String()) {
    bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  }
  return bytes;
}

std::string Rows(std::initializer_list<std::string> rows) {
  std::string text;
  for (const std::string& row : rows) text += (text.empty() ? "" : "\r\n") + row;
  return text;
}

class InfoTextTest : public testing::Test {
 protected:
  InfoTextTest() {
    settings_.BlurbPath = dir_.Path("blurb/");
    settings_.RulesPath = dir_.Path("rules/");
    settings_.DescPath = dir_.Path("description/");
  }

  void WriteInfoIni(const std::string& tabrin, const std::string& pminfo) {
    dir_.WriteFile("info.ini", "[Tabrin]\r\n" + tabrin + "\r\n[PMInfo]\r\n" + pminfo + "\r\n");
  }

  std::string Build(const std::string& vp_name) {
    return GetInfoText(vp_name, dir_.path(), settings_, state_);
  }

  TempDir dir_;
  FrontendSettings settings_;
  WindowState state_;
};

TEST_F(InfoTextTest, PinmameTableShowsEveryBlockAndLoadsItsTexts) {
  WriteInfoIni("Night Table=Night Table|Ann|1.2|2001-02-03|ann@example.com|example.com",
               "ntbl_l2=Night Table (L-2)|1987|Williams|ntbl_l1");
  dir_.WriteFile("blurb/Night Table.txt", Utf16Le("Two\r\nlines é"));
  const std::string rules = dir_.WriteFile("rules/Night Table.txt", Utf16Le("Hit the ramp."));
  const std::string desc = dir_.WriteFile("description/Night Table.txt", Utf16Le("A table."));
  state_ = {.RomName = "ntbl_l2", .BaseName = "Night Table"};

  EXPECT_EQ(Build("Night Table.vpt"), Rows({"File Info:",
                                            kDashes,
                                            "Vpt Name: Night Table.vpt",
                                            "Table Type:  PinMAME",
                                            "Rom Name:  ntbl_l2",
                                            "",
                                            "Visual Pinball Info:",
                                            kDashes,
                                            "Table Name:  Night Table",
                                            "Author:  Ann",
                                            "Version:  1.2",
                                            "Release Date: 2001-02-03",
                                            "Email:  ann@example.com",
                                            "Website:  example.com",
                                            "Blurb:  Two",
                                            "lines é",
                                            "",
                                            "MAME Info:",
                                            kDashes,
                                            "Name:  Night Table (L-2)",
                                            "Manufacturer:  Williams",
                                            "Year:  1987",
                                            "Parent Rom:  ntbl_l1"}));
  EXPECT_EQ(state_.TableName, "Night Table");
  EXPECT_EQ(state_.RulesText, "Hit the ramp.");
  EXPECT_EQ(state_.RulesFile, rules);
  EXPECT_EQ(state_.DescText, "A table.");
  EXPECT_EQ(state_.DescFile, desc);
  EXPECT_EQ(state_.PMParent, "ntbl_l1");
}

TEST_F(InfoTextTest, UncataloguedTableShowsTheFileBlockAndClearsTheLastTablesTexts) {
  state_ = {.RomName = "My Table",
            .BaseName = "My Table",
            .VPOnly = 1,
            .PMName = "Old",
            .PMParent = "old",
            .TableName = "Old",
            .RulesText = "r",
            .DescFile = "d",
            .SnapFile = "s",
            .FlyerFile = "f"};

  EXPECT_EQ(Build("My Table.vpt"), Rows({"File Info:", kDashes, "Vpt Name: My Table.vpt",
                                         "Table Type:  Visual Pinball", "Base Name:  My Table"}));
  EXPECT_EQ(state_.PMParent + state_.TableName + state_.RulesText + state_.DescFile +
                state_.SnapFile + state_.FlyerFile,
            "");
  EXPECT_EQ(state_.PMName, "Old");  // changes only when a game entry is found
}

TEST_F(InfoTextTest, AliasKeysTheGameEntryAndStandsInForAnEmptyParent) {
  WriteInfoIni("", "abc=Under Rom|1980|Gottlieb|abc\r\nxyz=Under Alias|1981|Stern|");
  state_ = {.RomName = "abc", .RomAlias = "xyz"};
  EXPECT_EQ(Build("T.vpt"),
            Rows({"File Info:", kDashes, "Vpt Name: T.vpt", "Table Type:  PinMAME",
                  "Rom Name:  abc", "Alias:  xyz", "", "MAME Info:", kDashes, "Name:  Under Alias",
                  "Manufacturer:  Stern", "Year:  1981", "Parent Rom:  xyz"}));

  WriteInfoIni("", "abc=Plain|1980|Gottlieb|");
  state_ = {.RomName = "abc", .VPOnly = 1};
  const std::string text = Build("T.vpt");
  EXPECT_NE(text.find("\r\nExtended Info:\r\n"), std::string::npos);
  EXPECT_TRUE(text.ends_with("\r\nParent Rom:  ")) << text;
}

TEST_F(InfoTextTest, MalformedEntriesEndTheTextWhereTheyAreMet) {
  WriteInfoIni("Five=Five|a|b|c|d", "abc=Game|1990|Williams|abc");
  dir_.WriteFile("rules/Five.txt", Utf16Le("rules"));
  state_ = {.RomName = "abc", .BaseName = "Five", .RomAlias = "xyz", .PMName = "Old"};
  EXPECT_TRUE(Build("Five.vpt").ends_with("\r\nAlias:  xyz"));
  EXPECT_EQ(state_.TableName + state_.RulesText, "");
  EXPECT_EQ(state_.PMName, "Old");

  WriteInfoIni("", "abc=Two Fields|1991");
  state_ = {.RomName = "abc", .PMManufacturer = "Old Maker"};
  EXPECT_TRUE(Build("T.vpt").ends_with("\r\nRom Name:  abc"));
  EXPECT_EQ(state_.PMName, "Two Fields");
  EXPECT_EQ(state_.PMYear, "1991");
  EXPECT_EQ(state_.PMManufacturer, "Old Maker");
}

TEST_F(InfoTextTest, TextFilesAreNamedAfterTheTableNameWithoutColons) {
  WriteInfoIni("Base=Star:Trek: TNG|a|v|d|e|w", "");
  const std::string rules = dir_.WriteFile("rules/STARTREK TNG.TXT", Utf16Le("Rules"));
  state_ = {.RomName = "Base", .BaseName = "Base", .VPOnly = 1};

  EXPECT_TRUE(Build("Base.vpt")
                  .ends_with("\r\nTable Name:  Star:Trek: TNG\r\nAuthor:  a\r\n"
                             "Version:  v\r\nRelease Date: d\r\nEmail:  e\r\n"
                             "Website:  w"));
  EXPECT_EQ(state_.RulesText, "Rules");
  EXPECT_EQ(state_.RulesFile, rules);  // spelt as on disk, so it can be opened
}

TEST(InfoTextFile, DecodesUtf16LeKeepingTheByteOrderMarkAndDroppingAnOddByte) {
  TempDir dir;
  EXPECT_EQ(GetTextFile(dir.WriteFile("bom.txt", "\xFF\xFE" + Utf16Le("Hi"))), "\xEF\xBB\xBFHi");
  EXPECT_EQ(GetTextFile(dir.WriteFile("odd.txt", Utf16Le("Ok") + "!")), "Ok");
  EXPECT_EQ(GetTextFile(dir.Path("missing.txt")), "");
  // One byte per character is not converted: "Rules" reads as two other characters.
  EXPECT_EQ(GetTextFile(dir.WriteFile("ansi.txt", "Rules")), "\xE7\x95\x92\xE6\x95\xAC");
}

}  // namespace
