#include "extractor/rom_name_finder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "common/codepage.h"
#include "common/paths.h"
#include "common/text.h"
#include "extractor/assignment_index.h"
#include "extractor/byte_source.h"
#include "extractor/catalogue.h"
#include "extractor/mame_info.h"
#include "extractor/scan_marks.h"
#include "extractor/table_info.h"

namespace {

constexpr char kNotFound[] = "nf";
constexpr size_t kTokenLength = 9;
constexpr size_t kLookAhead = 50;
constexpr std::string_view kArray = "array(";
// Each step through an array rescans the file from its start; scripts take one step or two,
// and a hostile chain of thousands would take hours on a big table.
constexpr size_t kMaxArraySteps = 8;
// Script names have at most 255 characters; a longer "name" is a run of junk that would only
// make every search step slow.
constexpr size_t kMaxNameLength = 255;

// Flattens a piece of script: CR and LF become spaces, TABs go, a comment ("'") is cut off,
// and surrounding spaces are removed.
std::string Clean(std::string_view text) {
  text = text.substr(0, text.find('\''));
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\r' || c == '\n') {
      out += ' ';
    } else if (c != '\t') {
      out += c;
    }
  }
  return TrimSpaces(out);
}

// The text between the first and the second double quote (to the end without a second one).
std::string BetweenQuotes(const std::string& text) {
  const size_t open = text.find('"');
  if (open == std::string::npos) return {};
  const size_t close = text.find('"', open + 1);
  return text.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
}

std::string EraseAll(std::string text, std::string_view what) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at)) {
    text.erase(at, what.size());
  }
  return text;
}

// The first element of an array expression: every "array(" deleted, cut at the first ",".
std::string FirstArrayElement(const std::string& text) {
  const std::string without = EraseAll(text, kArray);
  return TrimSpaces(std::string_view(without).substr(0, without.find(',')));
}

// The bytes of a statement's value that are cleaned first.
constexpr size_t kValueStart = 1024;

// True when `cleaned`, the cleaned start of a value, holds the part of the whole value that the
// scan uses: a literal up to its closing quote, or a name up to the space after it. Cleaning
// maps each byte on its own, so the whole value starts the same way.
bool HoldsFirstPart(const std::string& cleaned) {
  if (cleaned.empty()) return false;
  return cleaned.front() == '"' ? cleaned.find('"', 1) != std::string::npos
                                : cleaned.find(' ') != std::string::npos;
}

// What the bytes after an occurrence of the searched name say.
enum class Step {
  kNext,    // nothing: go on with the next occurrence
  kFound,   // a literal is assigned: `out` is the ROM name
  kFollow,  // an array is assigned: `out` is its first element, the name to search next
};

Step Judge(std::string_view after, std::string& out) {
  // Most occurrences have no "=" after them. That shows without copying, as cleaning only drops
  // these bytes before the first one that counts; a file that is one run of the name would
  // otherwise be copied and cleaned at every byte.
  after = after.substr(0, kLookAhead);
  const size_t first = after.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos || after[first] != '=') return Step::kNext;
  std::string window = Clean(Cp1252ToLower(after));
  if (window.empty() || window.front() != '=') return Step::kNext;
  window = Clean(std::string_view(window).substr(1));
  if (!window.empty() && window.front() == '"') {
    out = BetweenQuotes(window);
    return Step::kFound;
  }
  if (window.rfind(kArray, 0) == 0) {
    out = FirstArrayElement(window);
    return Step::kFollow;
  }
  return Step::kNext;
}

// Follows a constant or variable `name` (as written after ".GameName =") to the literal that it
// is assigned somewhere in the file. Returns the literal's bytes in lower case, or "nf". The
// occurrences that `index` (when given) saw are taken from it rather than from the file.
std::string ResolveName(ByteSource& source, const std::string& name, const AssignmentIndex* index) {
  std::string needle = Cp1252ToLower(name);
  if (needle.rfind(kArray, 0) == 0) {
    needle = EraseAll(Cp1252ToLower(TrimSpaces(std::string_view(name).substr(0, name.find(',')))),
                      kArray);
  }
  if (needle.size() > kMaxNameLength) return kNotFound;
  std::set<std::string> searched;  // an array naming itself would otherwise loop for ever
  size_t steps = 0;
  while (!needle.empty() && searched.insert(needle).second) {
    std::string out;
    Step step = Step::kNext;
    size_t from = 0;  // each name is searched from the start of the file
    if (index != nullptr && index->Covers(needle)) {
      from = index->ForEachCandidate(needle, [&](std::string_view after) {
        return (step = Judge(after, out)) != Step::kNext;
      });
    }
    if (from != AssignmentIndex::kNotFound) {
      for (size_t hit = source.Find(needle, from, true); hit != ByteSource::kNotFound;
           hit = source.Find(needle, from, true)) {
        from = hit + needle.size();
        step = Judge(source.Read(from, kLookAhead), out);
        if (step != Step::kNext) break;
      }
    }
    if (step == Step::kFound) return out;
    if (step != Step::kFollow) break;
    if (++steps > kMaxArraySteps) return kNotFound;
    needle = Cp1252ToLower(out);
  }
  return kNotFound;
}

