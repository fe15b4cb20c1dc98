#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "extractor/script_statements.h"

// Which branches of a script's `If` and `Select Case` blocks run, as far as their conditions can
// be known without running the script: conditions over literals (numbers, strings, True, False)
// and constants (`Const`), with `=`, `<>`, `<`, `>`, `<=`, `>=`, `Not`, `And`, `Or`, unary minus
// and parentheses, evaluated as the script language does. Anything else is not judged.

// A value known without running the script.
struct ScriptValue {
  enum class Type { kBoolean, kNumber, kString } type = Type::kNumber;
  double number = 0;      // kNumber; kBoolean: -1 for True, 0 for False, as the language has it
  std::string_view text;  // kString: as written between its quotes ("" still doubled)
};

// The constants of a script: every `Const` wherever it is written (the language resolves a
// constant before the script runs), known only when the script gives the name one literal value.
class ScriptConstants {
 public:
  // The constants of `script` (which must outlive this object), read when first asked for: most
  // scripts judge no condition, and need no second reading.
  explicit ScriptConstants(std::string_view script) : script_(script), unread_(true) {}
  ScriptConstants() = default;

  // The value of the constant `name`; none when it is no constant, is declared more than once
  // (procedures may each declare their own) or its value is no literal.
  std::optional<ScriptValue> Find(std::string_view name) const;

 private:
  struct Entry {
    std::uint32_t hash;
    std::string_view name;
    std::optional<ScriptValue> value;
  };
  // Kept at most: a real script has a few dozen constants; past this none is known.
  static constexpr size_t kMaxConstants = 4096;

  void Read() const;

  std::string_view script_;
  mutable bool unread_ = false;
  mutable std::vector<Entry> entries_;  // by hash
  mutable bool overflow_ = false;
};

// Evaluates `tokens` as an expression: none when it is not one that can be known.
std::optional<ScriptValue> Evaluate(std::span<const Token> tokens,
                                    const ScriptConstants& constants);

// Follows the pieces of a script in order and tells for each statement whether it may run: a
// statement in a branch known not to be taken does not. Nesting is kept on a bounded stack; a
// script nested deeper than kMaxDepth is no longer judged at all.
class BranchTracker {
 public:
  explicit BranchTracker(const ScriptConstants& constants) : constants_(constants) {}

  // Takes `piece` into account. Returns false when it is a statement in a branch known not to
  // be taken; true for every other.
  bool Live(const Piece& piece);

  static constexpr size_t kMaxDepth = 64;

 private:
  struct Frame {
    bool one_line = false;  // a one-line If, which ends with its line
    bool dead = false;      // the branch being read is known not to be taken
    bool done = false;      // a branch already read is known to be taken
    bool select = false;
    std::optional<ScriptValue> tested;  // Select Case: the value tested
  };

  void Open(const Frame& frame);
  void Close(size_t depth);  // keeps the first `depth` frames
  // Starts the next branch of the innermost frame; `taken` is whether it is known to be taken.
  void Branch(std::optional<bool> taken);
  std::optional<bool> CaseMatches(std::span<const Token> values) const;

  const ScriptConstants& constants_;
  std::vector<Frame> frames_;
  static constexpr size_t kNone = static_cast<size_t>(-1);

  size_t dead_frames_ = 0;         // frames whose branch is dead
  size_t first_one_line_ = kNone;  // the outermost one-line If
  size_t procedure_ = kNone;       // the depth where the procedure being read began
  int logical_line_ = 0;
  bool lost_ = false;  // nested too deep: nothing is judged any more
};
