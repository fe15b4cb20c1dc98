#pragma once

#include <string>
#include <string_view>

// Texts that Tabrin shows and catalogues about a table (where its ROM name came from) are cut to
// a length that one catalogue entry holds, and the cut shows.

// The mark that ends a text that was cut.
inline constexpr std::string_view kCutMark = "\u2026";

// The number of characters of the UTF-8 `text`.
size_t CharCount(std::string_view text);

// Returns the UTF-8 `text` cut to at most `max_chars` characters, the last of them kCutMark when
// anything was cut.
std::string CutText(std::string_view text, size_t max_chars);

// Returns the Windows-1252 `bytes` as one line of UTF-8 text, cut as CutText cuts: a tab shows as
// a space and every other control character as "?". Reads no more of `bytes` than it shows.
std::string ShownText(std::string_view bytes, size_t max_chars);
