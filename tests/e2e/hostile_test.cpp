// Faults and attacks against the real tabrin: power loss, concurrent runs, hostile tables, names,
// listings and settings, a program folder that takes no writes, unreadable tables. Whatever
// happens, nothing written is lost, nothing gets in, nothing runs, memory stays bounded and
// every run ends.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cstring>
#include <functional>
#include <optional>
#include <random>

#include "tabrin_fixture.h"

namespace {

namespace fs = std::filesystem;

std::string Game(int i) { return "g" + std::to_string(100 + i); }
std::string GameValue(int i) { return "Game " + std::to_string(i) + "|1990|Maker|" + Game(i); }
std::string Listing(int games) {
  std::string xml = "<?xml version=\"1.0\"?>\n<mame>\n";
  for (int i = 0; i < games; ++i) {
    xml += "<game name=\"" + Game(i) + "\"><description>Game " + std::to_string(i) +
           "</description><year>1990</year><manufacturer>Maker</manufacturer></game>\n";
  }
  return xml + "</mame>\n";
}

// Bytes of every value, the same on every run.
std::string Junk(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

// Every path under `root`, relative to it; folders end with "/".
std::set<std::string> Tree(const std::string& root) {
  std::set<std::string> paths;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    paths.insert(it->path().lexically_relative(root).string() + (it->is_directory() ? "/" : ""));
  }
  return paths;
}

// Fills the file system of `path` with the file `path` until `leave` bytes are free.
bool FillDisk(const std::string& path, off_t leave) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
  const std::string chunk(64 * 1024, 'f');
  for (size_t piece : {chunk.size(), size_t{1}}) {  // then the last free page goes too
    while (write(fd, chunk.data(), piece) == static_cast<ssize_t>(piece)) {
    }
  }
  const off_t size = lseek(fd, 0, SEEK_END);
  const bool ok = fd >= 0 && size > leave && ftruncate(fd, size - leave) == 0;
  close(fd);
  return ok;
}

// A tmpfs of `bytes` on the folder `path` while it lives; `ok` is false when the system refuses.
struct Tmpfs {
  Tmpfs(const std::string& path, size_t bytes) : path(path) {
    ok = mount("tmpfs", path.c_str(), "tmpfs", 0, ("size=" + std::to_string(bytes)).c_str()) == 0;
  }
  ~Tmpfs() { ok&& umount2(path.c_str(), MNT_DETACH); }
  std::string path;
  bool ok;
};

// A small table as the writer writes it (512-byte sectors, one sector each of FAT and mini
// FAT), for bending the links between its sectors and between its directory entries.
struct Bent {
  uint32_t Get(size_t at) const { return at + 4 <= bytes.size() ? *(uint32_t*)&bytes[at] : ~0u; }
  void Set(size_t at, uint32_t value) { std::memcpy(&bytes[at], &value, 4); }
  size_t Link(uint32_t sector, bool mini = false) const {
    return 512 + size_t{Get(mini ? 60 : 76)} * 512 + 4 * sector;
  }
  size_t At(uint32_t entry) const {  // the directory is a chain of sectors of four entries
    uint32_t sector = Get(48);
    for (uint32_t i = entry / 4; i > 0; --i) sector = Get(Link(sector));
    return 512 + size_t{sector} * 512 + entry % 4 * 128;
  }
  uint32_t Entry(const std::string& name) const {
    uint32_t entry = 0;
    while (bytes.compare(At(entry), 2 * name.size() + 2, ToUtf16Le(name) + '\0' + '\0')) ++entry;
    return entry;
  }
  uint32_t Start(const std::string& name) const { return Get(At(Entry(name)) + 116); }
  // Links the last sector of the chain from `first` back to it.
  void Loop(uint32_t first, bool mini = false) {
    uint32_t last = first;
    while (Get(Link(last, mini)) <= 0xFFFFFFF9) last = Get(Link(last, mini));
    Set(Link(last, mini), first);
  }
  std::string bytes;
};

