#include "fuzz_bodies.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "common/codepage.h"
#include "common/profile.h"
#include "common/profile_cache.h"
#include "extractor/byte_source.h"
#include "extractor/mame_info.h"
#include "extractor/rom_name_finder.h"
#include "extractor/table_info.h"

namespace fs = std::filesystem;

namespace {

// A folder of this process, emptied for each input; in memory where there is such a folder,
// since the profile layer syncs new files.
std::string FreshFolder(const std::string& name) {
  static const std::string base = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                  std::string("/orvane-fuzz-") + std::to_string(getpid());
  std::error_code ignored;
  fs::remove_all(base + "/" + name, ignored);
  fs::create_directories(base + "/" + name, ignored);
  return base + "/" + name;
}

std::string Write(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  return path;
}

std::string_view Trim(std::string_view text, std::string_view blanks = " \t\r\v\f") {
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// A name or value as the profile file holds it: code page, cut at a NUL, no line breaks.
std::string FileText(std::string_view utf8) {
  std::string text = Utf8ToCp1252(utf8.substr(0, utf8.find('\0')));
  for (char& c : text) c = c == '\r' || c == '\n' ? ' ' : c;
  return text;
}

}  // namespace

std::string FuzzProfile(const std::uint8_t* data, std::size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  const auto take = [&in](size_t count) {
    const std::string_view taken = in.substr(0, count);
    in.remove_prefix(taken.size());
    return std::string(taken);
  };
  const auto byte = [&take] { return static_cast<unsigned char>(take(1)[0] | 0); };
  const std::string file = FreshFolder("profile") + "/test.ini";
  ClearProfileCache();
  Write(file, take(byte() * 16u));
  std::map<std::pair<std::string, std::string>, std::string> written;  // lower-case names
  while (!in.empty()) {
    const std::string section = take(byte() % 16), key = take(byte() % 32),
                      value = take(byte() % 64);
    ProfileWrite(section, key, value, file);
    const std::string name(Trim(FileText(key)));
    const std::string line(Trim(name + "=" + FileText(value)));
    const size_t close = line.rfind(']');
    const bool section_line =
        line[0] == '[' && close != std::string::npos &&
        (Trim(line.substr(close + 1)).empty() || Trim(line.substr(close + 1))[0] == ';');
    if (name.empty() || name.find('=') != std::string::npos || name[0] == ';' || section_line) {
      continue;  // a key no read could find again is refused
    }
    const std::string value_text = FileText(value);
    std::string_view stored = Trim(value_text);
    if (stored.size() >= 2 && (stored[0] == '"' || stored[0] == '\'') &&
        stored.back() == stored[0]) {
      stored = stored.substr(1, stored.size() - 2);
    }
    written[{Cp1252ToLower(Trim(FileText(section))), Cp1252ToLower(name)}] =
        Cp1252ToUtf8(Trim(stored.substr(0, 254), " "));
    for (const auto& [names, expected] : written) {
      // Read back through other spellings of the same names: their case and blanks differ.
      if (ProfileRead(" " + Cp1252ToUtf8(names.first), Cp1252ToUtf8(names.second) + "\t", file) !=
          expected) {
        return "a written value does not read back: [" + names.first + "] " + names.second;
      }
    }
  }
  return "";
}

std::string FuzzRomName(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string expected = ScanForRomName(bytes);
  const std::string path = Write(FreshFolder("rom") + "/t.vpt", bytes);
  for (const size_t piece : {size_t{1} + size % 97, size_t{1} << 20}) {
    FileSource source;
    if (!source.Open(path)) return "cannot open the input";
    if (ScanForRomName(source, piece) != expected) return "the file scan disagrees";
  }
  if (expected == "nf") return "";
  const std::string cp1252 = Utf8ToCp1252(expected);
  if (expected.empty() || Cp1252ToLower(cp1252) != cp1252 ||
      cp1252.find_first_of("\r\n\t\"'") != std::string::npos) {
    return "a ROM name that no script line could give: " + expected;
  }
  return "";
}

std::string FuzzTableInfo(const std::uint8_t* data, std::size_t size) {
  const std::string root = FreshFolder("table");
  const std::set<std::string> folders = {
      "tables", "program", "art", "art/Blurb", "art/Rules", "art/snap", "art/Description"};
  for (const std::string& folder : folders) fs::create_directories(root + "/" + folder);
  ClearProfileCache();
  ExtractorState state;
  state.program_folder = root + "/program";
  state.ArtFolder = root + "/art/";
  state.CurrentTable = Write(root + "/tables/t.vpt", {reinterpret_cast<const char*>(data), size});
  GetTableInfo(state);
  std::string stem = state.TableInfoFields[0];
  std::erase(stem, ':');
  std::set<std::string> allowed = {"tables/t.vpt", "program/info.ini", "art/snap/" + stem + ".jpg"};
  for (const char* folder : {"Blurb", "Description", "Rules"}) {
    allowed.insert("art/" + std::string(folder) + "/" + stem + ".txt");
  }
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string relative = entry.path().lexically_relative(root).string();
    if (!(entry.is_directory() ? folders : allowed).contains(relative) || entry.is_symlink()) {
      return "written where it may not be: " + relative;
    }
    if (relative.starts_with("art/") && !entry.is_directory() && entry.file_size() > size) {
      return "an export is larger than the whole table: " + relative;
    }
  }
  return "";
}

std::string FuzzListing(const std::uint8_t* data, std::size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  const bool pinmame_mode = size > 0 && (data[0] & 1) != 0;
  const std::string_view rest = in.substr(size > 0 ? 1 : 0);
  const size_t line_end = rest.find('\n');
  const std::string query(rest.substr(0, line_end));
  const std::string_view listing =
      line_end == std::string_view::npos ? std::string_view() : rest.substr(line_end + 1);
  const std::string_view text = GameText(listing, query, pinmame_mode);
  if (!pinmame_mode && text.data() != listing.data()) return "MAME mode cut the listing";
  if (pinmame_mode && !text.empty() &&
      (text.find("</game>") != std::string_view::npos ||
       !listing.substr(0, static_cast<size_t>(text.data() - listing.data()))
            .ends_with("<game name=\"" + query + "\""))) {
    return "the game's text is not the text of its element";
  }
  const GameInfo info = CutGameFields(text, query);
  for (const auto& [field, close] : {std::pair{&info.description, "</description>"},
                                     {&info.year, "</year>"},
                                     {&info.manufacturer, "</manufacturer>"}}) {
    if (field->empty()) continue;
    if (text.find(*field) == std::string_view::npos || Trim(*field, " ") != *field ||
        field->find(close) != std::string::npos) {
      return "a field is not a trimmed piece of its element: " + *field;
    }
  }
  const bool has_parent = text.find("cloneof=\"") != std::string_view::npos;
  return has_parent || info.parent == query ? "" : "a game without a parent lacks the default";
}
