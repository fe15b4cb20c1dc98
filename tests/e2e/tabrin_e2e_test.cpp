// What tabrin does, one test per capability: the real program run over real table files.
#include <sstream>

#include "tabrin_fixture.h"

namespace {
std::string Replace(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}
const std::string kNamesTemplate = "[VP]\r\n\r\n[PinMAME]\r\n";
const std::string kExif = "\xFF\xD8\xFF\xE1 Exif";  // a JPEG start without "JFIF"
const std::string kVp = "[VP]\r\nAttack=Attack from Mars\r\n";
const std::string kNames = kVp + "\r\n[PinMAME]\r\nAttack=afm_11\r\n";
const std::string kInfo = "[Tabrin]\r\nAttack from Mars=Attack from Mars|Ann Author||||\r\n";
// Where the ROM names of `tables` (each "key=ROM", "" for a plain table) came from, and that their
// ROM files are missing.
std::string Sources(const std::vector<std::string>& tables) {
  std::string found = "[RomSource]\r\n", via = "[RomVia]\r\n", zips = "[RomFile]\r\n";
  for (const std::string& table : tables) {
    const std::string key = table.substr(0, table.find('=')), rom = table.substr(key.size() + 1);
    if (rom.empty()) {
      found += key + "=plain: the controller's game name is set to an empty text\r\n";
      continue;
    }
    zips += key + "=\r\n";
    found += key + "=found in " + key + ".vpt, line 1: Const cGameName = \"" +
             (key == "Attack" ? "AFM_11" : rom) + "\"\r\n";
    via += key + "=cGameName -> \"" + rom +
           "\", given to the controller on line 4: .GameName = " + "cGameName\r\n";
  }
  return found + via + zips;
}
// The listing's afm_11 is a clone, its parent's zip missing too.
const std::string kAttackParent = "[ParentRomFile]\r\nAttack=afm_113b|\r\n";
const std::string kAttackSource = Sources({"Attack=afm_11"}) + kAttackParent;
const std::string kAttack =
    "Table Type:  PinMAME\n\nVpt Name:  Attack\nROM Name:  afm_11\nBase Name:  Attack from "
    "Mars\n\n";
const std::string kZed =
    "Table Type:  Visual Pinball\n\nVpt Name:  Zed_Table (VP91x).vpt\nBase Name:  Zed Table\n\n";

class Capability : public TabrinTest {
 protected:
  // A PinMAME table with everything to export, a plain one without a name, and no tables.
  Capability() {
    TableContents attack = PinMame("Attack from Mars", "AFM_11");
    attack.description = "How to play.";
    attack.rules = "Rules.";
    attack.screenshot = kExif;
    Table("Attack.vpt", attack);
    Table("Zed_Table (VP91x).vpt", PinMame("", ""));
    Write("tables/readme.txt", "no table");
    Write("tables/._Attack.vpt", "hidden: what another system keeps beside a copied file");
  }
  const std::string attack_ = P("tables/Attack.vpt"), all_ = P("tables/*.*");
};

TEST_F(Capability, MisuseIsRefusedWithTheUsageAndNothingToDoEndsWithItsStatus) {
  const std::string usage = Tabrin({"--help"}).out;  // every option and help, a line each
  size_t options = 0;
  for (size_t at = 0; (at = usage.find("\n  -", at + 1)) != std::string::npos;) ++options;
  EXPECT_EQ(options, 12u);
  const std::string none = P("tables/none.vpt");
  const Args nothing = {"names.ini", kGone, "info.ini", kGone};
  const Args made = {"names.ini", kNamesTemplate, "info.ini", "[Tabrin]\r\n\r\n[PMInfo]\r\n"};
  const auto misuse = [&](const char* why, const Args& args, const std::string& problem) {
    return Row(why, {}, args, nothing, 2, "", {}, "tabrin: " + problem + "\n" + usage);
  };
  const std::string lost = Lost(none);
  Write("listed", "a file, no folder");
  Check(
      {Row("no words", {}, {}, nothing, 2,
           "Error!  No Parameters Specified!!!\n\nUSAGE:  tabrin \"path/vptname.vpt\" [-txt] "
           "[-clear] [-hide] [-exit] [-overwrite] [-noalias] [-nopics] [-nodocs] [-norename] "
           "[-why] [-report]\n\n"),
       Row("help, whatever else is asked", {}, {attack_, "-exit -H"}, nothing, 0, usage),
       misuse("option words alone", {"-NODOCS"}, "no table or folder given"),
       misuse("a question without a path", {"-why"}, "no table or folder given"),
       misuse("hidden, without a path", {"-hide"}, "no table or folder given"),
       misuse("a mistyped option", {attack_, "-hide -whyy", "-x"}, "unknown option \"-whyy\""),
       misuse("-txt for two tables", {attack_, attack_, "-txt"}, "-txt takes one table file"),
       misuse("-txt for a folder", {P("tables"), "-txt"}, "-txt takes one table file"),
       Row("a missing table, in a run that may not wait", {}, {none, "-exit"}, made, 1, "", {},
           lost),
       Row("a missing table", {}, {none}, made, 1,
           "Error!  File Not Found!\nThe file \"" + none + "\" could not be found.\n\n", {}, lost),
       Row("a file for a folder", {}, {P("listed/*.*"), "-hide"}, made, 1, "", {},
           Lost(P("listed/*.*"))),
       Row("an empty folder", {}, {P("snap"), "-hide"}, made),
       Row("a pattern no table matches", {}, {P("tables/*.vpx"), "-hide"}, made)});
}

// Several paths, as a shell gives them, each in its turn; a relative one from where tabrin starts.
TEST_F(Capability, EveryPathIsTakenInItsTurn) {
  const Child run =
      Tabrin({"Zed_Table (VP91x).vpt", "none.vpt", attack_, "-exit"}, {}, false, P("tables"));
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.out, kZed + kAttack);
  EXPECT_EQ(run.err, Lost(P("none.vpt")));
  Check({Row(
      "a folder is all its tables", {"names.ini", kGone}, {P("tables"), "-hide"},
      {"names.ini", kVp + "Zed_Table (VP91x)=Zed Table\r\n\r\n[PinMAME]\r\nAttack=afm_11\r\n"})});
}

