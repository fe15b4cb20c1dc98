// The front-end at the size of a real collection (4,000 tables unless a count is given), in the
// real window, offscreen: start-up to the first shown selection, the PinMAME-name and the
// table-name views, one selection with its artwork, the filter as one types and the collection
// check. Every figure is the median of the rounds and is set against a baseline measured in the
// same round, or against its target:
//   start-up            the same start-up over an empty table folder
//   name views          one parse of the three catalogue files (the least a view must do)
//   artwork selection   decoding the selection's four pictures straight from their files
//   filter keystroke    the 50 ms a keystroke may take (the slowest keystroke of a round)
//   collection check    the second it may take
//   a table copied in   the second within which the window must list it; then the time until
//                       the extractor, run in the background, has catalogued it
//
//   name_view_bench [COUNT [ROUNDS]]
//
// Prints one "ROW|group|figure|value|unit|baseline|baseline unit|ratio|runs" line per figure
// (read by bench/run-all), then the counts of catalogue file parses.
#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/collection_check.h"
#include "common/profile.h"
#include "common/profile_cache.h"
#include "common/settings.h"
#include "frontend/dialogs.h"
#include "frontend/main_window.h"

namespace {

using Clock = std::chrono::steady_clock;

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

std::string Utf16Le(const std::string& ascii) {
  std::string out;
  for (const char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

// A picture with enough detail that it decodes like a real one, not like a flat colour.
bool WritePicture(const std::string& path, int width, int height, unsigned seed) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      seed = seed * 1103515245u + 12345u;
      row[x] = qRgb((x * 255 / width) ^ (seed >> 28), (y * 255 / height) ^ (seed >> 26 & 7),
                    ((x + y) & 0xFF) ^ (seed >> 24 & 15));
    }
  }
  QPainter painter(&image);
  painter.setPen(Qt::white);
  painter.drawText(image.rect(), Qt::AlignCenter, QString::fromStdString(path));
  painter.end();
  return image.save(QString::fromStdString(path), "JPEG", 85);
}

// The artwork of the selection benchmark: every kind in the local folders, sizes as common
// in collections (a screen shot, a backglass, a cabinet and a flyer scan).
struct ArtFile {
  const char* folder;
  int width;
  int height;
};
constexpr ArtFile kArt[] = {
    {"snap", 1280, 1024}, {"backglass", 1024, 768}, {"cabinets", 800, 1200}, {"flyers", 800, 1100}};

// A program folder with orvane.ini, names.ini, info.ini, alias.ini and `count` empty table
// files, every one catalogued as after a full scan, with its blurb, rules and description
// unless told, and the artwork of the tables 0 and 1.
bool MakeCollection(const std::string& folder, int count, std::vector<std::string>& art_paths,
                    bool with_texts = true) {
  for (const char* sub :
       {"tables", "blurb", "rules", "description", "snap", "backglass", "cabinets", "flyers",
        "mame/snap", "mame/marquees", "mame/cabinets", "mame/flyers"}) {
    if (!QDir().mkpath(QString::fromStdString(folder + "/" + sub))) return false;
  }
  const std::string ini =
      "[Settings]\r\nFirstRun=0\r\nRescanOnStart=0\r\n[Dirs]\r\nVPPath=" + folder +
      "/\r\nTablePath=" + folder + "/tables/\r\nMAMEPath=" + folder + "/mame/\r\n";
  if (!WriteText(folder + "/orvane.ini", ini)) return false;
  std::string vp = "[VP]\r\n", pinmame = "[PinMAME]\r\n";
  std::string tabrin = "[Tabrin]\r\n", pminfo = "[PMInfo]\r\n", alias = "[Alias]\r\n";
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    const std::string key = "Table " + n + " (VP9)";
    const std::string name = "Table Number " + n;
    const std::string rom = "rom" + n + "_l1";
    if (!WriteText(folder + "/tables/" + key + ".vpt", "")) return false;
    for (const char* text : {"blurb", "rules", "description"}) {
      if (with_texts &&
          !WriteText(folder + "/" + text + "/" + name + ".txt",
                     Utf16Le(std::string(text) + " of " + name + ". A fine table.\r\n"))) {
        return false;
      }
    }
    vp += key + "=" + name + "\r\n";
    tabrin += name + "=" + name + "|Author " + n + "|1.0|2008|a@b.c|www.example.com\r\n";
    std::string art_name = name;
    if (i % 4 != 3) {  // every fourth table is a plain one
      pinmame += key + "=" + rom + "\r\n";
      art_name = rom;
      if (i % 10 == 0) {
        alias += rom + "=alias" + n + "\r\n";
        pminfo += "alias" + n + "=Game " + n + " (alias)|1992|Maker|alias" + n + "\r\n";
        art_name = "alias" + n;
      } else if (i % 3 != 0) {
        pminfo += rom + "=Game " + n + "|1991|Maker|" + rom + "\r\n";
      }
    }
    if (i < 2) {
      for (const ArtFile& art : kArt) {
        const std::string path = folder + "/" + art.folder + "/" + art_name + ".jpg";
        if (!WritePicture(path, art.width, art.height, i)) return false;
        if (i == 1) art_paths.push_back(path);
      }
    }
  }
  return WriteText(folder + "/names.ini", vp + "\r\n" + pinmame) &&
         WriteText(folder + "/info.ini", tabrin + "\r\n" + pminfo) &&
         WriteText(folder + "/alias.ini", alias);
}

