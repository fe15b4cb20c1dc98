// Writes of several entries at once, reads that skip the check for changes, and the replacing of
// whole files that both rest on.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/profile.h"
#include "common/profile_cache.h"
#include "common/profile_internal.h"
#include "support/temp_dir.h"

namespace {

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class ProfileBatch : public testing::Test {
 protected:
  void SetUp() override {
    ClearProfileCache();
    ResetProfileCacheStats();
  }
  TempDir dir_;
};

TEST_F(ProfileBatch, WritesSeveralEntriesAsSingleWritesWouldInOneReplacement) {
  const std::string start = "[VP]\r\nOld=1\r\n\r\n[PinMAME]\r\n";
  dir_.WriteFile("one.ini", start);
  dir_.WriteFile("all.ini", start);
  const std::vector<ProfileEntry> entries = {
      {"PinMAME", "Night", "ntbl_l2"}, {"vp", "night", "Night Table"},  {"VP", "old", "2"},
      {"VP", "a=b", "refused"},        {"New", "Key", "line\r\nbreak"}, {"VP", "", "no key"},
  };
  for (const ProfileEntry& entry : entries) {
    ProfileWrite(entry.section, entry.key, entry.value, dir_.Path("one.ini"));
  }
  ResetProfileCacheStats();
  ProfileWriteAll(entries, dir_.Path("all.ini"));
  EXPECT_EQ(dir_.ReadFile("all.ini"), dir_.ReadFile("one.ini"));
  EXPECT_EQ(dir_.ReadFile("all.ini"),
            "[VP]\r\nOld=2\r\nnight=Night Table\r\n\r\n[PinMAME]\r\nNight=ntbl_l2\r\n"
            "[New]\r\nKey=line  break\r\n");
  EXPECT_EQ(GetProfileCacheStats().rewrites, 1);
  EXPECT_EQ(ProfileRead("VP", "NIGHT", dir_.Path("all.ini")), "Night Table");
}

TEST_F(ProfileBatch, CreatesAMissingFileAndLeavesAFileThatNothingChanges) {
  ProfileWriteAll({{"S", "k", "v"}, {"S", "j", "w"}}, dir_.Path("new.ini"));
  EXPECT_EQ(dir_.ReadFile("new.ini"), "[S]\r\nk=v\r\nj=w\r\n");
  const auto before = std::filesystem::last_write_time(dir_.Path("new.ini"));
  ResetProfileCacheStats();
  ProfileWriteAll({{"S", "k", "v"}, {"S", "x=y", "refused"}}, dir_.Path("new.ini"));
  EXPECT_EQ(GetProfileCacheStats().rewrites, 0);
  EXPECT_EQ(std::filesystem::last_write_time(dir_.Path("new.ini")), before);
  ProfileWriteAll({}, dir_.Path("none.ini"));
  EXPECT_FALSE(dir_.Exists("none.ini"));
}

TEST_F(ProfileBatch, ARecheckMakesTheNextReadSeeAChangeAtOnce) {
  dir_.WriteFile("cat.ini", "[S]\r\nk=aaaa\r\n");
  // A file at rest: its time stamp is trusted, so reads right after a check skip the next.
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  const std::string file = dir_.Path("cat.ini");
  ASSERT_EQ(ProfileRead("S", "k", file), "aaaa");
  dir_.WriteFile("cat.ini", "[S]\r\nk=bbbb\r\n");  // in place, same size
  RecheckProfileFiles();
  const long long checks = GetProfileCacheStats().checks;
  EXPECT_EQ(ProfileRead("S", "k", file), "bbbb");
  EXPECT_EQ(GetProfileCacheStats().checks, checks + 1);
  // Our own writes are seen at once whatever the time.
  ProfileWrite("S", "k", "cc", file);
  EXPECT_EQ(ProfileRead("S", "k", file), "cc");
}

TEST_F(ProfileBatch, AReplacementAppearsWholeOrNotAtAll) {
  const std::string target = dir_.Path("doc.txt");
  {
    profile_internal::FileReplacement dropped(target);
    ASSERT_TRUE(dropped.Open());
    ASSERT_TRUE(dropped.Write("never seen"));
  }  // dropped before Commit
  EXPECT_TRUE(Entries(dir_.path()).empty());

  profile_internal::FileReplacement created(target);
  ASSERT_TRUE(created.Open());
  ASSERT_TRUE(created.Write("first "));
  EXPECT_FALSE(dir_.Exists("doc.txt"));
  ASSERT_TRUE(created.Write("version"));
  ASSERT_TRUE(created.Commit());
  EXPECT_EQ(dir_.ReadFile("doc.txt"), "first version");
  struct stat info;
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(info.st_mode & 07777, 0666u & ~mask);

  ASSERT_EQ(chmod(target.c_str(), 0640), 0);
  profile_internal::FileReplacement replaced(target);
  ASSERT_TRUE(replaced.Open());
  ASSERT_TRUE(replaced.Write("2"));
  ASSERT_TRUE(replaced.Commit());
  EXPECT_EQ(dir_.ReadFile("doc.txt"), "2");
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(Entries(dir_.path()), std::vector<std::string>{"doc.txt"});

  profile_internal::FileReplacement nowhere(dir_.Path("missing/doc.txt"));
  EXPECT_FALSE(nowhere.Open());
  EXPECT_FALSE(nowhere.Commit());
}

}  // namespace
