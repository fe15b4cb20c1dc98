// Case-insensitive lookups answer from a folder's listing, which must follow every change made
// to the folder in between, by this process or another.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/paths.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

TEST(FolderListing, LookupsFollowEveryChangeToTheFolder) {
  TempDir dir;
  const std::string folder = dir.MakeDir("Art");
  dir.WriteFile("Art/Alpha.txt", "a");
  EXPECT_EQ(FindExistingPath(folder + "/alpha.TXT"), folder + "/Alpha.txt");
  EXPECT_EQ(FindExistingPath(folder + "/beta.txt"), "");

  // Created, renamed and removed after the folder was first looked at.
  dir.WriteFile("Art/BETA.txt", "b");
  EXPECT_EQ(FindExistingPath(folder + "/beta.txt"), folder + "/BETA.txt");
  fs::rename(folder + "/BETA.txt", folder + "/Gamma.txt");
  EXPECT_EQ(FindExistingPath(folder + "/beta.txt"), "");
  EXPECT_EQ(FindExistingPath(folder + "/GAMMA.TXT"), folder + "/Gamma.txt");
  fs::remove(folder + "/Alpha.txt");
  EXPECT_EQ(FindExistingPath(folder + "/alpha.txt"), "");
  EXPECT_FALSE(OrdinaryFileExists(folder + "/ALPHA.txt"));

  // Of several spellings the first in byte order, also after the first one goes.
  dir.WriteFile("Art/delta.txt", "d");
  dir.WriteFile("Art/Delta.txt", "D");
  EXPECT_EQ(FindExistingPath(folder + "/DELTA.txt"), folder + "/Delta.txt");
  fs::remove(folder + "/Delta.txt");
  EXPECT_EQ(FindExistingPath(folder + "/DELTA.txt"), folder + "/delta.txt");
  EXPECT_EQ(PathForCreate(folder + "/DELTA.txt"), folder + "/delta.txt");
  EXPECT_EQ(PathForCreate(folder + "/Epsilon.txt"), folder + "/Epsilon.txt");
}

TEST(FolderListing, AFolderMadeAgainUnderTheSameNameIsReadAgain) {
  TempDir dir;
  const std::string folder = dir.MakeDir("snap");
  dir.WriteFile("snap/Old.png", "o");
  EXPECT_EQ(FindExistingPath(folder + "/old.png"), folder + "/Old.png");
  fs::remove_all(folder);
  dir.MakeDir("snap");
  dir.WriteFile("snap/New.png", "n");
  EXPECT_EQ(FindExistingPath(folder + "/old.png"), "");
  EXPECT_EQ(FindExistingPath(folder + "/NEW.png"), folder + "/New.png");
  // Another folder moved into its place.
  dir.MakeDir("other");
  dir.WriteFile("other/Moved.png", "m");
  fs::remove_all(folder);
  fs::rename(dir.Path("other"), folder);
  EXPECT_EQ(FindExistingPath(folder + "/moved.PNG"), folder + "/Moved.png");
  EXPECT_EQ(FindExistingPath(folder + "/new.png"), "");
}

TEST(FolderListing, ManyFoldersAndManyChangesStayRight) {
  TempDir dir;
  // More folders than are kept listed at once, each changed between two lookups.
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 40; ++i) {
      const std::string sub = "f" + std::to_string(i);
      dir.MakeDir(sub);
      dir.WriteFile(sub + "/File" + std::to_string(round) + ".txt", "x");
      EXPECT_EQ(FindExistingPath(dir.Path(sub + "/file" + std::to_string(round) + ".TXT")),
                dir.Path(sub + "/File" + std::to_string(round) + ".txt"));
    }
  }
  // Thousands of changes between two lookups.
  const std::string folder = dir.MakeDir("busy");
  EXPECT_EQ(FindExistingPath(folder + "/x.txt"), "");
  for (int i = 0; i < 3000; ++i) dir.WriteFile("busy/N" + std::to_string(i) + ".txt", "");
  for (int i = 0; i < 3000; i += 2) fs::remove(folder + "/N" + std::to_string(i) + ".txt");
  EXPECT_EQ(FindExistingPath(folder + "/n2998.txt"), "");
  EXPECT_EQ(FindExistingPath(folder + "/n2999.txt"), folder + "/N2999.txt");
}

}  // namespace
