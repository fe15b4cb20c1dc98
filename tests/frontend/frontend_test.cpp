// Orvane over real files in temporary folders: its pieces, then the real window offscreen with the
// real tabrin; tools/fake-vpinball stands in for Visual Pinball, or for tabrin to show its runs.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <functional>

#include "common/codepage.h"
#include "common/profile.h"
#include "frontend/artwork.h"
#include "frontend/bitmap.h"
#include "frontend/browser.h"
#include "frontend/check_window.h"
#include "frontend/graphics.h"
#include "frontend/main_window.h"
#include "frontend/notices.h"
#include "frontend/play_stats.h"
#include "frontend/window_place.h"
#include "frontend/wizard.h"
#include "support/pictures.h"
#include "support/scripted_dialogs.h"
#include "support/strict_ini.h"
#include "support/temp_dir.h"
#include "table_writer.h"

namespace {

namespace fs = std::filesystem;
using S = FrontendSettings;
using Steps = std::vector<std::tuple<const char*, std::function<void()>, std::string>>;

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}
// Files as written here: "\n" for CR LF, "@" for the program folder `folder`.
std::string At(const std::string& text, const std::string& folder) {
  return Replace(Replace(text, "\n", "\r\n"), "@", folder);
}
std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts(1);
  for (const char c : text) c == separator ? (void)parts.emplace_back() : parts.back().push_back(c);
  return parts;
}
// The settings of `dir` with orvane.ini holding `ini` (none for ""), in [Dirs] if it names none.
S ReadSettings(const TempDir& dir, const std::string& ini) {
  const bool sections = ini.find('[') != std::string::npos;
  if (!ini.empty()) dir.WriteFile("orvane.ini", At(sections ? ini : "[Dirs]\n" + ini, ""));
  S settings;
  GetSettings(dir.path(), settings);
  return settings;
}

TEST(Settings, SwitchesAreRounded16BitNumbersFoldersFollowWhatIsReadAndScansAndLaunchersTheRules) {
  const std::tuple<std::string, int, const char*> switches[] = {
      // ScanIfNotFound, default 1
      {"1", 1, "one"},     {"0", 0, "zero"},    {"-1", -1, "sign"},        {"+19", 19, "plus"},
      {"2.50", 2, "even"}, {"1.9", 2, "round"}, {"-32768", -32768, "min"}, {"32767", 32767, "max"},
      {"70000", 1, "big"}, {"", 1, "empty"},    {"abc", 1, "letters"},     {"1x", 1, "tail"},
      {"1.x", 1, ".tail"}};
  for (const auto& [text, expected, why] : switches) {
    TempDir dir;
    const S s = ReadSettings(dir, "[Settings]\nScanIfNotFound=" + text + "\n[Dirs]\nVPExe=v");
    EXPECT_EQ(std::to_string(s.ScanIfNotFound) + s.VPExe, std::to_string(expected) + "v") << why;
  }
  const std::tuple<const char*, const char*, std::string S::*, const char*> folders[] = {
      // why, orvane.ini, a setting: its value ("@" the program folder)
      {"a missing local folder follows VPPath", "VPPath=/vp/", &S::DescPath, "/vp/description/"},
      {"a missing MAME one follows MAMEPath", "MAMEPath=d:\\emu", &S::SnapPath, "d:/emusnap/"},
      {"an empty local one is the program's", "VPPath=/vp/\nSnapPath2= ", &S::SnapPath2, "@/snap/"},
      {"names in any case, values trimmed", "[dirs]\n vpexe =  VP.exe  ", &S::VPExe, "VP.exe"},
      {"a leading \\ is the program folder", "BlurbPath=\\docs\\", &S::BlurbPath, "@/docs/"},
      {"for VPPath too", "VPPath=\\vp\\", &S::VPPath, "@/vp/"},
      {"other sections' keys", "[X]\nCabPath2=\n[Dirs]\nVPPath=/v/", &S::CabPath2, "/v/cabinets/"},
      {"nor one after it", "[Dirs]\nVPPath=/vp/\n[X]\nFlyerPath2=", &S::FlyerPath2, "/vp/flyers/"},
      {"blanks, comments skipped", "\n;x\n[Dirs] ;c\n\n;VPPath=\nVPPath=/vp/", &S::VPPath, "/vp/"},
  };
  for (const auto& [why, ini, field, expected] : folders) {
    TempDir dir;
    EXPECT_EQ(ReadSettings(dir, ini).*field, At(expected, dir.path())) << why;
  }
  EXPECT_TRUE(NeedsScan({.ScanIfNotFound = 1}, {.RomName = "rom"})) << "no base name";
  EXPECT_FALSE(NeedsScan({.ScanIfNotFound = 2}, {})) << "only 1 asks";
  EXPECT_EQ(std::pair(IsLauncher("vP-L"), IsLauncher("vp-")), std::pair(true, false));
}

TEST(LayOut, FollowsTheWindowAndRefusesNegativeSizesButNotZero) {
  // The filter fills the space beside cmdLaunch; the new buttons follow the ones beside them.
  const std::string wide =
      "240 240 7890 7500|240 240 7890 7500|240 7740 2775 255|8370 840 7890 7020|"
      "3120 7740 5010 255|2055|3870|9585|9345|13500|840|5925|10800|12015|";
  MainLayout l = DesignLayout();
  for (const auto& [width, height, expected, why] :
       {std::tuple{16740.0f, 8700.0f, wide, "the worked example"},
        {900.0f, 1000.0f, wide, "too small: each size refused, the rest read from the kept ones"},
        {960.0f, 1680.0f,
         std::string("240 240 0 480|240 240 0 480|240 720 2775 255|480 840 0 0|"
                     "3120 720 5010 255|2055|3870|1695|1455|5610|840|5925|2910|4125|"),
         "zero is a size"}}) {
    LayOut(l, width, height);
    QString shown;  // four controls whole, then the lefts of some that move along
    for (const TwipsRect& r : {l.File1, l.List1, l.cmdLaunch, l.FraData, l.txtFilter}) {
      shown += QString::asprintf("%g %g %g %g|", r.Left, r.Top, r.Width, r.Height);
    }
    for (const TwipsRect& r : {l.cmdPRescan, l.cmdList, l.cmdDelInfo, l.cmdRules, l.cmdFlyer,
                               l.imgArt, l.cmdSort, l.cmdFavourite, l.cmdCheck}) {
      shown += QString::asprintf("%g|", r.Left);
    }
    EXPECT_EQ(shown.toStdString(), expected) << why;
  }
}

TEST(PlayStats, ShowPlaysSortTheTablesAndFoldNamesForFinding) {
  TempDir dir;
  dir.WriteFile("stats.ini", At("[Plays]\nb=3\nc.vpx=12\nd=3\n[LastPlayed]\nb=2026-12-01 10:00:00\n"
                                "c.vpx=2026-11-01 09:00:00\nd=2026-12-01 10:00:01\n[TimePlayed]\n"
                                "b=59\nc.vpx=3720\nd=600\n[Favourites]\nB=1\nc.vpx=0\n",
                                ""));
  SetFavourite(dir.path(), "a", true);
  RecordPlay(dir.path(), "a", "2026-12-07 08:00:00", 61);
  RecordPlay(dir.path(), "a", "2026-12-07 09:00:00", -5);  // a clock set back counts nothing
  // Most played first, then the last played; ties and tables never played keep name order.
  const std::pair<SortOrder, const char*> orders[] = {
      {SortOrder::kByName, "a.vpt b.vpt c.vpx d.vpt e.vpx "},
      {SortOrder::kMostPlayed, "c.vpx b.vpt d.vpt a.vpt e.vpx "},
      {SortOrder::kLastPlayed, "a.vpt d.vpt b.vpt c.vpx e.vpx "}};
  for (const auto& [order, expected] : orders) {
    std::vector<std::string> names = {"a.vpt", "b.vpt", "c.vpx", "d.vpt", "e.vpx"};
    SortTables(names, order, dir.path());
    std::string shown;
    for (const std::string& name : names) shown += name + " ";
    EXPECT_EQ(shown, expected) << SortCaption(order);
  }
  const std::pair<const char*, const char*> rows[] = {
      {"a", "Favourite:  yes|Played:  2 times, last on 2026-12-07 09:00, 1 min in all|"},
      {"b", "Favourite:  yes|Played:  3 times, last on 2026-12-01 10:00, under a minute in all|"},
      {"c.vpx", "Played:  12 times, last on 2026-11-01 09:00, 1 h 02 min in all|"},
      {"e.vpx", ""}};
  for (const auto& [key, expected] : rows) {
    std::string shown;
    for (const std::string& row : PlayStatsRows(ReadPlayStats(dir.path(), key))) shown += row + "|";
    EXPECT_EQ(shown, expected) << key;
  }
  EXPECT_EQ(Favourites(dir.path()), (std::unordered_set<std::string>{"a", "b"}));
  EXPECT_EQ(SortCaption(NextSortOrder(NextSortOrder(SortOrder::kLastPlayed))), "Sort: Most Played");
  EXPECT_EQ(FoldForSearch("\xC3\x89lan \xC3\x9C"
                          "BER \xEF\xAC\x81le"),
            "elan uber file");
}

std::string Head(const std::string& rom, const char* type = "PinMAME\nRom") {
  return "File Info:\n~\nVpt Name: T.vpt\nTable Type:  " + std::string(type) + " Name:  " + rom;
}
std::string GameBlock(const std::string& kind, const std::string& fields) {
  const std::vector<std::string> f = Split(fields, '|');
  return "\n\n" + kind + " Info:\n~\nName:  " + f[0] + "\nManufacturer:  " + f[2] +
         "\nYear:  " + f[1] + "\nParent Rom:  " + f[3];
}

