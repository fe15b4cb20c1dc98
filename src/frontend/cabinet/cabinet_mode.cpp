#include "frontend/cabinet/cabinet_mode.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <QScreen>
#include <algorithm>
#include <iostream>

#include "common/paths.h"
#include "frontend/cabinet/cabinet_screen.h"
#include "frontend/cabinet/joystick.h"
#include "frontend/cabinet/scene.h"
#include "frontend/cabinet/video_player.h"
#include "frontend/info_text.h"
#include "frontend/notices.h"

namespace {

// The wheel shows this many tables on each side of the selected one.
constexpr int kWheelSide = 3;
// A video starts once the selection has rested this long, so that moving never stutters.
constexpr int kVideoRestMs = 300;
// Tables on either side whose pictures are fetched ahead.
constexpr int kFetchAhead = 2;

const char* const kViewNames[] = {"All tables", "Favourites", "Most played", "Recently played"};

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

int Wrap(int position, int count) { return count == 0 ? -1 : ((position % count) + count) % count; }

}  // namespace

CabinetMode::CabinetMode(CollectionModel& model, CabinetSettings settings, QObject* parent)
    : QObject(parent),
      model_(model),
      settings_(std::move(settings)),
      input_map_(settings_),
      attract_after_ms_(settings_.attract_after * 1000),
      attract_every_ms_(settings_.attract_every * 1000) {
  clock_.start();
  pictures_.SetProgramFolder(model_.program_folder());
  for (auto& video : videos_) {
    video = std::make_unique<VideoPlayer>();
    connect(video.get(), &VideoPlayer::frameReady, this, [this] { refresh_timer_.start(); });
  }
  tick_timer_.setSingleShot(true);
  connect(&tick_timer_, &QTimer::timeout, this, [this] {
    for (const CabinetAction action : buttons_.Tick(Now())) Act(action, CabinetButton::kBack);
    ScheduleTick();
  });
  rest_timer_.setSingleShot(true);
  rest_timer_.setInterval(kVideoRestMs);
  connect(&rest_timer_, &QTimer::timeout, this, &CabinetMode::StartVideos);
  idle_timer_.setSingleShot(true);
  connect(&idle_timer_, &QTimer::timeout, this, &CabinetMode::StartAttract);
  connect(&attract_timer_, &QTimer::timeout, this, &CabinetMode::AttractStep);
  // Pictures and video frames that come in together are drawn once.
  refresh_timer_.setSingleShot(true);
  refresh_timer_.setInterval(0);
  connect(&refresh_timer_, &QTimer::timeout, this, &CabinetMode::Refresh);
  connect(&pictures_, &PictureCache::ready, this, [this] { refresh_timer_.start(); });
  connect(&model_, &CollectionModel::selectionChanged, this, &CabinetMode::OnModelSelection);
  connect(&model_, &CollectionModel::collectionChanged, this, &CabinetMode::OnCollectionChanged);
  quit = [] { QCoreApplication::quit(); };
}

CabinetMode::~CabinetMode() = default;

QStringList CabinetMode::Open() {
  QStringList report;
  const QList<QScreen*> screens = QGuiApplication::screens();
  QStringList names;
  for (const QScreen* screen : screens) names << screen->name();
  for (int i = 0; i < kScreenRoleCount; ++i) {
    const auto role = static_cast<ScreenRole>(i);
    const QString wanted = Text(settings_.screens[i]);
    if (wanted.trimmed().isEmpty() && role != ScreenRole::kPlayfield) continue;  // turned off
    int index = FindScreen(names, wanted);
    if (index < 0) {
      report << QString("The %1 screen \"%2\" is not there (screens: %3).")
                    .arg(ScreenRoleName(role), wanted, names.join(", "));
      // Without a playfield nothing could be driven: it takes the first screen.
      if (role != ScreenRole::kPlayfield || screens.isEmpty()) continue;
      index = 0;
    }
    auto screen = std::make_unique<CabinetScreen>(role, settings_.rotations[i]);
    screen->on_key = [this](QKeyEvent* event, bool pressed) { Key(event, pressed); };
    screen->ShowOn(screens[index]);
    screens_[i] = std::move(screen);
  }
  for (const QString& line : report) std::cerr << "orvane: " << line.toStdString() << "\n";
  if (!report.isEmpty()) SetMessage(report.join("\n") + "\n\nAny button goes on.", true);
  if (CabinetScreen* playfield = Screen(ScreenRole::kPlayfield)) {
    playfield->raise();
    playfield->activateWindow();
    playfield->setFocus();
  }
  joystick_ = std::make_unique<JoystickSource>(input_map_);
  connect(joystick_.get(), &JoystickSource::pressed, this, &CabinetMode::Press);
  connect(joystick_.get(), &JoystickSource::released, this, &CabinetMode::Release);
  ShowView(View::kAll);
  RestartIdle();
  return report;
}

