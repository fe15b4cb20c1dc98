#pragma once

#include <QWidget>
#include <functional>

#include "frontend/cabinet/cabinet_settings.h"
#include "frontend/cabinet/scene.h"

class QScreen;

// The full-screen window of one cabinet role. It draws its scene turned by the role's rotation
// (by drawing, not by asking the system) and hands every key to the cabinet mode.
class CabinetScreen : public QWidget {
 public:
  CabinetScreen(ScreenRole role, int rotation);

  // Puts the window full screen on `screen`: the screen first, then full screen, the one way
  // that also works where windows cannot place themselves (Wayland).
  void ShowOn(QScreen* screen);
  // Shows the window full screen again on the screen it had (after a game).
  void ShowAgain();

  void SetScene(ScreenScene scene);
  const ScreenScene& scene() const { return scene_; }
  ScreenRole role() const { return role_; }
  int rotation() const { return rotation_; }
  // The size the content is laid out in: the window's, turned.
  QSize ContentSize() const { return LogicalSize(size(), rotation_); }

  // Every key pressed or let go in this window.
  std::function<void(QKeyEvent* event, bool pressed)> on_key;
  // After each drawing, with how long it took (benchmarks).
  std::function<void(qint64 nanoseconds)> painted;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  ScreenRole role_;
  int rotation_;
  QScreen* screen_ = nullptr;
  ScreenScene scene_;
};

// The index in `names` (the screens as the system lists them) of the screen `wanted` names: a
// name in any letter case, else a number from 0. -1 when there is no such screen.
int FindScreen(const QStringList& names, const QString& wanted);
