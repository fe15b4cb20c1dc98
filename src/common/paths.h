#pragma once

#include <string>
#include <string_view>
#include <vector>

// Paths are UTF-8 with "/" separators. File and folder names match without regard to case:
// a lookup whose exact path does not exist matches each component against its folder's
// entries ignoring ASCII case (the first match in byte order).

// Returns the folder of the running executable, without a trailing separator.
std::string ProgramFolder();

// Returns `value` with every "\" turned into "/".
std::string BackslashesToSlashes(std::string value);

// True when `path` is absolute on this platform (it starts with "/").
bool IsAbsolutePath(std::string_view path);

// The settings rule for folder values relative to the program folder `program_folder`
// (without a trailing separator): "" stays ""; an absolute value stays; a value starting with
// "\" becomes program_folder + value; any other becomes program_folder + "/" + value.
// Backslashes become "/" after these tests.
std::string ResolveProgramRelative(const std::string& value, const std::string& program_folder);

// Returns the existing path that `path` names, with the case of each component as on disk, or
// "" when nothing matches.
std::string FindExistingPath(const std::string& path);

// Returns the path to use for creating `path`: each existing component (the file included) takes
// its case-variant's name on disk; the missing rest stays as written.
std::string PathForCreate(const std::string& path);

// True when `path` names an existing ordinary file (not a folder, not hidden).
bool OrdinaryFileExists(const std::string& path);

// True when `path` names an existing folder.
bool FolderExists(const std::string& path);

// Directory lookup with wildcards ("*", "?") in the last component, matched without regard
// to case: returns the name of the first ordinary, non-hidden file that matches, or "".
std::string DirLookup(const std::string& pattern);

// Ordinary, non-hidden files of `folder` whose names match `pattern` (wildcards, any case),
// sorted by name without regard to case. An unreadable or missing folder gives none.
std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern);

// True when `name` matches the wildcard `pattern` ("*", "?") without regard to ASCII case.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// Returns the last component of `path` (the text after its last "/").
std::string FileNameOf(const std::string& path);

// Returns `folder` without trailing "/" ("/" itself stays).
std::string WithoutTrailingSlashes(std::string folder);

// Returns `folder` ending with "/", so that file names join it directly; "" stays "".
std::string WithTrailingSlash(std::string folder);

// Returns the path of `name` in `folder` (given without a trailing "/", or "/").
std::string PathInFolder(const std::string& folder, const std::string& name);

// Reads at most `max_bytes` from the start of the ordinary file `path` into `out`, without
// waiting on a pipe or a device. Returns false (and leaves `out` empty) when it cannot.
bool ReadFileStart(const std::string& path, size_t max_bytes, std::string& out);

// Reads the whole ordinary file into `out`. Returns false (and leaves `out` empty) when it
// cannot.
bool ReadWholeFile(const std::string& path, std::string& out);

// Replaces `path` with `data` through a temporary file in the same folder and a rename, so a
// crash never leaves a partial file. `path` must already be the exact name to create.
// Returns false when nothing was written.
bool WriteFileAtomically(const std::string& path, std::string_view data);
