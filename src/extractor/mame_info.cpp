#include "extractor/mame_info.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <iterator>
#include <utility>

#include "common/catalogue_sections.h"
#include "common/codepage.h"
#include "common/paths.h"
#include "common/process_runner.h"
#include "common/profile.h"
#include "common/profile_internal.h"
#include "extractor/byte_source.h"
#include "extractor/catalogue.h"

namespace {

constexpr char kListingName[] = "lx.xml";
constexpr char kScriptName[] = "lx.sh";
// MAME's exit status for a game it does not know.
constexpr int kNoSuchGame = 5;
// A game's element takes a few kilobytes; cut to this much, a hostile listing of gigabytes
// costs no more memory than a real one.
constexpr size_t kMaxGameText = size_t{1} << 20;
// A field is read from this many bytes at most, before its entities are decoded and it is cut
// to a catalogue field's length.
constexpr size_t kMaxFieldBytes = 64 * 1024;

std::string_view TrimSpaces(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The text after the first `open` up to the first `close` after it (the end when there is
// none), trimmed of spaces; "" when `open` is absent.
std::string_view Between(std::string_view text, std::string_view open, std::string_view close) {
  const size_t start = text.find(open);
  if (start == std::string_view::npos) return {};
  const std::string_view rest = text.substr(start + open.size());
  return TrimSpaces(rest.substr(0, rest.find(close)));
}

// The query goes onto the emulator's command line, so it may only be a plain ROM set name.
bool IsSafeQuery(std::string_view query) {
  if (query.empty()) return false;
  for (const char c : query) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
  }
  return true;
}

std::string SingleQuoted(std::string_view text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

// Leaves names of ordinary characters readable in the script and quotes anything else.
std::string QuotedIfNeeded(std::string_view text) {
  for (const char c : text) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       std::string_view("_-.+,:@%/").find(c) != std::string_view::npos;
    if (!plain) return SingleQuoted(text);
  }
  return std::string(text);
}

// Writes lx.sh, which runs `program` (its name as on disk) in `mame_folder` with its listing
// sent to `listing`; a run that fails leaves no listing and ends with the emulator's status.
// Returns false, noting why, when the script could not be written.
bool WriteListingScript(ExtractorState& state, const std::string& mame_folder,
                        const std::string& program, const std::string& listing,
                        const std::string& query, bool pinmame_mode) {
  // The listing beside the emulator keeps the short form the script has always had.
  const std::string target =
      listing == mame_folder + kListingName ? kListingName : SingleQuoted(listing);
  std::string script =
      "#!/bin/sh\ncd /\ncd " + SingleQuoted(mame_folder) + "\n./" + QuotedIfNeeded(program);
  // What the emulator says on its error output is not Tabrin's to pass on: its error output
  // carries Tabrin's own messages, one line each.
  script += (pinmame_mode ? "" : " " + query) + " -lx >" + target +
            " 2>/dev/null || { s=$?; rm -f " + target + "; exit $s; }\n";
  const std::string path = PathForCreate(state.InProgramFolder(kScriptName));
  errno = 0;
  if (!WriteFileAtomically(path, script)) {
    NoteNotWritten(state, "write", path, errno);
    return false;
  }
  std::error_code error;
  std::filesystem::permissions(path, std::filesystem::perms(0755),
                               std::filesystem::perm_options::replace, error);
  if (error) NoteNotWritten(state, "write", path, error.value());
  return !error;
}

// Returns the game text of `query_name` in `listing`, cut to kMaxGameText bytes. The listing is
// streamed, so memory stays small whatever its size.
std::string ReadGameText(FileSource& listing, const std::string& query_name, bool pinmame_mode) {
  if (!pinmame_mode) return listing.Read(0, kMaxGameText);
  const std::string marker = "<game name=\"" + query_name + "\"";
  const size_t start = listing.Find(marker, 0);
  if (start == FileSource::kNotFound) return {};
  const std::string text = listing.Read(start, marker.size() + kMaxGameText);
  return std::string(GameText(text, query_name, true));
}

// True when the listing at `path` is an ordinary file that describes at least one game: anything
// else is what a failed run left, and must not be kept as a cache.
bool HoldsAGame(const std::string& path) {
  FileSource listing;
  return listing.Open(path) && (listing.Find("<game ", 0) != FileSource::kNotFound ||
                                listing.Find("<machine ", 0) != FileSource::kNotFound);
}

// The catalogue field of a listing field.
std::string Field(std::string_view text) {
  return CatalogueField(DecodeXmlEntities(Cp1252ToUtf8(text.substr(0, kMaxFieldBytes))));
}

// Appends the UTF-8 form of the character `code` (at most U+10FFFF).
void AppendUtf8(char32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
    return;
  }
  static constexpr unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
  const int tail = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
  out += static_cast<char>(kLead[tail] | (code >> (6 * tail)));
  for (int i = tail - 1; i >= 0; --i) out += static_cast<char>(0x80 | ((code >> (6 * i)) & 0x3F));
}

// The character of a reference "#NN" or "#xHH" (without "&" and ";"); 0 when it is none.
char32_t CharacterReference(std::string_view name) {
  if (name.size() < 2 || name[0] != '#') return 0;
  const bool hex = name[1] == 'x' || name[1] == 'X';
  const std::string_view digits = name.substr(hex ? 2 : 1);
  char32_t code = 0;
  for (const char c : digits) {
    const int digit = c >= '0' && c <= '9'          ? c - '0'
                      : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                    : -1;
    if (digit < 0 || code > 0x10FFFF) return 0;
    code = code * (hex ? 16 : 10) + static_cast<char32_t>(digit);
  }
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  return digits.empty() || surrogate || code > 0x10FFFF ? 0 : code;
}

}  // namespace

