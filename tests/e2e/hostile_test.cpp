// Power loss, concurrent runs, hostile tables, a program folder that takes no writes: whatever
// happens, nothing written is lost, nothing gets in, nothing runs, memory stays bounded.
#include <fcntl.h>
#include <sys/mount.h>

#include <cstring>
#include <functional>

#include "support/bent_table.h"
#include "tabrin_fixture.h"

namespace {
std::string Game(int i) { return "g" + std::to_string(100 + i); }
std::string Listing(int games) {
  std::string xml = "<mame>\n";
  for (int i = 0; i < games; ++i)
    xml += "<game name=\"" + Game(i) + "\"><year>1990</year></game>\n";
  return xml + "</mame>\n";
}

// Every path under `root`, relative to it; folders end with "/".
std::set<std::string> Tree(const std::string& root) {
  std::set<std::string> paths;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    paths.insert(fs::relative(entry.path(), root).string() + (entry.is_directory() ? "/" : ""));
  }
  return paths;
}

TEST_F(TabrinTest, PowerLossAtRandomPointsLosesNoEntryWrittenBeforeNorHalfATable) {
  // MAME mode: the catalogue is written before each start of the emulator (every 50th table names
  // a game), so kills meet writes made all through the run. Every tenth has no stored name.
  Emulator(/*pinmame=*/false, Listing(500));
  for (int i = 0; i < 500; ++i) {
    TableContents desc = PinMame("Table " + std::to_string(i), i % 50 ? "" : Game(i));
    if (i % 10 == 0) desc.table_name.reset();
    Table("t" + std::to_string(1000 + i) + ".vpt", desc);
  }
  ASSERT_EQ(Tabrin({P("tables/*.*"), "-hide"}).exit_code, 0);  // a run left alone makes all
  const StrictIni names = Ini("names.ini"), info = Ini("info.ini");
  std::map<std::string, std::string> blurbs;
  for (const std::string& file : Tree(P("Blurb"))) blurbs[file] = Read("Blurb/" + file);
  // Every file whole, keeping what it held and holding only entries of the whole catalogue, a
  // table's two names.ini entries together, every export whole; with `all`, every one there.
  const auto wrong = [&](const StrictIni& names_before, const StrictIni& info_before, bool all) {
    const StrictIni got = Ini("names.ini"), got_info = Ini("info.ini");
    std::string found = got.problem + got_info.problem + FirstLostEntry(got, names) +
                        FirstLostEntry(got_info, info) + FirstLostEntry(names_before, got) +
                        FirstLostEntry(info_before, got_info);
    for (const auto& [key, rom] : got.Section("pinmame")) found += got.Find("vp", key) ? "" : key;
    // info.ini is written first: a table that names.ini knows has its information there.
    for (const auto& [key, base] : got.Section("vp")) {
      found += base == key || got_info.Find("tabrin", base) ? "" : " no information for " + key;
    }
    const std::set<std::string> files = Tree(P("Blurb"));
    for (const std::string& f : files) found += Read("Blurb/" + f) == blurbs[f] ? "" : f;
    return found + (all && files.size() != blurbs.size() ? " Blurb" : "");
  };
  unsigned random = 7, kills = 0;
  for (int start = 0, restart = 1; start < 2000 && kills < 40; ++start) {
    if (restart) {
      for (const char* file : {"names.ini", "info.ini", "Blurb"}) fs::remove_all(P(file));
    }
    fs::create_directories(P("Blurb"));
    const std::string names_start = Read("names.ini");
    Child run = Start(P("tabrin"), {P("tables/*.*"), "-hide"}, env_);
    // Every eighth at start-up; the others at a random point once a first write is seen.
    for (int ms = 0; start % 8 && ms < 5000 && Read("names.ini") == names_start; ++ms) usleep(1000);
    usleep((random = random * 1103515245 + 12345) %
           (start % 8 ? start % 2 ? 40000 : 800000 : 30000));
    const StrictIni names_before = Ini("names.ini"), info_before = Ini("info.ini");
    kill(run.pid, SIGKILL);
    restart = Finish(run).exit_code != -SIGKILL;  // one that ended first made all: start again
    ASSERT_EQ(wrong(names_before, info_before, restart), "") << "start " << start;
    kills += !restart;
  }
  EXPECT_GE(kills, 40u);
  ASSERT_EQ(Tabrin({P("tables/*.*"), "-hide"}).exit_code, 0);  // and completes the killed ones
  EXPECT_EQ(wrong(names, info, true), "");
}

