// The extractor's pieces: command line, settings, base names, game information, table files.
#include <gtest/gtest.h>

#include <QDir>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>
#include <vector>

#include "common/profile.h"
#include "common/text.h"
#include "extractor/catalogue.h"
#include "extractor/command_line.h"
#include "extractor/mame_info.h"
#include "extractor/messages.h"
#include "extractor/table_info.h"
#include "support/temp_dir.h"
#include "table_writer.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Runs = std::vector<std::string>;
using Files = std::set<std::string>;

TEST(CommandLine, EveryPathIsTakenAndEveryWordMustBeAnOption) {
  const struct {
    const char* why;
    std::vector<std::string> args, paths;
    ExtractorOptions options;
    std::string unknown = "";
    bool help = false;
  } rows[] = {
      {"paths in order, options anywhere in any case, several to an argument",
       {"-Clear", " /t/*.* ", "b.vpt", "-exit  -HIDE", "", "  "},
       {"/t/*.*", "b.vpt"},
       {.clear = true, .hide = true, .exit = true}},
      {"every other word",
       {"-txt -overwrite -noalias -nopics -nodocs -norename"},
       {},
       {.txt = true,
        .overwrite = true,
        .noalias = true,
        .nopics = true,
        .nodocs = true,
        .norename = true}},
      {"questions write nothing: they hide",
       {"-why"},
       {},
       {.hide = true, .exit = true, .why = true}},
      {"", {"x", "-REPORT"}, {"x"}, {.hide = true, .exit = true, .report = true}},
      {"a mistyped word is refused, the first named",
       {"-whyy", "-nodocs -x"},
       {},
       {.nodocs = true},
       "-whyy"},
      {"help in any form", {"x", "-exit --HELP"}, {"x"}, {.exit = true}, "", true},
      {"", {"-h"}, {}, {}, "", true},
      {"after --, a name that looks like an option", {"--", "-clear", "--"}, {"-clear", "--"}, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.why);
    const CommandLine line = ParseCommandLine(row.args);
    EXPECT_EQ(line.paths, row.paths);
    EXPECT_TRUE(line.options == row.options);
    EXPECT_EQ(line.unknown, row.unknown);
    EXPECT_EQ(line.help, row.help);
  }
  EXPECT_TRUE(ParseCommandLine({}).empty);
  EXPECT_FALSE(ParseCommandLine({""}).empty);
}

TEST(CommandLine, ARelativePathIsLookedUpHereFirstThenInTheProgramFolder) {
  TempDir dir;
  const std::string here = dir.MakeDir("here"), prog = dir.MakeDir("prog");
  dir.WriteFile("here/Tables/a.vpx", "");
  dir.WriteFile("prog/tables/b.vpx", "");
  const std::pair<std::string, std::string> rows[] = {
      {"tables/a.vpx", here + "/tables/a.vpx"},  // as written: found in any case
      {"tables\\*.vpx", here + "/tables/*.vpx"},
      {"tables/b.vpx", prog + "/tables/b.vpx"},
      {"none/*.*", prog + "/none/*.*"},
      {"\\tables\\a.vpx", prog + "/tables/a.vpx"},
      {"/abs\\x.vpx", "/abs/x.vpx"},
  };
  for (const auto& [path, absolute] : rows) {
    EXPECT_EQ(MakeTableArgAbsolute(path, here, prog), absolute) << path;
  }
  EXPECT_EQ(MakeTableArgAbsolute("tables/a.vpx", "", prog), prog + "/tables/a.vpx");
}