TEST_F(Capability, AFolderScanFillsTheCatalogueInListOrder) {
  TableContents old_writer = PinMame("Old Writer", ""), png = PinMame("Png Shot", "");
  old_writer.screenshot = std::string(6, '\0') + "JFIF";  // older writers: no start mark
  png.screenshot = "\x89PNG\r\n\x1A\n";                   // no JPEG: not exported
  Table("Old.vpt", old_writer);
  Table("png.vpt", png);
  // The plain tables last: what one table holds back must not wait for the next.
  Args catalogue = {
      "names.ini",
      kVp + "Old=Old Writer\r\npng=Png Shot\r\nZed_Table (VP91x)=Zed Table\r\n\r\n[PinMAME]\r\n" +
          "Attack=afm_11\r\n",
      "info.ini",
      kInfo + "Old Writer=Old Writer|Ann Author||||\r\nPng Shot=Png Shot|Ann Author||||\r\n\r\n" +
          "[PMInfo]\r\n" + Sources({"Attack=afm_11", "Old=", "png=", "Zed_Table (VP91x)="})};
  Args exports = catalogue;
  exports.insert(exports.end(),
                 {"Blurb/Attack from Mars.txt", ToUtf16Le("Blurb of Attack from Mars"),
                  "Description/Attack from Mars.txt", ToUtf16Le("How to play."),
                  "Rules/Attack from Mars.txt", "my rules", "snap/Attack from Mars.jpg", kExif,
                  "snap/Old Writer.jpg", *old_writer.screenshot, "snap/Png Shot.jpg", kGone});
  Check({Row("a first run, keeping an export that is there",
             {"Rules/Attack from Mars.txt", "my rules"}, {all_, "-hide"}, exports)});
  // A catalogued table whose file keeps its size and time is not read again: changed inside,
  // it changes nothing.
  TableContents again = PinMame("Attack upon Mars", "afm_12");
  again.description = "How to play.";
  again.rules = "Rules.";
  again.screenshot = kExif;
  const auto time = fs::last_write_time(attack_);
  Table("Attack.vpt", again);
  fs::last_write_time(attack_, time);
  catalogue.insert(catalogue.end(), {"Blurb/Attack upon Mars.txt", kGone});
  Check({Row("a second run", {}, {all_, "-hide"}, catalogue)});
}