CabinetScreen* CabinetMode::Screen(ScreenRole role) const {
  return screens_[static_cast<size_t>(role)].get();
}

VideoPlayer& CabinetMode::Video(ScreenRole role) const {
  return *videos_[static_cast<size_t>(role)];
}

bool CabinetMode::Key(QKeyEvent* event, bool pressed) {
  const std::optional<CabinetButton> button = input_map_.ButtonOfKey(
      event->key(), KeySide(event->nativeVirtualKey(), event->nativeScanCode()));
  if (!button) return false;
  // The system's own repeats are not presses: a held button repeats by the cabinet's rules.
  if (event->isAutoRepeat()) return true;
  pressed ? Press(*button) : Release(*button);
  return true;
}

void CabinetMode::Press(CabinetButton button) {
  if (playing_) return;
  RestartIdle();
  for (const CabinetAction action : buttons_.Press(button, Now())) {
    if (action == CabinetAction::kWake && (attract_ || message_is_notice_)) {
      // Any button ends attract mode, or takes a notice away, and does nothing else.
      attract_ = false;
      attract_timer_.stop();
      if (message_is_notice_) message_.clear();
      message_is_notice_ = false;
      buttons_.Swallow(button);
      Refresh();
      break;
    }
    Act(action, button);
  }
  ScheduleTick();
}

void CabinetMode::Release(CabinetButton button) {
  if (playing_) return;
  for (const CabinetAction action : buttons_.Release(button, Now())) Act(action, button);
  ScheduleTick();
}

void CabinetMode::SetTimes(ButtonTiming timing, int attract_after_ms, int attract_every_ms) {
  buttons_ = ButtonLogic(timing);
  attract_after_ms_ = attract_after_ms;
  attract_every_ms_ = attract_every_ms;
  RestartIdle();
}

void CabinetMode::RestartIdle() {
  if (attract_after_ms_ > 0 && !playing_) idle_timer_.start(attract_after_ms_);
}

void CabinetMode::ScheduleTick() {
  const std::optional<int64_t> due = buttons_.NextDue();
  if (!due) {
    tick_timer_.stop();
    return;
  }
  tick_timer_.start(static_cast<int>(std::max<int64_t>(0, *due - Now())));
}

void CabinetMode::Act(CabinetAction action, CabinetButton /*button*/) {
  if (action == CabinetAction::kWake) {
    if (!hint_.isEmpty()) {
      hint_.clear();
      Refresh();
    }
    return;
  }
  const bool overlay = !menu_.isEmpty() || rules_open_ || !message_.isEmpty();
  switch (action) {
    case CabinetAction::kPrevious:
    case CabinetAction::kNext: {
      const int step = action == CabinetAction::kNext ? 1 : -1;
      if (!menu_.isEmpty()) {
        menu_selected_ = Wrap(menu_selected_ + step, static_cast<int>(menu_.size()));
        Refresh();
      } else if (rules_open_) {
        rules_scroll_ = std::max(0, rules_scroll_ + step * 3);
        Refresh();
      } else if (!overlay) {
        Move(step);
      }
      break;
    }
    case CabinetAction::kPreviousLetter:
    case CabinetAction::kNextLetter: {
      const int step = action == CabinetAction::kNextLetter ? 1 : -1;
      if (!menu_.isEmpty()) {
        menu_selected_ = step > 0 ? static_cast<int>(menu_.size()) - 1 : 0;
        Refresh();
      } else if (rules_open_) {
        rules_scroll_ = std::max(0, rules_scroll_ + step * 20);
        Refresh();
      } else if (!overlay) {
        LetterJump(step);
      }
      break;
    }
    case CabinetAction::kPlay:
      if (asked_to_play_ && !message_.isEmpty()) {
        CloseOverlay();
        Play(/*asked=*/true);
      } else if (!menu_.isEmpty()) {
        RunMenuEntry();
      } else if (overlay) {
        CloseOverlay();
      } else {
        Play();
      }
      break;
    case CabinetAction::kMenu:
      if (!menu_.isEmpty()) {
        CloseOverlay();
      } else if (!overlay) {
        OpenMenu();
      }
      break;
    case CabinetAction::kBack:
      if (overlay) {
        CloseOverlay();
      } else {
        hint_ = "Press Back again, or hold it, to leave Orvane";
        Refresh();
      }
      break;
    case CabinetAction::kQuit:
      // A second Back right after one that closed a menu only goes back once more.
      if (overlay) {
        CloseOverlay();
      } else if (Now() - overlay_closed_at_ > 1000 && quit) {
        quit();
      }
      break;
    case CabinetAction::kWake:
      break;
  }
}

