// The script that runs for a table, and the ROM name that it gives the PinMAME controller.
#include <gtest/gtest.h>

#include <string>

#include "extractor/compound_file.h"
#include "extractor/script_reader.h"
#include "extractor/table_script.h"
#include "support/temp_dir.h"
#include "table_writer.h"

namespace {

TEST(RomName, IsTheGameNameGivenToThePinMameController) {
  const std::string c = "Const cGameName = \"afm_113b\"\n";
  const struct {
    const char* why;
    std::string script, rom;
  } rows[] = {
      {"a literal", "Controller.GameName = \" AFM_113B \"", "afm_113b"},
      {"a constant, in a With block", c + "With Controller\n.GameName = cGameName\nEnd With",
       "afm_113b"},
      {"letter case is no matter", "CONST CGAMENAME = \"x\"\ncontroller.gamename = cgamename", "x"},
      {"a DMD's name is not the controller's",
       c + "With FlexDMD\n.GameName = cGameName\nEnd With\n"
           "With Controller\n.GameName = \"tz_92\"\nEnd With",
       "tz_92"},
      {"an original table names only its DMD",
       c + "Set UltraDMD = CreateObject(\"UltraDMD.DMDObject\")\n"
           "UltraDMD.GameName = cGameName\nWith FlexDMD : .GameName = cGameName : End With",
       "nf"},
      {"any object made from the controller",
       "Set pm = CreateObject(\"VPinMAME.Controller\")\n"
       "pm.GameName = \"a\"",
       "a"},
      {"a B2S server hands it on",
       "Sub Init\nWith b2s\n.GameName = \"b\"\nEnd With\nEnd Sub\n"
       "Sub Load\nSet b2s = CreateObject(\"B2S.Server\")\nEnd Sub",
       "b"},
      {"With a new controller", "With CreateObject(\"vpinmame.controller\")\n.GameName = \"c\"",
       "c"},
      {"a With block ends with its procedure", "Sub A\nWith Controller\nEnd Sub\n.GameName = \"d\"",
       "nf"},
      {"comments are no code",
       "' Controller.GameName = \"old\"\nRem Controller.GameName = \"rem\"\n"
       "'Const cGameName = \"alt\"\n" +
           c + "Controller.GameName = cGameName ' \"not\"",
       "afm_113b"},
      {"a quote in a string is no comment", "Controller.GameName = \"it's\"\"s\"", "it's\"s"},
      {"a colon ends a statement", "rv = \"e\"\nWith Controller : .GameName = rv: .Run : End With",
       "e"},
      {"the next statement is no value",
       "rv = \"f\"\nWith Controller\n.GameName = rv: "
       ".SplashInfoLine = \"Night\"\nEnd With",
       "f"},
      {"a line continued", "Controller.GameName = _\n  \"g\"", "g"},
      {"after Then and Else", "If a Then b = 1 Else Controller.GameName = \"h\"", "h"},
      {"the first live statement wins",
       "If a Then Controller.GameName = \"i\" Else "
       "Controller.GameName = \"j\"",
       "i"},
      {"whole names only", "OldcGameName = \"old\"\n" + c + "Controller.GameName = cGameName",
       "afm_113b"},
      {"assignments in any form",
       "Private Const x = 1, cGameName = \"k\"\nDim y: y = cGameName\n"
       "Controller.GameName = y",
       "k"},
      {"the first assignment that gives a value",
       "v = Other()\nv = \"l\"\nv = \"m\"\n"
       "Controller.GameName = v",
       "l"},
      {"an assignment after the statement", "Controller.GameName = v\nv = \"n\"", "n"},
      {"names that follow each other round", "a = b\nb = a\nController.GameName = a", "nf"},
      {"an array's first element, indexed or not",
       "r1 = \"o\"\nv = Array(r1, \"p\")(sel)\n"
       "Controller.GameName = Array(v, 1)",
       "o"},
      {"an expression names nothing", "Controller.GameName = \"a\" & ver", "nf"},
      {"an empty literal names nothing", "Controller.GameName = \"\"", "nf"},
      {"no statement at all", c + "Sub Table1_Init\nEnd Sub", "nf"},
      {"Windows-1252 capitals", "Controller.GameName = \"\xC9T\xC9\"", "\xC3\xA9t\xC3\xA9"}};
  for (const auto& row : rows) {
    std::string script = row.script;  // as a table stores it: CR LF ends each line
    for (size_t at = 0; (at = script.find('\n', at)) != std::string::npos; at += 2) {
      script.insert(at, 1, '\r');
    }
    EXPECT_EQ(FindRomInScript(script).rom, row.rom) << row.why;
  }
}

TEST(RomName, TellsWhereItCameFrom) {
  const RomFinding found = FindRomInScript(
      "x = 1\r\n  With Controller : .GameName = rom : End With   \r\nrom = Array(cGameName)\r\n"
      "Const cGameName = \"Q_L1\"\r\n" +
      std::string(300, 'a'));
  EXPECT_EQ(found.rom, "q_l1");
  EXPECT_EQ(found.line, 2);
  EXPECT_EQ(found.line_text, "With Controller : .GameName = rom : End With");
  ASSERT_EQ(found.names.size(), 2u);
  EXPECT_EQ(found.names[0].name + "@" + std::to_string(found.names[0].line) + " " +
                found.names[1].name + "@" + std::to_string(found.names[1].line),
            "rom@3 cGameName@4");
  EXPECT_EQ(FindRomInScript("Controller.GameName = \"" + std::string(200, 'z')).line_text.size(),
            120u);
  EXPECT_EQ(FindRomInScript("FlexDMD.GameName = \"x\"").why_plain,
            "no statement sets the PinMAME controller's game name");
}

TEST(TableScript, IsTheSidecarElseTheCodeRecordElseTheWholeFile) {
  TempDir dir;
  TableContents desc;
  desc.script = "Controller.GameName = \"inner\"";
  desc.padding_bytes = 200'000;  // images before the script, as in real tables
  ASSERT_TRUE(WriteTable(dir.Path("T.vpx"), desc));
  const auto read = [&dir](const std::string& file) {
    const InfilePtr table = OpenCompoundFile(dir.Path(file));
    return ReadTableScript(dir.Path(file), table.get());
  };
  TableScript script = read("T.vpx");
  EXPECT_EQ(script.bytes + script.file, desc.script + dir.Path("T.vpx"));
  EXPECT_FALSE(script.sidecar);
  // A sidecar of any case wins; a byte-order mark is no part of the script.
  dir.WriteFile("t.VBS",
                "\xEF\xBB\xBF"
                "Controller.GameName = \"side\"");
  script = read("T.vpx");
  EXPECT_EQ(script.bytes + script.file, "Controller.GameName = \"side\"" + dir.Path("t.VBS"));
  EXPECT_TRUE(script.sidecar);
  // Records cut short, and files that are no tables, give the whole file as the script.
  for (const std::string& data : {GameDataRecords(desc.script).substr(0, 40),
                                  std::string("\x04\0\0\0CODE\xFF\xFF\0\0", 12)}) {
    desc.game_data = data;
    ASSERT_TRUE(WriteTable(dir.Path("cut.vpt"), desc));
    EXPECT_EQ(read("cut.vpt").bytes, dir.ReadFile("cut.vpt"));
  }
  dir.WriteFile("text.vpx", "Controller.GameName = \"plain\"");
  EXPECT_EQ(FindRomInScript(read("text.vpx").bytes).rom, "plain");
}

}  // namespace
