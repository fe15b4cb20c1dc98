#include "extractor/catalogue.h"

#include <gtest/gtest.h>

#include "common/profile.h"
#include "common/profile_cache.h"
#include "support/temp_dir.h"

namespace {

class Catalogue : public testing::Test {
 protected:
  Catalogue() { state_.program_folder = dir_.path(); }
  std::string File(const char* name) const { return dir_.Path(name); }

  TempDir dir_;
  ExtractorState state_;
};

TEST_F(Catalogue, SettingsDefaultsAndProgramRelativeFolders) {
  ReadSettings(state_);
  EXPECT_EQ(state_.ArtFolder, dir_.path() + "/");
  EXPECT_EQ(state_.MAMEFolder, "");
  EXPECT_EQ(state_.MAMEProgram, "");
  EXPECT_EQ(state_.UsePinMAME, 0);

  dir_.WriteFile(
      "tabrin.ini",  // the file is found whatever the case of its name
      "[MAME]\r\nPath=\\emu\\\r\nExe= mame \r\nIsPinMAME=1.5x\r\n[VP]\r\nArtPath=art/\r\n");
  ReadSettings(state_);
  EXPECT_EQ(state_.MAMEFolder, dir_.path() + "/emu/");
  EXPECT_EQ(state_.MAMEProgram, "mame");
  EXPECT_EQ(state_.UsePinMAME, 2);
  EXPECT_EQ(state_.ArtFolder, dir_.path() + "/art/");

  dir_.WriteFile("tabrin.ini", "[MAME]\r\nPath=/opt/mame/\r\nIsPinMAME=yes\r\n");
  ReadSettings(state_);
  EXPECT_EQ(state_.MAMEFolder, "/opt/mame/");
  EXPECT_EQ(state_.UsePinMAME, 0);
}

TEST_F(Catalogue, LookupAppliesAliasesUnlessTold) {
  ProfileWrite("PinMAME", "Night Table", "ntbl_l2", File(kNamesIni));
  ProfileWrite("Alias", "ntbl_l2", "ntbl", File(kAliasIni));
  EXPECT_EQ(LookupName(state_, "night table", false), "ntbl");
  state_.options.noalias = true;
  EXPECT_EQ(LookupName(state_, "Night Table", false), "ntbl_l2");
  EXPECT_EQ(LookupName(state_, "Night Table", true), "");
}

TEST_F(Catalogue, StoreKeepsExistingEntriesUnlessOverwriting) {
  std::string key = "Night Table.vpt";
  state_.ResultName = "first";
  StoreName(state_, key, true);
  EXPECT_EQ(key, "Night Table");
  EXPECT_EQ(ProfileRead("VP", "Night Table", File(kNamesIni)), "first");

  key = "Night Table.vpt";
  state_.ResultName = "second";
  StoreName(state_, key, true);
  EXPECT_EQ(state_.ResultName, "first");  // the stored value is what the run shows
  EXPECT_EQ(ProfileRead("VP", "Night Table", File(kNamesIni)), "first");

  key = "Night Table.vpt";
  state_.ResultName = "third";
  state_.options.overwrite = true;
  StoreName(state_, key, true);
  EXPECT_EQ(ProfileRead("VP", "Night Table", File(kNamesIni)), "third");
}

TEST_F(Catalogue, HeldNamesReachTheFileTogetherAndKeepTheirRules) {
  ProfileWrite("VP", "Known", "Stored", File(kNamesIni));
  state_.hold_name_writes = true;
  std::string key = "Night.vpt";
  state_.ResultName = "ntbl_l2";
  StoreName(state_, key, false);
  key = "Night.vpt";
  state_.ResultName = "Night Table";
  StoreName(state_, key, true);
  key = "Known.vpt";
  state_.ResultName = "other";
  StoreName(state_, key, true);  // kept: the entry exists
  EXPECT_EQ(state_.ResultName, "Stored");
  EXPECT_EQ(ProfileRead("PinMAME", "Night", File(kNamesIni)), "");  // held back so far
  ResetProfileCacheStats();
  WriteHeldNames(state_);
  EXPECT_EQ(GetProfileCacheStats().rewrites, 1);
  EXPECT_FALSE(state_.hold_name_writes);
  EXPECT_TRUE(state_.held_name_writes.empty());
  EXPECT_EQ(dir_.ReadFile(kNamesIni),
            "[VP]\r\nKnown=Stored\r\nNight=Night Table\r\n"
            "[PinMAME]\r\nNight=ntbl_l2\r\n");
  // Nothing held: nothing written.
  WriteHeldNames(state_);
  EXPECT_EQ(GetProfileCacheStats().rewrites, 1);
}

TEST_F(Catalogue, OutputHoldsOneLine) {
  state_.ResultName = "x";
  WriteOutput(state_);
  EXPECT_EQ(dir_.ReadFile(kOutputTxt), "x\r\n");
}

}  // namespace
