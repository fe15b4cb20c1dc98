#include "common/process_runner.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "common/paths.h"
#include "support/temp_dir.h"

namespace {

TEST(ProcessRunner, ShowValueFollowsTheStyleCode) {
  const struct {
    double style;
    bool has_arguments;
    int show;
  } rows[] = {{0, false, 0},   {1, false, 3},  {2, false, 2},       {3, false, 6},
              {4, false, 1},   {5, false, 4},  {6, false, 1},       {-1, false, 1},
              {1, true, 1},    {0, true, 0},   {2.7, false, 2},     {-0.5, true, -1},
              {1e9, false, 1}, {1e9, true, 1}, {32767, true, 32767}};
  for (const auto& row : rows) {
    EXPECT_EQ(ShowValueForStyle(row.style, row.has_arguments), row.show)
        << row.style << (row.has_arguments ? " with" : " without") << " arguments";
  }
}

// Starts programs in folders that it leaves current, finds them there before PATH, hands
// arguments over as written, and answers events while it waits, a nested run's included.
TEST(ProcessRunner, RunsProgramsInTheirFolderAndWaitsAnsweringEvents) {
  TempDir temp;
  const QString start_folder = QDir::currentPath();
  std::filesystem::permissions(
      temp.WriteFile("tool", "#!/bin/sh\nfor a; do printf '[%s]\\n' \"$a\"; done > out.txt\n"),
      std::filesystem::perms(0755));
  std::filesystem::permissions(temp.WriteFile("bin/tool", "#!/bin/sh\necho path > out.txt\n"),
                               std::filesystem::perms(0755));
  const std::string old_path = std::getenv("PATH");
  setenv("PATH", (temp.Path("bin") + ":" + old_path).c_str(), 1);
  std::string folder = temp.path() + "/";
  RunAndWait(folder, "tool", "\"two words\" it's $(id) \"\"\"q\"\"\" `x`;y", 1);
  setenv("PATH", old_path.c_str(), 1);
  EXPECT_EQ(temp.ReadFile("out.txt"), "[two words]\n[it's]\n[$(id)]\n[\"q\"]\n[`x`;y]\n");

  QTemporaryDir inside(QString::fromStdString(ProgramFolder()) + "/runner-XXXXXX");
  const std::string name = QDir(inside.path()).dirName().toStdString();
  folder = "\\" + name + "\\";  // inside the program folder
  RunAndWait(folder, "sh", "-c \"pwd > where.txt\"", 0);
  EXPECT_EQ(folder, ProgramFolder() + "/" + name + "/");
  EXPECT_EQ(QDir::currentPath().toStdString() + "/", folder);
  std::string where;
  ASSERT_TRUE(ReadWholeFile(folder + "where.txt", where));
  EXPECT_EQ(where, ProgramFolder() + "/" + name + "\n");

  folder = temp.path();
  bool reported = false;
  QElapsedTimer clock;
  clock.start();
  RunAndWait(folder, "no-such-program", "", 1, [&](auto&) { reported = true; });
  EXPECT_GE(clock.elapsed(), 200);
  EXPECT_FALSE(reported);

  std::string outer = temp.MakeDir("outer"), inner = temp.MakeDir("inner");
  bool inner_returned = false;
  int failures = 0;
  const auto count_failure = [&](const std::string&) { ++failures; };
  QTimer::singleShot(0, [&] {
    RunAndWait(inner, "sh", "-c \"sleep 1; echo inner >> ../order.txt\"", 0, count_failure);
    inner_returned = true;
  });
  RunAndWait(outer, "sh", "-c \"sleep 0.5; echo outer >> ../order.txt\"", 0, count_failure);
  EXPECT_TRUE(inner_returned);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(temp.ReadFile("order.txt"), "outer\ninner\n");
  QDir::setCurrent(start_folder);
}

}  // namespace
