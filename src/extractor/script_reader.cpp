#include "extractor/script_reader.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <set>
#include <unordered_map>

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
constexpr size_t kMaxLineText = 120;

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return Cp1252Lower(x) == Cp1252Lower(y);
         });
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

// True when `script` holds "gamename" in any letter case: a script without it names no ROM, and
// needs no reading (a table that is no compound file is read whole as its script).
bool MentionsGameName(std::string_view script) {
  constexpr std::string_view kWord = "amename";  // after a "g" or "G"
  for (size_t at = script.find_first_of("gG"); at != std::string_view::npos;
       at = script.find_first_of("gG", at + 1)) {
    if (script.size() - at > kWord.size() && SameName(script.substr(at + 1, kWord.size()), kWord)) {
      return true;
    }
  }
  return false;
}

// One pass over the script finds its controllers, the statements that set a game name (with the
// object they set it on) and the assignments of every name; the ROM name is then worked out from
// what was kept, without reading the script again.
class RomSearch {
 public:
  explicit RomSearch(std::string_view script) : script_(script) {}

  RomFinding Run() {
    if (!MentionsGameName(script_)) return Plain();
    ReadScript();
    const auto statement = std::find_if(candidates_.begin(), candidates_.end(), [this](auto& c) {
      return c.on_new_controller || controllers_.contains(c.owner);
    });
    if (statement == candidates_.end()) return Plain();
    finding_.line = statement->line;
    finding_.line_text = LineText(statement->line_start);
    const std::optional<std::string> rom = ValueOf(statement->value);
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
  // A statement that sets the game name of `owner` (a name in lower case, "" for any other
  // object) or of an object it creates, to `value`.
  struct Candidate {
    int line = 0;
    size_t line_start = 0;
    std::string owner;
    bool on_new_controller = false;
    std::vector<Token> value;
  };
  struct Assignment {
    int line = 0;
    size_t line_start = 0;
    std::string_view name;  // as written
    std::vector<Token> value;
  };

  // Kept of a hostile script at most: a real one sets a game name a few times and a name a
  // few times; past this, later statements are not looked at for these.
  static constexpr size_t kMaxCandidates = 64;
  static constexpr size_t kMaxAssignmentsPerName = 16;
  static constexpr size_t kMaxAssignments = 1 << 18;
  static constexpr size_t kMaxValueTokens = 32;

  RomFinding Plain() {
    finding_.why_plain = "no statement sets the PinMAME controller's game name";
    return finding_;
  }

  void ReadScript() {
    controllers_.insert("controller");
    StatementReader reader(script_);
    Statement s;
    struct With {
      std::string owner;
      bool new_controller = false;
    };
    std::vector<With> with;  // the open With blocks
    while (reader.Next(s)) {
      const std::vector<Token>& t = s.tokens;
      if (IsName(t[0], "with")) {
        with.push_back({t.size() == 2 && t[1].kind == Kind::kName ? Cp1252ToLower(t[1].text) : "",
                        CreatesController(t, 1)});
      } else if (IsName(t[0], "end") && t.size() > 1) {
        // A With block never outlives its procedure, even when a broken script leaves it open.
        if (IsName(t[1], "with") && !with.empty()) with.pop_back();
        if (IsName(t[1], "sub") || IsName(t[1], "function")) with.clear();
      } else if (t.size() >= 3 && t[0].kind == Kind::kDot && IsName(t[1], "gamename") &&
                 t[2].kind == Kind::kEquals) {
        if (!with.empty()) AddCandidate(s, with.back().owner, with.back().new_controller, 3);
      } else if (t.size() >= 4 && t[0].kind == Kind::kName && t[1].kind == Kind::kDot &&
                 IsName(t[2], "gamename") && t[3].kind == Kind::kEquals) {
        AddCandidate(s, Cp1252ToLower(t[0].text), false, 4);
      } else {
        AddAssignments(s);
      }
    }
  }

  void AddCandidate(const Statement& s, std::string owner, bool on_new_controller, size_t at) {
    if (candidates_.size() >= kMaxCandidates) return;
    candidates_.push_back({s.line, s.line_start, std::move(owner), on_new_controller,
                           ValueTokens(s.tokens, at, s.tokens.size())});
  }

  static std::vector<Token> ValueTokens(const std::vector<Token>& t, size_t begin, size_t end) {
    end = std::min(end, begin + kMaxValueTokens);
    return {t.begin() + static_cast<long>(begin), t.begin() + static_cast<long>(end)};
  }

  // Keeps what `s` assigns: `Const a = 1, b = 2`, `name = value`, `Set name = value`. A name set
  // to a new controller is a controller.
  void AddAssignments(const Statement& s) {
    const std::vector<Token>& t = s.tokens;
    size_t at = 0;
    while (at < t.size() && (IsName(t[at], "public") || IsName(t[at], "private"))) ++at;
    if (at < t.size() && IsName(t[at], "const")) {
      // Pairs at the top level, separated by commas.
      for (size_t start = at + 1; start + 1 < t.size();) {
        size_t end = start;
        for (int depth = 0; end < t.size() && !(depth == 0 && t[end].kind == Kind::kComma); ++end) {
          depth += t[end].kind == Kind::kOpen ? 1 : t[end].kind == Kind::kClose ? -1 : 0;
        }
        if (end - start >= 2 && t[start].kind == Kind::kName &&
            t[start + 1].kind == Kind::kEquals) {
          Keep(s, t[start].text, ValueTokens(t, start + 2, end));
        }
        start = end + 1;
      }
      return;
    }
    if (at < t.size() && IsName(t[at], "set")) ++at;
    if (t.size() > at + 1 && t[at].kind == Kind::kName && t[at + 1].kind == Kind::kEquals) {
      if (CreatesController(t, at + 2)) controllers_.insert(Cp1252ToLower(t[at].text));
      Keep(s, t[at].text, ValueTokens(t, at + 2, t.size()));
    }
  }

  void Keep(const Statement& s, std::string_view name, std::vector<Token> value) {
    if (assignment_count_ >= kMaxAssignments) return;
    std::vector<Assignment>& kept = assignments_[Cp1252ToLower(name)];
    if (kept.size() >= kMaxAssignmentsPerName) return;
    kept.push_back({s.line, s.line_start, name, std::move(value)});
    ++assignment_count_;
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

  // The value of `name`: that of its first live assignment that gives one. A name met again on
  // the way gives none, so names that follow each other round end.
  std::optional<std::string> FollowName(std::string_view name) {
    const std::string key = Cp1252ToLower(name);
    if (!followed_.insert(key).second) return std::nullopt;
    const auto kept = assignments_.find(key);
    if (kept == assignments_.end()) return std::nullopt;
    for (const Assignment& assignment : kept->second) {
      const size_t steps = finding_.names.size();
      if (std::optional<std::string> text = ValueOf(assignment.value)) {
        finding_.names.insert(
            finding_.names.begin() + static_cast<long>(steps),
            {Cp1252ToUtf8(assignment.name), assignment.line, LineText(assignment.line_start)});
        return text;
      }
      finding_.names.resize(steps);
    }
    return std::nullopt;
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
  std::vector<Candidate> candidates_;
  std::unordered_map<std::string, std::vector<Assignment>> assignments_;  // by lower-case name
  size_t assignment_count_ = 0;
  std::set<std::string> followed_;
  RomFinding finding_;
};

}  // namespace

RomFinding FindRomInScript(std::string_view script) { return RomSearch(script).Run(); }
