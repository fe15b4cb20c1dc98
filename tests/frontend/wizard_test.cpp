#include "frontend/wizard.h"

#include <gtest/gtest.h>

#include <QDir>
#include <string>
#include <vector>

#include "common/profile.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace {

constexpr char kTitle[] = "First Run Wizard";
constexpr char kVpFolder[] =
    "Type the Path to your Visual Pinball folder.  (Full path please, and end with a /)";
constexpr char kVpExe[] =
    "Type the Name of your Visual Pinball exe or to your Visual Pinball wrapper.";
constexpr char kTables[] = "Type the Path to your Visual Pinball tables.";
constexpr char kMameFolder[] =
    "Type the Path to your MAME folder.  (Full path please, and end with a /)";
constexpr char kMameExe[] = "Type the Name of your MAME exe.";

// Typed answers per question (each one shown after the one before was refused) and buttons.
struct Answers {
  std::vector<std::string> vp_folder, vp_exe{"VPinball912.exe"}, tables, mame_folder,
      mame_exe{"mame.exe"}, artwork;
  MessageResult setup_mame = MessageResult::kYes, use_mame = MessageResult::kYes,
                artwork_each = MessageResult::kNo, command_line = MessageResult::kYes,
                scan = MessageResult::kOk;
};

class Wizard : public testing::Test, public WizardHost {
 protected:
  Wizard() {
    dir_.WriteFile("vp/VPinball912.exe", "");
    dir_.MakeDir("vp/tables");
    dir_.WriteFile("mame/mame.exe", "");
    answers_.vp_folder = {P("/vp/")};
    answers_.tables = {P("/vp/tables/")};
    answers_.mame_folder = {P("/mame/")};
    settings_.MAMEPath = "/before/";
  }

  void PointFile1At(const std::string& folder) override { file1_.push_back(folder); }
  void Rescan() override {
    boxes_at_rescan_.push_back(dialogs_.shown().size());
    first_run_at_rescan_ = Orvane("Settings", "FirstRun");
  }

  void Run() {
    const auto type = [&](const std::vector<std::string>& texts) {
      for (const std::string& text : texts) dialogs_.Type(text);
    };
    dialogs_.Press(MessageResult::kOk);
    type(answers_.vp_folder);
    type(answers_.vp_exe);
    type(answers_.tables);
    dialogs_.Press(answers_.setup_mame);
    if (answers_.setup_mame == MessageResult::kYes) {
      dialogs_.Press(answers_.use_mame);
      type(answers_.mame_folder);
      type(answers_.mame_exe);
    }
    dialogs_.Press(answers_.artwork_each);
    type(answers_.artwork);
    dialogs_.Press(answers_.command_line).Press(answers_.scan).Press(MessageResult::kOk);
    FirstRun(dir_.path(), settings_, dialogs_, *this);
    EXPECT_EQ(dialogs_.remaining(), 0u);
  }

  // The input boxes shown, as prompt and default.
  std::vector<std::string> Inputs() const {
    std::vector<std::string> inputs;
    for (const ShownBox& box : dialogs_.shown()) {
      if (box.is_input) inputs.push_back(box.text + " [" + box.default_text + "]");
    }
    return inputs;
  }

  std::string P(const std::string& rest) const { return dir_.path() + rest; }
  std::string Orvane(const char* section, const char* key) const {
    return ProfileRead(section, key, P("/orvane.ini"));
  }
  std::string Tabrin(const char* key) const { return ProfileRead("MAME", key, P("/tabrin.ini")); }

  TempDir dir_;
  Answers answers_;
  FrontendSettings settings_;
  ScriptedDialogs dialogs_;
  std::vector<std::string> file1_;
  std::vector<size_t> boxes_at_rescan_;
  std::string first_run_at_rescan_;
};

