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
