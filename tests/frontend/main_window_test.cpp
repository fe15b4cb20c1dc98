// Drives the real window offscreen: a temporary program folder with orvane.ini, a catalogue and
// table files, the real tabrin, and tools/fake-vpinball standing in for Visual Pinball.
#include "frontend/main_window.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/profile.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "table_writer.h"

namespace {

// The window with its later parts replaced by recorders. GetInfo stands in for the information
// panel as far as the name views need it: it sets PMName and TableName when the catalogue has
// them and leaves them alone otherwise.
class RecordingForm : public Form1 {
 public:
  using Form1::Form1;
  void FirstRun() override {
    calls.push_back("FirstRun");
    if (on_first_run) on_first_run();
  }
  void cmdRescan_Click() override { calls.push_back("cmdRescan_Click"); }
  void GetInfo() override {
    calls.push_back("GetInfo " + File1->FileName());
    const std::string info = program_folder() + "/info.ini";
    const WindowState& s = state();
    const std::string game =
        ProfileRead("PMInfo", s.RomAlias.empty() ? s.RomName : s.RomAlias, info);
    if (!game.empty()) state().PMName = game.substr(0, game.find('|'));
    const std::string table = ProfileRead("Tabrin", s.BaseName, info);
    if (!table.empty()) state().TableName = table.substr(0, table.find('|'));
  }
  void LoadPictures() override { calls.push_back("LoadPictures " + File1->FileName()); }

  std::vector<std::string> calls;
  std::function<void()> on_first_run;
};

// One run of the stand-in program: its working folder and arguments.
struct Started {
  std::string cwd;
  std::vector<std::string> args;
};

class Window : public testing::Test {
 protected:
  Window() : original_folder_(QDir::currentPath()) {
    tables_ = dir_.MakeDir("tables");
    vp_ = dir_.MakeDir("vp");
  }
  // Starting a program leaves the process in its folder, which goes away with the test.
  ~Window() override { QDir::setCurrent(original_folder_); }

  // Writes orvane.ini: the `settings` and `dirs` lines, then (the first of a key counts) the
  // tables and vp folders and no scans.
  void Settings(const std::string& settings = "", const std::string& dirs = "") {
    dir_.WriteFile("orvane.ini", "[Settings]\r\n" + settings + "ScanIfNotFound=0\r\n[Dirs]\r\n" +
                                     dirs + "TablePath=" + tables_ + "/\r\nVPPath=" + vp_ +
                                     "/\r\n");
  }
  void Table(const std::string& file) { dir_.WriteFile("tables/" + file, ""); }
  void Catalogue(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value) {
    ProfileWrite(section, key, value, dir_.Path(file));
  }
  // Puts the stand-in program into `folder` under `name`.
  void StandIn(const std::string& folder, const std::string& name) {
    std::filesystem::copy_file(TOOLS_DIR "/fake-vpinball", folder + "/" + name);
  }

  RecordingForm& Open() {
    if (!dir_.Exists("orvane.ini")) Settings();
    form_ = std::make_unique<RecordingForm>(dir_.path(), dialogs_);
    form_->Form_Load();
    form_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    return *form_;
  }

  static void Click(QListWidget* list, int row) {
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
  }
  static std::vector<std::string> Entries(const QListWidget* list) {
    std::vector<std::string> entries;
    for (int i = 0; i < list->count(); ++i) entries.push_back(list->item(i)->text().toStdString());
    return entries;
  }
  // The runs recorded by the stand-in in `folder`.
  std::vector<Started> Runs(const std::string& folder) {
    std::vector<Started> runs;
    QFile file(QString::fromStdString(folder + "/fake-vpinball.log"));
    if (!file.open(QIODevice::ReadOnly)) return runs;
    for (const QByteArray& line : file.readAll().split('\n')) {
      const std::string text = line.toStdString();
      if (text == "run") runs.emplace_back();
      if (text.rfind("cwd=", 0) == 0) runs.back().cwd = text.substr(4);
      if (text.rfind("arg=", 0) == 0) runs.back().args.push_back(text.substr(4));
    }
    return runs;
  }
  void ClearCalls() { form_->calls.clear(); }

