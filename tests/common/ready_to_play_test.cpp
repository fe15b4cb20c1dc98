// What a table needs and comes with: the simulator's settings, ROM files, add-ons, and the
// details files that other front-ends keep beside tables.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/addons.h"
#include "common/collection_check.h"
#include "common/json_members.h"
#include "common/rom_files.h"
#include "common/table_details.h"
#include "common/text.h"
#include "common/vpinball_settings.h"
#include "support/temp_dir.h"

namespace {

using Files = std::vector<std::string>;  // relative paths; a trailing "/" makes a folder

void Make(const TempDir& dir, const Files& files) {
  for (const std::string& file : files) {
    if (file.ends_with("/")) {
      dir.MakeDir(file);
    } else {
      dir.WriteFile(file, "x");
    }
  }
}

// The settings file found, and the PinMAME folder it names, for each way people write it.
TEST(VPinballSettings, FindsThePinMameFolderAsTheSimulatorWritesIt) {
  const std::string newer = "data/VPinballX/10.8/VPinballX.ini",
                    older = "home/.vpinball/VPinballX.ini";
  struct Row {
    const char* why;
    std::string file, text, folder;
  } rows[] = {
      {"the plugin's, spaced and quoted", newer,
       "\xEF\xBB\xBF; comment\r\n[Plugin.PinMAME]\r\nEnable = 1\r\n  PinMAMEPath = \"/p m/\"\r\n",
       "/p m"},
      {"the plugin's wins; letters in any case", newer,
       "[standalone]\nPinMAMEPath=/old\n[PLUGIN.PINMAME]\npinmamepath=/new//\n", "/new"},
      {"an empty plugin value leaves the older key", older,
       "[Plugin.PinMAME]\nPinMAMEPath =\n[Standalone]\nPinMAMEPath=/old\n", "/old"},
      {"another section's key counts for nothing", older,
       "[Player]\nPinMAMEPath=/x\n# PinMAMEPath=/y\n[Standalone\nPinMAMEPath=/z\n[Standalon3]\n"
       "PinMAMEPath=/w\n[Standalone]\nPinMAMEPat2=/v\n",
       ""},
      {"a file of 4 MiB is", older,
       ("[Standalone]\nPinMAMEPath=/x\n;" + std::string(4 << 20, 'x')).substr(0, 4 << 20), "/x"},
      {"a file past 4 MiB is not read", newer,
       "[Standalone]\nPinMAMEPath=/x\n;" + std::string(4 << 20, 'x'), ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    TempDir dir;
    dir.WriteFile(row.file, row.text);
    const UserFolders user{dir.Path("home"), dir.Path("data")};
    EXPECT_EQ(VPinballSettingsFile(user), dir.Path(row.file));
    EXPECT_EQ(PinMamePathSetting(VPinballSettingsFile(user)), row.folder);
  }
  TempDir dir;  // both: the newer release's
  dir.WriteFile(newer, ""), dir.WriteFile(older, "");
  EXPECT_EQ(VPinballSettingsFile({dir.Path("home"), dir.Path("data")}), dir.Path(newer));
  EXPECT_EQ(VPinballSettingsFile({dir.Path("home"), ""}), dir.Path(older));
  EXPECT_EQ(VPinballSettingsFile({dir.Path("none"), ""}), "");
  setenv("HOME", "/h", 1), setenv("XDG_DATA_HOME", "rel", 1);
  EXPECT_EQ(UserFoldersFromEnvironment().data_home, "/h/.local/share");
  setenv("XDG_DATA_HOME", "/d", 1);
  EXPECT_EQ(UserFoldersFromEnvironment().home + UserFoldersFromEnvironment().data_home, "/h/d");
}

// The zip in each of the simulator's places, in its order; where it would not look is no help.
TEST(RomFiles, FoundOnlyInTheOneFolderTheSimulatorTakes) {
  const std::string table = "t/pinmame/roms/", settings = "s/roms/", home = "home/.pinmame/roms/";
  struct Row {
    const char* why;
    Files files;
    bool with_settings;
    std::string rom, found;
    Files looked_in;
  } rows[] = {
      {"beside the table, in other letters",
       {"T/PinMAME/ROMS/AB_L1.Zip"},
       true,
       "ab_l1",
       "T/PinMAME/ROMS/AB_L1.Zip",
       {"T/PinMAME/ROMS/"}},
      {"the settings' folder",
       {settings + "ab_l1.zip", home + "ab_l1.zip"},
       true,
       "ab_l1",
       settings + "ab_l1.zip",
       {table, settings}},
      {"the home folder without settings",
       {home + "ab_l1.zip"},
       false,
       "ab_l1",
       home + "ab_l1.zip",
       {table, home}},
      {"the settings win over the home folder",
       {home + "ab_l1.zip"},
       true,
       "ab_l1",
       "",
       {table, settings}},
      {"a folder beside the table wins", {table, home + "ab_l1.zip"}, false, "ab_l1", "", {table}},
      {"a folder is no zip", {home + "ab_l1.zip/"}, false, "ab_l1", "", {table, home}},
      {"no ROM name, no path",
       {"t/x.zip", "home/.pinmame/x.zip"},
       false,
       "../x",
       "",
       {table, home}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    TempDir dir;
    Make(dir, row.files);
    const PinMameDefaults defaults{row.with_settings ? dir.Path("s") : "",
                                   dir.Path("home/.pinmame")};
    const RomFileSearch search = FindRomFile(row.rom, dir.Path("t"), defaults);
    EXPECT_EQ(search.found, row.found.empty() ? "" : dir.Path(row.found));
    Files looked_in;
    for (const std::string& folder : row.looked_in) looked_in.push_back(dir.Path(folder));
    EXPECT_EQ(search.looked_in, looked_in);
    EXPECT_EQ(AsciiLowerCopy(search.pinmame_folder + "roms/"),
              AsciiLowerCopy(search.looked_in.back()));
  }
  const RomFileSearch found{"a", "/r/a.zip", {"/r/"}}, missing{"a", "", {"/t/\n/", "/r/"}};
  EXPECT_EQ(RomFileLine(found) + "|" + RomFileLine(missing, true),
            "ROM file:  found in /r/a.zip|Parent ROM file:  missing (looked in /t/\u240A/, /r/)");
}

TEST(RomFiles, AClonesParentComesFromItsGameInformation) {
  const struct {
    const char* why;
    std::string rom, alias, info, parent;
  } rows[] = {
      {"a clone", "ab_l1", "", "Game|1990|M|ab_l2", "ab_l2"},
      {"no clone: its own name, in any case", "ab_l1", "", "Game|1990|M|AB_L1", ""},
      {"no clone: its alias", "ab_l1", "ab", "Game|1990|M|ab", ""},
      {"no information", "ab_l1", "", "", ""},
      {"fields missing", "ab_l1", "", "Game|1990", ""},
      {"a parent that is no ROM name", "ab_l1", "", "G|1|M|x  [Tabrin]", ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(CloneParent(row.rom, row.alias, row.info), row.parent) << row.why;
  }
  for (const char* name : {"ab_l1", "Zz.b-c9", "9"}) EXPECT_TRUE(IsRomName(name)) << name;
  for (const std::string& name : Files{"", "_a", ".a", "-a", "a/b", "a b", std::string(65, 'a')}) {
    EXPECT_FALSE(IsRomName(name)) << name;
  }
}

// Each add-on in each of its places, found as the simulator finds it, in any letter case.
TEST(AddOns, EachIsFoundWhereTheSimulatorLooks) {
  const struct {
    const char* why;
    Files files;
    std::string rom, line;
  } rows[] = {
      {"nothing", {"t/other.directb2s", "t/altsound/"}, "ab_l1", "Add-ons:  none"},
      {"a backglass file, plain table too", {"t/TABLE.DirectB2S"}, "", "Add-ons:  backglass file"},
      {"AltSound beside the table", {"t/AltSound/AB_L1/"}, "ab_l1", "Add-ons:  AltSound"},
      {"AltSound in its PinMAME folder",
       {"t/pinmame/altsound/ab_l1/"},
       "ab_l1",
       "Add-ons:  AltSound"},
      {"AltSound in the PinMAME folder taken",
       {"pm/altsound/ab_l1/"},
       "ab_l1",
       "Add-ons:  AltSound"},
      {"Serum", {"t/serum/ab_l1/"}, "ab_l1", "Add-ons:  colour DMD"},
      {"AltColor", {"t/pinmame/altcolor/ab_l1/"}, "ab_l1", "Add-ons:  colour DMD"},
      {"VNI", {"t/vni/ab_l1/"}, "ab_l1", "Add-ons:  colour DMD"},
      {"AltColor in the PinMAME folder", {"pm/altcolor/ab_l1/"}, "ab_l1", "Add-ons:  colour DMD"},
      {"a PuP pack", {"t/PuPVideos/ab_l1/"}, "ab_l1", "Add-ons:  PuP pack"},
      {"NVRAM", {"pm/nvram/AB_L1.nv"}, "ab_l1", "Add-ons:  NVRAM"},
      {"a file is no folder, a folder no file",
       {"t/pupvideos/ab_l1", "pm/nvram/ab_l1.nv/"},
       "ab_l1",
       "Add-ons:  none"},
      {"the ROM's only with a ROM name",
       {"t/altsound/a b/", "t/pupvideos/../"},
       "..",
       "Add-ons:  none"},
      {"all, in order",
       {"t/table.directb2s", "t/altsound/ab_l1/", "t/vni/ab_l1/", "t/pupvideos/ab_l1/",
        "pm/nvram/ab_l1.nv"},
       "ab_l1",
       "Add-ons:  backglass file, AltSound, colour DMD, PuP pack, NVRAM"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.why);
    TempDir dir;
    Make(dir, row.files);
    const std::vector<AddOn> add_ons =
        FindAddOns(dir.Path("t/Table.vpx"), row.rom, dir.Path("pm/"));
    EXPECT_EQ(AddOnsLine(add_ons), row.line);
    for (const AddOn& add_on : add_ons) {
      EXPECT_TRUE(std::filesystem::exists(add_on.path)) << add_on.path;
    }
  }
}

// Spans of members whatever they hold; anything that is no object is refused.
TEST(JsonMembers, FindsEachMembersSpansAndRefusesWhatIsNoObject) {
  const std::string text = R"( { "a" : [1, {"b": "}]"}] ,"c\"d":"x\"}",  "e":-1.5e3 } )";
  std::vector<JsonMember> members;
  size_t close = 0;
  ASSERT_TRUE(ScanJsonObject(text, 1, members, close));
  std::string spans;
  for (const JsonMember& m : members) {
    spans += text.substr(m.key_begin, 1) + m.key + "=" +
             text.substr(m.value_begin, m.value_end - m.value_begin) + ";";
  }
  EXPECT_EQ(spans + text.substr(close), R"("a=[1, {"b": "}]"}];"c"d="x\"}";"e=-1.5e3;} )");
  for (const char* bad :
       {R"({"a"x1})", R"({"a":1)", R"({"a":1 "b":2})", R"({a:1})", "[]", R"({"a":"x)"}) {
    EXPECT_FALSE(ScanJsonObject(bad, 0, members, close)) << bad;
  }
}

