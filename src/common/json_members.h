#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Where the members of one JSON object lie in its text, so that a program can change one value
// and keep every other byte. The text must already have been checked as valid JSON: this scanner
// only finds spans. It never recurses and reads each byte of the object once.

// One member of an object: its key (decoded) and the byte spans of key and value.
struct JsonMember {
  std::string key;
  size_t key_begin = 0;    // the key's opening quote
  size_t value_begin = 0;  // the value's first byte
  size_t value_end = 0;    // one past the value's last byte
};

// The members of the object whose "{" is at `open` in `text`, in their order, and in `close`
// the position of its "}". Returns false when `text` at `open` is no object as valid JSON writes
// one.
bool ScanJsonObject(std::string_view text, size_t open, std::vector<JsonMember>& members,
                    size_t& close);

// The position of the first byte of `text` from `from` on that is no JSON white space
// (text.size() when there is none).
size_t SkipJsonBlanks(std::string_view text, size_t from);
