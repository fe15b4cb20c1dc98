// The script that runs for a table, and the ROM name that it gives the PinMAME controller.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "extractor/compound_file.h"
#include "extractor/rom_source.h"
#include "extractor/script_reader.h"
#include "extractor/table_script.h"
#include "support/temp_dir.h"
#include "table_writer.h"

namespace {

// `Controller.GameName = a0`, then a0 to a(links - 1) each assigned the next, the last "r".
std::string Chain(int links, const std::string& name = "a", const std::string& join = "\n") {
  std::string script = "Controller.GameName = " + name + "0";
  for (int i = 0; i + 1 < links; ++i) {
    script += join + name + std::to_string(i) + " = " + name + std::to_string(i + 1);
  }
  return script + join + name + std::to_string(links - 1) + " = \"r\"";
}

TEST(RomName, IsTheGameNameGivenToThePinMameController) {
  const std::string c = "Const cGameName = \"afm_113b\"\n", alt = "Const UseAltROM = 0 :\n";
  const std::string r = "\nController.GameName = r";
  std::string deep;
  for (int i = 0; i < 64; ++i) deep += "If False Then\n";
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
       "Set pm = CreateObject(\"VPinMAME.Controller\")\npm.GameName = \"a\"", "a"},
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
      {"a quote in a string is no comment", "v = \"a\"\" 'b\" : Controller.GameName = \"ok\"",
       "ok"},
      {"a colon ends a statement", "rv = \"e\"\nWith Controller : .GameName = rv: .Run : End With",
       "e"},
      {"the next statement is no value",
       "rv = \"f\"\nWith Controller\n.GameName = rv: .SplashInfoLine = \"Night\"\nEnd With", "f"},
      {"a line continued", "Controller.GameName = _\n  \"g\"", "g"},
      {"a chain that ends nowhere gives way to the next assignment",
       "x = y\ny = z\nx = \"r\"\nController.GameName = x", "r"},
      {"only a name and an equals sign assign", "x y \"b\"\nx = \"r\"\nController.GameName = x",
       "r"},
      {"an underscore inside a line continues nothing", "x = _ y\nController.GameName = \"g\"",
       "g"},
      {"after Then and Else", "If a Then b = 1 Else Controller.GameName = \"h\"", "h"},
      {"the first live statement wins",
       "If a Then Controller.GameName = \"i\" Else Controller.GameName = \"j\"", "i"},
      {"whole names only", "OldcGameName = \"old\"\n" + c + "Controller.GameName = cGameName",
       "afm_113b"},
      {"assignments in any form",
       "Private Const x = 1, cGameName = \"k\"\nDim y: y = cGameName\nController.GameName = y",
       "k"},
      {"the first assignment that gives a value",
       "v = Other()\nv = \"l\"\nv = \"m\"\nController.GameName = v", "l"},
      {"an assignment after the statement", "Controller.GameName = v\nv = \"n\"", "n"},
      {"names that follow each other round", "a = b\nb = a\nController.GameName = a", "nf"},
      {"an array's first element, indexed or not",
       "r1 = \"o\"\nv = Array(r1, \"p\")(sel)\nController.GameName = Array(v, 1)", "o"},
      {"an expression names nothing", "Controller.GameName = \"a\" & ver", "nf"},
      {"an empty literal names nothing", "Controller.GameName = \"\"", "nf"},
      {"no statement at all", c + "Sub Table1_Init\nEnd Sub", "nf"},
      // A ROM name is a short identifier; anything else is none.
      {"64 characters", "Controller.GameName = \"" + std::string(64, 'A') + "\"",
       std::string(64, 'a')},
      {"65 characters", "Controller.GameName = \"" + std::string(65, 'a') + "\"", "nf"},
      {"letters, digits, _ - .", "Controller.GameName = \"Pin9.v1-2_x\"", "pin9.v1-2_x"},
      {"no leading -", "Controller.GameName = \"-lx\"", "nf"},
      {"no leading .", "Controller.GameName = \".\"", "nf"},
      {"no leading _", "Controller.GameName = \"_x\"", "nf"},
      {"a NUL", "Controller.GameName = \"ab" + std::string(1, '\0') + "c\"", "nf"},
      {"a blank", "Controller.GameName = \"a b\"", "nf"},
      {"a path", "Controller.GameName = \"../x\"", "nf"},
      {"Windows-1252 letters", "Controller.GameName = \"\xC9T\xC9\"", "nf"},
      // Names are followed through 16 names at most, on lines or on one line.
      {"16 names", Chain(16), "r"},
      {"17 names", Chain(17), "nf"},
      {"16 names on one line", Chain(16, "a", " : "), "r"},
      // Branches known not to be taken give nothing.
      {"a block If",
       alt + "If UseAltROM = 1 Then\ncGameName = \"dragfis16\"\nElse\n"
             "cGameName = \"dragfist\"\nEnd If\nController.GameName = cGameName",
       "dragfist"},
      {"a one-line If", alt + "If UseAltROM = 1 Then r = \"a16\" Else r = \"a\" End If" + r, "a"},
      {"a Const after its use",
       "If Alt Then Controller.GameName = \"b1\" Else Controller.GameName = \"b\"\n"
       "Const Alt = False",
       "b"},
      {"ElseIf",
       alt +
           "If UseAltROM = 1 Then\nr = \"c1\"\nElseIf UseAltROM = 0 Then\nr = \"c0\"\n"
           "Else\nr = \"c2\"\nEnd If" +
           r,
       "c0"},
      {"no branch after one taken",
       "If 2 >= 2 Then\nx = 1\nElseIf 1 Then\nr = \"d1\"\nElse\nr = \"d2\"\nEnd If\nr = \"d3\"" + r,
       "d3"},
      {"a condition on anything else is not judged",
       "If Table1.ShowDT Then\nr = \"e1\"\nElse\nr = \"e2\"\nEnd If" + r, "e1"},
      {"Select Case, strings compared with their case",
       "Const V = \"b\"\nSelect Case V\nCase \"a\", \"B\": r = \"f1\"\nCase 2, \"b\"\nr = \"f2\"\n"
       "Case Else\nr = \"f3\"\nEnd Select" +
           r,
       "f2"},
      {"Case Else", "Select Case 3\nCase 1, 2\nr = \"g1\"\nCase Else\nr = \"g2\"\nEnd Select" + r,
       "g2"},
      {"Not, And, Or, parentheses",
       "Const A = 1, B = \"x\"\nIf Not (Not A = 2) Or B <> \"x\" And True Then r = \"h1\" Else "
       "r = \"h2\"" +
           r,
       "h2"},
      {"Not of a number works on its bits", "If (Not 1) <> -2 Then r = \"i1\" Else r = \"i2\"" + r,
       "i2"},
      {"numbers compare as numbers",
       "Const V = 10, N = -1\nIf V <= 9 Or N >= 0 Or True <> -1 Or V > 10 Or V < 10 Then r = "
       "\"j1\" Else r = \"j2\"" +
           r,
       "j2"},
      {"a constant declared twice is not known",
       "Sub A\nConst M = 1\nEnd Sub\nSub B\nConst M = 2\nEnd Sub\n"
       "If M = 3 Then r = \"k1\" Else r = \"k2\"" +
           r,
       "k1"},
      {"blocks nest",
       alt +
           "If UseAltROM = 0 Then\nIf UseAltROM = 1 Then\nr = \"l1\"\nElse\n"
           "r = \"l2\"\nEnd If\nElse\nr = \"l3\"\nEnd If" +
           r,
       "l2"},
      {"a colon after Then", "If False Then: r = \"q1\"\nr = \"q2\"" + r, "q2"},
      {"names in brackets", "[my rom] = \"q\" : Controller.GameName = [My Rom]", "q"},
      {"a one-line If ends with its line", "If False Then x = 1 : r = \"m1\"\nr = \"m2\"" + r,
       "m2"},
      {"a procedure ends its blocks", "Sub A\nIf False Then\nEnd Sub\nController.GameName = \"n\"",
       "n"},
      {"64 deep is judged", deep + "Controller.GameName = \"o\"", "nf"},
      {"65 deep is not", deep + "If False Then\nController.GameName = \"o\"", "o"},
      {"a branch not taken makes no controller",
       "If False Then Set c = CreateObject(\"VPinMAME.Controller\")\nc.GameName = \"p\"", "nf"}};
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
      "x = 1\r\n \t\v\f" + std::string(1, '\0') +
      " With Controller : .GameName = rom : End With \t\r\nrom = Array(cGameName)\r\n"
      "Const cGameName = \"Q_L1\"\r\n" +
      std::string(300, 'a'));
  EXPECT_EQ(found.rom, "q_l1");
  EXPECT_EQ(found.line_text, "With Controller : .GameName = rom : End With");
  EXPECT_EQ(FindRomInScript("Controller.GameName = \"" + std::string(200, 'z')).line_text,
            "Controller.GameName = \"" + std::string(96, 'z') + "\u2026");
}

