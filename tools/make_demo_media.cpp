// Adds cabinet media to a demo collection made by make_demo: pictures for every screen of a
// cabinet for several tables (in a medias/ folder beside the tables, as other front-ends lay them
// out, and wheel pictures in a collection folder), an instruction card, and two backglass files
// (.directb2s, one holding a PNG, one a JPEG) for tables without a backglass picture. Videos are
// made from these pictures by run-demo with ffmpeg.
//   make_demo_media DEMO_FOLDER
#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <cstdio>
#include <fstream>
#include <string>

#include "common/profile.h"

namespace {

struct MediaTable {
  const char* stem;  // the table file's name without its extension
  const char* name;
  const char* rom;  // its ROM, under which the demo keeps its other artwork
  unsigned color;
  bool backglass_file;  // a .directb2s instead of a backglass picture
  const char* format;   // of the picture inside it
};

const MediaTable kMedia[] = {
    {"Nebula Quest (1991)", "Nebula Quest", "nebq_l4", 0x3050c0, false, ""},
    {"Iron Comet [r3]", "Iron Comet", "icmt_a2", 0x808080, false, ""},
    {"Midnight Rally", "Midnight Rally", "mdrl_l1", 0x202060, false, ""},
    {"Jungle Drums 2.5", "Jungle Drums", "jngd_l5", 0x208030, true, "PNG"},
    {"Space Ranger (1978)", "Space Ranger", "sprg_p7", 0x601060, false, ""},
    {"Circus of Wonders", "Circus of Wonders", "crcw_l1", 0xd04040, true, "JPEG"},
    {"Atlantis Deep", "Atlantis Deep", "", 0x106080, false, ""},
};

QFont Font(int pixels, bool bold = true) {
  QFont font("DejaVu Sans");
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

// A playfield seen from above: lanes, bumpers, flippers in the table's colour.
QImage Playfield(const MediaTable& table) {
  QImage image(1080, 1920, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient wood(0, 0, 0, 1920);
  wood.setColorAt(0, QColor(table.color).lighter(140));
  wood.setColorAt(1, QColor(table.color).darker(250));
  p.fillRect(image.rect(), wood);
  p.setPen(QPen(QColor(255, 255, 255, 120), 10));
  for (int lane = 0; lane < 4; ++lane) p.drawLine(300 + lane * 160, 180, 300 + lane * 160, 420);
  for (const QPoint bumper : {QPoint(380, 620), QPoint(700, 620), QPoint(540, 820)}) {
    QRadialGradient light(bumper, 110);
    light.setColorAt(0, Qt::white);
    light.setColorAt(1, QColor(table.color).lighter(170));
    p.setBrush(light);
    p.setPen(QPen(Qt::black, 6));
    p.drawEllipse(bumper, 100, 100);
  }
  p.setBrush(QColor(240, 240, 240));
  p.drawPolygon(QPolygon({QPoint(300, 1600), QPoint(500, 1700), QPoint(300, 1640)}));
  p.drawPolygon(QPolygon({QPoint(780, 1600), QPoint(580, 1700), QPoint(780, 1640)}));
  p.setFont(Font(90));
  p.setPen(QColor(255, 255, 255, 200));
  p.drawText(QRect(0, 1050, 1080, 200), Qt::AlignCenter, table.name);
  return image;
}

QImage Backglass(const MediaTable& table) {
  QImage image(1280, 1024, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient glow(640, 420, 800);
  glow.setColorAt(0, QColor(table.color).lighter(200));
  glow.setColorAt(1, QColor(table.color).darker(300));
  p.fillRect(image.rect(), glow);
  p.setPen(QPen(QColor(255, 196, 0), 14));
  p.drawRoundedRect(image.rect().adjusted(30, 30, -30, -30), 40, 40);
  p.setFont(Font(120));
  p.setPen(Qt::white);
  p.drawText(image.rect().adjusted(60, 60, -60, -300), Qt::AlignCenter | Qt::TextWordWrap,
             table.name);
  p.setFont(Font(40, false));
  p.drawText(QRect(0, 820, 1280, 100), Qt::AlignCenter, "GAME OVER   ·   INSERT COIN");
  return image;
}

// The ROM display as a matrix of orange dots.
QImage Dmd(const MediaTable& table) {
  QImage text(128, 32, QImage::Format_RGB32);
  text.fill(Qt::black);
  {
    QPainter p(&text);
    p.setFont(Font(12));
    p.setPen(Qt::white);
    p.drawText(text.rect(), Qt::AlignCenter, QString(table.name).toUpper());
  }
  QImage image(1280, 320, QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 128; ++x) {
      const int level = qGray(text.pixel(x, y));
      p.setBrush(QColor(255, 120, 0, 40 + level * 215 / 255));
      p.drawEllipse(QPointF(x * 10 + 5, y * 10 + 5), 4, 4);
    }
  }
  return image;
}

// A wheel picture: the name on a ring, on a transparent ground.
QImage Wheel(const MediaTable& table) {
  QImage image(512, 256, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(table.color).darker(150));
  p.setPen(QPen(QColor(255, 196, 0), 8));
  p.drawRoundedRect(image.rect().adjusted(8, 8, -8, -8), 100, 100);
  p.setFont(Font(48));
  p.setPen(Qt::white);
  p.drawText(image.rect().adjusted(24, 24, -24, -24), Qt::AlignCenter | Qt::TextWordWrap,
             table.name);
  return image;
}

QImage Topper(const MediaTable& table) {
  QImage image(1280, 400, QImage::Format_RGB32);
  image.fill(QColor(table.color).darker(200));
  QPainter p(&image);
  p.setFont(Font(110));
  p.setPen(QColor(255, 196, 0));
  p.drawText(image.rect(), Qt::AlignCenter, "★ " + QString(table.name) + " ★");
  return image;
}

QImage Card(const MediaTable& table) {
  QImage image(1080, 1920, QImage::Format_RGB32);
  image.fill(QColor(250, 245, 230));
  QPainter p(&image);
  p.setFont(Font(70));
  p.setPen(Qt::black);
  p.drawText(QRect(0, 80, 1080, 120), Qt::AlignCenter, table.name);
  p.setFont(Font(44, false));
  p.drawText(QRect(80, 260, 920, 1500), Qt::TextWordWrap,
             "INSTRUCTIONS\n\nInsert coin and press Start.\n\nShoot the left ramp to light "
             "the lock. Three locked balls start multiball.\n\nComplete the top lanes for a "
             "bonus multiplier.\n\nReplay at 2,000,000.");
  return image;
}

bool Save(const QImage& image, const QString& path) {
  if (image.save(path)) return true;
  std::fprintf(stderr, "make_demo_media: cannot write %s\n", qPrintable(path));
  return false;
}

// A backglass file as the designers write them: the picture as base64 text in an attribute.
bool WriteDirectB2S(const QString& path, const QImage& picture, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  picture.save(&buffer, format, 85);
  std::ofstream out(path.toStdString(), std::ios::binary | std::ios::trunc);
  out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<DirectB2SData Version=\"1.2\">\r\n"
      << "  <ProjectGUID Value=\"demo\" />\r\n  <Name Value=\"" << path.toStdString() << "\" />\r\n"
      << "  <Illumination />\r\n  <Images>\r\n    <ThumbnailImage Value=\"\" />\r\n"
      << "    <BackglassImage Value=\"" << bytes.toBase64().toStdString() << "\" />\r\n"
      << "  </Images>\r\n</DirectB2SData>\r\n";
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_demo_media DEMO_FOLDER\n");
    return 2;
  }
  // Drawing needs no screen.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString demo = QString::fromLocal8Bit(argv[1]);
  const QString medias = demo + "/tables/medias/";
  const QString wheels = demo + "/media/wheel/";
  if (!QDir().mkpath(medias) || !QDir().mkpath(wheels)) {
    std::fprintf(stderr, "make_demo_media: cannot make the media folders in %s\n", argv[1]);
    return 1;
  }
  bool ok = true;
  for (const MediaTable& table : kMedia) {
    const QString stem = table.stem;
    ok = Save(Playfield(table), medias + "(Playfield) " + stem + ".png") && ok;
    ok = Save(Dmd(table), medias + "(DMD) " + stem + ".png") && ok;
    ok = Save(Topper(table), medias + "(Topper) " + stem + ".png") && ok;
    // Wheel pictures in the collection's own folder, named after the table file.
    ok = Save(Wheel(table), wheels + stem + ".png") && ok;
    if (table.backglass_file) {
      ok =
          WriteDirectB2S(demo + "/tables/" + stem + ".directb2s", Backglass(table), table.format) &&
          ok;
      // Only the backglass file: both faces show the picture inside it.
      QFile::remove(demo + "/mame/marquees/" + table.rom + ".png");
    } else {
      ok = Save(Backglass(table), medias + "(Backglass) " + stem + ".png") && ok;
    }
  }
  ok = Save(Card(kMedia[0]), medias + "(GameHelp) " + QString(kMedia[0].stem) + ".png") && ok;
  // The wheel pictures' folder; a leading "\" is the program folder.
  ok = ProfileWrite("Dirs", "WheelPath", "\\media\\wheel\\", demo.toStdString() + "/orvane.ini") &&
       ok;
  return ok ? 0 : 1;
}
