// The command line, the settings and the small catalogue procedures of the driver.
#include <gtest/gtest.h>

#include "common/profile.h"
#include "common/profile_cache.h"
#include "extractor/catalogue.h"
#include "extractor/command_line.h"
#include "support/temp_dir.h"

namespace {

TEST(CommandLine, PathIsTheFirstNonOptionAndOptionsMayComeAnywhereInAnyCase) {
  const CommandLine line = ParseCommandLine({"-Clear", "/t/*.*", "-exit -hide", "-bogus -NoDocs"});
  EXPECT_EQ(line.path, "/t/*.*");
  EXPECT_TRUE(line.options.clear && line.options.hide && line.options.exit && line.options.nodocs);
  EXPECT_FALSE(line.options.txt || line.options.overwrite || line.options.noalias ||
               line.options.nopics || line.options.norename);
  EXPECT_TRUE(ParseCommandLine({"x.vpt", "-HIDE"}).options.exit);  // -hide implies -exit
  EXPECT_FALSE(ParseCommandLine({"x.vpt", "-EXIT"}).options.hide);
  const CommandLine others = ParseCommandLine({" a.vpt ", "b.vpt", "-norename", "-txt", ""});
  EXPECT_EQ(others.path, "a.vpt");  // a second non-option is no second path
  EXPECT_TRUE(others.options.norename && others.options.txt && !others.options.exit);
  EXPECT_TRUE(ParseCommandLine({}).empty);
  EXPECT_FALSE(ParseCommandLine({"-exit"}).empty);
  EXPECT_FALSE(ParseCommandLine({"-exit"}).has_path);
  for (const auto& [path, absolute] :
       std::vector<std::pair<std::string, std::string>>{{"tables/x.vpt", "/fe/tables/x.vpt"},
                                                        {"\\tables\\x.vpt", "/fe/tables/x.vpt"},
                                                        {"/d/t/*.*", "/d/t/*.*"},
                                                        {"", "/fe/"}}) {
    EXPECT_EQ(MakeTableArgAbsolute(path, "/fe"), absolute) << path;
  }
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
      {".vpt", ".vpt"},
  };
  ExtractorState state;
  for (const auto& [file, base] : rows) {
    MakeBaseName(state, file);
    EXPECT_EQ(state.ResultName, base) << file;
  }
  EXPECT_EQ(DropLastChars("abc\xC3\xA9.vpt", 4), "abc\xC3\xA9");
  EXPECT_EQ(DropLastChars("a\xC3\xA9", 1), "a");
  EXPECT_EQ(DropLastChars("ab", 4), "");
}

class Catalogue : public testing::Test {
 protected:
  Catalogue() { state_.program_folder = dir_.path(); }
  std::string Names() const { return dir_.ReadFile(kNamesIni); }
  void Store(const std::string& file_name, const std::string& value, bool is_vp) {
    std::string key = file_name;
    state_.ResultName = value;
    StoreName(state_, key, is_vp);
    EXPECT_EQ(key, DropLastChars(file_name, 4));
  }

  TempDir dir_;
  ExtractorState state_;
};

TEST_F(Catalogue, ReadsSettingsWithTheirDefaultsAndProgramRelativeFolders) {
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
  const auto expand = [this](std::string path) {
    return path.starts_with("$") ? dir_.path() + path.substr(1) : path;
  };
  for (const auto& row : rows) {
    dir_.WriteFile("tabrin.ini", row.ini);  // found whatever the case of its name
    ReadSettings(state_);
    EXPECT_EQ(state_.MAMEFolder, expand(row.mame_folder)) << row.ini;
    EXPECT_EQ(state_.MAMEProgram, row.program) << row.ini;
    EXPECT_EQ(state_.UsePinMAME, row.pinmame) << row.ini;
    EXPECT_EQ(state_.ArtFolder, expand(row.art_folder)) << row.ini;
  }
}

TEST_F(Catalogue, KeepsEntriesUnlessOverwritingAndAppliesAliasesUnlessTold) {
  Store("Night.vpt", "first", true);
  Store("Night.vpt", "second", true);
  EXPECT_EQ(state_.ResultName, "first");  // the stored value is what the run shows
  state_.options.overwrite = true;
  Store("Night.vpt", "third", true);
  EXPECT_EQ(ProfileRead("VP", "Night", dir_.Path(kNamesIni)), "third");
  ProfileWrite("PinMAME", "Night", "ntbl_l2", dir_.Path(kNamesIni));
  ProfileWrite("Alias", "ntbl_l2", "ntbl", dir_.Path(kAliasIni));
  EXPECT_EQ(LookupName(state_, "night", false), "ntbl");
  state_.options.noalias = true;
  EXPECT_EQ(LookupName(state_, "Night", false), "ntbl_l2");
  EXPECT_EQ(LookupName(state_, "Day", false), "");
}

TEST_F(Catalogue, HeldNamesReachTheFileTogetherAndKeepTheirRules) {
  ProfileWrite("VP", "Known", "Stored", dir_.Path(kNamesIni));
  state_.hold_name_writes = true;
  Store("Night.vpt", "ntbl_l2", false);
  Store("Night.vpt", "Night Table", true);
  Store("Known.vpt", "other", true);  // kept: the entry exists
  EXPECT_EQ(state_.ResultName, "Stored");
  EXPECT_EQ(ProfileRead("PinMAME", "Night", dir_.Path(kNamesIni)), "");  // held back so far
  ResetProfileCacheStats();
  WriteHeldNames(state_);
  WriteHeldNames(state_);  // nothing held: nothing written
  EXPECT_EQ(GetProfileCacheStats().rewrites, 1);
  EXPECT_FALSE(state_.hold_name_writes);
  EXPECT_EQ(Names(), "[VP]\r\nKnown=Stored\r\nNight=Night Table\r\n[PinMAME]\r\nNight=ntbl_l2\r\n");
  state_.ResultName = "x\xC3\xA9";
  WriteOutput(state_);
  EXPECT_EQ(dir_.ReadFile(kOutputTxt), "x\xE9\r\n");
}

}  // namespace
