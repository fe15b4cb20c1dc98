// Reads ahead of a scan: taken in the scan's order, planned on its thread, bounded.
#include "extractor/read_ahead.h"

#include <gtest/gtest.h>

#include <thread>

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