TEST(TableDetails, ReadsTitleMakerYearAndAuthorsOrNothing) {
  const std::string info = R"({"Info": {"Title": "T", "Manufacturer": "Bally", )";
  const struct {
    const char* why;
    std::string text, details;
  } rows[] = {
      {"a list of authors, a year as a number",
       info + R"("Year": 1992, "Authors": ["A", 7, "B"], "VPSId": "x"}, "User": {}})",
       "T|Bally|1992|A, B"},
      {"one author, a year as a text", R"({"Info": {"Authors": "Ann", "Year": "1992"}})",
       "||1992|Ann"},
      {"a line break shows", R"({"Info": {"Title": "a
b", "Year": 1992.5}})",
       "a\u240Ab||1992.5|"},
      {"no Info", R"({"User": {}})", "none"},
      {"Info no object", R"({"Info": "T"})", "none"},
      {"no JSON", info, "none"},
      {"no object", "[1]", "none"},
      {"past a megabyte", info + R"("Year": 1}})" + std::string(1 << 20, ' '), "none"},
  };
  for (const auto& row : rows) {
    const std::optional<TableDetails> details = ParseTableDetails(row.text);
    EXPECT_EQ(details ? details->title + "|" + details->manufacturer + "|" + details->year + "|" +
                            details->authors
                      : "none",
              row.details)
        << row.why;
  }
}

