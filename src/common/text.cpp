#include "common/text.h"

#include <QString>

std::string TrimSpaces(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::string LowerCaseName(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      return QString::fromStdString(text).toLower().toStdString();
    }
  }
  return AsciiLowerCopy(text);
}

std::string AsciiLowerCopy(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
  return text;
}

std::string DropLastChars(const std::string& text, size_t count) {
  size_t end = text.size();
  while (count > 0 && end > 0) {
    --end;
    // Step over UTF-8 continuation bytes so a character is never split.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    --count;
  }
  return text.substr(0, end);
}
