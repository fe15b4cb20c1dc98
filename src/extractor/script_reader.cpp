#include "extractor/script_reader.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "common/codepage.h"
#include "extractor/script_conditions.h"
#include "extractor/script_statements.h"
#include "extractor/shown_text.h"

namespace {

using Tokens = std::span<const Token>;

// A script is read as far as offsets of 31 bits reach (scripts are read up to 16 MiB).
constexpr size_t kMaxScriptSize = size_t{1} << 30;
// How much of a value that names no ROM a reason shows.
constexpr size_t kMaxShownValue = 40;

// `text` without leading and trailing spaces.
std::string_view TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// True when `tokens` from `at` are `CreateObject("VPinMAME.Controller")` or the same for
// "B2S.Server", which hands the game name on to PinMAME.
bool CreatesController(Tokens t, size_t at) {
  if (t.size() < at + 3 || !IsName(t[at], "createobject") || t[at + 1].kind != TokenKind::kOpen ||
      t[at + 2].kind != TokenKind::kString) {
    return false;
  }
  const std::string_view prog_id = TrimBlanks(t[at + 2].text);
  return SameName(prog_id, "vpinmame.controller") || SameName(prog_id, "b2s.server");
}

// True when `script` holds "gamename" in any letter case: a script without it names no ROM, and
// needs no reading (a table that is no compound file is read whole as its script).
bool MentionsGameName(std::string_view script) {
  constexpr std::string_view kWord = "gamename";
  if (script.size() < kWord.size()) return false;
  for (size_t at = 0; at <= script.size() - kWord.size(); ++at) {
    if ((script[at] | 0x20) == 'g' && SameName(script.substr(at, kWord.size()), kWord)) return true;
  }
  return false;
}

// The number of line ends in `script` from `from` to `to` (before its last byte): each LF, and
// each CR that no LF follows (a CR LF is one). Branch-free, so that the compiler may do many bytes
// at once.
size_t LineEndsBetween(std::string_view script, size_t from, size_t to) {
  size_t ends = 0;
  const auto* s = reinterpret_cast<const unsigned char*>(script.data());
  for (size_t at = from; at < to; ++at) {
    ends += static_cast<size_t>((s[at] == '\n') | ((s[at] == '\r') & (s[at + 1] != '\n')));
  }
  return ends;
}

// The line of each of `offsets` in `script` (1-based, a CR LF, a LF or a lone CR ending one) and
// where that line starts, in one pass.
std::vector<std::pair<int, size_t>> LinesOf(std::string_view script,
                                            const std::vector<size_t>& offsets) {
  std::vector<size_t> order(offsets.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](size_t a, size_t b) { return offsets[a] < offsets[b]; });
  std::vector<std::pair<int, size_t>> lines(offsets.size());
  size_t line = 1, counted_to = 0, start = 0;
  for (const size_t i : order) {
    const size_t at = offsets[i];  // a name's start: inside the script, before its end
    const size_t ends = LineEndsBetween(script, counted_to, at);
    if (ends > 0) {
      // The line starts after the last of them, looked for back to where counting began: on a
      // script of one long line, the names' lines are not searched again and again.
      for (start = at; script[start - 1] != '\n' && script[start - 1] != '\r';) --start;
    }
    line += ends;
    counted_to = at;
    lines[i] = {static_cast<int>(line), start};
  }
  return lines;
}

// One pass over the script finds its controllers, the statements that set a game name (with the
// object they set it on) and the assignments that may give a name its value, kept as offsets
// into the script; the ROM name is then worked out from what was kept.
class RomSearch {
 public:
  explicit RomSearch(std::string_view script) : script_(script.substr(0, kMaxScriptSize)) {}

  RomFinding Run() {
    if (!MentionsGameName(script_)) return Plain();
    ReadScript();
    const auto statement = std::find_if(candidates_.begin(), candidates_.end(), [this](auto& c) {
      return c.on_new_controller || IsController(c.owner);
    });
    if (statement == candidates_.end()) return Plain();
    finding_.line = statement->line;
    finding_.line_text = LineText(statement->line_start);
    const Token value =
        statement->value_at ? TokenAt(script_, *statement->value_at) : Token{TokenKind::kOther, {}};
    std::string_view literal;
    if (value.kind == TokenKind::kString) {
      literal = value.text;
    } else if (value.kind != TokenKind::kName) {
      return NoRom("the controller's game name is set to a value that names no ROM");
    } else if (const Outcome outcome = Follow(value.text, literal); outcome != Outcome::kLiteral) {
      return NoRom(outcome == Outcome::kTooLong
                       ? "the controller's game name is followed through more than " +
                             std::to_string(kMaxFollowedNames) + " names"
                   : kept_full_ ? "the script assigns more names than are followed"
                                : "the controller's game name is set to a value that names no ROM");
    }
    literal = TrimBlanks(literal);
    if (literal.empty()) return NoRom("the controller's game name is set to an empty text");
    if (!IsRomName(literal)) {
      return NoRom("the controller's game name is set to \"" + ShownText(literal, kMaxShownValue) +
                   "\", which is no ROM name");
    }
    finding_.rom = Cp1252ToUtf8(Cp1252ToLower(literal));
    DescribeSteps();
    return finding_;
  }

