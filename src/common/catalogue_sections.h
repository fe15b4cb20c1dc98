#pragma once

// Sections of info.ini that Tabrin adds beside the table and game information, read by Orvane.
// Older readers never ask for them.

// Where a table's ROM name came from ("found in FILE, line N: TEXT"), or why it has none
// ("plain: REASON"); keyed by the table's catalogue key.
inline constexpr char kRomSourceSection[] = "RomSource";
// The names followed to the ROM name and the statement that gave it to the controller; keyed by
// the table's catalogue key, absent when the statement holds the name itself.
inline constexpr char kRomViaSection[] = "RomVia";
// ROM names (or aliases) whose emulator listing has no such game: "1"; "" once it has one.
inline constexpr char kNotInEmulatorSection[] = "NotInEmulator";
// Where the simulator finds the table's ROM file: the zip's path, "" when it is missing; keyed by
// the table's catalogue key, for PinMAME tables.
inline constexpr char kRomFileSection[] = "RomFile";
// For a clone, its parent ROM and where the parent's zip is: "PARENT|PATH", "PARENT|" when it is
// missing; "" for a game that is no clone. Keyed by the table's catalogue key.
inline constexpr char kParentRomFileSection[] = "ParentRomFile";
// The table file as it was when the table was catalogued, keyed by the table's catalogue key:
// "SIZE|MTIME_NS", its size in bytes and its modification time in nanoseconds since 1970. A
// scan renews a table whose file differs.
inline constexpr char kTableFileSection[] = "TableFile";