TEST(InfoText, ShowsEachBlockKnownAndEndsWhereTheCatalogueFails) {
  TempDir dir;
  dir.WriteFile("info.ini", At("[Tabrin]\nBase=Star: Trek|a|b|c|d|e\nFive=Five|a|b|c|d\n[PMInfo]\n"
                               "abc=G|1990|M|p\nxyz=A|1981|S|\ntwo=T|1991\n",
                               ""));
  dir.WriteFile("blurb/Star Trek.txt", "\xFF\xFE" + ToUtf16Le("Two\r\nlines é") + "!");
  dir.WriteFile("rules/STAR TREK.TXT", ToUtf16Le("Rules"));
  dir.WriteFile("rules/Five.txt", ToUtf16Le("never read"));
  dir.WriteFile("tables/pinmame/roms/ABC.zip", "");  // where the simulator takes ROMs from
  dir.WriteFile("tables/T.directb2s", "");
  S settings;
  std::tie(settings.BlurbPath, settings.RulesPath, settings.DescPath, settings.TablePath) =
      std::tuple(dir.Path("blurb/"), dir.Path("rules/"), dir.Path("description/"),
                 dir.Path("tables/"));
  const std::string roms = "<d>/tables/pinmame/roms/";
  const std::string found = "\nROM file:  found in " + roms + "ABC.zip",
                    add_ons = "\nAdd-ons:  backglass file";
  // Each build starts from another table's variables: kept, replaced or cleared.
  WindowState last;
  for (std::string* old : {&last.PMName, &last.PMYear, &last.PMManufacturer, &last.PMParent,
                           &last.TableName, &last.RulesText, &last.DescFile, &last.SnapFile}) {
    *old = "old";
  }
  const std::string kept = "|||||old|old|old||";
  const auto dashed = [](const std::string& t) { return Replace(t, "~", std::string(35, '-')); };
  const std::tuple<const char*, const char*, std::string, std::string> rows[] = {
      // why, "ROM name,base name,alias,VPOnly": the text, TableName|RulesText|...|SnapFile
      {"every block; texts named after the table name without colons", "abc,Base,,0",
       Head("abc") + found + "\nParent ROM file:  missing (looked in " + roms + ")" + add_ons +
           "\n\nVisual Pinball Info:\n~\nTable Name:  Star: Trek\nAuthor:  a\nVersion:  "
           "b\nRelease Date: c\nEmail:  d\nWebsite:  e\nBlurb:  \xEF\xBB\xBFTwo\nlines é" +
           GameBlock("MAME", "G|1990|M|p"),
       "Star: Trek|Rules|@/rules/STAR TREK.TXT|||G|1990|M|p|"},
      {"a plain table's alias keys the game and stands in for the parent", "abc,abc,xyz,1",
       Head("abc", "Visual Pinball\nBase") + "\nAlias:  xyz" + add_ons +
           GameBlock("Extended", "A|1981|S|xyz"),
       "|||||A|1981|S|xyz|"},
      {"five table fields end the build", "abc,Five,xyz,0",
       Head("abc") + "\nAlias:  xyz" + found + add_ons, kept},
      {"two game fields end it, kept", "two,,,0",
       Head("two") + "\nROM file:  missing (looked in " + roms + ")" + add_ons,
       "|||||T|1991|old||"},
  };
  for (const auto& [why, identity, text, fields] : rows) {
    WindowState s = last;
    const std::vector<std::string> n = Split(identity, ',');
    std::tie(s.RomName, s.BaseName, s.RomAlias, s.VPOnly) =
        std::tuple(n[0], n[1], n[2], n[3] == "1");
    EXPECT_EQ(Replace(GetInfoText("T.vpt", dir.path(), settings, s), dir.path(), "<d>"),
              dashed(At(text, "")))
        << why;
    EXPECT_EQ(s.TableName + "|" + s.RulesText + "|" + s.RulesFile + "|" + s.DescText + "|" +
                  s.DescFile + "|" + s.PMName + "|" + s.PMYear + "|" + s.PMManufacturer + "|" +
                  s.PMParent + "|" + s.SnapFile,
              At(fields, dir.path()))
        << why;
  }
}

TEST(Artwork, IsLocalThenMameByAliasOrRomThenParentThenBaseNamePngFirstAndFitsTheFrame) {
  using enum ArtKind;
  const std::tuple<const char*, const char*, const char*, ArtKind, const char*> rows[] = {
      // why, files in the local (l?/) and MAME (m?/) folders, "ROM,alias,parent,base": found
      {"MAME when nothing is local", "ms/abc.png", "abc,,,B", kSnapShot, "ms/abc.png"},
      {"local first, by any name", "ms/abc.png ls/B.jpg", "abc,,,B", kSnapShot, "ls/B.jpg"},
      {"the ROM name before the base", "ls/B.png ls/abc.jpg", "abc,,,B", kSnapShot, "ls/abc.jpg"},
      {".png before .jpg", "ls/abc.jpg ls/abc.png", "abc,,,B", kSnapShot, "ls/abc.png"},
      {"the parent before the base name", "ls/B.png ls/p.jpg", "abc,,p,B", kSnapShot, "ls/p.jpg"},
      {"an alias hides the ROM name", "ls/abc.png ms/x.jpg", "abc,x,,B", kSnapShot, "ms/x.jpg"},
      {"colons leave the base name", "ms/AB.jpg", "abc,,,A:B", kSnapShot, "ms/AB.jpg"},
      {"any case, first by bytes", "ms/Zx.png ms/ZX.PNG ms/AA.png", "zx,,,B", kSnapShot,
       "ms/ZX.PNG"},
      {"any case for a later name", "ls/BASE.JPG", "abc,,,Base", kSnapShot, "ls/BASE.JPG"},
      {"no folder or hidden file", "ls/.png ls/p.png/ ls/p.jpg", ",,p,B", kSnapShot, "ls/p.jpg"},
      {"each kind its folders", "ls/abc.png mc/abc.png", "abc,,,B", kCabinet, "mc/abc.png"},
      {"a folder without its / is joined", "lfabc.png lg/abc.png", "abc,,,B", kFlyer, "lfabc.png"},
  };
  for (const auto& [why, files, identity, kind, found] : rows) {
    TempDir dir;
    for (const std::string& file : Split(files, ' ')) {
      file.ends_with("/") ? (void)dir.MakeDir(file) : (void)dir.WriteFile(file, "x");
    }
    S s;
    const std::string p = dir.path() + "/";
    std::tie(s.SnapPath2, s.BackglassPath2, s.CabPath2, s.FlyerPath2, s.SnapPath, s.BackglassPath,
             s.CabPath, s.FlyerPath) = std::tuple(p + "ls/", p + "lg/", p + "lc/", p + "lf",
                                                  p + "ms/", p + "mg/", p + "mc/", p + "mf/");
    const std::vector<std::string> n = Split(identity, ',');
    const WindowState state{.RomName = n[0], .BaseName = n[3], .RomAlias = n[1], .PMParent = n[2]};
    EXPECT_EQ(FindArtwork(kind, s, state), p + found) << why;
  }
  const auto rect = [](const TwipsRect& r) { return std::array{r.Left, r.Top, r.Width, r.Height}; };
  const TwipsRect was{840, 720, 1935, 1215};
  // The picture's and the frame's sizes: its place.
  for (const auto& [why, size, expected] :
       {std::tuple{"400 x 300 pixels: the width", std::array<float, 4>{6000, 4500, 8400, 7000},
                   TwipsRect{200, 300, 8000, 6000}},
        {"300 x 600: the height", {4500, 9000, 8400, 6800}, {2600, 400, 3000, 6000}},
        {"square: the height", {100, 100, 2000, 7000}, {-2200, 400, 6200, 6200}},
        {"no width: as it was", {0, 300, 8400, 7000}, was},
        {"no height: as it was", {300, 0, 8400, 7000}, was}}) {
    EXPECT_EQ(rect(SizeImage(size[0], size[1], size[2], size[3], was)), rect(expected)) << why;
  }
}

TEST(InfoText, ReadsAMebibyteOfARulesFileAndLessOfABlurbSayingWhereItIsCut) {
  TempDir dir;
  const std::string note =
      "\r\n\r\n[The text is cut here: only the first 1 MiB of the file are shown.]";
  for (const size_t bytes : {kMaxTextFileBytes, kMaxTextFileBytes + 1}) {
    const bool cut = bytes > kMaxTextFileBytes;  // "aa" is one character of three UTF-8 bytes
    const std::string text = GetTextFile(dir.WriteFile("t.txt", std::string(bytes, 'a')));
    EXPECT_EQ(std::pair(text.size(), text.ends_with(note)),
              std::pair(kMaxTextFileBytes / 2 * 3 + (cut ? note.size() : 0), cut));
  }
  dir.WriteFile("info.ini", "[Tabrin]\r\nB=B|||||\r\n");
  dir.WriteFile("blurb/B.txt", std::string(kMaxBlurbBytes + 2, 'a'));
  WindowState state{.BaseName = "B"};
  EXPECT_TRUE(GetInfoText("B.vpt", dir.path(), {.BlurbPath = dir.Path("blurb/")}, state)
                  .ends_with("only the first 64 KiB of the file are shown.]"));
}

TEST(PlayStats, TwoProgramsRecordingAtOnceLoseNoPlayAndCountsStayInRange) {
  TempDir dir;
  dir.WriteFile("stats.ini", At("[Plays]\nbig=99999999999999999999\nneg=-7\n[TimePlayed]\n"
                                "big=999999999999\n",
                                ""));
  const pid_t child = fork();  // a second window, recording the same table meanwhile
  for (int i = 0; i < 40; ++i) RecordPlay(dir.path(), "t", "2026-12-07 10:00:00", 2);
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  RecordPlay(dir.path(), "big", "2026-12-07 10:00:00", 60);
  std::string counts;
  for (const char* key : {"t", "big", "neg"}) {
    const PlayStats stats = ReadPlayStats(dir.path(), key);
    counts += std::to_string(stats.plays) + "/" + std::to_string(stats.seconds_played) + " ";
  }
  EXPECT_EQ(counts, "80/160 999999999999/999999999999 0/0 ");
}