TEST_F(TabrinTest, ConcurrentRunsOverOverlappingFoldersLoseAndDuplicateNothing) {
  // Every sixth table names a game; folder k holds tables 12k to 12k+23, wrapping round.
  for (int i = 0; i < 48; ++i) {
    const std::string file = "t" + std::to_string(i) + ".vpt";
    Table(file, PinMame("T" + std::to_string(i), i % 6 ? "" : Game(i)));
    for (const int k : {i / 12, (i / 12 + 3) % 4}) {
      fs::create_directories(P("f" + std::to_string(k)));
      fs::create_hard_link(P("tables/" + file), P("f" + std::to_string(k) + "/" + file));
    }
  }
  // In PinMAME mode the runs share one listing that one of them makes; in MAME mode each writes
  // the one listing script for its own games. At once, they make what one run over all makes.
  for (const bool pinmame : {true, false}) {
    Emulator(pinmame, Listing(48));
    std::map<std::string, std::map<std::string, std::string>> alone;
    for (const int runs : {1, 4}) {
      for (const char* file : {"names.ini", "info.ini", "emu/lx.xml"}) fs::remove(P(file));
      std::vector<Child> started;
      for (int k = 0; k < runs; ++k) {
        const std::string folder = runs == 1 ? "tables" : "f" + std::to_string(k);
        started.push_back(Start(P("tabrin"), {P(folder + "/*.*"), "-hide"}, env_));
      }
      for (Child& run : started) EXPECT_EQ(Finish(run).exit_code, 0);
      EXPECT_EQ(Ini("names.ini").problem + Ini("info.ini").problem, "");
      auto catalogue = Ini("names.ini").sections;
      catalogue.merge(Ini("info.ini").sections);
      if (runs > 1) {
        EXPECT_EQ(catalogue, alone) << (pinmame ? "PinMAME" : "MAME");
      }
      alone = catalogue;
    }
    EXPECT_EQ(alone["pminfo"].size(), 8u);
  }
}