class Hostile : public TabrinTest {
 protected:
  // The program folder in memory where the system allows it: runs that write thousands of
  // entries then take seconds, not minutes of disk syncs, and meet the same code.
  void UseMemoryFolder() {
    ram_.emplace(dir_.MakeDir("ram"), size_t{256} << 20);
    if (ram_->ok) UseProgramFolder(dir_.Path("ram/prog"));
  }
  std::optional<Tmpfs> ram_;  // unmounted before the temporary folder goes
};

TEST_F(Hostile, PowerLossAtRandomPointsLosesNoEntryWrittenBefore) {
  UseMemoryFolder();
  for (int i = 0; i < 500; ++i) {  // every fifth table plain, every tenth without a stored name
    TableSpec spec = PinMame("Table " + std::to_string(i), i % 5 ? "r" + std::to_string(i) : "");
    if (i % 10 == 0) spec.table_name.reset();
    Table("t" + std::to_string(1000 + i) + ".vpt", spec);
  }
  // What a run left alone makes is the whole catalogue.
  ASSERT_EQ(Scan().exit_code, 0);
  const StrictIni names = Ini("names.ini"), info = Ini("info.ini");
  Entries blurbs;
  for (const std::string& file : Tree(P("Blurb"))) blurbs[file] = Read("Blurb/" + file);
  const auto restart = [&] {
    for (const char* file : {"names.ini", "info.ini", "Blurb"}) fs::remove_all(P(file));
    fs::create_directory(P("Blurb"));
  };
  // Every file whole, holding what it held before the kill and only entries of the whole
  // catalogue, a table's two names.ini entries together, every export whole.
  const auto check = [&](const StrictIni& names_before, const StrictIni& info_before) {
    const StrictIni names_now = Ini("names.ini"), info_now = Ini("info.ini");
    std::string wrong = names_now.problem + info_now.problem + FirstLostEntry(names_now, names) +
                        FirstLostEntry(info_now, info) + FirstLostEntry(names_before, names_now) +
                        FirstLostEntry(info_before, info_now);
    for (const auto& [key, rom] : names_now.Section("pinmame")) {
      if (names_now.Find("vp", key) == nullptr) wrong += " half of " + key;
    }
    for (const std::string& file : Tree(P("Blurb"))) {
      if (Read("Blurb/" + file) != blurbs[file]) wrong += " Blurb/" + file;
    }
    return wrong;
  };
  const auto whole = [&] {
    return FirstLostEntry(names, Ini("names.ini")) + FirstLostEntry(info, Ini("info.ini")) +
           (Tree(P("Blurb")).size() == blurbs.size() ? "" : "Blurb");
  };
  const auto names_inode = [&] {  // every write puts a new file in place
    struct stat info {};
    stat(P("names.ini").c_str(), &info);
    return info.st_ino;
  };
  restart();
  std::mt19937 random(7);
  int kills = 0;
  for (int start = 0; start < 2000 && kills < 100; ++start) {
    const ino_t inode = names_inode();
    Child run = Start(P("tabrin"), {P("tables/*.*"), "-hide"});
    // Every eighth at start-up, while the templates are made; the others once a write is seen,
    // at a random point of the tables that follow.
    for (int ms = 0; start % 8 != 0 && ms < 5000 && names_inode() == inode; ++ms) usleep(1000);
    usleep(random() % (start % 8 != 0 ? 40000 : 30000));
    const StrictIni names_before = Ini("names.ini"), info_before = Ini("info.ini");
    kill(run.pid, SIGKILL);
    ASSERT_TRUE(Finish(run).ended);
    ASSERT_EQ(check(names_before, info_before), "") << "start " << start;
    kills += run.signal == SIGKILL;
    if (run.signal == SIGKILL) continue;
    ASSERT_EQ(whole(), "") << "it ended before the kill: its catalogue is whole";
    restart();
  }
  EXPECT_GE(kills, 100);
  // A run left alone completes what the killed ones began.
  ASSERT_EQ(Scan().exit_code, 0);
  EXPECT_EQ(whole(), "");
}

