#include "extractor/mame_info.h"

#include <gtest/gtest.h>

#include <QDir>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

#include "common/profile.h"
#include "extractor/catalogue.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Runs = std::vector<std::string>;

class MameInfoTest : public testing::Test {
 protected:
  void SetUp() override {
    state_.program_folder = temp_.MakeDir("prog");
    state_.MAMEProgram = "mame";
    UseMameFolder("mame dir");
    setenv("FAKE_EMULATOR_LOG", temp_.Path("runs.log").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("FAKE_EMULATOR_LOG");
    QDir::setCurrent(start_folder_);
  }

  // Makes `name` the MAME folder, holding `emulator` under the configured program name.
  void UseMameFolder(const std::string& name,
                     const std::string& emulator = TOOLS_DIR "/fake-emulator") {
    state_.MAMEFolder = temp_.MakeDir(name) + "/";
    fs::create_symlink(emulator, state_.MAMEFolder + state_.MAMEProgram);
  }

  void Gather(const std::string& rom_name) {
    state_.ResultName = rom_name;
    GetMAMEInfo(state_);
  }

  // The argument lines of every emulator run so far.
  Runs RunLog() const {
    std::istringstream log(temp_.ReadFile("runs.log"));
    Runs runs;
    for (std::string line; std::getline(log, line);) runs.push_back(line);
    return runs;
  }

  std::string Info(const std::string& key) const {
    return ProfileRead("PMInfo", key, state_.InProgramFolder(kInfoIni));
  }
  std::string InfoBytes() const { return temp_.ReadFile("prog/info.ini"); }

  TempDir temp_;
  ExtractorState state_;
  const QString start_folder_ = QDir::currentPath();
};

TEST_F(MameInfoTest, AliasIsAskedForLowerCasedAndKeysTheEntry) {
  temp_.WriteFile("prog/alias.ini", "[Alias]\r\ntwz=TZ_92\r\n");
  Gather("twz");
  EXPECT_EQ(RunLog(), Runs{"tz_92 -lx"});
  EXPECT_NE(InfoBytes().find("TZ_92=Twilight Zone (9.2)|1993|Midway|TZ_92\r\n"), std::string::npos);
  EXPECT_EQ(Info("twz"), "");
  // The known-test looks for the ROM name, so the alias is asked for again every time.
  Gather("twz");
  EXPECT_EQ(RunLog().size(), 2u);
}

TEST_F(MameInfoTest, KeyKeepsCaseAndParentIsCloneofOrTheKey) {
  Gather("TZ_H8");
  Gather("mm_109c");
  EXPECT_EQ(RunLog(), (Runs{"tz_h8 -lx", "mm_109c -lx"}));
  EXPECT_NE(InfoBytes().find("TZ_H8=Twilight Zone (H-8)|1994|Bally|tz_92\r\n"), std::string::npos);
  EXPECT_EQ(Info("mm_109c"), "Medieval Madness (1.09C)|1997|Williams|mm_109c");
}

TEST_F(MameInfoTest, MameModeRunsTheScriptForEveryUnknownGame) {
  Gather("mm_109c");
  EXPECT_EQ(temp_.ReadFile("prog/lx.sh"),
            "#!/bin/sh\ncd /\ncd '" + state_.MAMEFolder + "'\n./mame mm_109c -lx >lx.xml\n");
  EXPECT_EQ(fs::status(temp_.Path("prog/lx.sh")).permissions() & fs::perms::all, fs::perms(0755));
  EXPECT_TRUE(temp_.Exists("mame dir/lx.xml"));

  Gather("mm_109c");  // known: no run
  ProfileWrite("PMInfo", "mm_109c", "old|1|2|3", state_.InProgramFolder(kInfoIni));
  Gather("mm_109c");
  EXPECT_EQ(Info("mm_109c"), "old|1|2|3");
  state_.options.overwrite = true;
  Gather("mm_109c");
  EXPECT_EQ(Info("mm_109c"), "Medieval Madness (1.09C)|1997|Williams|mm_109c");
  Gather("afm_11");  // lx.xml exists, still asked
  EXPECT_EQ(RunLog(), (Runs{"mm_109c -lx", "mm_109c -lx", "afm_11 -lx"}));
  EXPECT_EQ(Info("afm_11"), "Attack from Mars (1.1)|1995|Bally|afm_113b");
}

TEST_F(MameInfoTest, PinMameModeSearchesAnExistingListingAsBytes) {
  state_.UsePinMAME = 1;
  temp_.WriteFile("mame dir/lx.xml",
                  "<game name=\"fh_l9b\" cloneof=\"x\"><year>1</year></game>\n"
                  "<game name=\"fh_l9\">\n<description>  Fun\xE9house | Rudy's  </description>"
                  "<year>1990\t</year><manufacturer>Williams &amp; Co</manufacturer></game>\n"
                  "<game name=\"bare\" romof=\"fh_l9\">\n<description>Bare</description>\n"
                  "<game name=\"next\" cloneof=\"fh_l9\"><year>2</year></game>\n");
  Gather("FH_L9");
  Gather("bare");
  Gather("absent");
  EXPECT_EQ(RunLog(), Runs{});
  EXPECT_FALSE(temp_.Exists("prog/lx.sh"));
  EXPECT_NE(InfoBytes().find("FH_L9=Fun\xE9house | Rudy's|1990\t|Williams &amp; Co|FH_L9\r\n"),
            std::string::npos);
  // A game without its own closing tag runs on to the next "</game>" there is.
  EXPECT_EQ(Info("bare"), "Bare|2||fh_l9");
  EXPECT_EQ(InfoBytes().find("absent"), std::string::npos);
}

TEST_F(MameInfoTest, PinMameModeMakesTheListingOnce) {
  state_.UsePinMAME = 1;
  Gather("tz_h8");
  Gather("afm_113b");
  EXPECT_EQ(RunLog(), Runs{"-lx"});
  EXPECT_NE(temp_.ReadFile("prog/lx.sh").find("\n./mame -lx >lx.xml\n"), std::string::npos);
  EXPECT_EQ(Info("tz_h8"), "Twilight Zone (H-8)|1994|Bally|tz_92");
  EXPECT_EQ(Info("afm_113b"), "Attack from Mars (1.13b)|1995|Bally|afm_113b");
}

TEST_F(MameInfoTest, NothingHappensWithoutTheEmulatorProgram) {
  state_.MAMEProgram = "pinmame";
  Gather("tz_92");
  state_.MAMEProgram = "mame";
  state_.MAMEFolder.pop_back();  // names are appended to the folder as it is written
  Gather("tz_92");
  EXPECT_EQ(RunLog(), Runs{});
  EXPECT_FALSE(temp_.Exists("prog/lx.sh"));
  EXPECT_EQ(Info("tz_92"), "");
}

TEST_F(MameInfoTest, UnsafeQueryNeverReachesTheEmulator) {
  for (const std::string rom : {"x;touch pwned", "$(touch pwned)", "`touch pwned`", "a'b", "a\"b",
                                "a b", "../mame", "-lx", "tz_92&"}) {
    Gather(rom);
    EXPECT_EQ(Info(rom), "") << rom;
  }
  temp_.WriteFile("prog/alias.ini", "[Alias]\r\ntz_92=tz_92;touch pwned\r\nx|y=tz_92\r\n");
  Gather("tz_92");
  EXPECT_EQ(RunLog(), Runs{});
  EXPECT_FALSE(temp_.Exists("prog/lx.sh"));
  EXPECT_FALSE(temp_.Exists("prog/pwned") || temp_.Exists("mame dir/pwned"));
  // An unsafe ROM name with a plain alias is asked for by its alias.
  Gather("x|y");
  EXPECT_EQ(RunLog(), Runs{"tz_92 -lx"});
}

TEST_F(MameInfoTest, MameFolderWithSpacesAndQuotes) {
  state_.MAMEProgram = "my mame";
  UseMameFolder("it's a \"mame\" $(x) `y` dir");
  Gather("cv_14");
  EXPECT_EQ(Info("cv_14"), "Cirqus Voltaire (1.4)|1997|Bally|cv_14");
}

TEST_F(MameInfoTest, RealMameDescribesACloneGame) {
  if (!fs::exists("/usr/games/mame")) GTEST_SKIP() << "mame not installed";
  UseMameFolder("real mame", "/usr/games/mame");
  Gather("tz_h8");
  std::vector<std::string> fields;
  std::istringstream value(Info("tz_h8"));
  for (std::string field; std::getline(value, field, '|');) fields.push_back(field);
  ASSERT_EQ(fields.size(), 4u) << Info("tz_h8");
  EXPECT_NE(fields[0].find("Twilight Zone"), std::string::npos);
  EXPECT_FALSE(fields[1].empty());
  EXPECT_FALSE(fields[2].empty());
  EXPECT_EQ(fields[3], "tz_92");
}

}  // namespace
