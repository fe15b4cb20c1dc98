// Generates the demo collection: a folder laid out like an installed program folder, with table
// files, art folders, the extractor's settings and a stand-in emulator.
//   make_demo OUT_FOLDER TOOLS_FOLDER
#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "table_writer.h"

namespace {

namespace fs = std::filesystem;

// How a demo table's script names its ROM, as real scripts do.
enum class Script {
  kConstant,   // Const cGameName = "rom" ... With Controller: .GameName = cGameName
  kB2S,        // the same through a B2S.Server controller, a literal without With
  kCommented,  // a commented-out alternative ROM above the live one
  kSidecar,    // a NAME.vbs beside the table names `rom`; the table's own script another ROM
  kFlexDmd,    // an original table that names only its FlexDMD display's game: a plain table
  kPlain,      // an electro-mechanical table without any game name
};

struct DemoTable {
  const char* file;  // with its extension
  const char* name;
  const char* author;
  const char* version;
  const char* date;
  const char* rom;  // the ROM name the table runs, "" for a plain table
  Script script;
  unsigned color;
  // The artwork the table lacks, for the collection check to find: "s" no screenshot in the
  // table, "b" backglass, "c" cabinet, "f" flyer.
  const char* lacks = "";
  bool table_info = true;  // false: the table stores no information at all
};

// Fictional tables, a few of the old kind among today's; the ROM names are those the stand-in
// emulator knows, but for one it does not. The last ones give the collection check something to
// find: a variant of a table, a ROM unknown to the emulator, one it lists without information, a
// table without information and tables without some of their artwork.
const DemoTable kTables[] = {
    {"Nebula Quest (1991).vpt", "Nebula Quest", "Ada Lindqvist", "1.2", "2006-03-14", "nebq_l4",
     Script::kConstant, 0x3050c0},
    {"Harbor_Lights_VP91x.vpt", "Harbor Lights", "Bram Okafor", "2.0", "2007-11-02", "hbrl_l2",
     Script::kConstant, 0xc08030},
    {"Iron Comet [r3].vpx", "Iron Comet", "Chen Wei", "1.0", "2005-07-21", "icmt_a2",
     Script::kSidecar, 0x808080},
    {"Midnight Rally.vpx", "Midnight Rally: Turbo", "Dora Nagy", "3.1", "2008-01-30", "mdrl_l1",
     Script::kCommented, 0x202060},
    {"Jungle Drums 2.5.vpx", "Jungle Drums", "Emeka Obi", "2.5", "2006-09-09", "jngd_l5",
     Script::kConstant, 0x208030},
    {"Space Ranger (1978).vpx", "Space Ranger", "Femke de Vries", "1.1", "2004-12-24", "sprg_p7",
     Script::kB2S, 0x601060},
    {"Circus of Wonders.vpx", "Circus of Wonders", "Gus Pereira", "0.9", "2009-05-05", "crcw_l1",
     Script::kConstant, 0xd04040},
    {"Atlantis Deep.vpt", "Atlantis Deep", "Hana Sato", "1.0", "2005-02-11", "", Script::kPlain,
     0x106080},
    {"Cowboy_Sunset.vpx", "", "Ivo Petrov", "1.3", "2006-06-06", "", Script::kPlain, 0xd0a040},
    {"Lucky Clover VP9.vpx", "Lucky Clover", "Jade Moreau", "2.2", "2007-03-17", "", Script::kPlain,
     0x30a030},
    {"Robot Rumble.vpx", "Robot Rumble", "Kai Lindgren", "1.0", "2008-08-08", "", Script::kFlexDmd,
     0x707090},
    {"Pharaoh's Gold (1983).vpx", "Pharaoh's Gold", "Lena Haddad", "1.4", "2009-10-31", "",
     Script::kPlain, 0xb09020},
    {"Nebula Quest VPW Mod.vpx", "Nebula Quest VPW", "Mo Achebe", "2.0", "2010-01-15", "nebq_l4",
     Script::kConstant, 0x4060d0},
    {"Zapper Alley.vpx", "Zapper Alley", "Nils Berg", "0.5", "2010-02-02", "zapr_l9",
     Script::kConstant, 0x905050, "sbcf"},
    {"Ghost Ship.vpx", "Ghost Ship", "Olga Ivanova", "1.0", "2010-03-03", "ghst_l1",
     Script::kConstant, 0x406060, "f"},
    {"Tin Soldier.vpt", "", "", "", "", "", Script::kPlain, 0x806040, "c", false},
};

QImage Picture(const std::string& title, unsigned rgb, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QColor base(rgb);
  for (int y = 0; y < height; ++y) {
    const QColor row = base.darker(100 + 150 * y / height);
    for (int x = 0; x < width; ++x) image.setPixel(x, y, row.rgb());
  }
  QPainter painter(&image);
  painter.setPen(Qt::white);
  QFont font;
  font.setPixelSize(height / 10);
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(image.rect(), Qt::AlignCenter | Qt::TextWordWrap, QString::fromStdString(title));
  painter.end();
  return image;
}

std::string Jpeg(const std::string& title, unsigned rgb, int width, int height) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  Picture(title, rgb, width, height).save(&buffer, "JPEG", 85);
  return bytes.toStdString();
}

