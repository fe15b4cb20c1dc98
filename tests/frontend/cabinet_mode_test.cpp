// Cabinet mode on three screens (Qt's offscreen platform told of a cabinet's screens), driven by
// key events as an encoder sends them, SDL's virtual joystick and the real orvane program.
#include "frontend/cabinet/cabinet_mode.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "common/settings.h"
#include "frontend/cabinet/cabinet_screen.h"
#include "frontend/cabinet/video_player.h"
#include "frontend/collection_model.h"
#include "frontend/settings_window.h"
#include "support/pictures.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// The screens of the cabinet the tests run on.
constexpr char kScreens[] =
    R"({"screens":[{"name":"Playfield","x":0,"y":0,"width":540,"height":960,"logicalDpi":96,)"
    R"("logicalBpp":32,"dpr":1},{"name":"Backglass","x":540,"y":0,"width":640,"height":512,)"
    R"("logicalDpi":96,"logicalBpp":32,"dpr":1},{"name":"DMD","x":1180,"y":0,"width":512,)"
    R"("height":128,"logicalDpi":96,"logicalBpp":32,"dpr":1}]})";

// A backglass file holding a backglass of one colour.
void DirectB2S(const std::string& path, QColor color) {
  std::ofstream(path) << DirectB2SText(color);
}

QColor CentreOf(const QImage& image) {
  return image.pixelColor(image.width() / 2, image.height() / 2);
}

// A key event as a cabinet's encoder sends it: keysyms tell the sides of Shift and Ctrl apart.
void Key(QWidget* window, int key, bool press, quint32 keysym = 0, const QString& text = {}) {
  QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, key, Qt::NoModifier, 0, keysym, 0,
                  text);
  QApplication::sendEvent(window, &event);
}

class CabinetModeTest : public testing::Test {
 protected:
  CabinetModeTest() {
    for (const char* table : {"Alpha.vpx", "Bravo.vpx", "Charlie.vpx", "Delta.vpx", "Echo.vpx"}) {
      dir_.WriteFile(std::string("tables/") + table, "");
    }
    dir_.WriteFile("names.ini",
                   "[VP]\r\nAlpha.vpx=Alpha\r\nBravo.vpx=Bravo\r\nCharlie.vpx=Charlie\r\n"
                   "Delta.vpx=Delta\r\nEcho.vpx=Echo\r\n[PinMAME]\r\nBravo.vpx=brv_l1\r\n");
    dir_.WriteFile("info.ini", "[Tabrin]\r\nBravo=Bravo Deluxe|Bo\r\n");
    dir_.WriteFile("Rules/Bravo Deluxe.txt", std::string("R\0u\0l\0e\0s\0", 10));
    Settings("");
  }
  void Settings(const std::string& cabinet) {
    dir_.WriteFile("orvane.ini", "[Dirs]\r\nTablePath=" + dir_.Path("tables/") +
                                     "\r\nRulesPath=" + dir_.Path("Rules/") +
                                     "\r\n[Cabinet]\r\nPlayfieldScreen=playfield\r\n"
                                     "BackglassScreen=Backglass\r\nDMDScreen=DMD\r\n" +
                                     cabinet);
  }
  // Opens cabinet mode as the program does; its launch only records what it was asked.
  CabinetMode& Open() {
    FrontendSettings settings;
    GetSettings(dir_.path(), settings);
    model_ = std::make_unique<CollectionModel>(dir_.path());
    model_->SetSettings(settings);
    mode_ = std::make_unique<CabinetMode>(*model_, ReadCabinetSettings(dir_.path()));
    mode_->launch = [this](const TableEntry& entry) {
      launched_ += entry.file + " ";
      for (int i = 0; i < kScreenRoleCount; ++i) {
        if (CabinetScreen* s = mode_->Screen(static_cast<ScreenRole>(i))) {
          hidden_while_playing_ += s->isVisible() ? "shown " : "hidden ";
        }
      }
      return std::string();
    };
    mode_->quit = [this] { ++quits_; };
    report_ = mode_->Open();
    return *mode_;
  }
  QWidget* Playfield() const { return mode_->Screen(ScreenRole::kPlayfield); }
  // A button pressed and let go at once on the playfield.
  void Press(int key, quint32 keysym = 0) const {
    Key(Playfield(), key, true, keysym), Key(Playfield(), key, false, keysym);
  }
  std::string Selected() const {
    return model_->Selected() == nullptr ? "" : model_->Selected()->file;
  }
  // Lets pictures decode and the scenes be made again.
  void Settle(int ms = 50) {
    mode_->pictures().WaitForAll();
    QTest::qWait(ms);
    mode_->Refresh();
  }

