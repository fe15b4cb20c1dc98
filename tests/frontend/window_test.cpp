// The real window offscreen over a temporary program folder: orvane.ini, a catalogue, tables
// written with the table writer, the real tabrin, and tools/fake-vpinball standing in for Visual
// Pinball, or for tabrin where only its command lines matter.
#include <gtest/gtest.h>

#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <random>

#include "frontend/main_window.h"
#include "frontend_files.h"
#include "support/strict_ini.h"
#include "table_writer.h"

namespace {

namespace fs = std::filesystem;
using Catalogue = std::map<std::string, std::string>;

// The window, recording the files it would open in the system's viewer and its artwork loads.
struct Form : Form1 {
  using Form1::Form1;
  void OpenFileExternally(const std::string& path) override { opened += path + "|"; }
  void LoadPictures() override {
    ++loads;
    Form1::LoadPictures();
  }
  std::string opened;
  int loads = 0;
};

// The strong colours in the middle of a label's picture: "r", "g", "b", or "none".
std::string Colour(const QLabel* label) {
  const QImage image = label->pixmap().toImage();
  if (image.isNull()) return "none";
  const QColor c = image.pixelColor(image.width() / 2, image.height() / 2);
  return std::string(c.red() > 128 ? "r" : "") + (c.green() > 128 ? "g" : "") +
         (c.blue() > 128 ? "b" : "");
}

class Window : public testing::Test {
 protected:
  Window() : cwd_(QDir::currentPath()), tables_(dir_.MakeDir("tables")) {}
  // Running a program moves the process into its folder, which goes with the test.
  ~Window() override { QDir::setCurrent(cwd_); }

  // Writes `file` of the program folder: "\n" ends a line, "@" is the folder.
  std::string Write(const std::string& file, const std::string& text) {
    return dir_.WriteFile(file, At(text, dir_.path()));
  }
  // orvane.ini: `settings` and `dirs` first (the first of a key counts), then no scan and the
  // test's folders.
  void Settings(const std::string& settings = "", const std::string& dirs = "") {
    Write("orvane.ini", "[Settings]\n" + settings + "ScanIfNotFound=0\n[Dirs]\n" + dirs +
                            "TablePath=@/tables/\nVPPath=@/vp/\nMAMEPath=@/mame/\n");
  }
  // A table file; given a name and a ROM name, one that tabrin reads them from.
  void Table(const std::string& key, const std::string& name = "", const std::string& rom = "") {
    TableSpec spec;
    if (!name.empty()) spec.table_name = name;
    if (!rom.empty()) spec.script = ".GameName = \"" + rom + "\"\r\n";
    ASSERT_TRUE(WriteTable(tables_ + "/" + key + ".vpt", spec));
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
  // The runs logged by tools/fake-vpinball, one line "folder|argument|..." each ("@": ours).
  std::string Runs(const std::string& log) const {
    std::string runs;
    for (const std::string& line : Split(dir_.ReadFile(log), '\n')) {
      if (line == "run") runs += runs.empty() ? "" : "\n";
      if (line.starts_with("cwd=") || line.starts_with("arg=")) {
        runs += (line[0] == 'a' ? "|" : "") + line.substr(4);
      }
    }
    for (size_t at; (at = runs.find(dir_.path())) != std::string::npos;) {
      runs.replace(at, dir_.path().size(), "@");
    }
    return runs;
  }
  static void Click(QListWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
  }
  static std::string Entries(const QListWidget* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) entries << list->item(i)->text();
    return list->isHidden() ? "hidden" : entries.join("|").toStdString();
  }
  // One action made of `actions` done in turn.
  static std::function<void()> Then(auto... actions) {
    return [=] { (actions(), ...); };
  }

