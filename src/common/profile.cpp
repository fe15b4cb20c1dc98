#include "common/profile.h"

#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/codepage.h"
#include "common/paths.h"
#include "common/profile_cache.h"
#include "common/profile_internal.h"
#include "common/text.h"

namespace {

using profile_internal::FileStamp;

// The platform's read buffer holds 255 characters, the last of them the terminating NUL.
constexpr std::size_t kMaxValueLength = 254;
// Blanks around names and values: what the C library's isspace sees on one line, and the
// Ctrl-Z that old editors left at the end of a file.
constexpr std::string_view kBlanks = " \t\r\v\f\x1A";
// A file that starts with this is UTF-8; any other is Windows-1252.
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
// A handful of profile files is normal; a runaway caller must not grow the cache forever.
constexpr std::size_t kMaxCachedFiles = 64;
// A file checked this recently is not checked again: a name view reads the catalogue thousands
// of times in a row, and the check (a stat) would cost more than the read. Another program's
// change is seen this much later at most, and at once after RunAndWait.
constexpr std::int64_t kRecheckAfterNs = 2'000'000;

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string_view Trim(std::string_view text, std::string_view blanks = kBlanks) {
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Strings reach the platform API as C strings: a NUL ends them.
std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

enum class LineKind { kBlank, kComment, kSection, kKey };

struct ParsedLine {
  LineKind kind = LineKind::kBlank;
  std::string_view name;   // section name or key
  std::string_view value;  // a key's value, trimmed, quotes and all
};

// As Windows reads a line: one that starts with "[" and holds a "]" opens the section named up
// to its last "]", whatever follows; one without "]" opens none and is read as a key.
ParsedLine ParseLine(std::string_view raw) {
  const std::string_view line = Trim(raw);
  if (line.empty()) return {};
  if (line.front() == ';') return {LineKind::kComment, {}, {}};
  if (line.front() == '[') {
    const std::size_t close = line.rfind(']');
    if (close != std::string_view::npos) {
      return {LineKind::kSection, Trim(UpToNul(line.substr(1, close - 1))), {}};
    }
  }
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return {LineKind::kKey, Trim(UpToNul(line)), {}};
  return {LineKind::kKey, Trim(UpToNul(line.substr(0, equals))),
          Trim(UpToNul(line.substr(equals + 1)))};
}

// True when `text` is the same in UTF-8 and Windows-1252 and holds nothing that a write would
// change: ASCII without NUL, CR or LF. Nearly every name and value is such a text.
bool IsPlainAscii(std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 || byte == '\0' || byte == '\r' || byte == '\n') return false;
  }
  return true;
}

// A caller's text as a line can hold it: cut at a NUL, every line break a space, so that
// nothing written can add a line.
std::string CleanText(std::string_view utf8) {
  std::string text(UpToNul(utf8));
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

// A caller's section or key name, cleaned and trimmed.
std::string CleanName(std::string_view utf8) { return std::string(Trim(CleanText(utf8))); }

// True when `clean` comes back the same from Windows-1252.
bool FitsCp1252(std::string_view clean) {
  return IsPlainAscii(clean) || Cp1252ToUtf8(Utf8ToCp1252(clean)) == clean;
}

// A name as the indexes hold it: UTF-8 in lower case, so that names match without regard to
// case whatever the file's code page. Written into `name`, whose buffer is reused: reads are hot.
void ToLookupName(std::string_view utf8, std::string& name) {
  if (IsPlainAscii(utf8)) {
    name.assign(Trim(utf8));
    for (char& c : name) c = Cp1252Lower(c);
    return;
  }
  const std::string clean = CleanName(utf8);
  name =
      QString::fromUtf8(clean.data(), static_cast<qsizetype>(clean.size())).toLower().toStdString();
}

std::string LookupName(std::string_view utf8) {
  std::string name;
  ToLookupName(utf8, name);
  return name;
}

// The first `count` characters of `text` (UTF-8 when `utf8`, else one byte each), and in
// `total` how many it has.
std::string_view FirstCharacters(std::string_view text, std::size_t count, bool utf8,
                                 std::size_t& total) {
  if (!utf8) {
    total = text.size();
    return text.substr(0, count);
  }
  std::size_t end = text.size();
  total = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) continue;
    if (total++ == count) end = at;
  }
  return text.substr(0, end);
}

