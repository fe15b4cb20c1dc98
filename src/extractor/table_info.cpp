#include "extractor/table_info.h"

#include <array>
#include <cerrno>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

#include "common/codepage.h"
#include "common/paths.h"
#include "common/profile.h"
#include "common/tables.h"
#include "common/text.h"
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

// Enough of a field's stream to tell whether its text is longer than a field may be.
constexpr size_t kMaxFieldBytes = (kMaxTextChars + 1) * 4;
// An exported document holds at most this much of its stream, then a last line that says it
// was cut: a table's rules of a gigabyte would otherwise be read whole at each selection.
constexpr gsf_off_t kMaxDocumentBytes = (gsf_off_t{1} << 20) - 512;
// Export file names take ".txt" or ".jpg" after the stem and must fit in a folder entry.
constexpr size_t kMaxStemBytes = 251;

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
    state.TableInfoFields[i] = CatalogueField(Utf16LeToUtf8(bytes));
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

// Table names come from the internet: a name that could leave its folder, make an odd file
// name or be too long for one gets no files at all.
bool IsSafeStem(std::string_view stem) {
  if (stem == "." || stem == ".." || stem.size() > kMaxStemBytes) return false;
  for (const unsigned char c : stem) {
    if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return false;
  }
  return true;
}

// The last line of a document that was cut, in the document's UTF-16LE.
std::string CutNote(gsf_off_t stream_bytes) {
  const std::string note = "\r\n[Cut here: the table's text is " +
                           std::to_string(stream_bytes / 2) + " characters long; the first " +
                           std::to_string(kMaxDocumentBytes / 2) + " are shown.]\r\n";
  std::string utf16;
  for (const char c : note) utf16 += {c, '\0'};
  return utf16;
}

// Exports `stream_name` to `target` unless the target exists and -overwrite is not set. Only
// streams with content are written; `accept` sees the first bytes and may refuse the stream. A
// document is cut to kMaxDocumentBytes. A file that cannot be written is noted.
template <typename Accept>
void ExportStream(ExtractorState& state, GsfInfile* table_info, const char* stream_name,
                  const std::string& target, bool document, Accept accept) {
  if (!state.options.overwrite && OrdinaryFileExists(target)) return;
  const InputPtr stream = OpenStream(table_info, stream_name);
  std::string head;
  if (!ReadStreamStart(stream.get(), 7, head) || head.empty() || !accept(head)) return;
  // The export folders are made when missing: a fresh art folder has none.
  const std::string file = PathForCreate(target);
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(file).parent_path(), error);
  if (error) {
    NoteExportNotWritten(state, file, error.value());
    return;
  }
  const gsf_off_t size = gsf_input_size(stream.get());
  errno = 0;
  if (CopyStreamToFile(stream.get(), file, document ? kMaxDocumentBytes : kWholeStream,
                       document ? CutNote(size) : std::string()) == CopyResult::kNotWritten) {
    NoteExportNotWritten(state, file, errno);
  }
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
                   state.ArtFolder + folder + "/" + stem + ".txt", /*document=*/true,
                   [](std::string_view) { return true; });
    }
  }
  if (!state.options.nopics) {
    ExportStream(state, table_info.get(), "Screenshot", state.ArtFolder + "snap/" + stem + ".jpg",
                 /*document=*/false, LooksLikeJpeg);
  }
}
