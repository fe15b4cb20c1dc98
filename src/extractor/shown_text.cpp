#include "extractor/shown_text.h"

#include <algorithm>

#include "common/codepage.h"

namespace {

bool ContinuesCharacter(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

}  // namespace

size_t CharCount(std::string_view text) {
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char byte) { return !ContinuesCharacter(byte); }));
}

std::string CutText(std::string_view text, size_t max_chars) {
  size_t chars = 0, keep = 0;  // `keep`: the bytes of the first max_chars - 1 characters
  for (size_t at = 0; at < text.size(); ++at) {
    if (ContinuesCharacter(text[at])) continue;
    if (++chars == max_chars) keep = at;
    if (chars > max_chars) return std::string(text.substr(0, keep)) + std::string(kCutMark);
  }
  return std::string(text);
}

std::string ShownText(std::string_view bytes, size_t max_chars) {
  std::string line(bytes.substr(0, max_chars + 1));
  for (char& c : line) {
    if (c == '\t') c = ' ';
    if (static_cast<unsigned char>(c) < 0x20 || c == '\x7F') c = '?';
  }
  return CutText(Cp1252ToUtf8(line), max_chars);
}