void CabinetMode::Move(int step) { MoveTo(position_ + step); }

void CabinetMode::MoveTo(int position) {
  const int count = static_cast<int>(rows_.size());
  if (count == 0) return;
  position_ = Wrap(position, count);
  model_.Select(rows_[static_cast<size_t>(position_)]);
}

void CabinetMode::LetterJump(int step) {
  if (rows_.empty()) return;
  MoveTo(::LetterJump(model_.entries(), rows_, NameView::kTable, position_, step));
}

void CabinetMode::ShowView(View view, bool keep_selection) {
  view_ = view;
  const TableOrder order = view == View::kMostPlayed       ? TableOrder::kMostPlayed
                           : view == View::kRecentlyPlayed ? TableOrder::kLastPlayed
                                                           : TableOrder::kByName;
  rows_ = OrderedTables(model_.entries(), NameView::kTable, order, view == View::kFavourites);
  const auto at =
      keep_selection ? std::find(rows_.begin(), rows_.end(), model_.selected()) : rows_.end();
  position_ = rows_.empty() ? -1 : at != rows_.end() ? static_cast<int>(at - rows_.begin()) : 0;
  if (position_ >= 0 && rows_[static_cast<size_t>(position_)] != model_.selected()) {
    model_.Select(rows_[static_cast<size_t>(position_)]);
  } else {
    OnSelection();
  }
}

void CabinetMode::OnCollectionChanged() {
  if (!screens_[0]) return;  // not open yet
  ShowView(view_, true);
}

void CabinetMode::OpenMenu() {
  const TableEntry* entry = model_.Selected();
  menu_.clear();
  for (const char* name : kViewNames) menu_ << name;
  if (entry != nullptr) {
    menu_ << (entry->favourite ? "Remove from favourites" : "Add to favourites");
    menu_ << "Rules and instruction card";
  }
  menu_ << "Settings"
        << "Quit Orvane"
        << "Back";
  menu_selected_ = 0;
  Refresh();
}

void CabinetMode::RunMenuEntry() {
  const QString chosen = menu_.value(menu_selected_);
  CloseOverlay();
  for (int v = 0; v < 4; ++v) {
    if (chosen == kViewNames[v]) return ShowView(static_cast<View>(v));
  }
  if (chosen.endsWith("favourites")) {
    const TableEntry* entry = model_.Selected();
    if (entry != nullptr && !model_.SetFavourite(!entry->favourite)) {
      SetMessage("The favourites could not be saved: stats.ini cannot be written.", true);
    }
    // The favourites' list follows at once.
    if (view_ == View::kFavourites) ShowView(view_, true);
    Refresh();
  } else if (chosen.startsWith("Rules")) {
    OpenRules();
  } else if (chosen == "Settings") {
    if (open_settings) open_settings();
  } else if (chosen == "Quit Orvane") {
    if (quit) quit();
  }
}

void CabinetMode::OpenRules() {
  rules_open_ = true;
  rules_scroll_ = 0;
  Refresh();
}

void CabinetMode::CloseOverlay() {
  menu_.clear();
  rules_open_ = false;
  message_.clear();
  message_is_notice_ = false;
  asked_to_play_ = false;
  overlay_closed_at_ = Now();
  Refresh();
}

void CabinetMode::SetMessage(const QString& message, bool notice) {
  message_ = message;
  message_is_notice_ = notice;
  Refresh();
}