TEST(NameViews, SortByTheFoldedNameNamelessLastAndTellEqualNamesApartByFile) {
  const std::vector<NameEntry> given = {{"z.vpx", "Zeta"},  {"e.vpx", "\xC3\x89lan"},
                                        {"n.vpt", ""},      {"afm.vpx", "Attack From Mars"},
                                        {"a.vpx", "elan"},  {"afm2.vpx", "attack from mars"},
                                        {"Caf\xE9.vpt", ""}};
  for (const auto& [by_name, expected] :
       {std::pair{true,
                  "Attack From Mars (afm.vpx)@afm.vpx|attack from mars (afm2.vpx)@afm2.vpx|\xC3\x89"
                  "lan (e.vpx)@e.vpx|elan (a.vpx)@a.vpx|Zeta@z.vpx|(n.vpt)@n.vpt|(Caf\xC3\xA9.vpt)@"
                  "Caf\xE9.vpt|"},
        {false,
         "Zeta@z.vpx|\xC3\x89lan (e.vpx)@e.vpx|(n.vpt)@n.vpt|Attack From Mars (afm.vpx)@"
         "afm.vpx|elan (a.vpx)@a.vpx|attack from mars (afm2.vpx)@afm2.vpx|(Caf\xC3\xA9.vpt)@"
         "Caf\xE9.vpt|"}}) {
    std::vector<NameEntry> entries = given;
    const std::vector<std::string> shown = ArrangeNameEntries(entries, by_name);
    std::string text;
    for (size_t i = 0; i < shown.size(); ++i) text += shown[i] + "@" + entries[i].file + "|";
    EXPECT_EQ(text, expected) << by_name;
  }
  EXPECT_EQ(FileSearchText("Caf\xE9.VPX") + "|" + FileSearchText("x.vbs"), "cafe|x.vbs");
}

TEST(Launch, AGameThatEndsAtOnceIsNoPlayAndSaysWhy) {
  const std::tuple<bool, int, long long, const char*> rows[] = {
      {false, 0, 100, "1 "},  // quit at once, but as a game ends
      {false, 3, 2999, "0 Visual Pinball stopped at once (status 3)"},
      {false, 3, 3000, "1 "},  // the simulator's statuses say little after a game
      {false, -1, 10, "1 "},   // not waited for
      {true, 11, 2999, "0 Visual Pinball crashed (signal 11)"},
      {true, 6, 3000, "1 Visual Pinball crashed (signal 6)"}};
  for (const auto& [crashed, status, milliseconds, expected] : rows) {
    const GameEnd end =
        JudgeGameEnd({.started = true, .crashed = crashed, .status = status}, milliseconds);
    EXPECT_EQ(std::to_string(end.counts) + " " + end.note, expected)
        << status << " " << milliseconds;
  }
}

TEST(WindowPlace, StaysWhereAScreenShowsEnoughOfItElseComesToThePrimaryScreen) {
  const std::vector<QRect> screens = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
  const QRect primary(0, 0, 1920, 1040);
  const std::tuple<const char*, QRect, QRect> rows[] = {
      {"on the first", {100, 100, 800, 600}, {100, 100, 800, 600}},
      {"on the second", {2000, 100, 800, 600}, {2000, 100, 800, 600}},
      {"64 pixels shown", {3136, 960, 800, 600}, {3136, 960, 800, 600}},
      {"63 wide", {3137, 100, 800, 600}, {0, 0, 800, 600}},
      {"63 high", {100, -537, 800, 600}, {0, 0, 800, 600}},
      {"a small one whole", {10, 10, 50, 40}, {10, 10, 50, 40}},
      {"no larger than the screen", {5000, 5000, 2500, 900}, {0, 0, 1920, 900}}};
  for (const auto& [why, place, expected] : rows) {
    EXPECT_EQ(PlaceOnScreens(place, screens, primary), expected) << why;
  }
  // A place is kept whole or not at all, and of a size that fits on any screen.
  TempDir dir;
  for (const char* place :
       {"Top=2 Width=300 Height=200", "Left=1 Width=300 Height=200", "Left=1 Top=2 Height=200",
        "Left=1 Top=2 Width=300", "Left=1 Top=2 Width=199 Height=200",
        "Left=1 Top=2 Width=300 Height=199", "Left=1 Top=2 Width=300 Height=200"}) {
    dir.WriteFile("orvane.ini", "[Window]\r\n" + Replace(place, " ", "\r\n"));
    const bool whole = std::string(place) == "Left=1 Top=2 Width=300 Height=200";
    EXPECT_EQ(ReadWindowPlace(dir.path()).value_or(QRect()),
              whole ? QRect(1, 2, 300, 200) : QRect())
        << place;
  }
}

// Declining the emulator and the art folders keeps their defaults; a fresh install asks.
TEST(Wizard, NoToTheEmulatorAndTheArtFoldersKeepsTheirDefaultsAndAFreshInstallAsks) {
  TempDir dir;
  dir.MakeDir("tables");
  dir.WriteFile("vp/VPinballX.ini", "");
  fs::permissions(dir.WriteFile("vp/VPinballX_GL", ""), fs::perms::owner_all);
  EXPECT_TRUE(NeedsFirstRun(dir.path(), {}));
  dir.WriteFile("orvane.ini", At("[Dirs]\nMAMEPath=/m/\nSnapPath2=/old/\n", ""));
  EXPECT_EQ(std::pair(NeedsFirstRun(dir.path(), {}), NeedsFirstRun(dir.path(), {.FirstRun = 1})),
            std::pair(false, true));
  ScriptedDialogs dialogs;
  dialogs.Press(MessageResult::kOk).Type(dir.Path("vp")).Type("VPinballX_GL");
  dialogs.Type(dir.Path("tables")).Press(MessageResult::kNo).Press(MessageResult::kNo);
  dialogs.Press(MessageResult::kNo).Press(MessageResult::kCancel).Press(MessageResult::kOk);
  struct : WizardHost {
    void PointFile1At(const std::string&) override {}
    void Rescan() override {}
  } host;
  S s;
  GetSettings(dir.path(), s);
  ASSERT_TRUE(FirstRun(dir.path(), s, dialogs, host));
  GetSettings(dir.path(), s);
  EXPECT_EQ(std::tuple(dialogs.shown().at(2).default_text, s.SnapPath2, s.CabPath2, s.SnapPath,
                       ProfileHasKey("Dirs", "CabPath2", dir.Path("orvane.ini")),
                       dir.ReadFile("tabrin.ini")),
            std::tuple("VPinballX_GL", dir.Path("vp/snap/"), dir.Path("vp/cabinets/"), "/m/snap/",
                       false, At("[VP]\nArtPath=@/vp/\n[MAME]\nPath=\nExe=\n", dir.path())));
}

TEST(Images, BitmapsHoldOpaquePicturesInDevicePixelsAndGraphicsDrawsWhileItsDeviceIsFree) {
  TempDir dir;
  cBitmap b;
  std::vector<long> errors;  // each failed step: the load, then the format and size queries
  QObject::connect(&b, &cBitmap::Error, [&](long status, QString) { errors.push_back(status); });
  const QString png = QString::fromStdString(SavePicture(dir.Path("a.png"), Qt::red, {40, 30}));
  for (const auto& [why, file, status, width] :
       {std::tuple{"a PNG", png, 0L, 40L},
        {"a missing file", png + "x", 10L, 0L},
        {"a folder", QString::fromStdString(dir.path()), 10L, 0L},
        {"no picture inside", QString::fromStdString(dir.WriteFile("j.png", "junk")), 13L, 0L}}) {
    errors.clear();
    EXPECT_EQ((std::tuple{b.LoadFromFile(file), b.Width(), b.Picture().isNull(), errors.size()}),
              std::tuple(status, width, status != 0, status ? 3u : 0u))
        << why;
  }
  uchar pixels[4] = {0, 1};  // two indexed pixels, the second transparent: black when shown
  const auto scan = [&](int w, int h, int s) {  // refused without width, height or bytes
    return b.CreateFromScan0(w, h, s, QImage::Format_Indexed8, pixels);
  };
  EXPECT_EQ((std::tuple{scan(0, 1, 4), scan(1, 0, 4), scan(2, 1, 1), scan(2, 1, 2)}),
            std::tuple(2L, 2L, 2L, 0L));
  ASSERT_EQ(b.SetPalette({qRgb(1, 2, 3), qRgb(4, 5, 6)}), 0);
  b.SetTransColor(257);  // the low eight bits: entry 1
  const QImage shown = b.Picture().toImage();
  EXPECT_EQ(std::pair(shown.pixel(0, 0), shown.pixel(1, 0)),
            std::pair(qRgb(1, 2, 3), qRgb(0, 0, 0)));
  // Qt reads an "@2x" file at half its pixel size: 201 x 199 pixels are 100.5 x 99.5.
  ASSERT_EQ(b.LoadFromFile(
                QString::fromStdString(SavePicture(dir.Path("a@2x.png"), Qt::red, {201, 199}))),
            0);
  EXPECT_EQ(std::pair(b.Width(), b.Height()), std::pair(100L, 100L));

  QImage surface(20, 20, QImage::Format_RGB32), dot(1, 1, QImage::Format_RGB32);
  surface.fill(Qt::white);
  dot.fill(Qt::black);
  cGraphics g;
  ASSERT_EQ(g.CreateFromHDC(&surface), 0);
  // A rotation by 90 and a translation by (10, 0), the second before or after the first.
  const std::tuple<bool, int, QPointF> orders[] = {{false, 0, QPointF(10, 1)},
                                                   {false, 1, QPointF(0, 11)},
                                                   {true, 0, QPointF(0, 11)},
                                                   {true, 1, QPointF(10, 1)}};
  for (const auto& [rotate_first, order, one_zero_to] : orders) {
    ASSERT_EQ(g.ResetTransform(), 0);
    rotate_first ? g.RotateTransform(90) : g.TranslateTransform(10, 0);
    rotate_first ? g.TranslateTransform(10, 0, order) : g.RotateTransform(90, order);
    EXPECT_EQ(g.Handle()->worldTransform().map(QPointF(1, 0)), one_zero_to) << order;
  }
  ASSERT_EQ(g.ResetTransform(), 0);
  // A bad order, nothing kept to give back, the device kept: drawing waits; given back: drawn.
  EXPECT_EQ(
      (std::tuple{g.RotateTransform(9, 2), g.ReleaseDC(), g.GetDC(), g.DrawImageI(&dot, 3, 4),
                  g.ReleaseDC(), g.DrawImageI(&dot, 1, 1), g.DrawImageRectI(&dot, 9, 9, 5, 5)}),
      std::tuple(2L, 2L, 0L, 4L, 0L, 0L, 0L));
  g.Dispose();
  EXPECT_EQ(std::tuple(surface.pixel(3, 4), surface.pixel(1, 1), surface.pixel(13, 13)),
            std::tuple(qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(0, 0, 0)));
}