TEST(RomSource, CountsEveryKindOfLineEnd) {
  const std::string long_comment = "' " + std::string(300, 'c');  // past one searched piece
  const struct {
    std::string script, where;  // where: the controller's line, then each name's "name@line"
  } rows[] = {
      {"' c\rx = y\n\r\ny = \"r\"\rController.GameName = x", "5 x@2 y@4"},
      {long_comment + "\rController.GameName = \"s\"", "2"},
      {long_comment + "\nController.GameName = \"s\"", "2"},
      {"x = [y\nController.GameName = \"s\"", "2"},  // a bracket left open ends with its line
      {long_comment + "\r\n\r\nController.GameName = \"s\"", "3"},
      {"a = _\r  \"r\"\r\n\n Controller.GameName = a\r", "4 a@1"},
      {"Const b = 1, _\n a = \"r\"\nController.GameName = a", "3 a@2"},
      {"x\r\nWith Controller : .GameName = r\r\nr = Array(c)\r\nConst c = \"q\"", "2 r@3 c@4"},
  };
  for (const auto& row : rows) {
    const RomFinding found = FindRomInScript(row.script);
    std::string where = std::to_string(found.line);
    for (const auto& step : found.names) {
      where += " " + step.name + "@" + std::to_string(step.line);
      EXPECT_NE(step.line_text.find(step.name), std::string::npos) << step.line_text;
    }
    EXPECT_EQ(where, row.where) << row.script.substr(0, 40);
  }
}

