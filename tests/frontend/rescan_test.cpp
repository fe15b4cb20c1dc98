// The rescan, the purge and the first-run wizard, run in the real window against the real
// tabrin (or a recording stand-in for it) in a temporary program folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/profile.h"
#include "frontend/main_window.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "table_writer.h"

namespace {

class Rescan : public testing::Test {
 protected:
  Rescan() : original_folder_(QDir::currentPath()) { tables_ = dir_.MakeDir("tables"); }
  ~Rescan() override { QDir::setCurrent(original_folder_); }

  void Settings(const std::string& extra_settings = "", const std::string& extra_dirs = "") {
    dir_.WriteFile("orvane.ini", "[Settings]\r\n" + extra_settings + "ScanIfNotFound=1\r\n" +
                                     "[Dirs]\r\n" + extra_dirs + "TablePath=" + tables_ +
                                     "/\r\nVPPath=" + dir_.path() + "/\r\nMAMEPath=" + dir_.path() +
                                     "/emu/\r\n");
  }
  void RealTabrin() { std::filesystem::copy_file(TABRIN_BINARY, dir_.Path("tabrin")); }
  // A tabrin that records its arguments and takes a moment, as a real scan does.
  void RecordingTabrin() {
    dir_.WriteFile("tabrin",
                   "#!/bin/sh\nprintf '%s\\n' \"$*\" >>\"$(dirname \"$0\")/runs.log\"\n"
                   "sleep 0.3\n");
    std::filesystem::permissions(dir_.Path("tabrin"), std::filesystem::perms::owner_all);
  }
  void PinMameTable(const std::string& file, const std::string& name, const std::string& rom) {
    TableSpec table_spec;
    table_spec.table_name = name;
    table_spec.script = ".GameName = \"" + rom + "\"\r\n";
    ASSERT_TRUE(WriteTable(tables_ + "/" + file, table_spec));
  }
  Form1& Open() {
    form_ = std::make_unique<Form1>(dir_.path(), dialogs_);
    form_->Form_Load();
    form_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    return *form_;
  }
  // Clicks cmdRescan (or another button) and records every caption cmdRescan shows meanwhile.
  std::vector<std::string> ClickRecordingCaptions(QPushButton* button) {
    std::vector<std::string> captions;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
      const std::string caption = form_->cmdRescan->text().toStdString();
      if (captions.empty() || captions.back() != caption) captions.push_back(caption);
    });
    timer.start(20);
    QTest::mouseClick(button, Qt::LeftButton);
    timer.stop();
    const std::string last = form_->cmdRescan->text().toStdString();
    if (captions.empty() || captions.back() != last) captions.push_back(last);
    return captions;
  }
  static std::vector<std::string> Entries(const QListWidget* list) {
    std::vector<std::string> entries;
    for (int i = 0; i < list->count(); ++i) entries.push_back(list->item(i)->text().toStdString());
    return entries;
  }
  std::string Names(const std::string& section, const std::string& key) {
    return ProfileRead(section, key, dir_.Path("names.ini"));
  }

  QString original_folder_;
  TempDir dir_;
  std::string tables_;
  ScriptedDialogs dialogs_;
  std::unique_ptr<Form1> form_;
};

TEST_F(Rescan, PurgeAndRescanRebuildTheCatalogueAndKeepAliases) {
  RealTabrin();
  Settings("ScanIfNotFound=0\r\n");
  PinMameTable("Night.vpt", "Night Table Deluxe", "ntbl_l2");
  PinMameTable("Day.vpt", "Day Table", "day_l1");
  dir_.WriteFile("names.ini", "[VP]\r\nGone=Gone\r\n");
  dir_.WriteFile("alias.ini", "[Alias]\r\nntbl_l2=ntbl\r\n");
  Form1& form = Open();

  const auto captions = ClickRecordingCaptions(form.cmdPRescan);
  EXPECT_EQ(captions.back(), "ReScan Folder");
  EXPECT_EQ(Names("VP", "Gone"), "");
  EXPECT_EQ(Names("VP", "Night"), "Night Table Deluxe");
  EXPECT_EQ(Names("PinMAME", "Night"), "ntbl_l2");
  EXPECT_EQ(ProfileRead("Alias", "ntbl_l2", dir_.Path("alias.ini")), "ntbl");
  EXPECT_EQ(form.File1->currentRow(), 0);
  EXPECT_EQ(form.state().RomName, "day_l1");  // the first table, read after the scan

  form.cmdList_Click();  // by PinMAME name: no game information, so the alias or ROM name
  EXPECT_EQ(Entries(form.List1), (std::vector<std::string>{"day_l1", "ntbl"}));
  form.cmdList_Click();  // by table name
  EXPECT_EQ(Entries(form.List1), (std::vector<std::string>{"Day Table", "Night Table Deluxe"}));
}

