#include "common/profile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/profile_cache.h"
#include "support/temp_dir.h"

namespace {

using namespace std::string_literals;

class Profile : public testing::Test {
 protected:
  void SetUp() override {
    ClearProfileCache();
    ResetProfileCacheStats();
  }
  std::string Read(const std::string& section, const std::string& key) {
    return ProfileRead(section, key, file_);
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir_;
  const std::string file_ = dir_.Path("test.ini");
};

TEST_F(Profile, ReadsHandEditedLinesAsWindowsDoes) {
  const std::string a250(250, 'a');
  dir_.WriteFile("test.ini",
                 "Stray=before any section\r\n[VP]\r\nPlain=value\r\n  Padded \t=  two words  \r\n"
                 "Dq=\" quoted \"\r\nSq='single'\r\nHalf=\"half'\r\nLone=\"\r\nDup=first\r\n"
                 "DUP=second\r\n;Note=hidden\r\nBare\r\nEq=a=b\r\n[Alias]=x\r\n"
                 "Nul=ab\0cd\r\nCaf\xE9=\x80 sign\r\nLong="s +
                     a250 + "bcdef\r\nEdge=" + a250 +
                     "    tail\r\n[ vp ] ; again\r\nOther=later\r\n");
  // Names match in any case; blanks and one pair of quotes go; the first key, the first "=" and
  // the first section of a name count; a value is cut to 254 characters, then trimmed.
  const struct {
    const char *section, *key;
    std::string value;
  } rows[] = {
      {"vp", "PLAIN", "value"}, {"VP", "padded", "two words"}, {"VP", "Dq", "quoted"},
      {"VP", "Sq", "single"},   {"VP", "Half", "\"half'"},     {"VP", "Lone", "\""},
      {"VP", "dup", "first"},   {"VP", ";Note", ""},           {"VP", "Bare", ""},
      {"VP", "Eq", "a=b"},      {"VP", "[alias]", "x"},        {"Alias", "x", ""},
      {"VP", "Nul", "ab"},      {"VP", "CAFÉ", "€ sign"},      {"VP", "Long", a250 + "bcde"},
      {"VP", "Edge", a250},     {"VP", "Other", ""},           {"VP", "Stray", ""},
      {"VP", "", ""},           {"Missing", "Plain", ""}};
  for (const auto& row : rows) EXPECT_EQ(Read(row.section, row.key), row.value) << row.key;
  EXPECT_EQ(ProfileRead("VP", "Plain", dir_.Path("absent.ini")), "");
}

TEST_F(Profile, WritesChangeOnlyWhatTheyMustAndNeverTheStructure) {
  const struct {
    const char* why;
    std::string before;  // "" for no file
    std::vector<ProfileEntry> writes;
    std::string after;
  } rows[] = {
      {"fills the template's sections in order",
       "[VP]\r\n\r\n[PinMAME]\r\n",
       {{"PinMAME", "Night", "ntbl_l2"}, {"VP", "Night", "Night Deluxe"}, {"vp", "My", "My"}},
       "[VP]\r\nNight=Night Deluxe\r\nMy=My\r\n\r\n[PinMAME]\r\nNight=ntbl_l2\r\n"},
      {"replaces the first occurrence in place and ends lines in CR LF",
       "; top\n[A]\n  Rom = old \nrom=dup\n[a]\nRom=other\n[B]\nk=1",
       {{"a", "ROM", "new"}, {"B", "j", "2"}},
       "; top\r\n[A]\r\nRom=new\r\nrom=dup\r\n[a]\r\nRom=other\r\n[B]\r\nk=1\r\nj=2\r\n"},
      {"creates the file and its sections",
       "",
       {{"PMInfo", "ntbl", "Night|1987"}, {"Alias", "ntbl_l2", "ntbl"}},
       "[PMInfo]\r\nntbl=Night|1987\r\n[Alias]\r\nntbl_l2=ntbl\r\n"},
      {"text is kept in Windows-1252",
       "",
       {{"Tabrin", "Café", "5€ ½ Ω"}},
       "[Tabrin]\r\nCaf\xE9=5\x80 \xBD ?\r\n"},
      {"line breaks become spaces and unreadable keys are refused",
       "",
       {{"S\n[X]", "a\r\nb", "one\ntwo\rthree"},
        {"s [x]", "[Alias]", "x"},
        {"S [X]", "[T", "]"},
        {"S [X]", ";c", "v"},
        {"S [X]", "k=j", "v"},
        {"S [X]", " \r\n", "v"}},
       "[S [X]]\r\na  b=one two three\r\n[Alias]=x\r\n"}};
  for (const auto& row : rows) {
    for (const bool batch : {false, true}) {
      std::filesystem::remove(file_);
      if (!row.before.empty()) dir_.WriteFile("test.ini", row.before);
      ResetProfileCacheStats();
      if (batch) {
        ProfileWriteAll(row.writes, file_);
      } else {
        for (const ProfileEntry& e : row.writes) ProfileWrite(e.section, e.key, e.value, file_);
      }
      EXPECT_EQ(dir_.ReadFile("test.ini"), row.after) << row.why << (batch ? " (batch)" : "");
      if (batch) EXPECT_EQ(GetProfileCacheStats().rewrites, 1) << row.why;
    }
  }
  EXPECT_EQ(Read("S\r[X]", "a\r\nb"), "one two three");
  // A write that changes nothing rewrites nothing; a file in no folder is not made.
  ResetProfileCacheStats();
  ProfileWriteAll({{"s [x]", "A  B", "one two three"}, {"S", "x=y", "refused"}}, file_);
  EXPECT_EQ(GetProfileCacheStats().rewrites, 0);
  ProfileWrite("S", "k", "v", dir_.Path("no such folder/test.ini"));
  EXPECT_EQ(Entries(), std::vector<std::string>{"test.ini"});
}

TEST_F(Profile, FileNamesMatchInAnyCaseAndKeepTheirPermissions) {
  dir_.WriteFile("info.ini", "[Tabrin]\r\n\r\n[PMInfo]\r\n");
  ASSERT_EQ(chmod(dir_.Path("info.ini").c_str(), 0640), 0);
  ProfileWrite("Tabrin", "Night", "x", dir_.Path("Info.ini"));
  EXPECT_EQ(ProfileRead("Tabrin", "Night", dir_.Path("INFO.INI")), "x");
  EXPECT_EQ(Entries(), std::vector<std::string>{"info.ini"});
  struct stat info;
  ASSERT_EQ(stat(dir_.Path("info.ini").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(Profile, ReadsParseAFileOnlyWhenItChangedAndSeeEveryOtherWriter) {
  dir_.WriteFile("test.ini", "[S]\r\nk=aaaa\r\n");
  EXPECT_EQ(Read("S", "k"), "aaaa");
  EXPECT_EQ(Read("S", "k"), "aaaa");
  EXPECT_EQ(GetProfileCacheStats().parses, 1);
  // Another writer within the same clock step at the same size: in place, then by rename.
  dir_.WriteFile("test.ini", "[S]\r\nk=bbbb\r\n");
  EXPECT_EQ(Read("S", "k"), "bbbb");
  dir_.WriteFile("other.ini", "[S]\r\nk=cccc\r\n");
  std::filesystem::rename(dir_.Path("other.ini"), file_);
  ProfileWrite("S", "j", "1", file_);  // keeps the other writer's change
  EXPECT_EQ(dir_.ReadFile("test.ini"), "[S]\r\nk=cccc\r\nj=1\r\n");
  EXPECT_EQ(GetProfileCacheStats().parses, 3);
  ProfileWrite("S", "j", "2", file_);  // our own writes update the parsed copy
  EXPECT_EQ(Read("S", "j"), "2");
  EXPECT_EQ(GetProfileCacheStats().parses, 3);
  // A file at rest is trusted for a moment after a check; a recheck ends that at once.
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  ASSERT_EQ(Read("S", "k"), "cccc");
  dir_.WriteFile("test.ini", "[S]\r\nk=dddd\r\nj=2\r\n");
  RecheckProfileFiles();
  EXPECT_EQ(Read("S", "k"), "dddd");
}

TEST_F(Profile, FailedWritesLeaveTheOldFileWholeAndNothingElse) {
  dir_.WriteFile("test.ini", "[S]\r\nk=old\r\n");
  // A full disk: the process may write no more than a few bytes to any file.
  struct rlimit limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlim_t old_limit = limit.rlim_cur;
  const auto old_handler = signal(SIGXFSZ, SIG_IGN);
  limit.rlim_cur = 16;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  ProfileWrite("S", "k", std::string(100, 'x'), file_);
  limit.rlim_cur = old_limit;
  setrlimit(RLIMIT_FSIZE, &limit);
  signal(SIGXFSZ, old_handler);
  EXPECT_EQ(dir_.ReadFile("test.ini"), "[S]\r\nk=old\r\n");
  EXPECT_EQ(Read("S", "k"), "old");
  EXPECT_EQ(Entries(), std::vector<std::string>{"test.ini"});
}

}  // namespace