// The first ".GameName", else the first ".Gamename", of `source`, found in one pass over the
// file in pieces of `piece_size` bytes that also gives every "=" to `index`. kNotFound when
// neither occurs. The pass goes on to the end of the piece that holds the statement, so that a
// name assigned just after it is found in the index too.
size_t FindTokenOnce(FileSource& source, AssignmentIndex& index, size_t piece_size) {
  // Each piece follows the last bytes of the one before: a token or an "=" with what stands
  // before it may span both.
  constexpr size_t kCarried = AssignmentIndex::kBefore + kLookAhead;
  PieceReader pieces(source, piece_size, kCarried);
  char carried[kCarried];
  size_t first_lower = ByteSource::kNotFound;
  size_t token = ByteSource::kNotFound;
  size_t at = 0;                           // file position of the first byte looked at
  size_t length = 0;                       // bytes carried from the pieces before
  size_t next_token = 0, next_equals = 0;  // the next file positions not looked at for either
  for (;;) {
    size_t got = 0;
    char* const piece = pieces.Next(got);
    char* const data = piece - length;
    std::memcpy(data, carried, length);
    length += got;
    const bool at_end = got < piece_size;
    const std::string_view bytes(data, length);
    const size_t end = at + length;
    // A token must lie whole in the buffer, and an "=" have its look-ahead there.
    const size_t token_limit = end >= kTokenLength ? end - kTokenLength + 1 : 0;
    const size_t equals_limit = at_end ? end : (end > kLookAhead ? end - kLookAhead : 0);
    const size_t scan_end = std::max(token_limit, equals_limit) - at;
    for (size_t i = std::min(next_token, next_equals) - at;
         (i = NextScanMark(data, i, scan_end)) < scan_end; ++i) {
      const size_t position = at + i;
      if (bytes[i] == '=') {
        if (position >= next_equals && position < equals_limit) index.Consider(position, bytes, at);
      } else if (token == ByteSource::kNotFound && position >= next_token &&
                 position < token_limit && bytes.compare(i + 2, 3, "ame") == 0 &&
                 bytes.compare(i + 6, 3, "ame") == 0) {
        if (bytes[i + 5] == 'N') token = position;
        if (bytes[i + 5] == 'n' && first_lower == ByteSource::kNotFound) first_lower = position;
      }
    }
    next_token = std::max(next_token, token_limit);
    next_equals = std::max(next_equals, equals_limit);
    if (at_end) {
      index.SeenAll(end);
      return token != ByteSource::kNotFound ? token : first_lower;
    }
    index.SeenUpTo(next_equals);
    if (token != ByteSource::kNotFound) return token;
    if (length > kCarried) {
      at += length - kCarried;
      length = kCarried;
    }
    std::memcpy(carried, bytes.data() + bytes.size() - length, length);
  }
}

// The ROM name that the statement at `token` assigns, as ScanForRomName returns it.
std::string ScanFrom(ByteSource& source, size_t token, const AssignmentIndex* index) {
  if (token == ByteSource::kNotFound) return kNotFound;
  const size_t after = token + kTokenLength;
  const size_t first_equals = source.Find("=", after, false);
  if (first_equals == ByteSource::kNotFound) return kNotFound;
  // The value runs to the next "=", but cleaning cuts it at a comment anyway.
  size_t end = source.Find("=", first_equals + 1, false);
  const size_t comment = source.Find("'", first_equals + 1, false);
  if (comment < end) end = comment;
  if (end == ByteSource::kNotFound) end = source.Size();
  // Only the value's first name, or its literal, is used: when the start of the value holds all
  // of it, the rest (up to the file's end, when no "=" follows) need not be read and cleaned.
  const size_t length = end - first_equals - 1;
  std::string value = Clean(source.Read(first_equals + 1, std::min(length, kValueStart)));
  if (length > kValueStart && !HoldsFirstPart(value)) {
    value = Clean(source.Read(first_equals + 1, length));
  }

  std::string result;
  if (!value.empty() && value.front() == '"') {
    result = Cp1252ToLower(Clean(BetweenQuotes(value)));
  } else {
    result = ResolveName(source, Clean(std::string_view(value).substr(0, value.find(' '))), index);
  }
  // An empty literal names no ROM: the table is a plain one.
  if (result.empty()) return kNotFound;
  return Cp1252ToUtf8(result);
}

}  // namespace

std::string ScanForRomName(ByteSource& source) {
  size_t token = source.Find(".GameName", 0, false);
  if (token == ByteSource::kNotFound) token = source.Find(".Gamename", 0, false);
  return ScanFrom(source, token, nullptr);
}

std::string ScanForRomName(FileSource& source, size_t piece_size) {
  AssignmentIndex index;
  const size_t token = FindTokenOnce(source, index, std::max<size_t>(piece_size, 1));
  return ScanFrom(source, token, &index);
}

std::string ScanForRomName(std::string_view file_bytes) {
  MemorySource source(file_bytes);
  return ScanForRomName(source);
}

void FindRomName(ExtractorState& state) {
  if (!OrdinaryFileExists(state.CurrentTable)) return;
  if (!state.options.overwrite) {
    const std::string key = DropLastChars(FileNameOf(state.CurrentTable), 4);
    const std::string stored = LookupName(state, key, false);
    // A table with a ROM name but no base name was cut short (a crash, or another run that is
    // still at it); reading it again gives it its real table name instead of the file's.
    if (!stored.empty() && !LookupName(state, key, true).empty()) {
      state.ResultName = stored;
      GetMAMEInfo(state);
      return;
    }
  }
  GetTableInfo(state);

  FileSource source;
  const std::string path = FindExistingPath(state.CurrentTable);
  state.ResultName = source.Open(path) ? ScanForRomName(source) : kNotFound;
  if (state.ResultName != kNotFound) GetMAMEInfo(state);
}
