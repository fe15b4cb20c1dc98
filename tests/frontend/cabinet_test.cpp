// Cabinet mode without windows: the buttons' logic and names, the collection read in one pass.
#include <gtest/gtest.h>

#include <QTest>
#include <Qt>
#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/settings.h"
#include "frontend/cabinet/buttons.h"
#include "frontend/cabinet/cabinet_settings.h"
#include "frontend/cabinet/input_map.h"
#include "frontend/collection.h"
#include "frontend/collection_model.h"
#include "support/temp_dir.h"
#include "table_writer.h"

namespace {

using B = CabinetButton;
using A = CabinetAction;

std::string Names(const std::vector<A>& actions) {
  static const char* const kNames[] = {"<", ">", "<<", ">>", "play", "menu", "back", "quit", "."};
  std::string text;
  for (const A action : actions) text += std::string(kNames[static_cast<int>(action)]) + " ";
  return text;
}

TEST(CabinetButtons, HoldsRepeatsAndDoublePressesBecomeActions) {
  // Each row: a button's presses and releases at times, and the actions of each step.
  struct Step {
    char what;  // 'p' press, 'r' release, 't' tick
    B button;
    int64_t at;
    std::string actions;
  };
  const struct {
    const char* why;
    std::vector<Step> steps;
  } rows[] = {
      {"a direction acts at once, then repeats ever faster while held",
       {{'p', B::kNext, 0, ". > "},
        {'t', B::kNext, 399, ""},
        {'t', B::kNext, 400, "> "},
        {'t', B::kNext, 720, "> > "},  // at 560, then 710
        {'r', B::kNext, 721, ""},
        {'t', B::kNext, 5000, ""}}},
      {"the system's own repeats are not presses",
       {{'p', B::kPrevious, 0, ". < "}, {'p', B::kPrevious, 30, ""}, {'r', B::kPrevious, 40, ""}}},
      {"Start let go soon plays; held, it opens the menu and its release does nothing",
       {{'p', B::kStart, 0, ". "},
        {'r', B::kStart, 999, "play "},
        {'p', B::kStart, 2000, ". "},
        {'t', B::kStart, 3000, "menu "},
        {'r', B::kStart, 3500, ""}}},
      {"Back once goes back; twice in a row, or held, quits",
       {{'p', B::kBack, 0, ". "},
        {'r', B::kBack, 100, "back "},
        {'p', B::kBack, 900, ". quit "},
        {'r', B::kBack, 950, ""},
        {'p', B::kBack, 3000, ". "},
        {'r', B::kBack, 3900, "back "},
        {'p', B::kBack, 4800, ". "},
        {'t', B::kBack, 6799, ""},
        {'t', B::kBack, 6800, "quit "}}},
      {"the menu button opens the menu at once",
       {{'p', B::kMenu, 0, ". menu "}, {'r', B::kMenu, 50, ""}}},
  };
  for (const auto& row : rows) {
    ButtonLogic logic;
    for (const Step& step : row.steps) {
      SCOPED_TRACE(std::string(row.why) + " at " + std::to_string(step.at));
      const std::vector<A> got = step.what == 'p'   ? logic.Press(step.button, step.at)
                                 : step.what == 'r' ? logic.Release(step.button, step.at)
                                                    : logic.Tick(step.at);
      EXPECT_EQ(Names(got), step.actions);
    }
  }
  // A press that woke the cabinet from attract mode does nothing else.
  ButtonLogic logic;
  logic.Press(B::kStart, 0);
  logic.Swallow(B::kStart);
  EXPECT_EQ(Names(logic.Tick(5000)) + Names(logic.Release(B::kStart, 5001)), "");
  logic.Press(B::kNext, 6000);
  EXPECT_EQ(logic.NextDue(), 6400);
  logic.ReleaseAll();
  EXPECT_EQ(logic.NextDue(), std::nullopt);
}

TEST(CabinetButtons, KeysAndJoystickInputsAreNamedAsTheSettingsWriteThem) {
  std::vector<std::string> unknown;
  EXPECT_EQ(ParseKeyNames("RShift, 1 return,esc F5 lctrl Nonsense", &unknown),
            (std::vector<KeyName>{{Qt::Key_Shift, 2},
                                  {Qt::Key_1, 0},
                                  {Qt::Key_Return, 0},
                                  {Qt::Key_Escape, 0},
                                  {Qt::Key_F5, 0},
                                  {Qt::Key_Control, 1}}));
  EXPECT_EQ(unknown, std::vector<std::string>{"Nonsense"});
  for (const char* name : {"LShift", "RCtrl", "Return", "1", "Esc", "F5", "A"}) {
    EXPECT_EQ(KeyNameText(ParseKeyNames(name).at(0)), name);
  }
  unknown.clear();
  EXPECT_EQ(ParseJoystickInputs("B0 a1- H0left A2+ B H1Sideways X3", &unknown),
            (std::vector<JoystickInput>{{JoystickInput::Kind::kButton, 0, 0},
                                        {JoystickInput::Kind::kAxis, 1, -1},
                                        {JoystickInput::Kind::kHat, 0, 8},
                                        {JoystickInput::Kind::kAxis, 2, 1}}));
  EXPECT_EQ(unknown, (std::vector<std::string>{"B", "H1Sideways", "X3"}));
  for (int b = 0; b < kCabinetButtonCount; ++b) {
    const auto button = static_cast<B>(b);
    // Every default reads back whole, and names itself as written.
    std::string keys, joystick;
    for (const KeyName& key : ParseKeyNames(DefaultKeys(button), &unknown)) {
      keys += (keys.empty() ? "" : ", ") + KeyNameText(key);
    }
    for (const JoystickInput& input : ParseJoystickInputs(DefaultJoystick(button), &unknown)) {
      joystick += (joystick.empty() ? "" : ", ") + JoystickInputText(input);
    }
    EXPECT_EQ(keys, DefaultKeys(button)) << ButtonSettingName(button);
    EXPECT_EQ(joystick, DefaultJoystick(button)) << ButtonSettingName(button);
  }
  EXPECT_EQ(unknown.size(), 3u);
}

TEST(CabinetSettings, ReadWhatIsUnderstoodAndTellTheSidesOfAKeyApart) {
  TempDir dir;
  dir.WriteFile("orvane.ini",
                "[Cabinet]\r\nEnabled=1\r\nBackglassScreen=HDMI-2\r\nDMDScreen=\r\n"
                "PlayfieldRotation=-90\r\nBackglassRotation=45\r\nTopperRotation=540\r\n"
                "KeyNext=RShift, Right\r\nKeyPrevious=Shift\r\nAttractAfter=abc\r\n"
                "AttractEvery=0\r\nHideWhilePlaying=0\r\n");
  CabinetSettings settings = ReadCabinetSettings(dir.path());
  EXPECT_TRUE(settings.enabled);
  EXPECT_EQ(settings.screens, (std::array<std::string, 4>{"0", "HDMI-2", "", ""}));
  EXPECT_EQ(settings.rotations, (std::array<int, 4>{270, 0, 0, 180}));
  EXPECT_EQ(settings.attract_after, 120);  // not a number: the default
  EXPECT_EQ(settings.attract_every, 1);    // at least a second
  EXPECT_FALSE(settings.hide_while_playing);
  const InputMap map(settings);
  const struct {
    int key, side;
    std::optional<CabinetButton> button;
  } keys[] = {{Qt::Key_Shift, 2, B::kNext},
              {Qt::Key_Shift, 1, B::kPrevious},
              {Qt::Key_Shift, 0, B::kPrevious},
              {Qt::Key_Right, 0, B::kNext},
              {Qt::Key_Control, 2, B::kNextLetter},
              {Qt::Key_Control, 0, B::kPreviousLetter},
              {Qt::Key_1, 0, B::kStart},
              {Qt::Key_5, 0, std::nullopt}};
  for (const auto& key : keys) {
    EXPECT_EQ(map.ButtonOfKey(key.key, key.side), key.button) << key.key << " " << key.side;
  }
  EXPECT_EQ(KeySide(0xFFE2, 0), 2);
  EXPECT_EQ(KeySide(0xFFE3, 0), 1);
  EXPECT_EQ(KeySide('a', 0), 0);
  // What is written reads back the same.
  settings.keys[0] = "LAlt";
  settings.screens[3] = "3";
  ASSERT_TRUE(WriteCabinetSettings(dir.path(), settings));
  const CabinetSettings again = ReadCabinetSettings(dir.path());
  EXPECT_EQ(again.keys, settings.keys);
  EXPECT_EQ(again.joystick, settings.joystick);
  EXPECT_EQ(again.screens, settings.screens);
  EXPECT_EQ(again.rotations, settings.rotations);
}

TEST(Collection, IsReadInOnePassAndOrderedByWhatEachViewShows) {
  TempDir dir;
  for (const char* table : {"b.vpx", "a.vpt", "Élan.vpx", "c.vpx", "z.vpt", "readme.txt"}) {
    dir.WriteFile(std::string("tables/") + table, "");
  }
  // A details file names a table the catalogue knows nothing of.
  dir.WriteFile("tables/C.info", R"({"Info": {"Title": "Charlie", "Year": 1979}})");
  dir.WriteFile("names.ini",  // UTF-8, as its mark says
                "\xEF\xBB\xBF[VP]\r\nb.vpx=Bravo\r\na=Alpha Table\r\nÉlan.vpx=Élan\r\nz=Zulu\r\n"
                "[PinMAME]\r\nb.vpx=brv_l1\r\na=alp_l2\r\nÉlan.vpx=eln\r\n");
  dir.WriteFile("alias.ini", "[Alias]\r\nalp_l2=alpha\r\n");
  dir.WriteFile("info.ini",
                "\xEF\xBB\xBF[Tabrin]\r\nBravo=Bravo Deluxe|Bo|1.0|2020|b@x|site\r\nAlpha "
                "Table=Alpha|Al\r\nÉlan=Élan|E\r\n"
                "[PMInfo]\r\nbrv_l1=Bravo (Williams 1990)|1990|Williams|brv\r\nalpha=Alpha "
                "Quest|1980|Gottlieb\r\n");
  dir.WriteFile("stats.ini",
                "[Favourites]\r\nz=1\r\nc.vpx=1\r\n[Plays]\r\nb.vpx=3\r\nz=99999999999999999\r\n"
                "c.vpx=-4\r\n[LastPlayed]\r\nb.vpx=2026-12-01 10:00:00\r\nc.vpx=2026-12-05 "
                "10:00:00\r\n");
  FrontendSettings settings;
  settings.TablePath = dir.Path("tables") + "/";
  const std::vector<TableEntry> entries = LoadCollection(dir.path(), settings);
  std::string read;
  for (const TableEntry& e : entries) {
    read += e.text + ":" + e.rom + "/" + e.alias + "/" + e.table_name + "/" + e.game_name + "/" +
            e.parent + "/" + (e.favourite ? "*" : "") + std::to_string(e.plays) + " ";
  }
  // In the folder's order (names in byte order, any case); a plain table goes by its base name;
  // counts edited by hand stay within bounds.
  EXPECT_EQ(
      read,
      "a.vpt:alp_l2/alpha/Alpha/Alpha Quest//0 b.vpx:brv_l1//Bravo Deluxe/Bravo (Williams "
      "1990)/brv/3 c.vpx://Charlie///*0 z.vpt:Zulu/////*1000000000000 Élan.vpx:eln//Élan///0 ");
  const auto order = [&](NameView view, TableOrder by, bool favourites = false) {
    std::string text;
    for (const int i : OrderedTables(entries, view, by, favourites)) {
      text += ShownName(entries[static_cast<size_t>(i)], view) + "|";
    }
    return text;
  };
  EXPECT_EQ(order(NameView::kFile, TableOrder::kByName), "a.vpt|b.vpx|c.vpx|Élan.vpx|z.vpt|");
  EXPECT_EQ(order(NameView::kGame, TableOrder::kByName),
            "|Alpha Quest|Bravo (Williams 1990)|eln|Zulu|");  // a table without names first
  EXPECT_EQ(order(NameView::kTable, TableOrder::kByName), "Alpha|Bravo Deluxe|Charlie|Élan|Zulu|");
  EXPECT_EQ(order(NameView::kFile, TableOrder::kMostPlayed), "z.vpt|b.vpx|a.vpt|c.vpx|Élan.vpx|");
  EXPECT_EQ(order(NameView::kFile, TableOrder::kLastPlayed), "c.vpx|b.vpx|a.vpt|Élan.vpx|z.vpt|");
  EXPECT_EQ(order(NameView::kFile, TableOrder::kByName, true), "c.vpx|z.vpt|");
  // Letter jumps over "a b c É z" by file: forward to the next initial, round at the end; back
  // to the first of this initial, else of the one before.
  const std::vector<int> rows = OrderedTables(entries, NameView::kFile, TableOrder::kByName);
  const struct {
    int from, step, to;
  } jumps[] = {{0, 1, 1}, {2, 1, 3}, {4, 1, 0}, {1, -1, 0}, {0, -1, 4}, {4, -1, 3}};
  for (const auto& jump : jumps) {
    EXPECT_EQ(LetterJump(entries, rows, NameView::kFile, jump.from, jump.step), jump.to)
        << jump.from << " " << jump.step;
  }
}

}  // namespace

