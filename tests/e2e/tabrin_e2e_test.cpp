// What tabrin does, one test per capability: the real program run over real table files.
#include "tabrin_fixture.h"

namespace {

const std::string kNamesTemplate = "[VP]\r\n\r\n[PinMAME]\r\n";
const std::string kExif(
    "\xFF\xD8\xFF\xE1\0\x10"
    "Exif",
    10);  // a JPEG start without "JFIF"
const std::string kNames = "[VP]\r\nAttack=Attack from Mars\r\n\r\n[PinMAME]\r\nAttack=afm_11\r\n";
const std::string kInfo = "[Tabrin]\r\nAttack from Mars=Attack from Mars|Ann Author|1.1|||\r\n";
const std::string kShown = "Table Type:  PinMAME\n\nVpt Name:  Attack\nROM Name:  ";
const std::string kBoth =
    "[VP]\r\nAttack=Attack from Mars\r\nZed_Table (VP91x)=Zed "
    "Table\r\n\r\n[PinMAME]\r\nAttack=afm_11\r\n";
const std::string kAttack = kShown + "afm_11\nBase Name:  Attack from Mars\n\n";

class Capability : public TabrinTest {
 protected:
  // A PinMAME table with everything to export, a plain one without a stored name, and a file
  // that is no table.
  Capability() {
    TableSpec attack = PinMame("Attack from Mars", "AFM_11");
    attack.table_version = "1.1";
    attack.description = "How to play.";
    attack.rules = "Rules.";
    attack.screenshot = kExif;
    Table("Attack.vpt", attack);
    Table("Zed_Table (VP91x).vpt", PinMame("", ""));
    Write("tables/readme.txt", "no table");
  }
  const std::string attack_ = P("tables/Attack.vpt"), all_ = P("tables/*.*");
};

TEST_F(Capability, ARunWithNothingToDoEndsWithItsStatus) {
  const std::string usage =
      "Error!  No Parameters Specified!!!\n\nUSAGE:  tabrin \"path/vptname.vpt\" [-txt] [-clear] "
      "[-hide] [-exit]\n\n";
  const std::string none = P("tables/none.vpt");
  const Entries nothing = {{"names.ini", kGone}, {"info.ini", kGone}};
  const Entries made = {{"names.ini", kNamesTemplate},
                        {"info.ini", "[Tabrin]\r\n\r\n[PMInfo]\r\n"}};
  Write("listed", "a file, no folder");
  Check({Row("no words", {}, {}, 2, usage, nothing),
         Row("option words alone", {}, {"-nodocs", "-NOPICS"}, 2, usage, nothing),
         Row("no words, in a run that may not wait", {}, {"-hide"}, 2, "", nothing),
         Row("a missing table, in a run that may not wait", {}, {none, "-exit"}, 1, "", made),
         Row("a missing table", {}, {none}, 1,
             "Error!  File Not Found!\nThe file \"" + none + "\" could not be found.\n\n"),
         Row("an empty folder", {}, {P("Blurb/*.*"), "-hide"}, 1, "", made),
         Row("a file for a folder", {}, {P("listed/*.*"), "-hide"}, 1, "", made),
         Row("a folder for a table", {}, {P("tables"), "-hide"}, 1, "", made)});
}

TEST_F(Capability, AFolderScanFillsTheCatalogueInListOrder) {
  TableSpec old_writer = PinMame("Old Writer", ""), png = PinMame("Png Shot", "");
  old_writer.screenshot = std::string(6, '\0') + "JFIF";  // older writers: no start mark
  png.screenshot = "\x89PNG\r\n\x1A\n";                   // no JPEG: not exported
  Table("Old.vpt", old_writer);
  Table("png.vpt", png);
  // The plain tables last: what one table holds back must not wait for the next.
  Entries catalogue = {{"names.ini",
                        "[VP]\r\nAttack=Attack from Mars\r\nOld=Old Writer\r\npng=Png Shot\r\n"
                        "Zed_Table (VP91x)=Zed Table\r\n\r\n[PinMAME]\r\nAttack=afm_11\r\n"},
                       {"info.ini", kInfo + "Old Writer=Old Writer|Ann Author||||\r\n" +
                                        "Png Shot=Png Shot|Ann Author||||\r\n\r\n[PMInfo]\r\n"}};
  Entries exports = catalogue;
  exports.insert({{"Blurb/Attack from Mars.txt", ToUtf16Le("Blurb of Attack from Mars")},
                  {"Description/Attack from Mars.txt", ToUtf16Le("How to play.")},
                  {"Rules/Attack from Mars.txt", ToUtf16Le("Rules.")},
                  {"snap/Attack from Mars.jpg", kExif},
                  {"snap/Old Writer.jpg", *old_writer.screenshot},
                  {"Blurb/Png Shot.txt", ToUtf16Le("Blurb of Png Shot")},
                  {"snap/Png Shot.jpg", kGone}});
  Check({Row("a first run", {}, {all_, "-hide"}, 0, "", exports)});
  // A catalogued table is not read again: changed, it changes nothing.
  Table("Attack.vpt", PinMame("Attack Again", "afm_12"));
  Table("Old.vpt", PinMame("New Writer", ""));
  catalogue.insert({{"Blurb/Attack Again.txt", kGone}, {"Blurb/New Writer.txt", kGone}});
  Check({Row("a second run", {}, {all_, "-hide"}, 0, "", catalogue)});
}

TEST_F(Capability, StoredEntriesAreKeptUnlessOverwrittenOrCleared) {
  Emulator(/*pinmame=*/true, ReadFile(TOOLS_DIR "/fake_listing.xml"));
  const std::string names = "[VP]\r\nAttack=My Attack\r\n\r\n[PinMAME]\r\nAttack=old_rom\r\n";
  const std::string blurb = ToUtf16Le("Blurb of Attack from Mars");
  const auto row = [&](const char* why, const char* options, const std::string& shown,
                       const std::string& names_after, const std::string& blurb_after,
                       const std::string& snap_after) {
    return Row(why,
               {{"names.ini", names},
                {"Blurb/Attack from Mars.txt", "old"},
                {"alias.ini", "[Alias]\r\nold_rom=afm_11\r\nMy Attack=Our Attack\r\n"},
                {"snap/Attack from Mars.jpg", kGone}},
               {attack_, "-exit", options}, 0, shown,
               {{"names.ini", names_after},
                {"Blurb/Attack from Mars.txt", blurb_after},
                {"snap/Attack from Mars.jpg", snap_after}});
  };
  const std::string info =
      kInfo + "\r\n[PMInfo]\r\nafm_11=Attack from Mars (1.1)|1995|Bally|afm_113b\r\n";
  Check({row("kept, through their aliases", "", kShown + "afm_11\nBase Name:  Our Attack\n\n",
             names, "old", kGone),
         row("kept as stored", "-noalias", kShown + "old_rom\nBase Name:  My Attack\n\n", names,
             "old", kGone),
         row("replaced", "-overwrite", kAttack, kNames, blurb, kExif),
         row("replaced but the documents", "-overwrite -nodocs", kAttack, kNames, "old", kExif),
         row("replaced but the screenshot", "-overwrite -nopics", kAttack, kNames, blurb, kGone),
         // From the exact templates, as another system spells them; the stale listing goes too.
         Row("cleared",
             {{"names.ini", kGone},
              {"Names.ini", "[VP]\r\nold=Old\r\n"},
              {"info.ini", "[Tabrin]\r\nOld=Old|||||\r\n\r\n[PMInfo]\r\nafm_11=stale|||\r\n"},
              {"emu/lx.xml", "<game name=\"afm_11\"><description>stale</description>\n"},
              {"emu/runs.log", kGone}},
             {attack_, "-clear", "-hide"}, 0, "",
             {{"Names.ini", kGone},
              {"names.ini", kNames},
              {"info.ini", info},
              {"emu/runs.log", "-lx\n"},
              {"alias.ini", "[Alias]\r\nold_rom=afm_11\r\nMy Attack=Our Attack\r\n"}})});
}

TEST_F(Capability, PathsStartAtTheProgramFolder) {
  const auto row = [&](const char* path, const std::string& names) {
    return Row(path, {{"names.ini", kGone}}, {path, "-hide"}, 0, "", {{"names.ini", names}});
  };
  Check({row("tables/Attack.vpt", kNames), row("\\tables\\Attack.vpt", kNames),
         row("tables\\*.*", kBoth)});
}

TEST_F(Capability, TxtWritesTheResultToOutputTxtInsteadOfTheCatalogue) {
  Table("Cafe.vpt", PinMame("Caf\xC3\xA9 Racer", ""));
  const auto row = [&](const char* why, const std::string& table, const std::string& output) {
    return Row(why, {{"output.txt", kGone}}, {P("tables/" + table), "-txt", "-hide"}, 0, "",
               {{"output.txt", output}, {"names.ini", kNamesTemplate}});
  };
  Check({row("a PinMAME table: its ROM name", "Attack.vpt", "afm_11\r\n"),
         row("a plain one: its base name", "Zed_Table (VP91x).vpt", "Zed Table\r\n"),
         row("in the catalogue's code page", "Cafe.vpt", "Caf\xE9 Racer\r\n"),
         Row("a folder scan, which has no one result", {{"output.txt", kGone}},
             {all_, "-txt", "-hide"}, 0, "",
             {{"output.txt", kGone},
              {"names.ini", kBoth.substr(0, 31) + "Cafe=Caf\xE9 Racer\r\n" + kBoth.substr(31)}})});
}

TEST_F(Capability, AsksTheEmulatorAboutEachGame) {
  // A clone names its parent, any other game itself; an unknown game is asked for next time.
  const std::string info = kInfo + "Medieval=Medieval|Ann Author||||\r\nUnknown=Unknown|Ann " +
                           "Author||||\r\n\r\n[PMInfo]\r\nafm_11=Attack from Mars (1.1)|1995|" +
                           "Bally|afm_113b\r\nmm_109c=Medieval Madness (1.09C)|1997|Williams|" +
                           "mm_109c\r\n";
  const auto rows = [&](const std::string& first_runs, const std::string& next_runs,
                        const std::string& command) {
    Table("B.vpt", PinMame("Medieval", "mm_109c"));
    Table("C.vpt", PinMame("Unknown", "zzz_l1"));
    const std::string script = "#!/bin/sh\ncd /\ncd '" + P("emu/") + "'\n" + command + "\n";
    return std::vector<Row>{
        Row("a first run", {}, {all_, "-hide"}, 0, "",
            {{"emu/runs.log", first_runs}, {"info.ini", info}, {"lx.sh", script}}),
        Row("the next", {{"emu/runs.log", kGone}}, {all_, "-hide"}, 0, "",
            {{"emu/runs.log", next_runs}, {"info.ini", info}})};
  };
  // PinMAME lists every game at once, and the listing serves the runs that follow.
  Emulator(/*pinmame=*/true, ReadFile(TOOLS_DIR "/fake_listing.xml"), "PinMAME");
  Check(rows("-lx\n", kGone, "./PinMAME -lx >lx.xml"));
  // MAME is asked about each game.
  UseProgramFolder(dir_.MakeDir("mame"));
  std::filesystem::copy_file(attack_, P("tables/Attack.vpt"));
  Emulator(/*pinmame=*/false, ReadFile(TOOLS_DIR "/fake_listing.xml"), "my mame");
  Check(rows("afm_11 -lx\nmm_109c -lx\nzzz_l1 -lx\n", "zzz_l1 -lx\n",
             "./'my mame' zzz_l1 -lx >lx.xml"));
}

TEST_F(Capability, WithoutADisplayTheWindowTextGoesToStandardOutput) {
  const std::string zed =
      "Table Type:  Visual Pinball\n\nVpt Name:  Zed_Table (VP91x).vpt\nBase Name:  Zed Table\n\n";
  Check({Row("one table", {}, {attack_, "-exit"}, 0, kAttack, {{"names.ini", kNames}}),
         Row("nobody to close it: no wait", {}, {P("tables/Zed_Table (VP91x).vpt")}, 0, zed),
         Row("each table as it is done", {}, {all_, "-exit"}, 0, kAttack + zed),
         Row("hidden", {}, {all_, "-hide"}, 0, ""),
         Row("one table hidden", {}, {attack_, "-hide"}, 0, ""),
         Row("a window, closed at the end", {}, {all_, "-exit"}, 0, "", {},
             {"QT_QPA_PLATFORM=offscreen"})});
}

}  // namespace
