// Orvane below its window, over real files in temporary folders: settings, layout, browser
// rules, information text, artwork, images and the first-run wizard.
#include <gtest/gtest.h>

#include <QDebug>
#include <QDir>
#include <QImageWriter>
#include <QPainter>
#include <filesystem>
#include <functional>

#include "common/paths.h"
#include "common/profile.h"
#include "frontend/artwork.h"
#include "frontend/bitmap.h"
#include "frontend/browser.h"
#include "frontend/graphics.h"
#include "frontend/info_text.h"
#include "frontend/wizard.h"
#include "frontend_files.h"
#include "table_writer.h"

namespace {

namespace fs = std::filesystem;
using S = FrontendSettings;
using Texts = std::vector<std::string>;

// The settings of `dir` with orvane.ini holding `ini` (no file for ""), in [Dirs] unless it
// starts with a section or a comment.
S ReadSettings(const TempDir& dir, const std::string& ini) {
  if (!ini.empty())
    dir.WriteFile("orvane.ini", At(ini[0] == '[' || ini[0] == ';' ? ini : "[Dirs]\n" + ini, ""));
  S settings;
  GetSettings(dir.path(), settings);
  return settings;
}

TEST(Settings, SwitchesAreWhole16BitNumbersRoundedHalfToEvenAndAnythingElseTheDefault) {
  const std::tuple<std::string, int, const char*> rows[] = {
      // ScanIfNotFound, whose default is 1
      {"1", 1, "a number"},
      {"0", 0, "zero"},
      {"-1", -1, "a sign"},
      {"+19", 19, "a plus"},
      {"2.50", 2, "half to even"},
      {"1.9", 2, "rounded"},
      {"-32768", -32768, "least"},
      {"32767", 32767, "most"},
      {"70000", 1, "too big"},
      {"", 1, "empty"},
      {"abc", 1, "no digits"},
      {"1x", 1, "a letter after"},
      {"1.x", 1, "a letter after the point"},
  };
  for (const auto& [text, expected, why] : rows) {
    TempDir dir;
    const S s = ReadSettings(dir, "[Settings]\nScanIfNotFound=" + text + "\n[Dirs]\nVPExe=v");
    EXPECT_EQ(s.ScanIfNotFound, expected) << why << ": " << text;
    EXPECT_EQ(s.VPExe, "v") << "the read goes on past " << text;
  }
}

TEST(Settings, FoldersFollowTheirDefaultsTheFoldersReadAndTheProgramFolder) {
  const std::tuple<const char*, const char*, std::string S::*, const char*> rows[] = {
      // why, orvane.ini, the setting, its value ("@" for the program folder)
      {"no file: the tables beside the program", "", &S::TablePath, "@/tables/"},
      {"a missing local folder follows VPPath", "VPPath=/vp/", &S::DescPath, "/vp/description/"},
      {"a missing MAME one follows MAMEPath", "MAMEPath=d:\\emu", &S::SnapPath, "d:/emusnap/"},
      {"an empty local one is the program's", "VPPath=/vp/\nSnapPath2=", &S::SnapPath2, "@/snap/"},
      {"an empty MAME one is MAMEPath's", "MAMEPath=/m/\nCabPath= ", &S::CabPath, "/m/cabinets/"},
      {"a key before the section is not in it", "[X]\nCabPath2=\n[Dirs]\nVPPath=/vp/", &S::CabPath2,
       "/vp/cabinets/"},
      {"nor one after it", "VPPath=/vp/\n[X]\nFlyerPath2=", &S::FlyerPath2, "/vp/flyers/"},
      {"nor one in a second section of its name", "VPPath=/vp/\n[DIRS]\nRulesPath=", &S::RulesPath,
       "/vp/rules/"},
      {"blanks and comments are skipped", ";c\n\n[Dirs] ;c\n\n;VPPath=\nVPPath=/vp/", &S::VPPath,
       "/vp/"},
      {"names in any case, values trimmed", "[dirs]\n vpexe =  VP.exe  ", &S::VPExe, "VP.exe"},
      {"a leading \\ is the program folder", "BlurbPath=\\docs\\", &S::BlurbPath, "@/docs/"},
      {"for VPPath too", "VPPath=\\vp\\", &S::VPPath, "@/vp/"},
      {"and what derives from MAMEPath", "MAMEPath=\\m\\", &S::SnapPath, "@/m/snap/"},
      {"but not for MAMEPath itself", "MAMEPath=\\m\\", &S::MAMEPath, "/m/"},
      {"nor for the tables", "TablePath=\\t\\", &S::TablePath, "/t/"},
      {"an absolute folder stays", "FlyerPath2=/abs/", &S::FlyerPath2, "/abs/"},
  };
  for (const auto& [why, ini, field, expected] : rows) {
    TempDir dir;
    EXPECT_EQ(ReadSettings(dir, ini).*field, At(expected, dir.path())) << why;
  }
}

// File1, List1, cmdLaunch and FraData whole, then the lefts of cmdPRescan, cmdList, cmdInfo,
// cmdEditInfo, cmdDelInfo, cmdRules, cmdDesc, cmdSnapShot, cmdGlass, cmdCab and cmdFlyer.
std::vector<float> Describe(const MainLayout& l) {
  std::vector<float> v;
  for (const TwipsRect& r : {l.File1, l.List1, l.cmdLaunch, l.FraData}) {
    v.insert(v.end(), {r.Left, r.Top, r.Width, r.Height});
  }
  for (const TwipsRect& r :
       {l.cmdPRescan, l.cmdList, l.cmdInfo, l.cmdEditInfo, l.cmdDelInfo, l.cmdRules, l.cmdDesc,
        l.cmdSnapShot, l.cmdGlass, l.cmdCab, l.cmdFlyer}) {
    v.push_back(r.Left);
  }
  return v;
}

TEST(LayOut, FollowsTheWindowAndRefusesNegativeSizesButNotZero) {
  const std::vector<float> wide = {240,  240,  7890, 7500, 240,  240,   7890,  7500,  240,
                                   7740, 2775, 255,  8370, 840,  7890,  7020,  2055,  3870,
                                   8370, 8370, 9585, 9345, 9960, 10935, 11790, 12765, 13500};
  const std::vector<float> zero = {240, 240,  0,    480,  240,  240,  0,    480,  240,
                                   720, 2775, 255,  480,  840,  0,    0,    2055, 3870,
                                   480, 480,  1695, 1455, 2070, 3045, 3900, 4875, 5610};
  const std::tuple<float, float, std::vector<float>, const char*> rows[] = {
      {16740, 8700, wide, "the worked example"},
      {900, 1000, wide, "too small: each size refused, and what follows reads the kept ones"},
      {960, 1680, zero, "zero is a size"},
  };
  MainLayout layout = DesignLayout();
  for (const auto& [width, height, expected, why] : rows) {
    LayOut(layout, width, height);
    EXPECT_EQ(Describe(layout), expected) << why;
  }
  EXPECT_EQ(layout.imgArt.Width, DesignLayout().imgArt.Width);  // inside the frame: not moved
}

TEST(Browser, ScansOnlyWhenAskedAndTheCatalogueLacksAName) {
  const std::tuple<int16_t, const char*, const char*, bool> rows[] = {
      // ScanIfNotFound, ROM name, base name: scan?
      {1, "", "", true},  {1, "rom", "", true}, {1, "rom", "B", false},
      {0, "", "", false}, {2, "", "", false},
  };
  for (const auto& [scan, rom, base, expected] : rows) {
    EXPECT_EQ(NeedsScan({.ScanIfNotFound = scan}, {.RomName = rom, .BaseName = base}), expected)
        << scan << " '" << rom << "' '" << base << "'";
  }
}

TEST(Browser, NameViewsShowTheFirstNameKnownAndLaunchersGoByTheirFirstFourLetters) {
  const WindowState all{.RomName = "rom", .RomAlias = "alias", .PMName = "Game", .TableName = "T"};
  EXPECT_EQ(NameListText(1, all), "Game");
  EXPECT_EQ(NameListText(2, all), "T");
  EXPECT_EQ(NameListText(2, {.RomName = "rom", .RomAlias = "alias", .PMName = "Game"}), "Game");
  EXPECT_EQ(NameListText(1, {.RomName = "rom", .RomAlias = "alias"}), "alias");
  EXPECT_EQ(NameListText(2, {.RomName = "rom"}), "rom");
  const std::pair<const char*, bool> launchers[] = {
      {"VP-Launcher.exe", true},
      {"vP-L", true},
      {"vp-", false},
      {"VPinball.exe", false},
  };
  for (const auto& [exe, launcher] : launchers) EXPECT_EQ(IsLauncher(exe), launcher) << exe;
}

const std::string kPlain = "File Info:\n~\nVpt Name: T.vpt\nTable Type:  Visual Pinball\n";
std::string Head(const std::string& rom) {
  return "File Info:\n~\nVpt Name: T.vpt\nTable Type:  PinMAME\nRom Name:  " + rom;
}
std::string TableBlock(const std::string& name) {
  return "\n\nVisual Pinball Info:\n~\nTable Name:  " + name +
         "\nAuthor:  a\nVersion:  b\nRelease Date: c\nEmail:  d\nWebsite:  e";
}
std::string GameBlock(const std::string& kind, const std::string& fields) {
  const Texts f = Split(fields, '|');
  return "\n\n" + kind + " Info:\n~\nName:  " + f[0] + "\nManufacturer:  " + f[2] +
         "\nYear:  " + f[1] + "\nParent Rom:  " + f[3];
}
// TableName|RulesText|RulesFile|DescText|DescFile|PMName|PMYear|PMManufacturer|PMParent|artwork
std::string Fields(const WindowState& s) {
  return s.TableName + "|" + s.RulesText + "|" + s.RulesFile + "|" + s.DescText + "|" + s.DescFile +
         "|" + s.PMName + "|" + s.PMYear + "|" + s.PMManufacturer + "|" + s.PMParent + "|" +
         s.SnapFile + s.BackglassFile + s.CabFile + s.FlyerFile;
}

TEST(InfoText, ShowsEachBlockKnownAndEndsWhereTheCatalogueOrATextFails) {
  TempDir dir;
  dir.WriteFile("info.ini", At("[Tabrin]\nBase=Star: Trek|a|b|c|d|e\nFive=Five|a|b|c|d\n"
                               "Lb=Lb|a|b|c|d|e\nLr=Lr|a|b|c|d|e\nLd=Ld|a|b|c|d|e\n[PMInfo]\n"
                               "abc=Game|1990|Maker|parent\nxyz=Alias Game|1981|Stern|\n"
                               "two=Two Fields|1991\nsix=Six|1992|Maker|p|x\n",
                               ""));
  dir.WriteFile("blurb/Star Trek.txt", "\xFF\xFE" + ToUtf16Le("Two\r\nlines é") + "!");
  dir.WriteFile("rules/STAR TREK.TXT", ToUtf16Le("Rules"));
  dir.WriteFile("description/Star Trek.txt", ToUtf16Le("Desc"));
  dir.WriteFile("rules/Five.txt", ToUtf16Le("never read"));
  // Texts that cannot be read, even by the administrator: a kernel file that takes writes only.
  const std::string locked = "/sys/bus/platform/uevent";
  std::string bytes;
  ASSERT_FALSE(ReadWholeFile(locked, bytes));
  for (const char* text : {"blurb/Lb.txt", "rules/Lr.txt", "description/Ld.txt"}) {
    fs::create_symlink(locked, dir.Path(text));
  }
  S settings;
  settings.BlurbPath = dir.Path("blurb/");
  settings.RulesPath = dir.Path("rules/");
  settings.DescPath = dir.Path("description/");
  // Each build starts from another table's variables, which it replaces or clears.
  WindowState last;
  for (std::string* old :
       {&last.PMName, &last.PMYear, &last.PMManufacturer, &last.PMParent, &last.TableName,
        &last.RulesText, &last.DescText, &last.RulesFile, &last.DescFile, &last.SnapFile,
        &last.BackglassFile, &last.CabFile, &last.FlyerFile}) {
    *old = "old";
  }
  const std::string kept = "|||||old|old|old||";
  const std::tuple<const char*, const char*, std::string, std::string> rows[] = {
      // why, "ROM name,base name,alias,VPOnly": the text, the variables
      {"every block; texts named after the table name without colons", "abc,Base,,0",
       Head("abc") + TableBlock("Star: Trek") + "\nBlurb:  \xEF\xBB\xBFTwo\nlines é" +
           GameBlock("MAME", "Game|1990|Maker|parent"),
       "Star: Trek|Rules|@/rules/STAR TREK.TXT|Desc|@/description/Star Trek.txt|Game|1990|Maker|"
       "parent|"},
      {"a plain table: its alias keys the game and stands in for the parent", "abc,abc,xyz,1",
       kPlain + "Base Name:  abc\nAlias:  xyz" + GameBlock("Extended", "Alias Game|1981|Stern|xyz"),
       "|||||Alias Game|1981|Stern|xyz|"},
      {"nothing known", ",,,1", kPlain + "Base Name:  ", kept},
      {"five table fields end the build", "abc,Five,xyz,0", Head("abc") + "\nAlias:  xyz", kept},
      {"two game fields end it, kept", "two,,,0", Head("two"), "|||||Two Fields|1991|old||"},
      {"a fifth game field is no matter", "six,,,0",
       Head("six") + GameBlock("MAME", "Six|1992|Maker|p"), "|||||Six|1992|Maker|p|"},
      {"a blurb that cannot be read ends it", "abc,Lb,,0",
       Head("abc") + TableBlock("Lb") + "\nBlurb:  ", "Lb" + kept},
      {"so do rules", "abc,Lr,,0", Head("abc") + TableBlock("Lr"), "Lr" + kept},
      {"and a description", "abc,Ld,,0", Head("abc") + TableBlock("Ld"), "Ld" + kept},
  };
  for (const auto& [why, identity, text, fields] : rows) {
    WindowState state = last;
    const Texts names = Split(identity, ',');
    std::tie(state.RomName, state.BaseName, state.RomAlias) =
        std::tie(names[0], names[1], names[2]);
    state.VPOnly = static_cast<int16_t>(std::stoi(names[3]));
    EXPECT_EQ(GetInfoText("T.vpt", dir.path(), settings, state), Text(text)) << why;
    EXPECT_EQ(Fields(state), At(fields, dir.path())) << why;
  }
  EXPECT_EQ(GetTextFile(dir.Path("missing.txt")), "");
}

// A name view lists each text folder once; what it finds must be what the disk finds.
TEST(InfoText, TheFolderCacheFindsWhatTheDiskFinds) {
  TempDir dir;
  for (const char* file : {"t/ALPHA.txt", "t/alpha.txt", "t/Zap.txt", "t/.h.txt", "t/d.txt/x"}) {
    dir.WriteFile(file, "x");
  }
  fs::create_symlink(dir.Path("t/Zap.txt"), dir.Path("t/link.txt"));
  fs::create_symlink(dir.Path("t/gone"), dir.Path("t/dead.txt"));
  TextFolderCache cache;
  for (const std::string folder : {"t/", "T/", "t/al", "gone/"}) {
    for (const char* name : {"alpha.txt", "Alpha.txt", "zAP.TXT", ".h.txt", "d.txt", "d.txt/x",
                             "link.txt", "dead.txt", "pha.txt", ""}) {
      const std::string path = dir.Path(folder) + name;
      const std::string on_disk = OrdinaryFileExists(path) ? FindExistingPath(path) : "";
      EXPECT_EQ(cache.Find(dir.Path(folder), name), on_disk) << folder << name;
    }
  }
  EXPECT_EQ(cache.Find(dir.Path("t/"), "Alpha.txt"), dir.Path("t/ALPHA.txt"));  // byte order
}

TEST(Artwork, IsLocalThenMameByAliasOrRomThenParentThenBaseNamePngFirst) {
  using enum ArtKind;
  const std::tuple<const char*, const char*, const char*, ArtKind, const char*> rows[] = {
      // why, files (local l*/, MAME m*/; "/" ends a folder), "ROM,alias,parent,base", kind: found
      {"MAME when nothing is local", "ms/abc.png", "abc,,,B", kSnapShot, "ms/abc.png"},
      {"local first, even by a later name", "ms/abc.png ls/B.jpg", "abc,,,B", kSnapShot,
       "ls/B.jpg"},
      {"the ROM name before the base name", "ls/B.png ls/abc.jpg", "abc,,,B", kSnapShot,
       "ls/abc.jpg"},
      {".png before .jpg", "ls/abc.jpg ls/abc.png", "abc,,,B", kSnapShot, "ls/abc.png"},
      {"the parent before the base name", "ls/B.png ls/p.jpg", "abc,,p,B", kSnapShot, "ls/p.jpg"},
      {"an alias hides the ROM name", "ls/abc.png ms/xyz.jpg", "abc,xyz,,B", kSnapShot,
       "ms/xyz.jpg"},
      {"colons leave the base name", "ms/StarTrek.jpg", "abc,,,Star:Trek", kSnapShot,
       "ms/StarTrek.jpg"},
      {"any case, the first in byte order", "ms/Zax.png ms/ZAX.PNG ms/AAA.png", "zax,,,B",
       kSnapShot, "ms/ZAX.PNG"},
      {"any case for a later name", "ls/BASE.JPG", "abc,,,Base", kSnapShot, "ls/BASE.JPG"},
      {"no folder or hidden file", "ls/.png ls/p.png/ ls/p.jpg", ",,p,B", kSnapShot, "ls/p.jpg"},
      {"each kind its folders", "ls/abc.png mc/abc.png", "abc,,,B", kCabinet, "mc/abc.png"},
      {"a folder without its / is joined", "lfabc.png lg/abc.png", "abc,,,B", kFlyer, "lfabc.png"},
      {"nothing found", "ls/abc.png", "abc,,,B", kBackglass, ""},
  };
  for (const auto& [why, files, identity, kind, found] : rows) {
    TempDir dir;
    for (const std::string& file : Split(files, ' ')) {
      file.ends_with("/") ? (void)dir.MakeDir(file) : (void)dir.WriteFile(file, "x");
    }
    S s;
    const std::string p = dir.path() + "/";
    std::tie(s.SnapPath2, s.BackglassPath2, s.CabPath2, s.FlyerPath2) =
        std::tuple(p + "ls/", p + "lg/", p + "lc/", p + "lf");
    std::tie(s.SnapPath, s.BackglassPath, s.CabPath, s.FlyerPath) =
        std::tuple(p + "ms/", p + "mg/", p + "mc/", p + "mf/");
    const Texts n = Split(identity, ',');
    const WindowState state{.RomName = n[0], .BaseName = n[3], .RomAlias = n[1], .PMParent = n[2]};
    EXPECT_EQ(FindArtwork(kind, s, state), *found ? p + found : "") << why;
  }
}

std::array<float, 4> Rect(const TwipsRect& r) { return {r.Left, r.Top, r.Width, r.Height}; }

TEST(Artwork, PicturesFitTheFrameByTheirLongerSide) {
  const TwipsRect was{840, 720, 1935, 1215};
  const std::tuple<const char*, float, float, float, float, TwipsRect> rows[] = {
      // why, picture width and height, frame width and height: the picture's place
      {"400 x 300 pixels: the width", 6000, 4500, 8400, 7000, {200, 300, 8000, 6000}},
      {"300 x 600: the height", 4500, 9000, 8400, 6800, {2600, 400, 3000, 6000}},
      {"square: the height, overflowing", 100, 100, 2000, 7000, {-2200, 400, 6200, 6200}},
      {"the ratio first, in single precision",
       75,
       45,
       6015,
       7215,
       {200, 1722.9998779296875f, 5615, 3369.000244140625f}},
      {"no width: where it was", 0, 300, 8400, 7000, was},
      {"no height: where it was", 300, 0, 8400, 7000, was},
  };
  for (const auto& [why, width, height, frame_width, frame_height, expected] : rows) {
    EXPECT_EQ(Rect(SizeImage(width, height, frame_width, frame_height, was)), Rect(expected))
        << why;
  }
  EXPECT_EQ(Rect(FitPicture(QPixmap(400, 300), {0, 0, 8400, 7000}, was)),
            Rect({200, 300, 8000, 6000}));
  EXPECT_EQ(Rect(FitPicture(QPixmap(), {0, 0, 8400, 7000}, was)), Rect(was));
}

// The status of a call and what the bitmap holds after it: "none" or "WxH Format_X".
std::string Held(long status, const cBitmap& b) {
  QString format;
  QDebug(&format).noquote().nospace() << b.PixelFormat();
  const std::string size = std::to_string(b.Width()) + "x" + std::to_string(b.Height());
  return std::to_string(status) + " " +
         (b.Handle() ? size + " " + format.mid(format.indexOf("Format_")).toStdString() : "none");
}

TEST(Images, BitmapCallsReportTheirStatusAndHoldWhatTheyMade) {
  TempDir dir;
  const QString png = WritePicture(dir, "a.png", Qt::red, 40, 30);
  const QString misnamed = QString::fromStdString(dir.Path("png.jpg"));
  ASSERT_TRUE(QImageWriter(misnamed, "png").write(QImage(5, 6, QImage::Format_RGB32)));
  const QString junk = QString::fromStdString(dir.WriteFile("j.png", "junk"));
  uchar px[16] = {};
  QImage surface(4, 4, QImage::Format_RGB16);
  QPixmap pixmap(4, 4);
  QPainter on_image(&surface), on_pixmap(&pixmap), idle;
  const auto rgb = QImage::Format_RGB32;
  cBitmap b;
  std::vector<long> errors;
  QObject::connect(&b, &cBitmap::Error, [&](long status, QString) { errors.push_back(status); });
  const std::tuple<const char*, std::function<long()>, const char*> rows[] = {
      {"a PNG", [&] { return b.LoadFromFile(png); }, "0 40x30 Format_RGB32"},
      {"a PNG named .jpg", [&] { return b.LoadFromFile(misnamed); }, "0 5x6 Format_RGB32"},
      {"no name", [&] { return b.LoadFromFile(""); }, "2 none"},
      {"a missing file", [&] { return b.LoadFromFile(png + "x"); }, "10 none"},
      {"a folder", [&] { return b.LoadFromFile(QString::fromStdString(dir.path())); }, "10 none"},
      {"no picture inside", [&] { return b.LoadFromFile(junk); }, "13 none"},
      {"the least stride", [&] { return b.CreateFromScan0(3, 1, 12, rgb, px); },
       "0 3x1 Format_RGB32"},
      {"a stride too small", [&] { return b.CreateFromScan0(3, 1, 11, rgb, px); }, "2 none"},
      {"no width", [&] { return b.CreateFromScan0(0, 1, 4, rgb, px); }, "2 none"},
      {"no height", [&] { return b.CreateFromScan0(1, 0, 4, rgb, px); }, "2 none"},
      {"no format", [&] { return b.CreateFromScan0(1, 1, 4, QImage::NImageFormats, px); },
       "2 none"},
      {"a pixmap", [&] { return b.CreateFromHBitmap(QPixmap(2, 3)); }, "0 2x3 Format_RGB32"},
      {"a null pixmap", [&] { return b.CreateFromHBitmap(QPixmap()); }, "2 none"},
      {"a blank like an image", [&] { return b.CreateFromGraphics(2, 3, &on_image); },
       "0 2x3 Format_RGB16"},
      {"a blank like a pixmap", [&] { return b.CreateFromGraphics(2, 3, &on_pixmap); },
       "0 2x3 Format_ARGB32_Premultiplied"},
      {"a blank without width", [&] { return b.CreateFromGraphics(0, 3, &on_image); }, "2 none"},
      {"a blank without height", [&] { return b.CreateFromGraphics(2, 0, &on_image); }, "2 none"},
      {"a blank without painter", [&] { return b.CreateFromGraphics(2, 3, nullptr); }, "2 none"},
      {"a blank for an idle painter", [&] { return b.CreateFromGraphics(2, 3, &idle); }, "2 none"},
  };
  for (const auto& [why, call, held] : rows) {
    errors.clear();
    const long status = call();
    EXPECT_EQ(Held(status, b), held) << why;
    // The call, then the format and size queries, each reported when it fails.
    EXPECT_EQ(errors, status ? std::vector<long>({status, 2, 2}) : std::vector<long>()) << why;
  }
  const std::pair<QImage::Format, long> palettes[] = {
      {QImage::Format_Indexed8, 0},
      {QImage::Format_Mono, 0},
      {QImage::Format_MonoLSB, 0},
      {rgb, 2},
  };
  for (const auto& [format, status] : palettes) {
    ASSERT_EQ(b.CreateFromScan0(1, 1, 4, format, px), 0);
    EXPECT_EQ(b.SetPalette({qRgb(1, 2, 3)}), status) << "a palette for indexed pixels only";
  }
  b.Dispose();
  EXPECT_EQ(b.SetPalette({}), 2);
  const QList<QByteArray> formats = QImageWriter::supportedImageFormats();
  for (const QByteArray& format : formats) {  // a pattern keeps its first format's index
    const auto first = std::find_if(formats.begin(), formats.end(), [&](const QByteArray& f) {
      return f.toUpper() == format.toUpper();
    });
    EXPECT_EQ(b.ExtensionExists("*." + QString(format).toLower()), first - formats.begin());
  }
  EXPECT_EQ(b.ExtensionExists("png"), -1);
}

TEST(Images, PicturesAreOpaqueAndSizedInDevicePixelsHalvesToEven) {
  TempDir dir;
  QImage indexed(2, 1, QImage::Format_Indexed8);
  indexed.setColorTable({qRgb(1, 2, 3), qRgb(4, 5, 6)});
  indexed.fill(0);
  indexed.setPixel(1, 0, 1);
  ASSERT_TRUE(indexed.save(QString::fromStdString(dir.Path("i.png"))));
  cBitmap b;
  ASSERT_EQ(b.LoadFromFile(QString::fromStdString(dir.Path("i.png"))), 0);
  b.SetTransColor(257);  // the low eight bits: entry 1
  const QImage shown = b.Picture().toImage();
  EXPECT_EQ(std::pair(shown.pixel(0, 0), shown.pixel(1, 0)),
            std::pair(qRgb(1, 2, 3), qRgb(0, 0, 0)));
  // Qt reads an "@2x" file at half its pixel size: 201 x 199 pixels are 100.5 x 99.5.
  ASSERT_EQ(b.LoadFromFile(WritePicture(dir, "a@2x.png", Qt::red, 201, 199)), 0);
  EXPECT_EQ(std::pair(b.Width(), b.Height()), std::pair(100L, 100L));
  const std::pair<double, long> halves[] = {{0.5, 0}, {1.5, 2}, {1.25, 1}, {2.5, 2}, {2.75, 3}};
  for (const auto& [value, rounded] : halves) EXPECT_EQ(RoundHalfToEven(value), rounded) << value;
  EXPECT_EQ(ScalePictureForDisplay(b.Picture(), 10, 20, 2.0).size(), QSize(20, 40));
  EXPECT_TRUE(ScalePictureForDisplay(QPixmap(), 10, 20).isNull());
}

TEST(Images, GraphicsDrawsOnItsSurfaceUnlessItsDeviceIsKept) {
  QImage surface(20, 20, QImage::Format_RGB16), busy(2, 2, QImage::Format_RGB32), made, none;
  surface.fill(Qt::white);
  QImage dot(1, 1, QImage::Format_RGB32);
  dot.fill(Qt::black);
  QPainter painting(&busy);
  cGraphics g;
  std::vector<long> errors;
  QObject::connect(&g, &cGraphics::Error, [&](long status, QString) { errors.push_back(status); });
  const std::tuple<const char*, std::function<long()>, long> script[] = {
      {"no surface", [&] { return g.DrawImageI(&dot, 0, 0); }, 2},
      {"a surface painted on", [&] { return g.CreateFromHDC(&busy); }, 8},
      {"no device", [&] { return g.CreateFromHDC(nullptr); }, 2},
      {"an image surface", [&] { return g.CreateFromHDC(&surface); }, 0},
      {"a blank like it", [&] { return g.CreateFromGraphics(3, 2, made); }, 0},
      {"a blank without width", [&] { return g.CreateFromGraphics(0, 2, made); }, 2},
      {"a blank without height", [&] { return g.CreateFromGraphics(3, 0, made); }, 2},
      {"no image", [&] { return g.DrawImageI(nullptr, 0, 0); }, 2},
      {"a null image", [&] { return g.DrawImageI(&none, 0, 0); }, 2},
      {"a null image stretched", [&] { return g.DrawImageRectI(&none, 0, 0, 1, 1); }, 2},
      {"an unknown order", [&] { return g.RotateTransform(90, 2); }, 2},
      {"an unknown order", [&] { return g.TranslateTransform(1, 1, 2); }, 2},
      {"nothing kept", [&] { return g.ReleaseDC(); }, 2},
      {"the device kept", [&] { return g.GetDC(); }, 0},
      {"no drawing meanwhile", [&] { return g.DrawImageI(&dot, 3, 4); }, 4},
      {"no stretching", [&] { return g.DrawImageRectI(&dot, 3, 4, 2, 2); }, 4},
      {"given back", [&] { return g.ReleaseDC(); }, 0},
      {"a stretched dot", [&] { return g.DrawImageRectI(&dot, 10, 10, 5, 5); }, 0},
      {"a dot", [&] { return g.DrawImageI(&dot, 1, 1); }, 0},
  };
  for (const auto& [why, call, expected] : script) {
    errors.clear();
    EXPECT_EQ(call(), expected) << why;
    EXPECT_EQ(errors, expected ? std::vector<long>({expected}) : std::vector<long>()) << why;
  }
  // A rotation by 90 and a translation by (10, 0), the second before or after the first.
  const std::tuple<bool, int, QPointF> transforms[] = {
      {false, 0, {10, 1}},
      {false, 1, {0, 11}},
      {true, 0, {0, 11}},
      {true, 1, {10, 1}},
  };
  for (const auto& [rotate_first, order, one_zero_to] : transforms) {
    ASSERT_EQ(g.ResetTransform(), 0);
    rotate_first ? g.RotateTransform(90) : g.TranslateTransform(10, 0);
    rotate_first ? g.TranslateTransform(10, 0, order) : g.RotateTransform(90, order);
    EXPECT_EQ(g.Handle()->worldTransform().map(QPointF(1, 0)), one_zero_to) << order;
  }
  g.Dispose();
  EXPECT_EQ(std::tuple(made.size(), made.format(), made.pixel(0, 0)),
            std::tuple(QSize(3, 2), QImage::Format_RGB16, qRgb(0, 0, 0)));
  const std::tuple<int, int, QRgb> pixels[] = {
      {1, 1, qRgb(0, 0, 0)},
      {3, 4, qRgb(255, 255, 255)},
      {14, 14, 0xFF000000},
      {15, 15, ~0u},
  };
  for (const auto& [x, y, colour] : pixels) EXPECT_EQ(surface.pixel(x, y), colour) << x << "," << y;
}

// A box as "Buttons: its first two words" or "[its default text]", "(untitled)" without the
// wizard's title.
std::string Describe(const ShownBox& box) {
  static const char* const kButtons[] = {"Ok", "OkCancel", "YesNo"};
  const std::string home = QDir::homePath().toStdString();
  std::string text =
      box.is_input ? "[" + box.default_text + "]"
                   : kButtons[static_cast<int>(box.buttons)] +
                         (": " + box.text.substr(0, box.text.find(' ', box.text.find(' ') + 1)));
  if (text.starts_with("[" + home)) text.replace(1, home.size(), "~");
  return text + (box.title == "First Run Wizard" ? "" : " (untitled)");
}

TEST(Wizard, AsksInOrderAgainUntilAnAnswerHoldsAndWritesEachAnswerAtOnce) {
  const std::string dialogue =
      "Ok: It looks|[~/Visual Pinball/]|[VPinball912.exe]|[@/vp/tables/]|YesNo: This FE|"
      "YesNo: Click Yes|[/usr/games/]|[mame.exe]|YesNo: Now to (untitled)|[@/mame/snap/]|"
      "[@/mame/marquees/]|[@/mame/marquees/]|[@/mame/cabinets/]|[@/mame/flyers/]|[\\snap\\]|"
      "[\\marquees\\]|[\\cabinets\\]|[\\flyers\\]|YesNo: For Debugging|OkCancel: We will|"
      "Ok: Setup Complete!";
  const std::tuple<const char*, const char*, std::string, std::string, std::string> rows[] = {
      // why, tabrin.ini before, answers ("@" the program folder): written, what the window saw
      {"all of it, with MAME", "[MAME]\nIsPinMAME=1",
       "<Ok>|@/vp/|VPinball912.exe|@/vp/tables|<Yes>|<Yes>|@/mame/|mame.exe|<Yes>| /art/snap/ ||"
       "/art/glass/|/art/cab/|/art/fly/|\\l\\snap\\|\\l\\glass\\|\\l\\cab\\|\\l\\fly\\|<Yes>|<Ok>|"
       "<Ok>",
       "Dirs.VPPath=@/vp/|Dirs.VPExe=VPinball912.exe|Dirs.TablePath=@/vp/tables/|MAME.IsPinMAME=0|"
       "MAME.Path=@/mame/|MAME.Exe=mame.exe|Dirs.MAMEPath=|Dirs.SnapPath=/art/snap/|"
       "Dirs.BackglassPath=/art/glass/|Dirs.FlyerPath2=\\l\\fly\\|Settings.FirstRun=0|"
       "Settings.RescanOnStart=0|Settings.ScanIfNotFound=1|Settings.ShowCommandPrompt=1",
       "list @/vp/tables/|rescan, FirstRun=0|@/vp/ VPinball912.exe @/vp/tables/ @/mame/ mame.exe|"
       "local snapshots @/l/snap/"},
      {"refusals ask again; no MAME, no art folders, no scan", "[MAME]\nPath=/old/\nIsPinMAME=1",
       "<Ok>||@/nowhere/|@/VP|missing.exe|tables||VPinball912.exe|@/vp/tables/gone|\\vp\\tables|"
       "<No>|<No>|<No>|<Cancel>|<Ok>",
       "Dirs.VPPath=@/VP/|Dirs.TablePath=@/vp/tables/|MAME.Path=|MAME.Exe=|MAME.IsPinMAME=1|"
       "Settings.ShowCommandPrompt=0|Settings.FirstRun=0",
       "list @/vp/tables/|@/VP/ VPinball912.exe @/vp/tables/ /before/ before.exe|"
       "local snapshots @/snap/"},
      {"PinMAME, in a folder named from the program's", "[MAME]\nIsPinMAME=0",
       "<Ok>|@/vp/|VPinball912.exe|@/vp/tables/|<Yes>|<No>|mame|VPinball912.exe|mame.exe|<No>|"
       "<No>|<Cancel>|<Ok>",
       "MAME.IsPinMAME=1|MAME.Path=@/mame/",
       "list @/vp/tables/|@/vp/ VPinball912.exe @/vp/tables/ @/mame/ mame.exe|"
       "local snapshots @/snap/"},
      {"stopped halfway: the answers given stay, and it comes again", "",
       "<Ok>|@/vp/|VPinball912.exe",
       "Dirs.VPPath=@/vp/|Dirs.VPExe=VPinball912.exe|Settings.FirstRun=1", "stopped"},
  };
  for (const auto& [why, tabrin_ini, answers, written, seen] : rows) {
    TempDir dir;
    dir.WriteFile("vp/VPinball912.exe", "");
    dir.MakeDir("vp/tables");
    dir.WriteFile("mame/mame.exe", "");
    dir.WriteFile("orvane.ini",
                  At("[Settings]\nFirstRun=1\nRescanOnStart=1\nScanIfNotFound=0", ""));
    dir.WriteFile("Tabrin.ini", At(tabrin_ini, ""));
    const auto read = [&](const std::string& name) {  // "Section.Key"; MAME is tabrin.ini's
      const std::string section = name.substr(0, name.find('.'));
      return ProfileRead(section, name.substr(section.size() + 1),
                         dir.Path(section == "MAME" ? "tabrin.ini" : "orvane.ini"));
    };
    struct Host : WizardHost {
      std::function<std::string()> first_run;
      std::string seen;
      void PointFile1At(const std::string& folder) override { seen += "list " + folder + "|"; }
      void Rescan() override { seen += "rescan, FirstRun=" + first_run() + "|"; }
    } host;
    host.first_run = [&] { return read("Settings.FirstRun"); };
    ScriptedDialogs dialogs;
    Script(dialogs, At(answers, dir.path()));
    S s{.MAMEPath = "/before/", .MAMEExe = "before.exe"};
    try {
      FirstRun(dir.path(), s, dialogs, host);
      host.seen += s.VPPath + " " + s.VPExe + " " + s.TablePath + " " + s.MAMEPath + " " +
                   s.MAMEExe + "|local snapshots " + ReadSettings(dir, "").SnapPath2;
    } catch (const ScriptError&) {
      host.seen += "stopped";
    }
    EXPECT_EQ(host.seen, At(seen, dir.path())) << why;
    EXPECT_EQ(dialogs.remaining(), 0u) << why;
    EXPECT_FALSE(dir.Exists("tabrin.ini")) << "the extractor's own file, whatever its name's case";
    for (const std::string& entry : Split(written, '|')) {
      const size_t equals = entry.find('=');
      EXPECT_EQ(read(entry.substr(0, equals)), At(entry.substr(equals + 1), dir.path())) << why;
    }
    std::string boxes;
    for (const ShownBox& box : dialogs.shown()) boxes += (boxes.empty() ? "" : "|") + Describe(box);
    if (std::string(why).starts_with("all")) EXPECT_EQ(boxes, At(dialogue, dir.path()));
  }
}

}  // namespace
