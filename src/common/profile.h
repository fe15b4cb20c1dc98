#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// The one implementation of INI ("profile") files for both programs. Sections and keys match
// without regard to case; a file is Windows-1252 with CR LF line ends until it must hold a
// character that code page lacks, when it becomes UTF-8 marked by a byte-order mark; strings
// here are UTF-8.

// Returns the value of `key` in `section` of `file`: at most 254 characters, then leading and
// trailing spaces removed (one pair of quotes around a value is dropped first). A missing file,
// section or key gives "".
std::string ProfileRead(const std::string& section, const std::string& key,
                        const std::string& file);

// Returns every key of `section` of `file` with its value as ProfileRead returns it, in the
// file's order; a key written twice counts once, with its first value. A missing file or section
// gives none.
std::vector<std::pair<std::string, std::string>> ProfileReadSection(const std::string& section,
                                                                    const std::string& file);

// The keys of `section` of `file` in lower case (LowerCaseName), each with its value as
// ProfileRead returns it: a whole section looked up without a read per key.
std::unordered_map<std::string, std::string> ProfileSectionByLowerKey(const std::string& section,
                                                                      const std::string& file);

// True when `key` is present in `section` of `file`, even with an empty value.
bool ProfileHasKey(const std::string& section, const std::string& key, const std::string& file);

// Sets `key` in `section` of `file` to `value`, creating the file and the section when missing.
// An existing key is replaced in place, a new key goes to the end of its section. The file is
// replaced atomically and writers in other processes are serialised; a line break in the key
// or value is written as a space. A key that a read could not find again (one holding "=" or
// starting with ";" or "[") is not written.
// Returns false when the file could not be written (a missing folder, no room, no permission);
// a refused key or a write that changes nothing is no failure.
bool ProfileWrite(const std::string& section, const std::string& key, const std::string& value,
                  const std::string& file);

// One entry for ProfileWriteAll.
struct ProfileEntry {
  std::string section;
  std::string key;
  std::string value;
};

// Makes the writes of `entries` to `file` in their order, each as ProfileWrite makes it, with
// one rewrite of the file: other processes see all of them or none. Returns false as
// ProfileWrite does.
bool ProfileWriteAll(const std::vector<ProfileEntry>& entries, const std::string& file);

// Reads the values of a file as they are while it is locked for a write.
using ProfileLockedRead =
    std::function<std::string(const std::string& section, const std::string& key)>;

// A read-modify-write of `file` that no other writer can come between: `change` reads the file
// as it is under the lock (what ProfileRead would return) and returns the writes to make, all in
// one rewrite. For counters that two processes may raise at once. Returns false as ProfileWrite
// does.
bool ProfileUpdate(
    const std::string& file,
    const std::function<std::vector<ProfileEntry>(const ProfileLockedRead& read)>& change);

// Keeps the writes of `entries` to `file` in this process until FlushProfileWrites: reads here
// see them at once, other processes once they are made. A program that defers writes flushes
// them before it ends and before it starts a program that may read the file.
void ProfileWriteLater(const std::vector<ProfileEntry>& entries, const std::string& file);

// Makes every deferred write, each file in one rewrite as ProfileWriteAll makes it: the files of
// `first` in that order, then the others. A file that cannot be written loses its writes; its
// name goes to `failed` when given. Returns false when any file could not be written.
bool FlushProfileWrites(const std::vector<std::string>& first = {},
                        std::vector<std::string>* failed = nullptr);

// Makes the next read of every file check the file for changes, however recently it was
// checked. Reads otherwise skip the check for a file checked within the last 2 ms; call this
// when a program that may have written profile files has ended.
void RecheckProfileFiles();