TEST(RomName, SaysWhyThereIsNone) {
  const std::string is = "the controller's game name is set to ";
  std::string flood;  // more assignments than are kept
  for (int i = 0; i <= 1 << 18; ++i) flood += "v=w:";
  const struct {
    std::string script, why;
  } rows[] = {{"FlexDMD.GameName = \"x\"", "no statement sets the PinMAME controller's game name"},
              {"Controller.GameName = \"  \"", is + "an empty text"},
              {"Controller.GameName = \"a\" & v", is + "a value that names no ROM"},
              {"Controller.GameName = v", is + "a value that names no ROM"},
              {Chain(17), "the controller's game name is followed through more than 16 names"},
              {flood + "\nController.GameName = x\nx = \"r\"",
               "the script assigns more names than are followed"},
              {std::string("Controller.GameName = \"a\tb\x01\"\"\""),
               is + "\"a b?\"\"\", which is no ROM name"},
              {"Controller.GameName = \"" + std::string(15 << 20, 'x') + "\"",
               is + "\"" + std::string(39, 'x') + "\u2026\", which is no ROM name"}};
  for (const auto& row : rows) {
    EXPECT_EQ(FindRomInScript(row.script).why_plain, row.why) << row.script.substr(0, 60);
  }
}

TEST(RomSource, CutsEveryTextVisibly) {
  const std::string name(100'000, 'n');
  const RomFinding found = FindRomInScript(Chain(16, name));
  ASSERT_EQ(found.names.size(), 16u);
  EXPECT_EQ(found.names[3].name, std::string(63, 'n') + "\u2026");
  EXPECT_EQ(found.names[3].line, 5);
  const RomSource source = DescribeRomFinding(found, "/t/" + std::string(300, 'f') + ".vbs");
  EXPECT_EQ(source.found, "found in " + std::string(59, 'f') +
                              "\u2026, line 17: " + std::string(119, 'n') + "\u2026");
  EXPECT_EQ(source.via, found.names[0].name + " -> " + std::string(17, 'n') +
                            "\u2026 -> \"r\", given to the controller on line 1: "
                            "Controller.GameName = " +
                            std::string(97, 'n') + "\u2026");
}

TEST(TableScript, IsTheSidecarElseTheCodeRecordElseTheWholeFile) {
  TempDir dir;
  TableContents desc;
  desc.script = "Controller.GameName = \"inner\"";
  desc.padding_bytes = 200'000;  // images before the script, as in real tables
  ASSERT_TRUE(WriteTable(dir.Path("T.vpx"), desc));
  const auto read = [&dir](const std::string& file) {
    const auto table = CompoundFile::Open(dir.Path(file));
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
  for (const std::string& data :
       {GameDataRecords(desc.script).substr(0, 40), std::string("\x04\0\0\0CODE\xFF\xFF\0\0", 12),
        std::string("\x03\0\0\0NAME", 8) + GameDataRecords("x")}) {
    desc.game_data = data;
    ASSERT_TRUE(WriteTable(dir.Path("cut.vpt"), desc));
    EXPECT_EQ(read("cut.vpt").bytes, dir.ReadFile("cut.vpt"));
  }
  dir.WriteFile("text.vpt", "Controller.GameName = \"plain\"");
  EXPECT_EQ(FindRomInScript(read("text.vpt").bytes).rom, "plain");
  // A .vpx that is no compound file is no table; a sidecar that cannot be read runs nothing.
  dir.WriteFile("text.vpx", "Controller.GameName = \"plain\"");
  EXPECT_EQ(read("text.vpx").why_none, "not a readable table file");
  dir.MakeDir("T.vbs");
  ASSERT_EQ(mkfifo(dir.Path("U.vbs").c_str(), 0644), 0);
  ASSERT_TRUE(WriteTable(dir.Path("U.vpt"), desc));
  for (const char* table : {"T.vpx", "U.vpt"}) {
    EXPECT_EQ(read(table).why_none,
              std::string("the sidecar script ") + table[0] + ".vbs could not be read");
  }
  // UTF-16, a character past the first 64 KiB made of two halves read as one.
  dir.WriteFile("V.vbs", "\xFF\xFE" + ToUtf16Le(std::string(32767, 'x') + "\U0001F600\u00E9"));
  ASSERT_TRUE(WriteTable(dir.Path("V.vpx"), desc));
  EXPECT_EQ(read("V.vpx").bytes, std::string(32767, 'x') + "?\xE9");
  // A stray last byte, half a character, is left.
  dir.WriteFile("V.vbs", "\xFF\xFE" + ToUtf16Le("ab") + "c");
  EXPECT_EQ(read("V.vpx").bytes, "ab");
}

}  // namespace
