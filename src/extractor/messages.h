#pragma once

#include <string>
#include <string_view>

// What Tabrin tells its user: the usage, and the one-line messages of its error output.

// The usage: every option, one line each, as `tabrin --help` prints it.
std::string UsageText();

// The window's text for a command line without any argument: the old two lines, with every
// option word.
std::string WindowUsageText();

// `text` (UTF-8) as a message may show it: control characters made visible, cut visibly to
// kMaxTextChars characters.
std::string Shown(std::string_view text);

// A file name or path (its own bytes) as a message may show it: its text (Windows-1252 when it is
// no UTF-8), then as Shown.
std::string ShownName(std::string_view name);

// The error line for a table argument that names nothing: "PATH" could not be found.
std::string NotFoundText(const std::string& table_arg);

// Prints "tabrin: " and `line` on the error output.
void PrintError(const std::string& line);
