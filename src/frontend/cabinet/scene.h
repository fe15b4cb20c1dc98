#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <vector>

class QPainter;

// What one cabinet screen shows at a moment, as plain data: the cabinet mode fills it from the
// collection and the pictures ready, and DrawScene draws it. Nothing here reads a file.

// One table of the wheel: its wheel picture when it has one, else its name.
struct WheelItem {
  QImage picture;
  QString name;
  bool selected = false;
};

struct ScreenScene {
  QImage background;  // the role's picture, fitted to the screen (null when none)
  QImage video;       // the role's video's current frame, drawn over the picture when set
  QStringList lines;  // text in the middle when there is neither (a name, a ROM name)
  // The playfield's wheel and captions.
  std::vector<WheelItem> wheel;  // left to right, the selected one in the middle
  QString title;                 // the table's name
  QString details;               // its manufacturer and year
  QString status;                // favourite and plays; the view shown
  // On top of everything, at most one of these.
  QString menu_title;
  QStringList menu;        // a menu's entries
  int menu_selected = -1;  // the one the buttons are on
  QString message;         // a question or a notice, with its buttons' meaning
  QString rules_text;      // the table's rules, scrolled by `rules_scroll` lines
  QImage rules_picture;    // or its instruction card
  int rules_scroll = 0;
};

// Draws `scene` into `area` (the screen as its viewer sees it, rotation already applied).
void DrawScene(QPainter& painter, const QRect& area, const ScreenScene& scene);

// The rectangle that a picture of `picture` size takes when it fills as much of `area` as it can
// without being cut, centred.
QRect FitInside(QSize picture, const QRect& area);

// The size in which a screen of `screen` size turned by `rotation` degrees shows its content.
QSize LogicalSize(QSize screen, int rotation);