// The window, recording the files it would open in the system's viewer and its artwork loads.
struct Form : Form1 {
  using Form1::Form1;
  void OpenFileExternally(const std::string& path) override { opened += path; }
  void LoadPictures() override { Form1::LoadPictures(), ++loads; }
  // The settings window stands in for by what the test saves.
  bool EditSettings() override { return edit_settings && (edit_settings(), true); }
  std::string opened;
  int loads = 0;
  std::function<void()> edit_settings;
};

class Window : public testing::Test {
 protected:
  Window() : cwd_(QDir::currentPath()), tables_(dir_.MakeDir("tables")) {}
  ~Window() override { QDir::setCurrent(cwd_); }  // a program run moves the process

  std::string Write(const std::string& file, const std::string& text) {
    return dir_.WriteFile(file, At(text, dir_.path()));
  }
  // orvane.ini: `settings` and `dirs` first (the first of a key counts), then the test's own.
  void Settings(const std::string& settings = "", const std::string& dirs = "") {
    Write("orvane.ini", "[Settings]\n" + settings + "ScanIfNotFound=0\n[Dirs]\n" + dirs +
                            "TablePath=@/tables/\nVPPath=@/vp/\nMAMEPath=@/mame/\n");
  }
  // The ROM files of `roms`, where the simulator takes them from for the table folder.
  void Roms(std::initializer_list<const char*> roms) {
    for (const char* rom : roms)
      dir_.WriteFile("tables/pinmame/roms/" + std::string(rom) + ".zip", "");
  }
  void Table(const std::string& key, const std::string& name = "", const std::string& rom = "") {
    if (!rom.empty()) dir_.WriteFile("tables/pinmame/roms/" + rom + ".zip", "");
    const std::string script = "Controller.GameName = \"" + rom + "\"\r\n";
    ASSERT_TRUE(WriteTable(tables_ + "/" + key + ".vpt", {.table_name = name, .script = script}));
  }
  void Install(const std::string& program, const std::string& name) {
    fs::copy_file(program, dir_.WriteFile(name, ""), fs::copy_options::overwrite_existing);
  }
  Form& Open() {
    form_ = std::make_unique<Form>(dir_.path(), dialogs_);
    form_->Form_Load();
    form_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    return *form_;
  }
  // The runs logged by tools/fake-vpinball, a line "folder|argument|..." each, "@" for ours.
  std::string Runs(const std::string& log) const {
    const std::string runs = Replace(Replace(dir_.ReadFile(log), "\narg=", "|"), "run\ncwd=", "");
    return Replace(runs.substr(0, runs.empty() ? 0 : runs.size() - 1), dir_.path(), "@");
  }
  void Run(const Steps& steps, const std::function<std::string()>& describe) {
    for (const auto& [why, act, expected] : steps) {
      act();
      EXPECT_EQ(describe(), expected) << why;
    }
  }
  static std::string Entries(const QListWidget* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) entries << list->item(i)->text();
    return list->isHidden() ? "hidden" : entries.join("|").toStdString();
  }
  static constexpr auto Then = [](auto... actions) { return [=] { (actions(), ...); }; };
  static constexpr auto Pick = [](QListWidget* list, int row) {
    return [=] {
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                        list->visualItemRect(list->item(row)).center());
    };
  };
  // Clicks `widget`, or presses `key` in it.
  static constexpr auto Press = [](QWidget* widget, Qt::Key key = Qt::Key(0)) {
    return [=] { key ? QTest::keyClick(widget, key) : QTest::mouseClick(widget, Qt::LeftButton); };
  };

  TempDir dir_;
  QString cwd_;
  std::string tables_;
  ScriptedDialogs dialogs_;
  std::unique_ptr<Form> form_;
};

TEST_F(Window, BrowsesTheTablesInThreeAlignedViewsAndPlaysTheOneSelected) {
  Install(TOOLS_DIR "/fake-vpinball", "vp/VPinball912.exe");
  Install(TOOLS_DIR "/fake-vpinball", "vp/VP-Launcher");
  Settings();
  for (const char* key : {"c", "B", "a", "d d"}) Table(key);
  Write("tables/notes.txt", "");
  dir_.MakeDir("vp/blurb/Alpha Table.txt");  // a folder, no blurb: the game's name still comes
  Write("names.ini", "[VP]\na=Alpha\nB=Beta\nd d=Delta\n[PinMAME]\na=a_rom\nB=b_rom\n");
  Roms({"a_rom", "b_rom"});
  // A PinMAME table's alias goes by its ROM name, a plain table's by its base name.
  Write("alias.ini", "[Alias]\nb_rom=b_alias\nBeta=wrong\nDelta=d_alias\n");
  Write("info.ini", "[Tabrin]\nAlpha=Alpha Table|||||\n[PMInfo]\na_rom=Alpha Game|1990|M|\n");
  Form& form = Open();
  EXPECT_EQ(Entries(form.File1), "a.vpt|B.vpt|c.vpt|d d.vpt");
  QKeyEvent held(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "", true);
  const std::string a = "0 a_rom|Alpha|0| / ", b = "1 b_rom|Beta|0|b_alias / ",
                    d = "3 Delta|Delta|1|d_alias / ", play = " / @/vp|-play|-@/tables/",
                    files = "hidden / View by PinMAME Name / File1 ",
                    names = "Alpha Game|b_alias|d_alias| / View by Table Name / List1 ";
  // No name inherits the one before, nameless ones last; after a game the list has the keys.
  Run({{"the first table", [] {}, a + files + "1 / "},
       {"keys move", Press(form.File1, Qt::Key_Down), b + files + "2 / "},
       {"Enter plays", Press(form.File1, Qt::Key_Return), b + files + "2" + play + "B.vpt"},
       {"a held key plays once", [&] { QApplication::sendEvent(form.File1, &held); },
        b + files + "2 / "},
       {"the mouse selects", Pick(form.File1, 3), d + files + "3 / "},
       {"Ctrl plays", Press(form.File1, Qt::Key_Control), d + files + "3" + play + "d d.vpt"},
       {"so does the button", Press(form.cmdLaunch), d + files + "3" + play + "d d.vpt"},
       {"by game name, pictures for the first table only", Press(form.cmdList), a + names + "4 / "},
       {"by table name", Press(form.cmdList),
        a + "Alpha Table|b_alias|d_alias| / View by File Name / List1 5 / "},
       {"by file name", Press(form.cmdList), a + files + "5 / "},
       {"F5 keeps the table, by its row in the list shown",
        Then(Pick(form.File1, 3), Press(form.File1, Qt::Key_F5)), d + files + "7 / "},
       {"a name selects its file", Then(Press(form.cmdList), Pick(form.List1, 2)),
        d + names + "9 / "},
       {"F5 keeps it", Press(form.List1, Qt::Key_F5), d + names + "10 / "},
       {"so do keys", Press(form.List1, Qt::Key_Home), a + names + "11 / "},
       {"F5 reads the files again, their names anew, and keeps the table selected",
        Then([&] { Table("e"), fs::remove(tables_ + "/c.vpt"); }, Press(form.List1, Qt::Key_F5)),
        a + "Alpha Game|b_alias|d_alias| / View by Table Name / List1 13 / "},
       {"a launcher gets the bare path",
        Then([&] { Settings("", "VPExe=VP-Launcher\n"), Open().cmdList_Click(); },
             [&] { Pick(form_->List1, 2)(), QTest::mouseClick(form_->cmdLaunch, Qt::LeftButton); }),
        "2 Delta|Delta|1|d_alias / Alpha Game|b_alias|d_alias| / View by Table Name / List1 3 / "
        "@/vp|@/tables/d d.vpt"}},
      [&] {  // the file selected and its identity, the names, the view button, focus, loads, game
        const WindowState& s = form_->state();
        const std::string game = Runs("vp/fake-vpinball.log");
        fs::remove(dir_.Path("vp/fake-vpinball.log"));
        return std::to_string(form_->File1->currentRow()) + " " + s.RomName + "|" + s.BaseName +
               "|" + std::to_string(s.VPOnly) + "|" + s.RomAlias + " / " + Entries(form_->List1) +
               " / " + form_->cmdList->text().toStdString() + " / " +
               form_->focusWidget()->objectName().toStdString() + " " +
               std::to_string(form_->loads) + " / " + game;
      });
  form_->File1->setCurrentRow(0);  // selected in the file list, highlighted in the names
  EXPECT_EQ(form_->List1->currentRow(), 0);
}