TEST_F(Capability, ClearStartsTheCatalogueAgainFromItsTemplates) {
  Emulator(/*pinmame=*/true, ReadFile(TOOLS_DIR "/fake_listing.xml"));
  // The stale listing goes too, and the catalogue as another system spells it.
  Check({Row("cleared",
             {"Names.ini", "[VP]\r\nold=Old\r\n", "info.ini", "[Tabrin]\r\nOld=Old|||||\r\n",
              "emu/lx.xml", "<game name=\"afm_11\"><description>stale</description>\n"},
             {attack_, "-clear", "-hide"},
             {"Names.ini", kGone, "names.ini", kNames, "emu/runs.log", "-lx\n", "info.ini",
              kInfo + "\r\n[PMInfo]\r\nafm_11=Attack from Mars (1.1)|1995|Bally|afm_113b\r\n" +
                  kAttackSource})});
}

// Paths start at the program folder, however they are written.
TEST_F(Capability, TxtWritesTheResultToOutputTxtInsteadOfTheCatalogue) {
  Table("Cafe.vpt", PinMame("Le Caf\xC3\xA9", ""));
  const auto row = [&](const char* why, const std::string& table, const std::string& output) {
    return Row(why, {"output.txt", kGone}, {table, "-txt", "-hide"},
               {"output.txt", output, "names.ini", kNamesTemplate});
  };
  Check(
      {row("a PinMAME table: its ROM name", "tables/Attack.vpt", "afm_11\r\n"),
       row("a plain one: its base name", "\\tables\\Zed_Table (VP91x).vpt", "Zed Table\r\n"),
       row("in the catalogue's code page", P("tables/Cafe.vpt"), "Le Caf\xE9\r\n"),
       // A caller must never read the previous table's result.
       Row("a missing table", {"output.txt", "old\r\n"}, {P("tables/none.vpt"), "-txt", "-hide"},
           {"output.txt", kGone}, 1, "", {}, Lost(P("tables/none.vpt"))),
       Row("a stored ROM name, as stored, not through its alias",
           {"names.ini", kVp + "\r\n[PinMAME]\r\nAttack=old\r\n", "alias.ini",
            "[Alias]\r\nold=new\r\n"},
           {attack_, "-txt", "-hide", "-noalias"}, {"output.txt", "old\r\n"}),
       Row("a result that cannot be written", {"output.txt", kGone, "output.txt/x", ""},
           {attack_, "-txt", "-hide"}, {}, 3, "", {},
           "tabrin: could not remove " + P("output.txt") + ": Is a directory\ntabrin: could not " +
               "write " + P("output.txt") + ": Is a directory\n")});
}