TEST_F(TabrinTest, HostileTablesAndNamesGetTheQuietOutcome) {
  Emulator(/*pinmame=*/false, Listing(100));
  const std::string alias = "[Alias]\r\n" + Game(2) + "=$(touch pwned)\r\n";
  Write("alias.ini", alias);
  // Names that could leave the export folders, add lines or sections, or mislead, and ROM names
  // a shell would run (game 2's alias is no name).
  const Args table_names({"..", ".", "../../../escaped", "sub/../../../../escaped",
                          "..\\..\\escaped", "/tmp/escaped", "x\r\n[PinMAME]\r\nh10=evil",
                          "x\r\n[Tabrin]\r\n..=evil|||||", "[Alias]", "=", "a=b", ";comment",
                          std::string(300, 'L'), "tab\tand\x7F", "::", "C:\\escaped"});
  const Args roms({"x;touch pwned", "a&touch pwned", "a|touch pwned", "$(touch pwned)",
                   "`touch pwned`", "x'touch pwned'", "a b", "../../pwned",
                   "x\\\";touch pwned;\\\"", "-lx", Game(1), Game(2)});
  for (size_t i = 0; i < table_names.size(); ++i) {
    TableContents desc = PinMame(table_names[i], i < roms.size() ? roms[i] : "");
    desc.description = desc.rules = desc.screenshot = "\xFF\xD8 d";
    Table("h" + std::to_string(10 + i) + ".vpt", desc);
  }
  // File names that are no plain keys: "a=b", ";semi" and "[Alias]" (whose line would read as a
  // section) get keys with codes for what a key cannot hold; line breaks become spaces.
  for (const std::string& key : Args({"[Alias]", "a=b", ";semi", "cr\r\nlf", "back\\slash",
                                      "quote\"d", "-clear", std::string(251, 'F')})) {
    Table(key + ".vpt", PinMame("", Game(3)));
  }
  // A name that is no text; streams of no bytes, which give empty fields and no files; files
  // that are no table, known by their names alone; pipes, devices and folders, never waited for.
  TableContents invalid = PinMame("", ""), empty;
  invalid.raw_info_streams["TableName"] = std::string("\0\xD8\x41\0\0\xDC\x42", 7);
  Table("invalid.vpt", invalid);
  empty.table_name = empty.author_name = empty.blurb = empty.rules = empty.screenshot = "";
  Table("empty.vpt", empty);
  Write("tables/garbage.vpt", std::string(5000, '\xD0'));
  Write("tables/truncated.vpt", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1 truncated");
  ASSERT_EQ(mkfifo(P("tables/pipe.vpt").c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", P("tables/zero.vpt"));
  fs::create_directories(P("tables/folder.vpt"));
  // Cycles, chains and sizes past the end, a sector size of no version; entries linked beside
  // the root, which no lookup follows.
  TableContents cycle = PinMame("Cycle", "");
  cycle.blurb = std::string(3000, 'b');  // long enough for the big sectors
  ASSERT_TRUE(WriteTable(dir_.Path("cycle.vpt"), cycle));
  const std::vector<std::pair<std::string, std::function<void(Bent&)>>> bends = {
      {"fat_loop", [](Bent& f) { f.Loop(f.Start("TableBlurb")); }},
      {"directory_loop", [](Bent& f) { f.Loop(f.Get(48)); }},
      {"mini_loop", [](Bent& f) { f.Loop(f.Start("TableName"), true); }},
      {"sibling_loop",
       [](Bent& f) { f.Set(f.At(f.Entry("TableName")) + 68, f.Entry("TableName")); }},
      {"child_is_root", [](Bent& f) { f.Set(f.At(f.Entry("TableInfo")) + 76, 0); }},
      {"root_sibling", [](Bent& f) { f.Set(f.At(0) + 68, f.Entry("GameStg")); }},
      {"past_the_end", [](Bent& f) { f.Set(f.Link(f.Start("TableBlurb")), 0x7FFFFFF0); }},
      {"size_beyond", [](Bent& f) { f.Set(f.At(f.Entry("TableBlurb")) + 120, 0xFFFFFFF0); }},
      {"huge_shift", [](Bent& f) { f.bytes[30] = 31; }}};
  for (const auto& [file, bend] : bends) {
    Bent bent{ReadFile(dir_.Path("cycle.vpt"))};
    bend(bent);
    Write("tables/" + file + ".vpt", bent.bytes);
  }
  Table("good.vpt", PinMame("Good Table", "good_l1"));
  const std::set<std::string> before = Tree(dir_.path());
  Check({Row("a scan", {}, {P("tables/*.*"), "-hide"},
             {"alias.ini", alias, "Blurb/Good Table.txt", ToUtf16Le("Blurb of Good Table"),
              "emu/runs.log", Game(3) + " -lx\ngood_l1 -lx\n" + Game(1) + " -lx\n"}),
         Row("a pipe", {}, {P("tables/pipe.vpt"), "-hide"}, {}, 1, "", {},
             Lost(P("tables/pipe.vpt"))),
         Row("a device", {}, {P("tables/zero.vpt"), "-hide"}, {}, 1, "", {},
             Lost(P("tables/zero.vpt"))),
         Row("a folder, whatever its name, is its tables", {}, {P("tables/folder.vpt"), "-hide"})});
  const StrictIni names = Ini("names.ini"), info = Ini("info.ini");
  EXPECT_EQ(names.problem + info.problem, "");  // no line or section added
  // info.ini adds where each ROM came from, how it was followed, what the emulator lacks, where
  // the ROM files are and each table's file.
  EXPECT_EQ(names.sections.size() + info.sections.size() + info.Section("pminfo").size(), 11u);
  // Every table has its own key, "a=b", ";semi" and "[Alias]" too (written "a%3Db", "%3Bsemi"
  // and "%5BAlias]"); not the pipe, device or folder.
  EXPECT_EQ(names.Section("vp").size(), Tree(P("tables")).size() - 3);
  EXPECT_EQ(names.Get("vp", "cr  lf") + names.Get("vp", "empty") + names.Get("vp", "root_sibling") +
                names.Get("pinmame", "%5BAlias]") + names.Get("pinmame", "h13"),
            "cr  lfemptyCycleg103(none)");  // a command is no ROM name
  // Nothing was made but files right inside the export folders, with names that cannot mislead.
  for (std::string path : Tree(dir_.path())) {
    if (before.contains(path) || path.ends_with(".ini") || path.ends_with(".log")) continue;
    EXPECT_EQ(path.find("pwned"), std::string::npos) << path;
    EXPECT_TRUE(path.starts_with("outer/inner/prog/")) << path;
    path.erase(0, 17);
    EXPECT_TRUE(path == "lx.sh" || std::count(path.begin(), path.end(), '/') == 1) << path;
    for (const char c : path) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << path;
  }
  EXPECT_FALSE(fs::exists("/pwned") || fs::exists(P("Blurb/empty.txt")));
}

// A pipe where the listing belongs is never waited for, and an emulator folder that the user may
// not write (a system folder) gets no listing: it goes into the program folder.
TEST_F(TabrinTest, TheListingIsNeverWaitedForNorWrittenWhereItMayNotBe) {
  Emulator(/*pinmame=*/true, Listing(3));
  Table("t.vpt", PinMame("T", Game(1)));
  ASSERT_EQ(mkfifo(P("emu/lx.xml").c_str(), 0644), 0);
  const std::string info =
      "[Tabrin]\r\nT=T|Ann "
      "Author||||\r\n\r\n[PMInfo]\r\ng101=|1990||g101\r\n[RomSource]\r\nt=found "
      "in t.vpt, line 1: Const cGameName = \"g101\"\r\n[RomVia]\r\nt=cGameName -> \"g101\", given "
      "to the controller on line 4: .GameName = cGameName\r\n[RomFile]\r\nt=\r\n";
  Check({Row("a pipe", {}, {P("tables/*.*"), "-hide"}, {"info.ini", info})});
  for (const char* file : {"emu/lx.xml", "info.ini", "names.ini"}) fs::remove(P(file));
  for (const std::string& path : {dir_.path(), prog_}) fs::permissions(path, fs::perms(0777));
  fs::permissions(P("emu"), fs::perms(0555));
  EXPECT_EQ(Tabrin({P("tables/*.*"), "-hide"}, {}, true).exit_code, 0);
  fs::permissions(P("emu"), fs::perms(0755));
  EXPECT_EQ(WithoutTableFiles(Read("info.ini")) + std::to_string(fs::exists(P("emu/lx.xml"))),
            info + "0");
  EXPECT_NE(Read("lx.xml").find("<game name=\"g101\">"), std::string::npos);
}

// Streams written for real: a CTest label keeps them apart.
TEST_F(TabrinTest, Big_AStreamOf200MegabytesIsCopiedInBoundedMemory) {
  TableContents desc = PinMame("Big Table", "big_l1");
  desc.raw_info_streams["Screenshot"] = std::string(size_t{200} << 20, '\xFF');
  Table("big.vpt", desc);
  desc = {};  // the forked child would count it as its own
  Check({Row("a scan", {}, {P("tables/*.*"), "-hide"})});
  EXPECT_EQ(fs::file_size(P("snap/Big Table.jpg")), size_t{200} << 20);
}

TEST_F(TabrinTest, AProgramFolderThatTakesNoWritesKeepsTheCatalogue) {
  const std::string disk = dir_.MakeDir("disk"), filler = disk + "/filler";
  const size_t size = fs::file_size(TABRIN_BINARY) + (size_t{512} << 10);
  if (mount("tmpfs", disk.c_str(), "tmpfs", 0, ("size=" + std::to_string(size)).c_str()) != 0) {
    GTEST_SKIP() << "skipped: the system refused to mount a small file system";
  }
  const std::unique_ptr<const char, int (*)(const char*)> unmount(disk.c_str(), umount);
  UseProgramFolder(disk + "/prog");
  const std::string tables = dir_.MakeDir("tables");  // on another file system, with room
  for (const char* key : {"a", "b", "c", "d", "e", "f"}) {
    ASSERT_TRUE(WriteTable(tables + "/" + key + ".vpt", PinMame(key, std::string(key) + "_l1")));
    if (*key == 'c') {
      ASSERT_EQ(Tabrin({tables + "/*.*", "-hide"}).exit_code, 0);
    }
  }
  fs::permissions(dir_.path(), fs::perms(0755));  // for runs as nobody
  // A folder where nobody may write, then a disk with nothing, a page and four pages left.
  for (const off_t leave : {-1, 0, 4096, 16384}) {
    fs::permissions(prog_, fs::perms(leave < 0 ? 0555 : 0755));
    const int fd = open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_TRUE(leave < 0 || posix_fallocate(fd, 0, fs::space(disk).available - leave) == 0);
    close(fd);
    const StrictIni names = Ini("names.ini"), info = Ini("info.ini");
    const std::set<std::string> tree = Tree(prog_);
    for (const char* option : {"-overwrite", "-hide", leave < 0 ? "-clear" : "-exit"}) {
      SCOPED_TRACE(std::to_string(leave) + " bytes left, " + option);
      const Child run = Tabrin({tables + "/*.*", "-hide", option}, {}, leave < 0);
      // Done means written: what could not be is told, and with no room at all something is.
      const bool whole = Ini("names.ini").Section("vp").size() == 6;
      EXPECT_EQ(run.exit_code, whole && leave > 0 && run.err.empty() ? 0 : 3) << run.err;
      EXPECT_EQ(run.err.empty(), run.exit_code == 0);
      for (size_t at = 0; at < run.err.size(); at = run.err.find('\n', at) + 1) {
        EXPECT_EQ(run.err.substr(at, 18), "tabrin: could not ") << run.err;
      }
      EXPECT_EQ(Ini("names.ini").problem + FirstLostEntry(names, Ini("names.ini")), "");
      EXPECT_EQ(Ini("info.ini").problem + FirstLostEntry(info, Ini("info.ini")), "");
      if (leave <= 0) {
        EXPECT_EQ(Tree(prog_), tree);
      }
      // No temporary file stays, and an exported file, old or new, is whole or absent.
      for (const std::string& path : Tree(prog_)) {
        if (tree.contains(path) || path.ends_with(".ini")) continue;
        EXPECT_EQ(Read(path), ToUtf16Le("Blurb of " + path.substr(6, 1))) << path;
      }
    }
  }
  // Unreadable, a table is known by its file name, a folder has none; export folders are made.
  fs::remove(filler);
  fs::permissions(prog_, fs::perms(0777));
  for (const char* file : {"names.ini", "info.ini"}) fs::permissions(P(file), fs::perms(0666));
  for (const char* folder : {"Blurb", "snap"}) fs::remove_all(P(folder));
  fs::permissions(tables + "/f.vpt", fs::perms::none);
  fs::permissions(dir_.MakeDir("closed"), fs::perms::none);
  EXPECT_EQ(Tabrin({dir_.Path("closed/*.*"), "-hide"}, {}, true).exit_code, 1);
  EXPECT_EQ(Tabrin({tables + "/*.*", "-hide", "-overwrite"}, {}, true).exit_code, 0);
  EXPECT_EQ(Ini("names.ini").Get("vp", "f") + Ini("names.ini").Get("pinmame", "e"), "fe_l1");
  EXPECT_TRUE(fs::exists(P("Blurb/e.txt")) && !fs::exists(P("snap")));
}
}  // namespace
