// Scans of whole collections: a table replaced by a newer version under its name is renewed, and
// a scan that reads several tables at once records what one table at a time records.
#include <sys/stat.h>

#include "tabrin_fixture.h"

namespace {

// What info.ini [TableFile] records of the table `path`: "SIZE|MTIME_NS".
std::string Stamp(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return std::to_string(st.st_size) + "|" +
         std::to_string(st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec);
}

TEST_F(TabrinTest, ATableReplacedUnderItsNameIsRenewedKeepingItsAliasAndPlays) {
  Table("A.vpt", PinMame("Alpha", "alp_l1"));
  Table("B.vpx", PinMame("Beta", "bet_l1"));
  Table("C.vpt", PinMame("Gamma", ""));
  Table("D.vpt", PinMame("Delta", "del_l1"));
  const std::string alias = "[Alias]\r\nalp_l1=Alpha Prime\r\n", plays = "[Plays]\r\nA=7\r\n";
  Write("alias.ini", alias);
  Write("stats.ini", plays);
  Check({Row("a first scan", {}, {P("tables"), "-hide"})});
  // New versions: A with another ROM and name, B now plain, C now with a ROM; D as it was.
  Table("A.vpt", PinMame("Alpha Two", "alp_l2"));
  Table("B.vpx", PinMame("Beta", ""));
  Table("C.vpt", PinMame("Gamma", "gam_l1"));
  Check(
      {Row("a scan after the new versions came", {"Blurb/Alpha.txt", kGone}, {P("tables"), "-hide"},
           {"alias.ini", alias, "stats.ini", plays, "Blurb/Alpha.txt", kGone, "Blurb/Alpha Two.txt",
            ToUtf16Le("Blurb of Alpha Two")},
           0, "tabrin: 3 changed tables renewed\n")});
  const StrictIni names = Ini("names.ini"), info = Ini("info.ini");
  EXPECT_EQ(names.Section("vp"),
            (std::map<std::string, std::string>{
                {"A", "Alpha Two"}, {"B.vpx", "Beta"}, {"C", "Gamma"}, {"D", "Delta"}}));
  EXPECT_EQ(names.Section("pinmame"),
            (std::map<std::string, std::string>{
                {"A", "alp_l2"}, {"B.vpx", ""}, {"C", "gam_l1"}, {"D", "del_l1"}}));
  EXPECT_EQ(info.Get("tabrin", "Alpha Two") + info.Get("romsource", "A") +
                info.Get("romsource", "B.vpx") + info.Get("romsource", "C"),
            "Alpha Two|Ann Author||||found in A.vpt, line 1: Const cGameName = \"alp_l2\"plain: "
            "the controller's game name is set to an empty textfound in C.vpt, line 1: Const "
            "cGameName = \"gam_l1\"");
  for (const char* table : {"A.vpt", "B.vpx", "C.vpt", "D.vpt"}) {
    const std::string key = std::string(table).ends_with(".vpt") ? std::string(1, *table) : table;
    EXPECT_EQ(info.Get("tablefile", key), Stamp(P("tables/") + table)) << table;
  }
  // Unchanged now, nothing is renewed, nothing said.
  Check({Row("a scan of unchanged tables", {}, {P("tables"), "-hide"},
             {"names.ini", Read("names.ini"), "info.ini", WithoutTableFiles(Read("info.ini"))})});
  // A catalogue from before tables' files were recorded: they are recorded as they are now.
  Write("info.ini", WithoutTableFiles(Read("info.ini")));
  Table("D.vpt", PinMame("Delta Two", "del_l2"));
  Check({Row("a scan of a catalogue without files", {}, {P("tables"), "-hide"},
             {"names.ini", Read("names.ini")})});
  EXPECT_EQ(Ini("info.ini").Get("tablefile", "D"), Stamp(P("tables/D.vpt")));
  // -overwrite renews every table, none counted as changed; one table alone is renewed too.
  Table("A.vpt", PinMame("Alpha Three", "alp_l3"));
  Check({Row("with -overwrite", {}, {P("tables"), "-hide", "-overwrite"},
             {"Blurb/Delta Two.txt", ToUtf16Le("Blurb of Delta Two")})});
  Table("A.vpt", PinMame("Alpha Four", "alp_l4"));
  Check({Row("one table", {}, {P("tables/A.vpt"), "-hide"}, {}, 0,
             "tabrin: 1 changed table renewed\n")});
  EXPECT_EQ(Ini("names.ini").Get("pinmame", "A"), "alp_l4");
  // -txt tells the new version's ROM name, and records nothing.
  Table("A.vpt", PinMame("Alpha Five", "alp_l5"));
  Check({Row("-txt", {}, {P("tables/A.vpt"), "-hide", "-txt"},
             {"output.txt", "alp_l5\r\n", "names.ini", Read("names.ini")})});
  EXPECT_NE(Ini("info.ini").Get("tablefile", "A"), Stamp(P("tables/A.vpt")));
}

TEST_F(TabrinTest, AScanReadingTablesAtOnceRecordsWhatOneTableAtATimeRecords) {
  std::string listing = "<mame>\n";
  // Tables of every kind: with a ROM the emulator is asked about once, or plain; two of each
  // table name (whose exports go to one file); a sidecar; files that are no tables; one
  // catalogued.
  for (int i = 0; i < 16; ++i) {
    const std::string game = i % 5 == 1 ? "g" + std::to_string(i) : "";
    listing += "<game name=\"" + game + "\"><year>19" + std::to_string(70 + i) + "</year></game>\n";
    TableContents table = PinMame("T" + std::to_string(i / 2), game);
    table.screenshot = "\xFF\xD8 " + std::to_string(i);
    table.rules = std::string(i * 1000, 'r');
    Table("t" + std::to_string(10 + i) + (i % 4 ? ".vpt" : ".vpx"), table);
  }
  Write("tables/t15.vbs", "Controller.GameName = \"side\"");
  Write("tables/t16.vpt", "Controller.GameName = \"bare\"");
  Write("tables/t17.vpt", Junk(5000, 1));
  Emulator(/*pinmame=*/false, listing + "</mame>\n");
  const std::string known = "[VP]\r\nt19=Known\r\n\r\n[PinMAME]\r\nt19=known_l1\r\n";
  // All the run wrote: names.ini, info.ini's entries, the exports, the emulator's runs.
  const auto scan = [&](const Args& runs, const std::string& option) {
    for (const char* folder : {"Blurb", "Rules", "snap"}) fs::remove_all(P(folder));
    Write("names.ini", known);
    for (const char* file : {"info.ini", "emu/runs.log"}) Write(file, kGone);
    for (const std::string& path : runs) EXPECT_EQ(Tabrin({path, "-hide", option}).exit_code, 0);
    std::string made = Read("names.ini") + Read("emu/runs.log");
    for (const auto& [section, entries] : Ini("info.ini").sections) {
      for (const auto& [key, value] : entries) made += section + ":" + key + "=" + value + "\n";
    }
    for (const char* folder : {"Blurb", "Rules", "snap"}) {
      for (const auto& file : fs::directory_iterator(P(folder))) {
        made += file.path().string() + "=" + ReadFile(file.path()) + "\n";
      }
    }
    return made;
  };
  Args one_at_a_time;
  for (const auto& file : fs::directory_iterator(P("tables"))) {
    if (file.path().extension() != ".vbs") one_at_a_time.push_back(file.path().string());
  }
  std::sort(one_at_a_time.begin(), one_at_a_time.end());
  for (const char* option : {"-exit", "-overwrite"}) {
    const std::string at_once = scan({P("tables")}, option);
    EXPECT_NE(at_once.find("snap/T7.jpg"), std::string::npos);
    EXPECT_EQ(at_once, scan(one_at_a_time, option)) << option;
  }
}

}  // namespace
