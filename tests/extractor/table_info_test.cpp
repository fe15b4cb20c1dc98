#include "extractor/table_info.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "common/profile.h"
#include "extractor/catalogue.h"
#include "support/temp_dir.h"
#include "table_writer.h"

namespace {

using namespace std::string_literals;

const std::string kJpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(3000, 'j');
const std::string kPng = std::string("\x89PNG\r\n\x1A\n", 8) + std::string(100, 'p');

TableSpec FullTable(const std::string& name) {
  TableSpec table_spec;
  table_spec.table_name = name;
  table_spec.author_name = "Ann Author";
  table_spec.table_version = "1.2";
  table_spec.release_date = "1987";
  table_spec.author_email = "ann@example.org";
  table_spec.author_website = "example.org";
  table_spec.blurb = "Short blurb";
  table_spec.description = "A long description";
  table_spec.rules = "Rules";
  table_spec.screenshot = kJpeg;
  return table_spec;
}

class TableInfoTest : public testing::Test {
 protected:
  void SetUp() override {
    state_.program_folder = dir_.path();
    state_.ArtFolder = dir_.MakeDir("art") + "/";
    for (const char* folder : {"Blurb", "Description", "Rules", "snap"}) {
      dir_.MakeDir(std::string("art/") + folder);
    }
  }

  // Writes the table "tables/<file_name>", makes it the current one and reads it.
  void Read(const std::string& file_name, const TableSpec& table_spec) {
    ASSERT_TRUE(WriteTable(Table(file_name), table_spec));
    GetTableInfo(state_);
  }
  std::string Table(const std::string& file_name) {
    dir_.MakeDir("tables");
    return state_.CurrentTable = dir_.Path("tables/" + file_name);
  }
  std::string Entry(const std::string& key) {
    return ProfileRead("Tabrin", key, state_.InProgramFolder(kInfoIni));
  }
  // Every file written under the test folder, outside the tables.
  std::set<std::string> Written() const {
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.path())) {
      const std::string relative = entry.path().lexically_relative(dir_.path()).string();
      if (!entry.is_directory() && relative.rfind("tables/", 0) != 0) files.insert(relative);
    }
    return files;
  }

  TempDir dir_;
  ExtractorState state_;
};

TEST_F(TableInfoTest, ReadsFieldsWritesEntryAndExportsStreamBytes) {
  Read("t.vpt", FullTable("Night: Deluxe"));
  EXPECT_TRUE(state_.table_info_read);
  EXPECT_EQ(state_.TableInfoFields[5], "example.org");
  // Colons stay in the key but leave the file names.
  EXPECT_EQ(Entry("Night: Deluxe"),
            "Night: Deluxe|Ann Author|1.2|1987|ann@example.org|example.org");
  EXPECT_EQ(dir_.ReadFile("art/Blurb/Night Deluxe.txt"), ToUtf16Le("Short blurb"));
  EXPECT_EQ(dir_.ReadFile("art/Description/Night Deluxe.txt"), ToUtf16Le("A long description"));
  EXPECT_EQ(dir_.ReadFile("art/Rules/Night Deluxe.txt"), ToUtf16Le("Rules"));
  EXPECT_EQ(dir_.ReadFile("art/snap/Night Deluxe.jpg"), kJpeg);
}

TEST_F(TableInfoTest, NameOnlyGivesFiveBars) {
  TableSpec table_spec;
  table_spec.table_name = "Solo";
  Read("t.vpt", table_spec);
  EXPECT_EQ(Entry("Solo"), "Solo|||||");
  EXPECT_EQ(Written(), std::set<std::string>{"info.ini"});
}

TEST_F(TableInfoTest, EmptyMissingOrColonOnlyNameWritesNothing) {
  for (const std::optional<std::string>& name :
       {std::optional<std::string>(""), std::optional<std::string>(), std::optional("::"s)}) {
    TableSpec table_spec = FullTable("");
    table_spec.table_name = name;
    Read("t.vpt", table_spec);
    EXPECT_EQ(state_.TableInfoFields[1], "Ann Author");
    EXPECT_TRUE(Written().empty()) << name.value_or("(missing)");
  }
}

