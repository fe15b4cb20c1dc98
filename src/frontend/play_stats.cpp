#include "frontend/play_stats.h"

#include <QDateTime>
#include <QString>
#include <algorithm>
#include <cstdlib>
#include <unordered_map>

#include "common/profile.h"
#include "common/settings.h"
#include "common/table_details.h"
#include "common/tables.h"
#include "common/text.h"

namespace {

std::string StatsFile(const std::string& program_folder) {
  return program_folder + "/" + kStatsIni;
}

std::string Duration(long long seconds) {
  if (seconds < 60) return "under a minute";
  const long long minutes = seconds / 60;
  if (minutes < 60) return std::to_string(minutes) + " min";
  const std::string rest = std::to_string(minutes % 60);
  return std::to_string(minutes / 60) + " h " + (rest.size() < 2 ? "0" : "") + rest + " min";
}

// A count as stats.ini holds it, from 0 to kMaxPlayCount; strtoll saturates where the text goes
// past its range.
long long ToCount(const std::string& text) {
  return std::clamp(std::strtoll(text.c_str(), nullptr, 10), 0LL, kMaxPlayCount);
}

// The sum of two counts, kept within 0 and kMaxPlayCount.
long long AddCounts(long long a, long long b) {
  return std::clamp(a + std::clamp(b, 0LL, kMaxPlayCount), 0LL, kMaxPlayCount);
}

}  // namespace

PlayStats ReadPlayStats(const std::string& program_folder, const std::string& key) {
  const std::string file = StatsFile(program_folder);
  PlayStats stats;
  stats.favourite = ProfileRead("Favourites", key, file) == "1";
  stats.plays = ToCount(ProfileRead("Plays", key, file));
  stats.last_played = ProfileRead("LastPlayed", key, file);
  stats.seconds_played = ToCount(ProfileRead("TimePlayed", key, file));
  return stats;
}

bool SetFavourite(const std::string& program_folder, const std::string& key, bool favourite) {
  return ProfileWrite("Favourites", key, favourite ? "1" : "0", StatsFile(program_folder));
}

bool RecordPlay(const std::string& program_folder, const std::string& key,
                const std::string& started, long long seconds) {
  return ProfileUpdate(StatsFile(program_folder), [&](const ProfileLockedRead& read) {
    return std::vector<ProfileEntry>{
        {"Plays", key, std::to_string(AddCounts(ToCount(read("Plays", key)), 1))},
        {"LastPlayed", key, started},
        {"TimePlayed", key, std::to_string(AddCounts(ToCount(read("TimePlayed", key)), seconds))}};
  });
}

bool ShareWithDetailsFile(const std::string& program_folder, const std::string& table_path,
                          const std::string& key) {
  if (ProfileRead("Stats", "ShareWithInfoFiles", SettingsFile(program_folder)) != "1") return true;
  const PlayStats stats = ReadPlayStats(program_folder, key);
  TableDetailsUser user;
  user.favourite = stats.favourite;
  user.start_count = stats.plays;
  user.run_time = stats.seconds_played;
  // The history keeps local time; the details file the seconds since 1970.
  const QDateTime last =
      QDateTime::fromString(QString::fromStdString(stats.last_played), "yyyy-MM-dd hh:mm:ss");
  user.last_run = last.isValid() ? last.toSecsSinceEpoch() : 0;
  return UpdateTableDetailsUser(table_path, user) != TableDetailsUpdate::kNotWritten;
}

std::unordered_set<std::string> Favourites(const std::string& program_folder) {
  std::unordered_set<std::string> keys;
  for (const auto& [key, value] :
       ProfileSectionByLowerKey("Favourites", StatsFile(program_folder))) {
    if (value == "1") keys.insert(key);
  }
  return keys;
}

std::vector<std::string> PlayStatsRows(const PlayStats& stats) {
  std::vector<std::string> rows;
  if (stats.favourite) rows.push_back("Favourite:  yes");
  if (stats.plays > 0) {
    // The seconds of the start are kept for the order, not shown.
    rows.push_back("Played:  " + std::to_string(stats.plays) +
                   (stats.plays == 1 ? " time" : " times") + ", last on " +
                   stats.last_played.substr(0, 16) + ", " + Duration(stats.seconds_played) +
                   " in all");
  }
  return rows;
}

SortOrder NextSortOrder(SortOrder order) {
  switch (order) {
    case SortOrder::kByName:
      return SortOrder::kMostPlayed;
    case SortOrder::kMostPlayed:
      return SortOrder::kLastPlayed;
    case SortOrder::kLastPlayed:
      break;
  }
  return SortOrder::kByName;
}

std::string SortCaption(SortOrder order) {
  switch (order) {
    case SortOrder::kByName:
      return "Sort: Name";
    case SortOrder::kMostPlayed:
      return "Sort: Most Played";
    case SortOrder::kLastPlayed:
      break;
  }
  return "Sort: Last Played";
}

void SortTables(std::vector<std::string>& names, SortOrder order,
                const std::string& program_folder) {
  if (order == SortOrder::kByName) return;
  const auto values = ProfileSectionByLowerKey(
      order == SortOrder::kMostPlayed ? "Plays" : "LastPlayed", StatsFile(program_folder));
  // Each name's sort value once, not once per comparison.
  std::vector<std::pair<std::string, size_t>> keyed;
  keyed.reserve(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    const auto found = values.find(LowerCaseName(TableKey(names[i])));
    keyed.emplace_back(found == values.end() ? std::string() : found->second, i);
  }
  if (order == SortOrder::kMostPlayed) {
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
      return ToCount(a.first) > ToCount(b.first);
    });
  } else {
    // "yyyy-MM-dd hh:mm:ss" sorts as text; never played ("") comes last.
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
  }
  std::vector<std::string> sorted;
  sorted.reserve(names.size());
  for (const auto& [value, index] : keyed) sorted.push_back(std::move(names[index]));
  names = std::move(sorted);
}

std::string FoldForSearch(const std::string& utf8) {
  // Most names are plain ASCII: lower case is all they need.
  if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return (c & 0x80) == 0; })) {
    return AsciiLowerCopy(utf8);
  }
  const QString decomposed = QString::fromStdString(utf8).normalized(QString::NormalizationForm_KD);
  QString folded;
  folded.reserve(decomposed.size());
  for (const QChar c : decomposed) {
    if (c.category() != QChar::Mark_NonSpacing) folded += c;
  }
  return folded.toCaseFolded().toStdString();
}
