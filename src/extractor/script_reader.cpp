#include "extractor/script_reader.h"

#include <algorithm>
#include <deque>
#include <map>
#include <optional>
#include <set>

#include "common/codepage.h"

namespace {

enum class Kind { kName, kString, kNumber, kDot, kEquals, kComma, kOpen, kClose, kOther };

struct Token {
  Kind kind;
  std::string_view text;  // a string literal without its quotes, "" still doubled
};

struct Statement {
  std::vector<Token> tokens;
  int line = 0;           // the physical line where the statement starts
  size_t line_start = 0;  // where that line starts in the script
};

// A statement is never looked at past its first tokens but for an array's first element; a
// hostile line of millions of tokens must not cost memory.
constexpr size_t kMaxTokens = 256;
// Names followed from the statement to its literal; each costs one pass over the script.
constexpr size_t kMaxNamesFollowed = 16;
constexpr size_t kMaxLineText = 120;

char Lower(char c) { return Cp1252Lower(c); }

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

bool IsName(const Token& token, std::string_view name) {
  return token.kind == Kind::kName && SameName(token.text, name);
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameChar(char c) { return IsLetter(c) || IsDigit(c) || c == '_'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\0'; }

// Splits a script into statements, in order.
class StatementReader {
 public:
  explicit StatementReader(std::string_view script) : s_(script) {}

  // Fills `out` with the next statement that holds any token; false at the end of the script.
  bool Next(Statement& out) {
    while (pending_.empty()) {
      if (pos_ >= s_.size()) return false;
      ReadRaw();
      Split(raw_.tokens.begin(), raw_.tokens.end());
    }
    out.tokens.assign(pending_.front().first, pending_.front().second);
    out.line = raw_.line;
    out.line_start = raw_.line_start;
    pending_.pop_front();
    return true;
  }

 private:
  using Range = std::pair<std::vector<Token>::const_iterator, std::vector<Token>::const_iterator>;

  // Reads up to the next colon or line end that ends a statement.
  void ReadRaw() {
    raw_.tokens.clear();
    while (pos_ < s_.size()) {
      const char c = s_[pos_];
      if (c == '\r' || c == '\n') {
        NewLine();
        if (!raw_.tokens.empty()) return;
        continue;
      }
      if (IsBlank(c)) {
        ++pos_;
      } else if (c == '\'') {
        SkipToLineEnd();
      } else if (c == ':') {
        ++pos_;
        if (!raw_.tokens.empty()) return;
      } else if (c == '_' && ContinuesLine()) {
        SkipToLineEnd();
        if (pos_ < s_.size()) NewLine();
      } else if (c == '"') {
        String();
      } else if (IsLetter(c)) {
        const size_t start = pos_;
        while (pos_ < s_.size() && IsNameChar(s_[pos_])) ++pos_;
        const std::string_view name = s_.substr(start, pos_ - start);
        if (raw_.tokens.empty() && SameName(name, "rem")) {
          SkipToLineEnd();
        } else {
          Add(Kind::kName, name);
        }
      } else if (IsDigit(c) || (c == '&' && pos_ + 1 < s_.size() && IsLetter(s_[pos_ + 1]))) {
        const size_t start = pos_++;
        while (pos_ < s_.size() && (IsNameChar(s_[pos_]) || s_[pos_] == '.')) ++pos_;
        Add(Kind::kNumber, s_.substr(start, pos_ - start));
      } else if (c == '[') {
        // A name in brackets may hold any character but the closing bracket and line ends.
        const size_t end = s_.find_first_of("]\r\n", pos_ + 1);
        const size_t stop = end == std::string_view::npos ? s_.size() : end;
        Add(Kind::kName, s_.substr(pos_ + 1, stop - pos_ - 1));
        pos_ = stop < s_.size() && s_[stop] == ']' ? stop + 1 : stop;
      } else {
        const Kind kind = c == '.'   ? Kind::kDot
                          : c == '=' ? Kind::kEquals
                          : c == ',' ? Kind::kComma
                          : c == '(' ? Kind::kOpen
                          : c == ')' ? Kind::kClose
                                     : Kind::kOther;
        Add(kind, s_.substr(pos_++, 1));
      }
    }
  }

  void Add(Kind kind, std::string_view text) {
    if (raw_.tokens.empty()) {
      raw_.line = line_;
      raw_.line_start = line_start_;
    }
    if (raw_.tokens.size() < kMaxTokens) raw_.tokens.push_back({kind, text});
  }

  // A string literal: "" stands for one quote; an unclosed one ends with its line.
  void String() {
    const size_t start = ++pos_;
    while (pos_ < s_.size() && s_[pos_] != '\r' && s_[pos_] != '\n') {
      if (s_[pos_] == '"') {
        if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '"') {
          pos_ += 2;
          continue;
        }
        Add(Kind::kString, s_.substr(start, pos_++ - start));
        return;
      }
      ++pos_;
    }
    Add(Kind::kString, s_.substr(start, pos_ - start));
  }

  // True when the "_" at pos_ is followed on its line by blanks only: the statement goes on.
  bool ContinuesLine() const {
    size_t at = pos_ + 1;
    while (at < s_.size() && IsBlank(s_[at])) ++at;
    return (at >= s_.size() || s_[at] == '\r' || s_[at] == '\n') &&
           (pos_ == 0 || IsBlank(s_[pos_ - 1]) || s_[pos_ - 1] == '\n' || s_[pos_ - 1] == '\r');
  }

  void SkipToLineEnd() {
    const size_t end = s_.find_first_of("\r\n", pos_);
    pos_ = end == std::string_view::npos ? s_.size() : end;
  }

  // Steps over one line end: CR LF, LF or a lone CR.
  void NewLine() {
    pos_ += s_.compare(pos_, 2, "\r\n") == 0 ? 2 : 1;
    ++line_;
    line_start_ = pos_;
  }

  // Queues the statements of `tokens`: after the Then of a one-line If, and on either side of
  // an Else, each part is a statement of its own.
  void Split(std::vector<Token>::const_iterator begin, std::vector<Token>::const_iterator end) {
    if (begin != end && (IsName(*begin, "if") || IsName(*begin, "elseif"))) {
      const auto then = std::find_if(begin, end, [](const Token& t) { return IsName(t, "then"); });
      if (then == end || then + 1 == end) {
        pending_.push_back({begin, end});
        return;
      }
      begin = then + 1;
    }
    auto part = begin;
    for (auto at = begin; at != end; ++at) {
      if (!IsName(*at, "else")) continue;
      if (part != at) Split(part, at);
      part = at + 1;
    }
    if (part == begin) {
      if (begin != end) pending_.push_back({begin, end});
    } else if (part != end) {
      Split(part, end);
    }
  }

  std::string_view s_;
  size_t pos_ = 0;
  int line_ = 1;
  size_t line_start_ = 0;
  Statement raw_;
  std::deque<Range> pending_;
};

// The text of a string literal token, "" undoubled, trimmed of spaces.
std::string Literal(std::string_view quoted) {
  std::string text;
  for (size_t i = 0; i < quoted.size(); ++i) {
    text += quoted[i];
    if (quoted[i] == '"') ++i;
  }
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// True when `tokens` from `at` are `CreateObject("VPinMAME.Controller")` or the same for
// "B2S.Server", which hands the game name on to PinMAME.
bool CreatesController(const std::vector<Token>& tokens, size_t at) {
  if (tokens.size() < at + 3 || !IsName(tokens[at], "createobject") ||
      tokens[at + 1].kind != Kind::kOpen || tokens[at + 2].kind != Kind::kString) {
    return false;
  }
  const std::string prog_id = Literal(tokens[at + 2].text);
  return SameName(prog_id, "vpinmame.controller") || SameName(prog_id, "b2s.server");
}

std::string LowerName(std::string_view name) { return Cp1252ToLower(name); }

class RomSearch {
 public:
  explicit RomSearch(std::string_view script) : script_(script) {}

  RomFinding Run() {
    FindControllers();
    Statement statement;
    size_t value_at = 0;
    if (!FindGameNameStatement(statement, value_at)) {
      finding_.why_plain = "no statement sets the PinMAME controller's game name";
      return finding_;
    }
    finding_.line = statement.line;
    finding_.line_text = LineText(statement.line_start);
    const std::vector<Token> value(statement.tokens.begin() + static_cast<long>(value_at),
                                   statement.tokens.end());
    const std::optional<std::string> rom = ValueOf(value);
    if (!rom || rom->empty()) {
      finding_.names.clear();
      finding_.why_plain = rom ? "the controller's game name is set to an empty text"
                               : "the controller's game name is set to a value that names no ROM";
      return finding_;
    }
    finding_.rom = Cp1252ToUtf8(Cp1252ToLower(*rom));
    return finding_;
  }

 private:
  // Every name that is set to a new VPinMAME or B2S controller anywhere in the script.
  void FindControllers() {
    controllers_.insert("controller");
    StatementReader reader(script_);
    Statement s;
    while (reader.Next(s)) {
      const size_t at = !s.tokens.empty() && IsName(s.tokens[0], "set") ? 1 : 0;
      if (s.tokens.size() > at + 1 && s.tokens[at].kind == Kind::kName &&
          s.tokens[at + 1].kind == Kind::kEquals && CreatesController(s.tokens, at + 2)) {
        controllers_.insert(LowerName(s.tokens[at].text));
      }
    }
  }

  bool IsController(const Token& token) const {
    return token.kind == Kind::kName && controllers_.contains(LowerName(token.text));
  }

  // Finds the first statement that sets a controller's game name; `value_at` is the index of
  // its value's first token.
  bool FindGameNameStatement(Statement& s, size_t& value_at) {
    StatementReader reader(script_);
    std::vector<bool> with_controller;  // for each open With block: is its object a controller
    while (reader.Next(s)) {
      const std::vector<Token>& t = s.tokens;
      if (IsName(t[0], "with")) {
        with_controller.push_back((t.size() == 2 && IsController(t[1])) || CreatesController(t, 1));
      } else if (IsName(t[0], "end") && t.size() > 1) {
        // A With block never outlives its procedure, even when a broken script leaves it open.
        if (IsName(t[1], "with") && !with_controller.empty()) with_controller.pop_back();
        if (IsName(t[1], "sub") || IsName(t[1], "function")) with_controller.clear();
      } else if (t.size() >= 3 && t[0].kind == Kind::kDot && IsName(t[1], "gamename") &&
                 t[2].kind == Kind::kEquals) {
        if (!with_controller.empty() && with_controller.back()) {
          value_at = 3;
          return true;
        }
      } else if (t.size() >= 4 && IsController(t[0]) && t[1].kind == Kind::kDot &&
                 IsName(t[2], "gamename") && t[3].kind == Kind::kEquals) {
        value_at = 4;
        return true;
      }
    }
    return false;
  }

  // The text that `tokens` give: a literal, a name followed to its value, or the first element
  // of an array (which may be indexed); nothing for anything else.
  std::optional<std::string> ValueOf(const std::vector<Token>& tokens) {
    if (tokens.size() == 1 && tokens[0].kind == Kind::kString) return Literal(tokens[0].text);
    if (tokens.size() == 1 && tokens[0].kind == Kind::kName) return FollowName(tokens[0].text);
    if (tokens.size() >= 3 && IsName(tokens[0], "array") && tokens[1].kind == Kind::kOpen) {
      size_t end = 2;
      for (int depth = 0; end < tokens.size(); ++end) {
        const Kind kind = tokens[end].kind;
        if (depth == 0 && (kind == Kind::kComma || kind == Kind::kClose)) break;
        depth += kind == Kind::kOpen ? 1 : kind == Kind::kClose ? -1 : 0;
      }
      return ValueOf({tokens.begin() + 2, tokens.begin() + static_cast<long>(end)});
    }
    return std::nullopt;
  }

  // The value of `name`: that of its first live assignment that gives one.
  std::optional<std::string> FollowName(std::string_view name) {
    const std::string key = LowerName(name);
    if (!followed_.insert(key).second || followed_.size() > kMaxNamesFollowed) return std::nullopt;
    StatementReader reader(script_);
    Statement s;
    while (reader.Next(s)) {
      for (const std::vector<Token>& value : AssignedValues(s, name)) {
        const size_t steps = finding_.names.size();
        if (std::optional<std::string> text = ValueOf(value)) {
          finding_.names.insert(finding_.names.begin() + static_cast<long>(steps),
                                {Cp1252ToUtf8(name), s.line});
          return text;
        }
        finding_.names.resize(steps);
      }
    }
    return std::nullopt;
  }

  // The values that `s` assigns to `name`: `Const a = 1, b = 2`, `name = value`, `Set name = `.
  static std::vector<std::vector<Token>> AssignedValues(const Statement& s, std::string_view name) {
    const std::vector<Token>& t = s.tokens;
    size_t at = 0;
    while (at < t.size() && (IsName(t[at], "public") || IsName(t[at], "private"))) ++at;
    std::vector<std::vector<Token>> values;
    if (at < t.size() && IsName(t[at], "const")) {
      // Pairs at the top level, separated by commas.
      for (size_t start = at + 1; start + 1 < t.size();) {
        size_t end = start;
        for (int depth = 0; end < t.size() && !(depth == 0 && t[end].kind == Kind::kComma); ++end) {
          depth += t[end].kind == Kind::kOpen ? 1 : t[end].kind == Kind::kClose ? -1 : 0;
        }
        if (end - start >= 2 && t[start].kind == Kind::kName && SameName(t[start].text, name) &&
            t[start + 1].kind == Kind::kEquals) {
          values.emplace_back(t.begin() + static_cast<long>(start + 2),
                              t.begin() + static_cast<long>(end));
        }
        start = end + 1;
      }
      return values;
    }
    if (at < t.size() && IsName(t[at], "set")) ++at;
    if (t.size() > at + 1 && t[at].kind == Kind::kName && SameName(t[at].text, name) &&
        t[at + 1].kind == Kind::kEquals) {
      values.emplace_back(t.begin() + static_cast<long>(at + 2), t.end());
    }
    return values;
  }

  std::string LineText(size_t start) const {
    size_t end = script_.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = script_.size();
    std::string_view line = script_.substr(start, end - start);
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
    return Cp1252ToUtf8(line.substr(0, kMaxLineText));
  }

  std::string_view script_;
  std::set<std::string> controllers_;
  std::set<std::string> followed_;
  RomFinding finding_;
};

}  // namespace

RomFinding FindRomInScript(std::string_view script) { return RomSearch(script).Run(); }
