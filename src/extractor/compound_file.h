#pragma once

#include <gsf/gsf-infile.h>
#include <gsf/gsf-input.h>

#include <memory>
#include <string>
#include <string_view>

// Read-only access to the storages and streams of a compound file through libgsf. Every
// object is released by its owner; a damaged file gives null objects, never a crash.

struct GObjectUnref {
  void operator()(void* object) const;
};
using InfilePtr = std::unique_ptr<GsfInfile, GObjectUnref>;
using InputPtr = std::unique_ptr<GsfInput, GObjectUnref>;

// Copies every byte of a stream.
inline constexpr gsf_off_t kWholeStream = -1;

// Opens `path` read-only as a compound file (its root storage). Null when the file cannot be
// read or is not a compound file.
InfilePtr OpenCompoundFile(const std::string& path);

// Returns the storage `name` of `parent`, names matched as the compound file format matches
// them (upper-cased). Null when there is none or the entry is a stream.
InfilePtr OpenStorage(GsfInfile* parent, std::string_view name);

// Returns the stream `name` of `parent`, matched the same way. Null when there is none or the
// entry is a storage.
InputPtr OpenStream(GsfInfile* parent, std::string_view name);

// Reads the first `limit` bytes of `stream` (all of it when shorter) into `out`. Returns false,
// with `out` empty, when they cannot be read.
bool ReadStreamStart(GsfInput* stream, size_t limit, std::string& out);

// How a copy of a stream ended.
enum class CopyResult {
  kCopied,      // the file is in place
  kUnreadable,  // the stream could not be read: the table is damaged; nothing was written
  kNotWritten,  // the file could not be written (errno says why); nothing was left behind
};

// Makes `path` a copy of the first `max_bytes` of `stream` (all of it when shorter), followed
// by `tail` when the stream is longer, copied in pieces through a new file that replaces `path`
// only when complete.
CopyResult CopyStreamToFile(GsfInput* stream, const std::string& path,
                            gsf_off_t max_bytes = kWholeStream, std::string_view tail = {});
