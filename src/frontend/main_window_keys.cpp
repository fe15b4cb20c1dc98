// Form1's keys: the lists' keys as the old virtual key codes, the filter's keys, and Ctrl
// pressed and released alone.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <utility>

#include "frontend/browser.h"
#include "frontend/main_window.h"

namespace {

// The virtual key code of a Qt key, for the keys the lists care about and their neighbours;
// 0 for the rest.
int16_t VirtualKeyCode(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<int16_t>(key);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<int16_t>(key);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<int16_t>(112 + key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Tab:
      return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kKeyReturn;
    case Qt::Key_Shift:
      return 16;
    case Qt::Key_Control:
      return kKeyControl;
    case Qt::Key_Alt:
      return 18;
    case Qt::Key_Escape:
      return 27;
    case Qt::Key_Space:
      return 32;
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_End:
      return 35;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_Left:
      return 37;
    case Qt::Key_Up:
      return 38;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Down:
      return 40;
    case Qt::Key_Delete:
      return 46;
    default:
      return 0;
  }
}

// The shift state of a key event: 1 Shift, 2 Ctrl, 4 Alt.
int16_t ShiftState(Qt::KeyboardModifiers modifiers) {
  return static_cast<int16_t>((modifiers & Qt::ShiftModifier ? 1 : 0) |
                              (modifiers & Qt::ControlModifier ? 2 : 0) |
                              (modifiers & Qt::AltModifier ? 4 : 0));
}

}  // namespace

void Form1::File1_KeyDown(int16_t key_code, int16_t /*shift*/) {
  switch (ActionForKey(key_code)) {
    case ListKeyAction::kLaunch:
      Launch();
      break;
    case ListKeyAction::kReread:
      RereadFolder();
      QApplication::beep();
      break;
    case ListKeyAction::kFavourite:
      ToggleFavourite();
      break;
    case ListKeyAction::kSort:
      CycleSortOrder();
      break;
    case ListKeyAction::kCheck:
      cmdCheck_Click();
      break;
    case ListKeyAction::kClearFilter:
      ClearFilter();
      break;
    case ListKeyAction::kSettings:
      cmdSettings_Click();
      break;
    case ListKeyAction::kNone:
      break;
  }
}

void Form1::List1_KeyDown(int16_t key_code, int16_t shift) { File1_KeyDown(key_code, shift); }

bool Form1::FilterKey(QKeyEvent* key) {
  switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      // The list moves over the rows the filter shows.
      QCoreApplication::sendEvent(ShownList(), key);
      return true;
    case Qt::Key_Escape:
      ClearFilter();
      return true;
    default:
      break;
  }
  const int16_t code = VirtualKeyCode(key->key());
  // Ctrl is for editing here; Enter plays.
  if (code == kKeyControl || ActionForKey(code) == ListKeyAction::kNone) return false;
  if (!key->isAutoRepeat()) File1_KeyDown(code, ShiftState(key->modifiers()));
  return true;
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtFilter && event->type() == QEvent::KeyPress) {
    return FilterKey(static_cast<QKeyEvent*>(event));
  }
  if (watched != File1 && watched != List1) return QWidget::eventFilter(watched, event);
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) {
    return QWidget::eventFilter(watched, event);
  }
  const auto* key = static_cast<QKeyEvent*>(event);
  // Cabinet buttons send Ctrl, so Ctrl launches; but only pressed and released alone, so that
  // Ctrl+Home and the like do not start a game.
  if (event->type() == QEvent::KeyRelease && key->key() == Qt::Key_Control &&
      !key->isAutoRepeat()) {
    if (std::exchange(ctrl_alone_, false)) File1_KeyDown(kKeyControl, 0);
    return true;
  }
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  if (key->key() == Qt::Key_Control) {
    if (!key->isAutoRepeat()) ctrl_alone_ = true;
    return true;
  }
  ctrl_alone_ = false;
  // A letter, a digit or "*" (the favourites) starts finding, instead of the list's jump to the
  // next entry with that first letter.
  const QString typed = key->text();
  if (typed.size() == 1 && (typed[0].isLetterOrNumber() || typed[0] == '*') &&
      !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
    txtFilter->setFocus();
    txtFilter->insert(typed);
    return true;
  }
  const int16_t code = VirtualKeyCode(key->key());
  // A held key must not start the game again and again.
  if (ActionForKey(code) != ListKeyAction::kNone && key->isAutoRepeat()) return true;
  if (watched == File1) {
    File1_KeyDown(code, ShiftState(key->modifiers()));
  } else {
    List1_KeyDown(code, ShiftState(key->modifiers()));
  }
  // The list's own navigation runs after the handler, as it always has.
  return ActionForKey(code) != ListKeyAction::kNone;
}