  TempDir dir_;
  std::unique_ptr<CollectionModel> model_;
  std::unique_ptr<CabinetMode> mode_;
  QStringList report_;
  std::string launched_, hidden_while_playing_;
  int quits_ = 0;
};

TEST_F(CabinetModeTest, EachRoleIsFullScreenOnTheScreenItsSettingsName) {
  Settings("PlayfieldRotation=90\r\nTopperScreen=Topper\r\n");
  CabinetMode& mode = Open();
  const struct {
    ScreenRole role;
    const char* screen;
    QSize content;
  } rows[] = {{ScreenRole::kPlayfield, "Playfield", {960, 540}},  // turned on its side
              {ScreenRole::kBackglass, "Backglass", {640, 512}},
              {ScreenRole::kDMD, "DMD", {512, 128}}};
  for (const auto& row : rows) {
    CabinetScreen* screen = mode.Screen(row.role);
    ASSERT_NE(screen, nullptr) << row.screen;
    EXPECT_EQ(screen->screen()->name(), row.screen);
    EXPECT_TRUE(screen->isFullScreen()) << row.screen;
    EXPECT_EQ(screen->geometry(), screen->screen()->geometry()) << row.screen;
    EXPECT_EQ(screen->ContentSize(), row.content) << row.screen;
  }
  // The screen that is not there is said once, and left out; the others go on.
  EXPECT_EQ(mode.Screen(ScreenRole::kTopper), nullptr);
  ASSERT_EQ(report_.size(), 1);
  EXPECT_TRUE(report_[0].startsWith("The Topper screen \"Topper\" is not there"))
      << report_[0].toStdString();
  EXPECT_TRUE(mode.Screen(ScreenRole::kPlayfield)->scene().message.contains("Topper"));
  Key(Playfield(), Qt::Key_5, true, 0, "5");  // no button of the cabinet's
  EXPECT_NE(mode.Screen(ScreenRole::kPlayfield)->scene().message, "");
  Key(Playfield(), Qt::Key_Shift, true, 0xFFE2);  // any of its buttons takes it away, only that
  EXPECT_EQ(mode.Screen(ScreenRole::kPlayfield)->scene().message, "");
  EXPECT_EQ(Selected(), "Alpha.vpx");
  // Turned by drawing: the playfield's picture is drawn across the screen.
  Settle();
  const QImage grab = mode.Screen(ScreenRole::kPlayfield)->grab().toImage();
  EXPECT_EQ(grab.size(), QSize(540, 960));
}