TEST_F(Hostile, ConcurrentRunsOverOverlappingFoldersLoseAndDuplicateNothing) {
  // Every third table names a game. Folder k holds tables 12k to 12k+23 (wrapping round), so
  // each overlaps its neighbours by half.
  UseMemoryFolder();
  for (int i = 0; i < 48; ++i) {
    Table("t" + std::to_string(i) + ".vpt",
          PinMame("Table " + std::to_string(i), i % 3 ? "" : Game(i)));
  }
  for (int k = 0; k < 4; ++k) {
    fs::create_directories(P("f" + std::to_string(k)));
    for (int j = 12 * k; j < 12 * k + 24; ++j) {
      const std::string file = "/t" + std::to_string(j % 48) + ".vpt";
      fs::create_hard_link(P("tables" + file), P("f" + std::to_string(k) + file));
    }
  }
  // Two runs in PinMAME mode share one listing that one of them makes; four in MAME mode each
  // write the one listing script for their own games. Together they make what they make one
  // after another.
  for (const int runs : {2, 4}) {
    SCOPED_TRACE(std::to_string(runs) + " runs");
    Emulator(/*pinmame=*/runs == 2, Listing(48));
    StrictIni names, info;
    for (const bool together : {false, true}) {
      for (const char* file : {"names.ini", "info.ini", "emu/lx.xml"}) fs::remove(P(file));
      std::vector<Child> started;
      for (int k = 0; k < runs; ++k) {
        started.push_back(Start(P("tabrin"), {P("f" + std::to_string(k) + "/*.*"), "-hide"}, env_));
        if (!together) EXPECT_EQ(Finish(started.back()).exit_code, 0);
      }
      for (size_t k = together ? 0 : runs; k < started.size(); ++k) {
        EXPECT_EQ(Finish(started[k]).exit_code, 0);
      }
      if (!together) names = Ini("names.ini"), info = Ini("info.ini");
    }
    EXPECT_EQ(Ini("names.ini").problem + Ini("info.ini").problem, "");
    EXPECT_EQ(Ini("names.ini").sections, names.sections);
    EXPECT_EQ(Ini("info.ini").sections, info.sections);
    EXPECT_EQ(info.Section("pminfo").size(), runs == 2 ? 12u : 16u);
  }
}

