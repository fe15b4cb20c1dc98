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

class RunAndWaitTest : public testing::Test {
 protected:
  void TearDown() override { QDir::setCurrent(start_folder_); }
  void WriteScript(const std::string& name, const std::string& body) {
    std::filesystem::permissions(temp_.WriteFile(name, "#!/bin/sh\n" + body + "\n"),
                                 std::filesystem::perms(0755));
  }

  TempDir temp_;
  const QString start_folder_ = QDir::currentPath();
};

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

TEST_F(RunAndWaitTest, BackslashFolderIsInsideTheProgramFolderAndStaysCurrent) {
  QTemporaryDir inside(QString::fromStdString(ProgramFolder()) + "/runner-XXXXXX");
  ASSERT_TRUE(inside.isValid());
  const std::string name = QDir(inside.path()).dirName().toStdString();
  const std::string expected = ProgramFolder() + "/" + name + "/";
  std::string folder = "\\" + name + "\\";
  RunAndWait(folder, "sh", "-c \"pwd > where.txt\"", 0);
  EXPECT_EQ(folder, expected);
  EXPECT_EQ(QDir::currentPath().toStdString() + "/", expected);
  std::string where;
  ASSERT_TRUE(ReadWholeFile(expected + "where.txt", where));
  EXPECT_EQ(where, ProgramFolder() + "/" + name + "\n");
}

TEST_F(RunAndWaitTest, MissingProgramReturnsAfterThePauseWithoutMessage) {
  std::string folder = temp_.path();
  bool reported = false;
  QElapsedTimer clock;
  clock.start();
  RunAndWait(folder, "no-such-program-here", "", 1, [&](const std::string&) { reported = true; });
  EXPECT_GE(clock.elapsed(), 200);
  EXPECT_FALSE(reported);
  EXPECT_EQ(QDir::currentPath().toStdString(), temp_.path());
}

TEST_F(RunAndWaitTest, FindsTheProgramInTheFolderBeforePathAndHandsArgumentsOverIntact) {
  WriteScript("tool", "for a; do printf '[%s]\\n' \"$a\"; done > out.txt");
  WriteScript("bin/tool", "echo path > out.txt");
  const std::string old_path = std::getenv("PATH");
  setenv("PATH", (temp_.Path("bin") + ":" + old_path).c_str(), 1);
  std::string folder = temp_.path() + "/";
  RunAndWait(folder, "tool", "\"two words\" it's $(id) \"\"\"quoted\"\"\" `x`;y", 1);
  setenv("PATH", old_path.c_str(), 1);
  EXPECT_EQ(temp_.ReadFile("out.txt"), "[two words]\n[it's]\n[$(id)]\n[\"quoted\"]\n[`x`;y]\n");
}

// A handler running during the wait starts a second program; the first ends meanwhile, and its
// end must still be noticed once the inner call returns.
TEST_F(RunAndWaitTest, AnswersEventsWhileWaitingAndNotesEndsOfNestedCalls) {
  std::string outer_folder = temp_.MakeDir("outer");
  std::string inner_folder = temp_.MakeDir("inner");
  bool inner_returned = false;
  int failures = 0;
  const auto count_failure = [&](const std::string&) { ++failures; };
  QTimer::singleShot(0, [&] {
    RunAndWait(inner_folder, "sh", "-c \"sleep 1; echo inner >> ../order.txt\"", 0, count_failure);
    inner_returned = true;
  });
  RunAndWait(outer_folder, "sh", "-c \"sleep 0.5; echo outer >> ../order.txt\"", 0, count_failure);
  EXPECT_TRUE(inner_returned);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(temp_.ReadFile("order.txt"), "outer\ninner\n");
}

}  // namespace