TEST_F(CabinetModeTest, ButtonsMoveThroughTheTablesAndPlay) {
  Settings("KeyMenu=M\r\n");
  CabinetMode& mode = Open();
  mode.SetTimes({.repeat_after = 60, .repeat_first = 40, .start_held = 150}, 0, 0);
  ASSERT_EQ(Selected(), "Alpha.vpx");
  // What the buttons do, step by step: keysyms for the sides of Shift and Ctrl; each table has
  // an initial of its own. The wheel's positions: Alpha 0 ... Echo 4; kHeld: as far as the
  // repeats of a held button went.
  constexpr int kHeld = 99;
  const std::vector<std::tuple<const char*, std::function<void()>, int>> steps = {
      {"right flipper: next", [&] { Key(Playfield(), Qt::Key_Shift, true, 0xFFE2); }, 1},
      {"let go", [&] { Key(Playfield(), Qt::Key_Shift, false, 0xFFE2); }, 0},
      {"left flipper: previous", [&] { Key(Playfield(), Qt::Key_Shift, true, 0xFFE1); }, -1},
      {"held, it repeats, round past the first",
       [&] {
         QTest::qWait(110);
         Key(Playfield(), Qt::Key_Shift, false, 0xFFE1);
       },
       kHeld},
      {"right magna-save: the next initial",
       [&] {
         QTest::qWait(100);
         Press(Qt::Key_Control, 0xFFE4);
       },
       1},
      {"coin does nothing",
       [&] {
         Key(Playfield(), Qt::Key_5, true, 0, "5");
         Key(Playfield(), Qt::Key_5, false, 0, "5");
       },
       0},
      {"the system's repeats are no presses",
       [&] {
         QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Control, Qt::NoModifier, 0, 0xFFE4, 0, {},
                          true);
         QApplication::sendEvent(Playfield(), &repeat);
       },
       0},
  };
  for (const auto& [why, act, step] : steps) {
    const int before = mode.position();
    act();
    if (step == kHeld) {
      // Two repeats at least (the first at 60 ms, then every 40 ms and faster), and a stop.
      EXPECT_GE((before - mode.position() + 5) % 5, 2) << why;
      continue;
    }
    EXPECT_EQ(mode.position(), (before + step + 5) % 5) << why;
  }
  const std::string last = Selected();
  EXPECT_EQ(launched_, "");
  // Start let go at once plays, with the screens given over to the game and back after it.
  Key(Playfield(), Qt::Key_1, true, 0, "1");
  Key(Playfield(), Qt::Key_1, false, 0, "1");
  EXPECT_EQ(launched_, last + " ");
  EXPECT_EQ(hidden_while_playing_, "hidden hidden hidden ");
  for (const ScreenRole role : {ScreenRole::kPlayfield, ScreenRole::kBackglass, ScreenRole::kDMD}) {
    EXPECT_TRUE(mode.Screen(role)->isVisible());
    EXPECT_TRUE(mode.Screen(role)->isFullScreen());
  }
  EXPECT_EQ(Selected(), last);
  // Start held opens the menu; the menu button too; Back twice quits, once only closes.
  Key(Playfield(), Qt::Key_Return, true);
  QTest::qWait(220);
  EXPECT_TRUE(mode.menu_open());
  Key(Playfield(), Qt::Key_Return, false);
  EXPECT_EQ(launched_, last + " ");
  Press(Qt::Key_Escape);
  EXPECT_FALSE(mode.menu_open());
  Press(Qt::Key_Escape);
  EXPECT_EQ(quits_, 0) << "the Back that closed the menu is no first of two";
  QTest::qWait(1100);
  Press(Qt::Key_Escape);
  Key(Playfield(), Qt::Key_Escape, true);
  EXPECT_EQ(quits_, 1);
  Key(Playfield(), Qt::Key_Escape, false);
}

TEST_F(CabinetModeTest, AGameThatWouldNotRunIsAskedAboutWithTheButtons) {
  CabinetMode& mode = Open();
  mode.check_before_play = [](const TableEntry& entry) {
    return entry.file == "Alpha.vpx" ? std::string("The ROM file is missing.  Play anyway?") : "";
  };
  Press(Qt::Key_1);
  EXPECT_EQ(launched_, "");
  EXPECT_TRUE(mode.Screen(ScreenRole::kPlayfield)->scene().message.startsWith("The ROM file"));
  Press(Qt::Key_Escape);  // not now
  EXPECT_EQ(mode.Screen(ScreenRole::kPlayfield)->scene().message, "");
  Press(Qt::Key_1);
  Press(Qt::Key_1);  // play anyway
  EXPECT_EQ(launched_, "Alpha.vpx ");
  // A table deleted since the list was read is not played; the list is read again.
  fs::remove(dir_.Path("tables/Alpha.vpx"));
  Press(Qt::Key_1);
  EXPECT_EQ(launched_, "Alpha.vpx ");
  EXPECT_TRUE(mode.Screen(ScreenRole::kPlayfield)->scene().message.contains("no longer"));
  EXPECT_EQ(model_->entries().size(), 4u);
}

