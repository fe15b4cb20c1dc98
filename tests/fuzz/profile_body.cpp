#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <utility>

#include "common/codepage.h"
#include "common/profile.h"
#include "common/profile_cache.h"
#include "fuzz_bodies.h"
#include "fuzz_support.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxRead = 254;
// Script codes from this one up are batches of (code - kBatchOp + 1) writes.
constexpr std::uint8_t kBatchOp = 0xF8;

// A caller's text as the file holds it: code page, cut at a NUL, line breaks as spaces.
std::string FileText(const std::string& utf8) {
  std::string text = Utf8ToCp1252(std::string_view(utf8).substr(0, utf8.find('\0')));
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

std::string LookupName(const std::string& utf8) {
  return Cp1252ToLower(TrimBlanks(FileText(utf8)));
}

// What reading gives back after `utf8` was written: trimmed, one pair of quotes dropped,
// cut to 254 characters and trimmed of spaces again.
std::string ReadBackOf(const std::string& utf8) {
  const std::string text = FileText(utf8);
  std::string_view value = TrimBlanks(text);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  value = value.substr(0, kMaxRead);
  const std::size_t first = value.find_first_not_of(' ');
  value = first == std::string_view::npos
              ? std::string_view()
              : value.substr(first, value.find_last_not_of(' ') - first + 1);
  return Cp1252ToUtf8(value);
}

// The layer may refuse a key that a read could not find again: empty, holding "=", starting
// with ";", or making its line a section line.
bool MayRefuse(const std::string& key, const std::string& value) {
  const std::string name(TrimBlanks(FileText(key)));
  if (name.empty() || name.find('=') != std::string::npos || name.front() == ';') return true;
  return IsSectionLine(name + "=" + FileText(value));
}

// Section and key names found in the initial file, so that scripts can hit existing entries.
std::vector<std::string> NamesIn(std::string_view bytes) {
  std::vector<std::string> names;
  for (const std::string_view line : ProfileLines(bytes)) {
    std::string_view name = TrimBlanks(line);
    if (!name.empty() && name.front() == '[') {
      name = name.substr(1, name.rfind(']') == std::string_view::npos ? std::string_view::npos
                                                                      : name.rfind(']') - 1);
    } else {
      name = TrimBlanks(name.substr(0, name.find('=')));
    }
    if (!name.empty() && names.size() < 256) names.emplace_back(name);
  }
  return names;
}

// A length-prefixed text of the input, or (marker byte) a name of the initial file, its ASCII
// letters upper-cased when the marker is odd.
std::string TakeText(InputReader& in, const std::vector<std::string>& names) {
  const std::uint8_t head = in.Byte();
  if (head >= 0xF0) {
    const std::uint8_t index = in.Byte();
    if (names.empty()) return {};
    std::string name = names[index % names.size()];
    if (head & 1) {
      for (char& c : name) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      }
    }
    return Cp1252ToUtf8(name);
  }
  const std::size_t length = head < 0xE0 ? head : (head - 0xE0) * 256 + in.Byte();
  return std::string(in.Take(length));
}

// The profile file in `folder`, whatever its case: the only entry there may be.
bool CurrentFile(const std::string& folder, std::string& bytes, std::string& failure) {
  bytes.clear();
  std::vector<fs::path> entries;
  for (const auto& entry : fs::directory_iterator(folder)) entries.push_back(entry.path());
  if (entries.size() > 1) {
    failure = "a second file appeared beside the profile file: " + entries[1].filename().string();
    return false;
  }
  return !entries.empty() && ReadBytes(entries.front().string(), bytes);
}

std::size_t CountSections(std::string_view bytes) {
  std::size_t count = 0;
  for (const std::string_view line : ProfileLines(bytes)) count += IsSectionLine(line) ? 1 : 0;
  return count;
}

