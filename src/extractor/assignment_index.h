#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The places of a table file where a name may be assigned a string literal or an array: an "="
// whose first byte after spaces, TABs and line breaks is a double quote or the "a" of "array(".
// They are collected while the file streams past the search for ".GameName", so that following
// the name that the statement assigns needs no second pass over the bytes already read. Only
// such an occurrence of the name can end the name's search; every other one is passed over.
class AssignmentIndex {
 public:
  static constexpr size_t kNotFound = static_cast<size_t>(-1);
  // The name finder looks this many bytes past an occurrence of the name for its "=".
  static constexpr size_t kLookAhead = 50;
  // Longer names are searched in the file instead.
  static constexpr size_t kMaxName = 64;
  // Bytes of the file before an "=" that Consider needs: the blanks and a name of kMaxName.
  static constexpr size_t kBefore = kMaxName + kLookAhead - 1;

  // Looks at the "=" at file position `equals` and keeps it when it is such a place. `bytes`
  // are the file's bytes from position `from` on; they hold the kBefore bytes before the "="
  // (or the file's start) and the kLookAhead after it (or the file's end).
  void Consider(size_t equals, std::string_view bytes, size_t from);
  // Tells that every "=" before `position` was considered.
  void SeenUpTo(size_t position);
  // Tells that every "=" of the file, which ends at `size`, was considered.
  void SeenAll(size_t size);

  // True when the occurrences of `name` (in lower case) can be taken from the index: a name
  // that cannot overlap itself, that does not end in a blank, and not too long; and the index
  // did not outgrow its memory.
  bool Covers(std::string_view name) const;

  // Calls visit(after) for each occurrence of `name` (which the index covers) that an indexed
  // place follows, in file order, with the bytes after the occurrence (kLookAhead of them, fewer
  // at the end of the file), until visit returns true. Returns kNotFound when visit did; else the
  // position from which occurrences lie beyond the index and must be searched in the file.
  template <typename Visit>
  size_t ForEachCandidate(std::string_view name, Visit visit) const {
    const size_t limit = CoveredBelow(name.size());
    for (const Place& place : places_) {
      if (place.name_end < name.size()) continue;
      const size_t hit = place.name_end - name.size();
      if (hit >= limit) break;  // places, and so their occurrences, are in file order
      const std::string_view bytes(storage_.data() + place.offset, place.length);
      if (!EqualsFolded(bytes.substr(hit - place.start, name.size()), name)) continue;
      if (visit(bytes.substr(place.name_end - place.start))) return kNotFound;
    }
    return limit;
  }

 private:
  struct Place {
    size_t start;     // file position of the first kept byte
    size_t name_end;  // where an occurrence of the name must end: the blanks before "=" start
    size_t offset;    // of the kept bytes in storage_
    size_t length;
  };

  static bool EqualsFolded(std::string_view bytes, std::string_view lower);
  // Occurrences that start below the returned position are all seen by the index.
  size_t CoveredBelow(size_t name_length) const;

  std::vector<Place> places_;
  std::string storage_;
  size_t seen_up_to_ = 0;        // every "=" before this position was considered
  size_t file_end_ = kNotFound;  // set by SeenAll
  bool overflowed_ = false;
};