  TempDir dir_;
  std::string tables_;
  std::string vp_;
  QString original_folder_;
  ScriptedDialogs dialogs_;  // the browser asks nothing
  std::unique_ptr<RecordingForm> form_;
};

using Texts = std::vector<std::string>;

TEST_F(Window, HasItsControlsInTabOrderWithTheirTextsAndPlaces) {
  RecordingForm form(dir_.path(), dialogs_);
  EXPECT_EQ(form.windowTitle(), "Orvane");
  // Name and text of the shown controls that take the focus, in tab order.
  const std::vector<std::pair<const char*, const char*>> tab_order = {
      {"File1", ""},
      {"cmdInfo", "Information"},
      {"cmdGlass", "Backglass"},
      {"cmdSnapShot", "SnapShot"},
      {"cmdCab", "Cabinet"},
      {"cmdFlyer", "Flyer"},
      {"cmdRescan", "ReScan Folder"},
      {"cmdEditInfo", "Edit Alias"},
      {"cmdDelInfo", "Delete Alias"},
      {"cmdPRescan", "Purge ini and Rescan"},
      {"cmdList", "View by PinMAME Name"},
      {"cmdRules", "Rules"},
      {"cmdDesc", "Description"},
      {"cmdLaunch", "Launch Game"}};
  QWidget* widget = form.File1;
  for (const auto& [name, text] : tab_order) {
    while (!(widget->focusPolicy() & Qt::TabFocus) || widget->isHidden()) {
      widget = widget->nextInFocusChain();
    }
    EXPECT_EQ(widget->objectName(), name);
    if (auto* button = qobject_cast<QPushButton*>(widget)) EXPECT_EQ(button->text(), text);
    widget = widget->nextInFocusChain();
  }
  // The hidden ones: the name list over the file list, the frame's contents, the holders.
  EXPECT_TRUE(form.findChild<QListWidget*>("List1")->isHidden());
  EXPECT_GT(form.children().indexOf(form.List1), form.children().indexOf(form.File1));
  const auto* frame = form.findChild<QGroupBox*>("FraData");
  for (const auto& [name, in_frame] :
       std::vector<std::pair<const char*, bool>>{{"lblInfo", true},
                                                 {"txtRules", true},
                                                 {"imgArt", true},
                                                 {"PicSnap", true},
                                                 {"PicMarquee", false},
                                                 {"picCabinet", false},
                                                 {"PicFlyer", false}}) {
    const QWidget* hidden = form.findChild<QWidget*>(name);
    ASSERT_NE(hidden, nullptr) << name;
    EXPECT_TRUE(hidden->isHidden()) << name;
    EXPECT_EQ(hidden->parentWidget() == frame, in_frame) << name;
  }
  // Twips at creation in pixels, relative to the container.
  EXPECT_EQ(form.File1->geometry(), QRect(16, 16, 497, 500));
  EXPECT_EQ(form.cmdList->geometry(), QRect(256, 0, 137, 17));
  EXPECT_EQ(form.lblInfo->geometry(), QRect(40, 112, 105, 57));
}

TEST_F(Window, LaysItselfOutFromItsOuterSize) {
  RecordingForm& form = Open();
  // 16740 x 8700 twips outside, whatever the frame takes.
  form.resize(1116 - (form.frameGeometry().width() - form.width()),
              580 - (form.frameGeometry().height() - form.height()));
  ASSERT_EQ(form.frameGeometry().size(), QSize(1116, 580));
  EXPECT_EQ(form.File1->geometry(), QRect(16, 16, 526, 500));
  EXPECT_EQ(form.List1->geometry(), QRect(16, 16, 526, 500));
  EXPECT_EQ(form.cmdLaunch->geometry(), QRect(16, 516, 185, 17));
  EXPECT_EQ(form.FraData->geometry(), QRect(558, 56, 526, 468));
  EXPECT_EQ(form.cmdFlyer->geometry().left(), 900);
}

TEST_F(Window, StartsOnTheFirstTableWithTheFileListFocused) {
  Table("b.vpt");
  Table("A.vpt");
  Table("notes.txt");
  Catalogue("names.ini", "VP", "A", "Alpha");
  RecordingForm& form = Open();
  EXPECT_EQ(Entries(form.File1), (Texts{"A.vpt", "b.vpt"}));
  EXPECT_EQ(form.calls, (Texts{"GetInfo A.vpt", "LoadPictures A.vpt"}));
  EXPECT_EQ(form.state().RomName, "Alpha");
  EXPECT_EQ(form.focusWidget(), form.File1);
}

TEST_F(Window, StartsOnAnEmptyOrMissingTableFolder) {
  EXPECT_TRUE(Open().calls.empty());
  // A table folder that is not there leaves the list on the folder the program started in.
  const std::string started_in = dir_.MakeDir("started");
  dir_.WriteFile("started/here.vpt", "");
  QDir::setCurrent(QString::fromStdString(started_in));
  Settings("", "TablePath=" + dir_.Path("gone") + "/\r\n");
  RecordingForm& form = Open();
  EXPECT_EQ(form.File1->Path(), started_in);
  EXPECT_EQ(form.calls, (Texts{"GetInfo here.vpt", "LoadPictures here.vpt"}));
}

TEST_F(Window, TheWizardComesFirstThenTheSettingsAgainAndNoStartupRescan) {
  Settings("FirstRun=1\r\nRescanOnStart=1\r\n");
  Table("a.vpt");
  const std::string other = dir_.MakeDir("other");
  dir_.WriteFile("other/z.vpt", "");
  form_ = std::make_unique<RecordingForm>(dir_.path(), dialogs_);
  form_->on_first_run = [&] {
    Settings("FirstRun=0\r\nRescanOnStart=1\r\n", "TablePath=" + other + "/\r\n");
  };
  form_->Form_Load();
  EXPECT_EQ(form_->calls, (Texts{"FirstRun", "GetInfo z.vpt", "LoadPictures z.vpt"}));
}

TEST_F(Window, TheStartupRescanComesBeforeTheFirstSelection) {
  Settings("RescanOnStart=1\r\n", "VPExe=VP-Launcher.exe\r\n");
  Table("a.vpt");
  RecordingForm& form = Open();
  EXPECT_EQ(form.calls, (Texts{"cmdRescan_Click", "GetInfo a.vpt", "LoadPictures a.vpt"}));
  EXPECT_TRUE(form.state().LauncherMode);
}

class NameViews : public Window {
 protected:
  NameViews() {
    for (const char* name : {"a_first.vpt", "b_second.vpt", "c_unknown.vpt", "d_plain.vpt"}) {
      Table(name);
    }
    Catalogue("names.ini", "VP", "a_first", "Alpha Table");
    Catalogue("names.ini", "PinMAME", "a_first", "zz_rom");
    Catalogue("names.ini", "VP", "b_second", "Beta");
    Catalogue("names.ini", "PinMAME", "b_second", "bb_rom");
    Catalogue("names.ini", "VP", "d_plain", "Delta");
    Catalogue("alias.ini", "Alias", "bb_rom", "bb_alias");
    Catalogue("info.ini", "Tabrin", "Alpha Table", "Alpha Table|Ann||||");
    Catalogue("info.ini", "PMInfo", "zz_rom", "Zeta Game|1990|Maker|zz_rom");
  }
};

TEST_F(NameViews, CycleThroughTheThreeViews) {
  RecordingForm& form = Open();
  ClearCalls();
  QTest::mouseClick(form.cmdList, Qt::LeftButton);
  EXPECT_EQ(form.cmdList->text(), "View by Table Name");
  EXPECT_FALSE(form.List1->isHidden());
  // No entry inherits the names of the one before it; an unknown table keeps its line.
  EXPECT_EQ(Entries(form.List1), (Texts{"Zeta Game", "bb_alias", "", "Delta"}));
  // The last entry first, then each in turn without artwork, then the first with it.
  EXPECT_EQ(form.calls, (Texts{"GetInfo d_plain.vpt", "GetInfo a_first.vpt", "GetInfo b_second.vpt",
                               "GetInfo c_unknown.vpt", "GetInfo d_plain.vpt",
                               "GetInfo a_first.vpt", "LoadPictures a_first.vpt"}));
  EXPECT_FALSE(form.state().BuildingList);
  EXPECT_EQ(form.File1->currentRow(), 0);
  EXPECT_EQ(form.focusWidget(), form.List1);

  QTest::mouseClick(form.cmdList, Qt::LeftButton);
  EXPECT_EQ(form.cmdList->text(), "View by File Name");
  EXPECT_EQ(Entries(form.List1), (Texts{"Alpha Table", "bb_alias", "", "Delta"}));

  QTest::mouseClick(form.cmdList, Qt::LeftButton);
  EXPECT_EQ(form.state().ViewMode, 0);
  EXPECT_EQ(form.cmdList->text(), "View by PinMAME Name");
  EXPECT_TRUE(form.List1->isHidden());
  EXPECT_EQ(form.focusWidget(), form.File1);
}

TEST_F(NameViews, MouseAndKeysInEitherListSelectTheFileInThatPlace) {
  RecordingForm& form = Open();
  Click(form.File1, 1);
  QTest::keyClick(form.File1, Qt::Key_Down);
  EXPECT_EQ(form.File1->currentRow(), 2);
  EXPECT_EQ(form.state().RomName, "");  // c_unknown
  form.cmdList_Click();
  ClearCalls();
  Click(form.List1, 3);
  EXPECT_EQ(form.File1->currentRow(), 3);
  EXPECT_EQ(form.state().RomName, "Delta");
  EXPECT_EQ(form.state().VPOnly, 1);
  QTest::keyClick(form.List1, Qt::Key_Home);
  EXPECT_EQ(form.File1->currentRow(), 0);
  EXPECT_EQ(form.state().RomName, "zz_rom");
  EXPECT_EQ(form.state().BaseName, "Alpha Table");
  EXPECT_EQ(form.calls, (Texts{"GetInfo d_plain.vpt", "LoadPictures d_plain.vpt",
                               "GetInfo a_first.vpt", "LoadPictures a_first.vpt"}));
}

TEST_F(NameViews, F5RereadsTheFilesButLeavesTheNameList) {
  RecordingForm& form = Open();
  form.cmdList_Click();
  const Texts names = Entries(form.List1);
  Table("e_new.vpt");
  std::filesystem::remove(tables_ + "/c_unknown.vpt");
  ClearCalls();
  QTest::keyClick(form.List1, Qt::Key_F5);
  EXPECT_EQ(Entries(form.File1),
            (Texts{"a_first.vpt", "b_second.vpt", "d_plain.vpt", "e_new.vpt"}));
  EXPECT_EQ(form.File1->currentRow(), -1);
  EXPECT_EQ(Entries(form.List1), names);
  EXPECT_TRUE(form.calls.empty());
}

TEST_F(Window, TheFileListStillScrollsToItsSelectionAfterANameView) {
  for (int i = 0; i < 80; ++i) Table("t" + std::to_string(100 + i) + ".vpt");
  RecordingForm& form = Open();
  form.cmdList_Click();  // every table selected in turn, the last one among them
  const auto shown = [&form](int row) {
    return form.File1->viewport()->rect().contains(
        form.File1->visualItemRect(form.File1->item(row)));
  };
  EXPECT_TRUE(form.File1->hasAutoScroll());
  EXPECT_EQ(form.File1->currentRow(), 0);
  form.cmdList_Click();
  form.cmdList_Click();  // the file view again, on its entry 0
  EXPECT_TRUE(shown(0));
  form.File1->setCurrentRow(79);
  EXPECT_TRUE(shown(79));
  EXPECT_FALSE(shown(0));
}

class Extractor : public Window {
 protected:
  void Scan(int value) { Settings("ScanIfNotFound=" + std::to_string(value) + "\r\n"); }
};

TEST_F(Extractor, AnUnknownTableIsScannedByTheRealTabrin) {
  std::filesystem::copy_file(TABRIN_BINARY, dir_.Path("tabrin"));
  Scan(1);
  TableSpec table_spec;
  table_spec.table_name = "Night Table Deluxe";
  table_spec.script =
      "Const cGameName = \"ntbl_l2\"\r\nSub Table1_Init\r\n.GameName = cGameName\r\n";
  ASSERT_TRUE(WriteTable(tables_ + "/Night Table.vpt", table_spec));
  RecordingForm& form = Open();
  EXPECT_EQ(form.state().RomName, "ntbl_l2");
  EXPECT_EQ(form.state().BaseName, "Night Table Deluxe");
  EXPECT_TRUE(dialogs_.shown().empty());
}

TEST_F(Extractor, TheScanIsOneRunWithTheQuotedTablePathAndOnlyWhenAskedFor) {
  StandIn(dir_.path(), "tabrin");
  Table("Night Table.vpt");
  Table("Known.vpt");
  Catalogue("names.ini", "VP", "Known", "Known Table");
  for (const int value : {0, -1}) {
    Scan(value);
    Click(Open().File1, 1);
  }
  EXPECT_TRUE(Runs(dir_.path()).empty());
  Scan(1);
  RecordingForm& form = Open();  // selects Known: nothing to scan
  EXPECT_TRUE(Runs(dir_.path()).empty());
  Click(form.File1, 1);
  const std::vector<Started> runs = Runs(dir_.path());
  ASSERT_EQ(runs.size(), 1u);  // the stand-in catalogues nothing, and still it runs once
  EXPECT_EQ(runs[0].cwd, dir_.path());
  EXPECT_EQ(runs[0].args, (Texts{tables_ + "/Night Table.vpt", "-exit", "-hide"}));
}

class Launch : public Window {
 protected:
  Launch() {
    Table("Night Table.vpt");
    Table("b.vpt");
  }
  Texts Played(const std::string& file) { return {"-play", "-" + tables_ + "/" + file}; }
};

TEST_F(Launch, EnterCtrlAndTheLaunchButtonPlayTheSelectedTable) {
  StandIn(vp_, "VPinball912.exe");
  RecordingForm& form = Open();
  QTest::keyClick(form.File1, Qt::Key_Return);
  QTest::keyClick(form.File1, Qt::Key_Return, Qt::ShiftModifier);
  Click(form.File1, 1);
  QTest::keyClick(form.File1, Qt::Key_Control);
  QTest::mouseClick(form.cmdLaunch, Qt::LeftButton);
  QTest::keyClick(form.File1, Qt::Key_A);  // no launch
  const std::vector<Started> runs = Runs(vp_);
  ASSERT_EQ(runs.size(), 4u);
  EXPECT_EQ(runs[0].cwd, vp_);
  EXPECT_EQ(runs[1].args, Played("b.vpt"));
  EXPECT_EQ(runs[2].args, Played("Night Table.vpt"));
  EXPECT_EQ(runs[3].args, Played("Night Table.vpt"));
  EXPECT_EQ(form.focusWidget(), form.File1);
  EXPECT_TRUE(dialogs_.shown().empty());
}

TEST_F(Launch, ALauncherGetsTheBarePathFromTheNameList) {
  StandIn(vp_, "VP-Launcher");
  Settings("", "VPExe=VP-Launcher\r\n");
  RecordingForm& form = Open();
  form.cmdList_Click();
  Click(form.List1, 1);
  Click(form.List1, 0);
  // The game takes the focus while it runs; the name list has it again afterwards.
  qputenv("FAKE_VPINBALL_SECONDS", "0.5");
  QTimer::singleShot(300, &form, [&] { form.cmdList->setFocus(); });
  QTest::keyClick(form.List1, Qt::Key_Return);
  qunsetenv("FAKE_VPINBALL_SECONDS");
  const std::vector<Started> runs = Runs(vp_);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].args, (Texts{tables_ + "/b.vpt"}));
  EXPECT_EQ(form.focusWidget(), form.List1);
  // A name with a space still reaches the launcher as one path.
  Click(form.List1, 1);
  QTest::keyClick(form.List1, Qt::Key_Return);
  ASSERT_EQ(Runs(vp_).size(), 2u);
  EXPECT_EQ(Runs(vp_)[1].args, (Texts{tables_ + "/Night Table.vpt"}));
}

TEST_F(Launch, TheWindowKeepsAnsweringWhileTheGameRuns) {
  StandIn(vp_, "VPinball912.exe");
  RecordingForm& form = Open();
  qputenv("FAKE_VPINBALL_SECONDS", "1");
  QTimer::singleShot(400, &form, [&] { QTest::mouseClick(form.cmdList, Qt::LeftButton); });
  QElapsedTimer timer;
  timer.start();
  form.cmdLaunch_Click();
  qunsetenv("FAKE_VPINBALL_SECONDS");
  EXPECT_GE(timer.elapsed(), 900);
  EXPECT_EQ(form.state().ViewMode, 1);  // a handler ran in the middle
  EXPECT_EQ(Runs(vp_).size(), 1u);
}

}  // namespace
