#pragma once

#include <string>

// The two questions Tabrin answers on standard output without writing anything. Each returns
// the exit status: kExitOk, or kExitNotFound with a line on the error output.

// Prints where the ROM name of each table that `table_arg` (absolute) names comes from, read
// afresh: the table, every table of a folder, or those of a pattern; then where the simulator
// finds its ROM file (and its parent's, as the catalogue in `program_folder` names a clone's
// parent), and the add-ons it comes with.
int PrintWhy(const std::string& program_folder, const std::string& table_arg);

// Prints the collection check of the folder that `table_arg` (absolute) names, a folder or a
// pattern's, against the catalogue in `program_folder`, after a first line that names the table
// folder of the catalogue (orvane.ini's TablePath). For another folder only its own tables are
// checked: not the catalogue's entries whose table is gone, nor artwork that no table shows.
int PrintReport(const std::string& program_folder, const std::string& table_arg);
