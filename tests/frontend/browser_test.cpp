#include "frontend/browser.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/profile.h"
#include "common/profile_cache.h"
#include "support/temp_dir.h"

namespace {

struct ExtractorRun {
  std::string folder;
  std::string program;
  std::string arguments;
};

class Browser : public testing::Test {
 protected:
  Browser() { settings_.ScanIfNotFound = 1; }

  void Names(const std::string& section, const std::string& key, const std::string& value) {
    ProfileWrite(section, key, value, dir_.Path("names.ini"));
  }
  void Alias(const std::string& key, const std::string& value) {
    ProfileWrite("Alias", key, value, dir_.Path("alias.ini"));
  }

  // ReadIni on `vp_name` of the folder /tables, with a stand-in extractor that records its
  // runs and then does `effect`.
  void Read(const std::string& vp_name, const std::function<void()>& effect = nullptr) {
    ReadIni(vp_name, "/tables", dir_.path(), settings_, state_,
            [&](std::string& folder, const std::string& program, const std::string& arguments) {
              runs_.push_back({folder, program, arguments});
              if (effect) effect();
            });
  }

  TempDir dir_;
  FrontendSettings settings_;
  WindowState state_;
  std::vector<ExtractorRun> runs_;
};

TEST_F(Browser, APinMameTableGoesByItsRomNameAndItsAliasIsKeyedByIt) {
  Names("VP", "Night Table", "Night Table Deluxe");
  Names("PinMAME", "Night Table", "ntbl_l2");
  Alias("ntbl_l2", "ntbl");
  Alias("Night Table Deluxe", "wrong");
  Read("Night Table.vpt");
  EXPECT_EQ(state_.RomName, "ntbl_l2");
  EXPECT_EQ(state_.BaseName, "Night Table Deluxe");
  EXPECT_EQ(state_.VPOnly, 0);
  EXPECT_EQ(state_.RomAlias, "ntbl");
  EXPECT_TRUE(runs_.empty());
}

TEST_F(Browser, APlainTableGoesByItsBaseNameEverywhere) {
  Names("VP", "My_Table", "My Table");
  Alias("My Table", "mine");
  Read("My_Table.VPT");
  EXPECT_EQ(state_.RomName, "My Table");
  EXPECT_EQ(state_.BaseName, "My Table");
  EXPECT_EQ(state_.VPOnly, 1);
  EXPECT_EQ(state_.RomAlias, "mine");
}

TEST_F(Browser, AnUnknownTableIsScannedOnceWithItsQuotedPath) {
  Names("PinMAME", "Night Table", "ntbl_l2");  // no base name yet
  Read("Night Table.vpt", [&] { Names("VP", "Night Table", "Night Table Deluxe"); });
  ASSERT_EQ(runs_.size(), 1u);
  EXPECT_EQ(runs_[0].folder, dir_.path() + "/");
  EXPECT_EQ(runs_[0].program, "tabrin");
  EXPECT_EQ(runs_[0].arguments, "\"/tables/Night Table.vpt\" -exit -hide");
  // Read again after the run.
  EXPECT_EQ(state_.BaseName, "Night Table Deluxe");
  EXPECT_EQ(state_.RomName, "ntbl_l2");
}

TEST_F(Browser, OnlyScanIfNotFoundExactlyOneScans) {
  for (const int16_t value : {0, -1, 2}) {
    settings_.ScanIfNotFound = value;
    Read("Ghost.vpt");
  }
  EXPECT_TRUE(runs_.empty());
  EXPECT_FALSE(NeedsScan(settings_, state_));
}

TEST_F(Browser, CatalogueReadsForManyTablesParseEachFileOnce) {
  std::string vp = "[VP]\r\n";
  std::string pinmame = "[PinMAME]\r\n";
  for (int i = 0; i < 300; ++i) {
    vp += "T" + std::to_string(i) + "=Table " + std::to_string(i) + "\r\n";
    pinmame += "T" + std::to_string(i) + "=rom" + std::to_string(i) + "\r\n";
  }
  dir_.WriteFile("names.ini", vp + pinmame);
  Alias("rom7", "seven");
  ClearProfileCache();
  ResetProfileCacheStats();
  for (int i = 0; i < 300; ++i) Read("T" + std::to_string(i) + ".vpt");
  EXPECT_LE(GetProfileCacheStats().parses, 2);  // names.ini and alias.ini
  EXPECT_EQ(state_.RomName, "rom299");
}

TEST(NameList, AGameNameComesBeforeTheAliasAndTheTableNameOnlyInItsView) {
  WindowState s;
  s.RomName = "rom";
  s.RomAlias = "alias";
  s.PMName = "Game";
  s.TableName = "Table";
  EXPECT_EQ(NameListText(1, s), "Game");
  EXPECT_EQ(NameListText(2, s), "Table");
}

TEST(Launch, LauncherModeByTheFirstFourLettersOfTheProgram) {
  EXPECT_TRUE(IsLauncher("VP-Launcher.exe"));
  EXPECT_TRUE(IsLauncher("vP-L"));
  EXPECT_FALSE(IsLauncher("VPinball912.exe"));
  EXPECT_FALSE(IsLauncher("vp-"));
  EXPECT_FALSE(IsLauncher("/x/vp-launcher"));
}

TEST(Launch, ArgumentsJoinFolderAndFileWithoutASeparator) {
  EXPECT_EQ(LaunchArguments(false, "/vp/tables", "x.vpt"), "-play -\"/vp/tablesx.vpt\"");
  EXPECT_EQ(LaunchArguments(true, "/vp/tables", "x.vpt"), "\"/vp/tablesx.vpt\"");
}

}  // namespace
