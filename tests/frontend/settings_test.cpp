#include "frontend/settings.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

namespace {

class Settings : public testing::Test {
 protected:
  // Reads orvane.ini holding `text` (empty: no file at all).
  FrontendSettings Read(const std::string& text) {
    if (!text.empty()) dir_.WriteFile("orvane.ini", text);
    FrontendSettings settings;
    GetSettings(dir_.path(), settings);
    return settings;
  }

  std::string P(const std::string& rest) const { return dir_.path() + rest; }

  TempDir dir_;
};

TEST_F(Settings, WithoutAFileEverySettingHasItsDefault) {
  const FrontendSettings s = Read("");
  EXPECT_EQ(s.FirstRun, 0);
  EXPECT_EQ(s.RescanOnStart, 0);
  EXPECT_EQ(s.ScanIfNotFound, 1);
  EXPECT_EQ(s.ShowCommandPrompt, 0);
  EXPECT_EQ(s.VPPath, P("/"));
  EXPECT_EQ(s.VPExe, "VPinball912.exe");
  EXPECT_EQ(s.TablePath, P("/tables/"));
  EXPECT_EQ(s.MAMEPath, "c:/mame/");
  EXPECT_EQ(s.MAMEExe, "mame.exe");
  EXPECT_EQ(s.SnapPath, "c:/mame/snap/");
  EXPECT_EQ(s.BackglassPath, "c:/mame/marquees/");
  EXPECT_EQ(s.CabPath, "c:/mame/cabinets/");
  EXPECT_EQ(s.FlyerPath, "c:/mame/flyers/");
  EXPECT_EQ(s.SnapPath2, P("/snap/"));
  EXPECT_EQ(s.BackglassPath2, P("/backglass/"));
  EXPECT_EQ(s.CabPath2, P("/cabinets/"));
  EXPECT_EQ(s.FlyerPath2, P("/flyers/"));
  EXPECT_EQ(s.BlurbPath, P("/blurb/"));
  EXPECT_EQ(s.RulesPath, P("/rules/"));
  EXPECT_EQ(s.DescPath, P("/description/"));
}

TEST_F(Settings, MissingArtFoldersFollowTheFoldersReadButEmptyLocalOnesTheProgramFolder) {
  const FrontendSettings s = Read(
      "[Other]\r\nCabPath2=\r\n[Dirs]\r\nVPPath=/vp/\r\nMAMEPath=d:\\emu\r\nSnapPath2=\r\n"
      "BackglassPath2=  \r\nBackglassPath=\r\nRulesPath=\r\n");
  EXPECT_EQ(s.VPPath, "/vp/");
  EXPECT_EQ(s.MAMEPath, "d:/emu");
  // Missing keys: derived from what was read, joined without a separator.
  EXPECT_EQ(s.SnapPath, "d:/emusnap/");
  EXPECT_EQ(s.CabPath2, "/vp/cabinets/");  // present, but in another section
  EXPECT_EQ(s.FlyerPath2, "/vp/flyers/");
  EXPECT_EQ(s.BlurbPath, "/vp/blurb/");
  EXPECT_EQ(s.DescPath, "/vp/description/");
  // Present and empty (blanks included): MAME folders as before, local ones the program's.
  EXPECT_EQ(s.SnapPath2, P("/snap/"));
  EXPECT_EQ(s.BackglassPath2, P("/backglass/"));
  EXPECT_EQ(s.BackglassPath, "d:/emumarquees/");
  EXPECT_EQ(s.RulesPath, P("/rules/"));
}

TEST_F(Settings, ArtFoldersAndTheVisualPinballFolderAloneAreProgramRelative) {
  const FrontendSettings s = Read(
      "[Dirs]\r\nBlurbPath=\\docs\\blurb\\\r\nTablePath=\\docs\\blurb\\\r\n"
      "MAMEPath=\\mame\\\r\nFlyerPath2=/abs/flyers/\r\nVPPath=\\vp\\\r\n");
  EXPECT_EQ(s.BlurbPath, P("/docs/blurb/"));
  EXPECT_EQ(s.TablePath, "/docs/blurb/");
  EXPECT_EQ(s.MAMEPath, "/mame/");
  // Derived from the raw "\mame\", the default is program-relative too.
  EXPECT_EQ(s.SnapPath, P("/mame/snap/"));
  EXPECT_EQ(s.FlyerPath2, "/abs/flyers/");
  // The runner would take VPPath's leading "\" as the program folder too; it is done here once.
  EXPECT_EQ(s.VPPath, P("/vp/"));
  EXPECT_EQ(s.SnapPath2, P("/vp/snap/"));
}

TEST_F(Settings, ValuesAreTrimmedAndNamesMatchInAnyCase) {
  const FrontendSettings s = Read(
      "[dirs]\r\nvpexe=  VPinball912.exe  \r\nTABLEPATH = /t/ \r\n[SETTINGS]\r\nfirstrun=1\r\n");
  EXPECT_EQ(s.VPExe, "VPinball912.exe");
  EXPECT_EQ(s.TablePath, "/t/");
  EXPECT_EQ(s.FirstRun, 1);
}

TEST_F(Settings, SwitchesAreNumbersAndANonNumberReadsAsItsDefault) {
  const FrontendSettings s = Read(
      "[Settings]\r\nFirstRun=\r\nRescanOnStart=2\r\nScanIfNotFound=abc\r\n"
      "ShowCommandPrompt=-1\r\n[Dirs]\r\nVPExe=vp-launcher.exe\r\n");
  EXPECT_EQ(s.FirstRun, 0);
  EXPECT_EQ(s.RescanOnStart, 2);
  EXPECT_EQ(s.ScanIfNotFound, 1);
  EXPECT_EQ(s.ShowCommandPrompt, -1);
  // The read went on past the bad switches.
  EXPECT_EQ(s.VPExe, "vp-launcher.exe");
  EXPECT_EQ(s.SnapPath2, P("/snap/"));
}

TEST_F(Settings, SwitchesRoundFractionsHalfToEvenAndRefuseWhatExceeds16Bits) {
  const FrontendSettings s = Read(
      "[Settings]\r\nFirstRun=0.6\r\nRescanOnStart=2.5\r\nScanIfNotFound=70000\r\n"
      "ShowCommandPrompt=+1\r\n");
  EXPECT_EQ(s.FirstRun, 1);
  EXPECT_EQ(s.RescanOnStart, 2);
  EXPECT_EQ(s.ScanIfNotFound, 1);
  EXPECT_EQ(s.ShowCommandPrompt, 1);
}

TEST_F(Settings, SecondReadReplacesEveryValue) {
  FrontendSettings s;
  s.RescanOnStart = 1;
  s.VPExe = "old.exe";
  dir_.WriteFile("orvane.ini", "[Settings]\r\nScanIfNotFound=0\r\n");
  GetSettings(dir_.path(), s);
  EXPECT_EQ(s.RescanOnStart, 0);
  EXPECT_EQ(s.ScanIfNotFound, 0);
  EXPECT_EQ(s.VPExe, "VPinball912.exe");
}

}  // namespace