void CabinetMode::Play(bool asked) {
  const TableEntry* entry = model_.Selected();
  if (entry == nullptr || !launch) return;
  const TableEntry chosen = *entry;
  if (!OrdinaryFileExists(model_.PathOf(chosen))) {
    // Deleted since the list was read: the simulator would open nothing.
    SetMessage(QString::fromStdString(TableGoneText(chosen.file)), true);
    model_.Reload();
    return;
  }
  if (!asked && check_before_play) {
    const std::string question = check_before_play(chosen);
    if (!question.empty()) {
      SetMessage(QString::fromStdString(question) + "\n\nStart: play anyway      Back: not now");
      asked_to_play_ = true;
      return;
    }
  }
  const int index = model_.selected();
  playing_ = true;
  idle_timer_.stop();
  rest_timer_.stop();
  for (auto& video : videos_) video->Stop();
  buttons_.ReleaseAll();
  tick_timer_.stop();
  // The simulator takes the screens; where a window cannot be lowered for it, it is hidden.
  if (settings_.hide_while_playing) {
    for (auto& screen : screens_) {
      if (screen) screen->hide();
    }
  }
  const std::string told = launch(chosen);
  playing_ = false;
  for (auto& screen : screens_) {
    if (screen && settings_.hide_while_playing) screen->ShowAgain();
  }
  if (CabinetScreen* playfield = Screen(ScreenRole::kPlayfield)) {
    playfield->raise();
    playfield->activateWindow();
    playfield->setFocus();
  }
  model_.RefreshStats(index);
  RestartIdle();
  rest_timer_.start();
  if (!told.empty()) SetMessage(QString::fromStdString(told), true);
  Refresh();
}

void CabinetMode::OnModelSelection() {
  // The selection may come from elsewhere (the other face, a table gone): the wheel follows it,
  // to the list of all tables when this list lacks it.
  const int selected = model_.selected();
  const auto at = std::find(rows_.begin(), rows_.end(), selected);
  if (at != rows_.end()) {
    position_ = static_cast<int>(at - rows_.begin());
  } else if (selected >= 0 && view_ != View::kAll) {
    return ShowView(View::kAll, true);
  }
  OnSelection();
}

void CabinetMode::OnSelection() {
  for (auto& video : videos_) video->Stop();
  rest_timer_.start();
  Prefetch();
  // Drawn once the events of this moment are handled: repeats that come together draw once.
  refresh_timer_.start();
}

void CabinetMode::Prefetch() {
  const int count = static_cast<int>(rows_.size());
  if (count == 0) return;
  for (int k = -kFetchAhead; k <= kFetchAhead; ++k) {
    if (k == 0) continue;
    const int index = rows_[static_cast<size_t>(Wrap(position_ + k, count))];
    for (int i = 0; i < kScreenRoleCount; ++i) {
      if (!screens_[i]) continue;
      const QSize size = screens_[i]->ContentSize();
      const auto role = static_cast<ScreenRole>(i);
      const MediaRole media = role == ScreenRole::kPlayfield   ? MediaRole::kPlayfield
                              : role == ScreenRole::kBackglass ? MediaRole::kBackglass
                              : role == ScreenRole::kDMD       ? DmdRole(size)
                                                               : MediaRole::kTopper;
      const FoundMedia& found = model_.MediaOf(index, media);
      const std::string& path = found.picture.empty() ? found.backglass_file : found.picture;
      pictures_.Prefetch(Text(path), size);
    }
  }
}

void CabinetMode::StartVideos() {
  if (playing_) return;
  for (int i = 0; i < kScreenRoleCount; ++i) {
    if (!screens_[i]) continue;
    const auto role = static_cast<ScreenRole>(i);
    const QSize size = screens_[i]->ContentSize();
    const MediaRole media = role == ScreenRole::kPlayfield   ? MediaRole::kPlayfield
                            : role == ScreenRole::kBackglass ? MediaRole::kBackglass
                            : role == ScreenRole::kDMD       ? DmdRole(size)
                                                             : MediaRole::kTopper;
    videos_[static_cast<size_t>(i)]->Play(Text(model_.Media(media).video));
  }
}

void CabinetMode::StartAttract() {
  if (playing_ || rows_.size() < 2) return;
  attract_ = true;
  CloseOverlay();
  attract_timer_.start(attract_every_ms_);
  AttractStep();
}

void CabinetMode::AttractStep() {
  const int count = static_cast<int>(rows_.size());
  if (!attract_ || count < 2) return;
  // Any other table than the one shown.
  const int step = 1 + static_cast<int>(QRandomGenerator::global()->bounded(count - 1));
  MoveTo(position_ + step);
}

MediaRole CabinetMode::DmdRole(QSize size) const {
  // A wide, low screen is a real DMD's; a 16:9 one a "full DMD".
  return size.height() > 0 && size.width() >= size.height() * 3 ? MediaRole::kDMD
                                                                : MediaRole::kFullDMD;
}

