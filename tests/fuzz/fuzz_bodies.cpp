#include "fuzz_bodies.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "common/codepage.h"
#include "common/profile.h"
#include "common/profile_cache.h"
#include "extractor/byte_source.h"
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

// True when `text`, written as a section, key or value, must read back as itself: printable
// ASCII that no rule of the format touches.
bool Plain(std::string_view text) {
  if (text.empty() || text.size() > 254 || text.front() == ' ' || text.back() == ' ') return false;
  return std::all_of(text.begin(), text.end(), [](char c) {
    return c >= ' ' && c <= '~' && std::string_view("=;[]\"'").find(c) == std::string_view::npos;
  });
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
  // What plain writes left, while no other write may have touched them: lower-case names.
  std::map<std::pair<std::string, std::string>, std::string> written;
  while (!in.empty()) {
    const std::string section = take(byte() % 16), key = take(byte() % 32),
                      value = take(byte() % 64);
    ProfileWrite(section, key, value, file);
    if (!Plain(section) || !Plain(key) || !(value.empty() || Plain(value))) written.clear();
    if (Plain(section) && Plain(key) && (value.empty() || Plain(value))) {
      written[{Cp1252ToLower(section), Cp1252ToLower(key)}] = value;
    }
    for (const bool fresh : {false, true}) {
      if (fresh) ClearProfileCache();  // the file itself, parsed anew, says the same
      for (const auto& [names, expected] : written) {
        if (ProfileRead(" " + names.first, names.second + "\t", file) != expected) {
          return "a written value does not read back: [" + names.first + "] " + names.second;
        }
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