TEST_F(Capability, AsksTheEmulatorAboutEachGameHoweverTheSettingsAreWritten) {
  Emulator(/*pinmame=*/true, ReadFile(TOOLS_DIR "/fake_listing.xml"));
  fs::copy_file(P("emu/emu"), P("emu/my mame"));  // a name the script must quote
  Table("B.vpt", PinMame("Medieval", "mm_109c"));
  Table("C.vpt", PinMame("Unknown", "zzz_l1"));
  // A clone names its parent, any other game itself; an unknown game is asked for next time, and
  // noted as unknown.
  const std::string info = kInfo + "Medieval=Medieval|Ann Author||||\r\nUnknown=Unknown|Ann " +
                           "Author||||\r\n\r\n[PMInfo]\r\n";
  const std::string sources =
      Sources({"Attack=afm_11", "B=mm_109c", "C=zzz_l1", "Zed_Table (VP91x)="});
  const std::string unknown = "[NotInEmulator]\r\nzzz_l1=1\r\n";
  const std::string games =
      "afm_11=Attack from Mars (1.1)|1995|Bally|afm_113b\r\n"
      "mm_109c=Medieval Madness (1.09C)|1997|Williams|mm_109c\r\n" +
      sources + kAttackParent + unknown;
  const std::string pinmame = "-lx\n", mame = "afm_11 -lx\nmm_109c -lx\nzzz_l1 -lx\n";
  const auto mode = [](const std::string& value) {
    return "[MAME]\r\nPath=\\emu\\\r\nExe=my mame\r\nIsPinMAME=" + value + "\r\n";
  };
  // A scan from nothing with `settings` and `files`: how the emulator is asked, what is stored.
  const auto row = [&](const std::string& why, const std::string& settings, const std::string& runs,
                       const std::string& stored, const Args& files = {}) {
    Args before = {"Tabrin.ini", settings,     "names.ini", kGone,          "info.ini",
                   kGone,        "emu/lx.xml", kGone,       "emu/runs.log", kGone};
    before.insert(before.end(), files.begin(), files.end());
    return Row(why, before, {all_, "-hide"}, {"emu/runs.log", runs, "info.ini", info + stored});
  };
  const auto next = [&](const std::string& why, const std::string& runs, const std::string& ask) {
    return Row(why, {"emu/runs.log", kGone}, {all_, "-hide"},
               {"emu/runs.log", runs, "lx.sh",
                "#!/bin/sh\ncd /\ncd '" + P("emu/") + "'\n./'my mame' " + ask +
                    " >lx.xml 2>/dev/null || { s=$?; rm -f lx.xml; exit $s; }\n"});
  };
  Check({row("PinMAME lists every game at once", mode("1"), pinmame, games),
         next("and its listing serves the runs that follow", kGone, "-lx"),
         row("MAME is asked about each game", mode("0"), mame, games),
         next("and about the one it did not know next time", "zzz_l1 -lx\n", "zzz_l1 -lx"),
         // The switch is a number in 16 bits, rounded half to even; anything else is 0.
         row("-1", mode(" -1"), pinmame, games), row("+1", mode("+1"), pinmame, games),
         row("0.6", mode("0.6"), pinmame, games), row("0.5", mode("0.5"), mame, games),
         row("sections twice", mode("1") + "[MAME]\r\nIsPinMAME=0\r\n[mame]\r\nPath=/", pinmame,
             games),
         // Settings written as people write them: no separator, the program in other letters.
         row("a folder without its separator", "[MAME]\r\nPath=\\emu\r\nExe=my mame\r\nIsPinMAME=1",
             pinmame, games),
         row("the program in other letters", Replace(mode("1"), "my mame", "MY Mame"), pinmame,
             games),
         // A run that failed leaves no listing to be taken for the cache; one left before is not.
         Row("a run that failed",
             {"Tabrin.ini", Replace(mode("1"), "my mame", "broken"), "emu/broken",
              "#!/bin/sh\nexit 3\n", "info.ini", kGone, "names.ini", kGone, "emu/lx.xml", kGone},
             {all_, "-hide"}, {"emu/lx.xml", kGone, "info.ini", info + sources}),
         row("a listing without a game", mode("1"), pinmame, games, {"emu/lx.xml", "<mame/>"}),
         // Broken settings name no emulator, and still give the catalogue.
         row("garbage", Junk(64 * 1024, 11), kGone, sources),
         row("one line of 8 MB", std::string(8 << 20, 'x'), kGone, sources),
         row("binary bytes", std::string("[MAME]\r\nPath=\\emu\\\0\r\nExe=my\xFFmame\x01", 33),
             kGone, sources),
         // Lines and sections in a game's fields become spaces; a field of a megabyte is cut.
         row("a listing of junk", mode("1"), kGone,
             "afm_11=a  [PMInfo]  mm_109c=evil||" + std::string(253, 'm') + "\x85" +
                 "|x  [Tabrin]  B=evil  \r\n" + sources +
                 "[NotInEmulator]\r\nmm_109c=1\r\nzzz_l1=1\r\n",
             {"emu/lx.xml",
              Junk(1 << 20, 3) + "<game name=\"afm_11\" cloneof=\"x\r\n[Tabrin]\r\nB=evil\r\n\">" +
                  "<description>a\r\n[PMInfo]\r\nmm_109c=evil</description><manufacturer>" +
                  std::string(1 << 20, 'm') + Junk(1 << 20, 5)}),
         // A game's text of a gigabyte from the emulator: it ends at its first NUL.
         row("a gigabyte from the emulator", mode("0"), kGone,
             "afm_11=\r\nmm_109c=\r\nzzz_l1=\r\n" + sources,
             {"emu/my mame",
              "#!/bin/sh\nprintf '<game name=\"%s\"><description>' \"$1\"\ntruncate -s 1G "
              "lx.xml\n"})});
}

