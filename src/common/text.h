#pragma once

#include <string>
#include <string_view>

// Returns `text` without leading and trailing spaces (only the space character, as the
// classic string functions trim).
std::string TrimSpaces(std::string_view text);

// Returns `text` with the ASCII capitals in lower case.
std::string AsciiLowerCopy(std::string text);

// Returns `text` (UTF-8) in lower case, as profile files match names: every letter, not only
// ASCII ones.
std::string LowerCaseName(const std::string& text);

// Returns `text` (UTF-8) with its last `count` characters removed; "" when it has fewer.
std::string DropLastChars(const std::string& text, size_t count);

// The most characters of one text that goes into a catalogue value or a message: a hostile table
// must not make a file or a line grow by megabytes, and a value of this length comes back whole
// from a profile read, which gives back 254 characters at most.
inline constexpr size_t kMaxTextChars = 254;

// Returns `text` (UTF-8) when it has at most `max_chars` characters; otherwise its first
// characters followed by "…", `max_chars` characters in all, so that the cut shows.
std::string CutVisibly(std::string_view text, size_t max_chars);

// Returns `text` (UTF-8) with every control character shown as its picture (a line feed as
// "␊", U+2400 and on; delete as "␡") and every C1 control as "�", so that a name cannot break a
// line or drive a terminal.
std::string ShowControls(std::string_view text);

// The field of a "|"-joined catalogue value `value` that has `index` fields before it; "" when
// the value has fewer.
std::string FieldAt(std::string_view value, size_t index);