TEST_F(TableInfoTest, OverwriteDecidesWhetherExistingFilesAreReplaced) {
  dir_.WriteFile("art/Rules/T.txt", std::string(5000, 'x'));
  dir_.WriteFile("art/snap/T.jpg", "old picture");
  Read("t.vpt", FullTable("T"));
  EXPECT_EQ(dir_.ReadFile("art/Rules/T.txt"), std::string(5000, 'x'));
  EXPECT_EQ(dir_.ReadFile("art/snap/T.jpg"), "old picture");
  EXPECT_EQ(dir_.ReadFile("art/Blurb/T.txt"), ToUtf16Le("Short blurb"));

  state_.options.overwrite = true;
  Read("t.vpt", FullTable("T"));
  EXPECT_EQ(dir_.ReadFile("art/Rules/T.txt"), ToUtf16Le("Rules"));  // no old bytes behind
  EXPECT_EQ(dir_.ReadFile("art/snap/T.jpg"), kJpeg);
}

TEST_F(TableInfoTest, ExportsOnlyJpegScreenshots) {
  const std::pair<std::string, bool> cases[] = {
      {kPng, false}, {"\xFF", true}, {"xxxxxxJFIF", true}, {"xxxxxx", false}};
  for (const auto& [bytes, exported] : cases) {
    TableSpec table_spec = FullTable("T");
    table_spec.screenshot = bytes;
    std::filesystem::remove(dir_.Path("art/snap/T.jpg"));
    Read("t.vpt", table_spec);
    EXPECT_EQ(dir_.ReadFile("art/snap/T.jpg"), exported ? bytes : "") << bytes;
  }
}

TEST_F(TableInfoTest, NoDocsAndNoPicsWriteOnlyTheEntry) {
  state_.options.nodocs = state_.options.nopics = true;
  Read("t.vpt", FullTable("T"));
  EXPECT_EQ(Written(), std::set<std::string>{"info.ini"});
  EXPECT_FALSE(Entry("T").empty());
}

TEST_F(TableInfoTest, CataloguedTableIsTakenFromNamesIniWithoutOpeningIt) {
  dir_.WriteFile("names.ini", "[VP]\r\nKnown=Stored Name\r\nAliased=old\r\nBars=N|A|V\r\n");
  dir_.WriteFile("alias.ini", "[Alias]\r\nold=New Name\r\n");
  dir_.WriteFile("tables/Known.vpt", "not a table file");
  state_.CurrentTable = dir_.Path("tables/Known.vpt");
  state_.TableInfoFields[4] = "previous table";
  GetTableInfo(state_);
  EXPECT_TRUE(state_.table_info_read);
  EXPECT_EQ(state_.TableInfoFields, (std::array<std::string, 6>{"Stored Name"}));
  EXPECT_EQ(Written(), (std::set<std::string>{"alias.ini", "names.ini"}));

  Read("Aliased.vpt", FullTable("Inside"));
  EXPECT_EQ(state_.TableInfoFields[0], "New Name");
  Read("Bars.vpt", FullTable("Inside"));
  EXPECT_EQ(state_.TableInfoFields, (std::array<std::string, 6>{"N", "A", "V"}));
  EXPECT_FALSE(dir_.Exists("info.ini"));

  state_.options.overwrite = true;
  Read("Bars.vpt", FullTable("Inside"));
  EXPECT_EQ(state_.TableInfoFields[0], "Inside");
  EXPECT_TRUE(dir_.Exists("art/Blurb/Inside.txt"));
}

