#include "extractor/script_statements.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "common/codepage.h"

namespace {

constexpr bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr std::array<bool, 256> kNameChars = [] {
  std::array<bool, 256> table{};
  for (unsigned c = 0; c < 256; ++c) {
    table[c] = IsLetter(static_cast<char>(c)) || IsDigit(static_cast<char>(c)) || c == '_';
  }
  return table;
}();
bool IsNameChar(char c) { return kNameChars[static_cast<unsigned char>(c)]; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// The end of the run of characters from `at` that `in_run` accepts. Kept in a local: the reader
// spends most of its time in these runs.
template <typename InRun>
size_t SpanEnd(std::string_view s, size_t at, InRun in_run) {
  const char* data = s.data();
  const size_t size = s.size();
  while (at < size && in_run(data[at])) ++at;
  return at;
}

// The end of the string literal whose text starts at `at`: its closing quote ("" stands for one
// quote), or the end of its line when it is never closed.
size_t StringEnd(std::string_view s, size_t at) {
  for (; at < s.size() && !IsLineEnd(s[at]); ++at) {
    if (s[at] != '"') continue;
    if (at + 1 < s.size() && s[at + 1] == '"') {
      ++at;
    } else {
      return at;
    }
  }
  return at;
}

// The end of the name in brackets whose text starts at `at`: a name in brackets may hold any
// character but the closing bracket and line ends.
size_t BracketEnd(std::string_view s, size_t at) {
  while (at < s.size() && s[at] != ']' && !IsLineEnd(s[at])) ++at;
  return at;
}

// Where the line that `at` is on ends in `script`: at its CR or LF, or at the script's end.
size_t LineEnd(std::string_view script, size_t at) {
  // Searched a piece at a time: a script with no LF (or no CR) must not be searched to its end
  // for each comment.
  constexpr size_t kPiece = 256;
  while (at < script.size()) {
    const size_t length = std::min(kPiece, script.size() - at);
    const char* piece = script.data() + at;
    const auto* lf = static_cast<const char*>(std::memchr(piece, '\n', length));
    const size_t before_lf = lf != nullptr ? static_cast<size_t>(lf - piece) : length;
    if (const auto* cr = static_cast<const char*>(std::memchr(piece, '\r', before_lf))) {
      return at + static_cast<size_t>(cr - piece);
    }
    if (lf != nullptr) return at + before_lf;
    at += length;
  }
  return script.size();
}

bool IsEndIf(std::vector<Token>::const_iterator at, std::vector<Token>::const_iterator end) {
  return IsName(*at, "end") && at + 1 != end && IsName(at[1], "if");
}

}  // namespace

int CompareNames(std::string_view a, std::string_view b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(Cp1252Lower(a[i]));
    const auto y = static_cast<unsigned char>(Cp1252Lower(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

std::uint32_t NameHash(std::string_view name) {
  std::uint32_t hash = 2166136261u;  // FNV-1a
  for (const char c : name) hash = (hash ^ static_cast<unsigned char>(Cp1252Lower(c))) * 16777619u;
  return hash;
}

Token TokenAt(std::string_view script, size_t at) {
  if (at >= script.size()) return {TokenKind::kOther, {}};
  const char c = script[at];
  if (c == '"') {
    return {TokenKind::kString, script.substr(at + 1, StringEnd(script, at + 1) - at - 1)};
  }
  if (c == '[') {
    return {TokenKind::kName, script.substr(at + 1, BracketEnd(script, at + 1) - at - 1)};
  }
  if (!IsLetter(c)) return {TokenKind::kOther, {}};
  size_t end = at;
  while (end < script.size() && IsNameChar(script[end])) ++end;
  return {TokenKind::kName, script.substr(at, end - at)};
}

size_t TokenStart(std::string_view script, const Token& token) {
  const auto at = static_cast<size_t>(token.text.data() - script.data());
  const bool marked = at > 0 && (token.kind == TokenKind::kString || script[at - 1] == '[');
  return marked ? at - 1 : at;
}

bool StatementReader::Next(Piece& out) {
  while (next_piece_ >= pieces_.size()) {
    if (pos_ >= s_.size()) return false;
    ReadRaw();
    Split();
  }
  out = pieces_[next_piece_++];
  return true;
}

// Reads up to the next colon or line end that ends a statement.
void StatementReader::ReadRaw() {
  raw_.tokens.clear();
  raw_.colon = false;
  while (pos_ < s_.size()) {
    const char c = s_[pos_];
    if (IsLineEnd(c)) {
      NewLine(/*continued=*/false);
      if (!raw_.tokens.empty()) return;
      continue;
    }
    if (IsBlank(c)) {
      pos_ = SpanEnd(s_, pos_ + 1, IsBlank);
    } else if (c == '\'') {
      SkipToLineEnd();
    } else if (c == ':') {
      ++pos_;
      raw_.colon = !raw_.tokens.empty();
      if (raw_.colon) return;
    } else if (c == '_' && ContinuesLine()) {
      SkipToLineEnd();
      if (pos_ < s_.size()) NewLine(/*continued=*/true);
    } else if (c == '"') {
      const size_t end = StringEnd(s_, pos_ + 1);
      Add(TokenKind::kString, s_.substr(pos_ + 1, end - pos_ - 1));
      pos_ = end < s_.size() && s_[end] == '"' ? end + 1 : end;
    } else if (IsLetter(c)) {
      const size_t start = pos_;
      pos_ = SpanEnd(s_, pos_ + 1, IsNameChar);
      const std::string_view name = s_.substr(start, pos_ - start);
      if (raw_.tokens.empty() && SameName(name, "rem")) {
        SkipToLineEnd();
      } else {
        Add(TokenKind::kName, name);
      }
    } else if (IsDigit(c) || (c == '&' && pos_ + 1 < s_.size() && IsLetter(s_[pos_ + 1]))) {
      const size_t start = pos_++;
      while (pos_ < s_.size() && (IsNameChar(s_[pos_]) || s_[pos_] == '.')) ++pos_;
      Add(TokenKind::kNumber, s_.substr(start, pos_ - start));
    } else if (c == '[') {
      const size_t end = BracketEnd(s_, pos_ + 1);
      Add(TokenKind::kName, s_.substr(pos_ + 1, end - pos_ - 1));
      pos_ = end < s_.size() && s_[end] == ']' ? end + 1 : end;
    } else {
      const TokenKind kind = c == '.'   ? TokenKind::kDot
                             : c == '=' ? TokenKind::kEquals
                             : c == ',' ? TokenKind::kComma
                             : c == '(' ? TokenKind::kOpen
                             : c == ')' ? TokenKind::kClose
                                        : TokenKind::kOther;
      Add(kind, s_.substr(pos_++, 1));
    }
  }
}

void StatementReader::Add(TokenKind kind, std::string_view text) {
  if (raw_.tokens.empty()) {
    raw_.line = line_;
    raw_.line_start = line_start_;
    raw_.logical_line = logical_line_;
  }
  if (raw_.tokens.size() < kMaxStatementTokens) raw_.tokens.push_back({kind, text});
}

// True when the "_" at pos_ is followed on its line by blanks only: the statement goes on.
bool StatementReader::ContinuesLine() const {
  size_t at = pos_ + 1;
  while (at < s_.size() && IsBlank(s_[at])) ++at;
  return (at >= s_.size() || IsLineEnd(s_[at])) &&
         (pos_ == 0 || IsBlank(s_[pos_ - 1]) || IsLineEnd(s_[pos_ - 1]));
}

void StatementReader::SkipToLineEnd() { pos_ = LineEnd(s_, pos_); }

// Steps over one line end: CR LF, LF or a lone CR.
void StatementReader::NewLine(bool continued) {
  pos_ += s_.compare(pos_, 2, "\r\n") == 0 ? 2 : 1;
  ++line_;
  line_start_ = pos_;
  if (!continued) ++logical_line_;
}

void StatementReader::Push(PieceKind kind, Iterator begin, Iterator end, bool one_line) {
  pieces_.push_back({kind, std::span<const Token>(begin, end), raw_.line, raw_.line_start,
                     raw_.logical_line, one_line});
}

// After the Then of an If, and on either side of an Else or an End If, each part is a piece of
// its own; Select Case and Case take their whole statement.
void StatementReader::Split() {
  pieces_.clear();
  next_piece_ = 0;
  const std::vector<Token>& t = raw_.tokens;
  auto at = t.begin();
  const auto end = t.end();
  if (at == end) return;
  if (IsName(*at, "select") && at + 1 != end && IsName(at[1], "case")) {
    return Push(PieceKind::kSelectCase, at + 2, end);
  }
  if (IsName(*at, "case")) {
    if (at + 1 == end || !IsName(at[1], "else")) return Push(PieceKind::kCase, at + 1, end);
    Push(PieceKind::kCaseElse, end, end);
    at += 2;
  }
  while (at != end) {
    if (IsName(*at, "if") || IsName(*at, "elseif")) {
      const auto then = std::find_if(at + 1, end, [](const Token& x) { return IsName(x, "then"); });
      if (then == end) return Push(PieceKind::kStatement, at, end);  // no If after all
      Push(IsName(*at, "if") ? PieceKind::kIf : PieceKind::kElseIf, at + 1, then,
           then + 1 != end || raw_.colon);
      at = then + 1;
    } else if (IsName(*at, "else")) {
      Push(PieceKind::kElse, end, end);
      ++at;
    } else if (IsEndIf(at, end)) {
      Push(PieceKind::kEndIf, end, end);
      at += 2;
    } else {
      auto stop = at + 1;
      while (stop != end && !IsName(*stop, "else") && !IsEndIf(stop, end)) ++stop;
      Push(PieceKind::kStatement, at, stop);
      at = stop;
    }
  }
}

std::span<const Token> WithoutScope(std::span<const Token> tokens) {
  while (!tokens.empty() && (IsName(tokens[0], "public") || IsName(tokens[0], "private"))) {
    tokens = tokens.subspan(1);
  }
  return tokens;
}
