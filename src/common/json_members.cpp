#include "common/json_members.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

// One past the closing quote of the string whose opening quote is at `at`; npos when unclosed.
size_t StringEnd(std::string_view text, size_t at) {
  for (size_t i = at + 1; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (text[i] == '"') {
      return i + 1;
    }
  }
  return std::string_view::npos;
}

// One past the last byte of the value that starts at `at`; npos when it does not end.
size_t ValueEnd(std::string_view text, size_t at) {
  if (at >= text.size()) return std::string_view::npos;
  if (text[at] == '"') return StringEnd(text, at);
  if (text[at] != '{' && text[at] != '[') {
    size_t i = at;
    while (i < text.size() &&
           std::string_view(",}] \t\r\n").find(text[i]) == std::string_view::npos) {
      ++i;
    }
    return i == at ? std::string_view::npos : i;
  }
  // Nested objects and arrays by their depth alone: brackets inside strings are skipped.
  size_t depth = 0;
  for (size_t i = at; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      i = StringEnd(text, i);
      if (i == std::string_view::npos) return i;
      --i;
    } else if (c == '{' || c == '[') {
      ++depth;
    } else if ((c == '}' || c == ']') && --depth == 0) {
      return i + 1;
    }
  }
  return std::string_view::npos;
}

// The text of the JSON string `quoted` (quotes included).
std::string DecodedString(std::string_view quoted) {
  if (quoted.find('\\') == std::string_view::npos) {
    return std::string(quoted.substr(1, quoted.size() - 2));
  }
  const QByteArray array =
      QByteArray("[") + QByteArray(quoted.data(), qsizetype(quoted.size())) + "]";
  return QJsonDocument::fromJson(array).array().at(0).toString().toStdString();
}

}  // namespace

size_t SkipJsonBlanks(std::string_view text, size_t from) {
  while (from < text.size() &&
         std::string_view(" \t\r\n").find(text[from]) != std::string_view::npos) {
    ++from;
  }
  return from;
}

bool ScanJsonObject(std::string_view text, size_t open, std::vector<JsonMember>& members,
                    size_t& close) {
  members.clear();
  if (open >= text.size() || text[open] != '{') return false;
  size_t i = SkipJsonBlanks(text, open + 1);
  if (i < text.size() && text[i] == '}') {
    close = i;
    return true;
  }
  while (i < text.size() && text[i] == '"') {
    JsonMember member;
    member.key_begin = i;
    const size_t key_end = StringEnd(text, i);
    if (key_end == std::string_view::npos) return false;
    member.key = DecodedString(text.substr(i, key_end - i));
    i = SkipJsonBlanks(text, key_end);
    if (i >= text.size() || text[i] != ':') return false;
    member.value_begin = SkipJsonBlanks(text, i + 1);
    member.value_end = ValueEnd(text, member.value_begin);
    if (member.value_end == std::string_view::npos) return false;
    members.push_back(std::move(member));
    i = SkipJsonBlanks(text, members.back().value_end);
    if (i < text.size() && text[i] == '}') {
      close = i;
      return true;
    }
    if (i >= text.size() || text[i] != ',') return false;
    i = SkipJsonBlanks(text, i + 1);
  }
  return false;
}
