#include <algorithm>
#include <cstring>

#include "extractor/scan_marks.h"

namespace {

// A blank is taken as any byte up to '"', which adds only "!" and '"'.
bool OpensValue(char c) { return static_cast<unsigned char>(c) <= '"' || c == 'a' || c == 'A'; }

// The first position in [from, end) holding `c`, or `end`.
size_t Next(const char* bytes, size_t from, size_t end, char c) {
  if (from >= end) return end;
  const void* found = std::memchr(bytes + from, c, end - from);
  return found == nullptr ? end : static_cast<size_t>(static_cast<const char*>(found) - bytes);
}

}  // namespace

size_t NextScanMark(const char* bytes, size_t from, size_t end) {
  size_t dot = Next(bytes, from, end, '.');
  size_t equals = Next(bytes, from, end, '=');
  while (dot < end || equals < end) {
    if (dot < equals) {
      if (bytes[dot + 1] == 'G') return dot;
      dot = Next(bytes, dot + 1, end, '.');
    } else {
      if (OpensValue(bytes[equals + 1])) return equals;
      equals = Next(bytes, equals + 1, end, '=');
    }
  }
  return end;
}
