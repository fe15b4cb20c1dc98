#include "frontend/collection.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "common/codepage.h"
#include "common/paths.h"
#include "common/profile.h"
#include "common/table_details.h"
#include "common/tables.h"
#include "common/text.h"
#include "frontend/play_stats.h"

namespace {

using Section = std::unordered_map<std::string, std::string>;

// As a profile read finds a key: the name trimmed, in any case.
std::string LookupName(const std::string& key) { return LowerCaseName(TrimSpaces(key)); }

// The value of the key whose LookupName is `name`.
const std::string& GetByName(const Section& section, const std::string& name) {
  static const std::string none;
  const auto found = section.find(name);
  return found == section.end() ? none : found->second;
}

const std::string& Get(const Section& section, const std::string& key) {
  return GetByName(section, LookupName(key));
}

// Splits `value` at "|" into `fields`, the missing ones left empty.
void SplitInto(const std::string& value, std::initializer_list<std::string*> fields) {
  size_t start = 0;
  for (std::string* field : fields) {
    if (start > value.size()) break;
    const size_t bar = value.find('|', start);
    *field = value.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
    start = bar == std::string::npos ? value.size() + 1 : bar + 1;
  }
}

// A count from stats.ini, which may have been edited by hand: never below 0, never past what
// any real collection reaches.
long long ToCount(const std::string& text) {
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  return std::clamp(value, 0LL, 1'000'000'000'000LL);
}

// The initial of a shown name for the letter jumps.
std::string Initial(const std::string& name) {
  const std::string folded = FoldForSearch(name);
  const size_t first = folded.find_first_not_of(" \t");
  if (first == std::string::npos) return "#";
  const unsigned char c = static_cast<unsigned char>(folded[first]);
  if (c < 0x80) return std::isalpha(c) ? std::string(1, static_cast<char>(c)) : "#";
  size_t length = 1;
  while (first + length < folded.size() &&
         (static_cast<unsigned char>(folded[first + length]) & 0xC0) == 0x80) {
    ++length;
  }
  return folded.substr(first, length);
}

}  // namespace