void CabinetMode::FillPlayfield(ScreenScene& scene, QSize size) {
  const TableEntry* entry = model_.Selected();
  const int count = static_cast<int>(rows_.size());
  if (!menu_.isEmpty()) {
    scene.menu_title = entry != nullptr ? Text(ShownName(*entry, NameView::kTable)) : "Orvane";
    scene.menu = menu_;
    scene.menu_selected = menu_selected_;
  }
  scene.message = message_;
  if (entry == nullptr || count == 0) {
    scene = ScreenScene{.menu_title = scene.menu_title,
                        .menu = scene.menu,
                        .menu_selected = scene.menu_selected,
                        .message = scene.message};
    scene.lines << (model_.entries().empty() ? "No tables" : "No favourites yet")
                << (model_.entries().empty() ? Text(model_.settings().TablePath)
                                             : "Start held opens the menu");
    return;
  }
  // Each table on the wheel once, however few there are.
  const int side = std::min(kWheelSide, (count - 1) / 2);
  const QSize wheel_size(size.width() / 3, size.width() / 6);
  for (int k = -side; k <= side; ++k) {
    const int index = rows_[static_cast<size_t>(Wrap(position_ + k, count))];
    const TableEntry& shown = model_.entries()[static_cast<size_t>(index)];
    scene.wheel.push_back(
        {pictures_.Get(Text(model_.MediaOf(index, MediaRole::kWheel).picture), wheel_size),
         Text(ShownName(shown, NameView::kTable)), k == 0});
  }
  scene.title = Text(ShownName(*entry, NameView::kTable));
  QStringList details;
  if (!entry->manufacturer.empty()) details << Text(entry->manufacturer);
  if (!entry->year.empty()) details << Text(entry->year);
  if (details.isEmpty() && !entry->author.empty()) details << "by " + Text(entry->author);
  scene.details = details.join("  ·  ");
  QStringList status;
  if (entry->favourite) status << "★ Favourite";
  if (entry->plays > 0) {
    status << QString("Played %1 %2").arg(entry->plays).arg(entry->plays == 1 ? "time" : "times");
  }
  status << QString("%1  %2 of %3")
                .arg(kViewNames[static_cast<int>(view_)])
                .arg(position_ + 1)
                .arg(count);
  scene.status = hint_.isEmpty() ? status.join("   ") : hint_;
  if (attract_) scene.status = "Press any button";
  if (rules_open_) {
    const std::string& card = model_.Media(MediaRole::kGameHelp).picture;
    scene.rules_picture = PictureCache::Decode(Text(card), size);
    if (scene.rules_picture.isNull()) {
      scene.rules_text = Text(GetTextFile(RulesFileOf(*entry, model_.settings())));
      if (scene.rules_text.isEmpty()) scene.rules_text = "This table has no rules here.";
    }
    scene.rules_scroll = rules_scroll_;
  }
}

void CabinetMode::FillRoleScene(ScreenRole role, ScreenScene& scene, QSize size) {
  const TableEntry* entry = model_.Selected();
  if (entry == nullptr) return;
  const MediaRole media_role = role == ScreenRole::kPlayfield   ? MediaRole::kPlayfield
                               : role == ScreenRole::kBackglass ? MediaRole::kBackglass
                               : role == ScreenRole::kDMD       ? DmdRole(size)
                                                                : MediaRole::kTopper;
  const FoundMedia& media = model_.Media(media_role);
  scene.background = pictures_.Get(Text(media.picture), size);
  if (media.picture.empty() && !media.backglass_file.empty()) {
    scene.background = pictures_.Get(Text(media.backglass_file), size);
  }
  const VideoPlayer& video = Video(role);
  if (!video.path().isEmpty() && video.path() == Text(media.video)) scene.video = video.frame();
  const bool nothing = media.picture.empty() && media.backglass_file.empty() && media.video.empty();
  if (!nothing || role == ScreenRole::kTopper || role == ScreenRole::kPlayfield) return;
  if (role == ScreenRole::kDMD && !entry->vp_only && !entry->rom.empty()) {
    scene.lines << Text(entry->rom).toUpper();
  }
  scene.lines << Text(ShownName(*entry, NameView::kTable));
}

void CabinetMode::Refresh() {
  for (int i = 0; i < kScreenRoleCount; ++i) {
    CabinetScreen* screen = screens_[i].get();
    if (screen == nullptr) continue;
    const QSize size = screen->ContentSize();
    ScreenScene scene;
    FillRoleScene(static_cast<ScreenRole>(i), scene, size);
    if (static_cast<ScreenRole>(i) == ScreenRole::kPlayfield) FillPlayfield(scene, size);
    screen->SetScene(std::move(scene));
  }
}
