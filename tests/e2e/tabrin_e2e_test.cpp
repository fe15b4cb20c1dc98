// Runs the real tabrin binary, copied into a temporary program folder, over real table files.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <filesystem>
#include <string>
#include <vector>

#include "common/profile.h"
#include "support/temp_dir.h"
#include "table_writer.h"

namespace {

struct RunResult {
  int exit_code = -1;
  std::string out;
};

class TabrinProgram : public testing::Test {
 protected:
  TabrinProgram() {
    program_ = dir_.Path("tabrin");
    std::filesystem::copy_file(TABRIN_BINARY, program_);
    dir_.MakeDir("tables");
    for (const char* folder : {"Blurb", "description", "RULES", "snap"}) dir_.MakeDir(folder);
  }

  // Runs tabrin with `args` and no display, so a window's text goes to standard output.
  RunResult RunTabrin(const std::vector<std::string>& args, bool display = false) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    if (display) env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    QStringList list;
    for (const std::string& arg : args) list << QString::fromStdString(arg);
    process.setWorkingDirectory("/");
    process.start(QString::fromStdString(program_), list);
    RunResult run;
    if (!process.waitForFinished(120000)) return run;
    run.exit_code = process.exitCode();
    run.out = process.readAllStandardOutput().toStdString();
    return run;
  }

  std::string Names(const std::string& section, const std::string& key) {
    return ProfileRead(section, key, dir_.Path("names.ini"));
  }

  void Table(const std::string& file, const TableSpec& table_spec) {
    ASSERT_TRUE(WriteTable(dir_.Path("tables/" + file), table_spec));
  }

  static TableSpec PinMame(const std::string& name, const std::string& rom) {
    TableSpec table_spec;
    table_spec.table_name = name;
    table_spec.author_name = "Ann Author";
    table_spec.blurb = "A blurb.";
    table_spec.script =
        "Const cGameName = \"" + rom + "\"\r\nSub Table1_Init\r\n.GameName = cGameName\r\n";
    return table_spec;
  }

  TempDir dir_;
  std::string program_;
};

TEST_F(TabrinProgram, EmptyCommandLineShowsUsageAndCreatesNothing) {
  const RunResult run = RunTabrin({});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.out.find("Error!  No Parameters Specified!!!"), std::string::npos);
  EXPECT_NE(run.out.find("USAGE:  tabrin \"path/vptname.vpt\" [-txt] [-clear] [-hide] [-exit]"),
            std::string::npos);
  EXPECT_FALSE(dir_.Exists("names.ini"));
}

TEST_F(TabrinProgram, FolderScanFillsTheCatalogueInListOrder) {
  Table("Night Table.vpt", PinMame("Night Table Deluxe", "NTBL_L2"));
  TableSpec plain;
  plain.script = "Sub Table1_Init\r\nEnd Sub\r\n";
  Table("My_Table_VP91x.vpt", plain);
  dir_.WriteFile("tables/readme.txt", "not a table");

  const RunResult run = RunTabrin({dir_.Path("tables") + "/*.*", "-hide"});
  ASSERT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out, "");  // hidden: nothing shown anywhere
  EXPECT_EQ(Names("VP", "Night Table"), "Night Table Deluxe");
  EXPECT_EQ(Names("PinMAME", "Night Table"), "ntbl_l2");
  EXPECT_EQ(Names("VP", "My_Table_VP91x"), "My Table");
  EXPECT_EQ(Names("PinMAME", "My_Table_VP91x"), "");
  EXPECT_EQ(ProfileRead("Tabrin", "Night Table Deluxe", dir_.Path("info.ini")),
            "Night Table Deluxe|Ann Author||||");
  EXPECT_TRUE(dir_.Exists("Blurb/Night Table Deluxe.txt"));
  EXPECT_EQ(dir_.ReadFile("names.ini"),
            "[VP]\r\nMy_Table_VP91x=My Table\r\nNight Table=Night Table Deluxe\r\n\r\n"
            "[PinMAME]\r\nNight Table=ntbl_l2\r\n");

  // A second run finds everything catalogued and writes nothing.
  const std::string before = dir_.ReadFile("names.ini");
  ASSERT_EQ(RunTabrin({dir_.Path("tables") + "/*.*", "-hide"}).exit_code, 0);
  EXPECT_EQ(dir_.ReadFile("names.ini"), before);
}

