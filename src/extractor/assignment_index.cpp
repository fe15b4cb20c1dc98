#include "extractor/assignment_index.h"

#include <algorithm>

#include "common/codepage.h"

namespace {

// What cleaning a script line turns into spaces or removes: the blanks between a name and "=".
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A script has a few thousand assignments; binary data one place in some 20 kB. Past this the
// index gives up and the name is searched in the file, as without it.
constexpr size_t kMaxStorage = size_t{16} << 20;

}  // namespace

bool AssignmentIndex::EqualsFolded(std::string_view bytes, std::string_view lower) {
  if (bytes.size() != lower.size()) return false;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (Cp1252Lower(bytes[i]) != lower[i]) return false;
  }
  return true;
}

bool AssignmentIndex::Covers(std::string_view name) const {
  if (overflowed_ || name.empty() || name.size() > kMaxName || IsBlank(name.back())) return false;
  // Occurrences of a name that overlaps itself are not all visited by the search, which goes
  // on after the end of each; the index would see them all.
  std::vector<size_t> border(name.size(), 0);
  for (size_t i = 1, k = 0; i < name.size(); ++i) {
    while (k > 0 && name[i] != name[k]) k = border[k - 1];
    if (name[i] == name[k]) ++k;
    border[i] = k;
  }
  return border.back() == 0;
}

size_t AssignmentIndex::CoveredBelow(size_t name_length) const {
  if (file_end_ != kNotFound) return file_end_;
  // An occurrence is seen when every "=" within its look-ahead was considered.
  const size_t reach = name_length + kLookAhead - 1;
  return seen_up_to_ > reach ? seen_up_to_ - reach : 0;
}

void AssignmentIndex::Consider(size_t equals, std::string_view bytes, size_t from) {
  if (overflowed_) return;
  const auto at = [&](size_t position) { return bytes[position - from]; };
  const size_t bytes_end = from + bytes.size();
  // An occurrence of a name ends where the blanks before "=" start; the "=" must lie within
  // the look-ahead after it.
  size_t name_end = equals;
  while (name_end > 0 && equals - name_end < kLookAhead && IsBlank(at(name_end - 1))) --name_end;
  if (name_end == 0 || equals - name_end >= kLookAhead) return;
  const size_t window_end = std::min(name_end + kLookAhead, bytes_end);
  size_t first = equals + 1;
  while (first < window_end && IsBlank(at(first))) ++first;
  if (first >= window_end) return;
  const char c = at(first);
  if (c != '"' && c != 'a' && c != 'A') return;

  const size_t start = equals >= kBefore ? equals - kBefore : 0;
  places_.push_back({start, name_end, storage_.size(), window_end - start});
  storage_.append(bytes.substr(start - from, window_end - start));
  if (storage_.size() > kMaxStorage) {
    overflowed_ = true;
    std::vector<Place>().swap(places_);
    std::string().swap(storage_);
  }
}

void AssignmentIndex::SeenUpTo(size_t position) { seen_up_to_ = std::max(seen_up_to_, position); }

void AssignmentIndex::SeenAll(size_t size) {
  SeenUpTo(size);
  file_end_ = size;
}
