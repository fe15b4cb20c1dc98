// The window under attack, with the real tabrin in a temporary program folder: a second rescan
// started while the first waits, a table file whose name holds quotes and option words, and
// settings files that are garbage.
#include <gtest/gtest.h>

#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "common/profile.h"
#include "frontend/main_window.h"
#include "support/scripted_dialogs.h"
#include "support/strict_ini.h"
#include "support/temp_dir.h"
#include "table_writer.h"

namespace {

namespace fs = std::filesystem;
using Entries = std::map<std::string, std::string>;

std::string Number(int i) { return (i < 10 ? "0" : "") + std::to_string(i); }

class HostileWindow : public testing::Test {
 protected:
  HostileWindow() : original_folder_(QDir::currentPath()) { tables_ = dir_.MakeDir("tables"); }
  ~HostileWindow() override { QDir::setCurrent(original_folder_); }

  void RealTabrin() { fs::copy_file(TABRIN_BINARY, dir_.Path("tabrin")); }
  void Table(const std::string& file, const std::string& name, const std::string& rom) {
    TableSpec table_spec;
    table_spec.table_name = name;
    table_spec.script = ".GameName = \"" + rom + "\"\r\n";
    ASSERT_TRUE(WriteTable(tables_ + "/" + file, table_spec));
  }
  void Settings(const std::string& scan_if_not_found) {
    dir_.WriteFile("orvane.ini", "[Settings]\r\nScanIfNotFound=" + scan_if_not_found +
                                     "\r\n[Dirs]\r\nTablePath=" + tables_ + "/\r\nVPPath=" +
                                     dir_.path() + "/\r\nMAMEPath=" + dir_.path() + "/none/\r\n");
  }
  Form1& Open() {
    form_ = std::make_unique<Form1>(dir_.path(), dialogs_);
    form_->Form_Load();
    return *form_;
  }

  QString original_folder_;
  TempDir dir_;
  std::string tables_;
  ScriptedDialogs dialogs_;
  std::unique_ptr<Form1> form_;
};

// A stand-in PinMAME that holds its listing back until the test opens the gate (20 s at most),
// so that the first extractor run is sure to be waiting when the second starts.
void GatedEmulator(const TempDir& dir, int games) {
  std::string listing = "<pinmame>\n";
  for (int i = 0; i < games; ++i) {
    listing += "<game name=\"g" + Number(i) + "\"><description>Game " + Number(i) +
               "</description><year>1990</year><manufacturer>M</manufacturer></game>\n";
  }
  dir.WriteFile("emu/games.xml", listing + "</pinmame>\n");
  const std::string emu = dir.Path("emu/");
  dir.WriteFile("emu/pinmame", "#!/bin/sh\n: >'" + emu + "waiting'\ni=0\nwhile [ ! -e '" + emu +
                                   "gate' ] && [ $i -lt 2000 ]; do sleep 0.01; i=$((i+1)); done\n"
                                   "cat '" +
                                   emu + "games.xml'\n");
  fs::permissions(dir.Path("emu/pinmame"), fs::perms::owner_all);
  dir.WriteFile("Tabrin.ini", "[MAME]\r\nPath=\\emu\\\r\nExe=pinmame\r\nIsPinMAME=1\r\n");
}

class SecondRescan : public HostileWindow, public testing::WithParamInterface<void (Form1::*)()> {};

TEST_P(SecondRescan, StartedWhileTheFirstWaitsLeavesAWholeCatalogue) {
  constexpr int kTables = 40;
  RealTabrin();
  GatedEmulator(dir_, kTables);
  Settings("0");
  Entries vp, pinmame, tabrin, pminfo;
  for (int i = 0; i < kTables; ++i) {
    Table("t" + Number(i) + ".vpt", "Table " + Number(i), "g" + Number(i));
    vp["t" + Number(i)] = "Table " + Number(i);
    pinmame["t" + Number(i)] = "g" + Number(i);
    tabrin["Table " + Number(i)] = "Table " + Number(i) + "|||||";
    pminfo["g" + Number(i)] = "Game " + Number(i) + "|1990|M|g" + Number(i);
  }
  Form1& form = Open();

  // Events run only inside the first rescan's wait; once its extractor is held at the gate,
  // the second starts from there, and opens the gate from inside its own wait.
  bool second_ran = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!dir_.Exists("emu/waiting")) return;
    poll.stop();
    QTimer::singleShot(100, [&] { dir_.WriteFile("emu/gate", ""); });
    (form.*GetParam())();
    second_ran = true;
  });
  poll.start(5);
  QTest::mouseClick(form.cmdRescan, Qt::LeftButton);
  poll.stop();
  ASSERT_TRUE(second_ran);

  const StrictIni names = ReadStrictIni(dir_.ReadFile("names.ini"));
  const StrictIni info = ReadStrictIni(dir_.ReadFile("info.ini"));
  EXPECT_EQ(names.problem, "");
  EXPECT_EQ(info.problem, "");
  EXPECT_EQ(names.Section("vp"), vp);
  EXPECT_EQ(names.Section("pinmame"), pinmame);
  EXPECT_EQ(info.Section("tabrin"), tabrin);
  EXPECT_EQ(info.Section("pminfo"), pminfo);
  EXPECT_EQ(form.cmdRescan->text().toStdString(), "ReScan Folder");
  EXPECT_EQ(form.state().RomName, "g00");
}