TEST_F(TableInfoTest, ReachesArtFoldersOfAnyCaseAndCreatesNone) {
  std::filesystem::remove_all(dir_.Path("art"));
  for (const char* folder : {"blurb", "rules", "SNAP"}) dir_.MakeDir(std::string("art/") + folder);
  Read("t.vpt", FullTable("T"));
  EXPECT_EQ(Written(), (std::set<std::string>{"info.ini", "art/blurb/T.txt", "art/rules/T.txt",
                                              "art/SNAP/T.jpg"}));
  EXPECT_FALSE(dir_.Exists("art/Description"));
}

TEST_F(TableInfoTest, HostileNamesGetTheirEntryButNoFiles) {
  for (const std::string& name :
       {"../x"s, "a/b"s, ".."s, "."s, ".:."s, "a\\b"s, "bell\a"s, "x\ty"s, "nul\0z"s}) {
    std::filesystem::remove(dir_.Path("info.ini"));
    Read("t.vpt", FullTable(name));
    EXPECT_EQ(Written(), std::set<std::string>{"info.ini"}) << name;
    EXPECT_EQ(state_.TableInfoFields[0], name);
  }
}

TEST_F(TableInfoTest, OddNamesAndTextsSurvive) {
  TableSpec table_spec = FullTable("Über \"Flip\" [1987] 'Ed.'");
  table_spec.raw_info_streams["AuthorName"] = ToUtf16Le("Odd") + "X";           // odd length
  table_spec.raw_info_streams["TableVersion"] = std::string("\x00\xD8v\0", 4);  // lone surrogate
  table_spec.blurb = std::string(3'000'000, 'b');                               // many copy pieces
  Read("t.vpt", table_spec);
  EXPECT_EQ(state_.TableInfoFields[1], "Odd");
  EXPECT_EQ(state_.TableInfoFields[2], "\uFFFDv");
  EXPECT_EQ(Entry(*table_spec.table_name).rfind(*table_spec.table_name + "|Odd|", 0), 0u);
  EXPECT_EQ(dir_.ReadFile("art/Blurb/" + *table_spec.table_name + ".txt"),
            ToUtf16Le(*table_spec.blurb));
}

TEST_F(TableInfoTest, MatchesStorageAndStreamNamesInAnyCase) {
  TableSpec table_spec;
  table_spec.info_storage_name = "tableINFO";
  table_spec.raw_info_streams = {{"TABLENAME", ToUtf16Le("Loud")}, {"tablerules", ToUtf16Le("r")}};
  Read("t.vpt", table_spec);
  EXPECT_EQ(Entry("Loud"), "Loud|||||");
  EXPECT_EQ(dir_.ReadFile("art/Rules/Loud.txt"), ToUtf16Le("r"));
}

TEST_F(TableInfoTest, BrokenBlurbChainLeavesNoFileBehind) {
  // The blurb is the first big stream, in sectors 0 to 15, so its chain is 1, 2, ... in the
  // first allocation sector. Cut it short, or loop it back.
  TableSpec table_spec = FullTable("T");
  table_spec.blurb = std::string(4096, 'b');
  for (const uint32_t next : {0xFFFFFFFEu, 2u}) {
    ASSERT_TRUE(WriteTable(Table("t.vpt"), table_spec));
    std::string bytes = dir_.ReadFile("tables/t.vpt");
    ASSERT_EQ(bytes.substr(512, 8), ToUtf16Le("bbbb"));
    uint32_t fat_sector;  // the first allocation sector, from the header
    std::memcpy(&fat_sector, &bytes[0x4C], 4);
    std::memcpy(&bytes[512 + fat_sector * 512 + 5 * 4], &next, 4);  // little-endian machine
    dir_.WriteFile("tables/t.vpt", bytes);
    GetTableInfo(state_);
    EXPECT_EQ(Written(), (std::set<std::string>{"info.ini", "art/Description/T.txt",
                                                "art/Rules/T.txt", "art/snap/T.jpg"}));
  }
}