  TempDir dir_;
  QString cwd_;
  std::string tables_;
  ScriptedDialogs dialogs_;
  std::unique_ptr<Form> form_;
};

TEST_F(Window, StartsOnTheFirstTableAndShowsTheTablesInThreeAlignedViews) {
  Settings();
  for (const char* key : {"c_unknown", "B_second", "a_first", "d_plain"}) Table(key);
  Write("tables/notes.txt", "");
  Write("names.ini",
        "[VP]\na_first=Alpha Table\nB_second=Beta\nd_plain=Delta\n[PinMAME]\n"
        "a_first=zz_rom\nB_second=bb_rom\n");
  // A PinMAME table's alias goes by its ROM name, a plain table's by its base name.
  Write("alias.ini", "[Alias]\nbb_rom=bb_alias\nBeta=wrong\nDelta=Delta Alias\n");
  Write("info.ini", "[Tabrin]\nAlpha Table=Alpha Table|||||\n[PMInfo]\nzz_rom=Zeta Game|1990|M|\n");
  Form& form = Open();
  const auto selected = [&] {
    const WindowState& s = form.state();
    return std::to_string(form.File1->currentRow()) + " " + s.RomName + "|" + s.BaseName + "|" +
           std::to_string(s.VPOnly) + "|" + s.RomAlias;
  };
  EXPECT_EQ(Entries(form.File1), "a_first.vpt|B_second.vpt|c_unknown.vpt|d_plain.vpt");
  EXPECT_EQ(selected(), "0 zz_rom|Alpha Table|0|");
  EXPECT_EQ(form.focusWidget(), form.File1);
  QTest::keyClick(form.File1, Qt::Key_Down);
  EXPECT_EQ(selected(), "1 bb_rom|Beta|0|bb_alias");
  Click(form.File1, 3);
  EXPECT_EQ(selected(), "3 Delta|Delta|1|Delta Alias");

  // No entry inherits the names of the one before; an unknown table keeps its line.
  const std::tuple<const char*, const char*, int> views[] = {
      // the button's caption: the name list, artwork loads
      {"View by Table Name", "Zeta Game|bb_alias||Delta Alias", 1},
      {"View by File Name", "Alpha Table|bb_alias||Delta Alias", 1},
      {"View by PinMAME Name", "hidden", 0},
      {"View by Table Name", "Zeta Game|bb_alias||Delta Alias", 1},
  };
  for (const auto& [caption, names, loads] : views) {
    const int loads_before = form.loads;
    QTest::mouseClick(form.cmdList, Qt::LeftButton);
    EXPECT_EQ(form.cmdList->text().toStdString() + ": " + Entries(form.List1),
              caption + std::string(": ") + names);
    EXPECT_EQ(form.focusWidget(), form.List1->isHidden() ? form.File1 : form.List1) << caption;
    EXPECT_EQ(form.File1->currentRow(), 0) << caption;
    EXPECT_EQ(form.loads - loads_before, loads) << "artwork for the first table only";
  }
  Click(form.List1, 3);
  EXPECT_EQ(selected(), "3 Delta|Delta|1|Delta Alias");
  QTest::keyClick(form.List1, Qt::Key_Home);
  EXPECT_EQ(selected(), "0 zz_rom|Alpha Table|0|");
  Table("e_new");
  fs::remove(tables_ + "/c_unknown.vpt");
  QTest::keyClick(form.List1, Qt::Key_F5);  // the files are read again, the names stay
  EXPECT_EQ(Entries(form.File1) + ": " + Entries(form.List1),
            "a_first.vpt|B_second.vpt|d_plain.vpt|e_new.vpt: Zeta Game|bb_alias||Delta Alias");
}

TEST_F(Window, StartUpScansAsAskedAndAnUnknownTableIsScannedAloneWhenSelected) {
  Install(TABRIN_BINARY, "tabrin");
  Write("vp/VPinball912.exe", "");
  // Quotes in a name must not end its path and hand tabrin the rest: "-clear" would empty the
  // catalogue. In list order, so the later ones would clear what the earlier ones added.
  const char* const keys[] = {"\" -clear", "Night Table", "q\"\"\" -clear", "x\" -clear \"y"};
  Catalogue pinmame;
  for (int i = 0; i < 4; ++i) {
    Table(keys[i], "Name " + std::to_string(i), "rom" + std::to_string(i));
    pinmame[keys[i]] = "rom" + std::to_string(i);
  }
  const std::tuple<const char*, const char*, const char*, const char*> rows[] = {
      // why, settings, answers to the wizard: the ROM name of the first table
      {"the wizard first, with its scan", "FirstRun=1\nRescanOnStart=1\n",
       "<Ok>|@/vp|VPinball912.exe|@/tables|<No>|<No>|<No>|<Ok>|<Ok>", "rom0"},
      {"the start-up rescan before the first table", "RescanOnStart=1\n", "", "rom0"},
      {"no scan asked for", "", "", ""},
      {"a scan of the table selected", "ScanIfNotFound=1\n", "", "rom0"},
  };
  for (const auto& [why, settings, answers, rom] : rows) {
    fs::remove(dir_.Path("names.ini"));
    Settings(settings, "TablePath=@/tables\n");  // without its "/"
    Script(dialogs_, At(answers, dir_.path()));
    EXPECT_EQ(Open().state().RomName, rom) << why;
    EXPECT_EQ(dialogs_.remaining(), 0u) << why;
  }
  for (int row = 1; row < 4; ++row) {
    Click(form_->File1, row);
    EXPECT_EQ(form_->state().RomName + " " + form_->state().BaseName,
              "rom" + std::to_string(row) + " Name " + std::to_string(row));
  }
  const StrictIni names = ReadStrictIni(dir_.ReadFile("names.ini"));
  EXPECT_EQ(names.problem, "");
  EXPECT_EQ(names.Section("pinmame"), pinmame);
}

TEST_F(Window, RescanRunsTabrinOverTheTableFolderThenReadsEachTableWhenMameIsThere) {
  Install(TOOLS_DIR "/fake-vpinball", "tabrin");  // records its runs, catalogues nothing
  Write("mame/mame", "");
  Table("x");
  Table("y");
  const std::tuple<const char*, const char*, const char*, const char*> rows[] = {
      // why, settings, folders: the runs
      {"hidden unless ShowCommandPrompt is 1; with MAME each table is read in turn",
       "ShowCommandPrompt=2\nScanIfNotFound=1\n", "MAMEExe=mame\n",
       "@|@/tables/*.*|-exit|-hide\n@|@/tables/x.vpt|-exit|-hide\n@|@/tables/y.vpt|-exit|-hide\n"
       "@|@/tables/x.vpt|-exit|-hide"},
      {"shown; without MAME only the first table is read again",
       "ShowCommandPrompt=1\nScanIfNotFound=1\n", "",
       "@|@/tables/*.*|-exit\n@|@/tables/x.vpt|-exit|-hide"},
      {"no table folder: said so, and nothing scanned", "", "TablePath=@/gone/\n", ""},
  };
  for (const auto& [why, settings, dirs, runs] : rows) {
    Settings(settings, dirs);
    Form& form = Open();
    fs::remove(dir_.Path("fake-vpinball.log"));
    if (!*runs) dialogs_.Press(MessageResult::kOk);
    QTest::mouseClick(form.cmdRescan, Qt::LeftButton);
    EXPECT_EQ(Runs("fake-vpinball.log"), runs) << why;
    EXPECT_EQ(form.cmdRescan->text(), "ReScan Folder");
  }
  ASSERT_EQ(dialogs_.shown().size(), 1u);
  EXPECT_NE(dialogs_.shown()[0].text.find(dir_.Path("gone/")), std::string::npos);
}

TEST_F(Window, EnterCtrlAndTheButtonPlayTheSelectedTable) {
  Install(TOOLS_DIR "/fake-vpinball", "vp/VPinball912.exe");
  Install(TOOLS_DIR "/fake-vpinball", "vp/VP-Launcher");
  Table("b");
  Table("Night Table");
  QKeyEvent held(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "", true);
  const auto key = [this](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    return [=, this] { QTest::keyClick(form_->focusWidget(), key, modifiers); };
  };
  const auto launcher = [this] {
    Settings("", "VPExe=VP-Launcher\n");
    Open().cmdList_Click();
    Click(form_->List1, 1);
    QTest::mouseClick(form_->cmdLaunch, Qt::LeftButton);
  };
  const std::tuple<const char*, std::function<void()>, const char*> rows[] = {
      // why, what is done: the game started ("" for none)
      {"Enter", key(Qt::Key_Return), "@/vp|-play|-@/tables/b.vpt"},
      {"whatever the shift state", key(Qt::Key_Return, Qt::ShiftModifier),
       "@/vp|-play|-@/tables/b.vpt"},
      {"a held key plays once", [&] { QApplication::sendEvent(form_->File1, &held); }, ""},
      {"other keys play nothing", key(Qt::Key_A), ""},
      {"Ctrl", Then([&] { Click(form_->File1, 1); }, key(Qt::Key_Control)),
       "@/vp|-play|-@/tables/Night Table.vpt"},
      {"the button", [&] { QTest::mouseClick(form_->cmdLaunch, Qt::LeftButton); },
       "@/vp|-play|-@/tables/Night Table.vpt"},
      {"a launcher gets the bare path, from the name list too", launcher,
       "@/vp|@/tables/Night Table.vpt"},
  };
  Settings();
  Open();
  for (const auto& [why, act, run] : rows) {
    fs::remove(dir_.Path("vp/fake-vpinball.log"));
    act();
    EXPECT_EQ(Runs("vp/fake-vpinball.log"), run) << why;
    // Back from the game, the list shown has the keys again.
    EXPECT_EQ(form_->focusWidget(), form_->List1->isHidden() ? form_->File1 : form_->List1) << why;
  }
  EXPECT_TRUE(dialogs_.shown().empty());
}

TEST_F(Window, DisplayButtonsSwitchTheFrameAndTheViewStaysAsTablesAreSelected) {
  Settings();
  for (const char* key : {"alpha", "beta", "gamma"}) Table(key);
  Write("names.ini", "[PinMAME]\nalpha=abc\n[VP]\nalpha=Alpha: Deluxe\nbeta=Beta\n");
  Write("info.ini",
        "[Tabrin]\nAlpha: Deluxe=Alpha: Deluxe|Ann|1.0|2001|a.org|b.org\nBeta=Beta|||||\n[PMInfo]\n"
        "abc=Alpha Game|1991|Maker|\nxyz=Xyz Game|1993|Other|\n");
  dir_.WriteFile("vp/blurb/Alpha Deluxe.txt", ToUtf16Le("A fine table."));
  dir_.WriteFile("vp/rules/Alpha Deluxe.txt", ToUtf16Le("Rule one\r\nRule two"));
  dir_.WriteFile("vp/description/Alpha Deluxe.txt", ToUtf16Le("Made by Ann."));
  // Local before MAME whatever the name, ".png" before ".jpg".
  const std::tuple<const char*, Qt::GlobalColor, int, int> pictures[] = {
      {"vp/snap/Alpha Deluxe.jpg", Qt::green, 30, 60}, {"mame/snap/abc.png", Qt::red, 40, 30},
      {"vp/backglass/abc.png", Qt::blue, 80, 70},      {"vp/backglass/abc.jpg", Qt::yellow, 8, 7},
      {"mame/cabinets/abc.jpg", Qt::magenta, 20, 40},  {"vp/cabinets/Beta.png", Qt::cyan, 5, 10},
  };
  for (const auto& [file, colour, width, height] : pictures) {
    ASSERT_FALSE(WritePicture(dir_, file, colour, width, height).isEmpty());
  }
  Write("vp/flyers/abc.png", "not a picture");
  Form& form = Open();
  const auto click = [](QPushButton* button) {
    return [button] { QTest::mouseClick(button, Qt::LeftButton); };
  };
  const auto select = [&form](int row) { return [&form, row] { Click(form.File1, row); }; };
  const auto screen = [&] {  // the caption, then what each of the frame's controls shows
    return form.FraData->title().mid(12).toStdString() + ":" +
           (form.lblInfo->isVisible()
                ? " " + form.lblInfo->text().split("\r\n").value(2).toStdString()
                : "") +
           (form.txtRules->isVisible() ? " " + form.txtRules->toPlainText().toStdString() : "") +
           (form.imgArt->isVisible() ? " " + Colour(form.imgArt) : "");
  };
  const std::tuple<const char*, std::function<void()>, const char*> steps[] = {
      {"the information first", [] {}, "Game Info: Vpt Name: alpha.vpt"},
      {"the rules", click(form.cmdRules), "Table Rules: Rule one\nRule two"},
      {"which cannot be edited", [&] { QTest::keyClicks(form.txtRules, "x"); },
       "Table Rules: Rule one\nRule two"},
      {"the description", click(form.cmdDesc), "Table Description: Made by Ann."},
      {"the local snapshot", click(form.cmdSnapShot), "SnapShot: g"},
      {"beta has none, and does not show alpha's", select(1), "SnapShot: none"},
      {"beta's cabinet", click(form.cmdCab), "Cabinet: gb"},
      {"alpha's, from MAME", select(0), "Cabinet: rb"},
      {"the local .png backglass", click(form.cmdGlass), "Backglass: b"},
      {"a flyer that is no picture", click(form.cmdFlyer), "Flyer: none"},
      {"the rules stay shown: beta has none", Then(click(form.cmdRules), select(1)),
       "Table Rules: "},
      {"until they come",
       Then([&] { dir_.WriteFile("vp/rules/Beta.txt", ToUtf16Le("Its rules")); }, select(0),
            select(1)),
       "Table Rules: Its rules"},
      {"the information again", click(form.cmdInfo), "Game Info: Vpt Name: beta.vpt"},
  };
  for (const auto& [why, act, shown] : steps) {
    act();
    EXPECT_EQ(screen(), shown) << why;
  }
  EXPECT_EQ(form.focusWidget(), form.File1) << "the information gives the keys to the list";

  // Fitted into the frame: a tall picture by the frame's height, a wide one by its width.
  select(0)();
  const TwipsRect frame = form.layout().FraData;
  form.cmdSnapShot_Click();
  EXPECT_EQ(form.PicSnap->size(), QSize(30, 60));  // the holder takes its picture's size
  EXPECT_EQ(
      form.imgArt->geometry(),
      QRect(TwipsToPixels((frame.Width - 200 - (frame.Height - 800) / 2) / 2), TwipsToPixels(400),
            TwipsToPixels((frame.Height - 800) / 2), TwipsToPixels(frame.Height - 800)));
  EXPECT_EQ(form.imgArt->pixmap().deviceIndependentSize().toSize(), form.imgArt->size());
  form.cmdGlass_Click();  // tall enough to reach the caption, which stays readable
  EXPECT_EQ(std::pair(form.imgArt->x(), form.imgArt->width()),
            std::pair(TwipsToPixels(200), TwipsToPixels(frame.Width - 400)));
  ASSERT_LT(form.imgArt->y(), form.FraData->contentsRect().top());
  EXPECT_EQ(form.imgArt->y() + form.imgArt->mask().boundingRect().top(),
            form.FraData->contentsRect().top());
  // No picture: nothing where the last one was, and a larger window does not move it.
  const QRect fitted = form.imgArt->geometry();
  form.cmdFlyer_Click();
  form.resize(form.width() + 150, form.height() + 90);
  EXPECT_EQ(form.imgArt->geometry(), fitted);

  // Clicking the text or picture shown opens its file; a release alone is no click.
  QWidget* text = form.txtRules->viewport();
  const std::tuple<int, QPushButton*, QWidget*, bool, const char*> clicks[] = {
      // table, view, where, pressed first: the file opened
      {0, form.cmdSnapShot, form.imgArt, false, ""},
      {0, form.cmdSnapShot, form.imgArt, true, "@/vp/snap/Alpha Deluxe.jpg|"},
      {0, form.cmdSnapShot, form.imgArt, false, ""},
      {0, form.cmdFlyer, form.imgArt, true, "@/vp/flyers/abc.png|"},
      {0, form.cmdRules, text, true, "@/vp/rules/Alpha Deluxe.txt|"},
      {0, form.cmdDesc, text, true, "@/vp/description/Alpha Deluxe.txt|"},
      {2, form.cmdRules, text, true, ""},
      {2, form.cmdSnapShot, form.imgArt, true, ""},
  };
  for (const auto& [table, view, where, press, opened] : clicks) {
    select(table)();
    view->click();
    form.opened.clear();
    if (press) QTest::mousePress(where, Qt::LeftButton);
    QTest::mouseRelease(where, Qt::LeftButton);
    EXPECT_EQ(form.opened, At(opened, dir_.path())) << table << " " << view->text().toStdString();
  }

  // The alias is asked for and written under the ROM name, and the table read again with it.
  select(0)();
  dialogs_.Type("xyz").Cancel();
  QTest::mouseClick(form.cmdEditInfo, Qt::LeftButton);
  EXPECT_EQ(dialogs_.shown().back(), ShownBox::Input("Rename The Rom Alias", "Edit Info", ""));
  EXPECT_EQ(dir_.ReadFile("alias.ini"), "[Alias]\r\nabc=xyz\r\n");
  EXPECT_TRUE(form.lblInfo->text().endsWith(QString::fromStdString(Text(
      "\n\nMAME Info:\n~\nName:  Xyz Game\nManufacturer:  Other\nYear:  1993\nParent Rom:  xyz"))));
  EXPECT_EQ(form.state().BackglassFile, "");            // no backglass under the alias
  QTest::mouseClick(form.cmdEditInfo, Qt::LeftButton);  // cancelled
  EXPECT_EQ(dialogs_.shown().back().default_text, "xyz");
  QTest::mouseClick(form.cmdDelInfo, Qt::LeftButton);
  EXPECT_EQ(dir_.ReadFile("alias.ini"), "[Alias]\r\nabc=\r\n");
  EXPECT_EQ(form.state().BackglassFile, dir_.Path("vp/backglass/abc.png"));
  select(2)();  // unknown: there is no ROM name to write under, and nothing is asked
  QTest::mouseClick(form.cmdEditInfo, Qt::LeftButton);
  QTest::mouseClick(form.cmdDelInfo, Qt::LeftButton);
  EXPECT_EQ(dir_.ReadFile("alias.ini"), "[Alias]\r\nabc=\r\n");
  EXPECT_EQ(dialogs_.shown().size(), 2u);
}

TEST_F(Window, ASecondRescanStartedWhileTheFirstWaitsLeavesAWholeCatalogue) {
  Install(TABRIN_BINARY, "tabrin");
  Settings("", "MAMEPath=@/none/\n");
  Catalogue vp, pinmame, tabrin, pminfo;
  std::string listing = "<pinmame>\n";
  for (int i = 10; i < 50; ++i) {
    const std::string n = std::to_string(i);
    Table("t" + n, "Table " + n, "g" + n);
    std::tie(vp["t" + n], pinmame["t" + n]) = std::tuple("Table " + n, "g" + n);
    tabrin["Table " + n] = "Table " + n + "|||||";
    pminfo["g" + n] = "Game " + n + "|1990|M|g" + n;
    listing += "<game name=\"g" + n + "\"><description>Game " + n +
               "</description><year>1990</year><manufacturer>M</manufacturer></game>\n";
  }
  // A PinMAME that holds its listing back until the test opens the gate (20 s at most), so the
  // first rescan is sure to be waiting when the second starts.
  Write("emu/games.xml", listing + "</pinmame>\n");
  const std::string gate =
      At(": >'@/emu/waiting'; i=0; while [ ! -e '@/emu/gate' ] && [ $i -lt 2000 ]; do sleep 0.01; "
         "i=$((i+1)); done; cat '@/emu/games.xml'",
         dir_.path());
  fs::permissions(dir_.WriteFile("emu/pinmame", "#!/bin/sh\n" + gate + "\n"), fs::perms::owner_all);
  Write("Tabrin.ini", "[MAME]\nPath=\\emu\\\nExe=pinmame\nIsPinMAME=1\n");
  for (void (Form1::*second)() : {&Form1::cmdRescan_Click, &Form1::cmdPRescan_Click}) {
    for (const char* file : {"info.ini", "emu/lx.xml", "emu/waiting", "emu/gate"})
      fs::remove(dir_.Path(file));
    Write("names.ini", "[VP]\nGone=Gone\n");
    Write("alias.ini", "[Alias]\nold_l1=old\n");
    Form& form = Open();
    // Events run only inside the first rescan's wait: once its extractor is held at the gate,
    // the second starts from there, and opens the gate from inside its own wait.
    bool second_ran = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (!dir_.Exists("emu/waiting")) return;
      poll.stop();
      QTimer::singleShot(100, [&] { dir_.WriteFile("emu/gate", ""); });
      (form.*second)();
      second_ran = true;
    });
    poll.start(5);
    QTest::mouseClick(form.cmdRescan, Qt::LeftButton);
    ASSERT_TRUE(second_ran);
    const StrictIni names = ReadStrictIni(dir_.ReadFile("names.ini"));
    const StrictIni info = ReadStrictIni(dir_.ReadFile("info.ini"));
    EXPECT_EQ(names.problem + info.problem, "");
    Catalogue kept = vp;
    if (second == &Form1::cmdRescan_Click) kept["Gone"] = "Gone";  // only a purge forgets
    EXPECT_EQ(names.Section("vp"), kept);
    EXPECT_EQ(names.Section("pinmame"), pinmame);
    EXPECT_EQ(info.Section("tabrin"), tabrin);
    EXPECT_EQ(info.Section("pminfo"), pminfo);
    EXPECT_EQ(dir_.ReadFile("alias.ini"), "[Alias]\r\nold_l1=old\r\n");
    // The first table was selected before, and is read again from the new catalogue.
    EXPECT_EQ(form.state().RomName, "g10");
    EXPECT_EQ(form.cmdRescan->text(), "ReScan Folder");
  }
}