TEST_F(Wizard, AsksEveryQuestionInOrderAndWritesEachAnswer) {
  dir_.WriteFile("orvane.ini",
                 "[Settings]\r\nFirstRun=1\r\nRescanOnStart=1\r\nScanIfNotFound=0\r\n");
  Run();

  const std::string home = QDir::homePath().toStdString();
  const std::vector<ShownBox> expected = {
      ShownBox::Message("It looks like this the the first time you've launched this program.  "
                        "I'm going to ask you some questions to set things up.",
                        MessageButtons::kOk, kTitle),
      ShownBox::Input(kVpFolder, kTitle, home + "/Visual Pinball/"),
      ShownBox::Input(kVpExe, kTitle, "VPinball912.exe"),
      ShownBox::Input(kTables, kTitle, P("/vp/tables/")),
      ShownBox::Message("This FE uses MAME (or PinMAME) to gather extended info about Tables.  "
                        "This feature is optional but reccomened.  Would you like to setup MAME "
                        "usage?",
                        MessageButtons::kYesNo, kTitle),
      ShownBox::Message("Click Yes to use MAME (NOT PinMAME) to parse data.  MAME is reccomended "
                        "because PinMAME currently won't let you get info for one game at a time.",
                        MessageButtons::kYesNo, kTitle),
      ShownBox::Input(kMameFolder, kTitle, "/usr/games/"),
      ShownBox::Input(kMameExe, kTitle, "mame.exe"),
      ShownBox::Message("Now to Setup the Artwork.  This FE normally checks your local artwork "
                        "folders first and then your MAME artwork folders if nothing is found.  "
                        "However, you can setup each path individually.  Would you like to setup "
                        "your paths individually?",
                        MessageButtons::kYesNo, ""),
      ShownBox::Message("For Debugging Purposes you can have the command line window visible when "
                        "you rescan for roms.  Would you like to turn on the command line?",
                        MessageButtons::kYesNo, kTitle),
      ShownBox::Message("We will now parse your tables for rom name.  It could take a while.  "
                        "Click cancel if you'd rather do it later.",
                        MessageButtons::kOkCancel, kTitle),
      ShownBox::Message("Setup Complete!  Note that any of these settings can be found and "
                        "changed manually in the orvane.ini.",
                        MessageButtons::kOk, kTitle),
  };
  EXPECT_EQ(dialogs_.shown(), expected);

  EXPECT_EQ(settings_.VPPath, P("/vp/"));
  EXPECT_EQ(settings_.VPExe, "VPinball912.exe");
  EXPECT_EQ(settings_.TablePath, P("/vp/tables/"));
  EXPECT_EQ(settings_.MAMEPath, P("/mame/"));
  EXPECT_EQ(settings_.MAMEExe, "mame.exe");
  EXPECT_EQ(settings_.ShowCommandPrompt, 0);  // the scan runs with the switch as read before
  EXPECT_EQ(file1_, std::vector<std::string>{P("/vp/tables/")});
  EXPECT_EQ(boxes_at_rescan_, std::vector<size_t>{11});  // after the scan question
  EXPECT_EQ(first_run_at_rescan_, "0");

  EXPECT_EQ(Orvane("Dirs", "VPPath"), P("/vp/"));
  EXPECT_EQ(Orvane("Dirs", "VPExe"), "VPinball912.exe");
  EXPECT_EQ(Orvane("Dirs", "TablePath"), P("/vp/tables/"));
  EXPECT_EQ(Orvane("Settings", "FirstRun"), "0");
  EXPECT_EQ(Orvane("Settings", "RescanOnStart"), "0");
  EXPECT_EQ(Orvane("Settings", "ScanIfNotFound"), "1");
  EXPECT_EQ(Orvane("Settings", "ShowCommandPrompt"), "1");
  EXPECT_EQ(Tabrin("IsPinMAME"), "0");
  EXPECT_EQ(Tabrin("Path"), P("/mame/"));
  EXPECT_EQ(Tabrin("Exe"), "mame.exe");
  // The MAME answers belong to the extractor only.
  EXPECT_EQ(dir_.ReadFile("orvane.ini").find("MAMEPath="), std::string::npos);
  EXPECT_EQ(dir_.ReadFile("orvane.ini").find("MAMEExe="), std::string::npos);
}

