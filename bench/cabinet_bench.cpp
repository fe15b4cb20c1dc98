// Cabinet mode at scale: a collection of many tables with media for every screen, on a virtual
// cabinet of three screens (Qt's offscreen platform). Prints the figures the cabinet must meet:
//   start      cabinet start to the first table's pictures on every screen
//   next       a button to the next table's pictures on every screen (median and worst)
//   held       a direction held: the longest time from a move to the playfield drawn with it,
//              and the longest drawing (the moves themselves come as the repeat sets them: after
//              400 ms, then ever sooner, down to every 30 ms)
//   video      the selection resting to its video's first frame
//   memory     peak memory of the whole run
//   cabinet_bench [TABLES] [SECONDS_HELD]   (defaults 4000 and 10)
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/settings.h"
#include "frontend/cabinet/cabinet_mode.h"
#include "frontend/cabinet/cabinet_screen.h"
#include "frontend/cabinet/video_player.h"
#include "frontend/collection_model.h"

namespace {

namespace fs = std::filesystem;

constexpr char kScreens[] =
    R"({"screens":[{"name":"Playfield","x":0,"y":0,"width":1080,"height":1920,"logicalDpi":96,)"
    R"("logicalBpp":32,"dpr":1},{"name":"Backglass","x":1080,"y":0,"width":1280,"height":1024,)"
    R"("logicalDpi":96,"logicalBpp":32,"dpr":1},{"name":"DMD","x":2360,"y":0,"width":1280,)"
    R"("height":320,"logicalDpi":96,"logicalBpp":32,"dpr":1}]})";

// A picture as a real medium is: full size, photographic enough that it compresses as one.
void Picture(const QString& path, QSize size, int seed) {
  QImage image(size, QImage::Format_RGB32);
  QPainter p(&image);
  for (int i = 0; i < 60; ++i) {
    const int v = (seed * 7919 + i * 104729) % 997;
    p.fillRect(QRect((v * 13) % size.width(), (v * 29) % size.height(), 80 + v % 300, 60 + v % 200),
               QColor::fromHsv((v + seed * 37) % 360, 160 + v % 90, 120 + v % 130));
  }
  p.end();
  image.save(path, path.endsWith(".png") ? "PNG" : "JPEG", 85);
}

long PeakKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int tables = argc > 1 ? std::atoi(argv[1]) : 4000;
  const int held_seconds = argc > 2 ? std::atoi(argv[2]) : 10;
  QTemporaryDir dir;
  const QString root = dir.path();
  std::ofstream(root.toStdString() + "/screens.json") << kScreens;
  qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + root + "/screens.json").toUtf8());
  qputenv("QT_MEDIA_BACKEND", "ffmpeg");
  QApplication app(argc, argv);

  // The media: a few dozen distinct pictures per screen, each table's files linked to one of
  // them, so that every table has files of its own to decode without gigabytes on disk.
  const QString pool = root + "/pool/", medias = root + "/tables/medias/";
  QDir().mkpath(pool);
  QDir().mkpath(medias);
  constexpr int kDistinct = 24;
  const struct {
    const char* role;
    QSize size;
    const char* extension;
  } roles[] = {{"Playfield", {1080, 1920}, ".jpg"},
               {"Backglass", {1280, 1024}, ".jpg"},
               {"DMD", {1280, 320}, ".png"},
               {"Wheel", {512, 256}, ".png"}};
  for (const auto& role : roles) {
    for (int i = 0; i < kDistinct; ++i) {
      Picture(pool + role.role + QString::number(i) + role.extension, role.size, i);
    }
  }
  std::string names = "[VP]\r\n";
  for (int t = 0; t < tables; ++t) {
    const QString stem = QString("Table %1").arg(t, 5, 10, QChar('0'));
    std::ofstream((root + "/tables/" + stem + ".vpx").toStdString());
    names += stem.toStdString() + ".vpx=" + stem.toStdString() + "\r\n";
    for (const auto& role : roles) {
      fs::create_symlink(
          (pool + role.role + QString::number(t % kDistinct) + role.extension).toStdString(),
          (medias + "(" + role.role + ") " + stem + role.extension).toStdString());
    }
  }
  std::ofstream(root.toStdString() + "/names.ini") << names;
  // One video, for the time until a resting selection plays it.
  QProcess::execute("ffmpeg",
                    {"-loglevel", "error", "-y", "-f", "lavfi", "-i", "testsrc2=s=540x960:d=4",
                     "-pix_fmt", "yuv420p", medias + "(Playfield) Table 00001.mp4"});
  std::ofstream(root.toStdString() + "/orvane.ini")
      << "[Dirs]\r\nTablePath=" << root.toStdString() << "/tables/\r\n[Cabinet]\r\n"
      << "PlayfieldScreen=Playfield\r\nBackglassScreen=Backglass\r\nDMDScreen=DMD\r\n";

  // Start: from nothing to the first table's pictures on every screen.
  QElapsedTimer clock;
  clock.start();
  FrontendSettings settings;
  GetSettings(root.toStdString(), settings);
  CollectionModel model(root.toStdString());
  model.SetSettings(settings);
  CabinetMode mode(model, ReadCabinetSettings(root.toStdString()));
  mode.launch = [](const TableEntry&) { return std::string(); };
  mode.quit = [] {};
  mode.Open();
  const std::vector<ScreenRole> shown = {ScreenRole::kPlayfield, ScreenRole::kBackglass,
                                         ScreenRole::kDMD};
  const auto all_pictures = [&] {
    for (const ScreenRole role : shown) {
      if (mode.Screen(role)->scene().background.isNull()) return false;
    }
    return true;
  };
  while (!all_pictures() && clock.elapsed() < 10000) QApplication::processEvents();
  const double start_ms = clock.nsecsElapsed() / 1e6;

  // Next: each press until the next table's pictures are all drawn.
  QWidget* playfield = mode.Screen(ScreenRole::kPlayfield);
  const auto press = [&](bool down) {
    QKeyEvent event(down ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier, 0,
                    0xFFE2, 0);
    QApplication::sendEvent(playfield, &event);
  };
  std::vector<double> next_ms;
  for (int i = 0; i < 40; ++i) {
    QTest::qWait(120);  // a person's pace: the pictures ahead have had time to come
    clock.restart();
    press(true);
    press(false);
    while (!all_pictures() && clock.elapsed() < 5000) QApplication::processEvents();
    next_ms.push_back(clock.nsecsElapsed() / 1e6);
  }

  // Held: the playfield's drawings while a direction is held.
  qint64 moved_at = -1, longest_latency = 0, longest_paint = 0;
  int paints = 0;
  const QMetaObject::Connection moves =
      QObject::connect(&model, &CollectionModel::selectionChanged, [&] {
        if (moved_at < 0) moved_at = clock.nsecsElapsed();
      });
  static_cast<CabinetScreen*>(playfield)->painted = [&](qint64 ns) {
    if (moved_at >= 0) longest_latency = std::max(longest_latency, clock.nsecsElapsed() - moved_at);
    moved_at = -1;
    longest_paint = std::max(longest_paint, ns);
    ++paints;
  };
  clock.restart();
  press(true);
  const int moved_from = mode.position();
  while (clock.elapsed() < held_seconds * 1000) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  press(false);
  const int moved = (mode.position() - moved_from + tables) % tables;
  static_cast<CabinetScreen*>(playfield)->painted = nullptr;
  QObject::disconnect(moves);

  // Video: to the table that has one, then wait for its first frame.
  double video_ms = -1;
  if (QFile::exists(medias + "(Playfield) Table 00001.mp4")) {
    model.Select(1);
    clock.restart();
    while (!mode.Video(ScreenRole::kPlayfield).showing() && clock.elapsed() < 5000) {
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    if (mode.Video(ScreenRole::kPlayfield).showing()) video_ms = clock.nsecsElapsed() / 1e6;
  }

  std::printf("cabinet, %d tables with media for every screen, three screens\n", tables);
  std::printf("  start to first pictures      %8.1f ms   (target < 1000)\n", start_ms);
  std::printf(
      "  next table's pictures        %8.1f ms median, %.1f ms worst of %zu   (target "
      "median < 50)\n",
      Median(next_ms), *std::max_element(next_ms.begin(), next_ms.end()), next_ms.size());
  std::printf(
      "  held %d s: %d tables, %d drawings; longest from a move to its drawing %.1f ms, "
      "longest drawing %.1f ms   (target < 33)\n",
      held_seconds, moved, paints, longest_latency / 1e6, longest_paint / 1e6);
  std::printf("  resting to video's frame     %8.1f ms   (target < 400; -1: no ffmpeg)\n",
              video_ms);
  std::printf("  peak memory                  %8.1f MB   (target < 300)\n", PeakKb() / 1024.0);
  return 0;
}