TEST_F(Window, BrokenSettingsStartWithSensibleValues) {
  Install(TOOLS_DIR "/fake-vpinball", "tabrin");
  Table("a");
  std::mt19937 random(5);
  std::string junk(64 * 1024, '\0');
  for (char& byte : junk) byte = static_cast<char>(random());
  const std::string dirs = "[Dirs]\nTablePath=@/tables/\n";
  const std::tuple<const char*, std::string, int16_t> cases[] = {
      // what, orvane.ini: ScanIfNotFound
      {"garbage", junk, 1},
      {"huge values",
       "[Settings]\nFirstRun=" + std::string(400, '9') + "\nRescanOnStart=1e999\n" +
           "ScanIfNotFound=99999999999\nShowCommandPrompt=-99999999\n" + dirs +
           "VPExe=" + std::string(100000, 'v') + "\n",
       1},
      {"duplicate sections",
       "[Settings]\nFirstRun=0\nScanIfNotFound=0\n" + dirs +
           "[Settings]\nFirstRun=1\nRescanOnStart=1\n[DIRS]\nTablePath=/nowhere/\n",
       0},
      {"binary bytes",
       std::string("[Settings]\nFirstRun=\xFF"
                   "1\nRescanOnStart=\x01\nScanIfNotFound=0") +
           '\0' + "1\n" + dirs + "VPPath=\x80\x81\n",
       0},
      {"one line of 8 MB", std::string(8 << 20, '['), 1},
  };
  for (const auto& [what, settings, scan] : cases) {
    fs::remove(dir_.Path("fake-vpinball.log"));
    Write("orvane.ini", settings);
    Form& form = Open();  // a wizard would ask, and the script has no answers
    const FrontendSettings& s = form.settings();
    EXPECT_EQ(std::tuple(s.FirstRun, s.RescanOnStart, s.ScanIfNotFound, s.TablePath),
              std::tuple(0, 0, scan, tables_ + "/"))
        << what;
    EXPECT_LE(s.VPExe.size(), 254u) << what;
    EXPECT_EQ(form.File1->count(), 1) << what;
    // No folder scan; the one table is scanned when selected, if the settings say so.
    EXPECT_EQ(Runs("fake-vpinball.log"), scan == 1 ? "@|@/tables/a.vpt|-exit|-hide" : "") << what;
  }
}

}  // namespace