bool HasSection(std::string_view bytes, const std::string& lookup) {
  std::string name;
  for (const std::string_view line : ProfileLines(bytes)) {
    if (IsSectionLine(line, &name) && name == lookup) return true;
  }
  return false;
}

// `writes` writes keep every other line in its order: they replace at most that many lines
// and insert at most two each (a section line and the key line).
bool TouchesFewLines(std::string_view before, std::string_view after, std::size_t writes = 1) {
  const auto old_lines = ProfileLines(before);
  const auto new_lines = ProfileLines(after);
  if (new_lines.size() < old_lines.size()) return false;
  const std::size_t inserted = new_lines.size() - old_lines.size();
  if (inserted > 2 * writes) return false;
  // replaced[d]: fewest replacements aligning the old lines so far with as many new lines
  // plus d insertions.
  constexpr std::size_t kNever = static_cast<std::size_t>(-1);
  std::vector<std::size_t> replaced(inserted + 1, kNever);
  replaced[0] = 0;
  for (std::size_t i = 0;; ++i) {
    for (std::size_t d = 1; d <= inserted; ++d) {
      replaced[d] = std::min(replaced[d], replaced[d - 1]);  // new line i + d - 1 inserted
    }
    if (i == old_lines.size()) break;
    for (std::size_t d = 0; d <= inserted; ++d) {
      if (replaced[d] != kNever && old_lines[i] != new_lines[i + d]) ++replaced[d];
    }
  }
  return replaced[inserted] <= writes;
}

struct Written {
  std::string section;
  std::string key;
  std::string read_back;
};
using Model = std::map<std::pair<std::string, std::string>, Written>;

std::string CheckWrite(const std::string& folder, const std::string& section,
                       const std::string& key, const std::string& value, const std::string& file,
                       Model& model) {
  std::string failure;
  std::string before;
  const bool existed = CurrentFile(folder, before, failure);
  if (!failure.empty()) return failure;
  ProfileWrite(section, key, value, file);
  std::string after;
  const bool exists = CurrentFile(folder, after, failure);
  if (!failure.empty()) return failure;

  const bool refusable = MayRefuse(key, value);
  if (existed == exists && before == after) {
    if (refusable) return "";
    if (ProfileRead(section, key, file) != ReadBackOf(value)) {
      return "a write that may not be refused left the file unchanged";
    }
    model[{LookupName(section), LookupName(key)}] = {section, key, ReadBackOf(value)};
    return "";
  }
  if (refusable) return "a key that cannot be read back was written";
  if (!TouchesFewLines(before, after)) return "a write changed lines other than its own";
  const std::size_t new_sections = HasSection(before, LookupName(section)) ? 0 : 1;
  if (CountSections(after) != CountSections(before) + new_sections) {
    return "a write added a section line other than its own section";
  }
  model[{LookupName(section), LookupName(key)}] = {section, key, ReadBackOf(value)};
  return "";
}

std::string CheckRead(const std::string& section, const std::string& key, const std::string& file,
                      const Model& model) {
  const std::string got = ProfileRead(section, key, file);
  const auto known = model.find({LookupName(section), LookupName(key)});
  if (known != model.end() && got != known->second.read_back) {
    return "a written value read back as \"" + got + "\" instead of \"" + known->second.read_back +
           "\"";
  }
  const std::string bytes = Utf8ToCp1252(got);
  if (bytes.size() > kMaxRead) return "a read returned more than 254 characters";
  if (!bytes.empty() && (bytes.front() == ' ' || bytes.back() == ' ')) {
    return "a read returned untrimmed text";
  }
  if (LookupName(key).empty() && !got.empty()) return "an empty key read a value";
  return "";
}

std::string CheckAll(const std::string& file, const Model& model) {
  for (const auto& [lookup, written] : model) {
    const std::string failure = CheckRead(written.section, written.key, file, model);
    if (!failure.empty()) return failure;
  }
  return "";
}