TEST_F(CabinetModeTest, TheMenuReachesEveryFunctionFromTheButtons) {
  dir_.WriteFile("stats.ini", "[Favourites]\r\nDelta.vpx=1\r\n[Plays]\r\nCharlie.vpx=4\r\n");
  Settings("KeyMenu=M\r\n");
  CabinetMode& mode = Open();
  const auto choose = [&](const QString& entry) {
    Press(Qt::Key_M);
    const QStringList menu = mode.Screen(ScreenRole::kPlayfield)->scene().menu;
    ASSERT_TRUE(menu.contains(entry)) << menu.join("|").toStdString();
    for (int i = 0; i < menu.indexOf(entry); ++i) Press(Qt::Key_Shift, 0xFFE2);
    Press(Qt::Key_1);
  };
  choose("Favourites");
  EXPECT_EQ(mode.rows().size(), 1u);
  EXPECT_EQ(Selected(), "Delta.vpx");
  choose("Remove from favourites");  // and the list of favourites follows at once
  EXPECT_TRUE(mode.rows().empty());
  EXPECT_EQ(mode.Screen(ScreenRole::kPlayfield)->scene().lines.value(0), "No favourites yet");
  choose("Most played");
  EXPECT_EQ(Selected(), "Charlie.vpx");
  Settle(0);
  EXPECT_TRUE(mode.Screen(ScreenRole::kPlayfield)->scene().status.contains("Most played  1 of 5"));
  choose("All tables");
  Press(Qt::Key_Escape);
  choose("Add to favourites");  // the first table, as any other
  EXPECT_NE(dir_.ReadFile("stats.ini").find("Alpha.vpx=1"), std::string::npos);
  Press(Qt::Key_Shift, 0xFFE2);  // from the first to Bravo, whose rules are there
  EXPECT_EQ(Selected(), "Bravo.vpx");
  choose("Rules and instruction card");
  EXPECT_TRUE(mode.rules_open());
  EXPECT_EQ(mode.Screen(ScreenRole::kPlayfield)->scene().rules_text, "Rules");
  Press(Qt::Key_Escape);
  EXPECT_FALSE(mode.rules_open());
  int settings_opened = 0;
  mode.open_settings = [&] { ++settings_opened; };
  choose("Settings");
  EXPECT_EQ(settings_opened, 1);
  // The next-letter button goes to the menu's last entry at once.
  Press(Qt::Key_M);
  Press(Qt::Key_Control, 0xFFE4);
  const ScreenScene& menu = mode.Screen(ScreenRole::kPlayfield)->scene();
  EXPECT_EQ(menu.menu.value(menu.menu_selected), "Back");
  Press(Qt::Key_1);
  EXPECT_TRUE(mode.Screen(ScreenRole::kPlayfield)->scene().menu.isEmpty());
  choose("Quit Orvane");
  EXPECT_EQ(quits_, 1);
}

TEST_F(CabinetModeTest, EachScreenShowsTheTablesMediaOrItsNames) {
  SavePicture(dir_.Path("tables/medias/(Playfield) Alpha.png"), Qt::red, {540, 960});
  SavePicture(dir_.Path("tables/medias/(Wheel) Alpha.png"), Qt::green);
  SavePicture(dir_.Path("tables/medias/(DMD) Bravo.jpg"), Qt::yellow);
  DirectB2S(dir_.Path("tables/alpha.directb2s"), Qt::blue);  // only a backglass file
  CabinetMode& mode = Open();
  Settle();
  const auto scene = [&](ScreenRole role) { return mode.Screen(role)->scene(); };
  EXPECT_EQ(CentreOf(scene(ScreenRole::kPlayfield).background), QColor(Qt::red));
  EXPECT_EQ(CentreOf(scene(ScreenRole::kBackglass).background), QColor(Qt::blue));
  EXPECT_EQ(scene(ScreenRole::kDMD).lines, QStringList{"Alpha"});
  const std::vector<WheelItem>& wheel = scene(ScreenRole::kPlayfield).wheel;
  ASSERT_EQ(wheel.size(), 5u);  // five tables: each once
  EXPECT_EQ(CentreOf(wheel[2].picture), QColor(Qt::green));
  EXPECT_TRUE(wheel[2].selected);
  EXPECT_EQ(wheel[3].name, "Bravo Deluxe");
  EXPECT_TRUE(wheel[3].picture.isNull());
  // What is drawn is what the scene holds: the backglass's own pixels.
  EXPECT_EQ(CentreOf(mode.Screen(ScreenRole::kBackglass)->grab().toImage()), QColor(Qt::blue));
  Key(Playfield(), Qt::Key_Shift, true, 0xFFE2);
  Settle();
  EXPECT_EQ(scene(ScreenRole::kDMD).lines, QStringList());
  EXPECT_EQ(CentreOf(scene(ScreenRole::kDMD).background).rgb(), QColor(Qt::yellow).rgb());
  EXPECT_EQ(scene(ScreenRole::kBackglass).lines, (QStringList{"Bravo Deluxe"}));
  EXPECT_EQ(scene(ScreenRole::kPlayfield).title, "Bravo Deluxe");
  // Once all is shown, nothing is drawn again until something changes: an idle cabinet idles.
  QTest::qWait(30);
  int paints = 0;
  for (const ScreenRole role : {ScreenRole::kPlayfield, ScreenRole::kBackglass, ScreenRole::kDMD}) {
    mode.Screen(role)->painted = [&](qint64) { ++paints; };
  }
  QTest::qWait(150);
  EXPECT_EQ(paints, 0);
}