double Seconds(Clock::duration d);

// Copies a table into the folder of the running `form` (whose program folder holds tabrin) and
// measures until the list shows it and until names.ini holds it.
bool CopyIn(Form1& form, const std::string& folder, int n, double& listed, double& catalogued) {
  const std::string key = "Copied " + std::to_string(n);
  const auto start = Clock::now();
  if (!WriteText(folder + "/tables/" + key + ".vpt", "")) return false;
  listed = catalogued = -1;
  while (Seconds(Clock::now() - start) < 60 && catalogued < 0) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    if (listed < 0 && form.File1->RowOf(key + ".vpt") >= 0) listed = Seconds(Clock::now() - start);
    if (!ProfileRead("VP", key, folder + "/names.ini").empty()) {
      catalogued = Seconds(Clock::now() - start);
    }
  }
  return listed >= 0 && catalogued >= 0;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Start-up as the program does it: settings, the file list, the first selection, the window.
double StartUp(const std::string& folder, SilentDialogs& dialogs, long long& parses) {
  ClearProfileCache();
  ResetProfileCacheStats();
  const auto start = Clock::now();
  Form1 form(folder, dialogs);
  form.Form_Load();
  form.show();
  QApplication::processEvents();
  const double seconds = Seconds(Clock::now() - start);
  parses = GetProfileCacheStats().parses;
  return seconds;
}

// One parse of each catalogue file, from nothing.
double ParseCatalogue(const std::string& folder) {
  ClearProfileCache();
  const auto start = Clock::now();
  ProfileRead("VP", "x", folder + "/names.ini");
  ProfileRead("Tabrin", "x", folder + "/info.ini");
  ProfileRead("Alias", "x", folder + "/alias.ini");
  return Seconds(Clock::now() - start);
}

// Decodes the pictures at `paths` as the selection would, without anything else.
double DecodePictures(const std::vector<std::string>& paths) {
  const auto start = Clock::now();
  for (const std::string& path : paths) {
    QImageReader reader(QString::fromStdString(path));
    const QImage image = reader.read();
    if (image.isNull()) std::fprintf(stderr, "cannot decode %s\n", path.c_str());
  }
  return Seconds(Clock::now() - start);
}

// Types `keys` into the filter of `form` one at a time (a "<" is a backspace) and returns the
// slowest keystroke, list update and selection included.
double SlowestKeystroke(Form1& form, const std::string& keys) {
  double slowest = 0;
  for (const char key : keys) {
    QString text = form.txtFilter->text();
    if (key == '<') {
      text.chop(1);
    } else {
      text += QChar(key);
    }
    const auto start = Clock::now();
    form.txtFilter->setText(text);
    QApplication::processEvents();
    slowest = std::max(slowest, Seconds(Clock::now() - start));
  }
  return slowest;
}