// At a cabinet: Visual Pinball X gets its two arguments; Ctrl plays alone only; the keys stay
// with the list after any button; one game at a time; a program that cannot start says so; the
// row shown is the one played, after a rescan too; the frame refits; the window's place is kept.
TEST_F(Window, AtTheCabinetTheRowHighlightedIsTheTableShownAndPlayed) {
  Install(TOOLS_DIR "/fake-vpinball", "vp/VPinballX_GL");
  Install(TOOLS_DIR "/fake-vpinball", "tabrin");
  Settings("", "VPExe=VPinballX_GL\n");
  Table("a"), Table("b");
  ASSERT_TRUE(WriteTable(tables_ + "/c.VPX", {.table_name = "C"}));
  Write("names.ini", "[VP]\na=A\nb=B\nc.VPX=C\n");
  Form& form = Open();
  const std::string log = "vp/fake-vpinball.log";
  const auto played = [&] {
    const std::string runs = Runs(log);
    fs::remove(dir_.Path(log));
    return std::to_string(form.File1->currentRow()) + form.state().BaseName + " " + runs;
  };
  QTest::keyPress(form.File1, Qt::Key_Control);
  QTest::keyClick(form.File1, Qt::Key_End, Qt::ControlModifier);
  QTest::keyRelease(form.File1, Qt::Key_Control);
  EXPECT_EQ(played(), "2C ");
  QTest::keyPress(form.File1, Qt::Key_Control);
  QTest::keyRelease(form.File1, Qt::Key_Control);
  EXPECT_EQ(played(), "2C @/vp|-play|@/tables/c.VPX");
  for (QPushButton* button : {form.cmdRules, form.cmdDesc, form.cmdEditInfo, form.cmdRescan}) {
    if (button == form.cmdEditInfo) dialogs_.Cancel();
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home);
    EXPECT_EQ(form.File1->currentRow(), 0) << button->text().toStdString();
    form.File1->setCurrentRow(2);
  }
  qputenv("FAKE_VPINBALL_SECONDS", "1");
  QTimer::singleShot(500, [&] { QTest::keyClick(form.File1, Qt::Key_Return); });
  QTest::keyClick(form.File1, Qt::Key_Return);
  qunsetenv("FAKE_VPINBALL_SECONDS");
  EXPECT_EQ(played(), "2C @/vp|-play|@/tables/c.VPX");
  form.settings().VPExe = "missing";
  dialogs_.Press(MessageResult::kOk);
  QTest::mouseClick(form.cmdLaunch, Qt::LeftButton);
  EXPECT_EQ(dialogs_.shown().back().text.substr(0, 35), "Visual Pinball could not be started");
  // A rescan keeps the table, highlighted in a name view too; one that drops it says so.
  form.cmdList_Click();
  QTest::keyClick(form.List1, Qt::Key_End);
  const auto rescan = [&form] {
    QTest::mouseClick(form.cmdRescan, Qt::LeftButton);
    return std::to_string(form.List1->currentRow()) + " " +
           form.lblInfo->text().section("\r\n", 0, 2).toStdString();
  };
  EXPECT_EQ(rescan(), "2 File Info:\r\n" + std::string(35, '-') + "\r\nVpt Name: c.VPX");
  form.txtFilter->setText("c");
  fs::remove(tables_ + "/c.VPX");
  EXPECT_EQ(rescan(), "-1 No table matches \"c\".");
  form.txtFilter->clear();
  EXPECT_EQ(form.state().BaseName, "A");
  form.resize(form.width() + 150, form.height() + 90);
  EXPECT_EQ(form.lblInfoScroll->width(), TwipsToPixels(form.layout().FraData.Width - 400));
  const int width = form.width();
  form.move(31, 42);
  form.close();
  Open();
  EXPECT_EQ(std::pair(form_->width(), form_->pos()), std::pair(width, QPoint(31, 42)));
  // At its least size no two buttons (nor the filter) meet, and each is inside the window.
  form_->resize(1, 1);
  QList<QWidget*> controls = {form_->txtFilter};
  for (QPushButton* button : form_->findChildren<QPushButton*>()) controls << button;
  for (const QWidget* control : controls) {
    const std::string name = control->objectName().toStdString();
    EXPECT_TRUE(form_->rect().contains(control->geometry())) << name;
    for (const QWidget* other : controls) {
      EXPECT_TRUE(other == control || !other->geometry().intersects(control->geometry()))
          << name << " " << other->objectName().toStdString();
    }
  }
  // A place on a screen since removed comes back to the primary screen.
  ProfileWriteAll({{"Window", "Left", "5000"}, {"Window", "Top", "-4000"}},
                  dir_.Path("orvane.ini"));
  EXPECT_EQ(Open().pos(), QPoint(0, 0));
}

// The table folder is followed while the window is open; F6 opens the settings, and what is
// saved there takes effect at once.
TEST_F(Window, TheListFollowsTheFolderAndTheSettingsTakeEffectWhenSaved) {
  Settings();
  Install(TABRIN_BINARY, "tabrin");
  Table("a", "Alpha");
  Form& form = Open();
  QTest::mouseClick(form.cmdRescan, Qt::LeftButton);
  EXPECT_EQ(Entries(form.File1), "a.vpt");
  Table("b", "Bravo");
  const std::string names = dir_.Path("names.ini");
  EXPECT_TRUE(QTest::qWaitFor([&] { return !ProfileRead("VP", "b", names).empty(); }));
  EXPECT_EQ(Entries(form.File1), "a.vpt|b.vpt");
  EXPECT_EQ(ProfileRead("VP", "b", names), "Bravo") << "scanned in the background";
  EXPECT_EQ(form.File1->FileName(), "a.vpt") << "the selection stays";
  // A newer version under the same name is read again by a rescan, which says so.
  Table("a", "Alpha Two");
  QTest::mouseClick(form.cmdRescan, Qt::LeftButton);
  EXPECT_TRUE(form.FraData->title().endsWith("  (1 changed table renewed)"))
      << form.FraData->title().toStdString();
  EXPECT_EQ(ProfileRead("VP", "a", names), "Alpha Two");
  form.edit_settings = [&] {
    ProfileWrite("Dirs", "TablePath", dir_.MakeDir("other") + "/", dir_.Path("orvane.ini"));
  };
  dir_.WriteFile("other/z.vpx", "");
  QTest::keyClick(form.File1, Qt::Key_F6);
  EXPECT_EQ(Entries(form.File1), "z.vpx");
  EXPECT_EQ(form.File1->FileName(), "z.vpx");
  EXPECT_EQ(form.model().folder_watch().folder(), dir_.Path("other"));
}

// The name views come from the collection in memory while the catalogue is as it was read, and
// from the catalogue anew once any of its files changed, whoever wrote it.
TEST_F(Window, NameViewsShowWhatAnotherProgramWroteIntoTheCatalogue) {
  Settings();
  Table("a"), Table("b");
  Write("names.ini", "[VP]\na=Alpha\nb=Beta\n[PinMAME]\na=a_rom\n");
  Write("info.ini", "[Tabrin]\nBeta=Beta Table|||||\n[PMInfo]\na_rom=Alpha Game|1990|M|\n");
  Form& form = Open();
  const char* const rows[][3] = {
      // a file written, its text, then the PinMAME-name view
      {nullptr, nullptr, "Alpha Game|Beta"},
      {"names.ini", "[VP]\na=Alpha\nb=Bravo\n[PinMAME]\na=a_rom\n", "Alpha Game|Bravo"},
      {"info.ini", "[PMInfo]\na_rom=Alpha Again|1990|M|\n", "Alpha Again|Bravo"},
      {"alias.ini", "[Alias]\na_rom=a_alias\n", "a_alias|Bravo"},
  };
  for (const auto& row : rows) {
    if (row[0] != nullptr) Write(row[0], row[1]);
    for (form.cmdList_Click(); form.state().ViewMode != 1;) form.cmdList_Click();
    EXPECT_EQ(Entries(form.List1), row[2]) << (row[0] ? row[0] : "as read at start");
  }
}

// orvane.ini [Launch] and [Launch.KEY]: the simulator's exact arguments and environment, and
// the programs run before and after it, whose failure is told but costs no game.
TEST_F(Window, LaunchSettingsGiveTheExactArgumentsAndRunTheProgramsAround) {
  const char* game =
      "#!/bin/sh\nprintf '%s|' \"$@\" \"FOO=$FOO\" >>\"${0%/*}/log\"\necho >>\"${0%/*}/log\"\n";
  fs::permissions(dir_.WriteFile("vp/VPinballX_GL", game), fs::perms::owner_all);
  fs::permissions(dir_.WriteFile("vp/around", "#!/bin/sh\necho \"around $*\" >>\"${0%/*}/log\"\n"),
                  fs::perms::owner_all);
  Settings("", "VPExe=VPinballX_GL\n");
  Write("orvane.ini", dir_.ReadFile("orvane.ini") +
                          "[Launch]\nArguments=-ini \"my file.ini\"\nBefore=around start "
                          "\"two words\"\nAfter=around end\nEnvironment=FOO=bar baz; =x;BAD\n"
                          "[Launch.b]\nArguments=-Minimized\nBefore=missing-program\n"
                          "After=sh -c \"exit 4\"\n");
  Table("a"), Table("b");
  Form& form = Open();
  const auto play = [&](int row) {
    Pick(form.File1, row)();
    QTest::keyClick(form.File1, Qt::Key_Return);
    std::string log = Replace(dir_.ReadFile("vp/log"), dir_.path(), "@");
    fs::remove(dir_.Path("vp/log"));
    return log + form.lblInfo->text().section("\r\n", 0, 0).toStdString();
  };
  EXPECT_EQ(play(0),
            "around start two words\n-ini|my file.ini|-play|@/tables/a.vpt|FOO=bar baz|\n"
            "around end\nFile Info:");
  // The table's own section wins key by key; a program before that cannot start is told.
  EXPECT_EQ(play(1),
            "-Minimized|-play|@/tables/b.vpt|FOO=bar baz|\n"
            "The program to run before the game could not be started: \"missing-program\".");
  EXPECT_NE(dir_.ReadFile("orvane.log").find("The program run after the game failed (status 4)"),
            std::string::npos);
  EXPECT_NE(form.lblInfo->text().toStdString().find("Played:  1 time"), std::string::npos);
  // A table whose ROM file the simulator would not find is asked about first.
  Write("names.ini", "[VP]\na=A\n[PinMAME]\na=abc_l3\n");
  Pick(form.File1, 0)();
  dialogs_.Press(MessageResult::kNo);
  EXPECT_EQ(play(0), "File Info:") << "not played";
  EXPECT_EQ(dialogs_.shown().back().text.substr(0, 42),
            "The ROM file abc_l3.zip, was not found in ");
  dialogs_.Press(MessageResult::kYes);
  EXPECT_NE(play(0).find("-play|@/tables/a.vpt"), std::string::npos) << "played all the same";
  dir_.WriteFile("tables/pinmame/roms/abc_l3.zip", "");
  const size_t asked = dialogs_.shown().size();
  EXPECT_NE(play(0).find("-play|@/tables/a.vpt"), std::string::npos);
  EXPECT_EQ(dialogs_.shown().size(), asked) << "with the ROM file there, nothing is asked";
}

