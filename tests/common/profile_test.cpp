#include "common/profile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/profile_cache.h"
#include "support/temp_dir.h"

namespace {

using namespace std::string_literals;

class ProfileTest : public testing::Test {
 protected:
  void SetUp() override {
    ClearProfileCache();
    ResetProfileCacheStats();
  }
  std::string Read(const std::string& section, const std::string& key) {
    return ProfileRead(section, key, file_);
  }
  void Write(const std::string& section, const std::string& key, const std::string& value) {
    ProfileWrite(section, key, value, file_);
  }
  std::string Ini() const { return dir_.ReadFile("test.ini"); }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  TempDir dir_;
  const std::string file_ = dir_.Path("test.ini");
};

TEST_F(ProfileTest, ReadsHandEditedLinesAsWindowsDoes) {
  dir_.WriteFile("test.ini",
                 "Stray=before any section\r\n[VP]\r\nPlain=value\r\n  Padded \t=  two words  \r\n"
                 "Dq=\" quoted \"\r\nSq='single'\r\nHalf=\"half'\r\nLone=\"\r\nDup=first\r\n"
                 "DUP=second\r\n;Note=hidden\r\nBare\r\nEq=a=b\r\n[Alias]=x\r\n"
                 "Nul=ab\0cd\r\nCaf\xE9=\x80 sign\r\n[ vp ] ; again\r\nOther=later copy\r\n"s);
  const std::vector<std::vector<std::string>> cases = {
      {"vp", "PLAIN", "value"},
      {"VP", "padded", "two words"},
      {"VP", "Dq", "quoted"},
      {"VP", "Sq", "single"},
      {"VP", "Half", "\"half'"},
      {"VP", "Lone", "\""},
      {"VP", "dup", "first"},
      {"VP", ";Note", ""},
      {"VP", "Bare", ""},
      {"VP", "Eq", "a=b"},
      {"VP", "[alias]", "x"},
      {"Alias", "x", ""},
      {"VP", "Nul", "ab"},
      {"VP", "CAFÉ", "€ sign"},
      {"VP", "Other", ""},
      {"VP", "Stray", ""},
      {"VP", "", ""},
      {"Missing", "Plain", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Read(c[0], c[1]), c[2]) << c[0] << "/" << c[1];
  EXPECT_EQ(ProfileRead("VP", "Plain", dir_.Path("absent.ini")), "");
}

TEST_F(ProfileTest, CutsValueTo254CharactersThenTrimsSpaces) {
  const std::string a250(250, 'a');
  dir_.WriteFile("test.ini", "[S]\r\nlong=" + a250 + "bcdef\r\nedge=" + a250 + "    tail\r\n" +
                                 "quoted=\"  inner  \"\r\n");
  EXPECT_EQ(Read("S", "long"), a250 + "bcde");
  EXPECT_EQ(Read("S", "edge"), a250);
  EXPECT_EQ(Read("S", "quoted"), "inner");
}

TEST_F(ProfileTest, FillsTemplateSectionsInOrder) {
  dir_.WriteFile("test.ini", "[VP]\r\n\r\n[PinMAME]\r\n");
  Write("PinMAME", "Night Table", "ntbl_l2");
  Write("VP", "Night Table", "Night Table Deluxe");
  Write("vp", "My Table", "My Table");
  EXPECT_EQ(Ini(),
            "[VP]\r\nNight Table=Night Table Deluxe\r\nMy Table=My Table\r\n\r\n"
            "[PinMAME]\r\nNight Table=ntbl_l2\r\n");
  EXPECT_EQ(Read("PINMAME", "night table"), "ntbl_l2");
}

TEST_F(ProfileTest, ReplacesFirstOccurrenceInPlaceAndRewritesWithCrLf) {
  dir_.WriteFile("test.ini", "; top\n[A]\n  Rom = old \nrom=dup\n[a]\nRom=other\n[B]\nk=1");
  Write("a", "ROM", "new");
  EXPECT_EQ(Ini(), "; top\r\n[A]\r\nRom=new\r\nrom=dup\r\n[a]\r\nRom=other\r\n[B]\r\nk=1\r\n");
  Write("B", "j", "2");
  EXPECT_EQ(Read("b", "J"), "2");
  EXPECT_EQ(Ini(),
            "; top\r\n[A]\r\nRom=new\r\nrom=dup\r\n[a]\r\nRom=other\r\n[B]\r\nk=1\r\nj=2\r\n");
}

TEST_F(ProfileTest, CreatesMissingFileAndSection) {
  Write("PMInfo", "ntbl", "Night Table|1987");
  EXPECT_EQ(Ini(), "[PMInfo]\r\nntbl=Night Table|1987\r\n");
  Write("Alias", "ntbl_l2", "ntbl");
  EXPECT_EQ(Ini(), "[PMInfo]\r\nntbl=Night Table|1987\r\n[Alias]\r\nntbl_l2=ntbl\r\n");
  ProfileWrite("S", "k", "v", dir_.Path("no such folder/test.ini"));
  EXPECT_FALSE(dir_.Exists("no such folder"));
}

TEST_F(ProfileTest, FileNamesMatchInAnyCase) {
  dir_.WriteFile("info.ini", "[Tabrin]\r\n\r\n[PMInfo]\r\n");
  ProfileWrite("Tabrin", "Night Table", "x", dir_.Path("Info.ini"));
  EXPECT_EQ(ProfileRead("Tabrin", "Night Table", dir_.Path("INFO.INI")), "x");
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"info.ini"});
}