namespace {

// A table file as the simulator saves one, naming `rom` in its script.
void WriteTableFile(const std::string& path, const std::string& name, const std::string& rom) {
  TableContents table;
  table.table_name = name;
  table.script = "Const cGameName = \"" + rom + "\"\r\nController.GameName = cGameName\r\n";
  ASSERT_TRUE(WriteTable(path, table));
}

TEST(Collection, FollowsTablesAddedAndRemovedWhileOrvaneRuns) {
  for (const bool listing : {false, true}) {
    SCOPED_TRACE(listing ? "a folder listed again and again" : "the system's change notices");
    TempDir dir;
    std::filesystem::copy_file(TABRIN_BINARY, dir.Path("tabrin"));
    WriteTableFile(dir.MakeDir("tables") + "/a.vpx", "Alpha", "alp_l1");
    FrontendSettings settings;
    settings.TablePath = dir.Path("tables/");
    CollectionModel model(dir.path());
    model.SetSettings(settings);
    model.WatchFolder(listing);
    ASSERT_EQ(model.entries().size(), 1u);
    model.Select(0);
    // A table not there is neither selected nor has media.
    EXPECT_FALSE(model.SelectFile("gone.vpx"));
    EXPECT_TRUE(model.MediaOf(-1, MediaRole::kWheel).picture.empty());
    EXPECT_TRUE(model.MediaOf(1, MediaRole::kWheel).picture.empty());
    // A table copied in is listed at once, then catalogued; the selection stays.
    WriteTableFile(dir.Path("tables/b.vpx"), "Bravo", "brv_l2");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return model.entries().size() == 2; }, listing ? 3000 : 1000));
    if (!listing) {  // the catalogue is the same either way
      EXPECT_TRUE(QTest::qWaitFor(
          [&] { return model.entries().size() == 2 && model.entries()[1].rom == "brv_l2"; }, 6000));
      EXPECT_EQ(model.entries()[0].rom, "alp_l1") << "the table that was there is catalogued too";
    }
    EXPECT_EQ(model.Selected()->file, "a.vpx");
    // One taken away: the selection moves to the table now at its place.
    std::filesystem::remove(dir.Path("tables/a.vpx"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return model.entries().size() == 1; }, listing ? 3000 : 1000));
    ASSERT_NE(model.Selected(), nullptr);
    EXPECT_EQ(model.Selected()->file, "b.vpx");
    // One put back before it: the selection stays with its table, and tells of its new row.
    int told = -2;
    QObject::connect(&model, &CollectionModel::selectionChanged, [&](int index) { told = index; });
    WriteTableFile(dir.Path("tables/a.vpx"), "Alpha", "alp_l1");
    EXPECT_TRUE(QTest::qWaitFor([&] { return told == 1; }, listing ? 3000 : 1000));
    EXPECT_EQ(model.Selected()->file, "b.vpx");
    // Taken away again with one after it: the selection stays with its table, now first.
    WriteTableFile(dir.Path("tables/c.vpx"), "Charlie", "chl_l1");
    std::filesystem::remove(dir.Path("tables/a.vpx"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return model.entries()[0].file == "b.vpx"; }, 3000));
    EXPECT_EQ(model.Selected()->file, "b.vpx");
  }
}

}  // namespace