INSTANTIATE_TEST_SUITE_P(RescanOrPurge, SecondRescan,
                         testing::Values(&Form1::cmdRescan_Click, &Form1::cmdPRescan_Click),
                         [](const auto& info) { return info.index == 0 ? "Rescan" : "Purge"; });

TEST_F(HostileWindow, ATableFileNameCannotHandTheExtractorOptions) {
  RealTabrin();
  Settings("1");
  Table("good.vpt", "Good Table", "good_l1");
  Form1& form = Open();  // selecting the first table scans it
  ASSERT_EQ(ProfileRead("PinMAME", "good", dir_.Path("names.ini")), "good_l1");

  // Selected, each unknown table is scanned alone, its path quoted on the extractor's command
  // line. A quote in the name must not end the path and let "-clear" through.
  const std::vector<std::string> keys = {"x\" -clear \"y", "q\"\"\" -clear", "\" -clear"};
  for (size_t i = 0; i < keys.size(); ++i) Table(keys[i] + ".vpt", "", "evil" + Number(i));
  form.File1_KeyDown(116, 0);  // F5 reads the folder again
  for (int row = 0; row < form.File1->count(); ++row) form.File1->setCurrentRow(row);

  const StrictIni names = ReadStrictIni(dir_.ReadFile("names.ini"));
  EXPECT_EQ(names.problem, "");
  Entries pinmame = {{"good", "good_l1"}};
  for (size_t i = 0; i < keys.size(); ++i) pinmame[keys[i]] = "evil" + Number(i);
  EXPECT_EQ(names.Section("pinmame"), pinmame);
  EXPECT_EQ(names.Get("vp", "good"), "Good Table");
}

TEST_F(HostileWindow, BrokenSettingsStartWithSensibleValues) {
  // A stand-in extractor that only records that it was started.
  dir_.WriteFile("tabrin", "#!/bin/sh\nprintf '%s\\n' \"$*\" >>\"$(dirname \"$0\")/runs.log\"\n");
  fs::permissions(dir_.Path("tabrin"), fs::perms::owner_all);
  Table("a.vpt", "A", "a_l1");
  std::mt19937 random(5);
  std::string junk(64 * 1024, '\0');
  for (char& byte : junk) byte = static_cast<char>(random());
  const std::string dirs = "[Dirs]\r\nTablePath=" + tables_ + "/\r\n";
  struct Case {
    const char* what;
    std::string settings;
    int16_t scan_if_not_found;
  };
  const std::vector<Case> cases = {
      {"garbage", junk, 1},
      {"huge values",
       "[Settings]\r\nFirstRun=" + std::string(400, '9') + "\r\nRescanOnStart=1e999\r\n" +
           "ScanIfNotFound=99999999999\r\nShowCommandPrompt=-99999999\r\n" + dirs +
           "VPExe=" + std::string(100000, 'v') + "\r\n",
       1},
      {"duplicate sections",
       "[Settings]\r\nFirstRun=0\r\nScanIfNotFound=0\r\n" + dirs +
           "[Settings]\r\nFirstRun=1\r\nRescanOnStart=1\r\n[DIRS]\r\nTablePath=/nowhere/\r\n",
       0},
      {"binary bytes",
       std::string("[Settings]\r\nFirstRun=\xFF"
                   "1\r\nRescanOnStart=\x01\r\nScanIfNotFound=0") +
           '\0' + "1\r\n" + dirs + "VPPath=\x80\x81\r\n",
       0},
      {"one line of 8 MB", std::string(8 << 20, '['), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(dir_.Path("runs.log"));
    dir_.WriteFile("orvane.ini", c.settings);
    Form1& form = Open();  // a wizard would ask, and the script has no answers
    const FrontendSettings& settings = form.settings();
    EXPECT_EQ(settings.FirstRun, 0);
    EXPECT_EQ(settings.RescanOnStart, 0);
    EXPECT_EQ(settings.ScanIfNotFound, c.scan_if_not_found);
    EXPECT_EQ(settings.TablePath, tables_ + "/");
    EXPECT_LE(settings.VPExe.size(), 254u);
    EXPECT_EQ(form.File1->count(), 1);
    // No folder scan; the one unknown table is scanned when selected, if the settings say so.
    const std::string runs = dir_.ReadFile("runs.log");
    EXPECT_EQ(runs, c.scan_if_not_found == 1 ? tables_ + "/a.vpt -exit -hide\n" : "");
  }
}

}  // namespace
