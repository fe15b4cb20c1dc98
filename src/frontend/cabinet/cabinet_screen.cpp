#include "frontend/cabinet/cabinet_screen.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

CabinetScreen::CabinetScreen(ScreenRole role, int rotation) : role_(role), rotation_(rotation) {
  setWindowTitle(QString("Orvane ") + ScreenRoleName(role));
  setObjectName(QString("Cabinet") + ScreenRoleName(role));
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setCursor(Qt::BlankCursor);
  // Every pixel is drawn here: no background to clear first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
}

void CabinetScreen::ShowOn(QScreen* screen) {
  screen_ = screen;
  setScreen(screen);
  setGeometry(screen->geometry());
  showFullScreen();
}

void CabinetScreen::ShowAgain() {
  if (screen_ != nullptr) {
    ShowOn(screen_);
  } else {
    showFullScreen();
  }
}

void CabinetScreen::SetScene(ScreenScene scene) {
  scene_ = std::move(scene);
  update();
}

void CabinetScreen::paintEvent(QPaintEvent*) {
  QElapsedTimer timer;
  timer.start();
  QPainter painter(this);
  const QSize content = ContentSize();
  painter.translate(width() / 2.0, height() / 2.0);
  painter.rotate(rotation_);
  painter.translate(-content.width() / 2.0, -content.height() / 2.0);
  DrawScene(painter, QRect(QPoint(0, 0), content), scene_);
  if (painted) painted(timer.nsecsElapsed());
}

void CabinetScreen::keyPressEvent(QKeyEvent* event) {
  if (on_key) on_key(event, true);
}

void CabinetScreen::keyReleaseEvent(QKeyEvent* event) {
  if (on_key) on_key(event, false);
}

int FindScreen(const QStringList& names, const QString& wanted) {
  const QString name = wanted.trimmed();
  if (name.isEmpty()) return -1;
  for (int i = 0; i < names.size(); ++i) {
    if (names[i].compare(name, Qt::CaseInsensitive) == 0) return i;
  }
  bool number = false;
  const int index = name.toInt(&number);
  return number && index >= 0 && index < names.size() ? index : -1;
}