// A value as a read returns it, from the value as a file of that code page holds it (trimmed,
// quotes and all), in UTF-8. As Windows copies it into a buffer of 255 characters: a value in
// matching quotes loses its opening quote, the rest is cut to 254 characters, and when the rest
// fitted the buffer whole its last character (the closing quote, or the last one kept) is dropped.
// Then spaces are trimmed.
std::string ToReadValue(std::string_view stored, bool utf8) {
  const bool quoted = stored.size() >= 2 && (stored.front() == '"' || stored.front() == '\'') &&
                      stored.back() == stored.front();
  if (quoted) stored.remove_prefix(1);
  std::size_t total = 0;
  std::string_view cut = FirstCharacters(stored, kMaxValueLength, utf8, total);
  if (quoted && total <= kMaxValueLength + 1 && !cut.empty()) {
    std::size_t last = cut.size() - 1;
    while (utf8 && last > 0 && (static_cast<unsigned char>(cut[last]) & 0xC0) == 0x80) --last;
    cut = cut.substr(0, last);
  }
  cut = Trim(cut, " ");
  return utf8 || IsPlainAscii(cut) ? std::string(cut) : Cp1252ToUtf8(cut);
}

// A parsed profile file. Each section keeps its lines as they were (so an untouched line is
// written back unchanged) and a hash index of its keys, so a lookup is two hash probes and an
// insertion touches only its own section. A file is Windows-1252 until it must hold a character
// that code page lacks; then it becomes UTF-8, marked as such at its start.
class ProfileFile {
 public:
  enum class Change { kNone, kMade, kRefused };