// With ShareWithInfoFiles=1 the favourite mark and the plays also go into a table's details
// file, every byte outside its "User" part kept; the panel shows the details.
TEST_F(Window, PlaysAndFavouritesAreSharedWithTheDetailsFile) {
  fs::permissions(dir_.WriteFile("vp/VPinballX_GL", "#!/bin/sh\nexit 0\n"), fs::perms::owner_all);
  Settings("", "VPExe=VPinballX_GL\n");
  Write("orvane.ini", dir_.ReadFile("orvane.ini") + "[Stats]\nShareWithInfoFiles=1\n");
  Table("a", "Alpha");
  const std::string outside =
      "{\n  \"Info\": {\"Title\": \"Alpha Deluxe\", \"Year\": 1993, "
      "\"Odd\" : [1,2]},\n  \"User\": {\"Rating\": 4, \"Favorite\": false}";
  dir_.WriteFile("tables/a.info", outside + ",\n  \"Extra\": null\n}\n");
  Form& form = Open();
  EXPECT_NE(form.lblInfo->text().toStdString().find("Title:  Alpha Deluxe\r\nManufacturer:  "
                                                    "\r\nYear:  1993"),
            std::string::npos);
  QTest::keyClick(form.File1, Qt::Key_Return);
  QTest::keyClick(form.File1, Qt::Key_F2);
  const std::string after = dir_.ReadFile("tables/a.info");
  EXPECT_EQ(after.substr(0, 70), outside.substr(0, 70));
  EXPECT_NE(after.find("\"Rating\": 4, \"Favorite\": true"), std::string::npos) << after;
  EXPECT_NE(after.find("\"StartCount\": 1"), std::string::npos) << after;
  EXPECT_TRUE(after.ends_with("},\n  \"Extra\": null\n}\n")) << after;
}

// Without a backglass picture the window shows the one inside the table's backglass file, kept
// decoded beside the catalogue and renewed when the file changes.
TEST_F(Window, ABackglassFileShowsWhenThereIsNoBackglassPicture) {
  Settings();
  Table("a", "Alpha");
  const auto backglass_file = [&](QColor color) {
    Write("tables/A.DIRECTB2S", DirectB2SText(color, {40, 30}));
  };
  backglass_file(Qt::blue);
  Form& form = Open();
  const auto shown = [&] {
    QTest::mouseClick(form.cmdGlass, Qt::LeftButton);
    const QImage image = form.imgArt->pixmap().toImage();
    return std::pair(image.isNull() ? QColor() : image.pixelColor(5, 5),
                     Replace(form.state().BackglassFile, dir_.path(), "@").substr(0, 18));
  };
  EXPECT_EQ(shown(), std::pair(QColor(Qt::blue), std::string("@/cache/backglass/")));
  QTest::qWait(20);  // another version of the file, told by its time and size
  backglass_file(Qt::red);
  QTest::keyClick(form.File1, Qt::Key_F5);  // read again
  EXPECT_EQ(shown().first, QColor(Qt::red));
}

// A name that is no UTF-8 shows as Windows-1252 and is scanned and played by its bytes; a game
// that ends at once is no play and says why; a table gone is not played; files that cannot be
// written are told, once.
TEST_F(Window, ANameThatIsNoUtf8IsUsedByItsBytesAndWhatFailsIsTold) {
  Install(TABRIN_BINARY, "tabrin");
  const char* game = "#!/bin/sh\nprintf '%s|' \"$@\" >>\"${0%/*}/log\"\n. \"${0%/*}/end\"\n";
  fs::permissions(dir_.WriteFile("vp/VPinballX_GL", game), fs::perms::owner_all);
  Settings("ScanIfNotFound=1\n", "VPExe=VPinballX_GL\n");
  Table("b"), Table("Caf\xE9", "Cafe", "cafe_l1");
  Form& form = Open();
  Pick(form.File1, 1)();
  EXPECT_EQ(form.File1->item(1)->text().toStdString() + " " + form.state().RomName + " " +
                form.lblInfo->text().section("\r\n", 2, 2).toStdString(),
            "Caf\xC3\xA9.vpt cafe_l1 Vpt Name: Caf\xC3\xA9.vpt");
  const auto play = [&](const std::string& end) {
    Write("vp/end", end);
    QTest::keyClick(form.File1, Qt::Key_Return);
    const std::string log = Replace(dir_.ReadFile("vp/log"), dir_.path(), "@"),
                      info = Replace(form.lblInfo->text().toStdString(), dir_.path(), "@");
    fs::remove(dir_.Path("vp/log"));
    return log + " " + info.substr(0, info.find('\r')) +
           (info.find("Played:  1 time") == std::string::npos ? "" : " +1");
  };
  const std::string played = "-play|@/tables/Caf\xE9.vpt| ";
  // What the simulator last said is kept in orvane.log, which the message names.
  const std::string see_log = "; its last messages are in @/orvane.log";
  for (const auto& [end, expected] :
       {std::pair{"echo 'ROM not found' >&2; exit 3",
                  played + "Visual Pinball stopped at once (status 3)" + see_log},
        {"kill -SEGV $$", played + "Visual Pinball crashed (signal 11)" + see_log},
        {"exit 0", played + "File Info: +1"}}) {
    EXPECT_EQ(play(end), expected) << end;
  }
  // Its last lines, then at once the next game's entry.
  EXPECT_NE(dir_.ReadFile("orvane.log")
                .find("Caf\xC3\xA9.vpt: ended (status 3) after 0 s\n  Visual "
                      "Pinball's last messages:\nROM not found\n20"),
            std::string::npos)
      << dir_.ReadFile("orvane.log");
  fs::remove(dir_.Path("stats.ini"));
  dir_.MakeDir("stats.ini");  // no file can replace it
  dialogs_.Press(MessageResult::kOk).Press(MessageResult::kOk).Press(MessageResult::kOk);
  play("exit 0"), play("exit 0");
  fs::remove(tables_ + "/Caf\xE9.vpt");
  EXPECT_EQ(play("exit 0"), " File Info:");  // not played, and b shown
  EXPECT_EQ(form.File1->count(), 1);
  fs::permissions(dir_.WriteFile("tabrin", "#!/bin/sh\nexit 3\n"), fs::perms::owner_all);
  Table("c");  // a folder changed meanwhile, in the file view
  QTest::mouseClick(form.cmdRescan, Qt::LeftButton);
  EXPECT_EQ(std::pair(form.List1->isHidden(), form.File1->count()), std::pair(true, 2));
  std::string told;
  for (const ShownBox& box : dialogs_.shown()) {
    told += Replace(box.text, dir_.path(), "@").substr(0, 44) + "|";
  }
  EXPECT_EQ(told,
            "\"@/stats.ini\" could not be written (is its f|The table \"Caf\xC3\xA9.vpt\" is no "
            "longer in the ta|The catalogue could not be written: tabrin c|");
}

// Finding as one types, in every view; favourites, plays and their order; the collection check.
TEST_F(Window, FindsAsTypedMarksFavouritesSortsByPlaysAndJumpsToWhatTheCheckFound) {
  Install(TOOLS_DIR "/fake-vpinball", "vp/VPinballX_GL");
  Settings("", "VPExe=VPinballX_GL\n");
  for (const char* key : {"a", "b", "c", "d"}) Table(key);
  // As Tabrin writes them: Windows-1252.
  Write("names.ini", "[VP]\na=\xC9lan Vital\nb=Bumper\nc=Cyclone\nd=Delta\n[PinMAME]\nb=b_rom\n");
  Roms({"b_rom"});
  Write("info.ini",
        "[PMInfo]\nb_rom=Bumper \xC9lite|1990|M|\n[RomSource]\nb=found in b.vbs, "
        "line 7: x = \"b_rom\"\n");
  Write("stats.ini", "[Favourites]\nc=1\n");
  Form& form = Open();
  const auto type = [&form](const char* text) {
    return [&form, text] { form.txtFilter->setText(text); };
  };
  const std::string names = "Bumper \xC3\x89lite|\xC3\x89lan Vital|\xE2\x98\x85 Cyclone|Delta";
  Run({{"a letter in the list opens the filter with it", Press(form.File1, Qt::Key_B),
        "1 b.vpt / txtFilter / b / "},
       {"Esc clears it and gives the keys back", Press(form.txtFilter, Qt::Key_Escape),
        "1 a.vpt|b.vpt|\xE2\x98\x85 c.vpt|d.vpt / File1 /  / "},
       {"the extension is no name", type("vpt"), "-1  / File1 / vpt / "},
       {"the table-name view, by name: without regard to case and accents",
        Then(Press(form.txtFilter, Qt::Key_Escape), Press(form.cmdList), Press(form.cmdList),
             type("ELAN")),
        "0 \xC3\x89lan Vital / List1 / ELAN / "},
       {"arrows and Enter work in the filter, over the rows shown",
        Then(type("it"), Press(form.txtFilter, Qt::Key_Up), Press(form.txtFilter, Qt::Key_Return)),
        "1 Bumper \xC3\x89lite|\xC3\x89lan Vital / List1 / it / @/vp|-play|@/tables/b.vpt"},
       {"Esc in the list after the game", Press(form.List1, Qt::Key_Escape),
        "1 Bumper \xC3\x89lite|\xE2\x98\x85 Cyclone|Delta|\xC3\x89lan Vital / List1 /  / "},
       {"no match: nothing left to play", type("zzz"), "-1  / List1 / zzz / "},
       {"F2 marks a favourite, * shows the favourites",
        Then(type("bump"), Press(form.List1, Qt::Key_F2), type("*")),
        "1 \xE2\x98\x85 Bumper \xC3\x89lite|\xE2\x98\x85 Cyclone / List1 / * / "},
       {"unmarked there, it stays", Press(form.List1, Qt::Key_F2),
        "1 Bumper \xC3\x89lite|\xE2\x98\x85 Cyclone / List1 / * / "},
       {"until the selection moves", Press(form.List1, Qt::Key_Down),
        "2 \xE2\x98\x85 Cyclone / List1 / * / "},
       {"F3 sorts by most played; the names follow, the table stays",
        Then(Press(form.List1, Qt::Key_Escape), Press(form.List1, Qt::Key_F3)),
        "2 " + names + " / List1 /  / "},
       {"F4 checks; a finding's table is selected, its filter cleared",
        Then(type("*"), Press(form.List1, Qt::Key_F4),
             [&] {
               QTreeWidget* tree = form.frmCheck->tvwFindings;
               tree->setCurrentItem(tree->findItems("d.vpt", Qt::MatchRecursive).front());
               QTest::keyClick(tree, Qt::Key_Return);
             }),
        "3 " + names + " / List1 /  / "}},
      [&] {  // the file selected, the rows shown, focus, the filter, the game played
        QStringList shown;
        const QListWidget* list = form.state().ViewMode == 0 ? form.File1 : form.List1;
        for (int i = 0; i < list->count(); ++i) {
          if (!list->isRowHidden(i)) shown << list->item(i)->text();
        }
        const std::string game = Runs("vp/fake-vpinball.log");
        fs::remove(dir_.Path("vp/fake-vpinball.log"));
        return std::to_string(form.File1->currentRow()) + " " + shown.join("|").toStdString() +
               " / " + QApplication::focusWidget()->objectName().toStdString() + " / " +
               form.txtFilter->text().toStdString() + " / " + game;
      });
  EXPECT_TRUE(form.frmCheck->isHidden());
  form.List1->setCurrentRow(2);
  EXPECT_EQ(form.cmdSort->text().toStdString() +
                ProfileRead("Window", "SortOrder", dir_.Path("orvane.ini")) + " " +
                form.cmdFavourite->text().toStdString(),
            "Sort: Most Played1 \xE2\x98\x85 Favourite");
  // The game played is counted, and the panel says where its ROM name came from.
  form.List1->setCurrentRow(0);
  const std::string info = form.lblInfo->text().toStdString();
  EXPECT_NE(info.find("Rom Name:  b_rom\r\n  found in b.vbs, line 7: x = \"b_rom\"\r\n"
                      "Played:  1 time, last on "),
            std::string::npos)
      << info;
  EXPECT_EQ(form.cmdFavourite->text().toStdString(), "Favourite");
}