TEST_F(TabrinProgram, ShowsEachResultWhenNotHidden) {
  Table("Night Table.vpt", PinMame("", "ntbl_l2"));
  const RunResult run = RunTabrin({dir_.Path("tables/Night Table.vpt"), "-exit"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_NE(run.out.find("Table Type:  PinMAME\n\nVpt Name:  Night Table\nROM Name:  ntbl_l2\n"
                         "Base Name:  Night Table"),
            std::string::npos)
      << run.out;
}

TEST_F(TabrinProgram, RelativePathsStartAtTheProgramFolder) {
  Table("x.vpt", TableSpec{});
  EXPECT_EQ(RunTabrin({"tables/x.vpt", "-hide"}).exit_code, 0);
  EXPECT_EQ(Names("VP", "x"), "x");
  EXPECT_EQ(RunTabrin({"\\tables\\x.vpt", "-hide", "-overwrite"}).exit_code, 0);
}

TEST_F(TabrinProgram, TxtWritesOutputInsteadOfTheCatalogue) {
  Table("x.vpt", TableSpec{});
  ASSERT_EQ(RunTabrin({dir_.Path("tables/x.vpt"), "-txt", "-hide"}).exit_code, 0);
  EXPECT_EQ(dir_.ReadFile("output.txt"), "x\r\n");
  EXPECT_EQ(Names("VP", "x"), "");

  // Folder mode ignores -txt.
  std::filesystem::remove(dir_.Path("output.txt"));
  ASSERT_EQ(RunTabrin({dir_.Path("tables/*.*"), "-txt", "-hide"}).exit_code, 0);
  EXPECT_FALSE(dir_.Exists("output.txt"));
  EXPECT_EQ(Names("VP", "x"), "x");
}

TEST_F(TabrinProgram, MissingTableEndsQuietlyOrSaysSo) {
  EXPECT_EQ(RunTabrin({dir_.Path("tables/none.vpt"), "-exit"}).exit_code, 1);
  EXPECT_EQ(dir_.ReadFile("names.ini"), "[VP]\r\n\r\n[PinMAME]\r\n");
  EXPECT_EQ(dir_.ReadFile("info.ini"), "[Tabrin]\r\n\r\n[PMInfo]\r\n");

  const RunResult run = RunTabrin({"tables/none.vpt"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.out.find("Error!  File Not Found!\nThe file \"" + dir_.Path("tables/none.vpt") +
                         "\" could not be found."),
            std::string::npos)
      << run.out;
  // An empty folder has nothing to match a folder pattern.
  EXPECT_EQ(RunTabrin({dir_.Path("tables/*.*"), "-hide"}).exit_code, 1);
}

TEST_F(TabrinProgram, ClearStartsTheCatalogueAgain) {
  dir_.WriteFile("names.ini", "[VP]\r\nold=Old\r\n");
  dir_.WriteFile("info.ini", "[Tabrin]\r\nold=x|||||\r\n");
  dir_.WriteFile("alias.ini", "[Alias]\r\na=b\r\n");
  Table("x.vpt", TableSpec{});
  ASSERT_EQ(RunTabrin({dir_.Path("tables/x.vpt"), "-clear", "-hide"}).exit_code, 0);
  EXPECT_EQ(dir_.ReadFile("names.ini"), "[VP]\r\nx=x\r\n\r\n[PinMAME]\r\n");
  EXPECT_EQ(dir_.ReadFile("info.ini"), "[Tabrin]\r\n\r\n[PMInfo]\r\n");
  EXPECT_EQ(dir_.ReadFile("alias.ini"), "[Alias]\r\na=b\r\n");
}

TEST_F(TabrinProgram, HostileFilesAndNamesGetTheQuietOutcome) {
  dir_.WriteFile("tables/empty.vpt", "");
  dir_.WriteFile("tables/garbage [v2] 'quoted' \"x\".vpt", std::string(5000, '\xD0'));
  dir_.WriteFile("tables/Caf\xC3\xA9 (2001).vpt", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1 truncated");
  TableSpec evil;
  evil.table_name = "../../escape";
  evil.blurb = "x";
  evil.screenshot = std::string("\xFF\xD8\xFF\xE0\0\x10JFIF", 10);
  evil.script = ".GameName = \"x;touch pwned\"";
  Table("evil.vpt", evil);

  ASSERT_EQ(RunTabrin({dir_.Path("tables/*.*"), "-hide"}).exit_code, 0);
  EXPECT_EQ(Names("VP", "empty"), "empty");
  EXPECT_EQ(Names("VP", "garbage [v2] 'quoted' \"x\""), "garbage");
  EXPECT_EQ(Names("VP", "Caf\xC3\xA9 (2001)"), "Caf\xC3\xA9");
  EXPECT_EQ(Names("VP", "evil"), "../../escape");
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("../escape.txt")));
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("escape.jpg")));
  EXPECT_FALSE(dir_.Exists("pwned"));
}

