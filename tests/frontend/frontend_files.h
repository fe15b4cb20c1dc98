#pragma once

#include <QImage>
#include <map>
#include <string>
#include <vector>

#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

// Returns `text` with every "@" replaced by `folder` and every "\n" by CR LF, so that expected
// paths read "@/tables/x.vpt" and settings files "[Dirs]\nTablePath=...".
inline std::string At(const std::string& text, const std::string& folder) {
  std::string out;
  for (const char c : text)
    out += c == '@' ? folder : c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

// Information text as shown: "\n" for each line break, "~" for the row of dashes.
inline std::string Text(const std::string& lines) {
  std::string text;
  for (const char c : At(lines, "")) text += c == '~' ? std::string(35, '-') : std::string(1, c);
  return text;
}

// Returns the parts of `text` between the `separator`s ("" gives one empty part).
inline std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts(1);
  for (const char c : text) c == separator ? (void)parts.emplace_back() : parts.back().push_back(c);
  return parts;
}

// Writes a real picture of one colour; the format follows the extension. Returns its path.
inline QString WritePicture(const TempDir& dir, const std::string& file, Qt::GlobalColor colour,
                            int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  const QString path = QString::fromStdString(dir.WriteFile(file, ""));
  return image.save(path) ? path : QString();
}

// Queues answers written as "<Ok>|typed text|<No>|...": a button's name in angle brackets
// presses it, anything else is typed ("" cancels an input box).
inline void Script(ScriptedDialogs& dialogs, const std::string& answers) {
  static const std::map<std::string, MessageResult> kButtons = {
      {"<Ok>", MessageResult::kOk},
      {"<Cancel>", MessageResult::kCancel},
      {"<Yes>", MessageResult::kYes},
      {"<No>", MessageResult::kNo},
  };
  if (answers.empty()) return;
  for (const std::string& answer : Split(answers, '|')) {
    const auto button = kButtons.find(answer);
    button == kButtons.end() ? (void)dialogs.Type(answer) : (void)dialogs.Press(button->second);
  }
}