// Whatever could not be written is told on the error output, once, and the status says so.
TEST_F(Capability, WhatCouldNotBeWrittenIsToldAndTheRunFails) {
  Emulator(/*pinmame=*/true, "");
  const auto row = [&](const char* why, const Args& before, const std::string& err) {
    Args files = {"Tabrin.ini", "[MAME]\r\nPath=\\emu\\\r\nExe=emu\r\nIsPinMAME=1\r\n"};
    files.insert(files.end(), before.begin(), before.end());
    return Row(why, files, {all_, "-hide", "-overwrite"}, {}, 3, "", {}, err);
  };
  Check(
      {row("export folders that cannot be made",
           {"listed", "", "Tabrin.ini", "[VP]\r\nArtPath=listed"},
           "tabrin: could not write 4 exported file(s); the first: " +
               P("listed/Blurb/Attack from Mars.txt") + ": Not a directory\n"),
       row("the listing's script", {"lx.sh/x", ""},
           "tabrin: could not write " + P("lx.sh") + ": Is a directory\n"),
       row("the catalogue", {"lx.sh/x", kGone, "lx.sh", kGone, "info.ini", kGone, "info.ini/x", ""},
           "tabrin: could not write " + P("info.ini") + ": Is a directory\n")});
}

// Today's tables: .vpx beside .vpt, a sidecar script that replaces the table's own, an original
// table that names only its DMD; patterns as users type them; paths in any case.
TEST_F(Capability, VpxTablesTheirSidecarsAndThePatternsUsersType) {
  const auto script = [](const std::string& rom, const char* owner = "Controller") {
    return "Const cGameName = \"" + rom + "\"\r\nWith " + owner + "\r\n.GameName = cGameName\r\n";
  };
  TableContents vpx = PinMame("Attack X", ""), dmd = PinMame("Original", "");
  vpx.script = script("inner_l1");
  dmd.script = script("myown", "FlexDMD");
  Table("Attack.vpx", vpx);
  Write("tables/attack.VBS", script("afm_11"));
  Table("Original.VPX", dmd);
  const std::string vp = "[VP]\r\nAttack.vpx=Attack X\r\nOriginal.VPX=Original\r\n";
  const std::string two = "Attack=Attack from Mars\r\n" + vp.substr(6);
  Check(
      {Row("the .vpx tables only", {}, {P("tables/*.vpx"), "-hide"},
           {"names.ini", vp + "\r\n[PinMAME]\r\nAttack.vpx=afm_11\r\n"}),
       Row("a pattern of names", {"names.ini", kGone}, {P("tables/at*.*"), "-hide"},
           {"names.ini", "[VP]\r\n" + two.substr(0, two.find("Original")) +
                             "\r\n[PinMAME]\r\nAttack=afm_11\r\nAttack.vpx=afm_11\r\n"}),
       Row("one table, its path in other letters", {"names.ini", kGone, "info.ini", kGone},
           {P("TABLES/attack.VPT"), "-hide"},
           {"names.ini", kNames, "info.ini",
            kInfo + "\r\n[PMInfo]\r\n[RomSource]\r\nAttack=found in attack.VBS, line 1: Const " +
                "cGameName = \"afm_11\"\r\n[RomVia]\r\nAttack=cGameName -> \"afm_11\", given to " +
                "the controller on line 3: .GameName = cGameName\r\n[RomFile]\r\nAttack=\r\n"}),
       Row("a stale display", {"names.ini", kGone}, {attack_}, {"names.ini", kNames}, 0, kAttack,
           {"DISPLAY=:97"})});
}

