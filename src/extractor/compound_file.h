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

// Makes `path` a copy of the whole of `stream`, copied in pieces through a temporary file in
// the same folder that replaces `path` only when complete. Returns false, leaving nothing
// behind, when the stream cannot be read or the file cannot be written.
bool CopyStreamToFile(GsfInput* stream, const std::string& path);