TEST_F(Wizard, CancelAndRefusedAnswersAskTheSameBoxAgain) {
  answers_.vp_folder = {"", P("/nowhere/"), P("/vp/")};
  answers_.vp_exe = {"", "missing.exe", "tables", " VPinball912.exe", "VPinball912.exe"};
  answers_.tables = {P("/vp/tables/missing"), P("/vp/tables/")};
  answers_.mame_folder = {"", P("/mame/")};
  answers_.mame_exe = {"VPinball912.exe", "mame.exe"};
  answers_.scan = MessageResult::kCancel;
  answers_.command_line = MessageResult::kNo;
  Run();

  const std::string home = QDir::homePath().toStdString();
  const auto times = [](int n, const std::string& input) {
    return std::vector<std::string>(n, input);
  };
  std::vector<std::string> expected = times(3, kVpFolder + (" [" + home + "/Visual Pinball/]"));
  for (auto more : {times(5, kVpExe + std::string(" [VPinball912.exe]")),
                    times(2, kTables + (" [" + P("/vp/tables/]"))),
                    times(2, kMameFolder + std::string(" [/usr/games/]")),
                    times(2, kMameExe + std::string(" [mame.exe]"))}) {
    expected.insert(expected.end(), more.begin(), more.end());
  }
  EXPECT_EQ(Inputs(), expected);
  EXPECT_TRUE(boxes_at_rescan_.empty());
  EXPECT_EQ(dialogs_.shown().back().text.substr(0, 15), "Setup Complete!");
  EXPECT_EQ(Orvane("Settings", "ShowCommandPrompt"), "0");
  EXPECT_EQ(Orvane("Settings", "FirstRun"), "0");
}

TEST_F(Wizard, FoldersAreKeptAbsoluteWithATrailingSlash) {
  // Without the separator the MAME program would be looked for as ".../mamemame.exe".
  answers_.vp_folder = {P("/VP")};  // names match without regard to case
  answers_.tables = {"\\vp\\tables"};
  answers_.mame_folder = {"mame"};
  answers_.artwork_each = MessageResult::kYes;
  answers_.artwork = std::vector<std::string>(8, "x");
  Run();

  EXPECT_EQ(settings_.VPPath, P("/VP/"));
  EXPECT_EQ(settings_.TablePath, P("/vp/tables/"));
  EXPECT_EQ(settings_.MAMEPath, P("/mame/"));
  EXPECT_EQ(Orvane("Dirs", "VPPath"), P("/VP/"));
  EXPECT_EQ(Orvane("Dirs", "TablePath"), P("/vp/tables/"));
  EXPECT_EQ(Tabrin("Path"), P("/mame/"));
  EXPECT_EQ(file1_, std::vector<std::string>{P("/vp/tables/")});
  EXPECT_EQ(Inputs()[2], kTables + (" [" + P("/VP/tables/]")));
  EXPECT_EQ(Inputs()[5], "Type the Path to your MAME Snap Shot folder. [" + P("/mame/snap/]"));
}

TEST_F(Wizard, DecliningMameClearsItsFolderAndProgramButKeepsTheEmulatorChoice) {
  dir_.WriteFile("Tabrin.ini", "[MAME]\r\nPath=/old/\r\nExe=old.exe\r\nIsPinMAME=1\r\n");
  answers_.setup_mame = MessageResult::kNo;
  answers_.artwork_each = MessageResult::kYes;
  answers_.artwork = std::vector<std::string>(8, "x");
  Run();

  // Written into the extractor's existing file, whatever the case of its name.
  EXPECT_FALSE(dir_.Exists("tabrin.ini"));
  EXPECT_EQ(ProfileRead("MAME", "Path", P("/Tabrin.ini")), "");
  EXPECT_EQ(ProfileRead("MAME", "Exe", P("/Tabrin.ini")), "");
  EXPECT_EQ(ProfileRead("MAME", "IsPinMAME", P("/Tabrin.ini")), "1");
  EXPECT_EQ(settings_.MAMEPath, "/before/");
  EXPECT_EQ(Inputs()[3], "Type the Path to your MAME Snap Shot folder. [/before/snap/]");
}

