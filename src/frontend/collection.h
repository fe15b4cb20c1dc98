#pragma once

#include <string>
#include <vector>

#include "common/settings.h"

// The collection as both faces of Orvane show it: every table file of the table folder with
// what the catalogue, the aliases and the play history say of it, read in one pass over each
// file (a section read once, looked up by key), never by selecting each table in turn.

struct TableEntry {
  std::string file;  // the table file's name, by its own bytes: for every file operation
  std::string text;  // the name as shown (FileNameText)
  std::string key;   // the catalogue key (TableKey)
  // names.ini and alias.ini, as the selection reads them: a plain table goes by its base name
  // wherever a ROM name would be used.
  bool vp_only = false;
  bool catalogued = false;  // names.ini knows the table
  std::string rom;
  std::string base_name;
  std::string alias;
  // info.ini: the table's stored information ([Tabrin], by base name) and the game's
  // ([PMInfo], by alias or ROM name).
  std::string table_name, author, version, release_date, email, website;
  std::string game_name, year, manufacturer, parent;
  // stats.ini.
  bool favourite = false;
  long long plays = 0;
  std::string last_played;  // "yyyy-MM-dd hh:mm:ss", "" when never
  long long seconds_played = 0;
};

// Reads the table files of `settings.TablePath` (in name order, as ListTableFiles lists them)
// and the catalogue, aliases and play history of `program_folder`; a table's details file
// (NAME.info) gives its name, maker, year and authors where it has them. A missing folder or file
// gives fewer entries or emptier ones, never a failure.
std::vector<TableEntry> LoadCollection(const std::string& program_folder,
                                       const FrontendSettings& settings);

// The views of the collection's names: by file name, by PinMAME (game) name, by table name.
enum class NameView { kFile = 0, kGame = 1, kTable = 2 };

// The name `entry` shows in `view`: its file name; the game name, else the alias, else the ROM
// name; the table name, else as in the game view.
std::string ShownName(const TableEntry& entry, NameView view);

// The orders the lists can take.
enum class TableOrder { kByName, kMostPlayed, kLastPlayed };

// The indexes of `entries` in `view` and `order`: by name is by the shown text folded as the
// filter folds it (case and accents aside), ties in file order; most played and last played
// first put the played tables first, the others after in name order. With `favourites_only`,
// only the favourites.
std::vector<int> OrderedTables(const std::vector<TableEntry>& entries, NameView view,
                               TableOrder order, bool favourites_only = false);

// The position in `rows` (indexes of `entries`, as ordered for `view`) of the first table whose
// shown name starts with another initial than the one at `position`, going forward (`step` 1,
// wrapping round to the start) or backward (`step` -1, to the first table of the initial
// before). Initials compare folded; digits and signs count as one initial "#".
int LetterJump(const std::vector<TableEntry>& entries, const std::vector<int>& rows, NameView view,
               int position, int step);

// The rules text file of `entry` (RulesPath, named after the table's stored name without its
// colons, in any case), spelt as on disk; "" when it has none.
std::string RulesFileOf(const TableEntry& entry, const FrontendSettings& settings);