// Backglass, cabinet and flyer of a table: PinMAME tables have theirs in the MAME artwork
// folders under the ROM name, plain tables in the local folders under the table name.
void WriteArtwork(const fs::path& out, const DemoTable& table) {
  const std::string lacks = table.lacks;
  const bool pinmame = *table.rom != 0;
  const std::string title = *table.name ? table.name : fs::path(table.file).stem().string();
  // The front-end looks for the ROM name, or for the table's base name without colons.
  std::string stem = title;
  std::erase(stem, ':');
  std::replace(stem.begin(), stem.end(), '_', ' ');  // the base name the extractor records
  if (pinmame) stem = table.rom;                     // ROM names keep their underscores
  const fs::path root = pinmame ? out / "mame" : out;
  const struct {
    const char* folder;
    const char* kind;
    int width, height;
    const char* format;
    char letter;
  } kinds[] = {{pinmame ? "marquees" : "backglass", "Backglass", 640, 520, "png", 'b'},
               {"cabinets", "Cabinet", 360, 640, "png", 'c'},
               {"flyers", "Flyer", 480, 640, "jpg", 'f'}};
  for (const auto& kind : kinds) {
    if (lacks.find(kind.letter) != std::string::npos) continue;
    const fs::path target = root / kind.folder / (stem + "." + kind.format);
    Picture(title + "\n" + kind.kind, table.color, kind.width, kind.height)
        .save(QString::fromStdString(target.string()), nullptr, 85);
  }
}

// The lines that name a PinMAME table's ROM, through a constant as most scripts do.
std::string ControllerLines(const std::string& rom, const std::string& name) {
  return "Const cGameName = \"" + rom +
         "\"\r\nLoadVPM \"01530000\", \"WPC.VBS\", 3.1\r\n\r\nSub Table1_Init\r\n"
         "  With Controller\r\n    .GameName = cGameName\r\n    .SplashInfoLine = \"" +
         name + "\"\r\n    .Run\r\n  End With\r\nEnd Sub\r\n";
}

