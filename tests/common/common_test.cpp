// The shared layer: code pages, paths in any case, the process runner and profile files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "common/codepage.h"
#include "common/collection_check.h"
#include "common/directb2s.h"
#include "common/paths.h"
#include "common/process_runner.h"
#include "common/profile.h"
#include "common/profile_cache.h"
#include "common/tables.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Cases = std::vector<std::pair<std::string, std::string>>;
using namespace std::string_literals;

TEST(Codepage, ConvertsBetweenUtf8Windows1252AndUtf16) {
  for (int byte = 0; byte < 256; ++byte) {
    const std::string one(1, static_cast<char>(byte));
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << "byte " << byte;
  }
  EXPECT_EQ(Cp1252ToUtf8("\x80\xE9\x9F\x81"), "€éŸ\xC2\x81");
  const Cases to_cp1252 = {
      {"Café 5€ ½ “q” …", "Caf\xE9 5\x80 \xBD \x93q\x94 \x85"},
      {"Ω and 😀", "? and ?"},        // outside the code page
      {"\xC2\x80", "?"},             // U+0080 has no byte: 0x80 is the euro sign
      {"a\377b", "a?b"},             // never valid in UTF-8
      {"a\342\202b", "a??b"},        // cut short
      {"\xC0\xAF", "??"},            // overlong "/"
      {"\xED\xA0\x80", "???"},       // a surrogate
      {"\xF4\x90\x80\x80", "????"},  // past U+10FFFF
  };
  for (size_t i = 0; i < to_cp1252.size(); ++i) {
    const auto& [utf8, bytes] = to_cp1252[i];
    EXPECT_EQ(Utf8ToCp1252(utf8), bytes) << utf8;
    // A file name that is no UTF-8 (rows 3 on) is read as Windows-1252; one that is stays.
    const bool valid = i < 3;
    EXPECT_EQ(IsValidUtf8(utf8), valid) << utf8;
    EXPECT_EQ(FileNameText(utf8), valid ? utf8 : Cp1252ToUtf8(utf8)) << utf8;
  }
  EXPECT_TRUE(IsValidUtf8("😀 ô¿¿"));  // the last code point
  const Cases lower = {{"AZaz@[`{", "azaz@[`{"},
                       {"\xC0\xC9\xDE", "\xE0\xE9\xFE"},           // À É Þ
                       {"\xD7\xDF\xE9", "\xD7\xDF\xE9"},           // × ß é stay
                       {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"}};  // Š Œ Ž Ÿ
  for (const auto& [text, lowered] : lower) EXPECT_EQ(Cp1252ToLower(text), lowered);
  const Cases utf16 = {
      {std::string("A\0\xE9\0\xAC\x20", 6), "Aé€"},
      {std::string("A\0B", 3), "A"},                                     // odd last byte dropped
      {std::string("\xFF\xFEZ\0", 4), "\xEF\xBB\xBFZ"},                  // byte-order mark kept
      {std::string("\x3D\xD8\x00\xDE", 4), "😀"},                         // surrogate pair
      {std::string("\x3D\xD8Z\0", 4), "\xEF\xBF\xBDZ"},                  // high surrogate alone
      {std::string("\x00\xDE\x3D\xD8", 4), "\xEF\xBF\xBD\xEF\xBF\xBD"},  // reversed pair
  };
  for (const auto& [bytes, utf8] : utf16) EXPECT_EQ(Utf16LeToUtf8(bytes), utf8);
  // A high surrogate that ends the text is alone, whatever bytes lie after the text.
  EXPECT_EQ(Utf16LeToUtf8(std::string_view("\x3D\xD8\x00\xDC", 2)), "\xEF\xBF\xBD");
}

TEST(Tables, KeysAreNamesAProfileFileCanHold) {
  const Cases keys = {{"Attack.vpt", "Attack"},
                      {"Attack.VPX", "Attack.VPX"},
                      {"Caf\xE9.vpx", "Café.vpx"},  // a name from a Windows archive
                      {"a=b.vpt", "a%3Db"},
                      {"[x]=y.vpx", "%5Bx]%3Dy.vpx"},
                      {";x;.vpt", "%3Bx;"},
                      {"two\r\nlines.vpt", "two  lines"},
                      {"100% [VR].vpx", "100% [VR].vpx"}};
  for (const auto& [name, key] : keys) EXPECT_EQ(TableKey(name), key) << name;
}

TEST(DirectB2S, ReadsThePictureAskedForAsAStream) {
  const std::string png = "\x89PNG\r\n\x1A\nbackglass", jpeg = "\xFF\xD8\xFF\xE0off";
  const auto b64 = [](const std::string& bytes) {
    return QByteArray(bytes.data(), qsizetype(bytes.size())).toBase64().toStdString();
  };
  const std::string on = "<BackglassImage Value=\"" + b64(png) + "\" />";
  const std::string off = "<BackglassOffImage Type='1' Value='" + b64(jpeg) + "'/>";
  const auto doc = [](const std::string& images) {
    return "<?xml version=\"1.0\"?>\r\n<DirectB2SData Version=\"1.2\"><Name Value=\"x\"/><Images>" +
           images + "</Images></DirectB2SData>";
  };
  std::string broken = b64(png);
  broken.insert(8, "&#xD;&#xA;\r\n  ");
  const struct {
    const char* why;
    std::string document, picture;
  } rows[] = {
      {"the backglass before the picture with its lamps off", doc(off + on), png},
      {"the picture with its lamps off when there is no other", doc(off), jpeg},
      {"a value that is no picture gives way", doc("<BackglassImage Value=\"AAAA\"/>" + off), jpeg},
      {"line breaks and references inside the text",
       doc("<BackglassImage Value=\"" + broken + "\"/>"), png},
      {"comments and CDATA are no elements",
       "<DirectB2SData><!-- <Images>" + on + "</Images> --><Images><![CDATA[" + on + "]]>" + off +
           "</Images></DirectB2SData>",
       jpeg},
      {"only under Images", "<DirectB2SData><Other>" + on + "</Other></DirectB2SData>", ""},
      {"a document cut short", doc(on).substr(0, 60), ""},
      {"a name never closed", "<DirectB2SData><Images><BackglassImage Value", ""},
      {"nesting past any real document", std::string(5000, '<').replace(0, 1, "<a><") + on, ""},
      {"no document at all", std::string(1000, '\0'), ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ReadDirectB2SPictureFrom(row.document, {"BackglassImage", "BackglassOffImage"}),
              row.picture)
        << row.why;
  }
  TempDir dir;
  dir.WriteFile("t.directb2s", doc(on));
  dir.MakeDir("folder.directb2s");
  EXPECT_EQ(ReadDirectB2SPicture(dir.Path("t.directb2s"), {"BackglassImage"}), png);
  EXPECT_EQ(ReadDirectB2SPicture(dir.Path("folder.directb2s"), {"BackglassImage"}), "");
  EXPECT_EQ(ReadDirectB2SPicture(dir.Path("none.directb2s"), {"BackglassImage"}), "");
  EXPECT_EQ(SniffPictureFormat("GIF89a.."), PictureFormat::kGif);
  EXPECT_STREQ(PictureExtension(SniffPictureFormat(jpeg)), "jpg");
}

TEST(Paths, NamesMatchInAnyCaseTheFirstSpellingInByteOrder) {
  TempDir dir;
  dir.WriteFile("Art/Snap/Alpha.PNG", "a");
  dir.WriteFile("Art/Snap/delta.txt", "d");
  dir.WriteFile("Art/Snap/Delta.txt", "D");
  dir.WriteFile("Art/Snap/.hidden", "h");
  dir.MakeDir("Art/Snap/Folder.png");
  const std::string art = dir.Path("Art/Snap/");
  const Cases existing = {{"art/snap/alpha.png", art + "Alpha.PNG"},
                          {"ART/SNAP/DELTA.TXT", art + "Delta.txt"},
                          {"Art/Snap/delta.txt", art + "delta.txt"},
                          {"art/snap/beta.png", ""},
                          {"art/nothing/alpha.png", ""}};
  for (const auto& [path, found] : existing) {
    EXPECT_EQ(FindExistingPath(dir.Path(path)), found) << path;
  }
  EXPECT_EQ(PathForCreate(dir.Path("art/snap/ALPHA.png")), art + "Alpha.PNG");
  EXPECT_EQ(PathForCreate(dir.Path("art/new/x.png")), dir.Path("Art/new/x.png"));
  EXPECT_TRUE(OrdinaryFileExists(dir.Path("art/snap/alpha.png")));
  EXPECT_FALSE(OrdinaryFileExists(dir.Path("art/snap/.HIDDEN")));
  EXPECT_FALSE(OrdinaryFileExists(dir.Path("art/snap/folder.png")));
  EXPECT_TRUE(FolderExists(dir.Path("ART/snap")));
  EXPECT_FALSE(FolderExists(art + "Alpha.PNG"));
  EXPECT_EQ(ListFiles(dir.Path("art/SNAP"), "*.PNG"), std::vector<std::string>{"Alpha.PNG"});
  EXPECT_EQ(ListFiles(art, "*.*"),
            (std::vector<std::string>{"Alpha.PNG", "Delta.txt", "delta.txt"}));
  EXPECT_EQ(DirLookup(art + "*.txt"), "Delta.txt");
  EXPECT_EQ(DirLookup(art + "ALPHA.png"), "Alpha.PNG");
  EXPECT_EQ(DirLookup(art + "*.jpg"), "");
}

TEST(Paths, WildcardsAndProgramRelativeFoldersFollowTheClassicRules) {
  const std::vector<std::tuple<std::string, std::string, bool>> wildcards = {
      {"*.vpt", "Night.VPT", true},
      {"*.vpt", "night.vpx", false},
      {"*.*", "a.b", true},
      {"t?.vpt", "tx.vpt", true},
      {"t?.vpt", "t.vpt", false},
      {"*a*b", "xaxxb", true},
      {"*a*b", "xaxxbc", false},
      {"", "", true},
      {"", "x", false}};
  for (const auto& [pattern, name, matches] : wildcards) {
    EXPECT_EQ(WildcardMatch(pattern, name), matches) << pattern << " " << name;
  }
  const Cases relative = {
      {"", ""}, {"/abs/olute", "/abs/olute"}, {"\\art\\", "/fe/art/"}, {"art\\x", "/fe/art/x"}};
  for (const auto& [value, resolved] : relative) {
    EXPECT_EQ(ResolveProgramRelative(value, "/fe"), resolved) << value;
  }
  EXPECT_EQ(FileNameOf("/a/b.vpt"), "b.vpt");
  EXPECT_EQ(FileNameOf("b.vpt"), "b.vpt");
}

TEST(Paths, FolderListingsFollowEveryChange) {
  TempDir dir;
  const std::string folder = dir.MakeDir("Art");
  dir.WriteFile("Art/Alpha.txt", "a");
  EXPECT_EQ(FindExistingPath(folder + "/alpha.TXT"), folder + "/Alpha.txt");
  dir.WriteFile("Art/BETA.txt", "b");  // created, renamed and removed after the first look
  EXPECT_EQ(FindExistingPath(folder + "/beta.txt"), folder + "/BETA.txt");
  fs::rename(folder + "/BETA.txt", folder + "/Gamma.txt");
  EXPECT_EQ(FindExistingPath(folder + "/beta.txt"), "");
  EXPECT_EQ(FindExistingPath(folder + "/GAMMA.TXT"), folder + "/Gamma.txt");
  fs::remove(folder + "/Alpha.txt");
  EXPECT_EQ(FindExistingPath(folder + "/alpha.txt"), "");
  // A folder made again, or another moved into its place, is read again.
  fs::remove_all(folder);
  dir.WriteFile("other/Moved.png", "m");
  fs::rename(dir.Path("other"), folder);
  EXPECT_EQ(FindExistingPath(folder + "/moved.PNG"), folder + "/Moved.png");
  EXPECT_EQ(FindExistingPath(folder + "/gamma.txt"), "");
  // More folders than are kept listed, and thousands of changes between two lookups.
  for (int i = 0; i < 40; ++i) {
    dir.WriteFile("f" + std::to_string(i) + "/File.txt", "x");
    EXPECT_EQ(FindExistingPath(dir.Path("f" + std::to_string(i) + "/file.TXT")),
              dir.Path("f" + std::to_string(i) + "/File.txt"));
  }
  for (int i = 0; i < 3000; ++i) dir.WriteFile("Art/N" + std::to_string(i) + ".txt", "");
  for (int i = 0; i < 3000; i += 2) fs::remove(folder + "/N" + std::to_string(i) + ".txt");
  EXPECT_EQ(FindExistingPath(folder + "/n2998.txt"), "");
  EXPECT_EQ(FindExistingPath(folder + "/n2999.txt"), folder + "/N2999.txt");
}

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

// Starts programs in folders that it leaves current, finds them there before PATH and hands
// arguments over as written. Nested runs from an event handler: the window's second rescan.
TEST(ProcessRunner, RunsProgramsInTheirFolderWithTheirArgumentsAsWritten) {
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
  EXPECT_EQ(temp.ReadFile("out.txt"), "[two words]\n[it's]\n[$(id)]\n[\"q\"]\n[`x`;y]\n");
  // A file of that name in the folder that cannot run gives way to the program on PATH.
  temp.WriteFile("plain", "#!/bin/sh\necho folder > out.txt\n");
  std::filesystem::permissions(temp.WriteFile("bin/plain", "#!/bin/sh\necho path > out.txt\n"),
                               std::filesystem::perms(0755));
  RunAndWait(folder, "plain", "", 1);
  setenv("PATH", old_path.c_str(), 1);
  EXPECT_EQ(temp.ReadFile("out.txt"), "path\n");

  QTemporaryDir inside(QString::fromStdString(ProgramFolder()) + "/runner-XXXXXX");
  const std::string name = QDir(inside.path()).dirName().toStdString();
  folder = "\\" + name + "\\";  // inside the program folder
  RunAndWait(folder, "sh", "-c \"pwd > where.txt\"", 0);
  EXPECT_EQ(folder, ProgramFolder() + "/" + name + "/");
  EXPECT_EQ(QDir::currentPath().toStdString() + "/", folder);
  std::string where;
  ASSERT_TRUE(ReadWholeFile(folder + "where.txt", where));
  EXPECT_EQ(where, ProgramFolder() + "/" + name + "\n");

  QDir::setCurrent(start_folder);
}

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
  const std::string a250(250, 'a'), a253(253, 'a'), a254(254, 'a');
  dir_.WriteFile(
      "test.ini",
      "Stray=before any section\r[VP] old\r\nPlain=value\r\n  Padded \t=  two words  "
      "\r\nDq=\" quoted \"\r\nSq='single'\r\nHalf=\"half'\r\nLone=\"\r\nDup=first\r\n"
      "DUP=second\r\n;Note=hidden\r\nBare\r\nEq=a=b\r\nCtrl=\v\x1A z \f\r\nKeep=\xA0z\x85"
      "\r\nNul=ab\0cd\r\nCaf\xE9=\x80 sign\r\nLong="s +
          a250 + "bcdef\r\nEdge=" + a250 + "    tail\r\nQuoted=\"" + a254 + "\"\r\nQ253=\"" + a253 +
          "\"\r\nQ255='" + a254 + "b'\r\nQ256=\"" + a254 +
          "bc\"\r\n[Half\r\nBelow=still VP\r\n[Alias]=x\r\nA=in Alias\r\n[ vp ] ; again\r\n"
          "Other=later\r\n");
  // Names match in any case; blanks (Ctrl-Z too) and one pair of quotes go; the first key, the
  // first "=" and the first section of a name count; a value is cut to 254 characters, then
  // trimmed; a quoted one loses its opening quote, is cut, then loses its last character when
  // what followed the quote fitted 255 (so 254 quoted characters read as 253, as in Windows). A
  // line starting "[" with a "]" opens a section; keys before any are in "".
  const struct {
    const char *section, *key;
    std::string value;
  } rows[] = {{"", "Stray", "before any section"},
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
              {"VP", "Ctrl", "z"},
              {"VP", "Keep", "\u00A0z\u2026"},
              {"VP", "Nul", "ab"},
              {"VP", "CAFÉ", "€ sign"},
              {"VP", "Long", a250 + "bcde"},
              {"VP", "Edge", a250},
              {"VP", "Quoted", a253},
              {"VP", "Q253", a253},
              {"VP", "Q255", a254},
              {"VP", "Q256", a254},
              {"VP", "Below", "still VP"},
              {"Alias", "a", "in Alias"},
              {"VP", "[Alias]", ""},
              {"VP", "Other", ""},
              {"VP", "", ""},
              {"Missing", "Plain", ""}};
  for (const auto& row : rows) EXPECT_EQ(Read(row.section, row.key), row.value) << row.key;
  EXPECT_EQ(ProfileRead("VP", "Plain", dir_.Path("absent.ini")), "");
  // A whole section reads as its keys do one by one, in the file's order, each key once; what
  // this process has yet to write shows in it.
  ProfileWriteLater({{"vp", "dup", "later"}, {"VP", "New", "n"}}, file_);
  std::string keys;
  for (const auto& [key, value] : ProfileReadSection("VP", file_)) {
    keys += key + " ";
    EXPECT_EQ(Read("VP", key), value) << key;
  }
  FlushProfileWrites();
  EXPECT_EQ(
      keys,
      "Plain Padded Dq Sq Half Lone Dup Bare Eq Ctrl Keep Nul Café Long Edge Quoted Q253 Q255 "
      "Q256 [Half Below New ");
  EXPECT_EQ(ProfileSectionByLowerKey("vp", file_).at("café"), "€ sign");
  // A file read as missing is found as soon as this process writes it.
  EXPECT_EQ(ProfileRead("VP", "Plain", dir_.Path("late.ini")), "");
  ProfileWrite("VP", "Plain", "here", dir_.Path("late.ini"));
  EXPECT_EQ(ProfileRead("VP", "Plain", dir_.Path("late.ini")), "here");
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
      {"line breaks become spaces and unreadable keys are refused",
       "",
       {{"S\n[X]", "a\r\nb", "one\ntwo\rthree"},
        {"s [x]", "[Alias]", "x"},
        {"S [X]", "[T", "]"},
        {"S [X]", ";c", "v"},
        {"S [X]", "k=j", "v"},
        {"S [X]", " \r\n", "v"}},
       "[S [X]]\r\na  b=one two three\r\n"},
      {"text stays in Windows-1252 while it can",
       "",
       {{"Tabrin", "Café", "5€ ½"}},
       "[Tabrin]\r\nCaf\xE9=5\x80 \xBD\r\n"},
      {"and else the file becomes UTF-8, names apart",
       "[VP]\r\nCaf\xE9=x\r\n",
       {{"VP", "Σmega", "one"}, {"vp", "Ωmega", "two"}},
       "\xEF\xBB\xBF[VP]\r\nCafé=x\r\nΣmega=one\r\nΩmega=two\r\n"}};
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
      if (batch) {
        EXPECT_EQ(GetProfileCacheStats().rewrites, 1) << row.why;
      }
    }
  }
  EXPECT_EQ(Read("VP", "σMEGA") + Read("VP", "ΩMEGA") + Read("vp", "CAFÉ"), "onetwox");
  // A write that changes nothing rewrites nothing; a file in no folder is not made.
  ResetProfileCacheStats();
  ProfileWriteAll({{"vp", "café", "x"}, {"S", "x=y", "refused"}}, file_);
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
  const bool written = ProfileWrite("S", "k", std::string(100, 'x'), file_);
  limit.rlim_cur = old_limit;
  setrlimit(RLIMIT_FSIZE, &limit);
  signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(written);
  EXPECT_EQ(dir_.ReadFile("test.ini"), "[S]\r\nk=old\r\n");
  EXPECT_EQ(Read("S", "k"), "old");
  EXPECT_EQ(Entries(), std::vector<std::string>{"test.ini"});
  // Every way a write can end says whether the file has it.
  const std::string locked = dir_.MakeDir("locked");
  chmod(locked.c_str(), 0555);
  const bool as_root = access(locked.c_str(), W_OK) == 0;  // root writes anyway
  const struct {
    const char* why;
    std::string file, key;
    bool ok;
  } rows[] = {{"a new file", dir_.Path("new.ini"), "k", true},
              {"a value that changes nothing", file_, "k", true},
              {"a key no read could find again", file_, "a=b", true},
              {"a folder that is missing", dir_.Path("none/x.ini"), "k", false},
              {"a folder nobody may write", locked + "/x.ini", "k", as_root}};
  for (const auto& row : rows) {
    EXPECT_EQ(ProfileWrite("S", row.key, "old", row.file), row.ok) << row.why;
  }
  ProfileWriteLater({{"S", "k", "1"}}, locked + "/x.ini");
  ProfileWriteLater({{"S", "k", "2"}}, file_);
  std::vector<std::string> failed;
  EXPECT_EQ(FlushProfileWrites({}, &failed), as_root);
  EXPECT_EQ(failed, as_root ? std::vector<std::string>{} : std::vector{locked + "/x.ini"});
  EXPECT_EQ(Read("S", "k"), "2");
  chmod(locked.c_str(), 0755);
}

