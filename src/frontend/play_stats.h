#pragma once

#include <string>
#include <unordered_set>
#include <vector>

// Favourites and play history, kept in stats.ini beside the program, per catalogue key:
// [Favourites] key=1, [Plays] key=count, [LastPlayed] key=yyyy-MM-dd hh:mm:ss (local time),
// [TimePlayed] key=seconds. Written as the catalogue is: atomically, one writer at a time.

inline constexpr char kStatsIni[] = "stats.ini";

struct PlayStats {
  bool favourite = false;
  long long plays = 0;
  std::string last_played;  // "" when never
  long long seconds_played = 0;
};

// The statistics of the table `key` in program_folder/stats.ini; counts that are no number or
// negative read as 0, larger ones than kMaxPlayCount as kMaxPlayCount.
PlayStats ReadPlayStats(const std::string& program_folder, const std::string& key);

// The largest count of plays or of seconds kept: a hand-edited stats.ini may hold anything.
inline constexpr long long kMaxPlayCount = 999'999'999'999LL;

// Marks or unmarks the table `key` as a favourite. Returns false when stats.ini could not be
// written.
bool SetFavourite(const std::string& program_folder, const std::string& key, bool favourite);

// Records one play of the table `key`, started at `started` (as LastPlayed keeps it) and lasting
// `seconds`: the counts are raised under the file's lock, so two windows recording at once both
// count, in one rewrite of the file. Returns false when stats.ini could not be written.
bool RecordPlay(const std::string& program_folder, const std::string& key,
                const std::string& started, long long seconds);

// With orvane.ini [Stats] ShareWithInfoFiles=1, writes the favourite mark and the plays of the
// table `key` (whose file is `table_path`) into the "User" part of its details file
// (NAME.info), when it has one, keeping the rest of that file as it was; other front-ends read
// them there. Nothing happens without the setting or the file; a file that is no valid details
// file is left alone. Returns false only when a file there could not be written.
bool ShareWithDetailsFile(const std::string& program_folder, const std::string& table_path,
                          const std::string& key);

// The catalogue keys of the favourites, in lower case.
std::unordered_set<std::string> Favourites(const std::string& program_folder);

// The information panel's rows for `stats`: "Favourite:  yes" when it is one, then
// "Played:  ..." when it was played; none for a table never marked nor played.
std::vector<std::string> PlayStatsRows(const PlayStats& stats);

// The orders of the file view that F3 cycles through.
enum class SortOrder { kByName = 0, kMostPlayed = 1, kLastPlayed = 2 };

// Returns the order after `order`.
SortOrder NextSortOrder(SortOrder order);

// The caption of the sort button while `order` is in force.
std::string SortCaption(SortOrder order);

// Sorts the table file names `names` (given in name order) by `order`: the most played first,
// or the last played first; tables never played, and ties, keep their name order.
void SortTables(std::vector<std::string>& names, SortOrder order,
                const std::string& program_folder);

// Lower case without accents, for finding as one types: "Élan" and "elan" both give "elan".
std::string FoldForSearch(const std::string& utf8);