// -why reads each table afresh, sidecar and all, and tells where its ROM name comes from, where
// the simulator finds its ROM files and what the table comes with.
TEST_F(Capability, WhyTellsWhereEachRomNameComesFromAndWritesNothing) {
  TableContents dmd = PinMame("Robots", "");
  dmd.script =
      "Set FlexDMD = CreateObject(\"FlexDMD.FlexDMD\")\r\nFlexDMD.GameName = \"robots\"\r\n";
  Table("Robots.vpx", dmd);
  Table("Line\r\nbreak.vpx", {});  // a name that would add a line
  Write("tables/zed_table (vp91x).VBS",
        "' fixed\r\nSet B = CreateObject(\"B2S.Server\") : B.GameName = \"zed_l1\"\r\n");
  const std::string zips = dir_.Path("home/.pinmame/roms/"), beside = P("tables/pinmame/roms/");
  const std::string missing = "  ROM file:  missing (looked in " + beside + ", " + zips + ")\n";
  const std::string none = "  Add-ons:  none\n";
  const std::string plain = "  plain: no statement sets the PinMAME controller's game name\n";
  const std::string why =
      "Attack.vpt: ROM afm_11\n  found in Attack.vpt, line 1: Const cGameName = \"AFM_11\"\n  via "
      "cGameName -> \"afm_11\", given to the controller on line 4: .GameName = cGameName\n" +
      missing + none + "Line\u240D\u240Abreak.vpx: plain table\n" + plain + none +
      "Robots.vpx: plain table\n" + plain + none +
      "Zed_Table (VP91x).vpt: ROM zed_l1\n  found in zed_table (vp91x).VBS, line 2: Set B = "
      "CreateObject(\"B2S.Server\") : B.GameName = \"zed_l1\"\n" +
      missing + none;
  const std::string attack = why.substr(0, why.find("Line"));
  const std::string clone = "[PMInfo]\r\nafm_11=Attack|1995|Bally|afm_113b\r\n";
  Check({Row("every table of a folder", {}, {all_, "-WHY"}, {"names.ini", kGone, "info.ini", kGone},
             0, why),
         Row("one table", {}, {attack_, "-why"}, {}, 0, attack),
         Row("a clone, its zip in the home folder, its parent's not; two add-ons",
             {"info.ini", clone, "tables/ATTACK.directb2s", "", "tables/altsound/afm_11/a.csv", "",
              "../../../home/.pinmame/roms/AFM_11.ZIP", "zip"},
             {attack_, "-why"}, {"info.ini", clone}, 0,
             Replace(attack, missing + none,
                     "  ROM file:  found in " + zips + "AFM_11.ZIP\n  Parent " + missing.substr(2) +
                         "  Add-ons:  backglass file, AltSound\n")),
         Row("no such table", {}, {P("tables/none.vpx"), "-why"}, {}, 1, "", {},
             Lost(P("tables/none.vpx")))});
}