// What goes into the catalogue or a message: one line, a few hundred characters, no "|".
TEST(Texts, FieldsAndMessagesAreCutVisiblyAndKeepToOneLine) {
  const std::string long_text = std::string(kMaxTextChars - 1, 'x') + "\xC3\xA9";
  const std::string cut = std::string(kMaxTextChars - 1, 'x') + "\u2026";
  std::string bars;  // as a field holds them
  for (size_t i = 1; i < kMaxTextChars; ++i) bars += "\u00A6";
  const std::string controls = "cr\rlf\n\x1B[2J\x7F\xC2\x9B\xC2\xA0.vpx";
  const struct {
    std::string text, field, shown;
  } rows[] = {
      {"a|b||", "a\u00A6b\u00A6\u00A6", "a|b||"},
      {long_text, long_text, long_text},
      {long_text + "y", cut, cut},
      {std::string(5000, '|'), bars + "\u2026", std::string(kMaxTextChars - 1, '|') + "\u2026"},
      {controls, controls, "cr\u240Dlf\u240A\u241B[2J\u2421\uFFFD\u00A0.vpx"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(CatalogueField(row.text), row.field) << row.text;
    EXPECT_EQ(Shown(row.text), row.shown) << row.text;
  }
  EXPECT_EQ(ShownName("caf\xE9\n"), "caf\u00E9\u240A");  // no UTF-8: read as Windows-1252
}

TEST(Texts, ListingEntitiesAreDecodedOnceAndOnlyWhenWhole) {
  const std::pair<std::string, std::string> rows[] = {
      {"Bally &amp; Co &lt;&gt;&quot;&apos;", "Bally & Co <>\"'"},
      {"&amp;lt; &#65;&#x42;&#X43;&#233;&#x1F3B1;", "&lt; ABC\u00E9\U0001F3B1"},
      {"& &amp &bogus; &#; &#x; &#0; &#xD800; &#x110000; &#12a; &#000000000065;",
       "& &amp &bogus; &#; &#x; &#0; &#xD800; &#x110000; &#12a; &#000000000065;"},
      {"&#x7FF;&#x800;&#xFFFF;&#124;", "\u07FF\u0800\uFFFF|"},
      {"&#00000000065;&             &amp;", "A&             &"},  // the longest name read
  };
  for (const auto& [xml, text] : rows) EXPECT_EQ(DecodeXmlEntities(xml), text) << xml;
}

TEST(BaseName, FollowsTheSeparatorRulesCountingCharactersNotBytes) {
  const std::pair<std::string, std::string> rows[] = {
      {"Night_Table_VP91x.vpt", "Night Table"},
      {"Space Ranger (1978) [r2].vpt", "Space Ranger"},
      {"Night Table 2.5.vpt", "Night Table 2"},
      {"(New) Table.vpt", "(New) Table"},
      {"Big Show VP9 mod.vpt", "Big Show"},
      {"Caf\xC3\xA9 (2001).vpt", "Caf\xC3\xA9"},
      {" [x] Odd_ .vpt", "[x] Odd"},
      {"ab\xC3\xA9.vpt", "ab\xC3\xA9"},
      {".vpt", ".vpt"}};
  ExtractorState state;
  for (const auto& [file, base] : rows) {
    MakeBaseName(state, file);
    EXPECT_EQ(state.ResultName, base) << file;
  }
}

TEST(Settings, FoldersArePutInTheProgramFolderAndTheSwitchIsANumber) {
  // "$" stands for the program folder.
  const struct {
    std::string ini, mame_folder, program, art_folder;
    int pinmame;
  } rows[] = {
      {"", "", "", "$/", 0},
      {"[MAME]\r\nPath=\\emu\\\r\nExe= mame \r\nIsPinMAME=1.5x\r\n[VP]\r\nArtPath=art/\r\n",
       "$/emu/", "mame", "$/art/", 2},
      {"[MAME]\r\nPath=/opt/mame/\r\nIsPinMAME=yes\r\n", "/opt/mame/", "", "$/", 0},
      {"[MAME]\r\nIsPinMAME= -2.5\r\n[VP]\r\nArtPath=/art/\r\n", "", "", "/art/", -2},
      {"[MAME]\r\nIsPinMAME=99999\r\n", "", "", "$/", 32767},
      {"[MAME]\r\nIsPinMAME=+2.5e3\r\n", "", "", "$/", 2},  // no exponent
  };
  TempDir dir;
  ExtractorState state;
  state.program_folder = dir.path();
  const auto expand = [&dir](const std::string& path) {
    return path.starts_with("$") ? dir.path() + path.substr(1) : path;
  };
  for (const auto& row : rows) {
    dir.WriteFile("tabrin.ini", row.ini);  // found whatever the case of its name
    ReadSettings(state);
    EXPECT_EQ(state.MAMEFolder, expand(row.mame_folder)) << row.ini;
    EXPECT_EQ(state.MAMEProgram, row.program) << row.ini;
    EXPECT_EQ(state.UsePinMAME, row.pinmame) << row.ini;
    EXPECT_EQ(state.ArtFolder, expand(row.art_folder)) << row.ini;
  }
}

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
    WriteCatalogue(state_);
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
                .find("FH_L9=Fun\xE9house \xA6 Rudy's|1990\t|Williams & Co|FH_L9\r\n"),
            std::string::npos);
  EXPECT_EQ(Info("bare"), "Bare|2||fh_l9");  // runs on to the next "</game>" there is
  // A game the listing lacks has no information, and is noted as unknown to the emulator.
  EXPECT_EQ(Info("absent"), "");
  EXPECT_NE(temp_.ReadFile("prog/info.ini").find("[NotInEmulator]\r\nabsent=1\r\n"),
            std::string::npos);
}