  static ProfileFile Parse(std::string_view bytes) {
    ProfileFile file;
    if (bytes.starts_with(kUtf8Mark)) {
      file.utf8_ = true;
      bytes.remove_prefix(kUtf8Mark.size());
    }
    // Lines before the first section belong to the section named "".
    file.section_index_.emplace("", 0);
    file.sections_.emplace_back();
    std::size_t start = 0;
    while (start < bytes.size()) {
      // CR LF, LF and a lone CR each end a line.
      std::size_t end = bytes.find_first_of("\r\n", start);
      if (end == std::string_view::npos) end = bytes.size();
      file.AddLine(bytes.substr(start, end - start));
      start = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return file;
  }

  bool utf8() const { return utf8_; }

  // Returns the value of `key` in `section` (both lookup names), as the file holds it, or nullptr.
  const std::string* Find(const std::string& section, const std::string& key) const {
    const auto found_section = section_index_.find(section);
    if (found_section == section_index_.end()) return nullptr;
    const Section& in = sections_[found_section->second];
    const auto found_key = in.keys.find(key);
    return found_key == in.keys.end() ? nullptr : &found_key->second.value;
  }

  // Appends the keys of `section` (a lookup name) to `out` in file order, each once, as a read
  // returns them: UTF-8 names and values.
  void AppendEntries(const std::string& section,
                     std::vector<std::pair<std::string, std::string>>& out) const {
    const auto found_section = section_index_.find(section);
    if (found_section == section_index_.end()) return;
    const Section& in = sections_[found_section->second];
    for (std::size_t i = 0; i < in.lines.size(); ++i) {
      const ParsedLine parsed = ParseLine(in.lines[i]);
      if (parsed.kind != LineKind::kKey) continue;
      const auto entry = in.keys.find(LookupOf(parsed.name));
      if (entry == in.keys.end() || entry->second.line != i) continue;  // a repeated key
      std::string name(parsed.name);
      if (!utf8_ && !IsPlainAscii(name)) name = Cp1252ToUtf8(name);
      out.emplace_back(std::move(name), ToReadValue(entry->second.value, utf8_));
    }
  }

  // Sets `key` of `section` to `value` (cleaned UTF-8, names trimmed). Refuses a key whose line
  // would not read back as that key: one holding "=", one starting with ";" or "[".
  Change Set(const std::string& section, const std::string& key, const std::string& value) {
    if (!utf8_ && !(FitsCp1252(section) && FitsCp1252(key) && FitsCp1252(value))) ConvertToUtf8();
    const std::string file_section = Encode(section);
    const std::string file_key = Encode(key);
    const std::string file_value = Encode(value);
    const auto found_section = section_index_.find(LookupName(section));
    if (found_section == section_index_.end()) {
      const std::string line = file_key + "=" + file_value;
      if (!ReadsAsKey(line, file_key)) return Change::kRefused;
      AddLine("[" + file_section + "]");
      AddLine(line);
      return Change::kMade;
    }
    Section& in = sections_[found_section->second];
    const auto found_key = in.keys.find(LookupName(key));
    if (found_key != in.keys.end()) {
      // Windows keeps the key as the file spells it.
      std::string& old_line = in.lines[found_key->second.line];
      const std::string spelling(ParseLine(old_line).name);
      std::string line = spelling + "=" + file_value;
      if (!ReadsAsKey(line, spelling)) return Change::kRefused;
      if (line == old_line) return Change::kNone;
      found_key->second.value = ParseLine(line).value;
      old_line = std::move(line);
      return Change::kMade;
    }
    std::string line = file_key + "=" + file_value;
    if (!ReadsAsKey(line, file_key)) return Change::kRefused;
    // Only blank lines follow the end of the content, so no indexed line moves.
    in.keys.emplace(LookupName(key), Entry{in.content_end, std::string(ParseLine(line).value)});
    in.lines.insert(in.lines.begin() + static_cast<std::ptrdiff_t>(in.content_end),
                    std::move(line));
    ++in.content_end;
    return Change::kMade;
  }

  // Returns the whole file, every line ended by CR LF.
  std::string Serialize() const {
    std::size_t size = kUtf8Mark.size();
    for (const Section& section : sections_) {
      for (const std::string& line : section.lines) size += line.size() + 2;
    }
    std::string out;
    out.reserve(size);
    if (utf8_) out += kUtf8Mark;
    for (const Section& section : sections_) {
      for (const std::string& line : section.lines) {
        out += line;
        out += "\r\n";
      }
    }
    return out;
  }

 private:
  struct Entry {
    std::size_t line;   // index in its section's lines
    std::string value;  // as the file holds it, trimmed, quotes and all, not yet cut
  };

  struct Section {
    std::vector<std::string> lines;               // the header first, except before any
    std::unordered_map<std::string, Entry> keys;  // lookup name -> its first line
    std::size_t content_end = 0;                  // just past the last non-blank line
  };

  static bool ReadsAsKey(std::string_view line, std::string_view key) {
    const ParsedLine parsed = ParseLine(line);
    return parsed.kind == LineKind::kKey && parsed.name == key;
  }

  std::string Encode(std::string_view clean) const {
    return utf8_ ? std::string(clean) : Utf8ToCp1252(clean);
  }

  // The lookup name of a name as the file holds it.
  std::string LookupOf(std::string_view name) const {
    return utf8_ || IsPlainAscii(name) ? LookupName(name) : LookupName(Cp1252ToUtf8(name));
  }

  // Every line and value from Windows-1252 to UTF-8; the names index the same either way.
  void ConvertToUtf8() {
    for (Section& section : sections_) {
      for (std::string& line : section.lines) line = Cp1252ToUtf8(line);
      for (auto& [name, entry] : section.keys) entry.value = Cp1252ToUtf8(entry.value);
    }
    utf8_ = true;
  }

  void AddLine(std::string_view line) {
    const ParsedLine parsed = ParseLine(line);
    if (parsed.kind == LineKind::kSection) {
      section_index_.try_emplace(LookupOf(parsed.name), sections_.size());
      sections_.emplace_back();
    }
    Section& in = sections_.back();
    if (parsed.kind == LineKind::kKey) {
      in.keys.try_emplace(LookupOf(parsed.name), Entry{in.lines.size(), std::string(parsed.value)});
    }
    in.lines.emplace_back(line);
    if (parsed.kind != LineKind::kBlank) in.content_end = in.lines.size();
  }

  std::vector<Section> sections_;
  std::unordered_map<std::string, std::size_t> section_index_;  // lookup name -> first
  bool utf8_ = false;
};

// Parsed profile files of this process, each checked against its file's stamp before use.
class ProfileCache {
 public:
  // The value of `key` in `section` of `file` as a read returns it; nothing when it is missing.
  std::optional<std::string> Read(const std::string& section, const std::string& key,
                                  const std::string& file) {
    const std::lock_guard lock(mutex_);
    ++stats_.reads;
    ToLookupName(key, key_lower_);
    if (key_lower_.empty()) return std::nullopt;  // Windows answers an empty key with the default
    if (const auto deferred = deferred_.find(file); deferred != deferred_.end()) {
      ToLookupName(section, section_lower_);
      const ProfileFile& overlay = deferred->second.overlay;
      const std::string* value = overlay.Find(section_lower_, key_lower_);
      if (value != nullptr) return ToReadValue(*value, overlay.utf8());
    }
    bool missing = false;
    const Cached* cached = RecentlyChecked(file, missing);
    if (missing) return std::nullopt;
    if (cached == nullptr) {
      const std::int64_t now = NowNs();  // before the check: a later change must show
      ++stats_.checks;
      std::string path;
      FileStamp stamp;
      if (!ResolveExisting(file, path, stamp)) {
        // A missing file (stats.ini before the first game, alias.ini before the first alias)
        // is looked for again only after the same pause as a present one.
        if (checked_.size() >= kMaxCachedFiles && !checked_.contains(file)) checked_.clear();
        checked_[file] = Checked{std::string(), now, generation_};
        return std::nullopt;
      }
      cached = Load(path, stamp);
      if (cached == nullptr) return std::nullopt;
      if (checked_.size() >= kMaxCachedFiles && !checked_.contains(file)) checked_.clear();
      checked_[file] = Checked{std::move(path), now, generation_};
    }
    ToLookupName(section, section_lower_);
    const std::string* value = cached->file.Find(section_lower_, key_lower_);
    if (value == nullptr) return std::nullopt;
    return ToReadValue(*value, cached->file.utf8());
  }