TEST_F(ProfileTest, WrittenTextCannotChangeTheFileStructure) {
  Write("S\n[X]", "a\r\nb", "one\ntwo\rthree");
  Write("s [x]", "[Alias]", "x");
  const std::string before = Ini();
  EXPECT_EQ(before, "[S [X]]\r\na  b=one two three\r\n[Alias]=x\r\n");
  EXPECT_EQ(Read("S\r[X]", "a\r\nb"), "one two three");
  EXPECT_EQ(Read("Alias", "x"), "");
  Write("S [X]", "[T", "]");     // would read back as the section "T="
  Write("S [X]", ";c", "v");     // would be a comment
  Write("S [X]", "k=j", "v");    // would be the key "k"
  Write("S [X]", " \r\n", "v");  // no key at all
  EXPECT_EQ(Ini(), before);
}

TEST_F(ProfileTest, KeepsTextInWindows1252) {
  Write("Tabrin", "Café", "5€ ½ Ω");
  EXPECT_EQ(Ini(), "[Tabrin]\r\nCaf\xE9=5\x80 \xBD ?\r\n");
  EXPECT_EQ(Read("TABRIN", "CAFÉ"), "5€ ½ ?");
}

TEST_F(ProfileTest, ParsesAFileOnlyWhenItChanged) {
  dir_.WriteFile("test.ini", "[S]\r\nk=aaaa\r\n");
  EXPECT_EQ(Read("S", "k"), "aaaa");
  EXPECT_EQ(Read("S", "k"), "aaaa");
  EXPECT_EQ(GetProfileCacheStats().parses, 1);
  // Another writer, within the same second and at the same size: in place, then by rename.
  dir_.WriteFile("test.ini", "[S]\r\nk=bbbb\r\n");
  EXPECT_EQ(Read("S", "k"), "bbbb");
  dir_.WriteFile("other.ini", "[S]\r\nk=cccc\r\n");
  std::filesystem::rename(dir_.Path("other.ini"), file_);
  Write("S", "j", "1");  // must keep the other writer's change
  EXPECT_EQ(Ini(), "[S]\r\nk=cccc\r\nj=1\r\n");
  EXPECT_EQ(GetProfileCacheStats().parses, 3);
  // Our own writes update the parsed copy.
  Write("S", "j", "2");
  EXPECT_EQ(Read("S", "j"), "2");
  EXPECT_EQ(Read("S", "k"), "cccc");
  EXPECT_EQ(GetProfileCacheStats().parses, 3);
}