// Shell syntax in ROM names: the end-to-end tests. Here an unsafe alias, a missing program.
TEST_F(MameInfo, NothingUnsafeOrMissingEverReachesTheEmulator) {
  temp_.WriteFile("prog/alias.ini", "[Alias]\r\ntz_92=tz_92;touch pwned\r\n");
  Gather("tz_92");
  state_.MAMEProgram = "pinmame";  // no such program
  Gather("mm_109c");
  state_.MAMEProgram = "mame";
  state_.MAMEFolder.pop_back();  // names are appended to the folder as it is written
  Gather("mm_109c");
  EXPECT_EQ(TakeRuns(), Runs{});
  EXPECT_EQ(Info("tz_92") + Info("mm_109c"), "");
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

TableContents FullTable(const std::string& name) {
  return {.table_name = name,
          .author_name = "Ann",
          .table_version = "1.2",
          .blurb = "Blurb",
          .rules = "Rules",
          .screenshot = "\xFF\xD8 jpeg"};
}

class TableInfo : public testing::Test {
 protected:
  TableInfo() {
    state_.program_folder = dir_.path();
    state_.ArtFolder = dir_.MakeDir("art") + "/";
    for (const char* folder : {"Blurb", "Description", "Rules", "snap"}) {
      dir_.MakeDir("art/"s + folder);
    }
  }
  // Writes the table `file` (from a description, or raw bytes) as the current one and reads it.
  void Read(const TableContents& desc, const std::string& file = "t.vpt") {
    state_.CurrentTable = dir_.MakeDir("tables") + "/" + file;
    ASSERT_TRUE(WriteTable(state_.CurrentTable, desc));
    GetTableInfo(state_);
    WriteCatalogue(state_);
  }
  void Read(const std::string& bytes) {
    state_.CurrentTable = dir_.WriteFile("tables/t.vpt", bytes);
    state_.TableInfoFields.fill("stale");
    GetTableInfo(state_);
    WriteCatalogue(state_);
  }
  std::string Entry(const std::string& key) {
    return ProfileRead("Tabrin", key, state_.InProgramFolder(kInfoIni));
  }
  // Every file written outside the tables, then removed for the next case.
  Files TakeWritten() {
    Files files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.path())) {
      const std::string relative = entry.path().lexically_relative(dir_.path()).string();
      if (!entry.is_directory() && !relative.starts_with("tables/")) files.insert(relative);
    }
    for (const std::string& file : files) std::filesystem::remove(dir_.Path(file));
    return files;
  }

  TempDir dir_;
  ExtractorState state_;
};

TEST_F(TableInfo, WritesTheEntryAndTheExportsNamedAfterTheTableWithoutColons) {
  Read(FullTable("Night: Deluxe"));
  EXPECT_EQ(Entry("Night: Deluxe"), "Night: Deluxe|Ann|1.2|||");
  EXPECT_EQ(dir_.ReadFile("art/Rules/Night Deluxe.txt"), ToUtf16Le("Rules"));
  EXPECT_EQ(TakeWritten(), (Files{"info.ini", "art/Blurb/Night Deluxe.txt",
                                  "art/Rules/Night Deluxe.txt", "art/snap/Night Deluxe.jpg"}));
  // A table without a name, or one of colons only, writes nothing.
  for (const auto& name :
       {std::optional("::"s), std::optional(""s), std::optional<std::string>()}) {
    TableContents desc = FullTable("");
    desc.table_name = name;
    Read(desc);
    EXPECT_EQ(state_.TableInfoFields[1], "Ann");
    EXPECT_EQ(TakeWritten(), Files{}) << name.value_or("(missing)");
  }
}

TEST_F(TableInfo, ExportsOnlyWhatTheOptionsAndTheFilesThereAllow) {
  dir_.WriteFile("art/Rules/T.txt", std::string(5000, 'x'));
  Read(FullTable("T"));
  EXPECT_EQ(dir_.ReadFile("art/Rules/T.txt"), std::string(5000, 'x'));
  state_.options.overwrite = true;
  Read(FullTable("T"));
  EXPECT_EQ(dir_.ReadFile("art/Rules/T.txt"), ToUtf16Le("Rules"));  // no old bytes behind
  TakeWritten();
  // -nodocs keeps the picture, -nopics the texts.
  for (const auto& [nodocs, nopics, written] :
       {std::tuple(true, true, Files{"info.ini"}),
        {true, false, Files{"info.ini", "art/snap/T.jpg"}},
        {false, true, Files{"info.ini", "art/Blurb/T.txt", "art/Rules/T.txt"}}}) {
    std::filesystem::remove_all(dir_.Path("art"));
    state_.options.nodocs = nodocs, state_.options.nopics = nopics;
    Read(FullTable("T"));
    EXPECT_EQ(TakeWritten(), written) << nodocs << nopics;
  }
  // Art folders of any case are found.
  state_.options.nodocs = state_.options.nopics = false;
  std::filesystem::remove_all(dir_.Path("art"));
  for (const char* folder : {"blurb", "rules", "SNAP"}) dir_.MakeDir("art/"s + folder);
  Read(FullTable("T"));
  EXPECT_EQ(TakeWritten(),
            (Files{"info.ini", "art/blurb/T.txt", "art/rules/T.txt", "art/SNAP/T.jpg"}));
}

