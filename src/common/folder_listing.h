#pragma once

#include <string>
#include <string_view>

// Listings of folders that the system's change notices keep current, so that matching a name
// missing in its exact spelling against a folder's entries (ignoring case) does not read the
// whole folder each time: a folder scan exports thousands of files into folders that grow to
// thousands of entries. Where no such notices can be had, the caller reads the folder itself.

// Looks `name` up in the entries of `folder` ignoring ASCII case and sets `match` to the first
// such entry in byte order ("" when there is none). Returns false, with `match` untouched, when
// the folder has no listing kept current here.
bool MatchInListedFolder(const std::string& folder, std::string_view name, std::string& match);

// True when the system sends change notices for `folder` (a local file system): a folder that
// another machine changes (a network share) sends none and must be listed again to see changes.
bool FolderSendsChangeNotices(const std::string& folder);