// A batch makes its writes in order, each as a single write would, in one rewrite.
std::string CheckWriteAll(const std::string& folder, const std::vector<ProfileEntry>& entries,
                          const std::string& file, Model& model) {
  std::string failure;
  std::string before;
  const bool existed = CurrentFile(folder, before, failure);
  if (!failure.empty()) return failure;
  ProfileWriteAll(entries, file);
  std::string after;
  const bool exists = CurrentFile(folder, after, failure);
  if (!failure.empty()) return failure;

  std::set<std::string> new_sections;
  Model batch;
  for (const ProfileEntry& entry : entries) {
    if (MayRefuse(entry.key, entry.value)) continue;
    const std::string section = LookupName(entry.section);
    if (!HasSection(before, section)) new_sections.insert(section);
    batch[{section, LookupName(entry.key)}] = {entry.section, entry.key, ReadBackOf(entry.value)};
  }
  if (existed == exists && before == after) {
    // Every write may have been a no-op; then each reads back as written already.
    for (const auto& [lookup, written] : batch) {
      if (ProfileRead(written.section, written.key, file) != written.read_back) {
        return "a batch that may not be refused left the file unchanged";
      }
    }
  } else if (!TouchesFewLines(before, after, entries.size())) {
    return "a batch changed lines other than its own";
  } else if (CountSections(after) != CountSections(before) + new_sections.size()) {
    return "a batch added a section line other than its own sections";
  }
  for (auto& [lookup, written] : batch) model[lookup] = std::move(written);
  return CheckAll(file, model);
}

std::string RunScript(InputReader& in, const std::string& folder, const std::string& file,
                      const std::vector<std::string>& names, bool created) {
  Model model;
  while (!in.empty()) {
    const std::uint8_t code = in.Byte();
    if (code >= kBatchOp) {
      std::vector<ProfileEntry> entries(code - kBatchOp + 1);
      for (ProfileEntry& entry : entries) {
        entry.section = TakeText(in, names);
        entry.key = TakeText(in, names);
        entry.value = TakeText(in, names);
      }
      const std::string failure = CheckWriteAll(folder, entries, file, model);
      if (!failure.empty()) return failure;
      continue;
    }
    const int op = code % 4;
    if (op == 3) {
      ClearProfileCache();
      continue;
    }
    const std::string section = TakeText(in, names);
    const std::string key = TakeText(in, names);
    std::string failure;
    if (op == 2) {
      failure = CheckRead(section, key, file, model);
    } else {
      failure = CheckWrite(folder, section, key, TakeText(in, names), file, model);
    }
    if (!failure.empty()) return failure;
  }
  std::string failure = CheckAll(file, model);
  if (!failure.empty()) return failure;
  // A fresh parse of the file on disk must agree with the cached copy.
  ClearProfileCache();
  failure = CheckAll(file, model);
  if (!failure.empty()) return "after a fresh parse, " + failure;

  std::string bytes;
  CurrentFile(folder, bytes, failure);
  if (failure.empty() && created && !fs::exists(folder + "/Fuzz.ini")) {
    return "the file lost the case of its name";
  }
  return failure;
}

}  // namespace

std::string FuzzProfile(const std::uint8_t* data, std::size_t size) {
  InputReader in(data, size);
  const std::uint8_t flags = in.Byte();
  const std::size_t file_length = in.Byte() | (std::size_t{in.Byte()} << 8);
  const std::string_view initial = in.Take(file_length);

  ClearProfileCache();
  const std::string folder = FreshFolder("profile");
  const bool create = (flags & 1) != 0;
  if (create && !WriteBytes(folder + "/Fuzz.ini", initial)) return "cannot write the input";
  // The name as asked may differ in case from the name on disk.
  const std::string file = folder + ((flags & 2) ? "/fUZZ.INI" : "/Fuzz.ini");
  const std::string failure = RunScript(in, folder, file, NamesIn(initial), create);
  ClearProfileCache();
  return failure;
}