TEST_F(TableInfo, ACataloguedTableIsTakenFromNamesIniWithoutOpeningIt) {
  dir_.WriteFile("names.ini", "[VP]\r\nt=Stored Name\r\nAliased=old\r\nBars=N|A|V\r\n");
  dir_.WriteFile("alias.ini", "[Alias]\r\nold=New Name\r\n");
  state_.TableInfoFields[4] = "previous table";
  Read("not a table file"s);
  EXPECT_EQ(state_.TableInfoFields, (std::array<std::string, 6>{"Stored Name"}));
  Read(FullTable("Inside"), "Aliased.vpt");
  EXPECT_EQ(state_.TableInfoFields[0], "New Name");
  Read(FullTable("Inside"), "Bars.vpt");
  EXPECT_EQ(state_.TableInfoFields, (std::array<std::string, 6>{"N", "A", "V"}));
  EXPECT_EQ(TakeWritten(), (Files{"alias.ini", "names.ini"}));
  state_.options.overwrite = true;
  dir_.WriteFile("names.ini", "[VP]\r\nBars=N|A|V\r\n");
  Read(FullTable("Inside"), "Bars.vpt");
  EXPECT_EQ(state_.TableInfoFields[0], "Inside");
}

TEST_F(TableInfo, OddTextsAndDamagedFilesAreReadWithoutHarm) {
  TableContents desc = FullTable("Über \"Flip\"");
  desc.info_storage_name = "tableINFO";  // names match in any case
  desc.author_name.reset();
  desc.raw_info_streams = {{"AUTHORNAME", ToUtf16Le("Odd") + "X"},            // odd length
                           {"TableVersion", std::string("\x00\xD8v\0", 4)}};  // lone surrogate
  desc.blurb = std::string(3'000'000, 'b');  // copied in many pieces, up to a megabyte
  Read(desc);
  EXPECT_EQ(Entry(*desc.table_name), *desc.table_name + "|Odd|\uFFFDv|||");
  EXPECT_TRUE(dir_.ReadFile("art/Blurb/" + *desc.table_name + ".txt") ==
              ToUtf16Le(std::string(524'032, 'b') +
                        "\r\n[Cut here: the table's text is 3000000 characters long; the first "
                        "524032 are shown.]\r\n"));
  TakeWritten();
  // No field shifts the ones after it; none grows without bound.
  desc = FullTable("A|B");
  desc.author_name = std::string(300, 'a');
  Read(desc);
  EXPECT_NE(dir_.ReadFile("info.ini")
                .find("\nA\xA6\x42=A\xA6\x42|" + std::string(253, 'a') + "\x85|1.2|||\r\n"),
            std::string::npos);
  TakeWritten();
  Read(FullTable("T"));
  const std::string good = dir_.ReadFile("tables/t.vpt");
  std::string siblings = good;  // entries linked beside the root entry, which no lookup follows
  uint32_t directory, one = 1;
  std::memcpy(&directory, &good[48], 4);
  std::memcpy(&siblings[512 + directory * 512 + 0x44], &one, 4);
  const Files all = TakeWritten();
  Read(siblings);
  EXPECT_EQ(TakeWritten(), all);
  Read(good.substr(0, 512));
  EXPECT_EQ(state_.TableInfoFields[0], "");
  EXPECT_EQ(TakeWritten(), Files{});
  // Damage anywhere in a small table never crashes and never leaves a temporary file.
  for (size_t offset = 0; offset + 4 <= good.size(); offset += 4) {
    Read(good.substr(0, offset) + (offset % 8 ? "\xFF\xFF\xFF\x7F" : std::string(4, '\0')) +
         good.substr(offset + 4));
  }
  for (const std::string& file : TakeWritten()) {
    EXPECT_TRUE(file == "info.ini" || file.ends_with(".txt") || file.ends_with(".jpg")) << file;
  }
}

}  // namespace