void Row(const char* group, const char* figure, double value, const char* unit, double baseline,
         const char* baseline_unit, double ratio, int runs) {
  std::printf("ROW|%s|%s|%.3f|%s|%.3f|%s|%.2f|%d\n", group, figure, value, unit, baseline,
              baseline_unit, ratio, runs);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const auto process_start = Clock::now();
  QApplication app(argc, argv);
  const double app_start = Seconds(Clock::now() - process_start);
  const int count = argc > 1 ? std::max(2, std::atoi(argv[1])) : 4000;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

  QTemporaryDir full_dir, empty_dir, textless_dir;
  const std::string full = full_dir.path().toStdString();
  const std::string empty = empty_dir.path().toStdString();
  const std::string textless = textless_dir.path().toStdString();
  std::vector<std::string> art_paths, unused;
  if (!full_dir.isValid() || !empty_dir.isValid() || !textless_dir.isValid() ||
      !MakeCollection(full, count, art_paths) || !MakeCollection(empty, 0, unused) ||
      !MakeCollection(textless, count, unused, false)) {
    std::fprintf(stderr, "cannot write the collections\n");
    return 1;
  }
  SilentDialogs dialogs;

  std::vector<double> parse_s, start_empty_s, start_full_s, pinmame_s, table_s, select_s, decode_s,
      textless_s, file_keys_s, name_keys_s, check_s;
  size_t findings = 0;
  long long start_parses = 0, pinmame_parses = 0, table_parses = 0, select_parses = 0;
  long long pinmame_reads = 0, table_reads = 0;
  for (int round = 0; round < rounds; ++round) {
    parse_s.push_back(ParseCatalogue(full));
    long long ignored = 0;
    start_empty_s.push_back(StartUp(empty, dialogs, ignored));
    start_full_s.push_back(StartUp(full, dialogs, start_parses));

    Form1 form(full, dialogs);
    form.Form_Load();
    form.show();
    QApplication::processEvents();
    if (form.File1->count() != count) {
      std::fprintf(stderr, "listed %d tables, expected %d\n", form.File1->count(), count);
      return 1;
    }
    // Each view from a cold cache, so that its figure holds its own parses.
    for (const int view : {1, 2}) {
      ClearProfileCache();
      ResetProfileCacheStats();
      const auto start = Clock::now();
      form.cmdList_Click();
      QApplication::processEvents();
      const double seconds = Seconds(Clock::now() - start);
      const ProfileCacheStats stats = GetProfileCacheStats();
      if (form.List1->count() != count || form.state().ViewMode != view) {
        std::fprintf(stderr, "the name view holds %d entries\n", form.List1->count());
        return 1;
      }
      (view == 1 ? pinmame_s : table_s).push_back(seconds);
      (view == 1 ? pinmame_parses : table_parses) = stats.parses;
      (view == 1 ? pinmame_reads : table_reads) = stats.reads;
    }
    // Typing in the table-name view, where both lists are filtered: digits that keep fewer and
    // fewer tables (the selection moving on), then back to all of them.
    const std::string keys =
        "12345<<<<<"
        "table 3<<<<<<<";
    name_keys_s.push_back(SlowestKeystroke(form, keys));
    form.txtFilter->clear();
    form.cmdList_Click();  // back to the file view
    file_keys_s.push_back(SlowestKeystroke(form, keys));
    form.txtFilter->clear();

    // The collection check, after a rescan: from a cold cache, as the catalogue has changed.
    FrontendSettings settings;
    GetSettings(full, settings);
    ClearProfileCache();
    const auto check_start = Clock::now();
    findings = CheckCollection(full, settings).rows.size();
    check_s.push_back(Seconds(Clock::now() - check_start));

    // A selection with its artwork, the snapshot shown: table 1, after table 0.
    form.cmdSnapShot_Click();
    form.File1->setCurrentRow(0);
    QApplication::processEvents();
    ResetProfileCacheStats();
    const auto start = Clock::now();
    form.File1->setCurrentRow(1);
    QApplication::processEvents();
    select_s.push_back(Seconds(Clock::now() - start));
    select_parses = GetProfileCacheStats().parses;
    if (form.state().SnapFile.empty() || form.state().FlyerFile.empty()) {
      std::fprintf(stderr, "the selection found no artwork\n");
      return 1;
    }
    decode_s.push_back(DecodePictures(art_paths));

    // The PinMAME-name view where no table has a blurb, rules or description: the catalogue's
    // part of the view without the text files'.
    Form1 plain(textless, dialogs);
    plain.Form_Load();
    plain.show();
    QApplication::processEvents();
    ClearProfileCache();
    const auto plain_start = Clock::now();
    plain.cmdList_Click();
    QApplication::processEvents();
    textless_s.push_back(Seconds(Clock::now() - plain_start));
  }

  // Tables copied in while the window runs, with the real extractor beside it.
  std::vector<double> listed_s, catalogued_s;
  {
    const QString tabrin = QString::fromStdString(full + "/tabrin");
    QFile::remove(tabrin);
    if (!QFile::copy(TABRIN_BINARY, tabrin)) {
      std::fprintf(stderr, "cannot copy tabrin\n");
      return 1;
    }
    Form1 form(full, dialogs);
    form.Form_Load();
    form.show();
    QApplication::processEvents();
    for (int round = 0; round < rounds; ++round) {
      double listed = 0, catalogued = 0;
      if (!CopyIn(form, full, round, listed, catalogued)) {
        std::fprintf(stderr, "a table copied in was not listed and catalogued within a minute\n");
        return 1;
      }
      listed_s.push_back(listed);
      catalogued_s.push_back(catalogued);
    }
  }

  const double parse_ms = Median(parse_s) * 1e3;
  const double empty_ms = (Median(start_empty_s) + app_start) * 1e3;
  const double full_ms = (Median(start_full_s) + app_start) * 1e3;
  Row("3", "start-up to first selection shown, ms (app start included)", full_ms, "ms", empty_ms,
      "ms start-up, no tables", full_ms / empty_ms, rounds);
  for (const int view : {1, 2}) {
    const double ms = Median(view == 1 ? pinmame_s : table_s) * 1e3;
    Row("3", view == 1 ? "PinMAME-name view, ms per table" : "table-name view, ms per table",
        ms / count, "ms/table", parse_ms, "ms one catalogue parse", ms / parse_ms, rounds);
    std::printf("INFO|3|%s view of %d tables: %.1f ms, the first table shown with its artwork\n",
                view == 1 ? "PinMAME-name" : "table-name", count, ms);
  }
  const double textless_ms = Median(textless_s) * 1e3;
  Row("3", "PinMAME-name view without text files, ms per table", textless_ms / count, "ms/table",
      parse_ms, "ms one catalogue parse", textless_ms / parse_ms, rounds);
  const double select_ms = Median(select_s) * 1e3;
  const double decode_ms = Median(decode_s) * 1e3;
  Row("3", "selection with artwork, ms", select_ms, "ms", decode_ms, "ms decoding its 4 pictures",
      select_ms / decode_ms, rounds);
  for (const bool names : {false, true}) {
    const double ms = Median(names ? name_keys_s : file_keys_s) * 1e3;
    Row("3",
        names ? "filter, slowest keystroke in the table-name view, ms"
              : "filter, slowest keystroke in the file view, ms",
        ms, "ms", 50, "ms target", ms / 50, rounds);
  }
  const double check_ms = Median(check_s) * 1e3;
  Row("3", "collection check, ms", check_ms, "ms", 1000, "ms target", check_ms / 1000, rounds);
  const double listed_ms = Median(listed_s) * 1e3;
  Row("3", "a table copied in: listed, ms", listed_ms, "ms", 1000, "ms target", listed_ms / 1000,
      rounds);
  const double catalogued_ms = Median(catalogued_s) * 1e3;
  Row("3", "a table copied in: catalogued in the background, ms", catalogued_ms, "ms", listed_ms,
      "ms until listed", catalogued_ms / listed_ms, rounds);
  std::printf("INFO|3|collection check: %zu findings in %d tables\n", findings, count);
  std::printf(
      "INFO|3|tables %d; catalogue parses: start-up %lld, PinMAME view %lld (%lld reads), "
      "table-name view %lld (%lld reads), selection %lld; application start %.1f ms\n",
      count, start_parses, pinmame_parses, pinmame_reads, table_parses, table_reads, select_parses,
      app_start * 1e3);
  return 0;
}
