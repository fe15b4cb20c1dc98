#pragma once

#include <cstddef>

// Where the one-pass scan of a table file must look closer: a "." followed by "G" (the start of
// ".GameName" or ".Gamename"), or an "=" followed by a byte up to '"' (so every blank and the
// double quote), an "a" or an "A". Elsewhere, as in most of a table file's images and sounds,
// nothing can interest it.

// Returns the first position in [from, end) of `bytes` where a mark starts, or `end` when there
// is none. bytes[end] is read too, so it must exist.
size_t NextScanMark(const char* bytes, size_t from, size_t end);