// Only the four values change, in the types the file gives them; every other byte stays.
TEST(TableDetails, UpdatesUserAndKeepsEveryOtherByte) {
  const TableDetailsUser user{true, 3, 1700000000, 600}, never{false, 0, 0, 5};
  const std::string added =
      R"("Favorite": true, "StartCount": 3, "LastRun": 1700000000, "RunTime": 600)";
  const struct {
    const char* why;
    std::string text, updated;
    const TableDetailsUser* other = nullptr;
  } rows[] = {
      {"each value in its own type, the rest untouched",
       "{ \"Info\" :{\"T\":\"}{\\\"\"},\r\n  \"User\": {\"Rating\": 5, \"Favorite\": 9, "
       "\"StartCount\":\"2\","
       "\"LastRun\": \"2023-01-01T00:00:00Z\", \"RunTime\": 10.5, \"Tags\": [\"x\"]}, \"z\": null "
       "}\n",
       "{ \"Info\" :{\"T\":\"}{\\\"\"},\r\n  \"User\": {\"Rating\": 5, \"Favorite\": 1, "
       "\"StartCount\":\"3\","
       "\"LastRun\": \"2023-11-14T22:13:20Z\", \"RunTime\": 600, \"Tags\": [\"x\"]}, \"z\": null "
       "}\n"},
      {"a text of digits stays one, a truth value one",
       R"({"User": {"LastRun": "19", "Favorite": false, "StartCount": 1, "RunTime": 1}})",
       R"({"User": {"LastRun": "1700000000", "Favorite": true, "StartCount": 3, "RunTime": 600}})"},
      {"no User: added as the file indents", "{\n    \"Info\": {}\n}",
       "{\n    \"Info\": {},\n    \"User\": {\n        \"Favorite\": true,"
       "\n        \"StartCount\": 3,\n        \"LastRun\": 1700000000,\n        \"RunTime\": 600\n "
       "   }\n}"},
      {"no User, lines ending in CR LF, tabs", "{\r\n\t\"Info\": 1\r\n}",
       "{\r\n\t\"Info\": 1,\r\n\t\"User\": {\r\n\t\t\"Favorite\": true,\r\n\t\t\"StartCount\": "
       "3,\r\n\t\t\"LastRun\": 1700000000,\r\n\t\t\"RunTime\": 600\r\n\t}\r\n}"},
      {"no User, one line", R"({"Info":{}})", R"({"Info":{}, "User": {)" + added + "}}"},
      {"nothing at all", "{}", R"({"User": {)" + added + "}}"},
      {"User null", R"({"User": null})", R"({"User": {)" + added + "}}"},
      {"User empty", R"({"User": {}})", R"({"User": {)" + added + "}}"},
      {"keys missing from User", "{\"User\": {\n  \"Rating\": 4\n}}",
       "{\"User\": {\n  \"Rating\": 4,\n  \"Favorite\": true,\n  \"StartCount\": 3,\n  "
       "\"LastRun\": 1700000000,\n  \"RunTime\": 600\n}}"},
      {"never run: LastRun as it was", R"({"User": {"LastRun": null}})",
       R"({"User": {"LastRun": null, "Favorite": false, "StartCount": 0, "RunTime": 5}})", &never},
      {"two Users", R"({"User": {}, "User": {}})", "none"},
      {"no JSON", R"({"User": {})", "none"},
      {"no object", "[{}]", "none"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(UpdatedTableDetailsText(row.text, row.other ? *row.other : user).value_or("none"),
              row.updated)
        << row.why;
  }
}

// The file beside the table, in any letter case: rewritten whole, or left as it was.
TEST(TableDetails, AFileIsReplacedOrLeftAsItWas) {
  TempDir dir;
  const std::string table = dir.Path("Table.vpx"), malformed = R"({"Info": {"Title": "T"})";
  const TableDetailsUser user{true, 1, 0, 0};
  EXPECT_EQ(UpdateTableDetailsUser(table, user), TableDetailsUpdate::kNoFile);
  EXPECT_FALSE(ReadTableDetails(table));
  dir.WriteFile("TABLE.Info", malformed);
  EXPECT_EQ(UpdateTableDetailsUser(table, user), TableDetailsUpdate::kMalformed);
  EXPECT_EQ(dir.ReadFile("TABLE.Info"), malformed);
  dir.WriteFile("TABLE.Info", malformed + "}");
  EXPECT_EQ(UpdateTableDetailsUser(table, user), TableDetailsUpdate::kWritten);
  EXPECT_EQ(
      dir.ReadFile("TABLE.Info"),
      R"({"Info": {"Title": "T"}, "User": {"Favorite": true, "StartCount": 1, "RunTime": 0}})");
  EXPECT_EQ(ReadTableDetails(table).value_or(TableDetails{}).title, "T");
}

}  // namespace
