// Faults and attacks against the real tabrin, copied into a temporary program folder: power loss,
// concurrent runs, hostile tables, names and listings, a read-only or full program folder,
// unreadable tables and broken settings. Whatever happens, nothing written is lost, nothing gets
// in, nothing runs, memory stays bounded and every run ends.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "hostile_support.h"
#include "support/strict_ini.h"
#include "support/temp_dir.h"
#include "table_writer.h"

namespace {

namespace fs = std::filesystem;
using Entries = std::map<std::string, std::string>;

constexpr long kMemoryBoundKb = 256 * 1024;

std::string Number(int value, int digits = 2) {
  std::string text = std::to_string(value);
  return std::string(text.size() < static_cast<size_t>(digits) ? digits - text.size() : 0, '0') +
         text;
}

TableSpec PinMame(const std::string& name, const std::string& rom) {
  TableSpec table_spec;
  table_spec.table_name = name;
  table_spec.author_name = "Ann Author";
  table_spec.blurb = "Blurb of " + name;
  table_spec.script =
      "Const cGameName = \"" + rom + "\"\r\nSub Table1_Init\r\n.GameName = cGameName\r\n";
  return table_spec;
}

// Game `i` of the stand-in emulator's listing, and the [PMInfo] value it gives.
std::string Game(int i) { return "g" + Number(i); }
std::string GameValue(int i) {
  return "Game " + Number(i) + "|19" + Number(i) + "|Maker " + Number(i) + "|" + Game(i);
}

std::string Listing(int games) {
  std::string xml = "<?xml version=\"1.0\"?>\n<mame build=\"stand-in\">\n";
  for (int i = 0; i < games; ++i) {
    xml += "<game name=\"" + Game(i) + "\"><description>Game " + Number(i) +
           "</description><year>19" + Number(i) + "</year><manufacturer>Maker " + Number(i) +
           "</manufacturer></game>\n";
  }
  return xml + "</mame>\n";
}

// Pseudo-random bytes of every value, the same on every run.
std::string Junk(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

class Hostile : public testing::Test {
 protected:
  // Deep inside the temporary folder, so that an escape through ".." lands where it is seen.
  Hostile() { UseProgramFolder(dir_.MakeDir("outer/inner/prog")); }

  // Puts tabrin and the empty art and table folders into `folder`, which becomes the program's.
  void UseProgramFolder(const std::string& folder) {
    prog_ = folder;
    tabrin_ = prog_ + "/tabrin";
    fs::create_directories(prog_);
    fs::copy_file(TABRIN_BINARY, tabrin_, fs::copy_options::overwrite_existing);
    for (const char* sub : {"tables", "Blurb", "Description", "Rules", "snap", "emu"}) {
      fs::create_directories(P(sub));
    }
  }

  // Moves the program folder onto a memory file system when the system allows one: runs that
  // write thousands of entries then take seconds, not minutes of disk syncs. Kills and
  // concurrent runs meet the same code either way.
  void UseMemoryFolder() {
    fs::create_directories(dir_.Path("ram"));
    ram_ = std::make_unique<TmpfsMount>(dir_.Path("ram"), size_t{256} << 20);
    if (ram_->ok()) UseProgramFolder(dir_.Path("ram/prog"));
  }

  std::string P(const std::string& relative) const { return prog_ + "/" + relative; }
  void Write(const std::string& relative, const std::string& data) const {
    std::ofstream(P(relative), std::ios::binary | std::ios::trunc) << data;
  }
  std::string Read(const std::string& relative) const {
    std::ifstream in(P(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  StrictIni Ini(const std::string& relative) const { return ReadStrictIni(Read(relative)); }
  void Table(const std::string& file, const TableSpec& table_spec) const {
    ASSERT_TRUE(WriteTable(P("tables/" + file), table_spec)) << file;
  }

  Outcome Run(const std::vector<std::string>& args) const {
    return WaitForProgram(StartProgram(tabrin_, args, env_));
  }
  Outcome Scan() const { return Run({P("tables/*.*"), "-hide"}); }

  // The stand-in emulator in MAME mode or PinMAME mode, listing `games` games and logging each
  // start to emu/runs.log.
  void Emulator(bool pinmame, int games = 100) {
    fs::copy_file(TOOLS_DIR "/fake-emulator", P("emu/emu"), fs::copy_options::overwrite_existing);
    Write("emu/games.xml", Listing(games));
    Write("Tabrin.ini", std::string("[MAME]\r\nPath=\\emu\\\r\nExe=emu\r\nIsPinMAME=") +
                            (pinmame ? "1" : "0") + "\r\n");
    env_ = {"FAKE_EMULATOR_LISTING=" + P("emu/games.xml"),
            "FAKE_EMULATOR_LOG=" + P("emu/runs.log")};
  }

  TempDir dir_;
  std::unique_ptr<TmpfsMount> ram_;  // unmounted before dir_ goes
  std::string prog_;
  std::string tabrin_;
  std::vector<std::string> env_;
};

#define EXPECT_WHOLE(ini) EXPECT_EQ((ini).problem, "")

// Returns the first entry of `actual` that `expected` does not hold just so.
std::string FirstStranger(const Entries& actual, const Entries& expected) {
  for (const auto& [key, value] : actual) {
    const auto found = expected.find(key);
    if (found == expected.end() || found->second != value) return key + "=" + value;
  }
  return "";
}

// ---------------------------------------------------------------------------------------------
// Power loss

// What the catalogue of the power-loss test holds when it is whole.
struct WholeCatalogue {
  Entries vp, pinmame, tabrin;
  Entries blurbs;  // file name in Blurb -> bytes
};

class PowerLoss : public Hostile {
 protected:
  // Every catalogue file parses, keeps what `names` and `info` held before the kill, and
  // holds only right entries; every exported blurb is whole. Returns what is wrong, or "".
  std::string CheckAfterKill(const StrictIni& names, const StrictIni& info) const {
    const StrictIni names_after = Ini("names.ini");
    const StrictIni info_after = Ini("info.ini");
    if (!names_after.problem.empty()) return "names.ini: " + names_after.problem;
    if (!info_after.problem.empty()) return "info.ini: " + info_after.problem;
    std::string wrong = FirstLostEntry(names, names_after) + FirstLostEntry(info, info_after);
    if (!wrong.empty()) return "lost " + wrong;
    for (const auto& [section, entries] : names_after.sections) {
      if (section != "vp" && section != "pinmame") return "names.ini section " + section;
      wrong = FirstStranger(entries, section == "vp" ? whole_.vp : whole_.pinmame);
      if (!wrong.empty()) return "names.ini wrong entry " + wrong;
    }
    for (const auto& [section, entries] : info_after.sections) {
      if (section != "tabrin" && section != "pminfo") return "info.ini section " + section;
      wrong = FirstStranger(entries, section == "tabrin" ? whole_.tabrin : Entries());
      if (!wrong.empty()) return "info.ini wrong entry " + wrong;
    }
    for (const auto& file : fs::directory_iterator(P("Blurb"))) {
      const std::string name = file.path().filename().string();
      const auto found = whole_.blurbs.find(name);
      if (found == whole_.blurbs.end()) return "stray file Blurb/" + name;
      if (Read("Blurb/" + name) != found->second) return "partial file Blurb/" + name;
    }
    return "";
  }

  std::string CheckComplete() const {
    const StrictIni names = Ini("names.ini");
    const StrictIni info = Ini("info.ini");
    if (names.Section("vp") != whole_.vp) return "VP";
    if (names.Section("pinmame") != whole_.pinmame) return "PinMAME";
    if (info.Section("tabrin") != whole_.tabrin) return "Tabrin";
    for (const auto& [name, bytes] : whole_.blurbs) {
      if (Read("Blurb/" + name) != bytes) return "Blurb/" + name;
    }
    return "";
  }

  // True while `pid` has not ended; the child is left to be waited for.
  static bool Running(pid_t pid) {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
  }

  // The time stamp of names.ini, to see a write happen.
  std::pair<long long, long long> NamesStamp() const {
    struct stat info {};
    if (stat(P("names.ini").c_str(), &info) != 0) return {0, 0};
    return {info.st_ino, info.st_mtim.tv_nsec + info.st_mtim.tv_sec * 1'000'000'000LL};
  }

  WholeCatalogue whole_;
};

TEST_F(PowerLoss, KillsAtRandomPointsLoseNoEntryWrittenBefore) {
  UseMemoryFolder();
  constexpr int kTables = 500;
  for (int i = 0; i < kTables; ++i) {
    const std::string key = "t" + Number(i, 3);
    const std::string name = "Table " + Number(i, 3);
    TableSpec table_spec = PinMame(name, "r" + Number(i, 3));
    if (i % 5 == 0) table_spec.script = "Sub Table1_Init\r\nEnd Sub\r\n";  // a plain table
    if (i % 10 == 0) table_spec.table_name.reset();                        // without a stored name
    Table(key + ".vpt", table_spec);
    whole_.vp[key] = table_spec.table_name ? name : key;
    if (i % 5 != 0) whole_.pinmame[key] = "r" + Number(i, 3);
    if (table_spec.table_name) {
      whole_.tabrin[name] = name + "|Ann Author||||";
      whole_.blurbs[name + ".txt"] = ToUtf16Le(*table_spec.blurb);
    }
  }

  std::mt19937 random(7);
  std::uniform_int_distribution<int> after_write_us(0, 40000);
  std::uniform_int_distribution<int> early_us(0, 30000);
  int kills = 0;
  int completed = 0;
  for (int start = 0; start < 2000 && kills < 100; ++start) {
    const auto stamp = NamesStamp();
    const pid_t pid = StartProgram(tabrin_, {P("tables/*.*"), "-hide"});
    ASSERT_GT(pid, 0);
    if (start % 8 == 0) {
      usleep(early_us(random));  // at start-up, while the templates are made
    } else {
      // Once a write is seen, at a random point of the tables that follow.
      for (int poll = 0; poll < 5000 && Running(pid) && NamesStamp() == stamp; ++poll) usleep(1000);
      usleep(after_write_us(random));
    }
    const StrictIni names_before = Ini("names.ini");
    const StrictIni info_before = Ini("info.ini");
    kill(pid, SIGKILL);
    const Outcome outcome = WaitForProgram(pid);
    ASSERT_TRUE(outcome.ended);
    ASSERT_EQ(CheckAfterKill(names_before, info_before), "") << "start " << start;
    if (outcome.signal == SIGKILL) {
      ++kills;
      continue;
    }
    // The run finished before the kill: the catalogue is complete; start it again from nothing.
    ASSERT_EQ(outcome.exit_code, 0);
    ASSERT_EQ(CheckComplete(), "");
    ++completed;
    fs::remove(P("names.ini"));
    fs::remove(P("info.ini"));
  }
  EXPECT_GE(kills, 100);
  // A run left alone completes what the killed runs began.
  ASSERT_EQ(Scan().exit_code, 0);
  EXPECT_EQ(CheckComplete(), "");
  RecordProperty("kills", kills);
  RecordProperty("completed_catalogues", completed);
}

// ---------------------------------------------------------------------------------------------
// Concurrent runs

TEST_F(Hostile, ConcurrentRunsOverOverlappingFoldersLoseAndDuplicateNothing) {
  // Every third table names a game; the others are plain. Folder k holds tables 12k to 12k+23
  // (wrapping round), so each overlaps its neighbours by half.
  constexpr int kTables = 48;
  UseMemoryFolder();
  fs::create_directories(P("pool"));
  for (int i = 0; i < kTables; ++i) {
    TableSpec table_spec = PinMame("Table " + Number(i), Game(i));
    if (i % 3 != 0) table_spec.script.clear();
    ASSERT_TRUE(WriteTable(P("pool/t" + Number(i) + ".vpt"), table_spec));
  }
  for (int k = 0; k < 4; ++k) {
    fs::create_directories(P("f" + Number(k)));
    for (int j = 0; j < 24; ++j) {
      const std::string file = "t" + Number((12 * k + j) % kTables) + ".vpt";
      fs::create_hard_link(P("pool/" + file), P("f" + Number(k) + "/" + file));
    }
  }

  // Two runs in PinMAME mode share one listing that one of them makes; four in MAME mode each
  // write the one listing script for their own game.
  for (const int runs : {2, 4}) {
    SCOPED_TRACE(std::to_string(runs) + " runs");
    Emulator(/*pinmame=*/runs == 2, kTables);
    for (const char* file : {"names.ini", "info.ini", "emu/lx.xml"}) fs::remove(P(file));
    std::vector<pid_t> pids;
    Entries vp, pinmame, tabrin, pminfo;
    for (int k = 0; k < runs; ++k) {
      pids.push_back(StartProgram(tabrin_, {P("f" + Number(k) + "/*.*"), "-hide"}, env_));
      for (int j = 0; j < 24; ++j) {
        const int i = (12 * k + j) % kTables;
        const std::string name = "Table " + Number(i);
        vp["t" + Number(i)] = name;
        tabrin[name] = name + "|Ann Author||||";
        if (i % 3 != 0) continue;
        pinmame["t" + Number(i)] = Game(i);
        pminfo[Game(i)] = GameValue(i);
      }
    }
    for (const pid_t pid : pids) {
      const Outcome outcome = WaitForProgram(pid);
      ASSERT_TRUE(outcome.ended);
      EXPECT_EQ(outcome.exit_code, 0);
    }
    const StrictIni names = Ini("names.ini");
    const StrictIni info = Ini("info.ini");
    EXPECT_WHOLE(names);
    EXPECT_WHOLE(info);
    EXPECT_EQ(names.Section("vp"), vp);
    EXPECT_EQ(names.Section("pinmame"), pinmame);
    EXPECT_EQ(info.Section("tabrin"), tabrin);
    EXPECT_EQ(info.Section("pminfo"), pminfo);  // each game's own, never a neighbour's
  }
}

// ---------------------------------------------------------------------------------------------
// Hostile tables

TEST_F(Hostile, HostileTableAndFileNamesGetTheQuietOutcome) {
  Write("names.ini", "[VP]\r\nOther=Other Table\r\n\r\n[PinMAME]\r\nOther=oth_l1\r\n");
  Write("info.ini",
        "[Tabrin]\r\nOther Table=Other Table|Someone||||\r\n\r\n[PMInfo]\r\noth_l1=O|1990|M|o\r\n");
  Write("alias.ini", "[Alias]\r\noth_l1=other\r\n");
  const StrictIni names_before = Ini("names.ini");
  const StrictIni info_before = Ini("info.ini");
  const std::string jpeg("\xFF\xD8\xFF\xE0\0\x10JFIF", 10);

  const std::vector<std::string> table_names = {
      "..",
      ".",
      "../../../escaped",
      "sub/../../../../escaped",
      "..\\..\\escaped",
      "/tmp/escaped",
      "x\r\n[PinMAME]\r\nOther=evil",
      "x\r\n[Tabrin]\r\nOther Table=evil|||||",
      "[Alias]",
      "[VP]",
      "=",
      "a=b",
      ";comment",
      std::string(300, 'L'),
      "tab\tand\x7F",
      "::",
      "C:\\escaped",
  };
  for (size_t i = 0; i < table_names.size(); ++i) {
    TableSpec table_spec = PinMame(table_names[i], "h" + Number(static_cast<int>(i)));
    table_spec.description = "d";
    table_spec.rules = "r";
    table_spec.screenshot = jpeg;
    Table("h" + Number(static_cast<int>(i)) + ".vpt", table_spec);
  }
  TableSpec invalid = PinMame("", "inv_l1");
  invalid.raw_info_streams["TableName"] = std::string(
      "\x00\xD8"
      "A\x00"
      "\x00\xDC"
      "B",
      7);
  Table("invalid.vpt", invalid);
  TableSpec nul = PinMame("", "nul_l1");
  nul.raw_info_streams["TableName"] = ToUtf16Le("nul") + std::string(2, '\0') + ToUtf16Le("x");
  Table("nul.vpt", nul);

  const std::vector<std::string> file_keys = {
      "[Alias]",  "a=b",    ";semi",          "cr\r\nlf",           "back\\slash",
      "quote\"d", "-clear", "$(touch pwned)", std::string(251, 'F')};
  for (size_t i = 0; i < file_keys.size(); ++i) {
    Table(file_keys[i] + ".vpt", PinMame("", "f" + Number(static_cast<int>(i))));
  }
  Table("good.vpt", PinMame("Good Table", "good_l1"));
  const std::set<std::string> tree_before = Tree(dir_.path());

  const Outcome outcome = Scan();
  ASSERT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.exit_code, 0);

  const StrictIni names = Ini("names.ini");
  const StrictIni info = Ini("info.ini");
  EXPECT_WHOLE(names);
  EXPECT_WHOLE(info);
  EXPECT_EQ(FirstLostEntry(names_before, names), "");
  EXPECT_EQ(FirstLostEntry(info_before, info), "");
  EXPECT_EQ(Read("alias.ini"), "[Alias]\r\noth_l1=other\r\n");
  // Every table has its own two entries, under its own key, and nothing else appears. A line
  // that a profile file would not read back as written is not written at all: a key with "="
  // inside or ";" in front, or "[Alias]=[Alias]", which reads as a section.
  std::set<std::string> keys = {"Other",          "good",
                                "invalid",        "nul",
                                "cr  lf",         "back\\slash",
                                "quote\"d",       "-clear",
                                "$(touch pwned)", std::string(251, 'F')};
  for (size_t i = 0; i < table_names.size(); ++i) keys.insert("h" + Number(static_cast<int>(i)));
  for (const char* section : {"vp", "pinmame"}) {
    std::set<std::string> found;
    for (const auto& [key, value] : names.Section(section)) found.insert(key);
    if (std::string(section) == "pinmame") keys.insert("[Alias]");
    EXPECT_EQ(found, keys) << section;
  }
  EXPECT_EQ(names.sections.size(), 2u);
  EXPECT_EQ(info.sections.size(), 2u);
  EXPECT_EQ(names.Get("vp", "good"), "Good Table");
  EXPECT_EQ(names.Get("pinmame", "good"), "good_l1");
  EXPECT_EQ(info.Section("pminfo").size(), 1u);

  // Nothing was created outside the catalogue and the four export folders, and no exported
  // file has a name that could mislead.
  for (const std::string& path : Added(tree_before, dir_.path())) {
    const std::string in_prog = path.rfind("outer/inner/prog/", 0) == 0 ? path.substr(17) : "";
    const size_t slash = in_prog.find('/');
    const std::string folder = in_prog.substr(0, slash);
    const bool catalogue = in_prog == "names.ini" || in_prog == "info.ini";
    const bool export_folder =
        folder == "Blurb" || folder == "Description" || folder == "Rules" || folder == "snap";
    EXPECT_TRUE(catalogue || (export_folder && slash != std::string::npos &&
                              in_prog.find('/', slash + 1) == std::string::npos))
        << path;
    for (const char c : in_prog) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << path;
  }
  EXPECT_TRUE(fs::exists(P("Blurb/Good Table.txt")));
}

TEST_F(Hostile, RomNamesWithShellSyntaxNeverReachTheEmulator) {
  Emulator(/*pinmame=*/false);
  Write("alias.ini", "[Alias]\r\ng02=$(touch pwned)\r\n");
  const std::vector<std::string> roms = {
      "x;touch pwned",  "a&touch pwned", "a|touch pwned", "$(touch pwned)",         "`touch pwned`",
      "x'touch pwned'", "a b",           "../../pwned",   "x\\\";touch pwned;\\\"", "-lx",
      Game(1),          Game(2)};
  for (size_t i = 0; i < roms.size(); ++i) {
    Table("t" + Number(static_cast<int>(i)) + ".vpt",
          PinMame("Table " + Number(static_cast<int>(i)), roms[i]));
  }
  TableSpec literal;  // the ROM name as a literal, not through a constant
  literal.script = ".GameName = \"a;touch pwned\" & \"x\"\r\n";
  Table("literal.vpt", literal);

  const Outcome outcome = Scan();
  ASSERT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.exit_code, 0);
  // Only plain ROM set names were asked about: the quote in "x'touch pwned'" starts a comment,
  // which leaves the name x.
  EXPECT_EQ(Read("emu/runs.log"), "x -lx\n" + Game(1) + " -lx\n");
  for (const std::string& path : Tree(dir_.path())) {
    EXPECT_EQ(path.find("pwned"), std::string::npos) << path;
  }
  EXPECT_FALSE(fs::exists("/pwned"));
  const StrictIni info = Ini("info.ini");
  EXPECT_WHOLE(info);
  EXPECT_EQ(info.Section("pminfo"), (Entries{{Game(1), GameValue(1)}}));
  EXPECT_EQ(Ini("names.ini").Get("pinmame", "t03"), "$(touch pwned)");  // kept, as data
}

TEST_F(Hostile, StreamsOfNoBytesGiveEmptyFieldsAndNoFiles) {
  TableSpec empty;
  for (auto* text : {&empty.table_name, &empty.author_name, &empty.table_version,
                     &empty.release_date, &empty.author_email, &empty.author_website, &empty.blurb,
                     &empty.description, &empty.rules, &empty.screenshot}) {
    *text = "";
  }
  Table("empty.vpt", empty);  // and an empty script
  TableSpec named = PinMame("Named", "nmd_l1");
  named.blurb = "";
  named.screenshot = "";
  Table("named.vpt", named);
  const std::set<std::string> before = Tree(prog_);

  ASSERT_EQ(Scan().exit_code, 0);
  const StrictIni names = Ini("names.ini");
  EXPECT_EQ(names.Section("vp"), (Entries{{"empty", "empty"}, {"named", "Named"}}));
  EXPECT_EQ(names.Section("pinmame"), (Entries{{"named", "nmd_l1"}}));
  EXPECT_EQ(Ini("info.ini").Section("tabrin"), (Entries{{"Named", "Named|Ann Author||||"}}));
  EXPECT_EQ(Added(before, prog_), (std::set<std::string>{"names.ini", "info.ini"}));
}

TEST_F(Hostile, CompoundFilesWithCyclesEndQuietly) {
  TableSpec base = PinMame("Cycle", "cyc_l1");
  base.blurb = std::string(3000, 'b');  // long enough for the big sectors
  const std::string source = dir_.Path("cycle.vpt");
  ASSERT_TRUE(WriteTable(source, base));
  const std::map<std::string, std::function<void(CompoundPatch&)>> cases = {
      {"fat_loop",
       [](CompoundPatch& file) {
         const auto chain = file.Chain(file.StartSector(file.Entry("TableBlurb")));
         file.Link(chain.back(), chain.front());
       }},
      {"fat_self",
       [](CompoundPatch& file) {
         const uint32_t first = file.StartSector(file.Entry("TableBlurb"));
         file.Link(first, first);
       }},
      {"directory_loop",
       [](CompoundPatch& file) {
         const auto chain = file.Chain(file.DirectoryStart());
         file.Link(chain.back(), chain.front());
       }},
      {"mini_loop",
       [](CompoundPatch& file) {
         const uint32_t first = file.StartSector(file.Entry("TableName"));
         file.Link(first, first, /*mini=*/true);
       }},
      {"mini_stream_loop",
       [](CompoundPatch& file) {
         const auto chain = file.Chain(file.StartSector(0));
         file.Link(chain.back(), chain.front());
       }},
      {"sibling_self",
       [](CompoundPatch& file) { file.SetLeft(file.Entry("TableName"), file.Entry("TableName")); }},
      {"sibling_pair",
       [](CompoundPatch& file) {
         const int a = file.Entry("TableInfo");
         const int b = file.Entry("GameStg");
         file.SetLeft(a, b);
         file.SetRight(a, b);
         file.SetLeft(b, a);
         file.SetRight(b, a);
       }},
      {"child_is_root", [](CompoundPatch& file) { file.SetChild(file.Entry("TableInfo"), 0); }},
      {"child_is_itself",
       [](CompoundPatch& file) { file.SetChild(file.Entry("GameStg"), file.Entry("GameStg")); }},
  };
  for (const auto& [name, patch] : cases) {
    CompoundPatch file(source);
    ASSERT_TRUE(file.ok());
    patch(file);
    ASSERT_TRUE(file.Save(P("tables/" + name + ".vpt")));
  }
  Table("good.vpt", PinMame("Good", "good_l1"));

  const Outcome outcome = Scan();
  ASSERT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_LT(outcome.max_rss_kb, kMemoryBoundKb);
  const StrictIni names = Ini("names.ini");
  EXPECT_WHOLE(names);
  EXPECT_WHOLE(Ini("info.ini"));
  EXPECT_EQ(names.Get("vp", "good"), "Good");
  for (const auto& [name, patch] : cases) EXPECT_NE(names.Find("vp", name), nullptr) << name;
}

// Streams written for real: a CTest label keeps them apart.
TEST_F(Hostile, Big_AStreamOf200MegabytesIsCopiedInBoundedMemory) {
  constexpr size_t kSize = size_t{200} << 20;
  {
    TableSpec table_spec = PinMame("Big Table", "big_l1");
    table_spec.raw_info_streams["TableBlurb"] = std::string(kSize, 'b');
    Table("big.vpt", table_spec);
  }
  const Outcome outcome = Scan();
  ASSERT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_LT(outcome.max_rss_kb, kMemoryBoundKb);
  EXPECT_EQ(Ini("names.ini").Get("pinmame", "big"), "big_l1");
  std::error_code error;
  EXPECT_EQ(fs::file_size(P("Blurb/Big Table.txt"), error), kSize);
}

// ---------------------------------------------------------------------------------------------
// Hostile listings

TEST_F(Hostile, AGigabyteListingIsReadInBoundedMemory) {
  Write("info.ini", "[Tabrin]\r\n\r\n[PMInfo]\r\nold_l1=Old|1980|Maker|old_l1\r\n");
  const StrictIni info_before = Ini("info.ini");

  // PinMAME mode keeps the listing: one of a gigabyte, sparse, found in place.
  Emulator(/*pinmame=*/true);
  Table("a.vpt", PinMame("A", Game(1)));
  Write("emu/lx.xml", "<game name=\"" + Game(1) + "\"><description>");
  fs::resize_file(P("emu/lx.xml"), size_t{1} << 30);
  Outcome outcome = Scan();
  ASSERT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_LT(outcome.max_rss_kb, kMemoryBoundKb);
  EXPECT_FALSE(fs::exists(P("emu/runs.log")));  // the listing on disk was used

  // MAME mode: the emulator itself answers with a gigabyte.
  Emulator(/*pinmame=*/false);
  Write("emu/emu",
        "#!/bin/sh\nprintf '<game name=\"%s\"><description>' \"$1\"\n"
        "truncate -s 1G lx.xml\n");
  Table("b.vpt", PinMame("B", Game(2)));
  outcome = Scan();
  ASSERT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_LT(outcome.max_rss_kb, kMemoryBoundKb);

  const StrictIni info = Ini("info.ini");
  EXPECT_WHOLE(info);
  EXPECT_EQ(FirstLostEntry(info_before, info), "");
  EXPECT_LE(Read("info.ini").size(), size_t{1} << 20);
  EXPECT_EQ(Ini("names.ini").Get("pinmame", "b"), Game(2));
}

TEST_F(Hostile, BinaryJunkListingAddsNoOtherEntry) {
  Write("info.ini",
        "[Tabrin]\r\nOther Table=Other|x||||\r\n\r\n[PMInfo]\r\nold_l1=Old|1980|Maker|old_l1\r\n");
  const StrictIni info_before = Ini("info.ini");
  Emulator(/*pinmame=*/true);
  Table("a.vpt", PinMame("A", Game(1)));
  std::string listing = Junk(1 << 20, 3);
  listing.insert(500000, "<game name=\"" + Game(1) +
                             "\" cloneof=\"x\r\n[Tabrin]\r\nOther Table=evil\r\n\"><description>" +
                             "a|b\r\n[PMInfo]\r\nold_l1=evil" + '\0' + "z</description><year>\n" +
                             Junk(300, 4) + "</year><manufacturer>" + std::string(300000, 'm'));
  Write("emu/lx.xml", listing);

  const Outcome outcome = Scan();
  ASSERT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.exit_code, 0);
  const StrictIni info = Ini("info.ini");
  EXPECT_WHOLE(info);
  EXPECT_EQ(FirstLostEntry(info_before, info), "");
  EXPECT_EQ(info.sections.size(), 2u);
  EXPECT_EQ(info.Section("tabrin").size(), 2u);  // "Other Table" and "A"
  for (const auto& [key, value] : info.Section("pminfo")) {
    EXPECT_TRUE(key == "old_l1" || key == Game(1)) << key;
  }
  EXPECT_LT(Read("info.ini").size(), 100000u);  // a field is cut, never megabytes
  EXPECT_EQ(Ini("names.ini").Get("pinmame", "a"), Game(1));
}

// ---------------------------------------------------------------------------------------------
// A read-only, full or incomplete program folder

TEST_F(Hostile, AReadOnlyProgramFolderKeepsTheCatalogueAndLeavesNothing) {
  Table("a.vpt", PinMame("A", "a_l1"));
  ASSERT_EQ(Scan().exit_code, 0);
  Table("b.vpt", PinMame("B", "b_l1"));
  const std::string names = Read("names.ini");
  const std::string info = Read("info.ini");
  const std::set<std::string> tree = Tree(dir_.path());
  const ReadOnlyFolder read_only(prog_);
  if (read_only.how().empty()) GTEST_SKIP() << "the system refused to make a folder read-only";

  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{P("tables/*.*"), "-hide"},
                                             {P("tables/*.*"), "-hide", "-overwrite"},
                                             {P("tables/*.*"), "-hide", "-clear"},
                                             {P("tables/b.vpt"), "-hide", "-txt"}}) {
    SCOPED_TRACE(args.back() + ", " + read_only.how());
    const Outcome outcome = Run(args);
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(outcome.exit_code, 0);
    EXPECT_EQ(Read("names.ini"), names);
    EXPECT_EQ(Read("info.ini"), info);
    EXPECT_EQ(Tree(dir_.path()), tree);
  }
}

TEST_F(Hostile, AFullDiskKeepsTheCatalogueAndLeavesNothing) {
  fs::create_directories(dir_.Path("disk"));
  const TmpfsMount disk(dir_.Path("disk"), fs::file_size(TABRIN_BINARY) + (size_t{512} << 10));
  if (!disk.ok()) GTEST_SKIP() << "the system refused to mount a small file system";
  UseProgramFolder(dir_.Path("disk/prog"));
  const std::string tables = dir_.MakeDir("tables");  // on another file system, with room
  const auto table = [&](const std::string& key, const std::string& rom) {
    TableSpec table_spec = PinMame("Table " + key, rom);
    table_spec.screenshot = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(20000, 'j');
    ASSERT_TRUE(WriteTable(tables + "/" + key + ".vpt", table_spec));
  };
  for (const char* key : {"a", "b", "c"}) table(key, std::string(key) + "_l1");
  ASSERT_EQ(Run({tables + "/*.*", "-hide"}).exit_code, 0);
  for (const char* key : {"d", "e", "f"}) table(key, std::string(key) + "_l1");

  for (const size_t leave : {size_t{0}, size_t{4096}, size_t{16384}}) {
    SCOPED_TRACE(std::to_string(leave) + " bytes left");
    fs::remove(dir_.Path("disk/filler"));
    ASSERT_TRUE(FillDisk(dir_.Path("disk/filler"), leave));
    const StrictIni names_before = Ini("names.ini");
    const StrictIni info_before = Ini("info.ini");
    const std::string names = Read("names.ini");
    const std::set<std::string> tree = Tree(prog_);
    for (const std::string option : {"", "-overwrite"}) {
      std::vector<std::string> args = {tables + "/*.*", "-hide"};
      if (!option.empty()) args.push_back(option);
      const Outcome outcome = Run(args);
      ASSERT_TRUE(outcome.ended);
      EXPECT_EQ(outcome.exit_code, 0);
      const StrictIni names_after = Ini("names.ini");
      const StrictIni info_after = Ini("info.ini");
      EXPECT_WHOLE(names_after);
      EXPECT_WHOLE(info_after);
      EXPECT_EQ(FirstLostEntry(names_before, names_after), "");
      EXPECT_EQ(FirstLostEntry(info_before, info_after), "");
      if (leave == 0) EXPECT_EQ(Read("names.ini"), names);
      // No temporary file stays, and an exported file, old or new, is whole or absent.
      for (const std::string& path : Tree(prog_)) {
        const bool blurb = path.rfind("Blurb/Table ", 0) == 0;
        if (blurb || path.rfind("snap/Table ", 0) == 0) {
          EXPECT_EQ(fs::file_size(P(path)), blurb ? 32u : 20004u) << path;
        } else {
          EXPECT_TRUE(tree.count(path) != 0 || path == "names.ini" || path == "info.ini") << path;
        }
      }
    }
  }
}

TEST_F(Hostile, MissingArtFoldersAndUnreadableTablesEndQuietly) {
  for (const char* folder : {"Blurb", "Description", "Rules", "snap"}) fs::remove(P(folder));
  TableSpec table_spec = PinMame("Art", "art_l1");
  table_spec.description = "d";
  table_spec.rules = "r";
  table_spec.screenshot = std::string("\xFF\xD8\xFF\xE0\0\x10JFIF", 10);
  Table("art.vpt", table_spec);
  const std::set<std::string> before = Tree(prog_);
  ASSERT_EQ(Scan().exit_code, 0);
  // No folder is made.
  EXPECT_EQ(Added(before, prog_), (std::set<std::string>{"names.ini", "info.ini"}));
  EXPECT_EQ(Ini("names.ini").Get("pinmame", "art"), "art_l1");

  // A table folder that is a file is no folder of tables; a "table" that is a pipe, a device
  // or a folder is no table, and none of them is waited for.
  Write("listed", "not a folder");
  ASSERT_EQ(mkfifo(P("tables/pipe.vpt").c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", P("tables/zero.vpt"));
  fs::create_directories(P("tables/folder.vpt"));
  const std::string names = Read("names.ini");
  EXPECT_EQ(Run({P("listed/*.*"), "-hide"}).exit_code, 1);
  EXPECT_EQ(Run({P("listed/x.vpt"), "-hide"}).exit_code, 1);
  for (const char* table : {"pipe.vpt", "zero.vpt", "folder.vpt", "*.*"}) {
    const Outcome outcome = Run({P("tables/") + table, "-hide"});
    EXPECT_TRUE(outcome.ended) << table;
    EXPECT_LT(outcome.max_rss_kb, kMemoryBoundKb) << table;
  }
  EXPECT_EQ(Read("names.ini"), names);

  // Without read permission. Root is not stopped by permissions, so it runs tabrin as nobody.
  if (geteuid() == 0) {
    for (const std::string& folder : {dir_.path(), dir_.Path("outer"), dir_.Path("outer/inner")}) {
      fs::permissions(folder, fs::perms(0755));
    }
    fs::permissions(prog_, fs::perms(0777));
    for (const char* file : {"names.ini", "info.ini"}) fs::permissions(P(file), fs::perms(0666));
  }
  fs::create_directories(P("closed"));
  ASSERT_TRUE(WriteTable(P("closed/c.vpt"), PinMame("Closed", "cls_l1")));
  TableSpec locked_spec = PinMame("Locked", "lck_l1");
  Table("locked.vpt", locked_spec);
  fs::permissions(P("closed"), fs::perms::none);
  fs::permissions(P("tables/locked.vpt"), fs::perms::none);
  const auto run_unprivileged = [&](const std::vector<std::string>& args) {
    return WaitForProgram(StartProgram(tabrin_, args, {}, /*as_nobody=*/true));
  };
  EXPECT_EQ(run_unprivileged({P("closed/*.*"), "-hide"}).exit_code, 1);
  EXPECT_EQ(run_unprivileged({P("closed/c.vpt"), "-hide"}).exit_code, 1);
  EXPECT_EQ(Read("names.ini"), names);
  // A table that cannot be read is known by its file name alone.
  EXPECT_EQ(run_unprivileged({P("tables/*.*"), "-hide"}).exit_code, 0);
  fs::permissions(P("closed"), fs::perms::owner_all);
  const StrictIni after = Ini("names.ini");
  EXPECT_WHOLE(after);
  EXPECT_EQ(after.Get("pinmame", "art"), "art_l1");
  EXPECT_EQ(after.Get("vp", "locked"), "locked");
  EXPECT_EQ(after.Get("pinmame", "locked"), "(none)");
}

// ---------------------------------------------------------------------------------------------
// Broken settings

TEST_F(Hostile, BrokenExtractorSettingsStillGiveSensibleValues) {
  Emulator(/*pinmame=*/true);
  Table("t.vpt", PinMame("Settings Table", Game(1)));
  struct Case {
    const char* what;
    std::string settings;
    bool asks_emulator;
  };
  const std::string good = "[MAME]\r\nPath=\\emu\\\r\nExe=emu\r\nIsPinMAME=1\r\n";
  const std::vector<Case> cases = {
      {"garbage", Junk(64 * 1024, 11), false},
      {"one line of 8 MB", std::string(8 << 20, 'x'), false},
      {"huge values",
       "[MAME]\r\nPath=" + std::string(100000, 'p') + "\r\nExe=" + std::string(100000, 'e') +
           "\r\nIsPinMAME=" + std::string(400, '9') +
           "\r\n[VP]\r\nArtPath=" + std::string(100000, 'a') + "\r\n",
       false},
      {"huge switch", "[MAME]\r\nPath=\\emu\\\r\nExe=emu\r\nIsPinMAME=" + std::string(400, '9'),
       true},
      {"duplicate sections", good + "[MAME]\r\nExe=none\r\nIsPinMAME=0\r\n[mame]\r\nPath=/\r\n",
       true},
      {"binary bytes",
       std::string("[MAME]\r\nPath=\\emu\\") + '\0' + "junk\r\nExe=e\xFF\xFEmu\r\n\x01[VP]\r\n" +
           "ArtPath=\x80\x81\r\n",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const char* file : {"names.ini", "info.ini", "emu/lx.xml", "emu/runs.log"}) {
      fs::remove(P(file));
    }
    Write("Tabrin.ini", c.settings);
    const Outcome outcome = Scan();
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(outcome.exit_code, 0);
    EXPECT_LT(outcome.max_rss_kb, kMemoryBoundKb);
    const StrictIni names = Ini("names.ini");
    EXPECT_EQ(names.Section("vp"), (Entries{{"t", "Settings Table"}}));
    EXPECT_EQ(names.Section("pinmame"), (Entries{{"t", Game(1)}}));
    EXPECT_EQ(fs::exists(P("emu/runs.log")), c.asks_emulator);
    if (c.asks_emulator) EXPECT_EQ(Ini("info.ini").Get("pminfo", Game(1)), GameValue(1));
  }
}

}  // namespace
