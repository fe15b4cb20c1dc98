// Builds the PinMAME-name view over a generated collection (4,000 tables unless a count is
// given) in the real window, offscreen, and reports the time per table and how often the
// profile layer parsed a file. Also reports how long the window takes to show.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/profile_cache.h"
#include "frontend/dialogs.h"
#include "frontend/main_window.h"

namespace {

class SilentDialogs : public Dialogs {
 public:
  MessageResult MessageBox(const std::string&, MessageButtons, const std::string&) override {
    return MessageResult::kOk;
  }
  std::string InputBox(const std::string&, const std::string&, const std::string&) override {
    return "";
  }
};

bool WriteText(const std::string& path, const std::string& text) {
  QFile file(QString::fromStdString(path));
  return file.open(QIODevice::WriteOnly) &&
         file.write(text.data(), text.size()) == qint64(text.size());
}

// A program folder with names.ini, info.ini, alias.ini and `count` empty table files, every one
// of them catalogued, as after a full scan.
bool MakeCollection(const std::string& folder, int count) {
  if (!QDir().mkpath(QString::fromStdString(folder + "/tables"))) return false;
  std::string vp = "[VP]\r\n", pinmame = "[PinMAME]\r\n";
  std::string tabrin = "[Tabrin]\r\n", pminfo = "[PMInfo]\r\n", alias = "[Alias]\r\n";
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    const std::string key = "Table " + n + " (VP9)";
    const std::string name = "Table Number " + n;
    const std::string rom = "rom" + n + "_l1";
    if (!WriteText(folder + "/tables/" + key + ".vpt", "")) return false;
    vp += key + "=" + name + "\r\n";
    tabrin += name + "=" + name + "|Author " + n + "|1.0|2008|a@b.c|www.example.com\r\n";
    if (i % 4 == 3) continue;  // every fourth table is a plain one
    pinmame += key + "=" + rom + "\r\n";
    if (i % 10 == 0) {
      alias += rom + "=alias" + n + "\r\n";
      pminfo += "alias" + n + "=Game " + n + " (alias)|1992|Maker|alias" + n + "\r\n";
    } else if (i % 3 != 0) {
      pminfo += rom + "=Game " + n + "|1991|Maker|" + rom + "\r\n";
    }
  }
  return WriteText(folder + "/names.ini", vp + "\r\n" + pinmame) &&
         WriteText(folder + "/info.ini", tabrin + "\r\n" + pminfo) &&
         WriteText(folder + "/alias.ini", alias);
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const auto process_start = std::chrono::steady_clock::now();
  QApplication app(argc, argv);
  const auto app_ready = std::chrono::steady_clock::now();
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 4000;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

  QTemporaryDir temp;
  const std::string folder = temp.path().toStdString();
  if (!temp.isValid() || !MakeCollection(folder, count)) {
    std::fprintf(stderr, "cannot write the collection in %s\n", folder.c_str());
    return 1;
  }
  SilentDialogs dialogs;

  // Start-up: settings, the file list, the first selection, then the window on screen.
  ClearProfileCache();
  ResetProfileCacheStats();
  const auto show_start = std::chrono::steady_clock::now();
  Form1 form(folder, dialogs);
  form.Form_Load();
  form.show();
  QApplication::processEvents();
  const auto shown = std::chrono::steady_clock::now();
  const long long startup_parses = GetProfileCacheStats().parses;
  if (form.File1->count() != count) {
    std::fprintf(stderr, "listed %d tables, expected %d\n", form.File1->count(), count);
    return 1;
  }

  // The PinMAME-name view, from a cold cache each round; the two presses that lead back to the
  // file view are not timed.
  std::vector<double> per_table_us;
  long long view_parses = 0, view_reads = 0;
  for (int round = 0; round < rounds; ++round) {
    ClearProfileCache();
    ResetProfileCacheStats();
    const auto start = std::chrono::steady_clock::now();
    form.cmdList_Click();
    QApplication::processEvents();
    const auto end = std::chrono::steady_clock::now();
    per_table_us.push_back(Seconds(end - start) * 1e6 / count);
    view_parses = GetProfileCacheStats().parses;
    view_reads = GetProfileCacheStats().reads;
    if (form.List1->count() != count || form.state().ViewMode != 1) {
      std::fprintf(stderr, "the name view holds %d entries\n", form.List1->count());
      return 1;
    }
    form.cmdList_Click();
    form.cmdList_Click();
  }

  std::printf("tables:                       %d\n", count);
  // The collection is written between the application's start and the window's, so the two
  // are added rather than measured in one piece.
  std::printf(
      "window shown after:           %.1f ms (%.1f ms with the application's start), "
      "%lld parses\n",
      Seconds(shown - show_start) * 1e3,
      Seconds(shown - show_start + app_ready - process_start) * 1e3, startup_parses);
  std::printf("PinMAME-name view, per table: %.1f us median of %d (whole view %.1f ms)\n",
              Median(per_table_us), rounds, Median(per_table_us) * count / 1e3);
  std::printf("profile parses per view:      %lld (%lld reads)\n", view_parses, view_reads);
  return 0;
}
