#pragma once

#include <string>
#include <vector>

// Table files: the .vpt files of the old simulator and the .vpx files of Visual Pinball X, whose
// extension may be written in any letter case.

// True when `file_name` ends in ".vpt" or ".vpx" (any case).
bool IsTableFile(const std::string& file_name);

// The ordinary, non-hidden table files of `folder` that also match `pattern` (wildcards, any
// case), sorted by name without regard to case. A missing folder has none.
std::vector<std::string> ListTableFiles(const std::string& folder,
                                        const std::string& pattern = "*");

// The catalogue key of a table file name (without folder): a .vpt table's name less its last
// four characters, as catalogues have always been keyed; a .vpx table's whole name, so that X.vpt
// and X.vpx lying side by side stay two tables. The name is taken as FileNameText gives it; what
// no profile key can hold is written as "%" and its code ("=" as "%3D", a leading "[" as "%5B", a
// leading ";" as "%3B") and a line break as a space.
std::string TableKey(const std::string& file_name);