  std::vector<std::pair<std::string, std::string>> ReadSection(const std::string& section,
                                                               const std::string& file) {
    const std::lock_guard lock(mutex_);
    std::vector<std::pair<std::string, std::string>> entries;
    ToLookupName(section, section_lower_);
    std::string path;
    FileStamp stamp;
    if (ResolveExisting(file, path, stamp)) {
      if (const Cached* cached = Load(path, stamp)) {
        cached->file.AppendEntries(section_lower_, entries);
      }
    }
    if (const auto deferred = deferred_.find(file); deferred != deferred_.end()) {
      // What this process has yet to write wins, as it does for a read of one key.
      std::vector<std::pair<std::string, std::string>> later;
      deferred->second.overlay.AppendEntries(section_lower_, later);
      std::unordered_map<std::string, std::size_t> index;  // lookup name -> entry
      if (!later.empty()) {
        for (std::size_t i = 0; i < entries.size(); ++i) {
          index.try_emplace(LookupName(entries[i].first), i);
        }
      }
      for (auto& [key, value] : later) {
        const auto [at, added] = index.try_emplace(LookupName(key), entries.size());
        if (added) {
          entries.emplace_back(std::move(key), std::move(value));
        } else {
          entries[at->second].second = std::move(value);
        }
      }
    }
    return entries;
  }

  bool Write(const std::vector<ProfileEntry>& entries, const std::string& file) {
    {
      const std::lock_guard lock(mutex_);
      stats_.writes += static_cast<long long>(entries.size());
    }
    // Nothing that a file would keep: no file is touched.
    if (file.empty() || std::none_of(entries.begin(), entries.end(), [](const ProfileEntry& e) {
          return !CleanName(e.key).empty();
        })) {
      return true;
    }
    return Update(file, [&entries](const ProfileLockedRead&) { return entries; });
  }

  bool Update(const std::string& file,
              const std::function<std::vector<ProfileEntry>(const ProfileLockedRead&)>& change) {
    const std::lock_guard lock(mutex_);
    if (file.empty()) return false;
    // The lock serialises the whole read-modify-write with writers in other processes.
    const profile_internal::FolderLock folder_lock(profile_internal::FolderOf(PathForCreate(file)));
    if (!folder_lock.folder_exists()) return false;
    std::string path;
    FileStamp stamp;
    Cached created;
    Cached* target = &created;
    const bool existed = ResolveExisting(file, path, stamp);
    if (existed) {
      // Under the lock the file is always read again: a stamp cannot tell apart two
      // same-sized versions written within one clock step on a reused inode.
      target = Load(path, stamp, /*verify=*/true);
      if (target == nullptr) return false;
    }
    const ProfileFile& parsed = target->file;
    const std::vector<ProfileEntry> entries =
        change([&parsed](const std::string& section, const std::string& key) {
          const std::string* value = parsed.Find(LookupName(section), LookupName(key));
          return value == nullptr ? std::string() : ToReadValue(*value, parsed.utf8());
        });
    bool made = false;
    for (const ProfileEntry& entry : entries) {
      const std::string key = CleanName(entry.key);
      if (key.empty()) continue;
      made = target->file.Set(CleanName(entry.section), key, CleanText(entry.value)) ==
                 ProfileFile::Change::kMade ||
             made;
    }
    if (!made) return true;
    if (existed) {
      if (Store(path, *target)) return true;
      files_.erase(path);  // the cache must not outlive the file
      return false;
    }
    path = PathForCreate(file);
    files_.erase(path);
    checked_.erase(file);  // no longer missing
    if (!Store(path, created)) return false;
    Remember(path, std::move(created));
    return true;
  }

