#include "extractor/table_info.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "common/profile.h"
#include "extractor/catalogue.h"
#include "extractor/compound_file.h"
#include "support/temp_dir.h"
#include "table_writer.h"

namespace {

using namespace std::string_literals;
using Files = std::set<std::string>;

const std::string kJpeg = "\xFF\xD8\xFF\xE0"s + std::string(3000, 'j');

TableSpec FullTable(const std::string& name) {
  return {.table_name = name,
          .author_name = "Ann",
          .table_version = "1.2",
          .release_date = "1987",
          .author_email = "ann@example.org",
          .author_website = "example.org",
          .blurb = "Short blurb",
          .description = "A description",
          .rules = "Rules",
          .screenshot = kJpeg};
}

class TableInfo : public testing::Test {
 protected:
  void SetUp() override {
    state_.program_folder = dir_.path();
    state_.ArtFolder = dir_.MakeDir("art") + "/";
    for (const char* folder : {"Blurb", "Description", "Rules", "snap"}) {
      dir_.MakeDir("art/"s + folder);
    }
    state_.CurrentTable = dir_.MakeDir("tables") + "/t.vpt";
  }
  // Writes the table (spec or raw bytes) as the current one and reads it.
  void Read(const TableSpec& spec, const std::string& file = "t.vpt") {
    state_.CurrentTable = dir_.Path("tables/" + file);
    ASSERT_TRUE(WriteTable(state_.CurrentTable, spec));
    GetTableInfo(state_);
  }
  void ReadBytes(const std::string& bytes) {
    dir_.WriteFile("tables/t.vpt", bytes);
    state_.CurrentTable = dir_.Path("tables/t.vpt");
    state_.TableInfoFields.fill("stale");
    GetTableInfo(state_);
  }
  std::string Entry(const std::string& key) {
    return ProfileRead("Tabrin", key, state_.InProgramFolder(kInfoIni));
  }
  // Every file written outside the tables, and then removed for the next case.
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

TEST_F(TableInfo, WritesTheEntryAndExportsTheStreamsNamedAfterTheTable) {
  Read(FullTable("Night: Deluxe"));
  EXPECT_EQ(Entry("Night: Deluxe"), "Night: Deluxe|Ann|1.2|1987|ann@example.org|example.org");
  EXPECT_EQ(dir_.ReadFile("art/Blurb/Night Deluxe.txt"), ToUtf16Le("Short blurb"));
  EXPECT_EQ(dir_.ReadFile("art/Description/Night Deluxe.txt"), ToUtf16Le("A description"));
  EXPECT_EQ(dir_.ReadFile("art/Rules/Night Deluxe.txt"), ToUtf16Le("Rules"));
  EXPECT_EQ(dir_.ReadFile("art/snap/Night Deluxe.jpg"), kJpeg);
  EXPECT_EQ(TakeWritten().size(), 5u);

  TableSpec solo;
  solo.table_name = "Solo";
  Read(solo);
  EXPECT_EQ(Entry("Solo"), "Solo|||||");
  EXPECT_EQ(TakeWritten(), Files{"info.ini"});
  // A table without a name, or one of colons only, writes nothing.
  for (const std::optional<std::string>& name :
       {std::optional(""s), std::optional("::"s), std::optional<std::string>()}) {
    TableSpec spec = FullTable("");
    spec.table_name = name;
    Read(spec);
    EXPECT_EQ(state_.TableInfoFields[1], "Ann");
    EXPECT_EQ(TakeWritten(), Files{}) << name.value_or("(missing)");
  }
}

TEST_F(TableInfo, ExportsOnlyWhatTheOptionsAndTheFilesThereAllow) {
  dir_.WriteFile("art/Rules/T.txt", std::string(5000, 'x'));
  dir_.WriteFile("art/snap/T.jpg", "old picture");
  Read(FullTable("T"));
  EXPECT_EQ(dir_.ReadFile("art/Rules/T.txt"), std::string(5000, 'x'));
  EXPECT_EQ(dir_.ReadFile("art/snap/T.jpg"), "old picture");
  EXPECT_EQ(dir_.ReadFile("art/Blurb/T.txt"), ToUtf16Le("Short blurb"));
  state_.options.overwrite = true;
  Read(FullTable("T"));
  EXPECT_EQ(dir_.ReadFile("art/Rules/T.txt"), ToUtf16Le("Rules"));  // no old bytes behind
  EXPECT_EQ(dir_.ReadFile("art/snap/T.jpg"), kJpeg);
  TakeWritten();
  state_.options.nodocs = state_.options.nopics = true;
  Read(FullTable("T"));
  EXPECT_EQ(TakeWritten(), Files{"info.ini"});
  // Art folders of any case are found; missing ones are not made.
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
  ReadBytes("not a table file");
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
  EXPECT_TRUE(dir_.Exists("art/Blurb/Inside.txt"));
}

TEST_F(TableInfo, OddTextsAndNamesInAnyCaseAreRead) {
  TableSpec spec = FullTable("Über \"Flip\" [1987] 'Ed.'");
  spec.info_storage_name = "tableINFO";                             // names match in any case
  spec.raw_info_streams = {{"AUTHORNAME", ToUtf16Le("Odd") + "X"},  // odd length
                           {"TableVersion", std::string("\x00\xD8v\0", 4)}};  // lone surrogate
  spec.blurb = std::string(3'000'000, 'b');  // copied in many pieces
  Read(spec);
  EXPECT_EQ(Entry(*spec.table_name), *spec.table_name + "|Odd|?v|1987|ann@example.org|example.org");
  EXPECT_EQ(dir_.ReadFile("art/Blurb/" + *spec.table_name + ".txt"), ToUtf16Le(*spec.blurb));
}

TEST_F(TableInfo, DamagedFilesGiveEmptyFieldsAndLeaveNothingBehind) {
  ASSERT_TRUE(WriteTable(dir_.Path("good.vpt"), FullTable("T")));
  const std::string good = dir_.ReadFile("good.vpt");
  std::filesystem::remove(dir_.Path("good.vpt"));
  std::string siblings = good;  // entries linked beside the root entry, which libgsf leaks
  uint32_t directory, one = 1;
  std::memcpy(&directory, &good[48], 4);
  std::memcpy(&siblings[512 + directory * 512 + 0x44], &one, 4);
  for (const std::string& bytes : {good.substr(0, 512), siblings}) {
    ReadBytes(bytes);
    EXPECT_EQ(state_.TableInfoFields[0], "") << bytes.size() << " bytes";
    EXPECT_EQ(TakeWritten(), Files{}) << bytes.size() << " bytes";
  }
  // Damage anywhere in a small table never crashes and never leaves a temporary file.
  for (size_t offset = 0; offset + 4 <= good.size(); offset += 4) {
    std::string bytes = good;
    bytes.replace(offset, 4, offset % 8 ? "\xFF\xFF\xFF\x7F" : std::string(4, '\0'));
    ReadBytes(bytes);
  }
  for (const std::string& file : TakeWritten()) {
    EXPECT_TRUE(file == "info.ini" || file.ends_with(".txt") || file.ends_with(".jpg")) << file;
  }
}

TEST(TableWriter, EncodesTextAsUtf16Le) {
  EXPECT_EQ(ToUtf16Le("Aü€𝄞"), std::string("A\0\xFC\0\xAC\x20\x34\xD8\x1E\xDD", 10));
  EXPECT_EQ(ToUtf16Le("\xC3"), std::string("\xFD\xFF", 2));
}

}  // namespace