// Start-up: a missing table folder says so; the wizard can be left, saving nothing; the rescan
// asked for waits for the window; a table picked while another is scanned is the one shown.
// The letter goes to the filter alone: the list must not also jump to the next name starting
// with it, away from the table that still matches.
TEST_F(Window, ALetterTypedInTheListFindsWithoutTheListsOwnJumpAndEscKeepsTheTableInSight) {
  Settings();
  Table("ab"), Table("b");
  for (int i = 10; i < 90; ++i) Write("tables/t" + std::to_string(i) + ".vpt", "");
  Form& form = Open();
  QTest::keyClick(form.File1, Qt::Key_B);
  EXPECT_EQ(form.File1->FileName() + " " + form.txtFilter->text().toStdString(), "ab.vpt b");
  form.txtFilter->setText("t8");
  QTest::keyClick(form.txtFilter, Qt::Key_Escape);
  EXPECT_EQ(form.File1->FileName(), "t80.vpt");
  EXPECT_TRUE(form.File1->viewport()->rect().contains(
      form.File1->visualItemRect(form.File1->currentItem())));
}

TEST_F(Window, StartUpSaysWhatIsMissingCanBeLeftAndShowsTheTablePickedDuringAScan) {
  Settings("", "TablePath=@/missing/\n");
  EXPECT_NE(Open().lblInfo->text().toStdString().find("does not exist.  Set TablePath"),
            std::string::npos);
  Settings("FirstRun=1\n");
  const std::string before = dir_.ReadFile("orvane.ini");
  dialogs_.Press(MessageResult::kOk), dialogs_.Cancel(), dialogs_.Press(MessageResult::kYes);
  EXPECT_FALSE(Form(dir_.path(), dialogs_).Form_Load());
  EXPECT_EQ(dir_.ReadFile("orvane.ini") + std::to_string(dir_.Exists("tabrin.ini")), before + "0");
  Install(TABRIN_BINARY, "real-tabrin");
  const std::string slow = "#!/bin/sh\nsleep 0.3\nexec \"$(dirname \"$0\")/real-tabrin\" \"$@\"\n";
  fs::permissions(dir_.WriteFile("tabrin", slow), fs::perms::owner_all);
  Table("a", "A", "a_l1"), Table("b", "B", "b_l1");
  Settings("RescanOnStart=1\n");
  Form(dir_.path(), dialogs_).Form_Load();
  EXPECT_FALSE(dir_.Exists("names.ini")) << "the rescan waits for the window";
  Settings("ScanIfNotFound=1\n");
  QTimer::singleShot(100, [&] { QTest::keyClick(form_->File1, Qt::Key_Down); });
  Form& form = Open();  // the first table is being scanned when Down comes
  EXPECT_EQ(std::pair(form.File1->currentRow(), form.state().BaseName),
            std::pair(1, std::string("B")));
  EXPECT_NE(form.lblInfo->text().toStdString().find("Vpt Name: b.vpt"), std::string::npos);
}

TEST_F(Window, StartUpRunsTheWizardOrAScanAsAskedAndAnUnknownTableIsScannedAloneWhenSelected) {
  Install(TABRIN_BINARY, "tabrin");
  for (const char* file : {"vp/VPinball912.exe", "mame/mame.exe", "mame/PinMAME.txt"})
    Write(file, "");
  fs::permissions(dir_.WriteFile("mame/mame64", ""), fs::perms::owner_all);  // the one program
  // Quotes in a name must not end its path and hand tabrin the rest: "-clear" would empty the
  // catalogue. In list order, so the later ones would clear what the earlier ones added.
  const char* const keys[] = {"\" -clear", "Night Table", "q\"\"\" -clear", "x\" -clear \"y"};
  for (int i = 0; i < 4; ++i) Table(keys[i], "N" + std::to_string(i), "rom" + std::to_string(i));
  // The wizard's answers, in "|" after "|" (no other start asks anything).
  const std::string answers =
      "<Ok>||<No>|@/nowhere/|<Ok>|@/vp|missing.exe|<Ok>|VPinball912.exe|@/"
      "tables|<Yes>|<No>|mame|mame64|<Yes>| /a/snap/ "
      "||<No>|/a/glass/|/a/cab/|/a/fly/|\\l\\snap\\|\\l\\glass\\|\\l\\cab\\|\\l\\fly\\|<Yes>|"
      "<Cancel>|<Ok>";
  const std::vector<std::string> buttons = {"<Ok>", "<Cancel>", "<Yes>", "<No>"};  // in order
  for (const std::string& answer : Split(At(answers, dir_.path()), '|')) {
    const long button = std::ranges::find(buttons, answer) - buttons.begin();
    button < 4 ? (void)dialogs_.Press(MessageResult(button)) : (void)dialogs_.Type(answer);
  }
  for (const auto& [why, settings, rom] :
       {std::tuple{"the start-up rescan before the first table", "RescanOnStart=1\n", "rom0"},
        {"no scan asked for", "", ""},
        {"the table selected scanned", "ScanIfNotFound=1\n", "rom0"},
        {"the wizard first, saying why until answers hold", "FirstRun=1\nRescanOnStart=1\n",
         "rom0"}}) {
    fs::remove(dir_.Path("names.ini"));
    Settings(settings, "TablePath=@/tables\n");  // without its "/"
    EXPECT_EQ(Open().state().RomName, rom) << why;
  }
  // The boxes in order: buttons and first words, or [default text]; "!" without the wizard's title.
  std::string boxes;
  for (const ShownBox& box : dialogs_.shown()) {
    const char* const button_names[] = {"Ok", "OkCancel", "YesNo"};
    boxes += (box.title.empty() ? "|!" : "|") +
             (box.is_input ? "[" + box.default_text + "]"
                           : button_names[int(box.buttons)] + (" " + box.text.substr(0, 8)));
  }
  const std::string asked =
      "|Ok It looks|[~/Visual Pinball/]|YesNo Leave th|[~/Visual Pinball/]|Ok There is"
      "|[@/nowhere/]|[VPinball912.exe]|Ok There is"
      "|[missing.exe]|[@/vp/tables/]|YesNo This FE |YesNo Click Ye|[/usr/games/]|[mame64]"
      "|!YesNo Now to S|[@/mame/snap/]|[@/mame/marquees/]|YesNo Leave th|[@/mame/marquees/]"
      "|[@/mame/cabinets/]"
      "|[@/mame/flyers/]|[\\snap\\]|[\\marquees\\]|[\\cabinets\\]|[\\flyers\\]|YesNo For Debu"
      "|OkCancel We will |Ok Setup Co";
  EXPECT_EQ(boxes, Replace(At(asked, dir_.path()), "~", QDir::homePath().toStdString()));
  EXPECT_EQ(dialogs_.remaining(), 0u);
  EXPECT_EQ(dialogs_.shown().at(4).text + dialogs_.shown().at(7).text,
            At("There is no folder \"@/nowhere/\".  Type the path of an existing folder.There is "
               "no program \"missing.exe\" in the folder \"@/vp/\".",
               dir_.path()));
  // Each answer written, and read again: folders absolute with their "/", MAME's in both files.
  const S& s = form_->settings();
  EXPECT_EQ(
      std::tuple(s.VPPath, s.VPExe, s.TablePath, s.SnapPath, s.FlyerPath2, s.ShowCommandPrompt,
                 s.ScanIfNotFound, s.FirstRun, s.MAMEExe, dir_.ReadFile("tabrin.ini")),
      std::tuple(
          dir_.Path("vp/"), "VPinball912.exe", tables_ + "/", "/a/snap/", dir_.Path("l/fly/"), 1, 1,
          0, "mame64",
          At("[VP]\nArtPath=@/vp/\n[MAME]\nIsPinMAME=1\nPath=@/mame/\nExe=mame64\n", dir_.path())));
  Run({{"a space", Pick(form_->File1, 1), "rom1 N1"},
       {"quotes", Pick(form_->File1, 2), "rom2 N2"},
       {"an option between quotes", Pick(form_->File1, 3), "rom3 N3"}},
      [&] { return form_->state().RomName + " " + form_->state().BaseName; });
  const StrictIni names = ReadStrictIni(dir_.ReadFile("names.ini"));
  EXPECT_EQ(std::pair(names.problem, names.EntryCount()), std::pair(std::string(), size_t(8)));
}