  void WriteLater(const std::vector<ProfileEntry>& entries, const std::string& file) {
    const std::lock_guard lock(mutex_);
    Deferred& deferred = deferred_[file];
    for (const ProfileEntry& entry : entries) {
      // What the file would refuse is never seen by a read either.
      const std::string key = CleanName(entry.key);
      if (!key.empty() &&
          deferred.overlay.Set(CleanName(entry.section), key, CleanText(entry.value)) !=
              ProfileFile::Change::kRefused) {
        deferred.entries.push_back(entry);
      }
    }
  }

  bool Flush(const std::vector<std::string>& first, std::vector<std::string>* failed) {
    std::unordered_map<std::string, Deferred> deferred;
    {
      const std::lock_guard lock(mutex_);
      deferred.swap(deferred_);
    }
    bool ok = true;
    const auto write = [&](const std::string& file, const Deferred& writes) {
      if (Write(writes.entries, file)) return;
      ok = false;
      if (failed != nullptr) failed->push_back(file);
    };
    for (const std::string& file : first) {
      const auto found = deferred.find(file);
      if (found == deferred.end()) continue;
      write(file, found->second);
      deferred.erase(found);
    }
    for (const auto& [file, rest] : deferred) write(file, rest);
    return ok;
  }

  ProfileCacheStats stats() {
    const std::lock_guard lock(mutex_);
    return stats_;
  }

  void ResetStats() {
    const std::lock_guard lock(mutex_);
    stats_ = {};
  }

  void Clear() {
    const std::lock_guard lock(mutex_);
    files_.clear();
    resolved_names_.clear();
    checked_.clear();
  }

  void RecheckAll() {
    const std::lock_guard lock(mutex_);
    ++generation_;
  }

 private:
  struct Cached {
    FileStamp stamp;
    // The stamp may hide a change made within the same clock step; then the next use checks
    // the file's content against `bytes`, the content the parsed copy was made from.
    bool recent = false;
    std::string bytes;
    ProfileFile file;
  };

  // When a read last found the file that `file` names.
  struct Checked {
    std::string path;        // the file on disk, "" when there was none
    std::int64_t at_ns = 0;  // steady clock, taken before the check
    std::uint64_t generation = 0;
  };

  // Returns the parsed copy of `file` when a read checked the file so recently that it need
  // not be checked again, else nullptr. A copy whose stamp may hide a change is always checked.
  // Sets `missing` when that read found no file.
  const Cached* RecentlyChecked(const std::string& file, bool& missing) const {
    const auto checked = checked_.find(file);
    if (checked == checked_.end() || checked->second.generation != generation_ ||
        NowNs() - checked->second.at_ns >= kRecheckAfterNs) {
      return nullptr;
    }
    missing = checked->second.path.empty();
    const auto cached = files_.find(checked->second.path);
    if (cached == files_.end() || cached->second.recent) return nullptr;
    return &cached->second;
  }

  // Finds the existing ordinary file that `file` names, matching its case-variants.
  bool ResolveExisting(const std::string& file, std::string& path, FileStamp& stamp) {
    if (profile_internal::StatFile(file, stamp)) {
      path = file;
      return true;
    }
    const auto known = resolved_names_.find(file);
    if (known != resolved_names_.end() && profile_internal::StatFile(known->second, stamp)) {
      path = known->second;
      return true;
    }
    path = FindExistingPath(file);
    if (path.empty() || !profile_internal::StatFile(path, stamp)) {
      resolved_names_.erase(file);
      return false;
    }
    if (resolved_names_.size() >= kMaxCachedFiles) resolved_names_.clear();
    resolved_names_[file] = path;
    return true;
  }

