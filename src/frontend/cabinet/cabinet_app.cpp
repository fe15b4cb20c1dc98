#include "frontend/cabinet/cabinet_app.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QScreen>
#include <QTimer>
#include <iostream>

#include "common/paths.h"
#include "common/process_runner.h"
#include "common/settings.h"
#include "frontend/browser.h"
#include "frontend/cabinet/cabinet_mode.h"
#include "frontend/cabinet/cabinet_screen.h"
#include "frontend/collection_model.h"
#include "frontend/game_launch.h"
#include "frontend/notices.h"
#include "frontend/play_stats.h"
#include "frontend/settings_window.h"

int RunCabinetMode(const std::string& program_folder, const QString& screenshot,
                   const std::string& table, int wait_ms) {
  FrontendSettings settings;
  GetSettings(program_folder, settings);
  CollectionModel model(program_folder);
  model.SetSettings(settings);
  model.WatchFolder();
  CabinetMode mode(model, ReadCabinetSettings(program_folder));
  mode.launch = [&program_folder, &settings](const TableEntry& entry) {
    const QString started_at = QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss");
    const GamePlayed game =
        PlayGame(program_folder, settings, IsLauncher(settings.VPExe), entry.file, entry.key,
                 [](const std::string& message) { std::cerr << "orvane: " << message << "\n"; });
    if (!game.outcome.started) {
      return "Visual Pinball could not be started: \"" + settings.VPExe + "\" in \"" +
             settings.VPPath + "\".";
    }
    std::string told = game.end.note;
    if (game.end.counts && !RecordPlay(program_folder, entry.key, started_at.toStdString(),
                                       game.milliseconds / 1000)) {
      told = FileNotWrittenText(program_folder + "/" + kStatsIni, "The game played was");
    }
    if (game.end.counts) {
      ShareWithDetailsFile(program_folder, WithTrailingSlash(settings.TablePath) + entry.file,
                           entry.key);
    }
    for (const std::string* failure : {&game.before_failure, &game.after_failure}) {
      if (!failure->empty()) told += (told.empty() ? "" : "\n") + *failure;
    }
    return told;
  };
  mode.check_before_play = [&program_folder, &settings](const TableEntry& entry) {
    return MissingRomQuestion(program_folder, settings, entry.key);
  };
  mode.open_settings = [&mode, &model, &program_folder, &settings] {
    SettingsWindow window(program_folder);
    if (CabinetScreen* playfield = mode.Screen(ScreenRole::kPlayfield)) {
      window.setScreen(playfield->screen());
      window.move(playfield->screen()->geometry().center() - window.rect().center());
    }
    window.setCursor(Qt::ArrowCursor);
    if (window.exec() != QDialog::Accepted) return;
    GetSettings(program_folder, settings);
    model.SetSettings(settings);
    mode.Notice("Saved. Screen and button changes take effect when Orvane starts again.");
  };
  mode.Open();
  if (!table.empty()) model.SelectFile(table);
  if (!screenshot.isEmpty()) {
    QTimer::singleShot(wait_ms, &mode, [&mode, screenshot] {
      mode.pictures().WaitForAll();
      QCoreApplication::processEvents();
      mode.Refresh();
      bool saved = true;
      for (int i = 0; i < kScreenRoleCount; ++i) {
        const auto role = static_cast<ScreenRole>(i);
        if (CabinetScreen* screen = mode.Screen(role)) {
          saved = screen->grab().save(screenshot + "-" + QString(ScreenRoleName(role)).toLower() +
                                      ".png") &&
                  saved;
        }
      }
      QApplication::exit(saved ? 0 : 1);
    });
  }
  return QApplication::exec();
}
