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

std::string CutVisibly(std::string_view text, size_t max_chars) {
  if (max_chars == 0) return {};
  size_t chars = 0;
  size_t keep = 0;  // the bytes of the first max_chars - 1 characters
  for (size_t at = 0; at < text.size(); ++at) {
    if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) continue;  // inside a character
    if (chars + 1 == max_chars) keep = at;
    if (++chars > max_chars) return std::string(text.substr(0, keep)) + "\u2026";
  }
  return std::string(text);
}

std::string ShowControls(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (size_t at = 0; at < text.size(); ++at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x20 || byte == 0x7F) {
      // U+2400 + byte, or U+2421 for delete: E2 90 80+.
      shown += "\xE2\x90";
      shown += static_cast<char>(0x80 + (byte == 0x7F ? 0x21 : byte));
    } else if (byte == 0xC2 && at + 1 < text.size() &&
               static_cast<unsigned char>(text[at + 1]) < 0xA0 &&
               static_cast<unsigned char>(text[at + 1]) >= 0x80) {
      shown += "\uFFFD";  // U+0080 to U+009F
      ++at;
    } else {
      shown += text[at];
    }
  }
  return shown;
}

std::string FieldAt(std::string_view value, size_t index) {
  size_t start = 0;
  for (size_t i = 0; i < index; ++i) {
    start = value.find('|', start);
    if (start == std::string_view::npos) return {};
    ++start;
  }
  return std::string(value.substr(start, value.find('|', start) - start));
}