TEST_F(CabinetModeTest, AttractModeMovesByItselfAndAnyButtonEndsItWithoutActing) {
  CabinetMode& mode = Open();
  int moves = 0;
  QObject::connect(model_.get(), &CollectionModel::selectionChanged, [&] { ++moves; });
  mode.SetTimes({}, 100, 60);
  QTest::qWait(140);
  ASSERT_TRUE(mode.attract());
  EXPECT_EQ(moves, 1) << "at once";
  QTest::qWait(130);
  EXPECT_GE(moves, 2) << "then every 60 ms";
  const std::string shown = Selected();
  Press(Qt::Key_1);
  EXPECT_FALSE(mode.attract());
  EXPECT_EQ(launched_, "") << "the button only ended attract mode";
  EXPECT_EQ(Selected(), shown);
  QTest::qWait(60);
  EXPECT_EQ(Selected(), shown);
}

TEST_F(CabinetModeTest, AJoystickDrivesItToo) {
  CabinetMode& mode = Open();
  const int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_ARCADE_STICK, 2, 8, 1);
  if (device < 0) GTEST_SKIP() << "no virtual joystick here: " << SDL_GetError();
  SDL_Joystick* stick = SDL_JoystickOpen(device);
  QTest::qWait(30);
  SDL_JoystickSetVirtualButton(stick, 5, 1);  // the default next
  QTest::qWait(30);
  SDL_JoystickSetVirtualButton(stick, 5, 0);
  QTest::qWait(30);
  EXPECT_EQ(Selected(), "Bravo.vpx");
  SDL_JoystickSetVirtualButton(stick, 0, 1);  // the default start
  QTest::qWait(30);
  SDL_JoystickSetVirtualButton(stick, 0, 0);
  QTest::qWait(30);
  EXPECT_EQ(launched_, "Bravo.vpx ");
  SDL_JoystickClose(stick);
  SDL_JoystickDetachVirtual(device);
  (void)mode;
}

TEST_F(CabinetModeTest, AVideoPlaysOnceTheSelectionHasRested) {
  const std::string video = dir_.Path("tables/medias/(Playfield) Bravo.mp4");
  fs::create_directories(dir_.Path("tables/medias"));
  QProcess ffmpeg;
  ffmpeg.start("ffmpeg", {"-loglevel", "error", "-f", "lavfi", "-i", "color=c=0x00ff00:s=64x48:d=1",
                          "-pix_fmt", "yuv420p", QString::fromStdString(video)});
  if (!ffmpeg.waitForFinished(30000) || ffmpeg.exitCode() != 0) {
    GTEST_SKIP() << "ffmpeg is not installed: no video to play";
  }
  SavePicture(dir_.Path("tables/medias/(Playfield) Bravo.png"), Qt::red);
  CabinetMode& mode = Open();
  Press(Qt::Key_Shift, 0xFFE2);
  Settle(0);
  // The picture at once, the video not yet.
  EXPECT_EQ(mode.Video(ScreenRole::kPlayfield).path(), "");
  EXPECT_EQ(CentreOf(mode.Screen(ScreenRole::kPlayfield)->scene().background), QColor(Qt::red));
  ASSERT_TRUE(QTest::qWaitFor([&] { return mode.Video(ScreenRole::kPlayfield).showing(); }));
  mode.Refresh();
  const QColor centre = CentreOf(mode.Screen(ScreenRole::kPlayfield)->scene().video);
  EXPECT_GT(centre.green(), 200);
  EXPECT_LT(centre.red(), 60);
  // Moving on stops it at once.
  Key(Playfield(), Qt::Key_Shift, true, 0xFFE2);
  EXPECT_EQ(mode.Video(ScreenRole::kPlayfield).path(), "");
}

TEST(VideoPlayer, AnotherVideoReplacesTheOnePlayingAndNoneStopsIt) {
  VideoPlayer player;
  for (const QString path : {"/none/a.mp4", "/none/b.mp4", ""}) {
    player.Play(path);
    EXPECT_EQ(player.path(), path);
  }
}