 private:
  // A statement that sets the game name of `owner` ("" for any other object) or of an object
  // it creates; its value is the name or literal at `value_at`, when it is one.
  struct Candidate {
    int line = 0;
    size_t line_start = 0;
    std::string_view owner;
    bool on_new_controller = false;
    std::optional<size_t> value_at;
  };
  // An assignment of the name at `name_at` (whose hash is `hash`) to the name or literal at
  // `value_at`; the top bit of `value_at` marks, on a name's first, that the name was followed.
  struct Kept {
    std::uint32_t hash;
    std::uint32_t name_at;
    std::uint32_t value_at;
  };
  static constexpr std::uint32_t kFollowed = std::uint32_t{1} << 31;
  enum class Outcome { kLiteral, kNone, kTooLong };

  // Kept of a hostile script at most: a real one sets a game name a few times, makes a
  // controller once or twice and assigns names and literals some thousand times; past these
  // bounds, later statements are not looked at for them.
  static constexpr size_t kMaxCandidates = 64;
  static constexpr size_t kMaxControllers = 64;
  static constexpr size_t kMaxKept = size_t{1} << 18;
  static constexpr size_t kMaxWith = 64;

  RomFinding Plain() {
    finding_.why_plain = "no statement sets the PinMAME controller's game name";
    return finding_;
  }

  RomFinding NoRom(std::string why) {
    finding_.why_plain = std::move(why);
    return finding_;
  }

  bool IsController(std::string_view name) const {
    return SameName(name, "controller") ||
           std::any_of(controllers_.begin(), controllers_.end(),
                       [name](std::string_view c) { return SameName(c, name); });
  }

  void ReadScript() {
    struct With {
      std::string_view owner;
      bool new_controller = false;
    };
    std::vector<With> with;    // the open With blocks
    size_t with_overflow = 0;  // open past kMaxWith
    const ScriptConstants constants(script_);
    BranchTracker branches(constants);
    StatementReader reader(script_);
    Piece piece;
    while (reader.Next(piece)) {
      const bool live = branches.Live(piece);
      const Tokens t = piece.tokens;
      if (piece.kind != PieceKind::kStatement) continue;
      if (IsName(t[0], "with")) {
        if (with.size() == kMaxWith) {
          ++with_overflow;
        } else {
          with.push_back({t.size() == 2 && t[1].kind == TokenKind::kName ? t[1].text : "",
                          live && CreatesController(t, 1)});
        }
      } else if (IsName(t[0], "end") && t.size() > 1) {
        // A With block never outlives its procedure, even when a broken script leaves it open.
        if (IsName(t[1], "with")) {
          if (with_overflow > 0) {
            --with_overflow;
          } else if (!with.empty()) {
            with.pop_back();
          }
        }
        if (IsName(t[1], "sub") || IsName(t[1], "function") || IsName(t[1], "property")) {
          with.clear();
          with_overflow = 0;
        }
      } else if (!live) {
        continue;
      } else if (t.size() >= 3 && t[0].kind == TokenKind::kDot && IsName(t[1], "gamename") &&
                 t[2].kind == TokenKind::kEquals) {
        if (!with.empty() && with_overflow == 0) {
          AddCandidate(piece, with.back().owner, with.back().new_controller, t.subspan(3));
        }
      } else if (t.size() >= 4 && t[0].kind == TokenKind::kName && t[1].kind == TokenKind::kDot &&
                 IsName(t[2], "gamename") && t[3].kind == TokenKind::kEquals) {
        AddCandidate(piece, t[0].text, false, t.subspan(4));
      } else {
        AddAssignments(t);
      }
    }
    // Each name's assignments together, in script order.
    std::sort(kept_.begin(), kept_.end(), [this](const Kept& a, const Kept& b) {
      if (a.hash != b.hash) return a.hash < b.hash;
      const int order = CompareNames(NameAt(a), NameAt(b));
      return order != 0 ? order < 0 : a.name_at < b.name_at;
    });
  }

  void AddCandidate(const Piece& piece, std::string_view owner, bool on_new_controller,
                    Tokens value) {
    if (candidates_.size() >= kMaxCandidates) return;
    candidates_.push_back(
        {piece.line, piece.line_start, owner, on_new_controller, ValueStart(value)});
  }

  // Where the name or literal that `value` gives starts: the value itself, or the first element
  // of an array (which may be indexed, and whose first element may be an array again); none
  // for anything else.
  std::optional<size_t> ValueStart(Tokens value) const {
    size_t at = 0;
    while (at + 1 < value.size() && IsName(value[at], "array") &&
           value[at + 1].kind == TokenKind::kOpen) {
      at += 2;
    }
    if (at >= value.size() ||
        (value[at].kind != TokenKind::kString && value[at].kind != TokenKind::kName)) {
      return std::nullopt;
    }
    const bool alone = at == 0
                           ? value.size() == 1
                           : at + 1 < value.size() && (value[at + 1].kind == TokenKind::kComma ||
                                                       value[at + 1].kind == TokenKind::kClose);
    if (!alone) return std::nullopt;
    return TokenStart(script_, value[at]);
  }

