// The command line, the settings and the base-name rule of the driver.
#include <gtest/gtest.h>

#include "extractor/catalogue.h"
#include "extractor/command_line.h"
#include "support/temp_dir.h"

namespace {

TEST(CommandLine, PathIsTheFirstNonOptionAndOptionsMayComeAnywhereInAnyCase) {
  const CommandLine line =
      ParseCommandLine({"-Clear", " /t/*.* ", "-exit -hide", "-bogus -NoDocs"});
  EXPECT_EQ(line.path, "/t/*.*");
  EXPECT_TRUE(line.options.clear && line.options.hide && line.options.exit && line.options.nodocs);
  EXPECT_FALSE(line.options.txt || line.options.overwrite || line.options.noalias ||
               line.options.nopics || line.options.norename);
  const CommandLine others = ParseCommandLine({"a.vpt", "b.vpt", "-norename", "-TXT", ""});
  EXPECT_EQ(others.path, "a.vpt");  // a second non-option is no second path
  EXPECT_TRUE(others.options.norename && others.options.txt && !others.options.exit);
  EXPECT_FALSE(ParseCommandLine({"x.vpt", "-EXIT"}).options.hide);
  EXPECT_FALSE(ParseCommandLine({"-exit"}).empty || ParseCommandLine({"-exit"}).has_path);
  EXPECT_EQ(MakeTableArgAbsolute("", "/fe"), "/fe/");
}

TEST(BaseName, FollowsTheSeparatorRulesCountingCharactersNotBytes) {
  const std::pair<std::string, std::string> rows[] = {
      {"Night_Table_VP91x.vpt", "Night Table"},
      {"Space Ranger (1978) [r2].vpt", "Space Ranger"},
      {"Night Table 2.5.vpt", "Night Table 2"},
      {"(New) Table.vpt", "(New) Table"},
      {"Big Show VP9 mod.vpt", "Big Show"},
      {"Caf\xC3\xA9 (2001).vpt", "Caf\xC3\xA9"},
      {" [x] Odd_ .vpt", "[x] Odd"},
      {"ab\xC3\xA9.vpt", "ab\xC3\xA9"},
      {".vpt", ".vpt"}};
  ExtractorState state;
  for (const auto& [file, base] : rows) {
    MakeBaseName(state, file);
    EXPECT_EQ(state.ResultName, base) << file;
  }
}

TEST(Settings, FoldersArePutInTheProgramFolderAndTheSwitchIsANumber) {
  // "$" stands for the program folder.
  const struct {
    std::string ini, mame_folder, program, art_folder;
    int pinmame;
  } rows[] = {
      {"", "", "", "$/", 0},
      {"[MAME]\r\nPath=\\emu\\\r\nExe= mame \r\nIsPinMAME=1.5x\r\n[VP]\r\nArtPath=art/\r\n",
       "$/emu/", "mame", "$/art/", 2},
      {"[MAME]\r\nPath=/opt/mame/\r\nIsPinMAME=yes\r\n", "/opt/mame/", "", "$/", 0},
      {"[MAME]\r\nIsPinMAME= -2.5\r\n[VP]\r\nArtPath=/art/\r\n", "", "", "/art/", -2},
      {"[MAME]\r\nIsPinMAME=99999\r\n", "", "", "$/", 32767},
      {"[MAME]\r\nIsPinMAME=+2.5e3\r\n", "", "", "$/", 2},  // no exponent
  };
  TempDir dir;
  ExtractorState state;
  state.program_folder = dir.path();
  const auto expand = [&dir](const std::string& path) {
    return path.starts_with("$") ? dir.path() + path.substr(1) : path;
  };
  for (const auto& row : rows) {
    dir.WriteFile("tabrin.ini", row.ini);  // found whatever the case of its name
    ReadSettings(state);
    EXPECT_EQ(state.MAMEFolder, expand(row.mame_folder)) << row.ini;
    EXPECT_EQ(state.MAMEProgram, row.program) << row.ini;
    EXPECT_EQ(state.UsePinMAME, row.pinmame) << row.ini;
    EXPECT_EQ(state.ArtFolder, expand(row.art_folder)) << row.ini;
  }
}

}  // namespace