TEST_F(TabrinProgram, ConcurrentRunsLoseNoEntries) {
  constexpr int kTables = 40;
  for (int i = 0; i < kTables; ++i) {
    Table("t" + std::to_string(i) + ".vpt",
          PinMame("Table " + std::to_string(i), "r" + std::to_string(i)));
  }
  std::vector<std::unique_ptr<QProcess>> runs;
  for (int i = 0; i < 3; ++i) {
    runs.push_back(std::make_unique<QProcess>());
    runs.back()->start(QString::fromStdString(program_),
                       {QString::fromStdString(dir_.Path("tables/*.*")), "-hide"});
  }
  for (auto& run : runs) ASSERT_TRUE(run->waitForFinished(120000));
  for (int i = 0; i < kTables; ++i) {
    const std::string key = "t" + std::to_string(i);
    EXPECT_EQ(Names("VP", key), "Table " + std::to_string(i));
    EXPECT_EQ(Names("PinMAME", key), "r" + std::to_string(i));
  }
  const std::string names = dir_.ReadFile("names.ini");
  EXPECT_EQ(std::count(names.begin(), names.end(), '\n'), 2 * kTables + 3);
}

TEST_F(TabrinProgram, AsksThePinMameStandInOnceForAllTables) {
  dir_.MakeDir("emu");
  std::filesystem::copy_file(TOOLS_DIR "/fake-emulator", dir_.Path("emu/pinmame"));
  std::filesystem::copy_file(TOOLS_DIR "/fake_listing.xml", dir_.Path("emu/fake_listing.xml"));
  dir_.WriteFile("Tabrin.ini", "[MAME]\r\nPath=\\emu\\\r\nExe=pinmame\r\nIsPinMAME=1\r\n");
  Table("A.vpt", PinMame("Attack", "afm_11"));
  Table("B.vpt", PinMame("Medieval", "mm_109c"));
  Table("C.vpt", PinMame("Unknown", "zzz_l1"));
  qputenv("FAKE_EMULATOR_LOG", QByteArray::fromStdString(dir_.Path("emulator.log")));
  ASSERT_EQ(RunTabrin({dir_.Path("tables/*.*"), "-hide"}).exit_code, 0);
  qunsetenv("FAKE_EMULATOR_LOG");
  EXPECT_EQ(dir_.ReadFile("emulator.log"), "-lx\n");  // the listing is a cache for every table
  const std::string info = dir_.Path("info.ini");
  EXPECT_EQ(ProfileRead("PMInfo", "afm_11", info), "Attack from Mars (1.1)|1995|Bally|afm_113b");
  EXPECT_EQ(ProfileRead("PMInfo", "mm_109c", info),
            "Medieval Madness (1.09C)|1997|Williams|mm_109c");
  EXPECT_EQ(ProfileRead("PMInfo", "zzz_l1", info), "");  // not listed: asked again next time
  EXPECT_TRUE(dir_.Exists("emu/lx.xml"));
  EXPECT_TRUE(dir_.Exists("lx.sh"));
}

TEST_F(TabrinProgram, WindowRunEndsWithExit) {
  Table("x.vpt", TableSpec{});
  const RunResult run = RunTabrin({dir_.Path("tables/*.*"), "-exit"}, /*display=*/true);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(Names("VP", "x"), "x");
}

}  // namespace
