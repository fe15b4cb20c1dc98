#include "common/table_details.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "common/json_members.h"
#include "common/paths.h"
#include "common/text.h"

namespace {

// Qt's parser is the judge of what is valid; it bounds its own nesting.
std::optional<QJsonObject> JsonObjectOf(std::string_view text) {
  QJsonParseError error;
  const QJsonDocument document =
      QJsonDocument::fromJson(QByteArray(text.data(), qsizetype(text.size())), &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
  return document.object();
}

std::string Shown(const QString& text) {
  return CutVisibly(ShowControls(text.toStdString()), kMaxTextChars);
}

enum class JsonType { kAbsent, kText, kNumber, kOther };

JsonType TypeOf(std::string_view value) {
  if (value.empty()) return JsonType::kAbsent;
  if (value.front() == '"') return JsonType::kText;
  if (value.front() == '-' || (value.front() >= '0' && value.front() <= '9')) {
    return JsonType::kNumber;
  }
  return JsonType::kOther;  // true, false, null, an object, an array
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The new value of a key, in the type of the value `old` it had ("" when absent).
using Formatter = std::function<std::string(std::string_view old)>;

Formatter FavoriteFormatter(bool favourite) {
  return [favourite](std::string_view old) -> std::string {
    switch (TypeOf(old)) {
      case JsonType::kText:
        return favourite ? "\"1\"" : "\"0\"";
      case JsonType::kNumber:
        return favourite ? "1" : "0";
      default:
        return favourite ? "true" : "false";
    }
  };
}

Formatter CountFormatter(int64_t count) {
  return [count](std::string_view old) {
    const std::string digits = std::to_string(count);
    return TypeOf(old) == JsonType::kText ? Quoted(digits) : digits;
  };
}

// A text that held only digits keeps them; any other text takes the date and time.
Formatter TimeFormatter(int64_t seconds) {
  return [seconds](std::string_view old) {
    const std::string digits = std::to_string(seconds);
    if (TypeOf(old) != JsonType::kText) return digits;
    const std::string_view inside = old.substr(1, old.size() - 2);
    if (!inside.empty() &&
        std::all_of(inside.begin(), inside.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return Quoted(digits);
    }
    return Quoted(
        QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate).toStdString());
  };
}

// The white space that starts each member of the object at `open`, from its line break on: the
// file's own indentation; " " for an object written on one line.
std::string MemberIndent(std::string_view text, size_t open,
                         const std::vector<JsonMember>& members) {
  if (members.empty()) return " ";
  const std::string_view blanks = text.substr(open + 1, members.front().key_begin - open - 1);
  size_t line = blanks.rfind('\n');
  if (line == std::string_view::npos) return " ";
  if (line > 0 && blanks[line - 1] == '\r') --line;
  return std::string(blanks.substr(line));
}

// One level of indentation: what follows the line break of `indent`.
std::string IndentUnit(const std::string& indent) { return indent.substr(indent.rfind('\n') + 1); }

struct Edit {
  size_t begin;
  size_t end;
  std::string text;
};

}  // namespace

std::string TableDetailsFile(const std::string& table_path) {
  const size_t slash = table_path.rfind('/');
  const size_t dot = table_path.rfind('.');
  const bool has_extension =
      dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  const std::string found =
      FindExistingPath((has_extension ? table_path.substr(0, dot) : table_path) + ".info");
  return !found.empty() && OrdinaryFileExists(found) ? found : std::string();
}

std::optional<TableDetails> ParseTableDetails(std::string_view text) {
  if (text.size() > kMaxTableDetailsBytes) return std::nullopt;
  const std::optional<QJsonObject> root = JsonObjectOf(text);
  if (!root || !root->value("Info").isObject()) return std::nullopt;
  const QJsonObject info = root->value("Info").toObject();
  TableDetails details{.title = Shown(info.value("Title").toString()),
                       .manufacturer = Shown(info.value("Manufacturer").toString())};
  const QJsonValue year = info.value("Year");
  if (year.isDouble()) {
    const double number = year.toDouble();
    details.year = Shown(std::trunc(number) == number && std::fabs(number) < 1e15
                             ? QString::number(static_cast<qint64>(number))
                             : QString::number(number));
  } else {
    details.year = Shown(year.toString());
  }
  const QJsonValue authors = info.value("Authors");
  QStringList names;
  for (const QJsonValue& name : authors.isArray() ? authors.toArray() : QJsonArray{authors}) {
    if (name.isString() && !name.toString().isEmpty()) names << name.toString();
  }
  details.authors = Shown(names.join(", "));
  return details;
}

std::optional<TableDetails> ReadTableDetails(const std::string& table_path) {
  const std::string file = TableDetailsFile(table_path);
  std::string text;
  if (file.empty() || !ReadFileStart(file, kMaxTableDetailsBytes + 1, text)) return std::nullopt;
  return ParseTableDetails(text);
}

std::optional<std::string> UpdatedTableDetailsText(std::string_view text,
                                                   const TableDetailsUser& user) {
  if (text.size() > kMaxTableDetailsBytes || !JsonObjectOf(text)) return std::nullopt;
  const size_t open = SkipJsonBlanks(text, 0);
  std::vector<JsonMember> root;
  size_t root_close = 0;
  if (!ScanJsonObject(text, open, root, root_close)) return std::nullopt;
  const JsonMember* found = nullptr;
  for (const JsonMember& member : root) {
    if (member.key != "User") continue;
    if (found != nullptr) return std::nullopt;  // which of them would a reader take?
    found = &member;
  }

  std::vector<std::pair<const char*, Formatter>> keys = {
      {"Favorite", FavoriteFormatter(user.favourite)},
      {"StartCount", CountFormatter(user.start_count)}};
  if (user.last_run > 0) keys.push_back({"LastRun", TimeFormatter(user.last_run)});
  keys.push_back({"RunTime", CountFormatter(user.run_time)});
  const std::string indent = MemberIndent(text, open, root);
  // A new "User" object, its members indented one level deeper than the root's.
  const auto new_user = [&keys, &indent] {
    const bool lines = indent.find('\n') != std::string::npos;
    const std::string inner = lines ? indent + IndentUnit(indent) : " ";
    std::string object = "{";
    for (size_t i = 0; i < keys.size(); ++i) {
      object += (i > 0 ? "," : "") + (lines || i > 0 ? inner : "") + Quoted(keys[i].first) + ": " +
                keys[i].second("");
    }
    return object + (lines ? indent : "") + "}";
  };

  std::vector<Edit> edits;
  if (found == nullptr) {
    const size_t at = root.empty() ? root_close : root.back().value_end;
    edits.push_back({at, at, (root.empty() ? "" : "," + indent) + "\"User\": " + new_user()});
  } else if (text[found->value_begin] != '{') {
    edits.push_back({found->value_begin, found->value_end, new_user()});
  } else {
    std::vector<JsonMember> fields;
    size_t user_close = 0;
    if (!ScanJsonObject(text, found->value_begin, fields, user_close)) return std::nullopt;
    std::string added;
    const std::string inner = MemberIndent(text, found->value_begin, fields);
    for (const auto& [key, format] : keys) {
      bool present = false;
      for (const JsonMember& field : fields) {
        if (field.key != key) continue;
        present = true;
        const std::string_view old =
            text.substr(field.value_begin, field.value_end - field.value_begin);
        edits.push_back({field.value_begin, field.value_end, format(old)});
      }
      if (present) continue;
      const bool first = fields.empty() && added.empty();
      added += (first ? "" : fields.empty() ? ", " : "," + inner) + Quoted(key) + ": " + format("");
    }
    const size_t at = fields.empty() ? user_close : fields.back().value_end;
    if (!added.empty()) edits.push_back({at, at, added});
  }

  std::string updated(text);
  std::sort(edits.begin(), edits.end(),
            [](const Edit& a, const Edit& b) { return a.begin > b.begin; });
  for (const Edit& edit : edits) updated.replace(edit.begin, edit.end - edit.begin, edit.text);
  if (!JsonObjectOf(updated)) return std::nullopt;
  return updated;
}

TableDetailsUpdate UpdateTableDetailsUser(const std::string& table_path,
                                          const TableDetailsUser& user) {
  const std::string file = TableDetailsFile(table_path);
  if (file.empty()) return TableDetailsUpdate::kNoFile;
  std::string text;
  if (!ReadFileStart(file, kMaxTableDetailsBytes + 1, text)) return TableDetailsUpdate::kNotWritten;
  const std::optional<std::string> updated = UpdatedTableDetailsText(text, user);
  if (!updated) return TableDetailsUpdate::kMalformed;
  if (*updated == text) return TableDetailsUpdate::kWritten;
  return WriteFileAtomically(file, *updated) ? TableDetailsUpdate::kWritten
                                             : TableDetailsUpdate::kNotWritten;
}
