#include "extractor/rom_name_finder.h"

#include <set>

#include "common/codepage.h"
#include "common/paths.h"
#include "common/text.h"
#include "extractor/byte_source.h"
#include "extractor/catalogue.h"
#include "extractor/mame_info.h"
#include "extractor/table_info.h"

namespace {

constexpr char kNotFound[] = "nf";
constexpr size_t kTokenLength = 9;
constexpr size_t kLookAhead = 50;
constexpr std::string_view kArray = "array(";
// Each step through an array rescans the file from its start; scripts take one step or two,
// and a hostile chain of thousands would take hours on a big table.
constexpr size_t kMaxArraySteps = 8;

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

// Follows a constant or variable `name` (as written after ".GameName =") to the literal that it
// is assigned somewhere in the file. Returns the literal's bytes in lower case, or "nf".
std::string ResolveName(ByteSource& source, const std::string& name) {
  std::string needle = Cp1252ToLower(name);
  if (needle.rfind(kArray, 0) == 0) {
    needle = EraseAll(Cp1252ToLower(TrimSpaces(std::string_view(name).substr(0, name.find(',')))),
                      kArray);
  }
  std::set<std::string> searched;  // an array naming itself would otherwise loop for ever
  size_t from = 0;
  size_t steps = 0;
  while (!needle.empty() && searched.insert(needle).second) {
    bool restart = false;
    for (size_t hit = source.Find(needle, from, true); hit != ByteSource::kNotFound;
         hit = source.Find(needle, from, true)) {
      from = hit + needle.size();
      std::string window = Clean(Cp1252ToLower(source.Read(from, kLookAhead)));
      if (window.empty() || window.front() != '=') continue;
      window = Clean(std::string_view(window).substr(1));
      if (!window.empty() && window.front() == '"') return BetweenQuotes(window);
      if (window.rfind(kArray, 0) == 0) {
        if (++steps > kMaxArraySteps) return kNotFound;
        needle = Cp1252ToLower(FirstArrayElement(window));
        from = 0;  // the new name is searched from the start of the file
        restart = true;
        break;
      }
    }
    if (!restart) break;
  }
  return kNotFound;
}

}  // namespace

std::string ScanForRomName(ByteSource& source) {
  size_t token = source.Find(".GameName", 0, false);
  if (token == ByteSource::kNotFound) token = source.Find(".Gamename", 0, false);
  if (token == ByteSource::kNotFound) return kNotFound;

  const size_t after = token + kTokenLength;
  const size_t first_equals = source.Find("=", after, false);
  if (first_equals == ByteSource::kNotFound) return kNotFound;
  // The value runs to the next "=", but cleaning cuts it at a comment anyway.
  size_t end = source.Find("=", first_equals + 1, false);
  const size_t comment = source.Find("'", first_equals + 1, false);
  if (comment < end) end = comment;
  if (end == ByteSource::kNotFound) end = source.Size();
  const std::string value = Clean(source.Read(first_equals + 1, end - first_equals - 1));

  std::string result;
  if (!value.empty() && value.front() == '"') {
    result = Cp1252ToLower(Clean(BetweenQuotes(value)));
  } else {
    result = ResolveName(source, Clean(std::string_view(value).substr(0, value.find(' '))));
  }
  // An empty literal names no ROM: the table is a plain one.
  if (result.empty()) return kNotFound;
  return Cp1252ToUtf8(result);
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
