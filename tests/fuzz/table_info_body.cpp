#include <filesystem>
#include <set>

#include "common/profile_cache.h"
#include "extractor/table_info.h"
#include "fuzz_bodies.h"
#include "fuzz_support.h"

namespace fs = std::filesystem;

namespace {

// Every folder of the run; the reader may create none.
const std::set<std::string>& KnownFolders() {
  static const std::set<std::string> folders = {
      "tables", "program", "art", "art/Blurb", "art/Rules", "art/snap", "art/Description"};
  return folders;
}

std::set<std::string> AllowedFiles(const std::string& name) {
  std::set<std::string> files = {"tables/t.vpt", "program/info.ini"};
  std::string stem = name;
  std::erase(stem, ':');
  for (const char* folder : {"Blurb", "Description", "Rules"}) {
    files.insert(std::string("art/") + folder + "/" + stem + ".txt");
  }
  files.insert("art/snap/" + stem + ".jpg");
  return files;
}

// The entry is the only thing in info.ini: its section line and one key line.
std::string CheckInfoIni(const std::string& path) {
  std::string bytes;
  if (!ReadBytes(path, bytes)) return "";
  const auto lines = ProfileLines(bytes);
  if (lines.size() != 2 || lines[0] != "[Tabrin]" || IsSectionLine(lines[1])) {
    return "info.ini holds more than the table's entry";
  }
  return "";
}

std::string CheckWrittenFiles(const std::string& root, const ExtractorState& state,
                              std::size_t input_size) {
  const std::set<std::string> allowed = AllowedFiles(state.TableInfoFields[0]);
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string relative = entry.path().lexically_relative(root).string();
    if (entry.is_directory() && !entry.is_symlink()) {
      if (!KnownFolders().contains(relative)) return "a folder was created: " + relative;
      continue;
    }
    if (!entry.is_regular_file() || entry.is_symlink() || !allowed.contains(relative)) {
      return "a file was written where it may not be: " + relative;
    }
    // An export copies one stream, which a table cannot hold more bytes of than it has.
    if (relative.rfind("art/", 0) == 0 && entry.file_size() > input_size) {
      return "an export is larger than the whole table: " + relative;
    }
  }
  return CheckInfoIni(root + "/program/info.ini");
}

// The length of the UTF-8 sequence that `lead` starts, 0 when it starts none.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead < 0xC2) return 0;  // a continuation byte, or an overlong two-byte form
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  return lead < 0xF5 ? 4 : 0;
}

// Strict UTF-8: shortest forms only, no surrogates, nothing beyond U+10FFFF.
bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = SequenceLength(lead);
    if (length == 0 || i + length > text.size()) return false;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    const char32_t shortest = length == 3 ? 0x800 : length == 4 ? 0x10000 : 0;
    if (code < shortest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

std::string CheckFields(const ExtractorState& state) {
  for (const std::string& field : state.TableInfoFields) {
    if (!IsValidUtf8(field)) return "a field is not valid UTF-8";
  }
  return "";
}

}  // namespace

std::string FuzzTableInfo(const std::uint8_t* data, std::size_t size) {
  const std::string root = FreshFolder("table");
  for (const std::string& folder : KnownFolders()) fs::create_directories(root + "/" + folder);
  ClearProfileCache();

  ExtractorState state;
  state.program_folder = root + "/program";
  state.ArtFolder = root + "/art/";
  state.CurrentTable = root + "/tables/t.vpt";
  if (!WriteBytes(state.CurrentTable, {reinterpret_cast<const char*>(data), size})) {
    return "cannot write the input";
  }
  GetTableInfo(state);
  std::string failure = CheckFields(state);
  if (failure.empty()) failure = CheckWrittenFiles(root, state, size);
  ClearProfileCache();
  return failure;
}
