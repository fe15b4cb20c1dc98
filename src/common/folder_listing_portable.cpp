#include "common/folder_listing.h"

// No change notices here: every lookup reads the folder.
bool MatchInListedFolder(const std::string&, std::string_view, std::string&) { return false; }

bool FolderSendsChangeNotices(const std::string&) { return false; }
