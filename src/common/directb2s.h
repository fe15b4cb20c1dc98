#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Backglass files (NAME.directb2s beside a table) are XML whose pictures are base64 text in the
// Value attribute of the elements under DirectB2SData/Images: megabytes each. They are read here
// as a stream, one buffer at a time, never as a whole document.

// A decoded picture's bytes are cut off past this: the largest real backglass is a few MB.
inline constexpr std::size_t kMaxDirectB2SPicture = std::size_t{48} << 20;

// The picture formats a backglass file may hold, told from the bytes themselves.
enum class PictureFormat { kUnknown, kPng, kJpeg, kGif, kBmp };

// The format of `bytes` from its first bytes (signatures), kUnknown for anything else.
PictureFormat SniffPictureFormat(std::string_view bytes);

// The lower-case file extension of a format ("png", "jpg", "gif", "bmp"); "" for kUnknown.
const char* PictureExtension(PictureFormat format);

// Reads the backglass file `path` and returns the decoded bytes of the first element of
// `elements` (names under Images, in order of preference, e.g. {"BackglassImage",
// "BackglassOffImage"}) whose Value holds a picture of a known format. Returns "" when the file
// cannot be read, is not such a document, or holds none; never reads more than the file, keeps
// at most one decoded picture per element asked for, each at most kMaxDirectB2SPicture bytes.
std::string ReadDirectB2SPicture(const std::string& path, const std::vector<std::string>& elements);

// The same over a document in memory (for tests and fuzzing).
std::string ReadDirectB2SPictureFrom(std::string_view document,
                                     const std::vector<std::string>& elements);
