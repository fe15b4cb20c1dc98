#pragma once

#include <map>
#include <optional>
#include <string>

// A Visual Pinball table to write as a compound file. Texts are UTF-8 and are stored as
// UTF-16LE; an unset text writes no stream at all, a set empty one writes a 0-byte stream.
struct TableContents {
  std::optional<std::string> table_name;
  std::optional<std::string> author_name;
  std::optional<std::string> table_version;
  std::optional<std::string> release_date;
  std::optional<std::string> author_email;
  std::optional<std::string> author_website;
  std::optional<std::string> blurb;
  std::optional<std::string> description;
  std::optional<std::string> rules;
  std::optional<std::string> screenshot;        // raw bytes (JPEG, PNG, ...)
  bool with_table_info = true;                  // false: no "TableInfo" storage at all
  std::string info_storage_name = "TableInfo";  // another spelling, for name matching

  // Raw streams of "TableInfo" that override or add to the above (name -> bytes), for odd
  // lengths and invalid text.
  std::map<std::string, std::string> raw_info_streams;

  // The table script, stored as the simulator stores it: the "CODE" record among the records
  // of the "GameData" stream of the "GameStg" storage (bytes).
  std::string script;
  // Raw bytes of "GameData" in place of the records, for damaged and older tables.
  std::optional<std::string> game_data;
  // Bytes of filler written as "GameStg/Image0" before the script, to make big files.
  size_t padding_bytes = 0;
  // Filler of every byte value, as real images and sounds are, instead of filler without ".",
  // "=" and double quotes: for benchmarks, where the scan must meet what real tables hold.
  bool padding_of_any_bytes = false;
  // The compound file's sector size: 512, or 4096 as larger files are written.
  unsigned sector_size = 512;
};

// Writes `table_contents` to `path` as a compound file. Returns false when the file cannot be
// written.
bool WriteTable(const std::string& path, const TableContents& table_contents);

// Returns the "GameData" records of a table holding `script`: a few table properties, the CODE
// record (its tag, then the script's own four-byte length and text) and the end record.
std::string GameDataRecords(const std::string& script);

// Returns `utf8` as UTF-16LE bytes.
std::string ToUtf16Le(const std::string& utf8);

// The lines a PinMAME table's script uses to name its ROM, through a constant as most do.
std::string RomScript(const std::string& rom);

// At least `bytes` of ordinary script lines, with assignments and comments, that never mention
// the ROM name's constant: what stands before the ROM lines in a real script (whole lines).
std::string OtherScript(size_t bytes);
