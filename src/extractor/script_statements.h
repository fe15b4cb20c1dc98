#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "common/codepage.h"

// Splits a table script (VBScript, Windows-1252 bytes) into statements the way its own language
// does: comments (`'`, `Rem`), colons, " _" continuations, and the branches of `If` and `Select
// Case` in their block and one-line forms. Reads the script once, front to back, holding one
// statement of at most kMaxStatementTokens tokens at a time: memory stays small and time linear
// whatever the script holds.

enum class TokenKind { kName, kString, kNumber, kDot, kEquals, kComma, kOpen, kClose, kOther };

struct Token {
  TokenKind kind;
  std::string_view text;  // a name without brackets; a string literal without its quotes
};

// What a piece of script is: a statement, or a mark of the branches around statements.
enum class PieceKind {
  kStatement,
  kIf,          // `If COND Then`: tokens are COND
  kElseIf,      // `ElseIf COND Then`: tokens are COND
  kElse,        // `Else`
  kEndIf,       // `End If`
  kSelectCase,  // `Select Case EXPR`: tokens are EXPR
  kCase,        // `Case VALUES`: tokens are the values, commas included
  kCaseElse,    // `Case Else`
};

struct Piece {
  PieceKind kind = PieceKind::kStatement;
  std::span<const Token> tokens;  // valid until the next call of Next
  int line = 0;                   // the physical line where its statement starts
  size_t line_start = 0;          // where that line starts in the script
  int logical_line = 0;           // lines joined by continuations count as one
  // kIf, kElseIf: statements follow Then on its line (after a colon too, as the language has it)
  bool one_line = false;
};

// A statement is never looked at past its first tokens; a hostile line of millions of tokens
// must not cost memory.
inline constexpr size_t kMaxStatementTokens = 256;

// True when `c` is a blank between tokens (a NUL too, as the script language reads it).
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\0'; }

// True when `a` and `b` are one name in the script's eyes (letter case is no matter). Inline, as
// the next few: the reading of a script is mostly these comparisons.
inline bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && Cp1252Lower(a[i]) != Cp1252Lower(b[i])) return false;
  }
  return true;
}

// Orders names as the script sees them (letter case is no matter): below zero when `a` comes
// first, zero when they are one name.
int CompareNames(std::string_view a, std::string_view b);

// A hash of a name that is the same for every letter case it is written in.
std::uint32_t NameHash(std::string_view name);

// True when `token` is the name `name` (any letter case).
inline bool IsName(const Token& token, std::string_view name) {
  return token.kind == TokenKind::kName && SameName(token.text, name);
}

// The name or string literal token that starts at `at` in `script` (a name, a name in brackets,
// or a string literal from its opening quote); a token of kind kOther when none starts there.
Token TokenAt(std::string_view script, size_t at);

// Where the token `token`, a view into `script`, starts: at its opening quote or bracket.
size_t TokenStart(std::string_view script, const Token& token);

class StatementReader {
 public:
  explicit StatementReader(std::string_view script) : s_(script) {}

  // Fills `out` with the next piece; false at the end of the script.
  bool Next(Piece& out);

 private:
  using Iterator = std::vector<Token>::const_iterator;

  void ReadRaw();
  void Add(TokenKind kind, std::string_view text);
  void SkipToLineEnd();
  void NewLine(bool continued);
  bool ContinuesLine() const;
  // Cuts the statement read last into pieces, in order.
  void Split();
  void Push(PieceKind kind, Iterator begin, Iterator end, bool one_line = false);

  std::string_view s_;
  size_t pos_ = 0;
  int line_ = 1;
  int logical_line_ = 1;
  size_t line_start_ = 0;
  struct {
    std::vector<Token> tokens;
    int line = 0;
    size_t line_start = 0;
    int logical_line = 0;
    bool colon = false;  // ended by a colon, not by a line end
  } raw_;
  std::vector<Piece> pieces_;  // of the statement read last
  size_t next_piece_ = 0;
};

// The tokens of a statement after its `Public` and `Private` words.
std::span<const Token> WithoutScope(std::span<const Token> tokens);

// Calls `pair(name, value)` for each `name = value` of a `Const` statement's tokens (after the
// word Const): the pairs at the top level, separated by commas. Stops early when `pair`
// returns false.
template <typename Pair>
void ForEachConstPair(std::span<const Token> t, Pair pair) {
  for (size_t start = 0; start + 1 < t.size();) {
    size_t end = start;
    for (int depth = 0; end < t.size() && !(depth == 0 && t[end].kind == TokenKind::kComma);
         ++end) {
      depth += t[end].kind == TokenKind::kOpen ? 1 : t[end].kind == TokenKind::kClose ? -1 : 0;
    }
    if (end - start >= 2 && t[start].kind == TokenKind::kName &&
        t[start + 1].kind == TokenKind::kEquals &&
        !pair(t[start], t.subspan(start + 2, end - start - 2))) {
      return;
    }
    start = end + 1;
  }
}
