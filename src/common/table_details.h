#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Table details files: NAME.info beside the table NAME.vpx (any letter case), JSON that other
// front-ends write. Its object "Info" describes the table (Title, Authors, Manufacturer, Year,
// VPSId, IPDBId, …) and "User" the player's use of it (Rating, Favorite, LastRun, StartCount,
// RunTime, Tags). Such files come with downloaded tables: each read is bounded, and a file that
// is no valid JSON object is never written.

// The largest details file read; real ones take a few kilobytes.
inline constexpr size_t kMaxTableDetailsBytes = size_t{1} << 20;

// What a details file says of its table, as texts to show: control characters as their
// pictures, each cut visibly to kMaxTextChars characters.
struct TableDetails {
  std::string title;
  std::string manufacturer;
  std::string year;     // a number in the file is written in decimal
  std::string authors;  // a list of names in the file is joined by ", "
};

// The details file of the table `table_path`, as on disk; "" when there is none.
std::string TableDetailsFile(const std::string& table_path);

// The details of the table `table_path` from its details file; none when there is no file, it is
// larger than kMaxTableDetailsBytes, is no valid JSON object or has no "Info" object.
std::optional<TableDetails> ReadTableDetails(const std::string& table_path);

// The same over the text of a details file.
std::optional<TableDetails> ParseTableDetails(std::string_view text);

// The player's use of a table, as written into "User".
struct TableDetailsUser {
  bool favourite = false;
  int64_t start_count = 0;
  int64_t last_run = 0;  // seconds since 1970 (UTC); 0 (never) leaves the file's LastRun as it is
  int64_t run_time = 0;  // seconds in all
};

// The outcome of an update.
enum class TableDetailsUpdate {
  kWritten,     // the file holds the values (it may have held them already)
  kNoFile,      // the table has no details file
  kMalformed,   // too large, no valid JSON object, or two "User" members: left as it is
  kNotWritten,  // the new file could not be written: the old one is whole
};

// Sets Favorite, StartCount, LastRun and RunTime of the "User" object in the details file of the
// table `table_path`, keeping every byte outside those values as it was: other keys of "User"
// and every other member of the file. A value keeps the type the file gives it (a number, a text,
// a truth value); a key the file lacks is added, and "User" itself before the file's closing
// brace when it is absent. The file is replaced whole (a crash leaves the old one).
TableDetailsUpdate UpdateTableDetailsUser(const std::string& table_path,
                                          const TableDetailsUser& user);

// The text of a details file `text` with "User" updated as above; none when `text` is
// malformed.
std::optional<std::string> UpdatedTableDetailsText(std::string_view text,
                                                   const TableDetailsUser& user);
