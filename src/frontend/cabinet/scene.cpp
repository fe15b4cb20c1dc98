#include "frontend/cabinet/scene.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace {

const QColor kPanel(0, 0, 0, 190);
const QColor kHighlight(255, 196, 0);

QFont FontOfHeight(int pixels, bool bold = false) {
  QFont font("DejaVu Sans");
  font.setPixelSize(std::max(8, pixels));
  font.setBold(bold);
  return font;
}

// Text drawn with a dark edge, so that it reads on any picture.
void OutlinedText(QPainter& painter, const QRect& box, int flags, const QString& text,
                  const QColor& color = Qt::white) {
  painter.setPen(QColor(0, 0, 0, 220));
  for (const QPoint offset : {QPoint(-2, 0), QPoint(2, 0), QPoint(0, -2), QPoint(0, 2)}) {
    painter.drawText(box.translated(offset), flags, text);
  }
  painter.setPen(color);
  painter.drawText(box, flags, text);
}

void DrawWheel(QPainter& painter, const QRect& area, const std::vector<WheelItem>& wheel) {
  if (wheel.empty()) return;
  const int count = static_cast<int>(wheel.size());
  // The selected one and two neighbours on each side fit across the screen.
  const int big = std::min(area.height(), area.width() * 10 / 64);
  const int small = big * 11 / 20;
  const int gap = std::max(4, area.width() / 80);
  // The selected one in the middle, the others at their side, smaller.
  int selected = 0;
  while (selected < count && !wheel[static_cast<size_t>(selected)].selected) ++selected;
  if (selected == count) selected = count / 2;
  for (int i = 0; i < count; ++i) {
    const WheelItem& item = wheel[static_cast<size_t>(i)];
    const bool is_selected = i == selected;
    const int height = is_selected ? big : small;
    const int width = height * 2;
    const int offset = i - selected;
    const int step = small * 2 + gap;
    const int centre = area.center().x();
    const int x = offset == 0  ? centre - big
                  : offset < 0 ? centre - big + offset * step
                               : centre + big + gap + (offset - 1) * step;
    const QRect slot(x, area.bottom() - height, width, height);
    if (!slot.intersects(area)) continue;
    if (!item.picture.isNull()) {
      painter.drawImage(FitInside(item.picture.size(), slot), item.picture);
    } else {
      painter.fillRect(slot.adjusted(4, 4, -4, -4), kPanel);
      painter.setFont(FontOfHeight(height / (is_selected ? 5 : 4), is_selected));
      OutlinedText(painter, slot.adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                   item.name, is_selected ? kHighlight : QColor(Qt::white));
    }
    if (is_selected) {
      painter.setPen(QPen(kHighlight, 4));
      painter.drawRect(slot.adjusted(2, 2, -2, -2));
    }
  }
}

void DrawMenu(QPainter& painter, const QRect& area, const ScreenScene& scene) {
  const int row = std::max(24, area.height() / 22);
  const int rows = static_cast<int>(scene.menu.size()) + 1;
  const int width = std::min(area.width() * 4 / 5, row * 18);
  const QRect box(area.center().x() - width / 2, area.center().y() - rows * row / 2 - row / 2,
                  width, (rows + 1) * row);
  painter.fillRect(box, QColor(10, 10, 30, 235));
  painter.setPen(QPen(kHighlight, 3));
  painter.drawRect(box);
  painter.setFont(FontOfHeight(row * 6 / 10, true));
  OutlinedText(painter, QRect(box.left(), box.top() + row / 4, box.width(), row), Qt::AlignCenter,
               scene.menu_title, kHighlight);
  painter.setFont(FontOfHeight(row * 55 / 100));
  for (int i = 0; i < static_cast<int>(scene.menu.size()); ++i) {
    const QRect line(box.left() + row / 2, box.top() + row * (i + 1) + row / 4, box.width() - row,
                     row);
    if (i == scene.menu_selected) painter.fillRect(line, QColor(255, 196, 0, 90));
    OutlinedText(painter, line, Qt::AlignVCenter | Qt::AlignLeft, "  " + scene.menu[i]);
  }
}