TEST_F(Rescan, ATableAddedLaterIsScannedWhenSelected) {
  RealTabrin();
  Settings();
  PinMameTable("A.vpt", "Table A", "a_l1");
  Form1& form = Open();
  QTest::mouseClick(form.cmdRescan, Qt::LeftButton);
  PinMameTable("B.vpt", "Table B", "b_l1");
  form.File1_KeyDown(116, 0);  // F5 reads the folder again
  ASSERT_EQ(form.File1->count(), 2);
  form.File1->setCurrentRow(1);
  EXPECT_EQ(Names("PinMAME", "B"), "b_l1");
  EXPECT_EQ(form.state().RomName, "b_l1");
  EXPECT_EQ(form.state().BaseName, "Table B");
}

TEST_F(Rescan, CaptionsFollowTheWorkAndArgumentsHideTheExtractor) {
  RecordingTabrin();
  Settings("ShowCommandPrompt=2\r\n", "MAMEExe=mame\r\n");
  dir_.WriteFile("emu/mame", "");
  dir_.WriteFile("tables/x.vpt", "");  // unknown to the catalogue: scanned during the walk
  Form1& form = Open();
  std::filesystem::remove(dir_.Path("runs.log"));

  EXPECT_EQ(ClickRecordingCaptions(form.cmdRescan),
            (std::vector<std::string>{"Scanning...", "Getting MAME Info", "ReScan Folder"}));
  const std::string runs = dir_.ReadFile("runs.log");
  EXPECT_EQ(runs.substr(0, runs.find('\n')), tables_ + "/*.* -exit -hide");
  EXPECT_NE(runs.find(tables_ + "/x.vpt -exit -hide"), std::string::npos);
}

TEST_F(Rescan, ShowingTheCommandPromptLeavesTheWindowOnAndNoMameSkipsTheWalk) {
  RecordingTabrin();
  Settings("ShowCommandPrompt=1\r\n");
  Form1& form = Open();
  std::filesystem::remove(dir_.Path("runs.log"));
  EXPECT_EQ(ClickRecordingCaptions(form.cmdRescan),
            (std::vector<std::string>{"Scanning...", "ReScan Folder"}));
  EXPECT_EQ(dir_.ReadFile("runs.log"), tables_ + "/*.* -exit\n");
}

TEST_F(Rescan, AMissingTableFolderIsReportedAndNothingIsScanned) {
  RecordingTabrin();
  dir_.WriteFile("orvane.ini", "[Dirs]\r\nTablePath=" + dir_.path() + "/nowhere/\r\n");
  Form1& form = Open();
  dialogs_.Press(MessageResult::kOk);
  QTest::mouseClick(form.cmdRescan, Qt::LeftButton);
  ASSERT_EQ(dialogs_.shown().size(), 1u);
  EXPECT_NE(dialogs_.shown()[0].text.find("nowhere"), std::string::npos);
  EXPECT_FALSE(dir_.Exists("runs.log"));
  EXPECT_EQ(form.cmdRescan->text().toStdString(), "ReScan Folder");
}

TEST_F(Rescan, TheWizardWritesBothSettingsFilesAndItsScanFillsTheCatalogue) {
  RealTabrin();
  dir_.WriteFile("orvane.ini", "[Settings]\r\nFirstRun=1\r\nRescanOnStart=1\r\n");
  dir_.MakeDir("vp");
  dir_.WriteFile("vp/VPinball912.exe", "");
  PinMameTable("Night.vpt", "Night Table Deluxe", "ntbl_l2");
  dialogs_.Press(MessageResult::kOk)
      .Type(dir_.Path("vp"))  // Visual Pinball folder, without its "/"
      .Type("VPinball912.exe")
      .Type(tables_)               // table folder, without its "/"
      .Press(MessageResult::kNo)   // no MAME
      .Press(MessageResult::kNo)   // default artwork folders
      .Press(MessageResult::kNo)   // no command prompt
      .Press(MessageResult::kOk)   // scan now
      .Press(MessageResult::kOk);  // done
  Form1& form = Open();
  EXPECT_EQ(dialogs_.remaining(), 0u);
  const std::string ini = dir_.Path("orvane.ini");
  EXPECT_EQ(ProfileRead("Dirs", "VPPath", ini), dir_.Path("vp") + "/");
  EXPECT_EQ(ProfileRead("Dirs", "TablePath", ini), tables_ + "/");
  EXPECT_EQ(ProfileRead("Settings", "FirstRun", ini), "0");
  EXPECT_EQ(ProfileRead("MAME", "Path", dir_.Path("tabrin.ini")), "");
  EXPECT_EQ(Names("PinMAME", "Night"), "ntbl_l2");
  EXPECT_EQ(form.settings().TablePath, tables_ + "/");
  EXPECT_EQ(form.settings().RescanOnStart, 0);  // no second scan after the wizard's own
  EXPECT_EQ(form.File1->count(), 1);
}

}  // namespace