TEST_F(Wizard, AnsweringNoToMameMeansPinMame) {
  answers_.use_mame = MessageResult::kNo;
  Run();
  EXPECT_EQ(Tabrin("IsPinMAME"), "1");
}

TEST_F(Wizard, ArtworkFoldersAskedOneByOneAreWrittenTrimmedAndReadBack) {
  answers_.artwork_each = MessageResult::kYes;
  answers_.artwork = {" /art/snap/ ", "",         "/art/marquees/", "/art/cab/",
                      "/art/fly/",    "\\snap\\", "\\marquees\\",   "\\cabinets\\",
                      "\\flyers\\"};
  Run();

  const std::string mame = P("/mame/");
  const std::vector<std::string> inputs = Inputs();
  const std::vector<std::string> artwork(inputs.begin() + 5, inputs.end());
  EXPECT_EQ(artwork, (std::vector<std::string>{
                         "Type the Path to your MAME Snap Shot folder. [" + mame + "snap/]",
                         "Type the Path to your MAME Back Glass folder. [" + mame + "marquees/]",
                         "Type the Path to your MAME Back Glass folder. [" + mame + "marquees/]",
                         "Type the Path to your MAME Cabinet folder. [" + mame + "cabinets/]",
                         "Type the Path to your MAME Flyer folder. [" + mame + "flyers/]",
                         "Type the Path to your Local Snap Shot folder. [\\snap\\]",
                         "Type the Path to your Local Back Glass folder. [\\marquees\\]",
                         "Type the Path to your Local Cabinet folder. [\\cabinets\\]",
                         "Type the Path to your Local Flyer folder. [\\flyers\\]",
                     }));
  EXPECT_EQ(Orvane("Dirs", "SnapPath"), "/art/snap/");

  // The local defaults stay relative to the program folder once the settings are read again.
  FrontendSettings read;
  GetSettings(dir_.path(), read);
  EXPECT_EQ(read.SnapPath, "/art/snap/");
  EXPECT_EQ(read.BackglassPath, "/art/marquees/");
  EXPECT_EQ(read.SnapPath2, P("/snap/"));
  EXPECT_EQ(read.BackglassPath2, P("/marquees/"));
  EXPECT_EQ(read.FlyerPath2, P("/flyers/"));
  EXPECT_EQ(read.VPPath, settings_.VPPath);
  EXPECT_EQ(read.TablePath, settings_.TablePath);
}

TEST_F(Wizard, DecliningArtworkWritesTheEightFoldersEmptyInOrder) {
  Run();
  const std::string ini = dir_.ReadFile("orvane.ini");
  size_t at = ini.find("TablePath=");
  for (const char* key : {"SnapPath", "SnapPath2", "BackglassPath", "BackglassPath2", "CabPath",
                          "CabPath2", "FlyerPath", "FlyerPath2"}) {
    const size_t next = ini.find("\r\n" + std::string(key) + "=\r\n", at);
    ASSERT_NE(next, std::string::npos) << key;
    at = next + 1;
  }
}

TEST_F(Wizard, StoppedHalfwayKeepsTheAnswersGivenAndRunsAgainNextTime) {
  dir_.WriteFile("orvane.ini", "[Settings]\r\nFirstRun=1\r\n");
  dialogs_.Press(MessageResult::kOk).Type(P("/vp/")).Type("VPinball912.exe");
  EXPECT_THROW(FirstRun(dir_.path(), settings_, dialogs_, *this), ScriptError);
  EXPECT_EQ(Orvane("Dirs", "VPPath"), P("/vp/"));
  EXPECT_EQ(Orvane("Dirs", "VPExe"), "VPinball912.exe");
  EXPECT_EQ(Orvane("Settings", "FirstRun"), "1");
}

}  // namespace