TEST_F(TableInfoTest, BadFilesGiveEmptyFieldsAndNoOutput) {
  ASSERT_TRUE(WriteTable(Table("good.vpt"), FullTable("T")));
  const std::string good = dir_.ReadFile("tables/good.vpt");
  TableSpec no_info = FullTable("T");
  no_info.with_table_info = false;
  TableSpec empty_streams;
  for (const char* name : {"TableName", "AuthorName", "TableBlurb", "Screenshot"}) {
    empty_streams.raw_info_streams[name] = "";
  }
  std::string damaged = good;
  for (size_t i = 512; i < damaged.size(); i += 7) damaged[i] = static_cast<char>(i * 31);

  const std::pair<const char*, std::string> files[] = {
      {"empty", ""},
      {"text", "Just some text\r\n"},
      {"header only", good.substr(0, 512)},
      {"truncated", good.substr(0, good.size() / 2)},
      {"damaged", damaged}};
  for (const auto& [what, bytes] : files) {
    dir_.WriteFile("tables/t.vpt", bytes);
    state_.TableInfoFields.fill("stale");
    state_.CurrentTable = dir_.Path("tables/t.vpt");
    GetTableInfo(state_);
    EXPECT_EQ(state_.TableInfoFields[0], "") << what;
    EXPECT_TRUE(Written().empty()) << what;
  }
  for (const TableSpec& table_spec : {no_info, empty_streams}) {
    state_.TableInfoFields.fill("stale");
    Read("t.vpt", table_spec);
    EXPECT_EQ(state_.TableInfoFields, (std::array<std::string, 6>{}));
    EXPECT_TRUE(Written().empty());
  }
  state_.CurrentTable = dir_.Path("tables");  // a folder, and then nothing at all
  GetTableInfo(state_);
  state_.CurrentTable = dir_.Path("tables/missing.vpt");
  GetTableInfo(state_);
  EXPECT_TRUE(state_.table_info_read);
  EXPECT_TRUE(Written().empty());
}

TEST_F(TableInfoTest, SurvivesDamageAnywhereInASmallTable) {
  ASSERT_TRUE(WriteTable(Table("good.vpt"), FullTable("T")));
  const std::string good = dir_.ReadFile("tables/good.vpt");
  for (size_t offset = 0; offset + 4 <= good.size(); offset += 4) {
    std::string bytes = good;
    bytes.replace(offset, 4, offset % 8 ? "\xFF\xFF\xFF\x7F" : std::string(4, '\0'));
    dir_.WriteFile("tables/t.vpt", bytes);
    state_.CurrentTable = dir_.Path("tables/t.vpt");
    GetTableInfo(state_);
  }
  // No temporary file is left behind.
  for (const std::string& file : Written()) {
    EXPECT_TRUE(file == "info.ini" || file.ends_with(".txt") || file.ends_with(".jpg")) << file;
  }
}

TEST(TableWriter, ScriptBytesLieWholeInTheFileAfterTheFiller) {
  TempDir dir;
  TableSpec table_spec;
  for (int i = 0; i < 300; ++i) table_spec.script += "Dim x" + std::to_string(i) + "\r\n";
  table_spec.script += "With Controller\r\n  .GameName = \"abc_l3\"\r\nEnd With\r\n";
  table_spec.padding_bytes = 100'000;
  ASSERT_TRUE(WriteTable(dir.Path("t.vpt"), table_spec));
  const std::string bytes = dir.ReadFile("t.vpt");
  const size_t script_at = bytes.find(table_spec.script);
  ASSERT_NE(script_at, std::string::npos);
  EXPECT_GT(script_at, table_spec.padding_bytes);
  EXPECT_EQ(bytes.find(".GameName"), script_at + table_spec.script.find(".GameName"));
}

TEST(TableWriter, EncodesTextAsUtf16Le) {
  EXPECT_EQ(ToUtf16Le("Aü€𝄞"), std::string("A\0\xFC\0\xAC\x20\x34\xD8\x1E\xDD", 10));
  EXPECT_EQ(ToUtf16Le("\xC3"), std::string("\xFD\xFF", 2));
}

}  // namespace
