// Reads ahead of a scan: taken in the scan's order, planned on its thread, bounded; and planned
// from the catalogue.
#include "extractor/read_ahead.h"

#include <gtest/gtest.h>

#include <thread>
#include <tuple>

#include "extractor/table_changes.h"
#include "support/temp_dir.h"
#include "table_writer.h"

namespace {

TEST(ReadAhead, GivesEachTableItsOwnReadPlannedInOrderOnTheScansThreadAndBounded) {
  for (const size_t tables : {0, 1, 2, 9}) {
    for (const size_t threads : {0, 1, 4}) {
      SCOPED_TRACE(std::to_string(tables) + " tables, " + std::to_string(threads) + " threads");
      std::vector<std::string> paths, planned;
      for (size_t i = 0; i < tables; ++i) paths.push_back("/none/t" + std::to_string(i) + ".vpt");
      const std::thread::id scan = std::this_thread::get_id();
      ReadAhead reads(
          paths,
          [&](const std::string& path) {
            EXPECT_EQ(std::this_thread::get_id(), scan);
            planned.push_back(path);
            return TableReadPlan{
                .path = path, .stamp = "s" + path, .open = path.ends_with("1.vpt")};
          },
          threads, 3);
      for (size_t i = 0; i < tables; ++i) {
        const std::unique_ptr<TableRead> read = reads.Take(i);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->path + read->stamp, paths[i] + "s" + paths[i]);
        EXPECT_EQ(read->opened, i == 1);  // a missing file read: no file, no script
        EXPECT_FALSE(read->file);
        EXPECT_LE(planned.size(), std::min(tables, i + 1 + (threads > 0 && tables > 1) * 3));
        EXPECT_EQ(planned, std::vector(paths.begin(), paths.begin() + planned.size()));
      }
      EXPECT_EQ(planned, paths);
    }
  }
}

}  // namespace

// What a scan reads of a table follows the catalogue: nothing of a known, unchanged table.
TEST(PlanTableRead, ReadsOnlyTablesTheCatalogueLacksOrWhoseFilesChanged) {
  TempDir dir;
  ExtractorState state;
  state.program_folder = dir.path();
  const std::string known = dir.WriteFile("tables/Known.vpt", "k");
  const std::string stamp = FileStampText(known);
  ASSERT_EQ(stamp, "1|" + stamp.substr(2));
  for (const char* table : {"Plain.vpt", "New.vpt", "Changed.vpt", "Old.vpt"}) {
    dir.WriteFile(std::string("tables/") + table, "t");
  }
  dir.WriteFile("names.ini",
                "[VP]\r\nKnown=K\r\nPlain=P\r\nChanged=C\r\nOld=O\r\n[PinMAME]\r\nKnown=k_l1\r\n"
                "Changed=c_l1\r\nOld=o_l1\r\n");
  dir.WriteFile("info.ini", "[TableFile]\r\nKnown=" + stamp +
                                "\r\nPlain=" + FileStampText(dir.Path("tables/Plain.vpt")) +
                                "\r\nChanged=9|9\r\n");
  const struct {
    const char* table;
    bool overwrite_option, open, exports, overwrite;
  } rows[] = {
      {"KNOWN.vpt", false, false, false, false},  // catalogued, as it was: nothing read
      {"Plain.vpt", false, true, false, false},   // no ROM name: its script is read again
      {"New.vpt", false, true, true, false},      // not catalogued
      {"Changed.vpt", false, true, true, true},   // renewed
      {"Old.vpt", false, false, false, false},    // catalogued before files were recorded
      {"Known.vpt", true, true, true, true},      // -overwrite
      {"Gone.vpt", false, true, true, false},
  };
  for (const auto& row : rows) {
    state.options.overwrite = row.overwrite_option;
    const TableReadPlan plan = PlanTableRead(state, dir.Path("tables/") + row.table);
    EXPECT_EQ(std::tuple(plan.open, plan.exports, plan.overwrite),
              std::tuple(row.open, row.exports, row.overwrite))
        << row.table;
    EXPECT_EQ(plan.art_folder, dir.path() + "/") << row.table;
  }
  EXPECT_EQ(PlanTableRead(state, dir.Path("tables/KNOWN.vpt")).path, known);
  EXPECT_TRUE(TableChanged(state, "changed", FileStampText(dir.Path("tables/Changed.vpt"))));
  EXPECT_FALSE(TableChanged(state, "Known", ""));
}

// Exports are written ahead only where they will be put in place, and are not in place before.
TEST(ReadTable, WritesExportsAheadOnlyWhereTheScanWillPutThemInPlace) {
  TempDir dir;
  TableContents table{.table_name = "T:", .blurb = "b", .rules = "", .screenshot = "\xFF\xD8"};
  table.script = "Controller.GameName = \"t_l1\"";
  ASSERT_TRUE(WriteTable(dir.Path("t.vpx"), table));
  dir.WriteFile("art/Blurb/T.txt", "there");
  for (const bool overwrite : {false, true}) {
    SCOPED_TRACE(overwrite ? "-overwrite" : "");
    const TableRead read = ReadTable(
        {.path = dir.Path("t.vpx"), .overwrite = overwrite, .art_folder = dir.Path("art/")});
    EXPECT_EQ(read.fields[0] + read.finding.rom + read.script_file, "T:t_l1" + dir.Path("t.vpx"));
    EXPECT_EQ(bool(read.exports[kBlurb].file), overwrite);
    EXPECT_EQ(read.exports[kScreenshot].path, dir.Path("art/snap/T.jpg"));
    EXPECT_TRUE(read.exports[kScreenshot].file);
    EXPECT_FALSE(dir.Exists("art/snap/T.jpg"));  // not in place until the scan says so
    for (const ExportKind kind : {kDescription, kRules}) {
      EXPECT_TRUE(read.exports[kind].nothing && !read.exports[kind].file) << kind;
    }
  }
  const TableRead read =
      ReadTable({.path = dir.Path("t.vpx"), .exports = false, .art_folder = dir.Path("art/")});
  EXPECT_FALSE(read.exports[kScreenshot].file);
  EXPECT_EQ(dir.ReadFile("art/Blurb/T.txt"), "there");
}
