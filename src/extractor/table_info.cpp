#include "extractor/table_info.h"

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

#include "common/codepage.h"
#include "common/paths.h"
#include "common/profile.h"
#include "common/tables.h"
#include "extractor/catalogue.h"
#include "extractor/compound_file.h"

namespace {

// The information streams, in the order of the fields of the info.ini entry.
constexpr std::array<const char*, 6> kFieldStreams = {
    "TableName", "AuthorName", "TableVersion", "ReleaseDate", "AuthorEmail", "AuthorWebsite"};

// The document streams and their folders under the art folder.
constexpr std::array<std::pair<const char*, const char*>, 3> kDocuments = {{
    {"TableBlurb", "Blurb"},
    {"TableDescription", "Description"},
    {"TableRules", "Rules"},
}};

// Fields are cut at this many bytes (32768 characters). A profile read gives back 254
// characters at most, and a hostile table must not make the catalogue grow by megabytes.
constexpr size_t kMaxFieldBytes = 64 * 1024;

// Fills the fields from the names.ini "VP" value of `key` (alias applied). Returns false when
// the table is not catalogued yet.
bool TakeCataloguedFields(ExtractorState& state, const std::string& key) {
  const std::string known = LookupName(state, key, true);
  if (known.empty()) return false;
  // Slots the value does not reach are emptied rather than left from the previous table.
  state.TableInfoFields.fill({});
  size_t start = 0;
  for (std::string& field : state.TableInfoFields) {
    const size_t bar = known.find('|', start);
    field = known.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return true;
}

// A stream that is missing or cannot be read gives an empty field.
void ReadFields(GsfInfile* table_info, ExtractorState& state) {
  for (size_t i = 0; i < kFieldStreams.size(); ++i) {
    const InputPtr stream = OpenStream(table_info, kFieldStreams[i]);
    std::string bytes;
    ReadStreamStart(stream.get(), kMaxFieldBytes, bytes);
    state.TableInfoFields[i] = Utf16LeToUtf8(bytes);
  }
}

std::string JoinFields(const ExtractorState& state) {
  std::string value;
  for (const std::string& field : state.TableInfoFields) value += field + "|";
  value.pop_back();
  return value;
}

std::string WithoutColons(std::string text) {
  std::erase(text, ':');
  return text;
}

// Table names come from the internet: a name that could leave its folder or make an odd file
// name gets no files at all.
bool IsSafeStem(std::string_view stem) {
  if (stem == "." || stem == "..") return false;
  for (const unsigned char c : stem) {
    if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return false;
  }
  return true;
}

// Exports `stream_name` to `target` unless the target exists and -overwrite is not set. Only
// streams with content are written; `accept` sees the first bytes and may refuse the stream.
template <typename Accept>
void ExportStream(const ExtractorState& state, GsfInfile* table_info, const char* stream_name,
                  const std::string& target, Accept accept) {
  if (!state.options.overwrite && OrdinaryFileExists(target)) return;
  const InputPtr stream = OpenStream(table_info, stream_name);
  std::string head;
  if (!ReadStreamStart(stream.get(), 7, head) || head.empty() || !accept(head)) return;
  // The export folders are made when missing: a fresh art folder has none.
  const std::string file = PathForCreate(target);
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ignored);
  CopyStreamToFile(stream.get(), file);
}

// The JPEG start-of-image marker, or the "JFIF" signature of older writers.
bool LooksLikeJpeg(std::string_view head) {
  return static_cast<unsigned char>(head[0]) == 0xFF || (head.size() >= 7 && head[6] == 'J');
}

}  // namespace

void GetTableInfo(ExtractorState& state) {
  const InfilePtr table = OpenCompoundFile(FindExistingPath(state.CurrentTable));
  GetTableInfo(state, table.get());
}

void GetTableInfo(ExtractorState& state, GsfInfile* table) {
  if (state.ArtFolder.empty()) state.ArtFolder = state.program_folder + "/";
  const std::string key = TableKey(FileNameOf(state.CurrentTable));
  if (!state.options.overwrite && TakeCataloguedFields(state, key)) {
    state.table_info_read = true;
    return;
  }

  const InfilePtr table_info = OpenStorage(table, "TableInfo");
  ReadFields(table_info.get(), state);
  state.table_info_read = true;

  const std::string& name = state.TableInfoFields[0];
  const std::string stem = WithoutColons(name);
  if (stem.empty()) return;
  RecordEntry(state, kInfoIni, "Tabrin", name, JoinFields(state));

  if (!IsSafeStem(stem)) return;
  if (!state.options.nodocs) {
    for (const auto& [stream_name, folder] : kDocuments) {
      ExportStream(state, table_info.get(), stream_name,
                   state.ArtFolder + folder + "/" + stem + ".txt",
                   [](std::string_view) { return true; });
    }
  }
  if (!state.options.nopics) {
    ExportStream(state, table_info.get(), "Screenshot", state.ArtFolder + "snap/" + stem + ".jpg",
                 LooksLikeJpeg);
  }
}