TEST_F(Window, DisplayButtonsSwitchTheFrameWhoseViewStaysAsTablesAreSelected) {
  Settings();
  for (const char* key : {"a", "b", "c"}) Table(key);
  Write("names.ini", "[PinMAME]\na=abc\n[VP]\na=Al: Pha\nb=Beta\n");
  Write("info.ini",
        "[Tabrin]\nAl: Pha=Al: Pha|Ann|1.0|2001|a.org|b.org\n"
        "Beta=Beta|||||\n[PMInfo]\nabc=Alpha Game|1991|Maker|\nxyz=Xyz Game|1993|X|\n");
  dir_.WriteFile("vp/rules/Al Pha.txt", ToUtf16Le("Rule one\r\nRule two"));
  const std::tuple<const char*, Qt::GlobalColor, int, int> pictures[] = {
      {"vp/snap/Al Pha.png", Qt::green, 3, 6},
      {"mame/snap/abc.png", Qt::red, 4, 3},
      {"mame/cabinets/abc.png", Qt::blue, 2, 4},
      {"vp/cabinets/Beta.png", Qt::cyan, 5, 10}};
  for (const auto& [file, colour, width, height] : pictures) {
    ASSERT_NE(SavePicture(dir_.Path(file), colour, {width, height}), "");
  }
  Write("vp/flyers/abc.png", "not a picture");
  Form& form = Open();
  const auto release = [&form] { QTest::mouseRelease(form.imgArt, Qt::LeftButton); };
  QWidget* const text = form.txtRules->viewport();
  const std::string alpha = "Game Info: Vpt Name: a.vpt / Parent Rom:  ";
  const auto lose = [&] { fs::remove_all(dir_.Path("vp")); };
  const auto write_rules = [&] { dir_.WriteFile("vp/rules/Beta.txt", ToUtf16Le("Its")); };
  dialogs_.Type("xyz").Cancel();
  Run({{"the information first", [] {}, alpha},
       {"the rules; a click opens them", Then(Press(form.cmdRules), Press(text)),
        "Table Rules: Rule one\nRule two opens @/vp/rules/Al Pha.txt"},
       {"the local snapshot; a release alone is no click", Then(Press(form.cmdSnapShot), release),
        "SnapShot: #00ff00"},
       {"a click opens it", Then(Press(form.imgArt), release),
        "SnapShot: #00ff00 opens @/vp/snap/Al Pha.png"},
       {"beta has none, nor alpha's to open", Then(Pick(form.File1, 1), Press(form.imgArt)),
        "SnapShot: none"},
       {"beta's cabinet", Press(form.cmdCab), "Cabinet: #00ffff"},
       {"alpha's, from MAME", Pick(form.File1, 0), "Cabinet: #0000ff"},
       {"a flyer that is no picture, but a file", Then(Press(form.cmdFlyer), Press(form.imgArt)),
        "Flyer: none opens @/vp/flyers/abc.png"},
       {"the rules stay shown: beta has none",
        Then(Press(form.cmdRules), Pick(form.File1, 1), Press(text)), "Table Rules: "},
       {"until some come", Then(Pick(form.File1, 0), write_rules, Pick(form.File1, 1)),
        "Table Rules: Its"},
       {"files gone since they were found open nothing",
        Then(Pick(form.File1, 0), lose, Press(text), Press(form.cmdSnapShot), Press(form.imgArt)),
        "SnapShot: #00ff00"},
       {"the information, with an alias: the game under it, which stands in for the parent",
        Then(Press(form.cmdInfo), Pick(form.File1, 0), Press(form.cmdEditInfo)), alpha + "xyz"},
       {"kept when cancelled", Press(form.cmdEditInfo), alpha + "xyz"},
       {"gone when deleted", Press(form.cmdDelInfo), alpha},
       {"an unknown table has no ROM name to write it under",
        Then(Pick(form.File1, 2), Press(form.cmdEditInfo), Press(form.cmdDelInfo)),
        "Game Info: Vpt Name: c.vpt / Base Name:  "}},
      [&] {  // the caption, what the frame's controls show, the files opened meanwhile
        const QStringList info = form.lblInfo->text().split("\r\n");
        const QImage art = form.imgArt->pixmap().toImage();
        const QString colour = art.isNull() ? "none" : art.pixelColor(1, 1).name();
        const std::string shown =
            form.FraData->title().mid(12).toStdString() + ":" +
            (form.lblInfo->isVisible() ? " " + (info[2] + " / " + info.back()).toStdString() : "") +
            (form.txtRules->isVisible() ? " " + form.txtRules->toPlainText().toStdString() : "") +
            (form.imgArt->isVisible() ? " " + colour.toStdString() : "") +
            (form.opened.empty() ? "" : " opens " + Replace(form.opened, dir_.path(), "@"));
        form.opened.clear();
        return shown;
      });
  EXPECT_EQ(dir_.ReadFile("alias.ini"), "[Alias]\r\nabc=\r\n");
  Then(Pick(form.File1, 0), Press(form.cmdSnapShot))();  // MAME's 4 x 3, fitted to the frame
  EXPECT_NEAR(form.imgArt->height(), form.imgArt->width() * 0.75, 1);
  EXPECT_EQ(dialogs_.shown().at(0), ShownBox::Input("Rename The Rom Alias", "Edit Info", ""));
  EXPECT_EQ(dialogs_.shown().at(1).default_text + std::to_string(dialogs_.shown().size()), "xyz2");
}

TEST_F(Window, ASecondRescanStartedWhileTheFirstWaitsLeavesAWholeCatalogue) {
  for (int i = 10; i < 40; ++i) {
    Table("t" + std::to_string(i), "T" + std::to_string(i), "g" + std::to_string(i));
  }
  // tabrin held at a gate (20 s at most): the first rescan waits there when the second starts.
  Install(TABRIN_BINARY, "real-tabrin");
  const std::string gated =
      "#!/bin/sh\nd=$(dirname \"$0\"); : >$d/waiting; i=0; while [ ! -e "
      "$d/gate ] && [ $i -lt 2000 ]; do sleep 0.01; i=$((i+1)); done\nexec $d/real-tabrin \"$@\"\n";
  fs::permissions(dir_.WriteFile("tabrin", gated), fs::perms::owner_all);
  for (void (Form1::*second)() : {&Form1::cmdRescan_Click, &Form1::cmdPRescan_Click}) {
    for (const char* file : {"info.ini", "waiting", "gate"}) fs::remove(dir_.Path(file));
    Write("names.ini", "[VP]\nGone=Gone\n");
    Write("alias.ini", "[Alias]\nold_l1=old\n");
    Settings();
    Form& form = Open();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (!dir_.Exists("waiting")) return;
      poll.stop();
      QTimer::singleShot(100, [&] { dir_.WriteFile("gate", ""); });
      if (second == &Form1::cmdPRescan_Click) dialogs_.Press(MessageResult::kYes);  // it asks
      (form.*second)();
    });
    poll.start(5);
    QTest::mouseClick(form.cmdRescan, Qt::LeftButton);
    ASSERT_FALSE(poll.isActive()) << "the second rescan ran";
    // Whole files, a table gone forgotten by a purge only, aliases kept, the first table reread;
    // each table's information, where its ROM came from, where its ROM file is and its file.
    const StrictIni names = ReadStrictIni(dir_.ReadFile("names.ini"));
    const StrictIni info = ReadStrictIni(dir_.ReadFile("info.ini"));
    EXPECT_EQ(std::tuple(names.problem + info.problem, names.EntryCount(), info.EntryCount(),
                         names.Get("pinmame", "t33"), names.Get("vp", "t39")),
              std::tuple("", 60u + (second == &Form1::cmdRescan_Click), 120u, "g33", "T39"));
    EXPECT_EQ(
        dir_.ReadFile("alias.ini") + form.state().RomName + form.cmdRescan->text().toStdString(),
        "[Alias]\r\nold_l1=old\r\ng10ReScan Folder");
  }
}

TEST_F(Window, BrokenSettingsStartWithSensibleValuesAndRescansFollowTheSettings) {
  Install(TOOLS_DIR "/fake-vpinball", "tabrin");  // records its runs, catalogues nothing
  Table("a");
  std::string junk(64 * 1024, '\0');  // bytes of every value, in no order
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>(i * 2654435761u >> 11);
  const std::string dirs = "[Dirs]\nTablePath=@/tables/\n",
                    huge = "VPExe=" + std::string(1 << 17, 'v');
  for (const auto& [what, settings, scan] :
       {std::tuple{"garbage", junk, 1},
        {"huge values", "[Settings]\nFirstRun=1e9\nRescanOnStart=99999\n" + dirs + huge, 1},
        {"duplicate sections",
         "[Settings]\nScanIfNotFound=0\n" + dirs +
             "[Settings]\nFirstRun=1\nRescanOnStart=1\n[DIRS]\nTablePath=/x/",
         0},
        {"one line of 8 MB", std::string(8 << 20, '['), 1}}) {
    fs::remove(dir_.Path("fake-vpinball.log"));
    Write("orvane.ini", settings);
    const FrontendSettings& s = Open().settings();  // a wizard would ask, and nothing answers
    // No folder scan; the one table is scanned when selected, if the settings say so.
    EXPECT_EQ(std::tuple(s.FirstRun, s.RescanOnStart, s.ScanIfNotFound, s.TablePath,
                         form_->File1->count(), s.VPExe.size() <= 254, Runs("fake-vpinball.log")),
              std::tuple(0, 0, scan, tables_ + "/", 1, true,
                         scan == 1 ? "@|@/tables/a.vpt|-exit|-hide" : ""))
        << what;
  }
  // Rescans: hidden unless ShowCommandPrompt is 1; with MAME each table read, then the first.
  Write("mame/mame", "");
  const std::string a = "\n@|@/tables/a.vpt|-exit|-hide";
  for (const auto& [settings, dirs_text, runs] :
       {std::tuple{"ShowCommandPrompt=2\nScanIfNotFound=1\n", "MAMEExe=mame\n",
                   "@|@/tables/*.*|-exit|-hide" + a + a},
        {"ShowCommandPrompt=1\nScanIfNotFound=1\n", "", "@|@/tables/*.*|-exit" + a}}) {
    Settings(settings, dirs_text);
    Open();
    fs::remove(dir_.Path("fake-vpinball.log"));
    QTest::mouseClick(form_->cmdRescan, Qt::LeftButton);
    EXPECT_EQ(Runs("fake-vpinball.log") + " / " + form_->cmdRescan->text().toStdString() + " " +
                  std::to_string(form_->loads),
              runs + " / ReScan Folder 2");  // pictures again for the first table only
  }
}

}  // namespace