void DrawRules(QPainter& painter, const QRect& area, const ScreenScene& scene) {
  painter.fillRect(area, QColor(0, 0, 0, 245));
  if (!scene.rules_picture.isNull()) {
    painter.drawImage(FitInside(scene.rules_picture.size(), area), scene.rules_picture);
    return;
  }
  const int row = std::max(16, area.height() / 48);
  painter.setFont(FontOfHeight(row));
  painter.setPen(Qt::white);
  const QRect text = area.adjusted(row * 2, row * 2, -row * 2, -row * 2);
  painter.save();
  painter.setClipRect(text);
  // Scrolled by whole lines; the text is wrapped to the width, as a reader expects.
  const QFontMetrics metrics(painter.font());
  const QRect bounds = metrics.boundingRect(QRect(0, 0, text.width(), 1'000'000), Qt::TextWordWrap,
                                            scene.rules_text);
  const int top = text.top() - std::min(scene.rules_scroll * metrics.lineSpacing(),
                                        std::max(0, bounds.height() - text.height()));
  painter.drawText(QRect(text.left(), top, text.width(), bounds.height() + row), Qt::TextWordWrap,
                   scene.rules_text);
  painter.restore();
}

void DrawMessage(QPainter& painter, const QRect& area, const QString& message) {
  const int row = std::max(20, area.height() / 26);
  const QRect box =
      area.adjusted(area.width() / 10, area.height() / 3, -area.width() / 10, -area.height() / 3);
  painter.fillRect(box, QColor(40, 0, 0, 235));
  painter.setPen(QPen(kHighlight, 3));
  painter.drawRect(box);
  painter.setFont(FontOfHeight(row * 6 / 10));
  OutlinedText(painter, box.adjusted(row, row, -row, -row), Qt::AlignCenter | Qt::TextWordWrap,
               message);
}

}  // namespace

QRect FitInside(QSize picture, const QRect& area) {
  if (picture.isEmpty()) return {};
  const QSize fitted = picture.scaled(area.size(), Qt::KeepAspectRatio);
  return QRect(area.left() + (area.width() - fitted.width()) / 2,
               area.top() + (area.height() - fitted.height()) / 2, fitted.width(), fitted.height());
}

QSize LogicalSize(QSize screen, int rotation) {
  return rotation % 180 == 0 ? screen : screen.transposed();
}

void DrawScene(QPainter& painter, const QRect& area, const ScreenScene& scene) {
  painter.fillRect(area, Qt::black);
  const QImage& shown = !scene.video.isNull() ? scene.video : scene.background;
  if (!shown.isNull()) {
    painter.drawImage(FitInside(shown.size(), area), shown);
  } else if (!scene.lines.isEmpty()) {
    // A name drawn as large as the screen allows.
    const int line_count = static_cast<int>(scene.lines.size());
    const int height =
        std::max(12, std::min(area.height() / (line_count * 2 + 1), area.width() / 12));
    for (int i = 0; i < line_count; ++i) {
      painter.setFont(FontOfHeight(i == 0 ? height : height * 2 / 3, i == 0));
      const int top = area.center().y() - line_count * height / 2 + i * height * 5 / 4;
      OutlinedText(painter, QRect(area.left(), top, area.width(), height * 5 / 4), Qt::AlignCenter,
                   scene.lines[i], i == 0 ? kHighlight : QColor(Qt::white));
    }
  }
  if (!scene.wheel.empty() || !scene.title.isEmpty()) {
    const int unit = area.height() / 40;
    const QRect wheel(area.left(), area.bottom() - unit * 9, area.width(), unit * 7);
    const QRect captions(area.left(), wheel.top() - unit * 6, area.width(), unit * 6);
    painter.fillRect(
        QRect(area.left(), captions.top(), area.width(), area.bottom() - captions.top()),
        QColor(0, 0, 0, 120));
    DrawWheel(painter, wheel, scene.wheel);
    painter.setFont(FontOfHeight(unit * 2, true));
    OutlinedText(painter, captions.adjusted(unit, 0, -unit, -unit * 4), Qt::AlignCenter,
                 scene.title, kHighlight);
    painter.setFont(FontOfHeight(unit * 13 / 10));
    OutlinedText(painter, captions.adjusted(unit, unit * 2, -unit, -unit * 2), Qt::AlignCenter,
                 scene.details);
    painter.setFont(FontOfHeight(unit));
    OutlinedText(
        painter,
        QRect(area.left() + unit, area.bottom() - unit * 2, area.width() - unit * 2, unit * 2),
        Qt::AlignCenter, scene.status);
  }
  if (!scene.rules_text.isEmpty() || !scene.rules_picture.isNull()) DrawRules(painter, area, scene);
  if (!scene.menu.isEmpty()) DrawMenu(painter, area, scene);
  if (!scene.message.isEmpty()) DrawMessage(painter, area, scene.message);
}