  // Returns the parsed file `path`, parsing it only when `stamp` (just taken) shows a change,
  // or, with `verify`, when its content differs from the parsed copy's.
  Cached* Load(const std::string& path, const FileStamp& stamp, bool verify = false) {
    const auto found = files_.find(path);
    if (found != files_.end() && found->second.stamp == stamp && !found->second.recent && !verify) {
      return &found->second;
    }
    std::string bytes;
    FileStamp read_stamp;
    if (!profile_internal::ReadFileWithStamp(path, bytes, read_stamp)) {
      if (found != files_.end()) files_.erase(found);
      return nullptr;
    }
    const bool recent = profile_internal::StampIsRecent(read_stamp);
    if (found != files_.end() && found->second.bytes == bytes) {
      Cached& cached = found->second;
      cached.stamp = read_stamp;
      cached.recent = recent;
      return &cached;
    }
    ++stats_.parses;
    Cached parsed;
    parsed.stamp = read_stamp;
    parsed.file = ProfileFile::Parse(bytes);
    parsed.recent = recent;
    parsed.bytes = std::move(bytes);
    return Remember(path, std::move(parsed));
  }

  Cached* Remember(const std::string& path, Cached cached) {
    if (files_.size() >= kMaxCachedFiles && !files_.contains(path)) files_.clear();
    return &(files_[path] = std::move(cached));
  }

  // Writes `cached` to `path`. A stamp taken from our own complete write needs no content
  // check, as every cooperating writer replaces the file rather than changing it in place.
  bool Store(const std::string& path, Cached& cached) {
    ++stats_.rewrites;
    FileStamp stamp;
    std::string bytes = cached.file.Serialize();
    if (!profile_internal::ReplaceFile(profile_internal::WriteTargetOf(path), bytes, stamp)) {
      return false;
    }
    cached.stamp = stamp;
    cached.recent = false;
    cached.bytes = std::move(bytes);
    return true;
  }

  // Writes kept back by WriteLater, and a file of them that reads look in first.
  struct Deferred {
    std::vector<ProfileEntry> entries;
    ProfileFile overlay;
  };

  std::mutex mutex_;
  std::unordered_map<std::string, Deferred> deferred_;  // by file as asked
  std::unordered_map<std::string, Cached> files_;
  std::unordered_map<std::string, std::string> resolved_names_;  // as asked -> as on disk
  std::unordered_map<std::string, Checked> checked_;             // as asked -> last check
  std::uint64_t generation_ = 0;           // raised when every file must be checked again
  std::string key_lower_, section_lower_;  // buffers of Read, kept for their capacity
  ProfileCacheStats stats_;
};

ProfileCache& TheCache() {
  static ProfileCache cache;
  return cache;
}

}  // namespace

std::string ProfileRead(const std::string& section, const std::string& key,
                        const std::string& file) {
  return TheCache().Read(section, key, file).value_or("");
}

std::vector<std::pair<std::string, std::string>> ProfileReadSection(const std::string& section,
                                                                    const std::string& file) {
  return TheCache().ReadSection(section, file);
}

std::unordered_map<std::string, std::string> ProfileSectionByLowerKey(const std::string& section,
                                                                      const std::string& file) {
  std::unordered_map<std::string, std::string> values;
  for (auto& [key, value] : ProfileReadSection(section, file)) {
    values.try_emplace(LowerCaseName(key), std::move(value));
  }
  return values;
}

bool ProfileHasKey(const std::string& section, const std::string& key, const std::string& file) {
  return TheCache().Read(section, key, file).has_value();
}

bool ProfileWrite(const std::string& section, const std::string& key, const std::string& value,
                  const std::string& file) {
  return TheCache().Write({{section, key, value}}, file);
}

bool ProfileWriteAll(const std::vector<ProfileEntry>& entries, const std::string& file) {
  return TheCache().Write(entries, file);
}

bool ProfileUpdate(
    const std::string& file,
    const std::function<std::vector<ProfileEntry>(const ProfileLockedRead& read)>& change) {
  return TheCache().Update(file, change);
}

void ProfileWriteLater(const std::vector<ProfileEntry>& entries, const std::string& file) {
  TheCache().WriteLater(entries, file);
}

bool FlushProfileWrites(const std::vector<std::string>& first, std::vector<std::string>* failed) {
  return TheCache().Flush(first, failed);
}

ProfileCacheStats GetProfileCacheStats() { return TheCache().stats(); }

void ResetProfileCacheStats() { TheCache().ResetStats(); }

void ClearProfileCache() { TheCache().Clear(); }

void RecheckProfileFiles() { TheCache().RecheckAll(); }