TEST_F(Profile, UpdatesUnderTheLockLoseNoCountBetweenProcesses) {
  // Two processes count at once, each reading the count and writing it raised by one.
  constexpr int kEach = 150;
  const auto count = [this] {
    for (int i = 0; i < kEach; ++i) {
      ProfileUpdate(file_, [](const ProfileLockedRead& read) {
        return std::vector<ProfileEntry>{
            {"Plays", "t", std::to_string(std::atoi(read("plays", "T").c_str()) + 1)}};
      });
    }
  };
  const pid_t child = fork();
  if (child == 0) {
    count();
    _exit(0);
  }
  count();
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  RecheckProfileFiles();
  EXPECT_EQ(Read("Plays", "t"), std::to_string(2 * kEach));
}

TEST_F(Profile, WritesSweepTheTemporaryFilesOfKilledProcesses) {
  const pid_t gone = fork();  // a process that has ended, whose number no one holds now
  if (gone == 0) _exit(0);
  waitpid(gone, nullptr, 0);
  const std::string dead = ".profile-" + std::to_string(gone) + "-3.tmp";
  const std::string live = ".replace-" + std::to_string(getppid()) + "-1.tmp";
  const std::string mine = ".profile-" + std::to_string(getpid()) + "-9.tmp";
  const struct {
    std::string name;
    int age_s;
    bool kept;
  } rows[] = {{dead, 120, false},
              {"." + dead.substr(1, 8) + "x-1.tmp", 120, true},
              {dead.substr(0, dead.size() - 4), 120, true},
              {live, 7200, true},
              {mine, 7200, true},
              {".tmp-Ab3dEf", 900, false},
              {".tmp-Ab3dEg", 30, true},
              {"." + dead.substr(1) + ".bak", 7200, true}};
  const std::string folder = dir_.MakeDir("sweep");
  for (const auto& row : rows) {
    const std::string path = dir_.WriteFile("sweep/" + row.name, "x");
    const timespec times[2] = {{time(nullptr) - row.age_s, 0}, {time(nullptr) - row.age_s, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }
  {
    const pid_t young =
        fork();  // a process that ended a moment ago: its file may be another host's
    if (young == 0) _exit(0);
    waitpid(young, nullptr, 0);
    dir_.WriteFile("sweep/.profile-" + std::to_string(young) + "-1.tmp", "x");
  }
  ASSERT_TRUE(ProfileWrite("S", "k", "v", folder + "/test.ini"));
  for (const auto& row : rows) EXPECT_EQ(dir_.Exists("sweep/" + row.name), row.kept) << row.name;
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 8);
}

// Each kind of finding on a folder made to hold one or two of each, and nothing else found.
TEST(CollectionCheck, FindsWhatNeedsAttentionAndNothingElse) {
  TempDir dir;
  const auto write = [&dir](const std::string& file, std::string text) {
    for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2)
      text.insert(at, "\r");
    dir.WriteFile(file, text);
  };
  write("names.ini",
        "[VP]\na=Alpha\nb.vpx=Beta\nc=Gamma: X\nf.vpx=Foxtrot\ne=Gone\n[PinMAME]\na=a_l1\n"
        "b.vpx=zz_l1\nc=A_L1\nf.vpx=bare\n");
  // f.vpx's game has no description of its own; its backglass is its parent's.
  write("info.ini",
        "[Tabrin]\nAlpha=Alpha|||||\nGamma: X=Gamma: X|||||\nFoxtrot=Foxtrot|||||\n[PMInfo]\n"
        "a_l1=A Game|1990|M|a_l1\nbare=|||bare_p\n[NotInEmulator]\nzed=1\nbare=\n");
  write("alias.ini", "[Alias]\nzz_l1=zed\n");
  for (const char* file :
       {"tables/a.vpt", "tables/A.VBS", "tables/b.vpx", "tables/c.vpt", "tables/d.vpt",
        "tables/f.vpx", "tables/notes.txt", "local/snap/a_l1.png", "mame/marquees/A_L1.JPG",
        "mame/cabinets/a_l1.jpg", "local/flyers/Alpha.png", "local/snap/Gamma X.jpg",
        "local/snap/zzz.png", "local/snap/notes.txt", "local/snap/.hidden.png",
        "mame/snap/stray.png", "local/snap/Foxtrot.png", "mame/marquees/bare_p.png",
        "local/flyers/FOXTROT.jpg"}) {
    write(file, "");
  }
  // The ROM files of a, c (A_L1) and f, not f's parent's; a backglass file of a table and one not.
  for (const char* file : {"home/.pinmame/roms/A_L1.ZIP", "home/.pinmame/roms/bare.zip",
                           "tables/a.directb2s", "tables/Lone.DirectB2S"}) {
    write(file, "");
  }
  FrontendSettings settings;
  settings.TablePath = dir.Path("tables/");
  std::tie(settings.SnapPath2, settings.BackglassPath2, settings.CabPath2, settings.FlyerPath2) =
      std::tuple(dir.Path("local/snap/"), dir.Path("local/glass/"), dir.Path("local/snap/"),
                 dir.Path("local/flyers/"));
  std::tie(settings.SnapPath, settings.BackglassPath, settings.CabPath, settings.FlyerPath) =
      std::tuple(dir.Path("mame/snap/"), dir.Path("mame/marquees/"), dir.Path("mame/cabinets/"),
                 dir.Path("mame/flyers/"));
  const CollectionCheck check = CheckCollection(dir.path(), settings, true, {dir.Path("home"), ""});
  std::string rows;
  for (const CheckRow& row : check.rows) {
    rows += CheckKindTitle(row.kind) + ": " + row.table + " | " + row.text + "\n";
  }
  // The cabinets share the snapshots' folder: a stray image there is listed once.
  EXPECT_EQ(rows,
            "ROM unknown to the emulator: b.vpx | b.vpx  (ROM zed)\n"
            "PinMAME table without MAME information: f.vpx | f.vpx  (ROM bare)\n"
            "ROM file missing: b.vpx | b.vpx  (zz_l1.zip)\n"
            "Parent ROM file missing: f.vpx | f.vpx  (bare_p.zip, parent of bare)\n"
            "No table information: b.vpx | b.vpx\nNo snapshot: b.vpx | b.vpx\n"
            "No backglass: b.vpx | b.vpx\nNo cabinet: b.vpx | b.vpx\nNo flyer: b.vpx | b.vpx\n"
            "No flyer: c.vpt | c.vpt\n"
            "Several tables for one ROM: a.vpt | a.vpt  (ROM a_l1, 2 tables)\n"
            "Several tables for one ROM: c.vpt | c.vpt  (ROM a_l1, 2 tables)\n"
            "Sidecar script: a.vpt | a.vpt  (a.vbs)\n"
            "Backglass file without its table:  | Lone.DirectB2S\nArtwork of no table:  | " +
                dir.Path("local/snap/zzz.png") +
                "\nCatalogue entry without its table:  | e\n"
                "Not in the catalogue yet: d.vpt | d.vpt\n");
  const std::string report = CheckReportText(check);
  EXPECT_EQ(report.substr(0, report.find("\n     1  PinMAME")),
            "Collection check of " + dir.Path("tables") +
                ": 5 tables, 17 findings\n     1  ROM unknown to the emulator");
  EXPECT_NE(report.find("\nNo flyer:\n  b.vpx\n  c.vpt\n\n"), std::string::npos);
}

}  // namespace