// The script stored in the table.
std::string ScriptOf(const DemoTable& table) {
  std::string script = "Option Explicit\r\nRandomize\r\n\r\n";
  switch (table.script) {
    case Script::kConstant:
      script += ControllerLines(table.rom, table.name);
      break;
    case Script::kB2S:
      script +=
          "Dim Controller\r\nSet Controller = CreateObject(\"B2S.Server\")\r\n"
          "Controller.GameName = \"" +
          std::string(table.rom) + "\" : Controller.Run\r\n";
      break;
    case Script::kCommented:
      script += "'Const cGameName = \"mdrl_l0\" ' the prototype\r\n" +
                ControllerLines(table.rom, table.name);
      break;
    case Script::kSidecar:
      // The fixed script shipped beside the table replaces this one.
      script += ControllerLines("icmt_a1", table.name);
      break;
    case Script::kFlexDmd:
      script +=
          "Const cGameName = \"robotrumble\"\r\nDim FlexDMD\r\nSub Table1_Init\r\n"
          "  Set FlexDMD = CreateObject(\"FlexDMD.FlexDMD\")\r\n"
          "  With FlexDMD\r\n    .GameName = cGameName\r\n    .Run = True\r\n"
          "  End With\r\nEnd Sub\r\n";
      break;
    case Script::kPlain:
      script += "Sub Table1_Init\r\n  LoadEM\r\nEnd Sub\r\n";
      break;
  }
  // Real scripts are long; the script spreads over many sectors of the file.
  for (int i = 0; i < 200; ++i) {
    script += "Sub Trigger" + std::to_string(i) + "_Hit : AddScore " + std::to_string(i * 10) +
              " : End Sub\r\n";
  }
  return script;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_demo OUT_FOLDER TOOLS_FOLDER\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const fs::path out = argv[1];
  const fs::path tools = argv[2];
  std::error_code error;
  for (const char* folder :
       {"tables", "Blurb", "Description", "Rules", "snap", "backglass", "cabinets", "flyers",
        "mame/snap", "mame/marquees", "mame/cabinets", "mame/flyers"}) {
    fs::create_directories(out / folder, error);
  }
  for (const DemoTable& table : kTables) {
    const std::string title = *table.name ? table.name : fs::path(table.file).stem().string();
    TableContents table_contents;
    table_contents.table_name = table.name;
    table_contents.author_name = table.author;
    table_contents.table_version = table.version;
    table_contents.release_date = table.date;
    table_contents.author_email = std::string(table.author).substr(0, 3) + "@example.org";
    table_contents.author_website = "https://example.org/tables";
    table_contents.blurb = "A demo table: " + title + ".";
    table_contents.rules =
        "Shoot the ramps to light the jackpot.\r\nComplete the targets for an extra ball.";
    table_contents.description =
        std::string("Made for the demo collection by ") + table.author + ".";
    if (std::string(table.lacks).find('s') == std::string::npos) {
      table_contents.screenshot = Jpeg(title, table.color, 640, 480);
    }
    table_contents.with_table_info = table.table_info;
    table_contents.script = ScriptOf(table);
    const fs::path path = out / "tables" / table.file;
    if (!WriteTable(path.string(), table_contents)) {
      std::fprintf(stderr, "make_demo: cannot write %s\n", table.file);
      return 1;
    }
    if (table.script == Script::kSidecar) {
      std::ofstream sidecar(fs::path(path).replace_extension(".vbs"), std::ios::binary);
      sidecar << "' The fixed script for this table.\r\n" << ControllerLines(table.rom, table.name);
    }
    WriteArtwork(out, table);
  }
  // ROM files where the simulator looks first, beside the tables: all but Ghost Ship's, and not
  // the parent of Space Ranger's clone, for the panel and the check to tell.
  for (const char* rom : {"nebq_l4", "hbrl_l2", "icmt_a2", "icmt_a1", "mdrl_l1", "jngd_l5",
                          "sprg_p7", "crcw_l1", "zapr_l9"}) {
    fs::create_directories(out / "tables/pinmame/roms", error);
    std::ofstream(out / "tables/pinmame/roms" / (std::string(rom) + ".zip"), std::ios::binary);
  }
  // Add-ons as today's tables come with them: sound, colour for the DMD, a PuP pack.
  for (const char* addon : {"altsound/nebq_l4/altsound.csv", "serum/mdrl_l1/mdrl_l1.cRZ",
                            "pupvideos/jngd_l5/screens.pup"}) {
    const fs::path file = out / "tables" / addon;
    fs::create_directories(file.parent_path(), error);
    std::ofstream(file, std::ios::binary);
  }
  // A details file as other front-ends write it, naming a table that stores no name itself.
  std::ofstream(out / "tables/Cowboy_Sunset.info", std::ios::binary)
      << "{\n  \"Info\": {\n    \"Title\": \"Cowboy Sunset\",\n    \"Manufacturer\": \"Prairie "
         "Amusements\",\n    \"Year\": \"1976\",\n    \"Authors\": [\"Ivo Petrov\"],\n    "
         "\"VPSId\": \"demo-cowboy\"\n  },\n  \"User\": {\n    \"Rating\": 4,\n    \"Tags\": "
         "[\"western\"]\n  }\n}\n";
  // The extractor asks the stand-in emulator, in PinMAME mode, for the game information.
  const fs::path emulator = tools / "fake-emulator";
  if (fs::exists(emulator)) {
    fs::copy_file(emulator, out / "mame" / "pinmame", fs::copy_options::overwrite_existing, error);
    const fs::path listing = tools / "demo_listing.xml";
    if (fs::exists(listing)) {
      fs::copy_file(listing, out / "mame" / "fake_listing.xml",
                    fs::copy_options::overwrite_existing, error);
    }
  }
  // Left from earlier days: a table since deleted is still in the catalogue, its backglass
  // picture and backglass file are still there, and an old flyer scan.
  std::ofstream(out / "names.ini", std::ios::binary | std::ios::trunc)
      << "[VP]\r\nRetired Table=Retired Table\r\n\r\n[PinMAME]\r\n";
  Picture("Retired Table\nBackglass", 0x505050, 640, 520)
      .save(QString::fromStdString((out / "backglass" / "Retired Table.png").string()));
  std::ofstream(out / "tables/Retired Table.directb2s", std::ios::binary)
      << "<DirectB2SData Version=\"1.2\">\r\n</DirectB2SData>\r\n";
  Picture("Old flyer scan", 0x705030, 480, 640)
      .save(QString::fromStdString((out / "flyers" / "scan 0042.jpg").string()), nullptr, 85);
  // A play history: games played, their time, and two favourites.
  std::ofstream(out / "stats.ini", std::ios::binary | std::ios::trunc)
      << "[Favourites]\r\nNebula Quest (1991)=1\r\nSpace Ranger (1978).vpx=1\r\n\r\n"
      << "[Plays]\r\nNebula Quest (1991)=14\r\nJungle Drums 2.5.vpx=6\r\n"
      << "Space Ranger (1978).vpx=3\r\nMidnight Rally.vpx=1\r\n\r\n"
      << "[LastPlayed]\r\nNebula Quest (1991)=2026-11-28 21:40:12\r\n"
      << "Jungle Drums 2.5.vpx=2026-12-05 22:05:41\r\nSpace Ranger (1978).vpx=2026-11-30 20:12:09"
      << "\r\nMidnight Rally.vpx=2026-10-02 19:55:30\r\n\r\n"
      << "[TimePlayed]\r\nNebula Quest (1991)=13020\r\nJungle Drums 2.5.vpx=4210\r\n"
      << "Space Ranger (1978).vpx=1505\r\nMidnight Rally.vpx=380\r\n";
  std::ofstream ini(out / "Tabrin.ini", std::ios::binary | std::ios::trunc);
  ini << "[MAME]\r\nPath=\\mame\\\r\nExe=pinmame\r\nIsPinMAME=1\r\n[VP]\r\nArtPath=\r\n";
  // Visual Pinball itself is a Windows program; a stand-in records what it was asked to play.
  fs::copy_file(tools / "fake-vpinball", out / "VPinball912.exe",
                fs::copy_options::overwrite_existing, error);
  const std::string folder = fs::absolute(out).lexically_normal().string();
  const std::string slash = folder.back() == '/' ? "" : "/";
  std::ofstream settings(out / "orvane.ini", std::ios::binary | std::ios::trunc);
  settings << "[Settings]\r\nFirstRun=0\r\nRescanOnStart=0\r\nScanIfNotFound=1\r\n"
           << "ShowCommandPrompt=0\r\n[Dirs]\r\nVPPath=" << folder << slash
           << "\r\nVPExe=VPinball912.exe\r\nTablePath=" << folder << slash
           << "tables/\r\nMAMEPath=" << folder << slash << "mame/\r\nMAMEExe=pinmame\r\n";
  std::printf("Demo collection written to %s\n", out.string().c_str());
  return 0;
}
