// Form1's launch: a game started, judged when it ends and recorded when it was one.
#include <QDateTime>
#include <QElapsedTimer>
#include <QLabel>

#include "common/paths.h"
#include "common/tables.h"
#include "frontend/browser.h"
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
  launching_ = true;
  const QString started_at = QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss");
  QElapsedTimer played;
  played.start();
  const RunOutcome outcome = RunAndWaitHere(
      settings_.VPPath, settings_.VPExe,
      LaunchArguments(settings_.VPExe, state_.LauncherMode, settings_.TablePath, file_name), 1);
  launching_ = false;
  if (!outcome.started) {
    dialogs_.MessageBox("Visual Pinball could not be started: \"" + settings_.VPExe +
                            "\" in the folder \"" + settings_.VPPath +
                            "\".  Check VPPath and VPExe in orvane.ini.",
                        MessageButtons::kOk, "");
  } else {
    const GameEnd end = JudgeGameEnd(outcome, played.elapsed());
    if (end.counts) RecordPlayOf(file_name, started_at.toStdString(), played.elapsed() / 1000);
    if (!end.note.empty()) ShowNote(end.note);
  }
  // Back from the game, the list takes the keys again.
  activateWindow();
  FocusList();
}

void Form1::RecordPlayOf(const std::string& file_name, const std::string& started,
                         long long seconds) {
  NoteWrite(RecordPlay(program_folder_, TableKey(file_name), started, seconds),
            program_folder_ + "/" + kStatsIni, "The game played was");
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
