#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "frontend/cabinet/buttons.h"
#include "frontend/cabinet/cabinet_settings.h"
#include "frontend/cabinet/input_map.h"
#include "frontend/cabinet/picture_cache.h"
#include "frontend/collection_model.h"

class CabinetScreen;
class JoystickSource;
class QKeyEvent;
class VideoPlayer;
struct ScreenScene;

// Orvane on the screens of a pinball cabinet, driven by its buttons: a full-screen window per
// role showing the selected table of the shared collection, the wheel of tables, a menu, the
// rules, attract mode, and the game started with the screens given over to it.
class CabinetMode : public QObject {
  Q_OBJECT

 public:
  // The lists the wheel can show.
  enum class View { kAll, kFavourites, kMostPlayed, kRecentlyPlayed };

  CabinetMode(CollectionModel& model, CabinetSettings settings, QObject* parent = nullptr);
  ~CabinetMode() override;
  CabinetMode(const CabinetMode&) = delete;
  CabinetMode& operator=(const CabinetMode&) = delete;

  // Opens a window for each role on the screen its settings name and starts reading the
  // joysticks. A screen that is not there is left out (the playfield then takes the first
  // screen): the lines returned say so, and the playfield shows them once.
  QStringList Open();

  // A cabinet button pressed or let go, from any source.
  void Press(CabinetButton button);
  void Release(CabinetButton button);
  // A key from a cabinet window. Returns true when it is one of the cabinet's buttons.
  bool Key(QKeyEvent* event, bool pressed);

  // Runs the game of the table and returns when it has ended (the program's launch); what it
  // returns, when not empty, is shown over the playfield until the next button.
  std::function<std::string(const TableEntry& entry)> launch;
  // Before a game: a question to ask (a ROM file missing), "" to play at once.
  std::function<std::string(const TableEntry& entry)> check_before_play;
  // Leaves Orvane.
  std::function<void()> quit;
  // Opens the settings window.
  std::function<void()> open_settings;

  // What is shown, for tests, screenshots and benchmarks.
  CabinetScreen* Screen(ScreenRole role) const;
  View view() const { return view_; }
  const std::vector<int>& rows() const { return rows_; }
  int position() const { return position_; }
  bool attract() const { return attract_; }
  bool menu_open() const { return !menu_.empty(); }
  bool rules_open() const { return rules_open_; }
  PictureCache& pictures() { return pictures_; }
  VideoPlayer& Video(ScreenRole role) const;
  // Shows `text` over the playfield until the next button.
  void Notice(const QString& text) { SetMessage(text, true); }
  // Makes every screen's scene now.
  void Refresh();
  // Other times than the settings' (tests): the buttons' holds and repeats, attract mode's wait
  // and step, in milliseconds.
  void SetTimes(ButtonTiming timing, int attract_after_ms, int attract_every_ms);
  // The wheel's view and order (the menu's first entries), from its first table, or keeping the
  // selected one when it is in the view.
  void ShowView(View view, bool keep_selection = false);

 private:
  void Act(CabinetAction action, CabinetButton button);
  void Move(int step);
  void MoveTo(int position);
  void LetterJump(int step);
  void OpenMenu();
  void RunMenuEntry();
  void OpenRules();
  void CloseOverlay();
  // Plays the selected table, asking first when it would not run; `asked` when it was asked.
  void Play(bool asked = false);
  // Shows `message` over the playfield; a notice goes with the next button.
  void SetMessage(const QString& message, bool notice = false);
  void OnModelSelection();
  void OnSelection();
  void OnCollectionChanged();
  void StartVideos();
  void StartAttract();
  void AttractStep();
  void ScheduleTick();
  void RestartIdle();
  void Prefetch();
  int64_t Now() const { return clock_.elapsed(); }

  void FillPlayfield(ScreenScene& scene, QSize size);
  void FillRoleScene(ScreenRole role, ScreenScene& scene, QSize size);
  MediaRole DmdRole(QSize size) const;

  CollectionModel& model_;
  CabinetSettings settings_;
  InputMap input_map_;
  ButtonLogic buttons_;
  QElapsedTimer clock_;
  PictureCache pictures_;
  std::array<std::unique_ptr<CabinetScreen>, kScreenRoleCount> screens_;
  std::array<std::unique_ptr<VideoPlayer>, kScreenRoleCount> videos_;
  std::unique_ptr<JoystickSource> joystick_;

  View view_ = View::kAll;
  std::vector<int> rows_;  // indexes of the model's entries, in the wheel's order
  int position_ = -1;      // in rows_

  QStringList menu_;
  int menu_selected_ = 0;
  bool rules_open_ = false;
  int rules_scroll_ = 0;
  QString message_;
  bool message_is_notice_ = false;  // goes with any button, which does nothing else then
  bool asked_to_play_ = false;      // the message asks whether to play all the same
  QString hint_;                    // a short line under the wheel, gone with the next button
  int64_t overlay_closed_at_ = -1'000'000;
  bool attract_ = false;
  bool playing_ = false;
  int attract_after_ms_ = 0;  // 0: never
  int attract_every_ms_ = 0;

  QTimer tick_timer_;     // repeats and holds of buttons held
  QTimer rest_timer_;     // videos start once the selection has rested
  QTimer idle_timer_;     // attract mode after a while without a button
  QTimer attract_timer_;  // the next table in attract mode
  QTimer refresh_timer_;  // pictures that came in are drawn together
};
