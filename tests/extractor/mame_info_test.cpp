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

// The stand-in emulator lists four games: tz_92, its clone tz_h8, mm_109c, afm_113b and its
// clone afm_11; each run appends its arguments to runs.log.
class MameInfo : public testing::Test {
 protected:
  void SetUp() override {
    state_.program_folder = temp_.MakeDir("prog");
    state_.MAMEProgram = "mame";
    UseMameFolder("it's a \"mame\" $(x) dir");
    setenv("FAKE_EMULATOR_LOG", temp_.Path("runs.log").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("FAKE_EMULATOR_LOG");
    QDir::setCurrent(start_folder_);
  }
  void UseMameFolder(const std::string& name,
                     const std::string& emulator = TOOLS_DIR "/fake-emulator") {
    state_.MAMEFolder = temp_.MakeDir(name) + "/";
    fs::create_symlink(emulator, state_.MAMEFolder + state_.MAMEProgram);
  }
  void Gather(const std::string& rom_name) {
    state_.ResultName = rom_name;
    GetMAMEInfo(state_);
  }
  Runs TakeRuns() {
    std::istringstream log(temp_.ReadFile("runs.log"));
    fs::remove(temp_.Path("runs.log"));
    Runs runs;
    for (std::string line; std::getline(log, line);) runs.push_back(line);
    return runs;
  }
  std::string Info(const std::string& key) const {
    return ProfileRead("PMInfo", key, state_.InProgramFolder(kInfoIni));
  }

  TempDir temp_;
  ExtractorState state_;
  const QString start_folder_ = QDir::currentPath();
};

TEST_F(MameInfo, AskForTheAliasOrNameInLowerCaseAndKeepTheKeyAsWritten) {
  temp_.WriteFile("prog/alias.ini", "[Alias]\r\ntwz=TZ_92\r\nx|y=mm_109c\r\n");
  Gather("twz");
  Gather("twz");  // the known-test looks for the ROM name, so the alias is asked for again
  Gather("TZ_H8");
  Gather("TZ_H8");
  Gather("x|y");  // an unsafe name with a plain alias is asked for by its alias
  EXPECT_EQ(TakeRuns(), (Runs{"tz_92 -lx", "tz_92 -lx", "tz_h8 -lx", "mm_109c -lx"}));
  EXPECT_EQ(Info("TZ_92"), "Twilight Zone (9.2)|1993|Midway|TZ_92");
  EXPECT_EQ(Info("twz"), "");
  EXPECT_NE(temp_.ReadFile("prog/info.ini").find("\r\nTZ_H8=Twilight Zone (H-8)|1994|Bally|tz_92"),
            std::string::npos);
  // A known game is asked again only with -overwrite.
  ProfileWrite("PMInfo", "afm_11", "old|1|2|3", state_.InProgramFolder(kInfoIni));
  Gather("afm_11");
  EXPECT_EQ(Info("afm_11"), "old|1|2|3");
  state_.options.overwrite = true;
  Gather("afm_11");
  EXPECT_EQ(Info("afm_11"), "Attack from Mars (1.1)|1995|Bally|afm_113b");
}

TEST_F(MameInfo, PinMameModeReadsAnExistingListingAsBytes) {
  state_.UsePinMAME = 1;
  temp_.WriteFile("it's a \"mame\" $(x) dir/lx.xml",
                  "<game name=\"fh_l9b\" cloneof=\"x\"><year>1</year></game>\n"
                  "<game name=\"fh_l9\">\n<description>  Fun\xE9house | Rudy's  </description>"
                  "<year>1990\t</year><manufacturer>Williams &amp; Co</manufacturer></game>\n"
                  "<game name=\"bare\" romof=\"fh_l9\">\n<description>Bare</description>\n"
                  "<game name=\"next\" cloneof=\"fh_l9\"><year>2</year></game>\n");
  Gather("FH_L9");
  Gather("bare");
  Gather("absent");
  EXPECT_EQ(TakeRuns(), Runs{});
  EXPECT_NE(temp_.ReadFile("prog/info.ini")
                .find("FH_L9=Fun\xE9house | Rudy's|1990\t|Williams &amp; Co|FH_L9\r\n"),
            std::string::npos);
  EXPECT_EQ(Info("bare"), "Bare|2||fh_l9");  // runs on to the next "</game>" there is
  EXPECT_EQ(temp_.ReadFile("prog/info.ini").find("absent"), std::string::npos);
}

TEST_F(MameInfo, NothingUnsafeOrMissingEverReachesTheEmulator) {
  for (const std::string rom : {"x;touch pwned", "$(touch pwned)", "`touch pwned`", "a'b", "a\"b",
                                "a b", "../mame", "-lx", "tz_92&"}) {
    Gather(rom);
    EXPECT_EQ(Info(rom), "") << rom;
  }
  temp_.WriteFile("prog/alias.ini", "[Alias]\r\ntz_92=tz_92;touch pwned\r\n");
  Gather("tz_92");
  state_.MAMEProgram = "pinmame";  // no such program
  Gather("mm_109c");
  state_.MAMEProgram = "mame";
  state_.MAMEFolder.pop_back();  // names are appended to the folder as it is written
  Gather("mm_109c");
  EXPECT_EQ(TakeRuns(), Runs{});
  EXPECT_FALSE(temp_.Exists("prog/pwned") || temp_.Exists("pwned"));
  EXPECT_EQ(Info("mm_109c"), "");
}

TEST_F(MameInfo, RealMameDescribesACloneGame) {
  if (!fs::exists("/usr/games/mame")) GTEST_SKIP() << "the mame package is not installed";
  UseMameFolder("real mame", "/usr/games/mame");
  Gather("tz_h8");
  const std::string value = Info("tz_h8");
  EXPECT_NE(value.find("Twilight Zone"), std::string::npos) << value;
  EXPECT_TRUE(value.ends_with("|tz_92")) << value;
  EXPECT_EQ(std::count(value.begin(), value.end(), '|'), 3) << value;
}

}  // namespace
