#include "extractor/script_conditions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

#include "common/codepage.h"

namespace {

using Type = ScriptValue::Type;

// A constant's text longer than this is not known: comparing it at every condition would make
// the reading of a hostile script slow.
constexpr size_t kMaxConstantText = 256;

enum class Op { kOpen, kOr, kAnd, kNot, kEq, kNe, kLt, kGt, kLe, kGe, kNegate };

int Precedence(Op op) {
  switch (op) {
    case Op::kOpen:
      return 0;
    case Op::kOr:
      return 1;
    case Op::kAnd:
      return 2;
    case Op::kNot:
      return 3;
    case Op::kNegate:
      return 5;
    default:
      return 4;  // comparisons
  }
}

bool IsOther(const Token& token, char c) {
  return token.kind == TokenKind::kOther && token.text.size() == 1 && token.text[0] == c;
}

// The comparison or logical operator at `at`; `at` moves past a two-character one.
std::optional<Op> BinaryOp(std::span<const Token> tokens, size_t& at) {
  const Token& t = tokens[at];
  const bool next_equals = at + 1 < tokens.size() && tokens[at + 1].kind == TokenKind::kEquals;
  if (t.kind == TokenKind::kEquals) return Op::kEq;
  if (IsName(t, "and")) return Op::kAnd;
  if (IsName(t, "or")) return Op::kOr;
  if (IsOther(t, '<')) {
    if (at + 1 < tokens.size() && IsOther(tokens[at + 1], '>')) return ++at, Op::kNe;
    return next_equals ? (++at, Op::kLe) : Op::kLt;
  }
  if (IsOther(t, '>')) return next_equals ? (++at, Op::kGe) : Op::kGt;
  return std::nullopt;
}

std::optional<ScriptValue> Number(std::string_view text) {
  double number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return ScriptValue{Type::kNumber, number, {}};
}

std::optional<ScriptValue> Operand(const Token& t, const ScriptConstants& constants) {
  if (t.kind == TokenKind::kNumber) return Number(t.text);
  if (t.kind == TokenKind::kString) return ScriptValue{Type::kString, 0, t.text};
  if (IsName(t, "true") || IsName(t, "false")) {
    return ScriptValue{Type::kBoolean, IsName(t, "true") ? -1.0 : 0.0, {}};
  }
  if (t.kind == TokenKind::kName) return constants.Find(t.text);
  return std::nullopt;
}

// Orders two texts as the language does by default: by character code, which for Windows-1252
// bytes is the order of their UTF-8 forms.
int CompareTexts(std::string_view a, std::string_view b) {
  const auto [in_a, in_b] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  if (in_a == a.end() || in_b == b.end()) return in_a == a.end() ? (in_b == b.end() ? 0 : -1) : 1;
  return Cp1252ToUtf8({&*in_a, 1}).compare(Cp1252ToUtf8({&*in_b, 1})) < 0 ? -1 : 1;
}

// Texts with texts, numbers (and True, False) with numbers; none for a text with a number.
std::optional<int> Compare(const ScriptValue& a, const ScriptValue& b) {
  if ((a.type == Type::kString) != (b.type == Type::kString)) return std::nullopt;
  if (a.type == Type::kString) return CompareTexts(a.text, b.text);
  return a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
}

// Not, And and Or work on the bits of whole numbers, and on True and False as such.
std::optional<std::int32_t> Bits(const ScriptValue& value) {
  if (value.type == Type::kString || value.number != std::trunc(value.number) ||
      std::abs(value.number) > 2147483647.0) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value.number);
}

std::optional<ScriptValue> Apply(Op op, std::vector<ScriptValue>& values) {
  const size_t operands = op == Op::kNot || op == Op::kNegate ? 1 : 2;
  if (values.size() < operands) return std::nullopt;
  const ScriptValue b = values.back();
  const ScriptValue a = values[values.size() - operands];
  values.resize(values.size() - operands);
  if (op == Op::kNegate) {
    if (a.type == Type::kString) return std::nullopt;
    return ScriptValue{Type::kNumber, -a.number, {}};
  }
  if (op == Op::kNot || op == Op::kAnd || op == Op::kOr) {
    const std::optional<std::int32_t> x = Bits(a), y = Bits(b);
    if (!x || !y) return std::nullopt;
    const std::int32_t bits = op == Op::kNot ? ~*x : op == Op::kAnd ? *x & *y : *x | *y;
    const bool logical = a.type == Type::kBoolean && b.type == Type::kBoolean;
    return ScriptValue{logical ? Type::kBoolean : Type::kNumber, static_cast<double>(bits), {}};
  }
  const std::optional<int> order = Compare(a, b);
  if (!order) return std::nullopt;
  const bool holds = op == Op::kEq   ? *order == 0
                     : op == Op::kNe ? *order != 0
                     : op == Op::kLt ? *order < 0
                     : op == Op::kGt ? *order > 0
                     : op == Op::kLe ? *order <= 0
                                     : *order >= 0;
  return ScriptValue{Type::kBoolean, holds ? -1.0 : 0.0, {}};
}