// Each scan records where the simulator finds a table's ROM file and its parent's, as they are
// now; the check lists what is missing, and a backglass file left by a table gone.
TEST_F(Capability, RecordsWhereTheSimulatorFindsEachRomFile) {
  Emulator(/*pinmame=*/true, ReadFile(TOOLS_DIR "/fake_listing.xml"));
  Write("tables/pinmame/roms/AFM_11.ZIP", "zip");
  Write("tables/Gone.directb2s", "<B2S/>");
  const auto scan = [&](const char* why, const std::string& zip, const std::string& parent) {
    SCOPED_TRACE(why);
    ASSERT_EQ(Tabrin({all_, "-hide"}).exit_code, 0);
    const StrictIni info = Ini("info.ini");
    EXPECT_EQ(info.Get("romfile", "Attack") + " " + info.Get("parentromfile", "Attack") + " " +
                  info.Get("romfile", "Zed_Table (VP91x)"),
              zip + " " + parent + " (none)");
  };
  scan("both in the table's own folder", P("tables/pinmame/roms/AFM_11.ZIP"), "afm_113b|");
  Write("tables/pinmame/roms/afm_113b.zip", "zip");
  scan("the parent added", P("tables/pinmame/roms/AFM_11.ZIP"),
       "afm_113b|" + P("tables/pinmame/roms/afm_113b.zip"));
  fs::remove_all(P("tables/pinmame"));
  Write("../../../home/.pinmame/roms/afm_11.zip", "zip");
  scan("the table's folder gone: the home folder's", dir_.Path("home/.pinmame/roms/afm_11.zip"),
       "afm_113b|");
  const std::string report = Tabrin({P("tables"), "-report"}).out;
  for (const char* finding : {"\nROM file missing",
                              "\nParent ROM file missing:\n  Attack.vpt  (afm_113b.zip, parent of "
                              "afm_11)\n",
                              "\nBackglass file without its table:\n  Gone.directb2s\n"}) {
    EXPECT_EQ(report.find(finding) == std::string::npos, finding[1] == 'R') << report;
  }
  // The simulator's settings name another folder; the game is no clone any more.
  Write("../../../home/.vpinball/VPinballX.ini", "[Standalone]\nPinMAMEPath=/none\n");
  Write("info.ini", Replace(Read("info.ini"), "Bally|afm_113b", "Bally|afm_11"));
  scan("neither", "", "");
}

// The demo collection holds something for every finding of the collection check; -report says so.
TEST_F(TabrinTest, TheDemoHoldsSomethingForEveryFindingOfTheCheck) {
  ASSERT_EQ(Finish(Start(MAKE_DEMO_BINARY, {prog_, TOOLS_DIR})).exit_code, 0);
  Write("emu/games.xml", ReadFile(TOOLS_DIR "/demo_listing.xml"));
  ASSERT_EQ(Tabrin({P("tables/*.*"), "-hide"}).exit_code, 0);
  const Child report = Tabrin({P("tables"), "-report"});
  EXPECT_EQ(report.exit_code, 0);
  std::istringstream lines(report.out);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "Catalogue of " + P("tables"));
  std::getline(lines, line);
  EXPECT_EQ(line, "Collection check of " + P("tables") + ": 16 tables, 21 findings");
  // The counts: every kind but tables not scanned yet, as a scan has just run.
  std::string none;
  for (int kind = 0; kind < 15 && std::getline(lines, line); ++kind) {
    if (line.starts_with("     0  ")) none += line.substr(8) + "; ";
  }
  EXPECT_EQ(none, "Not in the catalogue yet; ");
  EXPECT_EQ(Tabrin({P("none"), "-report"}).exit_code, 1);
  // Another folder: its own tables, not the entries of tables gone or artwork of no table.
  const fs::path table = *fs::directory_iterator(P("tables"));
  fs::copy_file(table, dir_.MakeDir("other") + "/" + table.filename().string());
  const std::string other = Tabrin({dir_.Path("other"), "-report"}).out;
  EXPECT_TRUE(other.starts_with("Catalogue of " + P("tables") + " (another folder: only this " +
                                "folder's tables are checked)\nCollection check of " +
                                dir_.Path("other") + ": 1 tables, "))
      << other;
  EXPECT_NE(other.find("\n     0  Artwork of no table\n     0  Catalogue entry without"),
            std::string::npos);
}

TEST_F(Capability, WithoutADisplayTheWindowTextGoesToStandardOutput) {
  const std::string runtime = dir_.MakeDir("runtime");  // where Qt wants it, or it says so
  fs::permissions(runtime, fs::perms::owner_all);
  Check({Row("one table", {}, {attack_, "-exit"}, {"names.ini", kNames}, 0, kAttack),
         Row("nobody to close it: no wait", {}, {P("tables/Zed_Table (VP91x).vpt")}, {}, 0, kZed),
         Row("each table as it is done", {}, {all_, "-exit"}, {}, 0, kAttack + kZed),
         Row("hidden", {}, {all_, "-hide"}), Row("one table hidden", {}, {attack_, "-hide"}),
         Row("a window, closed at the end", {}, {all_, "-exit"}, {}, 0, "",
             {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + runtime})});
}
}  // namespace