TEST_F(Hostile, HostileTablesAndNamesGetTheQuietOutcome) {
  Emulator(/*pinmame=*/false, Listing(100));
  const std::string alias = "[Alias]\r\noth_l1=other\r\n" + Game(2) + "=$(touch pwned)\r\n";
  Write("alias.ini", alias);
  Write("names.ini", "[VP]\r\nOther=Other Table\r\n\r\n[PinMAME]\r\nOther=oth_l1\r\n");
  Write("info.ini", "[Tabrin]\r\nOther Table=Other|x||||\r\n\r\n[PMInfo]\r\noth_l1=O|1990|M|o\r\n");
  const StrictIni names_before = Ini("names.ini"), info_before = Ini("info.ini");
  // Table names that could leave the export folders, add lines or sections, or mislead, with
  // ROM names that a shell would run (the quote in "x'touch" starts a comment: the ROM is x;
  // game 2 is asked for by its alias, which is no plain name). Each exports every kind of file.
  const std::vector<std::string> table_names = {"..",
                                                ".",
                                                "../../../escaped",
                                                "sub/../../../../escaped",
                                                "..\\..\\escaped",
                                                "/tmp/escaped",
                                                "x\r\n[PinMAME]\r\nOther=evil",
                                                "x\r\n[Tabrin]\r\nOther Table=evil|||||",
                                                "[Alias]",
                                                "=",
                                                "a=b",
                                                ";comment",
                                                std::string(300, 'L'),
                                                "tab\tand\x7F",
                                                "::",
                                                "C:\\escaped"};
  const std::vector<std::string> roms = {
      "x;touch pwned",  "a&touch pwned", "a|touch pwned", "$(touch pwned)",         "`touch pwned`",
      "x'touch pwned'", "a b",           "../../pwned",   "x\\\";touch pwned;\\\"", "-lx",
      Game(1),          Game(2)};
  for (size_t i = 0; i < table_names.size(); ++i) {
    TableSpec spec = PinMame(table_names[i], i < roms.size() ? roms[i] : "");
    spec.description = spec.rules = spec.screenshot = "\xFF\xD8 d";
    Table("h" + std::to_string(10 + i) + ".vpt", spec);
  }
  // File names that are no plain keys: "a=b", ";semi" and, in [VP], "[Alias]" (whose line would
  // read as a section) are not written; line breaks become spaces.
  for (const std::string key :
       std::vector<std::string>{"[Alias]", "a=b", ";semi", "cr\r\nlf", "back\\slash", "quote\"d",
                                "-clear", "$(touch pwned)", std::string(251, 'F')}) {
    Table(key + ".vpt", PinMame("", Game(3)));
  }
  // Names that are no text; streams of no bytes, which give empty fields and no files; files
  // that are no table, known by their names alone; pipes, devices and folders, never waited for.
  TableSpec odd = PinMame("", ""), empty;
  odd.raw_info_streams["TableName"] = std::string(
      "\x00\xD8"
      "A\x00\x00\xDC"
      "B",
      7);
  Table("invalid.vpt", odd);
  odd.raw_info_streams["TableName"] = ToUtf16Le("nul") + std::string(2, '\0') + ToUtf16Le("x");
  Table("nul.vpt", odd);
  for (auto* text : {&empty.table_name, &empty.author_name, &empty.table_version,
                     &empty.release_date, &empty.author_email, &empty.author_website, &empty.blurb,
                     &empty.description, &empty.rules, &empty.screenshot}) {
    *text = "";
  }
  Table("empty.vpt", empty);
  TableSpec silent = PinMame("Silent", "");
  silent.blurb = silent.screenshot = "";
  Table("silent.vpt", silent);
  Write("tables/garbage.vpt", std::string(5000, '\xD0'));
  Write("tables/truncated.vpt", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1 truncated");
  ASSERT_EQ(mkfifo(P("tables/pipe.vpt").c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", P("tables/zero.vpt"));
  fs::create_directories(P("tables/folder.vpt"));
  // Compound files with cycles, and with entries linked beside the root, which would never be
  // freed: such a file is no table.
  TableSpec cycle = PinMame("Cycle", "");
  cycle.blurb = std::string(3000, 'b');  // long enough for the big sectors
  ASSERT_TRUE(WriteTable(dir_.Path("cycle.vpt"), cycle));
  const std::vector<std::pair<std::string, std::function<void(Bent&)>>> bends = {
      {"fat_loop", [](Bent& f) { f.Loop(f.Start("TableBlurb")); }},
      {"fat_self", [](Bent& f) { f.Set(f.Link(f.Start("TableBlurb")), f.Start("TableBlurb")); }},
      {"directory_loop", [](Bent& f) { f.Loop(f.Get(48)); }},
      {"mini_self",
       [](Bent& f) { f.Set(f.Link(f.Start("TableName"), true), f.Start("TableName")); }},
      {"mini_stream_loop", [](Bent& f) { f.Loop(f.Start("Root Entry")); }},
      {"sibling_self",
       [](Bent& f) { f.Set(f.At(f.Entry("TableName")) + 68, f.Entry("TableName")); }},
      {"sibling_pair",
       [](Bent& f) {
         f.Set(f.At(f.Entry("TableInfo")) + 68, f.Entry("GameStg"));
         f.Set(f.At(f.Entry("GameStg")) + 72, f.Entry("TableInfo"));
       }},
      {"child_is_root", [](Bent& f) { f.Set(f.At(f.Entry("TableInfo")) + 76, 0); }},
      {"child_is_itself",
       [](Bent& f) { f.Set(f.At(f.Entry("GameStg")) + 76, f.Entry("GameStg")); }},
      {"root_sibling", [](Bent& f) { f.Set(f.At(0) + 68, f.Entry("GameStg")); }}};
  for (const auto& [file, bend] : bends) {
    Bent bent{ReadFile(dir_.Path("cycle.vpt"))};
    bend(bent);
    Write("tables/" + file + ".vpt", bent.bytes);
  }
  Table("good.vpt", PinMame("Good Table", "good_l1"));
  const std::set<std::string> before = Tree(dir_.path());

  Check({Row("a scan", {}, {P("tables/*.*"), "-hide"}, 0, "",
             {{"alias.ini", alias},
              {"Blurb/Good Table.txt", ToUtf16Le("Blurb of Good Table")},
              {"Blurb/Silent.txt", kGone},
              {"snap/Silent.jpg", kGone},
              {"emu/runs.log", Game(3) + " -lx\ngood_l1 -lx\nx -lx\n" + Game(1) + " -lx\n"}}),
         Row("a pipe", {}, {P("tables/pipe.vpt"), "-hide"}, 1, ""),
         Row("a device", {}, {P("tables/zero.vpt"), "-hide"}, 1, ""),
         Row("a folder", {}, {P("tables/folder.vpt"), "-hide"}, 1, "")});
  const StrictIni names = Ini("names.ini"), info = Ini("info.ini");
  EXPECT_EQ(names.problem + info.problem, "");
  EXPECT_EQ(FirstLostEntry(names_before, names) + FirstLostEntry(info_before, info), "");
  EXPECT_EQ(names.sections.size() + info.sections.size(), 4u);
  std::set<std::string> keys;  // every table has its own, but "a=b", ";semi" and "[Alias]"
  for (const auto& [key, value] : names.Section("vp")) keys.insert(key);
  EXPECT_EQ(keys.size(), Tree(P("tables")).size() - 3 - 3 + 1);  // less pipe, device, folder
  for (const char* key : {"Other", "cr  lf", "back\\slash", "quote\"d", "-clear", "$(touch pwned)",
                          "invalid", "nul", "garbage", "truncated", "h10", "h25"}) {
    EXPECT_TRUE(keys.contains(key)) << key;
  }
  EXPECT_EQ(names.Get("vp", "empty") + "," + names.Get("vp", "good"), "empty,Good Table");
  EXPECT_EQ(names.Get("vp", "root_sibling") + "," + names.Get("pinmame", "[Alias]"),
            "root sibling," + Game(3));
  EXPECT_EQ(names.Get("pinmame", "h13"), "$(touch pwned)");  // kept, as data
  EXPECT_EQ(info.Section("pminfo"),
            (Entries{{"oth_l1", "O|1990|M|o"}, {Game(1), GameValue(1)}, {Game(3), GameValue(3)}}));
  // Nothing was made but files right inside the export folders, with names that cannot mislead.
  for (const std::string& path : Tree(dir_.path())) {
    if (before.contains(path) || path.ends_with(".ini") || path.ends_with(".log") ||
        path.ends_with(".sh"))
      continue;
    EXPECT_EQ(path.find("pwned"), std::string::npos) << path;
    const std::string in_prog = path.substr(std::min(path.size(), size_t{17}));
    EXPECT_TRUE(path.starts_with("outer/inner/prog/")) << path;
    EXPECT_EQ(std::count(in_prog.begin(), in_prog.end(), '/'), 1) << path;
    for (const char c : in_prog) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << path;
  }
  EXPECT_FALSE(fs::exists("/pwned"));
}

// Streams written for real: a CTest label keeps them apart.
TEST_F(Hostile, Big_AStreamOf200MegabytesIsCopiedInBoundedMemory) {
  TableSpec spec = PinMame("Big Table", "big_l1");
  spec.raw_info_streams["TableBlurb"] = std::string(size_t{200} << 20, 'b');
  Table("big.vpt", spec);
  spec = {};  // the forked child would count it as its own
  Check({Row("a scan", {}, {P("tables/*.*"), "-hide"}, 0, "")});
  EXPECT_EQ(Ini("names.ini").Get("pinmame", "big"), "big_l1");
  std::error_code error;
  EXPECT_EQ(fs::file_size(P("Blurb/Big Table.txt"), error), size_t{200} << 20);
}

TEST_F(Hostile, HostileListingsAndSettingsAddNothingButTheGame) {
  Table("t.vpt", PinMame("T", Game(1)));
  Emulator(/*pinmame=*/true, Listing(100));
  const auto mode = [](const std::string& value) {
    return "[MAME]\r\nPath=\\emu\\\r\nExe=emu\r\nIsPinMAME=" + value + "\r\n";
  };
  const std::string pinmame = "-lx\n", mame = Game(1) + " -lx\n";  // how the emulator is asked
  const std::string start = "<game name=\"" + Game(1) + "\"><description>";
  const std::string injected = "<game name=\"" + Game(1) + "\" cloneof=\"x\r\n[Tabrin]\r\nT=evil" +
                               "\r\n\"><description>a|b\r\n[PMInfo]\r\nold_l1=evil" + '\0' +
                               "</description><year>\n" + Junk(300, 4) + std::string(1 << 20, 'm');
  const std::tuple<const char*, std::string, std::string, std::function<void()>> cases[] = {
      {"garbage", Junk(64 * 1024, 11), kGone, [] {}},
      {"one line of 8 MB", std::string(8 << 20, 'x'), kGone, [] {}},
      {"huge values",
       "[MAME]\r\nPath=" + std::string(100000, 'p') +
           "\r\nExe=emu\r\n[VP]\r\nArtPath=" + std::string(100000, 'a'),
       kGone, [] {}},
      {"binary bytes",
       std::string("[MAME]\r\nPath=\\emu\\\0junk\r\nExe=e\xFF\xFEmu\r\n\x01[VP]\r\nArtPath=\x80",
                   50),
       kGone, [] {}},
      {"sections twice", mode("1") + "[MAME]\r\nExe=none\r\nIsPinMAME=0\r\n[mame]\r\nPath=/\r\n",
       pinmame, [] {}},
      // The switch is a number in 16 bits, rounded half to even; anything else is 0.
      {"1", mode("1"), pinmame, [] {}},
      {"-1", mode(" -1"), pinmame, [] {}},
      {"+1", mode("+1"), pinmame, [] {}},
      {"0.6", mode("0.6"), pinmame, [] {}},
      {"0.5", mode("0.5"), mame, [] {}},
      {"1.5", mode("1.5"), pinmame, [] {}},
      {"past 16 bits", mode("99999"), pinmame, [] {}},
      {"a word", mode("yes"), mame, [] {}},
      {"a listing of a gigabyte, kept", mode("1"), kGone,
       [&] {
         Write("emu/lx.xml", start);
         fs::resize_file(P("emu/lx.xml"), size_t{1} << 30);
       }},
      {"an emulator answering with a gigabyte", mode("0"), kGone,
       [&] { Write("emu/emu", "#!/bin/sh\nprintf '" + start + "'\ntruncate -s 1G lx.xml\n"); }},
      {"binary junk with lines and sections inside", mode("1"), kGone,
       [&] { Write("emu/lx.xml", Junk(500000, 3) + injected + Junk(500000, 5)); }},
  };
  for (const auto& [why, settings, runs, make] : cases) {
    Write("info.ini", "[Tabrin]\r\nOther=Other|x||||\r\n\r\n[PMInfo]\r\nold_l1=O|1980|M|o\r\n");
    const StrictIni before = Ini("info.ini");
    fs::remove(P("emu/lx.xml"));
    make();
    Check({Row(why, {{"Tabrin.ini", settings}, {"names.ini", kGone}, {"emu/runs.log", kGone}},
               {P("tables/*.*"), "-hide"}, 0, "",
               {{"names.ini", "[VP]\r\nt=T\r\n\r\n[PinMAME]\r\nt=" + Game(1) + "\r\n"},
                {"emu/runs.log", runs}})});
    const StrictIni info = Ini("info.ini");
    EXPECT_EQ(info.problem + FirstLostEntry(before, info), "") << why;
    EXPECT_EQ(info.EntryCount() - info.Section("pminfo").count(Game(1)), 3u) << why;
    if (runs != kGone) EXPECT_EQ(info.Get("pminfo", Game(1)), GameValue(1)) << why;
    EXPECT_LT(Read("info.ini").size(), 100000u) << why << ": a field is cut, never megabytes";
  }
}

TEST_F(Hostile, AProgramFolderThatTakesNoWritesKeepsTheCatalogue) {
  fs::create_directories(dir_.Path("disk"));
  const Tmpfs disk(dir_.Path("disk"), fs::file_size(TABRIN_BINARY) + (size_t{512} << 10));
  if (!disk.ok) GTEST_SKIP() << "skipped: the system refused to mount a small file system";
  UseProgramFolder(dir_.Path("disk/prog"));
  const std::string tables = dir_.MakeDir("tables");  // on another file system, with room
  const auto table = [&](const std::string& key) {
    TableSpec spec = PinMame("Table " + key, key + "_l1");
    spec.screenshot = "\xFF" + std::string(20000, 'j');  // no snap folder to take it
    ASSERT_TRUE(WriteTable(tables + "/" + key + ".vpt", spec));
  };
  for (const char* key : {"a", "b", "c"}) table(key);
  fs::remove(P("snap"));
  ASSERT_EQ(Tabrin({tables + "/*.*", "-hide"}).exit_code, 0);
  EXPECT_FALSE(fs::exists(P("snap"))) << "a missing export folder is not made";
  for (const char* key : {"d", "e", "f"}) table(key);
  fs::permissions(dir_.path(), fs::perms(0755));  // for runs as nobody
  // A folder where nobody may write, then a disk with nothing, a page and four pages left.
  for (const int leave : {-1, 0, 4096, 16384}) {
    fs::permissions(prog_, fs::perms(leave < 0 ? 0555 : 0755));
    fs::remove(dir_.Path("disk/filler"));
    if (leave >= 0) ASSERT_TRUE(FillDisk(dir_.Path("disk/filler"), leave));
    const StrictIni names = Ini("names.ini"), info = Ini("info.ini");
    const std::string bytes = Read("names.ini") + Read("info.ini");
    const std::set<std::string> tree = Tree(prog_);
    for (const char* option : {"-hide", "-overwrite", "-clear", "-txt"}) {
      SCOPED_TRACE(std::to_string(leave) + " bytes left, " + option);
      if (leave >= 0 && option == std::string("-clear")) continue;  // would start again
      const std::string table = option == std::string("-txt") ? "/b.vpt" : "/*.*";
      EXPECT_EQ(Tabrin({tables + table, "-hide", option}, {}, leave < 0).exit_code, 0);
      EXPECT_EQ(Ini("names.ini").problem + Ini("info.ini").problem, "");
      EXPECT_EQ(FirstLostEntry(names, Ini("names.ini")) + FirstLostEntry(info, Ini("info.ini")),
                "");
      if (leave <= 0) EXPECT_EQ(Read("names.ini") + Read("info.ini"), bytes);
      if (leave <= 0) EXPECT_EQ(Tree(prog_), tree);
      // No temporary file stays, and an exported file, old or new, is whole or absent.
      for (const std::string& path : Tree(prog_)) {
        if (tree.contains(path) || path.ends_with(".ini")) continue;
        EXPECT_EQ(fs::file_size(P(path)), path == "output.txt" ? 6u : 32u) << path;
      }
    }
  }
  // A table that cannot be read is known by its file name alone; a folder that cannot be read
  // has none.
  fs::remove(dir_.Path("disk/filler"));
  fs::permissions(prog_, fs::perms(0777));
  for (const char* file : {"names.ini", "info.ini"}) fs::permissions(P(file), fs::perms(0666));
  fs::permissions(tables + "/f.vpt", fs::perms::none);
  fs::create_directories(dir_.Path("closed"));
  fs::permissions(dir_.Path("closed"), fs::perms::none);
  EXPECT_EQ(Tabrin({dir_.Path("closed/*.*"), "-hide"}, {}, true).exit_code, 1);
  EXPECT_EQ(Tabrin({tables + "/*.*", "-hide", "-overwrite"}, {}, true).exit_code, 0);
  EXPECT_EQ(Ini("names.ini").Get("vp", "f"), "f");
}

}  // namespace