std::vector<TableEntry> LoadCollection(const std::string& program_folder,
                                       const FrontendSettings& settings) {
  const std::string names = program_folder + "/names.ini";
  const std::string info = program_folder + "/info.ini";
  const std::string stats = program_folder + "/" + kStatsIni;
  const Section vp = ProfileSectionByLowerKey("VP", names);
  const Section pinmame = ProfileSectionByLowerKey("PinMAME", names);
  const Section aliases = ProfileSectionByLowerKey("Alias", program_folder + "/alias.ini");
  const Section tables = ProfileSectionByLowerKey("Tabrin", info);
  const Section games = ProfileSectionByLowerKey("PMInfo", info);
  const Section favourites = ProfileSectionByLowerKey("Favourites", stats);
  const Section plays = ProfileSectionByLowerKey("Plays", stats);
  const Section last_played = ProfileSectionByLowerKey("LastPlayed", stats);
  const Section time_played = ProfileSectionByLowerKey("TimePlayed", stats);

  // Details files (NAME.info) are few: the folder is listed once for them.
  const std::string folder = WithoutTrailingSlashes(settings.TablePath);
  std::unordered_set<std::string> with_details;
  for (const std::string& name : ListFiles(folder, "*.info")) {
    with_details.insert(AsciiLowerCopy(name.substr(0, name.size() - 5)));
  }
  std::vector<TableEntry> entries;
  for (std::string& file : ListTableFiles(folder)) {
    TableEntry entry;
    entry.text = FileNameText(file);
    entry.key = TableKey(file);
    entry.file = std::move(file);
    // The table's key is looked up in six sections: lowered once.
    const std::string name = LookupName(entry.key);
    entry.rom = GetByName(pinmame, name);
    entry.base_name = GetByName(vp, name);
    entry.catalogued = !entry.base_name.empty();
    if (entry.rom.empty()) {
      entry.vp_only = true;
      entry.rom = entry.base_name;
    }
    entry.alias = entry.rom.empty() ? "" : Get(aliases, entry.rom);
    if (!entry.base_name.empty()) {
      SplitInto(Get(tables, entry.base_name), {&entry.table_name, &entry.author, &entry.version,
                                               &entry.release_date, &entry.email, &entry.website});
    }
    const std::string& game_key = entry.alias.empty() ? entry.rom : entry.alias;
    if (!game_key.empty()) {
      SplitInto(Get(games, game_key),
                {&entry.game_name, &entry.year, &entry.manufacturer, &entry.parent});
    }
    // A details file says what the table's own information often lacks, and wins over it.
    const size_t dot = entry.file.rfind('.');
    if (!with_details.empty() && with_details.contains(AsciiLowerCopy(entry.file.substr(0, dot)))) {
      if (const std::optional<TableDetails> details =
              ReadTableDetails(PathInFolder(folder, entry.file))) {
        for (auto [from, to] : {std::pair{&details->title, &entry.table_name},
                                {&details->manufacturer, &entry.manufacturer},
                                {&details->year, &entry.year},
                                {&details->authors, &entry.author}}) {
          if (!from->empty()) *to = *from;
        }
      }
    }
    entry.favourite = GetByName(favourites, name) == "1";
    entry.plays = ToCount(GetByName(plays, name));
    entry.last_played = GetByName(last_played, name);
    entry.seconds_played = ToCount(GetByName(time_played, name));
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::string ShownName(const TableEntry& entry, NameView view) {
  if (view == NameView::kFile) return entry.text;
  if (view == NameView::kTable && !entry.table_name.empty()) return entry.table_name;
  if (!entry.game_name.empty()) return entry.game_name;
  if (!entry.alias.empty()) return entry.alias;
  return entry.rom;
}

std::vector<int> OrderedTables(const std::vector<TableEntry>& entries, NameView view,
                               TableOrder order, bool favourites_only) {
  struct Row {
    int index;
    std::string folded;
  };
  std::vector<Row> rows;
  rows.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    if (favourites_only && !entries[i].favourite) continue;
    rows.push_back({static_cast<int>(i), FoldForSearch(ShownName(entries[i], view))});
  }
  std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
    const TableEntry& x = entries[static_cast<size_t>(a.index)];
    const TableEntry& y = entries[static_cast<size_t>(b.index)];
    if (order == TableOrder::kMostPlayed && x.plays != y.plays) return x.plays > y.plays;
    // "yyyy-MM-dd hh:mm:ss" sorts as text; never played ("") comes last.
    if (order == TableOrder::kLastPlayed && x.last_played != y.last_played) {
      return x.last_played > y.last_played;
    }
    return a.folded < b.folded;
  });
  std::vector<int> indexes;
  indexes.reserve(rows.size());
  for (const Row& row : rows) indexes.push_back(row.index);
  return indexes;
}

int LetterJump(const std::vector<TableEntry>& entries, const std::vector<int>& rows, NameView view,
               int position, int step) {
  const int count = static_cast<int>(rows.size());
  if (count == 0) return -1;
  position = std::clamp(position, 0, count - 1);
  const auto initial = [&](int at) {
    return Initial(ShownName(entries[static_cast<size_t>(rows[static_cast<size_t>(at)])], view));
  };
  const std::string here = initial(position);
  if (step > 0) {
    for (int at = position + 1; at < count; ++at) {
      if (initial(at) != here) return at;
    }
    return 0;  // past the last initial, round to the first
  }
  // Back: to the first table of this initial when not there yet, else of the initial before.
  int at = position;
  while (at > 0 && initial(at - 1) == here) --at;
  if (at != position) return at;
  if (at == 0) at = count;  // before the first initial, round to the last
  const std::string before = initial(at - 1);
  --at;
  while (at > 0 && initial(at - 1) == before) --at;
  return at;
}

std::string RulesFileOf(const TableEntry& entry, const FrontendSettings& settings) {
  std::string stem = entry.table_name;
  std::erase(stem, ':');
  if (stem.empty() || settings.RulesPath.empty()) return {};
  const std::string path = settings.RulesPath + stem + ".txt";
  return OrdinaryFileExists(path) ? FindExistingPath(path) : std::string();
}