std::string_view GameText(std::string_view listing, const std::string& query_name,
                          bool pinmame_mode) {
  if (!pinmame_mode) return listing;
  const std::string marker = "<game name=\"" + query_name + "\"";
  const size_t start = listing.find(marker);
  if (start == std::string_view::npos) return {};
  const std::string_view rest = listing.substr(start + marker.size());
  return rest.substr(0, rest.find("</game>"));
}

std::string DecodeXmlEntities(std::string_view text) {
  static constexpr std::pair<std::string_view, char> kNamed[] = {
      {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
  // The longest reference read ("#x10FFFF" with leading zeros, within reason).
  constexpr size_t kLongestName = 12;
  std::string decoded;
  decoded.reserve(text.size());
  size_t at = 0;
  for (size_t amp; (amp = text.find('&', at)) != std::string_view::npos;) {
    decoded += text.substr(at, amp - at);
    at = amp + 1;
    const size_t semicolon = text.substr(at, kLongestName + 1).find(';');
    if (semicolon == std::string_view::npos) {
      decoded += '&';
      continue;
    }
    const std::string_view name = text.substr(at, semicolon);
    const auto named = std::find_if(std::begin(kNamed), std::end(kNamed),
                                    [name](const auto& entry) { return entry.first == name; });
    const char32_t code = named != std::end(kNamed) ? named->second : CharacterReference(name);
    if (code == 0) {
      decoded += '&';
      continue;
    }
    AppendUtf8(code, decoded);
    at += semicolon + 1;
  }
  return decoded + std::string(text.substr(at));
}

GameInfo CutGameFields(std::string_view game_text, const std::string& default_parent) {
  GameInfo info;
  info.description = Between(game_text, "<description>", "</description>");
  info.year = Between(game_text, "<year>", "</year>");
  info.manufacturer = Between(game_text, "<manufacturer>", "</manufacturer>");
  if (game_text.find("cloneof=\"") != std::string_view::npos) {
    info.parent = Between(game_text, "cloneof=\"", "\"");
  } else {
    info.parent = default_parent;
  }
  return info;
}

void GetMAMEInfo(ExtractorState& state) {
  if (!OrdinaryFileExists(state.MAMEFolder + state.MAMEProgram)) return;

  const std::string& rom_name = state.ResultName;
  const std::string info_ini = state.InProgramFolder(kInfoIni);
  if (!state.options.overwrite && !ProfileRead("PMInfo", rom_name, info_ini).empty()) return;

  const std::string alias = ProfileRead("Alias", rom_name, state.InProgramFolder(kAliasIni));
  const std::string key = alias.empty() ? rom_name : alias;
  // Compared with the listing's bytes, so it is kept in the listing's code page.
  const std::string query = Cp1252ToLower(Utf8ToCp1252(key));
  const bool pinmame_mode = state.UsePinMAME != 0;
  if (!pinmame_mode && !IsSafeQuery(query)) return;

  // The script must not fall back to running the emulator somewhere else.
  const std::string found = FindExistingPath(WithoutTrailingSlashes(state.MAMEFolder));
  if (found.empty() || !FolderExists(found)) return;
  const std::string mame_folder = WithTrailingSlash(found);

  // The listing goes beside the emulator, as it always has, unless the user may not write
  // there (a system folder such as /usr/games/): then into the program folder.
  const std::string program = FileNameOf(FindExistingPath(state.MAMEFolder + state.MAMEProgram));
  const std::string listing_folder =
      ::access(mame_folder.c_str(), W_OK) == 0 ? mame_folder : state.program_folder + "/";
  std::string game_text;
  bool no_such_game = false;  // the emulator said so
  {
    // Other runs share the script and the listing: in MAME mode each writes the script for its
    // own game, in PinMAME mode one may be writing the listing that another reads. A lock on the
    // emulator's program, the one file all of them use, keeps each making and reading whole; the
    // catalogue's lock, taken inside it, is on another file.
    const profile_internal::FolderLock listing_lock(mame_folder + program);
    std::string listing_path = FindExistingPath(listing_folder + kListingName);
    if (!pinmame_mode || listing_path.empty() || !HoldsAGame(listing_path)) {
      // A listing left from another game, or from a run that failed, is never read.
      std::error_code ignored;
      if (!listing_path.empty()) std::filesystem::remove(listing_path, ignored);
      listing_path = listing_folder + kListingName;
      if (!WriteListingScript(state, mame_folder, program, listing_path, query, pinmame_mode)) {
        return;
      }
      WriteCatalogue(state);  // whatever else the emulator may run sees what this run found
      std::string folder = state.program_folder + "/";
      int status = 0;
      RunAndWait(folder, kScriptName, "", 0, state.report_wait_failure, &status);
      no_such_game = !pinmame_mode && status == kNoSuchGame;
      if (!HoldsAGame(listing_path)) std::filesystem::remove(listing_path, ignored);
    }
    FileSource listing;
    // A PinMAME listing that is read holds games; a game it lacks the emulator does not know
    // (as long as the listing is of the form read here).
    if (listing.Open(listing_path)) {
      game_text = ReadGameText(listing, query, pinmame_mode);
      if (pinmame_mode) {
        no_such_game = game_text.empty() && listing.Find("<game ", 0) != FileSource::kNotFound;
      }
    }
  }
  // A game the listing lacks stores no information, so it is asked for again next time (a newer
  // emulator may know it); that the emulator did not know it tells the collection check that no
  // rescan will help.
  if (game_text.empty()) {
    if (no_such_game) RecordEntry(state, kInfoIni, kNotInEmulatorSection, key, "1");
    return;
  }
  const GameInfo info = CutGameFields(game_text, Utf8ToCp1252(key));
  RecordEntry(state, kInfoIni, "PMInfo", key,
              Field(info.description) + "|" + Field(info.year) + "|" + Field(info.manufacturer) +
                  "|" + Field(info.parent));
  if (ProfileHasKey(kNotInEmulatorSection, key, info_ini)) {
    RecordEntry(state, kInfoIni, kNotInEmulatorSection, key, "");
  }
}