TEST_F(ProfileTest, ReplacesTheFileKeepingItsPermissions) {
  dir_.WriteFile("test.ini", "[S]\r\n");
  ASSERT_EQ(chmod(file_.c_str(), 0640), 0);
  Write("S", "k", "v");
  struct stat info;
  ASSERT_EQ(stat(file_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"test.ini"});
}

// Makes a folder unwritable for a while: by its permission bits, and for root, which ignores
// them, by the file system's immutable flag where there is one.
class UnwritableFolder {
 public:
  explicit UnwritableFolder(const std::string& folder)
      : folder_(folder), fd_(open(folder.c_str(), O_RDONLY | O_DIRECTORY)) {
    chmod(folder_.c_str(), 0555);
    SetImmutable(true);
  }
  ~UnwritableFolder() {
    SetImmutable(false);
    close(fd_);
    chmod(folder_.c_str(), 0755);
  }
  bool Unwritable() const {
    const std::string probe = folder_ + "/probe";
    const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return true;
    close(fd);
    unlink(probe.c_str());
    return false;
  }

 private:
  void SetImmutable(bool on) {
    int flags = 0;
    if (ioctl(fd_, FS_IOC_GETFLAGS, &flags) != 0) return;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    ioctl(fd_, FS_IOC_SETFLAGS, &flags);
  }

  std::string folder_;
  int fd_;
};

TEST_F(ProfileTest, FailedWritesLeaveTheOldFileSilently) {
  dir_.WriteFile("test.ini", "[S]\r\nk=old\r\n");
  {
    const UnwritableFolder unwritable(dir_.path());
    if (!unwritable.Unwritable()) GTEST_SKIP() << "cannot make a folder read-only here";
    Write("S", "k", "new");
  }
  EXPECT_EQ(Ini(), "[S]\r\nk=old\r\n");
  EXPECT_EQ(Read("S", "k"), "old");
  // A full disk: the process may write no more than a few bytes to any file.
  struct rlimit limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlim_t old_limit = limit.rlim_cur;
  const auto old_handler = signal(SIGXFSZ, SIG_IGN);
  limit.rlim_cur = 16;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  Write("S", "k", std::string(100, 'x'));
  limit.rlim_cur = old_limit;
  setrlimit(RLIMIT_FSIZE, &limit);
  signal(SIGXFSZ, old_handler);
  EXPECT_EQ(Ini(), "[S]\r\nk=old\r\n");
  EXPECT_EQ(Read("S", "k"), "old");
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"test.ini"});
}

TEST_F(ProfileTest, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 4;
  constexpr int kKeysEach = 100;
  std::vector<std::unique_ptr<QProcess>> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.push_back(std::make_unique<QProcess>());
    writers.back()->start(PROFILE_HAMMER, {QString::fromStdString(file_), "Keys",
                                           QString("w%1_").arg(w), QString::number(kKeysEach)});
  }
  for (auto& writer : writers) {
    ASSERT_TRUE(writer->waitForFinished(300'000));  // a watchdog against a dead lock only
    EXPECT_EQ(writer->exitCode(), 0);
  }
  const std::string ini = Ini();
  for (int w = 0; w < kWriters; ++w) {
    for (int i = 0; i < kKeysEach; ++i) {
      const std::string key = "w" + std::to_string(w) + "_" + std::to_string(i);
      const std::string line = "\r\n" + key + "=" + std::to_string(i) + "\r\n";
      const std::size_t at = ini.find(line);
      ASSERT_NE(at, std::string::npos) << key;
      EXPECT_EQ(ini.find(line, at + 1), std::string::npos) << key;
      EXPECT_EQ(Read("keys", key), std::to_string(i));
    }
  }
  EXPECT_EQ(ini.substr(0, 8), "[Keys]\r\n");
  EXPECT_EQ(std::count(ini.begin(), ini.end(), '\n'), 1 + kWriters * kKeysEach);
}

}  // namespace