std::optional<bool> Truth(const std::optional<ScriptValue>& value) {
  if (!value || value->type == Type::kString) return std::nullopt;
  return value->number != 0;
}

bool Before(std::uint32_t hash, std::string_view name, std::uint32_t other_hash,
            std::string_view other_name) {
  return hash != other_hash ? hash < other_hash : CompareNames(name, other_name) < 0;
}

}  // namespace

// Operator precedence parsing, with explicit stacks as deep as the expression is long.
std::optional<ScriptValue> Evaluate(std::span<const Token> tokens,
                                    const ScriptConstants& constants) {
  std::vector<ScriptValue> values;
  std::vector<Op> ops;
  bool operand = true;  // an operand is expected next
  const auto reduce = [&]() {
    const Op op = ops.back();
    ops.pop_back();
    const std::optional<ScriptValue> value = Apply(op, values);
    if (value) values.push_back(*value);
    return value.has_value();
  };
  for (size_t at = 0; at < tokens.size(); ++at) {
    const Token& t = tokens[at];
    if (operand) {
      if (t.kind == TokenKind::kOpen || IsOther(t, '-') || IsName(t, "not")) {
        ops.push_back(t.kind == TokenKind::kOpen ? Op::kOpen
                      : IsOther(t, '-')          ? Op::kNegate
                                                 : Op::kNot);
        continue;
      }
      const std::optional<ScriptValue> value = Operand(t, constants);
      if (!value) return std::nullopt;
      values.push_back(*value);
      operand = false;
    } else if (t.kind == TokenKind::kClose) {
      while (!ops.empty() && ops.back() != Op::kOpen) {
        if (!reduce()) return std::nullopt;
      }
      if (ops.empty()) return std::nullopt;
      ops.pop_back();
    } else {
      const std::optional<Op> op = BinaryOp(tokens, at);
      if (!op) return std::nullopt;
      while (!ops.empty() && Precedence(ops.back()) >= Precedence(*op)) {
        if (!reduce()) return std::nullopt;
      }
      ops.push_back(*op);
      operand = true;
    }
  }
  if (operand) return std::nullopt;
  while (!ops.empty()) {
    if (ops.back() == Op::kOpen || !reduce()) return std::nullopt;
  }
  return values.size() == 1 ? std::optional(values.front()) : std::nullopt;
}

void ScriptConstants::Read() const {
  unread_ = false;
  const ScriptConstants none;
  StatementReader reader(script_);
  Piece piece;
  while (!overflow_ && reader.Next(piece)) {
    const std::span<const Token> t = WithoutScope(piece.tokens);
    if (piece.kind != PieceKind::kStatement || t.empty() || !IsName(t[0], "const")) continue;
    // `Const a = 1, b = "x"`.
    ForEachConstPair(t.subspan(1), [&](const Token& name, std::span<const Token> tokens) {
      if (entries_.size() == kMaxConstants) {
        overflow_ = true;
        return false;
      }
      std::optional<ScriptValue> value = Evaluate(tokens, none);
      if (value && value->type == Type::kString && value->text.size() > kMaxConstantText) {
        value.reset();
      }
      entries_.push_back({NameHash(name.text), name.text, value});
      return true;
    });
  }
  std::stable_sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
    return Before(a.hash, a.name, b.hash, b.name);
  });
}

std::optional<ScriptValue> ScriptConstants::Find(std::string_view name) const {
  if (unread_) Read();
  if (overflow_) return std::nullopt;
  const std::uint32_t hash = NameHash(name);
  const auto [first, last] = std::equal_range(
      entries_.begin(), entries_.end(), Entry{hash, name, std::nullopt},
      [](const Entry& a, const Entry& b) { return Before(a.hash, a.name, b.hash, b.name); });
  if (last - first != 1) return std::nullopt;
  return first->value;
}

