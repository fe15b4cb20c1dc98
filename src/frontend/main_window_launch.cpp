// Form1's launch: a game started, judged when it ends and recorded when it was one.
#include <QDateTime>
#include <QLabel>

#include "common/paths.h"
#include "common/table_details.h"
#include "common/tables.h"
#include "frontend/browser.h"
#include "frontend/game_launch.h"
#include "frontend/main_window.h"
#include "frontend/notices.h"

void Form1::cmdLaunch_Click() { File1_KeyDown(kKeyReturn, 0); }

void Form1::Launch() {
  const std::string file_name = File1->FileName();
  // Nothing to play, or a game is running already: a second Enter must not start another.
  if (file_name.empty() || launching_) return;
  if (!OrdinaryFileExists(PathInFolder(File1->Path(), file_name))) {
    // Deleted since the list was read: the simulator would open nothing, and it is no play.
    dialogs_.MessageBox(TableGoneText(file_name), MessageButtons::kOk, "");
    RereadFolder();
    return;
  }
  // A game whose ROM file the simulator would not find shows a dead display: asked first.
  const std::string missing = MissingRomQuestion(program_folder_, settings_, TableKey(file_name));
  if (!missing.empty() &&
      dialogs_.MessageBox(missing, MessageButtons::kYesNo, "") != MessageResult::kYes) {
    return;
  }
  launching_ = true;
  const QString started_at = QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss");
  const GamePlayed game = PlayGame(program_folder_, settings_, state_.LauncherMode, file_name,
                                   TableKey(file_name), [this](const std::string& message) {
                                     dialogs_.MessageBox(message, MessageButtons::kOk, "");
                                   });
  const RunOutcome& outcome = game.outcome;
  launching_ = false;
  // What ran before or after the game failed: said, the game still counts.
  std::string notes = game.before_failure;
  if (!game.after_failure.empty()) notes += (notes.empty() ? "" : "\r\n") + game.after_failure;
  if (!outcome.started) {
    dialogs_.MessageBox("Visual Pinball could not be started: \"" + settings_.VPExe +
                            "\" in the folder \"" + settings_.VPPath +
                            "\".  Check VPPath and VPExe in orvane.ini.",
                        MessageButtons::kOk, "");
  } else {
    if (game.end.counts)
      RecordPlayOf(file_name, started_at.toStdString(), game.milliseconds / 1000);
    if (!game.end.note.empty()) notes = game.end.note + (notes.empty() ? "" : "\r\n" + notes);
  }
  if (!notes.empty()) ShowNote(notes);
  // Back from the game, the list takes the keys again.
  activateWindow();
  FocusList();
}

void Form1::RecordPlayOf(const std::string& file_name, const std::string& started,
                         long long seconds) {
  NoteWrite(RecordPlay(program_folder_, TableKey(file_name), started, seconds),
            program_folder_ + "/" + kStatsIni, "The game played was");
  const std::string table = PathInFolder(File1->Path(), file_name);
  NoteWrite(ShareWithDetailsFile(program_folder_, table, TableKey(file_name)),
            TableDetailsFile(table), "The game played in it was");
  // The panel, and an order by plays, show the play at once.
  if (sort_order_ == SortOrder::kByName) {
    GetInfo();
  } else {
    Resort();
  }
}

void Form1::ShowNote(const std::string& note) {
  GetInfo();
  lblInfo->setText(QString::fromStdString(note) + "\r\n\r\n" + lblInfo->text());
  ShowText(kShowInfo);
}
