#include "fuzz_bodies.h"

#include <unistd.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "common/codepage.h"
#include "common/directb2s.h"
#include "common/profile_cache.h"
#include "common/table_details.h"
#include "common/text.h"
#include "extractor/catalogue.h"
#include "extractor/compound_file.h"
#include "extractor/rom_source.h"
#include "extractor/script_reader.h"
#include "extractor/shown_text.h"
#include "extractor/table_info.h"
#include "extractor/table_script.h"

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

}  // namespace

std::string FuzzRomName(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The bytes as a script, and as a table file whose script is read out of it.
  const std::string path = Write(FreshFolder("rom") + "/t.vpx", bytes);
  const auto table = CompoundFile::Open(path);
  for (const std::string& script : {std::string(bytes), ReadTableScript(path, table.get()).bytes}) {
    const RomFinding found = FindRomInScript(script);
    const RomSource source = DescribeRomFinding(found, "t.vbs");
    if (CharCount(source.found) > kMaxRomSourceText || CharCount(source.via) > kMaxRomSourceText) {
      return "a text too long to catalogue: " + source.found.substr(0, 80);
    }
    if (found.rom == "nf") continue;
    if (!IsRomName(found.rom) || AsciiLowerCopy(found.rom) != found.rom || found.line < 1) {
      return "a ROM name that no script line could give: " + found.rom;
    }
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
  WriteCatalogue(state);
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

std::string FuzzCompoundFile(const std::uint8_t* data, std::size_t size) {
  const auto file = CompoundFile::Open(
      Write(FreshFolder("compound") + "/t.vpx", {reinterpret_cast<const char*>(data), size}));
  if (!file) return "";
  const CompoundFile::EntryId info = file->FindStorage(CompoundFile::kRoot, "TableInfo");
  for (const char* name :
       {"TableName", "AuthorName", "TableVersion", "ReleaseDate", "AuthorEmail", "AuthorWebsite",
        "TableBlurb", "TableDescription", "TableRules", "Screenshot"}) {
    const CompoundFile::EntryId stream = file->FindStream(info, name);
    std::string bytes;
    if (ReadStreamStart(*file, stream, 1 << 20, bytes) &&
        bytes.size() != std::min<std::uint64_t>(file->StreamSize(stream), 1 << 20)) {
      return std::string("a read of the wrong length: ") + name;
    }
  }
  std::string script;
  if (ReadCodeRecord(file.get(), script) && script.size() > size) {
    return "a script longer than its file";
  }
  // Each of the file's own sectors is read once, and each stream read at most once whole.
  if (file->bytes_read() > 16 * size) return "read " + std::to_string(file->bytes_read());
  return "";
}

std::string FuzzDirectB2S(const std::uint8_t* data, std::size_t size) {
  const std::string_view document(reinterpret_cast<const char*>(data), size);
  const std::string picture =
      ReadDirectB2SPictureFrom(document, {"BackglassImage", "BackglassOffImage"});
  if (picture.empty()) return "";
  if (SniffPictureFormat(picture) == PictureFormat::kUnknown) return "a picture of no known kind";
  if (picture.size() > size) return "a picture larger than its document";
  return "";
}

std::string FuzzTableDetails(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const std::optional<TableDetails> details = ParseTableDetails(text)) {
    for (const std::string* field :
         {&details->title, &details->manufacturer, &details->year, &details->authors}) {
      if (field->size() > 4 * kMaxTextChars) return "a text longer than its cut";
    }
  }
  const std::optional<std::string> updated = UpdatedTableDetailsText(text, {true, 3, 9, 4});
  if (!updated) return "";
  // The rest of the file means what it meant; "User" holds the values in some type.
  const auto object = [](std::string_view json) {
    return QJsonDocument::fromJson(QByteArray(json.data(), qsizetype(json.size()))).object();
  };
  QJsonObject before = object(text), after = object(*updated);
  QJsonObject user = after.take("User").toObject(), old_user = before.take("User").toObject();
  if (before != after) return "a member outside User changed";
  for (const char* key : {"Favorite", "StartCount", "LastRun", "RunTime"}) {
    old_user.remove(key);
    if (user.take(key).toVariant().toString().isEmpty()) return std::string("no ") + key;
  }
  if (user != old_user) return "another key of User changed";
  return "";
}