bool BranchTracker::Live(const Piece& piece) {
  if (lost_) return true;
  if (piece.logical_line != logical_line_) {
    // A new line ends the one-line Ifs of the one before.
    logical_line_ = piece.logical_line;
    if (first_one_line_ != kNone) Close(first_one_line_);
  }
  const std::span<const Token> t = piece.tokens;
  // Conditions inside a branch that is not taken need no judging.
  const bool outer_dead = dead_frames_ > (!frames_.empty() && frames_.back().dead ? 1 : 0);
  const bool in_if = !frames_.empty() && !frames_.back().select;
  const bool in_select = !frames_.empty() && frames_.back().select;
  switch (piece.kind) {
    case PieceKind::kIf:
      Open({.one_line = piece.one_line});
      if (!lost_ && dead_frames_ == 0) Branch(Truth(Evaluate(t, constants_)));
      break;
    case PieceKind::kElseIf:
      if (in_if) Branch(outer_dead ? std::nullopt : Truth(Evaluate(t, constants_)));
      break;
    case PieceKind::kCase:
      if (in_select) Branch(outer_dead ? std::nullopt : CaseMatches(t));
      break;
    case PieceKind::kElse:
    case PieceKind::kCaseElse:
      if (piece.kind == PieceKind::kElse ? in_if : in_select) Branch(true);
      break;
    case PieceKind::kEndIf:
      if (in_if) Close(frames_.size() - 1);
      break;
    case PieceKind::kSelectCase:
      Open({.select = true, .tested = dead_frames_ ? std::nullopt : Evaluate(t, constants_)});
      break;
    case PieceKind::kStatement: {
      const bool live = dead_frames_ == 0;
      size_t at = 0;
      while (at < t.size() &&
             (IsName(t[at], "public") || IsName(t[at], "private") || IsName(t[at], "default"))) {
        ++at;
      }
      const auto procedure = [&t](size_t i) {
        return i < t.size() &&
               (IsName(t[i], "sub") || IsName(t[i], "function") || IsName(t[i], "property"));
      };
      if (procedure(at)) procedure_ = frames_.size();
      if (t.size() >= 2 && IsName(t[0], "end")) {
        // A block never outlives its procedure, even when a broken script leaves it open.
        if (procedure(1) && procedure_ != kNone) Close(std::exchange(procedure_, kNone));
        if (IsName(t[1], "select") && in_select) Close(frames_.size() - 1);
      }
      return live;
    }
  }
  return true;
}

void BranchTracker::Open(const Frame& frame) {
  if (frames_.size() == kMaxDepth) {
    lost_ = true;
    frames_.clear();
    dead_frames_ = 0;
    return;
  }
  if (frame.one_line && first_one_line_ == kNone) first_one_line_ = frames_.size();
  frames_.push_back(frame);
}

void BranchTracker::Close(size_t depth) {
  while (frames_.size() > depth) {
    dead_frames_ -= frames_.back().dead ? 1 : 0;
    frames_.pop_back();
  }
  if (first_one_line_ >= frames_.size()) first_one_line_ = kNone;
}

// A branch is not taken when one before it was, or when its own condition is known false.
void BranchTracker::Branch(std::optional<bool> taken) {
  Frame& frame = frames_.back();
  const bool dead = frame.done || taken == false;
  if (dead != frame.dead) dead_frames_ += dead ? 1 : -1;
  frame.dead = dead;
  frame.done = frame.done || taken == true;
}

// A Case matches when one of its values equals the value tested.
std::optional<bool> BranchTracker::CaseMatches(std::span<const Token> values) const {
  if (!frames_.back().tested) return std::nullopt;
  bool unknown = false;
  for (size_t start = 0; start <= values.size();) {
    size_t end = start;
    for (int depth = 0;
         end < values.size() && !(depth == 0 && values[end].kind == TokenKind::kComma); ++end) {
      depth += values[end].kind == TokenKind::kOpen    ? 1
               : values[end].kind == TokenKind::kClose ? -1
                                                       : 0;
    }
    const std::optional<ScriptValue> value =
        Evaluate(values.subspan(start, end - start), constants_);
    const std::optional<int> order = value ? Compare(*frames_.back().tested, *value) : std::nullopt;
    if (order == 0) return true;
    unknown = unknown || !order;
    start = end + 1;
  }
  return unknown ? std::nullopt : std::optional(false);
}