TEST_F(CabinetModeTest, TheProgramOpensCabinetModeFromItsSettingsOrWhenAsked) {
  fs::copy_file(ORVANE_BINARY, dir_.Path("orvane"));
  const auto run = [&](const QStringList& arguments) {
    QProcess orvane;
    orvane.setWorkingDirectory(QString::fromStdString(dir_.path()));
    QStringList environment = QProcess::systemEnvironment();
    environment << QString("QT_QPA_PLATFORM=offscreen:configfile=") + qgetenv("CABINET_SCREENS");
    orvane.setEnvironment(environment);
    orvane.start(QString::fromStdString(dir_.Path("orvane")), arguments);
    EXPECT_TRUE(orvane.waitForFinished(30000));
    return orvane.exitCode();
  };
  const std::string shot = dir_.Path("shot");
  ASSERT_EQ(run({"--cabinet", "--screenshot", QString::fromStdString(shot)}), 0);
  for (const char* role : {"playfield", "backglass", "dmd"}) {
    EXPECT_EQ(QImage(QString::fromStdString(shot + "-" + role + ".png")).size(),
              QSize(role[0] == 'p'   ? 540
                    : role[0] == 'b' ? 640
                                     : 512,
                    role[0] == 'p'   ? 960
                    : role[0] == 'b' ? 512
                                     : 128))
        << role;
  }
  fs::remove_all(dir_.Path("shot-dmd.png"));
  Settings("Enabled=1\r\n");
  ASSERT_EQ(run({"--screenshot", QString::fromStdString(shot)}), 0);
  EXPECT_TRUE(fs::exists(shot + "-dmd.png")) << "Enabled=1 opens cabinet mode bare";
}

TEST_F(CabinetModeTest, TheSettingsWindowWritesWhatWasChangedAndTellsScreensApart) {
  dir_.WriteFile("orvane.ini", "[Dirs]\r\nVPExe=VPinballX_GL\r\n");
  SettingsWindow window(dir_.path());
  QStringList messages;
  window.report = [&](const QString& message) { messages << message; };
  // The screens the system reports, for each role.
  QStringList offered;
  for (int i = 0; i < window.ScreenChoice(0)->count(); ++i)
    offered << window.ScreenChoice(0)->itemText(i);
  EXPECT_EQ(offered, (QStringList{"", "Backglass", "DMD", "Playfield"}));
  window.ShowScreenNames();
  ASSERT_EQ(window.name_windows().size(), 3u);
  for (QWidget* shown : window.name_windows()) {
    EXPECT_TRUE(shown->screen()->geometry().contains(shown->geometry()))
        << shown->screen()->name().toStdString();
    EXPECT_TRUE(static_cast<QLabel*>(shown)->text().startsWith(shown->screen()->name()));
  }
  // A key set by pressing it: its side too.
  window.CaptureKey(CabinetButton::kNext);
  Key(window.Field("Dirs", "TablePath"), Qt::Key_Control, true, 0xFFE4);
  EXPECT_EQ(window.Field("Cabinet", "KeyNext")->text(), "RCtrl");
  window.Field("Dirs", "TablePath")->setText("/t/");
  window.ScreenChoice(2)->setCurrentText("");
  window.Switch("Cabinet", "Enabled")->setChecked(true);
  window.Field("Dirs", "MAMEExe")->setText("pinmame");
  ASSERT_TRUE(window.Save());
  // Only what was changed: a setting left alone keeps taking its default.
  EXPECT_EQ(dir_.ReadFile("orvane.ini"),
            "[Dirs]\r\nVPExe=VPinballX_GL\r\nTablePath=/t/\r\nMAMEExe=pinmame\r\n"
            "[Cabinet]\r\nEnabled=1\r\nDMDScreen=\r\nKeyNext=RCtrl\r\n");
  EXPECT_EQ(dir_.ReadFile("Tabrin.ini"), "[MAME]\r\nExe=pinmame\r\n");
  EXPECT_TRUE(ReadCabinetSettings(dir_.path()).enabled);
  // A settings file that cannot be written is said.
  fs::remove(dir_.Path("orvane.ini"));
  dir_.MakeDir("orvane.ini");  // no file can replace it
  window.Field("Dirs", "TablePath")->setText("/u/");
  EXPECT_FALSE(window.Save());
  EXPECT_EQ(messages.size(), 1);
}

}  // namespace

int main(int argc, char** argv) {
  // A cabinet's three screens, whatever platform the suite was asked for.
  TempDir dir;
  const std::string screens = dir.WriteFile("screens.json", kScreens);
  qputenv("HOME", QByteArray::fromStdString(dir.MakeDir("home")));
  qunsetenv("XDG_DATA_HOME");
  qputenv("CABINET_SCREENS", QByteArray::fromStdString(screens));
  qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString("offscreen:configfile=" + screens));
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