  // Keeps what `t` assigns: `Const a = 1, b = 2`, `name = value`, `Set name = value`. A name set
  // to a new controller is a controller.
  void AddAssignments(Tokens t) {
    t = WithoutScope(t);
    if (!t.empty() && IsName(t[0], "const")) {
      ForEachConstPair(t.subspan(1), [this](const Token& name, Tokens value) {
        Keep(name, value);
        return true;
      });
      return;
    }
    if (!t.empty() && IsName(t[0], "set")) t = t.subspan(1);
    if (t.size() > 1 && t[0].kind == TokenKind::kName && t[1].kind == TokenKind::kEquals) {
      if (CreatesController(t, 2) && controllers_.size() < kMaxControllers) {
        controllers_.push_back(t[0].text);
      }
      Keep(t[0], t.subspan(2));
    }
  }

  void Keep(const Token& name, Tokens value) {
    const std::optional<size_t> value_at = ValueStart(value);
    if (!value_at) return;
    if (kept_.size() == kMaxKept) {
      kept_full_ = true;
      return;
    }
    kept_.push_back({NameHash(name.text), static_cast<std::uint32_t>(TokenStart(script_, name)),
                     static_cast<std::uint32_t>(*value_at)});
  }

  std::string_view NameAt(const Kept& kept) const { return TokenAt(script_, kept.name_at).text; }
  size_t ValueAt(const Kept& kept) const { return kept.value_at & ~kFollowed; }

  // The assignments of `name`, in script order.
  std::pair<size_t, size_t> Assignments(std::string_view name) const {
    const std::uint32_t hash = NameHash(name);
    const auto before = [this, hash, name](const Kept& kept) {
      return kept.hash != hash ? kept.hash < hash : CompareNames(NameAt(kept), name) < 0;
    };
    const auto first = std::partition_point(kept_.begin(), kept_.end(), before);
    const auto last = std::partition_point(first, kept_.end(), [this, hash, name](const Kept& k) {
      return k.hash == hash && CompareNames(NameAt(k), name) == 0;
    });
    return {static_cast<size_t>(first - kept_.begin()), static_cast<size_t>(last - kept_.begin())};
  }

  // Follows `name` to the literal of its first live assignment that gives one, depth first
  // through the names assigned to it; a name met again on the way gives none, so names that
  // follow each other round end. The names on the way are left in path_.
  Outcome Follow(std::string_view name, std::string_view& literal) {
    struct Frame {
      size_t next, end;  // the assignment of the name to try next, and the end of its own
    };
    std::vector<Frame> frames;
    const auto enter = [&](std::pair<size_t, size_t> range) {
      kept_[range.first].value_at |= kFollowed;
      frames.push_back({range.first, range.second});
    };
    if (const auto range = Assignments(name); range.first != range.second) enter(range);
    while (!frames.empty()) {
      Frame& frame = frames.back();
      if (frame.next == frame.end) {
        frames.pop_back();
        continue;
      }
      const Token value = TokenAt(script_, ValueAt(kept_[frame.next++]));
      if (value.kind == TokenKind::kString) {
        literal = value.text;
        for (const Frame& on_path : frames) path_.push_back(on_path.next - 1);
        return Outcome::kLiteral;
      }
      const auto range = Assignments(value.text);
      if (range.first == range.second || (kept_[range.first].value_at & kFollowed)) continue;
      if (frames.size() == kMaxFollowedNames) return Outcome::kTooLong;
      enter(range);
    }
    return Outcome::kNone;
  }

  // Names the assignments on the path with their lines, read once for all of them.
  void DescribeSteps() {
    std::vector<size_t> offsets;
    for (const size_t kept : path_) offsets.push_back(kept_[kept].name_at);
    const std::vector<std::pair<int, size_t>> lines = LinesOf(script_, offsets);
    for (size_t i = 0; i < path_.size(); ++i) {
      finding_.names.push_back({ShownText(NameAt(kept_[path_[i]]), kMaxNameText), lines[i].first,
                                LineText(lines[i].second)});
    }
  }

  // The line that starts at `start`, trimmed of blanks and cut.
  std::string LineText(size_t start) const {
    while (start < script_.size() && IsBlank(script_[start])) ++start;
    size_t end = start;
    while (end < script_.size() && end - start <= kMaxLineText && script_[end] != '\r' &&
           script_[end] != '\n') {
      ++end;
    }
    while (end > start && IsBlank(script_[end - 1])) --end;
    return ShownText(script_.substr(start, end - start), kMaxLineText);
  }

  const std::string_view script_;
  std::vector<std::string_view> controllers_;  // besides "Controller"
  std::vector<Candidate> candidates_;
  std::vector<Kept> kept_;  // by name's hash, then name, then script order
  bool kept_full_ = false;
  std::vector<size_t> path_;  // into kept_
  RomFinding finding_;
};

}  // namespace

RomFinding FindRomInScript(std::string_view script) { return RomSearch(script).Run(); }
